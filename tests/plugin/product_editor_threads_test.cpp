// The built component's threads together, as a host drives them: a render thread renders
// 512-frame blocks, a host thread sets random parameters through the Audio Unit calls (OS Mode
// and Look Ahead included, so the processing rebuilds), and the main thread opens the editor
// through its view factory, draws frames, drags knobs, clicks switches and oversampling
// buttons, restores the state and closes it again, round after round. Every block stays finite
// and under the ceiling (a restored state is never heard through the values of the preset it
// names); the thread sanitizer run finds no race.

#include "host/EditorView.h"
#include "plugin/ORBEX9Defs.h"
#include "tests/au/AUBundleHost.h"
#include "tests/au/AUTestHost.h"
#include "tests/plugin/TempHome.h"

#include <AudioUnit/AudioUnit.h>
#include <CoreFoundation/CFManualClock.h>

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <random>
#include <string>
#include <thread>

namespace {

constexpr UInt32 kFrames = 512;
constexpr double kRate = 48000.0;
// The host keeps the ceiling at or below this and Ceiling Mode at "Ceiling".
constexpr double kHighestCeilingDb = -1.0;
// The main thread's rounds end after this long (at least two run).
constexpr auto kRoundsFor = std::chrono::milliseconds(1500);
constexpr double kFrameSeconds = 1.0 / 60.0 + 1e-6;

struct Point
{
  double x, y;
};
constexpr Point kKnobs[] = {{101, 145}, {188, 157}, {257, 157}, {743, 157}, {812, 157}}; // Gain .. Channel Link
constexpr Point kSwitches[] = {{174, 86}, {250, 86}, {750, 86}, {826, 86}}; // Saturation .. Limit Mode
constexpr Point kOSButtons[] = {{452, 238}, {477, 238}, {502, 238}, {527, 238}, {552, 238}};


// A random plain value for parameter id, within what the checks allow.
float RandomValue(AudioUnitParameterID id, std::mt19937& rng)
{
  std::uniform_real_distribution<float> unit(0.f, 1.f);
  const float u = unit(rng);
  switch (id)
  {
    case kGUIScale: return 0.5f + 0.5f * u; // small editors draw fast
    case kOSMode: return static_cast<float>(rng() % 5);
    case kCeiling: return -6.f + 5.f * u;
    case kGain:
    case kDrive: return 24.f * u;
    case kAttack:
    case kRelease: return 1000.f * u * u;
    case kChLink: return 100.f * u;
    case kMeterMode: return static_cast<float>(rng() % 3);
    default: return static_cast<float>(rng() % 2); // the on/off and two-item parameters
  }
}

// A press at p, a vertical drag of dy in steps, a release, at the editor's scale now (taken
// from its width: the host thread may have changed GUI Scale while it opened).
void Drag(orbexhost::EditorView& view, Point p, double dy)
{
  const double s = view.ViewSize().width / orbex9::kEditorWidth;
  view.Mouse(NSEventTypeLeftMouseDown, p.x, p.y, s, 0, 1);
  for (int i = 1; i <= 4; ++i)
    view.Move(NSEventTypeLeftMouseDragged, p.x, p.y + dy * i / 4, s, 0, 0, dy / 4);
  view.Mouse(NSEventTypeLeftMouseUp, p.x, p.y + dy, s, 0, 1);
}

void Click(orbexhost::EditorView& view, Point p) { Drag(view, p, 0); }

} // namespace

