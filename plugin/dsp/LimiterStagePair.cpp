#include "plugin/dsp/LimiterStagePair.h"

#include <emmintrin.h>

bool LimiterStagePair::CanPair(const ILimiterStage& a, const ILimiterStage& b) noexcept
{
  // A segment gain is never negative (nor NaN) when the threshold is
  // positive and the ceiling gain finite and not negative, so the pair need
  // not test it before storing.
  auto gainsNonNegative = [](const ILimiterStage& s) {
    return s.threshold > 0.0 && s.ceilingGain >= 0.0 && std::isfinite(s.ceilingGain);
  };
  return a.ring && b.ring && a.smootherTable && b.smootherTable && a.stride == ILimiterStage::kStride &&
         b.stride == ILimiterStage::kStride && a.ringLength == b.ringLength && a.maxCount == b.maxCount &&
         a.rate == b.rate && a.writeIndex == b.writeIndex && a.fillCount == a.ringLength &&
         b.fillCount == b.ringLength && a.G.attackCoeff == a.G.releaseCoeff && b.G.attackCoeff == b.G.releaseCoeff &&
         a.ringLength == a.maxCount * ILimiterStage::kStride && a.outputScale == 1.0 && b.outputScale == 1.0 &&
         gainsNonNegative(a) && gainsNonNegative(b);
}

double LimiterStagePair::AutoReleaseCoeff(const ILimiterStage& s, double L) noexcept
{
  if (L <= s.autoKneeLevel)
    return s.autoFloorRelease;
  const double levelDb = L > 6.309e-8 ? std::log(L) * 8.685889638065037 : -144.0;
  const double T = std::exp(ILimiterStage::kLn3_5 * (std::max(levelDb - s.ceilingDb + 7.0, 0.0) / 2.7 - 3.5));
  return std::exp(-ILimiterStage::kLn10 / (T * s.rate));
}

double LimiterStagePair::LargestLevel(const double* x, int n, double gain) noexcept
{
  // Maxima of non-NaN values come out the same in any order. The levels are
  // never NaN: finite samples times a finite gain.
  const __m128d g = _mm_set1_pd(gain);
  const __m128d absMask = _mm_castsi128_pd(_mm_set1_epi64x(0x7fffffffffffffffLL));
  __m128d m0 = _mm_setzero_pd(), m1 = m0;
  int i = 0;
  for (; i + 4 <= n; i += 4)
  {
    m0 = _mm_max_pd(_mm_and_pd(_mm_mul_pd(_mm_loadu_pd(x + i), g), absMask), m0);
    m1 = _mm_max_pd(_mm_and_pd(_mm_mul_pd(_mm_loadu_pd(x + i + 2), g), absMask), m1);
  }
  for (; i < n; ++i)
    m0 = _mm_max_pd(_mm_and_pd(_mm_mul_pd(_mm_set_sd(x[i]), g), absMask), m0);
  m0 = _mm_max_pd(m0, m1);
  return std::max(_mm_cvtsd_f64(m0), _mm_cvtsd_f64(_mm_unpackhi_pd(m0, m0)));
}
