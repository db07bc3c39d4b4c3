#pragma once
// Host tempo, positions, time signature and transport state for one audio block.
// The host adapter overwrites every field once per block on the render thread, and the
// plug-in reads them there; nothing else touches them. -1 means the host gave no value.

#include <cstdint>

namespace fx {

struct ITimeInfo
{
  double mTempo = 120.0;          // beats per minute
  double mSamplePos = -1.0;       // position of the block's first sample in samples
  double mPPQPos = -1.0;          // the same position in quarter notes
  double mLastBar = -1.0;         // start of the current bar in quarter notes
  double mCycleStart = -1.0;      // loop start in quarter notes
  double mCycleEnd = -1.0;        // loop end in quarter notes
  int32_t mNumerator = 4;         // time signature
  int32_t mDenominator = 4;
  bool mTransportIsRunning = false;
  bool mTransportLoopEnabled = false;
};

} // namespace fx
