// Properties through the component's entry points: round trips, refusals that change nothing,
// truthful sizes and writability, parameter descriptions and the records handed to the host.
#include "tests/au/AUTestHost.h"

#include <cmath>
#include <limits>
#include <string>
#include <vector>

using namespace autest;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

std::string Str(CFStringRef s)
{
  if (!s) return "<null>";
  char buf[256] = {};
  CFStringGetCString(s, buf, sizeof buf, kCFStringEncodingUTF8);
  return buf;
}

double ReadRate(AudioUnit unit)
{
  Float64 rate = 0;
  EXPECT_EQ(GetProp(unit, kAudioUnitProperty_SampleRate, kAudioUnitScope_Global, 0, rate), noErr);
  return rate;
}

AudioStreamBasicDescription ReadFormat(AudioUnit unit, AudioUnitScope scope)
{
  AudioStreamBasicDescription f{};
  EXPECT_EQ(GetProp(unit, kAudioUnitProperty_StreamFormat, scope, 0, f), noErr);
  return f;
}

struct ListenerLog
{
  std::vector<AudioUnitPropertyID> ids;
  double rateSeen = 0;
  static void Proc(void* refCon, AudioUnit unit, AudioUnitPropertyID id, AudioUnitScope, AudioUnitElement)
  {
    auto* log = static_cast<ListenerLog*>(refCon);
    log->ids.push_back(id);
    if (id == kAudioUnitProperty_SampleRate) log->rateSeen = ReadRate(unit);
  }
};

} // namespace

TEST_P(AUTestBothRoads, SettableValuesRoundTrip)
{
  AudioUnit unit = Make(GetParam());
  EXPECT_EQ(SetProp(unit, kAudioUnitProperty_SampleRate, kAudioUnitScope_Global, 0, Float64(48000)), noErr);
  EXPECT_EQ(ReadRate(unit), 48000);
  EXPECT_EQ(SetProp(unit, kAudioUnitProperty_MaximumFramesPerSlice, kAudioUnitScope_Global, 0, UInt32(1024)), noErr);
  UInt32 frames = 0;
  EXPECT_EQ(GetProp(unit, kAudioUnitProperty_MaximumFramesPerSlice, kAudioUnitScope_Global, 0, frames), noErr);
  EXPECT_EQ(frames, 1024u);
  for (AudioUnitPropertyID id : {kAudioUnitProperty_BypassEffect, kAudioUnitProperty_OfflineRender})
  {
    UInt32 on = 0;
    EXPECT_EQ(SetProp(unit, id, kAudioUnitScope_Global, 0, UInt32(7)), noErr);
    EXPECT_EQ(GetProp(unit, id, kAudioUnitScope_Global, 0, on), noErr);
    EXPECT_EQ(on, 1u);
    EXPECT_EQ(SetProp(unit, id, kAudioUnitScope_Global, 0, UInt32(0)), noErr);
    EXPECT_EQ(GetProp(unit, id, kAudioUnitScope_Global, 0, on), noErr);
    EXPECT_EQ(on, 0u);
  }
  // A mono input format at a new rate: channels and rate are read back on every bus.
  ASSERT_EQ(SetChannels(unit, kAudioUnitScope_Input, 1, 96000), noErr);
  EXPECT_EQ(ReadFormat(unit, kAudioUnitScope_Input).mChannelsPerFrame, 1u);
  EXPECT_EQ(ReadFormat(unit, kAudioUnitScope_Output).mChannelsPerFrame, 2u);  // plug-in count until set
  EXPECT_EQ(ReadFormat(unit, kAudioUnitScope_Output).mSampleRate, 96000);
  const AudioStreamBasicDescription f = ReadFormat(unit, kAudioUnitScope_Global);
  EXPECT_EQ(f.mFormatID, kAudioFormatLinearPCM);
  EXPECT_EQ(f.mFormatFlags, 0x29u);
  EXPECT_EQ(f.mBitsPerChannel, 32u);
}

TEST_P(AUTestBothRoads, NewSampleRateReachesTheResetHandler)
{
  // The test product reports one sample of latency per kHz from its reset handler.
  AudioUnit unit = Make(GetParam());
  ListenerLog log;
  ASSERT_EQ(AudioUnitAddPropertyListener(unit, kAudioUnitProperty_Latency, &ListenerLog::Proc, &log), noErr);
  ASSERT_EQ(SetChannels(unit, kAudioUnitScope_Output, 2, 88200), noErr);
  Float64 latency = 0;
  ASSERT_EQ(GetProp(unit, kAudioUnitProperty_Latency, kAudioUnitScope_Global, 0, latency), noErr);
  EXPECT_NEAR(latency * 88200, 88, 1e-9);
  EXPECT_EQ(log.ids, std::vector<AudioUnitPropertyID>{kAudioUnitProperty_Latency});
  ASSERT_EQ(SetProp(unit, kAudioUnitProperty_SampleRate, kAudioUnitScope_Global, 0, Float64(32000)), noErr);
  ASSERT_EQ(GetProp(unit, kAudioUnitProperty_Latency, kAudioUnitScope_Global, 0, latency), noErr);
  EXPECT_NEAR(latency * 32000, 32, 1e-9);
  EXPECT_EQ(log.ids.size(), 2u);
}

