#include "resampler/CDSPFracInterpolator.h"

#include "resampler/CFracDelayFilterBank.h"
#include "resampler/RsmpStageRing.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace rsmp {

double CDSPFracInterpolator::FindDivisor(double a, double b)
{
  for (int i = 0; i < 25; ++i)
  {
    if (b <= 0.0)
      return a;
    a = std::fabs(a - b);
    if (a <= 0.0)
      return b;
    b = std::fabs(b - a);
  }
  return 0.0;
}

CDSPFracInterpolator::CDSPFracInterpolator(bool IsThird, double SrcSampleRate, double DstSampleRate,
                                           double ReqAtten, double PrevLatency)
  : mSrc(SrcSampleRate), mDst(DstSampleRate)
{
  // Positions and output counters are 32-bit: a rate ratio beyond kMaxRatio
  // either way would overflow them within a call.
  const double big = 1e15;
  if (!std::isfinite(SrcSampleRate) || !std::isfinite(DstSampleRate) || SrcSampleRate <= 0.0 ||
      DstSampleRate <= 0.0 || SrcSampleRate > big || DstSampleRate > big ||
      SrcSampleRate > DstSampleRate * kMaxRatio || DstSampleRate > SrcSampleRate * kMaxRatio)
  {
    mStatus = EStatus::kInvalidRate;
    return;
  }
  // A negative or non-finite previous latency (or one too long to count in
  // samples) means nothing sensible: treat it as none.
  if (!std::isfinite(PrevLatency) || PrevLatency < 0.0 || PrevLatency > 1e9)
    PrevLatency = 0.0;
  mPrevLatencyInt = int(PrevLatency);
  const double frac = PrevLatency - mPrevLatencyInt;

  const double g = FindDivisor(mSrc, mDst);
  if (g >= 1.0)
  {
    const double is = mSrc / g, os = mDst / g;
    if (is == std::floor(is) && os == std::floor(os) && os <= 1500.0 && is <= 1e9)
    {
      mWholeStepping = true;
      mInStep = int(is);
      mOutStep = int(os);
    }
  }

  EStatus st = EStatus::kOK;
  if (mWholeStepping)
  {
    // The first output is taken mInitPhase / mOutStep input samples late,
    // which leaves frac - mInitPhase / mOutStep input samples of delay:
    // passed on in output samples (inStep input samples span outStep outputs).
    mInitPhase = int(frac * mOutStep);
    mFracLatency = (frac * mOutStep - mInitPhase) / mInStep;
    mBank = CFracDelayFilterBank::Acquire(mOutStep, 1, 2, IsThird, false, ReqAtten, &st);
  }
  else
  {
    mInitFrac = frac;
    mFracLatency = 0.0;
    mBank = CFracDelayFilterBank::Acquire(-1, 3, 8, IsThird, true, ReqAtten, &st);
  }
  if (!mBank)
  {
    mStatus = st == EStatus::kOK ? EStatus::kOutOfMemory : st;
    return;
  }

  mFilterLen = mBank->FilterLen;
  mFilterLen2 = mFilterLen / 2;
  mFilterLen2m1 = mFilterLen2 - 1;
  mFilterLenM1 = mFilterLen - 1;
  mWriteLimit = kBufLen + 1 - mFilterLen2;

  if (mWholeStepping)
  {
    switch (mFilterLen)
    {
      case 6: mKernel = &CDSPFracInterpolator::KernelWhole<6>; break;
      case 8: mKernel = &CDSPFracInterpolator::KernelWhole<8>; break;
      case 10: mKernel = &CDSPFracInterpolator::KernelWhole<10>; break;
      case 12: mKernel = &CDSPFracInterpolator::KernelWhole<12>; break;
      case 14: mKernel = &CDSPFracInterpolator::KernelWhole<14>; break;
      case 16: mKernel = &CDSPFracInterpolator::KernelWhole<16>; break;
      case 18: mKernel = &CDSPFracInterpolator::KernelWhole<18>; break;
      case 20: mKernel = &CDSPFracInterpolator::KernelWhole<20>; break;
      case 22: mKernel = &CDSPFracInterpolator::KernelWhole<22>; break;
      case 24: mKernel = &CDSPFracInterpolator::KernelWhole<24>; break;
      case 26: mKernel = &CDSPFracInterpolator::KernelWhole<26>; break;
      case 28: mKernel = &CDSPFracInterpolator::KernelWhole<28>; break;
      default: mKernel = &CDSPFracInterpolator::KernelWhole<30>; break;
    }
  }
  else
    mKernel = &CDSPFracInterpolator::KernelInterp;
  ClearState();
}

