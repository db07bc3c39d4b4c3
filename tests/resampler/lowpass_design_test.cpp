#include "resampler/CFFTPool.h"
#include "resampler/CLowPassCache.h"
#include "resampler/CLowPassFilter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using namespace rsmp;

namespace {

// I0 by its power series sum (x/2)^2k / (k!)^2, in long double.
long double I0Series(long double x)
{
  long double term = 1, sum = 1;
  const long double q = x * x / 4;
  for(int k = 1; k < 500; k++)
  {
    term *= q / ((long double)k * k);
    sum += term;
    if(term < sum * 1e-21L)
      break;
  }
  return sum;
}

// Time-domain kernel of a designed filter, recovered from its stored spectrum.
std::vector<double> KernelOf(const CLowPassFilter& f)
{
  const int L = 2 << f.BlockLenBits;
  std::vector<double> a(f.KernelBlock, f.KernelBlock + L);
  if(f.IsZeroPhase)
    for(int i = 3; i < L; i += 2)
      a[i] = 0.0; // undo the duplicated real gains
  CFFTHolder fft(f.BlockLenBits + 1);
  fft->Inverse(a.data());
  return a;
}

// Magnitude response (linear) of taps at normalised frequency x (1 = Nyquist).
double Magnitude(const std::vector<double>& taps, double x)
{
  long double re = 0, im = 0;
  for(size_t j = 0; j < taps.size(); j++)
  {
    re += taps[j] * std::cos(M_PI * x * (double)j);
    im += taps[j] * std::sin(M_PI * x * (double)j);
  }
  return (double)std::sqrt(re * re + im * im);
}

struct Request
{
  double cutoff, band, atten, gain;
};

} // namespace

TEST(LowPassDesign, BesselI0MatchesItsSeries)
{
  for(double x = 0.0; x <= 160.0; x += 0.37)
  {
    const long double ref = I0Series(x);
    EXPECT_NEAR(BesselI0(x) / (double)ref, 1.0, 5e-7) << x;
    EXPECT_EQ(BesselI0(-x), BesselI0(x));
  }
  EXPECT_NEAR(BesselI0(125.0) / 6.91355057666251e+52, 1.0, 1e-14);
}

TEST(LowPassDesign, LimiterRequestsHaveTheKnownLengths)
{
  LowPassDesignFigures d;
  ASSERT_EQ(ComputeLowPassFigures(0.5, 3.0, 136.32, d), EStatus::kOK);
  EXPECT_EQ(d.H, 360);
  EXPECT_EQ(d.BlockLenBits, 10);
  ASSERT_EQ(ComputeLowPassFigures(0.5, 8.0, 136.32, d), EStatus::kOK);
  EXPECT_EQ(d.H, 135);
  EXPECT_EQ(d.BlockLenBits, 9);

  CLowPassFilter f;
  f.Cutoff = 0.5;
  f.Band = 3.0;
  f.Atten = 136.32;
  f.Gain = 2.0;
  ASSERT_EQ(DesignLowPassFIR(f), EStatus::kOK);
  EXPECT_EQ(f.KernelLen, 721);
  EXPECT_EQ(f.BlockLenBits, 10);
  EXPECT_EQ(f.Latency, 360);
  EXPECT_EQ(f.FracLatency, 0.0);
  EXPECT_TRUE(f.IsZeroPhase);
}

TEST(LowPassDesign, KernelEqualsBruteForceWindowedSincAndMeetsItsBands)
{
  const Request reqs[] = {{0.5, 3.0, 136.32, 2.0}, {0.5, 8.0, 136.32, 0.25}, {1.0 / 3.0, 3.0, 136.32, 3.0},
                          {0.5, 15.0, 100.0, 1.0}, {0.25, 30.0, 80.0, 1.0}, {0.5, 5.0, 60.0, 1.0}};
  for(const Request& r : reqs)
  {
    SCOPED_TRACE(testing::Message() << r.cutoff << " " << r.band << " " << r.atten);
    CLowPassFilter f;
    f.Cutoff = r.cutoff;
    f.Band = r.band;
    f.Atten = r.atten;
    f.Gain = r.gain;
    ASSERT_EQ(DesignLowPassFIR(f), EStatus::kOK);
    LowPassDesignFigures d;
    ASSERT_EQ(ComputeLowPassFigures(r.cutoff, r.band, r.atten, d), EStatus::kOK);

    // Brute force: sinc with the fitted cutoff under the Kaiser window (shape
    // 125, series I0) raised to |P|, normalised to the requested DC gain.
    const int h = d.H;
    const int L = 2 << f.BlockLenBits;
    std::vector<long double> ref(2 * h + 1);
    long double sum = 0;
    for(int k = -h; k <= h; k++)
    {
      const long double x = (long double)k / d.HalfLen;
      const long double win = x * x > 1 ? 0 : std::pow(I0Series(125 * std::sqrt(1 - x * x)) / I0Series(125), std::fabs(d.Power));
      const long double s = k == 0 ? d.Omega / M_PI : std::sin(k * (long double)d.Omega) / (k * M_PI);
      ref[k + h] = s * win;
      sum += ref[k + h];
    }
    const std::vector<double> got = KernelOf(f);
    const double scale = L / 2.0; // the stored spectrum carries the inverse scale 2/L
    double peak = 0;
    for(int k = -h; k <= h; k++)
      peak = std::max(peak, (double)std::fabs(ref[k + h] * r.gain / sum));
    for(int k = -h; k <= h; k++)
    {
      const double want = (double)(ref[k + h] * r.gain / sum);
      const double have = got[(k + L) % L];
      ASSERT_NEAR(have, want, 2e-6 * peak) << k;
    }
    for(int j = h + 1; j < L - h; j++)
      ASSERT_NEAR(got[j], 0.0, 1e-12 * peak) << j;

    // DC gain equals the requested gain.
    EXPECT_NEAR(f.KernelBlock[0] * scale, r.gain, 1e-12 * r.gain);

    // Stop band from the cutoff up: at least the requested attenuation.
    std::vector<double> taps(2 * h + 1);
    for(int k = -h; k <= h; k++)
      taps[k + h] = got[(k + L) % L] / r.gain;
    double worst = 0;
    for(double x = r.cutoff; x <= 1.0; x += 1.0 / 4096)
      worst = std::max(worst, Magnitude(taps, x));
    EXPECT_LT(20 * std::log10(worst), -r.atten);
    // Pass band up to (1 - 0.0175 band) of the cutoff: flat.
    double ripple = 0;
    for(double x = 0; x <= r.cutoff * (1 - 0.0175 * r.band); x += 1.0 / 4096)
      ripple = std::max(ripple, std::fabs(Magnitude(taps, x) - 1.0));
    EXPECT_LT(ripple, std::max(1e-5, std::pow(10.0, -r.atten / 20)));
  }
}