TEST_P(AUTestBothRoads, RefusedValuesChangeNothing)
{
  AudioUnit unit = Make(GetParam());
  ASSERT_EQ(SetChannels(unit, kAudioUnitScope_Input, 2, 44100), noErr);

  for (double bad : {kNaN, 0.0, -48000.0, std::numeric_limits<double>::infinity()})
  {
    EXPECT_EQ(SetProp(unit, kAudioUnitProperty_SampleRate, kAudioUnitScope_Global, 0, Float64(bad)),
              kAudioUnitErr_InvalidPropertyValue)
      << bad;
    EXPECT_EQ(ReadRate(unit), 44100);
  }

  struct BadFormat
  {
    const char* what;
    AudioStreamBasicDescription f;
    OSStatus expected;
  };
  auto fmt = [](auto edit) {
    AudioStreamBasicDescription f = FloatFormat(48000, 1);
    edit(f);
    return f;
  };
  const BadFormat cases[] = {
    {"not PCM", fmt([](auto& f) { f.mFormatID = 0x61616320; }), kAudioUnitErr_InvalidProperty},
    {"integer", fmt([](auto& f) { f.mFormatFlags = kAudioFormatFlagIsSignedInteger | kAudioFormatFlagIsNonInterleaved; }),
     kAudioUnitErr_InvalidProperty},
    {"interleaved", fmt([](auto& f) { f.mFormatFlags = kAudioFormatFlagIsFloat | kAudioFormatFlagIsPacked; }),
     kAudioUnitErr_InvalidProperty},
    {"big endian", fmt([](auto& f) { f.mFormatFlags |= kAudioFormatFlagIsBigEndian; }), kAudioUnitErr_InvalidProperty},
    {"16 bit", fmt([](auto& f) {
       f.mBitsPerChannel = 16;
       f.mBytesPerFrame = f.mBytesPerPacket = 2;
     }),
     kAudioUnitErr_InvalidProperty},
    {"64 bit", fmt([](auto& f) {
       f.mBitsPerChannel = 64;
       f.mBytesPerFrame = f.mBytesPerPacket = 8;
     }),
     kAudioUnitErr_InvalidProperty},
    {"rate 0", fmt([](auto& f) { f.mSampleRate = 0; }), kAudioUnitErr_InvalidProperty},
    {"rate NaN", fmt([](auto& f) { f.mSampleRate = kNaN; }), kAudioUnitErr_InvalidProperty},
    {"no channels", fmt([](auto& f) { f.mChannelsPerFrame = 0; }), kAudioUnitErr_InvalidProperty},
    {"three channels", fmt([](auto& f) { f.mChannelsPerFrame = 3; }), kAudioUnitErr_InvalidProperty},
    {"huge channel count", fmt([](auto& f) { f.mChannelsPerFrame = 0xFFFFFFFF; }), kAudioUnitErr_InvalidProperty},
  };
  for (const BadFormat& c : cases)
  {
    EXPECT_EQ(SetFormat(unit, kAudioUnitScope_Input, 0, c.f), c.expected) << c.what;
    const AudioStreamBasicDescription now = ReadFormat(unit, kAudioUnitScope_Input);
    EXPECT_EQ(now.mChannelsPerFrame, 2u) << c.what;
    EXPECT_EQ(now.mSampleRate, 44100) << c.what;
  }
  EXPECT_EQ(SetFormat(unit, kAudioUnitScope_Input, 1, FloatFormat(44100, 2)), kAudioUnitErr_InvalidProperty);
  EXPECT_EQ(SetFormat(unit, kAudioUnitScope_Group, 0, FloatFormat(44100, 2)), kAudioUnitErr_InvalidProperty);

  // Data sizes are checked against the record on both get and set.
  const AudioStreamBasicDescription mono = FloatFormat(44100, 1);
  EXPECT_EQ(AudioUnitSetProperty(unit, kAudioUnitProperty_StreamFormat, kAudioUnitScope_Input, 0, &mono, 39),
            kAudio_ParamError);
  EXPECT_EQ(AudioUnitSetProperty(unit, kAudioUnitProperty_StreamFormat, kAudioUnitScope_Input, 0, nullptr, 40),
            kAudio_ParamError);
  EXPECT_EQ(ReadFormat(unit, kAudioUnitScope_Input).mChannelsPerFrame, 2u);
  Float64 rate = 0;
  UInt32 size = 4;
  EXPECT_EQ(AudioUnitGetProperty(unit, kAudioUnitProperty_SampleRate, kAudioUnitScope_Global, 0, &rate, &size),
            kAudio_ParamError);
  EXPECT_EQ(rate, 0);
  EXPECT_EQ(SetProp(unit, kAudioUnitProperty_MaximumFramesPerSlice, kAudioUnitScope_Global, 0, UInt32(0)),
            kAudioUnitErr_InvalidPropertyValue);
  EXPECT_EQ(AudioUnitSetProperty(unit, 9999, kAudioUnitScope_Global, 0, &rate, sizeof rate),
            kAudioUnitErr_InvalidProperty);
  for (AudioUnitPropertyID id : {kAudioUnitProperty_Latency, kAudioUnitProperty_TailTime,
                                 kAudioUnitProperty_MaximumFramesPerSlice, kAudioUnitProperty_SupportedNumChannels})
    EXPECT_EQ(GetProp(unit, id, kAudioUnitScope_Input, 0, rate), kAudioUnitErr_InvalidProperty) << id;
}

