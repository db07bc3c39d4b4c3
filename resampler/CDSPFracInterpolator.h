#pragma once
// Fractional interpolator: converts between rates whose ratio is not a power
// of two (or three times one). Each output is a short FIR over the input taken
// from a shared bank of fractional-delay filters: with whole stepping (a small
// whole-number ratio) the bank holds one filter per output phase; otherwise
// each output interpolates between neighbouring filters of a fine grid with a
// quadratic in the fractional position.
//
// Threads: construction and destruction on any thread (they take the
// filter-bank lock); the CDSPProcessor operations on one thread at a time,
// without allocation, lock or exception.

#include "resampler/CDSPProcessor.h"

namespace rsmp {

class CFracDelayFilterBank;

class CDSPFracInterpolator : public CDSPProcessor
{
public:
  static constexpr double kMaxRatio = 65536.0;

  // IsThird: use the 3*2^k family of filter designs; SrcSampleRate and
  // DstSampleRate: positive, finite rates; ReqAtten: stop-band attenuation in
  // dB; PrevLatency: latency of the previous stage in input samples (>= 0).
  // Invalid rates (not positive and finite, or a ratio beyond kMaxRatio
  // either way: status kInvalidRate) or a bank that cannot be built
  // (kOutOfMemory) leave an object whose ProcessSamples refuses.
  CDSPFracInterpolator(bool IsThird, double SrcSampleRate, double DstSampleRate, double ReqAtten,
                       double PrevLatency);
  ~CDSPFracInterpolator() override;

  int GetIntLatency() const override { return 0; }
  double GetFracLatency() const override { return mFracLatency; }
  // ceil(l * Dst / Src) + 1.
  int GetMaxOutputLength(int l) const override;
  void ClearState() override;
  int ProcessSamples(double* ip, int l, double*& op) override;
  EStatus GetStatus() const override { return mStatus; }

  bool IsWholeStepping() const { return mWholeStepping; }
  int GetInStep() const { return mInStep; }
  int GetOutStep() const { return mOutStep; }
  int GetFilterLen() const { return mFilterLen; }
  double GetSrcSampleRate() const { return mSrc; }
  double GetDstSampleRate() const { return mDst; }
  const CFracDelayFilterBank* GetBank() const { return mBank; }

  // Common divisor of two rates by at most 25 rounds of mutual subtraction;
  // 0 when none is found.
  static double FindDivisor(double a, double b);

private:
  using Kernel = void (CDSPFracInterpolator::*)(double*& op);
  template <int F> void KernelWhole(double*& op);
  void KernelInterp(double*& op);

  static constexpr int kBufLen = 256;
  static constexpr int kMirror = 29;

  int mFilterLen = 0;   // F
  int mFilterLen2 = 0;  // F / 2
  int mFilterLen2m1 = 0;
  int mFilterLenM1 = 0; // F - 1, also the mirror length
  int mWriteLimit = 0;  // 257 - F / 2
  alignas(64) double mBuf[kBufLen + kMirror + 3];
  double mSrc = 0.0;
  double mDst = 0.0;
  bool mWholeStepping = false;
  int mInStep = 0;
  int mOutStep = 0;
  double mInitFrac = 0.0;
  int mInitPhase = 0;
  int mPrevLatencyInt = 0;
  double mFracLatency = 0.0;
  int mPending = 0;
  int mWritePos = 0;
  int mReadPos = 0;
  int mDrop = 0;
  double mX = 0.0;
  int mPhase = 0;
  CFracDelayFilterBank* mBank = nullptr;
  int mOutCount = 0;
  int mInPos = 0;
  double mPosShift = 0.0;
  Kernel mKernel = nullptr;
  EStatus mStatus = EStatus::kOK;
};

} // namespace rsmp
