// The engine's output pinned bit for bit: every OS Mode and Look Ahead, both
// limit modes, Auto Release, saturation, Volume mode, mono and stereo, at two
// rates, hashed over every output sample and every published meter value
// after every block. Any change of the processing's arithmetic (a faster
// kernel that rounds differently, a reordered sum) changes a hash; a change
// that is meant to alter the sound must say so by updating the table.

#include "tests/plugin/dsp/EngineTestSupport.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

using namespace enginetest;

namespace {

struct Config
{
  double fs;
  int os, lookAhead, autoRelease, limitMode, satMode, ceilingMode;
  double gain, attack, release, ceiling, drive, link;
  bool stereo;
};

// FNV-1a over the bytes of doubles.
struct Hash
{
  uint64_t h = 1469598103934665603ull;
  void Add(double v)
  {
    uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    for (int i = 0; i < 8; ++i)
    {
      h ^= (bits >> (8 * i)) & 0xffu;
      h *= 1099511628211ull;
    }
  }
};

uint64_t RunConfig(const Config& c)
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
    return 0;
  const int n = 9000;
  const Stereo in {HotNoise(7, n, 0.9), Sine(997.0, c.fs, 1.4, n)};
  Hash h;
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
      h.Add(l[static_cast<size_t>(i)]);
      h.Add(r[static_cast<size_t>(i)]);
    }
    for (int m = 0; m < LimiterMeters::kNumMeters; ++m)
      h.Add(e.MeterValue(m));
    pos += len;
  }
  return h.h;
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

// Recorded from the engine as it stands; see the file comment.
const uint64_t kExpected[] = {
  0x443e9c98650b7cafull, 0x7fd0ca4283f90326ull, 0xc1f5e91b954d8f0aull, 0x7732fcceb5f14a0bull,
  0x4abd53a5aab78298ull, 0xa5c1eb25cf897e5aull, 0x29e76f974f718758ull, 0xaa774f078fb65a7full,
  0xeda59cfec130721full, 0xb4ce16dc791bb82bull, 0x6395b523fb627272ull, 0x6c2a99f54f259cc6ull,
};

} // namespace

TEST(LimiterEngineGolden, OutputAndMetersAreBitIdenticalInBothBuilds)
{
  static_assert(std::size(kConfigs) == std::size(kExpected));
  for (const bool wide : {true, false})
  {
    LimiterEngine::AllowWideKernels(wide);
    for (size_t i = 0; i < std::size(kConfigs); ++i)
      EXPECT_EQ(RunConfig(kConfigs[i]), kExpected[i]) << "configuration " << i << " wide " << wide << std::hex
                                                       << " hash 0x" << RunConfig(kConfigs[i]);
  }
  LimiterEngine::AllowWideKernels(true);
}