TEST_P(AUTestBothRoads, InitialisedUnitRefusesFormatsNoConfigurationAllows)
{
  AudioUnit unit = Make(GetParam());
  ASSERT_EQ(SetChannels(unit, kAudioUnitScope_Output, 1), noErr);
  ASSERT_EQ(SetChannels(unit, kAudioUnitScope_Input, 1), noErr);
  ASSERT_EQ(AudioUnitInitialize(unit), noErr);
  EXPECT_EQ(SetChannels(unit, kAudioUnitScope_Input, 2), kAudioUnitErr_InvalidProperty);
  EXPECT_EQ(ReadFormat(unit, kAudioUnitScope_Input).mChannelsPerFrame, 1u);
  ASSERT_EQ(AudioUnitUninitialize(unit), noErr);
  EXPECT_EQ(SetChannels(unit, kAudioUnitScope_Input, 2), noErr);
}

TEST_F(AUTest, PropertyInfoReportsSizesAndWritabilityTruthfully)
{
  AudioUnit unit = Make();
  struct Row
  {
    AudioUnitPropertyID id;
    AudioUnitScope scope;
    UInt32 size;
    bool writable;
  };
  const Row rows[] = {
    {kAudioUnitProperty_ClassInfo, 0, 8, true},           {kAudioUnitProperty_MakeConnection, 1, 16, true},
    {kAudioUnitProperty_SampleRate, 0, 8, true},          {kAudioUnitProperty_ParameterList, 0, 24, false},
    {kAudioUnitProperty_StreamFormat, 1, 40, true},       {kAudioUnitProperty_ElementCount, 1, 4, false},
    {kAudioUnitProperty_Latency, 0, 8, false},            {kAudioUnitProperty_SupportedNumChannels, 0, 8, false},
    {kAudioUnitProperty_MaximumFramesPerSlice, 0, 4, true}, {kAudioUnitProperty_TailTime, 0, 8, false},
    {kAudioUnitProperty_BypassEffect, 0, 4, true},        {kAudioUnitProperty_SetRenderCallback, 1, 16, true},
    {kAudioUnitProperty_FactoryPresets, 0, 8, false},     {kAudioUnitProperty_HostCallbacks, 0, 40, true},
    {kAudioUnitProperty_PresentPreset, 0, 16, true},      {kAudioUnitProperty_CurrentPreset, 0, 16, true},
    {kAudioUnitProperty_CocoaUI, 0, 16, false},           {kAudioUnitProperty_SupportedChannelLayoutTags, 1, 8, false},
    {kAudioUnitProperty_ParameterStringFromValue, 0, 24, false}, {kAudioUnitProperty_ParameterIDName, 0, 16, false},
    {kAudioUnitProperty_OfflineRender, 0, 4, true},       {kAudioUnitProperty_AUHostIdentifier, 0, 16, true},
    {kAudioUnitProperty_MIDIOutputCallback, 0, 16, true}, {kAudioUnitProperty_MIDIOutputCallbackInfo, 0, 8, false},
    {kAudioUnitProperty_SetRenderCallback, 0, 16, false},  // only the input scope takes a callback
  };
  for (const Row& r : rows)
  {
    UInt32 size = 0;
    Boolean writable = !r.writable;
    EXPECT_EQ(AudioUnitGetPropertyInfo(unit, r.id, r.scope, 0, &size, &writable), noErr) << r.id;
    EXPECT_EQ(size, r.size) << r.id;
    EXPECT_EQ(writable != 0, r.writable) << r.id;
  }
  UInt32 size = 0;
  Boolean writable = false;
  EXPECT_EQ(AudioUnitGetPropertyInfo(unit, kAudioUnitProperty_FastDispatch, 0, 0, &size, &writable),
            kAudioUnitErr_InvalidElement);
  EXPECT_EQ(AudioUnitGetPropertyInfo(unit, kAudioUnitProperty_AudioChannelLayout, 1, 0, &size, &writable),
            kAudioUnitErr_InvalidPropertyValue);
  EXPECT_EQ(AudioUnitGetPropertyInfo(unit, kMusicDeviceProperty_InstrumentCount, 0, 0, &size, &writable),
            kAudioUnitErr_InvalidProperty);
  // Every writable property accepts a write of its reported size (values the unit gave).
  for (const Row& r : rows)
  {
    if (!r.writable || r.id == kAudioUnitProperty_MakeConnection || r.id == kAudioUnitProperty_ClassInfo) continue;
    std::vector<unsigned char> data(r.size, 0);
    UInt32 got = r.size;
    if (r.id != kAudioUnitProperty_SetRenderCallback && r.id != kAudioUnitProperty_HostCallbacks &&
        r.id != kAudioUnitProperty_MIDIOutputCallback && r.id != kAudioUnitProperty_AUHostIdentifier)
    {
      ASSERT_EQ(AudioUnitGetProperty(unit, r.id, r.scope, 0, data.data(), &got), noErr) << r.id;
    }
    if (r.id == kAudioUnitProperty_CurrentPreset || r.id == kAudioUnitProperty_PresentPreset)
      CFRelease(reinterpret_cast<AUPreset*>(data.data())->presetName);
    if (r.id == kAudioUnitProperty_AUHostIdentifier) *reinterpret_cast<CFStringRef*>(data.data()) = CFSTR("Host");
    EXPECT_EQ(AudioUnitSetProperty(unit, r.id, r.scope, 0, data.data(), r.size), noErr) << r.id;
  }
}

