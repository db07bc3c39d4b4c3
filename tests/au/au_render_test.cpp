// Rendering through the component's entry points: every input link type, refused render
// calls (an uninitialised unit included), host buffers the unit must fill or leave silent,
// notifications and bypass.
#include "tests/au/AUTestHost.h"

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

using namespace autest;

namespace {

constexpr UInt32 kFrames = 256;

float DbToGain(double db) { return static_cast<float>(std::pow(10.0, db / 20.0)); }

// Expected output sample of the test product for the host signal at gain g.
float Expected(UInt32 channel, double t, float g) { return SignalSource::Sample(channel, t) * g; }

void ExpectSignal(HostBuffers& out, UInt32 nChannels, double t0, float gain, UInt32 nFrames = kFrames)
{
  for (UInt32 c = 0; c < nChannels; ++c)
    for (UInt32 s = 0; s < nFrames; ++s)
      ASSERT_NEAR(out.Channel(c)[s], Expected(c, t0 + s, gain), 1e-6f) << "channel " << c << " sample " << s;
}

OSStatus Render(AudioUnit unit, double t, HostBuffers& out, UInt32 nFrames = kFrames, UInt32 bus = 0)
{
  return RenderAt(unit, t, nFrames, out.List(), bus);
}

// An upstream unit of the test's own: a Component Manager component whose instances answer
// the fast-dispatch property with a render proc, so the adapter calls it directly.
struct FakeUpstream
{
  int fastCalls = 0;
  int slowCalls = 0;
  float value = 0.5f;
};
FakeUpstream gFake;

OSStatus FakeFastRender(void* storage, AudioUnitRenderActionFlags*, const AudioTimeStamp*, UInt32, UInt32 nFrames,
                        AudioBufferList* list)
{
  auto* fake = static_cast<FakeUpstream*>(storage);
  ++fake->fastCalls;
  static std::vector<float> own(8192);
  for (UInt32 c = 0; c < list->mNumberBuffers; ++c)
  {
    float* p = own.data() + c * 4096;
    for (UInt32 s = 0; s < nFrames; ++s) p[s] = fake->value * static_cast<float>(c + 1);
    list->mBuffers[c].mData = p;
  }
  return noErr;
}

ComponentResult FakeEntry(ComponentParameters* p, Handle storage)
{
  const int n = p->paramSize / sizeof(long);
  auto arg = [&](int i) { return p->params[n - 1 - i]; };
  switch (p->what)
  {
    case kComponentOpenSelect:
      SetComponentInstanceStorage(reinterpret_cast<ComponentInstance>(arg(0)), reinterpret_cast<Handle>(&gFake));
      return noErr;
    case kComponentCloseSelect: return noErr;
    case kAudioUnitGetPropertySelect:
    {
      const auto id = static_cast<AudioUnitPropertyID>(arg(1));
      void* data = reinterpret_cast<void*>(arg(4));
      auto* size = reinterpret_cast<UInt32*>(arg(5));
      if (id == kAudioUnitProperty_StreamFormat)
      {
        *static_cast<AudioStreamBasicDescription*>(data) = FloatFormat(44100, 2);
        *size = sizeof(AudioStreamBasicDescription);
        return noErr;
      }
      if (id == kAudioUnitProperty_FastDispatch && static_cast<UInt32>(arg(3)) == kAudioUnitRenderSelect)
      {
        *static_cast<AudioUnitRenderProc*>(data) = &FakeFastRender;
        *size = sizeof(AudioUnitRenderProc);
        return noErr;
      }
      return kAudioUnitErr_InvalidProperty;
    }
    case kAudioUnitRenderSelect:
      ++reinterpret_cast<FakeUpstream*>(storage)->slowCalls;
      return noErr;
    default: return badComponentSelector;
  }
}

struct NotifyLog
{
  std::vector<UInt32> flags;
  static OSStatus Proc(void* refCon, AudioUnitRenderActionFlags* flags, const AudioTimeStamp*, UInt32, UInt32,
                       AudioBufferList*)
  {
    static_cast<NotifyLog*>(refCon)->flags.push_back(*flags);
    return noErr;
  }
};

} // namespace

