#include "resampler/CDSPRealFFT.h"

#include "resampler/RsmpAlign.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
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

CDSPRealFFT* CDSPRealFFT::Create(int bits) noexcept
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

  const int n = f->mLen;
  const int N = n >> 1; // complex points
  if(N < 2)
    return f; // n = 1 or 2: no tables needed

  const int m = bits - 1;
  // Bit-reversal swap pairs.
  int swaps = 0;
  for(int i = 0; i < N; i++)
  {
    int r = 0;
    for(int b = 0; b < m; b++)
      r |= ((i >> b) & 1) << (m - 1 - b);
    if(i < r)
      swaps++;
  }
  const std::size_t workInts = static_cast<std::size_t>(swaps) * 2 + 2;
  const std::size_t stageDoubles = static_cast<std::size_t>(StageTwiddleCount(m)) * 6;
  const std::size_t splitDoubles = (static_cast<std::size_t>(N / 2) + 1) * 2;

  f->mWorkRaw = std::malloc(workInts * sizeof(int) + kAlign);
  f->mTableRaw = std::malloc((stageDoubles + splitDoubles) * sizeof(double) + 2 * kAlign);
  if(!f->mWorkRaw || !f->mTableRaw)
  {
    Destroy(f);
    return nullptr;
  }
  f->mSwaps = AlignPtr(static_cast<int*>(f->mWorkRaw));
  f->mStageTw = AlignPtr(static_cast<double*>(f->mTableRaw));
  f->mSplitTw = AlignPtr(f->mStageTw + stageDoubles);

  int* sw = f->mSwaps;
  for(int i = 0; i < N; i++)
  {
    int r = 0;
    for(int b = 0; b < m; b++)
      r |= ((i >> b) & 1) << (m - 1 - b);
    if(i < r)
    {
      *sw++ = i;
      *sw++ = r;
    }
  }
  f->mSwapCount = swaps;

  // Per-pass twiddles w^j, w^2j, w^3j with w = exp(+2 pi i / 4L).
  double* tw = f->mStageTw;
  for(int L = (m & 1) ? 2 : 1; L * 4 <= N; L *= 4)
  {
    for(int j = 0; j < L; j++)
    {
      for(int p = 1; p <= 3; p++)
      {
        // Reduce the angle's numerator exactly before scaling.
        const double ang = kTwoPi * static_cast<double>(p * j) / static_cast<double>(4 * L);
        *tw++ = std::cos(ang);
        *tw++ = std::sin(ang);
      }
    }
  }

  // Split twiddles cos/sin(2 pi k / n), k = 0 .. n/4.
  for(int k = 0; k <= N / 2; k++)
  {
    const double ang = kTwoPi * static_cast<double>(k) / static_cast<double>(n);
    f->mSplitTw[2 * k] = std::cos(ang);
    f->mSplitTw[2 * k + 1] = std::sin(ang);
  }
  // Exact values at the octants keep symmetric kernels symmetric.
  f->mSplitTw[0] = 1.0;
  f->mSplitTw[1] = 0.0;
  f->mSplitTw[N] = 0.0;
  f->mSplitTw[N + 1] = 1.0;
  return f;
}

void CDSPRealFFT::Destroy(CDSPRealFFT* f) noexcept
{
  if(!f)
    return;
  std::free(f->mWorkRaw);
  std::free(f->mTableRaw);
  f->~CDSPRealFFT();
  std::free(f);
}

void CDSPRealFFT::BitReverse(double* z) const noexcept
{
  const int* sw = mSwaps;
  for(int s = 0; s < mSwapCount; s++, sw += 2)
  {
    double* p = z + 2 * sw[0];
    double* q = z + 2 * sw[1];
    const double r = p[0], i = p[1];
    p[0] = q[0];
    p[1] = q[1];
    q[0] = r;
    q[1] = i;
  }
}

