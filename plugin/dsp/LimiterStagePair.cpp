#include "plugin/dsp/LimiterStagePair.h"

bool LimiterStagePair::CanPair(const ILimiterStage& a, const ILimiterStage& b) noexcept
{
  return a.ring && b.ring && a.smootherTable && b.smootherTable && a.stride == ILimiterStage::kStride &&
         b.stride == ILimiterStage::kStride && a.ringLength == b.ringLength && a.maxCount == b.maxCount &&
         a.writeIndex == b.writeIndex && a.fillCount == a.ringLength && b.fillCount == b.ringLength &&
         a.G.attackCoeff == a.G.releaseCoeff && b.G.attackCoeff == b.G.releaseCoeff &&
         a.ringLength == a.maxCount * ILimiterStage::kStride && a.outputScale == 1.0 && b.outputScale == 1.0;
}

double LimiterStagePair::AutoReleaseCoeff(const ILimiterStage& s, double L) noexcept
{
  if (L <= s.autoKneeLevel)
    return s.autoFloorRelease;
  const double levelDb = L > 6.309e-8 ? std::log(L) * 8.685889638065037 : -144.0;
  const double T = std::exp(ILimiterStage::kLn3_5 * (std::max(levelDb - s.ceilingDb + 7.0, 0.0) / 2.7 - 3.5));
  return std::exp(-ILimiterStage::kLn10 / (T * s.rate));
}
