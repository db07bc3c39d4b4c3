// The limiter as a loaded component: a host that only has ORBEX9.component (its Info.plist,
// dlopen and its exported entry points) finds the effect it describes and sees the sixteen
// parameters with their ranges, texts and flags, the factory preset, a state that restores into
// a fresh instance with identical audio, refused state that changes nothing, and latency changes
// reported by the right road for its host.

#include "plugin/ORBEX9Defs.h"
#include "tests/au/AUBundleHost.h"
#include "tests/au/AUTestHost.h"
#include "tests/plugin/TempHome.h"

#include <AudioToolbox/AudioToolbox.h>
#include <AudioUnit/AudioUnit.h>
#include <CoreFoundation/CFManualClock.h>
#include <CoreFoundation/CoreFoundation.h>

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

using autest::FloatFormat;
using autest::GetProp;
using autest::HostBuffers;
using autest::RenderAt;
using autest::SetProp;

const auto Text = &autest::CFText;

// Loaded and registered once, the way a host does it: the description from the bundle, the
// library by dlopen, the factory by the name the bundle gives.
const autest::BundleComponent& TheComponent()
{
  static const autest::BundleComponent c = autest::LoadBundleComponent(ORBEX9_COMPONENT_PATH);
  return c;
}

const auto SetHostBundle = &autest::RegisterHostBundle;



class ProductComponent : public ::testing::Test
{
protected:
  void SetUp() override
  {
    ASSERT_NE(TheComponent().handle, nullptr) << dlerror();
    ASSERT_NE(TheComponent().viaFactory, nullptr);
    cfx::UseManualClock(true, 1000.0);
    SetHostBundle("");
  }
  void TearDown() override
  {
    for (AudioUnit u : mUnits) AudioComponentInstanceDispose(u);
    mUnits.clear();
    SetHostBundle("");
  }

  AudioUnit Make()
  {
    AudioUnit unit = nullptr;
    EXPECT_EQ(AudioComponentInstanceNew(TheComponent().viaFactory, &unit), noErr);
    if (unit) mUnits.push_back(unit);
    return unit;
  }

  // Stereo at fs, fed by the loud source, initialised.
  AudioUnit MakeRunning(double fs = 48000.0)
  {
    AudioUnit unit = Make();
    if (!unit) return nullptr;
    EXPECT_EQ(SetProp(unit, kAudioUnitProperty_StreamFormat, kAudioUnitScope_Input, 0, FloatFormat(fs, 2)), noErr);
    EXPECT_EQ(SetProp(unit, kAudioUnitProperty_StreamFormat, kAudioUnitScope_Output, 0, FloatFormat(fs, 2)), noErr);
    const AURenderCallbackStruct cb {&autest::LoudSource, nullptr};
    EXPECT_EQ(SetProp(unit, kAudioUnitProperty_SetRenderCallback, kAudioUnitScope_Input, 0, cb), noErr);
    EXPECT_EQ(AudioUnitInitialize(unit), noErr);
    return unit;
  }

  static std::vector<float> Render(AudioUnit unit, int blocks, UInt32 frames = 512)
  {
    std::vector<float> all;
    for (int b = 0; b < blocks; ++b)
    {
      HostBuffers out(2, frames);
      EXPECT_EQ(RenderAt(unit, static_cast<double>(b) * frames, frames, out.List()), noErr);
      for (UInt32 c = 0; c < 2; ++c)
      {
        const std::vector<float> channel = out.Copy(c);
        all.insert(all.end(), channel.begin(), channel.end());
      }
    }
    return all;
  }

  static std::vector<float> Values(AudioUnit unit)
  {
    std::vector<float> v(kNumParams);
    for (UInt32 i = 0; i < kNumParams; ++i)
      EXPECT_EQ(AudioUnitGetParameter(unit, i, kAudioUnitScope_Global, 0, &v[i]), noErr);
    return v;
  }