TEST_P(AUTestBothRoads, RendersTheHostRenderCallbackInput)
{
  for (UInt32 channels : {1u, 2u})
  {
    AudioUnit unit = Make(GetParam());
    SignalSource source;
    ASSERT_EQ(SetChannels(unit, kAudioUnitScope_Input, channels), noErr);
    ASSERT_EQ(SetChannels(unit, kAudioUnitScope_Output, channels), noErr);
    ASSERT_EQ(ConnectSource(unit, source), noErr);
    ASSERT_EQ(AudioUnitInitialize(unit), noErr);
    ASSERT_EQ(AudioUnitSetParameter(unit, 0, kAudioUnitScope_Global, 0, 6.0f, 0), noErr);
    HostBuffers out(channels, kFrames);
    ASSERT_EQ(Render(unit, 0, out), noErr);
    ExpectSignal(out, channels, 0, DbToGain(6));
    ASSERT_EQ(Render(unit, kFrames, out), noErr);
    ExpectSignal(out, channels, kFrames, DbToGain(6));
    EXPECT_EQ(source.calls, 2);
    Dispose(unit);
  }
}

TEST_P(AUTestBothRoads, RendersFromAnotherInstanceUpstream)
{
  // The upstream instance comes through the other road, so both roads meet in one chain.
  AudioUnit upstream = Make(GetParam() == Road::Factory ? Road::Entry : Road::Factory);
  AudioUnit unit = Make(GetParam());
  SignalSource source;
  ASSERT_EQ(SetChannels(upstream, kAudioUnitScope_Input, 1, 48000), noErr);
  ASSERT_EQ(SetChannels(upstream, kAudioUnitScope_Output, 1, 48000), noErr);
  ASSERT_EQ(ConnectSource(upstream, source), noErr);
  ASSERT_EQ(AudioUnitInitialize(upstream), noErr);
  ASSERT_EQ(AudioUnitSetParameter(upstream, 0, kAudioUnitScope_Global, 0, -6.0f, 0), noErr);
  AudioUnitConnection link{upstream, 0, 0};
  ASSERT_EQ(SetProp(unit, kAudioUnitProperty_MakeConnection, kAudioUnitScope_Input, 0, link), noErr);
  AudioStreamBasicDescription f{};
  ASSERT_EQ(GetProp(unit, kAudioUnitProperty_StreamFormat, kAudioUnitScope_Input, 0, f), noErr);
  EXPECT_EQ(f.mChannelsPerFrame, 1u);  // taken from the upstream unit's output
  EXPECT_EQ(f.mSampleRate, 48000);
  ASSERT_EQ(SetChannels(unit, kAudioUnitScope_Output, 1, 48000), noErr);
  ASSERT_EQ(AudioUnitInitialize(unit), noErr);
  ASSERT_EQ(AudioUnitSetParameter(unit, 0, kAudioUnitScope_Global, 0, 12.0f, 0), noErr);

  HostBuffers out(1, kFrames);
  ASSERT_EQ(Render(unit, 512, out), noErr);
  ExpectSignal(out, 1, 512, DbToGain(-6) * DbToGain(12));
  EXPECT_EQ(source.calls, 1);

  // A connection onto itself or to a bus that does not exist is refused.
  AudioUnitConnection loop{unit, 0, 0};
  EXPECT_EQ(SetProp(unit, kAudioUnitProperty_MakeConnection, kAudioUnitScope_Input, 0, loop), kAudioUnitErr_InvalidProperty);
  AudioUnitConnection noBus{upstream, 0, 1};
  EXPECT_EQ(SetProp(unit, kAudioUnitProperty_MakeConnection, kAudioUnitScope_Input, 0, noBus), kAudioUnitErr_InvalidProperty);
  EXPECT_EQ(SetProp(unit, kAudioUnitProperty_MakeConnection, kAudioUnitScope_Output, 0, link), kAudioUnitErr_InvalidProperty);
  // Disconnecting: no source; the bus then reads silence.
  AudioUnitConnection none{nullptr, 0, 0};
  ASSERT_EQ(SetProp(unit, kAudioUnitProperty_MakeConnection, kAudioUnitScope_Input, 0, none), noErr);
  ASSERT_EQ(Render(unit, 1024, out), noErr);
  for (UInt32 s = 0; s < kFrames; ++s) ASSERT_EQ(out.Channel(0)[s], 0.f);
}

