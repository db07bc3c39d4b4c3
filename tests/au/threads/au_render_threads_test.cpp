// One thread renders while others add and remove render notifications and property listeners
// and automate parameters: the render never sees a list half changed and every notification
// it starts before a block it also finishes after it.
#include "tests/au/AUTestHost.h"

#include "core/IGEditorDelegate.h"
#include "core/IMidiMsg.h"

#include <atomic>
#include <thread>
#include <vector>

using namespace autest;

namespace {

// The host's audio thread: renders 128-frame blocks from the moment it is made until Stop,
// counting the calls and the ones that failed.
struct AudioThread
{
  explicit AudioThread(AudioUnit unit)
    : thread([this, unit] {
      HostBuffers out(2, 128);
      for (double t = 0; !stop.load(); t += 128)
      {
        if (RenderAt(unit, t, 128, out.List()) != noErr) failures.fetch_add(1);
        renders.fetch_add(1);
      }
    })
  {
  }
  ~AudioThread()
  {
    if (thread.joinable()) Stop();
  }
  void Stop()
  {
    stop.store(true);
    thread.join();
  }

  std::atomic<bool> stop{false};
  std::atomic<int> renders{0};
  std::atomic<int> failures{0};
  std::thread thread; // last: starts once the counters exist
};

struct NotifyCounter
{
  std::atomic<int> pre{0};
  std::atomic<int> post{0};
  static OSStatus Proc(void* refCon, AudioUnitRenderActionFlags* flags, const AudioTimeStamp*, UInt32, UInt32,
                       AudioBufferList*)
  {
    auto* c = static_cast<NotifyCounter*>(refCon);
    if (*flags & kAudioUnitRenderAction_PreRender) c->pre.fetch_add(1);
    if (*flags & kAudioUnitRenderAction_PostRender) c->post.fetch_add(1);
    return noErr;
  }
};

void Listener(void* refCon, AudioUnit, AudioUnitPropertyID, AudioUnitScope, AudioUnitElement)
{
  static_cast<std::atomic<int>*>(refCon)->fetch_add(1);
}

} // namespace

TEST_P(AUTestBothRoads, RenderWhileListenersNotifiesAndParametersChange)
{
  AudioUnit unit = Make(GetParam());
  SignalSource source;
  ASSERT_EQ(ConnectSource(unit, source), noErr);
  ASSERT_EQ(AudioUnitInitialize(unit), noErr);

  constexpr int kCounters = 6;
  NotifyCounter counters[kCounters];
  std::atomic<int> listened{0};
  AudioThread audio(unit);
  std::thread automation([&] {
    for (int i = 0; i < 4000 && !audio.stop.load(); ++i)
      if (AudioUnitSetParameter(unit, 0, kAudioUnitScope_Global, 0, static_cast<float>(i % 48 - 24), 0) != noErr)
        audio.failures.fetch_add(1);
  });

  for (int i = 0; i < 600; ++i)
  {
    NotifyCounter* c = &counters[i % kCounters];
    EXPECT_EQ(AudioUnitAddRenderNotify(unit, &NotifyCounter::Proc, c), noErr);
    EXPECT_EQ(AudioUnitAddPropertyListener(unit, kAudioUnitProperty_BypassEffect, &Listener, &listened), noErr);
    EXPECT_EQ(AudioUnitSetParameter(unit, 1, kAudioUnitScope_Global, 0, static_cast<float>(i & 1), 0), noErr);
    if (i % 3 == 0) { EXPECT_EQ(AudioUnitRemoveRenderNotify(unit, &NotifyCounter::Proc, c), noErr); }
    EXPECT_EQ(AudioUnitRemovePropertyListenerWithUserData(unit, kAudioUnitProperty_BypassEffect, &Listener, &listened),
              noErr);
  }
  // Let the audio thread run a few more blocks with the final lists before stopping it.
  const int seen = audio.renders.load();
  while (audio.renders.load() < seen + 20) std::this_thread::yield();
  audio.Stop();
  automation.join();

  EXPECT_EQ(audio.failures.load(), 0);
  int total = 0;
  for (NotifyCounter& c : counters)
  {
    EXPECT_EQ(c.pre.load(), c.post.load());
    total += c.pre.load();
  }
  EXPECT_GT(total, 0);
}

