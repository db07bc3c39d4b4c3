#pragma once
// Process-wide cache of designed low-pass filters, ordered by last use. A hit
// raises the filter's reference count and moves it to the head; a miss designs
// a new filter. With kMaxEntries or more filters cached, a miss first drops
// the oldest filter when no stage uses it, or else moves it to the head (so
// the cache grows past the limit only while its oldest filter is in use).
// Threads: any thread, under the filter-cache lock (which design holds while
// it takes the FFT pool lock); never on the audio path.

#include "resampler/CLowPassFilter.h"

namespace rsmp {

class CLowPassCache
{
public:
  static constexpr int kMaxEntries = 96;

  // Returns the filter for the request with its reference count raised by
  // one, or nullptr (status in *status when given) for a request the design
  // refuses or when memory runs out; a failed request leaves the cache as it
  // was apart from a possible eviction.
  static CLowPassFilter* Get(double cutoff, double band, double atten, int phase, double gain,
                             EStatus* status = nullptr) noexcept;

  // Lowers the reference count of a filter obtained from Get.
  static void Release(CLowPassFilter* f) noexcept;

  // Number of cached filters, and the position of a filter in last-use order
  // (0 = head, -1 when not cached). For tests and diagnostics.
  static int GetCount() noexcept;
  static int GetPosition(const CLowPassFilter* f) noexcept;
  static int GetRefCount(const CLowPassFilter* f) noexcept;
};

} // namespace rsmp
