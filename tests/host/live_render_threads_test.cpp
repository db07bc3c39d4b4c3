// The host's live renderer with the limiter's editor open, as `orbex9-host editor` runs them in
// its window: a loud input is rendered offline first, then the renderer's thread keeps the unit
// rendering silence in real time while the main thread clicks the Meter Mode and oversampling
// buttons, drags a knob, sets parameters and lets the unit's timers and the editor's frames run.
// The renderer goes on rendering, stops when asked and reports no failure; the thread sanitizer
// run finds no race.
#include "host/EditorView.h"
#include "host/LiveRender.h"
#include "host/SoundFile.h"
#include "tests/host/ProductComponent.h"
#include "tests/plugin/TempHome.h"

#include <CoreFoundation/CFManualClock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>

namespace {

using namespace orbexhost;

constexpr double kRate = 48000.0;
constexpr int kBlock = 512;
// Meter Mode IN, GR, OUT and the oversampling buttons, in editor units.
constexpr double kButtons[][2] = {{471, 69}, {497, 69}, {523, 69}, {452, 238}, {477, 238}, {502, 238}};

void Click(EditorView& view, const double (&at)[2]) {
  view.Mouse(NSEventTypeLeftMouseDown, at[0], at[1], 1.0, 0, 1);
  view.Mouse(NSEventTypeLeftMouseUp, at[0], at[1], 1.0, 0, 1);
}

TEST(LiveRender, KeepsTheUnitRenderingWhileTheEditorIsUsed) {
  producttest::TempHome home;
  cfx::UseManualClock(true, 0.0);
  std::string error;
  LoadedComponent component;
  ASSERT_TRUE(hosttest::LoadProduct("threads", component, error)) << error;
  InputSource source;
  HostedUnit unit;
  ASSERT_TRUE(unit.Open(component.component, error) &&
              unit.Configure(kRate, 2, kBlock, InputCallback, &source, error) && unit.Initialize(error) &&
              unit.LoadParameters(error))
      << error;
  const ParamDesc* gain = unit.FindParameter("Gain");
  ASSERT_NE(gain, nullptr);
  EditorView view;
  ASSERT_TRUE(view.Open(unit.Unit(), 1.0, "threads", error)) << error;

  AudioData loud;
  loud.sampleRate = kRate;
  loud.channels.assign(2, std::vector<float>(static_cast<size_t>(kRate)));
  for (auto& ch : loud.channels)
    for (size_t i = 0; i < ch.size(); ++i) ch[i] = static_cast<float>(0.9 * std::sin(0.13 * static_cast<double>(i)));
  RenderPlan plan;
  plan.frames = static_cast<int64_t>(loud.NumFrames());
  plan.channels = 2;
  plan.sampleRate = kRate;
  plan.blockSize = kBlock;
  {
    MemoryInput in(loud);
    DiscardOutput out;
    OfflineRenderer offline(plan, source, in, out);
    RenderResult result;
    ASSERT_EQ(offline.Run(unit, 0, false, result, error), RenderStatus::kDone) << error;
  }

  LiveRender live(unit, source, 2, kBlock, kRate);
  ASSERT_TRUE(live.Start(plan.frames, error)) << error;
  // Rounds until half a second of audio has been rendered live (the deadline only ends a stuck run).
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
  int rounds = 0;
  while ((rounds < 12 || live.RenderedFrames() < kRate / 2) && std::chrono::steady_clock::now() < deadline) {
    Click(view, kButtons[rounds % 6]);
    view.Mouse(NSEventTypeLeftMouseDown, 101, 145, 1.0, 0, 1);
    view.Move(NSEventTypeLeftMouseDragged, 101, 140, 1.0, 0, 0, -5);
    view.Mouse(NSEventTypeLeftMouseUp, 101, 140, 1.0, 0, 1);
    unit.SetParameter(gain->id, rounds % 2 ? 6.0 : 0.0);
    ASSERT_TRUE(view.Advance(0.03, error)) << error;
    ++rounds;
  }
  EXPECT_GE(live.RenderedFrames(), kRate / 2);
  live.Stop();
  const int64_t rendered = live.RenderedFrames();
  ASSERT_TRUE(view.Advance(0.05, error)) << error;
  EXPECT_EQ(live.RenderedFrames(), rendered) << "it rendered after it was stopped";
  EXPECT_TRUE(live.Healthy(error)) << error;
  view.Close();
}

}  // namespace
