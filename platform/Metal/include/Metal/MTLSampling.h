// Texture sampling for software shader programs: normalised coordinates, nearest or
// bilinear filtering, clamp-to-edge or repeat addressing, and for runs of pixels the mip
// level (or the two levels blended) that the sampler's mip filter picks from the run's
// screen-space derivatives, as the device does. Results are floats in 0..1 as the
// format's channels read (R8: r, 0, 0, 1; BGRA is returned as RGBA).
// Thread: the execution thread of a command buffer.
#pragma once

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <immintrin.h>
#endif

#include <Metal/MTLLibrary.h>
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

// Samples level 0 of texture t at normalised (u, v) with the magnification filter. A null
// texture reads transparent black.
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

#if defined(__SSE2__)
// Bilinear filtering with clamp-to-edge addressing, four pixels at a time with the
// channels kept planar: the same operations in the same order as the one-pixel loop
// below, lane by lane. Starts at pixel start; returns where it stopped (fewer than four
// pixels before n).
template <MTLPixelFormat kFormat>
int sampleLinearClamp4(const unsigned char* base, NSUInteger pitch, int w, int h, float u0, float du, float v0,
                       float dv, int start, int n, float* const* out) {
  constexpr int kBytes = kFormat == MTLPixelFormatR8Unorm ? 1 : 4;
  constexpr int ri = kFormat == MTLPixelFormatBGRA8Unorm ? 2 : 0, bi = 2 - ri;
  const __m128 fw = _mm_set1_ps(float(w)), fh = _mm_set1_ps(float(h));
  const __m128 lo = _mm_set1_ps(-1e8f), hi = _mm_set1_ps(1e8f), half = _mm_set1_ps(0.5f);
  const __m128 vu0 = _mm_set1_ps(u0), vdu = _mm_set1_ps(du), vv0 = _mm_set1_ps(v0), vdv = _mm_set1_ps(dv);
  const __m128 k = _mm_set1_ps(1.0f / 255.0f);
  const __m128i wm1 = _mm_set1_epi32(w - 1), hm1 = _mm_set1_epi32(h - 1), one = _mm_set1_epi32(1);
  const __m128i byteMask = _mm_set1_epi32(0xFF);
  auto clampCoord = [&](__m128 v) {  // NaN to 0, then into +-1e8
    v = _mm_and_ps(v, _mm_cmpord_ps(v, v));
    return _mm_min_ps(_mm_max_ps(v, lo), hi);
  };
  auto floorInt4 = [](__m128 v) {
    const __m128i t = _mm_cvttps_epi32(v);
    return _mm_add_epi32(t, _mm_castps_si128(_mm_cmplt_ps(v, _mm_cvtepi32_ps(t))));
  };
  auto clampIndex = [](__m128i x, __m128i top) {
    x = _mm_andnot_si128(_mm_srai_epi32(x, 31), x);
    const __m128i over = _mm_cmpgt_epi32(x, top);
    return _mm_or_si128(_mm_and_si128(over, top), _mm_andnot_si128(over, x));
  };
  auto lerp = [](__m128 c00, __m128 c10, __m128 c01, __m128 c11, __m128 ax, __m128 ay) {
    const __m128 top = _mm_add_ps(c00, _mm_mul_ps(_mm_sub_ps(c10, c00), ax));
    const __m128 bottom = _mm_add_ps(c01, _mm_mul_ps(_mm_sub_ps(c11, c01), ax));
    return _mm_add_ps(top, _mm_mul_ps(_mm_sub_ps(bottom, top), ay));
  };
  int i = start;
  for (; i + 4 <= n; i += 4) {
    const __m128 fi = _mm_cvtepi32_ps(_mm_setr_epi32(i, i + 1, i + 2, i + 3));
    const __m128 fx = _mm_sub_ps(clampCoord(_mm_mul_ps(_mm_add_ps(vu0, _mm_mul_ps(vdu, fi)), fw)), half);
    const __m128 fy = _mm_sub_ps(clampCoord(_mm_mul_ps(_mm_add_ps(vv0, _mm_mul_ps(vdv, fi)), fh)), half);
    const __m128i x0 = floorInt4(fx), y0 = floorInt4(fy);
    const __m128 ax = _mm_sub_ps(fx, _mm_cvtepi32_ps(x0)), ay = _mm_sub_ps(fy, _mm_cvtepi32_ps(y0));
    alignas(16) int32_t xa[4], xb[4], ya[4], yb[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(xa), clampIndex(x0, wm1));
    _mm_store_si128(reinterpret_cast<__m128i*>(xb), clampIndex(_mm_add_epi32(x0, one), wm1));
    _mm_store_si128(reinterpret_cast<__m128i*>(ya), clampIndex(y0, hm1));
    _mm_store_si128(reinterpret_cast<__m128i*>(yb), clampIndex(_mm_add_epi32(y0, one), hm1));
    alignas(16) int32_t q00[4], q10[4], q01[4], q11[4];
    for (int j = 0; j < 4; j++) {
      const unsigned char* ra = base + NSUInteger(ya[j]) * pitch * kBytes;
      const unsigned char* rb = base + NSUInteger(yb[j]) * pitch * kBytes;
      if constexpr (kBytes == 1) {
        q00[j] = ra[xa[j]], q10[j] = ra[xb[j]], q01[j] = rb[xa[j]], q11[j] = rb[xb[j]];
      } else {
        std::memcpy(&q00[j], ra + NSUInteger(xa[j]) * 4, 4);
        std::memcpy(&q10[j], ra + NSUInteger(xb[j]) * 4, 4);
        std::memcpy(&q01[j], rb + NSUInteger(xa[j]) * 4, 4);
        std::memcpy(&q11[j], rb + NSUInteger(xb[j]) * 4, 4);
      }
    }
    const __m128i w00 = _mm_load_si128(reinterpret_cast<const __m128i*>(q00));
    const __m128i w10 = _mm_load_si128(reinterpret_cast<const __m128i*>(q10));
    const __m128i w01 = _mm_load_si128(reinterpret_cast<const __m128i*>(q01));
    const __m128i w11 = _mm_load_si128(reinterpret_cast<const __m128i*>(q11));
    if constexpr (kBytes == 1) {
      // Texels are scaled before filtering, as texel() does.
      auto c = [&](__m128i q) { return _mm_mul_ps(_mm_cvtepi32_ps(q), k); };
      _mm_storeu_ps(out[0] + i, lerp(c(w00), c(w10), c(w01), c(w11), ax, ay));
      _mm_storeu_ps(out[1] + i, _mm_setzero_ps());
      _mm_storeu_ps(out[2] + i, _mm_setzero_ps());
      _mm_storeu_ps(out[3] + i, _mm_set1_ps(1.0f));
    } else {
      auto channel = [&](int byte) {
        auto c = [&](__m128i q) { return _mm_cvtepi32_ps(_mm_and_si128(_mm_srl_epi32(q, _mm_cvtsi32_si128(8 * byte)), byteMask)); };
        return _mm_mul_ps(lerp(c(w00), c(w10), c(w01), c(w11), ax, ay), k);
      };
      _mm_storeu_ps(out[0] + i, channel(ri));
      _mm_storeu_ps(out[1] + i, channel(1));
      _mm_storeu_ps(out[2] + i, channel(bi));
      _mm_storeu_ps(out[3] + i, channel(3));
    }
  }
  return i;
}
#endif

