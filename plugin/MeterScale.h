#pragma once
// The meter face's scale: points (dB, needle position) in rising dB order with the lowest and
// highest dB, and the mapping of a level onto a needle position. The editor's layout fills it;
// the idle handling reads it. Main thread.

#include <cstddef>
#include <vector>

class MeterScale
{
public:
  struct Point
  {
    double dB;
    double position;
  };

  /** Appends a point and widens the bounds to include it. */
  void AddPoint(double dB, double position);
  void Clear();

  int NPoints() const { return static_cast<int>(mPoints.size()); }
  const Point& GetPoint(int i) const { return mPoints[static_cast<size_t>(i)]; }
  double LowestDB() const { return mLowest; }
  double HighestDB() const { return mHighest; }

  /** The needle position of a level: clamped to the bounds, then interpolated on the segment
   *  whose lower point is the last one at or below it. 0 without points; the only point's
   *  position with one. */
  double Map(double dB) const;

private:
  std::vector<Point> mPoints;
  double mLowest = 0.0;
  double mHighest = 0.0;
};

/** Level in dB of a follower value as the meters show it: 20 log10 |x| above 6.309e-8, else
 *  -144. */
double MeterDB(double x);
