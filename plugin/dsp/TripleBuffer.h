#pragma once
// Lock-free hand-over of whole values from writers to one reader: the writer
// fills a private slot and publishes it with one atomic exchange; the reader
// takes the newest published slot with one atomic exchange. The reader never
// sees a slot that is being written, so a value is never read half-updated.
//
// Threads: Publish from any thread, serialised by the caller (one writer at a
// time); Acquire and Current from the single reader thread.

#include <atomic>
#include <cstdint>

template <typename T> class TripleBuffer
{
public:
  TripleBuffer() = default;
  TripleBuffer(const TripleBuffer&) = delete;
  TripleBuffer& operator=(const TripleBuffer&) = delete;

  // Writer: the slot to fill before Publish.
  T& Back() noexcept { return mSlots[mBack]; }

  void Publish() noexcept
  {
    const uint32_t prev = mMiddle.exchange(mBack | kFresh, std::memory_order_acq_rel);
    mBack = prev & kIndexMask;
  }

  // Reader: switches to the newest published value; true when there was one.
  bool Acquire() noexcept
  {
    if ((mMiddle.load(std::memory_order_relaxed) & kFresh) == 0)
      return false;
    const uint32_t prev = mMiddle.exchange(mFront, std::memory_order_acq_rel);
    mFront = prev & kIndexMask;
    return true;
  }

  const T& Current() const noexcept { return mSlots[mFront]; }

private:
  static constexpr uint32_t kFresh = 4u;
  static constexpr uint32_t kIndexMask = 3u;
  T mSlots[3] {};
  uint32_t mBack = 0;                   // writer's slot
  std::atomic<uint32_t> mMiddle {1};    // last published slot (+ fresh flag)
  uint32_t mFront = 2;                  // reader's slot
};
