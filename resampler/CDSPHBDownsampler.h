#pragma once
// Half-band 2x downsampler: halves the rate with a short half-band FIR in the
// time domain, evaluated only at the kept (even) positions. The output has DC
// gain 2; the block convolver that ends a downsampling chain removes it.
//
// Threads: construction and destruction on any thread (no lock, no shared
// state); the CDSPProcessor operations on one thread at a time, without
// allocation, lock or exception.

#include "resampler/CDSPProcessor.h"
#include "resampler/HalfBandTables.h"

namespace rsmp {

class CDSPHBDownsampler : public CDSPProcessor
{
public:
  // ReqAtten: stop-band attenuation in dB; SteepIndex: 0 for the stage next to
  // the block convolver, higher for earlier stages at higher rates (values below
  // 0 act as 0, above 6 as 6); IsThird: the 3*2^k family; PrevLatency: the
  // fractional latency of the previous stage (0 <= value < 1). The stage always
  // consumes its latency: its first output is centred on the first input.
  CDSPHBDownsampler(double ReqAtten, int SteepIndex, bool IsThird, double PrevLatency);
  ~CDSPHBDownsampler() override = default;

  int GetIntLatency() const override { return 0; }
  double GetFracLatency() const override { return mFracLatency; }
  int GetMaxOutputLength(int l) const override { return (l + 1) / 2; }
  void ClearState() override;
  // Writes up to (l + 1) / 2 samples at op.
  int ProcessSamples(double* ip, int l, double*& op) override;

  int GetTaps() const { return mFltT; }
  const double* GetCoeffs() const { return mFlt; }

private:
  using Kernel = void (*)(double* op, const double* src, int n, const double* flt);

  static constexpr int kBufLen = 1024;
  static constexpr int kMirror = 2 * (2 * kHalfBandMaxTaps - 1);

  alignas(64) double mBuf[kBufLen + kMirror];
  const double* mFlt = nullptr; // in the static table
  int mFltT = 0;
  int mFltLen = 0;      // h = 2t - 1: window half-length
  int mThreshold = 0;   // h again: pending count above which outputs are due
  int mMirrorLen = 0;   // 2h
  int mWriteLimit = 0;  // 1024 - h
  const double* mReadBase = nullptr; // ring start + h
  int mLatency = 0;
  double mFracLatency = 0.0;
  int mPending = 0;
  int mWritePos = 0;
  int mReadPos = 0;
  int mWithhold = 0;
  Kernel mKernel = nullptr;
};

} // namespace rsmp