#if defined(__x86_64__) && defined(__GNUC__)
#define MTLSW_SAMPLE_AVX2 1
// The same eight pixels at a time with AVX2 (gathers for four-byte texels); returns where
// it stopped. Upper halves are cleared on return.
template <MTLPixelFormat kFormat>
__attribute__((target("avx2"))) int sampleLinearClamp8(const unsigned char* base, NSUInteger pitch, int w, int h,
                                                       float u0, float du, float v0, float dv, int n,
                                                       float* const* out) {
  constexpr int ri = kFormat == MTLPixelFormatBGRA8Unorm ? 2 : 0, bi = 2 - ri;
  // Gathers index with 32-bit offsets: leave larger textures to the narrower path.
  if (NSUInteger(w) * NSUInteger(h) * 4 >= (NSUInteger(1) << 31)) return 0;
  const __m256 fw = _mm256_set1_ps(float(w)), fh = _mm256_set1_ps(float(h));
  const __m256 lo = _mm256_set1_ps(-1e8f), hi = _mm256_set1_ps(1e8f), half = _mm256_set1_ps(0.5f);
  const __m256 vu0 = _mm256_set1_ps(u0), vdu = _mm256_set1_ps(du), vv0 = _mm256_set1_ps(v0), vdv = _mm256_set1_ps(dv);
  const __m256 k = _mm256_set1_ps(1.0f / 255.0f);
  const __m256i wm1 = _mm256_set1_epi32(w - 1), hm1 = _mm256_set1_epi32(h - 1), one = _mm256_set1_epi32(1);
  const __m256i zero = _mm256_setzero_si256(), rowStride = _mm256_set1_epi32(int(pitch));
  const __m256i byteMask = _mm256_set1_epi32(0xFF);
  const __m256i lane = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
  auto lerp = [&](__m256 c00, __m256 c10, __m256 c01, __m256 c11, __m256 ax, __m256 ay) __attribute__((target("avx2"))) {
    const __m256 top = _mm256_add_ps(c00, _mm256_mul_ps(_mm256_sub_ps(c10, c00), ax));
    const __m256 bottom = _mm256_add_ps(c01, _mm256_mul_ps(_mm256_sub_ps(c11, c01), ax));
    return _mm256_add_ps(top, _mm256_mul_ps(_mm256_sub_ps(bottom, top), ay));
  };
  auto coord = [&](__m256 c0, __m256 dc, __m256 size, __m256 fi) __attribute__((target("avx2"))) {
    __m256 v = _mm256_mul_ps(_mm256_add_ps(c0, _mm256_mul_ps(dc, fi)), size);
    v = _mm256_and_ps(v, _mm256_cmp_ps(v, v, _CMP_ORD_Q));  // NaN to 0
    return _mm256_sub_ps(_mm256_min_ps(_mm256_max_ps(v, lo), hi), half);
  };
  auto floorInt8 = [&](__m256 v) __attribute__((target("avx2"))) {
    const __m256i t = _mm256_cvttps_epi32(v);
    return _mm256_add_epi32(t, _mm256_castps_si256(_mm256_cmp_ps(v, _mm256_cvtepi32_ps(t), _CMP_LT_OQ)));
  };
  int i = 0;
  for (; i + 8 <= n; i += 8) {
    const __m256 fi = _mm256_cvtepi32_ps(_mm256_add_epi32(_mm256_set1_epi32(i), lane));
    const __m256 fx = coord(vu0, vdu, fw, fi), fy = coord(vv0, vdv, fh, fi);
    const __m256i x0 = floorInt8(fx), y0 = floorInt8(fy);
    const __m256 ax = _mm256_sub_ps(fx, _mm256_cvtepi32_ps(x0)), ay = _mm256_sub_ps(fy, _mm256_cvtepi32_ps(y0));
    const __m256i xa = _mm256_min_epi32(_mm256_max_epi32(x0, zero), wm1);
    const __m256i xb = _mm256_min_epi32(_mm256_max_epi32(_mm256_add_epi32(x0, one), zero), wm1);
    const __m256i ra = _mm256_mullo_epi32(_mm256_min_epi32(_mm256_max_epi32(y0, zero), hm1), rowStride);
    const __m256i rb = _mm256_mullo_epi32(_mm256_min_epi32(_mm256_max_epi32(_mm256_add_epi32(y0, one), zero), hm1),
                                          rowStride);
    if constexpr (kFormat == MTLPixelFormatR8Unorm) {
      // Bytes read one by one (a word gather could run past the texture's end).
      auto texel = [&](__m256i off) __attribute__((target("avx2"))) {
        alignas(32) int32_t o[8], q[8];
        _mm256_store_si256(reinterpret_cast<__m256i*>(o), off);
        for (int j = 0; j < 8; j++) q[j] = base[o[j]];
        return _mm256_mul_ps(_mm256_cvtepi32_ps(_mm256_load_si256(reinterpret_cast<const __m256i*>(q))), k);
      };
      const __m256 c00 = texel(_mm256_add_epi32(ra, xa)), c10 = texel(_mm256_add_epi32(ra, xb));
      const __m256 c01 = texel(_mm256_add_epi32(rb, xa)), c11 = texel(_mm256_add_epi32(rb, xb));
      _mm256_storeu_ps(out[0] + i, lerp(c00, c10, c01, c11, ax, ay));
      _mm256_storeu_ps(out[1] + i, _mm256_setzero_ps());
      _mm256_storeu_ps(out[2] + i, _mm256_setzero_ps());
      _mm256_storeu_ps(out[3] + i, _mm256_set1_ps(1.0f));
    } else {
      const int* words = reinterpret_cast<const int*>(base);
      const __m256i w00 = _mm256_i32gather_epi32(words, _mm256_add_epi32(ra, xa), 4);
      const __m256i w10 = _mm256_i32gather_epi32(words, _mm256_add_epi32(ra, xb), 4);
      const __m256i w01 = _mm256_i32gather_epi32(words, _mm256_add_epi32(rb, xa), 4);
      const __m256i w11 = _mm256_i32gather_epi32(words, _mm256_add_epi32(rb, xb), 4);
      auto channel = [&](int byte) __attribute__((target("avx2"))) {
        const __m128i shift = _mm_cvtsi32_si128(8 * byte);
        auto c = [&](__m256i q) __attribute__((target("avx2"))) {
          return _mm256_cvtepi32_ps(_mm256_and_si256(_mm256_srl_epi32(q, shift), byteMask));
        };
        return _mm256_mul_ps(lerp(c(w00), c(w10), c(w01), c(w11), ax, ay), k);
      };
      _mm256_storeu_ps(out[0] + i, channel(ri));
      _mm256_storeu_ps(out[1] + i, channel(1));
      _mm256_storeu_ps(out[2] + i, channel(bi));
      _mm256_storeu_ps(out[3] + i, channel(3));
    }
  }
  _mm256_zeroupper();
  return i;
}

