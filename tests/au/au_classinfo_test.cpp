// The class-info dictionary: state saved from one instance restores another exactly (also
// through an ".aupreset" file), and truncated or hostile dictionaries are refused without
// changing anything.
#include "tests/au/AUTestHost.h"
#include "tests/au/TestAUPlugin.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <limits>
#include <string>
#include <vector>

using namespace autest;

namespace {

constexpr UInt32 kNParams = fx::test::kNumTestAUParams;

std::vector<float> Values(AudioUnit unit)
{
  std::vector<float> v(kNParams);
  for (UInt32 i = 0; i < kNParams; ++i) EXPECT_EQ(AudioUnitGetParameter(unit, i, kAudioUnitScope_Global, 0, &v[i]), noErr);
  return v;
}

SInt32 PresetNumber(AudioUnit unit)
{
  AUPreset p{};
  EXPECT_EQ(GetProp(unit, kAudioUnitProperty_PresentPreset, kAudioUnitScope_Global, 0, p), noErr);
  if (p.presetName) CFRelease(p.presetName);
  return p.presetNumber;
}

CFDictionaryRef SaveState(AudioUnit unit)
{
  CFPropertyListRef plist = nullptr;
  EXPECT_EQ(GetProp(unit, kAudioUnitProperty_ClassInfo, kAudioUnitScope_Global, 0, plist), noErr);
  EXPECT_NE(plist, nullptr);
  EXPECT_EQ(CFGetTypeID(plist), CFDictionaryGetTypeID());
  return static_cast<CFDictionaryRef>(plist);
}

OSStatus RestoreState(AudioUnit unit, CFPropertyListRef plist)
{
  return SetProp(unit, kAudioUnitProperty_ClassInfo, kAudioUnitScope_Global, 0, plist);
}

std::vector<float> RenderAll(AudioUnit unit)
{
  HostBuffers out(2, 512);
  EXPECT_EQ(RenderAt(unit, 0, 512, out.List()), noErr);
  std::vector<float> all = out.Copy(0);
  const std::vector<float> right = out.Copy(1);
  all.insert(all.end(), right.begin(), right.end());
  return all;
}

// A copy of dict with key replaced by value (removed when value is null). The caller releases it.
CFDictionaryRef Edited(CFDictionaryRef dict, const char* key, CFTypeRef value)
{
  CFMutableDictionaryRef copy = CFDictionaryCreateMutableCopy(kCFAllocatorDefault, 0, dict);
  CFStringRef k = CFStringCreateWithCString(kCFAllocatorDefault, key, kCFStringEncodingUTF8);
  if (value)
    CFDictionarySetValue(copy, k, value);
  else
    CFDictionaryRemoveValue(copy, k);
  CFRelease(k);
  return copy;
}

CFNumberRef Int(SInt64 v) { return CFNumberCreate(kCFAllocatorDefault, kCFNumberSInt64Type, &v); }
CFNumberRef Real(double v) { return CFNumberCreate(kCFAllocatorDefault, kCFNumberFloat64Type, &v); }

} // namespace

TEST_P(AUTestBothRoads, StateRestoresIntoAFreshInstanceWithIdenticalOutput)
{
  AudioUnit a = Make(GetParam());
  AUPreset loud{1, nullptr};
  ASSERT_EQ(SetProp(a, kAudioUnitProperty_PresentPreset, kAudioUnitScope_Global, 0, loud), noErr);
  ASSERT_EQ(AudioUnitSetParameter(a, fx::test::kParamGain, 0, 0, -7.25f, 0), noErr);
  ASSERT_EQ(AudioUnitSetParameter(a, fx::test::kParamInvert, 0, 0, 1.f, 0), noErr);
  ASSERT_EQ(AudioUnitSetParameter(a, fx::test::kParamQuant, 0, 0, 0.75f, 0), noErr);
  CFDictionaryRef state = SaveState(a);

  AudioUnit b = Make(GetParam() == Road::Factory ? Road::Entry : Road::Factory);
  ASSERT_EQ(RestoreState(b, state), noErr);
  CFRelease(state);
  EXPECT_EQ(Values(b), Values(a));
  EXPECT_EQ(PresetNumber(b), 1);  // the preset named in the dictionary is the current one

  SignalSource sa, sb;
  ASSERT_EQ(ConnectSource(a, sa), noErr);
  ASSERT_EQ(ConnectSource(b, sb), noErr);
  ASSERT_EQ(AudioUnitInitialize(a), noErr);
  ASSERT_EQ(AudioUnitInitialize(b), noErr);
  EXPECT_EQ(RenderAll(b), RenderAll(a));
}

