// The engine's block processing: configuration checks, channel link, mono,
// saturation, bad input, resets, latency reporting and meters.

#include "tests/plugin/dsp/EngineTestSupport.h"
#include "tests/plugin/dsp/ReferenceLimiter.h"

#include <gtest/gtest.h>

#include <limits>

using namespace enginetest;

namespace {

void Configure(LimiterEngine& e, double fs = 48000, int block = 512)
{
  ASSERT_EQ(e.Prepare(fs, block), LimiterEngine::EStatus::kOK);
}

} // namespace

TEST(LimiterEngine, RefusesUnusableFormatsAndKeepsThePreviousOne)
{
  LimiterEngine e;
  EXPECT_FALSE(e.IsConfigured());
  // Not configured yet: output is silence, latency follows the settings.
  {
    std::vector<double> l(64, 0.5), r(64, 0.5);
    double* io[2] = {l.data(), r.data()};
    e.ProcessBlock(io, io, 64, 2, 2);
    for (double v : l)
      EXPECT_EQ(v, 0.0);
    EXPECT_EQ(e.WantedLatency(), 512);
  }
  Configure(e, 48000, 256);
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  for (double fs : {nan, inf, -inf, 0.0, -48000.0, 59.9, 2e6})
  {
    EXPECT_EQ(e.Prepare(fs, 512), LimiterEngine::EStatus::kInvalidSampleRate) << fs;
    EXPECT_EQ(e.OnReset(fs, 512), LimiterEngine::EStatus::kInvalidSampleRate) << fs;
  }
  for (int block : {0, -1, -512})
  {
    EXPECT_EQ(e.Prepare(44100, block), LimiterEngine::EStatus::kInvalidBlockSize) << block;
    EXPECT_EQ(e.OnReset(44100, block), LimiterEngine::EStatus::kInvalidBlockSize) << block;
  }
  EXPECT_TRUE(e.IsConfigured());
  EXPECT_EQ(e.SampleRate(), 48000.0);
  EXPECT_EQ(e.BlockSize(), 256);
  // The lowest rate accepted still paces the refresh without dividing by 0.
  EXPECT_EQ(e.Prepare(60.0, 16), LimiterEngine::EStatus::kOK);
  EXPECT_EQ(e.RefreshPeriod(), 1);
  Stereo in {HotNoise(1, 100), HotNoise(2, 100)};
  RunBlocks(e, in, {16});
}

TEST(LimiterEngine, ZeroFramesDoNothing)
{
  LimiterEngine e;
  Configure(e);
  Stereo in {HotNoise(3, 2048, 2.0), HotNoise(4, 2048, 2.0)};
  RunBlocks(e, in, {512});
  e.ConsumeRefresh();
  double before[LimiterMeters::kNumMeters];
  for (int m = 0; m < LimiterMeters::kNumMeters; ++m)
    before[m] = e.MeterValue(m);
  double l = 5.0, r = 5.0;
  double* io[2] = {&l, &r};
  e.ProcessBlock(io, io, 0, 2, 2);
  e.ProcessBlock(io, io, -3, 2, 2);
  EXPECT_EQ(l, 5.0);
  for (int m = 0; m < LimiterMeters::kNumMeters; ++m)
    EXPECT_EQ(e.MeterValue(m), before[m]);
  EXPECT_FALSE(e.RefreshDue());
}

TEST(LimiterEngine, ChannelLinkFullAndOff)
{
  // Soft limiting uses the held segment gain, so a quiet channel's own gain is
  // exactly 1: unlinked it passes untouched, fully linked it takes the loud
  // channel's reduction.
  const int n = 8000;
  Stereo in {Square(60, 1.5, n), Sine(440, 48000, 0.25, n)};
  for (double link : {0.0, 100.0})
  {
    LimiterEngine e;
    e.SetParam(kLimitMode, 1);
    e.SetParam(kChLink, link);
    Configure(e);
    const Stereo out = RunBlocks(e, in, {512});
    for (int i = 1000; i < n; ++i)
    {
      const double delayed = in.r[i - 512];
      if (link == 0.0)
        ASSERT_EQ(out.r[i], delayed) << i;
      else // both channels carry the loud one's segment gain 1 / 1.5
        ASSERT_NEAR(out.r[i], delayed / 1.5, 1e-12) << i;
    }
  }
}