TEST_F(AUTest, ParametersAreDescribedForTheHost)
{
  AudioUnit unit = Make();
  UInt32 ids[6] = {};
  UInt32 size = sizeof ids;
  ASSERT_EQ(AudioUnitGetProperty(unit, kAudioUnitProperty_ParameterList, kAudioUnitScope_Global, 0, ids, &size), noErr);
  EXPECT_EQ(size, 24u);
  for (UInt32 i = 0; i < 6; ++i) EXPECT_EQ(ids[i], i);
  size = sizeof ids;
  EXPECT_EQ(AudioUnitGetProperty(unit, kAudioUnitProperty_ParameterList, kAudioUnitScope_Input, 0, ids, &size), noErr);
  EXPECT_EQ(size, 0u);

  struct Expect
  {
    const char* name;
    UInt32 unit;
    UInt32 flags;
    UInt32 clump;
    float min, max, def;
  };
  // Clump numbers follow the order of the requests: "Processing" first, then "GUI".
  const Expect expect[] = {
    {"Gain", kAudioUnitParameterUnit_Decibels, 0xC8800010u | 0x00100000u, 1, -24, 24, 0},
    {"Invert", kAudioUnitParameterUnit_Boolean, 0xC8800010u | 0x00200000u | 0x00100000u, 2, 0, 1, 0},
    {"Mode", kAudioUnitParameterUnit_Indexed, 0xC8800010u | 0x00200000u | 0x00100000u, 2, 0, 2, 0},
    {"Steps", kAudioUnitParameterUnit_Indexed, 0xC8800010u, 0, 0, 10, 5},
    {"Quantised Amount", kAudioUnitParameterUnit_CustomUnit, 0xC8800010u | 0x00100000u, 1, 0, 1, 0},
    {"Meta", kAudioUnitParameterUnit_Percent, 0xE9800010u | 0x00010000u, 0, 0, 1, 0.5f},
  };
  for (UInt32 i = 0; i < 6; ++i)
  {
    AudioUnitParameterInfo info{};
    ASSERT_EQ(GetProp(unit, kAudioUnitProperty_ParameterInfo, kAudioUnitScope_Global, i, info), noErr);
    EXPECT_STREQ(info.name, expect[i].name);
    EXPECT_EQ(Str(info.cfNameString), expect[i].name);
    EXPECT_EQ(info.unit, expect[i].unit) << i;
    EXPECT_EQ(info.clumpID, expect[i].clump) << i;
    EXPECT_EQ(info.minValue, expect[i].min);
    EXPECT_EQ(info.maxValue, expect[i].max);
    EXPECT_EQ(info.defaultValue, expect[i].def);
    if (i != 5) { EXPECT_EQ(info.flags, expect[i].flags) << std::hex << info.flags << " param " << i; }
    EXPECT_TRUE(info.flags & kAudioUnitParameterFlag_CFNameRelease);
    if (i == 4) { EXPECT_EQ(Str(info.unitName), "qu"); }
    // The host releases the strings, as the flag says.
    CFRelease(info.cfNameString);
    if (info.unitName) CFRelease(info.unitName);
  }

  // Every read hands the host references of its own: a host that releases both strings each
  // time, as the flag says, frees nothing the unit still uses (the fixture's balance and the
  // address sanitizer see an over-release).
  for (int round = 0; round < 3; ++round)
  {
    AudioUnitParameterInfo quant{};
    ASSERT_EQ(GetProp(unit, kAudioUnitProperty_ParameterInfo, kAudioUnitScope_Global, 4, quant), noErr);
    ASSERT_NE(quant.unitName, nullptr);
    EXPECT_EQ(CFGetRetainCount(quant.unitName), 1);
    EXPECT_EQ(CFGetRetainCount(quant.cfNameString), 1);
    EXPECT_EQ(Str(quant.unitName), "qu");
    CFRelease(quant.unitName);
    CFRelease(quant.cfNameString);
  }
  AudioUnitParameterInfo meta{};
  ASSERT_EQ(GetProp(unit, kAudioUnitProperty_ParameterInfo, kAudioUnitScope_Global, 5, meta), noErr);
  EXPECT_EQ(meta.flags & 0xFFC00000u, 0xE9800000u);  // element meta, non-real-time
  CFRelease(meta.cfNameString);

  AudioUnitParameterInfo info{};
  EXPECT_EQ(GetProp(unit, kAudioUnitProperty_ParameterInfo, kAudioUnitScope_Global, 6, info), kAudioUnitErr_InvalidElement);
  EXPECT_EQ(GetProp(unit, kAudioUnitProperty_ParameterInfo, kAudioUnitScope_Input, 0, info), kAudioUnitErr_InvalidProperty);

  AudioUnitParameterNameInfo clump{2, 0, nullptr};
  ASSERT_EQ(GetProp(unit, kAudioUnitProperty_ParameterClumpName, kAudioUnitScope_Global, 0, clump), noErr);
  EXPECT_EQ(Str(clump.outName), "GUI");
  CFRelease(clump.outName);
  clump = {99, 0, nullptr};
  ASSERT_EQ(GetProp(unit, kAudioUnitProperty_ParameterClumpName, kAudioUnitScope_Global, 0, clump), noErr);
  EXPECT_EQ(Str(clump.outName), "");
  CFRelease(clump.outName);
  for (UInt32 bad : {0u, 0x80000000u})
  {
    clump = {bad, 0, nullptr};
    EXPECT_EQ(GetProp(unit, kAudioUnitProperty_ParameterClumpName, kAudioUnitScope_Global, 0, clump),
              kAudioUnitErr_PropertyNotInUse);
  }
}

