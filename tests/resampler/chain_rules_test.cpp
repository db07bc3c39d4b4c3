// Chain construction for every kind of rate pair: the stages, their order,
// factors, cutoffs, bands, gains, half-band rows and families, the
// interpolator's rates, and the two scratch buffers they write into; then a
// sine through a matrix of rate pairs, which must keep its level and
// frequency and stay aligned with the input up to the reported fraction.

#include "resampler/CDSPBlockConvolver.h"
#include "resampler/CDSPFracInterpolator.h"
#include "resampler/CDSPHBDownsampler.h"
#include "resampler/CDSPHBUpsampler.h"
#include "resampler/CDSPResampler.h"
#include "resampler/CFracDelayFilterBank.h"

#include "tests/resampler/ResamplerTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

using namespace rsmp;
using namespace rsmptest;

namespace {

constexpr double kAtt = 136.32;

enum class EKind
{
  kBC,
  kHBUp,
  kHBDown,
  kInterp
};

// Expected stage: BC(up, down; cutoff, band, gain), HBUp / HBDown(s, family),
// or the interpolator (family, src -> dst).
struct SStage
{
  EKind kind;
  int up = 0, down = 0;
  double cutoff = 0, band = 0, gain = 0;
  int s = 0;
  bool third = false;
  double src = 0, dst = 0;
};

SStage BC(int up, int down, double cutoff, double band, double gain)
{
  SStage st{EKind::kBC};
  st.up = up;
  st.down = down;
  st.cutoff = cutoff;
  st.band = band;
  st.gain = gain;
  return st;
}

SStage HBUp(int s, bool third)
{
  SStage st{EKind::kHBUp};
  st.s = s;
  st.third = third;
  return st;
}

SStage HBDown(int s, bool third)
{
  SStage st{EKind::kHBDown};
  st.s = s;
  st.third = third;
  return st;
}

SStage Interp(bool third, double src, double dst)
{
  SStage st{EKind::kInterp};
  st.third = third;
  st.src = src;
  st.dst = dst;
  return st;
}

// The filter a half-band stage of row s and family must have chosen.
const double* HalfBandCoeffs(int s, bool third, int& taps)
{
  const double* c = nullptr;
  double att = 0;
  if(third)
    CDSPHBUpsampler::SelectHalfBand(s, kAtt, c, taps, att);
  else
    CDSPHBUpsampler::SelectSteepHalfBand(s, kAtt, c, taps, att);
  return c;
}

void ExpectChain(const CDSPResampler& r, const std::vector<SStage>& want)
{
  ASSERT_EQ(r.GetStatus(), EStatus::kOK);
  ASSERT_EQ(r.GetStageCount(), (int)want.size());
  for(size_t i = 0; i < want.size(); i++)
  {
    SCOPED_TRACE(testing::Message() << "stage " << i);
    const SStage& w = want[i];
    const CDSPProcessor* p = r.GetStage((int)i);
    switch(w.kind)
    {
    case EKind::kBC:
    {
      const auto* bc = dynamic_cast<const CDSPBlockConvolver*>(p);
      ASSERT_NE(bc, nullptr);
      EXPECT_EQ(bc->GetUpFactor(), w.up);
      EXPECT_EQ(bc->GetDownFactor(), w.down);
      EXPECT_DOUBLE_EQ(bc->GetFilter()->Cutoff, w.cutoff);
      EXPECT_DOUBLE_EQ(bc->GetFilter()->Band, w.band);
      EXPECT_DOUBLE_EQ(bc->GetFilter()->Gain, w.gain);
      EXPECT_EQ(bc->GetFilter()->Atten, kAtt);
      break;
    }
    case EKind::kHBUp:
    {
      const auto* hb = dynamic_cast<const CDSPHBUpsampler*>(p);
      ASSERT_NE(hb, nullptr);
      int taps = 0;
      const double* c = HalfBandCoeffs(w.s, w.third, taps);
      EXPECT_EQ(hb->GetTaps(), taps);
      EXPECT_EQ(std::vector<double>(hb->GetCoeffs(), hb->GetCoeffs() + hb->GetTaps()),
                std::vector<double>(c, c + taps));
      break;
    }
    case EKind::kHBDown:
    {
      const auto* hb = dynamic_cast<const CDSPHBDownsampler*>(p);
      ASSERT_NE(hb, nullptr);
      int taps = 0;
      EXPECT_EQ(hb->GetCoeffs(), HalfBandCoeffs(w.s, w.third, taps));
      EXPECT_EQ(hb->GetTaps(), taps);
      break;
    }
    case EKind::kInterp:
    {
      const auto* fi = dynamic_cast<const CDSPFracInterpolator*>(p);
      ASSERT_NE(fi, nullptr);
      ASSERT_NE(fi->GetBank(), nullptr);
      EXPECT_EQ(fi->GetBank()->IsThird, w.third);
      EXPECT_DOUBLE_EQ(fi->GetSrcSampleRate(), w.src);
      EXPECT_DOUBLE_EQ(fi->GetDstSampleRate(), w.dst);
      break;
    }
    }
  }
}

} // namespace

