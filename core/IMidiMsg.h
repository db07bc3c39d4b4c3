#pragma once
// A short MIDI message: sample offset in the block, status byte and two data bytes.

#include <cstdint>

namespace fx {

struct IMidiMsg
{
  int32_t mOffset = 0;
  uint8_t mStatus = 0;
  uint8_t mData1 = 0;
  uint8_t mData2 = 0;

  IMidiMsg() = default;
  IMidiMsg(int32_t offset, uint8_t status, uint8_t data1, uint8_t data2)
    : mOffset(offset), mStatus(status), mData1(data1), mData2(data2) {}

  void Clear() { *this = IMidiMsg(); }
};

} // namespace fx
