// Parameters, scheduled events, host time, gesture and value notifications, and MIDI and SysEx
// to the host, through the component's entry points (the editor side is reached the way the
// view factory reaches it: through the private property that hands out the plug-in object).
#include "tests/au/AUTestHost.h"
#include "tests/au/TestAUPlugin.h"

#include "core/IGEditorDelegate.h"
#include "core/IMidiMsg.h"
#include "core/SysExData.h"

#include <AudioToolbox/AUEventLog.h>
#include <AudioUnit/MusicDevice.h>

#include <cmath>
#include <limits>
#include <vector>

using namespace autest;
using fx::test::kParamGain;
using fx::test::kParamMode;
using fx::test::kParamQuant;
using fx::test::kParamSteps;

namespace {

AudioUnitParameterValue Get(AudioUnit unit, UInt32 idx)
{
  AudioUnitParameterValue v = -999;
  EXPECT_EQ(AudioUnitGetParameter(unit, idx, kAudioUnitScope_Global, 0, &v), noErr);
  return v;
}

AudioUnitParameterEvent Immediate(UInt32 param, AudioUnitScope scope, float value)
{
  AudioUnitParameterEvent e{};
  e.scope = scope;
  e.parameter = param;
  e.eventType = kParameterEvent_Immediate;
  e.eventValues.immediate.value = value;
  return e;
}

fx::gfx::IGEditorDelegate* Delegate(AudioUnit unit)
{
  void* p = nullptr;
  EXPECT_EQ(GetProp(unit, static_cast<AudioUnitPropertyID>(-101), kAudioUnitScope_Global, 0, p), noErr);
  return static_cast<fx::gfx::IGEditorDelegate*>(p);
}

struct MidiLog
{
  std::vector<std::vector<Byte>> packets;
  std::vector<MIDITimeStamp> times;
  std::vector<double> renderTimes;
  OSStatus answer = noErr;
  static OSStatus Proc(void* userData, const AudioTimeStamp* ts, UInt32 outNum, const MIDIPacketList* list)
  {
    auto* log = static_cast<MidiLog*>(userData);
    EXPECT_EQ(outNum, 0u);
    log->renderTimes.push_back(ts->mSampleTime);
    const MIDIPacket* p = &list->packet[0];
    for (UInt32 i = 0; i < list->numPackets; ++i, p = MIDIPacketNext(p))
    {
      log->packets.emplace_back(p->data, p->data + p->length);
      const MIDITimeStamp time = p->timeStamp;  // packed field: copied, not referenced
      log->times.push_back(time);
    }
    return log->answer;
  }
};

struct EventLog
{
  std::vector<AudioUnitEvent> events;
  std::vector<AudioUnitParameterValue> values;
  static void Proc(void* refCon, void*, const AudioUnitEvent* e, UInt64, AudioUnitParameterValue value)
  {
    static_cast<EventLog*>(refCon)->events.push_back(*e);
    static_cast<EventLog*>(refCon)->values.push_back(value);
  }
};

OSStatus RenderOnce(AudioUnit unit, double t, HostBuffers& out, UInt32 n = 64)
{
  return RenderAt(unit, t, n, out.List());
}

} // namespace

