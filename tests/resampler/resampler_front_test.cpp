#include "resampler/CDSPBlockConvolver.h"
#include "resampler/CDSPFracInterpolator.h"
#include "resampler/CDSPHBDownsampler.h"
#include "resampler/CDSPHBUpsampler.h"
#include "resampler/CDSPResampler.h"

#include "tests/resampler/ResamplerTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

using namespace rsmp;
using namespace rsmptest;

namespace {

constexpr double kAtt = 136.32;

std::vector<double> RunChain(CDSPResampler& r, const std::vector<double>& x, const std::vector<int>& sizes,
                             std::vector<int>* counts = nullptr)
{
  std::vector<double> out;
  std::vector<double> in;
  size_t pos = 0, si = 0;
  while(pos < x.size())
  {
    const int l = (int)std::min<size_t>(sizes[si++ % sizes.size()], x.size() - pos);
    // The converter may read its input in place: hand it a copy.
    in.assign(x.begin() + pos, x.begin() + pos + l);
    double* op = nullptr;
    const int n = r.ProcessSamples(in.data(), l, op);
    EXPECT_GE(n, 0);
    EXPECT_LE(n, r.GetMaxOutputLength(l));
    if(n > 0)
      out.insert(out.end(), op, op + n);
    if(counts)
      counts->push_back(n);
    pos += l;
  }
  return out;
}

// Sum of sines with random frequencies below maxFreq (fraction of the rate).
std::vector<double> MultiTone(int n, double maxFreq, unsigned seed, int tones = 24)
{
  std::mt19937 rng(seed);
  std::uniform_real_distribution<double> f(0.001, maxFreq), ph(0, 2 * M_PI);
  std::vector<double> x(n, 0.0);
  for(int t = 0; t < tones; t++)
  {
    const double w = 2 * M_PI * f(rng), p = ph(rng);
    for(int i = 0; i < n; i++)
      x[i] += std::sin(w * i + p) / tones;
  }
  return x;
}

const CDSPBlockConvolver* BC(const CDSPResampler& r, int i)
{
  return dynamic_cast<const CDSPBlockConvolver*>(r.GetStage(i));
}

} // namespace

TEST(Resampler, EqualRatesPassTheInputThrough)
{
  CDSPResampler24_44k r(48000, 48000, 256, 3.0, kAtt, 0);
  EXPECT_EQ(r.GetStatus(), EStatus::kOK);
  EXPECT_EQ(r.GetStageCount(), 0);
  EXPECT_EQ(r.GetMaxOutputLength(7), 256);
  EXPECT_EQ(r.GetFracLatency(), 0.0);
  EXPECT_EQ(r.GetIntLatency(), 0);
  double in[256] = {1, 2, 3};
  double* op = nullptr;
  EXPECT_EQ(r.ProcessSamples(in, 200, op), 200);
  EXPECT_EQ(op, in);
  EXPECT_EQ(r.ProcessSamples(in, 0, op), 0);
  r.ClearState();
}

