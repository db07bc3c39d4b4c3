// Units reached through the plug-in interface's Lookup table and through a
// Component Manager entry, including one unit pulling from another.
#include <AudioToolbox/AUEventLog.h>
#include <AudioToolbox/AudioToolbox.h>
#include <CoreFoundation/CFManualClock.h>
#include <CoreServices/ComponentInstanceRecord.h>
#include <CoreServices/CoreServices.h>
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

constexpr OSType kSubtype = 0x54657374;  // 'Test'
constexpr OSType kMaker = 0x4F727878;    // 'Orxx'

// A tiny gain unit: output = upstream (or 1.0) * parameter 0.
struct FakeUnit {
  AudioComponentPlugInInterface iface;  // first: self points at both
  AudioComponentInstance instance = nullptr;
  float gain = 1.0f;
  AudioUnit upstream = nullptr;
  int renders = 0;
  static int alive;

  static OSStatus Open(void* self, AudioComponentInstance ci) {
    static_cast<FakeUnit*>(self)->instance = ci;
    return noErr;
  }
  static OSStatus Close(void* self) {
    delete static_cast<FakeUnit*>(self);
    --alive;
    return noErr;
  }
  static OSStatus SetParameter(void* self, AudioUnitParameterID id, AudioUnitScope scope, AudioUnitElement,
                               AudioUnitParameterValue value, UInt32) {
    if (scope != kAudioUnitScope_Global) return kAudioUnitErr_InvalidProperty;
    if (id != 0) return kAudioUnitErr_InvalidParameter;
    static_cast<FakeUnit*>(self)->gain = value;
    return noErr;
  }
  static OSStatus GetParameter(void* self, AudioUnitParameterID id, AudioUnitScope, AudioUnitElement,
                               AudioUnitParameterValue* value) {
    if (id != 0) return kAudioUnitErr_InvalidParameter;
    *value = static_cast<FakeUnit*>(self)->gain;
    return noErr;
  }
  static OSStatus SetProperty(void* self, AudioUnitPropertyID id, AudioUnitScope, AudioUnitElement,
                              const void* data, UInt32 size) {
    if (id != kAudioUnitProperty_MakeConnection || size != sizeof(AudioUnitConnection)) return kAudioUnitErr_InvalidProperty;
    static_cast<FakeUnit*>(self)->upstream = static_cast<const AudioUnitConnection*>(data)->sourceAudioUnit;
    return noErr;
  }
  static OSStatus GetProperty(void*, AudioUnitPropertyID id, AudioUnitScope, AudioUnitElement, void* data,
                              UInt32* size) {
    if (id != kAudioUnitProperty_SampleRate || *size < sizeof(Float64)) return kAudioUnitErr_InvalidProperty;
    *static_cast<Float64*>(data) = 48000.0;
    *size = sizeof(Float64);
    return noErr;
  }
  static OSStatus Render(void* self, AudioUnitRenderActionFlags* flags, const AudioTimeStamp* ts, UInt32 bus,
                         UInt32 frames, AudioBufferList* io) {
    auto* u = static_cast<FakeUnit*>(self);
    ++u->renders;
    if (u->upstream != nullptr) {
      const OSStatus s = AudioUnitRender(u->upstream, flags, ts, bus, frames, io);
      if (s != noErr) return s;
    } else {
      for (UInt32 b = 0; b < io->mNumberBuffers; ++b)
        for (UInt32 i = 0; i < frames; ++i) static_cast<float*>(io->mBuffers[b].mData)[i] = 1.0f;
    }
    for (UInt32 b = 0; b < io->mNumberBuffers; ++b)
      for (UInt32 i = 0; i < frames; ++i) static_cast<float*>(io->mBuffers[b].mData)[i] *= u->gain;
    return noErr;
  }
  static AudioComponentMethod Lookup(SInt16 selector) {
    switch (selector) {
      case kAudioUnitSetParameterSelect: return reinterpret_cast<AudioComponentMethod>(SetParameter);
      case kAudioUnitGetParameterSelect: return reinterpret_cast<AudioComponentMethod>(GetParameter);
      case kAudioUnitSetPropertySelect: return reinterpret_cast<AudioComponentMethod>(SetProperty);
      case kAudioUnitGetPropertySelect: return reinterpret_cast<AudioComponentMethod>(GetProperty);
      case kAudioUnitRenderSelect: return reinterpret_cast<AudioComponentMethod>(Render);
      default: return nullptr;
    }
  }
  static AudioComponentPlugInInterface* Factory(const AudioComponentDescription*) {
    auto* u = new FakeUnit();
    u->iface = {Open, Close, Lookup, nullptr};
    ++alive;
    return &u->iface;
  }
};
int FakeUnit::alive = 0;

