#pragma once
// Growable byte buffer holding plug-in state, written by appending and read at a position.
// Values are stored as their raw bytes in the processor's native (little-endian) order,
// packed without alignment. Readers return the position after what they read, or -1 when the
// chunk is too short; nothing is ever read outside the used bytes.
// Single owner; whichever thread the host uses for state, one at a time.

#include "core/FxHeapBuf.h"
#include "core/FxString.h"

#include <cstdint>
#include <type_traits>

namespace fx {

class IStateChunk
{
public:
  static constexpr int kGranularity = 4096;

  IStateChunk() noexcept : mBytes(kGranularity) {}
  IStateChunk(const IStateChunk&) noexcept = default;
  IStateChunk& operator=(const IStateChunk&) noexcept = default;
  IStateChunk(IStateChunk&&) noexcept = default;
  IStateChunk& operator=(IStateChunk&&) noexcept = default;

  /** Appends size raw bytes. Returns the new size, or 0 when the chunk could not grow: then the
   *  chunk is left empty. A negative size or a null pointer with a positive size appends nothing.
   *  data may point into this chunk. */
  int PutBytes(const void* data, int size) noexcept;

  /** Appends the raw bytes of a plain value. */
  template <class T>
  int Put(const T* pVal) noexcept
  {
    static_assert(std::is_trivially_copyable_v<T>);
    return PutBytes(pVal, static_cast<int>(sizeof(T)));
  }

  /** Appends an int32 byte length and the bytes of str without its terminator (null = "");
   *  str may point into this chunk. */
  int PutStr(const char* str) noexcept;

  /** Appends every byte of another chunk. */
  int PutChunk(const IStateChunk* other) noexcept;

  /** Copies size bytes from startPos into pBuf. Returns startPos + size, or -1 (pBuf untouched)
   *  when startPos is negative or the chunk holds fewer bytes. */
  int GetBytes(void* pBuf, int size, int startPos) const noexcept;

  template <class T>
  int Get(T* pVal, int startPos) const noexcept
  {
    static_assert(std::is_trivially_copyable_v<T>);
    return GetBytes(pVal, static_cast<int>(sizeof(T)), startPos);
  }

  /** Reads a string written by PutStr: the int32 length L, then L bytes. A length below 1
   *  gives "", otherwise the text runs to the first NUL among the L bytes. Returns the
   *  position after the bytes, or -1 (str untouched) when the chunk is too short or L is
   *  larger than what is left. */
  int GetStr(FxString& str, int startPos) const noexcept;

  /** Same, into a caller buffer of bufSize bytes (text cut to bufSize - 1 bytes, always
   *  terminated; bufSize < 1 only checks and skips). */
  int GetStr(char* buf, int bufSize, int startPos) const noexcept;

  /** Sets the used size (0 empties). Returns the new size; a failed growth leaves it unchanged. */
  int Resize(int newSize) noexcept;
  void Clear() noexcept { Resize(0); }

  int Size() const noexcept { return mBytes.GetSize(); }
  /** The bytes; null when the chunk is empty. */
  uint8_t* GetData() const noexcept { return Size() > 0 ? static_cast<uint8_t*>(mBytes.Get()) : nullptr; }

  bool IsEqual(const IStateChunk& other) const noexcept;

private:
  // True when p lies in this chunk's allocation (an append may move what it points at).
  bool PointsInside(const void* p) const noexcept;
  // Reads the length and checks that the bytes fit; returns the position of the bytes or -1.
  int StrBounds(int startPos, int32_t& len) const noexcept;

  FxHeapBuf mBytes;
};

} // namespace fx
