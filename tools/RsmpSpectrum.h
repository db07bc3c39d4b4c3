#pragma once
// Spectral measurements shared by the resampler's table generators, its tests
// and its benchmarks: an in-place radix-2 transform and the stop-band
// attenuation of a linear-phase kernel.

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstddef>
#include <utility>
#include <vector>

namespace rsmptools {

// Forward DFT of a (length a power of two) in place; twiddles are computed
// directly rather than by a recurrence, so they carry no accumulated error.
inline void ForwardFft(std::vector<std::complex<double>>& a)
{
  const size_t n = a.size();
  for (size_t i = 1, j = 0; i < n; ++i)
  {
    size_t bit = n >> 1;
    for (; j & bit; bit >>= 1)
      j ^= bit;
    j ^= bit;
    if (i < j)
      std::swap(a[i], a[j]);
  }
  std::vector<std::complex<double>> tw(n / 2);
  for (size_t k = 0; k < n / 2; ++k)
    tw[k] = std::polar(1.0, -2 * M_PI * double(k) / double(n));
  for (size_t len = 2; len <= n; len <<= 1)
    for (size_t i = 0; i < n; i += len)
      for (size_t k = 0; k < len / 2; ++k)
      {
        const std::complex<double> u = a[i + k], v = a[i + k + len / 2] * tw[k * (n / len)];
        a[i + k] = u + v;
        a[i + k + len / 2] = u - v;
      }
}

// Attenuation in dB of a kernel over [N pi, pi]: its peak magnitude there
// relative to its DC gain, read from a transform zero-padded to at least 16
// times the kernel's length.
inline double StopBandAttenuation(const std::vector<double>& taps, double N)
{
  size_t n = 1;
  while (n < taps.size() * 16)
    n <<= 1;
  std::vector<std::complex<double>> a(n, 0.0);
  double dc = 0;
  for (size_t i = 0; i < taps.size(); ++i)
  {
    a[i] = taps[i];
    dc += taps[i];
  }
  ForwardFft(a);
  double mx = 0;
  for (size_t k = size_t(std::ceil(N * double(n) / 2)); k <= n / 2; ++k)
    mx = std::max(mx, std::abs(a[k]));
  return -20 * std::log10(mx / std::fabs(dc));
}

} // namespace rsmptools
