#pragma once
// The VU meters' calibration: needle positions (0 at rest, 1 at full deflection) for levels in
// dB, matching the scale printed on the meter face. The editor's layout fills the product's
// meter scale with these points in this order; the artwork generator prints the face's ticks
// where they put the needle.

struct VUCalibrationPoint
{
  double dB;
  double position;
};

inline constexpr VUCalibrationPoint kVUCalibration[] = {
  {-100.0, 0.0},  {-20.0, 0.035}, {-10.0, 0.135}, {-7.0, 0.26}, {-6.0, 0.335},
  {-5.0, 0.42},   {-4.0, 0.5},    {-3.0, 0.575},  {-2.0, 0.645}, {-1.0, 0.71},
  {0.0, 0.78},    {1.0, 0.85},    {2.0, 0.91},    {3.0, 0.965},  {3.5, 1.0},
};
