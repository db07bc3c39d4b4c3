// Replay of a render pass: vertex fetch and programs, triangle setup in 24.8 fixed point,
// span rasterisation at pixel centres with the top-left rule (so triangles sharing an
// edge cover each pixel exactly once), the stencil test and operations per face, the
// fragment program per run of surviving pixels, and colour blending.
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <vector>

#include <Metal/MTLDevice.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "Recorded.h"
#include "SourceOver.h"

namespace mtlsw {
namespace {

// Triangles reaching further out than this (in pixels) are clipped first; it keeps every
// edge function product inside 64 bits.
constexpr double kMaxCoord = double(1 << 21);
constexpr int kSubBits = 8;
constexpr int64_t kSub = 1 << kSubBits;

struct ScreenVertex {
  int64_t X, Y;    // 24.8 fixed point (inside the band only)
  double sx, sy;   // window position
  float v[kMTLMaxVaryings];
  bool ok;         // finite
  bool inBand;     // within kMaxCoord: X, Y are valid
};

inline int64_t floorDiv(int64_t a, int64_t b) {  // b > 0
  int64_t q = a / b;
  if ((a % b != 0) && (a < 0)) q--;
  return q;
}
inline int64_t ceilDiv(int64_t a, int64_t b) { return -floorDiv(-a, b); }  // b > 0

inline unsigned char toByte(float v) {
  if (!(v > 0.0f)) return 0;
  if (v >= 1.0f) return 255;
  return static_cast<unsigned char>(v * 255.0f + 0.5f);
}

// Stencil operation on the pixels of a run whose flag is 1 (whenSet) or not 1 (all when
// flags is null): stencil-test results, or fragment flags where 1 is a discard. The
// operation is chosen once per run, not per pixel.
template <typename F>
inline void stencilLoop(unsigned char* st, int n, const unsigned char* flags, bool whenSet, uint32_t writeMask, F f) {
  for (int i = 0; i < n; i++) {
    if (flags && (flags[i] == 1) != whenSet) continue;
    const uint32_t v = st[i];
    st[i] = static_cast<unsigned char>(((v & ~writeMask) | (f(v) & writeMask)) & 0xFF);
  }
}

void stencilOps(MTLStencilOperation op, unsigned char* st, int n, const unsigned char* flags, bool whenSet,
                uint32_t ref, uint32_t writeMask) {
  switch (op) {
    case MTLStencilOperationZero: return stencilLoop(st, n, flags, whenSet, writeMask, [](uint32_t) { return 0u; });
    case MTLStencilOperationReplace:
      return stencilLoop(st, n, flags, whenSet, writeMask, [ref](uint32_t) { return ref; });
    case MTLStencilOperationIncrementClamp:
      return stencilLoop(st, n, flags, whenSet, writeMask, [](uint32_t v) { return v < 255 ? v + 1 : 255u; });
    case MTLStencilOperationDecrementClamp:
      return stencilLoop(st, n, flags, whenSet, writeMask, [](uint32_t v) { return v > 0 ? v - 1 : 0u; });
    case MTLStencilOperationInvert: return stencilLoop(st, n, flags, whenSet, writeMask, [](uint32_t v) { return ~v; });
    case MTLStencilOperationIncrementWrap:
      return stencilLoop(st, n, flags, whenSet, writeMask, [](uint32_t v) { return v + 1; });
    case MTLStencilOperationDecrementWrap:
      return stencilLoop(st, n, flags, whenSet, writeMask, [](uint32_t v) { return v - 1; });
    default: return;  // keep
  }
}

// Stencil test of a run: pass[i] = ref compared with the masked stencil value.
void stencilTest(MTLCompareFunction f, const unsigned char* st, int n, uint32_t readMask, uint32_t ref,
                 unsigned char* pass) {
  auto loop = [&](auto cmp) {
    for (int i = 0; i < n; i++) pass[i] = cmp(ref, st[i] & readMask);
  };
  switch (f) {
    case MTLCompareFunctionNever: std::memset(pass, 0, size_t(n)); return;
    case MTLCompareFunctionLess: return loop([](uint32_t r, uint32_t v) { return r < v; });
    case MTLCompareFunctionEqual: return loop([](uint32_t r, uint32_t v) { return r == v; });
    case MTLCompareFunctionLessEqual: return loop([](uint32_t r, uint32_t v) { return r <= v; });
    case MTLCompareFunctionGreater: return loop([](uint32_t r, uint32_t v) { return r > v; });
    case MTLCompareFunctionNotEqual: return loop([](uint32_t r, uint32_t v) { return r != v; });
    case MTLCompareFunctionGreaterEqual: return loop([](uint32_t r, uint32_t v) { return r >= v; });
    default: std::memset(pass, 1, size_t(n)); return;
  }
}

inline float blendFactor(MTLBlendFactor f, const float* src, const float* dst, int c) {
  switch (f) {
    case MTLBlendFactorZero: return 0.0f;
    case MTLBlendFactorOne: return 1.0f;
    case MTLBlendFactorSourceColor: return src[c];
    case MTLBlendFactorOneMinusSourceColor: return 1.0f - src[c];
    case MTLBlendFactorSourceAlpha: return src[3];
    case MTLBlendFactorOneMinusSourceAlpha: return 1.0f - src[3];
    case MTLBlendFactorDestinationColor: return dst[c];
    case MTLBlendFactorOneMinusDestinationColor: return 1.0f - dst[c];
    case MTLBlendFactorDestinationAlpha: return dst[3];
    case MTLBlendFactorOneMinusDestinationAlpha: return 1.0f - dst[3];
    case MTLBlendFactorSourceAlphaSaturated: return c == 3 ? 1.0f : std::min(src[3], 1.0f - dst[3]);
    default: return 0.0f;
  }
}

struct Face {
  const MTLStencilDescriptor* desc;
  uint32_t ref;
  bool active;
};

// Everything a draw needs while its spans are shaded.
struct DrawContext {
  MTLFragmentProgram fragment = nullptr;
  int varyings = 0;
  MTLShaderBuffer fragmentBuffers[kMTLMaxBufferBindings];
  const MTLTexture* textures[kMTLMaxTextureBindings];
  const MTLSamplerState* samplers[kMTLMaxTextureBindings];
  Face faces[2];  // back, front
  // Colour target.
  unsigned char* color = nullptr;
  NSUInteger colorPitch = 0;
  bool bgra = false;
  bool streamed = false;  // no program reads the target: replaced pixels may bypass the caches
  const MTLRenderPipelineColorAttachmentDescriptor* blend = nullptr;
  bool srcOver = false;
  // Stencil target.
  unsigned char* stencil = nullptr;
  NSUInteger stencilPitch = 0;
  // Clip rectangle in pixels [x0, x1) x [y0, y1).
  int clipX0 = 0, clipY0 = 0, clipX1 = 0, clipY1 = 0;
  // Scratch of the executing thread: four planes of the span's colour, discard and
  // stencil-pass flags.
  float* planes[4] = {};
  unsigned char* discard = nullptr;
  unsigned char* pass = nullptr;
  uint32_t* texels = nullptr;  // offered to the program when an opaque texel may replace a pixel
  bool zeroKeeps = false;
  // Change of each varying per row in the triangle being drawn.
  float dvdy[kMTLMaxVaryings] = {};
  // Rows of the stencil target the pass may have written: [stencilTop, stencilBottom).
  int stencilTop = INT_MAX, stencilBottom = 0;
};

// Per-thread buffers reused from pass to pass. Reached once per pass: the draw context
// itself lives on the stack, so span calls never go through thread-local lookups.
struct Scratch {
  std::vector<float> rgba;
  std::vector<unsigned char> discard, pass;
  std::vector<uint32_t> texels;
  std::vector<ScreenVertex> verts;
  std::vector<uint32_t> indices;
};

// Texels given by the program, as the target stores them. Into a target that nothing reads
// back (streamed), long runs go past the caches: the target's memory is not read first.
void copyTexels(unsigned char* d, const uint32_t* texels, int n, bool bgra, bool streamed = false) {
  if (!bgra && !(streamed && n >= 64)) {
    std::memcpy(d, texels, size_t(n) * 4);
    return;
  }
  auto swizzle = [bgra](uint32_t t) {
    return bgra ? (t & 0xFF00FF00u) | ((t & 0xFFu) << 16) | ((t >> 16) & 0xFFu) : t;
  };
  int i = 0;
#if defined(__SSE2__)
  if (streamed && n >= 64) {
    for (; (reinterpret_cast<uintptr_t>(d + 4 * i) & 15) != 0; i++) {
      const uint32_t s = swizzle(texels[i]);
      std::memcpy(d + 4 * i, &s, 4);
    }
    const __m128i ga = _mm_set1_epi32(int(0xFF00FF00u)), rb = _mm_set1_epi32(0x00FF00FF);
    for (; i + 4 <= n; i += 4) {
      __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(texels + i));
      if (bgra) {
        const __m128i c = _mm_and_si128(v, rb);
        v = _mm_or_si128(_mm_and_si128(v, ga), _mm_or_si128(_mm_slli_epi32(c, 16), _mm_srli_epi32(c, 16)));
      }
      _mm_stream_si128(reinterpret_cast<__m128i*>(d + 4 * i), v);
    }
  }
#endif
  for (; i < n; i++) {
    const uint32_t s = swizzle(texels[i]);
    std::memcpy(d + 4 * i, &s, 4);
  }
}

// End of the run of pixels flagged f from i + 1: sixteen flags at a time, then one by one.
inline int runEnd(const unsigned char* flags, int i, int n, unsigned char f) {
  int j = i + 1;
#if defined(__SSE2__)
  const __m128i want = _mm_set1_epi8(static_cast<char>(f));
  for (; j + 16 <= n; j += 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(flags + j));
    if (_mm_movemask_epi8(_mm_cmpeq_epi8(v, want)) != 0xFFFF) break;
  }
#endif
  while (j < n && flags[j] == f) j++;
  return j;
}