TEST(ProductEditorThreads, RenderingHostChangesAndTheEditorTogether)
{
  producttest::TempHome home;
  const autest::BundleComponent& component = autest::LoadBundleComponent(ORBEX9_COMPONENT_PATH);
  ASSERT_NE(component.handle, nullptr) << dlerror();
  cfx::UseManualClock(true, 1000.0);

  AudioUnit unit = nullptr;
  ASSERT_EQ(AudioComponentInstanceNew(component.viaFactory, &unit), noErr);
  using autest::SetProp;
  for (AudioUnitScope scope : {kAudioUnitScope_Input, kAudioUnitScope_Output})
    ASSERT_EQ(SetProp(unit, kAudioUnitProperty_StreamFormat, scope, 0, autest::FloatFormat(kRate, 2)), noErr);
  const AURenderCallbackStruct cb {&autest::LoudSource, nullptr};
  ASSERT_EQ(SetProp(unit, kAudioUnitProperty_SetRenderCallback, kAudioUnitScope_Input, 0, cb), noErr);
  ASSERT_EQ(AudioUnitInitialize(unit), noErr);
  ASSERT_EQ(AudioUnitSetParameter(unit, kCeiling, kAudioUnitScope_Global, 0, kHighestCeilingDb, 0), noErr);
  ASSERT_EQ(AudioUnitSetParameter(unit, kGain, kAudioUnitScope_Global, 0, 12.f, 0), noErr);
  CFPropertyListRef state = nullptr;
  ASSERT_EQ(autest::GetProp(unit, kAudioUnitProperty_ClassInfo, kAudioUnitScope_Global, 0, state), noErr);

  std::atomic<bool> stop {false};
  std::atomic<int> blocks {0}, failedRenders {0}, badBlocks {0};
  std::atomic<int> changes {0};
  std::thread render([&] {
    autest::HostBuffers out(2, kFrames);
    const float ceiling = static_cast<float>(std::pow(10.0, kHighestCeilingDb / 20.0)) * (1.f + 1e-5f);
    for (double t = 0; !stop.load(); t += kFrames)
    {
      if (autest::RenderAt(unit, t, kFrames, out.List()) != noErr)
      {
        failedRenders.fetch_add(1);
        continue;
      }
      bool good = true;
      for (UInt32 c = 0; c < 2; ++c)
        for (UInt32 s = 0; s < kFrames; ++s)
          good = good && std::isfinite(out.Channel(c)[s]) && std::fabs(out.Channel(c)[s]) <= ceiling;
      if (!good) badBlocks.fetch_add(1);
      blocks.fetch_add(1);
    }
  });
  std::thread host([&] {
    std::mt19937 rng(7);
    while (!stop.load())
    {
      // Every parameter but Ceiling Mode, which would make the ceiling a volume.
      AudioUnitParameterID id = rng() % kNumParams;
      if (id == koutputmode) id = kOSMode;
      if (AudioUnitSetParameter(unit, id, kAudioUnitScope_Global, 0, RandomValue(id, rng), 0) == noErr)
        changes.fetch_add(1);
      std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
  });

  // The main thread's rounds (a failed step ends them; the other threads stop either way).
  int rounds = 0;
  [&] {
    const auto start = std::chrono::steady_clock::now();
    std::string error;
    while (rounds < 2 || std::chrono::steady_clock::now() - start < kRoundsFor)
    {
      SCOPED_TRACE("round " + std::to_string(rounds));
      Float32 scale = 1.f;
      AudioUnitGetParameter(unit, kGUIScale, kAudioUnitScope_Global, 0, &scale);
      orbexhost::EditorView view;
      ASSERT_TRUE(view.Open(unit, scale, "threads", error)) << error;
      ASSERT_TRUE(view.Advance(kFrameSeconds, error)) << error;
      Drag(view, kKnobs[rounds % 5], rounds % 2 ? 30 : -30);
      Click(view, kSwitches[rounds % 4]);
      Click(view, kOSButtons[rounds % 5]);
      ASSERT_TRUE(view.Advance(kFrameSeconds, error)) << error;
      ASSERT_EQ(SetProp(unit, kAudioUnitProperty_ClassInfo, kAudioUnitScope_Global, 0, state), noErr);
      ASSERT_TRUE(view.Advance(kFrameSeconds, error)) << error;
      view.Close();
      ++rounds;
    }
  }();
  stop.store(true);
  render.join();
  host.join();

  EXPECT_GT(blocks.load(), 0);
  EXPECT_GT(changes.load(), 0);
  EXPECT_EQ(failedRenders.load(), 0);
  EXPECT_EQ(badBlocks.load(), 0) << "blocks with a sample not finite or over the ceiling, of " << blocks.load();
  CFRelease(state);
  AudioComponentInstanceDispose(unit);
}