inline bool sampleHasAvx2() {
  static const bool has = __builtin_cpu_supports("avx2");
  return has;
}
#endif

template <MTLPixelFormat kFormat, bool kLinear, bool kRepeatS, bool kRepeatT>
void sampleRun(const MTLTexture* t, NSUInteger level, float u0, float du, float v0, float dv, int n,
               float* const* out) {
  const int w = static_cast<int>(t->levelWidth(level)), h = static_cast<int>(t->levelHeight(level));
  const unsigned char* base = t->levelBytes(level);
  const NSUInteger pitch = t->levelWidth(level);
  auto clampf = [](float v) { return v != v ? 0.0f : (v < -1e8f ? -1e8f : (v > 1e8f ? 1e8f : v)); };
  float* __restrict o0 = out[0];
  float* __restrict o1 = out[1];
  float* __restrict o2 = out[2];
  float* __restrict o3 = out[3];
  int first = 0;
#if defined(__SSE2__)
  if constexpr (kLinear && !kRepeatS && !kRepeatT) {
#if defined(MTLSW_SAMPLE_AVX2)
    if (n >= 8 && sampleHasAvx2()) first = sampleLinearClamp8<kFormat>(base, pitch, w, h, u0, du, v0, dv, n, out);
#endif
    first = sampleLinearClamp4<kFormat>(base, pitch, w, h, u0, du, v0, dv, first, n, out);
  }
#endif
  for (int i = first; i < n; i++) {
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
void sampleRun(const MTLTexture* t, NSUInteger level, const MTLSamplerDescriptor& d, float u0, float du, float v0,
               float dv, int n, float* const* out) {
  const bool rs = d.sAddressMode == MTLSamplerAddressModeRepeat, rt = d.tAddressMode == MTLSamplerAddressModeRepeat;
  if (rs && rt) return sampleRun<kFormat, kLinear, true, true>(t, level, u0, du, v0, dv, n, out);
  if (rs) return sampleRun<kFormat, kLinear, true, false>(t, level, u0, du, v0, dv, n, out);
  if (rt) return sampleRun<kFormat, kLinear, false, true>(t, level, u0, du, v0, dv, n, out);
  return sampleRun<kFormat, kLinear, false, false>(t, level, u0, du, v0, dv, n, out);
}

// One level, one filter.
inline void sampleLevel(const MTLTexture* t, NSUInteger level, const MTLSamplerDescriptor& d, bool linear, float u0,
                        float du, float v0, float dv, int n, float* const* out) {
  switch (t->pixelFormat()) {
    case MTLPixelFormatRGBA8Unorm:
      return linear ? sampleRun<MTLPixelFormatRGBA8Unorm, true>(t, level, d, u0, du, v0, dv, n, out)
                    : sampleRun<MTLPixelFormatRGBA8Unorm, false>(t, level, d, u0, du, v0, dv, n, out);
    case MTLPixelFormatBGRA8Unorm:
      return linear ? sampleRun<MTLPixelFormatBGRA8Unorm, true>(t, level, d, u0, du, v0, dv, n, out)
                    : sampleRun<MTLPixelFormatBGRA8Unorm, false>(t, level, d, u0, du, v0, dv, n, out);
    default:
      return linear ? sampleRun<MTLPixelFormatR8Unorm, true>(t, level, d, u0, du, v0, dv, n, out)
                    : sampleRun<MTLPixelFormatR8Unorm, false>(t, level, d, u0, du, v0, dv, n, out);
  }
}

}  // namespace detail

// Level of detail of a run of pixels: log2 of the longer side of one pixel's footprint in
// level-0 texels, from the change of the normalised coordinates per pixel along the row
// (du, dv) and per row (dudy, dvdy). Below 0 the texture is magnified. Coordinates that
// are affine in the frame have the same level along the whole run.
inline float levelOfDetail(const MTLTexture* t, float du, float dv, float dudy, float dvdy) {
  const float w = float(t->levelWidth(0)), h = float(t->levelHeight(0));
  const float ax = du * w, ay = dv * h, bx = dudy * w, by = dvdy * h;
  const float rho2 = std::fmax(ax * ax + ay * ay, bx * bx + by * by);
  if (!(rho2 > 0.0f) || !std::isfinite(rho2)) return rho2 > 0.0f ? 1e9f : -1e9f;
  return 0.5f * std::log2(rho2);
}

// Whether levelOfDetail is above 0 (the texture minified), without the logarithm.
inline bool minified(const MTLTexture* t, float du, float dv, float dudy, float dvdy) {
  const float w = float(t->levelWidth(0)), h = float(t->levelHeight(0));
  const float ax = du * w, ay = dv * h, bx = dudy * w, by = dvdy * h;
  return std::fmax(ax * ax + ay * ay, bx * bx + by * by) > 1.0f;
}

// Samples n points along a line in texture space, (u0 + du*i, v0 + dv*i), into four
// planes; the coordinates change by (dudy, dvdy) from one row of pixels to the next. The
// level of detail picks the filter (minification above 0, magnification otherwise) and,
// for a mipmapped texture and a sampler with a mip filter, the level: the nearest one, or
// the two around it blended by the fraction. Level 0 alone gives the same results as
// sample() point by point. A null texture reads zeros.
inline void sampleSpan(const MTLTexture* t, const MTLSamplerState* s, float u0, float du, float v0, float dv, int n,
                       float* const* out, float dudy = 0.0f, float dvdy = 0.0f) {
  if (!t) {
    for (int k = 0; k < 4; k++)
      for (int i = 0; i < n; i++) out[k][i] = 0.0f;
    return;
  }
  static const MTLSamplerDescriptor kDefault{};
  const MTLSamplerDescriptor& d = s ? s->descriptor() : kDefault;
  const float lod = levelOfDetail(t, du, dv, dudy, dvdy);
  const bool linear = (lod > 0.0f ? d.minFilter : d.magFilter) != MTLSamplerMinMagFilterNearest;
  const NSUInteger top = t->mipmapLevelCount() - 1;
  if (d.mipFilter == MTLSamplerMipFilterNotMipmapped || top == 0 || !(lod > 0.0f))
    return detail::sampleLevel(t, 0, d, linear, u0, du, v0, dv, n, out);
  const float clamped = std::fmin(lod, float(top));
  if (d.mipFilter == MTLSamplerMipFilterNearest) {
    const NSUInteger level = clamped > 0.5f ? NSUInteger(std::ceil(clamped + 0.5f)) - 1 : 0;
    return detail::sampleLevel(t, std::min(level, top), d, linear, u0, du, v0, dv, n, out);
  }
  const NSUInteger lo = NSUInteger(clamped);
  const float frac = clamped - float(lo);
  detail::sampleLevel(t, lo, d, linear, u0, du, v0, dv, n, out);
  if (lo >= top || frac == 0.0f) return;
  // The next level in chunks, blended into the planes.
  constexpr int kChunk = 64;
  float next[4][kChunk];
  float* planes[4] = {next[0], next[1], next[2], next[3]};
  for (int first = 0; first < n; first += kChunk) {
    const int m = std::min(kChunk, n - first);
    detail::sampleLevel(t, lo + 1, d, linear, u0 + du * float(first), du, v0 + dv * float(first), dv, m, planes);
    for (int k = 0; k < 4; k++)
      for (int i = 0; i < m; i++) out[k][first + i] += (next[k][i] - out[k][first + i]) * frac;
  }
}

namespace detail {

#if defined(MTLSW_SAMPLE_AVX2)
// Points from i on, eight at a time, that read texel x0 + i (see texelsAtCentres): where it
// stopped, or -1 when a point reads another texel or spreads its weight.
__attribute__((target("avx2"))) inline int centresAvx2(float u0, float du, int w, bool linear, float near, int x0,
                                                       int i, int n) {
  const __m256 vu0 = _mm256_set1_ps(u0), vdu = _mm256_set1_ps(du), fw = _mm256_set1_ps(float(w));
  const __m256 lo = _mm256_set1_ps(-1e8f), hi = _mm256_set1_ps(1e8f), shift = _mm256_set1_ps(linear ? 0.5f : 0.0f);
  const __m256 nearLo = _mm256_set1_ps(near), nearHi = _mm256_set1_ps(1.0f - near);
  const __m256i step = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
  int result = i;
  for (; result + 8 <= n; result += 8) {
    const __m256i lane = _mm256_add_epi32(_mm256_set1_epi32(result), step);
    __m256 f = _mm256_mul_ps(_mm256_add_ps(vu0, _mm256_mul_ps(vdu, _mm256_cvtepi32_ps(lane))), fw);
    f = _mm256_and_ps(f, _mm256_cmp_ps(f, f, _CMP_ORD_Q));
    f = _mm256_sub_ps(_mm256_min_ps(_mm256_max_ps(f, lo), hi), shift);
    const __m256i t0 = _mm256_cvttps_epi32(f);
    const __m256i i0 = _mm256_add_epi32(t0, _mm256_castps_si256(_mm256_cmp_ps(f, _mm256_cvtepi32_ps(t0), _CMP_LT_OQ)));
    __m256i ix = i0;
    if (linear) {
      const __m256 a = _mm256_sub_ps(f, _mm256_cvtepi32_ps(i0));
      const __m256 up = _mm256_cmp_ps(a, nearHi, _CMP_GE_OQ);
      if (_mm256_movemask_ps(_mm256_or_ps(_mm256_cmp_ps(a, nearLo, _CMP_LE_OQ), up)) != 0xFF) {
        result = -1;
        break;
      }
      ix = _mm256_sub_epi32(i0, _mm256_castps_si256(up));
    }
    const __m256i want = _mm256_add_epi32(_mm256_set1_epi32(x0), lane);
    if (_mm256_movemask_epi8(_mm256_cmpeq_epi32(ix, want)) != -1) {
      result = -1;
      break;
    }
  }
  _mm256_zeroupper();
  return result;
}
#endif

}  // namespace detail

// Where sampleSpan, at the n points (u0 + du*i, v0), reads texels x0, x0 + 1, ... of one
// row of level 0 of an RGBA texture, one texel per point with all but a negligible weight
// (nearest filtering, or bilinear within 3e-4 of the texel centres on both axes: the
// filtered colour, premultiplied and blended, stays within 0.46 of a step of the texel's):
// texel x0's bytes, the others following them; null otherwise. The coordinates are computed
// exactly as sampleSpan computes them, point by point.
inline const unsigned char* centresOfRow(const MTLTexture* t, const MTLSamplerState* s, float u0, float du, float v0,
                                         float dv, int n, float dudy, float dvdy) {
  if (!t || n <= 0 || dv != 0.0f || !std::isfinite(du) || t->pixelFormat() != MTLPixelFormatRGBA8Unorm) return nullptr;
  // Runs that step by anything but one texel per pixel are turned away at once.
  if (n > 1 && !(std::fabs(du * float(t->levelWidth(0)) - 1.0f) <= 1e-3f)) return nullptr;
  static const MTLSamplerDescriptor kDefault{};
  const MTLSamplerDescriptor& d = s ? s->descriptor() : kDefault;
  const bool minifies = minified(t, du, dv, dudy, dvdy);
  if (d.mipFilter != MTLSamplerMipFilterNotMipmapped && t->mipmapLevelCount() > 1 && minifies) return nullptr;
  const bool linear = (minifies ? d.minFilter : d.magFilter) != MTLSamplerMinMagFilterNearest;
  const int w = static_cast<int>(t->levelWidth(0)), h = static_cast<int>(t->levelHeight(0));
  constexpr float kNear = 3e-4f;
  auto clampf = [](float v) { return v != v ? 0.0f : (v < -1e8f ? -1e8f : (v > 1e8f ? 1e8f : v)); };
  // The texel index a coordinate reads, before addressing, or INT_MIN when its weight is spread.
  auto index = [&](float f) {
    if (!linear) return detail::floorInt(f);
    f -= 0.5f;
    const int i0 = detail::floorInt(f);
    const float a = f - float(i0);
    return a <= kNear ? i0 : (a >= 1.0f - kNear ? i0 + 1 : INT_MIN);
  };
  const int row = index(clampf(v0 * float(h)));
  const int x0 = index(clampf(u0 * float(w)));
  // Indices inside the texture read themselves under every addressing mode.
  if (row < 0 || row >= h || x0 < 0 || x0 > w - n) return nullptr;
  const unsigned char* texels = t->levelBytes(0) + (NSUInteger(row) * NSUInteger(w) + NSUInteger(x0)) * 4;
  if (linear) {
    // The points' exact coordinates (u0 + du i) w - 0.5 lie on a line, so their distances
    // from the texel centres x0 + i are largest at the run's ends. Each point is computed
    // with three roundings (du i, u0 + du i, times w), each by at most half the spacing of
    // floats at the largest magnitude it takes along the run. Ends that close to the
    // centres, with all three to spare, hold every point within kNear, as the point by
    // point test below would find.
    auto halfSpacing = [](double a) {  // 2^(e - 24) for a (a little above) in [2^e, 2^(e + 1))
      uint64_t bits;
      const double above = a * (1.0 + 0x1p-20) + 0x1p-126;
      std::memcpy(&bits, &above, sizeof(bits));
      bits &= 0x7FF0000000000000ull;
      double power;
      std::memcpy(&power, &bits, sizeof(power));
      return power * 0x1p-24;
    };
    const double wd = double(w), last = double(n - 1), ul = double(u0) + double(du) * last;
    const double g0 = double(u0) * wd, g1 = ul * wd;
    const double c = std::fmax(std::fabs(g0 - 0.5 - double(x0)), std::fabs(g1 - 0.5 - double(x0) - last));
    const double rounding = (halfSpacing(std::fabs(double(du)) * last) +
                             halfSpacing(std::fmax(std::fabs(double(u0)), std::fabs(ul)))) * wd +
                            halfSpacing(std::fmax(std::fabs(g0), std::fabs(g1)));
    if (c + rounding <= 0.99 * double(kNear)) return texels;
  }
  int i = 1;
#if defined(MTLSW_SAMPLE_AVX2)
  if (n >= 9 && detail::sampleHasAvx2()) {
    i = detail::centresAvx2(u0, du, w, linear, kNear, x0, i, n);
    if (i < 0) return nullptr;
  }
#endif
#if defined(__SSE2__)
  {
    const __m128 vu0 = _mm_set1_ps(u0), vdu = _mm_set1_ps(du), fw = _mm_set1_ps(float(w));
    const __m128 lo = _mm_set1_ps(-1e8f), hi = _mm_set1_ps(1e8f), shift = _mm_set1_ps(linear ? 0.5f : 0.0f);
    const __m128 nearLo = _mm_set1_ps(kNear), nearHi = _mm_set1_ps(1.0f - kNear);
    for (; i + 4 <= n; i += 4) {
      const __m128i lane = _mm_setr_epi32(i, i + 1, i + 2, i + 3);
      __m128 f = _mm_mul_ps(_mm_add_ps(vu0, _mm_mul_ps(vdu, _mm_cvtepi32_ps(lane))), fw);
      f = _mm_and_ps(f, _mm_cmpord_ps(f, f));
      f = _mm_sub_ps(_mm_min_ps(_mm_max_ps(f, lo), hi), shift);
      const __m128i t0 = _mm_cvttps_epi32(f);
      const __m128i i0 = _mm_add_epi32(t0, _mm_castps_si128(_mm_cmplt_ps(f, _mm_cvtepi32_ps(t0))));
      __m128i ix = i0;
      if (linear) {
        const __m128 a = _mm_sub_ps(f, _mm_cvtepi32_ps(i0));
        const __m128 up = _mm_cmpge_ps(a, nearHi);
        if (_mm_movemask_ps(_mm_or_ps(_mm_cmple_ps(a, nearLo), up)) != 0xF) return nullptr;
        ix = _mm_sub_epi32(i0, _mm_castps_si128(up));
      }
      const __m128i want = _mm_add_epi32(_mm_set1_epi32(x0), lane);
      if (_mm_movemask_epi8(_mm_cmpeq_epi32(ix, want)) != 0xFFFF) return nullptr;
    }
  }
#endif
  for (; i < n; i++)
    if (index(clampf((u0 + du * float(i)) * float(w))) != x0 + i) return nullptr;
  return texels;
}

// Texels at the centres of the points (centresOfRow) that are all opaque, or fully
// transparent when transparentKeeps (premultiplied: every byte 0; straight: alpha 0): such
// a texel, premultiplied and blended, rounds to its own bytes (or leaves the pixel as it
// is). texels[i] gets texel x0 + i's bytes (R, G, B, A) and flags[i] kMTLFragmentTexel for
// an opaque texel, kMTLFragmentKeep for a transparent one; true. Otherwise false with flags
// untouched.
inline bool texelsAtCentres(const MTLTexture* t, const MTLSamplerState* s, float u0, float du, float v0, float dv,
                            int n, float dudy, float dvdy, bool premultiplied, bool transparentKeeps,
                            uint32_t* texels, unsigned char* flags) {
  const unsigned char* src = centresOfRow(t, s, u0, du, v0, dv, n, dudy, dvdy);
  if (!src) return false;
  std::memcpy(texels, src, size_t(n) * 4);
  constexpr uint32_t kAlpha = 0xFF000000u;
  int k = 0;
#if defined(__SSE2__)
  const __m128i alpha = _mm_set1_epi32(int(kAlpha));
  for (; k + 4 <= n; k += 4) {
    const __m128i a = _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(texels + k)), alpha);
    if (_mm_movemask_epi8(_mm_cmpeq_epi32(a, alpha)) != 0xFFFF) break;
  }
#endif
  while (k < n && (texels[k] & kAlpha) == kAlpha) k++;
  if (k == n) {
    std::memset(flags, kMTLFragmentTexel, size_t(n));
    return true;
  }
  if (!transparentKeeps) return false;
  for (; k < n; k++) {
    const uint32_t a = texels[k] & kAlpha;
    if (a != kAlpha && (premultiplied ? texels[k] != 0 : a != 0)) return false;
  }
  for (k = 0; k < n; k++) flags[k] = (texels[k] & kAlpha) == kAlpha ? kMTLFragmentTexel : kMTLFragmentKeep;
  return true;
}

}  // namespace mtlsw
