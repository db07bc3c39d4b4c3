// Texture sampling for software shader programs: normalised coordinates, nearest or
// bilinear filtering of level 0, clamp-to-edge or repeat addressing. Results are floats
// in 0..1 as the format's channels read (R8: r, 0, 0, 1; BGRA is returned as RGBA).
// Thread: the execution thread of a command buffer.
#pragma once

#include <cmath>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <Metal/MTLResource.h>

namespace mtlsw {

inline int wrapCoord(int i, int n, MTLSamplerAddressMode mode) {
  if (mode == MTLSamplerAddressModeRepeat) {
    i %= n;
    return i < 0 ? i + n : i;
  }
  return i < 0 ? 0 : (i >= n ? n - 1 : i);
}

inline void fetchTexel(const MTLTexture* t, int x, int y, float* out) {
  const unsigned char* p = t->levelBytes(0) + (static_cast<NSUInteger>(y) * t->levelWidth(0) + x) * t->texelBytes();
  constexpr float k = 1.0f / 255.0f;
  switch (t->pixelFormat()) {
    case MTLPixelFormatR8Unorm:
      out[0] = p[0] * k, out[1] = 0, out[2] = 0, out[3] = 1;
      break;
    case MTLPixelFormatBGRA8Unorm:
      out[0] = p[2] * k, out[1] = p[1] * k, out[2] = p[0] * k, out[3] = p[3] * k;
      break;
    case MTLPixelFormatRGBA8Unorm:
      out[0] = p[0] * k, out[1] = p[1] * k, out[2] = p[2] * k, out[3] = p[3] * k;
      break;
    default:
      out[0] = p[0] * k, out[1] = 0, out[2] = 0, out[3] = 1;
      break;
  }
}

// Samples texture t at normalised (u, v). A null texture reads transparent black.
inline void sample(const MTLTexture* t, const MTLSamplerState* s, float u, float v, float* out) {
  if (!t) {
    out[0] = out[1] = out[2] = out[3] = 0;
    return;
  }
  static const MTLSamplerDescriptor kDefault{};
  const MTLSamplerDescriptor& d = s ? s->descriptor() : kDefault;
  const int w = static_cast<int>(t->levelWidth(0)), h = static_cast<int>(t->levelHeight(0));
  if (!(std::isfinite(u) && std::isfinite(v))) u = v = 0;
  float fx = u * w, fy = v * h;
  // Keep coordinates where int conversion is defined.
  fx = std::fmax(std::fmin(fx, 1e8f), -1e8f);
  fy = std::fmax(std::fmin(fy, 1e8f), -1e8f);
  if (d.magFilter == MTLSamplerMinMagFilterNearest) {
    const int x = wrapCoord(static_cast<int>(std::floor(fx)), w, d.sAddressMode);
    const int y = wrapCoord(static_cast<int>(std::floor(fy)), h, d.tAddressMode);
    fetchTexel(t, x, y, out);
    return;
  }
  fx -= 0.5f, fy -= 0.5f;
  const float x0f = std::floor(fx), y0f = std::floor(fy);
  const float ax = fx - x0f, ay = fy - y0f;
  const int x0 = static_cast<int>(x0f), y0 = static_cast<int>(y0f);
  const int xa = wrapCoord(x0, w, d.sAddressMode), xb = wrapCoord(x0 + 1, w, d.sAddressMode);
  const int ya = wrapCoord(y0, h, d.tAddressMode), yb = wrapCoord(y0 + 1, h, d.tAddressMode);
  float c00[4], c10[4], c01[4], c11[4];
  fetchTexel(t, xa, ya, c00);
  fetchTexel(t, xb, ya, c10);
  fetchTexel(t, xa, yb, c01);
  fetchTexel(t, xb, yb, c11);
  for (int i = 0; i < 4; i++) {
    const float top = c00[i] + (c10[i] - c00[i]) * ax;
    const float bottom = c01[i] + (c11[i] - c01[i]) * ax;
    out[i] = top + (bottom - top) * ay;
  }
}

}  // namespace mtlsw