TEST_F(AUTest, RendersThroughAnUpstreamFastRenderProc)
{
  AudioComponentDescription desc{0x61756678, 0x46616B65, 0x54657374, 0, 0};
  static AudioComponent fakeComp = AudioComponentRegisterEntry(&desc, CFSTR("Test: fake upstream"), 1, &FakeEntry);
  ASSERT_NE(fakeComp, nullptr);
  AudioUnit fake = nullptr;
  ASSERT_EQ(AudioComponentInstanceNew(fakeComp, &fake), noErr);
  gFake = FakeUpstream{};

  AudioUnit unit = Make();
  AudioUnitConnection link{fake, 0, 0};
  ASSERT_EQ(SetProp(unit, kAudioUnitProperty_MakeConnection, kAudioUnitScope_Input, 0, link), noErr);
  ASSERT_EQ(AudioUnitInitialize(unit), noErr);
  HostBuffers out(2, kFrames);
  ASSERT_EQ(Render(unit, 0, out), noErr);
  EXPECT_EQ(gFake.fastCalls, 1);
  EXPECT_EQ(gFake.slowCalls, 0);
  for (UInt32 s = 0; s < kFrames; ++s)
  {
    ASSERT_EQ(out.Channel(0)[s], 0.5f);
    ASSERT_EQ(out.Channel(1)[s], 1.0f);
  }
  Dispose(unit);
  AudioComponentInstanceDispose(fake);
}

TEST_P(AUTestBothRoads, RefusedRenderCallsDoNothing)
{
  AudioUnit unit = Make(GetParam());
  SignalSource source;
  NotifyLog log;
  ASSERT_EQ(ConnectSource(unit, source), noErr);
  ASSERT_EQ(AudioUnitAddRenderNotify(unit, &NotifyLog::Proc, &log), noErr);
  ASSERT_EQ(SetProp(unit, kAudioUnitProperty_MaximumFramesPerSlice, kAudioUnitScope_Global, 0, UInt32(512)), noErr);
  HostBuffers out(2, 1024);
  auto untouched = [&out] {
    for (UInt32 c = 0; c < 2; ++c)
      for (UInt32 s = 0; s < 1024; ++s)
        if (out.Channel(c)[s] != 9.f) return false;
    return true;
  };
  for (UInt32 c = 0; c < 2; ++c) std::fill(out.Channel(c), out.Channel(c) + 1024, 9.f);

  // Before Initialize the unit does not render.
  EXPECT_EQ(Render(unit, 0, out, 256), kAudioUnitErr_Uninitialized);
  ASSERT_EQ(AudioUnitInitialize(unit), noErr);
  AudioUnitRenderActionFlags flags = 0;
  AudioTimeStamp noSampleTime{};
  noSampleTime.mFlags = kAudioTimeStampHostTimeValid;
  EXPECT_EQ(AudioUnitRender(unit, &flags, &noSampleTime, 0, 256, out.List()), kAudioUnitErr_InvalidPropertyValue);
  EXPECT_EQ(Render(unit, 0, out, 513), kAudioUnitErr_InvalidPropertyValue);
  EXPECT_EQ(Render(unit, 0, out, 256, 1), kAudioUnitErr_InvalidElement);
  HostBuffers shortBuffers(2, 100);
  EXPECT_EQ(Render(unit, 0, shortBuffers, 256), kAudio_ParamError);
  // One buffer for an output whose format (the plug-in's, the host set none) has two channels.
  HostBuffers mono(1, 256);
  EXPECT_EQ(Render(unit, 0, mono, 256), kAudio_ParamError);
  EXPECT_EQ(source.calls, 0);
  EXPECT_TRUE(log.flags.empty());
  EXPECT_TRUE(untouched());
  EXPECT_EQ(Render(unit, 0, out, 512), noErr);
  EXPECT_EQ(log.flags, (std::vector<UInt32>{kAudioUnitRenderAction_PreRender, kAudioUnitRenderAction_PostRender}));

  // After Uninitialize: refused again, nothing pulled, notified or written; initialised again,
  // it renders as before.
  ASSERT_EQ(AudioUnitUninitialize(unit), noErr);
  for (UInt32 c = 0; c < 2; ++c) std::fill(out.Channel(c), out.Channel(c) + 1024, 9.f);
  EXPECT_EQ(Render(unit, 512, out, 512), kAudioUnitErr_Uninitialized);
  EXPECT_TRUE(untouched());
  EXPECT_EQ(source.calls, 1);
  EXPECT_EQ(log.flags.size(), 2u);
  ASSERT_EQ(AudioUnitInitialize(unit), noErr);
  ASSERT_EQ(Render(unit, 512, out, 512), noErr);
  ExpectSignal(out, 2, 512, 1.f, 512);
}

TEST_P(AUTestBothRoads, InputsArePulledOncePerTimeStamp)
{
  AudioUnit unit = Make(GetParam());
  SignalSource source;
  ASSERT_EQ(ConnectSource(unit, source), noErr);
  ASSERT_EQ(AudioUnitInitialize(unit), noErr);
  HostBuffers out(2, kFrames);
  ASSERT_EQ(Render(unit, 100, out), noErr);
  ASSERT_EQ(Render(unit, 100, out), noErr);
  EXPECT_EQ(source.calls, 1);
  ASSERT_EQ(Render(unit, 100 + kFrames, out), noErr);
  EXPECT_EQ(source.calls, 2);
}

