// Image texels as bytes: texels at their centres, and twice magnified runs filtered in
// integers. SSE2, the magnified runs eight pixels at a time with AVX2 where the processor
// has it; one pixel at a time in builds without either.
#include <Metal/MTLTexelBytes.h>

#include <Metal/MTLSampling.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#if defined(__SSE2__)
#include <immintrin.h>
#endif

namespace mtlsw {
namespace {

constexpr uint32_t kAlpha = 0xFF000000u;

// round(x / 255) for x up to 255 * 255.
inline uint32_t div255(uint32_t x) {
  x += 128;
  return (x + (x >> 8)) >> 8;
}

inline unsigned char flagOf(uint32_t t) {
  return (t & kAlpha) == kAlpha ? kMTLFragmentTexel : (t == 0 ? kMTLFragmentKeep : kMTLFragmentTexelOver);
}

#if defined(__SSE2__)
// Flags of four premultiplied colours as the bytes of an int.
inline int flags4(__m128i v) {
  static_assert(kMTLFragmentTexelOver - kMTLFragmentTexel == 2 && kMTLFragmentTexelOver - kMTLFragmentKeep == 1);
  const __m128i alpha = _mm_set1_epi32(int(kAlpha)), zero = _mm_setzero_si128();
  const __m128i opaque = _mm_cmpeq_epi32(_mm_and_si128(v, alpha), alpha), clear = _mm_cmpeq_epi32(v, zero);
  // Masks are -1 where they hold.
  const __m128i f = _mm_add_epi32(_mm_add_epi32(_mm_set1_epi32(kMTLFragmentTexelOver), _mm_add_epi32(opaque, opaque)),
                                  clear);
  return _mm_cvtsi128_si32(_mm_packus_epi16(_mm_packs_epi32(f, f), zero));
}
#endif

bool allOpaque(const uint32_t* texels, int n) {
  uint32_t all = kAlpha;
  for (int i = 0; i < n; i++) all &= texels[i];
  return (all & kAlpha) == kAlpha;
}

// Texels from src as premultiplied colours (straight ones premultiplied, each channel
// rounded to the nearest byte) with their flags.
void takeTexels(const unsigned char* src, int n, bool premultiplied, uint32_t* texels, unsigned char* flags) {
  int i = 0;
#if defined(__SSE2__)
  const __m128i alpha = _mm_set1_epi32(int(kAlpha)), zero = _mm_setzero_si128(), k128 = _mm_set1_epi16(128);
  auto scale = [&](__m128i c) {
    const __m128i a = _mm_shufflehi_epi16(_mm_shufflelo_epi16(c, 0xFF), 0xFF);
    const __m128i x = _mm_add_epi16(_mm_mullo_epi16(c, a), k128);
    return _mm_srli_epi16(_mm_add_epi16(x, _mm_srli_epi16(x, 8)), 8);
  };
  for (; i + 4 <= n; i += 4) {
    __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 4 * i));
    const __m128i a = _mm_and_si128(v, alpha);
    int four = 0x01010101 * kMTLFragmentTexel;
    if (_mm_movemask_epi8(_mm_cmpeq_epi32(premultiplied ? v : a, zero)) == 0xFFFF) {
      four = 0x01010101 * kMTLFragmentKeep;  // transparent black, whatever a straight colour holds
    } else if (_mm_movemask_epi8(_mm_cmpeq_epi32(a, alpha)) != 0xFFFF) {
      if (!premultiplied)
        v = _mm_or_si128(_mm_andnot_si128(alpha, _mm_packus_epi16(scale(_mm_unpacklo_epi8(v, zero)),
                                                                   scale(_mm_unpackhi_epi8(v, zero)))),
                         a);
      four = flags4(v);
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(texels + i), v);
    std::memcpy(flags + i, &four, 4);
  }
#endif
  for (; i < n; i++) {
    uint32_t t;
    std::memcpy(&t, src + 4 * i, 4);
    const uint32_t a = t >> 24;
    if (!premultiplied)
      t = div255((t & 0xFFu) * a) | div255(((t >> 8) & 0xFFu) * a) << 8 | div255(((t >> 16) & 0xFFu) * a) << 16 |
          (t & kAlpha);
    texels[i] = t;
    flags[i] = flagOf(t);
  }
}

