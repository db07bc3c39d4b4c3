#pragma once
// Spectral helpers of the product: sinc, window tables, an in-place complex
// FFT, a real FFT built on it, and cartesian / polar spectrum converters.
// Nothing in the limiter path uses them.
//
// Threads: pure functions on caller-owned data; any thread.

#include <cstdint>
#include <vector>

namespace spectral {

// sin(x) / x; 1 when |x| < 1e-14.
double Sinc(double x) noexcept;

// Window kinds of MakeWindowTable; any other value gives Hamming.
enum EWindowKind : int32_t
{
  kBlackman = 1,
  kKaiser4 = 2,
  kKaiser5 = 3,
  kKaiser6 = 4,
  kKaiser8 = 5,
  kRectangular = 6,
  kHann = 7,
  kTriangular = 8,
  kBlackmanHarris = 9,
  kFlatTop = 10,
  kHannSquared = 11,
  kSincWindow = 12,
  kCosineSum7 = 13
};

// n values of a window (empty for n < 1; a one-point window is {1}); with
// normalise the values are divided by their sum.
std::vector<double> MakeWindowTable(int32_t n, int32_t kind, bool normalise);

// In-place radix-2 transform of n complex points stored as (re, im) pairs;
// the exponent's sign is the sign of direction. n must be a power of two:
// false (data untouched) for n < 1 or any other n.
bool ComplexFFT(double* data, int32_t n, int32_t direction) noexcept;

// In-place transform of n real values (n a power of two, at least 2) in an
// array of n + 2 doubles. Direction 1: n / 2 + 1 bins, DC at [0] ([1] = 0),
// Nyquist at [n] ([n + 1] = 0). Direction -1 takes that layout back to n
// values scaled by n / 2. False (data untouched) for a bad n or direction.
bool RealFFT(double* data, int32_t n, int32_t direction) noexcept;

// count (re, im) pairs to (magnitude, phase) or back. Lengths are in doubles;
// source and destination may be the same array or overlap (the walk runs
// backwards when the destination is the longer one). False (nothing done)
// for null arrays, a negative count or a count that does not fit.
bool CartesianToPolar(const double* src, int32_t srcLen, double* dst, int32_t dstLen,
                      int32_t count) noexcept;
bool PolarToCartesian(const double* src, int32_t srcLen, double* dst, int32_t dstLen,
                      int32_t count) noexcept;

} // namespace spectral
