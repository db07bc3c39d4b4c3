#pragma once
// Growable byte buffer (granularity 4096) for raw resources and layer pixel data. Single owner;
// any thread, one at a time.

#include "core/FxHeapBuf.h"

#include <cstdint>

namespace fx::gfx {

class IByteBuffer : public FxHeapBuf
{
public:
  static constexpr int kGranularity = 4096;

  IByteBuffer() noexcept : FxHeapBuf(kGranularity) {}

  uint8_t* Bytes() const noexcept { return static_cast<uint8_t*>(Get()); }
  bool Empty() const noexcept { return GetSize() == 0; }
};

/** Pixels of a layer: width × height × 4 bytes, rows in order (see IsBitmapDataFlipped), the
 *  alpha byte at GetAlphaChannelIndex. */
using RawBitmapData = IByteBuffer;

} // namespace fx::gfx
