#pragma once
// Hyperbolic-tangent soft clipper of one channel: below the threshold t the
// signal passes; above it the excess is bent smoothly toward t + r (the top).
//
// Threads: the audio thread owns the record; its values are set from a
// published coefficient set at a block start.

#include <cmath>

struct ISoftClipper
{
  double dbDivisor = 8.656170245333781; // 2^(dB / 6) = exp(dB / divisor)
  double preGain = 1.0;                 // 2^(Drive / 6)
  double threshold = 1.0;               // t
  double range = 0.0;                   // r = top - t
  double invRange = 0.0;                // 1 / r
  double top = 1.0;
  double clampHigh = 1.0;               // final clamp of the block
  double clampLow = -1.0;
  double lastClipRatio = 1.0;

  // Values for Drive and Ceiling (dB); Volume mode works toward 0 dB.
  void Compute(double driveDb, double ceilingDb, bool volumeMode) noexcept
  {
    preGain = std::exp(driveDb / dbDivisor);
    const double ceilForThreshold = volumeMode ? 0.0 : ceilingDb;
    threshold = std::exp((std::fmin(ceilForThreshold, -driveDb) - 0.01) / dbDivisor);
    top = volumeMode ? 1.0 : std::exp(ceilingDb / dbDivisor);
    range = top - threshold;
    invRange = 1.0 / range;
    if (volumeMode)
      clampHigh = 1.0;
    else
      clampHigh = ceilingDb > -144.0 ? std::exp(0.11512925464970228 * ceilingDb) : 0.0;
    clampLow = -clampHigh;
  }

  // Returns the clipped sample; lastClipRatio = output / input (1 for 0).
  double Process(double y) noexcept
  {
    const double u = y * preGain;
    const double au = std::fabs(u);
    double z = u;
    if (au >= threshold)
    {
      const double m = std::tanh((au - threshold) * invRange) * range + threshold;
      z = u < 0.0 ? -m : m;
    }
    lastClipRatio = u != 0.0 ? z / u : 1.0;
    return z;
  }
};