  static double LatencySeconds(AudioUnit unit)
  {
    Float64 seconds = -1.0;
    EXPECT_EQ(GetProp(unit, kAudioUnitProperty_Latency, kAudioUnitScope_Global, 0, seconds), noErr);
    return seconds;
  }

  std::vector<AudioUnit> mUnits;
};

struct ListenerLog
{
  int latencyCalls = 0;
  static void Proc(void* refCon, AudioUnit, AudioUnitPropertyID id, AudioUnitScope, AudioUnitElement)
  {
    if (id == kAudioUnitProperty_Latency) ++static_cast<ListenerLog*>(refCon)->latencyCalls;
  }
};

} // namespace

TEST_F(ProductComponent, BundleDescribesTheEffect)
{
  const autest::BundleEntry& e = TheComponent().entry;
  EXPECT_EQ(e.type, "aufx");
  EXPECT_EQ(e.subtype, "BV57");
  EXPECT_EQ(e.manufacturer, "BVQX");
  EXPECT_EQ(e.name, "Brimvaldex: ORBEX9");
  EXPECT_EQ(e.factoryFunction, "ORBEX9_Factory");
  EXPECT_EQ(e.version, 0x00020111);
  EXPECT_NE(dlsym(TheComponent().handle, "ORBEX9_Entry"), nullptr);
}