TEST(ResamplerChains, EveryRuleBuildsItsStagesInOrder)
{
  struct Case
  {
    double src, dst, band;
    std::vector<SStage> chain;
  };
  const double B = 3.0;
  const Case cases[] = {
    // Single-step ratios.
    {88200, 44100, B, {BC(1, 2, 0.5, B, 1)}},
    {132300, 44100, B, {BC(1, 3, 1.0 / 3, B, 1)}},
    {48000, 32000, B, {BC(2, 3, 1.0 / 3, B, 2)}},
    {32000, 48000, B, {BC(3, 2, 1.0 / 3, B, 3)}},
    {48000, 36000, B, {BC(3, 4, 0.25, B, 3)}},
    // Whole power-of-two and 3 * 2^k upsampling.
    {44100, 88200, B, {BC(2, 1, 0.5, B, 2)}},
    {44100, 705600, B, {BC(2, 1, 0.5, B, 2), HBUp(0, false), HBUp(1, false), HBUp(2, false)}},
    {44100, 132300, B, {BC(3, 1, 1.0 / 3, B, 3)}},
    {44100, 264600, B, {BC(3, 1, 1.0 / 3, B, 3), HBUp(0, true)}},
    {44100, 1058400, B, {BC(3, 1, 1.0 / 3, B, 3), HBUp(0, true), HBUp(1, true), HBUp(2, true)}},
    // Downsampling by 2 or more: the most relaxed half-band first.
    {705600, 44100, B, {HBDown(2, false), HBDown(1, false), HBDown(0, false), BC(1, 2, 0.5, B, 0.125)}},
    {264600, 44100, B, {HBDown(0, true), BC(1, 3, 1.0 / 3, B, 0.5)}},
    {1058400, 44100, B, {HBDown(2, true), HBDown(1, true), HBDown(0, true), BC(1, 3, 1.0 / 3, B, 0.125)}},
    {96000, 44100, B, {BC(1, 1, 44100.0 / 96000, B, 1), Interp(false, 96000, 44100)}},
    {192000, 44100, B, {HBDown(0, false), BC(1, 1, 88200.0 / 192000, B, 0.5), Interp(false, 192000, 88200)}},
    {100000, 30000, B, {BC(1, 1, 0.3, B, 1), Interp(true, 100000, 30000)}},
    {200000, 30000, B, {HBDown(0, true), BC(1, 1, 0.3, B, 0.5), Interp(true, 200000, 60000)}},
    // Fractional conversion: a doubling, then the interpolator.
    {44100, 48000, B, {BC(2, 1, 0.5, B, 2), Interp(false, 88200, 48000)}},
    {48000, 44100, B, {BC(2, 1, 0.5 * 44100 / 48000, B, 2), Interp(false, 96000, 44100)}},
    // One more doubling is due (c = 1), but 88.2 -> 96 kHz steps wholly.
    {44100, 96000, B, {BC(2, 1, 0.5, B, 2), Interp(false, 88200, 96000)}},
    {44100, 96000, 8.0, {BC(2, 1, 0.5, 8.0, 2), Interp(false, 88200, 96000)}},
    // Interpolation at a lower rate, then whole doublings with the band
    // that is left between the interpolated rate and the target.
    {44100, 192000, B,
     {BC(2, 1, 0.5, B, 2), Interp(false, 352800, 192000), BC(2, 1, 0.5, (1 - 4 * 44100.0 / 192000) / 0.0175, 2),
      HBUp(0, false)}},
    {44100, 400000, B,
     {BC(2, 1, 0.5, B, 2), Interp(false, 705600, 400000), BC(2, 1, 0.5, (1 - 8 * 44100.0 / 400000) / 0.0175, 2),
      HBUp(0, false), HBUp(1, false)}},
    // A tripling fits better than a doubling: the 3 * 2^k family.
    {44100, 300000, B,
     {BC(2, 1, 0.5, B, 2), Interp(false, 529200, 300000), BC(3, 1, 1.0 / 3, (1 - 6 * 44100.0 / 300000) / 0.0175, 3),
      HBUp(0, true)}},
    // With a wide band the interpolated rate sits far below the target: the
    // band left for the doubling after it is capped at 45 %.
    {1000, 310000, 40.0,
     {BC(2, 1, 0.5, 40.0, 2), Interp(false, 128000, 310000), BC(2, 1, 0.5, 45.0, 2), HBUp(0, false), HBUp(1, false),
      HBUp(2, false), HBUp(3, false), HBUp(4, false)}},
  };
  for(const Case& c : cases)
  {
    SCOPED_TRACE(testing::Message() << c.src << " -> " << c.dst << " band " << c.band);
    CDSPResampler r(c.src, c.dst, 256, c.band, kAtt, 0);
    ExpectChain(r, c.chain);
  }
}

