#pragma once
// Process-wide locks of the resampler library. They are created on first use,
// in the order FFT pool, filter cache, filter banks, and live until the process
// ends (they are never destroyed, so a converter destroyed during static
// destruction still finds them). Lock order when more than one is needed:
// filter cache, then FFT pool; the filter-bank lock is taken alone.
// Threads: taken only while converters are built or destroyed, never while
// processing.

#include <mutex>

namespace rsmp {

std::recursive_mutex& GetFFTPoolLock() noexcept;
std::recursive_mutex& GetFilterCacheLock() noexcept;
std::recursive_mutex& GetFilterBankLock() noexcept;

} // namespace rsmp