// Decimation-in-time complex transform of N = n/2 points in bit-reversed
// order, exp(+i) kernel forward and exp(-i) inverse: an optional radix-2 pass
// followed by radix-4 passes.
template <bool Inv>
void CDSPRealFFT::ComplexPass(double* z) const noexcept
{
  const int N = mLen >> 1;
  const int m = mBits - 1;
  const int N2 = 2 * N;
  int L = 1;

  if(m & 1)
  {
    for(int i = 0; i < N2; i += 4)
    {
      const double ar = z[i], ai = z[i + 1], br = z[i + 2], bi = z[i + 3];
      z[i] = ar + br;
      z[i + 1] = ai + bi;
      z[i + 2] = ar - br;
      z[i + 3] = ai - bi;
    }
    L = 2;
  }
  else if(N >= 4)
  {
    // First radix-4 pass: all twiddles are 1.
    for(int i = 0; i < N2; i += 8)
    {
      const double ar = z[i], ai = z[i + 1];
      const double br = z[i + 2], bi = z[i + 3];
      const double cr = z[i + 4], ci = z[i + 5];
      const double dr = z[i + 6], di = z[i + 7];
      const double spr = ar + br, spi = ai + bi, smr = ar - br, smi = ai - bi;
      const double tpr = cr + dr, tpi = ci + di;
      // s*i*(c - d), s = +1 forward, -1 inverse
      double tmr = -(ci - di), tmi = cr - dr;
      if(Inv)
      {
        tmr = -tmr;
        tmi = -tmi;
      }
      z[i] = spr + tpr;
      z[i + 1] = spi + tpi;
      z[i + 2] = smr + tmr;
      z[i + 3] = smi + tmi;
      z[i + 4] = spr - tpr;
      z[i + 5] = spi - tpi;
      z[i + 6] = smr - tmr;
      z[i + 7] = smi - tmi;
    }
    L = 4;
  }

  const double* tw = mStageTw + ((m & 1) ? 0 : 6); // the L = 1 pass had no table use
  for(; L * 4 <= N; L *= 4)
  {
    const int L2 = 2 * L;
    for(int g = 0; g < N2; g += 4 * L2)
    {
      double* z0 = z + g;
      double* z1 = z0 + L2;
      double* z2 = z1 + L2;
      double* z3 = z2 + L2;
      for(int j = 0; j < L; j++)
      {
        const double* w = tw + 6 * j;
        const double w1r = w[0], w2r = w[2], w3r = w[4];
        const double w1i = Inv ? -w[1] : w[1];
        const double w2i = Inv ? -w[3] : w[3];
        const double w3i = Inv ? -w[5] : w[5];
        const int jr = 2 * j, ji = 2 * j + 1;
        const double ar = z0[jr], ai = z0[ji];
        const double x1r = z1[jr], x1i = z1[ji];
        const double x2r = z2[jr], x2i = z2[ji];
        const double x3r = z3[jr], x3i = z3[ji];
        const double br = x1r * w2r - x1i * w2i, bi = x1r * w2i + x1i * w2r;
        const double cr = x2r * w1r - x2i * w1i, ci = x2r * w1i + x2i * w1r;
        const double dr = x3r * w3r - x3i * w3i, di = x3r * w3i + x3i * w3r;
        const double spr = ar + br, spi = ai + bi, smr = ar - br, smi = ai - bi;
        const double tpr = cr + dr, tpi = ci + di;
        double tmr = -(ci - di), tmi = cr - dr;
        if(Inv)
        {
          tmr = -tmr;
          tmi = -tmi;
        }
        z0[jr] = spr + tpr;
        z0[ji] = spi + tpi;
        z1[jr] = smr + tmr;
        z1[ji] = smi + tmi;
        z2[jr] = spr - tpr;
        z2[ji] = spi - tpi;
        z3[jr] = smr - tmr;
        z3[ji] = smi - tmi;
      }
    }
    tw += 6 * L;
  }
}

void CDSPRealFFT::Forward(double* a) const noexcept
{
  const int n = mLen;
  if(n < 2)
    return;
  const int N = n >> 1;
  if(N >= 2)
  {
    BitReverse(a);
    ComplexPass<false>(a);
  }

  const double z0r = a[0], z0i = a[1];
  a[0] = z0r + z0i;
  a[1] = z0r - z0i;

  const double* w = mSplitTw;
  for(int k = 1, q = N - 1; k <= q; k++, q--)
  {
    double* pk = a + 2 * k;
    double* pq = a + 2 * q;
    const double er = 0.5 * (pk[0] + pq[0]), ei = 0.5 * (pk[1] - pq[1]);
    const double orr = 0.5 * (pk[1] + pq[1]), oi = -0.5 * (pk[0] - pq[0]);
    const double c = w[2 * k], s = w[2 * k + 1];
    const double wr = c * orr - s * oi, wi = c * oi + s * orr;
    pk[0] = er + wr;
    pk[1] = ei + wi;
    pq[0] = er - wr;
    pq[1] = wi - ei;
  }
}

void CDSPRealFFT::Inverse(double* a) const noexcept
{
  const int n = mLen;
  if(n < 2)
    return;
  const int N = n >> 1;

  const double x0 = a[0], xh = a[1];
  a[0] = 0.5 * (x0 + xh);
  a[1] = 0.5 * (x0 - xh);

  const double* w = mSplitTw;
  for(int k = 1, q = N - 1; k <= q; k++, q--)
  {
    double* pk = a + 2 * k;
    double* pq = a + 2 * q;
    const double er = 0.5 * (pk[0] + pq[0]), ei = 0.5 * (pk[1] - pq[1]);
    const double tr = 0.5 * (pk[0] - pq[0]), ti = 0.5 * (pk[1] + pq[1]);
    const double c = w[2 * k], s = w[2 * k + 1];
    const double orr = tr * c + ti * s, oi = ti * c - tr * s;
    pk[0] = er - oi;
    pk[1] = ei + orr;
    pq[0] = er + oi;
    pq[1] = orr - ei;
  }

  if(N >= 2)
  {
    BitReverse(a);
    ComplexPass<true>(a);
  }
}

} // namespace rsmp
