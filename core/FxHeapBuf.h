#pragma once
// Growable byte buffer under the strings, pointer lists, typed arrays and state chunks.
// Single owner, not shared between threads. Any thread, but one at a time.

#include <cstdint>

namespace fx {

class FxHeapBuf
{
public:
  static constexpr int kDefaultGranularity = 128;

  explicit FxHeapBuf(int granularity = kDefaultGranularity) noexcept;
  ~FxHeapBuf();

  // Copies take the same granularity and a buffer of the same used size.
  FxHeapBuf(const FxHeapBuf& other) noexcept;
  FxHeapBuf& operator=(const FxHeapBuf& other) noexcept;
  FxHeapBuf(FxHeapBuf&& other) noexcept;
  FxHeapBuf& operator=(FxHeapBuf&& other) noexcept;

  // Sets the used size to n bytes (n < 0 is taken as 0) and returns the buffer, or null when
  // n < 1. Grows by max(n/2, granularity); granularities above 4095 allocate page-rounded
  // blocks less a 96-byte header. Shrinks the allocation only with allowShrink and only once
  // n drops below the shrink threshold. When memory runs out nothing changes and the old
  // buffer is returned (null when it was empty).
  void* Resize(int n, bool allowShrink = false) noexcept;

  void* Get() const noexcept { return mBuf; }
  int GetSize() const noexcept { return mUsed; }
  int GetAllocated() const noexcept { return mAllocated; }
  int GetGranularity() const noexcept { return mGranularity; }

  // Size an allocation of n bytes would get (0 for n < 1, -1 when n cannot be represented).
  static int64_t AllocationSizeFor(int64_t n, int granularity) noexcept;

private:
  void* mBuf = nullptr;
  int32_t mAllocated = 0;
  int32_t mUsed = 0;
  int32_t mGranularity = kDefaultGranularity;
};

} // namespace fx
