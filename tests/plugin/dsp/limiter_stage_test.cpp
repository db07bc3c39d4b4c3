// The limiter stage and its peak follower against a plain reference written
// independently of the engine's code, plus the stage's documented edge cases.

#include "plugin/dsp/ILimiterStage.h"
#include "plugin/dsp/FollowerPair.h"
#include "plugin/dsp/LimiterStagePair.h"

#include "tests/plugin/dsp/ReferenceLimiter.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <random>
#include <vector>

using namespace reference;

namespace {

void SetUpStage(ILimiterStage& s, double fs, int lookAhead, double gainDb, double attackMs,
                double releaseMs, int autoR, double ceiling, bool volume)
{
  ASSERT_TRUE(s.Configure(fs, lookAhead));
  s.ApplyCoefficients(ILimiterStage::ComputeCoeffs(gainDb, attackMs, releaseMs, autoR, ceiling, volume, fs,
                                                   s.lookAheadMs));
}

// Programme-like test signal: noise bursts, sines, silences and DC runs.
std::vector<double> MakeSignal(std::mt19937& rng, int n)
{
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  std::vector<double> x(n);
  int i = 0;
  while (i < n)
  {
    const int len = std::min(n - i, 50 + static_cast<int>(rng() % 3000));
    const int kind = static_cast<int>(rng() % 5);
    const double amp = std::pow(10.0, -2.0 * (rng() % 1000) / 1000.0) * 1.5;
    const double freq = 0.001 + 0.2 * (rng() % 1000) / 1000.0;
    for (int k = 0; k < len; ++k, ++i)
    {
      switch (kind)
      {
        case 0: x[i] = amp * u(rng); break;
        case 1: x[i] = amp * std::sin(freq * k); break;
        case 2: x[i] = 0.0; break;
        case 3: x[i] = amp * 0.3; break;
        default: x[i] = amp * (std::sin(freq * k) + 0.3 * u(rng)); break;
      }
    }
  }
  return x;
}

void ExpectClose(double expected, double actual, const char* what, int i)
{
  const double tol = 1e-12 * std::max(1.0, std::fabs(expected));
  ASSERT_NEAR(expected, actual, tol) << what << " at sample " << i;
}

} // namespace

TEST(LimiterStage, MatchesReferenceOnRandomSignals)
{
  std::mt19937 rng(1234);
  struct Case
  {
    double fs;
    int lookAhead, mode, autoR;
    double gain, attack, release, ceiling;
    bool volume;
  };
  const Case cases[] = {
    {44100, 0, 2, 0, 6.0, 0.0, 0.0, 0.0, false},    {48000, 1, 2, 1, 12.0, 1.0, 0.0, -0.1, false},
    {48000, 0, 1, 0, 9.0, 0.0, 50.0, -3.0, false},  {96000, 1, 1, 1, 3.0, 5.0, 200.0, -12.0, false},
    {88200, 0, 3, 0, 18.0, 0.3, 10.0, -6.0, false}, {44100, 1, 3, 1, 24.0, 0.0, 0.0, 0.0, true},
    {768000, 0, 2, 1, 10.0, 0.01, 1.0, -1.0, false}, {48000, 0, 0, 1, 6.0, 0.0, 0.0, -0.5, false},
    {192000, 1, 2, 0, 0.0, 1000.0, 1000.0, -24.0, true},
  };
  for (const Case& c : cases)
  {
    SCOPED_TRACE(testing::Message() << "fs " << c.fs << " mode " << c.mode << " auto " << c.autoR
                                    << " lookahead " << c.lookAhead);
    ILimiterStage s;
    SetUpStage(s, c.fs, c.lookAhead, c.gain, c.attack, c.release, c.autoR, c.ceiling, c.volume);
    RefStage ref(c.fs, c.lookAhead, c.gain, c.attack, c.release, c.autoR, c.ceiling, c.volume);
    const std::vector<double> x = MakeSignal(rng, 40000);
    for (int i = 0; i < static_cast<int>(x.size()); ++i)
    {
      const double want = ref.Process(c.mode, x[i]);
      const double got = s.ProcessSample(c.mode, x[i]);
      ExpectClose(want, got, "output", i);
      ExpectClose(ref.gain, s.gain, "gain", i);
      ExpectClose(ref.scaledGain, s.scaledGain, "scaled gain", i);
    }
  }
}

