#pragma once
// Two peak followers without hold stepped side by side in one vector: the
// same operations as IPeakFollower::StepNoHold on each, for the meters that
// run per sample on both channels. Load, step over a run, store back.
//
// Threads: audio thread.

#include "plugin/dsp/IPeakFollower.h"

#if defined(__SSE2__)
#include <emmintrin.h>

// TrackMax false: the running maxima are left as they are (the caller takes
// them over the run's inputs afterwards, with StepLevelRuns).
template <bool Invert, bool TrackMax = true> class FollowerPair
{
public:
  FollowerPair(IPeakFollower& l, IPeakFollower& r) noexcept
    : mL(l), mR(r),
      mValue(_mm_set_pd(r.value, l.value)),
      mMax(_mm_set_pd(r.runningMax, l.runningMax)),
      mAttack(_mm_set_pd(r.attackCoeff, l.attackCoeff)),
      mRelease(_mm_set_pd(r.releaseCoeff, l.releaseCoeff))
  {
  }
  ~FollowerPair()
  {
    mL.value = _mm_cvtsd_f64(mValue);
    mR.value = _mm_cvtsd_f64(_mm_unpackhi_pd(mValue, mValue));
    mL.runningMax = _mm_cvtsd_f64(mMax);
    mR.runningMax = _mm_cvtsd_f64(_mm_unpackhi_pd(mMax, mMax));
  }
  FollowerPair(const FollowerPair&) = delete;
  FollowerPair& operator=(const FollowerPair&) = delete;

  // v: the two inputs (left in the low lane), non-negative.
  void Step(__m128d v) noexcept
  {
    const __m128d one = {1.0, 1.0};
    const __m128d tiny = {1e-8, 1e-8};
    if constexpr (Invert)
      v = one - _mm_min_pd(v, one);
    if constexpr (TrackMax)
      mMax = _mm_max_pd(v, mMax);
    const __m128d c = v > mValue ? mAttack : mRelease;
    const __m128d nv = (mValue - v) * c + v;
    mValue = nv < tiny ? __m128d {0.0, 0.0} : nv;
  }

private:
  IPeakFollower& mL;
  IPeakFollower& mR;
  __m128d mValue, mMax, mAttack, mRelease;
};

// Largest input (after inversion) of each of two followers over an
// interleaved run of n pairs (left in top[0]); -1 where n is 0. NaN inputs
// are passed over, as a follower's running maximum passes over them.
template <bool Invert> inline void RunTops(const double* v, int n, double top[2]) noexcept
{
  auto input = [](__m128d x) {
    if constexpr (Invert)
      return _mm_sub_pd(_mm_set1_pd(1.0), _mm_min_pd(x, _mm_set1_pd(1.0)));
    else
      return x;
  };
  __m128d m0 = _mm_set1_pd(-1.0), m1 = m0, m2 = m0, m3 = m0;
  int i = 0;
  for (; i + 4 <= n; i += 4)
  {
    m0 = _mm_max_pd(input(_mm_loadu_pd(v + 2 * i)), m0);
    m1 = _mm_max_pd(input(_mm_loadu_pd(v + 2 * i + 2)), m1);
    m2 = _mm_max_pd(input(_mm_loadu_pd(v + 2 * i + 4)), m2);
    m3 = _mm_max_pd(input(_mm_loadu_pd(v + 2 * i + 6)), m3);
  }
  for (; i < n; ++i)
    m0 = _mm_max_pd(input(_mm_loadu_pd(v + 2 * i)), m0);
  _mm_storeu_pd(top, _mm_max_pd(_mm_max_pd(m0, m1), _mm_max_pd(m2, m3)));
}

// Steps two hold meters (the left over the even, the right over the odd
// entries of an interleaved run of n input pairs): the same as n calls of
// Step on each. While both hold a level with instant attack and neither hold
// can run out within the run, only the largest input of each (top, from
// RunTops) and where it first occurs matter: the value rises to it, the hold
// counter restarts there. Otherwise the run goes sample by sample.
template <bool Invert>
inline void StepHoldRunPair(IPeakFollower& l, IPeakFollower& r, const double* v, int n, const double top[2]) noexcept
{
  auto eligible = [n](const IPeakFollower& f) {
    return f.state == IPeakFollower::kHold && f.attackCoeff == 0.0 && f.value >= 1e-8 && f.holdCounter >= 0 &&
           static_cast<long long>(f.holdCounter) + n <= static_cast<long long>(f.holdSamples);
  };
  if (n <= 0)
    return;
  if (!eligible(l) || !eligible(r))
  {
    for (int i = 0; i < n; ++i)
    {
      l.Step(v[2 * i]);
      r.Step(v[2 * i + 1]);
    }
    return;
  }
  IPeakFollower* f[2] = {&l, &r};
  for (int k = 0; k < 2; ++k)
  {
    IPeakFollower& p = *f[k];
    p.runningMax = std::max(p.runningMax, top[k]);
    if (top[k] > p.value)
    {
      int at = 0;
      while (p.Input(v[2 * at + k]) != top[k])
        ++at;
      p.value = (p.value - top[k]) * p.attackCoeff + top[k]; // = top: instant attack
      p.holdCounter = n - 1 - at;
    }
    else
      p.holdCounter += n;
  }
}

template <bool Invert>
inline void StepHoldRunPair(IPeakFollower& l, IPeakFollower& r, const double* v, int n) noexcept
{
  double top[2];
  RunTops<Invert>(v, n, top);
  StepHoldRunPair<Invert>(l, r, v, n, top);
}

// After a run of a fast pair stepped without its maxima (TrackMax false),
// the same run for the hold pair fed the same levels: both pairs' maxima
// come from one pass over the run.
template <bool Invert>
inline void StepLevelRuns(IPeakFollower& fastL, IPeakFollower& fastR, IPeakFollower& holdL, IPeakFollower& holdR,
                          const double* v, int n) noexcept
{
  if (n <= 0)
    return;
  double top[2];
  RunTops<Invert>(v, n, top);
  fastL.runningMax = std::max(fastL.runningMax, top[0]);
  fastR.runningMax = std::max(fastR.runningMax, top[1]);
  StepHoldRunPair<Invert>(holdL, holdR, v, n, top);
}
#endif