CDSPFracInterpolator::~CDSPFracInterpolator()
{
  CFracDelayFilterBank::Release(mBank);
}

int CDSPFracInterpolator::GetMaxOutputLength(int l) const
{
  if (mStatus != EStatus::kOK)
    return 0;
  if (l <= 0)
    return 1;
  const double n = std::ceil(double(l) * mDst / mSrc) + 1.0;
  return n >= double(std::numeric_limits<int>::max()) ? std::numeric_limits<int>::max() : int(n);
}

void CDSPFracInterpolator::ClearState()
{
  if (mStatus != EStatus::kOK)
    return;
  mDrop = mPrevLatencyInt;
  mPending = 0;
  mWritePos = 0;
  mReadPos = mWriteLimit;
  // History before the first sample (and the mirror area) reads as silence.
  std::memset(mBuf + mWriteLimit, 0, sizeof(mBuf) - sizeof(double) * mWriteLimit);
  if (mWholeStepping)
    mPhase = mInitPhase;
  else
  {
    mX = mInitFrac;
    mOutCount = 0;
    mInPos = 0;
    mPosShift = mX * mDst / mSrc;
  }
}

template <int F>
void CDSPFracInterpolator::KernelWhole(double*& op)
{
  const double* const table = mBank->Table;
  while (mPending > F / 2)
  {
    const double* row = table + mPhase * F;
    const double* s = mBuf + mReadPos;
    double acc = 0.0;
    for (int i = 0; i < F; ++i)
      acc += row[i] * s[i];
    *op++ = acc;
    mPhase += mInStep;
    const int adv = mPhase / mOutStep;
    mReadPos = (mReadPos + adv) & (kBufLen - 1);
    mPending -= adv;
    mPhase -= adv * mOutStep;
  }
}

void CDSPFracInterpolator::KernelInterp(double*& op)
{
  const int f = mFilterLen;
  const int q = mBank->FracCount;
  const int es = mBank->ElementSize;
  const double* const base = mBank->GetRow(0);
  while (mPending > mFilterLen2)
  {
    const double fx = q * mX;
    const int row = int(fx);
    const double t = fx - row;
    const double t2 = t * t;
    const double* c = base + row * es;
    const double* s = mBuf + mReadPos;
    double acc0 = 0.0, acc1 = 0.0;
    for (int i = 0; i < f; i += 2, c += 6)
    {
      acc0 += (c[0] + c[2] * t + c[4] * t2) * s[i];
      acc1 += (c[1] + c[3] * t + c[5] * t2) * s[i + 1];
    }
    *op++ = acc0 + acc1;

    ++mOutCount;
    const double xp = (mOutCount + mPosShift) * mSrc / mDst;
    const int ipos = int(xp);
    const int adv = ipos - mInPos;
    mInPos = ipos;
    mReadPos = (mReadPos + adv) & (kBufLen - 1);
    mPending -= adv;
    mX = xp - ipos;
  }
}

int CDSPFracInterpolator::ProcessSamples(double* ip, int l, double*& op)
{
  if (mStatus != EStatus::kOK || l < 0 || (l > 0 && (ip == nullptr || op == nullptr)))
    return kProcessRefused;
  if (mDrop > 0)
  {
    if (mDrop >= l)
    {
      mDrop -= l;
      return 0;
    }
    ip += mDrop;
    l -= mDrop;
    mDrop = 0;
  }
  double* out = op;
  while (l > 0)
  {
    const int n = std::min({kBufLen - mWritePos, l, std::max(0, mWriteLimit - mPending)});
    WriteRing(mBuf, kBufLen, mFilterLenM1, mWritePos, ip, n);
    ip += n;
    l -= n;
    mWritePos = (mWritePos + n) & (kBufLen - 1);
    mPending += n;
    (this->*mKernel)(out);
  }
  if (!mWholeStepping && mOutCount > 1000)
  {
    mOutCount = 0;
    mInPos = 0;
    mPosShift = mX * mDst / mSrc;
  }
  return int(out - op);
}

} // namespace rsmp