TEST(LimiterStage, SilenceIsDelayedByTheLookAheadAtUnityGain)
{
  for (int lookAhead : {0, 1})
  {
    const int delay = lookAhead == 1 ? 2560 : 512;
    for (int mode : {1, 2, 3})
    {
      ILimiterStage s;
      SetUpStage(s, 48000, lookAhead, 0.0, 0.0, 0.0, 0, 0.0, false);
      // An impulse small enough to stay below the threshold comes out after
      // exactly the look-ahead.
      std::vector<double> out;
      std::vector<double> gains;
      for (int i = 0; i < delay + 10; ++i)
      {
        out.push_back(s.ProcessSample(mode, i == 3 ? 0.25 : 0.0));
        gains.push_back(s.gain);
      }
      for (int i = 0; i < delay + 10; ++i)
        EXPECT_EQ(out[i], i == delay + 3 ? 0.25 : 0.0) << "mode " << mode << " sample " << i;
      // Nothing is limited, so no mode reports any reduction, from the
      // first read-out on.
      for (int i = 0; i < delay + 10; ++i)
        ASSERT_EQ(gains[i], 1.0) << "mode " << mode << " sample " << i;
    }
  }
}

TEST(LimiterStage, SquareWaveHalfWavesEachStoreOneGain)
{
  // Mode 1, Gain 6, Ceiling 0, Attack 0: input gain 2; each half-wave of a
  // unit square wave is one segment with peak 2 and stores gain 0.5.
  ILimiterStage s;
  SetUpStage(s, 48000, 0, 6.0, 0.0, 0.0, 0, 0.0, false);
  EXPECT_NEAR(s.inputGain, 2.0, 1e-15);
  const int half = 37;
  for (int i = 0; i < 4000; ++i)
  {
    const double x = (i / half) % 2 == 0 ? 1.0 : -1.0;
    const double y = s.ProcessSample(1, x);
    if (i >= 512 + 2 * half)
    {
      EXPECT_NEAR(s.gain, 0.5, 1e-15) << i;
      EXPECT_NEAR(std::fabs(y * s.gain), 1.0, 1e-15) << i;
    }
  }
}

TEST(LimiterStage, SegmentsAtOrBelowTheThresholdRestoreUnityGain)
{
  ILimiterStage s;
  SetUpStage(s, 48000, 0, 0.0, 0.0, 0.0, 0, 0.0, false);
  // A loud half-wave, then quiet ones: the gain returns to exactly 1.
  std::vector<double> gains;
  for (int i = 0; i < 3000; ++i)
  {
    const double amp = i < 100 ? 2.0 : 0.5;
    s.ProcessSample(1, amp * ((i / 50) % 2 == 0 ? 1.0 : -1.0));
    gains.push_back(s.gain);
  }
  EXPECT_NEAR(gains[512 + 10], 0.5, 1e-15);
  EXPECT_EQ(gains[512 + 160], 1.0);
  EXPECT_EQ(gains.back(), 1.0);
}

TEST(LimiterStage, ModeZeroPassesTheInputDelayedAndUnscaled)
{
  ILimiterStage s;
  SetUpStage(s, 44100, 0, 12.0, 0.0, 0.0, 0, -6.0, false);
  std::mt19937 rng(7);
  std::uniform_real_distribution<double> u(-3.0, 3.0);
  std::vector<double> x(2000);
  for (double& v : x)
    v = u(rng);
  for (int i = 0; i < 2000; ++i)
  {
    const double y = s.ProcessSample(0, x[i]);
    EXPECT_EQ(y, i >= 512 ? x[i - 512] : 0.0);
    EXPECT_EQ(s.gain, 1.0);
  }
}