TEST(ResamplerChains, StagesCarryTheFractionalLatencyDownTheChain)
{
  // Minimum-phase filters leave fractions; each stage starts from the
  // previous stage's fraction and the resampler reports the last one.
  const double rates[][2] = {{44100, 8 * 44100.0}, {8 * 44100.0, 44100}, {44100, 48000}, {48000, 32000}};
  for(const auto& rr : rates)
  {
    SCOPED_TRACE(testing::Message() << rr[0] << " -> " << rr[1]);
    CDSPResampler r(rr[0], rr[1], 256, 8.0, kAtt, 1);
    ASSERT_EQ(r.GetStatus(), EStatus::kOK);
    double frac = 0.0;
    for(int i = 0; i < r.GetStageCount(); i++)
    {
      const CDSPProcessor* p = r.GetStage(i);
      EXPECT_EQ(p->GetIntLatency(), 0);
      if(const auto* bc = dynamic_cast<const CDSPBlockConvolver*>(p))
      {
        const double x = bc->GetUpFactor() * frac + bc->GetFilter()->FracLatency;
        EXPECT_DOUBLE_EQ(p->GetFracLatency(), (x - std::floor(x)) / bc->GetDownFactor());
      }
      else if(dynamic_cast<const CDSPHBUpsampler*>(p))
      {
        EXPECT_DOUBLE_EQ(p->GetFracLatency(), 2 * frac - std::floor(2 * frac));
      }
      else if(dynamic_cast<const CDSPHBDownsampler*>(p))
      {
        EXPECT_DOUBLE_EQ(p->GetFracLatency(), 0.5 * frac);
      }
      frac = p->GetFracLatency();
      EXPECT_GE(frac, 0.0);
      EXPECT_LT(frac, 1.0);
    }
    EXPECT_EQ(r.GetFracLatency(), frac);
  }
}

TEST(ResamplerChains, ScratchBuffersHoldTheLargestOutputOfTheirStages)
{
  const int M = 300;
  // Up by 16: stages 0 and 2 write 2M and 8M into buffer 0, stages 1 and 3
  // write 4M and 16M into buffer 1.
  CDSPResampler up16(44100, 16 * 44100.0, M, 3.0, kAtt, 0);
  EXPECT_EQ(up16.GetScratchCapacity(0), 8 * M);
  EXPECT_EQ(up16.GetScratchCapacity(1), 16 * M);
  EXPECT_EQ(up16.GetMaxOutputLength(1), 16 * M);
  // Up by 2: one stage, one buffer.
  CDSPResampler up2(44100, 88200, M, 3.0, kAtt, 0);
  EXPECT_EQ(up2.GetScratchCapacity(0), 2 * M);
  EXPECT_EQ(up2.GetScratchCapacity(1), 0);
  // Down by 16 from an odd maximum: each halving rounds up.
  const int D = 16 * M + 3;
  CDSPResampler down16(16 * 44100.0, 44100, D, 3.0, kAtt, 0);
  const int h1 = (D + 1) / 2, h2 = (h1 + 1) / 2, h3 = (h2 + 1) / 2, h4 = (h3 + 1) / 2;
  EXPECT_EQ(down16.GetScratchCapacity(0), h1);
  EXPECT_EQ(down16.GetScratchCapacity(1), h2);
  EXPECT_EQ(down16.GetMaxOutputLength(D), h4);
  // The interpolator's bound: ceil(l * dst / src) + 1 after the doubling.
  CDSPResampler frac(44100, 48000, M, 3.0, kAtt, 0);
  EXPECT_EQ(frac.GetScratchCapacity(0), 2 * M);
  EXPECT_EQ(frac.GetScratchCapacity(1), (int)std::ceil(2.0 * M * 48000 / 88200) + 1);
  // Pass-through and refused objects have none.
  CDSPResampler same(48000, 48000, M, 3.0, kAtt, 0);
  EXPECT_EQ(same.GetScratchCapacity(0), 0);
  EXPECT_EQ(same.GetScratchCapacity(1), 0);
  EXPECT_EQ(same.GetScratchCapacity(2), 0);
  CDSPResampler bad(48000, 96000, 0, 3.0, kAtt, 0);
  EXPECT_EQ(bad.GetScratchCapacity(0), 0);
}

