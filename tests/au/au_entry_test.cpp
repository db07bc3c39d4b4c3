// The component's exported entry points, both creation roads, can-do, version and
// Initialize with legal and illegal channel counts.
#include "tests/au/AUTestHost.h"

#include <AudioUnit/MusicDevice.h>
#include <CoreServices/ComponentInstanceRecord.h>

#include <cstdio>
#include <set>
#include <string>

using namespace autest;

TEST(AUExports, ComponentExportsExactlyItsTwoEntryPoints)
{
  const std::string cmd = std::string(FXAU_NM) + " -D --defined-only '" + TheComponent().path + "'";
  FILE* pipe = popen(cmd.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::set<std::string> names;
  char line[1024];
  while (std::fgets(line, sizeof line, pipe))
  {
    std::string s(line);
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) s.pop_back();
    const size_t sp = s.find_last_of(' ');
    if (sp == std::string::npos) continue;
    const char type = sp >= 1 ? s[sp - 1] : '?';
    if (type == 'A') continue;  // version-script nodes, not symbols
    names.insert(s.substr(sp + 1));
  }
  ASSERT_EQ(pclose(pipe), 0);
  EXPECT_EQ(names, (std::set<std::string>{"FxAUTest_Factory", "FxAUTest_Entry"}));
}

TEST(AUExports, BundleIsRegisteredWhenTheLibraryLoads)
{
  ASSERT_TRUE(TheComponent().handle);
  CFBundleRef bundle = CFBundleGetBundleWithIdentifier(CFSTR("com.orbex.tests.fxautest"));
  ASSERT_NE(bundle, nullptr);
  CFTypeRef version = CFBundleGetValueForInfoDictionaryKey(bundle, kCFBundleVersionKey);
  ASSERT_NE(version, nullptr);
  EXPECT_EQ(CFStringCompare(static_cast<CFStringRef>(version), CFSTR("2.1.17"), 0), kCFCompareEqualTo);
  CFURLRef url = CFBundleCopyBundleURL(bundle);
  ASSERT_NE(url, nullptr);
  CFStringRef last = CFURLCopyLastPathComponent(url);
  EXPECT_EQ(CFStringCompare(last, CFSTR("FxAUTest.component"), 0), kCFCompareEqualTo);
  CFRelease(last);
  CFRelease(url);
}

TEST_P(AUTestBothRoads, CreatesInitialisesAndCloses)
{
  AudioUnit unit = Make(GetParam());
  ASSERT_NE(unit, nullptr);
  EXPECT_EQ(AudioUnitInitialize(unit), noErr);
  EXPECT_EQ(AudioUnitInitialize(unit), noErr);  // again while active
  EXPECT_EQ(AudioUnitUninitialize(unit), noErr);
  EXPECT_EQ(AudioUnitReset(unit, kAudioUnitScope_Global, 0), noErr);
}

TEST_P(AUTestBothRoads, InitializeChecksTheHostChannelCounts)
{
  // "1-1 2-2": stereo and mono match, mono in with stereo out matches no configuration.
  struct Case
  {
    int in, out;
    OSStatus expected;
  };
  for (const Case c : {Case{-1, -1, noErr}, Case{2, 2, noErr}, Case{1, 1, noErr}, Case{1, 2, badComponentSelector},
                       Case{2, 1, badComponentSelector}, Case{-1, 1, noErr}})
  {
    AudioUnit unit = Make(GetParam());
    if (c.in > 0) { ASSERT_EQ(SetChannels(unit, kAudioUnitScope_Input, c.in), noErr); }
    if (c.out > 0) { ASSERT_EQ(SetChannels(unit, kAudioUnitScope_Output, c.out), noErr); }
    EXPECT_EQ(AudioUnitInitialize(unit), c.expected) << c.in << "-" << c.out;
    Dispose(unit);
  }
}