TEST(LowPassDesign, MinimumPhaseKeepsMagnitudeAndFrontLoadsEnergy)
{
  CLowPassFilter lin, mp;
  lin.Cutoff = mp.Cutoff = 0.5;
  lin.Band = mp.Band = 8.0;
  lin.Atten = mp.Atten = 136.32;
  mp.Phase = 1;
  ASSERT_EQ(DesignLowPassFIR(lin), EStatus::kOK);
  ASSERT_EQ(DesignLowPassFIR(mp), EStatus::kOK);
  EXPECT_FALSE(mp.IsZeroPhase);
  EXPECT_EQ(mp.KernelLen, lin.KernelLen);
  const int L = 2 << mp.BlockLenBits;
  const std::vector<double> tl = KernelOf(lin), tm = KernelOf(mp);
  const int h = lin.KernelLen / 2;
  std::vector<double> a(lin.KernelLen), b(mp.KernelLen);
  for(int k = -h; k <= h; k++)
    a[k + h] = tl[(k + L) % L];
  for(int k = 0; k < mp.KernelLen; k++)
    b[k] = tm[k];
  // The cepstral method and the truncation to K taps cost some accuracy.
  for(double x = 0; x <= 0.45; x += 0.01)
    EXPECT_NEAR(Magnitude(b, x), Magnitude(a, x), 1e-4) << x;
  for(double x = 0.5; x <= 1.0; x += 0.01)
    EXPECT_LT(Magnitude(b, x), 1e-5) << x;
  // Most of the energy in the first quarter, latency well below h.
  double e = 0, front = 0;
  for(int k = 0; k < mp.KernelLen; k++)
  {
    e += b[k] * b[k];
    if(k < mp.KernelLen / 4)
      front += b[k] * b[k];
  }
  EXPECT_GT(front / e, 0.99);
  EXPECT_GT(mp.Latency + mp.FracLatency, 0.0);
  EXPECT_LT(mp.Latency, h / 2);
  EXPECT_GE(mp.FracLatency, 0.0);
  EXPECT_LT(mp.FracLatency, 1.0);
}

TEST(LowPassDesign, RefusesUnusableRequests)
{
  const double nan = std::nan(""), inf = INFINITY;
  const Request bad[] = {{0.0, 3, 100, 1},  {-0.5, 3, 100, 1}, {1.5, 3, 100, 1},  {nan, 3, 100, 1},
                         {0.5, 0, 100, 1},  {0.5, -3, 100, 1}, {0.5, nan, 100, 1}, {0.5, 100, 100, 1},
                         {0.5, 3, 0, 1},    {0.5, 3, -10, 1},  {0.5, 3, inf, 1},   {0.5, 3, 100, nan},
                         {0.5, 3, 100, inf}};
  for(const Request& r : bad)
  {
    CLowPassFilter f;
    f.Cutoff = r.cutoff;
    f.Band = r.band;
    f.Atten = r.atten;
    f.Gain = r.gain;
    EXPECT_EQ(DesignLowPassFIR(f), EStatus::kInvalidArgument) << r.cutoff << " " << r.band << " " << r.atten << " " << r.gain;
    EXPECT_EQ(f.KernelBlock, nullptr);
  }
  double k[3] = {0, 1, 0};
  double lat;
  EXPECT_EQ(ToMinimumPhase(nullptr, 3, 16, false, lat), EStatus::kInvalidArgument);
  EXPECT_EQ(ToMinimumPhase(k, 0, 16, false, lat), EStatus::kInvalidArgument);
  EXPECT_EQ(ToMinimumPhase(k, 3, 0, false, lat), EStatus::kInvalidArgument);
}