TEST_F(AUTest, ValueStringsNamesAndConversions)
{
  AudioUnit unit = Make(Road::Entry);
  CFArrayRef strings = nullptr;
  ASSERT_EQ(GetProp(unit, kAudioUnitProperty_ParameterValueStrings, kAudioUnitScope_Global, 2, strings), noErr);
  ASSERT_EQ(CFArrayGetCount(strings), 3);
  EXPECT_EQ(Str(static_cast<CFStringRef>(CFArrayGetValueAtIndex(strings, 1))), "Warm");
  CFRelease(strings);
  EXPECT_EQ(GetProp(unit, kAudioUnitProperty_ParameterValueStrings, kAudioUnitScope_Global, 0, strings),
            kAudioUnitErr_InvalidProperty);
  EXPECT_EQ(GetProp(unit, kAudioUnitProperty_ParameterValueStrings, kAudioUnitScope_Global, 6, strings),
            kAudioUnitErr_InvalidElement);

  struct NameCase
  {
    SInt32 desired;
    const char* expected;
  };
  for (const NameCase c : {NameCase{5, "Quant"}, NameCase{-1, "Quantised Amount"}, NameCase{0, ""},
                           NameCase{40, "Quantised Amount"}, NameCase{-7, "Quantised Amount"}})
  {
    AudioUnitParameterNameInfo rec{4, c.desired, nullptr};
    ASSERT_EQ(GetProp(unit, kAudioUnitProperty_ParameterIDName, kAudioUnitScope_Global, 0, rec), noErr);
    EXPECT_EQ(Str(rec.outName), c.expected) << c.desired;
    CFRelease(rec.outName);
  }

  // Value to text and back; no value pointer means the current value.
  ASSERT_EQ(AudioUnitSetParameter(unit, 0, kAudioUnitScope_Global, 0, -6.5f, 0), noErr);
  const AudioUnitParameterValue v = 12.25f;
  AudioUnitParameterStringFromValue toText{0, &v, nullptr};
  ASSERT_EQ(GetProp(unit, kAudioUnitProperty_ParameterStringFromValue, kAudioUnitScope_Global, 0, toText), noErr);
  AudioUnitParameterValueFromString fromText{0, toText.outString, 0};
  ASSERT_EQ(GetProp(unit, kAudioUnitProperty_ParameterValueFromString, kAudioUnitScope_Global, 0, fromText), noErr);
  EXPECT_NEAR(fromText.outValue, 12.25f, 0.01f);
  CFRelease(toText.outString);
  AudioUnitParameterStringFromValue current{0, nullptr, nullptr};
  ASSERT_EQ(GetProp(unit, kAudioUnitProperty_ParameterStringFromValue, kAudioUnitScope_Global, 0, current), noErr);
  fromText = {0, current.outString, 0};
  ASSERT_EQ(GetProp(unit, kAudioUnitProperty_ParameterValueFromString, kAudioUnitScope_Global, 0, fromText), noErr);
  EXPECT_NEAR(fromText.outValue, -6.5f, 0.01f);
  CFRelease(current.outString);

  // Unknown parameters are refused on all three conversions.
  AudioUnitParameterStringFromValue badText{6, &v, nullptr};
  EXPECT_EQ(GetProp(unit, kAudioUnitProperty_ParameterStringFromValue, kAudioUnitScope_Global, 0, badText),
            kAudioUnitErr_InvalidParameter);
  AudioUnitParameterNameInfo badName{0xFFFFFFFF, -1, nullptr};
  EXPECT_EQ(GetProp(unit, kAudioUnitProperty_ParameterIDName, kAudioUnitScope_Global, 0, badName),
            kAudioUnitErr_InvalidParameter);
  AudioUnitParameterValueFromString badValue{100, CFSTR("1"), 0};
  EXPECT_EQ(GetProp(unit, kAudioUnitProperty_ParameterValueFromString, kAudioUnitScope_Global, 0, badValue),
            kAudioUnitErr_InvalidParameter);
  AudioUnitParameterValueFromString noText{0, nullptr, 0};
  EXPECT_EQ(GetProp(unit, kAudioUnitProperty_ParameterValueFromString, kAudioUnitScope_Global, 0, noText),
            kAudio_ParamError);
}

