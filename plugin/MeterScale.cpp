#include "plugin/MeterScale.h"

#include <algorithm>
#include <cmath>

void MeterScale::AddPoint(double dB, double position)
{
  if (mPoints.empty())
  {
    mLowest = dB;
    mHighest = dB;
  }
  else
  {
    mLowest = std::min(mLowest, dB);
    mHighest = std::max(mHighest, dB);
  }
  mPoints.push_back({dB, position});
}

void MeterScale::Clear()
{
  mPoints.clear();
  mLowest = 0.0;
  mHighest = 0.0;
}

double MeterScale::Map(double dB) const
{
  const int n = NPoints();
  if (n == 0) return 0.0;
  if (n == 1) return mPoints[0].position;
  if (std::isnan(dB)) dB = mLowest;
  const double v = std::clamp(dB, mLowest, mHighest);
  int i = 0;
  for (int k = 0; k <= n - 2; ++k)
  {
    if (mPoints[static_cast<size_t>(k)].dB <= v) i = k;
  }
  const Point& a = mPoints[static_cast<size_t>(i)];
  const Point& b = mPoints[static_cast<size_t>(i + 1)];
  // Two points at the same level have no slope: take the upper one's position.
  if (b.dB == a.dB) return b.position;
  const double slope = (b.position - a.position) / (b.dB - a.dB);
  return v * slope + (b.position - b.dB * slope);
}

double MeterDB(double x)
{
  const double a = std::fabs(x);
  return a > 6.309e-8 ? std::log(a) * 8.685889638065037 : -144.0;
}