// round(c * a / (16 * 16 * 255)) for c and a up to 4080, in 16 bits: with c and a
// scaled by 16 their product's high half is floor(c a / 256) and the top bit of its low
// half whether the remainder reaches 128, so t = floor((c a + 32640) / 256) (at most
// 65151), and floor(t / 255) = (t + 1 + (t >> 8)) >> 8 for t below 65535.
inline uint32_t quotient(uint32_t c, uint32_t a) {
  const uint32_t t = (c * a + 32640) >> 8;
  return (t + 1 + (t >> 8)) >> 8;
}

// Twice magnified rows. V holds one row of texels filtered across the two texture rows,
// four 16-bit channels per texel in sixteenths (vertical weights 1 and 3 of 4, times the
// horizontal 4 still to come). Pixels fall a quarter of a texel either side of each texel
// centre k: E(k) = V(k - 1) + 3 V(k), O(k) = 3 V(k) + V(k + 1), one after the other.
constexpr int kPairs = 128;

#if defined(__x86_64__) && defined(__GNUC__)
#define MTLSW_TEXEL_BYTES_AVX2 1
inline bool hasAvx2() {
  static const bool has = __builtin_cpu_supports("avx2");
  return has;
}

// V = 3 heavy + light for texels i from lo on, four at a time: where it stopped.
__attribute__((target("avx2"))) int filterRowsAvx2(const unsigned char* heavy, const unsigned char* light, int lo,
                                                   int hi, uint16_t* at) {
  int i = lo;
  for (; i + 3 <= hi; i += 4) {
    const __m256i h = _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(heavy + 4 * i)));
    const __m256i l = _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(light + 4 * i)));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(at + 4 * (i - lo)),
                        _mm256_add_epi16(_mm256_add_epi16(h, _mm256_add_epi16(h, h)), l));
  }
  _mm256_zeroupper();
  return i;
}
#endif

// V for texels first .. first + count - 1, addressed clamp-to-edge, from the row weighted
// 3 and the row weighted 1.
void filterRows(const unsigned char* heavy, const unsigned char* light, int w, int first, int count, uint16_t* v,
                TexelBytesUnit unit) {
  // The texels read: lo .. hi, inside the row.
  int lo = std::max(first, 0), hi = std::min(first + count - 1, w - 1);
  if (lo > hi) lo = hi = first < 0 ? 0 : w - 1;
  uint16_t* at = v + 4 * std::clamp(lo - first, 0, count - 1);  // where texel lo goes
  int i = lo;
#if defined(MTLSW_TEXEL_BYTES_AVX2)
  if (unit == TexelBytesUnit::Best && hasAvx2()) i = filterRowsAvx2(heavy, light, lo, hi, at);
#endif
  (void)unit;
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128();
  for (; i + 1 <= hi; i += 2) {
    const __m128i h = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(heavy + 4 * i)), zero);
    const __m128i l = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(light + 4 * i)), zero);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(at + 4 * (i - lo)), _mm_add_epi16(_mm_add_epi16(h, _mm_add_epi16(h, h)), l));
  }
#endif
  for (; i <= hi; i++)
    for (int c = 0; c < 4; c++) at[4 * (i - lo) + c] = uint16_t(3 * heavy[4 * i + c] + light[4 * i + c]);
  // Points past either edge read the edge's texel.
  uint16_t* const end = v + 4 * count;
  for (uint16_t* e = v; e < at; e += 4) std::memcpy(e, at, 8);
  for (uint16_t *last = at + 4 * (hi - lo), *e = last + 4; e < end; e += 4) std::memcpy(e, last, 8);
}

// Byte mask of the alpha lanes of 16-bit channels (the movemask of a comparison).
constexpr int kAlphaBits = int(0xC0C0C0C0u);

