// End to end: the ceiling holds on hot material for every OS Mode, both Look
// Ahead settings and both Ceiling Modes, and automation lands on its sample.
#include "HostRun.h"
#include "host/DemoSignal.h"

#include <cmath>

using namespace hosttest;

namespace {

const char* kOsModes[] = {"1x", "2x", "4x", "8x", "16x"};
const char* kLookAheads[] = {"Short", "Long"};

orbexhost::AudioData HotMaterial(double seconds, double rate, int channels) {
  orbexhost::DemoSettings s;
  s.seconds = seconds;
  s.sampleRate = rate;
  s.peakDb = 12.0;
  s.channels = channels;
  s.seed = 5;
  return orbexhost::MakeDemoSignal(s);
}

}  // namespace

class HostCeiling : public HostTest {};

TEST_F(HostCeiling, OutputPeakStaysUnderTheCeilingInEveryMode) {
  WriteOrFail(Path("hot.wav"), HotMaterial(1.0, 48000.0, 2));
  const double ceilingDb = -1.5;
  const double ceiling = std::pow(10.0, ceilingDb / 20.0);
  for (const char* mode : {"Ceiling", "Volume"})
    for (const char* la : kLookAheads)
      for (const char* os : kOsModes) {
        SCOPED_TRACE(std::string(mode) + " " + la + " " + os);
        const RunResult r = Run({"process", Path("hot.wav"), Path("out.wav"), "--json", "--set", "gain=6",
                                 "--set", "ceiling=" + std::to_string(ceilingDb), "--set", std::string("ceiling mode=") + mode,
                                 "--set", std::string("look ahead=") + la, "--set", std::string("os mode=") + os});
        ASSERT_EQ(r.exitCode, 0) << r.err;
        const auto out = ReadOrFail(Path("out.wav"));
        ASSERT_EQ(out.NumFrames(), 48000u);
        const double peak = SamplePeak(out);
        // Ceiling mode clamps at the ceiling. Volume mode limits to full scale
        // and then applies the Volume gain at the processing rate; the final
        // clamp is full scale, so with oversampling the down-sampler's ringing
        // may rise above the Volume level but never above 0 dBFS.
        const bool volume = std::string(mode) == "Volume";
        const double limit = (volume && std::string(os) != "1x") ? 1.0 : ceiling;
        EXPECT_LE(peak, limit * (1.0 + 1e-6));
        // The limiter works: the gained material (+18 dBFS) comes out near the ceiling.
        EXPECT_GT(peak, ceiling * 0.7);
        // The report measures the file it wrote.
        EXPECT_NEAR(JsonField(r.out, "output_peak_dbfs"), 20.0 * std::log10(peak), 1e-6);
        EXPECT_NEAR(JsonField(r.out, "input_peak_dbfs"), 12.0, 1e-3);
        EXPECT_GE(JsonField(r.out, "output_true_peak_dbfs"), JsonField(r.out, "output_peak_dbfs") - 1e-9);
        EXPECT_GT(JsonField(r.out, "max_gain_reduction_db"), 15.0);
      }
}

TEST_F(HostCeiling, MonoFilesAndFactoryPresetsHoldTheirCeiling) {
  WriteOrFail(Path("mono.wav"), HotMaterial(1.0, 44100.0, 1));
  const RunResult r = Run({"process", Path("mono.wav"), Path("out.wav"), "--json", "--set", "ceiling=-3",
                           "--set", "os mode=8x", "--set", "limit mode=Soft", "--set", "saturation mode=On",
                           "--set", "gain=3"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const auto out = ReadOrFail(Path("out.wav"));
  EXPECT_EQ(out.NumChannels(), 1);
  EXPECT_LE(SamplePeak(out), std::pow(10.0, -3.0 / 20.0) * (1.0 + 1e-6));

  WriteOrFail(Path("hot.wav"), HotMaterial(1.0, 48000.0, 2));
  const RunResult info = Run({"info", "--json"});
  ASSERT_EQ(info.exitCode, 0) << info.err;
  for (int n = 0; n < 8; ++n) {
    if (info.out.find("{\"number\": " + std::to_string(n) + ",") == std::string::npos) continue;
    SCOPED_TRACE("preset " + std::to_string(n));
    const RunResult p = Run({"process", Path("hot.wav"), Path("p.wav"), "--preset", std::to_string(n), "--json"});
    ASSERT_EQ(p.exitCode, 0) << p.err;
    // Every factory preset keeps the output at or under full scale.
    EXPECT_LE(SamplePeak(ReadOrFail(Path("p.wav"))), 1.0 + 1e-6);
  }
}

TEST_F(HostCeiling, AutomatedCeilingTakesEffectAtItsSample) {
  // A steady full-scale tone; the ceiling drops from 0 to -12 dBFS at 0.5 s.
  orbexhost::AudioData tone;
  tone.sampleRate = 48000.0;
  tone.channels.assign(2, std::vector<float>(48000));
  for (size_t i = 0; i < 48000; ++i)
    tone.channels[0][i] = tone.channels[1][i] = static_cast<float>(0.9 * std::sin(2.0 * M_PI * 200.0 * i / 48000.0));
  WriteOrFail(Path("tone.wav"), tone);
  const RunResult r = Run({"process", Path("tone.wav"), Path("out.wav"), "--automate", "ceiling=-12@0.5",
                           "--block", "random", "--seed", "9", "--json"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  // The report measures the reduction against the ceiling in force: the
  // tone's 0.9 held under -12 dBFS is about 11 dB.
  const double reduction = JsonField(r.out, "max_gain_reduction_db");
  EXPECT_GT(reduction, 10.5);
  EXPECT_LT(reduction, 12.0);
  const auto out = ReadOrFail(Path("out.wav"));
  const double low = std::pow(10.0, -12.0 / 20.0);
  double before = 0.0, after = 0.0;
  for (size_t i = 0; i < 24000; ++i) before = std::max(before, static_cast<double>(std::fabs(out.channels[0][i])));
  for (size_t i = 24000; i < 48000; ++i) after = std::max(after, static_cast<double>(std::fabs(out.channels[0][i])));
  EXPECT_GT(before, 0.85);
  EXPECT_LE(after, low * (1.0 + 1e-6));
}
