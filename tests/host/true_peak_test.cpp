// The 4x true-peak meter of the host's report: known inter-sample peaks,
// never below the sample peak, block splits equal one pass, the filter
// reconstructs band-limited signals, and the block filter gives what a plain
// per-sample filter with the same taps gives, to rounding.
#include "host/TruePeakMeter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>
#include <vector>

using orbexhost::TruePeakMeter;

namespace {

double PeakOf(const std::vector<float>& x) {
  TruePeakMeter m(1);
  m.Process(0, x.data(), x.size());
  m.Finish();
  return m.Peak();
}

// A sine faded in and out over 1000 samples each, so its edges add no
// overshoot of their own; the crests in the middle have the full amplitude.
std::vector<float> Sine(double cyclesPerSample, double phase, double amp, size_t n) {
  std::vector<float> x(n);
  const double fade = 1000.0;
  for (size_t i = 0; i < n; ++i) {
    const double t = static_cast<double>(i);
    const double edge = std::min({1.0, t / fade, static_cast<double>(n - 1 - i) / fade});
    const double w = 0.5 - 0.5 * std::cos(std::numbers::pi * edge);
    x[i] = static_cast<float>(w * amp * std::sin(2.0 * std::numbers::pi * cyclesPerSample * t + phase));
  }
  return x;
}

}  // namespace

TEST(TruePeakMeter, FindsPeaksBetweenSamples) {
  // A quarter-rate sine sampled 45 degrees off its crests: every sample is at
  // 0.707, the waveform between them reaches 1.0 on the 4x grid.
  const auto x = Sine(0.25, std::numbers::pi / 4.0, 1.0, 4800);
  // An abrupt start is a step: its reconstruction overshoots.
  std::vector<float> step(200, 0.0f);
  std::fill(step.begin() + 100, step.end(), 1.0f);
  EXPECT_GT(PeakOf(step), 1.05);
  double samplePeak = 0.0;
  for (float s : x) samplePeak = std::max(samplePeak, static_cast<double>(std::fabs(s)));
  EXPECT_NEAR(samplePeak, std::sqrt(0.5), 1e-6);
  EXPECT_NEAR(20.0 * std::log10(PeakOf(x)), 0.0, 0.01);

  // Sines well inside the pass band: the 4x grid lies within 0.2 dB of the
  // crest whatever the phase, and the filter adds no gain.
  for (double f : {0.01, 0.05, 0.1, 0.2}) {
    for (double ph : {0.0, 0.3, 1.1, 2.5}) {
      const double db = 20.0 * std::log10(PeakOf(Sine(f, ph, 0.5, 9600)) / 0.5);
      EXPECT_LE(db, 0.01) << f << " " << ph;
      EXPECT_GE(db, -0.2) << f << " " << ph;
    }
  }
}

TEST(TruePeakMeter, NeverBelowSamplePeakAndSilenceIsZero) {
  std::mt19937 rng(7);
  std::uniform_real_distribution<float> u(-1.0f, 1.0f);
  for (int trial = 0; trial < 20; ++trial) {
    std::vector<float> x(257 + trial * 31);
    for (float& s : x) s = u(rng);
    double samplePeak = 0.0;
    for (float s : x) samplePeak = std::max(samplePeak, static_cast<double>(std::fabs(s)));
    EXPECT_GE(PeakOf(x), samplePeak * (1.0 - 1e-12));
  }
  EXPECT_EQ(PeakOf(std::vector<float>(1000, 0.0f)), 0.0);
  // Non-finite samples count as silence.
  std::vector<float> y(100, 0.0f);
  y[10] = std::numeric_limits<float>::quiet_NaN();
  y[20] = std::numeric_limits<float>::infinity();
  y[30] = 0.25f;
  const double p = PeakOf(y);
  EXPECT_TRUE(std::isfinite(p));
  EXPECT_GE(p, 0.25);
  EXPECT_LT(p, 0.3);
}

