#pragma once
// SysEx messages: SysExMsg points at bytes it does not own (the form passed to and from the
// queues); SysExData holds a fixed copy of up to kMaxSize bytes (the form stored in the queues).

#include <cstdint>
#include <cstring>

namespace fx {

struct SysExMsg
{
  int32_t mOffset = 0;
  int32_t mSize = 0;
  const uint8_t* mData = nullptr;

  SysExMsg() = default;
  SysExMsg(int32_t offset, const uint8_t* data, int32_t size) : mOffset(offset), mSize(size), mData(data) {}
};

struct SysExData
{
  static constexpr int32_t kMaxSize = 512;

  int32_t mOffset = 0;
  int32_t mSize = 0;
  uint8_t mData[kMaxSize] = {};

  SysExData() = default;

  // Fills the record from a message: offset, size and a copy of the bytes (all data bytes zero
  // when data is null). A size below 0 or above kMaxSize is refused: false, record cleared.
  bool Set(int32_t offset, int32_t size, const uint8_t* data)
  {
    std::memset(mData, 0, sizeof(mData));
    if (size < 0 || size > kMaxSize)
    {
      mOffset = 0;
      mSize = 0;
      return false;
    }
    mOffset = offset;
    mSize = size;
    if (data && size > 0) std::memcpy(mData, data, static_cast<size_t>(size));
    return true;
  }
  bool Set(const SysExMsg& msg) { return Set(msg.mOffset, msg.mSize, msg.mData); }

  // The message form, pointing into this record.
  SysExMsg AsMsg() const { return SysExMsg(mOffset, mData, mSize < 0 ? 0 : (mSize > kMaxSize ? kMaxSize : mSize)); }

  void Clear() { Set(0, 0, nullptr); }
};

} // namespace fx
