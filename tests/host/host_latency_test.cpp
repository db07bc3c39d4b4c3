// End to end: the latency the unit reports equals the delay an impulse
// measures, at 44.1, 48 and 96 kHz for every OS Mode and Look Ahead, the
// host removes exactly that much so OUT lines up with IN, and `info` lists
// the same latencies.
#include "HostRun.h"

#include <cmath>
#include <random>

using namespace hosttest;

namespace {

const char* kOsModes[] = {"1x", "2x", "4x", "8x", "16x"};
const char* kLookAheads[] = {"Short", "Long"};

size_t ArgMaxAbs(const std::vector<float>& x) {
  size_t best = 0;
  for (size_t i = 1; i < x.size(); ++i)
    if (std::fabs(x[i]) > std::fabs(x[best])) best = i;
  return best;
}

}  // namespace

class HostLatency : public HostTest {};

TEST_F(HostLatency, ImpulseComesOutWhereItWentIn) {
  const RunResult info = Run({"info", "--json"});
  ASSERT_EQ(info.exitCode, 0) << info.err;
  for (const double rate : {44100.0, 48000.0, 96000.0}) {
    // Quiet impulses (no gain reduction), one per channel at different places.
    const size_t frames = static_cast<size_t>(rate / 4), left = 3001, right = 4217;
    orbexhost::AudioData in;
    in.sampleRate = rate;
    in.channels.assign(2, std::vector<float>(frames, 0.0f));
    in.channels[0][left] = 0.5f;
    in.channels[1][right] = -0.25f;
    WriteOrFail(Path("imp.wav"), in);
    for (const char* la : kLookAheads)
      for (const char* os : kOsModes) {
        SCOPED_TRACE(std::to_string(rate) + " " + la + " " + os);
        const RunResult r = Run({"process", Path("imp.wav"), Path("out.wav"), "--json", "--set",
                                 std::string("look ahead=") + la, "--set", std::string("os mode=") + os});
        ASSERT_EQ(r.exitCode, 0) << r.err;
        const double latency = JsonField(r.out, "latency_samples");
        EXPECT_GT(latency, 0.0);
        const auto out = ReadOrFail(Path("out.wav"));
        ASSERT_EQ(out.NumFrames(), frames);
        // The response peaks exactly at the input's sample, with its sign and
        // close to its height: the removed latency is the unit's true delay.
        EXPECT_EQ(ArgMaxAbs(out.channels[0]), left);
        EXPECT_EQ(ArgMaxAbs(out.channels[1]), right);
        EXPECT_NEAR(out.channels[0][left], 0.5, 0.05);
        EXPECT_NEAR(out.channels[1][right], -0.25, 0.025);
        // info reports the same latency at the two rates it lists.
        if (rate != 96000.0) {
          const std::string row = "{\"sample_rate\": " + std::to_string(static_cast<int>(rate)) +
                                  ", \"os_mode\": \"" + os + "\", \"look_ahead\": \"" + la + "\", \"samples\": ";
          const size_t at = info.out.find(row);
          ASSERT_NE(at, std::string::npos) << row;
          EXPECT_EQ(std::atof(info.out.c_str() + at + row.size()), latency);
        }
      }
  }
}

TEST_F(HostLatency, OutLinesUpWithInSampleForSample) {
  // Quiet band-limited noise passes unchanged in level; the best-matching lag
  // of OUT against IN is 0, and at 1x OUT equals IN.
  const double rate = 48000.0;
  const size_t frames = 12000;
  orbexhost::AudioData in;
  in.sampleRate = rate;
  in.channels.assign(2, std::vector<float>(frames));
  std::mt19937 rng(3);
  std::normal_distribution<double> g(0.0, 0.05);
  for (int c = 0; c < 2; ++c) {
    double lp = 0.0;
    for (size_t i = 0; i < frames; ++i) {
      lp += 0.3 * (g(rng) - lp);
      in.channels[static_cast<size_t>(c)][i] = static_cast<float>(lp);
    }
  }
  WriteOrFail(Path("noise.wav"), in);
  for (const char* os : kOsModes) {
    SCOPED_TRACE(os);
    const RunResult r = Run({"process", Path("noise.wav"), Path("out.wav"), "--set", std::string("os mode=") + os});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const auto out = ReadOrFail(Path("out.wav"));
    for (int c = 0; c < 2; ++c) {
      const auto& x = in.channels[static_cast<size_t>(c)];
      const auto& y = out.channels[static_cast<size_t>(c)];
      int bestLag = 99;
      double best = -1.0;
      for (int lag = -4; lag <= 4; ++lag) {
        double sum = 0.0;
        for (size_t i = 100; i + 100 < frames; ++i) sum += x[i] * y[static_cast<size_t>(static_cast<long>(i) + lag)];
        if (sum > best) best = sum, bestLag = lag;
      }
      EXPECT_EQ(bestLag, 0);
      if (std::string(os) == "1x") {
        for (size_t i = 0; i < frames; ++i) ASSERT_EQ(y[i], x[i]) << i;
      }
    }
  }
}

TEST_F(HostLatency, EveryHostIdentityGetsTheSameAlignedRender) {
  // The unit reports latency by different roads depending on the host it
  // identifies (from its idle timer, at once after a change, or only from an
  // audio block); the host must end up with the same aligned render each time.
  orbexhost::AudioData in;
  in.sampleRate = 44100.0;
  in.channels.assign(2, std::vector<float>(8000, 0.0f));
  in.channels[0][2500] = 0.5f;
  in.channels[1][2600] = 0.5f;
  WriteOrFail(Path("imp.wav"), in);
  std::string reference;
  for (const char* host : {"orbex9-host", "protools", "Logic Pro", "com.example.fruity", ""}) {
    SCOPED_TRACE(host);
    const RunResult r = Run({"process", Path("imp.wav"), Path("out.wav"), "--json", "--host-name", host, "--set",
                             "os mode=8x", "--set", "look ahead=Long"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "");
    const auto out = ReadOrFail(Path("out.wav"));
    EXPECT_EQ(ArgMaxAbs(out.channels[0]), 2500u);
    EXPECT_EQ(ArgMaxAbs(out.channels[1]), 2600u);
    const RunResult info = Run({"info", "--json", "--host-name", host});
    ASSERT_EQ(info.exitCode, 0) << info.err;
    const std::string row = "{\"sample_rate\": 44100, \"os_mode\": \"8x\", \"look_ahead\": \"Long\", \"samples\": ";
    const size_t at = info.out.find(row);
    ASSERT_NE(at, std::string::npos);
    EXPECT_EQ(std::atof(info.out.c_str() + at + row.size()), JsonField(r.out, "latency_samples"));
  }
}