void blendRun(DrawContext& dc, int x, int y, int n, float* const* src, const unsigned char* discard) {
  unsigned char* d = dc.color + static_cast<NSUInteger>(y) * dc.colorPitch + static_cast<NSUInteger>(x) * 4;
  const int ri = dc.bgra ? 2 : 0, bi = dc.bgra ? 0 : 2;
  if (dc.srcOver) {
    for (int i = 0; i < n;) {
      const unsigned char f = discard[i];
      const int j = runEnd(discard, i, n, f);
      if (f == kMTLFragmentShaded)
        sourceOverSpan(d + 4 * i, src[0] + i, src[1] + i, src[2] + i, src[3] + i, j - i, dc.bgra);
      else if (f == kMTLFragmentTexel)
        copyTexels(d + 4 * i, dc.texels + i, j - i, dc.bgra, dc.streamed);
      else if (f == kMTLFragmentTexelOver)
        sourceOverTexels(d + 4 * i, dc.texels + i, j - i, dc.bgra);
      i = j;
    }
    return;
  }
  const MTLRenderPipelineColorAttachmentDescriptor& b = *dc.blend;
  const unsigned mask = static_cast<unsigned>(b.writeMask);
  const bool wr = mask & MTLColorWriteMaskRed, wg = mask & MTLColorWriteMaskGreen,
             wb = mask & MTLColorWriteMaskBlue, wa = mask & MTLColorWriteMaskAlpha;
  for (int i = 0; i < n; i++, d += 4) {
    if (discard[i] == kMTLFragmentTexel) {
      copyTexels(d, dc.texels + i, 1, dc.bgra);
      continue;
    }
    if (discard[i]) continue;
    const float s[4] = {src[0][i], src[1][i], src[2][i], src[3][i]};
    float out[4];
    if (b.blendingEnabled) {
      const float dst[4] = {d[ri] / 255.0f, d[1] / 255.0f, d[bi] / 255.0f, d[3] / 255.0f};
      for (int c = 0; c < 3; c++)
        out[c] = s[c] * blendFactor(b.sourceRGBBlendFactor, s, dst, c) +
                 dst[c] * blendFactor(b.destinationRGBBlendFactor, s, dst, c);
      out[3] = s[3] * blendFactor(b.sourceAlphaBlendFactor, s, dst, 3) +
               dst[3] * blendFactor(b.destinationAlphaBlendFactor, s, dst, 3);
    } else {
      std::memcpy(out, s, sizeof(out));
    }
    if (wr) d[ri] = toByte(out[0]);
    if (wg) d[1] = toByte(out[1]);
    if (wb) d[bi] = toByte(out[2]);
    if (wa) d[3] = toByte(out[3]);
  }
}