namespace mtlsw {

namespace detail {

template <MTLPixelFormat kFormat>
inline void texel(const unsigned char* base, NSUInteger w, int x, int y, float* c) {
  constexpr float k = 1.0f / 255.0f;
  if constexpr (kFormat == MTLPixelFormatR8Unorm) {
    c[0] = base[NSUInteger(y) * w + x] * k, c[1] = 0, c[2] = 0, c[3] = 1;
  } else {
    const unsigned char* p = base + (NSUInteger(y) * w + x) * 4;
    constexpr int ri = kFormat == MTLPixelFormatBGRA8Unorm ? 2 : 0, bi = 2 - ri;
    c[0] = p[ri] * k, c[1] = p[1] * k, c[2] = p[bi] * k, c[3] = p[3] * k;
  }
}

inline int floorInt(float v) {
  const int i = static_cast<int>(v);
  return v < static_cast<float>(i) ? i - 1 : i;
}

template <bool kRepeat>
inline int address(int i, int n) {
  if constexpr (kRepeat) {
    i %= n;
    return i < 0 ? i + n : i;
  } else {
    return i < 0 ? 0 : (i >= n ? n - 1 : i);
  }
}

template <MTLPixelFormat kFormat, bool kLinear, bool kRepeatS, bool kRepeatT>
void sampleRun(const MTLTexture* t, float u0, float du, float v0, float dv, int n, float* const* out) {
  const int w = static_cast<int>(t->levelWidth(0)), h = static_cast<int>(t->levelHeight(0));
  const unsigned char* base = t->levelBytes(0);
  const NSUInteger pitch = t->levelWidth(0);
  auto clampf = [](float v) { return v != v ? 0.0f : (v < -1e8f ? -1e8f : (v > 1e8f ? 1e8f : v)); };
  float* __restrict o0 = out[0];
  float* __restrict o1 = out[1];
  float* __restrict o2 = out[2];
  float* __restrict o3 = out[3];
  for (int i = 0; i < n; i++) {
    float fx = clampf((u0 + du * float(i)) * float(w)), fy = clampf((v0 + dv * float(i)) * float(h));
    float c[4];
    if constexpr (!kLinear) {
      texel<kFormat>(base, pitch, address<kRepeatS>(floorInt(fx), w), address<kRepeatT>(floorInt(fy), h), c);
#if defined(__SSE2__)
    } else if constexpr (kFormat != MTLPixelFormatR8Unorm) {
      // Four channels at once.
      fx -= 0.5f, fy -= 0.5f;
      const int x0 = floorInt(fx), y0 = floorInt(fy);
      const __m128 ax = _mm_set1_ps(fx - float(x0)), ay = _mm_set1_ps(fy - float(y0));
      const int xa = address<kRepeatS>(x0, w), xb = address<kRepeatS>(x0 + 1, w);
      const int ya = address<kRepeatT>(y0, h), yb = address<kRepeatT>(y0 + 1, h);
      auto load = [&](int x, int y) {
        int32_t word;
        std::memcpy(&word, base + (NSUInteger(y) * pitch + NSUInteger(x)) * 4, 4);
        const __m128i zero = _mm_setzero_si128();
        const __m128i px = _mm_unpacklo_epi16(_mm_unpacklo_epi8(_mm_cvtsi32_si128(word), zero), zero);
        return _mm_cvtepi32_ps(px);
      };
      const __m128 c00 = load(xa, ya), c10 = load(xb, ya), c01 = load(xa, yb), c11 = load(xb, yb);
      const __m128 top = _mm_add_ps(c00, _mm_mul_ps(_mm_sub_ps(c10, c00), ax));
      const __m128 bottom = _mm_add_ps(c01, _mm_mul_ps(_mm_sub_ps(c11, c01), ax));
      const __m128 res = _mm_mul_ps(_mm_add_ps(top, _mm_mul_ps(_mm_sub_ps(bottom, top), ay)), _mm_set1_ps(1.0f / 255.0f));
      alignas(16) float lanes[4];
      _mm_store_ps(lanes, res);
      constexpr int ri = kFormat == MTLPixelFormatBGRA8Unorm ? 2 : 0, bi = 2 - ri;
      c[0] = lanes[ri], c[1] = lanes[1], c[2] = lanes[bi], c[3] = lanes[3];
#endif
    } else {
      fx -= 0.5f, fy -= 0.5f;
      const int x0 = floorInt(fx), y0 = floorInt(fy);
      const float ax = fx - float(x0), ay = fy - float(y0);
      const int xa = address<kRepeatS>(x0, w), xb = address<kRepeatS>(x0 + 1, w);
      const int ya = address<kRepeatT>(y0, h), yb = address<kRepeatT>(y0 + 1, h);
      float c00[4], c10[4], c01[4], c11[4];
      texel<kFormat>(base, pitch, xa, ya, c00);
      texel<kFormat>(base, pitch, xb, ya, c10);
      texel<kFormat>(base, pitch, xa, yb, c01);
      texel<kFormat>(base, pitch, xb, yb, c11);
      for (int k = 0; k < 4; k++) {
        const float top = c00[k] + (c10[k] - c00[k]) * ax;
        const float bottom = c01[k] + (c11[k] - c01[k]) * ax;
        c[k] = top + (bottom - top) * ay;
      }
    }
    o0[i] = c[0], o1[i] = c[1], o2[i] = c[2], o3[i] = c[3];
  }
}

template <MTLPixelFormat kFormat, bool kLinear>
void sampleRun(const MTLTexture* t, const MTLSamplerDescriptor& d, float u0, float du, float v0, float dv, int n,
               float* const* out) {
  const bool rs = d.sAddressMode == MTLSamplerAddressModeRepeat, rt = d.tAddressMode == MTLSamplerAddressModeRepeat;
  if (rs && rt) return sampleRun<kFormat, kLinear, true, true>(t, u0, du, v0, dv, n, out);
  if (rs) return sampleRun<kFormat, kLinear, true, false>(t, u0, du, v0, dv, n, out);
  if (rt) return sampleRun<kFormat, kLinear, false, true>(t, u0, du, v0, dv, n, out);
  return sampleRun<kFormat, kLinear, false, false>(t, u0, du, v0, dv, n, out);
}

}  // namespace detail

// Samples n points along a line in texture space, (u0 + du*i, v0 + dv*i), into four
// planes; the same results as sample() point by point. A null texture reads zeros.
inline void sampleSpan(const MTLTexture* t, const MTLSamplerState* s, float u0, float du, float v0, float dv, int n,
                       float* const* out) {
  if (!t) {
    for (int k = 0; k < 4; k++)
      for (int i = 0; i < n; i++) out[k][i] = 0.0f;
    return;
  }
  static const MTLSamplerDescriptor kDefault{};
  const MTLSamplerDescriptor& d = s ? s->descriptor() : kDefault;
  const bool linear = d.magFilter != MTLSamplerMinMagFilterNearest;
  switch (t->pixelFormat()) {
    case MTLPixelFormatRGBA8Unorm:
      return linear ? detail::sampleRun<MTLPixelFormatRGBA8Unorm, true>(t, d, u0, du, v0, dv, n, out)
                    : detail::sampleRun<MTLPixelFormatRGBA8Unorm, false>(t, d, u0, du, v0, dv, n, out);
    case MTLPixelFormatBGRA8Unorm:
      return linear ? detail::sampleRun<MTLPixelFormatBGRA8Unorm, true>(t, d, u0, du, v0, dv, n, out)
                    : detail::sampleRun<MTLPixelFormatBGRA8Unorm, false>(t, d, u0, du, v0, dv, n, out);
    default:
      return linear ? detail::sampleRun<MTLPixelFormatR8Unorm, true>(t, d, u0, du, v0, dv, n, out)
                    : detail::sampleRun<MTLPixelFormatR8Unorm, false>(t, d, u0, du, v0, dv, n, out);
  }
}

}  // namespace mtlsw
