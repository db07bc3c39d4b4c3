// The renderer's shader programs and the library blob that names them.
//
// vertexShader: vertex (x, y, u, v) in view points, view size in points at vertex buffer
// 1; out: clip position, varyings (x, y, u, v).
// fragmentShader / fragmentShaderAA: the uniform record at fragment buffer 0, texture and
// sampler 0. The AA variant fades by the fringe coverage in (u, v) and discards below the
// record's stroke threshold.
#include <Metal/MTLSampling.h>
#include <Metal/MTLTexelBytes.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>

#include "graphics/mac/MVGContext.h"

namespace fx::gfx {

namespace {

void vertexShader(const MTLVertexIn& in, MTLVertexOut& out) {
  float vw = 1.0f, vh = 1.0f;
  const MTLShaderBuffer& vs = in.buffers[1];
  if (vs.bytes && vs.length >= 2 * sizeof(float)) {
    std::memcpy(&vw, vs.bytes, sizeof(float));
    std::memcpy(&vh, vs.bytes + sizeof(float), sizeof(float));
  }
  const float x = in.attributes[0][0], y = in.attributes[0][1];
  out.position[0] = 2.0f * x / vw - 1.0f;
  out.position[1] = 1.0f - 2.0f * y / vh;
  out.position[2] = 0.0f;
  out.position[3] = 1.0f;
  out.varyings[0] = x;
  out.varyings[1] = y;
  out.varyings[2] = in.attributes[1][0];
  out.varyings[3] = in.attributes[1][1];
}

inline float minf(float a, float b) { return std::min(a, b); }
inline float maxf(float a, float b) { return std::max(a, b); }
inline float clamp01(float v) { return minf(maxf(v, 0.0f), 1.0f); }

constexpr int kChunk = 64;

inline bool scissored(const MVGfragUniforms& u) {
  const float* m = u.scissorMat;
  return m[0] != 0 || m[1] != 0 || m[4] != 0 || m[5] != 0 || m[8] != 0 || m[9] != 0;
}

// Whether the pixels first .. first + n - 1 of the span lie inside the scissor rectangle
// with a mask of exactly 1, as coverage() computes it. A rotated rectangle: distances
// outside it (in fringes) at the run's ends, with a bound on their rounding; along a row
// they are convex, so when both ends lie clearly inside, every pixel between does.
bool insideScissor(const MVGfragUniforms& u, const float* v, const float* d, int first, int n) {
  const float* m = u.scissorMat;
  const float m0 = m[0], m1 = m[1], m4 = m[4], m5 = m[5], m8 = m[8], m9 = m[9];
  const float ex = u.scissorExt[0], ey = u.scissorExt[1], sx = u.scissorScale[0], sy = u.scissorScale[1];
  if (m1 == 0.0f && m4 == 0.0f && d[1] == 0.0f) {
    // An axis-aligned rectangle and a span along x: the mask's y factor is the same at every
    // pixel, and the x distance, computed as coverage() computes it, rises monotonically
    // away from the centre, so its largest values are at the ends: ends whose x factor
    // is exactly 1 hold every pixel at 1.
    const float y = v[1] + d[1] * float(first);
    auto xFactor = [&](int i) {
      const float x = v[0] + d[0] * float(first + i);
      return clamp01(0.5f - (std::fabs(m0 * x + m4 * y + m8) - ex) * sx);
    };
    const float yFactor = clamp01(0.5f - (std::fabs(m1 * v[0] + m5 * y + m9) - ey) * sy);
    return yFactor == 1.0f && xFactor(0) == 1.0f && xFactor(n - 1) == 1.0f;
  }
  auto outside = [&](int i, float& bound) {
    const float fi = float(first + i);
    const float x = v[0] + d[0] * fi, y = v[1] + d[1] * fi;
    const float px = m0 * x + m4 * y + m8, py = m1 * x + m5 * y + m9;
    const float bx = (std::fabs(m0 * x) + std::fabs(m4 * y) + std::fabs(m8) + std::fabs(ex)) * sx;
    const float by = (std::fabs(m1 * x) + std::fabs(m5 * y) + std::fabs(m9) + std::fabs(ey)) * sy;
    bound = 4e-6f * maxf(bx, by);
    return maxf((std::fabs(px) - ex) * sx, (std::fabs(py) - ey) * sy);
  };
  float b0 = 0, b1 = 0;
  return n >= 8 && maxf(outside(0, b0), outside(n - 1, b1)) <= -0.5f - 2.0f * maxf(b0, b1) - 1e-6f;
}

// Whether a span lies on a row outside an axis-aligned scissor rectangle: its mask is 0 at
// every pixel, computed as coverage() computes it (the rectangle's y does not change along
// the span).
bool rowOutsideScissor(const MVGfragUniforms& u, const float* v, const float* d) {
  const float* m = u.scissorMat;
  if (!scissored(u) || m[1] != 0.0f || d[1] != 0.0f) return false;
  const float ay = std::fabs(m[1] * v[0] + m[5] * v[1] + m[9]) - u.scissorExt[1];
  return clamp01(0.5f - ay * u.scissorScale[1]) == 0.0f;
}

// Fringe coverage of a span along which (u, v) do not change (fill interiors and cover quads).
inline float flatFringe(const MVGfragUniforms& u, const float* v) {
  return minf(1.0f, (1.0f - std::fabs(v[2] * 2.0f - 1.0f)) * u.strokeMult) * minf(1.0f, v[3]);
}

// Coverage of a chunk of pixels: scissor mask times (with anti-aliasing) the fringe
// coverage from (u, v). Returns false when every pixel of the chunk is discarded; full
// tells that every pixel is kept at a coverage of exactly 1.
template <bool kAntiAlias>
bool coverage(const MVGfragUniforms& u, const float* v, const float* d, int first, int n, float* cov,
              unsigned char* discard, bool& full) {
  for (int i = 0; i < n; i++) cov[i] = 1.0f;
  full = true;
  if (scissored(u) && !insideScissor(u, v, d, first, n)) {
    const float* m = u.scissorMat;
    const float m0 = m[0], m1 = m[1], m4 = m[4], m5 = m[5], m8 = m[8], m9 = m[9];
    const float ex = u.scissorExt[0], ey = u.scissorExt[1], sx = u.scissorScale[0], sy = u.scissorScale[1];
    // Pixels on the rectangle's inner edge are whole too.
    bool whole = true;
    for (int i = 0; i < n; i++) {
      const float fi = float(first + i);
      const float x = v[0] + d[0] * fi, y = v[1] + d[1] * fi;
      const float ax = std::fabs(m0 * x + m4 * y + m8) - ex;
      const float ay = std::fabs(m1 * x + m5 * y + m9) - ey;
      cov[i] = clamp01(0.5f - ax * sx) * clamp01(0.5f - ay * sy);
      whole &= cov[i] == 1.0f;
    }
    full = whole;
  }
  if constexpr (kAntiAlias) {
    const float vu = v[2], vv = v[3], du = d[2], dv = d[3], mult = u.strokeMult, thr = u.strokeThr;
    if (du == 0.0f && dv == 0.0f) {
      const float a = flatFringe(u, v);
      if (a < thr) {
        std::memset(discard, 1, size_t(n));
        full = false;
        return false;
      }
      if (a != 1.0f) {
        for (int i = 0; i < n; i++) cov[i] *= a;
        full = false;
      }
      return true;
    }
    full = false;
    float fringe[kChunk];
    int below = 0;
    for (int i = 0; i < n; i++) {
      const float fi = float(first + i);
      const float tu = vu + du * fi, tv = vv + dv * fi;
      const float a = minf(1.0f, (1.0f - std::fabs(tu * 2.0f - 1.0f)) * mult) * minf(1.0f, tv);
      fringe[i] = a;
      below += a < thr ? 1 : 0;
      cov[i] *= a;
    }
    if (below == 0) return true;
    bool any = false;
    for (int i = 0; i < n; i++) {
      discard[i] = fringe[i] < thr;
      any |= !discard[i];
    }
    return any;
  }
  return true;
}

// Texture coordinates of an image paint from pixel first of a span on. Paint space is
// affine in the frame, so they run linearly along the span.
struct ImageRun {
  float u0, du, v0, dv, dudy, dvdy;
};

ImageRun imageRun(const MVGfragUniforms& u, const float* v, const float* d, const float* dy, int first) {
  const float* pm = u.paintMat;
  const float ex = u.extent[0] != 0.0f ? u.extent[0] : 1.0f, ey = u.extent[1] != 0.0f ? u.extent[1] : 1.0f;
  const float x0 = v[0] + d[0] * float(first), y0 = v[1] + d[1] * float(first);
  return {(pm[0] * x0 + pm[4] * y0 + pm[8]) / ex,    (pm[0] * d[0] + pm[4] * d[1]) / ex,
          (pm[1] * x0 + pm[5] * y0 + pm[9]) / ey,    (pm[1] * d[0] + pm[5] * d[1]) / ey,
          (pm[0] * dy[0] + pm[4] * dy[1]) / ex, (pm[1] * dy[0] + pm[5] * dy[1]) / ey};
}

// The image's texels for n pixels from first handed over as bytes, where they can be.
bool handOver(const MTLFragmentSpan& span, const MVGfragUniforms& u, const ImageRun& r, int n, int first,
              unsigned char* discard) {
  return mtlsw::texelBytes(span.textures[0], span.samplers[0], r.u0, r.du, r.v0, r.dv, n, r.dudy, r.dvdy,
                           u.texType == MVG_TEX_PREMULT, span.zeroKeeps, span.texels + first, discard + first);
}

// A chunk whose pixels are each wholly covered or not at all (cut by the scissor
// rectangle): the uncovered ones keep their pixels (transparent black, their colour times
// 0) or stay discarded, the covered runs are handed over. False, with the flags as they
// were, where a run cannot be.
bool handOverCut(const MTLFragmentSpan& span, const MVGfragUniforms& u, const float* cov, int first, int n,
                 unsigned char* discard) {
  for (int i = 0; i < n; i++)
    if (cov[i] != 0.0f && cov[i] != 1.0f) return false;
  const float *v = span.varyings, *d = span.dvdx, *dy = span.dvdy;
  for (int i = 0; i < n;) {
    int j = i;
    while (j < n && cov[j] == 1.0f) j++;
    if (j > i && !handOver(span, u, imageRun(u, v, d, dy, first + i), j - i, first + i, discard)) {
      for (int k = 0; k < i; k++)
        if (cov[k] == 1.0f) discard[first + k] = kMTLFragmentShaded;
      return false;
    }
    for (i = j; i < n && cov[i] == 0.0f; i++)
      if (discard[first + i] == kMTLFragmentShaded) discard[first + i] = kMTLFragmentKeep;
  }
  return true;
}

template <bool kAntiAlias>
void fragmentProgram(const MTLFragmentSpan& span, float* const* rgba, unsigned char* discard) {
  const MTLShaderBuffer& ub = span.buffers[0];
  if (!ub.bytes || ub.length < sizeof(MVGfragUniforms)) {
    std::memset(discard, 1, size_t(span.count));
    return;
  }
  // Records are written as MVGfragUniforms at 256-byte offsets of the uniform buffer.
  const MVGfragUniforms& u = *reinterpret_cast<const MVGfragUniforms*>(ub.bytes);
  const MTLTexture* tex = span.textures[0];
  const MTLSamplerState* smp = span.samplers[0];
  const float* v = span.varyings;
  const float* d = span.dvdx;
  const float* dy = span.dvdy;
  const float* pm = u.paintMat;
  const float feather = u.feather > 1e-6f ? u.feather : 1e-6f;
  const float invFeather = 1.0f / feather;
  const bool solid = u.type == MVG_SHADER_FILLGRAD && u.innerCol[0] == u.outerCol[0] &&
                     u.innerCol[1] == u.outerCol[1] && u.innerCol[2] == u.outerCol[2] &&
                     u.innerCol[3] == u.outerCol[3];
  // An image whose texels the paint passes on as they are.
  const bool imageUnchanged = u.type == MVG_SHADER_FILLIMG && u.texType != MVG_TEX_ALPHA && u.innerCol[0] == 1.0f &&
                              u.innerCol[1] == 1.0f && u.innerCol[2] == 1.0f && u.innerCol[3] == 1.0f;
  // Outside the scissor rectangle every colour is transparent black: such pixels are left
  // as they are (or discarded where the fringe discards them all).
  if (rowOutsideScissor(u, v, d) && (!kAntiAlias || u.type == MVG_SHADER_IMG || (d[2] == 0.0f && d[3] == 0.0f))) {
    if (kAntiAlias && u.type != MVG_SHADER_IMG && flatFringe(u, v) < u.strokeThr) {
      std::memset(discard, kMTLFragmentDiscard, size_t(span.count));
    } else if (span.zeroKeeps) {
      std::memset(discard, kMTLFragmentKeep, size_t(span.count));
    } else {
      for (int k = 0; k < 4; k++) std::memset(rgba[k], 0, size_t(span.count) * sizeof(float));
    }
    return;
  }
  // A run whose every pixel is wholly covered goes in one piece where it can (no chunks).
  if (span.texels && imageUnchanged &&
      (!kAntiAlias || (d[2] == 0.0f && d[3] == 0.0f && flatFringe(u, v) == 1.0f && !(1.0f < u.strokeThr))) &&
      (!scissored(u) || insideScissor(u, v, d, 0, span.count)) &&
      handOver(span, u, imageRun(u, v, d, dy, 0), span.count, 0, discard))
    return;
  float cov[kChunk], t[kChunk];
  for (int first = 0; first < span.count; first += kChunk) {
    const int n = std::min(kChunk, span.count - first);
    float* __restrict r = rgba[0] + first;
    float* __restrict g = rgba[1] + first;
    float* __restrict b = rgba[2] + first;
    float* __restrict a = rgba[3] + first;
    // Glyph quads carry atlas coordinates in (u, v), not fringe coverage.
    bool full = false;
    const bool covered = u.type == MVG_SHADER_IMG ? coverage<false>(u, v, d, first, n, cov, discard + first, full)
                                                   : coverage<kAntiAlias>(u, v, d, first, n, cov, discard + first, full);
    if (!covered) continue;
    if (u.type == MVG_SHADER_FILLGRAD) {
      const float c0 = u.innerCol[0], c1 = u.innerCol[1], c2 = u.innerCol[2], c3 = u.innerCol[3];
      if (solid) {
        for (int i = 0; i < n; i++) r[i] = c0 * cov[i], g[i] = c1 * cov[i], b[i] = c2 * cov[i], a[i] = c3 * cov[i];
        continue;
      }
      const float rx = u.extent[0] - u.radius, ry = u.extent[1] - u.radius, rad = u.radius;
      const float p0 = pm[0], p1 = pm[1], p4 = pm[4], p5 = pm[5], p8 = pm[8], p9 = pm[9];
      const float vx = v[0], vy = v[1], dvx = d[0], dvy = d[1], halfFeather = feather * 0.5f;
      // Along a span where the paint's y does not change and x stays inside the box (a
      // linear gradient across the span's direction), the ramp is constant.
      if (p1 * dvx + p5 * dvy == 0.0f) {
        const float xa = vx + dvx * float(first), ya = vy + dvy * float(first);
        const float xb = vx + dvx * float(first + n - 1), yb = vy + dvy * float(first + n - 1);
        const float py = p1 * xa + p5 * ya + p9;
        const float dy = std::fabs(py) - ry;
        const float dxa = std::fabs(p0 * xa + p4 * ya + p8) - rx, dxb = std::fabs(p0 * xb + p4 * yb + p8) - rx;
        if (maxf(dxa, dxb) <= minf(dy, 0.0f)) {
          const float tc = clamp01((dy - rad + halfFeather) * invFeather);
          const float k0 = c0 + (u.outerCol[0] - c0) * tc, k1 = c1 + (u.outerCol[1] - c1) * tc;
          const float k2 = c2 + (u.outerCol[2] - c2) * tc, k3 = c3 + (u.outerCol[3] - c3) * tc;
          for (int i = 0; i < n; i++) r[i] = k0 * cov[i], g[i] = k1 * cov[i], b[i] = k2 * cov[i], a[i] = k3 * cov[i];
          continue;
        }
      }
      for (int i = 0; i < n; i++) {
        const float fi = float(first + i);
        const float x = vx + dvx * fi, y = vy + dvy * fi;
        const float px = p0 * x + p4 * y + p8, py = p1 * x + p5 * y + p9;
        // Signed distance to the rounded box.
        const float dx = std::fabs(px) - rx, dy = std::fabs(py) - ry;
        const float ox = maxf(dx, 0.0f), oy = maxf(dy, 0.0f);
        const float dist = minf(maxf(dx, dy), 0.0f) + std::sqrt(ox * ox + oy * oy) - rad;
        t[i] = clamp01((dist + halfFeather) * invFeather);
      }
      const float e0 = u.outerCol[0] - c0, e1 = u.outerCol[1] - c1, e2 = u.outerCol[2] - c2, e3 = u.outerCol[3] - c3;
      for (int i = 0; i < n; i++) {
        r[i] = (c0 + e0 * t[i]) * cov[i];
        g[i] = (c1 + e1 * t[i]) * cov[i];
        b[i] = (c2 + e2 * t[i]) * cov[i];
        a[i] = (c3 + e3 * t[i]) * cov[i];
      }
      continue;
    }
    float* planes[4] = {r, g, b, a};
    if (u.type == MVG_SHADER_FILLIMG) {
      const ImageRun run = imageRun(u, v, d, dy, first);
      // Texels that reach the pixel unchanged (full coverage, white paint) are handed over
      // as bytes: a bitmap drawn at its own size or twice it, a framebuffer copied to the
      // drawable.
      if (span.texels && imageUnchanged &&
          (full ? handOver(span, u, run, n, first, discard)
                : span.zeroKeeps && handOverCut(span, u, cov, first, n, discard)))
        continue;
      mtlsw::sampleSpan(tex, smp, run.u0, run.du, run.v0, run.dv, n, planes, run.dudy, run.dvdy);
    } else {
      mtlsw::sampleSpan(tex, smp, v[2] + d[2] * float(first), d[2], v[3] + d[3] * float(first), d[3], n, planes,
                        dy[2], dy[3]);
    }
    if (u.texType == MVG_TEX_STRAIGHT) {
      for (int i = 0; i < n; i++) r[i] *= a[i], g[i] *= a[i], b[i] *= a[i];
    } else if (u.texType == MVG_TEX_ALPHA) {
      for (int i = 0; i < n; i++) g[i] = b[i] = a[i] = r[i];
    }
    const float c0 = u.innerCol[0], c1 = u.innerCol[1], c2 = u.innerCol[2], c3 = u.innerCol[3];
    for (int i = 0; i < n; i++) {
      const float k = cov[i];
      r[i] *= c0 * k, g[i] *= c1 * k, b[i] *= c2 * k, a[i] *= c3 * k;
    }
  }
}

// Library blob: "MTLB", version 1, three functions.
const unsigned char kLibrary[] = {
    'M', 'T', 'L', 'B', 1, 0, 0, 0, 3, 0, 0, 0,
    1, 'v', 'e', 'r', 't', 'e', 'x', 'S', 'h', 'a', 'd', 'e', 'r', 0,
    2, 'f', 'r', 'a', 'g', 'm', 'e', 'n', 't', 'S', 'h', 'a', 'd', 'e', 'r', 0,
    2, 'f', 'r', 'a', 'g', 'm', 'e', 'n', 't', 'S', 'h', 'a', 'd', 'e', 'r', 'A', 'A', 0,
};

}  // namespace

void mvgRegisterShaderPrograms() {
  static std::once_flag once;
  std::call_once(once, [] {
    MTLRegisterProgram("vertexShader", MTLFunctionTypeVertex, reinterpret_cast<void*>(&vertexShader), 4);
    MTLRegisterProgram("fragmentShader", MTLFunctionTypeFragment, reinterpret_cast<void*>(&fragmentProgram<false>),
                       0);
    MTLRegisterProgram("fragmentShaderAA", MTLFunctionTypeFragment, reinterpret_cast<void*>(&fragmentProgram<true>),
                       0);
  });
}

const unsigned char* mvgShaderLibraryBytes(size_t* size) {
  if (size) *size = sizeof(kLibrary);
  return kLibrary;
}

}  // namespace fx::gfx