// A run of pixels that passed the stencil test: shade, then stencil pass op and colour
// for the pixels the program kept.
void shadeRun(DrawContext& dc, int x, int y, int n, const float* vary, const float* dvdx, const Face* face,
              unsigned char* st) {
  const bool passOp = face && face->desc->depthStencilPassOperation != MTLStencilOperationKeep;
  if (!dc.fragment || (!dc.color && !passOp)) {
    if (passOp)
      stencilOps(face->desc->depthStencilPassOperation, st, n, nullptr, false, face->ref, face->desc->writeMask);
    return;
  }
  MTLFragmentSpan span{x,          y,           n,           vary,          dvdx,
                       dc.dvdy,    dc.fragmentBuffers, dc.textures, dc.samplers, dc.texels,
                       dc.zeroKeeps};
  unsigned char* discard = dc.discard;
  // The flags are padded past the widest span: short spans clear a fixed 32 bytes.
  if (n <= 32)
    std::memset(discard, 0, 32);
  else
    std::memset(discard, 0, static_cast<size_t>(n));
  dc.fragment(span, dc.planes, discard);
  if (passOp)
    stencilOps(face->desc->depthStencilPassOperation, st, n, discard, false, face->ref, face->desc->writeMask);
  if (dc.color) blendRun(dc, x, y, n, dc.planes, discard);
}

void shadeSpan(DrawContext& dc, int x, int y, int n, const float* vary, const float* dvdx, bool front) {
  const Face& face = dc.faces[front ? 1 : 0];
  if (!face.active || !dc.stencil) {
    shadeRun(dc, x, y, n, vary, dvdx, nullptr, nullptr);
    return;
  }
  unsigned char* st = dc.stencil + static_cast<NSUInteger>(y) * dc.stencilPitch + x;
  dc.stencilTop = std::min(dc.stencilTop, y);
  dc.stencilBottom = std::max(dc.stencilBottom, y + 1);
  const MTLStencilDescriptor& s = *face.desc;
  const uint32_t rm = s.readMask, ref = face.ref & rm;
  unsigned char* pass = dc.pass;
  stencilTest(s.stencilCompareFunction, st, n, rm, ref, pass);
  stencilOps(s.stencilFailureOperation, st, n, pass, false, face.ref, s.writeMask);
  if (!dc.fragment) {
    // Stencil only: no program runs, so the passing pixels take their operation at once.
    stencilOps(s.depthStencilPassOperation, st, n, pass, true, face.ref, s.writeMask);
    return;
  }
  float v[kMTLMaxVaryings];
  for (int i = 0; i < n;) {
    if (!pass[i]) {
      i++;
      continue;
    }
    int j = i + 1;
    while (j < n && pass[j]) j++;
    for (int k = 0; k < dc.varyings; k++) v[k] = vary[k] + dvdx[k] * static_cast<float>(i);
    shadeRun(dc, x + i, y, j - i, v, dvdx, &face, st + i);
    i = j;
  }
}

void rasterTriangle(DrawContext& dc, const MTLRenderCommandEncoder::State& state, const ScreenVertex* a,
                    const ScreenVertex* b, const ScreenVertex* c);

// One side of a triangle's rows: q is the last pixel inside on the right (a left edge
// keeps -first, so that both kinds are upper bounds), stepping per row by a whole part a
// and a remainder b over den, 0 <= r < den.
struct RowBound {
  int64_t q, r, a, b, den;
  void next() {
    r += b;
    q += a;
    const bool carry = r >= den;
    r = carry ? r - den : r;
    q = carry ? q + 1 : q;
  }
};