AudioComponent RegisterFake() {
  static AudioComponent component = [] {
    const AudioComponentDescription d{kAudioUnitType_Effect, kSubtype, kMaker, 0, 0};
    return AudioComponentRegister(&d, CFSTR("Orxx: Test Gain"), 0x00020111, FakeUnit::Factory);
  }();
  return component;
}

TEST(AudioComponentLookup, HostCallsReachTheUnitThroughItsInterface) {
  AudioComponent c = RegisterFake();
  ASSERT_NE(c, nullptr);
  const AudioComponentDescription any{kAudioUnitType_Effect, 0, kMaker, 0, 0};
  EXPECT_EQ(AudioComponentFindNext(nullptr, &any), c);
  EXPECT_EQ(AudioComponentFindNext(c, &any), nullptr);
  CFStringRef name = nullptr;
  EXPECT_EQ(AudioComponentCopyName(c, &name), noErr);
  EXPECT_TRUE(CFEqual(name, CFSTR("Orxx: Test Gain")));
  CFRelease(name);
  UInt32 version = 0;
  EXPECT_EQ(AudioComponentGetVersion(c, &version), noErr);
  EXPECT_EQ(version, 0x00020111u);

  AudioUnit unit = nullptr;
  ASSERT_EQ(AudioComponentInstanceNew(c, &unit), noErr);
  EXPECT_EQ(FakeUnit::alive, 1);
  EXPECT_EQ(AudioComponentInstanceGetComponent(unit), c);
  auto* fake = reinterpret_cast<FakeUnit*>(unit->plugInInterface);
  EXPECT_EQ(fake->instance, unit);  // Open received the instance handle

  // A Float32 argument arrives intact through the typed call.
  EXPECT_EQ(AudioUnitSetParameter(unit, 0, kAudioUnitScope_Global, 0, 0.37f, 0), noErr);
  AudioUnitParameterValue v = 0;
  EXPECT_EQ(AudioUnitGetParameter(unit, 0, kAudioUnitScope_Global, 0, &v), noErr);
  EXPECT_EQ(v, 0.37f);
  EXPECT_EQ(AudioUnitSetParameter(unit, 0, kAudioUnitScope_Output, 0, 1.0f, 0), kAudioUnitErr_InvalidProperty);
  Float64 rate = 0;
  UInt32 size = sizeof rate;
  EXPECT_EQ(AudioUnitGetProperty(unit, kAudioUnitProperty_SampleRate, kAudioUnitScope_Global, 0, &rate, &size), noErr);
  EXPECT_EQ(rate, 48000.0);
  EXPECT_EQ(AudioUnitGetProperty(unit, kAudioUnitProperty_SampleRate, 0, 0, nullptr, &size), kAudio_ParamError);

  // Calls the unit does not answer, and calls on handles that are not units.
  EXPECT_EQ(AudioUnitInitialize(unit), badComponentSelector);
  EXPECT_FALSE(AudioComponentInstanceCanDo(unit, kAudioUnitInitializeSelect));
  EXPECT_TRUE(AudioComponentInstanceCanDo(unit, kAudioUnitRenderSelect));
  EXPECT_EQ(AudioUnitInitialize(nullptr), badComponentInstance);
  ComponentInstanceRecord bogus;
  bogus.tag = 0;
  EXPECT_EQ(AudioUnitReset(&bogus, 0, 0), badComponentInstance);

  EXPECT_EQ(AudioComponentInstanceDispose(unit), noErr);
  EXPECT_EQ(FakeUnit::alive, 0);
  EXPECT_EQ(AudioComponentInstanceNew(nullptr, &unit), kAudio_ParamError);
  EXPECT_EQ(unit, nullptr);
}

