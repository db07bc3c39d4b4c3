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
inline void SplitPair(const double* re, const double* im, const double* wc, const double* ws, int k, int q, Cx& xk,
                      Cx& xq) noexcept
{
  const double er = 0.5 * (re[k] + re[q]), ei = 0.5 * (im[k] - im[q]);
  const double orr = 0.5 * (im[k] + im[q]), oi = -0.5 * (re[k] - re[q]);
  const double c = wc[k], s = ws[k];
  const double wr = c * orr - s * oi, wi = c * oi + s * orr;
  xk = {er + wr, ei + wi};
  xq = {er - wr, wi - ei};
}

// Value times the kernel's bin: elementwise for a zero-phase kernel (real
// gains stored twice), else the complex product.
inline Cx Mul(Cx x, double kr, double ki, bool zeroPhase) noexcept
{
  if(zeroPhase)
    return {x.r * kr, x.i * ki};
  return {x.r * kr - x.i * ki, x.r * ki + x.i * kr};
}

// Inverse split step of bins b and q = N - b (q written last, so a self pair
// keeps the q form).
inline void InvPair(const double* wc, const double* ws, int b, int q, Cx pk, Cx pq, double* tr0, double* ti0) noexcept
{
  const double er = 0.5 * (pk.r + pq.r), ei = 0.5 * (pk.i - pq.i);
  const double tr = 0.5 * (pk.r - pq.r), ti = 0.5 * (pk.i + pq.i);
  const double c = wc[b], s = ws[b];
  const double orr = tr * c + ti * s, oi = ti * c - tr * s;
  tr0[b] = er - oi;
  ti0[b] = ei + orr;
  tr0[q] = er + oi;
  ti0[q] = orr - ei;
}

