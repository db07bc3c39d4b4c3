#include "tests/au/AUTestHost.h"

#include <CoreFoundation/CFManualClock.h>

#include <dlfcn.h>

#include <cstring>

namespace autest {

const LoadedComponent& TheComponent()
{
  static LoadedComponent c = [] {
    LoadedComponent lc;
    lc.path = FXAU_TEST_COMPONENT_PATH;
    lc.handle = dlopen(lc.path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!lc.handle) return lc;
    lc.factory = reinterpret_cast<AudioComponentFactoryFunction>(dlsym(lc.handle, "FxAUTest_Factory"));
    lc.entry = reinterpret_cast<ComponentRoutineUPP>(dlsym(lc.handle, "FxAUTest_Entry"));
    AudioComponentDescription desc{};
    desc.componentType = 0x61756D66;  // 'aumf': an effect taking MIDI
    desc.componentSubType = 0x46785431;  // 'FxT1'
    desc.componentManufacturer = 0x4F726254;  // 'OrbT'
    if (lc.factory) lc.viaFactory = AudioComponentRegister(&desc, CFSTR("Orbex Tests: FxAUTest"), 0x00020111, lc.factory);
    if (lc.entry) lc.viaEntry = AudioComponentRegisterEntry(&desc, CFSTR("Orbex Tests: FxAUTest (entry)"), 0x00020111, lc.entry);
    return lc;
  }();
  return c;
}

AudioUnit NewUnit(Road road)
{
  const LoadedComponent& c = TheComponent();
  AudioComponent comp = road == Road::Factory ? c.viaFactory : c.viaEntry;
  if (!comp) return nullptr;
  AudioUnit unit = nullptr;
  if (AudioComponentInstanceNew(comp, &unit) != noErr) return nullptr;
  return unit;
}

AudioStreamBasicDescription FloatFormat(double sampleRate, UInt32 channels)
{
  AudioStreamBasicDescription f{};
  FillOutASBDForLPCM(f, sampleRate, channels, 32, 32, true, false, true);
  return f;
}

OSStatus SetFormat(AudioUnit unit, AudioUnitScope scope, UInt32 element, const AudioStreamBasicDescription& f)
{
  return AudioUnitSetProperty(unit, kAudioUnitProperty_StreamFormat, scope, element, &f, sizeof(f));
}

OSStatus SetChannels(AudioUnit unit, AudioUnitScope scope, UInt32 channels, double sampleRate)
{
  return SetFormat(unit, scope, 0, FloatFormat(sampleRate, channels));
}

AudioTimeStamp SampleTime(double t)
{
  AudioTimeStamp ts{};
  ts.mSampleTime = t;
  ts.mFlags = kAudioTimeStampSampleTimeValid;
  return ts;
}

OSStatus RenderAt(AudioUnit unit, double t, UInt32 nFrames, AudioBufferList* list, UInt32 bus)
{
  AudioUnitRenderActionFlags flags = 0;
  const AudioTimeStamp ts = SampleTime(t);
  return AudioUnitRender(unit, &flags, &ts, bus, nFrames, list);
}

HostBuffers::HostBuffers(UInt32 nChannels, UInt32 nFrames, bool withMemory)
  : mFrames(nFrames)
  , mData(nChannels, std::vector<float>(nFrames, 0.f))
  , mListBytes(AudioBufferListSize(nChannels > 0 ? nChannels : 1), 0)
{
  AudioBufferList* list = List();
  list->mNumberBuffers = nChannels;
  for (UInt32 c = 0; c < nChannels; ++c)
  {
    list->mBuffers[c].mNumberChannels = 1;
    list->mBuffers[c].mDataByteSize = nFrames * sizeof(float);
    list->mBuffers[c].mData = withMemory ? mData[c].data() : nullptr;
  }
}

std::vector<float> HostBuffers::Copy(UInt32 c) const
{
  auto* list = reinterpret_cast<const AudioBufferList*>(mListBytes.data());
  const float* p = static_cast<const float*>(list->mBuffers[c].mData);
  return p ? std::vector<float>(p, p + mFrames) : std::vector<float>();
}

OSStatus SignalSource::Render(void* refCon, AudioUnitRenderActionFlags*, const AudioTimeStamp* ts, UInt32,
                              UInt32 nFrames, AudioBufferList* list)
{
  auto* self = static_cast<SignalSource*>(refCon);
  ++self->calls;
  for (UInt32 c = 0; c < list->mNumberBuffers; ++c)
  {
    if (self->leaveNull)
    {
      list->mBuffers[c].mData = nullptr;
      continue;
    }
    auto* p = static_cast<float*>(list->mBuffers[c].mData);
    if (!p) return kAudio_ParamError;
    for (UInt32 s = 0; s < nFrames; ++s) p[s] = Sample(c, ts->mSampleTime + s);
  }
  return noErr;
}

OSStatus ConnectSource(AudioUnit unit, SignalSource& source)
{
  AURenderCallbackStruct cb{&SignalSource::Render, &source};
  return SetProp(unit, kAudioUnitProperty_SetRenderCallback, kAudioUnitScope_Input, 0, cb);
}

CFBalance::CFBalance() : mStart(cfx::LiveObjectCount()) {}
CFBalance::~CFBalance() { EXPECT_EQ(cfx::LiveObjectCount(), mStart) << "CF objects leaked or over-released"; }

void AUTest::SetUp()
{
  ASSERT_TRUE(TheComponent().handle) << dlerror();
  ASSERT_NE(TheComponent().viaFactory, nullptr);
  ASSERT_NE(TheComponent().viaEntry, nullptr);
  cfx::UseManualClock(true, 1000.0);
  CFBundleGetMainBundle();  // made once on first use and kept for the process
  mLiveAtStart = cfx::LiveObjectCount();
}

void AUTest::TearDown()
{
  for (AudioUnit u : mUnits) AudioComponentInstanceDispose(u);
  mUnits.clear();
  EXPECT_EQ(cfx::LiveObjectCount(), mLiveAtStart) << "CF objects leaked or over-released";
}

AudioUnit AUTest::Make(Road road)
{
  AudioUnit u = NewUnit(road);
  EXPECT_NE(u, nullptr);
  if (u) mUnits.push_back(u);
  return u;
}

void AUTest::Dispose(AudioUnit unit)
{
  for (auto it = mUnits.begin(); it != mUnits.end(); ++it)
    if (*it == unit)
    {
      mUnits.erase(it);
      break;
    }
  AudioComponentInstanceDispose(unit);
}

} // namespace autest
