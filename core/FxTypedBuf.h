#pragma once
// Growable array of plain values over a FxHeapBuf. Elements are moved as bytes, so T must be
// trivially copyable. Single owner; any thread, one at a time.

#include "core/FxHeapBuf.h"

#include <cstring>
#include <type_traits>

namespace fx {

template <class T>
class FxTypedBuf
{
  static_assert(std::is_trivially_copyable_v<T>, "FxTypedBuf holds plain values only");

public:
  explicit FxTypedBuf(int granularityBytes = FxHeapBuf::kDefaultGranularity) noexcept : mBuf(granularityBytes) {}

  // Sets the element count (count < 0 is taken as 0); returns the array or null (empty or
  // out of memory: then the size is unchanged). New elements are uninitialised.
  T* Resize(int count, bool allowShrink = false) noexcept
  {
    if (count < 0) count = 0;
    if (static_cast<long long>(count) * sizeof(T) > 0x7fffffffLL) return nullptr;
    return static_cast<T*>(mBuf.Resize(count * static_cast<int>(sizeof(T)), allowShrink));
  }

  T* Get() const noexcept { return static_cast<T*>(mBuf.Get()); }
  int GetSize() const noexcept { return mBuf.GetSize() / static_cast<int>(sizeof(T)); }
  T& operator[](int i) const noexcept { return Get()[i]; }

  // Appends a copy; returns false (and changes nothing) when the buffer cannot grow. v may be an
  // element of this buffer (it is copied before the buffer can move).
  bool Add(const T& v) noexcept
  {
    const T copy = v;
    const int n = GetSize();
    if (!Resize(n + 1) || GetSize() != n + 1) return false;
    std::memcpy(static_cast<void*>(Get() + n), &copy, sizeof(T));
    return true;
  }

  // Inserts a copy at idx (clamped to 0..size); later entries move up. v may be an element.
  bool Insert(int idx, const T& v) noexcept
  {
    const T copy = v;
    const int n = GetSize();
    if (idx < 0) idx = 0;
    if (idx > n) idx = n;
    if (!Resize(n + 1) || GetSize() != n + 1) return false;
    T* p = Get();
    std::memmove(static_cast<void*>(p + idx + 1), p + idx, (n - idx) * sizeof(T));
    std::memcpy(static_cast<void*>(p + idx), &copy, sizeof(T));
    return true;
  }

  // Removes entry idx (ignored outside the range); later entries move down.
  void Delete(int idx) noexcept
  {
    const int n = GetSize();
    if (idx < 0 || idx >= n) return;
    T* p = Get();
    std::memmove(static_cast<void*>(p + idx), p + idx + 1, (n - idx - 1) * sizeof(T));
    Resize(n - 1);
  }

  void Clear() noexcept { mBuf.Resize(0); }

  const FxHeapBuf& Buffer() const noexcept { return mBuf; }

private:
  FxHeapBuf mBuf;
};

} // namespace fx
