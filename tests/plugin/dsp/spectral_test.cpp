// Spectral helpers against brute-force transforms and window formulas.

#include "plugin/dsp/SpectralUtility.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>
#include <random>
#include <vector>

using namespace spectral;

namespace {

std::vector<std::complex<double>> Dft(const std::vector<std::complex<double>>& x, int sign)
{
  const size_t n = x.size();
  std::vector<std::complex<double>> X(n);
  for (size_t k = 0; k < n; ++k)
  {
    std::complex<double> s = 0;
    for (size_t j = 0; j < n; ++j)
      s += x[j] * std::polar(1.0, sign * 2.0 * std::numbers::pi * double(j * k % n) / double(n));
    X[k] = s;
  }
  return X;
}

} // namespace

TEST(Spectral, SincAndWindows)
{
  EXPECT_EQ(Sinc(0.0), 1.0);
  EXPECT_EQ(Sinc(1e-15), 1.0);
  EXPECT_NEAR(Sinc(std::numbers::pi), 0.0, 1e-16);
  EXPECT_NEAR(Sinc(1.0), std::sin(1.0), 1e-16);

  const std::vector<double> rect = MakeWindowTable(8, kRectangular, true);
  ASSERT_EQ(rect.size(), 8u);
  for (double v : rect)
    EXPECT_DOUBLE_EQ(v, 1.0 / 8.0);

  // Unknown kinds give Hamming.
  const int n = 16;
  for (int kind : {0, 14, -3, 99})
  {
    const std::vector<double> w = MakeWindowTable(n, kind, false);
    for (int i = 0; i < n; ++i)
      EXPECT_NEAR(w[i], 0.53836 - 0.46164 * std::cos(2 * std::numbers::pi * i / (n - 1)), 1e-15);
  }
  // Symmetric windows peak at 1 in the middle of an odd length.
  for (int kind : {kBlackman, kHann, kTriangular, kHannSquared, kKaiser4, kKaiser8})
  {
    const std::vector<double> w = MakeWindowTable(33, kind, false);
    EXPECT_NEAR(w[16], 1.0, 1e-12) << kind;
    for (int i = 0; i < 33; ++i)
      EXPECT_NEAR(w[i], w[32 - i], 1e-12) << kind << " " << i;
  }
  // Kaiser against a direct I0 series.
  {
    const std::vector<double> w = MakeWindowTable(21, kKaiser6, false);
    auto i0 = [](double x) {
      double s = 0, t = 1;
      for (int k = 1; k < 60; ++k)
      {
        s += t;
        t *= (x / 2 / k) * (x / 2 / k);
      }
      return s;
    };
    for (int i = 0; i < 21; ++i)
    {
      const double r = double(i - 10) / 20.0;
      EXPECT_NEAR(w[i], i0(6.0 * std::sqrt(1 - r * r)) / i0(6.0), 1e-12);
    }
  }
  // Degenerate sizes.
  EXPECT_TRUE(MakeWindowTable(0, kHann, true).empty());
  EXPECT_TRUE(MakeWindowTable(-4, kHann, false).empty());
  for (int kind = 0; kind <= 14; ++kind)
  {
    const std::vector<double> one = MakeWindowTable(1, kind, true);
    ASSERT_EQ(one.size(), 1u);
    EXPECT_EQ(one[0], 1.0) << kind;
  }
}

TEST(Spectral, ComplexFftMatchesTheDft)
{
  std::mt19937 rng(5);
  std::uniform_real_distribution<double> u(-1, 1);
  for (int n : {1, 2, 4, 8, 64, 256})
  {
    for (int dir : {1, -1})
    {
      std::vector<std::complex<double>> x(n);
      std::vector<double> data(2 * n);
      for (int i = 0; i < n; ++i)
      {
        x[i] = {u(rng), u(rng)};
        data[2 * i] = x[i].real();
        data[2 * i + 1] = x[i].imag();
      }
      ASSERT_TRUE(ComplexFFT(data.data(), n, dir));
      const auto X = Dft(x, dir);
      for (int k = 0; k < n; ++k)
      {
        EXPECT_NEAR(data[2 * k], X[k].real(), 1e-11) << n << " " << dir << " " << k;
        EXPECT_NEAR(data[2 * k + 1], X[k].imag(), 1e-11) << n << " " << dir << " " << k;
      }
    }
  }
  std::vector<double> d(12, 1.0);
  EXPECT_FALSE(ComplexFFT(d.data(), 6, 1));
  EXPECT_FALSE(ComplexFFT(d.data(), 0, 1));
  EXPECT_FALSE(ComplexFFT(nullptr, 4, 1));
  for (double v : d)
    EXPECT_EQ(v, 1.0);
}

