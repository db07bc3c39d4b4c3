#pragma once
// Pieces shared by the time-domain stages (half-band up and down samplers,
// fractional interpolator): the input ring with a mirrored head, the release
// of output withheld for latency, and the check of a previous stage's
// fractional latency. Audio thread: no allocation, lock or exception.

#include <algorithm>
#include <cmath>
#include <cstring>

namespace rsmp {

// Copies n samples from src to position pos of a ring of ringLen samples that
// is followed by a copy of its first mirrorLen positions, so that a filter
// window may run past the ring's end. pos + n must not exceed ringLen.
inline void WriteRing(double* ring, int ringLen, int mirrorLen, int pos, const double* src, int n)
{
  std::memcpy(ring + pos, src, sizeof(double) * n);
  if (pos < mirrorLen)
    std::memcpy(ring + ringLen + pos, src, sizeof(double) * std::min(n, mirrorLen - pos));
}

// Drops up to withhold samples from the front of the produced ones at op:
// returns how many remain and moves op to the first of them.
inline int ReleaseWithheld(int& withhold, int produced, double*& op)
{
  if (withhold == 0)
    return produced;
  if (withhold >= produced)
  {
    withhold -= produced;
    return 0;
  }
  op += withhold;
  produced -= withhold;
  withhold = 0;
  return produced;
}

// A previous stage's fractional latency outside [0, 1) (or not a number)
// would turn into a huge or undefined withholding count: it counts as 0.
inline double SaneFraction(double v)
{
  return (std::isfinite(v) && v >= 0.0 && v < 1.0) ? v : 0.0;
}

} // namespace rsmp
