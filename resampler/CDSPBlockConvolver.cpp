#include "resampler/CDSPBlockConvolver.h"

#include "resampler/CDSPFusedSpectrum.h"
#include "resampler/CLowPassCache.h"
#include "resampler/RsmpAlign.h"

#include <climits>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace rsmp {

namespace {

int Log2IfPow2(int v)
{
  if(v < 1 || (v & (v - 1)) != 0)
    return -1;
  int s = 0;
  while((1 << s) < v)
    s++;
  return s;
}

} // namespace

CDSPBlockConvolver::CDSPBlockConvolver(CLowPassFilter* filter, int UpFactor, int DownFactor, double PrevLatency,
                                       bool ConsumeLatency)
  : mFilter(filter)
  , mUp(UpFactor)
  , mDown(DownFactor)
  , mConsume(ConsumeLatency)
{
  if(!filter || !filter->KernelBlock || UpFactor < 1 || DownFactor < 1 || UpFactor > (1 << 20) ||
     DownFactor > (1 << 20) || !(PrevLatency >= 0.0 && PrevLatency < 1.0))
  {
    mStatus = EStatus::kInvalidArgument;
    return;
  }

  const int bits = filter->BlockLenBits;
  const int K = filter->KernelLen;
  mBlockLen = 2 << bits;
  const int L2 = mBlockLen;

  mUpShift = Log2IfPow2(mUp);
  int inBits;
  if(mUpShift >= 0)
  {
    inBits = bits + 1 - mUpShift;
    mHistLen = (mUp + K - 2) / mUp;
    mInLen = L2 - mHistLen * mUp;
  }
  else
  {
    inBits = bits + 1;
    mHistLen = K - 1;
    mInLen = L2 - mHistLen;
  }
  // The spectrum must hold at least two values per input block, and a block
  // must bring at least as many new samples as its history holds.
  const int inPerBlock = mUpShift >= 0 ? (mInLen >> mUpShift) : mInLen;
  if(inBits < 1 || mInLen <= 0 || inPerBlock < mHistLen)
  {
    mStatus = EStatus::kInvalidArgument;
    return;
  }

  mOutOffset = filter->IsZeroPhase ? filter->Latency : 0;

  const double x = mUp * PrevLatency + filter->FracLatency;
  const int e = static_cast<int>(x);
  mFracLatency = (x - e) / mDown;
  mLatency = filter->Latency + e + mInLen;

  mDownShift = Log2IfPow2(mDown);
  int outBits;
  if(mDownShift >= 0)
  {
    outBits = bits + 1 - mDownShift;
    if(outBits < 1)
    {
      mStatus = EStatus::kInvalidArgument;
      return;
    }
    if(mDown >= 2)
    {
      // Blocks must hold whole decimation groups, or the phase of the kept
      // samples would shift from block to block. With a power-of-two up
      // factor I is a multiple of it, and so is r when D is the larger; the
      // history then counts input samples.
      const int r = mInLen % mDown;
      mHistLen += mUpShift > 0 ? r >> mUpShift : r;
      mInLen -= r;
      mLatency -= r;
    }
    if(mDown >= 2 && mUpShift <= 0)
    {
      int s = (filter->Latency + e - mOutOffset) % mDown;
      if(s < 0)
        s += mDown;
      if(s > 0)
        mLeadZeros = mDown - s;
    }
    if(!mConsume)
      mLatency /= mDown;
  }
  else
  {
    outBits = bits + 1;
    if(mDown >= 2 && !mConsume)
    {
      mInitDecimSkip = mLatency % mDown;
      mLatency /= mDown;
    }
  }
  if(mInLen <= 0 || mLeadZeros >= mInLen)
  {
    mStatus = EStatus::kInvalidArgument;
    return;
  }

  if(!mFFTIn.Acquire(inBits))
  {
    mStatus = EStatus::kOutOfMemory;
    return;
  }
  if(outBits != inBits)
  {
    if(!mFFTOut.Acquire(outBits))
    {
      mStatus = EStatus::kOutOfMemory;
      return;
    }
    mOutFFT = mFFTOut.Get();
  }
  else
    mOutFFT = mFFTIn.Get();
  // The limiter's 2x shapes run their spectral work in one pass.
  if(mUp == 2 && mDown == 1 && inBits >= 5)
    mFused = 2;
  else if(mUp == 1 && mDown == 2 && outBits >= 5)
    mFused = -2;

  // Two blocks and the history; for the fused shapes also six arrays of at
  // most L2/2 values: the complex spectrum (re, im; the inverse's passes
  // reuse them), the inverse split step's result (re, im) and the kernel
  // spectrum in split form (the bins the pass reads: L2/2 up, L2/4 + 1
  // down). Each starts on a 64-byte boundary, and they are staggered by
  // different multiples of 64 bytes: arrays a power of two apart would map
  // the pass's many streams onto the same cache sets.
  const auto pad = [](std::size_t v) { return (v + 7) & ~static_cast<std::size_t>(7); };
  const std::size_t histPad = pad(static_cast<std::size_t>(mHistLen));
  const int kernelBins = mFused > 0 ? L2 / 2 : L2 / 4 + 1;
  const std::size_t arr = pad(static_cast<std::size_t>(L2 / 2 + 1));
  const std::size_t stagger[6] = {0, 8, 24, 40, 56, 72};
  const std::size_t scratch = mFused != 0 ? 6 * arr + stagger[5] : 0;
  mWorkRaw = std::malloc((static_cast<std::size_t>(2) * L2 + histPad + scratch) * sizeof(double) + kAlign);
  if(!mWorkRaw)
  {
    mStatus = EStatus::kOutOfMemory;
    return;
  }
  mWork = AlignPtr(static_cast<double*>(mWorkRaw));
  mHistory = mWork + 2 * L2;
  if(mFused != 0)
  {
    double* p[6];
    for(int i = 0; i < 6; i++)
      p[i] = mHistory + histPad + i * arr + stagger[i];
    mSpecRe = p[0];
    mSpecIm = p[1];
    mSplitRe = p[2];
    mSplitIm = p[3];
    mKernelRe = p[4];
    mKernelIm = p[5];
    SplitKernel(filter->KernelBlock, kernelBins, mKernelRe, mKernelIm);
  }

  ClearState();
}

