// Recording of fills, strokes and triangle lists into the current buffer set, the blend
// map and the uniform records.
#include <cfloat>
#include <cmath>
#include <cstring>

#include "graphics/mac/MVGContext.h"

namespace fx::gfx {

namespace {

bool mapFactor(int32_t bit, MTLBlendFactor* out) {
  switch (bit) {
    case VG_ZERO: *out = MTLBlendFactorZero; return true;
    case VG_ONE: *out = MTLBlendFactorOne; return true;
    case VG_SRC_COLOR: *out = MTLBlendFactorSourceColor; return true;
    case VG_ONE_MINUS_SRC_COLOR: *out = MTLBlendFactorOneMinusSourceColor; return true;
    case VG_DST_COLOR: *out = MTLBlendFactorDestinationColor; return true;
    case VG_ONE_MINUS_DST_COLOR: *out = MTLBlendFactorOneMinusDestinationColor; return true;
    case VG_SRC_ALPHA: *out = MTLBlendFactorSourceAlpha; return true;
    case VG_ONE_MINUS_SRC_ALPHA: *out = MTLBlendFactorOneMinusSourceAlpha; return true;
    case VG_DST_ALPHA: *out = MTLBlendFactorDestinationAlpha; return true;
    case VG_ONE_MINUS_DST_ALPHA: *out = MTLBlendFactorOneMinusDestinationAlpha; return true;
    case VG_SRC_ALPHA_SATURATE: *out = MTLBlendFactorSourceAlphaSaturated; return true;
    default: return false;
  }
}

// Inverse of an affine transform (a, b, c, d, e, f) into three float4 columns; the
// identity when the transform is (nearly) singular or the inverse is not finite.
void inverseToMat3(float* m, const float* t) {
  const double det = double(t[0]) * t[3] - double(t[2]) * t[1];
  double inv[6] = {1, 0, 0, 1, 0, 0};
  if (std::fabs(det) >= 1e-6) {
    const double invdet = 1.0 / det;
    const double r[6] = {t[3] * invdet,
                         -t[1] * invdet,
                         -t[2] * invdet,
                         t[0] * invdet,
                         (double(t[2]) * t[5] - double(t[3]) * t[4]) * invdet,
                         (double(t[1]) * t[4] - double(t[0]) * t[5]) * invdet};
    bool finite = true;
    for (double v : r) finite = finite && std::fabs(v) <= double(FLT_MAX);
    if (finite) std::memcpy(inv, r, sizeof(inv));
  }
  const float cols[12] = {float(inv[0]), float(inv[1]), 0, 0, float(inv[2]), float(inv[3]), 0, 0,
                          float(inv[4]), float(inv[5]), 1, 0};
  std::memcpy(m, cols, sizeof(cols));
}

void premultiplied(float* out, const VGcolor& c) {
  out[0] = c.r * c.a;
  out[1] = c.g * c.a;
  out[2] = c.b * c.a;
  out[3] = c.a;
}

// Copies a path's stroke vertices into a strip with its first and last vertex repeated,
// so consecutive paths join through degenerate triangles.
VGvertex* appendStrip(VGvertex* dst, const VGpath& p) {
  if (p.nstroke <= 0) return dst;
  *dst++ = p.stroke[0];
  std::memcpy(dst, p.stroke, sizeof(VGvertex) * size_t(p.nstroke));
  dst += p.nstroke;
  *dst++ = p.stroke[p.nstroke - 1];
  return dst;
}

// A single rectangle along the axes with its edges on pixel boundaries, filled source-over
// (its fan drawn in by half a fringe from bounds, its fringe around it): the fringe draws only
// the pixels just inside the edges, at a coverage of exactly one as the inside draws them, and
// those just outside, at a coverage of zero, which source-over leaves as they are. The whole
// rectangle without the fringe draws the same pixels in the same colours, without the fringe's
// one-pixel spans down each side. Its corners go to rect.
bool pixelAlignedRect(const VGpath* paths, int npaths, const float* bounds, float fringe,
                      const VGcompositeOperationState& op, VGvertex rect[4]) {
  if (op.srcRGB != VG_ONE || op.dstRGB != VG_ONE_MINUS_SRC_ALPHA || op.srcAlpha != VG_ONE ||
      op.dstAlpha != VG_ONE_MINUS_SRC_ALPHA)
    return false;
  if (npaths != 1 || !paths[0].convex || paths[0].nfill != 4 || paths[0].nstroke <= 0 || !bounds) return false;
  if (!(fringe > 0.0f) || !std::isfinite(fringe)) return false;
  const double x0 = bounds[0], y0 = bounds[1], x1 = bounds[2], y1 = bounds[3], f = fringe;
  if (!(x1 - x0 >= f) || !(y1 - y0 >= f)) return false;
  const double tolerance = 1e-4 * f;
  auto onBoundary = [&](double v) {
    const double p = v / f;
    return std::fabs(p) < 1e7 && std::fabs(p - std::round(p)) <= 1e-4;
  };
  if (!onBoundary(x0) || !onBoundary(y0) || !onBoundary(x1) || !onBoundary(y1)) return false;
  int corners = 0;
  for (int i = 0; i < 4; i++) {
    const VGvertex& v = paths[0].fill[i];
    if (v.u != 0.5f || v.v != 1.0f) return false;
    const bool left = std::fabs(v.x - (x0 + f / 2)) <= tolerance, right = std::fabs(v.x - (x1 - f / 2)) <= tolerance;
    const bool top = std::fabs(v.y - (y0 + f / 2)) <= tolerance, bottom = std::fabs(v.y - (y1 - f / 2)) <= tolerance;
    if (left == right || top == bottom) return false;
    corners |= 1 << ((right ? 1 : 0) + (bottom ? 2 : 0));
    rect[i] = VGvertex{right ? bounds[2] : bounds[0], bottom ? bounds[3] : bounds[1], 0.5f, 1.0f};
  }
  return corners == 15;
}

}  // namespace

MVGblend MVGcontext_vORBEX9_au::blendCompositeOperation(VGcompositeOperationState op) {
  MVGblend b;
  if (!mapFactor(op.srcRGB, &b.srcRGB) || !mapFactor(op.dstRGB, &b.dstRGB) || !mapFactor(op.srcAlpha, &b.srcAlpha) ||
      !mapFactor(op.dstAlpha, &b.dstAlpha))
    return MVGblend{MTLBlendFactorOne, MTLBlendFactorOneMinusSourceAlpha, MTLBlendFactorOne,
                    MTLBlendFactorOneMinusSourceAlpha};
  return b;
}

int MVGcontext_vORBEX9_au::convertPaintForFrag(MVGfragUniforms* frag, const VGpaint* paint,
                                               const VGscissor* scissor, float width, float fringe,
                                               float strokeThr) const {
  std::memset(frag, 0, sizeof(MVGfragUniforms));
  // A fringe of zero or less would divide the scales by zero.
  if (!(fringe > 0.0f) || !std::isfinite(fringe)) fringe = 1.0f;
  premultiplied(frag->innerCol, paint->innerColor);
  premultiplied(frag->outerCol, paint->outerColor);
  if (scissor->extent[0] < -0.5f || scissor->extent[1] < -0.5f) {
    frag->scissorExt[0] = frag->scissorExt[1] = 1.0f;
    frag->scissorScale[0] = frag->scissorScale[1] = 1.0f;
  } else {
    const float* x = scissor->xform;
    inverseToMat3(frag->scissorMat, x);
    frag->scissorExt[0] = scissor->extent[0];
    frag->scissorExt[1] = scissor->extent[1];
    frag->scissorScale[0] = std::sqrt(x[0] * x[0] + x[2] * x[2]) / fringe;
    frag->scissorScale[1] = std::sqrt(x[1] * x[1] + x[3] * x[3]) / fringe;
    for (float& s : frag->scissorScale)
      if (!std::isfinite(s)) s = 1.0f;
  }
  frag->extent[0] = paint->extent[0];
  frag->extent[1] = paint->extent[1];
  frag->strokeMult = (width * 0.5f + fringe * 0.5f) / fringe;
  frag->strokeThr = strokeThr;
  if (paint->image != 0) {
    const MVGtexture_vORBEX9_au* tex = findTexture(paint->image);
    if (!tex) return 0;
    if (tex->flags & VG_IMAGE_FLIPY) {
      // Mirror y about half the extent's height in paint space, then the paint transform.
      const float* p = paint->xform;
      const float h = paint->extent[1];
      const float m[6] = {p[0], p[1], -p[2], -p[3], p[2] * h + p[4], p[3] * h + p[5]};
      inverseToMat3(frag->paintMat, m);
    } else {
      inverseToMat3(frag->paintMat, paint->xform);
    }
    frag->type = MVG_SHADER_FILLIMG;
    if (tex->type == VG_TEXTURE_RGBA)
      frag->texType = (tex->flags & VG_IMAGE_PREMULTIPLIED) ? MVG_TEX_PREMULT : MVG_TEX_STRAIGHT;
    else
      frag->texType = MVG_TEX_ALPHA;
  } else {
    frag->type = MVG_SHADER_FILLGRAD;
    frag->radius = paint->radius;
    frag->feather = paint->feather;
    inverseToMat3(frag->paintMat, paint->xform);
  }
  return 1;
}

void MVGcontext_vORBEX9_au::renderFill(const VGpaint* paint, VGcompositeOperationState op, const VGscissor* scissor,
                                       float fringe, const float* bounds, const VGpath* paths, int npaths) {
  if (!paths || npaths < 0) return;
  VGvertex rect[4];
  VGpath whole;
  if (pixelAlignedRect(paths, npaths, bounds, fringe, op, rect)) {
    whole = paths[0];
    whole.fill = rect;
    whole.stroke = nullptr;
    whole.nstroke = 0;
    paths = &whole;
  }
  MVGcall* call = allocCall();
  if (!call) return;
  MVGbuffers_vORBEX9_au* b = buffers;
  call->type = MVG_FILL;
  call->triangleCount = 4;
  call->image = paint->image;
  call->blend = blendCompositeOperation(op);
  if (npaths == 1 && paths[0].convex) {
    call->type = MVG_CONVEXFILL;
    call->triangleCount = 0;
  }
  // Counts, in 64 bits so that absurd paths are refused instead of overflowing.
  long long nfill = 0, nindexes = 0, nfringe = 0;
  for (int i = 0; i < npaths; i++) {
    const VGpath& p = paths[i];
    if (p.nfill >= 3) {
      nfill += p.nfill;
      nindexes += 3LL * (p.nfill - 2);
    }
    if (p.nstroke > 0) nfringe += p.nstroke + 2;
  }
  const long long block = nfill + nfringe + call->triangleCount;
  int vertOffset = -1, indexOffset = -1, uniformOffset = -1;
  if (block <= (1 << 24) && nindexes <= (1 << 24)) {
    vertOffset = allocVerts(int(block));
    if (vertOffset != -1) indexOffset = allocIndexes(int(nindexes));
  }
  if (indexOffset != -1) uniformOffset = allocFragUniforms(1);
  if (uniformOffset == -1) {
    b->ncalls--;
    return;
  }
  call->indexOffset = indexOffset;
  call->indexCount = int(nindexes);
  const int stripStart = vertOffset + int(block - nfringe);
  call->strokeOffset = stripStart + 1;
  call->strokeCount = int(nfringe) - 2;

  VGvertex* verts = b->verts;
  uint32_t* idx = b->indexes ? b->indexes + indexOffset : nullptr;
  int pos = vertOffset;
  VGvertex* strip = verts + stripStart;
  for (int i = 0; i < npaths; i++) {
    const VGpath& p = paths[i];
    if (p.nfill >= 3) {
      std::memcpy(verts + pos, p.fill, sizeof(VGvertex) * size_t(p.nfill));
      for (int k = 2; k < p.nfill; k++) {
        *idx++ = uint32_t(pos);
        *idx++ = uint32_t(pos + k - 1);
        *idx++ = uint32_t(pos + k);
      }
      pos += p.nfill;
    }
    strip = appendStrip(strip, p);
  }
  if (call->type == MVG_FILL) {
    call->triangleOffset = pos;
    VGvertex* q = verts + pos;
    q[0] = VGvertex{bounds[2], bounds[3], 0.5f, 1.0f};
    q[1] = VGvertex{bounds[2], bounds[1], 0.5f, 1.0f};
    q[2] = VGvertex{bounds[0], bounds[3], 0.5f, 1.0f};
    q[3] = VGvertex{bounds[0], bounds[1], 0.5f, 1.0f};
  }
  call->uniformOffset = uniformOffset;
  // A paint whose image no longer exists would draw a meaningless solid: drop the call.
  if (!convertPaintForFrag(fragUniformAtIndex(uniformOffset), paint, scissor, fringe, fringe, -1.0f)) b->ncalls--;
}

void MVGcontext_vORBEX9_au::renderStroke(const VGpaint* paint, VGcompositeOperationState op,
                                         const VGscissor* scissor, float fringe, float strokeWidth,
                                         const VGpath* paths, int npaths) {
  if (!paths || npaths < 0) return;
  MVGcall* call = allocCall();
  if (!call) return;
  MVGbuffers_vORBEX9_au* b = buffers;
  call->type = MVG_STROKE;
  call->image = paint->image;
  call->blend = blendCompositeOperation(op);
  long long nverts = 0, nstrip = 0;
  for (int i = 0; i < npaths; i++) {
    if (paths[i].nfill >= 3) nverts += paths[i].nfill;
    if (paths[i].nstroke > 0) nstrip += paths[i].nstroke + 2;
  }
  nverts += nstrip;
  const bool stencilStrokes = flags & MVG_STENCIL_STROKES;
  int offset = nverts <= (1 << 24) ? allocVerts(int(nverts)) : -1;
  int uniformOffset = offset != -1 ? allocFragUniforms(stencilStrokes ? 2 : 1) : -1;
  if (uniformOffset == -1) {
    b->ncalls--;
    return;
  }
  call->strokeOffset = offset + 1;
  call->strokeCount = int(nstrip) - 2;
  VGvertex* strip = b->verts + offset;
  for (int i = 0; i < npaths; i++) strip = appendStrip(strip, paths[i]);
  call->uniformOffset = uniformOffset;
  int ok = convertPaintForFrag(fragUniformAtIndex(uniformOffset), paint, scissor, strokeWidth, fringe, -1.0f);
  if (ok && stencilStrokes)
    ok = convertPaintForFrag(fragUniformAtIndex(uniformOffset + fragSize), paint, scissor, strokeWidth, fringe,
                             1.0f - 0.5f / 255.0f);
  if (!ok) b->ncalls--;
}

void MVGcontext_vORBEX9_au::renderTriangles(const VGpaint* paint, VGcompositeOperationState op,
                                            const VGscissor* scissor, const VGvertex* verts, int nverts,
                                            float fringe) {
  if (!verts || nverts <= 0) return;
  MVGcall* call = allocCall();
  if (!call) return;
  MVGbuffers_vORBEX9_au* b = buffers;
  call->type = MVG_TRIANGLES;
  call->image = paint->image;
  call->blend = blendCompositeOperation(op);
  const int offset = allocVerts(nverts);
  const int uniformOffset = offset != -1 ? allocFragUniforms(1) : -1;
  if (uniformOffset == -1) {
    b->ncalls--;
    return;
  }
  call->triangleOffset = offset;
  call->triangleCount = nverts;
  std::memcpy(b->verts + offset, verts, sizeof(VGvertex) * size_t(nverts));
  call->uniformOffset = uniformOffset;
  MVGfragUniforms* frag = fragUniformAtIndex(uniformOffset);
  if (!convertPaintForFrag(frag, paint, scissor, 1.0f, fringe, -1.0f)) {
    b->ncalls--;
    return;
  }
  frag->type = MVG_SHADER_IMG;
}

}  // namespace fx::gfx