TEST_F(AUTest, StateSurvivesAnAupresetFile)
{
  AudioUnit a = Make();
  ASSERT_EQ(AudioUnitSetParameter(a, fx::test::kParamGain, 0, 0, 5.5f, 0), noErr);
  ASSERT_EQ(AudioUnitSetParameter(a, fx::test::kParamMode, 0, 0, 2.f, 0), noErr);
  CFDictionaryRef state = SaveState(a);

  CFErrorRef error = nullptr;
  CFDataRef xml = CFPropertyListCreateData(kCFAllocatorDefault, state, kCFPropertyListXMLFormat_v1_0, 0, &error);
  CFRelease(state);
  ASSERT_NE(xml, nullptr);
  const std::string path = ::testing::TempDir() + "fxautest.aupreset";
  FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  ASSERT_EQ(std::fwrite(CFDataGetBytePtr(xml), 1, CFDataGetLength(xml), f), static_cast<size_t>(CFDataGetLength(xml)));
  std::fclose(f);
  CFRelease(xml);

  f = std::fopen(path.c_str(), "rb");
  ASSERT_NE(f, nullptr);
  std::vector<UInt8> bytes;
  for (int c; (c = std::fgetc(f)) != EOF;) bytes.push_back(static_cast<UInt8>(c));
  std::fclose(f);
  std::remove(path.c_str());
  CFDataRef readBack = CFDataCreate(kCFAllocatorDefault, bytes.data(), static_cast<CFIndex>(bytes.size()));
  CFPropertyListRef plist = CFPropertyListCreateWithData(kCFAllocatorDefault, readBack, 0, nullptr, nullptr);
  CFRelease(readBack);
  ASSERT_NE(plist, nullptr);

  AudioUnit b = Make(Road::Entry);
  ASSERT_EQ(RestoreState(b, plist), noErr);
  CFRelease(plist);
  EXPECT_EQ(Values(b), Values(a));
}