TEST(AudioComponentLookup, AUnitPullsFromAnotherInstance) {
  AudioComponent c = RegisterFake();
  AudioUnit source = nullptr, effect = nullptr;
  ASSERT_EQ(AudioComponentInstanceNew(c, &source), noErr);
  ASSERT_EQ(AudioComponentInstanceNew(c, &effect), noErr);
  AudioUnitSetParameter(source, 0, kAudioUnitScope_Global, 0, 0.5f, 0);
  AudioUnitSetParameter(effect, 0, kAudioUnitScope_Global, 0, 3.0f, 0);
  const AudioUnitConnection link{source, 0, 0};
  ASSERT_EQ(AudioUnitSetProperty(effect, kAudioUnitProperty_MakeConnection, kAudioUnitScope_Input, 0, &link, sizeof link),
            noErr);

  float left[8], right[8];
  alignas(AudioBufferList) unsigned char storage[AudioBufferListSize(2)];
  auto* list = reinterpret_cast<AudioBufferList*>(storage);
  list->mNumberBuffers = 2;
  list->mBuffers[0] = {1, sizeof left, left};
  list->mBuffers[1] = {1, sizeof right, right};
  AudioTimeStamp ts{};
  ts.mFlags = kAudioTimeStampSampleTimeValid;
  AudioUnitRenderActionFlags flags = 0;
  ASSERT_EQ(AudioUnitRender(effect, &flags, &ts, 0, 8, list), noErr);
  for (int i = 0; i < 8; ++i) {
    EXPECT_EQ(left[i], 1.5f);
    EXPECT_EQ(right[i], 1.5f);
  }
  EXPECT_EQ(reinterpret_cast<FakeUnit*>(source->plugInInterface)->renders, 1);
  EXPECT_EQ(AudioUnitRender(effect, &flags, nullptr, 0, 8, list), kAudio_ParamError);

  // A disposed upstream unit gives an error, not a crash.
  AudioComponentInstanceDispose(source);
  EXPECT_EQ(AudioUnitRender(effect, &flags, &ts, 0, 8, list), badComponentInstance);
  AudioComponentInstanceDispose(effect);
  EXPECT_EQ(FakeUnit::alive, 0);
}

// A unit behind a Component Manager entry: it reads its arguments from the
// parameter block, last argument first.
struct EntryState {
  int opened = 0;
  int closed = 0;
  Handle storage = reinterpret_cast<Handle>(0x1234);
  float lastValue = 0;
  UInt32 lastId = 0;
  UInt32 lastOffset = 0;
  UInt32 midiStatus = 0;
  ComponentInstance instance = nullptr;
};
EntryState g_entry;

ComponentResult Entry(ComponentParameters* p, Handle storage) {
  switch (p->what) {
    case kComponentOpenSelect:
      g_entry.instance = reinterpret_cast<ComponentInstance>(p->params[0]);
      SetComponentInstanceStorage(g_entry.instance, g_entry.storage);
      ++g_entry.opened;
      return noErr;
    case kComponentCloseSelect:
      ++g_entry.closed;
      return noErr;
    case kComponentCanDoSelect:
      return static_cast<SInt16>(p->params[0]) == kAudioUnitSetParameterSelect;
    case kComponentVersionSelect:
      return 0x00020111;
    case kAudioUnitSetParameterSelect: {
      // (ci, id, scope, element, value, offset) stored last first.
      EXPECT_EQ(p->paramSize, 6 * sizeof(long));
      EXPECT_EQ(reinterpret_cast<ComponentInstance>(p->params[5]), g_entry.instance);
      EXPECT_EQ(storage, g_entry.storage);
      g_entry.lastId = static_cast<UInt32>(p->params[4]);
      const UInt32 bits = static_cast<UInt32>(p->params[1]);
      std::memcpy(&g_entry.lastValue, &bits, sizeof bits);
      g_entry.lastOffset = static_cast<UInt32>(p->params[0]);
      return noErr;
    }
    case kMusicDeviceMIDIEventSelect:
      g_entry.midiStatus = static_cast<UInt32>(p->params[3]);
      return noErr;
    default:
      return badComponentSelector;
  }
}