// Pixels E(k), O(k) for pairs texels from V's second entry on (V starts at texel k - 1),
// premultiplied bytes and their flags; pairs is a multiple of four.
template <bool kStraight>
void magnifyPairs(const uint16_t* v, int pairs, uint32_t* out, unsigned char* flags) {
  int p = 0;
#if defined(__SSE2__)
  const __m128i eight = _mm_set1_epi16(8), alphaLanes = _mm_setr_epi16(0, 0, 0, -1, 0, 0, 0, -1);
  const __m128i k127 = _mm_set1_epi16(127), one = _mm_set1_epi16(1), whole = _mm_set1_epi16(4080);
  // Two pixels' channels in sixteenths to bytes (in 16-bit lanes).
  auto bytes = [&](__m128i s) {
    const __m128i rounded = _mm_srli_epi16(_mm_add_epi16(s, eight), 4);
    if constexpr (!kStraight) {
      return rounded;
    } else {
      // round(c * a / (16 * 16 * 255)) for the colour, c and a up to 4080 (see quotient).
      const __m128i c16 = _mm_slli_epi16(s, 4), a16 = _mm_shufflehi_epi16(_mm_shufflelo_epi16(c16, 0xFF), 0xFF);
      const __m128i t = _mm_add_epi16(_mm_add_epi16(_mm_mulhi_epu16(c16, a16), _mm_srli_epi16(_mm_mullo_epi16(c16, a16), 15)),
                                      k127);
      const __m128i c = _mm_srli_epi16(_mm_add_epi16(_mm_add_epi16(t, one), _mm_srli_epi16(t, 8)), 8);
      return _mm_or_si128(_mm_and_si128(alphaLanes, rounded), _mm_andnot_si128(alphaLanes, c));
    }
  };
  for (; p + 2 <= pairs; p += 2) {
    const __m128i l = _mm_loadu_si128(reinterpret_cast<const __m128i*>(v + 4 * p));
    const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(v + 4 * p + 4));
    const __m128i r = _mm_loadu_si128(reinterpret_cast<const __m128i*>(v + 4 * p + 8));
    const __m128i c3 = _mm_add_epi16(c, _mm_add_epi16(c, c));
    const __m128i e = _mm_add_epi16(l, c3), o = _mm_add_epi16(c3, r);
    if ((_mm_movemask_epi8(_mm_cmpeq_epi16(_mm_and_si128(e, o), whole)) & kAlphaBits) == (kAlphaBits & 0xFFFF)) {
      const __m128i four = _mm_packus_epi16(_mm_srli_epi16(_mm_add_epi16(_mm_unpacklo_epi64(e, o), eight), 4),
                                            _mm_srli_epi16(_mm_add_epi16(_mm_unpackhi_epi64(e, o), eight), 4));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 2 * p), four);
      std::memset(flags + 2 * p, kMTLFragmentTexel, 4);
      continue;
    }
    const __m128i four = _mm_packus_epi16(bytes(_mm_unpacklo_epi64(e, o)), bytes(_mm_unpackhi_epi64(e, o)));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 2 * p), four);
    const int f = flags4(four);
    std::memcpy(flags + 2 * p, &f, 4);
  }
#endif
  for (; p < pairs; p++) {
    uint32_t px[2] = {0, 0};
    uint32_t s[2][4];
    for (int ch = 0; ch < 4; ch++) {
      const uint32_t l = v[4 * p + ch], c = v[4 * p + 4 + ch], r = v[4 * p + 8 + ch];
      s[0][ch] = l + 3 * c, s[1][ch] = 3 * c + r;
    }
    for (int k = 0; k < 2; k++) {
      for (int ch = 0; ch < 4; ch++) {
        const uint32_t b = kStraight && ch < 3 ? quotient(s[k][ch], s[k][3]) : (s[k][ch] + 8) >> 4;
        px[k] |= b << (8 * ch);
      }
      out[2 * p + k] = px[k];
      flags[2 * p + k] = flagOf(px[k]);
    }
  }
}