// A triangle reaching beyond the fixed-point band is clipped to a square inside it
// (positions and varyings are affine, so they are cut linearly) and drawn as a fan.
void rasterClipped(DrawContext& dc, const MTLRenderCommandEncoder::State& state, const ScreenVertex* a,
                   const ScreenVertex* b, const ScreenVertex* c) {
  constexpr double g = kMaxCoord / 2;
  ScreenVertex bufA[9], bufB[9];
  ScreenVertex* in = bufA;
  ScreenVertex* out = bufB;
  int n = 3;
  in[0] = *a, in[1] = *b, in[2] = *c;
  for (int plane = 0; plane < 4 && n > 0; plane++) {
    auto dist = [plane](const ScreenVertex& v) {
      switch (plane) {
        case 0: return v.sx + g;
        case 1: return g - v.sx;
        case 2: return v.sy + g;
        default: return g - v.sy;
      }
    };
    int m = 0;
    for (int i = 0; i < n; i++) {
      const ScreenVertex& p = in[i];
      const ScreenVertex& q = in[(i + 1) % n];
      const double dp = dist(p), dq = dist(q);
      if (dp >= 0) out[m++] = p;
      if ((dp >= 0) != (dq >= 0)) {
        const double t = dp / (dp - dq);
        ScreenVertex& r = out[m++];
        r = p;
        r.sx = p.sx + (q.sx - p.sx) * t;
        r.sy = p.sy + (q.sy - p.sy) * t;
        for (int k = 0; k < dc.varyings; k++) r.v[k] = static_cast<float>(p.v[k] + (q.v[k] - p.v[k]) * t);
      }
    }
    std::swap(in, out);
    n = m;
  }
  for (int i = 0; i < n; i++) {
    in[i].sx = std::clamp(in[i].sx, -g, g);
    in[i].sy = std::clamp(in[i].sy, -g, g);
    in[i].X = std::llround(in[i].sx * kSub);
    in[i].Y = std::llround(in[i].sy * kSub);
    in[i].inBand = true;
  }
  for (int i = 1; i + 1 < n; i++) rasterTriangle(dc, state, &in[0], &in[i], &in[i + 1]);
}

// Varying planes of a triangle in pixel units: v = cst + ddx * x + ddy * y.
struct Planes {
  double cst[kMTLMaxVaryings], ddx[kMTLMaxVaryings], ddy[kMTLMaxVaryings];
};

void planesOf(const ScreenVertex* a, const ScreenVertex* b, const ScreenVertex* c, int nv, Planes& out) {
  const double x0 = a->X / double(kSub), yy0 = a->Y / double(kSub);
  const double x1 = b->X / double(kSub), yy1 = b->Y / double(kSub);
  const double x2 = c->X / double(kSub), yy2 = c->Y / double(kSub);
  const double det = (x1 - x0) * (yy2 - yy0) - (x2 - x0) * (yy1 - yy0);
  for (int k = 0; k < nv; k++) {
    const double a0 = a->v[k], a1 = b->v[k], a2 = c->v[k];
    out.ddx[k] = ((a1 - a0) * (yy2 - yy0) - (a2 - a0) * (yy1 - yy0)) / det;
    out.ddy[k] = ((a2 - a0) * (x1 - x0) - (a1 - a0) * (x2 - x0)) / det;
    out.cst[k] = a0 - out.ddx[k] * x0 - out.ddy[k] * yy0;
  }
}

// Twice the signed area of a triangle in fixed point.
inline int64_t area2(const ScreenVertex* a, const ScreenVertex* b, const ScreenVertex* c) {
  return (b->X - a->X) * (c->Y - a->Y) - (c->X - a->X) * (b->Y - a->Y);
}

