// Source-over kernels: SSE2 four pixels at a time, AVX2 eight at a time where the
// processor has it. Both do the same float operations in the same order (no fused
// multiply-add), so they give the same bytes.
#include "SourceOver.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <immintrin.h>
#endif

namespace mtlsw {
namespace {

#if defined(__SSE2__)
inline void srcOver4(unsigned char* d, const float* r, const float* g, const float* b, const float* a) {
  const __m128 zero = _mm_setzero_ps(), one = _mm_set1_ps(1.0f), k = _mm_set1_ps(1.0f / 255.0f);
  const __m128 scale = _mm_set1_ps(255.0f), half = _mm_set1_ps(0.5f);
  const __m128i mask = _mm_set1_epi32(0xFF);
  auto toBytes = [&](__m128 v) {
    return _mm_cvttps_epi32(_mm_add_ps(_mm_mul_ps(_mm_min_ps(_mm_max_ps(v, zero), one), scale), half));
  };
  const __m128 sa = _mm_loadu_ps(a);
  // Transparent black: every byte would come back as it is.
  const __m128 any = _mm_or_ps(_mm_or_ps(_mm_loadu_ps(r), _mm_loadu_ps(g)), _mm_or_ps(_mm_loadu_ps(b), sa));
  if (_mm_movemask_epi8(_mm_cmpeq_epi32(_mm_castps_si128(any), _mm_setzero_si128())) == 0xFFFF) return;
  if (_mm_movemask_ps(_mm_cmpge_ps(sa, one)) == 0xF) {
    // Opaque: the destination does not show through.
    const __m128i out = _mm_or_si128(
        _mm_or_si128(toBytes(_mm_loadu_ps(r)), _mm_slli_epi32(toBytes(_mm_loadu_ps(g)), 8)),
        _mm_or_si128(_mm_slli_epi32(toBytes(_mm_loadu_ps(b)), 16), _mm_slli_epi32(toBytes(sa), 24)));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d), out);
    return;
  }
  const __m128i px = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d));
  const __m128 d0 = _mm_cvtepi32_ps(_mm_and_si128(px, mask));
  const __m128 d1 = _mm_cvtepi32_ps(_mm_and_si128(_mm_srli_epi32(px, 8), mask));
  const __m128 d2 = _mm_cvtepi32_ps(_mm_and_si128(_mm_srli_epi32(px, 16), mask));
  const __m128 d3 = _mm_cvtepi32_ps(_mm_srli_epi32(px, 24));
  const __m128 inv = _mm_mul_ps(_mm_sub_ps(one, sa), k);
  auto channel = [&](__m128 src, __m128 dst) { return toBytes(_mm_add_ps(src, _mm_mul_ps(dst, inv))); };
  const __m128i o0 = channel(_mm_loadu_ps(r), d0);
  const __m128i o1 = channel(_mm_loadu_ps(g), d1);
  const __m128i o2 = channel(_mm_loadu_ps(b), d2);
  const __m128i o3 = channel(sa, d3);
  const __m128i out = _mm_or_si128(_mm_or_si128(o0, _mm_slli_epi32(o1, 8)),
                                   _mm_or_si128(_mm_slli_epi32(o2, 16), _mm_slli_epi32(o3, 24)));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(d), out);
}

// Groups of four, then the last one to three pixels through the same step on a copy.
void srcOverSse2(unsigned char* d, const float* r, const float* g, const float* b, const float* a, int n) {
  int i = 0;
  for (; i + 4 <= n; i += 4) srcOver4(d + 4 * i, r + i, g + i, b + i, a + i);
  if (i < n) {
    const int m = n - i;
    alignas(16) unsigned char td[16] = {};
    switch (m) {
      case 3: std::memcpy(td + 8, d + 4 * i + 8, 4); [[fallthrough]];
      case 2: std::memcpy(td + 4, d + 4 * i + 4, 4); [[fallthrough]];
      default: std::memcpy(td, d + 4 * i, 4);
    }
    srcOver4(td, r + i, g + i, b + i, a + i);
    switch (m) {
      case 3: std::memcpy(d + 4 * i + 8, td + 8, 4); [[fallthrough]];
      case 2: std::memcpy(d + 4 * i + 4, td + 4, 4); [[fallthrough]];
      default: std::memcpy(d + 4 * i, td, 4);
    }
  }
}

