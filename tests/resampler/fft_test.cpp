#include "resampler/CDSPRealFFT.h"
#include "resampler/CFFTPool.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

using namespace rsmp;

namespace {

// Packed spectrum by the defining sums, in long double.
struct Trig
{
  std::vector<long double> c, s;
  explicit Trig(size_t n) : c(n), s(n)
  {
    const long double pi = 3.141592653589793238462643383279502884L;
    for(size_t i = 0; i < n; i++)
    {
      c[i] = std::cos(2 * pi * i / n);
      s[i] = std::sin(2 * pi * i / n);
    }
  }
};

std::vector<double> NaiveForward(const std::vector<double>& x)
{
  const size_t n = x.size();
  std::vector<double> a(n, 0.0);
  const Trig t(n);
  long double s0 = 0, s1 = 0;
  for(size_t j = 0; j < n; j++)
  {
    s0 += x[j];
    s1 += (j & 1) ? -x[j] : x[j];
  }
  a[0] = (double)s0;
  if(n > 1)
    a[1] = (double)s1;
  for(size_t k = 1; k < n / 2; k++)
  {
    long double re = 0, im = 0;
    for(size_t j = 0; j < n; j++)
    {
      const size_t r = (j * k) % n;
      re += x[j] * t.c[r];
      im += x[j] * t.s[r];
    }
    a[2 * k] = (double)re;
    a[2 * k + 1] = (double)im;
  }
  return a;
}

std::vector<double> NaiveInverse(const std::vector<double>& a)
{
  const size_t n = a.size();
  std::vector<double> x(n);
  const Trig t(n);
  for(size_t j = 0; j < n; j++)
  {
    long double v = (a[0] + ((j & 1) ? -a[1] : a[1])) / 2.0L;
    for(size_t k = 1; k < n / 2; k++)
    {
      const size_t r = (j * k) % n;
      v += a[2 * k] * t.c[r] + a[2 * k + 1] * t.s[r];
    }
    x[j] = (double)v;
  }
  return x;
}

} // namespace

TEST(RealFFT, MatchesNaiveDftForEveryLengthFrom4To4096)
{
  std::mt19937 rng(7);
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  for(int bits = 2; bits <= 12; bits++)
  {
    const int n = 1 << bits;
    CFFTHolder h(bits);
    ASSERT_TRUE(h) << n;
    EXPECT_EQ(h->GetLen(), n);
    EXPECT_DOUBLE_EQ(h->GetInvScale(), 2.0 / n);

    std::vector<double> x(n);
    for(double& v : x)
      v = u(rng);

    std::vector<double> a = x;
    h->Transform(a.data(), 1);
    const std::vector<double> ref = NaiveForward(x);
    const double tol = 1e-13 * n;
    for(int i = 0; i < n; i++)
      ASSERT_NEAR(a[i], ref[i], tol) << "forward n=" << n << " i=" << i;

    // Inverse of an arbitrary packed spectrum against its defining sum.
    std::vector<double> s(n);
    for(double& v : s)
      v = u(rng);
    std::vector<double> b = s;
    h->Transform(b.data(), -1);
    const std::vector<double> refInv = NaiveInverse(s);
    for(int i = 0; i < n; i++)
      ASSERT_NEAR(b[i], refInv[i], tol) << "inverse n=" << n << " i=" << i;

    // Round trip: forward then inverse scales by n/2.
    std::vector<double> c = x;
    h->Forward(c.data());
    h->Inverse(c.data());
    for(int i = 0; i < n; i++)
      ASSERT_NEAR(c[i] * h->GetInvScale(), x[i], 1e-14 * bits) << "round trip n=" << n;
  }
}