// A convex polygon of n (3 or 4) vertices inside the band, in either winding, with its
// varyings on the planes of its first three; a quadrilateral whose sides would need more
// than two bounds on the left or right of a row is refused (false) before anything is drawn.
bool rasterConvex(DrawContext& dc, const MTLRenderCommandEncoder::State& state, const ScreenVertex* const* in, int n) {
  const ScreenVertex* a = in[0];
  int64_t area = area2(a, in[1], in[2]);
  if (area == 0) return true;
  // Window y points down: a negative area is counter-clockwise in clip space.
  const bool ccw = area < 0;
  const bool front = (state.winding == MTLWindingCounterClockwise) == ccw;
  if ((state.cull == MTLCullModeBack && !front) || (state.cull == MTLCullModeFront && front)) return true;
  // Clockwise on the screen, from the first vertex.
  const ScreenVertex* v[4] = {a, in[1], in[2], n > 3 ? in[3] : nullptr};
  if (area < 0) std::reverse(v + 1, v + n);
  const ScreenVertex* b = v[1];
  const ScreenVertex* c = v[2];
  struct Edge {
    int64_t dx, dy, ax, ay, t;
  } e[4];
  int lefts = 0, rights = 0;
  for (int i = 0; i < n; i++) {
    const ScreenVertex* p = v[i];
    const ScreenVertex* q = v[(i + 1) % n];
    e[i].dx = q->X - p->X;
    e[i].dy = q->Y - p->Y;
    lefts += e[i].dy < 0, rights += e[i].dy > 0;
    e[i].ax = p->X;
    e[i].ay = p->Y;
    const bool topLeft = e[i].dy < 0 || (e[i].dy == 0 && e[i].dx > 0);
    e[i].t = topLeft ? 0 : 1;
  }
  if (lefts > 2 || rights > 2) return false;
  // Nothing to do when every pixel the polygon could cover lies left or right of the clip.
  int64_t minX = a->X, maxX = a->X, minY = a->Y, maxY = a->Y;
  for (int i = 1; i < n; i++) {
    minX = std::min(minX, v[i]->X), maxX = std::max(maxX, v[i]->X);
    minY = std::min(minY, v[i]->Y), maxY = std::max(maxY, v[i]->Y);
  }
  if (maxX < dc.clipX0 * kSub || minX > dc.clipX1 * kSub) return true;
  const int64_t y0 = std::max<int64_t>(dc.clipY0, ceilDiv(minY - kSub / 2, kSub));
  const int64_t y1 = std::min<int64_t>(dc.clipY1 - 1, floorDiv(maxY - kSub / 2, kSub));
  if (y0 > y1) return true;

  const int nv = dc.varyings;
  Planes planes;
  planesOf(a, b, c, nv, planes);
  const double* cst = planes.cst;
  const double* ddx = planes.ddx;
  const double* ddy = planes.ddy;
  float dvdx[kMTLMaxVaryings];
  for (int k = 0; k < nv; k++) {
    dvdx[k] = static_cast<float>(ddx[k]);
    dc.dvdy[k] = static_cast<float>(ddy[k]);
  }

  // Each edge bounds the row on one side: x >= ceil((t - e0) / s) for s > 0, or
  // x <= floor((e0 - t) / -s) for s < 0, where e0 (the edge function at x = 0) grows by
  // dx * kSub per row. Both bounds step by a quotient and remainder, without division.
  // A horizontal edge (s = 0) depends on the row alone: it narrows the rows instead.
  int64_t yFirst = y0, yLast = y1;
  for (int i = 0; i < n; i++) {
    const Edge& ed = e[i];
    if (ed.dy != 0) continue;
    const int64_t py = y0 * kSub + kSub / 2;
    const int64_t e0 = ed.dx * (py - ed.ay), step = ed.dx * kSub;  // row y0 + j: e0 + j * step >= t
    if (step > 0)
      yFirst = std::max(yFirst, y0 + ceilDiv(ed.t - e0, step));
    else
      yLast = std::min(yLast, y0 + floorDiv(e0 - ed.t, -step));
  }
  if (yFirst > yLast) return true;
  RowBound left[2], right[2];
  int nl = 0, nr = 0;
  for (int i = 0; i < n; i++) {
    const Edge& ed = e[i];
    if (ed.dy == 0) continue;
    const int64_t py = yFirst * kSub + kSub / 2;
    const int64_t e0 = ed.dx * (py - ed.ay) - ed.dy * (kSub / 2 - ed.ax);
    const int64_t s = -ed.dy * kSub, step = ed.dx * kSub;
    if (s > 0) {
      // q = ceil(N / s) with N = t - e0 falling by step per row; r = q * s - N.
      RowBound& bd = left[nl++ & 1];
      bd.den = s;
      const int64_t n = ed.t - e0;
      bd.q = ceilDiv(n, s);
      bd.r = bd.q * s - n;
      bd.a = floorDiv(step, s);
      bd.b = step - bd.a * s;
      // q falls by a (and one more on a carry); kept negated, it rises like a right bound.
      bd.q = -bd.q;
    } else {
      // q = floor(M / S) with M = e0 - t rising by step per row; r = M - q * S.
      RowBound& bd = right[nr++ & 1];
      bd.den = -s;
      const int64_t m = e0 - ed.t;
      bd.q = floorDiv(m, bd.den);
      bd.r = m - bd.q * bd.den;
      bd.a = floorDiv(step, bd.den);
      bd.b = step - bd.a * bd.den;
    }
  }
  // A polygon of non-zero area has edges on both sides; pad a single one with a copy.
  if (nl == 0 || nr == 0) return true;
  if (nl == 1) left[1] = left[0];
  if (nr == 1) right[1] = right[0];

  float vary[kMTLMaxVaryings];
  for (int64_t y = yFirst; y <= yLast; y++) {
    const int64_t xl = std::max<int64_t>(dc.clipX0, -std::min(left[0].q, left[1].q));
    const int64_t xr = std::min<int64_t>(dc.clipX1 - 1, std::min(right[0].q, right[1].q));
    left[0].next(), left[1].next(), right[0].next(), right[1].next();
    if (xl > xr) continue;
    const double cx = double(xl) + 0.5, cy = double(y) + 0.5;
    for (int k = 0; k < nv; k++) vary[k] = static_cast<float>(cst[k] + ddx[k] * cx + ddy[k] * cy);
    shadeSpan(dc, static_cast<int>(xl), static_cast<int>(y), static_cast<int>(xr - xl + 1), vary, dvdx, front);
  }
  return true;
}

void rasterTriangle(DrawContext& dc, const MTLRenderCommandEncoder::State& state, const ScreenVertex* a,
                    const ScreenVertex* b, const ScreenVertex* c) {
  if (!a->ok || !b->ok || !c->ok) return;
  if (!a->inBand || !b->inBand || !c->inBand) {
    rasterClipped(dc, state, a, b, c);
    return;
  }
  const ScreenVertex* v[3] = {a, b, c};
  rasterConvex(dc, state, v, 3);
}

