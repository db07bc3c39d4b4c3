#include "plugin/dsp/SpectralUtility.h"

#include <cmath>
#include <numbers>
#include <utility>

namespace spectral {

namespace {

constexpr double kPi = std::numbers::pi;

bool IsPowerOfTwo(int32_t n) noexcept
{
  return n >= 1 && (n & (n - 1)) == 0;
}

// Sum of (a^k / k!)^2: the modified Bessel function I0 at 2a.
double BesselSeries(double a) noexcept
{
  double sum = 1.0;
  double term = 1.0;
  for (int k = 1; k < 1000; ++k)
  {
    const double q = a / k;
    term *= q * q;
    sum += term;
    if (term < 1e-21 * sum)
      break;
  }
  return sum;
}

double WindowValue(int32_t i, int32_t n, int32_t kind) noexcept
{
  const double x = 2.0 * kPi * i / (n - 1);
  switch (kind)
  {
    case kBlackman:
      return 0.42 - 0.5 * std::cos(x) + 0.08 * std::cos(2.0 * x);
    case kKaiser4:
    case kKaiser5:
    case kKaiser6:
    case kKaiser8:
    {
      static constexpr double kBeta[4] = {4.0, 5.0, 6.0, 8.0};
      const double beta = kBeta[kind - kKaiser4];
      const double r = static_cast<double>(i - n / 2) / (n - 1);
      const double s = 1.0 - r * r;
      return BesselSeries(beta / 2.0 * std::sqrt(s > 0.0 ? s : 0.0)) / BesselSeries(beta / 2.0);
    }
    case kRectangular:
      return 1.0;
    case kHann:
      return 0.5 - 0.5 * std::cos(x);
    case kTriangular:
      return 1.0 - 2.0 * std::fabs(i - (n - 1) / 2.0) / (n - 1);
    case kBlackmanHarris:
      return 0.358750287312166 - 0.4882901074726 * std::cos(x) + 0.141279712970519 * std::cos(2.0 * x) -
             0.011679892244715 * std::cos(3.0 * x);
    case kFlatTop:
      return 1.0 - 1.93 * std::cos(x) + 1.29 * std::cos(2.0 * x) - 0.388 * std::cos(3.0 * x) +
             0.028 * std::cos(4.0 * x);
    case kHannSquared:
    {
      const double h = 0.5 - 0.5 * std::cos(x);
      return h * h;
    }
    case kSincWindow:
      return Sinc((i - n / 2.0) / kPi * 0.25);
    case kCosineSum7:
      return 0.2712203605850388 - 0.4334446123274422 * std::cos(x) + 0.2180041228929303 * std::cos(2.0 * x) -
             0.06578534329560609 * std::cos(3.0 * x) + 0.01076186730534183 * std::cos(4.0 * x) -
             0.0007700127105808265 * std::cos(5.0 * x) + 1.368088305992921e-5 * std::cos(6.0 * x);
    default:
      return 0.53836 - 0.46164 * std::cos(x);
  }
}

// Split step between the n / 2 point complex transform and the n real
// values' spectrum (forward: after the transform; inverse: before it).
void RealSplit(double* d, int32_t n, int32_t direction) noexcept
{
  const double theta = direction * kPi / (n / 2);
  const double c1 = 0.5;
  const double c2 = direction == 1 ? -0.5 : 0.5;
  const double wtemp0 = std::sin(0.5 * theta);
  const double wpr = -2.0 * wtemp0 * wtemp0;
  const double wpi = std::sin(theta);
  double wr = 1.0 + wpr;
  double wi = wpi;
  for (int32_t k = 1; k < n / 4; ++k)
  {
    const int32_t i1 = 2 * k;
    const int32_t i2 = i1 + 1;
    const int32_t i3 = n - i1;
    const int32_t i4 = i3 + 1;
    const double h1r = c1 * (d[i1] + d[i3]);
    const double h1i = c1 * (d[i2] - d[i4]);
    const double h2r = -c2 * (d[i2] + d[i4]);
    const double h2i = c2 * (d[i1] - d[i3]);
    d[i1] = h1r + wr * h2r - wi * h2i;
    d[i2] = h1i + wr * h2i + wi * h2r;
    d[i3] = h1r - wr * h2r + wi * h2i;
    d[i4] = -h1i + wr * h2i + wi * h2r;
    const double wt = wr;
    wr = wt * wpr - wi * wpi + wr;
    wi = wi * wpr + wt * wpi + wi;
  }
  // The middle bin (k = n / 4) pairs with itself and is already in place.
}

bool CheckPairs(const double* src, int32_t srcLen, const double* dst, int32_t dstLen,
                int32_t count) noexcept
{
  if (!src || !dst || count < 0 || srcLen < 0 || dstLen < 0)
    return false;
  const int64_t need = 2 * static_cast<int64_t>(count);
  return need <= srcLen && need <= dstLen;
}

template <typename F>
void WalkPairs(const double* src, int32_t srcLen, double* dst, int32_t dstLen, int32_t count, F f) noexcept
{
  if (dstLen > srcLen)
  {
    for (int32_t i = count - 1; i >= 0; --i)
    {
      const auto r = f(src[2 * i], src[2 * i + 1]);
      dst[2 * i] = r.first;
      dst[2 * i + 1] = r.second;
    }
  }
  else
  {
    for (int32_t i = 0; i < count; ++i)
    {
      const auto r = f(src[2 * i], src[2 * i + 1]);
      dst[2 * i] = r.first;
      dst[2 * i + 1] = r.second;
    }
  }
}

} // namespace

double Sinc(double x) noexcept
{
  return std::fabs(x) < 1e-14 ? 1.0 : std::sin(x) / x;
}

std::vector<double> MakeWindowTable(int32_t n, int32_t kind, bool normalise)
{
  std::vector<double> w;
  if (n < 1)
    return w;
  w.resize(static_cast<size_t>(n));
  if (n == 1)
    w[0] = 1.0; // every formula divides by n - 1
  else
    for (int32_t i = 0; i < n; ++i)
      w[static_cast<size_t>(i)] = WindowValue(i, n, kind);
  if (normalise)
  {
    double sum = 0.0;
    for (double v : w)
      sum += v;
    if (sum != 0.0)
      for (double& v : w)
        v /= sum;
  }
  return w;
}

bool ComplexFFT(double* data, int32_t n, int32_t direction) noexcept
{
  if (!data || !IsPowerOfTwo(n))
    return false;
  const int32_t nn = 2 * n;
  // Bit-reversal permutation of the complex points.
  for (int32_t i = 0, j = 0; i < nn; i += 2)
  {
    if (j > i)
    {
      std::swap(data[j], data[i]);
      std::swap(data[j + 1], data[i + 1]);
    }
    int32_t m = n;
    while (m >= 2 && j >= m)
    {
      j -= m;
      m >>= 1;
    }
    j += m;
  }
  // Butterflies, twiddles by recurrence.
  const double sign = direction < 0 ? -1.0 : 1.0;
  for (int32_t mmax = 2; mmax < nn; mmax <<= 1)
  {
    const int32_t step = mmax << 1;
    const double theta = sign * (2.0 * kPi / mmax);
    const double wtemp = std::sin(0.5 * theta);
    const double wpr = -2.0 * wtemp * wtemp;
    const double wpi = std::sin(theta);
    double wr = 1.0;
    double wi = 0.0;
    for (int32_t m = 0; m < mmax; m += 2)
    {
      for (int32_t i = m; i < nn; i += step)
      {
        const int32_t j = i + mmax;
        const double tr = wr * data[j] - wi * data[j + 1];
        const double ti = wr * data[j + 1] + wi * data[j];
        data[j] = data[i] - tr;
        data[j + 1] = data[i + 1] - ti;
        data[i] += tr;
        data[i + 1] += ti;
      }
      const double wt = wr;
      wr = wt * wpr - wi * wpi + wr;
      wi = wi * wpr + wt * wpi + wi;
    }
  }
  return true;
}

bool RealFFT(double* data, int32_t n, int32_t direction) noexcept
{
  if (!data || n < 2 || !IsPowerOfTwo(n) || (direction != 1 && direction != -1))
    return false;
  if (direction == 1)
  {
    ComplexFFT(data, n / 2, 1);
    RealSplit(data, n, 1);
    const double h = data[0];
    data[0] = h + data[1];
    data[n] = h - data[1];
    data[1] = 0.0;
    data[n + 1] = 0.0;
  }
  else
  {
    RealSplit(data, n, -1);
    const double dc = data[0];
    const double ny = data[n];
    data[0] = (dc + ny) / 2.0;
    data[1] = (dc - ny) / 2.0;
    data[n] = 0.0;
    data[n + 1] = 0.0;
    ComplexFFT(data, n / 2, -1);
  }
  return true;
}

bool CartesianToPolar(const double* src, int32_t srcLen, double* dst, int32_t dstLen,
                      int32_t count) noexcept
{
  if (!CheckPairs(src, srcLen, dst, dstLen, count))
    return false;
  WalkPairs(src, srcLen, dst, dstLen, count, [](double re, double im) {
    return std::pair<double, double>(std::sqrt(re * re + im * im), std::atan2(im, re));
  });
  return true;
}

bool PolarToCartesian(const double* src, int32_t srcLen, double* dst, int32_t dstLen,
                      int32_t count) noexcept
{
  if (!CheckPairs(src, srcLen, dst, dstLen, count))
    return false;
  WalkPairs(src, srcLen, dst, dstLen, count, [](double mag, double ph) {
    return std::pair<double, double>(mag * std::cos(ph), mag * std::sin(ph));
  });
  return true;
}

} // namespace spectral
