// Half-band 2x stages: against brute-force convolution with the same
// coefficients, block-split invariance, latencies, state reset, filter choice
// and the stop-band attenuation of every table entry.

#include "resampler/CDSPHBDownsampler.h"
#include "resampler/CDSPHBUpsampler.h"
#include "resampler/HalfBandTables.h"

#include "tests/resampler/ResamplerTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <random>
#include <vector>

using namespace rsmp;
using namespace rsmptest;

namespace {

struct FilterRef
{
  bool third;
  int s;
  const SHalfBandFilter* f;
};

std::vector<FilterRef> AllFilters()
{
  std::vector<FilterRef> v;
  for (int fam = 0; fam < 2; ++fam)
  {
    const SHalfBandRow* rows = fam ? kThirdHalfBandRows : kPow2HalfBandRows;
    for (int s = 0; s < kHalfBandRowCount; ++s)
      for (int i = 0; i < rows[s].Count; ++i)
        v.push_back({fam == 1, s, &rows[s].Filters[i]});
  }
  return v;
}

// Full impulse response, centre at index 2t - 1.
std::vector<double> Impulse(const SHalfBandFilter& f)
{
  const int t = f.Taps;
  std::vector<double> h(4 * t - 1, 0.0);
  h[2 * t - 1] = 1.0;
  for (int k = 0; k < t; ++k)
    h[2 * t - 1 - (2 * k + 1)] = h[2 * t - 1 + (2 * k + 1)] = f.Coeffs[k];
  return h;
}

// Zero-stuffed input convolved with h, output n centred on stuffed position n.
std::vector<double> BruteUp(const std::vector<double>& x, const std::vector<double>& h, int count)
{
  const int c = int(h.size()) / 2;
  std::vector<double> u(2 * x.size(), 0.0), y(count, 0.0);
  for (size_t i = 0; i < x.size(); ++i)
    u[2 * i] = x[i];
  for (int n = 0; n < count; ++n)
    for (int m = 0; m < int(h.size()); ++m)
    {
      const int p = n + m - c;
      if (p >= 0 && p < int(u.size()))
        y[n] += h[m] * u[p];
    }
  return y;
}

// Input convolved with h and kept at even positions.
std::vector<double> BruteDown(const std::vector<double>& x, const std::vector<double>& h, int count)
{
  const int c = int(h.size()) / 2;
  std::vector<double> y(count, 0.0);
  for (int j = 0; j < count; ++j)
    for (int m = 0; m < int(h.size()); ++m)
    {
      const int p = 2 * j + m - c;
      if (p >= 0 && p < int(x.size()))
        y[j] += h[m] * x[p];
    }
  return y;
}

// Attenuation over [0.5 - edge, 0.5] of the rate from the zero-padded FFT of
// an impulse response, relative to the DC gain.
double MeasureStopBand(const std::vector<double>& h, double edge)
{
  using C = std::complex<long double>;
  const int n = 1 << 15;
  std::vector<C> a(n, 0.0L);
  for (size_t i = 0; i < h.size(); ++i)
    a[i] = h[i];
  for (int i = 1, j = 0; i < n; ++i)
  {
    int bit = n >> 1;
    for (; j & bit; bit >>= 1)
      j ^= bit;
    j ^= bit;
    if (i < j)
      std::swap(a[i], a[j]);
  }
  const long double pi = 3.141592653589793238462643383279502884L;
  // Twiddles computed directly: a recurrence would drift by more than the
  // 300 dB stop bands being measured.
  std::vector<C> tw(n / 2);
  for (int k = 0; k < n / 2; ++k)
    tw[k] = C(std::cos(-2 * pi * k / n), std::sin(-2 * pi * k / n));
  for (int len = 2; len <= n; len <<= 1)
    for (int i = 0; i < n; i += len)
      for (int k = 0; k < len / 2; ++k)
      {
        const C u = a[i + k], v = a[i + k + len / 2] * tw[k * (n / len)];
        a[i + k] = u + v;
        a[i + k + len / 2] = u - v;
      }
  long double mx = 0;
  const int first = int(std::ceil((0.5 - edge) * n));
  for (int k = first; k <= n / 2; ++k)
    mx = std::max(mx, std::abs(a[k]));
  return double(-20 * std::log10(mx / std::abs(a[0])));
}

} // namespace