TEST(LimiterEngine, MonoRunsBothStagesOnTheFirstChannel)
{
  const int n = 6000;
  const std::vector<double> x = HotNoise(5, n, 2.0);
  LimiterEngine mono;
  mono.SetParam(kGain, 6.0);
  Configure(mono);
  LimiterEngine stereo;
  stereo.SetParam(kGain, 6.0);
  Configure(stereo);
  // The second channel pointer of a mono block is the host's scratch: its
  // contents are not processed into the first.
  Stereo monoIn {x, HotNoise(6, n, 0.1)};
  const Stereo a = RunBlocks(mono, monoIn, {300}, 1, 1);
  const Stereo b = RunBlocks(stereo, Stereo {x, x}, {300}, 2, 2);
  for (int i = 0; i < n; ++i)
    ASSERT_EQ(a.l[i], b.l[i]) << i;
}

TEST(LimiterEngine, SaturationOnlyWithGain)
{
  const int n = 4000;
  Stereo in {HotNoise(7, n, 0.5), HotNoise(8, n, 0.5)};
  auto render = [&](double gain, int sat) {
    LimiterEngine e;
    e.SetParam(kGain, gain);
    e.SetParam(kSatMode, sat);
    Configure(e);
    return RunBlocks(e, in, {512});
  };
  const Stereo off0 = render(0.0, 0);
  const Stereo on0 = render(0.0, 1);
  EXPECT_EQ(off0.l, on0.l);
  EXPECT_EQ(off0.r, on0.r);
  const Stereo off12 = render(12.0, 0);
  const Stereo on12 = render(12.0, 1);
  EXPECT_NE(off12.l, on12.l);
}

TEST(LimiterEngine, NonFiniteInputIsSilence)
{
  const int n = 5000;
  Stereo clean {HotNoise(9, n, 1.5), HotNoise(10, n, 1.5)};
  Stereo bad = clean;
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  for (int i : {100, 101, 2000, 3999})
  {
    bad.l[i] = i % 2 ? nan : inf;
    bad.r[i] = -inf;
    clean.l[i] = 0.0;
    clean.r[i] = 0.0;
  }
  for (int os : {0, 2})
  {
    LimiterEngine a, b;
    for (LimiterEngine* e : {&a, &b})
    {
      e->SetParam(kOSMode, os);
      e->SetParam(kGain, 6.0);
      Configure(*e);
    }
    const Stereo x = RunBlocks(a, bad, {333}); // odd blocks: every copy path
    const Stereo y = RunBlocks(b, clean, {512});
    for (int i = 0; i < n; ++i)
    {
      ASSERT_TRUE(std::isfinite(x.l[i]) && std::isfinite(x.r[i])) << i;
      ASSERT_EQ(x.l[i], y.l[i]) << i;
      ASSERT_EQ(x.r[i], y.r[i]) << i;
    }
    for (int m = 0; m < LimiterMeters::kNumMeters; ++m)
      EXPECT_TRUE(std::isfinite(a.MeterValue(m)));
  }
}

TEST(LimiterEngine, ResetWithTheSameFormatClearsTheSignalState)
{
  for (int os : {0, 1, 3})
  {
    SCOPED_TRACE(os);
    const int n = 6000;
    Stereo first {HotNoise(11, n, 2.0), HotNoise(12, n, 2.0)};
    Stereo second {HotNoise(13, n, 1.0), HotNoise(14, n, 1.0)};
    LimiterEngine used, fresh;
    for (LimiterEngine* e : {&used, &fresh})
    {
      e->SetParam(kOSMode, os);
      e->SetParam(kGain, 6.0);
      e->SetParam(kAutoRelease, 1);
      Configure(*e, 44100, 256);
    }
    RunBlocks(used, first, {256});
    EXPECT_EQ(used.OnReset(44100, 256), LimiterEngine::EStatus::kOK);
    for (int m = 0; m < LimiterMeters::kNumMeters; ++m)
      EXPECT_EQ(used.MeterValue(m), 0.0);
    const Stereo a = RunBlocks(used, second, {256});
    const Stereo b = RunBlocks(fresh, second, {256});
    for (int i = 0; i < n; ++i)
    {
      ASSERT_EQ(a.l[i], b.l[i]) << i;
      ASSERT_EQ(a.r[i], b.r[i]) << i;
    }
  }
}

