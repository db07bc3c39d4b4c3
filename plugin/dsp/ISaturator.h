#pragma once
// Sine saturation of one channel: y -> sin(k y) / sin(k) on [-1, 1], with k
// growing with Gain (k = (Gain / 12) / 200 * pi).
//
// Threads: as the soft clipper (audio thread, values from a published set).

#include <cmath>
#include <numbers>

struct ISaturator
{
  double divisor = 200.0;
  double gainTwelfth = 0.0; // Gain / 12
  double k = 0.0;
  double sinK = 0.0;

  void Compute(double gainDb) noexcept
  {
    gainTwelfth = gainDb / 12.0;
    k = gainTwelfth / divisor * std::numbers::pi;
    sinK = std::sin(k);
  }

  // Only meaningful with Gain > 0 (k > 0); the caller checks.
  double Process(double y) const noexcept
  {
    y = y < -1.0 ? -1.0 : (y > 1.0 ? 1.0 : y);
    y = std::sin(k * y) / sinK;
    if (y >= 1.0)
      return 1.0;
    if (!(y > -1.0))
      return -1.0;
    return y;
  }
};