TEST(TruePeakMeter, ZeroPhaseIsIdentityAndPhasesHaveUnityGain) {
  TruePeakMeter m(1);
  for (int j = 0; j < TruePeakMeter::kTapsPerPhase; ++j)
    EXPECT_DOUBLE_EQ(m.Phase(0)[static_cast<size_t>(j)], j == TruePeakMeter::kTapsPerPhase / 2 ? 1.0 : 0.0);
  for (int p = 1; p < TruePeakMeter::kFactor; ++p) {
    double sum = 0.0;
    for (double c : m.Phase(p)) sum += c;
    EXPECT_NEAR(sum, 1.0, 1e-12);
  }
  // Phases 1 and 3 mirror each other; phase 2 is symmetric.
  for (int j = 0; j < TruePeakMeter::kTapsPerPhase; ++j) {
    const int mirror = TruePeakMeter::kTapsPerPhase - 1 - j;
    if (mirror < TruePeakMeter::kTapsPerPhase) {
      EXPECT_NEAR(m.Phase(2)[static_cast<size_t>(j)], m.Phase(2)[static_cast<size_t>(mirror)], 1e-15);
      EXPECT_NEAR(m.Phase(1)[static_cast<size_t>(j)], m.Phase(3)[static_cast<size_t>(mirror)], 1e-15);
    }
  }
}

TEST(TruePeakMeter, RandomBlockSplitsEqualOnePassPerChannel) {
  std::mt19937 rng(11);
  std::uniform_real_distribution<float> u(-2.0f, 2.0f);
  std::vector<float> a(5000), b(5000);
  for (float& s : a) s = u(rng);
  for (float& s : b) s = 0.5f * u(rng);
  TruePeakMeter whole(2);
  whole.Process(0, a.data(), a.size());
  whole.Process(1, b.data(), b.size());
  whole.Finish();
  TruePeakMeter split(2);
  std::uniform_int_distribution<size_t> len(1, 300);
  for (size_t pos = 0; pos < a.size();) {
    const size_t n = std::min(len(rng), a.size() - pos);
    split.Process(0, a.data() + pos, n);
    split.Process(1, b.data() + pos, n);
    pos += n;
  }
  split.Finish();
  EXPECT_EQ(split.Peak(0), whole.Peak(0));
  EXPECT_EQ(split.Peak(1), whole.Peak(1));
  EXPECT_EQ(split.Peak(), std::max(whole.Peak(0), whole.Peak(1)));
  EXPECT_EQ(split.Peak(5), 0.0);  // no such channel
}

namespace {

// The definition the meter must meet: every input sample shifted into a
// history, each phase's output summed tap by tap, the largest magnitude kept.
double PlainPeak(const TruePeakMeter& taps, const std::vector<float>& x) {
  constexpr int kTaps = TruePeakMeter::kTapsPerPhase;
  std::vector<double> history(kTaps, 0.0);  // history[j] = x[n - j]
  double peak = 0.0;
  auto push = [&](double v) {
    history.insert(history.begin(), v);
    history.pop_back();
    for (int p = 0; p < TruePeakMeter::kFactor; ++p) {
      double y = 0.0;
      for (int j = 0; j < kTaps; ++j) y += taps.Phase(p)[static_cast<size_t>(j)] * history[static_cast<size_t>(j)];
      peak = std::max(peak, std::fabs(y));
    }
  };
  for (float s : x) push(std::isfinite(s) ? static_cast<double>(s) : 0.0);
  for (int i = 0; i < kTaps; ++i) push(0.0);
  return peak;
}

}  // namespace

TEST(TruePeakMeter, BlockFilterMatchesThePlainPerSampleFilter) {
  std::mt19937 rng(23);
  std::uniform_real_distribution<float> u(-1.5f, 1.5f);
  const TruePeakMeter taps(1);
  // Lengths around the block and vector sizes, hot noise with the odd
  // non-finite sample, and a loud band-limited burst.
  for (const size_t n : {size_t{1}, size_t{7}, size_t{31}, size_t{33}, size_t{511}, size_t{513}, size_t{4099}}) {
    std::vector<float> x(n);
    for (float& s : x) s = u(rng);
    if (n > 40) x[n / 2] = std::numeric_limits<float>::quiet_NaN();
    const double plain = PlainPeak(taps, x);
    EXPECT_NEAR(PeakOf(x), plain, plain * 1e-13) << n;
  }
  const auto burst = Sine(0.23, 0.4, 1.2, 3000);
  EXPECT_NEAR(PeakOf(burst), PlainPeak(taps, burst), 1e-13);
}