TEST_F(ProductComponent, HostSeesTheSixteenParametersWithRangesTextsAndFlags)
{
  producttest::TempHome home;
  AudioUnit unit = Make();
  ASSERT_NE(unit, nullptr);

  UInt32 size = 0;
  Boolean writable = true;
  ASSERT_EQ(AudioUnitGetPropertyInfo(unit, kAudioUnitProperty_ParameterList, kAudioUnitScope_Global, 0, &size,
                                     &writable),
            noErr);
  ASSERT_EQ(size, kNumParams * sizeof(AudioUnitParameterID));
  std::vector<AudioUnitParameterID> ids(kNumParams);
  ASSERT_EQ(AudioUnitGetProperty(unit, kAudioUnitProperty_ParameterList, kAudioUnitScope_Global, 0, ids.data(),
                                 &size),
            noErr);
  for (UInt32 i = 0; i < kNumParams; ++i) EXPECT_EQ(ids[i], i);

  struct Row
  {
    const char* name;
    float min, max, def;
    bool automatable;
    const char* unitName; // null: no custom unit name
    const char* group;
    std::vector<const char*> texts;
  };
  const Row rows[kNumParams] = {
    {"GUI Scale", 0.5f, 3.0f, 1.0f, false, nullptr, "GUI", {}},
    {"Toggle Tooltips", 0, 1, 1, false, nullptr, "GUI", {"Off", "On"}},
    {"OS Mode", 0, 4, 0, false, nullptr, "Processing", {"1x", "2x", "4x", "8x", "16x"}},
    {"Gain", 0, 24, 0, true, "dB", "Processing", {}},
    {"Attack", 0, 1000, 0, true, "ms", "Processing", {}},
    {"Release", 0, 1000, 0, true, "ms", "Processing", {}},
    {"Auto Release", 0, 1, 0, true, nullptr, "Processing", {"Off", "On"}},
    {"Look Ahead", 0, 1, 0, false, nullptr, "Processing", {"Short", "Long"}},
    {"Ceiling", -24, 0, 0, true, "dBFS", "Processing", {}},
    {"Drive", 0, 24, 0, true, "dB", "Processing", {}},
    {"Channel Link", 0, 100, 100, true, "%", "Processing", {}},
    {"Meter Mode", 0, 2, 0, true, nullptr, "GUI", {"IN", "GR", "OUT"}},
    {"Limit Mode", 0, 1, 0, false, nullptr, "Processing", {"Hard", "Soft"}},
    {"Saturation Mode", 0, 1, 0, true, nullptr, "Processing", {"Off", "On"}},
    {"Ceiling Mode", 0, 1, 0, true, nullptr, "Processing", {"Ceiling", "Volume"}},
    {"Online Update Check", 0, 1, 1, false, nullptr, "GUI", {"Off", "On"}},
  };
  const std::vector<float> values = Values(unit);
  for (UInt32 i = 0; i < kNumParams; ++i)
  {
    const Row& r = rows[i];
    SCOPED_TRACE(r.name);
    AudioUnitParameterInfo info {};
    ASSERT_EQ(GetProp(unit, kAudioUnitProperty_ParameterInfo, kAudioUnitScope_Global, i, info), noErr);
    EXPECT_STREQ(info.name, r.name);
    EXPECT_EQ(Text(info.cfNameString), r.name);
    EXPECT_FLOAT_EQ(info.minValue, r.min);
    EXPECT_FLOAT_EQ(info.maxValue, r.max);
    EXPECT_FLOAT_EQ(info.defaultValue, r.def);
    EXPECT_FLOAT_EQ(values[i], r.def);
    EXPECT_EQ((info.flags & kAudioUnitParameterFlag_NonRealTime) != 0, !r.automatable);
    EXPECT_NE(info.flags & kAudioUnitParameterFlag_IsWritable, 0u);
    // Every parameter has a group; the host reads its name through the clump.
    ASSERT_NE(info.clumpID, 0u);
    AudioUnitParameterNameInfo clump {info.clumpID, kAudioUnitParameterName_Full, nullptr};
    ASSERT_EQ(GetProp(unit, kAudioUnitProperty_ParameterClumpName, kAudioUnitScope_Global, 0, clump), noErr);
    EXPECT_EQ(Text(clump.outName), r.group);
    if (clump.outName) CFRelease(clump.outName);
    if (!r.texts.empty())
    {
      EXPECT_EQ(info.unit, kAudioUnitParameterUnit_Indexed);
      EXPECT_NE(info.flags & kAudioUnitParameterFlag_ValuesHaveStrings, 0u);
      CFArrayRef strings = nullptr;
      ASSERT_EQ(GetProp(unit, kAudioUnitProperty_ParameterValueStrings, kAudioUnitScope_Global, i, strings), noErr);
      ASSERT_NE(strings, nullptr);
      ASSERT_EQ(CFArrayGetCount(strings), static_cast<CFIndex>(r.texts.size()));
      for (size_t k = 0; k < r.texts.size(); ++k)
        EXPECT_EQ(Text(static_cast<CFStringRef>(CFArrayGetValueAtIndex(strings, static_cast<CFIndex>(k)))),
                  r.texts[k]);
      CFRelease(strings);
    }
    else if (r.unitName)
    {
      EXPECT_EQ(info.unit, kAudioUnitParameterUnit_CustomUnit);
      EXPECT_EQ(Text(info.unitName), r.unitName);
    }
    else
    {
      EXPECT_EQ(info.unit, kAudioUnitParameterUnit_Generic);
    }
    // The flag hands both strings over to the host.
    if ((info.flags & kAudioUnitParameterFlag_CFNameRelease) && info.cfNameString) CFRelease(info.cfNameString);
    if ((info.flags & kAudioUnitParameterFlag_CFNameRelease) && info.unitName) CFRelease(info.unitName);
  }
  AudioUnitParameterInfo beyond {};
  EXPECT_NE(GetProp(unit, kAudioUnitProperty_ParameterInfo, kAudioUnitScope_Global, kNumParams, beyond), noErr);
}

