// The engine at every oversampling factor: the reported latency against the
// delay of an impulse, the ceiling on hot material, block-split invariance,
// and gain-reduction meters that read only the reduction that happens.

#include "tests/plugin/dsp/EngineTestSupport.h"

#include <gtest/gtest.h>

#include <limits>

using namespace enginetest;

TEST(LimiterEngineOS, ReportedLatencyEqualsTheImpulseDelay)
{
  for (double fs : {44100.0, 48000.0})
  {
    for (int lookAhead : {0, 1})
    {
      for (int os = 0; os <= 4; ++os)
      {
        SCOPED_TRACE(testing::Message() << "fs " << fs << " look-ahead " << lookAhead << " os " << os);
        LimiterEngine e;
        e.SetParam(kOSMode, os);
        e.SetParam(kLookAhead, lookAhead);
        e.SetParam(kLimitMode, 1); // held gain: exactly 1 for a quiet signal
        ASSERT_EQ(e.Prepare(fs, 512), LimiterEngine::EStatus::kOK);
        const int latency = e.WantedLatency();
        EXPECT_EQ(latency, e.ComputeLatency());
        const int n = 12000;
        const int at = 5000;
        Stereo in {std::vector<double>(n, 0.0), std::vector<double>(n, 0.0)};
        in.l[at] = 0.5;
        in.r[at] = -0.5;
        const Stereo out = RunBlocks(e, in, {512});
        EXPECT_EQ(PeakIndex(out.l) - at, latency);
        EXPECT_EQ(PeakIndex(out.r) - at, latency);
        EXPECT_NEAR(out.l[at + latency], 0.47, 0.04); // band-limited: a little below the impulse
      }
    }
  }
}

TEST(LimiterEngineOS, CeilingHoldsOnHotMaterial)
{
  const double fs = 48000;
  const int n = 9000;
  const std::vector<Stereo> signals = {
    {HotNoise(21, n, 4.0), HotNoise(22, n, 4.0)},
    {Sine(997, fs, 2.0, n), Sine(61, fs, 3.0, n)},
    {Square(24, 1.0, n), Square(7, 1.0, n)},
  };
  struct Setting
  {
    double ceiling, gain, drive;
    int ceilingMode, limitMode, sat, autoRelease;
  };
  const Setting settings[] = {
    {0.0, 12.0, 0.0, 0, 0, 0, 0},  {-0.1, 6.0, 3.0, 0, 1, 1, 1}, {-6.0, 24.0, 0.0, 0, 0, 0, 1},
    {-24.0, 0.0, 24.0, 0, 1, 0, 0}, {-3.0, 12.0, 6.0, 1, 0, 1, 1},
  };
  for (int os = 0; os <= 4; ++os)
  {
    for (const Setting& s : settings)
    {
      LimiterEngine e;
      e.SetParam(kOSMode, os);
      e.SetParam(kCeiling, s.ceiling);
      e.SetParam(kGain, s.gain);
      e.SetParam(kDrive, s.drive);
      e.SetParam(koutputmode, s.ceilingMode);
      e.SetParam(kLimitMode, s.limitMode);
      e.SetParam(kSatMode, s.sat);
      e.SetParam(kAutoRelease, s.autoRelease);
      ASSERT_EQ(e.Prepare(fs, 512), LimiterEngine::EStatus::kOK);
      const double limit = s.ceilingMode == 1 ? 1.0 : std::pow(10.0, s.ceiling / 20.0);
      for (const Stereo& in : signals)
      {
        const Stereo out = RunBlocks(e, in, {512});
        for (int i = 0; i < n; ++i)
        {
          ASSERT_LE(std::fabs(out.l[i]), limit) << "os " << os << " ceiling " << s.ceiling << " at " << i;
          ASSERT_LE(std::fabs(out.r[i]), limit) << "os " << os << " ceiling " << s.ceiling << " at " << i;
        }
      }
    }
  }
}

