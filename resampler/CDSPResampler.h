#pragma once
// Sample-rate converter of one channel of 64-bit samples: the constructor turns
// a request (rates, maximum input length, transition band, attenuation, phase)
// into a chain of stages; ProcessSamples runs a block through the chain. Every
// stage consumes its own delay, so the output is time-aligned with the input
// (the first calls deliver fewer samples while the pipeline fills).
//
// Threads: construction and destruction on any thread (they take the
// process-wide filter-cache and FFT-pool locks); ProcessSamples, ClearState
// and the queries on the audio thread, one thread at a time per object, with
// no allocation, lock or exception.

#include "resampler/CDSPProcessor.h"

namespace rsmp {

class CDSPResampler : public CDSPProcessor
{
public:
  // SrcSampleRate, DstSampleRate: rates in Hz (> 0, finite).
  // MaxInLen: largest input length of one ProcessSamples call (> 0).
  // ReqTransBand: transition band in percent of the lower rate's band.
  // ReqAtten: stop-band attenuation in dB (positive).
  // ReqPhase: 0 = linear phase, non-zero = minimum phase.
  // An invalid request or an allocation failure leaves an object without
  // stages whose GetStatus() says why and whose ProcessSamples refuses.
  CDSPResampler(double SrcSampleRate, double DstSampleRate, int MaxInLen,
                double ReqTransBand, double ReqAtten, int ReqPhase);
  ~CDSPResampler() override;

  int GetIntLatency() const override { return 0; }
  double GetFracLatency() const override { return mFracLatency; }
  // The bound for an input of MaxInLen samples (l is ignored).
  int GetMaxOutputLength(int l) const override;
  void ClearState() override;
  // ip: l <= MaxInLen samples (ip may be null only when l = 0). On return op
  // points at the output, which lies in the object's own scratch buffer (or is
  // ip itself for equal rates) and stays valid until the next call.
  int ProcessSamples(double* ip, int l, double*& op) override;
  EStatus GetStatus() const override { return mStatus; }

  // Chain inspection (tests, measurement tools).
  int GetStageCount() const { return mStageCount; }
  const CDSPProcessor* GetStage(int i) const;
  int GetMaxInLen() const { return mMaxInLen; }
  // Capacity in samples of scratch buffer i (0 or 1): the largest output
  // bound among the stages writing into it (0 for a pass-through object).
  int GetScratchCapacity(int i) const { return i == 0 || i == 1 ? mScratchCapacity[i] : 0; }

protected:
  // Appends a constructed stage; takes ownership. A null or failed stage marks
  // the resampler as failed (the stage is deleted).
  void AddStage(CDSPProcessor* stage);

private:
  void BuildChain(double src, double dst, double band, double att, int phase);
  void AllocScratch();
  void FreeAll();
  void Fail(EStatus s);

  void* mStagesRaw = nullptr;          // stage array block
  CDSPProcessor** mStages = nullptr;   // its start, 64-byte aligned
  int mStageCapacity = 0;
  int mStageCount = 0;
  int mMaxInLen = 0;
  void* mScratchRaw = nullptr;         // one block for both scratch buffers
  double* mScratch[2] = {nullptr, nullptr};
  int mScratchCapacity[2] = {0, 0};    // in samples
  int mScratchIndex = 0;               // buffer the next added stage writes to
  int mMaxOutLen = 0;                  // running maximum output length
  double mFracLatency = 0.0;
  EStatus mStatus = EStatus::kOK;
};

// The converter class the limiter instantiates; identical to its base.
class CDSPResampler24_44k : public CDSPResampler
{
public:
  CDSPResampler24_44k(double SrcSampleRate, double DstSampleRate, int MaxInLen,
                      double ReqTransBand, double ReqAtten, int ReqPhase)
    : CDSPResampler(SrcSampleRate, DstSampleRate, MaxInLen, ReqTransBand, ReqAtten, ReqPhase)
  {
  }
  ~CDSPResampler24_44k() override = default;
};

} // namespace rsmp
