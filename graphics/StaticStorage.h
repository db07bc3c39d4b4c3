#pragma once
// A process-wide store of decoded resources keyed by name and scale, shared by every editor of
// the process and counted by the editors alive: the last editor to go empties it.
//
// Every access takes the store's recursive mutex; callers hold it around a Find and the Add
// that follows a miss, so that one resource is never decoded twice under one key. Any thread.

#include "core/FxMutex.h"
#include "core/FxPtrList.h"
#include "core/FxString.h"

#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <string_view>

namespace fx::gfx {

template <class T, class Deleter = std::default_delete<T>, class Hasher = std::hash<std::string_view>>
class StaticStorage
{
public:
  struct DataKey
  {
    uint64_t hash = 0;
    FxString name;
    double scale = 1.0;
    T* data = nullptr; // owned
  };

  StaticStorage() = default;
  ~StaticStorage()
  {
    FxMutexLock lock(mMutex);
    Clear();
  }
  StaticStorage(const StaticStorage&) = delete;
  StaticStorage& operator=(const StaticStorage&) = delete;

  FxMutex& Mutex() { return mMutex; }

  /** The key text: the name followed by "-%.1fx" of the scale ("knob.png-2.0x"). */
  static void KeyText(const char* name, double scale, FxString& out)
  {
    out.Set(name);
    out.AppendFormatted(32, "-%.1fx", scale);
  }

  /** The first entry with that hash, exactly that scale and that name; null when none. */
  T* Find(const char* name, double scale)
  {
    FxMutexLock lock(mMutex);
    const uint64_t hash = Hash(name, scale);
    for (int i = 0; i < mEntries.GetSize(); ++i)
    {
      const DataKey* key = mEntries.Get(i);
      if (key->hash == hash && key->scale == scale && key->name == (name ? name : "")) return key->data;
    }
    return nullptr;
  }

  /** Appends an entry that takes ownership of data (no duplicate check). When the list cannot
   *  grow the data is deleted and false returned. */
  bool Add(T* data, const char* name, double scale)
  {
    FxMutexLock lock(mMutex);
    auto key = std::make_unique<DataKey>();
    key->hash = Hash(name, scale);
    key->name.Set(name);
    key->scale = scale;
    key->data = data;
    if (!mEntries.Add(key.get()))
    {
      Deleter()(data);
      return false;
    }
    key.release();
    return true;
  }

  /** Deletes the entry holding data, keeping the order of the others. False when not held. */
  bool Remove(const T* data)
  {
    FxMutexLock lock(mMutex);
    for (int i = 0; i < mEntries.GetSize(); ++i)
    {
      DataKey* key = mEntries.Get(i);
      if (key->data != data) continue;
      mEntries.Delete(i);
      Deleter()(key->data);
      delete key;
      return true;
    }
    return false;
  }

  /** Deletes every entry, the last first. */
  void Clear()
  {
    FxMutexLock lock(mMutex);
    for (int i = mEntries.GetSize() - 1; i >= 0; --i)
    {
      DataKey* key = mEntries.Get(i);
      mEntries.Delete(i);
      Deleter()(key->data);
      delete key;
    }
    mEntries.Empty();
  }

  /** An editor counts itself in. */
  void Retain()
  {
    FxMutexLock lock(mMutex);
    ++mCount;
  }
  /** An editor counts itself out; the last one empties the store. */
  void Release()
  {
    FxMutexLock lock(mMutex);
    if (--mCount <= 0)
    {
      mCount = 0;
      Clear();
    }
  }

  int Count()
  {
    FxMutexLock lock(mMutex);
    return mCount;
  }
  int NEntries()
  {
    FxMutexLock lock(mMutex);
    return mEntries.GetSize();
  }
  /** Entry i in insertion order; null outside the range. Hold the mutex while using it. */
  const DataKey* GetEntry(int i) { return mEntries.Get(i); }

  static uint64_t Hash(const char* name, double scale)
  {
    FxString text;
    KeyText(name, scale, text);
    return static_cast<uint64_t>(Hasher()(std::string_view(text.Get(), static_cast<size_t>(text.GetLength()))));
  }

private:
  int mCount = 0;
  FxMutex mMutex;
  FxPtrList<DataKey> mEntries{4096};
};

} // namespace fx::gfx