TEST(LimiterEngine, ResetProcessingStateRefillsTheRingsAndClearsOnlyTheMeters)
{
  // The rings go back to {0, 1, 0} and the meters to rest; followers,
  // polarity state, ring position and coefficients run on.
  LimiterEngine e;
  e.SetParam(kGain, 9.0);
  e.SetParam(kCeiling, -1.0);
  Configure(e, 48000, 128);
  RunBlocks(e, Stereo {HotNoise(31, 3000, 1.0), HotNoise(32, 3000, 1.0)}, {128});
  const ILimiterStage& s = e.Stage(0);
  const double pValue = s.P.value;
  const double gValue = s.G.value;
  const int32_t write = s.writeIndex;
  const double inputGain = s.inputGain;
  ASSERT_GT(pValue, 0.0);
  e.ResetProcessingState();
  for (int st = 0; st < 2; ++st)
  {
    const ILimiterStage& t = e.Stage(st);
    for (int i = 0; i < t.ringLength; i += 3)
    {
      ASSERT_EQ(t.ring[i], 0.0) << i;
      ASSERT_EQ(t.ring[i + 1], 1.0) << i;
      ASSERT_EQ(t.ring[i + 2], 0.0) << i;
    }
    EXPECT_EQ(t.readGain, 1.0);
  }
  EXPECT_EQ(s.P.value, pValue);
  EXPECT_EQ(s.G.value, gValue);
  EXPECT_EQ(s.writeIndex, write);
  EXPECT_EQ(s.inputGain, inputGain);
  for (int m = 0; m < LimiterMeters::kNumMeters; ++m)
    EXPECT_EQ(e.MeterValue(m), 0.0) << m;
  // What follows is the look-ahead's worth of silence, then the new input.
  std::vector<double> l(700, 0.25), r(700, 0.25);
  double* io[2] = {l.data(), r.data()};
  e.ProcessBlock(io, io, 700, 2, 2);
  for (int i = 0; i < 512; ++i)
    ASSERT_EQ(l[static_cast<size_t>(i)], 0.0) << i;
  EXPECT_GT(l[600], 0.0);
}

TEST(LimiterEngine, LatencyIsReportedWhereItChanges)
{
  LimiterEngine e;
  int host = 512;
  std::vector<int> reports;
  e.SetLatencyHooks([&] { return host; }, [&](int l) {
    reports.push_back(l);
    host = l;
  });
  // First format at 1x Short: 512, as the host already has: nothing reported.
  EXPECT_EQ(e.OnReset(48000, 512), LimiterEngine::EStatus::kOK);
  EXPECT_TRUE(reports.empty());
  // Look Ahead Long rebuilds; the reset with a new block size reports 2560.
  e.SetParam(kLookAhead, 1);
  EXPECT_EQ(e.WantedLatency(), 2560);
  EXPECT_TRUE(reports.empty());
  EXPECT_EQ(e.OnReset(48000, 1024), LimiterEngine::EStatus::kOK);
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0], 2560);
  // Same format: clears only, no report.
  EXPECT_EQ(e.OnReset(48000, 1024), LimiterEngine::EStatus::kOK);
  EXPECT_EQ(reports.size(), 1u);

  // Host code 2 takes a changed latency from the block itself.
  e.SetParam(kLookAhead, 0);
  std::vector<double> l(32, 0.0), r(32, 0.0);
  double* io[2] = {l.data(), r.data()};
  e.ProcessBlock(io, io, 32, 2, 2);
  EXPECT_EQ(reports.size(), 1u);
  e.SetHostCode(2);
  e.ProcessBlock(io, io, 32, 2, 2);
  ASSERT_EQ(reports.size(), 2u);
  EXPECT_EQ(reports[1], 512);
  e.ProcessBlock(io, io, 32, 2, 2);
  EXPECT_EQ(reports.size(), 2u);
  e.ReconfigureAndReport();
  EXPECT_EQ(reports.size(), 2u);
}

