// Host buffers that change between render calls: the unit writes only into the buffers of the
// call it serves, never into memory a host handed it in an earlier call, and refuses a list
// with fewer buffers than its output format has channels.
#include "tests/au/AUTestHost.h"

#include <vector>

using namespace autest;

namespace {

constexpr UInt32 kFrames = 128;
constexpr float kSentinel = 7.f;

OSStatus Render(AudioUnit unit, double t, AudioBufferList* list, UInt32 bus = 0)
{
  return RenderAt(unit, t, kFrames, list, bus);
}

void Fill(HostBuffers& b, UInt32 nChannels, float v)
{
  for (UInt32 c = 0; c < nChannels; ++c)
    for (UInt32 s = 0; s < kFrames; ++s) b.Channel(c)[s] = v;
}

bool Untouched(HostBuffers& b, UInt32 channel)
{
  for (UInt32 s = 0; s < kFrames; ++s)
    if (b.Channel(channel)[s] != kSentinel) return false;
  return true;
}

} // namespace

TEST_P(AUTestBothRoads, EarlierHostBuffersAreNeverWrittenAgain)
{
  AudioUnit unit = Make(GetParam());
  SignalSource source;
  ASSERT_EQ(SetChannels(unit, kAudioUnitScope_Input, 2), noErr);
  ASSERT_EQ(SetChannels(unit, kAudioUnitScope_Output, 2), noErr);
  ASSERT_EQ(ConnectSource(unit, source), noErr);
  ASSERT_EQ(AudioUnitInitialize(unit), noErr);

  // A full stereo call, then its buffers are marked: no later call may write them.
  HostBuffers first(2, kFrames);
  ASSERT_EQ(Render(unit, 0, first.List()), noErr);
  Fill(first, 2, kSentinel);

  // The host hands fewer buffers than its format names (one, or none): refused as a parameter
  // error, nothing pulled and nothing written anywhere.
  HostBuffers mono(1, kFrames);
  Fill(mono, 1, kSentinel);
  EXPECT_EQ(Render(unit, kFrames, mono.List()), kAudio_ParamError);
  EXPECT_TRUE(Untouched(mono, 0));
  HostBuffers none(0, kFrames);
  EXPECT_EQ(Render(unit, 2 * kFrames, none.List()), kAudio_ParamError);
  EXPECT_EQ(source.calls, 1);
  EXPECT_TRUE(Untouched(first, 0));
  EXPECT_TRUE(Untouched(first, 1));

  // A list whose buffers have no memory is served from the adapter's own.
  HostBuffers noMemory(2, kFrames, false);
  ASSERT_EQ(Render(unit, 3 * kFrames, noMemory.List()), noErr);
  EXPECT_TRUE(Untouched(first, 0));
  EXPECT_TRUE(Untouched(first, 1));

  // Back to full stereo: the new buffers receive the signal, the old ones stay as they are.
  HostBuffers again(2, kFrames);
  ASSERT_EQ(Render(unit, 4 * kFrames, again.List()), noErr);
  for (UInt32 c = 0; c < 2; ++c)
  {
    EXPECT_TRUE(Untouched(first, c));
    for (UInt32 s = 0; s < kFrames; ++s)
      ASSERT_FLOAT_EQ(again.Channel(c)[s], SignalSource::Sample(c, 4 * kFrames + s)) << c << " " << s;
  }
}
