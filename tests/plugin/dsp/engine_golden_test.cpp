// The engine's output pinned bit for bit: every OS Mode and Look Ahead, both
// limit modes, Auto Release, saturation, Volume mode, mono and stereo, at two
// rates, hashed over every output sample and, separately, every published
// meter value after every block. Any change of the processing's arithmetic (a
// faster kernel that rounds differently, a reordered sum) changes a hash; a
// change that is meant to alter the sound or the meters must say so by
// updating the table, and a change of the meters alone leaves the output
// column as it is.

#include "tests/plugin/dsp/EngineTestSupport.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <iomanip>
#include <ostream>

using namespace enginetest;

namespace {

struct Config
{
  double fs;
  int os, lookAhead, autoRelease, limitMode, satMode, ceilingMode;
  double gain, attack, release, ceiling, drive, link;
  bool stereo;
};

struct Hashes
{
  uint64_t output, meters;
  bool operator==(const Hashes& o) const { return output == o.output && meters == o.meters; }
};

std::ostream& operator<<(std::ostream& os, const Hashes& h)
{
  return os << std::hex << std::setfill('0') << "{0x" << std::setw(16) << h.output << "ull, 0x" << std::setw(16)
            << h.meters << "ull}" << std::dec;
}

Hashes RunConfig(const Config& c)
{
  LimiterEngine e;
  e.SetParam(kOSMode, c.os);
  e.SetParam(kLookAhead, c.lookAhead);
  e.SetParam(kAutoRelease, c.autoRelease);
  e.SetParam(kLimitMode, c.limitMode);
  e.SetParam(kSatMode, c.satMode);
  e.SetParam(koutputmode, c.ceilingMode);
  e.SetParam(kGain, c.gain);
  e.SetParam(kAttack, c.attack);
  e.SetParam(kRelease, c.release);
  e.SetParam(kCeiling, c.ceiling);
  e.SetParam(kDrive, c.drive);
  e.SetParam(kChLink, c.link);
  if (e.Prepare(c.fs, 512) != LimiterEngine::EStatus::kOK)
    return {0, 0};
  const int n = 9000;
  const Stereo in {HotNoise(7, n, 0.9), Sine(997.0, c.fs, 1.4, n)};
  Hash out, meters;
  std::vector<double> l, r;
  const int sizes[] = {512, 77, 300, 1, 512, 129};
  int pos = 0;
  for (int k = 0; pos < n; ++k)
  {
    const int len = std::min(n - pos, sizes[k % 6]);
    l.assign(in.l.begin() + pos, in.l.begin() + pos + len);
    r.assign(in.r.begin() + pos, in.r.begin() + pos + len);
    double* io[2] = {l.data(), r.data()};
    e.ProcessBlock(io, io, len, c.stereo ? 2 : 1, c.stereo ? 2 : 1);
    for (int i = 0; i < len; ++i)
    {
      out.Add(l[static_cast<size_t>(i)]);
      out.Add(r[static_cast<size_t>(i)]);
    }
    for (int m = 0; m < LimiterMeters::kNumMeters; ++m)
      meters.Add(e.MeterValue(m));
    pos += len;
  }
  return {out.h, meters.h};
}

// fs, os, look ahead, auto release, limit mode, saturation, ceiling mode,
// gain, attack, release, ceiling, drive, link, stereo
const Config kConfigs[] = {
  {48000, 0, 0, 0, 0, 0, 0, 12.0, 0.0, 0.0, -0.1, 0.0, 100.0, true},
  {48000, 0, 1, 1, 0, 0, 0, 9.0, 0.0, 0.0, -0.3, 0.0, 100.0, true},
  {44100, 0, 0, 0, 1, 1, 0, 6.0, 1.0, 40.0, -1.0, 3.0, 50.0, true},
  {48000, 0, 0, 1, 1, 0, 1, 10.0, 0.5, 0.0, -6.0, 0.0, 0.0, false},
  {48000, 1, 0, 0, 0, 0, 0, 12.0, 0.0, 0.0, -0.1, 0.0, 100.0, true},
  {44100, 1, 1, 1, 0, 1, 0, 18.0, 2.0, 100.0, -2.0, 6.0, 70.0, true},
  {48000, 2, 0, 0, 0, 0, 0, 12.0, 0.0, 0.0, -0.1, 0.0, 100.0, true},
  {48000, 2, 1, 1, 1, 0, 1, 6.0, 0.0, 10.0, -3.0, 1.0, 30.0, false},
  {48000, 3, 0, 0, 0, 0, 0, 12.0, 0.0, 0.0, -0.1, 0.0, 100.0, true},
  {44100, 3, 1, 1, 0, 1, 0, 24.0, 0.0, 0.0, -12.0, 12.0, 100.0, true},
  {48000, 4, 0, 0, 0, 0, 0, 12.0, 0.0, 0.0, -0.1, 0.0, 100.0, true},
  {48000, 4, 1, 1, 1, 0, 0, 3.0, 5.0, 200.0, -0.5, 0.0, 100.0, false},
};

// {output, meters}, recorded from the engine as it stands; see the file comment.
const Hashes kExpected[] = {
  {0x35c1cd58cb1e576bull, 0x1fe7db6f64635744ull}, {0x2d74203ae71b716bull, 0x34227c24dd73fd57ull},
  {0x6d11c854e974f1e2ull, 0x3e7921c6e65e5d2full}, {0x823f651f31b00408ull, 0x3d8e25131a823970ull},
  {0x60be46ba1d5f92c2ull, 0xb1e6199d77ac2fb7ull}, {0x32bc4f846a53574cull, 0xdf14869db36abc33ull},
  {0x0860641080d500fbull, 0xfaa2f80e61c121a4ull}, {0x4a28477d9ec0cff4ull, 0x02d83ec5af3d2aefull},
  {0xd9fda5c327cb5e7aull, 0xe8b789799285da2dull}, {0xbd2a9b11d2e6ed4cull, 0x7f31e8d3314fad61ull},
  {0xc224211860018902ull, 0x62f82a5c99aa5710ull}, {0x6fd15c8fa982756dull, 0xf0be43acc1c4d290ull},
};

} // namespace

TEST(LimiterEngineGolden, OutputAndMetersAreBitIdenticalInBothBuilds)
{
  static_assert(std::size(kConfigs) == std::size(kExpected));
  for (const bool wide : {true, false})
  {
    LimiterEngine::AllowWideKernels(wide);
    for (size_t i = 0; i < std::size(kConfigs); ++i)
      EXPECT_EQ(RunConfig(kConfigs[i]), kExpected[i]) << "configuration " << i << " wide " << wide;
  }
  LimiterEngine::AllowWideKernels(true);
}
