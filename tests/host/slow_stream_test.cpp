// End to end, at full length: the host's peak memory for ten minutes of 48 kHz
// stereo stays within a small margin of that for ten seconds (holding IN and
// OUT would add about 440 MB). Slow: it writes and renders about 350 MB.
#include "HostFiles.h"
#include "HostRun.h"

using namespace hosttest;

class HostStreamLong : public HostTest {};

TEST_F(HostStreamLong, TenMinutesNeedNoMoreMemoryThanTenSeconds) {
  WriteLongFile(Path("short.wav"), 10.0, 48000, 2);
  WriteLongFile(Path("long.wav"), 600.0, 48000, 2);
  const RunResult shortRun = Run({"process", Path("short.wav"), Path("short-out.wav"), "--json"});
  ASSERT_EQ(shortRun.exitCode, 0) << shortRun.err;
  std::remove(Path("short-out.wav").c_str());
  const RunResult longRun = Run({"process", Path("long.wav"), Path("long-out.wav"), "--json"});
  ASSERT_EQ(longRun.exitCode, 0) << longRun.err;
  EXPECT_EQ(JsonField(longRun.out, "frames"), 28800000.0);
  EXPECT_EQ(FramesIn(Path("long-out.wav")), 28800000);
  EXPECT_LT(longRun.peakMemoryKb, shortRun.peakMemoryKb + 3 * 1024)
      << shortRun.peakMemoryKb << " KB for 10 s, " << longRun.peakMemoryKb << " KB for 10 min";
}
