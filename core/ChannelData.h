#pragma once
// One input or output channel of a processor: whether the host connected it, its entry in the
// channel-pointer array handed to the block processing, the host buffer attached for the
// current block and the double-precision scratch buffer that stands in for it.
// Owned by IFxProcessor; attached and read on the render thread, resized outside rendering.

#include "core/FxString.h"
#include "core/FxTypedBuf.h"

namespace fx {

struct ChannelData
{
  bool mConnected = false;
  double** mData = nullptr;             // this channel's entry in the processor's pointer array
  float* mFloatBuf = nullptr;           // attached single-precision host buffer, or null
  double* mDoubleBuf = nullptr;         // attached double-precision host buffer, or null
  int mFloatFrames = 0;                 // frames the attached float buffer holds
  FxTypedBuf<double> mScratchBuf;       // block-size samples
  FxString mLabel;

  // Forgets the host buffers of the last attach.
  void Detach()
  {
    mFloatBuf = nullptr;
    mDoubleBuf = nullptr;
    mFloatFrames = 0;
  }
};

} // namespace fx