TEST_P(AUTestBothRoads, HostValuesAreRoundedClampedAndChecked)
{
  AudioUnit unit = Make(GetParam());
  struct Case
  {
    UInt32 param;
    float in, stored;
  };
  for (const Case c : {Case{kParamQuant, 0.37f, 0.25f}, Case{kParamQuant, 0.375f, 0.5f}, Case{kParamQuant, 7.f, 1.f},
                       Case{kParamGain, 100.f, 24.f}, Case{kParamGain, -1e30f, -24.f}, Case{kParamGain, 3.5f, 3.5f},
                       Case{kParamMode, 1.6f, 2.f}, Case{kParamSteps, -3.f, 0.f}})
  {
    ASSERT_EQ(AudioUnitSetParameter(unit, c.param, kAudioUnitScope_Global, 0, c.in, 0), noErr);
    EXPECT_EQ(Get(unit, c.param), c.stored) << c.param << " " << c.in;
  }
  EXPECT_EQ(AudioUnitSetParameter(unit, kParamGain, kAudioUnitScope_Global, 0, std::numeric_limits<float>::quiet_NaN(), 0),
            kAudioUnitErr_InvalidPropertyValue);
  EXPECT_EQ(Get(unit, kParamGain), 3.5f);
  EXPECT_EQ(AudioUnitSetParameter(unit, kParamGain, kAudioUnitScope_Input, 0, 1.f, 0), kAudioUnitErr_InvalidProperty);
  EXPECT_EQ(AudioUnitSetParameter(unit, 6, kAudioUnitScope_Global, 0, 1.f, 0), kAudioUnitErr_InvalidParameter);
  EXPECT_EQ(AudioUnitSetParameter(unit, 0xFFFFFFFF, kAudioUnitScope_Global, 0, 1.f, 0), kAudioUnitErr_InvalidParameter);
  EXPECT_EQ(Get(unit, kParamGain), 3.5f);
  AudioUnitParameterValue v = 0;
  EXPECT_EQ(AudioUnitGetParameter(unit, 6, kAudioUnitScope_Global, 0, &v), kAudioUnitErr_InvalidParameter);
  EXPECT_EQ(AudioUnitGetParameter(unit, 0, kAudioUnitScope_Output, 0, &v), kAudioUnitErr_InvalidProperty);
}

TEST_P(AUTestBothRoads, ScheduledEventsStopAtTheFirstRefusedOne)
{
  AudioUnit unit = Make(GetParam());
  AudioUnitParameterEvent ramp = Immediate(kParamGain, kAudioUnitScope_Global, 0);
  ramp.eventType = kParameterEvent_Ramped;
  ramp.eventValues.ramp.startValue = 9.f;
  ramp.eventValues.ramp.endValue = 9.f;
  const AudioUnitParameterEvent events[] = {ramp, Immediate(kParamGain, kAudioUnitScope_Global, 2.f),
                                            Immediate(kParamGain, kAudioUnitScope_Output, 4.f),
                                            Immediate(kParamGain, kAudioUnitScope_Global, 8.f)};
  EXPECT_EQ(AudioUnitScheduleParameters(unit, events, 4), kAudioUnitErr_InvalidProperty);
  EXPECT_EQ(Get(unit, kParamGain), 2.f);
  const AudioUnitParameterEvent good[] = {Immediate(kParamQuant, 0, 0.6f), Immediate(kParamGain, 0, -5.f)};
  EXPECT_EQ(AudioUnitScheduleParameters(unit, good, 2), noErr);
  EXPECT_EQ(Get(unit, kParamQuant), 0.5f);
  EXPECT_EQ(Get(unit, kParamGain), -5.f);
  EXPECT_EQ(AudioUnitScheduleParameters(unit, nullptr, 0), noErr);
}

TEST_F(AUTest, EditorEditsReachTheHostAsGestureAndValueEvents)
{
  AudioUnit unit = Make(Road::Factory);
  EventLog log;
  AUEventListenerRef listener = nullptr;
  ASSERT_EQ(AUEventListenerCreate(&EventLog::Proc, &log, nullptr, nullptr, 0.f, 0.f, &listener), noErr);
  for (AudioUnitEventType type : {kAudioUnitEvent_ParameterValueChange, kAudioUnitEvent_BeginParameterChangeGesture,
                                  kAudioUnitEvent_EndParameterChangeGesture})
  {
    AudioUnitEvent e{};
    e.mEventType = type;
    e.mArgument.mParameter = {unit, kParamGain, kAudioUnitScope_Global, 0};
    ASSERT_EQ(AUEventListenerAddEventType(listener, nullptr, &e), noErr);
  }

  fx::gfx::IGEditorDelegate* plug = Delegate(unit);
  ASSERT_NE(plug, nullptr);
  plug->BeginInformHostOfParamChangeFromUI(kParamGain);
  plug->SendParameterValueFromUI(kParamGain, 0.75);
  plug->EndInformHostOfParamChangeFromUI(kParamGain);

  ASSERT_EQ(log.events.size(), 3u);
  EXPECT_EQ(log.events[0].mEventType, kAudioUnitEvent_BeginParameterChangeGesture);
  EXPECT_EQ(log.events[1].mEventType, kAudioUnitEvent_ParameterValueChange);
  EXPECT_EQ(log.events[2].mEventType, kAudioUnitEvent_EndParameterChangeGesture);
  for (const AudioUnitEvent& e : log.events)
  {
    EXPECT_EQ(e.mArgument.mParameter.mAudioUnit, unit);
    EXPECT_EQ(e.mArgument.mParameter.mParameterID, static_cast<UInt32>(kParamGain));
  }
  EXPECT_EQ(log.values[1], 12.f);  // the value the host reads back: -24 + 48 * 0.75
  EXPECT_EQ(Get(unit, kParamGain), 12.f);
  ASSERT_EQ(AUListenerDispose(listener), noErr);
}

