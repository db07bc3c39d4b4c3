#pragma once
// Lock-free rings between the audio / host threads and the main thread. Storage is allocated
// once in the constructor; Push and Pop never allocate, block or lock, so the render thread may
// use them. A ring of capacity N holds at most N - 1 entries; a push into a full ring is dropped.
//
// IFxQueue:   exactly one producer thread and one consumer thread.
// IFxMPQueue: any number of producer threads, one consumer thread. The audio-to-editor
//             parameter queue uses this one, since hosts set parameters from both their
//             automation and render threads.

#include "core/FxTypedBuf.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <type_traits>

namespace fx {

template <class T>
class IFxQueue
{
public:
  // capacity: number of entries in the storage (N); at least 2 is used.
  explicit IFxQueue(int capacity)
  {
    if (capacity < 2) capacity = 2;
    mBuf.Resize(capacity);
    mCapacity = static_cast<uint64_t>(mBuf.GetSize());
  }
  IFxQueue(const IFxQueue&) = delete;
  IFxQueue& operator=(const IFxQueue&) = delete;

  // Producer thread. False (entry dropped) when the ring is full.
  bool Push(const T& item)
  {
    if (mCapacity == 0) return false;
    const uint64_t w = mWriteIdx.load(std::memory_order_relaxed);
    const uint64_t next = (w + 1) % mCapacity;
    if (next == mReadIdx.load(std::memory_order_acquire)) return false;
    mBuf.Get()[w] = item;
    mWriteIdx.store(next, std::memory_order_release);
    return true;
  }

  // Consumer thread. False when empty; item is then left untouched.
  bool Pop(T& item)
  {
    const uint64_t r = mReadIdx.load(std::memory_order_relaxed);
    if (r == mWriteIdx.load(std::memory_order_acquire)) return false;
    item = mBuf.Get()[r];
    mReadIdx.store((r + 1) % mCapacity, std::memory_order_release);
    return true;
  }

  // Either thread; exact on the consumer thread, a snapshot elsewhere.
  size_t ElementsAvailable() const
  {
    const uint64_t r = mReadIdx.load(std::memory_order_acquire);
    const uint64_t w = mWriteIdx.load(std::memory_order_acquire);
    return static_cast<size_t>(w >= r ? w - r : w - r + mCapacity);
  }

  int GetCapacity() const { return static_cast<int>(mCapacity); }

private:
  FxTypedBuf<T> mBuf;
  uint64_t mCapacity = 0;
  alignas(64) std::atomic<uint64_t> mWriteIdx{0};
  alignas(64) std::atomic<uint64_t> mReadIdx{0};
};

// Bounded ring safe for several producers: every slot carries a sequence number that tells
// producers and the consumer whose turn it is, so a producer claims a slot with one
// compare-exchange and publishes it with a release store of the slot's sequence. For the entry
// at position pos the slot reads 2 * pos while free and 2 * pos + 1 once written; the consumer
// frees it for the next lap with 2 * (pos + slots). The doubled numbers keep the three states
// apart even for a single slot.
template <class T>
class IFxMPQueue
{
  static_assert(std::is_trivially_copyable_v<T>, "queued records are plain values");

public:
  // capacity: N as for IFxQueue; N - 1 entries fit.
  explicit IFxMPQueue(int capacity)
  {
    if (capacity < 2) capacity = 2;
    mSlotCount = static_cast<uint64_t>(capacity - 1);
    mSlots = std::make_unique<Slot[]>(mSlotCount);
    for (uint64_t i = 0; i < mSlotCount; ++i) mSlots[i].seq.store(2 * i, std::memory_order_relaxed);
  }
  IFxMPQueue(const IFxMPQueue&) = delete;
  IFxMPQueue& operator=(const IFxMPQueue&) = delete;

  // Any thread. False (entry dropped) when the ring is full.
  bool Push(const T& item)
  {
    uint64_t pos = mWritePos.load(std::memory_order_relaxed);
    for (;;)
    {
      Slot& slot = mSlots[pos % mSlotCount];
      const uint64_t seq = slot.seq.load(std::memory_order_acquire);
      const int64_t diff = static_cast<int64_t>(seq - 2 * pos);
      if (diff == 0)
      {
        if (mWritePos.compare_exchange_weak(pos, pos + 1, std::memory_order_relaxed))
        {
          slot.value = item;
          slot.seq.store(2 * pos + 1, std::memory_order_release);
          return true;
        }
      }
      else if (diff < 0)
      {
        return false; // the consumer has not freed this slot yet: full
      }
      else
      {
        pos = mWritePos.load(std::memory_order_relaxed);
      }
    }
  }

  // One consumer thread. False when empty (or the oldest entry is still being written);
  // item is then left untouched.
  bool Pop(T& item)
  {
    const uint64_t pos = mReadPos.load(std::memory_order_relaxed);
    Slot& slot = mSlots[pos % mSlotCount];
    const uint64_t seq = slot.seq.load(std::memory_order_acquire);
    if (seq != 2 * pos + 1) return false;
    item = slot.value;
    slot.seq.store(2 * (pos + mSlotCount), std::memory_order_release);
    mReadPos.store(pos + 1, std::memory_order_release);
    return true;
  }

  // Entries claimed and not yet popped (a snapshot).
  size_t ElementsAvailable() const
  {
    const uint64_t r = mReadPos.load(std::memory_order_acquire);
    const uint64_t w = mWritePos.load(std::memory_order_acquire);
    return static_cast<size_t>(w > r ? w - r : 0);
  }

  int GetCapacity() const { return static_cast<int>(mSlotCount + 1); }

private:
  struct Slot
  {
    std::atomic<uint64_t> seq{0};
    T value{};
  };

  std::unique_ptr<Slot[]> mSlots;
  uint64_t mSlotCount = 0;
  alignas(64) std::atomic<uint64_t> mWritePos{0};
  alignas(64) std::atomic<uint64_t> mReadPos{0};
};

} // namespace fx