TEST(ComponentManagerEntry, ParameterBlocksCarryTheArgumentsLastFirst) {
  g_entry = EntryState();
  const AudioComponentDescription d{kAudioUnitType_Effect, 0x456E7472, kMaker, 0, 0};
  AudioComponent c = AudioComponentRegisterEntry(&d, CFSTR("Orxx: Entry"), 1, Entry);
  AudioUnit unit = nullptr;
  ASSERT_EQ(AudioComponentInstanceNew(c, &unit), noErr);
  EXPECT_EQ(g_entry.opened, 1);
  EXPECT_EQ(GetComponentInstanceStorage(unit), g_entry.storage);
  EXPECT_EQ(AudioUnitSetParameter(unit, 7, kAudioUnitScope_Global, 0, -0.25f, 99), noErr);
  EXPECT_EQ(g_entry.lastId, 7u);
  EXPECT_EQ(g_entry.lastValue, -0.25f);
  EXPECT_EQ(g_entry.lastOffset, 99u);
  EXPECT_EQ(MusicDeviceMIDIEvent(unit, 0x90, 60, 100, 0), noErr);
  EXPECT_EQ(g_entry.midiStatus, 0x90u);
  EXPECT_EQ(AudioUnitInitialize(unit), badComponentSelector);
  EXPECT_TRUE(AudioComponentInstanceCanDo(unit, kAudioUnitSetParameterSelect));
  EXPECT_FALSE(AudioComponentInstanceCanDo(unit, kAudioUnitRenderSelect));
  EXPECT_EQ(GetComponentVersion(unit), 0x00020111);
  EXPECT_EQ(AudioComponentInstanceDispose(unit), noErr);
  EXPECT_EQ(g_entry.closed, 1);
  EXPECT_EQ(GetComponentInstanceStorage(nullptr), nullptr);
  EXPECT_EQ(CloseComponent(nullptr), badComponentInstance);
  EXPECT_EQ(OpenAComponent(nullptr, &unit), invalidComponentID);
}

// Records deliveries to a host listener.
struct Heard {
  std::vector<AudioUnitEventType> types;
  std::vector<float> values;
  std::vector<void*> objects;
};

void Listen(void* refCon, void* object, const AudioUnitEvent* e, UInt64, AudioUnitParameterValue value) {
  auto* h = static_cast<Heard*>(refCon);
  h->types.push_back(e->mEventType);
  h->values.push_back(value);
  h->objects.push_back(object);
}

