// A conformance probe in the manner of an Audio Unit validator, run against the built
// ORBEX9.component through the host-side calls only, on both of its roads (the factory the
// Info.plist names and the older Component Manager entry). It learns the unit from the unit
// itself (parameter list, value strings, presets, formats) and checks what hosts rely on:
// opening and closing, property sizes and writability, parameter descriptions and the strings
// handed over with them, formats and channel configurations, render before and after
// Initialize, presets (the host's own included), the state round trip, listeners, and that the
// latency read at any moment is the delay the audio has.

#include "tests/au/AUBundleHost.h"
#include "tests/au/AUTestHost.h"
#include "tests/plugin/TempHome.h"

#include <AudioUnit/AudioUnit.h>
#include <CoreFoundation/CFLiveObjects.h>
#include <CoreFoundation/CFManualClock.h>
#include <CoreFoundation/CoreFoundation.h>

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

namespace {

using autest::CFText;
using autest::FloatFormat;
using autest::GetProp;
using autest::HostBuffers;
using autest::Road;
using autest::SetProp;

constexpr double kRate = 48000.0;
constexpr UInt32 kBlock = 512;

const autest::BundleComponent& Product()
{
  static const autest::BundleComponent c = autest::LoadBundleComponent(ORBEX9_COMPONENT_PATH);
  return c;
}

// The host's input: silence with one impulse, or a loud steady mix; the sample depends only on
// the time stamp, so any instance fed the same times hears the same signal.
struct Input
{
  double impulseAt = -1.0;
  bool loud = false;
  int pulls = 0;

  static OSStatus Render(void* refCon, AudioUnitRenderActionFlags*, const AudioTimeStamp* ts, UInt32, UInt32 nFrames,
                         AudioBufferList* list)
  {
    auto* self = static_cast<Input*>(refCon);
    ++self->pulls;
    for (UInt32 c = 0; c < list->mNumberBuffers; ++c)
    {
      auto* p = static_cast<float*>(list->mBuffers[c].mData);
      if (!p) return kAudio_ParamError;
      for (UInt32 s = 0; s < nFrames; ++s)
      {
        const double t = ts->mSampleTime + s;
        p[s] = self->loud ? static_cast<float>(1.3 * std::sin(0.029 * t * (c + 1)) + 0.4 * std::sin(0.61 * t))
                          : (t == self->impulseAt ? 0.5f : 0.f);
      }
    }
    return noErr;
  }
};

struct ListenerLog
{
  int calls = 0;
  static void Proc(void* refCon, AudioUnit, AudioUnitPropertyID, AudioUnitScope, AudioUnitElement)
  {
    ++static_cast<ListenerLog*>(refCon)->calls;
  }
};

struct ParamDesc
{
  AudioUnitParameterID id = 0;
  std::string name;
  AudioUnitParameterInfo info{};
  std::vector<std::string> valueStrings;
};

class Probe : public ::testing::TestWithParam<Road>
{
protected:
  void SetUp() override
  {
    ASSERT_NE(Product().handle, nullptr) << dlerror();
    ASSERT_NE(Product().viaFactory, nullptr);
    ASSERT_NE(Product().viaEntry, nullptr);
    cfx::UseManualClock(true, 1000.0);
    autest::RegisterHostBundle("");  // a host the product does not know
    // One instance first: what the component keeps for the process once it runs is made now.
    AudioUnit warm = Open();
    ASSERT_NE(warm, nullptr);
    Close(warm);
    mLiveAtStart = cfx::LiveObjectCount();
  }

  void TearDown() override
  {
    for (AudioUnit u : mUnits) AudioComponentInstanceDispose(u);
    mUnits.clear();
    EXPECT_EQ(cfx::LiveObjectCount(), mLiveAtStart) << "CF objects leaked or over-released";
  }

  AudioUnit Open(Road road)
  {
    AudioUnit unit = nullptr;
    const AudioComponent comp = road == Road::Factory ? Product().viaFactory : Product().viaEntry;
    EXPECT_EQ(AudioComponentInstanceNew(comp, &unit), noErr);
    if (unit) mUnits.push_back(unit);
    return unit;
  }
  AudioUnit Open() { return Open(GetParam()); }
  void Close(AudioUnit unit)
  {
    mUnits.erase(std::remove(mUnits.begin(), mUnits.end(), unit), mUnits.end());
    EXPECT_EQ(AudioComponentInstanceDispose(unit), noErr);
  }

  // Stereo at kRate, fed by input, initialised.
  AudioUnit OpenRunning(Input& input, Road road)
  {
    AudioUnit unit = Open(road);
    if (!unit) return nullptr;
    EXPECT_EQ(SetProp(unit, kAudioUnitProperty_StreamFormat, kAudioUnitScope_Input, 0, FloatFormat(kRate, 2)), noErr);
    EXPECT_EQ(SetProp(unit, kAudioUnitProperty_StreamFormat, kAudioUnitScope_Output, 0, FloatFormat(kRate, 2)), noErr);
    const AURenderCallbackStruct cb{&Input::Render, &input};
    EXPECT_EQ(SetProp(unit, kAudioUnitProperty_SetRenderCallback, kAudioUnitScope_Input, 0, cb), noErr);
    EXPECT_EQ(AudioUnitInitialize(unit), noErr);
    return unit;
  }
  AudioUnit OpenRunning(Input& input) { return OpenRunning(input, GetParam()); }