// Input bin j (1 <= j < N1) of the upsampler, and its mirror N2 - j in the
// replicated spectrum, through the kernel into the inverse split step.
inline void UpBin(int j, Cx x, int N2, const double* kr, const double* ki, bool zp, const double* wc, const double* ws,
                  double* tr0, double* ti0) noexcept
{
  const Cx yk = Mul(x, kr[j], ki[j], zp);
  const Cx yq = Mul({x.r, -x.i}, kr[N2 - j], ki[N2 - j], zp);
  InvPair(wc, ws, j, N2 - j, yk, yq, tr0, ti0);
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

RSMP_AVX2 __m256d Rev(__m256d v)
{
  return _mm256_permute4x64_pd(v, 0x1B);
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
__attribute__((target("avx2"))) int UpLoopAvx2(const double* re, const double* im, const double* w1c, const double* w1s,
                                               const double* w2c, const double* w2s, const double* kr, const double* ki,
                                               bool zp, int N1, int N2, double* tr0, double* ti0, int j) noexcept
{
  const __m256d neg = _mm256_set1_pd(-0.0);
  for(int q = N1 - j; j + 3 < q - 3; j += 4, q -= 4)
  {
    V2 xj, xq;
    SplitPairV(Load2(re, im, j), Load2Rev(re, im, q), Load2(w1c, w1s, j), xj, xq);
    // Bins j + l and their mirrors N2 - j - l.
    {
      const V2 yk = MulV(xj, Load2(kr, ki, j), zp);
      const V2 yq = MulV({xj.r, _mm256_xor_pd(xj.i, neg)}, Load2Rev(kr, ki, N2 - j), zp);
      V2 ok, oq;
      InvPairV(Load2(w2c, w2s, j), yk, yq, ok, oq);
      Store2(tr0, ti0, j, ok);
      Store2Rev(tr0, ti0, N2 - j, oq);
    }
    // Bins q - l and their mirrors N2 - q + l.
    {
      const V2 yk = MulV(xq, Load2Rev(kr, ki, q), zp);
      const V2 yq = MulV({xq.r, _mm256_xor_pd(xq.i, neg)}, Load2(kr, ki, N2 - q), zp);
      V2 ok, oq;
      InvPairV(Load2Rev(w2c, w2s, q), yk, yq, ok, oq);
      Store2Rev(tr0, ti0, q, ok);
      Store2(tr0, ti0, N2 - q, oq);
    }
  }
  return j;
}

// Downsampler output pairs b .. b + 3 and q .. q - 3 (q = N2 - b); returns
// the next b.
__attribute__((target("avx2"))) int DownLoopAvx2(const double* re, const double* im, const double* w1c,
                                                 const double* w1s, const double* w2c, const double* w2s,
                                                 const double* kr, const double* ki, bool zp, int N1, int N2,
                                                 double* tr0, double* ti0, int b) noexcept
{
  for(int q = N2 - b; b + 3 < q - 3; b += 4, q -= 4)
  {
    V2 xb, xq, unused;
    SplitPairV(Load2(re, im, b), Load2Rev(re, im, N1 - b), Load2(w1c, w1s, b), xb, unused);
    SplitPairV(Load2Rev(re, im, q), Load2(re, im, N1 - q), Load2Rev(w1c, w1s, q), xq, unused);
    V2 ok, oq;
    InvPairV(Load2(w2c, w2s, b), MulV(xb, Load2(kr, ki, b), zp), MulV(xq, Load2Rev(kr, ki, q), zp), ok, oq);
    Store2(tr0, ti0, b, ok);
    Store2Rev(tr0, ti0, q, oq);
  }
  return b;
}
#undef RSMP_AVX2
#endif

} // namespace

void SplitKernel(const double* packed, int bins, double* kr, double* ki) noexcept
{
  for(int b = 0; b < bins; b++)
  {
    kr[b] = packed[2 * b];
    ki[b] = packed[2 * b + 1];
  }
}

void FusedUp2(const double* re, const double* im, const CDSPRealFFT& in, const CDSPRealFFT& out, const double* kr,
              const double* ki, bool zp, double* tr0, double* ti0) noexcept
{
  const int N1 = in.GetLen() >> 1;
  const int N2 = out.GetLen() >> 1;
  const double* w1c = in.SplitCos();
  const double* w1s = in.SplitSin();
  const double* w2c = out.SplitCos();
  const double* w2s = out.SplitSin();

  // DC, replicated into the output's Nyquist slot.
  const double x0 = re[0] + im[0];
  const double xn = re[0] - im[0];
  {
    const double y0 = x0 * kr[0], yn = x0 * ki[0];
    tr0[0] = 0.5 * (y0 + yn);
    ti0[0] = 0.5 * (y0 - yn);
  }
  int j = 1;
#if RSMP_FFT_AVX2
  if(in.IsWide())
    j = UpLoopAvx2(re, im, w1c, w1s, w2c, w2s, kr, ki, zp, N1, N2, tr0, ti0, j);
#endif
  int q = N1 - j;
  for(; j < q; j++, q--)
  {
    Cx xj, xq;
    SplitPair(re, im, w1c, w1s, j, q, xj, xq);
    UpBin(j, xj, N2, kr, ki, zp, w2c, w2s, tr0, ti0);
    UpBin(q, xq, N2, kr, ki, zp, w2c, w2s, tr0, ti0);
  }
  {
    Cx xj, xm;
    SplitPair(re, im, w1c, w1s, j, j, xj, xm);
    UpBin(j, xm, N2, kr, ki, zp, w2c, w2s, tr0, ti0);
  }
  // The input's Nyquist value becomes bin N1, a self pair of the output.
  const Cx ym = Mul({xn, 0.0}, kr[N1], ki[N1], zp);
  InvPair(w2c, w2s, N1, N1, ym, ym, tr0, ti0);
}

void FusedDown2(const double* re, const double* im, const CDSPRealFFT& in, const CDSPRealFFT& out, const double* kr,
                const double* ki, bool zp, double* tr0, double* ti0) noexcept
{
  const int N1 = in.GetLen() >> 1;
  const int N2 = out.GetLen() >> 1;
  const double* w1c = in.SplitCos();
  const double* w1s = in.SplitSin();
  const double* w2c = out.SplitCos();
  const double* w2s = out.SplitSin();

  // Bin N2 of the input spectrum is a self pair of the forward split; only
  // the real part of its product reaches the output's Nyquist slot.
  Cx xm, xmq;
  SplitPair(re, im, w1c, w1s, N2, N2, xm, xmq);
  const double nyq = zp ? kr[N2] * xmq.r : kr[N2] * xmq.r - ki[N2] * xmq.i;
  const double y0 = (re[0] + im[0]) * kr[0];
  tr0[0] = 0.5 * (y0 + nyq);
  ti0[0] = 0.5 * (y0 - nyq);

  // Output pair (b, N2 - b) from input bins b and N2 - b, each the lower
  // result of its forward pair (b, N1 - b).
  int b = 1;
#if RSMP_FFT_AVX2
  if(in.IsWide())
    b = DownLoopAvx2(re, im, w1c, w1s, w2c, w2s, kr, ki, zp, N1, N2, tr0, ti0, b);
#endif
  for(int q = N2 - b; b <= q; b++, q--)
  {
    Cx xb, xq, unused;
    SplitPair(re, im, w1c, w1s, b, N1 - b, xb, unused);
    SplitPair(re, im, w1c, w1s, q, N1 - q, xq, unused);
    InvPair(w2c, w2s, b, q, Mul(xb, kr[b], ki[b], zp), Mul(xq, kr[q], ki[q], zp), tr0, ti0);
  }
}

} // namespace rsmp