TEST(HalfBandTables, EveryFilterReachesItsListedAttenuation)
{
  for (const FilterRef& r : AllFilters())
  {
    SCOPED_TRACE(testing::Message() << (r.third ? "3*2^k" : "2^k") << " s=" << r.s << " t=" << r.f->Taps);
    // Impulse response as the stage itself produces it.
    CDSPHBUpsampler up(r.f->Atten, r.s, r.third, true, 0.0);
    ASSERT_EQ(up.GetTaps(), r.f->Taps);
    std::vector<double> x(4 * r.f->Taps, 0.0);
    x[r.f->Taps] = 1.0;
    std::vector<double> y = RunStage(up, x, 0, 1);
    std::vector<double> h(y.begin() + 1, y.begin() + 4 * r.f->Taps);
    EXPECT_EQ(h, Impulse(*r.f));

    // The listed figures carry the peak of a coarser grid: 0.02 dB slack.
    const double att = MeasureStopBand(h, r.f->PassEdge);
    EXPECT_GE(att, r.f->Atten - 0.02);
    EXPECT_NEAR(att, r.f->AttenReached, 0.05);
    // Transition band widens with s: the edge halves per row.
    const double nominal = r.third ? 1.0 / (3.0 * std::ldexp(1.0, r.s + 2)) : std::ldexp(1.0, -(r.s + 3));
    EXPECT_LE(r.f->PassEdge, nominal);
    EXPECT_GE(r.f->PassEdge, nominal * 0.999);
    double sum = 0;
    for (int k = 0; k < r.f->Taps; ++k)
      sum += r.f->Coeffs[k];
    // DC gain 2 up to the ripple: H(pi) = 1 - 2 sum lies in the stop band.
    EXPECT_LE(std::fabs(2 * sum - 1), 2 * std::pow(10.0, -(r.f->Atten - 0.05) / 20));
  }
}

TEST(HalfBandTables, FilterChoice)
{
  const int expect[] = {9, 5, 4, 3, 2, 2, 2};
  for (int s = 0; s < 7; ++s)
  {
    const double* c = nullptr;
    int t = 0;
    double att = 0;
    CDSPHBUpsampler::SelectSteepHalfBand(s, 136.32, c, t, att);
    EXPECT_EQ(t, expect[s]) << "s=" << s;
    EXPECT_GE(att, 136.32);
  }
  const double* c = nullptr;
  const double* c2 = nullptr;
  int t = 0, t2 = 0;
  double att = 0, att2 = 0;
  CDSPHBUpsampler::SelectSteepHalfBand(0, 136.32, c, t, att);
  EXPECT_DOUBLE_EQ(att, 136.6982);
  EXPECT_DOUBLE_EQ(c[0], 0.6259776380402198);
  CDSPHBUpsampler::SelectSteepHalfBand(4, 136.32, c, t, att);
  EXPECT_DOUBLE_EQ(att, 137.3173);
  // Out-of-range steepness clamps to the first and last rows.
  CDSPHBUpsampler::SelectSteepHalfBand(-5, 100.0, c, t, att);
  CDSPHBUpsampler::SelectSteepHalfBand(0, 100.0, c2, t2, att2);
  EXPECT_EQ(c, c2);
  CDSPHBUpsampler::SelectHalfBand(40, 100.0, c, t, att);
  CDSPHBUpsampler::SelectHalfBand(6, 100.0, c2, t2, att2);
  EXPECT_EQ(c, c2);
  // Above every entry: the longest filter; equality selects that entry.
  CDSPHBUpsampler::SelectSteepHalfBand(0, 1000.0, c, t, att);
  EXPECT_EQ(t, 14);
  CDSPHBUpsampler::SelectHalfBand(2, 103.197, c, t, att);
  EXPECT_EQ(t, 2);
  CDSPHBUpsampler::SelectHalfBand(2, 103.1971, c, t, att);
  EXPECT_EQ(t, 3);
}

