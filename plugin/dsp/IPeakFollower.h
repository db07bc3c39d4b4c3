#pragma once
// Attack / hold / release peak follower with an optional inverted mode.
// Used three times by each limiter stage and twelve times by the meters.
//
// Threads: a follower belongs to the audio thread while processing runs; the
// configuration path sets it up under the processing mutex.

#include "plugin/dsp/BranchFree.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

struct IPeakFollower
{
  double attackCoeff = 0.0;  // pole while the input rises above the value; 0 = instant
  double releaseCoeff = 0.0; // pole in the release state
  int32_t holdSamples = 0;   // samples to stay in the hold state before releasing
  int32_t holdCounter = 0;   // samples spent in the hold state
  double value = 0.0;        // output before inversion
  double runningMax = 0.0;   // largest input since the record was cleared
  int32_t state = 0;         // 0 idle, 1 hold, 4 release
  int32_t invert = 0;        // 1: works on 1 - min(input, 1), reports 1 - value

  enum : int32_t { kIdle = 0, kHold = 1, kRelease = 4 };

  // One-pole coefficient of a time constant of t seconds at rate fs:
  // 10^(-1 / (t * fs)); t = 0 gives 0 (instant).
  static double Coefficient(double seconds, double fs) noexcept
  {
    return std::pow(10.0, -1.0 / (seconds * fs));
  }

  // Clears value, maximum, state and invert (coefficients are kept).
  void Clear() noexcept
  {
    value = 0.0;
    runningMax = 0.0;
    state = kIdle;
    holdCounter = 0;
    invert = 0;
  }

  // Clears the signal state only (value, maximum, state); invert is kept.
  void ClearSignal() noexcept
  {
    value = 0.0;
    runningMax = 0.0;
    state = kIdle;
    holdCounter = 0;
  }

  // Sets attack, hold and release from times in seconds at rate fs.
  void SetTimes(double attackSec, double holdSec, double releaseSec, double fs) noexcept
  {
    attackCoeff = Coefficient(attackSec, fs);
    releaseCoeff = Coefficient(releaseSec, fs);
    holdSamples = static_cast<int32_t>(holdSec * fs);
  }

  // The input as the follower sees it (inverted when invert is 1).
  double Input(double v) const noexcept { return invert == 1 ? 1.0 - std::min(v, 1.0) : v; }

  // Reported output (1 - value when inverted).
  double Output() const noexcept { return invert == 1 ? 1.0 - value : value; }

  // The same step for a follower without hold (hold samples 0) fed
  // non-negative inputs, without branches: from the first rise on, such a
  // follower is always in its release state, and before it (value 0, input
  // 0) the release formula leaves the value at 0 as well. The state and
  // hold counter are not kept up to date.
  double StepNoHold(double v) noexcept
  {
    if (invert == 1)
      v = 1.0 - std::min(v, 1.0);
    runningMax = std::max(runningMax, v);
    const double c = branchfree::SelectGt(v, value, attackCoeff, releaseCoeff);
    const double nv = branchfree::FlushTiny((value - v) * c + v);
    value = nv;
    return invert == 1 ? 1.0 - nv : nv;
  }

  double Step(double v) noexcept
  {
    if (invert == 1)
      v = 1.0 - std::min(v, 1.0);
    runningMax = std::max(runningMax, v);
    if (v > value)
    {
      value = (value - v) * attackCoeff + v;
      holdCounter = 0;
      state = kHold;
    }
    else if (state == kRelease)
    {
      value = (value - v) * releaseCoeff + v;
    }
    else if (state == kHold)
    {
      if (holdCounter >= holdSamples)
      {
        state = kRelease;
        value = (value - v) * releaseCoeff + v;
      }
      ++holdCounter;
    }
    if (value < 1e-8)
      value = 0.0;
    return invert == 1 ? 1.0 - value : value;
  }
};