TEST(ResamplerChains, SineThroughAMatrixOfRatesKeepsLevelFrequencyAndAlignment)
{
  const double rates[] = {8000, 11025, 22050, 32000, 44100, 48000, 88200, 96000, 192000, 352800, 44101, 12345};
  std::mt19937 rng(7);
  for(const double src : rates)
    for(const double dst : rates)
    {
      if(src == dst)
        continue;
      SCOPED_TRACE(testing::Message() << src << " -> " << dst);
      const int maxIn = 300;
      CDSPResampler r(src, dst, maxIn, 3.0, kAtt, 0);
      ASSERT_EQ(r.GetStatus(), EStatus::kOK);
      // A tone well inside the lower rate's pass band.
      const double f = std::min(src, dst) * 0.15 + 0.37;
      const size_t n = (size_t)std::max(40000.0, src * 0.4);
      std::vector<double> y;
      std::vector<double> in;
      size_t pos = 0;
      while(pos < n)
      {
        const int l = (int)std::min<size_t>(std::uniform_int_distribution<int>(0, maxIn)(rng), n - pos);
        in.resize(l);
        for(int i = 0; i < l; i++)
          in[i] = std::sin(2 * M_PI * f * double(pos + i) / src);
        double* op = nullptr;
        const int got = r.ProcessSamples(in.data(), l, op);
        ASSERT_GE(got, 0);
        ASSERT_LE(got, r.GetMaxOutputLength(l));
        y.insert(y.end(), op, op + got);
        pos += l;
      }
      // All but a fixed latency comes out.
      const double missing = double(n) * dst / src - double(y.size());
      EXPECT_GT(missing, 0.0);
      EXPECT_LT(missing, 0.2 * dst);
      // Least-squares sine at f over the middle of the output.
      const size_t n0 = y.size() / 3, n1 = y.size() * 9 / 10;
      const auto [a, b, residual] =
        FitSine(y, n0, n1, [&](size_t i) { return 2 * M_PI * f * double(i) / dst; });
      EXPECT_NEAR(std::hypot(a, b), 1.0, 1e-4);
      EXPECT_LT(10 * std::log10(residual), -100.0);
      // Delay in output samples: the reported fraction, nothing more.
      const double delay = -std::atan2(b, a) / (2 * M_PI * f) * dst;
      EXPECT_NEAR(delay, r.GetFracLatency(), 0.01);
    }
}

TEST(ResamplerChains, NonFiniteBurstLeavesNoLastingTrace)
{
  // NaN and infinity pass through the filters like any sample, but once they
  // have left every filter's reach the output is clean again.
  const double pairs[][2] = {{44100, 88200}, {44100, 705600}, {705600, 44100}, {44100, 48000},
                             {96000, 44100}, {48000, 32000}, {32000, 48000}, {44100, 300000}};
  for(const auto& p : pairs)
  {
    SCOPED_TRACE(testing::Message() << p[0] << " -> " << p[1]);
    const int block = 256;
    CDSPResampler r(p[0], p[1], block, 3.0, kAtt, 0);
    ASSERT_EQ(r.GetStatus(), EStatus::kOK);
    std::vector<double> in(block);
    long total = 0, lastNonZero = -1, firstBad = -1;
    for(int call = 0; call < 300; call++)
    {
      std::fill(in.begin(), in.end(), 0.0);
      if(call == 10)
        in[0] = in[1] = in[2] = std::nan("");
      if(call == 11)
        in[3] = INFINITY, in[4] = -INFINITY;
      double* op = nullptr;
      const int n = r.ProcessSamples(in.data(), block, op);
      ASSERT_GE(n, 0);
      for(int j = 0; j < n; j++)
      {
        if(op[j] != 0.0)
          lastNonZero = total + j;
        if(firstBad < 0 && !std::isfinite(op[j]))
          firstBad = total + j;
      }
      total += n;
    }
    EXPECT_GE(firstBad, 0); // the burst did come through
    // Silence resumes within a few filter lengths of the burst.
    EXPECT_LT(lastNonZero, (long)(16 * block * p[1] / p[0]) + 20000);
    EXPECT_LT(lastNonZero, total / 2);
  }
}