TEST(LimiterEngineOS, GainReductionMetersReadNoneUntilSomethingIsLimited)
{
  const double fs = 48000;
  const int n = 12000;
  const int grMeters[] = {LimiterMeters::kGrLFast, LimiterMeters::kGrRFast, LimiterMeters::kGrLHold,
                          LimiterMeters::kGrRHold};
  // The least gain any of the four meters reads after any block; the Look
  // Ahead change half-way through rebuilds the stages.
  const auto run = [&](LimiterEngine& e, double amp, double& least) {
    const Stereo in {Sine(997, fs, amp, n), Sine(61, fs, amp, n)};
    std::vector<double> l, r;
    least = 1.0;
    for (int pos = 0; pos < n; pos += 500)
    {
      if (pos == n / 2)
        e.SetParam(kLookAhead, 1);
      l.assign(in.l.begin() + pos, in.l.begin() + pos + 500);
      r.assign(in.r.begin() + pos, in.r.begin() + pos + 500);
      double* io[2] = {l.data(), r.data()};
      e.ProcessBlock(io, io, 500, 2, 2);
      for (int m : grMeters)
        least = std::min(least, e.MeterOutput(m));
    }
  };
  for (int os = 0; os <= 4; ++os)
  {
    for (int limitMode : {0, 1})
    {
      // Silence, -40 dBFS and -3 dBFS: nothing is limited.
      for (double dBFS : {-200.0, -40.0, -3.0})
      {
        LimiterEngine e;
        e.SetParam(kOSMode, os);
        e.SetParam(kLimitMode, limitMode);
        ASSERT_EQ(e.Prepare(fs, 512), LimiterEngine::EStatus::kOK);
        double least = 1.0;
        run(e, dBFS < -150.0 ? 0.0 : std::pow(10.0, dBFS / 20.0), least);
        EXPECT_EQ(least, 1.0) << "os " << os << " limit mode " << limitMode << " at " << dBFS << " dBFS";
      }
      // A loud tone still reads its reduction (12 dB of gain on a 0 dBFS peak).
      LimiterEngine e;
      e.SetParam(kOSMode, os);
      e.SetParam(kLimitMode, limitMode);
      e.SetParam(kGain, 12.0);
      ASSERT_EQ(e.Prepare(fs, 512), LimiterEngine::EStatus::kOK);
      double least = 1.0;
      run(e, 1.0, least);
      EXPECT_LT(least, std::pow(10.0, -9.0 / 20.0)) << "os " << os << " limit mode " << limitMode;
    }
  }
}

TEST(LimiterEngineOS, RandomBlockSplitsEqualOneWholePass)
{
  const int n = 7000;
  Stereo in {HotNoise(31, n, 2.0), HotNoise(32, n, 2.0)};
  for (int os = 0; os <= 4; ++os)
  {
    for (int nIn : {1, 2})
    {
      SCOPED_TRACE(testing::Message() << "os " << os << " channels " << nIn);
      LimiterEngine whole, split;
      for (LimiterEngine* e : {&whole, &split})
      {
        e->SetParam(kOSMode, os);
        e->SetParam(kGain, 9.0);
        e->SetParam(kAutoRelease, 1);
        e->SetParam(kLookAhead, os % 2);
        ASSERT_EQ(e->Prepare(44100, 1024), LimiterEngine::EStatus::kOK);
      }
      const Stereo a = RunBlocks(whole, in, {1024}, nIn, nIn);
      const Stereo b = RunBlocks(split, in, RandomSizes(40u + static_cast<unsigned>(os), 1024), nIn, nIn);
      for (int i = 0; i < n; ++i)
      {
        ASSERT_NEAR(a.l[i], b.l[i], 1e-12) << i;
        if (nIn == 2)
        {
          ASSERT_NEAR(a.r[i], b.r[i], 1e-12) << i;
        }
      }
    }
  }
}