TEST_P(AUTestBothRoads, FactoryPresetsAndCurrentPreset)
{
  AudioUnit unit = Make(GetParam());
  CFArrayRef presets = nullptr;
  ASSERT_EQ(GetProp(unit, kAudioUnitProperty_FactoryPresets, kAudioUnitScope_Global, 0, presets), noErr);
  ASSERT_EQ(CFArrayGetCount(presets), 2);
  const auto* second = static_cast<const AUPreset*>(CFArrayGetValueAtIndex(presets, 1));
  EXPECT_EQ(second->presetNumber, 1);
  EXPECT_EQ(Str(second->presetName), "Loud");
  CFArrayRef copy = CFArrayCreateCopy(kCFAllocatorDefault, presets);  // retains every record once more
  CFRelease(presets);
  EXPECT_EQ(Str(static_cast<const AUPreset*>(CFArrayGetValueAtIndex(copy, 0))->presetName), "Unity");
  CFRelease(copy);

  AUPreset choose{1, nullptr};
  ASSERT_EQ(SetProp(unit, kAudioUnitProperty_PresentPreset, kAudioUnitScope_Global, 0, choose), noErr);
  AUPreset now{};
  ASSERT_EQ(GetProp(unit, kAudioUnitProperty_CurrentPreset, kAudioUnitScope_Global, 0, now), noErr);
  EXPECT_EQ(now.presetNumber, 1);
  EXPECT_EQ(Str(now.presetName), "Loud");
  CFRelease(now.presetName);
  AudioUnitParameterValue gain = 0;
  ASSERT_EQ(AudioUnitGetParameter(unit, 0, kAudioUnitScope_Global, 0, &gain), noErr);
  EXPECT_EQ(gain, 6.0f);
  for (SInt32 bad : {2, -1, 1 << 30})  // -1 without a name
  {
    AUPreset p{bad, nullptr};
    EXPECT_EQ(SetProp(unit, kAudioUnitProperty_CurrentPreset, kAudioUnitScope_Global, 0, p),
              kAudioUnitErr_InvalidPropertyValue);
  }
  ASSERT_EQ(GetProp(unit, kAudioUnitProperty_PresentPreset, kAudioUnitScope_Global, 0, now), noErr);
  EXPECT_EQ(now.presetNumber, 1);
  CFRelease(now.presetName);
}