CDSPBlockConvolver::~CDSPBlockConvolver()
{
  if(mFilter)
    CLowPassCache::Release(mFilter);
  std::free(mWorkRaw);
  mFFTOut.Reset();
  mFFTIn.Reset();
}

int CDSPBlockConvolver::GetMaxOutputLength(int l) const
{
  if(l <= 0)
    return 0;
  const long long v = (static_cast<long long>(l) * mUp + mDown - 1) / mDown;
  return v > INT_MAX ? INT_MAX : static_cast<int>(v);
}

void CDSPBlockConvolver::ClearState()
{
  if(mStatus != EStatus::kOK)
    return;
  // Zeroing everything (not only what the first reads touch) keeps a cleared
  // object bit-identical to a fresh one.
  std::memset(mWork, 0, (static_cast<std::size_t>(2) * mBlockLen + mHistLen) * sizeof(double));
  mInBlock = mWork;
  mOutBlock = mWork + mBlockLen;
  mWithhold = mConsume ? mLatency : 0;
  mMissing = mInLen - mLeadZeros;
  mPendingZeros = 0;
  mDecimSkip = mInitDecimSkip;
}

void CDSPBlockConvolver::Fill(int pos, int count, const double*& ip) noexcept
{
  if(count <= 0)
    return;
  if(mUpShift >= 0)
  {
    const int n = count >> mUpShift;
    std::memcpy(mInBlock + (pos >> mUpShift), ip, sizeof(double) * n);
    ip += n;
    return;
  }

  // Zero insertion for factors that are not powers of two.
  double* d = mInBlock + pos;
  int left = count;
  if(mPendingZeros > 0)
  {
    const int z = mPendingZeros < left ? mPendingZeros : left;
    std::memset(d, 0, sizeof(double) * z);
    d += z;
    left -= z;
    mPendingZeros -= z;
  }
  const int U = mUp;
  int groups = left / U;
  if(U == 3)
  {
    for(; groups > 0; groups--, d += 3)
    {
      d[0] = *ip++;
      d[1] = 0.0;
      d[2] = 0.0;
    }
  }
  else if(U == 5)
  {
    for(; groups > 0; groups--, d += 5)
    {
      d[0] = *ip++;
      d[1] = 0.0;
      d[2] = 0.0;
      d[3] = 0.0;
      d[4] = 0.0;
    }
  }
  else
  {
    for(; groups > 0; groups--, d += U)
    {
      d[0] = *ip++;
      std::memset(d + 1, 0, sizeof(double) * (U - 1));
    }
  }
  const int r = left % U;
  if(r > 0)
  {
    d[0] = *ip++;
    if(r > 1)
      std::memset(d + 1, 0, sizeof(double) * (r - 1));
    mPendingZeros = U - r;
  }
}

