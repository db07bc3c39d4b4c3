#pragma once
// A list of small records that host calls change on one thread while the render thread walks
// it on another. Writers (Add/Remove, serialised by a writer mutex) build a new immutable
// snapshot and publish it with one atomic exchange; readers take the current snapshot without
// locking or blocking and keep it alive for as long as their Reader object lives. Retired
// snapshots are freed by a later writer once no reader is inside, or by the destructor.
//
// Threads: Add, Remove and the destructor on host (main) threads; Reader on any thread,
// including the render thread (no allocation, no lock, no wait).

#include <atomic>
#include <cstddef>
#include <mutex>
#include <new>
#include <vector>

namespace fx {

template <class T>
class IAUSnapshotList
{
  struct Snapshot
  {
    std::vector<T> items;
  };

public:
  IAUSnapshotList() = default;
  IAUSnapshotList(const IAUSnapshotList&) = delete;
  IAUSnapshotList& operator=(const IAUSnapshotList&) = delete;

  ~IAUSnapshotList()
  {
    delete mCurrent.load();
    for (Snapshot* s : mRetired) delete s;
  }

  /** A consistent view of the list, valid while this object lives. */
  class Reader
  {
  public:
    explicit Reader(const IAUSnapshotList& list) : mList(list)
    {
      mList.mReaders.fetch_add(1);
      mSnap = mList.mCurrent.load();
    }
    ~Reader() { mList.mReaders.fetch_sub(1); }
    Reader(const Reader&) = delete;
    Reader& operator=(const Reader&) = delete;

    size_t size() const { return mSnap ? mSnap->items.size() : 0; }
    const T& operator[](size_t i) const { return mSnap->items[i]; }
    const T* begin() const { return mSnap ? mSnap->items.data() : nullptr; }
    const T* end() const { return mSnap ? mSnap->items.data() + mSnap->items.size() : nullptr; }

  private:
    const IAUSnapshotList& mList;
    const Snapshot* mSnap = nullptr;
  };

  /** Appends a record unless skip(existing) holds for one already there. False when skipped or
   *  out of memory. */
  template <class Pred>
  bool AddUnless(const T& item, Pred skip)
  {
    std::lock_guard<std::mutex> lock(mWriteMutex);
    const Snapshot* cur = mCurrent.load();
    if (cur)
      for (const T& e : cur->items)
        if (skip(e)) return false;
    return PublishEdited(cur, [&](std::vector<T>& items) { items.push_back(item); });
  }

  bool Add(const T& item)
  {
    return AddUnless(item, [](const T&) { return false; });
  }

  /** Makes the list hold exactly this one record (a value shared with the render thread).
   *  False when out of memory, with nothing changed. */
  bool Replace(const T& item)
  {
    std::lock_guard<std::mutex> lock(mWriteMutex);
    return PublishEdited(nullptr, [&](std::vector<T>& items) { items.push_back(item); });
  }

  /** Removes the first record for which match holds. False when none does. */
  template <class Pred>
  bool RemoveFirst(Pred match)
  {
    std::lock_guard<std::mutex> lock(mWriteMutex);
    const Snapshot* cur = mCurrent.load();
    if (!cur) return false;
    size_t idx = 0;
    while (idx < cur->items.size() && !match(cur->items[idx])) ++idx;
    if (idx == cur->items.size()) return false;
    return PublishEdited(cur, [&](std::vector<T>& items) {
      items.erase(items.begin() + static_cast<std::ptrdiff_t>(idx));
    });
  }

  /** Number of records now (a reader's count may differ). */
  size_t Count() const
  {
    Reader r(*this);
    return r.size();
  }

private:
  // Caller holds the writer mutex. Publishes a copy of base's records (none for a null base)
  // changed by edit; false when out of memory, with nothing changed.
  template <class Edit>
  bool PublishEdited(const Snapshot* base, Edit edit)
  {
    Snapshot* next = new (std::nothrow) Snapshot;
    if (!next) return false;
    try
    {
      if (base) next->items = base->items;
      edit(next->items);
    }
    catch (...)
    {
      delete next;
      return false;
    }
    Publish(next);
    return true;
  }

  // Caller holds the writer mutex. After the exchange, a reader count of zero means no reader
  // can still hold any retired snapshot: a reader that enters later sees the new one.
  void Publish(Snapshot* next)
  {
    Snapshot* old = mCurrent.exchange(next);
    try
    {
      if (old) mRetired.push_back(old);
    }
    catch (...)
    {
      // Cannot record it: leak the old snapshot rather than free it under a reader.
    }
    if (mReaders.load() == 0)
    {
      for (Snapshot* s : mRetired) delete s;
      mRetired.clear();
    }
  }

  std::atomic<Snapshot*> mCurrent{nullptr};
  mutable std::atomic<int> mReaders{0};
  mutable std::mutex mWriteMutex;
  std::vector<Snapshot*> mRetired;
};

} // namespace fx
