#include "core/IParamShape.h"

#include "core/IParam.h"

#include <algorithm>
#include <cmath>

namespace fx {

namespace {
constexpr double kExpLowest = 1e-08;

double Linear(double n, const IParam& p) { return p.GetMin() + n * (p.GetMax() - p.GetMin()); }

double InvLinear(double v, const IParam& p)
{
  const double range = p.GetMax() - p.GetMin();
  return range != 0.0 ? (v - p.GetMin()) / range : 0.0;
}
} // namespace

double ShapeLinear::NormalizedToValue(double normalized, const IParam& param) const { return Linear(normalized, param); }

double ShapeLinear::ValueToNormalized(double value, const IParam& param) const { return InvLinear(value, param); }

double ShapePowCurve::EffectiveExponent() const { return (std::isfinite(mShape) && mShape > 0.0) ? mShape : 1.0; }

int ShapePowCurve::GetDisplayType() const
{
  const double e = EffectiveExponent();
  if (e > 2.5) return kDisplayCubed;
  if (e > 1.5) return kDisplaySquared;
  if (e < 0.4) return kDisplayCubeRoot;
  if (e < 2.0 / 3.0) return kDisplaySquareRoot;
  return kDisplayLinear;
}

double ShapePowCurve::NormalizedToValue(double normalized, const IParam& param) const
{
  // Below 0 the power of a fractional exponent is not a number.
  return Linear(std::pow(std::max(normalized, 0.0), EffectiveExponent()), param);
}

double ShapePowCurve::ValueToNormalized(double value, const IParam& param) const
{
  return std::pow(std::max(InvLinear(value, param), 0.0), 1.0 / EffectiveExponent());
}

void ShapeExp::Init(const IParam& param)
{
  const double lo = param.GetMin() > 0.0 ? param.GetMin() : kExpLowest;
  mAdd = std::log(lo);
  const double mul = std::log(param.GetMax() / lo);
  // A top at or below the lowest end has no exponential curve: map linearly.
  mLinear = !(param.GetMax() > lo) || !std::isfinite(mul) || mul <= 0.0;
  mMul = mLinear ? 0.0 : mul;
}

double ShapeExp::NormalizedToValue(double normalized, const IParam& param) const
{
  if (mLinear) return Linear(normalized, param);
  return std::exp(mAdd + normalized * mMul);
}

double ShapeExp::ValueToNormalized(double value, const IParam& param) const
{
  if (mLinear) return InvLinear(value, param);
  if (mMul == 0.0) return 0.0;
  // Values at or below the curve's lowest end (0 on a range from 0) map to its bottom.
  const double lo = std::exp(mAdd);
  return (std::log(std::max(value, lo)) - mAdd) / mMul;
}

} // namespace fx