TEST_F(AUTest, ParameterListAndPresetChangesReachPropertyListeners)
{
  struct Log
  {
    std::vector<AudioUnitPropertyID> ids;
    static void Proc(void* refCon, AudioUnit, AudioUnitPropertyID id, AudioUnitScope, AudioUnitElement)
    {
      static_cast<Log*>(refCon)->ids.push_back(id);
    }
  } log;
  AudioUnit unit = Make(Road::Entry);
  for (AudioUnitPropertyID id : {kAudioUnitProperty_ParameterList, kAudioUnitProperty_ParameterInfo,
                                 kAudioUnitProperty_PresentPreset})
    ASSERT_EQ(AudioUnitAddPropertyListener(unit, id, &Log::Proc, &log), noErr);
  fx::gfx::IGEditorDelegate* plug = Delegate(unit);
  ASSERT_NE(plug, nullptr);
  static_cast<fx::IPluginBase*>(plug)->InformHostOfParameterListChange();
  static_cast<fx::IPluginBase*>(plug)->InformHostOfPresetChange();
  EXPECT_EQ(log.ids, (std::vector<AudioUnitPropertyID>{kAudioUnitProperty_ParameterList, kAudioUnitProperty_ParameterInfo,
                                                       kAudioUnitProperty_PresentPreset}));
}

TEST_P(AUTestBothRoads, HostTimeInformationEachBlock)
{
  AudioUnit unit = Make(GetParam());
  SignalSource source;
  ASSERT_EQ(ConnectSource(unit, source), noErr);
  ASSERT_EQ(AudioUnitSetParameter(unit, kParamSteps, kAudioUnitScope_Global, 0, 0.f, 0), noErr);
  ASSERT_EQ(AudioUnitInitialize(unit), noErr);
  HostBuffers out(2, 64);

  // Without host callbacks: 120 BPM, 4/4, every position -1, transport stopped.
  ASSERT_EQ(RenderOnce(unit, 0, out), noErr);
  const float none[] = {120, -1, -1, -1, -1, -1, 4, 4, 0, 0};
  for (int i = 0; i < fx::test::kTimeInfoSamples; ++i) EXPECT_EQ(out.Channel(0)[i], none[i]) << i;

  struct Host
  {
    static OSStatus Beat(void*, Float64* beat, Float64* tempo)
    {
      *beat = -2.5;  // taken as it is
      *tempo = 0;    // not above 0: the default
      return noErr;
    }
    static OSStatus Musical(void*, UInt32*, Float32* num, UInt32* den, Float64* downBeat)
    {
      *num = 7.9f;
      *den = 8;
      *downBeat = 16;
      return noErr;
    }
    static OSStatus Transport(void*, Boolean* playing, Boolean*, Float64* sample, Boolean* cycling, Float64* start,
                              Float64* end)
    {
      *playing = true;
      *sample = 0.0;  // exactly 0 reads as no position
      *cycling = true;
      *start = 4;
      *end = 12;
      return noErr;
    }
  };
  HostCallbackInfo cb{nullptr, &Host::Beat, &Host::Musical, &Host::Transport, nullptr};
  ASSERT_EQ(SetProp(unit, kAudioUnitProperty_HostCallbacks, kAudioUnitScope_Global, 0, cb), noErr);
  ASSERT_EQ(RenderOnce(unit, 64, out), noErr);
  const float seen[] = {120, -1, -2.5f, 16, 4, 12, 7, 8, 1, 1};
  for (int i = 0; i < fx::test::kTimeInfoSamples; ++i) EXPECT_EQ(out.Channel(0)[i], seen[i]) << i;

  EXPECT_EQ(SetProp(unit, kAudioUnitProperty_HostCallbacks, kAudioUnitScope_Input, 0, cb), kAudioUnitErr_InvalidProperty);
  EXPECT_EQ(AudioUnitSetProperty(unit, kAudioUnitProperty_HostCallbacks, kAudioUnitScope_Global, 0, &cb, 16),
            kAudio_ParamError);
}