TEST(LimiterEngine, ParametersAreClampedAndNaNIgnored)
{
  LimiterEngine e;
  e.SetParam(kGain, 100.0);
  e.SetParam(kAttack, -5.0);
  e.SetParam(kCeiling, std::numeric_limits<double>::quiet_NaN());
  e.SetParam(kChLink, 250.0);
  e.SetParam(kOSMode, 9);
  e.SetParam(koutputmode, 3);
  e.SetParam(kLimitMode, 0.9); // enums are truncated
  e.SetParam(kSatMode, -std::numeric_limits<double>::infinity());
  // Indices outside the table and the product's own settings change nothing.
  e.SetParam(-1, 5.0);
  e.SetParam(kNumParams, 5.0);
  e.SetParam(kGUIScale, 2.0);
  e.SetParam(kMeterMode, 2.0);
  const LimiterParams p = e.GetParams();
  EXPECT_EQ(p.limitMode, 0);
  EXPECT_EQ(p.satMode, 0);
  EXPECT_EQ(p.gain, 24.0);
  EXPECT_EQ(p.attack, 0.0);
  EXPECT_EQ(p.ceiling, 0.0);
  EXPECT_EQ(p.channelLink, 100.0);
  EXPECT_EQ(p.osMode, 4);
  EXPECT_EQ(p.ceilingMode, 1);
}

TEST(LimiterEngine, MetersAndRefreshPacing)
{
  LimiterEngine e;
  e.SetParam(kGain, 12.0);
  Configure(e, 48000, 512);
  EXPECT_EQ(e.RefreshPeriod(), 800);
  EXPECT_EQ(e.GetMeterValue(), 1.0);
  Stereo in {HotNoise(15, 700, 1.0), HotNoise(16, 700, 0.01)};
  RunBlocks(e, in, {700});
  EXPECT_FALSE(e.ConsumeRefresh());
  RunBlocks(e, in, {700});
  EXPECT_TRUE(e.ConsumeRefresh());
  EXPECT_FALSE(e.ConsumeRefresh());
  // The input meters show the level after Gain; the left channel is reduced.
  EXPECT_GT(e.MeterValue(LimiterMeters::kInLHold), 1.0);
  EXPECT_LT(e.MeterOutput(LimiterMeters::kGrLHold), 1.0);
  EXPECT_EQ(e.GetMeterValue(),
            std::max(e.MeterOutput(LimiterMeters::kGrLFast), e.MeterOutput(LimiterMeters::kGrRFast)));
  EXPECT_GT(e.MeterValue(LimiterMeters::kOutLFast), 0.0);
  // Indices outside the twelve meters read 0.
  for (int bad : {-1, static_cast<int>(LimiterMeters::kNumMeters), 1000, std::numeric_limits<int>::min()})
  {
    EXPECT_EQ(e.MeterValue(bad), 0.0) << bad;
    EXPECT_EQ(e.MeterOutput(bad), 0.0) << bad;
  }
}

TEST(LimiterEngine, NullChannelsAndOversizedBlocks)
{
  LimiterEngine e;
  Configure(e, 48000, 64);
  // A missing input reads as silence; a missing output is discarded.
  std::vector<double> l(1000, 0.3), o(1000, 9.0);
  double* ins[2] = {l.data(), nullptr};
  double* outs[2] = {o.data(), nullptr};
  e.ProcessBlock(ins, outs, 1000, 2, 2);
  EXPECT_EQ(o[100], 0.0);
  EXPECT_NE(o[999], 9.0);
  e.ProcessBlock(nullptr, nullptr, 16, 2, 2);

  // Blocks longer than the configured size equal the same audio in pieces.
  LimiterEngine a, b;
  Configure(a, 48000, 64);
  Configure(b, 48000, 64);
  Stereo in {HotNoise(17, 5000, 2.0), HotNoise(18, 5000, 2.0)};
  const Stereo x = RunBlocks(a, in, {5000});
  const Stereo y = RunBlocks(b, in, {64});
  EXPECT_EQ(x.l, y.l);
  EXPECT_EQ(x.r, y.r);
}