TEST(LimiterEngineOS, AutomatedVolumeReachesTheOutputOnItsSample)
{
  // Ceiling Mode Volume: a 997 Hz tone at 0.9 with Gain 12 is held at full
  // scale and turned down by the Volume gain, -3 dB and then -6 dB from
  // aligned frame `step` on (frame step + latency of the rendered output). As a host places a point, the
  // change goes in before the block that starts at step + latency (a block
  // that would cross it is cut there). The new level must hold from that
  // frame on at every factor, however the blocks fall.
  //
  // The down-sampler returns the band-limited form of what was limited at
  // the oversampled rate, whose peaks may rise above it by the filter's
  // ripple: on this tone at a constant setting that is under 0.001 dB. The
  // bound, 0.01 dB, leaves room for it and stays far below a late change
  // (3 dB over the new level).
  const double fs = 48000.0;
  const int n = 6000, step = 3000;
  const auto fromDb = [](double db) { return std::pow(10.0, db / 20.0); };
  const double before = fromDb(-3.0), after = fromDb(-6.0), ripple = fromDb(0.01);
  const std::vector<std::vector<int>> splits = {{512}, {64}, {1}, RandomSizes(77, 512)};
  for (int os : {0, 1, 2, 4})
  {
    for (size_t split = 0; split < splits.size(); ++split)
    {
      for (int channels : {2, 1})
      {
        SCOPED_TRACE(testing::Message() << "os " << os << " split " << split << " channels " << channels);
        LimiterEngine e;
        e.SetParam(kOSMode, os);
        e.SetParam(kGain, 12.0);
        e.SetParam(koutputmode, 1);
        e.SetParam(kCeiling, -3.0);
        ASSERT_EQ(e.Prepare(fs, 512), LimiterEngine::EStatus::kOK);
        const int latency = e.WantedLatency();
        const int total = n + latency, change = step + latency;
        std::vector<double> l(static_cast<size_t>(total)), r(static_cast<size_t>(total));
        std::vector<double> outL(l.size()), outR(l.size());
        const std::vector<double> tone = Sine(997.0, fs, 0.9, n);
        std::copy(tone.begin(), tone.end(), l.begin());
        std::copy(tone.begin(), tone.end(), r.begin());
        for (int pos = 0, k = 0; pos < total; ++k)
        {
          if (pos == change)
            e.SetParam(kCeiling, -6.0);
          int len = std::min(total - pos, splits[split][static_cast<size_t>(k) % splits[split].size()]);
          if (pos < change)
            len = std::min(len, change - pos);
          double* ins[2] = {l.data() + pos, r.data() + pos};
          double* outs[2] = {outL.data() + pos, outR.data() + pos};
          e.ProcessBlock(ins, outs, len, channels, channels);
          pos += len;
        }
        const auto peak = [&](const std::vector<double>& x, int from, int to) {
          double p = 0.0;
          for (int i = from; i < to; ++i)
            p = std::max(p, std::fabs(x[static_cast<size_t>(i)]));
          return p;
        };
        const std::vector<double>* processed[2] = {&outL, &outR};
        for (int c = 0; c < channels; ++c)
        {
          const std::vector<double>& o = *processed[c];
          // Aligned frame i is rendered frame i + latency: up to the change
          // the old level is reached, from it on the new one holds.
          EXPECT_GT(peak(o, change - 48, change), 0.95 * before) << "channel " << c;
          EXPECT_LE(peak(o, change, total), after * ripple) << "channel " << c;
          EXPECT_GT(peak(o, change, total), 0.95 * after) << "channel " << c;
        }
        // The output meters read the output as it leaves, Volume gain and
        // clamp included: the hold meter keeps its peak.
        EXPECT_EQ(e.MeterValue(LimiterMeters::kOutLHold), peak(outL, 0, total));
        if (channels == 2)
        {
          EXPECT_EQ(e.MeterValue(LimiterMeters::kOutRHold), peak(outR, 0, total));
        }
        if (os == 0)
        {
          // At the base rate every split gives one output, pinned bit for bit
          // (the Volume gain is applied there as it always was).
          Hash h;
          for (int i = 0; i < total; ++i)
          {
            h.Add(outL[static_cast<size_t>(i)]);
            h.Add(outR[static_cast<size_t>(i)]);
          }
          EXPECT_EQ(h.h, channels == 2 ? 0xe38775165bd9da8full : 0xff4393ddffe02e6full);
        }
      }
    }
  }
}