TEST(Resampler, RefusesInvalidRequestsAndCalls)
{
  const double nan = std::nan(""), inf = INFINITY;
  const double badRates[] = {0.0, -44100.0, nan, inf, -inf};
  for(double bad : badRates)
  {
    CDSPResampler a(bad, 48000, 64, 3.0, kAtt, 0);
    EXPECT_EQ(a.GetStatus(), EStatus::kInvalidRate) << bad;
    CDSPResampler b(48000, bad, 64, 3.0, kAtt, 0);
    EXPECT_EQ(b.GetStatus(), EStatus::kInvalidRate) << bad;
    CDSPResampler c(bad, bad, 64, 3.0, kAtt, 0); // even "equal" invalid rates
    EXPECT_EQ(c.GetStatus(), EStatus::kInvalidRate) << bad;
    double in[4] = {}, *op = nullptr;
    EXPECT_EQ(a.ProcessSamples(in, 4, op), kProcessRefused);
    EXPECT_EQ(op, nullptr);
    EXPECT_EQ(a.GetStageCount(), 0);
    a.ClearState();
  }
  for(int bad : {0, -1, -1000})
  {
    CDSPResampler r(44100, 88200, bad, 3.0, kAtt, 0);
    EXPECT_EQ(r.GetStatus(), EStatus::kInvalidLength) << bad;
    CDSPResampler p(44100, 44100, bad, 3.0, kAtt, 0);
    EXPECT_EQ(p.GetStatus(), EStatus::kInvalidLength) << bad;
  }
  const double badBands[] = {0.0, -3.0, nan, inf, 100.0};
  for(double bad : badBands)
  {
    CDSPResampler r(44100, 88200, 64, bad, kAtt, 0);
    EXPECT_EQ(r.GetStatus(), EStatus::kInvalidArgument) << bad;
  }
  const double badAtts[] = {0.0, -10.0, nan, inf};
  for(double bad : badAtts)
  {
    CDSPResampler r(44100, 88200, 64, 3.0, bad, 0);
    EXPECT_EQ(r.GetStatus(), EStatus::kInvalidArgument) << bad;
  }
  // A band so wide that fractional conversion has no usable threshold.
  CDSPResampler wide(44100, 48000, 64, 60.0, kAtt, 0);
  EXPECT_EQ(wide.GetStatus(), EStatus::kInvalidArgument);
  // A huge maximum input length cannot be served: a clear error, no crash.
  CDSPResampler huge(44100, 44100.0 * 256, 1 << 30, 3.0, kAtt, 0);
  EXPECT_NE(huge.GetStatus(), EStatus::kOK);

  // Calls outside the bounds a valid object was built for.
  CDSPResampler r(44100, 88200, 64, 3.0, kAtt, 0);
  ASSERT_EQ(r.GetStatus(), EStatus::kOK);
  std::vector<double> in(65, 0.5);
  double* op = nullptr;
  EXPECT_EQ(r.ProcessSamples(in.data(), 65, op), kProcessRefused);
  EXPECT_EQ(r.ProcessSamples(in.data(), -1, op), kProcessRefused);
  EXPECT_EQ(r.ProcessSamples(nullptr, 8, op), kProcessRefused);
  EXPECT_EQ(op, nullptr);
  EXPECT_EQ(r.ProcessSamples(nullptr, 0, op), 0);
  // Refused calls left no trace: the stream equals a fresh object's.
  CDSPResampler fresh(44100, 88200, 64, 3.0, kAtt, 0);
  const std::vector<double> x = Noise(5000, 9);
  EXPECT_EQ(RunChain(r, x, {64}), RunChain(fresh, x, {64}));
  EXPECT_STRNE(StatusText(EStatus::kInvalidRate), StatusText(EStatus::kOK));
}

TEST(Resampler, SingleConvolverChains)
{
  struct Case
  {
    double src, dst;
    int up, down;
    double cutoff, gain;
  } cases[] = {
    {44100, 88200, 2, 1, 0.5, 2.0},       {88200, 44100, 1, 2, 0.5, 1.0},       {48000, 32000, 2, 3, 1.0 / 3, 2.0},
    {32000, 48000, 3, 2, 1.0 / 3, 3.0},   {96000, 32000, 1, 3, 1.0 / 3, 1.0},   {32000, 96000, 3, 1, 1.0 / 3, 3.0},
    {48000, 36000, 3, 4, 0.25, 3.0},
  };
  for(const Case& c : cases)
  {
    SCOPED_TRACE(testing::Message() << c.src << " -> " << c.dst);
    CDSPResampler r(c.src, c.dst, 300, 3.0, kAtt, 0);
    ASSERT_EQ(r.GetStatus(), EStatus::kOK);
    ASSERT_EQ(r.GetStageCount(), 1);
    const CDSPBlockConvolver* bc = BC(r, 0);
    ASSERT_NE(bc, nullptr);
    EXPECT_EQ(bc->GetUpFactor(), c.up);
    EXPECT_EQ(bc->GetDownFactor(), c.down);
    EXPECT_EQ(bc->GetFilter()->Gain, c.gain);
    EXPECT_DOUBLE_EQ(bc->GetFilter()->Cutoff, c.cutoff);
    EXPECT_EQ(r.GetMaxOutputLength(0), (300 * c.up + c.down - 1) / c.down);
    EXPECT_EQ(r.GetFracLatency(), 0.0);
  }
}