#if defined(MTLSW_TEXEL_BYTES_AVX2)
// The same eight pixels at a time with AVX2 (lanes hold two texels each, so the pixels come
// out in order); pairs is a multiple of four.
template <bool kStraight>
__attribute__((target("avx2"))) void magnifyPairsAvx2(const uint16_t* v, int pairs, uint32_t* out,
                                                      unsigned char* flags) {
  const __m256i eight = _mm256_set1_epi16(8), whole = _mm256_set1_epi16(4080);
  const __m256i alphaLanes = _mm256_setr_epi16(0, 0, 0, -1, 0, 0, 0, -1, 0, 0, 0, -1, 0, 0, 0, -1);
  const __m256i k127 = _mm256_set1_epi16(127), one = _mm256_set1_epi16(1), zero = _mm256_setzero_si256();
  const __m256i alpha = _mm256_set1_epi32(int(kAlpha)), over = _mm256_set1_epi32(kMTLFragmentTexelOver);
  auto bytes = [&](__m256i s) __attribute__((target("avx2"))) {
    const __m256i rounded = _mm256_srli_epi16(_mm256_add_epi16(s, eight), 4);
    if constexpr (!kStraight) {
      return rounded;
    } else {
      const __m256i c16 = _mm256_slli_epi16(s, 4);
      const __m256i a16 = _mm256_shufflehi_epi16(_mm256_shufflelo_epi16(c16, 0xFF), 0xFF);
      const __m256i t = _mm256_add_epi16(
          _mm256_add_epi16(_mm256_mulhi_epu16(c16, a16), _mm256_srli_epi16(_mm256_mullo_epi16(c16, a16), 15)), k127);
      const __m256i c = _mm256_srli_epi16(_mm256_add_epi16(_mm256_add_epi16(t, one), _mm256_srli_epi16(t, 8)), 8);
      return _mm256_blendv_epi8(c, rounded, alphaLanes);
    }
  };
  for (int p = 0; p < pairs; p += 4) {
    const __m256i l = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(v + 4 * p));
    const __m256i c = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(v + 4 * p + 4));
    const __m256i r = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(v + 4 * p + 8));
    const __m256i c3 = _mm256_add_epi16(c, _mm256_add_epi16(c, c));
    const __m256i e = _mm256_add_epi16(l, c3), o = _mm256_add_epi16(c3, r);
    // Eight opaque pixels (alphas of 4080 all) or eight transparent black ones, as large
    // parts of most pictures are, need neither products nor flags worked out one by one.
    const int opaque8 = _mm256_movemask_epi8(_mm256_cmpeq_epi16(_mm256_and_si256(e, o), whole)) & kAlphaBits;
    if (opaque8 == kAlphaBits) {
      const __m256i px = _mm256_packus_epi16(_mm256_srli_epi16(_mm256_add_epi16(_mm256_unpacklo_epi64(e, o), eight), 4),
                                             _mm256_srli_epi16(_mm256_add_epi16(_mm256_unpackhi_epi64(e, o), eight), 4));
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + 2 * p), px);
      std::memset(flags + 2 * p, kMTLFragmentTexel, 8);
      continue;
    }
    if (_mm256_testz_si256(_mm256_or_si256(e, o), kStraight ? alphaLanes : _mm256_cmpeq_epi16(zero, zero))) {
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + 2 * p), zero);
      std::memset(flags + 2 * p, kMTLFragmentKeep, 8);
      continue;
    }
    const __m256i px =
        _mm256_packus_epi16(bytes(_mm256_unpacklo_epi64(e, o)), bytes(_mm256_unpackhi_epi64(e, o)));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + 2 * p), px);
    const __m256i opaque = _mm256_cmpeq_epi32(_mm256_and_si256(px, alpha), alpha);
    const __m256i f = _mm256_add_epi32(_mm256_add_epi32(over, _mm256_add_epi32(opaque, opaque)),
                                       _mm256_cmpeq_epi32(px, zero));
    const __m256i b = _mm256_packus_epi16(_mm256_packs_epi32(f, f), zero);
    const int lo4 = _mm_cvtsi128_si32(_mm256_castsi256_si128(b)), hi4 = _mm256_extract_epi32(b, 4);
    std::memcpy(flags + 2 * p, &lo4, 4);
    std::memcpy(flags + 2 * p + 4, &hi4, 4);
  }
  _mm256_zeroupper();
}
#endif

template <bool kStraight>
void magnify(const uint16_t* v, int pairs, uint32_t* out, unsigned char* flags, TexelBytesUnit unit) {
#if defined(MTLSW_TEXEL_BYTES_AVX2)
  if (unit == TexelBytesUnit::Best && hasAvx2()) return magnifyPairsAvx2<kStraight>(v, pairs, out, flags);
#endif
  (void)unit;
  magnifyPairs<kStraight>(v, pairs, out, flags);
}

// The phase of a coordinate a quarter texel from a centre: 1 at a quarter past, 3 at
// three quarters past (the weight of the lower texel, of 4); 0 otherwise.
constexpr float kQuarterTolerance = 1e-4f;
int quarterPhase(float a) {
  if (std::fabs(a - 0.25f) <= kQuarterTolerance) return 3;
  if (std::fabs(a - 0.75f) <= kQuarterTolerance) return 1;
  return 0;
}

}  // namespace

void texelFlags(const uint32_t* texels, int n, unsigned char* flags) {
  int i = 0;
#if defined(__SSE2__)
  for (; i + 4 <= n; i += 4) {
    const int four = flags4(_mm_loadu_si128(reinterpret_cast<const __m128i*>(texels + i)));
    std::memcpy(flags + i, &four, 4);
  }
#endif
  for (; i < n; i++) flags[i] = flagOf(texels[i]);
}

bool texelBytesAtCentres(const MTLTexture* t, const MTLSamplerState* s, float u0, float du, float v0, float dv, int n,
                         float dudy, float dvdy, bool premultiplied, bool blendOver, uint32_t* texels,
                         unsigned char* flags) {
  if (!blendOver) return texelsAtCentres(t, s, u0, du, v0, dv, n, dudy, dvdy, premultiplied, false, texels, flags);
  const unsigned char* src = centresOfRow(t, s, u0, du, v0, dv, n, dudy, dvdy);
  if (!src) return false;
  takeTexels(src, n, premultiplied, texels, flags);
  return true;
}

