#include "resampler/CDSPRealFFT.h"

#include "resampler/RsmpAlign.h"

#include <cmath>
#include "resampler/CDSPRealFFTWide.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <cstdlib>
#include <mutex>
#include <new>

namespace rsmp {

namespace {

constexpr double kTwoPi = 6.283185307179586476925286766559;

// Sum of L over the radix-4 passes of a complex transform of 2^m points.
int StageTwiddleCount(int m)
{
  int L = (m & 1) ? 2 : 1;
  int total = 0;
  while(L * 4 <= (1 << m))
  {
    total += L;
    L *= 4;
  }
  return total;
}

} // namespace

namespace {

// Tables of one length, built once and shared by every object of that
// length (objects of one length are often used side by side, as by the two
// channels of a stereo converter; one copy keeps them in cache). Kept until
// the process ends.
struct SharedTables
{
  int* rev;          // rev[j]: bit-reversed index of j, j < n/2
  double* stageTw;   // per radix-4 pass of span L: w^j, w^2j, w^3j as six
                     // arrays of L (re, im, re, im, re, im)
  double* splitTw;   // cos/sin(2 pi k/n) for 0 <= k <= n/4
  double* splitCos;  // the same values as two arrays
  double* splitSin;
};

std::mutex gTablesLock;
SharedTables* gTables[31] = {};

SharedTables* BuildTables(int bits) noexcept
{
  const int n = 1 << bits;
  const int N = n >> 1;
  const int m = bits - 1;
  const std::size_t stageDoubles = static_cast<std::size_t>(StageTwiddleCount(m)) * 6;
  const std::size_t splitDoubles = (static_cast<std::size_t>(N / 2) + 1) * 2;
  const std::size_t revBytes = (static_cast<std::size_t>(N) * sizeof(int) + kAlign - 1) & ~(kAlign - 1);
  const std::size_t stageBytes = (stageDoubles * sizeof(double) + kAlign - 1) & ~(kAlign - 1);
  const std::size_t splitBytes = (splitDoubles * sizeof(double) + kAlign - 1) & ~(kAlign - 1);
  const std::size_t halfBytes = (splitDoubles / 2 * sizeof(double) + kAlign - 1) & ~(kAlign - 1);
  void* raw = std::malloc(sizeof(SharedTables) + kAlign + revBytes + stageBytes + splitBytes + 2 * halfBytes);
  if(!raw)
    return nullptr;
  SharedTables* t = static_cast<SharedTables*>(raw);
  char* base = AlignPtr(static_cast<char*>(raw) + sizeof(SharedTables));
  t->rev = reinterpret_cast<int*>(base);
  t->stageTw = reinterpret_cast<double*>(base + revBytes);
  t->splitTw = reinterpret_cast<double*>(base + revBytes + stageBytes);
  t->splitCos = reinterpret_cast<double*>(base + revBytes + stageBytes + splitBytes);
  t->splitSin = reinterpret_cast<double*>(base + revBytes + stageBytes + splitBytes + halfBytes);

  for(int i = 0; i < N; i++)
  {
    int r = 0;
    for(int b = 0; b < m; b++)
      r |= ((i >> b) & 1) << (m - 1 - b);
    t->rev[i] = r;
  }

  // Per-pass twiddles w^j, w^2j, w^3j with w = exp(+2 pi i / 4L).
  double* tw = t->stageTw;
  for(int L = (m & 1) ? 2 : 1; L * 4 <= N; L *= 4)
  {
    for(int j = 0; j < L; j++)
    {
      for(int p = 1; p <= 3; p++)
      {
        const double ang = kTwoPi * static_cast<double>(p * j) / static_cast<double>(4 * L);
        tw[(2 * (p - 1)) * L + j] = std::cos(ang);
        tw[(2 * (p - 1) + 1) * L + j] = std::sin(ang);
      }
    }
    tw += 6 * L;
  }

  // Split twiddles cos/sin(2 pi k / n), k = 0 .. n/4.
  double* w = t->splitTw;
  for(int k = 0; k <= N / 2; k++)
  {
    const double ang = kTwoPi * static_cast<double>(k) / static_cast<double>(n);
    w[2 * k] = std::cos(ang);
    w[2 * k + 1] = std::sin(ang);
  }
  w[0] = 1.0;
  w[1] = 0.0;
  w[N] = 0.0;
  w[N + 1] = 1.0;
  for(int k = 0; k <= N / 2; k++)
  {
    t->splitCos[k] = w[2 * k];
    t->splitSin[k] = w[2 * k + 1];
  }
  return t;
}

const SharedTables* GetTables(int bits) noexcept
{
  std::lock_guard<std::mutex> lock(gTablesLock);
  if(!gTables[bits])
    gTables[bits] = BuildTables(bits);
  return gTables[bits];
}

} // namespace

CDSPRealFFT* CDSPRealFFT::Create(int bits, bool allowWide) noexcept
{
  if(bits < 0 || bits > 30)
    return nullptr;

  void* mem = std::malloc(sizeof(CDSPRealFFT));
  if(!mem)
    return nullptr;
  CDSPRealFFT* f = new(mem) CDSPRealFFT();
  f->mBits = bits;
  f->mLen = 1 << bits;
  f->mInvScale = 2.0 / f->mLen;
#if RSMP_FFT_AVX2
  f->mAvx2 = allowWide && HasAvx2();
#else
  (void)allowWide;
#endif

  const int n = f->mLen;
  const int N = n >> 1; // complex points
  if(N < 2)
    return f; // n = 1 or 2: no tables needed

  const SharedTables* t = GetTables(bits);
  // The four scratch arrays are staggered by different multiples of 64
  // bytes: arrays a power of two apart would map their streams onto the
  // same cache sets.
  f->mTableRaw = std::malloc(static_cast<std::size_t>(2) * n * sizeof(double) + 16 * kAlign);
  if(!t || !f->mTableRaw)
  {
    Destroy(f);
    return nullptr;
  }
  f->mRev = t->rev;
  f->mStageTw = t->stageTw;
  f->mSplitTw = t->splitTw;
  f->mSplitCos = t->splitCos;
  f->mSplitSin = t->splitSin;
  f->mRe = AlignPtr(static_cast<double*>(f->mTableRaw));
  f->mIm = AlignPtr(f->mRe + N) + 8;
  f->mTRe = AlignPtr(f->mIm + N) + 24;
  f->mTIm = AlignPtr(f->mTRe + N) + 40;
  return f;
}

void CDSPRealFFT::Destroy(CDSPRealFFT* f) noexcept
{
  if(!f)
    return;
  std::free(f->mTableRaw);
  f->~CDSPRealFFT();
  std::free(f);
}

namespace {

// One radix-4 butterfly group of span L over separate real/imaginary arrays:
// X_j = a + b + c + d, X_{j+L} = a - b + si(c - d), X_{j+2L} = a + b - c - d,
// X_{j+3L} = a - b - si(c - d), with b, c, d the inputs times w^2j, w^j, w^3j
// and s = +1 forward, -1 inverse.
template <bool Inv>
inline void Radix4Group(double* __restrict re, double* __restrict im, const double* __restrict tw, const int L) noexcept
{
  double* r0 = re;
  double* r1 = re + L;
  double* r2 = re + 2 * L;
  double* r3 = re + 3 * L;
  double* i0 = im;
  double* i1 = im + L;
  double* i2 = im + 2 * L;
  double* i3 = im + 3 * L;
  const double* w1r = tw;
  const double* w1s = tw + L;
  const double* w2r = tw + 2 * L;
  const double* w2s = tw + 3 * L;
  const double* w3r = tw + 4 * L;
  const double* w3s = tw + 5 * L;
#if defined(__SSE2__)
  // L is even here: two butterflies per step.
  const __m128d sg = _mm_set1_pd(Inv ? -1.0 : 1.0);
  for(int j = 0; j < L; j += 2)
  {
    const __m128d w1i = _mm_mul_pd(sg, _mm_loadu_pd(w1s + j));
    const __m128d w2i = _mm_mul_pd(sg, _mm_loadu_pd(w2s + j));
    const __m128d w3i = _mm_mul_pd(sg, _mm_loadu_pd(w3s + j));
    const __m128d w1 = _mm_loadu_pd(w1r + j), w2 = _mm_loadu_pd(w2r + j), w3 = _mm_loadu_pd(w3r + j);
    const __m128d ar = _mm_loadu_pd(r0 + j), ai = _mm_loadu_pd(i0 + j);
    const __m128d x1r = _mm_loadu_pd(r1 + j), x1i = _mm_loadu_pd(i1 + j);
    const __m128d x2r = _mm_loadu_pd(r2 + j), x2i = _mm_loadu_pd(i2 + j);
    const __m128d x3r = _mm_loadu_pd(r3 + j), x3i = _mm_loadu_pd(i3 + j);
    const __m128d br = _mm_sub_pd(_mm_mul_pd(x1r, w2), _mm_mul_pd(x1i, w2i));
    const __m128d bi = _mm_add_pd(_mm_mul_pd(x1r, w2i), _mm_mul_pd(x1i, w2));
    const __m128d cr = _mm_sub_pd(_mm_mul_pd(x2r, w1), _mm_mul_pd(x2i, w1i));
    const __m128d ci = _mm_add_pd(_mm_mul_pd(x2r, w1i), _mm_mul_pd(x2i, w1));
    const __m128d dr = _mm_sub_pd(_mm_mul_pd(x3r, w3), _mm_mul_pd(x3i, w3i));
    const __m128d di = _mm_add_pd(_mm_mul_pd(x3r, w3i), _mm_mul_pd(x3i, w3));
    const __m128d spr = _mm_add_pd(ar, br), spi = _mm_add_pd(ai, bi);
    const __m128d smr = _mm_sub_pd(ar, br), smi = _mm_sub_pd(ai, bi);
    const __m128d tpr = _mm_add_pd(cr, dr), tpi = _mm_add_pd(ci, di);
    const __m128d tmr = _mm_mul_pd(sg, _mm_sub_pd(di, ci));
    const __m128d tmi = _mm_mul_pd(sg, _mm_sub_pd(cr, dr));
    _mm_storeu_pd(r0 + j, _mm_add_pd(spr, tpr));
    _mm_storeu_pd(i0 + j, _mm_add_pd(spi, tpi));
    _mm_storeu_pd(r1 + j, _mm_add_pd(smr, tmr));
    _mm_storeu_pd(i1 + j, _mm_add_pd(smi, tmi));
    _mm_storeu_pd(r2 + j, _mm_sub_pd(spr, tpr));
    _mm_storeu_pd(i2 + j, _mm_sub_pd(spi, tpi));
    _mm_storeu_pd(r3 + j, _mm_sub_pd(smr, tmr));
    _mm_storeu_pd(i3 + j, _mm_sub_pd(smi, tmi));
  }
#else
  const double sg = Inv ? -1.0 : 1.0;
  for(int j = 0; j < L; j++)
  {
    const double w1i = sg * w1s[j];
    const double w2i = sg * w2s[j];
    const double w3i = sg * w3s[j];
    const double ar = r0[j], ai = i0[j];
    const double x1r = r1[j], x1i = i1[j];
    const double x2r = r2[j], x2i = i2[j];
    const double x3r = r3[j], x3i = i3[j];
    const double br = x1r * w2r[j] - x1i * w2i, bi = x1r * w2i + x1i * w2r[j];
    const double cr = x2r * w1r[j] - x2i * w1i, ci = x2r * w1i + x2i * w1r[j];
    const double dr = x3r * w3r[j] - x3i * w3i, di = x3r * w3i + x3i * w3r[j];
    const double spr = ar + br, spi = ai + bi, smr = ar - br, smi = ai - bi;
    const double tpr = cr + dr, tpi = ci + di;
    const double tmr = -sg * (ci - di);
    const double tmi = sg * (cr - dr);
    r0[j] = spr + tpr;
    i0[j] = spi + tpi;
    r1[j] = smr + tmr;
    i1[j] = smi + tmi;
    r2[j] = spr - tpr;
    i2[j] = spi - tpi;
    r3[j] = smr - tmr;
    i3[j] = smi - tmi;
  }
#endif
}

template <bool Inv>
void Radix4Passes(double* re, double* im, const double* tw, const int N, int L) noexcept
{
  for(; L * 4 <= N; L *= 4)
  {
    for(int g = 0; g < N; g += 4 * L)
      Radix4Group<Inv>(re + g, im + g, tw, L);
    tw += 6 * L;
  }
}

} // namespace

// Decimation-in-time complex transform of N = n/2 points, exp(+i) kernel
// forward and exp(-i) inverse. The first pass (radix-2 when log2 N is odd,
// else radix-4 without twiddles) reads its inputs straight from the source in
// bit-reversed order (sr/si with the given stride); the radix-4 passes that
// follow run over contiguous real and imaginary arrays. Natural-order result
// in re/im.
template <bool Inv>
bool CDSPRealFFT::ComplexPass(const double* sr, const double* si, int stride, double* re, double* im,
                              double* out) const noexcept
{
  const int N = mLen >> 1;
  const int m = mBits - 1;
  const int* rev = mRev;
  int L = 0;
#if RSMP_FFT_AVX2
  if(mAvx2)
    L = Inv ? FirstPassAvx2Inv(sr, si, stride, rev, re, im, N) : FirstPassAvx2Fwd(sr, si, stride, rev, re, im, N);
#endif

  if(L != 0)
  {
    // done by the wide first pass
  }
  else if((m & 1) && N >= 8)
  {
    // Radix-2 and the first radix-4 pass (span 2) together, as one radix-8
    // butterfly per group of eight.
    const int e = (N >> 3) * stride;
    const double c8 = 0.70710678118654752440084436210485;
    const double sg = Inv ? -1.0 : 1.0;
    for(int i = 0; i < N; i += 8)
    {
      const int c0 = rev[i] * stride;
      // Sources of the group's bit-reversed positions 0..7.
      const double x0r = sr[c0], x0i = si[c0];
      const double x1r = sr[c0 + 4 * e], x1i = si[c0 + 4 * e];
      const double x2r = sr[c0 + 2 * e], x2i = si[c0 + 2 * e];
      const double x3r = sr[c0 + 6 * e], x3i = si[c0 + 6 * e];
      const double x4r = sr[c0 + e], x4i = si[c0 + e];
      const double x5r = sr[c0 + 5 * e], x5i = si[c0 + 5 * e];
      const double x6r = sr[c0 + 3 * e], x6i = si[c0 + 3 * e];
      const double x7r = sr[c0 + 7 * e], x7i = si[c0 + 7 * e];
      // Radix-2 pass.
      const double a0r = x0r + x1r, a0i = x0i + x1i, a1r = x0r - x1r, a1i = x0i - x1i;
      const double b0r = x2r + x3r, b0i = x2i + x3i, b1r = x2r - x3r, b1i = x2i - x3i;
      const double g0r = x4r + x5r, g0i = x4i + x5i, g1r = x4r - x5r, g1i = x4i - x5i;
      const double d0r = x6r + x7r, d0i = x6i + x7i, d1r = x6r - x7r, d1i = x6i - x7i;
      // Span-2 radix-4, j = 0: no twiddles.
      {
        const double spr = a0r + b0r, spi = a0i + b0i, smr = a0r - b0r, smi = a0i - b0i;
        const double tpr = g0r + d0r, tpi = g0i + d0i;
        const double tmr = -sg * (g0i - d0i), tmi = sg * (g0r - d0r);
        re[i] = spr + tpr;
        im[i] = spi + tpi;
        re[i + 2] = smr + tmr;
        im[i + 2] = smi + tmi;
        re[i + 4] = spr - tpr;
        im[i + 4] = spi - tpi;
        re[i + 6] = smr - tmr;
        im[i + 6] = smi - tmi;
      }
      // j = 1: w = exp(s i pi/4), w^2 = s i, w^3 = exp(s 3i pi/4).
      {
        const double br = -sg * b1i, bi = sg * b1r;                              // b1 * (s i)
        const double cr = c8 * (g1r - sg * g1i), ci = c8 * (g1i + sg * g1r);     // g1 * w
        const double dr = -c8 * (d1r + sg * d1i), di = c8 * (sg * d1r - d1i);    // d1 * w^3
        const double spr = a1r + br, spi = a1i + bi, smr = a1r - br, smi = a1i - bi;
        const double tpr = cr + dr, tpi = ci + di;
        const double tmr = -sg * (ci - di), tmi = sg * (cr - dr);
        re[i + 1] = spr + tpr;
        im[i + 1] = spi + tpi;
        re[i + 3] = smr + tmr;
        im[i + 3] = smi + tmi;
        re[i + 5] = spr - tpr;
        im[i + 5] = spi - tpi;
        re[i + 7] = smr - tmr;
        im[i + 7] = smi - tmi;
      }
    }
    L = 8;
  }
  else if(m & 1)
  {
    const int h = (N >> 1) * stride;
    for(int i = 0; i < N; i += 2)
    {
      const int c0 = rev[i] * stride;
      const double ar = sr[c0], ai = si[c0], br = sr[c0 + h], bi = si[c0 + h];
      re[i] = ar + br;
      im[i] = ai + bi;
      re[i + 1] = ar - br;
      im[i + 1] = ai - bi;
    }
    L = 2;
  }
  else
  {
    const int q1 = (N >> 1) * stride, q2 = (N >> 2) * stride, q3 = q1 + q2;
    for(int i = 0; i < N; i += 4)
    {
      const int c0 = rev[i] * stride;
      const double ar = sr[c0], ai = si[c0];
      const double br = sr[c0 + q1], bi = si[c0 + q1];
      const double cr = sr[c0 + q2], ci = si[c0 + q2];
      const double dr = sr[c0 + q3], di = si[c0 + q3];
      const double spr = ar + br, spi = ai + bi, smr = ar - br, smi = ai - bi;
      const double tpr = cr + dr, tpi = ci + di;
      // s*i*(c - d), s = +1 forward, -1 inverse
      const double tmr = Inv ? (ci - di) : -(ci - di);
      const double tmi = Inv ? -(cr - dr) : (cr - dr);
      re[i] = spr + tpr;
      im[i] = spi + tpi;
      re[i + 1] = smr + tmr;
      im[i + 1] = smi + tmi;
      re[i + 2] = spr - tpr;
      im[i + 2] = spi - tpi;
      re[i + 3] = smr - tmr;
      im[i + 3] = smi - tmi;
    }
    L = 4;
  }

  // Skip the tables of the passes done above (span 1, or span 2 when fused).
  const double* tw = mStageTw + ((m & 1) ? (L == 8 ? 12 : 0) : 6);
#if RSMP_FFT_AVX2
  if(mAvx2 && L >= 4)
  {
    if(Inv && out && L < N)
    {
      Radix4PassesAvx2InvTo(re, im, tw, N, L, out);
      return true;
    }
    if(Inv)
      Radix4PassesAvx2Inv(re, im, tw, N, L);
    else
      Radix4PassesAvx2Fwd(re, im, tw, N, L);
    return false;
  }
#endif
  Radix4Passes<Inv>(re, im, tw, N, L);
  return false;
}

void CDSPRealFFT::Forward(double* a) const noexcept
{
  const int n = mLen;
  if(n < 2)
    return;
  const int N = n >> 1;
  if(N < 2)
  {
    const double x0 = a[0], x1 = a[1];
    a[0] = x0 + x1;
    a[1] = x0 - x1;
    return;
  }

  // z[j] = x[2j] + i x[2j+1]
  ForwardComplex(a, mRe, mIm);
  const double* __restrict re = mRe;
  const double* __restrict im = mIm;

  a[0] = re[0] + im[0];
  a[1] = re[0] - im[0];
  const double* w = mSplitTw;
  int k = 1, q = N - 1;
#if RSMP_FFT_AVX2
  if(mAvx2)
  {
    k = SplitForwardAvx2(re, im, w, a, k, q);
    q = N - k;
  }
#endif
#if defined(__SSE2__)
  {
    const __m128d half = _mm_set1_pd(0.5);
    for(; k + 1 < q - 1; k += 2, q -= 2)
    {
      const __m128d rk = _mm_loadu_pd(re + k), ik = _mm_loadu_pd(im + k);
      const __m128d rqv = _mm_loadu_pd(re + q - 1), iqv = _mm_loadu_pd(im + q - 1);
      const __m128d rq = _mm_shuffle_pd(rqv, rqv, 1), iq = _mm_shuffle_pd(iqv, iqv, 1); // (q, q-1)
      const __m128d er = _mm_mul_pd(half, _mm_add_pd(rk, rq)), ei = _mm_mul_pd(half, _mm_sub_pd(ik, iq));
      const __m128d orr = _mm_mul_pd(half, _mm_add_pd(ik, iq)), oi = _mm_mul_pd(half, _mm_sub_pd(rq, rk));
      const __m128d p0 = _mm_loadu_pd(w + 2 * k), p1 = _mm_loadu_pd(w + 2 * k + 2);
      const __m128d c = _mm_unpacklo_pd(p0, p1), sn = _mm_unpackhi_pd(p0, p1);
      const __m128d wr = _mm_sub_pd(_mm_mul_pd(c, orr), _mm_mul_pd(sn, oi));
      const __m128d wi = _mm_add_pd(_mm_mul_pd(c, oi), _mm_mul_pd(sn, orr));
      const __m128d okr = _mm_add_pd(er, wr), oki = _mm_add_pd(ei, wi);
      const __m128d oqr = _mm_sub_pd(er, wr), oqi = _mm_sub_pd(wi, ei);
      _mm_storeu_pd(a + 2 * k, _mm_unpacklo_pd(okr, oki));
      _mm_storeu_pd(a + 2 * k + 2, _mm_unpackhi_pd(okr, oki));
      _mm_storeu_pd(a + 2 * q, _mm_unpacklo_pd(oqr, oqi));
      _mm_storeu_pd(a + 2 * q - 2, _mm_unpackhi_pd(oqr, oqi));
    }
  }
#endif
  for(; k <= q; k++, q--)
  {
    const double er = 0.5 * (re[k] + re[q]), ei = 0.5 * (im[k] - im[q]);
    const double orr = 0.5 * (im[k] + im[q]), oi = -0.5 * (re[k] - re[q]);
    const double c = w[2 * k], s = w[2 * k + 1];
    const double wr = c * orr - s * oi, wi = c * oi + s * orr;
    a[2 * k] = er + wr;
    a[2 * k + 1] = ei + wi;
    a[2 * q] = er - wr;
    a[2 * q + 1] = wi - ei;
  }
}

void CDSPRealFFT::Inverse(double* a) const noexcept
{
  const int n = mLen;
  if(n < 2)
    return;
  const int N = n >> 1;
  if(N < 2)
  {
    const double x0 = a[0], xh = a[1];
    a[0] = 0.5 * (x0 + xh);
    a[1] = 0.5 * (x0 - xh);
    return;
  }

  // Undo the real split into natural-order scratch.
  double* __restrict tr0 = mTRe;
  double* __restrict ti0 = mTIm;
  tr0[0] = 0.5 * (a[0] + a[1]);
  ti0[0] = 0.5 * (a[0] - a[1]);
  const double* w = mSplitTw;
  int k = 1, q = N - 1;
#if RSMP_FFT_AVX2
  if(mAvx2)
  {
    k = SplitInverseAvx2(a, w, tr0, ti0, k, q);
    q = N - k;
  }
#endif
#if defined(__SSE2__)
  {
    const __m128d half = _mm_set1_pd(0.5);
    for(; k + 1 < q - 1; k += 2, q -= 2)
    {
      const __m128d p0 = _mm_loadu_pd(a + 2 * k), p1 = _mm_loadu_pd(a + 2 * k + 2);
      const __m128d p2 = _mm_loadu_pd(a + 2 * q), p3 = _mm_loadu_pd(a + 2 * q - 2);
      const __m128d pkr = _mm_unpacklo_pd(p0, p1), pki = _mm_unpackhi_pd(p0, p1);
      const __m128d pqr = _mm_unpacklo_pd(p2, p3), pqi = _mm_unpackhi_pd(p2, p3); // (q, q-1)
      const __m128d er = _mm_mul_pd(half, _mm_add_pd(pkr, pqr)), ei = _mm_mul_pd(half, _mm_sub_pd(pki, pqi));
      const __m128d tr = _mm_mul_pd(half, _mm_sub_pd(pkr, pqr)), ti = _mm_mul_pd(half, _mm_add_pd(pki, pqi));
      const __m128d w0 = _mm_loadu_pd(w + 2 * k), w1 = _mm_loadu_pd(w + 2 * k + 2);
      const __m128d c = _mm_unpacklo_pd(w0, w1), sn = _mm_unpackhi_pd(w0, w1);
      const __m128d orr = _mm_add_pd(_mm_mul_pd(tr, c), _mm_mul_pd(ti, sn));
      const __m128d oi = _mm_sub_pd(_mm_mul_pd(ti, c), _mm_mul_pd(tr, sn));
      _mm_storeu_pd(tr0 + k, _mm_sub_pd(er, oi));
      _mm_storeu_pd(ti0 + k, _mm_add_pd(ei, orr));
      const __m128d qr = _mm_add_pd(er, oi), qi = _mm_sub_pd(orr, ei);
      _mm_storeu_pd(tr0 + q - 1, _mm_shuffle_pd(qr, qr, 1));
      _mm_storeu_pd(ti0 + q - 1, _mm_shuffle_pd(qi, qi, 1));
    }
  }
#endif
  for(; k <= q; k++, q--)
  {
    const double pkr = a[2 * k], pki = a[2 * k + 1], pqr = a[2 * q], pqi = a[2 * q + 1];
    const double er = 0.5 * (pkr + pqr), ei = 0.5 * (pki - pqi);
    const double tr = 0.5 * (pkr - pqr), ti = 0.5 * (pki + pqi);
    const double c = w[2 * k], s = w[2 * k + 1];
    const double orr = tr * c + ti * s, oi = ti * c - tr * s;
    tr0[k] = er - oi;
    ti0[k] = ei + orr;
    tr0[q] = er + oi;
    ti0[q] = orr - ei;
  }
  InverseComplex(tr0, ti0, mRe, mIm, a);
}

void CDSPRealFFT::ForwardComplex(const double* a, double* re, double* im) const noexcept
{
  ComplexPass<false>(a, a + 1, 2, re, im);
}

void CDSPRealFFT::InverseComplex(const double* tr, const double* ti, double* re, double* im, double* a) const noexcept
{
  const int N = mLen >> 1;
  if(ComplexPass<true>(tr, ti, 1, re, im, a))
    return;
#if RSMP_FFT_AVX2
  if(mAvx2 && N >= 4)
  {
    InterleaveAvx2(re, im, a, N);
    return;
  }
#endif
  for(int j = 0; j < N; j++)
  {
    a[2 * j] = re[j];
    a[2 * j + 1] = im[j];
  }
}

} // namespace rsmp