TEST(LimiterStage, OverlongSegmentsStoreNothingAndNeverRunTheCounterAway)
{
  // A constant positive input (a DC offset) is one segment that never ends:
  // its count saturates, nothing is stored, and the held gain stays.
  ILimiterStage s;
  SetUpStage(s, 48000, 0, 0.0, 0.0, 0.0, 0, 0.0, false);
  for (int i = 0; i < 5000; ++i)
    s.ProcessSample(1, 3.0);
  EXPECT_EQ(s.segmentCount, s.maxCount);
  EXPECT_EQ(s.gain, 1.0);
  // Even a counter already at the top of its range stays in bounds.
  s.segmentCount = INT_MAX;
  for (int i = 0; i < 10; ++i)
    s.ProcessSample(1, 3.0);
  EXPECT_EQ(s.segmentCount, s.maxCount);
  s.ProcessSample(1, -3.0); // ends the segment: too long to store
  for (int i = 0; i < 600; ++i)
  {
    s.ProcessSample(1, -3.0);
    EXPECT_EQ(s.gain, 1.0) << i;
  }
}

TEST(LimiterStage, AutoReleaseAtSilenceUsesTheFloorReleaseTime)
{
  const double fs = 48000;
  for (double ceiling : {0.0, -12.0, -24.0})
  {
    ILimiterStage s;
    SetUpStage(s, fs, 0, 0.0, 0.0, 0.0, 1, ceiling, false);
    s.ProcessSample(2, 0.0);
    const double T = std::pow(3.5, -3.5);
    EXPECT_NEAR(T, 0.0125, 2e-4);
    EXPECT_NEAR(s.P.releaseCoeff, std::pow(10.0, -1.0 / (T * fs)), 1e-15);
    // A level well above the knee gets a slower release.
    s.ProcessSample(2, 0.9);
    EXPECT_GT(s.P.releaseCoeff, std::pow(10.0, -1.0 / (T * fs)));
  }
}

TEST(PeakFollower, HoldReleaseInvertAndFlush)
{
  IPeakFollower f;
  f.attackCoeff = 0.0;
  f.releaseCoeff = 0.5;
  f.holdSamples = 2;
  EXPECT_EQ(f.Step(1.0), 1.0);  // instant attack
  EXPECT_EQ(f.Step(0.0), 1.0);  // hold 1
  EXPECT_EQ(f.Step(0.0), 1.0);  // hold 2
  EXPECT_EQ(f.Step(0.0), 0.5);  // release
  EXPECT_EQ(f.Step(0.0), 0.25);
  EXPECT_EQ(f.runningMax, 1.0);
  f.value = 1.5e-8;
  EXPECT_EQ(f.Step(0.0), 0.0); // 0.75e-8 falls below the flush level

  // Equal coefficients and hold 0 make a plain one-pole smoother.
  IPeakFollower g;
  g.attackCoeff = g.releaseCoeff = 0.9;
  double y = 0.0;
  for (int i = 0; i < 50; ++i)
  {
    const double v = (i % 7) * 0.1;
    y = (y - v) * 0.9 + v;
    if (y < 1e-8)
      y = 0;
    EXPECT_NEAR(g.Step(v), y, 1e-15) << i;
  }

  // Inverted: works on 1 - min(v, 1) and reports 1 - value.
  IPeakFollower inv;
  inv.invert = 1;
  EXPECT_EQ(inv.Step(0.25), 0.25);
  EXPECT_EQ(inv.value, 0.75);
  EXPECT_EQ(inv.Step(3.0), 1.0); // no reduction, instant release
  IPeakFollower idle;
  EXPECT_EQ(idle.Step(0.0), 0.0);
  EXPECT_EQ(idle.state, IPeakFollower::kIdle);
}