TEST(LimiterEngine, MatchesThePlainReferenceChainAtTheBaseRate)
{
  // Random settings and programme material: every output sample and the
  // published meters equal a plain per-sample version of the whole chain,
  // in both builds of the per-sample pass (where the processor has the wide one).
  for (const bool wide : {true, false})
  {
    LimiterEngine::AllowWideKernels(wide);
    std::mt19937 rng(2024);
    for (int trial = 0; trial < 24; ++trial)
    {
      const double fs = trial % 2 ? 44100.0 : 96000.0;
      const int lookAhead = static_cast<int>(rng() % 2);
      const double gain = (rng() % 2400) / 100.0;
      const double attack = (rng() % 4) == 0 ? 0.0 : (rng() % 300) / 100.0;
      const double release = (rng() % 3) == 0 ? 0.0 : (rng() % 20000) / 100.0;
      const int autoR = static_cast<int>(rng() % 2);
      const double ceiling = -static_cast<double>(rng() % 2400) / 100.0;
      const double drive = (rng() % 3) == 0 ? (rng() % 1200) / 100.0 : 0.0;
      const double link = static_cast<double>(rng() % 101);
      const int limit = static_cast<int>(rng() % 2);
      const int sat = static_cast<int>(rng() % 2);
      const int ceilMode = (rng() % 4) == 0 ? 1 : 0;
      const bool stereo = trial % 5 != 4;
      SCOPED_TRACE(testing::Message() << "wide " << LimiterEngine::WideKernelsActive() << " trial " << trial << " gain " << gain << " ceiling " << ceiling << " drive "
                                      << drive << " link " << link << " limit " << limit << " sat " << sat << " auto "
                                      << autoR << " volume " << ceilMode << " stereo " << stereo);
      LimiterEngine e;
      e.SetParam(kLookAhead, lookAhead);
      e.SetParam(kGain, gain);
      e.SetParam(kAttack, attack);
      e.SetParam(kRelease, release);
      e.SetParam(kAutoRelease, autoR);
      e.SetParam(kCeiling, ceiling);
      e.SetParam(kDrive, drive);
      e.SetParam(kChLink, link);
      e.SetParam(kLimitMode, limit);
      e.SetParam(kSatMode, sat);
      e.SetParam(koutputmode, ceilMode);
      ASSERT_EQ(e.Prepare(fs, 300), LimiterEngine::EStatus::kOK);
      reference::RefEngine ref(fs, lookAhead, gain, attack, release, autoR, ceiling, drive, link, limit, sat, ceilMode);

      const int n = 6000;
      const std::vector<double> l = HotNoise(100u + static_cast<unsigned>(trial), n, 0.3 + trial * 0.1);
      const std::vector<double> r = Sine(50.0 + trial * 37.0, fs, 0.2 + trial * 0.08, n);
      for (int pos = 0; pos < n; pos += 300)
      {
        std::vector<double> el(l.begin() + pos, l.begin() + pos + 300), er(r.begin() + pos, r.begin() + pos + 300);
        // In place, as the engine runs here: a mono block leaves the second row
        // unprocessed but clamped and metered.
        std::vector<double> rl = el, rr = er, ol(300), orr = er;
        double* ins[2] = {el.data(), er.data()};
        e.ProcessBlock(ins, ins, 300, stereo ? 2 : 1, stereo ? 2 : 1);
        ref.Process(rl.data(), rr.data(), ol.data(), orr.data(), 300, stereo);
        for (int i = 0; i < 300; ++i)
        {
          ASSERT_NEAR(el[i], ol[i], 1e-12 * std::max(1.0, std::fabs(ol[i]))) << "sample " << pos + i;
          ASSERT_NEAR(er[i], orr[i], 1e-12 * std::max(1.0, std::fabs(orr[i]))) << "sample " << pos + i;
        }
        for (int m = 0; m < LimiterMeters::kNumMeters; ++m)
          ASSERT_NEAR(e.MeterValue(m), ref.meters[m].value, 1e-12) << "meter " << m << " after " << pos;
      }
    }
  }
  LimiterEngine::AllowWideKernels(true);
}