TEST_P(AUTestBothRoads, SelectorsOutsideTheTablesAreRefused)
{
  AudioUnit unit = Make(GetParam());
  UInt32 size = 0;
  Boolean writable = true;
  // Property calls go through the same table; an unknown property is a property error, not a crash.
  EXPECT_EQ(AudioUnitGetPropertyInfo(unit, 9999, kAudioUnitScope_Global, 0, &size, &writable),
            kAudioUnitErr_InvalidProperty);
  if (GetParam() == Road::Factory)
  {
    // The factory road hands out no MIDI methods.
    EXPECT_FALSE(AudioComponentInstanceCanDo(unit, kMusicDeviceMIDIEventSelect));
    EXPECT_FALSE(AudioComponentInstanceCanDo(unit, 8));
    EXPECT_FALSE(AudioComponentInstanceCanDo(unit, 0));
    EXPECT_FALSE(AudioComponentInstanceCanDo(unit, 19));
    EXPECT_TRUE(AudioComponentInstanceCanDo(unit, kAudioUnitRenderSelect));
    EXPECT_TRUE(AudioComponentInstanceCanDo(unit, kAudioUnitRemovePropertyListenerWithUserDataSelect));
    EXPECT_EQ(MusicDeviceMIDIEvent(unit, 0x90, 60, 100, 0), badComponentSelector);
  }
  else
  {
    EXPECT_EQ(csx::CallEntry(unit, 8, {unit}), badComponentSelector);
    EXPECT_EQ(csx::CallEntry(unit, 12, {unit}), badComponentSelector);
    EXPECT_EQ(csx::CallEntry(unit, 0x200, {unit}), badComponentSelector);
    EXPECT_EQ(csx::CallEntry(unit, kMusicDevicePrepareInstrumentSelect, {unit, UInt32(0)}), noErr);
  }
}

INSTANTIATE_TEST_SUITE_P(Roads, AUTestBothRoads, ::testing::Values(Road::Factory, Road::Entry), RoadName);

TEST_F(AUTest, EntryRoadAnswersCanDoAndVersion)
{
  AudioUnit unit = Make(Road::Entry);
  // Every selector the entry serves is announced, removing a listener by its user data (18)
  // included, as the factory road's table does.
  for (SInt16 s = -5; s <= 20; ++s)
  {
    const bool yes = (s >= 1 && s <= 7) || (s >= 9 && s <= 11) || (s >= 14 && s <= 18);
    EXPECT_EQ(ComponentFunctionImplemented(unit, s) != 0, yes) << s;
  }
  EXPECT_EQ(ComponentFunctionImplemented(unit, kMusicDeviceMIDIEventSelect), 0);
  EXPECT_EQ(GetComponentVersion(unit), 0x00020111);
}

TEST_F(AUTest, EntryRoadRefusesShortParameterBlocks)
{
  AudioUnit unit = Make(Road::Entry);
  // A get-property call missing its last arguments must not read beyond the block.
  EXPECT_EQ(csx::CallEntry(unit, kAudioUnitGetPropertySelect, {unit, UInt32(2), UInt32(0)}), kAudio_ParamError);
  EXPECT_EQ(csx::CallEntry(unit, kAudioUnitRenderSelect, {unit}), kAudio_ParamError);
  EXPECT_EQ(csx::CallEntry(unit, kComponentCanDoSelect, {}), kAudio_ParamError);
}

TEST_F(AUTest, InitializeIdentifiesTheHostFromTheMainBundle)
{
  // The latency the test product reports is 1 sample per kHz; host identification is not
  // observable directly, but the host identifier property is ignored once the host is known.
  AudioUnit unit = Make(Road::Factory);
  ASSERT_EQ(AudioUnitInitialize(unit), noErr);
  AUHostIdentifier id{CFSTR("Some Host"), {0, 0, 0x21, 3}};
  EXPECT_EQ(SetProp(unit, kAudioUnitProperty_AUHostIdentifier, kAudioUnitScope_Global, 0, id), noErr);
}
