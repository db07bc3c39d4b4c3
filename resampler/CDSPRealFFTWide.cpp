// 256-bit kernels of the real FFT for processors with AVX2; see
// CDSPRealFFTWide.h. Built for x86-64 with GCC or Clang only.

#include "resampler/CDSPRealFFTWide.h"

#if RSMP_FFT_AVX2

#include <immintrin.h>

namespace rsmp {

bool HasAvx2() noexcept
{
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2") != 0;
}

namespace {

// The same passes, four butterflies per step in 256-bit registers, for
// processors with AVX2. Every lane does the operations of the scalar code in
// the same order, so the results are identical.
typedef double V4 __attribute__((vector_size(32), aligned(8), may_alias));

// out[2p] = r[l], out[2p + 1] = i[l] for p = pos + l, l < 4.
__attribute__((target("avx2"), always_inline)) inline void StoreInterleaved(double* out, int pos, V4 r, V4 i) noexcept
{
  const __m256d lo = _mm256_unpacklo_pd((__m256d)r, (__m256d)i), hi = _mm256_unpackhi_pd((__m256d)r, (__m256d)i);
  _mm256_storeu_pd(out + 2 * pos, _mm256_permute2f128_pd(lo, hi, 0x20));
  _mm256_storeu_pd(out + 2 * pos + 4, _mm256_permute2f128_pd(lo, hi, 0x31));
}

// The last pass (a single group of span N/4) writing interleaved into out.
template <bool Inv>
__attribute__((target("avx2"))) void LastRadix4PassAvx2T(const double* re, const double* im, const double* tw,
                                                         const int L, double* out) noexcept
{
  const double sgs = Inv ? -1.0 : 1.0;
  const V4 sg = {sgs, sgs, sgs, sgs};
  const V4* w1r = reinterpret_cast<const V4*>(tw);
  const V4* w1s = reinterpret_cast<const V4*>(tw + L);
  const V4* w2r = reinterpret_cast<const V4*>(tw + 2 * L);
  const V4* w2s = reinterpret_cast<const V4*>(tw + 3 * L);
  const V4* w3r = reinterpret_cast<const V4*>(tw + 4 * L);
  const V4* w3s = reinterpret_cast<const V4*>(tw + 5 * L);
  const V4* r0 = reinterpret_cast<const V4*>(re);
  const V4* r1 = reinterpret_cast<const V4*>(re + L);
  const V4* r2 = reinterpret_cast<const V4*>(re + 2 * L);
  const V4* r3 = reinterpret_cast<const V4*>(re + 3 * L);
  const V4* i0 = reinterpret_cast<const V4*>(im);
  const V4* i1 = reinterpret_cast<const V4*>(im + L);
  const V4* i2 = reinterpret_cast<const V4*>(im + 2 * L);
  const V4* i3 = reinterpret_cast<const V4*>(im + 3 * L);
  const int L4 = L / 4;
  for(int j = 0; j < L4; j++)
  {
    const V4 w1i = sg * w1s[j], w2i = sg * w2s[j], w3i = sg * w3s[j];
    const V4 w1 = w1r[j], w2 = w2r[j], w3 = w3r[j];
    const V4 ar = r0[j], ai = i0[j];
    const V4 x1r = r1[j], x1i = i1[j];
    const V4 x2r = r2[j], x2i = i2[j];
    const V4 x3r = r3[j], x3i = i3[j];
    const V4 br = x1r * w2 - x1i * w2i, bi = x1r * w2i + x1i * w2;
    const V4 cr = x2r * w1 - x2i * w1i, ci = x2r * w1i + x2i * w1;
    const V4 dr = x3r * w3 - x3i * w3i, di = x3r * w3i + x3i * w3;
    const V4 spr = ar + br, spi = ai + bi, smr = ar - br, smi = ai - bi;
    const V4 tpr = cr + dr, tpi = ci + di;
    const V4 tmr = sg * (di - ci), tmi = sg * (cr - dr);
    StoreInterleaved(out, 4 * j, spr + tpr, spi + tpi);
    StoreInterleaved(out, 4 * j + L, smr + tmr, smi + tmi);
    StoreInterleaved(out, 4 * j + 2 * L, spr - tpr, spi - tpi);
    StoreInterleaved(out, 4 * j + 3 * L, smr - tmr, smi - tmi);
  }
}

template <bool Inv>
__attribute__((target("avx2"))) void Radix4PassesAvx2T(double* re, double* im, const double* tw, const int N, int L,
                                                       double* out) noexcept
{
  const double sgs = Inv ? -1.0 : 1.0;
  const V4 sg = {sgs, sgs, sgs, sgs};
  for(; L * 4 <= N; L *= 4)
  {
    if(out && L * 4 == N)
    {
      LastRadix4PassAvx2T<Inv>(re, im, tw, L, out);
      return;
    }
    const V4* w1r = reinterpret_cast<const V4*>(tw);
    const V4* w1s = reinterpret_cast<const V4*>(tw + L);
    const V4* w2r = reinterpret_cast<const V4*>(tw + 2 * L);
    const V4* w2s = reinterpret_cast<const V4*>(tw + 3 * L);
    const V4* w3r = reinterpret_cast<const V4*>(tw + 4 * L);
    const V4* w3s = reinterpret_cast<const V4*>(tw + 5 * L);
    const int L4 = L / 4;
    for(int g = 0; g < N; g += 4 * L)
    {
      V4* r0 = reinterpret_cast<V4*>(re + g);
      V4* r1 = reinterpret_cast<V4*>(re + g + L);
      V4* r2 = reinterpret_cast<V4*>(re + g + 2 * L);
      V4* r3 = reinterpret_cast<V4*>(re + g + 3 * L);
      V4* i0 = reinterpret_cast<V4*>(im + g);
      V4* i1 = reinterpret_cast<V4*>(im + g + L);
      V4* i2 = reinterpret_cast<V4*>(im + g + 2 * L);
      V4* i3 = reinterpret_cast<V4*>(im + g + 3 * L);
      for(int j = 0; j < L4; j++)
      {
        const V4 w1i = sg * w1s[j], w2i = sg * w2s[j], w3i = sg * w3s[j];
        const V4 w1 = w1r[j], w2 = w2r[j], w3 = w3r[j];
        const V4 ar = r0[j], ai = i0[j];
        const V4 x1r = r1[j], x1i = i1[j];
        const V4 x2r = r2[j], x2i = i2[j];
        const V4 x3r = r3[j], x3i = i3[j];
        const V4 br = x1r * w2 - x1i * w2i, bi = x1r * w2i + x1i * w2;
        const V4 cr = x2r * w1 - x2i * w1i, ci = x2r * w1i + x2i * w1;
        const V4 dr = x3r * w3 - x3i * w3i, di = x3r * w3i + x3i * w3;
        const V4 spr = ar + br, spi = ai + bi, smr = ar - br, smi = ai - bi;
        const V4 tpr = cr + dr, tpi = ci + di;
        const V4 tmr = sg * (di - ci), tmi = sg * (cr - dr);
        r0[j] = spr + tpr;
        i0[j] = spi + tpi;
        r1[j] = smr + tmr;
        i1[j] = smi + tmi;
        r2[j] = spr - tpr;
        i2[j] = spi - tpi;
        r3[j] = smr - tmr;
        i3[j] = smi - tmi;
      }
    }
    tw += 6 * L;
  }
}

// Real split steps over four bins at a time; return the next k to do.
} // namespace

void Radix4PassesAvx2Fwd(double* re, double* im, const double* tw, int N, int L) noexcept
{
  Radix4PassesAvx2T<false>(re, im, tw, N, L, nullptr);
}

void Radix4PassesAvx2Inv(double* re, double* im, const double* tw, int N, int L) noexcept
{
  Radix4PassesAvx2T<true>(re, im, tw, N, L, nullptr);
}

void Radix4PassesAvx2InvTo(double* re, double* im, const double* tw, int N, int L, double* out) noexcept
{
  Radix4PassesAvx2T<true>(re, im, tw, N, L, out);
}

__attribute__((target("avx2"))) int SplitForwardAvx2(const double* re, const double* im, const double* w, double* a, int k,
                                                     int q) noexcept
{
  const __m256d half = _mm256_set1_pd(0.5);
  for(; k + 3 < q - 3; k += 4, q -= 4)
  {
    const __m256d rk = _mm256_loadu_pd(re + k), ik = _mm256_loadu_pd(im + k);
    const __m256d rq = _mm256_permute4x64_pd(_mm256_loadu_pd(re + q - 3), 0x1B); // q, q-1, q-2, q-3
    const __m256d iq = _mm256_permute4x64_pd(_mm256_loadu_pd(im + q - 3), 0x1B);
    const __m256d er = _mm256_mul_pd(half, _mm256_add_pd(rk, rq)), ei = _mm256_mul_pd(half, _mm256_sub_pd(ik, iq));
    const __m256d orr = _mm256_mul_pd(half, _mm256_add_pd(ik, iq)), oi = _mm256_mul_pd(half, _mm256_sub_pd(rq, rk));
    const __m256d p0 = _mm256_loadu_pd(w + 2 * k), p1 = _mm256_loadu_pd(w + 2 * k + 4);
    const __m256d c = _mm256_permute4x64_pd(_mm256_unpacklo_pd(p0, p1), 0xD8);
    const __m256d sn = _mm256_permute4x64_pd(_mm256_unpackhi_pd(p0, p1), 0xD8);
    const __m256d wr = _mm256_sub_pd(_mm256_mul_pd(c, orr), _mm256_mul_pd(sn, oi));
    const __m256d wi = _mm256_add_pd(_mm256_mul_pd(c, oi), _mm256_mul_pd(sn, orr));
    const __m256d okr = _mm256_add_pd(er, wr), oki = _mm256_add_pd(ei, wi);
    const __m256d oqr = _mm256_permute4x64_pd(_mm256_sub_pd(er, wr), 0x1B); // q-3 .. q
    const __m256d oqi = _mm256_permute4x64_pd(_mm256_sub_pd(wi, ei), 0x1B);
    const __m256d kl = _mm256_unpacklo_pd(okr, oki), kh = _mm256_unpackhi_pd(okr, oki);
    _mm256_storeu_pd(a + 2 * k, _mm256_permute2f128_pd(kl, kh, 0x20));
    _mm256_storeu_pd(a + 2 * k + 4, _mm256_permute2f128_pd(kl, kh, 0x31));
    const __m256d ql = _mm256_unpacklo_pd(oqr, oqi), qh = _mm256_unpackhi_pd(oqr, oqi);
    _mm256_storeu_pd(a + 2 * (q - 3), _mm256_permute2f128_pd(ql, qh, 0x20));
    _mm256_storeu_pd(a + 2 * (q - 1), _mm256_permute2f128_pd(ql, qh, 0x31));
  }
  return k;
}

__attribute__((target("avx2"))) int SplitInverseAvx2(const double* a, const double* w, double* tr0, double* ti0, int k,
                                                     int q) noexcept
{
  const __m256d half = _mm256_set1_pd(0.5);
  for(; k + 3 < q - 3; k += 4, q -= 4)
  {
    const __m256d p0 = _mm256_loadu_pd(a + 2 * k), p1 = _mm256_loadu_pd(a + 2 * k + 4);
    const __m256d pkr = _mm256_permute4x64_pd(_mm256_unpacklo_pd(p0, p1), 0xD8);
    const __m256d pki = _mm256_permute4x64_pd(_mm256_unpackhi_pd(p0, p1), 0xD8);
    const __m256d p2 = _mm256_loadu_pd(a + 2 * (q - 3)), p3 = _mm256_loadu_pd(a + 2 * (q - 1));
    const __m256d pqr = _mm256_permute4x64_pd(_mm256_unpacklo_pd(p2, p3), 0x27); // q, q-1, q-2, q-3
    const __m256d pqi = _mm256_permute4x64_pd(_mm256_unpackhi_pd(p2, p3), 0x27);
    const __m256d er = _mm256_mul_pd(half, _mm256_add_pd(pkr, pqr)), ei = _mm256_mul_pd(half, _mm256_sub_pd(pki, pqi));
    const __m256d tr = _mm256_mul_pd(half, _mm256_sub_pd(pkr, pqr)), ti = _mm256_mul_pd(half, _mm256_add_pd(pki, pqi));
    const __m256d w0 = _mm256_loadu_pd(w + 2 * k), w1 = _mm256_loadu_pd(w + 2 * k + 4);
    const __m256d c = _mm256_permute4x64_pd(_mm256_unpacklo_pd(w0, w1), 0xD8);
    const __m256d sn = _mm256_permute4x64_pd(_mm256_unpackhi_pd(w0, w1), 0xD8);
    const __m256d orr = _mm256_add_pd(_mm256_mul_pd(tr, c), _mm256_mul_pd(ti, sn));
    const __m256d oi = _mm256_sub_pd(_mm256_mul_pd(ti, c), _mm256_mul_pd(tr, sn));
    _mm256_storeu_pd(tr0 + k, _mm256_sub_pd(er, oi));
    _mm256_storeu_pd(ti0 + k, _mm256_add_pd(ei, orr));
    _mm256_storeu_pd(tr0 + q - 3, _mm256_permute4x64_pd(_mm256_add_pd(er, oi), 0x1B));
    _mm256_storeu_pd(ti0 + q - 3, _mm256_permute4x64_pd(_mm256_sub_pd(orr, ei), 0x1B));
  }
  return k;
}

namespace {

// Four consecutive complex values from index j on: interleaved (stride 2,
// si = sr + 1) or from separate arrays (stride 1). Interleaved values land
// in the lane order j, j + 2, j + 1, j + 3 (no lane-crossing shuffle); the
// butterflies work lane by lane, and the stores put each lane where its
// source index says (DestOf).
template <int Stride>
__attribute__((target("avx2"), always_inline)) inline void LoadC4(const double* sr, const double* si, int j, __m256d& r,
                                                                  __m256d& i) noexcept
{
  if(Stride == 2)
  {
    const __m256d p0 = _mm256_loadu_pd(sr + 2 * j), p1 = _mm256_loadu_pd(sr + 2 * j + 4);
    r = _mm256_unpacklo_pd(p0, p1);
    i = _mm256_unpackhi_pd(p0, p1);
  }
  else
  {
    r = _mm256_loadu_pd(sr + j);
    i = _mm256_loadu_pd(si + j);
  }
}

// Destinations of the four lanes loaded from source index s.
template <int Stride>
__attribute__((always_inline)) inline void DestOf(const int* rev, int s, int* dst) noexcept
{
  dst[0] = rev[s];
  dst[1] = rev[s + (Stride == 2 ? 2 : 1)];
  dst[2] = rev[s + (Stride == 2 ? 1 : 2)];
  dst[3] = rev[s + 3];
}

// Lane l of o0..o3 goes to d + dst[l] .. d + dst[l] + 3.
__attribute__((target("avx2"), always_inline)) inline void StoreT4(double* d, const int* dst, int off, __m256d o0, __m256d o1,
                                                                   __m256d o2, __m256d o3) noexcept
{
  const __m256d t0 = _mm256_unpacklo_pd(o0, o1), t1 = _mm256_unpackhi_pd(o0, o1);
  const __m256d t2 = _mm256_unpacklo_pd(o2, o3), t3 = _mm256_unpackhi_pd(o2, o3);
  _mm256_storeu_pd(d + dst[0] + off, _mm256_permute2f128_pd(t0, t2, 0x20));
  _mm256_storeu_pd(d + dst[1] + off, _mm256_permute2f128_pd(t1, t3, 0x20));
  _mm256_storeu_pd(d + dst[2] + off, _mm256_permute2f128_pd(t0, t2, 0x31));
  _mm256_storeu_pd(d + dst[3] + off, _mm256_permute2f128_pd(t1, t3, 0x31));
}

// The group whose first source is s (s < N/4, or N/8 for the radix-8 form)
// writes to rev[s]: bit reversal is its own inverse, and the group starts of
// the scalar loop have their low bits clear. The arithmetic is that of the
// scalar first pass, lane by lane.
template <bool Inv, int Stride>
__attribute__((target("avx2"))) int FirstPassAvx2T(const double* sr, const double* si, const int* rev, double* re,
                                                   double* im, const int N) noexcept
{
  int m = 0;
  while((1 << m) < N)
    m++;
  const double sgs = Inv ? -1.0 : 1.0;
  const __m256d sg = _mm256_set1_pd(sgs);
  const __m256d nsg = _mm256_set1_pd(-sgs);
  if((m & 1) == 0)
  {
    if(N < 16)
      return 0;
    const int q1 = N >> 1, q2 = N >> 2, q3 = q1 + q2;
    for(int s = 0; s < q2; s += 4)
    {
      __m256d ar, ai, br, bi, cr, ci, dr, di;
      LoadC4<Stride>(sr, si, s, ar, ai);
      LoadC4<Stride>(sr, si, s + q1, br, bi);
      LoadC4<Stride>(sr, si, s + q2, cr, ci);
      LoadC4<Stride>(sr, si, s + q3, dr, di);
      const __m256d spr = ar + br, spi = ai + bi, smr = ar - br, smi = ai - bi;
      const __m256d tpr = cr + dr, tpi = ci + di;
      const __m256d tmr = Inv ? (ci - di) : -(ci - di);
      const __m256d tmi = Inv ? -(cr - dr) : (cr - dr);
      int dst[4];
      DestOf<Stride>(rev, s, dst);
      StoreT4(re, dst, 0, spr + tpr, smr + tmr, spr - tpr, smr - tmr);
      StoreT4(im, dst, 0, spi + tpi, smi + tmi, spi - tpi, smi - tmi);
    }
    return 4;
  }

  if(N < 32)
    return 0;
  const int e = N >> 3;
  const __m256d c8 = _mm256_set1_pd(0.70710678118654752440084436210485);
  const __m256d nc8 = _mm256_set1_pd(-0.70710678118654752440084436210485);
  for(int s = 0; s < e; s += 4)
  {
    __m256d x0r, x0i, x1r, x1i, x2r, x2i, x3r, x3i, x4r, x4i, x5r, x5i, x6r, x6i, x7r, x7i;
    LoadC4<Stride>(sr, si, s, x0r, x0i);
    LoadC4<Stride>(sr, si, s + 4 * e, x1r, x1i);
    LoadC4<Stride>(sr, si, s + 2 * e, x2r, x2i);
    LoadC4<Stride>(sr, si, s + 6 * e, x3r, x3i);
    LoadC4<Stride>(sr, si, s + e, x4r, x4i);
    LoadC4<Stride>(sr, si, s + 5 * e, x5r, x5i);
    LoadC4<Stride>(sr, si, s + 3 * e, x6r, x6i);
    LoadC4<Stride>(sr, si, s + 7 * e, x7r, x7i);
    const __m256d a0r = x0r + x1r, a0i = x0i + x1i, a1r = x0r - x1r, a1i = x0i - x1i;
    const __m256d b0r = x2r + x3r, b0i = x2i + x3i, b1r = x2r - x3r, b1i = x2i - x3i;
    const __m256d g0r = x4r + x5r, g0i = x4i + x5i, g1r = x4r - x5r, g1i = x4i - x5i;
    const __m256d d0r = x6r + x7r, d0i = x6i + x7i, d1r = x6r - x7r, d1i = x6i - x7i;
    __m256d o0r, o0i, o2r, o2i, o4r, o4i, o6r, o6i;
    {
      const __m256d spr = a0r + b0r, spi = a0i + b0i, smr = a0r - b0r, smi = a0i - b0i;
      const __m256d tpr = g0r + d0r, tpi = g0i + d0i;
      const __m256d tmr = nsg * (g0i - d0i), tmi = sg * (g0r - d0r);
      o0r = spr + tpr;
      o0i = spi + tpi;
      o2r = smr + tmr;
      o2i = smi + tmi;
      o4r = spr - tpr;
      o4i = spi - tpi;
      o6r = smr - tmr;
      o6i = smi - tmi;
    }
    __m256d o1r, o1i, o3r, o3i, o5r, o5i, o7r, o7i;
    {
      const __m256d br = nsg * b1i, bi = sg * b1r;
      const __m256d cr = c8 * (g1r - sg * g1i), ci = c8 * (g1i + sg * g1r);
      const __m256d dr = nc8 * (d1r + sg * d1i), di = c8 * (sg * d1r - d1i);
      const __m256d spr = a1r + br, spi = a1i + bi, smr = a1r - br, smi = a1i - bi;
      const __m256d tpr = cr + dr, tpi = ci + di;
      const __m256d tmr = nsg * (ci - di), tmi = sg * (cr - dr);
      o1r = spr + tpr;
      o1i = spi + tpi;
      o3r = smr + tmr;
      o3i = smi + tmi;
      o5r = spr - tpr;
      o5i = spi - tpi;
      o7r = smr - tmr;
      o7i = smi - tmi;
    }
    int dst[4];
    DestOf<Stride>(rev, s, dst);
    StoreT4(re, dst, 0, o0r, o1r, o2r, o3r);
    StoreT4(re, dst, 4, o4r, o5r, o6r, o7r);
    StoreT4(im, dst, 0, o0i, o1i, o2i, o3i);
    StoreT4(im, dst, 4, o4i, o5i, o6i, o7i);
  }
  return 8;
}

} // namespace

int FirstPassAvx2Fwd(const double* sr, const double* si, int stride, const int* rev, double* re, double* im,
                     int N) noexcept
{
  return stride == 2 ? FirstPassAvx2T<false, 2>(sr, si, rev, re, im, N)
                     : FirstPassAvx2T<false, 1>(sr, si, rev, re, im, N);
}

int FirstPassAvx2Inv(const double* sr, const double* si, int stride, const int* rev, double* re, double* im,
                     int N) noexcept
{
  return stride == 2 ? FirstPassAvx2T<true, 2>(sr, si, rev, re, im, N)
                     : FirstPassAvx2T<true, 1>(sr, si, rev, re, im, N);
}

__attribute__((target("avx2"))) void InterleaveAvx2(const double* re, const double* im, double* a, int N) noexcept
{
  for(int j = 0; j < N; j += 4)
  {
    const __m256d r = _mm256_loadu_pd(re + j), i = _mm256_loadu_pd(im + j);
    const __m256d lo = _mm256_unpacklo_pd(r, i), hi = _mm256_unpackhi_pd(r, i);
    _mm256_storeu_pd(a + 2 * j, _mm256_permute2f128_pd(lo, hi, 0x20));
    _mm256_storeu_pd(a + 2 * j + 4, _mm256_permute2f128_pd(lo, hi, 0x31));
  }
}

} // namespace rsmp

#endif
