#pragma once
// Two peak followers without hold stepped side by side in one vector: the
// same operations as IPeakFollower::StepNoHold on each, for the meters that
// run per sample on both channels. Load, step over a run, store back.
//
// Threads: audio thread.

#include "plugin/IPeakFollower.h"

#if defined(__SSE2__)
#include <emmintrin.h>

template <bool Invert> class FollowerPair
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
    if constexpr (Invert)
      v = _mm_sub_pd(_mm_set1_pd(1.0), _mm_min_pd(v, _mm_set1_pd(1.0)));
    mMax = _mm_max_pd(v, mMax);
    const __m128d rise = _mm_cmpgt_pd(v, mValue);
    const __m128d c = _mm_or_pd(_mm_and_pd(rise, mAttack), _mm_andnot_pd(rise, mRelease));
    const __m128d nv = _mm_add_pd(_mm_mul_pd(_mm_sub_pd(mValue, v), c), v);
    mValue = _mm_andnot_pd(_mm_cmplt_pd(nv, _mm_set1_pd(1e-8)), nv);
  }

private:
  IPeakFollower& mL;
  IPeakFollower& mR;
  __m128d mValue, mMax, mAttack, mRelease;
};
#endif
