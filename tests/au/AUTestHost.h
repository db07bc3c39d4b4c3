#pragma once
// A minimal host for the adapter tests: loads the FxAUTest component with dlopen, registers it
// on both roads (its factory and its Component Manager entry) and offers helpers to create
// instances, set formats and render, using only the component's exported entry points and
// the platform layers, as a host application does.

#include <AudioToolbox/AudioToolbox.h>
#include <AudioUnit/AudioUnit.h>
#include <CoreFoundation/CFLiveObjects.h>
#include <CoreFoundation/CoreFoundation.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace autest {

enum class Road
{
  Factory,
  Entry
};

struct LoadedComponent
{
  void* handle = nullptr;
  AudioComponentFactoryFunction factory = nullptr;
  ComponentRoutineUPP entry = nullptr;
  AudioComponent viaFactory = nullptr;
  AudioComponent viaEntry = nullptr;
  std::string path;
};

/** Loads and registers the component once per process (fails the test when it cannot). */
const LoadedComponent& TheComponent();

/** A new instance through one road; null on failure. */
AudioUnit NewUnit(Road road);

AudioStreamBasicDescription FloatFormat(double sampleRate, UInt32 channels);
OSStatus SetFormat(AudioUnit unit, AudioUnitScope scope, UInt32 element, const AudioStreamBasicDescription& f);
OSStatus SetChannels(AudioUnit unit, AudioUnitScope scope, UInt32 channels, double sampleRate = 44100.0);
AudioTimeStamp SampleTime(double t);
/** One render call for nFrames at sample time t into list. */
OSStatus RenderAt(AudioUnit unit, double t, UInt32 nFrames, AudioBufferList* list, UInt32 bus = 0);

/** Non-interleaved buffers of one channel each, owned by the object. */
class HostBuffers
{
public:
  HostBuffers(UInt32 nChannels, UInt32 nFrames, bool withMemory = true);
  AudioBufferList* List() { return reinterpret_cast<AudioBufferList*>(mListBytes.data()); }
  float* Channel(UInt32 c) { return static_cast<float*>(List()->mBuffers[c].mData); }
  std::vector<float> Copy(UInt32 c) const;

private:
  UInt32 mFrames;
  std::vector<std::vector<float>> mData;
  std::vector<unsigned char> mListBytes;
};

/** A host render callback feeding a fixed signal: channel c sample s = Sample(c, t + s). */
struct SignalSource
{
  static float Sample(UInt32 channel, double t) { return 0.25f * static_cast<float>(channel + 1) * (static_cast<int>(t) % 7 - 3) / 3.f; }
  static OSStatus Render(void* refCon, AudioUnitRenderActionFlags* flags, const AudioTimeStamp* ts, UInt32 bus,
                         UInt32 nFrames, AudioBufferList* list);
  int calls = 0;
  bool leaveNull = false;  // leaves the buffers' data pointers null
};

OSStatus ConnectSource(AudioUnit unit, SignalSource& source);

/** Property helpers. */
template <class T>
OSStatus GetProp(AudioUnit unit, AudioUnitPropertyID id, AudioUnitScope scope, UInt32 element, T& value)
{
  UInt32 size = sizeof(T);
  return AudioUnitGetProperty(unit, id, scope, element, &value, &size);
}
template <class T>
OSStatus SetProp(AudioUnit unit, AudioUnitPropertyID id, AudioUnitScope scope, UInt32 element, const T& value)
{
  return AudioUnitSetProperty(unit, id, scope, element, &value, sizeof(T));
}

/** Checks at the end of a test that every CF object made during it was released. */
class CFBalance
{
public:
  CFBalance();
  ~CFBalance();

private:
  long mStart;
};

/** Fixture: loads the component first (its registration makes objects that stay), then
 *  counts CF objects; instances made with Make() are disposed before the count is checked. */
class AUTest : public ::testing::Test
{
protected:
  void SetUp() override;
  void TearDown() override;
  AudioUnit Make(Road road = Road::Factory);
  void Dispose(AudioUnit unit);

  std::vector<AudioUnit> mUnits;
  long mLiveAtStart = 0;
};

class AUTestBothRoads : public AUTest, public ::testing::WithParamInterface<Road>
{
};

inline std::string RoadName(const ::testing::TestParamInfo<Road>& info)
{
  return info.param == Road::Factory ? "Factory" : "Entry";
}

} // namespace autest