// A host that stops, resets and plays something else from the same sample time (a loop
// restarted, a take replaced) is asked for the new input, not given the last block again.
TEST_P(AUTestBothRoads, ResetAndReinitialiseForgetTheLastPulledTime)
{
  struct Take
  {
    float value = 0.f;
    int calls = 0;
    static OSStatus Render(void* refCon, AudioUnitRenderActionFlags*, const AudioTimeStamp*, UInt32, UInt32 nFrames,
                           AudioBufferList* list)
    {
      auto* take = static_cast<Take*>(refCon);
      ++take->calls;
      for (UInt32 c = 0; c < list->mNumberBuffers; ++c)
        std::fill_n(static_cast<float*>(list->mBuffers[c].mData), nFrames, take->value);
      return noErr;
    }
  } take;
  AudioUnit unit = Make(GetParam());
  AURenderCallbackStruct cb{&Take::Render, &take};
  ASSERT_EQ(SetProp(unit, kAudioUnitProperty_SetRenderCallback, kAudioUnitScope_Input, 0, cb), noErr);
  ASSERT_EQ(AudioUnitInitialize(unit), noErr);
  HostBuffers out(2, kFrames);
  auto playsTake = [&](double t, float value) {
    take.value = value;
    const int before = take.calls;
    EXPECT_EQ(Render(unit, t, out), noErr);
    EXPECT_EQ(take.calls, before + 1);
    EXPECT_EQ(out.Channel(0)[0], value);
    EXPECT_EQ(out.Channel(1)[kFrames - 1], value);
  };

  playsTake(-1.0, 0.1f);  // a pre-roll that starts before zero is pulled too
  playsTake(0.0, 0.2f);
  ASSERT_EQ(AudioUnitReset(unit, kAudioUnitScope_Global, 0), noErr);
  playsTake(0.0, 0.3f);
  ASSERT_EQ(AudioUnitUninitialize(unit), noErr);
  ASSERT_EQ(AudioUnitInitialize(unit), noErr);
  playsTake(0.0, 0.4f);
  // Within one cycle the same time stamp still shares one pull.
  take.value = 0.5f;
  ASSERT_EQ(Render(unit, 0.0, out), noErr);
  EXPECT_EQ(out.Channel(0)[0], 0.4f);
}

TEST_P(AUTestBothRoads, HostBuffersWithoutMemoryReceiveTheAdaptersOutput)
{
  AudioUnit unit = Make(GetParam());
  SignalSource source;
  ASSERT_EQ(ConnectSource(unit, source), noErr);
  ASSERT_EQ(AudioUnitInitialize(unit), noErr);
  HostBuffers out(2, kFrames, false);
  ASSERT_EQ(Render(unit, 0, out), noErr);
  ASSERT_NE(out.Channel(0), nullptr);
  ASSERT_NE(out.Channel(1), nullptr);
  EXPECT_NE(out.Channel(0), out.Channel(1));
  ExpectSignal(out, 2, 0, 1.f);
}

TEST_P(AUTestBothRoads, BuffersBeyondTheBusAreSilencedAndNullInputIsSilence)
{
  AudioUnit unit = Make(GetParam());
  SignalSource source;
  ASSERT_EQ(SetChannels(unit, kAudioUnitScope_Input, 1), noErr);
  ASSERT_EQ(SetChannels(unit, kAudioUnitScope_Output, 1), noErr);
  ASSERT_EQ(ConnectSource(unit, source), noErr);
  ASSERT_EQ(AudioUnitInitialize(unit), noErr);

  // The host hands four buffers to a bus of at most two channels: the extra ones come back
  // silent, whether they had memory or not.
  HostBuffers out(4, kFrames);
  for (UInt32 c = 0; c < 4; ++c)
    for (UInt32 s = 0; s < kFrames; ++s) out.Channel(c)[s] = 9.f;
  out.List()->mBuffers[3].mData = nullptr;
  ASSERT_EQ(Render(unit, 0, out), noErr);
  ExpectSignal(out, 1, 0, 1.f);
  for (UInt32 c = 1; c < 4; ++c)
  {
    ASSERT_NE(out.Channel(c), nullptr);
    for (UInt32 s = 0; s < kFrames; ++s) ASSERT_EQ(out.Channel(c)[s], 0.f) << c;
  }

  // An upstream side that hands back no memory is silence.
  source.leaveNull = true;
  HostBuffers again(1, kFrames);
  ASSERT_EQ(Render(unit, kFrames, again), noErr);
  for (UInt32 s = 0; s < kFrames; ++s) ASSERT_EQ(again.Channel(0)[s], 0.f);
}

