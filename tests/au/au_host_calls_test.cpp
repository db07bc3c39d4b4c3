// Host calls whose arguments a careless reading gets wrong: removing one of several render
// notifications that share a proc, and note-start arguments that have no integer pitch.
#include "tests/au/AUTestHost.h"

#include <AudioUnit/MusicDevice.h>
#include <CoreServices/ComponentInstanceRecord.h>

#include <cmath>
#include <limits>
#include <vector>

using namespace autest;

namespace {

constexpr UInt32 kFrames = 64;

struct CallCount
{
  int pre = 0;
  int post = 0;
  static OSStatus Proc(void* refCon, AudioUnitRenderActionFlags* flags, const AudioTimeStamp*, UInt32, UInt32,
                       AudioBufferList*)
  {
    auto* c = static_cast<CallCount*>(refCon);
    if (*flags & kAudioUnitRenderAction_PreRender) ++c->pre;
    if (*flags & kAudioUnitRenderAction_PostRender) ++c->post;
    return noErr;
  }
};

OSStatus RenderOnce(AudioUnit unit, double t)
{
  HostBuffers out(2, kFrames);
  return RenderAt(unit, t, kFrames, out.List());
}

} // namespace

TEST_P(AUTestBothRoads, RemovingARenderNotifyTakesTheOneWithItsRefCon)
{
  AudioUnit unit = Make(GetParam());
  SignalSource source;
  ASSERT_EQ(ConnectSource(unit, source), noErr);
  ASSERT_EQ(AudioUnitInitialize(unit), noErr);

  CallCount a, b, c;
  ASSERT_EQ(AudioUnitAddRenderNotify(unit, &CallCount::Proc, &a), noErr);
  ASSERT_EQ(AudioUnitAddRenderNotify(unit, &CallCount::Proc, &b), noErr);
  ASSERT_EQ(AudioUnitAddRenderNotify(unit, &CallCount::Proc, &c), noErr);

  // The host removes b (and could free it now): a and c still hear, b never again.
  ASSERT_EQ(AudioUnitRemoveRenderNotify(unit, &CallCount::Proc, &b), noErr);
  ASSERT_EQ(RenderOnce(unit, 0), noErr);
  EXPECT_EQ(a.pre, 1);
  EXPECT_EQ(a.post, 1);
  EXPECT_EQ(b.pre, 0);
  EXPECT_EQ(b.post, 0);
  EXPECT_EQ(c.pre, 1);
  EXPECT_EQ(c.post, 1);

  // A refCon that was never registered still removes one registration of the proc (the first).
  ASSERT_EQ(AudioUnitRemoveRenderNotify(unit, &CallCount::Proc, nullptr), noErr);
  ASSERT_EQ(RenderOnce(unit, kFrames), noErr);
  EXPECT_EQ(a.pre, 1);
  EXPECT_EQ(c.pre, 2);

  // Removing a proc that is not registered changes nothing.
  struct Other
  {
    static OSStatus Proc(void*, AudioUnitRenderActionFlags*, const AudioTimeStamp*, UInt32, UInt32, AudioBufferList*)
    {
      return noErr;
    }
  };
  ASSERT_EQ(AudioUnitRemoveRenderNotify(unit, &Other::Proc, &c), noErr);
  ASSERT_EQ(RenderOnce(unit, 2 * kFrames), noErr);
  EXPECT_EQ(c.pre, 3);
  EXPECT_EQ(c.post, 3);
  ASSERT_EQ(AudioUnitRemoveRenderNotify(unit, &CallCount::Proc, &c), noErr);
  ASSERT_EQ(RenderOnce(unit, 3 * kFrames), noErr);
  EXPECT_EQ(c.pre, 3);
}

TEST_F(AUTest, StartNoteGivesThePitchAsNoteIdAndZeroForPitchesWithoutOne)
{
  AudioUnit unit = Make(Road::Entry);
  struct Case
  {
    Float32 pitch;
    NoteInstanceID expected;
  };
  const Case cases[] = {
    {60.f, 60u},
    {61.9f, 61u},
    {-3.5f, static_cast<NoteInstanceID>(-3)},
    {std::numeric_limits<Float32>::quiet_NaN(), 0u},
    {std::numeric_limits<Float32>::infinity(), 0u},
    {-std::numeric_limits<Float32>::infinity(), 0u},
    {3.0e9f, 0u},
    {-3.0e9f, 0u},
  };
  for (const Case& c : cases)
  {
    MusicDeviceNoteParams note{};
    note.argCount = 2;
    note.mPitch = c.pitch;
    note.mVelocity = 100.f;
    NoteInstanceID id = 12345;
    EXPECT_EQ(csx::CallEntry(unit, kMusicDeviceStartNoteSelect,
                             {unit, UInt32(0), UInt32(0), static_cast<const void*>(&id), UInt32(0),
                              static_cast<const void*>(&note)}),
              noErr)
      << c.pitch;
    EXPECT_EQ(id, c.expected) << c.pitch;
  }
}
