// The low-pass designer with the measured attenuation-correction tables:
// every design reaches the stop-band attenuation it was asked for, measured
// on the impulse response recovered from the filter's stored spectrum.

#include "resampler/CLowPassCache.h"
#include "resampler/CLowPassFilter.h"
#include "tools/RsmpSpectrum.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using namespace rsmp;

namespace {

// Taps -h ... h of a linear-phase filter from its packed spectrum (each real
// gain stored in both slots of its pair).
std::vector<double> TapsOf(const CLowPassFilter& f)
{
  const int L = 2 << f.BlockLenBits;
  const int h = f.Latency;
  const double* b = f.KernelBlock;
  std::vector<double> cosTab(L);
  for (int i = 0; i < L; ++i)
    cosTab[i] = std::cos(2 * M_PI * i / L);
  std::vector<double> taps(2 * h + 1);
  for (int j = 0; j <= h; ++j)
  {
    long double s = b[0] + ((j & 1) ? -b[1] : b[1]);
    for (int k = 1; k < L / 2; ++k)
      s += 2.0L * b[2 * k] * cosTab[(long(j) * k) % L];
    taps[h + j] = taps[h - j] = double(s / L);
  }
  return taps;
}

struct Request
{
  double cutoff, band, atten, gain;
};

double Reached(const Request& r, double* dcGain = nullptr)
{
  CLowPassFilter* f = CLowPassCache::Get(r.cutoff, r.band, r.atten, 0, r.gain);
  EXPECT_NE(f, nullptr);
  if (!f)
    return 0;
  const std::vector<double> taps = TapsOf(*f);
  if (dcGain)
  {
    double s = 0;
    for (double t : taps)
      s += t;
    // The stored spectrum carries the inverse transform's 2/L.
    *dcGain = s * (2 << f->BlockLenBits) / 2;
  }
  const double att = rsmptools::StopBandAttenuation(taps, r.cutoff);
  CLowPassCache::Release(f);
  return att;
}

} // namespace

TEST(LowPassAttenuation, LimiterFiltersReachTheirAttenuation)
{
  for (double band : {3.0, 8.0})
    for (double gain : {2.0, 1.0, 0.125})
    {
      double dc = 0;
      EXPECT_GE(Reached({0.5, band, 136.32, gain}, &dc), 136.32) << band;
      EXPECT_NEAR(dc, gain, 1e-12 * gain);
    }
}

TEST(LowPassAttenuation, EveryBandClassReachesTheRequest)
{
  // Bands and cutoffs the tables were measured on, attenuations across the
  // tables' range.
  const Request exact[] = {
    {0.5, 1.5, 80.0, 1}, {0.5, 2.0, 100.0, 1}, {1.0 / 3, 5.0, 180.0, 1}, {0.5, 9.5, 70.0, 1},
    {0.5, 6.5, 215.0, 1}, {0.5, 12.0, 150.0, 1}, {1.0 / 3, 21.0, 90.0, 1}, {0.5, 24.5, 200.0, 1},
    {0.5, 28.0, 120.0, 1}, {1.0 / 3, 38.0, 200.0, 1}, {0.5, 45.0, 60.0, 1}, {0.5, 25.0, 160.0, 1},
  };
  for (const Request& r : exact)
    EXPECT_GE(Reached(r), r.atten) << r.cutoff << " " << r.band << " " << r.atten;

  // Between the measured bands and at other cutoffs the fit may fall short
  // by a little, never by much.
  const Request between[] = {
    {0.25, 3.0, 136.32, 1}, {0.5, 7.2, 111.0, 1}, {0.5, 16.5, 133.0, 1},
    {0.4, 31.0, 99.0, 1},   {0.5, 41.0, 177.0, 1}, {0.2, 4.4, 150.0, 1},
  };
  for (const Request& r : between)
    EXPECT_GE(Reached(r), r.atten - 0.5) << r.cutoff << " " << r.band << " " << r.atten;
}
