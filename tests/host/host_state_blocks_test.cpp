// End to end: a state saved with --save-state and loaded into a fresh process
// renders identically; random block sizes and the Component Manager road
// render the same as fixed blocks through the factory.
#include "HostRun.h"
#include "host/DemoSignal.h"

#include <cmath>
#include <fstream>
#include <iterator>

using namespace hosttest;

namespace {

std::string FileBytes(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

// "" when the two sound files hold the same samples, else where they differ.
std::string Difference(const std::string& a, const std::string& b) {
  const auto x = ReadOrFail(a), y = ReadOrFail(b);
  if (x.NumChannels() != y.NumChannels() || x.NumFrames() != y.NumFrames()) return "shapes differ";
  size_t count = 0, first = 0;
  double worst = 0.0;
  for (int c = 0; c < x.NumChannels(); ++c)
    for (size_t i = 0; i < x.NumFrames(); ++i) {
      const double d = std::fabs(static_cast<double>(x.channels[static_cast<size_t>(c)][i]) - y.channels[static_cast<size_t>(c)][i]);
      if (d != 0.0 || std::isnan(d)) {
        if (count++ == 0) first = i;
        worst = std::max(worst, d);
      }
    }
  if (count == 0) return "";
  return std::to_string(count) + " samples differ, first at frame " + std::to_string(first) + ", by up to " +
         std::to_string(worst);
}

void WriteHot(const std::string& path, double seconds, int channels = 2) {
  orbexhost::DemoSettings s;
  s.seconds = seconds;
  s.peakDb = 9.0;
  s.channels = channels;
  s.seed = 21;
  WriteOrFail(path, orbexhost::MakeDemoSignal(s));
}

}  // namespace

class HostStateAndBlocks : public HostTest {};

TEST_F(HostStateAndBlocks, SavedStateReproducesTheRenderInAFreshProcess) {
  WriteHot(Path("in.wav"), 0.75);
  const std::vector<std::string> settings = {
      "--set", "os mode=2x",        "--set", "look ahead=Long",  "--set", "gain=4.5",  "--set", "ceiling=-0.75",
      "--set", "attack=1.5",        "--set", "release=40",       "--set", "auto release=On", "--set", "channel link=35",
      "--set", "limit mode=Soft",   "--set", "saturation mode=On", "--set", "drive=2"};
  std::vector<std::string> first = {"process", Path("in.wav"), Path("a.wav"), "--save-state", Path("s.aupreset")};
  first.insert(first.end(), settings.begin(), settings.end());
  RunResult r = Run(first);
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const std::string state = FileBytes(Path("s.aupreset"));
  EXPECT_NE(state.find("<plist"), std::string::npos);
  EXPECT_NE(state.find("<key>data</key>"), std::string::npos);

  r = Run({"process", Path("in.wav"), Path("b.wav"), "--load-state", Path("s.aupreset")});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(Difference(Path("a.wav"), Path("b.wav")), "");

  // The state matters: the defaults render differently.
  r = Run({"process", Path("in.wav"), Path("c.wav")});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(Difference(Path("a.wav"), Path("c.wav")), "");

  // A value the host sends as a 32-bit float that six decimals do not hold
  // (-0.7 arrives as -0.69999999) comes back from the state's text as -0.7:
  // the render then differs only far below the output's resolution.
  r = Run({"process", Path("in.wav"), Path("f.wav"), "--set", "ceiling=-0.7", "--set", "gain=4.37", "--save-state",
           Path("u.aupreset")});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  r = Run({"process", Path("in.wav"), Path("g.wav"), "--load-state", Path("u.aupreset")});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  {
    const auto f = ReadOrFail(Path("f.wav")), g = ReadOrFail(Path("g.wav"));
    ASSERT_EQ(f.NumFrames(), g.NumFrames());
    for (int c = 0; c < f.NumChannels(); ++c)
      for (size_t i = 0; i < f.NumFrames(); ++i)
        ASSERT_NEAR(f.channels[static_cast<size_t>(c)][i], g.channels[static_cast<size_t>(c)][i], 1e-5) << i;
  }

  // A state saved from a loaded state is the same state.
  r = Run({"process", Path("in.wav"), Path("d.wav"), "--load-state", Path("s.aupreset"), "--save-state",
           Path("t.aupreset")});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_TRUE(FileBytes(Path("s.aupreset")) == FileBytes(Path("t.aupreset")));

  // --set after --load-state wins over the state.
  r = Run({"process", Path("in.wav"), Path("e.wav"), "--load-state", Path("s.aupreset"), "--set", "ceiling=-6",
           "--json"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_LE(JsonField(r.out, "output_peak_dbfs"), -6.0 + 1e-4);
}

TEST_F(HostStateAndBlocks, RandomBlocksAndTheEntryRoadMatchFixedBlocks) {
  WriteHot(Path("in.wav"), 0.5);
  WriteHot(Path("mono.wav"), 0.5, 1);
  for (const char* os : {"1x", "4x", "16x"})
    for (const char* file : {"in.wav", "mono.wav"}) {
      SCOPED_TRACE(std::string(os) + " " + file);
      const std::vector<std::string> common = {"--set", std::string("os mode=") + os, "--set", "gain=6",
                                               "--set", "release=20"};
      auto run = [&](const std::string& out, std::vector<std::string> extra) {
        std::vector<std::string> args = {"process", Path(file), Path(out)};
        args.insert(args.end(), common.begin(), common.end());
        args.insert(args.end(), extra.begin(), extra.end());
        const RunResult r = Run(args);
        EXPECT_EQ(r.exitCode, 0) << r.err;
        return Difference(Path("fixed.wav"), Path(out));
      };
      ASSERT_EQ(run("fixed.wav", {}), "");
      EXPECT_EQ(run("r1.wav", {"--block", "random", "--seed", "1"}), "");
      EXPECT_EQ(run("r2.wav", {"--block", "random", "--seed", "12345"}), "");
      EXPECT_EQ(run("b1.wav", {"--block", "1"}), "");
      EXPECT_EQ(run("b4096.wav", {"--block", "4096"}), "");
      EXPECT_EQ(run("entry.wav", {"--entry"}), "");
    }
}