TEST(Resampler, PowerOfTwoChainsHaveTheExpectedStages)
{
  const double sr = 44100;
  for(int k = 2; k <= 256; k *= 2)
  {
    SCOPED_TRACE(k);
    int c = 0;
    while((2 << c) < k)
      c++;
    CDSPResampler up(sr, k * sr, 512, 3.0, kAtt, 0);
    ASSERT_EQ(up.GetStatus(), EStatus::kOK);
    ASSERT_EQ(up.GetStageCount(), 1 + c);
    ASSERT_NE(BC(up, 0), nullptr);
    EXPECT_EQ(BC(up, 0)->GetUpFactor(), 2);
    EXPECT_EQ(BC(up, 0)->GetFilter()->Gain, 2.0);
    for(int s = 0; s < c; s++)
      EXPECT_NE(dynamic_cast<const CDSPHBUpsampler*>(up.GetStage(1 + s)), nullptr);
    EXPECT_EQ(up.GetMaxOutputLength(0), k * 512);

    CDSPResampler down(k * sr, sr, 16 * 512, 3.0, kAtt, 0);
    ASSERT_EQ(down.GetStatus(), EStatus::kOK);
    ASSERT_EQ(down.GetStageCount(), 1 + c);
    for(int s = 0; s < c; s++)
      EXPECT_NE(dynamic_cast<const CDSPHBDownsampler*>(down.GetStage(s)), nullptr);
    const CDSPBlockConvolver* last = BC(down, c);
    ASSERT_NE(last, nullptr);
    EXPECT_EQ(last->GetDownFactor(), 2);
    EXPECT_EQ(last->GetFilter()->Gain, std::ldexp(1.0, -c));
    int bound = 16 * 512;
    for(int f = 1; f < k; f *= 2)
      bound = (bound + 1) / 2;
    EXPECT_EQ(down.GetMaxOutputLength(0), bound);
  }
}

TEST(Resampler, UpThenDownRoundTripNullsABandLimitedSignal)
{
  for(double band : {3.0, 8.0})
  {
    const double sr = band == 3.0 ? 44100 : 48000;
    for(int k = 2; k <= 16; k *= 2)
    {
      SCOPED_TRACE(testing::Message() << "k=" << k << " band=" << band);
      const int block = 256;
      CDSPResampler up(sr, k * sr, block, band, kAtt, 0);
      CDSPResampler down(k * sr, sr, k * block, band, kAtt, 0);
      ASSERT_EQ(up.GetStatus(), EStatus::kOK);
      ASSERT_EQ(down.GetStatus(), EStatus::kOK);
      // Tones in the pass band: below (1 - 0.0175 band) of the base Nyquist.
      const std::vector<double> x = MultiTone(block * 160, 0.5 * (1 - 0.0175 * band) * 0.98, 17 + k);
      std::vector<double> y;
      std::vector<double> mid;
      for(size_t pos = 0; pos < x.size(); pos += block)
      {
        std::vector<double> in(x.begin() + pos, x.begin() + pos + block);
        double* op = nullptr;
        const int n = up.ProcessSamples(in.data(), block, op);
        ASSERT_GE(n, 0);
        mid.assign(op, op + n);
        double* op2 = nullptr;
        const int m = down.ProcessSamples(mid.data(), n, op2);
        ASSERT_GE(m, 0);
        y.insert(y.end(), op2, op2 + m);
      }
      // Time-aligned up to the pair's latency: y lags by none, it is short by it.
      const size_t lat = x.size() - y.size();
      EXPECT_GT(lat, 0u);
      EXPECT_LT(lat, 4000u);
      // Skip the start-up transient of the abrupt onset.
      double e = 0, s = 0;
      for(size_t i = 4000; i < y.size(); i++)
      {
        e += (y[i] - x[i]) * (y[i] - x[i]);
        s += x[i] * x[i];
      }
      const double nullDb = 10 * std::log10(e / s);
      EXPECT_LT(nullDb, -120.0);
    }
  }
}