  // Renders n frames per channel from sample time t in blocks; both channels, one after the other.
  static std::vector<float> Render(AudioUnit unit, double t, UInt32 n, UInt32 channels = 2)
  {
    std::vector<float> left, right;
    for (UInt32 done = 0; done < n; done += kBlock)
    {
      HostBuffers out(channels, kBlock);
      EXPECT_EQ(autest::RenderAt(unit, t + done, kBlock, out.List()), noErr);
      const std::vector<float> l = out.Copy(0);
      left.insert(left.end(), l.begin(), l.end());
      if (channels > 1)
      {
        const std::vector<float> r = out.Copy(1);
        right.insert(right.end(), r.begin(), r.end());
      }
    }
    left.insert(left.end(), right.begin(), right.end());
    return left;
  }

  static double LatencySamples(AudioUnit unit)
  {
    Float64 seconds = -1.0;
    EXPECT_EQ(GetProp(unit, kAudioUnitProperty_Latency, kAudioUnitScope_Global, 0, seconds), noErr);
    return seconds * kRate;
  }

  // The unit's parameters as a host learns them; the strings handed over are released as their
  // flag says.
  static std::vector<ParamDesc> Describe(AudioUnit unit)
  {
    std::vector<ParamDesc> params;
    UInt32 size = 0;
    Boolean writable = true;
    EXPECT_EQ(AudioUnitGetPropertyInfo(unit, kAudioUnitProperty_ParameterList, kAudioUnitScope_Global, 0, &size,
                                       &writable),
              noErr);
    std::vector<AudioUnitParameterID> ids(size / sizeof(AudioUnitParameterID));
    if (ids.empty()) return params;
    EXPECT_EQ(AudioUnitGetProperty(unit, kAudioUnitProperty_ParameterList, kAudioUnitScope_Global, 0, ids.data(),
                                   &size),
              noErr);
    for (AudioUnitParameterID id : ids)
    {
      ParamDesc p;
      p.id = id;
      EXPECT_EQ(GetProp(unit, kAudioUnitProperty_ParameterInfo, kAudioUnitScope_Global, id, p.info), noErr) << id;
      p.name = CFText(p.info.cfNameString);
      if (p.info.flags & kAudioUnitParameterFlag_CFNameRelease)
      {
        if (p.info.cfNameString) CFRelease(p.info.cfNameString);
        if (p.info.unitName) CFRelease(p.info.unitName);
      }
      p.info.cfNameString = nullptr;
      p.info.unitName = nullptr;
      if (p.info.flags & kAudioUnitParameterFlag_ValuesHaveStrings)
      {
        CFArrayRef strings = nullptr;
        EXPECT_EQ(GetProp(unit, kAudioUnitProperty_ParameterValueStrings, kAudioUnitScope_Global, id, strings), noErr);
        if (strings)
        {
          for (CFIndex i = 0; i < CFArrayGetCount(strings); ++i)
            p.valueStrings.push_back(CFText(CFArrayGetValueAtIndex(strings, i)));
          CFRelease(strings);
        }
      }
      params.push_back(p);
    }
    return params;
  }

  static std::vector<float> Values(AudioUnit unit, const std::vector<ParamDesc>& params)
  {
    std::vector<float> v;
    for (const ParamDesc& p : params)
    {
      AudioUnitParameterValue value = 0;
      EXPECT_EQ(AudioUnitGetParameter(unit, p.id, kAudioUnitScope_Global, 0, &value), noErr) << p.name;
      v.push_back(value);
    }
    return v;
  }

