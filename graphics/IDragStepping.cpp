#include "graphics/IDragStepping.h"

#include "core/IParam.h"

#include <algorithm>
#include <cmath>

namespace fx::gfx {

namespace {

// How close below a step a value may lie and still count as on it, in steps.
constexpr double kStepTolerance = 1e-9;

} // namespace

bool IsSteppedParam(const IParam* param)
{
  return param && param->GetStepped() && param->GetStep() > 0.0 && param->GetRange() > 0.0 &&
         std::isfinite(param->GetStep()) && std::isfinite(param->GetRange());
}

double QuantiseToStep(const IParam& param, double v)
{
  const double range = param.GetRange();
  const double step = param.GetStep();
  const double p = v * range; // distance above the minimum
  const double steps = std::floor(p / step + kStepTolerance);
  return (steps * step) / range;
}

double WheelValue(const IParam* param, double value, float d, bool fine)
{
  if (!std::isfinite(d)) return value;
  if (IsSteppedParam(param) && d != 0.f)
  {
    const double lo = param->GetMin();
    const double hi = param->GetMax();
    double p = value * param->GetRange() + lo + (d > 0.f ? param->GetStep() : -param->GetStep());
    p = std::clamp(p, lo, hi);
    return QuantiseToStep(*param, (p - lo) / param->GetRange());
  }
  return value + static_cast<double>(d) * (fine ? 0.001 : 0.01);
}

bool DragStep(const IParam* param, double& origin, double delta, double extent, double gearing, double& value)
{
  if (extent == 0.0 || gearing == 0.0 || !std::isfinite(delta) || !std::isfinite(extent) || !std::isfinite(gearing))
    return false;
  origin = std::clamp(origin + (delta / extent) / gearing, 0.0, 1.0);
  value = IsSteppedParam(param) ? QuantiseToStep(*param, origin) : origin;
  return true;
}

} // namespace fx::gfx