TEST_P(AUTestBothRoads, FailedPullIsReportedWithoutPostNotification)
{
  struct Failing
  {
    static OSStatus Render(void*, AudioUnitRenderActionFlags*, const AudioTimeStamp*, UInt32, UInt32, AudioBufferList*)
    {
      return -1234;
    }
  };
  AudioUnit unit = Make(GetParam());
  NotifyLog log;
  AURenderCallbackStruct cb{&Failing::Render, nullptr};
  ASSERT_EQ(SetProp(unit, kAudioUnitProperty_SetRenderCallback, kAudioUnitScope_Input, 0, cb), noErr);
  ASSERT_EQ(AudioUnitAddRenderNotify(unit, &NotifyLog::Proc, &log), noErr);
  ASSERT_EQ(AudioUnitInitialize(unit), noErr);
  HostBuffers out(2, kFrames);
  EXPECT_EQ(Render(unit, 0, out), -1234);
  EXPECT_EQ(log.flags, std::vector<UInt32>{kAudioUnitRenderAction_PreRender});
  EXPECT_EQ(Render(unit, 0, out), -1234);  // not marked as pulled: tried again
  ASSERT_EQ(AudioUnitRemoveRenderNotify(unit, &NotifyLog::Proc, &log), noErr);
  EXPECT_EQ(Render(unit, 0, out), -1234);
  EXPECT_EQ(log.flags.size(), 2u);
}

TEST_P(AUTestBothRoads, RandomBlockSplitsEqualOneWholePass)
{
  constexpr UInt32 kTotal = 4096;
  auto run = [&](const std::vector<UInt32>& sizes) {
    AudioUnit unit = Make(GetParam());
    SignalSource source;
    EXPECT_EQ(ConnectSource(unit, source), noErr);
    EXPECT_EQ(SetProp(unit, kAudioUnitProperty_MaximumFramesPerSlice, kAudioUnitScope_Global, 0, kTotal), noErr);
    EXPECT_EQ(AudioUnitInitialize(unit), noErr);
    EXPECT_EQ(AudioUnitSetParameter(unit, 0, kAudioUnitScope_Global, 0, -3.0f, 0), noErr);
    std::vector<float> result;
    double t = 0;
    for (UInt32 n : sizes)
    {
      HostBuffers out(2, n);
      EXPECT_EQ(Render(unit, t, out, n), noErr);
      const std::vector<float> ch = out.Copy(1);
      result.insert(result.end(), ch.begin(), ch.end());
      t += n;
    }
    Dispose(unit);
    return result;
  };
  const std::vector<float> whole = run({kTotal});
  std::mt19937 rng(7);
  for (int trial = 0; trial < 5; ++trial)
  {
    std::vector<UInt32> sizes;
    for (UInt32 left = kTotal; left > 0;)
    {
      const UInt32 n = std::min<UInt32>(left, 1 + rng() % 700);
      sizes.push_back(n);
      left -= n;
    }
    EXPECT_EQ(run(sizes), whole) << "trial " << trial;
  }
}

TEST_P(AUTestBothRoads, BypassPassesTheInputDelayedByTheLatency)
{
  AudioUnit unit = Make(GetParam());
  SignalSource source;
  ASSERT_EQ(ConnectSource(unit, source), noErr);
  ASSERT_EQ(AudioUnitInitialize(unit), noErr);
  ASSERT_EQ(AudioUnitSetParameter(unit, 0, kAudioUnitScope_Global, 0, 12.0f, 0), noErr);
  ASSERT_EQ(SetProp(unit, kAudioUnitProperty_BypassEffect, kAudioUnitScope_Global, 0, UInt32(1)), noErr);
  Float64 latencySeconds = 0;
  ASSERT_EQ(GetProp(unit, kAudioUnitProperty_Latency, kAudioUnitScope_Global, 0, latencySeconds), noErr);
  const int latency = static_cast<int>(std::lround(latencySeconds * 44100));
  ASSERT_EQ(latency, 44);
  HostBuffers out(2, kFrames);
  ASSERT_EQ(Render(unit, 0, out), noErr);
  for (UInt32 c = 0; c < 2; ++c)
    for (int s = 0; s < static_cast<int>(kFrames); ++s)
      ASSERT_NEAR(out.Channel(c)[s], s < latency ? 0.f : SignalSource::Sample(c, s - latency), 1e-6f) << s;
}