  std::vector<AudioUnit> mUnits;
  long mLiveAtStart = 0;
  producttest::TempHome mHome;
};

// ---- Open, close, selectors ---------------------------------------------------------------

TEST_P(Probe, OpensClosesAndAnnouncesEverySelectorItServes)
{
  // Instances come and go in any order.
  AudioUnit a = Open(), b = Open(), c = Open();
  ASSERT_TRUE(a && b && c);
  Close(b);
  Close(a);
  for (SInt16 s : {1, 2, 3, 4, 5, 6, 7, 9, 10, 11, 14, 15, 16, 17, 18})
    EXPECT_TRUE(AudioComponentInstanceCanDo(c, s)) << s;
  for (SInt16 s : {0, 8, 12, 13, 19, 0x101})
    EXPECT_FALSE(AudioComponentInstanceCanDo(c, s)) << s;
}

// ---- Properties ---------------------------------------------------------------------------

TEST_P(Probe, PropertiesHaveTheirSizesAndWritability)
{
  AudioUnit unit = Open();
  ASSERT_NE(unit, nullptr);
  const std::vector<ParamDesc> params = Describe(unit);
  ASSERT_FALSE(params.empty());

  struct Row
  {
    AudioUnitPropertyID id;
    AudioUnitScope scope;
    UInt32 size;
    bool writable;
    bool readable;  // the value can be read (write-only records are not)
  };
  const UInt32 nParams = static_cast<UInt32>(params.size());
  const Row rows[] = {
    {kAudioUnitProperty_SampleRate, kAudioUnitScope_Global, 8, true, true},
    {kAudioUnitProperty_ParameterList, kAudioUnitScope_Global, 4 * nParams, false, true},
    {kAudioUnitProperty_ParameterInfo, kAudioUnitScope_Global, 104, false, true},
    {kAudioUnitProperty_StreamFormat, kAudioUnitScope_Input, 40, true, true},
    {kAudioUnitProperty_StreamFormat, kAudioUnitScope_Output, 40, true, true},
    {kAudioUnitProperty_ElementCount, kAudioUnitScope_Global, 4, false, true},
    {kAudioUnitProperty_ElementCount, kAudioUnitScope_Input, 4, false, true},
    {kAudioUnitProperty_ElementCount, kAudioUnitScope_Output, 4, false, true},
    {kAudioUnitProperty_Latency, kAudioUnitScope_Global, 8, false, true},
    {kAudioUnitProperty_SupportedNumChannels, kAudioUnitScope_Global, 8, false, true},
    {kAudioUnitProperty_MaximumFramesPerSlice, kAudioUnitScope_Global, 4, true, true},
    {kAudioUnitProperty_TailTime, kAudioUnitScope_Global, 8, false, true},
    {kAudioUnitProperty_BypassEffect, kAudioUnitScope_Global, 4, true, true},
    {kAudioUnitProperty_LastRenderError, kAudioUnitScope_Global, 4, false, true},
    {kAudioUnitProperty_SetRenderCallback, kAudioUnitScope_Input, 16, true, false},
    {kAudioUnitProperty_FactoryPresets, kAudioUnitScope_Global, 8, false, true},
    {kAudioUnitProperty_HostCallbacks, kAudioUnitScope_Global, 40, true, false},
    {kAudioUnitProperty_CurrentPreset, kAudioUnitScope_Global, 16, true, true},
    {kAudioUnitProperty_PresentPreset, kAudioUnitScope_Global, 16, true, true},
    {kAudioUnitProperty_CocoaUI, kAudioUnitScope_Global, 16, false, true},
    {kAudioUnitProperty_SupportedChannelLayoutTags, kAudioUnitScope_Output, 8, false, true},
    {kAudioUnitProperty_OfflineRender, kAudioUnitScope_Global, 4, true, true},
  };
  for (const Row& r : rows)
  {
    SCOPED_TRACE(::testing::Message() << "property " << r.id << " scope " << r.scope);
    UInt32 size = 0;
    Boolean writable = !r.writable;
    ASSERT_EQ(AudioUnitGetPropertyInfo(unit, r.id, r.scope, 0, &size, &writable), noErr);
    EXPECT_EQ(size, r.size);
    EXPECT_EQ(writable != 0, r.writable);
    if (!r.readable) continue;

    // A buffer one byte short is refused and left as it was; the exact size is served.
    std::vector<unsigned char> data(r.size + 8, 0xA5);
    UInt32 shortSize = r.size - 1;
    EXPECT_NE(AudioUnitGetProperty(unit, r.id, r.scope, 0, data.data(), &shortSize), noErr);
    EXPECT_TRUE(std::all_of(data.begin(), data.end(), [](unsigned char b) { return b == 0xA5; }));
    UInt32 got = r.size;
    ASSERT_EQ(AudioUnitGetProperty(unit, r.id, r.scope, 0, data.data(), &got), noErr);
    EXPECT_EQ(got, r.size);
    EXPECT_TRUE(std::all_of(data.begin() + r.size, data.end(), [](unsigned char b) { return b == 0xA5; }));

    // Objects handed over belong to the host.
    auto release = [&](size_t offset) {
      CFTypeRef obj = nullptr;
      std::memcpy(&obj, data.data() + offset, sizeof obj);
      EXPECT_NE(obj, nullptr);
      if (obj) CFRelease(obj);
    };
    switch (r.id)
    {
      case kAudioUnitProperty_ParameterInfo:
        release(offsetof(AudioUnitParameterInfo, cfNameString));
        {
          AudioUnitParameterInfo info{};
          std::memcpy(&info, data.data(), sizeof info);
          if (info.unitName) CFRelease(info.unitName);
        }
        break;
      case kAudioUnitProperty_FactoryPresets: release(0); break;
      case kAudioUnitProperty_CurrentPreset:
      case kAudioUnitProperty_PresentPreset: release(offsetof(AUPreset, presetName)); break;
      case kAudioUnitProperty_CocoaUI:
        release(0);
        release(8);
        break;
      default: break;
    }
  }

  // Bus names are read, not asked about.
  for (AudioUnitScope scope : {kAudioUnitScope_Input, kAudioUnitScope_Output})
  {
    CFStringRef name = nullptr;
    ASSERT_EQ(GetProp(unit, kAudioUnitProperty_ElementName, scope, 0, name), noErr);
    EXPECT_FALSE(CFText(name).empty());
    if (name) CFRelease(name);
  }

  // The state is readable and settable; what the unit does not have, or not in that scope,
  // is refused as such.
  CFPropertyListRef state = nullptr;
  ASSERT_EQ(GetProp(unit, kAudioUnitProperty_ClassInfo, kAudioUnitScope_Global, 0, state), noErr);
  EXPECT_EQ(SetProp(unit, kAudioUnitProperty_ClassInfo, kAudioUnitScope_Global, 0, state), noErr);
  CFRelease(state);
  UInt32 size = 0;
  Boolean writable = false;
  EXPECT_EQ(AudioUnitGetPropertyInfo(unit, 0x7777, kAudioUnitScope_Global, 0, &size, &writable),
            kAudioUnitErr_InvalidProperty);
  EXPECT_EQ(AudioUnitGetPropertyInfo(unit, kAudioUnitProperty_Latency, kAudioUnitScope_Input, 0, &size, &writable),
            kAudioUnitErr_InvalidProperty);
  EXPECT_EQ(AudioUnitGetPropertyInfo(unit, kAudioUnitProperty_ParameterInfo, kAudioUnitScope_Global, nParams, &size,
                                     &writable),
            kAudioUnitErr_InvalidElement);
  EXPECT_EQ(SetProp(unit, kAudioUnitProperty_Latency, kAudioUnitScope_Global, 0, Float64(0.1)),
            kAudioUnitErr_InvalidProperty);
}

// ---- Parameters ---------------------------------------------------------------------------

TEST_P(Probe, ParametersAreDescribedConsistentlyAndTheirStringsBelongToTheHost)
{
  AudioUnit unit = Open();
  ASSERT_NE(unit, nullptr);
  const std::vector<ParamDesc> params = Describe(unit);
  const std::vector<float> values = Values(unit, params);
  for (size_t k = 0; k < params.size(); ++k)
  {
    const ParamDesc& p = params[k];
    const AudioUnitParameterInfo& info = p.info;
    SCOPED_TRACE(p.name);
    EXPECT_FALSE(p.name.empty());
    EXPECT_EQ(p.name, std::string(info.name));
    const UInt32 required = kAudioUnitParameterFlag_IsReadable | kAudioUnitParameterFlag_IsWritable |
                            kAudioUnitParameterFlag_HasCFNameString;
    EXPECT_EQ(info.flags & required, required);
    EXPECT_LE(info.minValue, info.defaultValue);
    EXPECT_LE(info.defaultValue, info.maxValue);
    EXPECT_LT(info.minValue, info.maxValue);
    EXPECT_GE(values[k], info.minValue);
    EXPECT_LE(values[k], info.maxValue);
    if (info.flags & kAudioUnitParameterFlag_ValuesHaveStrings)
    {
      EXPECT_EQ(info.unit, kAudioUnitParameterUnit_Indexed);
      EXPECT_EQ(p.valueStrings.size(), static_cast<size_t>(info.maxValue - info.minValue + 1));
      for (const std::string& s : p.valueStrings) EXPECT_FALSE(s.empty());
    }
    if (info.flags & kAudioUnitParameterFlag_HasClump)
    {
      AudioUnitParameterNameInfo clump{info.clumpID, kAudioUnitParameterName_Full, nullptr};
      ASSERT_EQ(GetProp(unit, kAudioUnitProperty_ParameterClumpName, kAudioUnitScope_Global, 0, clump), noErr);
      EXPECT_FALSE(CFText(clump.outName).empty());
      if (clump.outName) CFRelease(clump.outName);
    }
    AudioUnitParameterNameInfo full{p.id, kAudioUnitParameterName_Full, nullptr};
    ASSERT_EQ(GetProp(unit, kAudioUnitProperty_ParameterIDName, kAudioUnitScope_Global, 0, full), noErr);
    EXPECT_EQ(CFText(full.outName), p.name);
    if (full.outName) CFRelease(full.outName);
  }

  // Every string handed over under the release flag is the host's own reference: a host that
  // releases them each time, as the flag says, frees nothing twice (the sanitizers and the CF
  // balance of the fixture see it).
  for (int round = 0; round < 4; ++round)
    for (const ParamDesc& p : params)
    {
      AudioUnitParameterInfo info{};
      ASSERT_EQ(GetProp(unit, kAudioUnitProperty_ParameterInfo, kAudioUnitScope_Global, p.id, info), noErr);
      ASSERT_NE(info.flags & kAudioUnitParameterFlag_CFNameRelease, 0u);
      for (CFStringRef s : {info.cfNameString, info.unitName})
      {
        if (!s) continue;
        EXPECT_EQ(CFGetRetainCount(s), 1) << p.name;
        CFRelease(s);
      }
    }
}

TEST_P(Probe, ParameterValuesRoundTripThroughSetGetEventsAndText)
{
  AudioUnit unit = Open();
  ASSERT_NE(unit, nullptr);
  const std::vector<ParamDesc> params = Describe(unit);
  for (const ParamDesc& p : params)
  {
    const AudioUnitParameterInfo& info = p.info;
    SCOPED_TRACE(p.name);
    const float span = info.maxValue - info.minValue;
    const bool indexed = info.unit == kAudioUnitParameterUnit_Indexed || info.unit == kAudioUnitParameterUnit_Boolean;
    std::vector<float> probes{info.minValue, info.defaultValue, info.maxValue};
    if (indexed) probes.push_back(info.minValue + 1.f);
    for (float v : probes)
    {
      AudioUnitParameterValue now = 0;
      ASSERT_EQ(AudioUnitSetParameter(unit, p.id, kAudioUnitScope_Global, 0, v, 0), noErr);
      ASSERT_EQ(AudioUnitGetParameter(unit, p.id, kAudioUnitScope_Global, 0, &now), noErr);
      EXPECT_NEAR(now, v, 1e-6f * std::max(1.f, std::fabs(v)));

      // The value's text reads back as the value (within the text's precision).
      AudioUnitParameterStringFromValue toText{p.id, &now, nullptr};
      ASSERT_EQ(GetProp(unit, kAudioUnitProperty_ParameterStringFromValue, kAudioUnitScope_Global, 0, toText), noErr);
      ASSERT_NE(toText.outString, nullptr);
      EXPECT_FALSE(CFText(toText.outString).empty());
      if (indexed && !p.valueStrings.empty())
      {
        EXPECT_EQ(CFText(toText.outString), p.valueStrings[static_cast<size_t>(now - info.minValue)]);
      }
      AudioUnitParameterValueFromString fromText{p.id, toText.outString, -12345.f};
      ASSERT_EQ(GetProp(unit, kAudioUnitProperty_ParameterValueFromString, kAudioUnitScope_Global, 0, fromText), noErr);
      EXPECT_NEAR(fromText.outValue, now, 0.01f * span) << CFText(toText.outString);
      CFRelease(toText.outString);
    }
    // Beyond the range the value is clamped; an immediate scheduled event sets it like a set.
    AudioUnitParameterValue now = 0;
    ASSERT_EQ(AudioUnitSetParameter(unit, p.id, kAudioUnitScope_Global, 0, info.maxValue + span, 0), noErr);
    ASSERT_EQ(AudioUnitGetParameter(unit, p.id, kAudioUnitScope_Global, 0, &now), noErr);
    EXPECT_EQ(now, info.maxValue);
    AudioUnitParameterEvent e{};
    e.scope = kAudioUnitScope_Global;
    e.parameter = p.id;
    e.eventType = kParameterEvent_Immediate;
    e.eventValues.immediate.value = info.defaultValue;
    ASSERT_EQ(AudioUnitScheduleParameters(unit, &e, 1), noErr);
    ASSERT_EQ(AudioUnitGetParameter(unit, p.id, kAudioUnitScope_Global, 0, &now), noErr);
    EXPECT_EQ(now, info.defaultValue);
    EXPECT_EQ(AudioUnitSetParameter(unit, p.id, kAudioUnitScope_Input, 0, info.defaultValue, 0),
              kAudioUnitErr_InvalidProperty);
  }
  AudioUnitParameterValue v = 0;
  EXPECT_NE(AudioUnitGetParameter(unit, static_cast<UInt32>(params.size()), kAudioUnitScope_Global, 0, &v), noErr);
}

// ---- Formats ------------------------------------------------------------------------------

TEST_P(Probe, FormatsAndChannelConfigurations)
{
  AudioUnit unit = Open();
  ASSERT_NE(unit, nullptr);
  for (AudioUnitScope scope : {kAudioUnitScope_Input, kAudioUnitScope_Output})
  {
    AudioStreamBasicDescription f{};
    ASSERT_EQ(GetProp(unit, kAudioUnitProperty_StreamFormat, scope, 0, f), noErr);
    EXPECT_EQ(f.mFormatID, kAudioFormatLinearPCM);
    EXPECT_EQ(f.mFormatFlags & (kAudioFormatFlagIsFloat | kAudioFormatFlagIsNonInterleaved),
              kAudioFormatFlagIsFloat | kAudioFormatFlagIsNonInterleaved);
    EXPECT_EQ(f.mBitsPerChannel, 32u);
    EXPECT_GT(f.mSampleRate, 0.0);
    EXPECT_GE(f.mChannelsPerFrame, 1u);
  }

  // Every configuration the unit names initialises and renders; one it does not name does not.
  AUChannelInfo configs[8] = {};
  UInt32 size = sizeof configs;
  ASSERT_EQ(AudioUnitGetProperty(unit, kAudioUnitProperty_SupportedNumChannels, kAudioUnitScope_Global, 0, configs,
                                 &size),
            noErr);
  const UInt32 nConfigs = size / sizeof(AUChannelInfo);
  ASSERT_GE(nConfigs, 1u);
  Input input;
  input.loud = true;
  const AURenderCallbackStruct cb{&Input::Render, &input};
  double t = 0;
  for (UInt32 i = 0; i < nConfigs; ++i)
  {
    const auto in = static_cast<UInt32>(configs[i].inChannels), out = static_cast<UInt32>(configs[i].outChannels);
    SCOPED_TRACE(::testing::Message() << in << " in, " << out << " out");
    for (double rate : {44100.0, 96000.0, 192000.0})
    {
      ASSERT_EQ(autest::SetChannels(unit, kAudioUnitScope_Input, in, rate), noErr);
      ASSERT_EQ(autest::SetChannels(unit, kAudioUnitScope_Output, out, rate), noErr);
      ASSERT_EQ(SetProp(unit, kAudioUnitProperty_SetRenderCallback, kAudioUnitScope_Input, 0, cb), noErr);
      ASSERT_EQ(AudioUnitInitialize(unit), noErr);
      Float64 now = 0;
      ASSERT_EQ(GetProp(unit, kAudioUnitProperty_SampleRate, kAudioUnitScope_Global, 0, now), noErr);
      EXPECT_EQ(now, rate);
      const std::vector<float> rendered = Render(unit, t, 4 * kBlock, out);
      t += 4 * kBlock;
      for (float s : rendered)
      {
        ASSERT_TRUE(std::isfinite(s));
        ASSERT_LE(std::fabs(s), 1.0f);  // the default ceiling is full scale
      }
      ASSERT_EQ(AudioUnitUninitialize(unit), noErr);
    }
  }
  ASSERT_EQ(autest::SetChannels(unit, kAudioUnitScope_Input, 1), noErr);
  ASSERT_EQ(autest::SetChannels(unit, kAudioUnitScope_Output, 2), noErr);
  EXPECT_NE(AudioUnitInitialize(unit), noErr);

  // Formats the unit cannot render are refused and leave the format as it was.
  AudioStreamBasicDescription integer = FloatFormat(kRate, 2);
  integer.mFormatFlags = kAudioFormatFlagIsSignedInteger | kAudioFormatFlagIsPacked | kAudioFormatFlagIsNonInterleaved;
  integer.mBitsPerChannel = 16;
  integer.mBytesPerFrame = integer.mBytesPerPacket = 2;
  AudioStreamBasicDescription tooMany = FloatFormat(kRate, 3), none = FloatFormat(kRate, 0);
  for (const AudioStreamBasicDescription& bad : {integer, tooMany, none})
  {
    EXPECT_NE(autest::SetFormat(unit, kAudioUnitScope_Output, 0, bad), noErr);
    AudioStreamBasicDescription f{};
    ASSERT_EQ(GetProp(unit, kAudioUnitProperty_StreamFormat, kAudioUnitScope_Output, 0, f), noErr);
    EXPECT_EQ(f.mChannelsPerFrame, 2u);
    EXPECT_EQ(f.mBitsPerChannel, 32u);
  }
}

// ---- Render -------------------------------------------------------------------------------

TEST_P(Probe, RendersOnlyWhileInitialisedAndOnlyIntoAWholeBufferList)
{
  AudioUnit unit = Open();
  ASSERT_NE(unit, nullptr);
  Input input;
  input.loud = true;
  ASSERT_EQ(SetProp(unit, kAudioUnitProperty_StreamFormat, kAudioUnitScope_Input, 0, FloatFormat(kRate, 2)), noErr);
  ASSERT_EQ(SetProp(unit, kAudioUnitProperty_StreamFormat, kAudioUnitScope_Output, 0, FloatFormat(kRate, 2)), noErr);
  const AURenderCallbackStruct cb{&Input::Render, &input};
  ASSERT_EQ(SetProp(unit, kAudioUnitProperty_SetRenderCallback, kAudioUnitScope_Input, 0, cb), noErr);

  HostBuffers out(2, kBlock);
  EXPECT_EQ(autest::RenderAt(unit, 0, kBlock, out.List()), kAudioUnitErr_Uninitialized);
  EXPECT_EQ(input.pulls, 0);

  ASSERT_EQ(AudioUnitInitialize(unit), noErr);
  HostBuffers mono(1, kBlock);
  EXPECT_EQ(autest::RenderAt(unit, 0, kBlock, mono.List()), kAudio_ParamError);
  UInt32 maxFrames = 0;
  ASSERT_EQ(GetProp(unit, kAudioUnitProperty_MaximumFramesPerSlice, kAudioUnitScope_Global, 0, maxFrames), noErr);
  HostBuffers tooLong(2, maxFrames + 1);
  EXPECT_NE(autest::RenderAt(unit, 0, maxFrames + 1, tooLong.List()), noErr);
  EXPECT_EQ(input.pulls, 0);

  // Blocks of any size up to the maximum, into the host's memory or the unit's own.
  double t = 0;
  for (UInt32 n : {kBlock, 1u, 17u, maxFrames, 333u})
  {
    for (bool withMemory : {true, false})
    {
      HostBuffers b(2, n, withMemory);
      ASSERT_EQ(autest::RenderAt(unit, t, n, b.List()), noErr) << n;
      for (UInt32 c = 0; c < 2; ++c)
      {
        ASSERT_NE(b.Channel(c), nullptr);
        for (UInt32 s = 0; s < n; ++s) ASSERT_TRUE(std::isfinite(b.Channel(c)[s]) && std::fabs(b.Channel(c)[s]) <= 1.f);
      }
      t += n;
    }
  }
  const int pulls = input.pulls;
  ASSERT_EQ(AudioUnitReset(unit, kAudioUnitScope_Global, 0), noErr);
  ASSERT_EQ(AudioUnitUninitialize(unit), noErr);
  EXPECT_EQ(autest::RenderAt(unit, t, kBlock, out.List()), kAudioUnitErr_Uninitialized);
  EXPECT_EQ(input.pulls, pulls);
  ASSERT_EQ(AudioUnitInitialize(unit), noErr);
  EXPECT_EQ(autest::RenderAt(unit, t, kBlock, out.List()), noErr);

  // Silence in, silence out.
  input.loud = false;
  ASSERT_EQ(AudioUnitReset(unit, kAudioUnitScope_Global, 0), noErr);
  for (float s : Render(unit, t + kBlock, 8 * kBlock)) ASSERT_EQ(s, 0.f);
}

// ---- Latency ------------------------------------------------------------------------------

TEST_P(Probe, LatencyReadAtAnyMomentIsTheDelayTheAudioHas)
{
  Input input;
  AudioUnit unit = OpenRunning(input);
  ASSERT_NE(unit, nullptr);
  ListenerLog heard;
  ASSERT_EQ(AudioUnitAddPropertyListener(unit, kAudioUnitProperty_Latency, &ListenerLog::Proc, &heard), noErr);

  // Where an impulse comes out, for the settings in force now.
  double t = 0;
  auto measuredDelay = [&]() {
    constexpr UInt32 n = 16 * kBlock;
    input.impulseAt = t + kBlock;
    const std::vector<float> both = Render(unit, t, n);
    t += n;
    const auto left = both.begin(), end = both.begin() + n;
    const auto peak = std::max_element(left, end, [](float a, float b) { return std::fabs(a) < std::fabs(b); });
    return static_cast<double>(peak - left) - kBlock;
  };

  // Every item of every indexed parameter, as a host sets it while playing: the latency read
  // at once (no run loop has turned, as in an offline host) is the delay of the audio.
  for (const ParamDesc& p : Describe(unit))
  {
    if (p.valueStrings.empty()) continue;
    for (size_t item = 0; item < p.valueStrings.size(); ++item)
    {
      SCOPED_TRACE(p.name + " = " + p.valueStrings[item]);
      const double before = LatencySamples(unit);
      const int callsBefore = heard.calls;
      ASSERT_EQ(AudioUnitSetParameter(unit, p.id, kAudioUnitScope_Global, 0, p.info.minValue + item, 0), noErr);
      const double now = LatencySamples(unit);
      EXPECT_DOUBLE_EQ(now, std::round(now));
      EXPECT_EQ(measuredDelay(), std::round(now));
      // The host hears of a change by the time its run loop has turned (the idle timer).
      cfx::RunMainRunLoopFor(0.1);
      if (std::round(now) != std::round(before))
      {
        EXPECT_GT(heard.calls, callsBefore);
      }
      EXPECT_DOUBLE_EQ(LatencySamples(unit), now);
    }
    ASSERT_EQ(AudioUnitSetParameter(unit, p.id, kAudioUnitScope_Global, 0, p.info.defaultValue, 0), noErr);
  }
  EXPECT_GT(heard.calls, 0);
}

// ---- Presets ------------------------------------------------------------------------------

TEST_P(Probe, FactoryPresetsAndTheHostsOwnPreset)
{
  AudioUnit unit = Open();
  ASSERT_NE(unit, nullptr);
  const std::vector<ParamDesc> params = Describe(unit);
  CFArrayRef presets = nullptr;
  ASSERT_EQ(GetProp(unit, kAudioUnitProperty_FactoryPresets, kAudioUnitScope_Global, 0, presets), noErr);
  ASSERT_NE(presets, nullptr);
  ASSERT_GE(CFArrayGetCount(presets), 1);
  auto expectPresent = [unit](SInt32 number, const std::string& name) {
    for (AudioUnitPropertyID id : {kAudioUnitProperty_PresentPreset, kAudioUnitProperty_CurrentPreset})
    {
      AUPreset p{};
      ASSERT_EQ(GetProp(unit, id, kAudioUnitScope_Global, 0, p), noErr);
      EXPECT_EQ(p.presetNumber, number);
      EXPECT_EQ(CFText(p.presetName), name);
      if (p.presetName) CFRelease(p.presetName);
    }
  };
  for (CFIndex i = 0; i < CFArrayGetCount(presets); ++i)
  {
    const auto* preset = static_cast<const AUPreset*>(CFArrayGetValueAtIndex(presets, i));
    EXPECT_EQ(preset->presetNumber, i);
    EXPECT_FALSE(CFText(preset->presetName).empty());
    ASSERT_EQ(SetProp(unit, kAudioUnitProperty_PresentPreset, kAudioUnitScope_Global, 0, *preset), noErr);
    expectPresent(preset->presetNumber, CFText(preset->presetName));
  }
  CFRelease(presets);

  // A preset file of the host's own: it sets the parameters, then names the preset with a
  // negative number. The parameters stay; the name reads back.
  for (const ParamDesc& p : params)
    ASSERT_EQ(AudioUnitSetParameter(unit, p.id, kAudioUnitScope_Global, 0, p.info.maxValue, 0), noErr);
  const std::vector<float> set = Values(unit, params);
  ASSERT_EQ(SetProp(unit, kAudioUnitProperty_PresentPreset, kAudioUnitScope_Global, 0, AUPreset{-1, CFSTR("Probe Master")}),
            noErr);
  EXPECT_EQ(Values(unit, params), set);
  expectPresent(-1, "Probe Master");
  EXPECT_NE(SetProp(unit, kAudioUnitProperty_PresentPreset, kAudioUnitScope_Global, 0, AUPreset{-1, nullptr}), noErr);
  EXPECT_NE(SetProp(unit, kAudioUnitProperty_PresentPreset, kAudioUnitScope_Global, 0, AUPreset{1 << 20, nullptr}),
            noErr);
  expectPresent(-1, "Probe Master");
}

// ---- State --------------------------------------------------------------------------------

TEST_P(Probe, StateRoundTripsIntoAnInstanceOfTheOtherRoad)
{
  Input input;
  input.loud = true;
  AudioUnit a = OpenRunning(input);
  ASSERT_NE(a, nullptr);
  const std::vector<ParamDesc> params = Describe(a);
  for (const ParamDesc& p : params)
  {
    const bool indexed = !p.valueStrings.empty() || p.info.unit == kAudioUnitParameterUnit_Boolean;
    const float v = indexed ? p.info.maxValue : p.info.minValue + 0.37f * (p.info.maxValue - p.info.minValue);
    ASSERT_EQ(AudioUnitSetParameter(a, p.id, kAudioUnitScope_Global, 0, v, 0), noErr) << p.name;
  }
  const std::vector<float> set = Values(a, params);

  CFPropertyListRef state = nullptr;
  ASSERT_EQ(GetProp(a, kAudioUnitProperty_ClassInfo, kAudioUnitScope_Global, 0, state), noErr);
  ASSERT_NE(state, nullptr);
  ASSERT_EQ(CFGetTypeID(state), CFDictionaryGetTypeID());
  auto dict = static_cast<CFDictionaryRef>(state);
  for (CFStringRef key : {CFSTR("version"), CFSTR("type"), CFSTR("subtype"), CFSTR("manufacturer"), CFSTR("name"),
                          CFSTR("data")})
    EXPECT_NE(CFDictionaryGetValue(dict, key), nullptr) << CFText(key);

  AudioUnit b = OpenRunning(input, GetParam() == Road::Factory ? Road::Entry : Road::Factory);
  ASSERT_NE(b, nullptr);
  ASSERT_EQ(SetProp(b, kAudioUnitProperty_ClassInfo, kAudioUnitScope_Global, 0, state), noErr);
  EXPECT_EQ(Values(b, params), set);
  EXPECT_EQ(LatencySamples(b), LatencySamples(a));
  EXPECT_EQ(Render(a, 0, 8 * kBlock), Render(b, 0, 8 * kBlock));

  // Another unit's state, or no dictionary at all, is refused and changes nothing.
  CFMutableDictionaryRef foreign = CFDictionaryCreateMutableCopy(nullptr, 0, dict);
  const SInt32 otherSubtype = 0x58585858;
  CFNumberRef n = CFNumberCreate(nullptr, kCFNumberSInt32Type, &otherSubtype);
  CFDictionarySetValue(foreign, CFSTR("subtype"), n);
  CFRelease(n);
  ASSERT_EQ(AudioUnitSetParameter(b, params[0].id, kAudioUnitScope_Global, 0, params[0].info.defaultValue, 0), noErr);
  const std::vector<float> before = Values(b, params);
  EXPECT_EQ(SetProp(b, kAudioUnitProperty_ClassInfo, kAudioUnitScope_Global, 0, static_cast<CFPropertyListRef>(foreign)),
            kAudioUnitErr_InvalidPropertyValue);
  EXPECT_EQ(SetProp(b, kAudioUnitProperty_ClassInfo, kAudioUnitScope_Global, 0, static_cast<CFPropertyListRef>(CFSTR("x"))),
            kAudioUnitErr_InvalidPropertyValue);
  EXPECT_EQ(Values(b, params), before);
  CFRelease(foreign);
  CFRelease(state);
}

// ---- Listeners ----------------------------------------------------------------------------

TEST_P(Probe, EveryObserverOfOneProcedureHearsAndStaysUntilItIsRemoved)
{
  Input input;
  AudioUnit unit = OpenRunning(input);
  ASSERT_NE(unit, nullptr);
  const std::vector<ParamDesc> params = Describe(unit);
  // The first indexed parameter whose items change the latency.
  const ParamDesc* mode = nullptr;
  float other = 0;
  for (const ParamDesc& p : params)
  {
    if (p.valueStrings.size() < 2 || mode) continue;
    const double base = LatencySamples(unit);
    ASSERT_EQ(AudioUnitSetParameter(unit, p.id, kAudioUnitScope_Global, 0, p.info.minValue + 1, 0), noErr);
    if (LatencySamples(unit) != base)
    {
      mode = &p;
      other = p.info.minValue + 1;
    }
    ASSERT_EQ(AudioUnitSetParameter(unit, p.id, kAudioUnitScope_Global, 0, p.info.minValue, 0), noErr);
  }
  ASSERT_NE(mode, nullptr) << "no parameter changes the latency";
  cfx::RunMainRunLoopFor(0.1);

  // Two observers with one procedure; the first registered twice counts once.
  ListenerLog first, second;
  for (ListenerLog* l : {&first, &second, &first})
    ASSERT_EQ(AudioUnitAddPropertyListener(unit, kAudioUnitProperty_Latency, &ListenerLog::Proc, l), noErr);
  auto change = [&](float v) {
    ASSERT_EQ(AudioUnitSetParameter(unit, mode->id, kAudioUnitScope_Global, 0, v, 0), noErr);
    cfx::RunMainRunLoopFor(0.1);
  };
  change(other);
  EXPECT_EQ(first.calls, 1);
  EXPECT_EQ(second.calls, 1);

  // Removing one keeps the other.
  ASSERT_EQ(AudioUnitRemovePropertyListenerWithUserData(unit, kAudioUnitProperty_Latency, &ListenerLog::Proc, &first),
            noErr);
  change(mode->info.minValue);
  EXPECT_EQ(first.calls, 1);
  EXPECT_EQ(second.calls, 2);
  ASSERT_EQ(AudioUnitRemovePropertyListenerWithUserData(unit, kAudioUnitProperty_Latency, &ListenerLog::Proc, &second),
            noErr);
  change(other);
  EXPECT_EQ(second.calls, 2);
}

INSTANTIATE_TEST_SUITE_P(Roads, Probe, ::testing::Values(Road::Factory, Road::Entry), autest::RoadName);

} // namespace
