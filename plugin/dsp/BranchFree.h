#pragma once
// Branch-free selection between two doubles. The compiler tends to turn a
// conditional expression on doubles back into a jump, which costs a pipeline
// flush whenever the signal makes the outcome unpredictable (noise, zero
// crossings); these compile to a compare mask and bit operations instead.
// The result is always exactly one of the two values.

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace branchfree {

// x > y ? a : b (false when either is NaN, like the plain comparison).
inline double SelectGt(double x, double y, double a, double b) noexcept
{
#if defined(__SSE2__)
  const __m128d m = _mm_cmpgt_sd(_mm_set_sd(x), _mm_set_sd(y));
  return _mm_cvtsd_f64(_mm_or_pd(_mm_and_pd(m, _mm_set_sd(a)), _mm_andnot_pd(m, _mm_set_sd(b))));
#else
  return x > y ? a : b;
#endif
}

// x >= y ? a : b
inline double SelectGe(double x, double y, double a, double b) noexcept
{
#if defined(__SSE2__)
  const __m128d m = _mm_cmpge_sd(_mm_set_sd(x), _mm_set_sd(y));
  return _mm_cvtsd_f64(_mm_or_pd(_mm_and_pd(m, _mm_set_sd(a)), _mm_andnot_pd(m, _mm_set_sd(b))));
#else
  return x >= y ? a : b;
#endif
}

// c ? a : b for a condition computed elsewhere.
inline double Select(bool c, double a, double b) noexcept
{
#if defined(__SSE2__)
  const __m128d m = _mm_castsi128_pd(_mm_set1_epi64x(-static_cast<long long>(c)));
  return _mm_cvtsd_f64(_mm_or_pd(_mm_and_pd(m, _mm_set_sd(a)), _mm_andnot_pd(m, _mm_set_sd(b))));
#else
  return c ? a : b;
#endif
}

// v < 1e-8 ? 0 : v (the followers' flush of tiny values).
inline double FlushTiny(double v) noexcept
{
  return SelectGt(1e-8, v, 0.0, v);
}

} // namespace branchfree