TEST_F(ProductComponent, StateRestoresEveryParameterIntoAFreshInstanceWithIdenticalAudio)
{
  producttest::TempHome home;
  AudioUnit a = MakeRunning();
  ASSERT_NE(a, nullptr);

  // The host's factory presets: the framework's one preset, filled with the defaults.
  CFArrayRef presets = nullptr;
  ASSERT_EQ(GetProp(a, kAudioUnitProperty_FactoryPresets, kAudioUnitScope_Global, 0, presets), noErr);
  ASSERT_NE(presets, nullptr);
  ASSERT_EQ(CFArrayGetCount(presets), 1);
  const auto* init = static_cast<const AUPreset*>(CFArrayGetValueAtIndex(presets, 0));
  EXPECT_EQ(init->presetNumber, 0);
  EXPECT_EQ(Text(init->presetName), "Init");
  CFRelease(presets);

  // Every parameter away from its default (the host road; the ones it should not automate
  // included: what it stores is what the engine runs).
  // Values as a host sends them, floats with no short decimal form.
  const float set[kNumParams] = {1.37f, 0, 2, 7.3f, 3.21f, 120.7f, 1, 1, -3.33f, 4.1f, 41, 2, 1, 1, 1, 0};
  for (UInt32 i = 0; i < kNumParams; ++i)
    ASSERT_EQ(AudioUnitSetParameter(a, i, kAudioUnitScope_Global, 0, set[i], 0), noErr) << i;
  const std::vector<float> before = Values(a);
  for (UInt32 i = 0; i < kNumParams; ++i) EXPECT_FLOAT_EQ(before[i], set[i]) << i;

  CFPropertyListRef plist = nullptr;
  ASSERT_EQ(GetProp(a, kAudioUnitProperty_ClassInfo, kAudioUnitScope_Global, 0, plist), noErr);
  ASSERT_NE(plist, nullptr);
  ASSERT_EQ(CFGetTypeID(plist), CFDictionaryGetTypeID());
  auto dataEntry = static_cast<CFDataRef>(CFDictionaryGetValue(static_cast<CFDictionaryRef>(plist), CFSTR("data")));
  ASSERT_NE(dataEntry, nullptr);
  ASSERT_GE(CFDataGetLength(dataEntry), 32);
  const std::string head(reinterpret_cast<const char*>(CFDataGetBytePtr(dataEntry)), 20);
  EXPECT_EQ(head.substr(0, 4), "RIFF");
  EXPECT_EQ(head.substr(12, 8), "QVCMQVCS");

  AudioUnit b = MakeRunning();
  ASSERT_NE(b, nullptr);
  ASSERT_EQ(SetProp(b, kAudioUnitProperty_ClassInfo, kAudioUnitScope_Global, 0, plist), noErr);
  const std::vector<float> restored = Values(b);
  for (UInt32 i = 0; i < kNumParams; ++i) EXPECT_FLOAT_EQ(restored[i], set[i]) << i;
  EXPECT_DOUBLE_EQ(LatencySeconds(b), LatencySeconds(a));

  // The same settings give the same audio, sample for sample.
  const std::vector<float> outA = Render(a, 24);
  const std::vector<float> outB = Render(b, 24);
  ASSERT_EQ(outA.size(), outB.size());
  size_t differing = 0;
  for (size_t k = 0; k < outA.size(); ++k) differing += outA[k] != outB[k];
  EXPECT_EQ(differing, 0u);
  float peak = 0.f;
  for (float s : outA) peak = std::max(peak, std::fabs(s));
  EXPECT_GT(peak, 0.1f);
  CFRelease(plist);
}