TEST(HalfBandUpsampler, MatchesBruteForceForEveryFilterAndAnySplit)
{
  const std::vector<double> x = Noise(1500, 7);
  for (const FilterRef& r : AllFilters())
  {
    SCOPED_TRACE(testing::Message() << (r.third ? "3*2^k" : "2^k") << " s=" << r.s << " t=" << r.f->Taps);
    const int t = r.f->Taps;
    const std::vector<double> ref = BruteUp(x, Impulse(*r.f), 2 * (int(x.size()) - t));
    for (int maxBlock : {0, 1, 7, 300, 700})
    {
      CDSPHBUpsampler up(r.f->Atten, r.s, r.third, true, 0.0);
      const std::vector<double> y = RunStage(up, x, maxBlock, 11 + maxBlock);
      ASSERT_EQ(y.size(), ref.size());
      for (size_t i = 0; i < y.size(); ++i)
        ASSERT_NEAR(y[i], ref[i], 1e-14) << "i=" << i;
    }
  }
}

TEST(HalfBandDownsampler, MatchesBruteForceForEveryFilterAndAnySplit)
{
  const std::vector<double> x = Noise(3001, 9);
  for (const FilterRef& r : AllFilters())
  {
    SCOPED_TRACE(testing::Message() << (r.third ? "3*2^k" : "2^k") << " s=" << r.s << " t=" << r.f->Taps);
    const int h = 2 * r.f->Taps - 1;
    const int count = (int(x.size()) - 1 - h) / 2 + 1;
    const std::vector<double> ref = BruteDown(x, Impulse(*r.f), count);
    for (int maxBlock : {0, 1, 2, 13, 600, 1500})
    {
      CDSPHBDownsampler dn(r.f->Atten, r.s, r.third, 0.0);
      const std::vector<double> y = RunStage(dn, x, maxBlock, 3 + maxBlock);
      ASSERT_EQ(y.size(), ref.size());
      for (size_t i = 0; i < y.size(); ++i)
        ASSERT_NEAR(y[i], ref[i], 1e-14) << "i=" << i;
    }
  }
}

TEST(HalfBandUpsampler, DelayImpulseAndConstantInput)
{
  CDSPHBUpsampler up(136.32, 0, false, true, 0.0);
  ASSERT_EQ(up.GetTaps(), 9);
  EXPECT_EQ(up.GetIntLatency(), 0);
  EXPECT_EQ(up.GetFracLatency(), 0.0);
  EXPECT_EQ(up.GetMaxOutputLength(100), 200);
  std::vector<double> x(100, 0.0), buf(200);
  x[0] = 1.0;
  double* op = buf.data();
  EXPECT_EQ(up.ProcessSamples(x.data(), 100, op), 182);
  EXPECT_EQ(op[0], 1.0);
  for (int k = 0; k < 9; ++k)
    EXPECT_EQ(op[2 * k + 1], up.GetCoeffs()[k]);
  for (int k = 1; k < 80; ++k)
    EXPECT_EQ(op[2 * k], 0.0);
  std::fill(x.begin(), x.end(), 1.0);
  op = buf.data();
  EXPECT_EQ(up.ProcessSamples(x.data(), 100, op), 200);

  CDSPHBUpsampler c(136.32, 1, false, true, 0.0);
  std::vector<double> ones(300, 1.0);
  const std::vector<double> y = RunStage(c, ones, 37, 5);
  for (size_t i = 2 * c.GetTaps(); i < y.size(); ++i)
    ASSERT_NEAR(y[i], 1.0, 1e-6);
}

TEST(HalfBandUpsampler, LatencyWithoutConsumptionAndPassedOnFraction)
{
  const std::vector<double> x = Noise(900, 3);
  CDSPHBUpsampler eat(136.32, 1, false, true, 0.0);
  CDSPHBUpsampler keep(136.32, 1, false, false, 0.0);
  const int t = keep.GetTaps();
  EXPECT_EQ(keep.GetIntLatency(), 2 * t);
  const std::vector<double> a = RunStage(eat, x, 50, 1);
  const std::vector<double> b = RunStage(keep, x, 50, 2);
  ASSERT_EQ(b.size(), 2 * x.size());
  // The first 2t outputs are the filter's lead-in: zero centres, and the
  // interpolated samples before the first input.
  for (int i = 0; i < 2 * t; i += 2)
    EXPECT_EQ(b[i], 0.0);
  EXPECT_NE(b[2 * t - 1], 0.0);
  for (size_t i = 0; i < a.size(); ++i)
    ASSERT_EQ(b[i + 2 * t], a[i]);

  // A passed-on fraction of 0.6 doubles to 1.2: one sample withheld, 0.2 on.
  CDSPHBUpsampler frac(136.32, 0, false, true, 0.6);
  EXPECT_NEAR(frac.GetFracLatency(), 0.2, 1e-15);
  const std::vector<double> c = RunStage(frac, x, 0, 1);
  CDSPHBUpsampler plain(136.32, 0, false, true, 0.0);
  const std::vector<double> d = RunStage(plain, x, 0, 1);
  ASSERT_EQ(c.size() + 1, d.size());
  for (size_t i = 0; i < c.size(); ++i)
    ASSERT_EQ(c[i], d[i + 1]);
  // Garbage fractions count as 0.
  CDSPHBUpsampler bad(136.32, 0, false, true, std::nan(""));
  EXPECT_EQ(bad.GetFracLatency(), 0.0);
  CDSPHBUpsampler huge(136.32, 0, false, true, 1e300);
  EXPECT_EQ(huge.GetFracLatency(), 0.0);
  EXPECT_EQ(RunStage(huge, x, 0, 1).size(), d.size());
}