TEST(LimiterStagePair, LanesEqualTheSingleStageSampleBySample)
{
  // The two-lane run must reproduce each stage exactly, across runs of any
  // length (state carried through the records), in both limiter modes, with
  // and without auto release, and also when the stages cannot pair.
  std::mt19937 rng(77);
  for (int mode : {1, 2})
  {
    for (int autoR : {0, 1})
    {
      for (int lookAhead : {0, 1})
      {
        SCOPED_TRACE(testing::Message() << "mode " << mode << " auto " << autoR << " look-ahead " << lookAhead);
        ILimiterStage pa, pb, sa, sb;
        for (ILimiterStage* s : {&pa, &pb, &sa, &sb})
          SetUpStage(*s, 96000, lookAhead, 9.0, 0.5, 20.0, autoR, -1.5, false);
        const std::vector<double> xa = MakeSignal(rng, 12000);
        const std::vector<double> xb = MakeSignal(rng, 12000);
        std::vector<double> out(2 * xa.size()), gain(2 * xa.size()), scaled(2 * xa.size());
        size_t pos = 0;
        while (pos < xa.size())
        {
          const int len = static_cast<int>(std::min<size_t>(xa.size() - pos, 1 + rng() % 700));
          auto sink = [&](int i, __m128d o, __m128d g, __m128d s) {
            _mm_storeu_pd(&out[2 * (pos + i)], o);
            _mm_storeu_pd(&gain[2 * (pos + i)], g);
            _mm_storeu_pd(&scaled[2 * (pos + i)], s);
          };
          if (mode == 1)
            autoR ? LimiterStagePair::Run<1, true>(pa, pb, &xa[pos], &xb[pos], len, sink)
                  : LimiterStagePair::Run<1, false>(pa, pb, &xa[pos], &xb[pos], len, sink);
          else
            autoR ? LimiterStagePair::Run<2, true>(pa, pb, &xa[pos], &xb[pos], len, sink)
                  : LimiterStagePair::Run<2, false>(pa, pb, &xa[pos], &xb[pos], len, sink);
          pos += static_cast<size_t>(len);
        }
        for (size_t i = 0; i < xa.size(); ++i)
        {
          ASSERT_EQ(out[2 * i], sa.ProcessSample(mode, xa[i])) << i;
          ASSERT_EQ(gain[2 * i], sa.gain) << i;
          ASSERT_EQ(scaled[2 * i], sa.scaledGain) << i;
          ASSERT_EQ(out[2 * i + 1], sb.ProcessSample(mode, xb[i])) << i;
          ASSERT_EQ(gain[2 * i + 1], sb.gain) << i;
        }
        EXPECT_EQ(pa.segmentCount, sa.segmentCount);
        EXPECT_EQ(pb.previousPolarity, sb.previousPolarity);
        EXPECT_EQ(pa.P.value, sa.P.value);
        EXPECT_EQ(pa.P.runningMax, sa.P.runningMax);
        EXPECT_EQ(pb.P.runningMax, sb.P.runningMax);
        EXPECT_EQ(pb.G.runningMax, sb.G.runningMax);
        EXPECT_EQ(pb.G.value, sb.G.value);
        EXPECT_EQ(pa.heldGain, sa.heldGain);
        EXPECT_EQ(pa.writeIndex, sa.writeIndex);
      }
    }
  }
  // Stages at different ring positions run one after the other, same results.
  ILimiterStage a, b, ra, rb;
  for (ILimiterStage* s : {&a, &b, &ra, &rb})
    SetUpStage(*s, 48000, 0, 6.0, 0.0, 0.0, 0, 0.0, false);
  a.ProcessSample(2, 0.5);
  ra.ProcessSample(2, 0.5);
  ASSERT_FALSE(LimiterStagePair::CanPair(a, b));
  const std::vector<double> x = MakeSignal(rng, 3000);
  std::vector<double> o(2 * x.size());
  LimiterStagePair::Run<2, false>(a, b, x.data(), x.data(), static_cast<int>(x.size()),
                                  [&](int i, __m128d v, __m128d, __m128d) { _mm_storeu_pd(&o[2 * i], v); });
  for (size_t i = 0; i < x.size(); ++i)
  {
    ASSERT_EQ(o[2 * i], ra.ProcessSample(2, x[i])) << i;
    ASSERT_EQ(o[2 * i + 1], rb.ProcessSample(2, x[i])) << i;
  }
}

