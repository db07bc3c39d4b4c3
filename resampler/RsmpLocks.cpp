#include "resampler/RsmpLocks.h"

#include <new>

namespace rsmp {

namespace {

struct Locks
{
  std::recursive_mutex fftPool;
  std::recursive_mutex filterCache;
  std::recursive_mutex filterBank;
};

Locks& TheLocks() noexcept
{
  // Constructed once, thread-safely, and deliberately never destroyed.
  alignas(Locks) static unsigned char storage[sizeof(Locks)];
  static Locks* locks = new(storage) Locks();
  return *locks;
}

} // namespace

std::recursive_mutex& GetFFTPoolLock() noexcept { return TheLocks().fftPool; }
std::recursive_mutex& GetFilterCacheLock() noexcept { return TheLocks().filterCache; }
std::recursive_mutex& GetFilterBankLock() noexcept { return TheLocks().filterBank; }

} // namespace rsmp