TEST(LimiterEngineOS, FactorChangesRebuildAndNoAudioIsLostWhileFilling)
{
  LimiterEngine e;
  ASSERT_EQ(e.Prepare(48000, 256), LimiterEngine::EStatus::kOK);
  EXPECT_EQ(e.OversamplingFactor(), 1);
  e.SetParam(kOSMode, 3);
  EXPECT_EQ(e.OversamplingFactor(), 8);
  EXPECT_DOUBLE_EQ(e.Stage(0).rate, 48000.0 * 8);
  EXPECT_EQ(e.WantedLatency(), 64 + e.Oversampler().MeasuredLatency(8) + 1);
  e.SetParam(kOSMode, 4);
  EXPECT_EQ(e.WantedLatency(), 32 + e.Oversampler().MeasuredLatency(16) + 1);

  // A sine that starts at once comes out whole: from the latency on the
  // output follows the input, with no block of silence while the converters
  // fill (the first partial block of every factor is checked here).
  const int n = 4000;
  Stereo in {Sine(1000, 48000, 0.5, n), Sine(1000, 48000, 0.5, n)};
  for (int os = 1; os <= 4; ++os)
  {
    LimiterEngine f;
    f.SetParam(kOSMode, os);
    f.SetParam(kLimitMode, 1);
    ASSERT_EQ(f.Prepare(48000, 256), LimiterEngine::EStatus::kOK);
    const int latency = f.WantedLatency();
    const Stereo out = RunBlocks(f, in, {256});
    for (int i = latency + 8; i < n; ++i)
      ASSERT_NEAR(out.l[i], in.l[i - latency], 2e-3) << "os " << os << " at " << i;
  }
}

TEST(Oversampler, SetupFactorsAndRefusedRequests)
{
  IOversampler o;
  const double nan = std::numeric_limits<double>::quiet_NaN();
  EXPECT_EQ(o.Setup(2, 512, 256, 2, 2, 2, 44100.0), IOversampler::EStatus::kInvalidArgument);
  EXPECT_EQ(o.Setup(2, 16, 0, 2, 2, 2, 44100.0), IOversampler::EStatus::kInvalidArgument);
  EXPECT_EQ(o.Setup(2, 16, 256, 0, 2, 2, 44100.0), IOversampler::EStatus::kInvalidArgument);
  EXPECT_EQ(o.Setup(2, 16, 256, 2, 2, 2, nan), IOversampler::EStatus::kInvalidArgument);
  EXPECT_EQ(o.Setup(2, 16, 256, 2, 2, 2, -48000.0), IOversampler::EStatus::kInvalidArgument);
  EXPECT_FALSE(o.IsBuilt());
  EXPECT_EQ(o.CurrentFactor(), -1);
  o.Release(); // safe on an empty set

  ASSERT_EQ(o.Setup(1, 16, 256, 2, 2, 2, 44100.0), IOversampler::EStatus::kOK);
  EXPECT_EQ(o.CurrentFactor(), 1);
  EXPECT_EQ(o.MeasuredLatency(1), 0);
  for (int k : {2, 4, 8, 16})
    EXPECT_GT(o.MeasuredLatency(k), 0) << k;
  EXPECT_EQ(o.MeasuredLatency(32), 0); // never selectable, never built
  const int narrowBand = o.MeasuredLatency(2);

  // Channels that do not exist and over-long runs give nothing.
  double* where = o.UpInputRow(0);
  EXPECT_NE(where, nullptr);
  EXPECT_EQ(o.UpInputRow(2), nullptr);
  EXPECT_EQ(o.DownInputRow(-1), nullptr);
  EXPECT_EQ(o.Up(2, 16, where), 0);
  EXPECT_EQ(where, nullptr);
  where = o.UpInputRow(0);
  EXPECT_EQ(o.Up(0, 257, where), 0);
  EXPECT_EQ(o.Up(-1, 16, where), 0);
  EXPECT_EQ(o.Down(0, 16 * 256 + 1, where), 0);
  EXPECT_EQ(o.Down(5, 16, where), 0);
  EXPECT_EQ(o.Up(0, -3, where), 0);

  o.SetFactor(32); // above the max factor: nothing changes
  EXPECT_EQ(o.CurrentFactor(), 1);
  o.SetFactor(8);
  EXPECT_EQ(o.CurrentFactor(), 8);
  // Same rate (in whole Hz) and block length: only the factor switches.
  ASSERT_EQ(o.Setup(4, 16, 256, 2, 2, 2, 44100.4), IOversampler::EStatus::kOK);
  EXPECT_EQ(o.CurrentFactor(), 4);
  EXPECT_EQ(o.SampleRate(), 44100.0);

  // Above 44.1 kHz the wider band makes shorter filters and less delay.
  ASSERT_EQ(o.Setup(2, 16, 256, 2, 2, 2, 48000.0), IOversampler::EStatus::kOK);
  EXPECT_LT(o.MeasuredLatency(2), narrowBand);
  o.Release();
  EXPECT_FALSE(o.IsBuilt());
  EXPECT_EQ(o.CurrentFactor(), -1);
}