TEST(HalfBandDownsampler, LatencyAndConstantInput)
{
  const int expectBack[] = {8, 4, 3, 2, 1, 1, 1};
  for (int s = 0; s < 7; ++s)
  {
    CDSPHBDownsampler dn(136.32, s, false, 0.0);
    std::vector<double> ones(2048, 1.0);
    const std::vector<double> y = RunStage(dn, ones, 0, 1);
    // Fed an even count, the stage keeps t - 1 outputs back.
    EXPECT_EQ(int(y.size()), 1024 - expectBack[s]) << "s=" << s;
    for (size_t i = dn.GetTaps(); i < y.size(); ++i)
      ASSERT_NEAR(y[i], 2.0, 2e-6);
  }
  CDSPHBDownsampler frac(136.32, 0, false, 0.5);
  EXPECT_DOUBLE_EQ(frac.GetFracLatency(), 0.25);
  EXPECT_EQ(frac.GetIntLatency(), 0);
  EXPECT_EQ(frac.GetMaxOutputLength(11), 6);
}

TEST(HalfBandStages, ClearStateEqualsFreshObjectAndEmptyCallsChangeNothing)
{
  const std::vector<double> x = Noise(1200, 21);
  for (bool third : {false, true})
    for (int s = 0; s < 7; ++s)
    {
      CDSPHBUpsampler up(136.32, s, third, true, 0.0);
      CDSPHBDownsampler dn(136.32, s, third, 0.0);
      const std::vector<double> u1 = RunStage(up, x, 100, 1);
      const std::vector<double> d1 = RunStage(dn, x, 100, 1);
      RunStage(up, Noise(333, 4), 50, 2);
      RunStage(dn, Noise(333, 4), 50, 2);
      up.ClearState();
      dn.ClearState();
      double dummy = 0;
      double* op = &dummy;
      EXPECT_EQ(up.ProcessSamples(nullptr, 0, op), 0);
      EXPECT_EQ(dn.ProcessSamples(nullptr, 0, op), 0);
      EXPECT_EQ(op, &dummy);
      EXPECT_EQ(RunStage(up, x, 100, 1), u1);
      EXPECT_EQ(RunStage(dn, x, 100, 1), d1);
    }
}

TEST(HalfBandStages, RefusesInvalidCalls)
{
  CDSPHBUpsampler up(136.32, 0, false, true, 0.0);
  CDSPHBDownsampler dn(136.32, 0, false, 0.0);
  double buf[8] = {};
  double* op = buf;
  EXPECT_EQ(up.ProcessSamples(buf, -1, op), kProcessRefused);
  EXPECT_EQ(dn.ProcessSamples(buf, -1, op), kProcessRefused);
  EXPECT_EQ(up.ProcessSamples(nullptr, 2, op), kProcessRefused);
  EXPECT_EQ(dn.ProcessSamples(nullptr, 2, op), kProcessRefused);
  double* none = nullptr;
  EXPECT_EQ(up.ProcessSamples(buf, 2, none), kProcessRefused);
  EXPECT_EQ(op, buf);
  // Refused calls left the state alone: the stream is still the fresh one.
  CDSPHBUpsampler fresh(136.32, 0, false, true, 0.0);
  const std::vector<double> x = Noise(100, 5);
  EXPECT_EQ(RunStage(up, x, 0, 1), RunStage(fresh, x, 0, 1));
}