TEST_F(ProductComponent, PresetRecallAndMonoProcessing)
{
  producttest::TempHome home;
  AudioUnit unit = Make();
  ASSERT_NE(unit, nullptr);
  // Mono in, mono out is one of the product's two layouts; mono to stereo is not. The rate is
  // the unit's initial one, so no format change resets the plug-in before it renders.
  EXPECT_EQ(SetProp(unit, kAudioUnitProperty_StreamFormat, kAudioUnitScope_Input, 0, FloatFormat(44100.0, 1)), noErr);
  EXPECT_EQ(SetProp(unit, kAudioUnitProperty_StreamFormat, kAudioUnitScope_Output, 0, FloatFormat(44100.0, 2)), noErr);
  EXPECT_NE(AudioUnitInitialize(unit), noErr);
  EXPECT_EQ(SetProp(unit, kAudioUnitProperty_StreamFormat, kAudioUnitScope_Output, 0, FloatFormat(44100.0, 1)), noErr);
  const AURenderCallbackStruct cb {&autest::LoudSource, nullptr};
  ASSERT_EQ(SetProp(unit, kAudioUnitProperty_SetRenderCallback, kAudioUnitScope_Input, 0, cb), noErr);
  ASSERT_EQ(AudioUnitInitialize(unit), noErr);

  // A hot input against a -6 dBFS ceiling: the output stays under it.
  ASSERT_EQ(AudioUnitSetParameter(unit, kGain, kAudioUnitScope_Global, 0, 12.0f, 0), noErr);
  ASSERT_EQ(AudioUnitSetParameter(unit, kCeiling, kAudioUnitScope_Global, 0, -6.0f, 0), noErr);
  float peak = 0.f;
  for (int b = 0; b < 40; ++b)
  {
    HostBuffers mono(1, 512);
    ASSERT_EQ(RenderAt(unit, b * 512.0, 512, mono.List()), noErr);
    for (float v : mono.Copy(0)) peak = std::max(peak, std::fabs(v));
  }
  EXPECT_GT(peak, 0.25f);
  EXPECT_LE(peak, static_cast<float>(std::pow(10.0, -6.0 / 20.0)) * 1.0001f);

  // The host recalls the factory preset: every parameter back at its default, named "Init".
  const AUPreset init {0, CFSTR("Init")};
  ASSERT_EQ(SetProp(unit, kAudioUnitProperty_PresentPreset, kAudioUnitScope_Global, 0, init), noErr);
  const std::vector<float> values = Values(unit);
  const float defaults[kNumParams] = {1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 100, 0, 0, 0, 0, 1};
  for (UInt32 i = 0; i < kNumParams; ++i) EXPECT_FLOAT_EQ(values[i], defaults[i]) << i;
  AUPreset present {};
  ASSERT_EQ(GetProp(unit, kAudioUnitProperty_PresentPreset, kAudioUnitScope_Global, 0, present), noErr);
  EXPECT_EQ(present.presetNumber, 0);
  EXPECT_EQ(Text(present.presetName), "Init");
  if (present.presetName) CFRelease(present.presetName);
  CFPropertyListRef plist = nullptr;
  ASSERT_EQ(GetProp(unit, kAudioUnitProperty_ClassInfo, kAudioUnitScope_Global, 0, plist), noErr);
  ASSERT_NE(plist, nullptr);
  EXPECT_EQ(Text(static_cast<CFStringRef>(CFDictionaryGetValue(static_cast<CFDictionaryRef>(plist), CFSTR("name")))),
            "Init");
  CFRelease(plist);
}