#if defined(__x86_64__) || defined(__i386__)
#define MTLSW_HAVE_AVX2 1
__attribute__((target("avx2"))) void srcOverAvx2(unsigned char* d, const float* r, const float* g, const float* b,
                                                 const float* a, int n) {
  const __m256 one = _mm256_set1_ps(1.0f), k = _mm256_set1_ps(1.0f / 255.0f);
  const __m256 scale = _mm256_set1_ps(255.0f), half = _mm256_set1_ps(0.5f);
  const __m256i mask = _mm256_set1_epi32(0xFF);
  // Channel to byte as the narrower paths round it: min(v, 1) * 255 + 0.5 truncated, the
  // lower clamp left to the saturating packs (a NaN converts to the most negative integer
  // and so packs to 0, as the clamp gives).
  auto toInt = [&](__m256 v) __attribute__((target("avx2"))) {
    return _mm256_cvttps_epi32(_mm256_add_ps(_mm256_mul_ps(_mm256_min_ps(one, v), scale), half));
  };
  // Four channel vectors to eight interleaved pixels.
  const __m256i interleave = _mm256_setr_epi8(0, 4, 8, 12, 1, 5, 9, 13, 2, 6, 10, 14, 3, 7, 11, 15,
                                              0, 4, 8, 12, 1, 5, 9, 13, 2, 6, 10, 14, 3, 7, 11, 15);
  auto pixels = [&](__m256i c0, __m256i c1, __m256i c2, __m256i c3) __attribute__((target("avx2"))) {
    const __m256i bytes = _mm256_packus_epi16(_mm256_packs_epi32(c0, c1), _mm256_packs_epi32(c2, c3));
    return _mm256_shuffle_epi8(bytes, interleave);
  };
  // Eight pixels from i; only the first m are loaded from and stored to d (the planes are
  // readable past the span).
  auto step = [&](int i, int m) __attribute__((target("avx2"))) {
    const __m256i live = _mm256_cmpgt_epi32(_mm256_set1_epi32(m), _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7));
    const int liveBits = _mm256_movemask_ps(_mm256_castsi256_ps(live));
    int* px32 = reinterpret_cast<int*>(d + 4 * i);
    const __m256 sa = _mm256_loadu_ps(a + i);
    // Transparent black: every byte would come back as it is.
    const __m256 any = _mm256_or_ps(_mm256_or_ps(_mm256_loadu_ps(r + i), _mm256_loadu_ps(g + i)),
                                    _mm256_or_ps(_mm256_loadu_ps(b + i), sa));
    if ((_mm256_movemask_ps(_mm256_castsi256_ps(_mm256_cmpeq_epi32(_mm256_castps_si256(any), _mm256_setzero_si256()))) &
         liveBits) == liveBits)
      return;
    __m256i out;
    if ((_mm256_movemask_ps(_mm256_cmp_ps(sa, one, _CMP_GE_OQ)) & liveBits) == liveBits) {
      // Opaque: the destination does not show through.
      out = pixels(toInt(_mm256_loadu_ps(r + i)), toInt(_mm256_loadu_ps(g + i)), toInt(_mm256_loadu_ps(b + i)),
                   toInt(sa));
    } else {
      const __m256i px = m == 8 ? _mm256_loadu_si256(reinterpret_cast<const __m256i*>(px32))
                                : _mm256_maskload_epi32(px32, live);
      const __m256 d0 = _mm256_cvtepi32_ps(_mm256_and_si256(px, mask));
      const __m256 d1 = _mm256_cvtepi32_ps(_mm256_and_si256(_mm256_srli_epi32(px, 8), mask));
      const __m256 d2 = _mm256_cvtepi32_ps(_mm256_and_si256(_mm256_srli_epi32(px, 16), mask));
      const __m256 d3 = _mm256_cvtepi32_ps(_mm256_srli_epi32(px, 24));
      const __m256 inv = _mm256_mul_ps(_mm256_sub_ps(one, sa), k);
      auto channel = [&](__m256 src, __m256 dst) __attribute__((target("avx2"))) {
        return toInt(_mm256_add_ps(src, _mm256_mul_ps(dst, inv)));
      };
      out = pixels(channel(_mm256_loadu_ps(r + i), d0), channel(_mm256_loadu_ps(g + i), d1),
                   channel(_mm256_loadu_ps(b + i), d2), channel(sa, d3));
    }
    if (m == 8)
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(px32), out);
    else
      _mm256_maskstore_epi32(px32, live, out);
  };
  int i = 0;
  for (; i + 8 <= n; i += 8) step(i, 8);
  if (i < n) step(i, n - i);
  // Leave the upper halves clean for the SSE code that runs next.
  _mm256_zeroupper();
}
#endif

using Kernel = void (*)(unsigned char*, const float*, const float*, const float*, const float*, int);

Kernel chooseKernel() {
#if defined(MTLSW_HAVE_AVX2)
  if (__builtin_cpu_supports("avx2")) return &srcOverAvx2;
#endif
  return &srcOverSse2;
}

#endif