TEST_F(AUTest, MidiAndSysExReachTheHostsMidiOutput)
{
  AudioUnit unit = Make(Road::Entry);
  SignalSource source;
  ASSERT_EQ(ConnectSource(unit, source), noErr);
  ASSERT_EQ(AudioUnitInitialize(unit), noErr);

  // Without a MIDI output callback nothing is sent and nothing fails.
  EXPECT_EQ(MusicDeviceMIDIEvent(unit, 0x90, 60, 100, 12), noErr);

  MidiLog log;
  AUMIDIOutputCallbackStruct cb{&MidiLog::Proc, &log};
  ASSERT_EQ(SetProp(unit, kAudioUnitProperty_MIDIOutputCallback, kAudioUnitScope_Global, 0, cb), noErr);
  HostBuffers out(2, 64);
  ASSERT_EQ(RenderOnce(unit, 4096, out), noErr);

  // MIDI in through the entry road is passed on to the host's MIDI output.
  ASSERT_EQ(MusicDeviceMIDIEvent(unit, 0x90, 60, 100, 12), noErr);
  ASSERT_EQ(log.packets.size(), 1u);
  EXPECT_EQ(log.packets[0], (std::vector<Byte>{0x90, 60, 100}));
  EXPECT_EQ(log.times[0], 12u);
  EXPECT_EQ(log.renderTimes[0], 4096);  // the last render's time stamp

  // A 600-byte SysEx message leaves in chunks of 256, 256 and 88 bytes, in order.
  std::vector<UInt8> sysex(600);
  for (size_t i = 0; i < sysex.size(); ++i) sysex[i] = static_cast<UInt8>(i == 0 ? 0xF0 : (i == 599 ? 0xF7 : i & 0x7F));
  log = MidiLog{};
  ASSERT_EQ(MusicDeviceSysEx(unit, sysex.data(), 600), noErr);
  ASSERT_EQ(log.packets.size(), 3u);
  EXPECT_EQ(log.packets[0].size(), 256u);
  EXPECT_EQ(log.packets[1].size(), 256u);
  EXPECT_EQ(log.packets[2].size(), 88u);
  std::vector<Byte> joined;
  for (auto& p : log.packets) joined.insert(joined.end(), p.begin(), p.end());
  EXPECT_EQ(joined, sysex);

  // The editor's MIDI and SysEx wait for the next render.
  fx::gfx::IGEditorDelegate* plug = Delegate(unit);
  ASSERT_NE(plug, nullptr);
  log = MidiLog{};
  plug->SendMidiMsgFromUI(fx::IMidiMsg(5, 0xB0, 7, 64));
  const uint8_t bytes[] = {0xF0, 0x01, 0x02, 0xF7};
  plug->SendSysexMsgFromUI(fx::SysExMsg(3, bytes, 4));
  EXPECT_TRUE(log.packets.empty());
  ASSERT_EQ(RenderOnce(unit, 4160, out), noErr);
  ASSERT_EQ(log.packets.size(), 2u);
  EXPECT_EQ(log.packets[0], (std::vector<Byte>{0xB0, 7, 64}));
  EXPECT_EQ(log.times[0], 5u);
  EXPECT_EQ(log.packets[1], (std::vector<Byte>(bytes, bytes + 4)));
  EXPECT_EQ(log.renderTimes[1], 4160);

  EXPECT_EQ(MusicDeviceSysEx(unit, nullptr, 10), kAudio_ParamError);
}
