#include "resampler/CDSPFusedSpectrum.h"

#include "resampler/CDSPRealFFTWide.h"

#if RSMP_FFT_AVX2
#include <immintrin.h>
#endif

namespace rsmp {

namespace {

struct Cx
{
  double r, i;
};

// Forward split step of bins k and q = N - k from the complex spectrum z:
// the bin k result, and the bin q result (which is also the one a self pair,
// k = q, keeps).
inline void SplitPair(const double* re, const double* im, const double* w, int k, int q, Cx& xk, Cx& xq) noexcept
{
  const double er = 0.5 * (re[k] + re[q]), ei = 0.5 * (im[k] - im[q]);
  const double orr = 0.5 * (im[k] + im[q]), oi = -0.5 * (re[k] - re[q]);
  const double c = w[2 * k], s = w[2 * k + 1];
  const double wr = c * orr - s * oi, wi = c * oi + s * orr;
  xk = {er + wr, ei + wi};
  xq = {er - wr, wi - ei};
}

// Value times the kernel's bin: elementwise for a zero-phase kernel (real
// gains stored twice), else the complex product.
inline Cx Mul(Cx x, const double* k, bool zeroPhase) noexcept
{
  if(zeroPhase)
    return {x.r * k[0], x.i * k[1]};
  return {x.r * k[0] - x.i * k[1], x.r * k[1] + x.i * k[0]};
}

// Inverse split step of bins b and q = N - b (q written last, so a self pair
// keeps the q form).
inline void InvPair(const double* w, int b, int q, Cx pk, Cx pq, double* tr0, double* ti0) noexcept
{
  const double er = 0.5 * (pk.r + pq.r), ei = 0.5 * (pk.i - pq.i);
  const double tr = 0.5 * (pk.r - pq.r), ti = 0.5 * (pk.i + pq.i);
  const double c = w[2 * b], s = w[2 * b + 1];
  const double orr = tr * c + ti * s, oi = ti * c - tr * s;
  tr0[b] = er - oi;
  ti0[b] = ei + orr;
  tr0[q] = er + oi;
  ti0[q] = orr - ei;
}

// Input bin j (1 <= j < N1) of the upsampler, and its mirror N2 - j in the
// replicated spectrum, through the kernel into the inverse split step.
inline void UpBin(int j, Cx x, int N2, const double* kernel, bool zp, const double* w2, double* tr0, double* ti0) noexcept
{
  const Cx yk = Mul(x, kernel + 2 * j, zp);
  const Cx yq = Mul({x.r, -x.i}, kernel + 2 * (N2 - j), zp);
  InvPair(w2, j, N2 - j, yk, yq, tr0, ti0);
}

#if RSMP_FFT_AVX2
// The same passes four bins at a time in 256-bit registers, each lane doing
// the scalar operations in their order. The ascending bins sit in lanes 0..3
// as loaded; the descending partners are loaded from their lowest index and
// reversed, so lane l always holds bin k + l and its partner q - l.
#define RSMP_AVX2 __attribute__((target("avx2"), always_inline)) inline

struct V2
{
  __m256d r, i;
};

RSMP_AVX2 V2 LoadCx(const double* p, int idx)
{
  const __m256d p0 = _mm256_loadu_pd(p + 2 * idx), p1 = _mm256_loadu_pd(p + 2 * idx + 4);
  return {_mm256_permute4x64_pd(_mm256_unpacklo_pd(p0, p1), 0xD8), _mm256_permute4x64_pd(_mm256_unpackhi_pd(p0, p1), 0xD8)};
}

RSMP_AVX2 __m256d Rev(__m256d v)
{
  return _mm256_permute4x64_pd(v, 0x1B);
}

// Lanes top, top - 1, top - 2, top - 3.
RSMP_AVX2 V2 LoadCxRev(const double* p, int top)
{
  const V2 v = LoadCx(p, top - 3);
  return {Rev(v.r), Rev(v.i)};
}

RSMP_AVX2 V2 Load2(const double* re, const double* im, int idx)
{
  return {_mm256_loadu_pd(re + idx), _mm256_loadu_pd(im + idx)};
}

RSMP_AVX2 V2 Load2Rev(const double* re, const double* im, int top)
{
  return {Rev(_mm256_loadu_pd(re + top - 3)), Rev(_mm256_loadu_pd(im + top - 3))};
}

RSMP_AVX2 void Store2(double* re, double* im, int idx, V2 v)
{
  _mm256_storeu_pd(re + idx, v.r);
  _mm256_storeu_pd(im + idx, v.i);
}

RSMP_AVX2 void Store2Rev(double* re, double* im, int top, V2 v)
{
  _mm256_storeu_pd(re + top - 3, Rev(v.r));
  _mm256_storeu_pd(im + top - 3, Rev(v.i));
}

RSMP_AVX2 void SplitPairV(V2 zk, V2 zq, V2 w, V2& xk, V2& xq)
{
  const __m256d half = _mm256_set1_pd(0.5), nhalf = _mm256_set1_pd(-0.5);
  const __m256d er = half * (zk.r + zq.r), ei = half * (zk.i - zq.i);
  const __m256d orr = half * (zk.i + zq.i), oi = nhalf * (zk.r - zq.r);
  const __m256d wr = w.r * orr - w.i * oi, wi = w.r * oi + w.i * orr;
  xk = {er + wr, ei + wi};
  xq = {er - wr, wi - ei};
}

RSMP_AVX2 V2 MulV(V2 x, V2 k, bool zp)
{
  if(zp)
    return {x.r * k.r, x.i * k.i};
  return {x.r * k.r - x.i * k.i, x.r * k.i + x.i * k.r};
}

RSMP_AVX2 void InvPairV(V2 w, V2 pk, V2 pq, V2& ok, V2& oq)
{
  const __m256d half = _mm256_set1_pd(0.5);
  const __m256d er = half * (pk.r + pq.r), ei = half * (pk.i - pq.i);
  const __m256d tr = half * (pk.r - pq.r), ti = half * (pk.i + pq.i);
  const __m256d orr = tr * w.r + ti * w.i, oi = ti * w.r - tr * w.i;
  ok = {er - oi, ei + orr};
  oq = {er + oi, orr - ei};
}

// Upsampler bins j .. j + 3 and q .. q - 3 (q = N1 - j) while the two runs
// stay apart; returns the next j.
__attribute__((target("avx2"))) int UpLoopAvx2(const double* re, const double* im, const double* w1, const double* w2,
                                               const double* kernel, bool zp, int N1, int N2, double* tr0, double* ti0,
                                               int j) noexcept
{
  const __m256d neg = _mm256_set1_pd(-0.0);
  for(int q = N1 - j; j + 3 < q - 3; j += 4, q -= 4)
  {
    V2 xj, xq;
    SplitPairV(Load2(re, im, j), Load2Rev(re, im, q), LoadCx(w1, j), xj, xq);
    // Bins j + l and their mirrors N2 - j - l.
    {
      const V2 yk = MulV(xj, LoadCx(kernel, j), zp);
      const V2 yq = MulV({xj.r, _mm256_xor_pd(xj.i, neg)}, LoadCxRev(kernel, N2 - j), zp);
      V2 ok, oq;
      InvPairV(LoadCx(w2, j), yk, yq, ok, oq);
      Store2(tr0, ti0, j, ok);
      Store2Rev(tr0, ti0, N2 - j, oq);
    }
    // Bins q - l and their mirrors N2 - q + l.
    {
      const V2 yk = MulV(xq, LoadCxRev(kernel, q), zp);
      const V2 yq = MulV({xq.r, _mm256_xor_pd(xq.i, neg)}, LoadCx(kernel, N2 - q), zp);
      V2 ok, oq;
      InvPairV(LoadCxRev(w2, q), yk, yq, ok, oq);
      Store2Rev(tr0, ti0, q, ok);
      Store2(tr0, ti0, N2 - q, oq);
    }
  }
  return j;
}

// Downsampler output pairs b .. b + 3 and q .. q - 3 (q = N2 - b); returns
// the next b.
__attribute__((target("avx2"))) int DownLoopAvx2(const double* re, const double* im, const double* w1, const double* w2,
                                                 const double* kernel, bool zp, int N1, int N2, double* tr0,
                                                 double* ti0, int b) noexcept
{
  for(int q = N2 - b; b + 3 < q - 3; b += 4, q -= 4)
  {
    V2 xb, xq, unused;
    SplitPairV(Load2(re, im, b), Load2Rev(re, im, N1 - b), LoadCx(w1, b), xb, unused);
    SplitPairV(Load2Rev(re, im, q), Load2(re, im, N1 - q), LoadCxRev(w1, q), xq, unused);
    V2 ok, oq;
    InvPairV(LoadCx(w2, b), MulV(xb, LoadCx(kernel, b), zp), MulV(xq, LoadCxRev(kernel, q), zp), ok, oq);
    Store2(tr0, ti0, b, ok);
    Store2Rev(tr0, ti0, q, oq);
  }
  return b;
}
#undef RSMP_AVX2
#endif

} // namespace

void FusedUp2(const double* re, const double* im, const CDSPRealFFT& in, const CDSPRealFFT& out, const double* kernel,
              bool zp, double* tr0, double* ti0) noexcept
{
  const int N1 = in.GetLen() >> 1;
  const int N2 = out.GetLen() >> 1;
  const double* w1 = in.SplitTwiddles();
  const double* w2 = out.SplitTwiddles();

  // DC, replicated into the output's Nyquist slot.
  const double x0 = re[0] + im[0];
  const double xn = re[0] - im[0];
  {
    const double y0 = x0 * kernel[0], yn = x0 * kernel[1];
    tr0[0] = 0.5 * (y0 + yn);
    ti0[0] = 0.5 * (y0 - yn);
  }
  int j = 1;
#if RSMP_FFT_AVX2
  if(in.IsWide())
    j = UpLoopAvx2(re, im, w1, w2, kernel, zp, N1, N2, tr0, ti0, j);
#endif
  int q = N1 - j;
  for(; j < q; j++, q--)
  {
    Cx xj, xq;
    SplitPair(re, im, w1, j, q, xj, xq);
    UpBin(j, xj, N2, kernel, zp, w2, tr0, ti0);
    UpBin(q, xq, N2, kernel, zp, w2, tr0, ti0);
  }
  {
    Cx xj, xm;
    SplitPair(re, im, w1, j, j, xj, xm);
    UpBin(j, xm, N2, kernel, zp, w2, tr0, ti0);
  }
  // The input's Nyquist value becomes bin N1, a self pair of the output.
  const Cx ym = Mul({xn, 0.0}, kernel + 2 * N1, zp);
  InvPair(w2, N1, N1, ym, ym, tr0, ti0);
}

void FusedDown2(const double* re, const double* im, const CDSPRealFFT& in, const CDSPRealFFT& out, const double* kernel,
              bool zp, double* tr0, double* ti0) noexcept
{
  const int N1 = in.GetLen() >> 1;
  const int N2 = out.GetLen() >> 1;
  const double* w1 = in.SplitTwiddles();
  const double* w2 = out.SplitTwiddles();

  // Bin N2 of the input spectrum is a self pair of the forward split; only
  // the real part of its product reaches the output's Nyquist slot.
  Cx xm, xmq;
  SplitPair(re, im, w1, N2, N2, xm, xmq);
  const double* km = kernel + 2 * N2;
  const double nyq = zp ? km[0] * xmq.r : km[0] * xmq.r - km[1] * xmq.i;
  const double y0 = (re[0] + im[0]) * kernel[0];
  tr0[0] = 0.5 * (y0 + nyq);
  ti0[0] = 0.5 * (y0 - nyq);

  // Output pair (b, N2 - b) from input bins b and N2 - b, each the lower
  // result of its forward pair (b, N1 - b).
  int b = 1;
#if RSMP_FFT_AVX2
  if(in.IsWide())
    b = DownLoopAvx2(re, im, w1, w2, kernel, zp, N1, N2, tr0, ti0, b);
#endif
  for(int q = N2 - b; b <= q; b++, q--)
  {
    Cx xb, xq, unused;
    SplitPair(re, im, w1, b, N1 - b, xb, unused);
    SplitPair(re, im, w1, q, N1 - q, xq, unused);
    InvPair(w2, b, q, Mul(xb, kernel + 2 * b, zp), Mul(xq, kernel + 2 * q, zp), tr0, ti0);
  }
}

} // namespace rsmp