TEST_F(ProductComponent, HostBlockSizesDoNotChangeTheAudio)
{
  producttest::TempHome home;
  // Oversampled, long look-ahead, soft limiting and saturation: the paths with the most state.
  const std::pair<AudioUnitParameterID, float> settings[] = {
    {kOSMode, 2}, {kLookAhead, 1}, {kGain, 9}, {kRelease, 40}, {kLimitMode, 1}, {kSatMode, 1}, {kCeiling, -1}};
  AudioUnit whole = MakeRunning(44100.0);
  AudioUnit split = MakeRunning(44100.0);
  ASSERT_TRUE(whole && split);
  for (const auto& [id, v] : settings)
  {
    ASSERT_EQ(AudioUnitSetParameter(whole, id, kAudioUnitScope_Global, 0, v, 0), noErr);
    ASSERT_EQ(AudioUnitSetParameter(split, id, kAudioUnitScope_Global, 0, v, 0), noErr);
  }
  // One pass in 512-frame blocks and one in blocks of random sizes up to 512.
  const UInt32 total = 512 * 20;
  std::vector<float> a, b;
  auto renderInto = [&](AudioUnit unit, UInt32 start, UInt32 n, std::vector<float>& dst) {
    HostBuffers out(2, n);
    ASSERT_EQ(RenderAt(unit, start, n, out.List()), noErr);
    const std::vector<float> left = out.Copy(0), right = out.Copy(1);
    for (UInt32 k = 0; k < n; ++k)
    {
      dst.push_back(left[k]);
      dst.push_back(right[k]);
    }
  };
  for (UInt32 t = 0; t < total; t += 512) renderInto(whole, t, 512, a);
  UInt32 seed = 12345;
  for (UInt32 t = 0; t < total;)
  {
    seed = seed * 1103515245u + 12345u;
    const UInt32 n = std::min<UInt32>(1 + (seed >> 16) % 512, total - t);
    renderInto(split, t, n, b);
    t += n;
  }
  ASSERT_EQ(a.size(), b.size());
  size_t firstDiff = a.size();
  for (size_t k = 0; k < a.size() && firstDiff == a.size(); ++k)
    if (a[k] != b[k]) firstDiff = k;
  EXPECT_EQ(firstDiff, a.size()) << "first difference at frame " << firstDiff / 2;
  float peak = 0.f;
  for (float v : a) peak = std::max(peak, std::fabs(v));
  EXPECT_GT(peak, 0.25f);
  EXPECT_LE(peak, static_cast<float>(std::pow(10.0, -1.0 / 20.0)) * 1.0001f);
}

TEST_F(ProductComponent, HostResetClearsTheSignalState)
{
  producttest::TempHome home;
  AudioUnit used = MakeRunning();
  AudioUnit fresh = MakeRunning();
  ASSERT_TRUE(used && fresh);
  for (AudioUnit u : {used, fresh})
  {
    ASSERT_EQ(AudioUnitSetParameter(u, kOSMode, kAudioUnitScope_Global, 0, 1, 0), noErr);
    ASSERT_EQ(AudioUnitSetParameter(u, kGain, kAudioUnitScope_Global, 0, 10, 0), noErr);
    ASSERT_EQ(AudioUnitSetParameter(u, kRelease, kAudioUnitScope_Global, 0, 300, 0), noErr);
  }
  // Loud material through one instance, then a reset: from then on it sounds like the other.
  Render(used, 30);
  ASSERT_EQ(AudioUnitReset(used, kAudioUnitScope_Global, 0), noErr);
  const std::vector<float> a = Render(used, 12);
  const std::vector<float> b = Render(fresh, 12);
  ASSERT_EQ(a.size(), b.size());
  size_t differing = 0;
  for (size_t k = 0; k < a.size(); ++k) differing += a[k] != b[k];
  EXPECT_EQ(differing, 0u);
}