// Two triangles of a list that make one convex quadrilateral, (a, b, c) and (a, c, d) as a
// fan gives them, with the same facing and the same varying planes, are drawn as one: the
// same pixels (the shared side is inside it) with the same varyings, in one span per row
// instead of two. False when they are not such a pair (nothing drawn).
bool rasterPair(DrawContext& dc, const MTLRenderCommandEncoder::State& state, const ScreenVertex* const* t) {
  if (t[3] != t[0] || t[4] != t[2]) return false;
  const ScreenVertex* q[4] = {t[0], t[1], t[2], t[5]};
  for (const ScreenVertex* v : q)
    if (!v->ok || !v->inBand) return false;
  // Convex: every corner turns the same way.
  int64_t turns[4];
  for (int i = 0; i < 4; i++) turns[i] = area2(q[i], q[(i + 1) % 4], q[(i + 2) % 4]);
  for (int i = 0; i < 4; i++)
    if (turns[i] == 0 || (turns[i] > 0) != (turns[0] > 0)) return false;
  const int nv = dc.varyings;
  Planes first, second;
  planesOf(q[0], q[1], q[2], nv, first);
  planesOf(q[0], q[2], q[3], nv, second);
  for (int k = 0; k < nv; k++)
    if (first.cst[k] != second.cst[k] || first.ddx[k] != second.ddx[k] || first.ddy[k] != second.ddy[k])
      return false;
  return rasterConvex(dc, state, q, 4);
}

MTLShaderBuffer shaderBuffer(MTLBuffer* b, NSUInteger offset) {
  if (!b || offset > b->length()) return MTLShaderBuffer{nullptr, 0};
  return MTLShaderBuffer{static_cast<const unsigned char*>(b->contents()) + offset, b->length() - offset};
}

void fetchAndTransform(const MTLRenderPipelineState& pipe, const MTLShaderBuffer* vbufs, NSUInteger id,
                       const MTLViewport& vp, ScreenVertex& out) {
  MTLVertexIn in;
  in.vertexId = id;
  in.buffers = vbufs;
  const MTLVertexDescriptor& vd = pipe.vertexDescriptor();
  for (int i = 0; i < kMTLMaxAttributes; i++) {
    float* dst = in.attributes[i];
    dst[0] = dst[1] = dst[2] = 0.0f;
    dst[3] = 1.0f;
    const MTLVertexAttributeDescriptor& at = vd.attributes[i];
    int n = 0;
    switch (at.format) {
      case MTLVertexFormatFloat: n = 1; break;
      case MTLVertexFormatFloat2: n = 2; break;
      case MTLVertexFormatFloat3: n = 3; break;
      case MTLVertexFormatFloat4: n = 4; break;
      default: break;
    }
    if (n == 0 || at.bufferIndex >= NSUInteger(kMTLMaxBufferBindings)) continue;
    const MTLShaderBuffer& sb = vbufs[at.bufferIndex];
    const NSUInteger pos = vd.layouts[at.bufferIndex].stride * id + at.offset;
    if (!sb.bytes || pos > sb.length || sb.length - pos < NSUInteger(n) * 4) continue;
    std::memcpy(dst, sb.bytes + pos, static_cast<size_t>(n) * 4);
  }
  MTLVertexOut o;
  std::memset(&o, 0, sizeof(o));
  o.position[3] = 1.0f;
  pipe.vertexProgram()(in, o);
  out.ok = out.inBand = false;
  const float w = o.position[3];
  if (!(w > 0.0f) || !std::isfinite(o.position[0]) || !std::isfinite(o.position[1])) return;
  const double sx = vp.originX + (double(o.position[0]) / w + 1.0) * 0.5 * vp.width;
  const double sy = vp.originY + (1.0 - double(o.position[1]) / w) * 0.5 * vp.height;
  if (!std::isfinite(sx) || !std::isfinite(sy)) return;
  out.sx = sx, out.sy = sy;
  out.inBand = std::fabs(sx) < kMaxCoord && std::fabs(sy) < kMaxCoord;
  if (out.inBand) {
    out.X = std::llround(sx * kSub);
    out.Y = std::llround(sy * kSub);
  }
  for (int k = 0; k < pipe.varyingCount(); k++) out.v[k] = std::isfinite(o.varyings[k]) ? o.varyings[k] : 0.0f;
  out.ok = true;
}

void clearPass(const MTLRenderPassDescriptor& d) {
  const MTLRenderPassColorAttachmentDescriptor& ca = d.colorAttachments[0];
  if (ca.texture && ca.loadAction == MTLLoadActionClear && ca.texture->texelBytes() == 4) {
    const MTLClearColor& cc = ca.clearColor;
    unsigned char px[4] = {toByte(float(cc.red)), toByte(float(cc.green)), toByte(float(cc.blue)),
                           toByte(float(cc.alpha))};
    if (ca.texture->pixelFormat() == MTLPixelFormatBGRA8Unorm) std::swap(px[0], px[2]);
    unsigned char* p = ca.texture->levelBytes(0);
    const NSUInteger n = ca.texture->width() * ca.texture->height();
    uint32_t word;
    std::memcpy(&word, px, 4);
    std::fill_n(reinterpret_cast<uint32_t*>(p), n, word);
  } else if (ca.texture && ca.loadAction == MTLLoadActionClear) {
    std::memset(ca.texture->levelBytes(0), toByte(float(ca.clearColor.red)),
                ca.texture->width() * ca.texture->height() * ca.texture->texelBytes());
  }
}

