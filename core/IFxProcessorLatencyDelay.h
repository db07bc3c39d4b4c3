#pragma once
// Per-channel delay line that keeps a processor's recent input so that a bypassed block can be
// delayed by the reported latency and stay aligned with the processed signal around it.
// Prepare and Reset run outside rendering (they allocate or touch the whole history);
// Push and Process run on the render thread and never allocate.

#include "core/FxTypedBuf.h"

namespace fx {

class IFxLatencyDelay
{
public:
  // Sizes the history for delays up to maxDelay samples and blocks of up to maxBlock samples
  // (longer blocks are taken in pieces) and clears it. False when an argument is negative or
  // memory ran out; the line is then empty and delays nothing.
  bool Prepare(int nChannels, int maxDelay, int maxBlock);
  // Clears the history: the next samples read before anything was pushed are silence.
  void Reset();

  bool IsPrepared() const { return mCapacity > 0; }
  int NChannels() const { return mNChannels; }
  // Largest delay Process applies; larger requests are clamped to it.
  int GetMaxDelay() const { return mMaxDelay; }

  // Appends n samples of each of the first nChannels inputs to the history (a null input
  // pointer is silence). Channels beyond the prepared count are ignored.
  void Push(double* const* inputs, int nChannels, int n);
  // Appends the inputs like Push and writes each output as its input delayed by delay samples.
  // An output may be the same buffer as any input. Null outputs are skipped.
  void Process(double* const* inputs, double* const* outputs, int nChannels, int n, int delay);

private:
  double* Channel(int ch) const { return mHistory.Get() + static_cast<long>(ch) * mCapacity; }
  void Write(double* const* inputs, int nChannels, int offset, int n);

  FxTypedBuf<double> mHistory;
  int mNChannels = 0;
  int mCapacity = 0;  // power of two, samples per channel
  int mMaxDelay = 0;
  int mMaxBlock = 0;
  int mWritePos = 0;
};

} // namespace fx