TEST(LimiterEngine, ParameterChangesBetweenBlocksMatchTheReference)
{
  // Settings change between blocks while the signal runs: each change takes
  // effect from the next block on, a change of a derived value restarts the
  // gain smoother's coefficients, and rings, followers and polarity state run
  // on through it.
  for (const bool wide : {true, false})
  {
    LimiterEngine::AllowWideKernels(wide);
    std::mt19937 rng(99);
    for (int trial = 0; trial < 6; ++trial)
    {
      SCOPED_TRACE(testing::Message() << "wide " << LimiterEngine::WideKernelsActive() << " trial " << trial);
      const double fs = trial % 2 ? 48000.0 : 88200.0;
      const int lookAhead = trial % 3 == 2 ? 1 : 0;
      LimiterEngine e;
      e.SetParam(kLookAhead, lookAhead);
      ASSERT_EQ(e.Prepare(fs, 256), LimiterEngine::EStatus::kOK);
      reference::RefEngine ref(fs, lookAhead, 0.0, 0.0, 0.0, 0, 0.0, 0.0, 100.0, 0, 0, 0);
      LimiterParams p = e.GetParams();
      const int blocks = 60;
      const std::vector<double> l = HotNoise(500u + static_cast<unsigned>(trial), blocks * 256, 0.6);
      const std::vector<double> r = Sine(220.0 + 31.0 * trial, fs, 0.9, blocks * 256);
      for (int b = 0; b < blocks; ++b)
      {
        if (b % 3 == 1)
        {
          switch (rng() % 10)
          {
            case 0: e.SetParam(kGain, p.gain = (rng() % 2400) / 100.0); break;
            case 1: e.SetParam(kAttack, p.attack = (rng() % 200) / 100.0); break;
            case 2: e.SetParam(kRelease, p.release = (rng() % 5000) / 100.0); break;
            case 3: e.SetParam(kAutoRelease, p.autoRelease = 1 - p.autoRelease); break;
            case 4: e.SetParam(kCeiling, p.ceiling = -static_cast<double>(rng() % 1200) / 100.0); break;
            case 5: e.SetParam(kDrive, p.drive = (rng() % 600) / 100.0); break;
            case 6: e.SetParam(kChLink, p.channelLink = static_cast<double>(rng() % 101)); break;
            case 7: e.SetParam(kLimitMode, p.limitMode = 1 - p.limitMode); break;
            case 8: e.SetParam(kSatMode, p.satMode = 1 - p.satMode); break;
            default: e.SetParam(koutputmode, p.ceilingMode = 1 - p.ceilingMode); break;
          }
          ref.SetParams(p.gain, p.attack, p.release, p.autoRelease, p.ceiling, p.drive, p.channelLink, p.limitMode,
                        p.satMode, p.ceilingMode);
        }
        const size_t pos = static_cast<size_t>(b) * 256;
        std::vector<double> el(l.begin() + pos, l.begin() + pos + 256), er(r.begin() + pos, r.begin() + pos + 256);
        std::vector<double> rl = el, rr = er, ol(256), orr(256);
        double* ins[2] = {el.data(), er.data()};
        e.ProcessBlock(ins, ins, 256, 2, 2);
        ref.Process(rl.data(), rr.data(), ol.data(), orr.data(), 256, true);
        for (int i = 0; i < 256; ++i)
        {
          ASSERT_NEAR(el[i], ol[i], 1e-12 * std::max(1.0, std::fabs(ol[i]))) << "block " << b << " sample " << i;
          ASSERT_NEAR(er[i], orr[i], 1e-12 * std::max(1.0, std::fabs(orr[i]))) << "block " << b << " sample " << i;
        }
        for (int m = 0; m < LimiterMeters::kNumMeters; ++m)
          ASSERT_NEAR(e.MeterValue(m), ref.meters[m].value, 1e-12) << "meter " << m << " block " << b;
      }
    }
  }
  LimiterEngine::AllowWideKernels(true);
}
