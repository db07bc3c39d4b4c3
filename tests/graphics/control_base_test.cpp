// The control base: the value protocol, defaults, prompts, snapping, animations, bounds.

#include "tests/graphics/GfxTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>

namespace fx::gfx::test {
namespace {

TEST(ControlBase, SetDirtyClampsAndOnlyTheTriggerSendsAndActs)
{
  EditorFixture f;
  int actions = 0;
  auto* c = new TestControl(IRECT(0, 0, 10, 10), kGain, [&](IControl*) { ++actions; });
  f.gfx->AttachControl(c);

  c->SetValue(1.3);
  EXPECT_DOUBLE_EQ(c->GetValue(), 1.3); // stored as given until the next SetDirty
  c->SetDirty(false);
  EXPECT_DOUBLE_EQ(c->GetValue(), 1.0);
  EXPECT_TRUE(f.dlg.values.empty());
  EXPECT_EQ(actions, 0);

  // One slot: any slot index means slot 0.
  c->SetValue(-0.5);
  c->SetDirty(true, 5);
  EXPECT_DOUBLE_EQ(c->GetValue(), 0.0);
  ASSERT_EQ(f.dlg.values.size(), 1u);
  EXPECT_EQ(f.dlg.values[0], std::make_pair(static_cast<int>(kGain), 0.0));
  EXPECT_EQ(actions, 1);
}

TEST(ControlBase, BadSlotIndicesAreIgnored)
{
  EditorFixture f;
  int actions = 0;
  auto* c = new TestControl(IRECT(0, 0, 10, 10), {kGain, kMode});
  c->SetActionFunction([&](IControl*) { ++actions; });
  f.gfx->AttachControl(c);
  c->SetParamIdx(kSteps, 7);
  c->SetValue(0.5, 9);
  c->SetValueFromUserInput(0.5, 2);
  c->SetDirty(true, 4);
  EXPECT_EQ(c->GetParamIdx(0), kGain);
  EXPECT_EQ(c->GetParamIdx(1), kMode);
  EXPECT_EQ(c->GetParamIdx(7), -1);
  EXPECT_DOUBLE_EQ(c->GetValue(9), 0.0);
  EXPECT_TRUE(f.dlg.values.empty());
  EXPECT_EQ(actions, 0);
  EXPECT_EQ(c->GetValIdxForParam(kMode), 1);
  EXPECT_EQ(c->GetValIdxForParam(kOn), -1);
  EXPECT_EQ(c->GetValIdxForPos(0, 0), -1); // several slots: none under a point
}

TEST(ControlBase, ValuesFromThePluginSkipHeldControlsAndNaN)
{
  EditorFixture f;
  auto* c = new TestControl(IRECT(0, 0, 100, 100), kGain);
  f.gfx->AttachControl(c);
  c->SetClean();
  c->SetValueFromDelegate(0.25);
  EXPECT_DOUBLE_EQ(c->GetValue(), 0.25);
  EXPECT_TRUE(c->IsDirty());
  c->SetClean();
  c->SetValueFromDelegate(0.25);
  EXPECT_FALSE(c->IsDirty()); // an equal value does nothing
  c->SetValueFromDelegate(std::nan(""));
  EXPECT_DOUBLE_EQ(c->GetValue(), 0.25);

  f.Down(50, 50);
  c->SetValueFromDelegate(0.9);
  EXPECT_DOUBLE_EQ(c->GetValue(), 0.25); // dragged: echoes do not move it
  f.Up(50, 50);
  c->SetValueFromDelegate(0.9);
  EXPECT_DOUBLE_EQ(c->GetValue(), 0.9);
}

TEST(ControlBase, SteppedDefaultStaysOnTheStepGrid)
{
  TestDelegate dlg;
  dlg.GetParam(kGain)->InitDouble("Stepped", 2.4, 0.0, 10.0, 1.0, "", kFlagStepped);
  dlg.GetParam(kSteps)->InitDouble("Offset", 2.4, 0.5, 10.5, 1.0, "", kFlagStepped);
  RecordingGfx gfx(dlg);
  auto* c = new TestControl(IRECT(0, 0, 10, 10), kGain);
  auto* offset = new TestControl(IRECT(0, 0, 10, 10), kSteps);
  gfx.AttachControl(c);
  gfx.AttachControl(offset);
  c->SetValueToDefault();
  EXPECT_DOUBLE_EQ(c->GetValue(), 0.2); // 2.4 stepped to 2.0 of 0..10
  // Steps count from the minimum: 2.4 of 0.5..10.5 goes to 2.5, not to 2.0.
  offset->SetValueToDefault();
  EXPECT_DOUBLE_EQ(offset->GetValue(), 0.2);
  EXPECT_EQ(dlg.values.back().first, kSteps);
}

TEST(ControlBase, SnapToMouseFollowsTheAreaAndIgnoresZeroSize)
{
  EditorFixture f;
  auto* c = new TestControl(IRECT(0, 0, 10, 100), kGain);
  f.gfx->AttachControl(c);
  const IRECT area(0, 100, 10, 200);
  c->SnapToMouse(5, 175, kVertical, area);
  EXPECT_DOUBLE_EQ(c->GetValue(), 0.25);
  c->SnapToMouse(5, 100, kVertical, area);
  EXPECT_DOUBLE_EQ(c->GetValue(), 1.0);
  c->SnapToMouse(5, 500, kVertical, area);
  EXPECT_DOUBLE_EQ(c->GetValue(), 0.0);
  c->SnapToMouse(2.5f, 0, kHorizontal, IRECT(0, 0, 10, 10), -1, 0.0, 0.2);
  EXPECT_DOUBLE_EQ(c->GetValue(), 0.2); // 0.25 held at hi
  f.dlg.values.clear();
  c->SnapToMouse(5, 5, kVertical, IRECT(0, 10, 10, 10));
  c->SnapToMouse(5, 5, kHorizontal, IRECT(10, 0, 10, 10));
  c->SnapToMouse(std::nanf(""), 5, kHorizontal, IRECT(0, 0, 10, 10));
  EXPECT_DOUBLE_EQ(c->GetValue(), 0.2);
  EXPECT_TRUE(f.dlg.values.empty());
}

TEST(ControlBase, ClickAnimationRunsAHundredMillisecondsAndEndsOnce)
{
  EditorFixture f;
  int ends = 0;
  auto* c = new TestControl(IRECT(0, 0, 10, 10), -1, DefaultClickActionFunc);
  c->SetAnimationEndActionFunction([&](IControl*) { ++ends; });
  f.gfx->AttachControl(c);
  IRECTList rects;
  f.gfx->IsDirty(rects);
  f.gfx->SetAllControlsClean();

  c->SetDirty(true);
  for (double t : {0.0, 40.0, 99.0, 100.0})
  {
    f.clock.now = 1000.0 + t;
    rects.Clear();
    EXPECT_TRUE(f.gfx->IsDirty(rects)) << t;
    f.gfx->SetAllControlsClean();
  }
  EXPECT_EQ(ends, 0);
  EXPECT_NEAR(c->GetAnimationProgress(), 1.0, 1e-9);
  f.clock.now = 1100.5;
  rects.Clear();
  f.gfx->IsDirty(rects); // the step ends it and redraws once more
  EXPECT_EQ(ends, 1);
  f.gfx->SetAllControlsClean();
  f.clock.now = 1200.0;
  rects.Clear();
  EXPECT_FALSE(f.gfx->IsDirty(rects));
  EXPECT_EQ(ends, 1);
}

TEST(ControlBase, ReversedAndInstantAnimationsEnd)
{
  EditorFixture f;
  int ends = 0;
  auto* c = new TestControl(IRECT(0, 0, 10, 10));
  c->SetAnimationEndActionFunction([&](IControl*) { ++ends; });
  f.gfx->AttachControl(c);

  c->SetAnimation(DefaultAnimationFunc);
  c->StartAnimation(50, false);
  f.clock.now += 10;
  EXPECT_NEAR(c->GetAnimationProgress(), 0.8, 1e-9);
  c->Animate();
  EXPECT_EQ(ends, 0);
  f.clock.now += 41;
  c->Animate();
  EXPECT_EQ(ends, 1);
  EXPECT_FALSE(c->GetAnimating());

  c->SetAnimation(DefaultAnimationFunc, 0);
  EXPECT_FALSE(std::isnan(c->GetAnimationProgress()));
  c->Animate();
  EXPECT_EQ(ends, 2);
}

TEST(ControlBase, PromptsOpenAMenuOrATextEntry)
{
  EditorFixture f;
  auto* mode = new TestControl(IRECT(10, 10, 50, 30), kMode);
  auto* gain = new TestControl(IRECT(100, 100, 200, 140), kGain);
  f.gfx->AttachControl(mode);
  f.gfx->AttachControl(gain);
  mode->PromptUserInput(0);
  EXPECT_EQ(f.gfx->Count("CreatePlatformPopupMenu"), 0); // prompts are off by default

  mode->DisablePrompt(false);
  gain->DisablePrompt(false);
  f.dlg.GetParam(kMode)->Set(1.0);
  f.gfx->menuChoice = 2;
  mode->PromptUserInput(0);
  const Call* menu = f.gfx->Find("CreatePlatformPopupMenu");
  ASSERT_NE(menu, nullptr);
  EXPECT_EQ(menu->s, "Mode");
  EXPECT_EQ(menu->a, (std::vector<double>{10, 10, 50, 30, 3}));
  ASSERT_NE(f.gfx->lastMenu, nullptr);
  EXPECT_FALSE(f.gfx->lastMenu->IsItemChecked(0));
  EXPECT_TRUE(f.gfx->lastMenu->IsItemChecked(1));
  EXPECT_FALSE(f.gfx->lastMenu->IsItemChecked(2));
  EXPECT_DOUBLE_EQ(mode->GetValue(), 1.0); // item 2 of 0..2
  EXPECT_EQ(f.dlg.Gestures(), (std::vector<std::string>{"end 1"}));

  gain->SetPromptShowsParamLabel(true);
  gain->PromptUserInput(0);
  const Call* entry = f.gfx->Find("CreatePlatformTextEntry");
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(entry->a, (std::vector<double>{kGain, 130, 112, 170, 128, 7}));
  EXPECT_EQ(entry->s, "0.00 dB");
  f.gfx->SetControlValueAfterTextEdit("6");
  EXPECT_DOUBLE_EQ(gain->GetValue(), 0.75);
  f.gfx->SetControlValueAfterTextEdit("7"); // no owner any more
  EXPECT_DOUBLE_EQ(gain->GetValue(), 0.75);
}

TEST(ControlBase, PositionSizeHideAndDisable)
{
  EditorFixture f;
  auto* c = new TestControl(IRECT(10, 10, 30, 40));
  f.gfx->AttachControl(c);
  c->SetTargetRECT(IRECT(12, 12, 28, 38));
  c->SetPosition(-5, 10);
  EXPECT_EQ(c->GetRECT(), IRECT(0, 10, 20, 40));
  EXPECT_EQ(c->GetTargetRECT(), IRECT(2, 12, 18, 38));
  c->SetSize(-3, 5);
  EXPECT_EQ(c->GetRECT(), IRECT(0, 10, 0, 15));
  EXPECT_EQ(c->GetTargetRECT(), c->GetRECT());

  c->SetTargetRECT(IRECT());
  EXPECT_FALSE(c->IsHit(0, 0));

  c->SetDisabled(true);
  EXPECT_FLOAT_EQ(c->GetBlend().mWeight, 0.25f);
  c->SetDisabled(false);
  EXPECT_FLOAT_EQ(c->GetBlend().mWeight, 1.f);
}

TEST(ControlBase, HighlightMarkerAndDisplayText)
{
  EditorFixture f;
  auto* c = new TestControl(IRECT(0, 0, 20, 20), kGain);
  f.gfx->AttachControl(c);
  c->SetHighlightMarker(true, 2);
  EXPECT_EQ(c->GetHighlightColor(), kColorGreen);
  c->SetHighlightMarker(true, 9);
  EXPECT_EQ(c->GetHighlightColor(), kColorGreen);
  f.gfx->Clear();
  c->DrawHighlightMarker(*f.gfx);
  const Call* arc = f.gfx->Find("PathArc");
  ASSERT_NE(arc, nullptr);
  EXPECT_EQ(arc->a[0], 15);
  EXPECT_EQ(arc->a[1], 5);
  EXPECT_EQ(arc->a[2], 2);

  FxString text;
  f.dlg.GetParam(kGain)->Set(-3.5);
  GetParamDisplayTextWithLabel(c->GetParam(), text);
  EXPECT_STREQ(text.Get(), "-3.50 dB");
  GetParamDisplayTextWithLabel(f.dlg.GetParam(kMode), text);
  EXPECT_STREQ(text.Get(), "B");
}

} // namespace
} // namespace fx::gfx::test