TEST(RealFFT, PackedLayoutOfSimpleSignals)
{
  CFFTHolder h(3);
  ASSERT_TRUE(h);
  // Impulse at 0: flat spectrum, zero imaginary parts.
  double a[8] = {1, 0, 0, 0, 0, 0, 0, 0};
  h->Forward(a);
  const double flat[8] = {1, 1, 1, 0, 1, 0, 1, 0};
  for(int i = 0; i < 8; i++)
    EXPECT_NEAR(a[i], flat[i], 1e-15);
  // Alternating signal lands entirely in the Nyquist slot a[1].
  double alt[8] = {1, -1, 1, -1, 1, -1, 1, -1};
  h->Forward(alt);
  EXPECT_NEAR(alt[0], 0, 1e-15);
  EXPECT_NEAR(alt[1], 8, 1e-15);
  for(int i = 2; i < 8; i++)
    EXPECT_NEAR(alt[i], 0, 1e-15);
  // sin(2 pi j / 8) puts +n/2 into the sine slot of bin 1.
  double sn[8];
  for(int j = 0; j < 8; j++)
    sn[j] = std::sin(2 * M_PI * j / 8);
  h->Forward(sn);
  EXPECT_NEAR(sn[2], 0, 1e-14);
  EXPECT_NEAR(sn[3], 4, 1e-14);
  // Forward then inverse of length 8 multiplies every sample by 4.
  double r[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  h->Forward(r);
  h->Inverse(r);
  for(int j = 0; j < 8; j++)
    EXPECT_NEAR(r[j], 4.0 * (j + 1), 1e-13);
}

TEST(RealFFT, TinyLengthsAndInvalidBits)
{
  CDSPRealFFT* f2 = CDSPRealFFT::Create(1);
  ASSERT_NE(f2, nullptr);
  double a[2] = {3, 5};
  f2->Forward(a);
  EXPECT_EQ(a[0], 8);
  EXPECT_EQ(a[1], -2);
  f2->Inverse(a);
  EXPECT_EQ(a[0], 3);
  EXPECT_EQ(a[1], 5);
  CDSPRealFFT::Destroy(f2);

  EXPECT_EQ(CDSPRealFFT::Create(-1), nullptr);
  EXPECT_EQ(CDSPRealFFT::Create(31), nullptr);
  EXPECT_EQ(CFFTPool::Acquire(-3), nullptr);
  EXPECT_EQ(CFFTPool::Acquire(31), nullptr);
  CFFTPool::Release(nullptr); // harmless
}

TEST(FFTPool, ReusesReleasedObjectsAndNeverSharesOneObject)
{
  const int bits = 11;
  CDSPRealFFT* a = CFFTPool::Acquire(bits);
  CDSPRealFFT* b = CFFTPool::Acquire(bits);
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);
  EXPECT_NE(a, b);
  const int idle = CFFTPool::IdleCount(bits);
  CFFTPool::Release(a);
  EXPECT_EQ(CFFTPool::IdleCount(bits), idle + 1);
  CDSPRealFFT* c = CFFTPool::Acquire(bits);
  EXPECT_EQ(c, a);
  EXPECT_EQ(CFFTPool::IdleCount(bits), idle);
  const int inHolder = idle > 0 ? idle - 1 : 0; // the holder takes an idle one if any
  {
    CFFTHolder h;
    EXPECT_TRUE(h.Acquire(bits));
    EXPECT_EQ(CFFTPool::IdleCount(bits), inHolder);
  }
  EXPECT_EQ(CFFTPool::IdleCount(bits), inHolder + 1);
  CFFTPool::Release(b);
  CFFTPool::Release(c);
}

TEST(RealFFT, BaselineAndWidePassesAgreeBitForBit)
{
  std::mt19937 rng(3);
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  for(int bits = 1; bits <= 14; bits++)
  {
    CDSPRealFFT* wide = CDSPRealFFT::Create(bits, true);
    CDSPRealFFT* base = CDSPRealFFT::Create(bits, false);
    ASSERT_NE(wide, nullptr);
    ASSERT_NE(base, nullptr);
    const int n = 1 << bits;
    std::vector<double> x(n);
    for(double& v : x)
      v = u(rng);
    std::vector<double> a = x, b = x;
    wide->Forward(a.data());
    base->Forward(b.data());
    EXPECT_EQ(a, b) << n;
    wide->Inverse(a.data());
    base->Inverse(b.data());
    EXPECT_EQ(a, b) << n;
    if(bits <= 11)
    {
      // The baseline path against the defining sums as well.
      std::vector<double> c = x;
      base->Forward(c.data());
      const std::vector<double> ref = NaiveForward(x);
      for(int i = 0; i < n; i++)
        ASSERT_NEAR(c[i], ref[i], 1e-13 * n) << n << " " << i;
    }
    CDSPRealFFT::Destroy(wide);
    CDSPRealFFT::Destroy(base);
  }
}