bool texelBytesMagnified2x(const MTLTexture* t, const MTLSamplerState* s, float u0, float du, float v0, float dv,
                           int n, float dudy, float dvdy, bool premultiplied, bool blendOver, uint32_t* texels,
                           unsigned char* flags, TexelBytesUnit unit) {
  if (!t || n <= 0 || dv != 0.0f || t->pixelFormat() != MTLPixelFormatRGBA8Unorm) return false;
  const int w = static_cast<int>(t->levelWidth(0)), h = static_cast<int>(t->levelHeight(0));
  if (!(std::fabs(du * float(w) - 0.5f) <= 1e-6f)) return false;
  static const MTLSamplerDescriptor kDefault{};
  const MTLSamplerDescriptor& d = s ? s->descriptor() : kDefault;
  if (d.sAddressMode != MTLSamplerAddressModeClampToEdge || d.tAddressMode != MTLSamplerAddressModeClampToEdge ||
      d.magFilter != MTLSamplerMinMagFilterLinear || minified(t, du, dv, dudy, dvdy))
    return false;
  // The first and last points' texel coordinates as sampleSpan computes them, within
  // kQuarterTolerance of the quarter points: then (near the texture, its size bounded) the
  // points between read the same texels with the same weights within their rounding.
  constexpr int kMaxSize = 16384;
  if (w > kMaxSize || h > kMaxSize || !std::isfinite(u0) || !std::isfinite(v0)) return false;
  const float fx = u0 * float(w) - 0.5f, fy = v0 * float(h) - 0.5f;
  if (!(fx >= -8.0f && fx + 0.5f * float(n) <= float(w + 8) && fy >= -8.0f && fy <= float(h + 8))) return false;
  const int x0 = detail::floorInt(fx), y0 = detail::floorInt(fy);
  const int px = quarterPhase(fx - float(x0)), wa = quarterPhase(fy - float(y0));
  if (!px || !wa) return false;
  const float last = (u0 + du * float(n - 1)) * float(w) - 0.5f;
  if (!(std::fabs(last - (float(x0) + (px == 1 ? 0.75f : 0.25f) + 0.5f * float(n - 1))) <= kQuarterTolerance))
    return false;
  const unsigned char* base = t->levelBytes(0);
  const unsigned char* ra = base + size_t(std::clamp(y0, 0, h - 1)) * size_t(w) * 4;
  const unsigned char* rb = base + size_t(std::clamp(y0 + 1, 0, h - 1)) * size_t(w) * 4;
  const unsigned char* heavy = wa == 3 ? ra : rb;
  const unsigned char* light = wa == 3 ? rb : ra;
  // A point three quarters past texel x0 is E(x0 + 1); a quarter past, O(x0).
  int k = px == 1 ? x0 + 1 : x0;
  alignas(32) uint16_t v[4 * (kPairs + 2)];
  alignas(32) uint32_t stream[8];
  alignas(32) unsigned char streamFlags[2 * kPairs];
  // Pixels E(k), O(k), ... for pairs texels (a multiple of four) from k on.
  auto pixels = [&](int pairs, uint32_t* out, unsigned char* outFlags) {
    filterRows(heavy, light, w, k - 1, pairs + 2, v, unit);
    if (premultiplied)
      magnify<false>(v, pairs, out, outFlags, unit);
    else
      magnify<true>(v, pairs, out, outFlags, unit);
    k += pairs;
  };
  // Pixels through the small buffers: from pixel done, starting first entries in.
  int done = 0;
  auto viaStream = [&](int first) {
    pixels(4, stream, streamFlags);
    for (int i = first; i < 8 && done < n; i++, done++) {
      texels[done] = stream[i];
      if (blendOver) flags[done] = streamFlags[i];
    }
  };
  if (px != 1) viaStream(1);
  while (n - done >= 8) {
    const int pairs = std::min(kPairs, ((n - done) / 2) & ~3);
    pixels(pairs, texels + done, blendOver ? flags + done : streamFlags);
    done += 2 * pairs;
  }
  if (done < n) viaStream(0);
  if (!blendOver) {
    if (!allOpaque(texels, n)) return false;
    std::memset(flags, kMTLFragmentTexel, size_t(n));
  }
  return true;
}

}  // namespace mtlsw