TEST(PeakFollower, HoldRunsEqualSingleSteps)
{
  // Two hold meters over interleaved runs: holds that run out and restart,
  // releases, tiny values that flush, inverted inputs, runs of any length.
  std::mt19937 rng(11);
  std::uniform_real_distribution<double> u(0.0, 1.0);
  for (int invert : {0, 1})
  {
    for (int hold : {0, 3, 40, 1000})
    {
      IPeakFollower l, r, refL, refR;
      for (IPeakFollower* f : {&l, &r, &refL, &refR})
      {
        f->SetTimes(0.0, hold / 1000.0, 0.01, 1000.0);
        f->invert = invert;
      }
      std::vector<double> v(2 * 20000);
      for (size_t i = 0; i < v.size(); ++i)
      {
        const int phase = static_cast<int>(i / 3000) % 4;
        v[i] = phase == 0 ? u(rng) : phase == 1 ? 0.3 * u(rng) : phase == 2 ? 1e-9 * u(rng) : 1.2 * u(rng);
      }
      int pos = 0;
      while (pos < 20000)
      {
        const int len = std::min(20000 - pos, 1 + static_cast<int>(rng() % 300));
        if (invert)
          StepHoldRunPair<true>(l, r, &v[2 * pos], len);
        else
          StepHoldRunPair<false>(l, r, &v[2 * pos], len);
        for (int i = 0; i < len; ++i)
        {
          refL.Step(v[2 * (pos + i)]);
          refR.Step(v[2 * (pos + i) + 1]);
        }
        pos += len;
        for (auto [a, b] : {std::pair<IPeakFollower*, IPeakFollower*>(&l, &refL), {&r, &refR}})
        {
          ASSERT_EQ(a->value, b->value) << "invert " << invert << " hold " << hold << " at " << pos;
          ASSERT_EQ(a->state, b->state) << pos;
          ASSERT_EQ(a->holdCounter, b->holdCounter) << pos;
          ASSERT_EQ(a->runningMax, b->runningMax) << pos;
        }
      }
    }
  }
}

TEST(LimiterStage, AutoReleaseShortcutBelowTheKneeEqualsTheFullFormula)
{
  // Levels at, just under and just over ceiling - 7 dB (where the release
  // time leaves its floor), and far from it: the release coefficient equals
  // the formula evaluated directly, in the single stage and in the pair.
  const double fs = 96000.0;
  for (const bool volume : {false, true})
  {
    for (double ceiling : {0.0, -0.1, -6.0, -24.0})
    {
      const double ceilDb = volume ? 0.0 : ceiling;
      const double knee = std::exp((ceilDb - 7.0) / 8.685889638065037);
      std::vector<double> levels = {1e-9, 6.309e-8, 6.31e-8, 1e-4, 0.3, 0.9, 1.7};
      for (int k = -40; k <= 40; ++k)
        levels.push_back(knee * (1.0 + k * 2.5e-11));
      for (double scale : {1.0 - 1e-9, 1.0 - 1.1e-9, 1.0 - 0.9e-9, 1.0 + 1e-9})
        levels.push_back(knee * scale);
      ILimiterStage s;
      SetUpStage(s, fs, 0, 0.0, 0.2, 0.0, 1, ceiling, volume);
      for (double L : levels)
      {
        const double ldb = L > 6.309e-8 ? std::log(L) * 8.685889638065037 : -144.0;
        const double T = std::pow(3.5, std::max(ldb - ceilDb + 7.0, 0.0) / 2.7 - 3.5);
        const double want = std::pow(10.0, -1.0 / (T * fs));
        s.ProcessSample(2, L);
        ASSERT_NEAR(s.P.releaseCoeff, want, 1e-12 * want) << "level " << L << " ceiling " << ceiling;
        ASSERT_NEAR(LimiterStagePair::AutoReleaseCoeff(s, L), want, 1e-12 * want) << "level " << L;
        ASSERT_NEAR(s.P.attackCoeff, std::pow(10.0, -1.0 / (0.0002 * fs)), 1e-15);
      }
    }
  }
}

TEST(LimiterStage, StagesWithoutARingGiveSilenceAtUnityGain)
{
  ILimiterStage bare;
  for (int mode : {-1, 0, 1, 2, 3, 4})
  {
    EXPECT_EQ(bare.ProcessSample(mode, 0.7), 0.0) << mode;
    EXPECT_EQ(bare.gain, 1.0);
    EXPECT_EQ(bare.scaledGain, 1.0);
  }
  ILimiterStage ready;
  SetUpStage(ready, 48000, 0, 0.0, 0.0, 0.0, 0, 0.0, false);
  const std::vector<double> x(40, 0.5);
  std::vector<double> out(80, -1.0), gain(80, -1.0);
  LimiterStagePair::Run<2, false>(ready, bare, x.data(), x.data(), 40, [&](int i, __m128d o, __m128d g, __m128d) {
    _mm_storeu_pd(&out[2 * i], o);
    _mm_storeu_pd(&gain[2 * i], g);
  });
  for (int i = 0; i < 80; ++i)
  {
    EXPECT_EQ(out[i], 0.0) << i;
    EXPECT_EQ(gain[i], 1.0) << i;
  }
}