TEST_F(AUTest, BusesChannelsLayoutsAndViews)
{
  AudioUnit unit = Make();
  UInt32 count = 0;
  for (AudioUnitScope s : {kAudioUnitScope_Global, kAudioUnitScope_Input, kAudioUnitScope_Output})
  {
    ASSERT_EQ(GetProp(unit, kAudioUnitProperty_ElementCount, s, 0, count), noErr);
    EXPECT_EQ(count, 1u);
  }
  AUChannelInfo infos[2] = {};
  UInt32 size = sizeof infos;
  ASSERT_EQ(AudioUnitGetProperty(unit, kAudioUnitProperty_SupportedNumChannels, 0, 0, infos, &size), noErr);
  EXPECT_EQ(infos[0].inChannels, 1);
  EXPECT_EQ(infos[0].outChannels, 1);
  EXPECT_EQ(infos[1].inChannels, 2);
  EXPECT_EQ(infos[1].outChannels, 2);

  UInt32 tags[4] = {};
  size = sizeof tags;
  ASSERT_EQ(AudioUnitGetProperty(unit, kAudioUnitProperty_SupportedChannelLayoutTags, kAudioUnitScope_Output, 0, tags,
                                 &size),
            noErr);
  ASSERT_EQ(size, 8u);
  EXPECT_EQ(tags[0], kAudioChannelLayoutTag_Mono);
  EXPECT_EQ(tags[1], kAudioChannelLayoutTag_Stereo);
  size = 4;
  EXPECT_EQ(AudioUnitGetProperty(unit, kAudioUnitProperty_SupportedChannelLayoutTags, kAudioUnitScope_Output, 0, tags,
                                 &size),
            kAudio_ParamError);
  EXPECT_EQ(GetProp(unit, kAudioUnitProperty_SupportedChannelLayoutTags, kAudioUnitScope_Global, 0, tags[0]),
            kAudioUnitErr_InvalidProperty);

  CFStringRef name = nullptr;
  ASSERT_EQ(GetProp(unit, kAudioUnitProperty_ElementName, kAudioUnitScope_Input, 0, name), noErr);
  EXPECT_EQ(Str(name), "Input");
  CFRelease(name);
  EXPECT_EQ(GetProp(unit, kAudioUnitProperty_ElementName, kAudioUnitScope_Output, 1, name), kAudioUnitErr_InvalidElement);
  EXPECT_EQ(GetProp(unit, kAudioUnitProperty_ElementName, kAudioUnitScope_Global, 0, name), kAudioUnitErr_InvalidScope);

  AudioUnitCocoaViewInfo view{};
  ASSERT_EQ(GetProp(unit, kAudioUnitProperty_CocoaUI, kAudioUnitScope_Global, 0, view), noErr);
  EXPECT_EQ(Str(view.mCocoaAUViewClass[0]), "FxAUTest_View");
  CFStringRef last = CFURLCopyLastPathComponent(view.mCocoaAUViewBundleLocation);
  EXPECT_EQ(Str(last), "FxAUTest.component");
  CFRelease(last);
  CFRelease(view.mCocoaAUViewBundleLocation);
  CFRelease(view.mCocoaAUViewClass[0]);

  CFArrayRef midiInfo = nullptr;
  ASSERT_EQ(GetProp(unit, kAudioUnitProperty_MIDIOutputCallbackInfo, kAudioUnitScope_Global, 0, midiInfo), noErr);
  ASSERT_EQ(CFArrayGetCount(midiInfo), 1);
  EXPECT_EQ(Str(static_cast<CFStringRef>(CFArrayGetValueAtIndex(midiInfo, 0))), "midiOut");
  CFRelease(midiInfo);
}

TEST_P(AUTestBothRoads, ListenersAreTheirProcedureWithTheirUserData)
{
  AudioUnit unit = Make(GetParam());
  const std::vector<AudioUnitPropertyID> rateWrite{kAudioUnitProperty_Latency, kAudioUnitProperty_SampleRate};
  // Hosts register one procedure for every observer, told apart by the user data: each is a
  // listener of its own, and the same three again add nothing.
  ListenerLog log, other;
  for (ListenerLog* l : {&log, &other, &log})
    for (AudioUnitPropertyID id : {kAudioUnitProperty_SampleRate, kAudioUnitProperty_Latency})
      ASSERT_EQ(AudioUnitAddPropertyListener(unit, id, &ListenerLog::Proc, l), noErr);

  // A new rate changes the test product's latency from its reset handler: both observers hear
  // of the latency, then of the rate, once each, and read the new value.
  ASSERT_EQ(SetProp(unit, kAudioUnitProperty_SampleRate, kAudioUnitScope_Global, 0, Float64(22050)), noErr);
  EXPECT_EQ(log.ids, rateWrite);
  EXPECT_EQ(other.ids, rateWrite);
  EXPECT_EQ(log.rateSeen, 22050);
  EXPECT_EQ(other.rateSeen, 22050);
  // A refused write is announced too, and the value is unchanged.
  EXPECT_NE(SetProp(unit, kAudioUnitProperty_SampleRate, kAudioUnitScope_Global, 0, Float64(-1)), noErr);
  EXPECT_EQ(log.ids.size(), 3u);
  EXPECT_EQ(log.rateSeen, 22050);

  // Removing one observer keeps the other; removing one that was never added changes nothing.
  ListenerLog stranger;
  for (ListenerLog* l : {&other, &stranger})
    for (AudioUnitPropertyID id : {kAudioUnitProperty_SampleRate, kAudioUnitProperty_Latency})
      ASSERT_EQ(AudioUnitRemovePropertyListenerWithUserData(unit, id, &ListenerLog::Proc, l), noErr);
  log.ids.clear();
  other.ids.clear();
  ASSERT_EQ(SetProp(unit, kAudioUnitProperty_SampleRate, kAudioUnitScope_Global, 0, Float64(44100)), noErr);
  EXPECT_EQ(log.ids, rateWrite);
  EXPECT_TRUE(other.ids.empty());
  ASSERT_EQ(AudioUnitRemovePropertyListenerWithUserData(unit, kAudioUnitProperty_Latency, &ListenerLog::Proc, &log),
            noErr);
  ASSERT_EQ(SetProp(unit, kAudioUnitProperty_SampleRate, kAudioUnitScope_Global, 0, Float64(48000)), noErr);
  EXPECT_EQ(log.ids.back(), kAudioUnitProperty_SampleRate);
  EXPECT_EQ(log.ids.size(), 3u);
}