void CDSPBlockConvolver::ConvolveBlock() noexcept
{
  double* a = mInBlock;
  const int P = mHistLen;
  const int Ip = mUpShift >= 0 ? (mInLen >> mUpShift) : mInLen;

  // The block is circular: the P samples before this block's first new one
  // sit at its end.
  std::memcpy(a + Ip, mHistory, sizeof(double) * P);
  std::memcpy(mHistory, a + Ip - P, sizeof(double) * P);

  if(mFused != 0)
  {
    // One scratch area serves both transforms: the complex spectrum of the
    // forward one, the inverse split step's result, then the inverse's
    // passes (see the layout in the constructor).
    mFFTIn->ForwardComplex(a, mSpecRe, mSpecIm);
    if(mFused > 0)
      FusedUp2(mSpecRe, mSpecIm, *mFFTIn.Get(), *mOutFFT, mKernelRe, mKernelIm, mFilter->IsZeroPhase, mSplitRe,
               mSplitIm);
    else
      FusedDown2(mSpecRe, mSpecIm, *mFFTIn.Get(), *mOutFFT, mKernelRe, mKernelIm, mFilter->IsZeroPhase, mSplitRe,
                 mSplitIm);
    mOutFFT->InverseComplex(mSplitRe, mSplitIm, mSpecRe, mSpecIm, a);
    return;
  }

  mFFTIn->Forward(a);

  if(mUpShift > 0)
  {
    // Spectrum of the zero-inserted sequence: replicate.
    const int N = mBlockLen >> mUpShift;
    const int h = N / 2;
    for(int j = 1; j < h; j++)
    {
      a[N + 2 * j] = a[N - 2 * j];
      a[N + 2 * j + 1] = -a[N - 2 * j + 1];
    }
    a[N] = a[1];
    a[N + 1] = 0.0;
    a[1] = a[0];
    for(int S = 2 * N; S < mBlockLen; S *= 2)
    {
      std::memcpy(a + S, a, sizeof(double) * S);
      a[S + 1] = 0.0;
    }
  }

  const double* k = mFilter->KernelBlock;
  const int M = mDownShift >= 0 ? (mBlockLen >> mDownShift) : mBlockLen;
  double nyq = 0.0;
  if(mDownShift > 0)
  {
    // Real part of the product at the shorter transform's Nyquist bin. A
    // zero-phase kernel is real there (its second slot repeats the gain).
    nyq = mFilter->IsZeroPhase ? k[M] * a[M] : k[M] * a[M] - k[M + 1] * a[M + 1];
  }
  if(mFilter->IsZeroPhase)
  {
    for(int i = 0; i < M; i++)
      a[i] *= k[i];
  }
  else
  {
    a[0] *= k[0];
    a[1] *= k[1];
    for(int i = 2; i < M; i += 2)
    {
      const double re = a[i] * k[i] - a[i + 1] * k[i + 1];
      const double im = a[i] * k[i + 1] + a[i + 1] * k[i];
      a[i] = re;
      a[i + 1] = im;
    }
  }
  if(mDownShift > 0)
    a[1] = nyq;

  mOutFFT->Inverse(a);
}

void CDSPBlockConvolver::CopyToOutput(int q, int b, double*& out, int& count) noexcept
{
  if(b <= 0)
    return;
  if(q < 0)
  {
    if(q + b <= 0)
      q += mBlockLen;
    else
    {
      CopyToOutput(q + mBlockLen, -q, out, count);
      b += q;
      q = 0;
    }
  }

  if(mWithhold > 0)
  {
    if(mWithhold >= b)
    {
      mWithhold -= b;
      return;
    }
    q += mWithhold;
    b -= mWithhold;
    mWithhold = 0;
  }

  const double* src = mOutBlock;
  int n;
  if(mDownShift > 0)
  {
    const int r = q & (mDown - 1);
    const int skip = r > 0 ? mDown - r : 0;
    if(b <= skip)
      return;
    n = (b - skip + mDown - 1) >> mDownShift;
    std::memcpy(out, src + ((q + skip) >> mDownShift), sizeof(double) * n);
  }
  else if(mDown >= 2)
  {
    const int D = mDown;
    n = (b - mDecimSkip + D - 1) / D;
    if(n < 0)
      n = 0;
    const double* s = src + q + mDecimSkip;
    for(int i = 0; i < n; i++)
      out[i] = s[i * D];
    mDecimSkip = mDecimSkip - b + n * D;
  }
  else
  {
    n = b;
    std::memcpy(out, src + q, sizeof(double) * n);
  }
  out += n;
  count += n;
}

int CDSPBlockConvolver::ProcessSamples(double* ip, int l, double*& op)
{
  if(mStatus != EStatus::kOK || l < 0 || (l > 0 && (!ip || !op)) || l > INT_MAX / mUp)
    return kProcessRefused;
  if(l == 0)
    return 0;

  const double* in = ip;
  double* out = op;
  int count = 0;
  int m = l * mUp;

  while(m >= mMissing)
  {
    const int b = mMissing;
    const int p = mInLen - mMissing;
    Fill(p, b, in);
    m -= b;
    mMissing = mInLen;
    ConvolveBlock();
    CopyToOutput(p - mOutOffset, b, out, count);
    std::swap(mInBlock, mOutBlock);
  }
  if(m > 0)
  {
    const int p = mInLen - mMissing;
    Fill(p, m, in);
    mMissing -= m;
    CopyToOutput(p - mOutOffset, m, out, count);
  }
  return count;
}

} // namespace rsmp