INSTANTIATE_TEST_SUITE_P(Roads, AUTestBothRoads, ::testing::Values(Road::Factory, Road::Entry), RoadName);

namespace {

// Two host callback sets, each of which must always arrive with its own user data.
struct HostSide
{
  std::atomic<int> calls{0};
  std::atomic<int> mismatches{0};
};
HostSide gHostA, gHostB;

template <HostSide* Self>
OSStatus BeatAndTempo(void* userData, Float64* beat, Float64* tempo)
{
  Self->calls.fetch_add(1);
  if (userData != Self) Self->mismatches.fetch_add(1);
  *beat = 1.0;
  *tempo = 100.0;
  return noErr;
}

template <HostSide* Self>
OSStatus MidiOut(void* userData, const AudioTimeStamp*, UInt32, const MIDIPacketList*)
{
  Self->calls.fetch_add(1);
  if (userData != Self) Self->mismatches.fetch_add(1);
  return noErr;
}

} // namespace

TEST_F(AUTest, HostAndMidiCallbacksChangeWhileTheUnitUsesThem)
{
  AudioUnit unit = Make();
  SignalSource source;
  ASSERT_EQ(ConnectSource(unit, source), noErr);
  ASSERT_EQ(AudioUnitInitialize(unit), noErr);
  // Steps at 0 makes the test product read the host time information every block.
  ASSERT_EQ(AudioUnitSetParameter(unit, 3, kAudioUnitScope_Global, 0, 0.f, 0), noErr);
  void* p = nullptr;
  ASSERT_EQ(GetProp(unit, static_cast<AudioUnitPropertyID>(-101), kAudioUnitScope_Global, 0, p), noErr);
  auto* editor = static_cast<fx::gfx::IGEditorDelegate*>(p);
  ASSERT_NE(editor, nullptr);

  AudioThread audio(unit);
  auto waitForRenders = [&](int n) {
    const int target = audio.renders.load() + n;
    while (audio.renders.load() < target) std::this_thread::yield();
  };
  waitForRenders(1);

  // The main thread swaps both callback sets while the render thread calls them; the editor's
  // MIDI, sent on by the render thread, keeps the MIDI output busy.
  for (int i = 0; i < 2000; ++i)
  {
    HostSide* side = (i & 1) ? &gHostB : &gHostA;
    HostCallbackInfo info{};
    info.hostUserData = side;
    info.beatAndTempoProc = (i & 1) ? &BeatAndTempo<&gHostB> : &BeatAndTempo<&gHostA>;
    AUMIDIOutputCallbackStruct out{(i & 1) ? &MidiOut<&gHostB> : &MidiOut<&gHostA>, side};
    EXPECT_EQ(SetProp(unit, kAudioUnitProperty_HostCallbacks, kAudioUnitScope_Global, 0, info), noErr);
    EXPECT_EQ(SetProp(unit, kAudioUnitProperty_MIDIOutputCallback, kAudioUnitScope_Global, 0, out), noErr);
    editor->SendMidiMsgFromUI(fx::IMidiMsg(0, 0xB0, 7, static_cast<uint8_t>(i & 0x7F)));
    if (i % 100 < 2) waitForRenders(1);  // both sets in use by some blocks
  }
  waitForRenders(2);
  audio.Stop();

  EXPECT_EQ(audio.failures.load(), 0);
  EXPECT_GT(gHostA.calls.load(), 0);
  EXPECT_GT(gHostB.calls.load(), 0);
  EXPECT_EQ(gHostA.mismatches.load(), 0);
  EXPECT_EQ(gHostB.mismatches.load(), 0);
}