TEST_P(AUTestBothRoads, HostsOwnPresetKeepsTheParametersAndReadsBackItsName)
{
  AudioUnit unit = Make(GetParam());
  ListenerLog log;
  ASSERT_EQ(AudioUnitAddPropertyListener(unit, kAudioUnitProperty_PresentPreset, &ListenerLog::Proc, &log), noErr);
  auto gain = [unit] {
    AudioUnitParameterValue v = 0;
    EXPECT_EQ(AudioUnitGetParameter(unit, 0, kAudioUnitScope_Global, 0, &v), noErr);
    return v;
  };
  auto expectPresent = [unit](SInt32 number, const char* name) {
    for (AudioUnitPropertyID id : {kAudioUnitProperty_PresentPreset, kAudioUnitProperty_CurrentPreset})
    {
      AUPreset p{};
      ASSERT_EQ(GetProp(unit, id, kAudioUnitScope_Global, 0, p), noErr);
      EXPECT_EQ(p.presetNumber, number) << id;
      EXPECT_EQ(Str(p.presetName), name) << id;
      if (p.presetName) CFRelease(p.presetName);
    }
  };

  // After loading a preset file of its own, a host names it with a negative number: the
  // parameters stay as they are and the name is read back, whatever negative number it uses.
  ASSERT_EQ(AudioUnitSetParameter(unit, 0, kAudioUnitScope_Global, 0, 3.5f, 0), noErr);
  ASSERT_EQ(SetProp(unit, kAudioUnitProperty_PresentPreset, kAudioUnitScope_Global, 0, AUPreset{-1, CFSTR("Bright Master")}),
            noErr);
  EXPECT_EQ(gain(), 3.5f);
  expectPresent(-1, "Bright Master");
  EXPECT_EQ(log.ids, std::vector<AudioUnitPropertyID>{kAudioUnitProperty_PresentPreset});
  ASSERT_EQ(SetProp(unit, kAudioUnitProperty_CurrentPreset, kAudioUnitScope_Global, 0, AUPreset{-7, CFSTR("Ünïcode")}),
            noErr);
  expectPresent(-7, "Ünïcode");

  // Without a name a negative number names nothing: refused, the present preset unchanged.
  EXPECT_EQ(SetProp(unit, kAudioUnitProperty_PresentPreset, kAudioUnitScope_Global, 0, AUPreset{-1, nullptr}),
            kAudioUnitErr_InvalidPropertyValue);
  expectPresent(-7, "Ünïcode");

  // Choosing a factory preset, or restoring a state, ends the host's preset.
  ASSERT_EQ(SetProp(unit, kAudioUnitProperty_PresentPreset, kAudioUnitScope_Global, 0, AUPreset{1, nullptr}), noErr);
  expectPresent(1, "Loud");
  EXPECT_EQ(gain(), 6.0f);
  CFPropertyListRef state = nullptr;
  ASSERT_EQ(GetProp(unit, kAudioUnitProperty_ClassInfo, kAudioUnitScope_Global, 0, state), noErr);
  ASSERT_EQ(SetProp(unit, kAudioUnitProperty_PresentPreset, kAudioUnitScope_Global, 0, AUPreset{-1, CFSTR("Mine")}),
            noErr);
  expectPresent(-1, "Mine");
  ASSERT_EQ(SetProp(unit, kAudioUnitProperty_ClassInfo, kAudioUnitScope_Global, 0, state), noErr);
  CFRelease(state);
  expectPresent(1, "Loud");
}
