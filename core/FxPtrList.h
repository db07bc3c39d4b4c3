#pragma once
// List of pointers over a FxHeapBuf. The list owns the objects only where asked to: Delete with
// deleteObject and Empty with deleteAll delete them; the destructor does not. Single owner.

#include "core/FxHeapBuf.h"

#include <cstring>

namespace fx {

template <class T>
class FxPtrList
{
public:
  explicit FxPtrList(int granularityBytes = FxHeapBuf::kDefaultGranularity) noexcept : mBuf(granularityBytes) {}
  FxPtrList(const FxPtrList&) = delete;
  FxPtrList& operator=(const FxPtrList&) = delete;
  FxPtrList(FxPtrList&&) noexcept = default;
  FxPtrList& operator=(FxPtrList&&) noexcept = default;

  int GetSize() const noexcept { return mBuf.GetSize() / static_cast<int>(sizeof(T*)); }
  T** GetList() const noexcept { return static_cast<T**>(mBuf.Get()); }

  // Null outside the range.
  T* Get(int idx) const noexcept { return (idx >= 0 && idx < GetSize()) ? GetList()[idx] : nullptr; }

  // Appends; returns the item, or null when the list could not grow (the list is unchanged).
  T* Add(T* item) noexcept { return Insert(GetSize(), item); }

  // Inserts at idx (clamped to 0..size); later entries move up. Null when the list could not grow.
  T* Insert(int idx, T* item) noexcept
  {
    const int n = GetSize();
    if (idx < 0) idx = 0;
    if (idx > n) idx = n;
    mBuf.Resize((n + 1) * static_cast<int>(sizeof(T*)));
    if (GetSize() != n + 1) return nullptr;
    T** p = GetList();
    std::memmove(p + idx + 1, p + idx, (n - idx) * sizeof(T*));
    p[idx] = item;
    return item;
  }

  // Index of the first entry equal to item, or -1.
  int Find(const T* item) const noexcept
  {
    const int n = GetSize();
    T** p = GetList();
    for (int i = 0; i < n; ++i)
      if (p[i] == item) return i;
    return -1;
  }

  // Removes entry idx (ignored outside the range), deleting the object when asked.
  void Delete(int idx, bool deleteObject = false)
  {
    const int n = GetSize();
    if (idx < 0 || idx >= n) return;
    T** p = GetList();
    T* item = p[idx];
    std::memmove(p + idx, p + idx + 1, (n - idx - 1) * sizeof(T*));
    mBuf.Resize((n - 1) * static_cast<int>(sizeof(T*)));
    if (deleteObject) delete item;
  }

  // Removes every entry, deleting the objects from the last to the first when asked.
  void Empty(bool deleteAll = false)
  {
    if (deleteAll)
    {
      for (int i = GetSize() - 1; i >= 0; --i)
      {
        T* item = GetList()[i];
        mBuf.Resize(i * static_cast<int>(sizeof(T*)));
        delete item;
      }
    }
    mBuf.Resize(0);
  }

private:
  FxHeapBuf mBuf;
};

} // namespace fx
