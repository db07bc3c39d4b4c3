// Buttons, switches, knobs and sliders driven as a person drives them: presses, drags and the
// wheel through the editor's input dispatch.

#include "graphics/IButtonControlBase.h"
#include "graphics/IKnobControlBase.h"
#include "graphics/ISliderControlBase.h"
#include "graphics/ISwitchControlBase.h"
#include "tests/graphics/GfxTestSupport.h"

#include <gtest/gtest.h>

namespace fx::gfx::test {
namespace {

struct Button : IButtonControlBase
{
  using IButtonControlBase::IButtonControlBase;
  void Draw(IGfx&) override {}
};
struct Switch : ISwitchControlBase
{
  using ISwitchControlBase::ISwitchControlBase;
  void Draw(IGfx&) override {}
};
struct Knob : IKnobControlBase
{
  using IKnobControlBase::IKnobControlBase;
  void Draw(IGfx&) override {}
};
struct Slider : ISliderControlBase
{
  using ISliderControlBase::ISliderControlBase;
  void Draw(IGfx&) override {}
};

IMouseMod Mod(bool shift = false, bool right = false, uint64_t touch = 0)
{
  return IMouseMod(!right, right, shift, false, false, touch);
}

TEST(ButtonControlBase, PressRunsTheClickAnimationAndReleasesAfterIt)
{
  EditorFixture f;
  int ends = 0;
  auto* b = new Button(IRECT(0, 0, 20, 20));
  b->SetAnimationEndActionFunction([&](IControl*) { ++ends; });
  f.gfx->AttachControl(b);
  EXPECT_TRUE(b->GetDblAsSingleClick());
  f.Down(5, 5);
  EXPECT_EQ(b->GetValue(), 1.0);
  IRECTList rects;
  f.clock.now += 100.0;
  f.gfx->IsDirty(rects);
  EXPECT_EQ(b->GetValue(), 1.0);
  f.clock.now += 1.0;
  f.gfx->IsDirty(rects);
  EXPECT_EQ(b->GetValue(), 0.0);
  EXPECT_EQ(ends, 1);
  f.Up(5, 5);

  // Without an animation it stays pressed.
  auto* held = new Button(IRECT(30, 0, 50, 20), EmptyClickActionFunc);
  f.gfx->AttachControl(held);
  f.Down(35, 5);
  f.clock.now += 1000.0;
  f.gfx->IsDirty(rects);
  EXPECT_EQ(held->GetValue(), 1.0);
}

TEST(SwitchControlBase, StepsThroughItsStatesAndWraps)
{
  EditorFixture f;
  auto* two = new Switch(IRECT(0, 0, 10, 10), -1, nullptr, 2);
  f.gfx->AttachControl(two);
  two->SetValue(0.7);
  two->OnMouseDown(1, 1, Mod());
  EXPECT_EQ(two->GetValue(), 0.0);
  two->OnMouseDown(1, 1, Mod());
  EXPECT_EQ(two->GetValue(), 1.0);

  auto* five = new Switch(IRECT(0, 0, 10, 10), -1, nullptr, 5);
  f.gfx->AttachControl(five);
  std::vector<double> seen;
  for (int i = 0; i < 5; ++i)
  {
    five->OnMouseDown(1, 1, Mod());
    seen.push_back(five->GetValue());
  }
  EXPECT_EQ(seen, (std::vector<double>{0.25, 0.5, 0.75, 1.0, 0.0}));
  EXPECT_TRUE(five->GetMouseDown());
  five->OnMouseUp(1, 1, Mod());
  EXPECT_FALSE(five->GetMouseDown());

  auto* one = new Switch(IRECT(0, 0, 10, 10), -1, nullptr, 1);
  f.gfx->AttachControl(one);
  one->SetValue(1.0);
  one->OnMouseDown(1, 1, Mod());
  EXPECT_EQ(one->GetValue(), 0.0);
}

TEST(SwitchControlBase, ParameterSetsTheStateCountAndTheFlagsFollowIt)
{
  EditorFixture f;
  // Built with 2 states, bound to a parameter of 11 values: every state can carry a flag.
  auto* s = new Switch(IRECT(0, 0, 10, 10), kSteps, nullptr, 2);
  f.gfx->AttachControl(s);
  EXPECT_EQ(s->GetNumStates(), 11);
  s->SetStateDisabled(10, true);
  EXPECT_TRUE(s->GetStateDisabled(10));
  s->SetStateDisabled(11, true); // outside: ignored
  s->SetStateDisabled(-1, true);
  EXPECT_FALSE(s->GetStateDisabled(11));
  EXPECT_FALSE(s->GetStateDisabled(-1));
  s->SetAllStatesDisabled(true);
  for (int i = 0; i < 11; ++i) EXPECT_TRUE(s->GetStateDisabled(i)) << i;

  // Committing sends the value to the delegate.
  f.dlg.values.clear();
  s->SetValue(0.0);
  s->OnMouseDown(1, 1, Mod());
  ASSERT_EQ(f.dlg.values.size(), 1u);
  EXPECT_NEAR(f.dlg.values[0].second, 0.1, 1e-12);
}

TEST(KnobControlBase, DragsByGearingFinerWithShift)
{
  EditorFixture f;
  auto* k = new Knob(IRECT(0, 0, 100, 100), kGain, nullptr, kVertical, 4.0);
  f.gfx->AttachControl(k);
  k->SetValue(0.5);
  f.Down(50, 50);
  EXPECT_EQ(f.gfx->Count("HideMouseCursor"), 1);
  EXPECT_TRUE(f.gfx->CursorIsHidden());
  f.Drag(50, 50, 0, -100);
  EXPECT_NEAR(k->GetValue(), 0.75, 1e-12);
  k->OnMouseDrag(50, 50, 0, -100, Mod(true));
  EXPECT_NEAR(k->GetValue(), 0.775, 1e-12);
  f.Up(50, 50);
  EXPECT_FALSE(f.gfx->CursorIsHidden());
  EXPECT_FALSE(k->GetMouseDown());
  EXPECT_EQ(f.dlg.Gestures(), (std::vector<std::string>{"begin 0", "end 0"}));

  auto* h = new Knob(IRECT(200, 0, 300, 50), -1, nullptr, kHorizontal, 1.0);
  f.gfx->AttachControl(h);
  h->OnMouseDown(210, 10, Mod());
  h->OnMouseDrag(220, 10, 50, 0, Mod());
  EXPECT_NEAR(h->GetValue(), 0.5, 1e-12);
  h->OnMouseDrag(220, 10, 500, 0, Mod());
  EXPECT_EQ(h->GetValue(), 1.0);
}

TEST(KnobControlBase, SteppedDragsAccumulateBetweenStepsFromTheMinimum)
{
  EditorFixture f;
  auto* k = new Knob(IRECT(0, 0, 100, 100), kSteps, nullptr, kVertical, 1.0);
  f.gfx->AttachControl(k);
  k->SetValue(0.3);
  k->OnMouseDown(50, 50, Mod());
  k->OnMouseDrag(50, 50, 0, -8, Mod()); // origin 0.38
  EXPECT_NEAR(k->GetValue(), 0.3, 1e-12);
  k->OnMouseDrag(50, 50, 0, -3, Mod()); // origin 0.41
  EXPECT_NEAR(k->GetValue(), 0.4, 1e-12);

  // A range that does not start on a multiple of the step: steps count from its minimum.
  IParam& p = *f.dlg.GetParam(kGain);
  p.InitDouble("Odd", 0.0, -1.5, 1.5, 1.0, "", fx::kFlagStepped);
  auto* odd = new Knob(IRECT(0, 0, 100, 100), kGain, nullptr, kVertical, 1.0);
  f.gfx->AttachControl(odd);
  odd->OnMouseDown(50, 50, Mod());
  odd->OnMouseDrag(50, 50, 0, -40, Mod()); // origin 0.4: 1.2 above the minimum, one whole step
  EXPECT_NEAR(odd->GetValue(), 1.0 / 3.0, 1e-12);
}

TEST(KnobControlBase, ZeroSizeAreaIgnoresDrags)
{
  EditorFixture f;
  auto* k = new Knob(IRECT(10, 10, 10, 10), kGain, nullptr, kVertical, 4.0);
  f.gfx->AttachControl(k);
  k->SetValue(0.5);
  k->OnMouseDown(10, 10, Mod());
  k->OnMouseDrag(10, 10, 0, -20, Mod());
  EXPECT_EQ(k->GetValue(), 0.5);
  k->OnMouseDrag(10, 10, 0, std::nanf(""), Mod());
  EXPECT_EQ(k->GetValue(), 0.5);
}

TEST(KnobControlBase, WheelMovesAHundredthOrOneStep)
{
  EditorFixture f;
  auto* k = new Knob(IRECT(0, 0, 100, 100), kGain);
  auto* s = new Knob(IRECT(0, 0, 100, 100), kSteps);
  f.gfx->AttachControl(k);
  f.gfx->AttachControl(s);
  k->SetValue(0.5);
  k->OnMouseWheel(0, 0, Mod(), 2.f);
  EXPECT_NEAR(k->GetValue(), 0.52, 1e-12);
  k->OnMouseWheel(0, 0, Mod(true), 1.f);
  EXPECT_NEAR(k->GetValue(), 0.521, 1e-12);
  k->SetValue(0.999);
  k->OnMouseWheel(0, 0, Mod(), 1.f);
  EXPECT_EQ(k->GetValue(), 1.0);

  s->SetValue(0.5);
  s->OnMouseWheel(0, 0, Mod(), 3.f);
  EXPECT_NEAR(s->GetValue(), 0.6, 1e-12);
  s->OnMouseWheel(0, 0, Mod(), -0.5f);
  EXPECT_NEAR(s->GetValue(), 0.5, 1e-12);
  s->SetValue(1.0);
  s->OnMouseWheel(0, 0, Mod(), 1.f);
  EXPECT_EQ(s->GetValue(), 1.0);
}

TEST(KnobControlBase, RightButtonPromptsForTheValue)
{
  EditorFixture f;
  auto* k = new Knob(IRECT(0, 0, 40, 40), kGain);
  k->DisablePrompt(false);
  f.gfx->AttachControl(k);
  k->SetNoRightClickMenu(true);
  f.Down(20, 20, true);
  const Call* entry = f.gfx->Find("CreatePlatformTextEntry");
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(entry->a[0], kGain);
}

TEST(SliderControlBase, PressSnapsForContinuousParametersOnly)
{
  EditorFixture f;
  auto* s = new Slider(IRECT(0, 0, 20, 100), kGain, kVertical);
  auto* stepped = new Slider(IRECT(50, 0, 70, 100), kSteps, kVertical);
  f.gfx->AttachControl(s);
  f.gfx->AttachControl(stepped);
  EXPECT_EQ(s->GetTrack(), IRECT(0, 0, 20, 100));
  f.Down(10, 75);
  EXPECT_NEAR(s->GetValue(), 0.25, 1e-12);
  f.Up(10, 75);
  stepped->SetValue(0.5);
  f.Down(60, 10);
  EXPECT_EQ(stepped->GetValue(), 0.5);
  f.Drag(60, 0, 0, -10); // relative: 0.5 + 0.1 / 4, still on step 5
  EXPECT_NEAR(stepped->GetValue(), 0.5, 1e-12);
  f.Drag(60, 0, 0, -30); // origin 0.6
  EXPECT_NEAR(stepped->GetValue(), 0.6, 1e-12);
}

TEST(SliderControlBase, DragsSnapWithAVisiblePointerOrATouchElseMoveRelatively)
{
  EditorFixture f;
  auto* s = new Slider(IRECT(0, 0, 100, 20), kGain, kHorizontal, 2.0);
  f.gfx->AttachControl(s);
  s->OnMouseDown(50, 10, Mod()); // snaps to 0.5
  s->OnMouseDrag(60, 10, 10, 0, Mod());
  EXPECT_NEAR(s->GetValue(), 0.55, 1e-12); // hidden pointer: 0.1 / gearing 2
  s->OnMouseDrag(90, 10, 0, 0, Mod(false, false, 3));
  EXPECT_NEAR(s->GetValue(), 0.9, 1e-12); // a touch snaps
  s->SetHideCursorOnDrag(false);
  s->OnMouseDrag(20, 10, -70, 0, Mod());
  EXPECT_NEAR(s->GetValue(), 0.2, 1e-12);
  s->OnMouseWheel(0, 0, Mod(), 1.f);
  EXPECT_NEAR(s->GetValue(), 0.21, 1e-12);

  // Resizing moves the track.
  s->SetTargetAndDrawRECTs(IRECT(0, 0, 200, 20));
  EXPECT_EQ(s->GetTrack(), IRECT(0, 0, 200, 20));
  EXPECT_EQ(s->GetTargetRECT(), IRECT(0, 0, 200, 20));
}

} // namespace
} // namespace fx::gfx::test
