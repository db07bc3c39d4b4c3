#pragma once
// The limiter's twelve meter followers: input, output and gain-reduction
// levels of both channels, each as a fast and a hold meter. The audio thread
// steps the followers; at the end of every block it publishes their values
// into atomics that the editor and idle handling read without a lock.

#include "plugin/dsp/IPeakFollower.h"

#include <array>
#include <atomic>

class LimiterMeters
{
public:
  enum EMeter
  {
    kInLFast = 0,
    kInRFast,
    kOutLFast,
    kOutRFast,
    kGrLFast,
    kGrRFast,
    kInLHold,
    kOutLHold,
    kGrLHold,
    kInRHold,
    kOutRHold,
    kGrRHold,
    kNumMeters
  };

  // Configuration path, under the processing mutex: clears every follower and
  // sets its coefficients (IN/OUT at the base rate, GR at the processing rate).
  void Configure(double baseRate, double processingRate) noexcept;

  // Clears value, maximum and state of all twelve (coefficients stay).
  void Clear() noexcept;

  IPeakFollower& operator[](int i) noexcept { return mMeters[static_cast<size_t>(i)]; }
  const IPeakFollower& operator[](int i) const noexcept { return mMeters[static_cast<size_t>(i)]; }

  // Audio thread: copies the current values to the published atomics.
  void Publish() noexcept;

  // Any thread: last published value field (before inversion) and output.
  double Value(int i) const noexcept
  {
    return mPublished[static_cast<size_t>(i)].load(std::memory_order_relaxed);
  }
  double Output(int i) const noexcept
  {
    const double v = Value(i);
    return IsGainReduction(i) ? 1.0 - v : v;
  }

  // The gain-reduction meters are the inverted ones.
  static bool IsGainReduction(int i) noexcept
  {
    return i == kGrLFast || i == kGrRFast || i == kGrLHold || i == kGrRHold;
  }

private:
  std::array<IPeakFollower, kNumMeters> mMeters {};
  std::array<std::atomic<double>, kNumMeters> mPublished {};
};