// One pixel at a time with the same arithmetic: the portable build and the reference.
void srcOverScalar(unsigned char* d, const float* r, const float* g, const float* b, const float* a, int n) {
  constexpr float k1 = 1.0f / 255.0f;
  for (int i = 0; i < n; i++) {
    const float inv = (1.0f - a[i]) * k1;
    const float o[4] = {r[i] + d[4 * i] * inv, g[i] + d[4 * i + 1] * inv, b[i] + d[4 * i + 2] * inv,
                        a[i] + d[4 * i + 3] * inv};
    for (int c = 0; c < 4; c++) {
      const float v = std::min(std::max(o[c], 0.0f), 1.0f);
      d[4 * i + c] = static_cast<unsigned char>(static_cast<int>(v * 255.0f + 0.5f));
    }
  }
}

#if !defined(__SSE2__)
using Kernel = void (*)(unsigned char*, const float*, const float*, const float*, const float*, int);
Kernel chooseKernel() { return &srcOverScalar; }
#endif

// Chosen once when the library loads.
const Kernel kKernel = chooseKernel();

}  // namespace

void sourceOverSpan(unsigned char* d, const float* r, const float* g, const float* b, const float* a, int n,
                    bool bgra) {
  const Kernel kernel = kKernel ? kKernel : chooseKernel();
  if (n <= 0) return;
  if (bgra) std::swap(r, b);
  kernel(d, r, g, b, a, n);
}

void sourceOverTexels(unsigned char* d, const uint32_t* s, int n, bool bgra) {
  int i = 0;
#if defined(__SSE2__)
  // Two pixels per 16-bit lane group: x = d * (255 - sa), round(x / 255) = (x + 128 +
  // ((x + 128) >> 8)) >> 8 for every x up to 255 * 255.
  const __m128i zero = _mm_setzero_si128(), k255 = _mm_set1_epi16(255), k128 = _mm_set1_epi16(128);
  auto two = [&](__m128i src, __m128i dst) {
    __m128i a = _mm_shufflelo_epi16(src, 0xFF);
    a = _mm_shufflehi_epi16(a, 0xFF);
    __m128i x = _mm_add_epi16(_mm_mullo_epi16(dst, _mm_sub_epi16(k255, a)), k128);
    return _mm_srli_epi16(_mm_add_epi16(x, _mm_srli_epi16(x, 8)), 8);
  };
  for (; i + 4 <= n; i += 4) {
    __m128i src = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
    if (bgra) {
      // R and B change places; alpha and green stay.
      const __m128i rb = _mm_and_si128(src, _mm_set1_epi32(0x00FF00FF));
      src = _mm_or_si128(_mm_and_si128(src, _mm_set1_epi32(int(0xFF00FF00u))),
                         _mm_or_si128(_mm_slli_epi32(rb, 16), _mm_srli_epi32(rb, 16)));
    }
    const __m128i px = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + 4 * i));
    const __m128i lo = two(_mm_unpacklo_epi8(src, zero), _mm_unpacklo_epi8(px, zero));
    const __m128i hi = two(_mm_unpackhi_epi8(src, zero), _mm_unpackhi_epi8(px, zero));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d + 4 * i), _mm_adds_epu8(src, _mm_packus_epi16(lo, hi)));
  }
#endif
  for (; i < n; i++) {
    uint32_t t = s[i];
    if (bgra) t = (t & 0xFF00FF00u) | ((t & 0xFFu) << 16) | ((t >> 16) & 0xFFu);
    const int inv = 255 - int(t >> 24);
    for (int c = 0; c < 4; c++) {
      const int x = d[4 * i + c] * inv + 128;
      const int v = int((t >> (8 * c)) & 0xFFu) + ((x + (x >> 8)) >> 8);
      d[4 * i + c] = static_cast<unsigned char>(v > 255 ? 255 : v);
    }
  }
}

bool sourceOverSpanOn(SourceOverUnit unit, unsigned char* d, const float* r, const float* g, const float* b,
                      const float* a, int n, bool bgra) {
  Kernel k = nullptr;
  switch (unit) {
    case SourceOverUnit::Best: k = chooseKernel(); break;
    case SourceOverUnit::Scalar: k = &srcOverScalar; break;
#if defined(__SSE2__)
    case SourceOverUnit::Sse2: k = &srcOverSse2; break;
#if defined(MTLSW_HAVE_AVX2)
    case SourceOverUnit::Avx2: k = __builtin_cpu_supports("avx2") ? &srcOverAvx2 : nullptr; break;
#endif
#endif
    default: break;
  }
  if (!k) return false;
  if (n <= 0) return true;
  if (bgra) std::swap(r, b);
  k(d, r, g, b, a, n);
  return true;
}

}  // namespace mtlsw