TEST(Resampler, AnySplitGivesOnePassOutputAndClearStateEqualsFresh)
{
  struct Case
  {
    double src, dst;
    int maxIn;
  } cases[] = {{44100, 88200, 700}, {88200, 44100, 700}, {48000, 32000, 700}, {32000, 48000, 700},
               {44100, 16 * 44100.0, 700}, {16 * 44100.0, 44100, 2048}, {44100, 48000, 700}, {48000, 44100, 700},
               {96000, 44100, 700}, {44100, 96000, 700}, {44100, 176400 * 1.5, 700}};
  for(const Case& c : cases)
  {
    SCOPED_TRACE(testing::Message() << c.src << " -> " << c.dst);
    CDSPResampler r(c.src, c.dst, c.maxIn, 3.0, kAtt, 0);
    ASSERT_EQ(r.GetStatus(), EStatus::kOK);
    const std::vector<double> x = Noise(40000, 3);
    const std::vector<double> whole = RunChain(r, x, {c.maxIn});
    EXPECT_GT(whole.size(), 0u);
    std::mt19937 rng((unsigned)c.dst);
    std::vector<int> sizes(100);
    for(int& s : sizes)
      s = std::uniform_int_distribution<int>(0, c.maxIn)(rng);
    r.ClearState();
    EXPECT_EQ(RunChain(r, x, sizes), whole);
    r.ClearState();
    EXPECT_EQ(RunChain(r, x, {1}), whole);
    CDSPResampler fresh(c.src, c.dst, c.maxIn, 3.0, kAtt, 0);
    EXPECT_EQ(RunChain(fresh, x, {c.maxIn / 3 + 1}), whole);
  }
}

TEST(Resampler, FilledPipelineReturnsExactlyTheRatio)
{
  for(int k = 2; k <= 16; k *= 2)
  {
    CDSPResampler up(48000, k * 48000.0, 128, 8.0, kAtt, 0);
    CDSPResampler down(k * 48000.0, 48000, k * 128, 8.0, kAtt, 0);
    std::vector<int> upCounts, downCounts;
    const std::vector<double> x = Noise(128 * 200, 1);
    const std::vector<double> mid = RunChain(up, x, {128}, &upCounts);
    RunChain(down, mid, {k * 128}, &downCounts);
    // After the pipeline filled every call delivers its full count.
    for(size_t i = 50; i < upCounts.size(); i++)
      ASSERT_EQ(upCounts[i], k * 128) << "up k=" << k << " call " << i;
    for(size_t i = 60; i + 1 < downCounts.size(); i++)
      ASSERT_EQ(downCounts[i], 128) << "down k=" << k << " call " << i;
  }
  // An impulse through the 2x up converter comes out at output 0.
  CDSPResampler up(44100, 88200, 4096, 3.0, kAtt, 0);
  std::vector<double> imp(4096, 0.0);
  imp[0] = 1.0;
  const std::vector<double> y = RunChain(up, imp, {4096});
  ASSERT_EQ(y.size(), 2u * 4096 - 1688);
  const auto peak = std::max_element(y.begin(), y.end(), [](double a, double b) { return std::fabs(a) < std::fabs(b); });
  EXPECT_EQ(peak - y.begin(), 0);
  EXPECT_NEAR(y[0], 1.0, 0.05); // centre tap of a half-band-like gain-2 filter
}

