#pragma once
// Half-band 2x upsampler: doubles the rate with a short half-band FIR in the
// time domain. Every input sample stands unchanged at an even output position;
// the sample between two inputs is interpolated by the filter's coefficients.
//
// Threads: construction and destruction on any thread (no lock, no shared
// state); the CDSPProcessor operations on one thread at a time, without
// allocation, lock or exception.

#include "resampler/CDSPProcessor.h"
#include "resampler/HalfBandTables.h"

namespace rsmp {

class CDSPHBUpsampler : public CDSPProcessor
{
public:
  // ReqAtten: stop-band attenuation in dB; SteepIndex: 0 for the stage next to
  // the block convolver, higher for later stages (wider transition band; values
  // below 0 act as 0, above 6 as 6); IsThird: the 3*2^k family instead of the
  // power-of-two one; DoConsumeLatency: start the output on the first input
  // sample instead of delaying it by the filter's look-ahead; PrevLatency: the
  // fractional latency of the previous stage (0 <= value < 1).
  CDSPHBUpsampler(double ReqAtten, int SteepIndex, bool IsThird, bool DoConsumeLatency,
                  double PrevLatency);
  ~CDSPHBUpsampler() override = default;

  // Filter choice of the 3*2^k family: the first filter of row s whose listed
  // attenuation is at least ReqAtten (the row's last for a higher request).
  static void SelectHalfBand(int s, double ReqAtten, const double*& flt, int& fltt, double& att);
  // The same for the power-of-two family.
  static void SelectSteepHalfBand(int s, double ReqAtten, const double*& flt, int& fltt, double& att);

  int GetIntLatency() const override { return mConsume ? 0 : mLatency; }
  double GetFracLatency() const override { return mFracLatency; }
  int GetMaxOutputLength(int l) const override { return 2 * l; }
  void ClearState() override;
  // Writes up to 2*l samples at op (op must hold GetMaxOutputLength(l)).
  int ProcessSamples(double* ip, int l, double*& op) override;

  int GetTaps() const { return mFltT; }
  const double* GetCoeffs() const { return mFlt; }

private:
  using Kernel = void (*)(double* op, const double* src, int n, const double* flt);

  static constexpr int kBufLen = 512;
  static constexpr int kMirror = 2 * kHalfBandMaxTaps - 1;

  alignas(64) double mBuf[kBufLen + kMirror];
  alignas(16) double mFltCopy[kHalfBandMaxTaps];
  const double* mFlt;
  int mFltT1 = 0;      // t - 1
  int mFltT = 0;       // t
  int mFltLen = 0;     // 2t - 1: window length and mirror length
  int mWriteLimit = 0;
  const double* mReadBase = nullptr; // ring start + t - 1
  bool mConsume = true;
  int mLatency = 0;
  double mFracLatency = 0.0;
  int mPending = 0;
  int mWritePos = 0;
  int mReadPos = 0;
  int mWithhold = 0;
  Kernel mKernel = nullptr;
};

} // namespace rsmp