TEST_P(AUTestBothRoads, TruncatedAndHostileDictionariesChangeNothing)
{
  AudioUnit source = Make(GetParam());
  ASSERT_EQ(AudioUnitSetParameter(source, fx::test::kParamGain, 0, 0, 9.f, 0), noErr);
  CFDictionaryRef good = SaveState(source);
  auto goodData = static_cast<CFDataRef>(CFDictionaryGetValue(good, CFSTR("data")));
  ASSERT_NE(goodData, nullptr);
  const CFIndex len = CFDataGetLength(goodData);

  AudioUnit target = Make(GetParam());
  AUPreset unity{0, nullptr};
  ASSERT_EQ(SetProp(target, kAudioUnitProperty_PresentPreset, kAudioUnitScope_Global, 0, unity), noErr);
  ASSERT_EQ(AudioUnitSetParameter(target, fx::test::kParamGain, 0, 0, -3.f, 0), noErr);
  const std::vector<float> before = Values(target);

  struct Hostile
  {
    const char* what;
    std::function<CFPropertyListRef()> make;  // a new object (released after the call)
  };
  const std::vector<UInt8> nanBytes = [] {
    std::vector<UInt8> b(kNParams * sizeof(double));
    for (UInt32 i = 0; i < kNParams; ++i)
    {
      const double nan = std::numeric_limits<double>::quiet_NaN();
      std::memcpy(b.data() + i * sizeof(double), &nan, sizeof nan);
    }
    return b;
  }();
  auto withValue = [&](const char* key, CFTypeRef value) {
    CFDictionaryRef d = Edited(good, key, value);
    if (value) CFRelease(value);
    return static_cast<CFPropertyListRef>(d);
  };
  const Hostile cases[] = {
    {"truncated data", [&] { return withValue("data", CFDataCreate(nullptr, CFDataGetBytePtr(goodData), len / 2)); }},
    {"one byte short", [&] { return withValue("data", CFDataCreate(nullptr, CFDataGetBytePtr(goodData), len - 1)); }},
    {"empty data", [&] { return withValue("data", CFDataCreate(nullptr, nullptr, 0)); }},
    {"data missing", [&] { return withValue("data", nullptr); }},
    {"data as text", [&] { return withValue("data", CFStringCreateWithCString(nullptr, "AAAA", kCFStringEncodingUTF8)); }},
    {"name missing", [&] { return withValue("name", nullptr); }},
    {"name as number", [&] { return withValue("name", Int(3)); }},
    {"version missing", [&] { return withValue("version", nullptr); }},
    {"version as text", [&] { return withValue("version", CFStringCreateWithCString(nullptr, "2.1", kCFStringEncodingUTF8)); }},
    {"type missing", [&] { return withValue("type", nullptr); }},
    {"type as data", [&] { return withValue("type", CFDataCreate(nullptr, nullptr, 0)); }},
    {"type of an instrument", [&] { return withValue("type", Int(0x61756D75)); }},
    {"subtype of another product", [&] { return withValue("subtype", Int(0x46785432)); }},
    {"subtype as real", [&] { return withValue("subtype", Real(1182291249.0)); }},
    {"subtype out of range", [&] { return withValue("subtype", Int(SInt64(1) << 40)); }},
    {"manufacturer of another maker", [&] { return withValue("manufacturer", Int(1)); }},
    {"manufacturer as array", [&] { return withValue("manufacturer", CFArrayCreate(nullptr, nullptr, 0, &kCFTypeArrayCallBacks)); }},
    {"not a dictionary: array", [&] { return static_cast<CFPropertyListRef>(CFArrayCreate(nullptr, nullptr, 0, &kCFTypeArrayCallBacks)); }},
    {"not a dictionary: string", [&] { return static_cast<CFPropertyListRef>(CFStringCreateWithCString(nullptr, "x", kCFStringEncodingUTF8)); }},
    {"empty dictionary", [&] {
       return static_cast<CFPropertyListRef>(CFDictionaryCreate(nullptr, nullptr, nullptr, 0, &kCFTypeDictionaryKeyCallBacks,
                                                                &kCFTypeDictionaryValueCallBacks));
     }},
  };
  for (const Hostile& c : cases)
  {
    CFPropertyListRef plist = c.make();
    ASSERT_NE(plist, nullptr) << c.what;
    EXPECT_EQ(RestoreState(target, plist), kAudioUnitErr_InvalidPropertyValue) << c.what;
    CFRelease(plist);
    EXPECT_EQ(Values(target), before) << c.what;
    EXPECT_EQ(PresetNumber(target), 0) << c.what;
  }
  CFPropertyListRef null = nullptr;
  EXPECT_EQ(RestoreState(target, null), kAudioUnitErr_InvalidPropertyValue);
  EXPECT_EQ(AudioUnitSetProperty(target, kAudioUnitProperty_ClassInfo, 0, 0, &null, 4), kAudio_ParamError);

  // Values that are not numbers do not get in.
  CFPropertyListRef nanState = withValue("data", CFDataCreate(nullptr, nanBytes.data(), static_cast<CFIndex>(nanBytes.size())));
  RestoreState(target, nanState);
  CFRelease(nanState);
  for (float v : Values(target)) EXPECT_TRUE(std::isfinite(v));

  // The good dictionary still restores afterwards, and the subtype may come back unsigned.
  CFDictionaryRef unsignedCodes = Edited(good, "subtype", nullptr);
  CFNumberRef subtype = Int(0x46785431);
  CFDictionarySetValue(const_cast<CFMutableDictionaryRef>(static_cast<CFDictionaryRef>(unsignedCodes)), CFSTR("subtype"), subtype);
  CFRelease(subtype);
  EXPECT_EQ(RestoreState(target, unsignedCodes), noErr);
  CFRelease(unsignedCodes);
  EXPECT_EQ(Values(target), Values(source));
  CFRelease(good);
}

TEST_F(AUTest, MalformedAupresetDocumentsAreRefusedBeforeTheUnit)
{
  // What a host reads from a damaged file never becomes a dictionary the unit would see.
  const char* docs[] = {
    "",
    "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>data</key><data>AAAA",
    "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>type</key></dict></plist>",
    "<plist><dict><key>x</key><integer>99999999999999999999999999</integer></dict></plist>",
  };
  for (const char* doc : docs)
  {
    CFDataRef data = CFDataCreate(nullptr, reinterpret_cast<const UInt8*>(doc), static_cast<CFIndex>(std::strlen(doc)));
    CFErrorRef error = nullptr;
    CFPropertyListRef plist = CFPropertyListCreateWithData(nullptr, data, 0, nullptr, &error);
    CFRelease(data);
    if (error) CFRelease(error);
    if (plist)
    {
      AudioUnit unit = Make();
      EXPECT_EQ(RestoreState(unit, plist), kAudioUnitErr_InvalidPropertyValue) << doc;
      CFRelease(plist);
    }
  }
}