TEST(Resampler, FractionalRatiosBuildTheInterpolatorChains)
{
  // 44.1 -> 48: doubling convolver, then whole-stepping interpolator 147:80.
  CDSPResampler a(44100, 48000, 512, 3.0, kAtt, 0);
  ASSERT_EQ(a.GetStatus(), EStatus::kOK);
  ASSERT_EQ(a.GetStageCount(), 2);
  EXPECT_EQ(BC(a, 0)->GetUpFactor(), 2);
  EXPECT_NE(dynamic_cast<const CDSPFracInterpolator*>(a.GetStage(1)), nullptr);
  // 96 -> 44.1 (down by more than 2, not a whole ratio): half-band down,
  // convolver, interpolator.
  CDSPResampler b(96000, 44100, 512, 3.0, kAtt, 0);
  ASSERT_EQ(b.GetStatus(), EStatus::kOK);
  ASSERT_EQ(b.GetStageCount(), 2);
  EXPECT_NE(BC(b, 0), nullptr);
  EXPECT_EQ(BC(b, 0)->GetDownFactor(), 1);
  EXPECT_NE(dynamic_cast<const CDSPFracInterpolator*>(b.GetStage(1)), nullptr);
  // 44.1 -> 192 needs more than a doubling before the interpolator.
  CDSPResampler c(44100, 192000, 512, 3.0, kAtt, 0);
  ASSERT_EQ(c.GetStatus(), EStatus::kOK);
  EXPECT_GE(c.GetStageCount(), 3);
  EXPECT_NE(dynamic_cast<const CDSPFracInterpolator*>(c.GetStage(1)), nullptr);
}

TEST(Resampler, SineKeepsItsFrequencyThroughFractionalRatios)
{
  const double rates[][2] = {{44100, 48000}, {48000, 44100}, {44100, 96000}, {96000, 44100}};
  for(const auto& rr : rates)
  {
    const double src = rr[0], dst = rr[1];
    SCOPED_TRACE(testing::Message() << src << " -> " << dst);
    CDSPResampler r(src, dst, 512, 3.0, kAtt, 0);
    ASSERT_EQ(r.GetStatus(), EStatus::kOK);
    const double f = 997.0;
    std::vector<double> x((size_t)src);
    for(size_t i = 0; i < x.size(); i++)
      x[i] = std::sin(2 * M_PI * f * i / src);
    const std::vector<double> y = RunChain(r, x, {512});
    const size_t n0 = (size_t)(dst * 0.2), n1 = (size_t)(dst * 0.8);
    ASSERT_GT(y.size(), n1);
    // Least-squares fit of a sine at f (at the new rate): amplitude 1 and a
    // tiny residual mean the frequency and level came through.
    const auto [a, b, residual] = FitSine(y, n0, n1, [&](size_t i) { return 2 * M_PI * f * i / dst; });
    EXPECT_NEAR(std::hypot(a, b), 1.0, 1e-4);
    EXPECT_LT(10 * std::log10(residual), -100.0);
    // Time-aligned: the output's phase matches the input's at the same instant.
    EXPECT_LT(std::fabs(std::atan2(b, a)), 0.05);
  }
}

TEST(Resampler, MinimumPhaseChainsDelayBySubSampleFractionOnly)
{
  // Every stage withholds its whole-sample delay, so what remains of a
  // minimum-phase chain's delay is the fraction it reports.
  const double rates[][2] = {{44100, 88200}, {88200, 44100}, {44100, 8 * 44100.0}, {8 * 44100.0, 44100}, {48000, 32000}};
  for(const auto& rr : rates)
  {
    const double src = rr[0], dst = rr[1];
    SCOPED_TRACE(testing::Message() << src << " -> " << dst);
    CDSPResampler r(src, dst, 512, 8.0, kAtt, 1);
    ASSERT_EQ(r.GetStatus(), EStatus::kOK);
    const double frac = r.GetFracLatency();
    EXPECT_GE(frac, 0.0);
    EXPECT_LT(frac, 1.0);
    const double f = 500.0;
    std::vector<double> x((size_t)(src / 2));
    for(size_t i = 0; i < x.size(); i++)
      x[i] = std::sin(2 * M_PI * f * i / src);
    const std::vector<double> y = RunChain(r, x, {512});
    const size_t n0 = y.size() / 4, n1 = y.size() * 3 / 4;
    const auto [a, b, residual] = FitSine(y, n0, n1, [&](size_t i) { return 2 * M_PI * f * i / dst; });
    EXPECT_NEAR(std::hypot(a, b), 1.0, 1e-6);
    const double delay = -std::atan2(b, a) / (2 * M_PI * f) * dst; // in output samples
    EXPECT_NEAR(delay, frac, 0.02);
  }
}
