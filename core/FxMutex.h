#pragma once
// Recursive POSIX mutex: the same thread may lock it again. Guards the process-wide caches.

#include <pthread.h>

namespace fx {

class FxMutex
{
public:
  FxMutex() noexcept;
  ~FxMutex();
  FxMutex(const FxMutex&) = delete;
  FxMutex& operator=(const FxMutex&) = delete;

  void Lock() noexcept { pthread_mutex_lock(&mMutex); }
  void Unlock() noexcept { pthread_mutex_unlock(&mMutex); }
  bool TryLock() noexcept { return pthread_mutex_trylock(&mMutex) == 0; }

  // Lockable names, so std::lock_guard / std::unique_lock work too.
  void lock() noexcept { Lock(); }
  void unlock() noexcept { Unlock(); }
  bool try_lock() noexcept { return TryLock(); }

private:
  pthread_mutex_t mMutex;
};

// Holds a FxMutex for the lifetime of the scope.
class FxMutexLock
{
public:
  explicit FxMutexLock(FxMutex& m) noexcept : mMutex(m) { mMutex.Lock(); }
  ~FxMutexLock() { mMutex.Unlock(); }
  FxMutexLock(const FxMutexLock&) = delete;
  FxMutexLock& operator=(const FxMutexLock&) = delete;

private:
  FxMutex& mMutex;
};

} // namespace fx