TEST(ResamplerChains, RandomRequestsAreBuiltOrRefusedAndStayWithinTheirBounds)
{
  std::mt19937 rng(2024);
  auto uni = [&](double a, double b) { return std::uniform_real_distribution<double>(a, b)(rng); };
  const double ratios[] = {2, 3, 1.5, 4.0 / 3, 0.5, 1.0 / 3, 2.0 / 3, 0.75, 16, 1.0 / 16, 6, 1.0 / 6, 12, 1.0 / 24};
  int built = 0;
  for(int it = 0; it < 120; it++)
  {
    double src = std::exp(uni(std::log(100.0), std::log(1e6)));
    double dst = std::exp(uni(std::log(100.0), std::log(1e6)));
    if(it % 3 == 0)
      src = std::round(src), dst = std::round(dst);
    if(it % 4 == 0)
      dst = src * ratios[(it / 4) % 14];
    const double band = std::exp(uni(std::log(0.5), std::log(99.0)));
    const double att = uni(20, 260);
    const int maxIn = std::uniform_int_distribution<int>(1, 3000)(rng);
    const int phase = it & 1;
    SCOPED_TRACE(testing::Message() << src << " -> " << dst << " band " << band << " att " << att << " max "
                                    << maxIn << " phase " << phase);
    CDSPResampler r(src, dst, maxIn, band, att, phase);
    if(r.GetStatus() != EStatus::kOK)
    {
      // A refusal is a design the fitted formulas cannot serve: a very low
      // attenuation, or a band too wide for fractional conversion.
      EXPECT_EQ(r.GetStatus(), EStatus::kInvalidArgument);
      EXPECT_TRUE(att < 25.0 || band > 100.0 / 1.75) << StatusText(r.GetStatus());
      EXPECT_EQ(r.GetStageCount(), 0);
      double x = 0, *op = nullptr;
      EXPECT_EQ(r.ProcessSamples(&x, 1, op), kProcessRefused);
      continue;
    }
    built++;
    std::vector<double> in(maxIn);
    for(int call = 0; call < 12; call++)
    {
      const int l = std::uniform_int_distribution<int>(0, maxIn)(rng);
      for(int i = 0; i < l; i++)
        in[i] = uni(-1, 1);
      double* op = nullptr;
      const int n = r.ProcessSamples(in.data(), l, op);
      ASSERT_GE(n, 0);
      ASSERT_LE(n, r.GetMaxOutputLength(l));
      for(int j = 0; j < n; j++)
        ASSERT_TRUE(std::isfinite(op[j]) && std::fabs(op[j]) < 10.0) << op[j];
    }
  }
  EXPECT_GT(built, 90);
}

TEST(ResamplerChains, MinimumPhaseFractionalChainsReportTheirResidualDelay)
{
  // Minimum-phase filters leave fractions that the interpolator and the
  // stages after it carry on; at a low frequency (where the group delay is
  // the filters' DC delay) the output lags the input by the reported fraction.
  const double rates[][2] = {{24000, 32000}, {64000, 24000}, {24000, 64000}, {44100, 48000},
                             {100000, 768000}, {8000, 705600}, {192000, 44100}};
  for(const auto& rr : rates)
  {
    const double src = rr[0], dst = rr[1];
    SCOPED_TRACE(testing::Message() << src << " -> " << dst);
    CDSPResampler r(src, dst, 512, 8.0, kAtt, 1);
    ASSERT_EQ(r.GetStatus(), EStatus::kOK);
    const double f = std::min(src, dst) * 0.004;
    const size_t n = (size_t)std::max(60000.0, src * 0.5);
    std::vector<double> x(n);
    for(size_t i = 0; i < n; i++)
      x[i] = std::sin(2 * M_PI * f * double(i) / src);
    std::vector<double> y;
    for(size_t pos = 0; pos < n; pos += 512)
    {
      std::vector<double> in(x.begin() + pos, x.begin() + std::min(n, pos + 512));
      double* op = nullptr;
      const int got = r.ProcessSamples(in.data(), (int)in.size(), op);
      ASSERT_GE(got, 0);
      y.insert(y.end(), op, op + got);
    }
    const size_t n0 = y.size() / 3, n1 = y.size() * 9 / 10;
    const auto [a, b, residual] =
      FitSine(y, n0, n1, [&](size_t i) { return 2 * M_PI * f * double(i) / dst; });
    EXPECT_NEAR(std::hypot(a, b), 1.0, 1e-5);
    EXPECT_NEAR(-std::atan2(b, a) / (2 * M_PI * f) * dst, r.GetFracLatency(), 0.02);
  }
}