TEST_F(ProductComponent, RefusedStateChangesNothing)
{
  producttest::TempHome home;
  AudioUnit unit = MakeRunning();
  ASSERT_NE(unit, nullptr);
  ASSERT_EQ(AudioUnitSetParameter(unit, kGain, kAudioUnitScope_Global, 0, 5.0f, 0), noErr);
  ASSERT_EQ(AudioUnitSetParameter(unit, kCeiling, kAudioUnitScope_Global, 0, -2.0f, 0), noErr);
  CFPropertyListRef plist = nullptr;
  ASSERT_EQ(GetProp(unit, kAudioUnitProperty_ClassInfo, kAudioUnitScope_Global, 0, plist), noErr);
  ASSERT_NE(plist, nullptr);
  auto good = static_cast<CFDataRef>(CFDictionaryGetValue(static_cast<CFDictionaryRef>(plist), CFSTR("data")));
  ASSERT_NE(good, nullptr);
  const std::string bytes(reinterpret_cast<const char*>(CFDataGetBytePtr(good)),
                          static_cast<size_t>(CFDataGetLength(good)));

  ASSERT_EQ(AudioUnitSetParameter(unit, kGain, kAudioUnitScope_Global, 0, 11.0f, 0), noErr);
  const std::vector<float> expected = Values(unit);

  std::string huge = bytes;
  const int32_t hugeLen = 0x7ffffff0;
  std::memcpy(huge.data() + 28, &hugeLen, 4);
  std::string foreign = bytes;
  foreign.replace(foreign.find("Brimvaldex"), 10, "Otherwise!");
  const std::string docStart = bytes.substr(0, bytes.find("<Param "));
  const std::string cases[] = {
    bytes.substr(0, 20),                 // truncated header
    bytes.substr(0, bytes.size() / 2),   // truncated document
    "FORM" + bytes.substr(4),            // another container
    huge,                                // a text length far past the end
    foreign,                             // another maker's document
    std::string(),                       // no data at all
  };
  for (const std::string& c : cases)
  {
    SCOPED_TRACE(c.size());
    CFMutableDictionaryRef edited = CFDictionaryCreateMutableCopy(nullptr, 0, static_cast<CFDictionaryRef>(plist));
    CFDataRef d = CFDataCreate(nullptr, reinterpret_cast<const UInt8*>(c.data()), static_cast<CFIndex>(c.size()));
    CFDictionarySetValue(edited, CFSTR("data"), d);
    CFRelease(d);
    EXPECT_NE(SetProp(unit, kAudioUnitProperty_ClassInfo, kAudioUnitScope_Global, 0,
                      static_cast<CFPropertyListRef>(edited)),
              noErr);
    CFRelease(edited);
    const std::vector<float> now = Values(unit);
    for (UInt32 i = 0; i < kNumParams; ++i) EXPECT_FLOAT_EQ(now[i], expected[i]) << i;
  }
  CFRelease(plist);
}

TEST_F(ProductComponent, LatencyChangesReachTheHostByItsRoad)
{
  producttest::TempHome home;
  struct Case
  {
    const char* bundle;
    bool immediate; // told at once, before any idle tick
  };
  for (const Case c : {Case {"", false}, Case {"com.apple.logic10", true}, Case {"com.cockos.reaper", false}})
  {
    SCOPED_TRACE(*c.bundle ? c.bundle : "unknown host");
    SetHostBundle(c.bundle);
    const double fs = 48000.0;
    AudioUnit unit = MakeRunning(fs);
    ASSERT_NE(unit, nullptr);
    cfx::RunMainRunLoopFor(0.1);
    const double before = LatencySeconds(unit);
    EXPECT_GT(before, 0.0);
    EXPECT_DOUBLE_EQ(std::round(before * fs), before * fs);

    ListenerLog log;
    ASSERT_EQ(AudioUnitAddPropertyListener(unit, kAudioUnitProperty_Latency, &ListenerLog::Proc, &log), noErr);
    ASSERT_EQ(AudioUnitSetParameter(unit, kOSMode, kAudioUnitScope_Global, 0, 3.0f, 0), noErr); // 8x
    EXPECT_EQ(log.latencyCalls > 0, c.immediate);
    cfx::RunMainRunLoopFor(0.1); // a few idle ticks
    EXPECT_EQ(log.latencyCalls, 1);
    const double after = LatencySeconds(unit);
    EXPECT_NE(after, before);
    EXPECT_DOUBLE_EQ(std::round(after * fs), after * fs);

    // Back to 1x: the latency returns to what it was.
    ASSERT_EQ(AudioUnitSetParameter(unit, kOSMode, kAudioUnitScope_Global, 0, 0.0f, 0), noErr);
    cfx::RunMainRunLoopFor(0.1);
    EXPECT_EQ(log.latencyCalls, 2);
    EXPECT_DOUBLE_EQ(LatencySeconds(unit), before);
    EXPECT_EQ(AudioUnitRemovePropertyListenerWithUserData(unit, kAudioUnitProperty_Latency, &ListenerLog::Proc, &log),
              noErr);
  }
}