TEST(Spectral, RealFftLayoutAndRoundTrip)
{
  std::mt19937 rng(9);
  std::uniform_real_distribution<double> u(-1, 1);
  for (int n : {2, 4, 8, 16, 128, 1024})
  {
    std::vector<double> data(n + 2, 0.0);
    std::vector<std::complex<double>> x(n);
    for (int i = 0; i < n; ++i)
    {
      data[i] = u(rng);
      x[i] = data[i];
    }
    const std::vector<double> orig(data.begin(), data.begin() + n);
    ASSERT_TRUE(RealFFT(data.data(), n, 1));
    const auto X = Dft(x, 1);
    for (int k = 0; k <= n / 2; ++k)
    {
      EXPECT_NEAR(data[2 * k], X[k].real(), 1e-10) << n << " bin " << k;
      EXPECT_NEAR(data[2 * k + 1], X[k].imag(), 1e-10) << n << " bin " << k;
    }
    EXPECT_EQ(data[1], 0.0);
    EXPECT_EQ(data[n + 1], 0.0);
    ASSERT_TRUE(RealFFT(data.data(), n, -1));
    for (int i = 0; i < n; ++i)
      EXPECT_NEAR(data[i], orig[i] * (n / 2), 1e-10) << n << " " << i;
  }
  std::vector<double> d(8, 2.0);
  EXPECT_FALSE(RealFFT(d.data(), 6, 1));
  EXPECT_FALSE(RealFFT(d.data(), 1, 1));
  EXPECT_FALSE(RealFFT(d.data(), 4, 0));
  EXPECT_FALSE(RealFFT(d.data(), 4, 2));
  for (double v : d)
    EXPECT_EQ(v, 2.0);
}

TEST(Spectral, PolarConversionsInPlaceAndChecked)
{
  std::vector<double> a = {3.0, 4.0, -1.0, 0.0, 0.0, -2.0};
  std::vector<double> p(6);
  ASSERT_TRUE(CartesianToPolar(a.data(), 6, p.data(), 6, 3));
  EXPECT_DOUBLE_EQ(p[0], 5.0);
  EXPECT_DOUBLE_EQ(p[1], std::atan2(4.0, 3.0));
  EXPECT_DOUBLE_EQ(p[2], 1.0);
  EXPECT_DOUBLE_EQ(p[3], std::numbers::pi);
  EXPECT_DOUBLE_EQ(p[5], -std::numbers::pi / 2);
  // In place, and back.
  std::vector<double> b = a;
  ASSERT_TRUE(CartesianToPolar(b.data(), 6, b.data(), 6, 3));
  EXPECT_EQ(b, p);
  ASSERT_TRUE(PolarToCartesian(b.data(), 6, b.data(), 6, 3));
  for (int i = 0; i < 6; ++i)
    EXPECT_NEAR(b[i], a[i], 1e-15);
  // Overlapping with the destination one pair further on (longer).
  std::vector<double> c = {3.0, 4.0, 6.0, 8.0, 0.0, 0.0, 0.0, 0.0};
  ASSERT_TRUE(CartesianToPolar(c.data(), 4, c.data() + 2, 6, 2));
  EXPECT_DOUBLE_EQ(c[2], 5.0);
  EXPECT_DOUBLE_EQ(c[4], 10.0);
  // Refused arguments leave the destination alone.
  std::vector<double> d(4, 7.0);
  EXPECT_FALSE(CartesianToPolar(a.data(), 6, d.data(), 4, 3));
  EXPECT_FALSE(PolarToCartesian(nullptr, 6, d.data(), 4, 1));
  EXPECT_FALSE(PolarToCartesian(a.data(), 6, d.data(), 4, -1));
  for (double v : d)
    EXPECT_EQ(v, 7.0);
  EXPECT_TRUE(CartesianToPolar(a.data(), 6, d.data(), 4, 0));
}
