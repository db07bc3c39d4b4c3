#pragma once
// Stage interface of the resampler: every stage of a resampler chain (block
// convolver, half-band up/down samplers, fractional interpolator) and the
// resampler itself implement it.
//
// Threads: an object is used by one thread at a time. Construction and
// destruction may run on any thread (they take the process-wide cache locks);
// GetIntLatency, GetFracLatency, GetMaxOutputLength, ClearState and
// ProcessSamples run on the audio thread: they never allocate, lock or throw.

#include "resampler/CStdClassAllocator.h"
#include "resampler/RsmpStatus.h"

namespace rsmp {

class CDSPProcessor : public CStdClassAllocator
{
public:
  virtual ~CDSPProcessor() = default;

  // Whole-sample latency the stage leaves in its output (0 for stages that
  // consume their latency, which is every stage the resampler builds).
  virtual int GetIntLatency() const = 0;

  // Fractional latency (0 <= value < 1, in output samples) passed on to the
  // next stage.
  virtual double GetFracLatency() const = 0;

  // Largest number of output samples one call can produce from at most l
  // input samples.
  virtual int GetMaxOutputLength(int l) const = 0;

  // Returns to the state right after construction (history zeroed, latency
  // counters re-armed).
  virtual void ClearState() = 0;

  // Consumes l input samples at ip and returns the number of output samples
  // produced; op designates on entry the buffer a stage writes to and on
  // return points at the produced samples. Returns kProcessRefused (and
  // leaves op and the state unchanged) for a call the object cannot serve.
  virtual int ProcessSamples(double* ip, int l, double*& op) = 0;

  // Construction result: kOK when the object is usable.
  virtual EStatus GetStatus() const { return EStatus::kOK; }

protected:
  CDSPProcessor() = default;
  CDSPProcessor(const CDSPProcessor&) = delete;
  CDSPProcessor& operator=(const CDSPProcessor&) = delete;
};

} // namespace rsmp