// Clears the stencil target when the pass asks for it: only the rows written since it was last
// cleared to the same value. Returns what is known of it before the pass draws.
MTLTexture::ClearedRows clearStencil(const MTLRenderPassStencilAttachmentDescriptor& sa) {
  MTLTexture* t = sa.texture;
  const MTLTexture::ClearedRows known = t->clearedRows();
  if (sa.loadAction != MTLLoadActionClear) return known;
  const int value = int(sa.clearStencil & 0xFF);
  unsigned char* p = t->levelBytes(0);
  const NSUInteger w = t->width(), h = t->height();
  if (known.value == value) {
    const NSUInteger top = std::min(known.top, h), bottom = std::min(known.bottom, h);
    if (bottom > top) std::memset(p + top * w, value, (bottom - top) * w);
  } else {
    std::memset(p, value, w * h);
  }
  return MTLTexture::ClearedRows{value, 0, 0};
}

}  // namespace

void executeRenderPass(const MTLRecordedPass& pass) {
  const MTLRenderPassDescriptor& d = pass.descriptor;
  clearPass(d);
  MTLTexture* color = d.colorAttachments[0].texture;
  MTLTexture* stencil = d.stencilAttachment.texture;
  if (color && color->pixelFormat() != MTLPixelFormatRGBA8Unorm && color->pixelFormat() != MTLPixelFormatBGRA8Unorm)
    color = nullptr;
  if (stencil && stencil->pixelFormat() != MTLPixelFormatStencil8) {
    if (d.stencilAttachment.loadAction == MTLLoadActionClear)
      std::memset(stencil->levelBytes(0), int(d.stencilAttachment.clearStencil & 0xFF),
                  stencil->width() * stencil->height());
    stencil = nullptr;
  }
  // What is known of the stencil target after the pass: its value outside the rows drawn.
  MTLTexture::ClearedRows stencilRows;
  if (stencil) stencilRows = clearStencil(d.stencilAttachment);
  if (!color && !stencil) return;
  // The render area is the intersection of the attachments.
  NSUInteger tw = color ? color->width() : stencil->width(), th = color ? color->height() : stencil->height();
  if (stencil) tw = std::min(tw, stencil->width()), th = std::min(th, stencil->height());

  static thread_local Scratch tlsScratch;
  Scratch& scratch = tlsScratch;
  // Planes padded so that four-wide loads past a span's end stay inside.
  const NSUInteger planeLen = tw + 8;
  scratch.rgba.resize(planeLen * 4);
  scratch.discard.resize(tw + 32);
  scratch.pass.resize(tw + 8);
  scratch.texels.resize(tw + 8);
  DrawContext dc;
  for (int c = 0; c < 4; c++) dc.planes[c] = scratch.rgba.data() + c * planeLen;
  dc.discard = scratch.discard.data();
  dc.pass = scratch.pass.data();
  std::vector<ScreenVertex>& verts = scratch.verts;
  std::vector<uint32_t>& indices = scratch.indices;

  for (const MTLRecordedDraw& draw : pass.draws) {
    const MTLRenderCommandEncoder::State& st = draw.state;
    const MTLRenderPipelineState* pipe = st.pipeline;
    if (!pipe || !pipe->vertexProgram()) continue;
    if (draw.type != MTLPrimitiveTypeTriangle && draw.type != MTLPrimitiveTypeTriangleStrip) continue;
    // A pipeline built for another colour format does not draw.
    if (color && pipe->colorAttachment().pixelFormat != color->pixelFormat()) continue;

    dc.fragment = pipe->fragmentProgram();
    dc.varyings = pipe->varyingCount();
    for (int i = 0; i < kMTLMaxBufferBindings; i++)
      dc.fragmentBuffers[i] = shaderBuffer(st.fragmentBuffers[i], st.fragmentOffsets[i]);
    for (int i = 0; i < kMTLMaxTextureBindings; i++) {
      dc.textures[i] = st.textures[i];
      dc.samplers[i] = st.samplers[i];
    }
    const MTLDepthStencilState* ds = st.depthStencil;
    dc.faces[0] = Face{ds ? &ds->descriptor().backFaceStencil : nullptr, st.stencilRefBack, false};
    dc.faces[1] = Face{ds ? &ds->descriptor().frontFaceStencil : nullptr, st.stencilRefFront, false};
    if (ds && ds->usesStencil()) {
      for (Face& f : dc.faces) {
        const MTLStencilDescriptor& s = *f.desc;
        f.active = s.stencilCompareFunction != MTLCompareFunctionAlways ||
                   s.stencilFailureOperation != MTLStencilOperationKeep ||
                   s.depthStencilPassOperation != MTLStencilOperationKeep;
      }
    }
    const auto& ca = pipe->colorAttachment();
    dc.color = (color && ca.writeMask != MTLColorWriteMaskNone) ? color->levelBytes(0) : nullptr;
    dc.colorPitch = color ? color->levelPitch(0) : 0;
    dc.bgra = color && color->pixelFormat() == MTLPixelFormatBGRA8Unorm;
    dc.streamed = color && !(color->usage() & (MTLTextureUsageShaderRead | MTLTextureUsageShaderWrite));
    dc.blend = &ca;
    dc.srcOver = ca.blendingEnabled && ca.writeMask == MTLColorWriteMaskAll &&
                 ca.sourceRGBBlendFactor == MTLBlendFactorOne && ca.sourceAlphaBlendFactor == MTLBlendFactorOne &&
                 ca.destinationRGBBlendFactor == MTLBlendFactorOneMinusSourceAlpha &&
                 ca.destinationAlphaBlendFactor == MTLBlendFactorOneMinusSourceAlpha;
    // An opaque source replaces the pixel under source-over and without blending.
    const bool replaces = dc.srcOver || (!ca.blendingEnabled && ca.writeMask == MTLColorWriteMaskAll);
    dc.texels = dc.color && replaces ? scratch.texels.data() : nullptr;
    dc.zeroKeeps = dc.color && dc.srcOver;
    dc.stencil = stencil ? stencil->levelBytes(0) : nullptr;
    dc.stencilPitch = stencil ? stencil->levelPitch(0) : 0;
    const MTLViewport& vp = st.viewport;
    if (!(vp.width > 0 && vp.height > 0)) continue;
    dc.clipX0 = static_cast<int>(std::clamp(std::floor(vp.originX), 0.0, double(tw)));
    dc.clipY0 = static_cast<int>(std::clamp(std::floor(vp.originY), 0.0, double(th)));
    dc.clipX1 = static_cast<int>(std::clamp(std::ceil(vp.originX + vp.width), 0.0, double(tw)));
    dc.clipY1 = static_cast<int>(std::clamp(std::ceil(vp.originY + vp.height), 0.0, double(th)));
    if (st.hasScissor) {
      const MTLScissorRect& r = st.scissor;
      const NSUInteger x0 = std::min(r.x, tw), y0 = std::min(r.y, th);
      dc.clipX0 = std::max(dc.clipX0, static_cast<int>(x0));
      dc.clipY0 = std::max(dc.clipY0, static_cast<int>(y0));
      dc.clipX1 = std::min(dc.clipX1, static_cast<int>(x0 + std::min(r.width, tw - x0)));
      dc.clipY1 = std::min(dc.clipY1, static_cast<int>(y0 + std::min(r.height, th - y0)));
    }
    if (dc.clipX0 >= dc.clipX1 || dc.clipY0 >= dc.clipY1) continue;

    MTLShaderBuffer vbufs[kMTLMaxBufferBindings];
    for (int i = 0; i < kMTLMaxBufferBindings; i++) vbufs[i] = shaderBuffer(st.vertexBuffers[i], st.vertexOffsets[i]);

    // Vertex ids of the draw, in order.
    NSUInteger first = draw.start, count = draw.count;
    indices.clear();
    if (draw.indexed) {
      const NSUInteger isz = draw.indexType == MTLIndexTypeUInt16 ? 2 : 4;
      const NSUInteger len = draw.indexBuffer->length();
      if (draw.start > len) continue;
      count = std::min(count, (len - draw.start) / isz);
      const auto* ib = static_cast<const unsigned char*>(draw.indexBuffer->contents()) + draw.start;
      indices.resize(count);
      for (NSUInteger i = 0; i < count; i++) {
        if (isz == 2) {
          uint16_t v;
          std::memcpy(&v, ib + i * 2, 2);
          indices[i] = v;
        } else {
          std::memcpy(&indices[i], ib + i * 4, 4);
        }
      }
      if (count == 0) continue;
      first = *std::min_element(indices.begin(), indices.end());
      const NSUInteger last = *std::max_element(indices.begin(), indices.end());
      verts.resize(last - first + 1);
      if (verts.size() > count * 4 + 64) {
        // Sparse indices: transform per index occurrence instead of the whole range.
        verts.resize(count);
        for (NSUInteger i = 0; i < count; i++) {
          fetchAndTransform(*pipe, vbufs, indices[i], vp, verts[i]);
          indices[i] = static_cast<uint32_t>(i);
        }
        first = 0;
      } else {
        for (NSUInteger i = 0; i < verts.size(); i++) fetchAndTransform(*pipe, vbufs, first + i, vp, verts[i]);
        for (uint32_t& ix : indices) ix = static_cast<uint32_t>(ix - first);
      }
    } else {
      verts.resize(count);
      for (NSUInteger i = 0; i < count; i++) fetchAndTransform(*pipe, vbufs, first + i, vp, verts[i]);
    }
    auto vtx = [&](NSUInteger i) -> const ScreenVertex* {
      return draw.indexed ? &verts[indices[i]] : &verts[i];
    };
    if (draw.type == MTLPrimitiveTypeTriangle) {
      for (NSUInteger i = 0; i + 2 < count; i += 3) {
        if (i + 5 < count) {
          const ScreenVertex* pair[6] = {vtx(i), vtx(i + 1), vtx(i + 2), vtx(i + 3), vtx(i + 4), vtx(i + 5)};
          if (rasterPair(dc, st, pair)) {
            i += 3;
            continue;
          }
        }
        rasterTriangle(dc, st, vtx(i), vtx(i + 1), vtx(i + 2));
      }
    } else {
      // Strip: every odd triangle swaps its first two vertices to keep the winding.
      for (NSUInteger i = 0; i + 2 < count; i++) {
        if (i & 1)
          rasterTriangle(dc, st, vtx(i + 1), vtx(i), vtx(i + 2));
        else
          rasterTriangle(dc, st, vtx(i), vtx(i + 1), vtx(i + 2));
      }
    }
  }
#if defined(__SSE2__)
  if (dc.streamed) _mm_sfence();  // streamed pixels are in memory before the pass is done
#endif
  if (stencil && stencilRows.value >= 0) {
    if (dc.stencilBottom > dc.stencilTop) {
      const auto top = NSUInteger(dc.stencilTop), bottom = NSUInteger(dc.stencilBottom);
      const bool none = stencilRows.bottom <= stencilRows.top;
      stencilRows.top = none ? top : std::min(stencilRows.top, top);
      stencilRows.bottom = none ? bottom : std::max(stencilRows.bottom, bottom);
    }
    stencil->setClearedRows(stencilRows);
  }
}

}  // namespace mtlsw