TEST(AUEventListener, HostListenersSeeGesturesAndValues) {
  cfx::UseManualClock(true, 0.0);
  atx::ClearNotifiedEvents();
  AudioUnit unit = nullptr;
  ASSERT_EQ(AudioComponentInstanceNew(RegisterFake(), &unit), noErr);
  AudioUnitSetParameter(unit, 0, kAudioUnitScope_Global, 0, 0.75f, 0);

  Heard onLoop, immediate;
  AUEventListenerRef loopListener = nullptr, directListener = nullptr;
  ASSERT_EQ(AUEventListenerCreate(Listen, &onLoop, CFRunLoopGetMain(), kCFRunLoopDefaultMode, 0.05f, 0.0f,
                                  &loopListener),
            noErr);
  ASSERT_EQ(AUEventListenerCreate(Listen, &immediate, nullptr, nullptr, 0, 0, &directListener), noErr);
  AudioUnitEvent e{};
  e.mArgument.mParameter = {unit, 0, kAudioUnitScope_Global, 0};
  int tag = 0;
  for (AudioUnitEventType t : {kAudioUnitEvent_BeginParameterChangeGesture, kAudioUnitEvent_ParameterValueChange,
                               kAudioUnitEvent_EndParameterChangeGesture}) {
    e.mEventType = t;
    EXPECT_EQ(AUEventListenerAddEventType(loopListener, &tag, &e), noErr);
    EXPECT_EQ(AUEventListenerAddEventType(directListener, nullptr, &e), noErr);
  }

  // A unit announces a gesture the way an adapter does: no sending listener.
  for (AudioUnitEventType t : {kAudioUnitEvent_BeginParameterChangeGesture, kAudioUnitEvent_ParameterValueChange,
                               kAudioUnitEvent_EndParameterChangeGesture}) {
    e.mEventType = t;
    EXPECT_EQ(AUEventListenerNotify(nullptr, nullptr, &e), noErr);
  }
  // Another parameter of the same unit: nobody subscribed.
  e.mArgument.mParameter.mParameterID = 5;
  AUEventListenerNotify(nullptr, nullptr, &e);

  EXPECT_EQ(immediate.types, (std::vector<AudioUnitEventType>{1, 0, 2}));
  EXPECT_EQ(immediate.values[1], 0.75f);  // the value is read back from the unit
  EXPECT_TRUE(onLoop.types.empty());      // waits for its run loop
  EXPECT_GE(cfx::PumpMainRunLoop(), 1);
  EXPECT_EQ(onLoop.types, (std::vector<AudioUnitEventType>{1, 0, 2}));
  EXPECT_EQ(onLoop.objects[0], &tag);
  EXPECT_EQ(atx::NotifiedEvents().size(), 4u);

  // The sender is skipped; a disposed listener hears nothing more.
  e.mArgument.mParameter.mParameterID = 0;
  e.mEventType = kAudioUnitEvent_ParameterValueChange;
  AUEventListenerNotify(directListener, nullptr, &e);
  EXPECT_EQ(immediate.types.size(), 3u);
  EXPECT_EQ(AUListenerDispose(loopListener), noErr);
  EXPECT_EQ(AUListenerDispose(loopListener), kAudio_ParamError);
  cfx::AdvanceManualClock(1.0);
  cfx::PumpMainRunLoop();
  EXPECT_EQ(onLoop.types.size(), 3u);
  EXPECT_EQ(AUEventListenerRemoveEventType(directListener, nullptr, &e), noErr);
  AUEventListenerNotify(nullptr, nullptr, &e);
  EXPECT_EQ(immediate.types.size(), 3u);

  EXPECT_EQ(AUListenerDispose(directListener), noErr);
  EXPECT_EQ(AUEventListenerNotify(nullptr, nullptr, nullptr), kAudio_ParamError);
  EXPECT_EQ(AUEventListenerCreate(nullptr, nullptr, nullptr, nullptr, 0, 0, &directListener), kAudio_ParamError);
  AudioComponentInstanceDispose(unit);
  atx::ClearNotifiedEvents();
  cfx::UseManualClock(false);
}

// Listeners that dispose of one another from inside a callback: the
// disposed one hears nothing more, also of the notification in progress.
struct Disposer {
  AUEventListenerRef victim = nullptr;
  int heard = 0;
};

void DisposeVictim(void* refCon, void*, const AudioUnitEvent*, UInt64, AudioUnitParameterValue) {
  auto* d = static_cast<Disposer*>(refCon);
  ++d->heard;
  if (d->victim != nullptr) {
    AUListenerDispose(d->victim);
    d->victim = nullptr;
  }
}

TEST(AUEventListener, ListenerDisposedDuringANotificationIsNotCalled) {
  Disposer first, second;
  AUEventListenerRef a = nullptr, b = nullptr;
  ASSERT_EQ(AUEventListenerCreate(DisposeVictim, &first, nullptr, nullptr, 0, 0, &a), noErr);
  ASSERT_EQ(AUEventListenerCreate(DisposeVictim, &second, nullptr, nullptr, 0, 0, &b), noErr);
  AudioUnitEvent e{};
  e.mEventType = kAudioUnitEvent_PropertyChange;
  e.mArgument.mProperty = {nullptr, kAudioUnitProperty_Latency, kAudioUnitScope_Global, 0};
  ASSERT_EQ(AUEventListenerAddEventType(a, nullptr, &e), noErr);
  ASSERT_EQ(AUEventListenerAddEventType(b, nullptr, &e), noErr);
  first.victim = b;  // the first callback disposes of the second listener
  EXPECT_EQ(AUEventListenerNotify(nullptr, nullptr, &e), noErr);
  EXPECT_EQ(first.heard, 1);
  EXPECT_EQ(second.heard, 0);
  EXPECT_EQ(AUListenerDispose(b), kAudio_ParamError);  // already gone
  EXPECT_EQ(AUListenerDispose(a), noErr);
  atx::ClearNotifiedEvents();
}

}  // namespace
