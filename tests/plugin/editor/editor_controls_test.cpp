// The product's passive controls, corner resizer, update icon and radio groups, attached to an
// open editor of the plug-in and driven as a person would.

#include "tests/plugin/editor/EditorTestSupport.h"

#include "plugin/editor/IBBitmapControlBV.h"
#include "plugin/editor/IBCornerResizerControlBV.h"
#include "plugin/editor/IBRadioButtonsControl.h"
#include "plugin/editor/IBUpdateControlBV.h"
#include "plugin/editor/IVParameterControlHiddenBV.h"
#include "plugin/editor/IVTextControlBV.h"

#include <gtest/gtest.h>

using namespace editortest;
using namespace fx::gfx;

namespace {

class EditorControls : public ::testing::Test
{
protected:
  void SetUp() override
  {
    ed.OpenEmpty();
    ASSERT_NE(ed.gfx, nullptr);
    ed.gfx->EnableMouseOver(true);
    ed.plug->actions.clear();
  }
  template <class T>
  T* Attach(T* control)
  {
    ed.gfx->AttachControl(control);
    return control;
  }
  ProductEditor ed;
};

} // namespace

TEST_F(EditorControls, BitmapControlShowsTheFrameOfItsValueAndIgnoresThePointer)
{
  const IBitmap needle = ed.gfx->LoadBitmap("VUneedle.png", 51);
  ASSERT_TRUE(needle.IsValid());
  auto* c = Attach(new IBBitmapControlBV(307, 94, needle));
  EXPECT_EQ(c->GetRECT(), IRECT(307, 94, 307 + needle.FW(), 94 + needle.FH()));

  c->SetValue(0.5);
  ed.gfx->Clear();
  c->Draw(*ed.gfx);
  auto drawn = ed.gfx->Bitmaps("VUneedle.png");
  ASSERT_EQ(drawn.size(), 1u);
  EXPECT_EQ(drawn[0].a[5], 25.0 * needle.FH()); // frame 26 of 51

  auto* face = Attach(new IBBitmapControlBV(505, 94, ed.gfx->LoadBitmap("VUbase.png", 1)));
  face->SetValue(0.7);
  ed.gfx->Clear();
  face->Draw(*ed.gfx);
  ASSERT_EQ(ed.gfx->Bitmaps("VUbase.png").size(), 1u);
  EXPECT_EQ(ed.gfx->Bitmaps("VUbase.png")[0].a[5], 0.0);

  // No prompt on the right button, no reset on a double click, no value from the wheel.
  ed.gfx->Clear();
  ed.Click(320, 100, Mods(false, false, true));
  ed.DblClick(320, 100);
  ed.Wheel(320, 100, 1.f);
  EXPECT_DOUBLE_EQ(c->GetValue(), 0.5);
  EXPECT_EQ(ed.gfx->Count("CreatePlatformPopupMenu"), 0);
  EXPECT_EQ(ed.gfx->Count("CreatePlatformTextEntry"), 0);
}

TEST_F(EditorControls, MissingBitmapIsDrawnAsNothingAndNeverHit)
{
  const IBitmap missing = ed.gfx->LoadBitmap("no-such-strip.png", 51);
  EXPECT_FALSE(missing.IsValid());
  auto* c = Attach(new IBBitmapControlBV(0, 0, missing));
  c->SetValue(1.0);
  ed.gfx->Clear();
  c->Draw(*ed.gfx);
  EXPECT_EQ(ed.gfx->Count("DrawBitmap"), 0);
  EXPECT_EQ(ed.gfx->GetMouseControl(0.f, 0.f, false), nullptr);
}

TEST_F(EditorControls, HiddenParameterControlIsNeverHitOrDrawn)
{
  auto* c = Attach(new IVParameterControlHiddenBV(kGUIScale));
  EXPECT_EQ(c->GetParamIdx(), static_cast<int>(kGUIScale));
  EXPECT_EQ(ed.gfx->GetMouseControl(0.f, 0.f, false), nullptr);
  ed.plug->SendParameterValueFromDelegate(kGUIScale, 2.0, false);
  EXPECT_DOUBLE_EQ(c->GetValue(), ed.plug->GetParam(kGUIScale)->ToNormalized(2.0));
}

TEST_F(EditorControls, ReadoutRedrawsOnlyWhenItsTextChanges)
{
  auto* r = Attach(new IVTextControlBV(IRECT(317, 186, 361, 198), "-144.0", IText(12.f), kColorTransparent, false));
  r->SetClean();
  r->SetStr("-3.46");
  EXPECT_TRUE(r->IsDirty());
  EXPECT_STREQ(r->GetStr(), "-3.46");
  r->SetClean();
  r->SetStr("-3.46");
  EXPECT_FALSE(r->IsDirty());
}

TEST_F(EditorControls, ResizerModeComesFromTheActionPairs)
{
  EXPECT_EQ(IBCornerResizerControlBV::ModeFor(1, 2, 3, 4), 0);
  EXPECT_EQ(IBCornerResizerControlBV::ModeFor(1, 2, -1, -1), 1);
  EXPECT_EQ(IBCornerResizerControlBV::ModeFor(-1, -1, 26, 27), 2);
  EXPECT_EQ(IBCornerResizerControlBV::ModeFor(1, -1, 26, 27), -1);
  EXPECT_EQ(IBCornerResizerControlBV::ModeFor(-1, -1, -1, -1), -1);
}

TEST_F(EditorControls, ResizerSendsTheActionsOfItsMode)
{
  const IBitmap grip = ed.gfx->LoadBitmap("button_resize.png", 2);
  ASSERT_TRUE(grip.IsValid());
  const float s = static_cast<float>(grip.W());

  // Mode -1: the drag starts, but nothing is ever sent.
  auto* inert = new IBCornerResizerControlBV(ed.gfx->GetBounds(), grip, 1, -1, 26, 27, 0, 0);
  ed.gfx->AttachCornerResizer(inert, kResizerScale, false);
  EXPECT_EQ(inert->GetRECT(), IRECT(1000 - s, 270 - s, 1000, 270));
  inert->OnMouseDown(995, 265, Mods());
  EXPECT_TRUE(ed.gfx->GetResizingInProcess());
  inert->OnMouseDblClick(995, 265, Mods());
  inert->OnRescale();
  EXPECT_TRUE(ed.plug->actions.empty());
  ed.gfx->RemoveAllControls();

  // Mode 0: the control modifier picks the scale pair, else the size pair.
  auto* both = new IBCornerResizerControlBV(ed.gfx->GetBounds(), grip, 40, 41, 42, 43, 0, 0);
  ed.gfx->AttachCornerResizer(both, kResizerScale, false);
  ed.plug->actions.clear();
  both->OnMouseDblClick(995, 265, Mods(false, true));
  EXPECT_EQ(ed.gfx->GetResizerMode(), kResizerScale);
  both->OnMouseDblClick(995, 265, Mods());
  EXPECT_EQ(ed.gfx->GetResizerMode(), kResizerSize);
  both->OnRescale();
  EXPECT_EQ(ed.plug->actions, (std::vector<int>{43, 41, 40}));
  both->OnMouseDown(995, 265, Mods(false, true));
  EXPECT_EQ(ed.gfx->GetResizerMode(), kResizerScale);
  both->OnMouseDown(995, 265, Mods());
  EXPECT_EQ(ed.gfx->GetResizerMode(), kResizerSize);
}

TEST_F(EditorControls, ResizerFollowsTheEditorSizeAndLightsUp)
{
  const IBitmap grip = ed.gfx->LoadBitmap("button_resize.png", 2);
  auto* r = new IBCornerResizerControlBV(ed.gfx->GetBounds(), grip, -1, -1, 26, 27, 0, 0);
  ed.gfx->AttachCornerResizer(r, kResizerScale, false);
  EXPECT_EQ(r->GetMode(), 2);
  const float s = static_cast<float>(grip.W());
  ed.gfx->Resize(1500, 405, 1.f, true);
  EXPECT_EQ(r->GetRECT(), IRECT(1500 - s, 405 - s, 1500, 405));
  EXPECT_EQ(r->GetTargetRECT(), r->GetRECT());

  ed.gfx->Clear();
  r->Draw(*ed.gfx);
  ASSERT_EQ(ed.gfx->Bitmaps("button_resize.png").size(), 1u);
  EXPECT_EQ(ed.gfx->Bitmaps("button_resize.png")[0].a[5], 0.0);
  ed.Move(1500 - s / 2, 405 - s / 2);
  ed.gfx->Clear();
  r->Draw(*ed.gfx);
  EXPECT_EQ(ed.gfx->Bitmaps("button_resize.png")[0].a[5], static_cast<double>(grip.FH()));
}

TEST_F(EditorControls, UpdateIconSendsItsActionOncePerDoubleClick)
{
  const IBitmap icon = ed.gfx->LoadBitmap("iconupdateavailable.png", 2);
  auto* u = Attach(new IBUpdateControlBV(279, 18, icon, 40));
  EXPECT_STREQ(u->GetTooltip(), "Click to check for updates");
  ed.Down(285, 25);
  ed.Up(285, 25);
  ed.DblClick(285, 25);
  EXPECT_EQ(ed.plug->actions, std::vector<int>{40});

  // Values from outside change nothing.
  u->SetClean();
  u->SetValue(1.0);
  EXPECT_DOUBLE_EQ(u->GetValue(), 0.0);
  EXPECT_FALSE(u->IsDirty());

  auto* inert = Attach(new IBUpdateControlBV(279, 60, icon, -1));
  ed.plug->actions.clear();
  ed.Click(285, 65);
  EXPECT_TRUE(ed.plug->actions.empty());
  ed.Move(285, 65);
  EXPECT_TRUE(inert->GetHovered());
  ed.gfx->Clear();
  inert->Draw(*ed.gfx);
  EXPECT_EQ(ed.gfx->Bitmaps("iconupdateavailable.png")[0].a[5], static_cast<double>(icon.FH()));
}

TEST_F(EditorControls, RadioGroupsInIndexAndToggleOffMode)
{
  const IBitmap led = ed.gfx->LoadBitmap("buttonVU.png", 2);
  const float w = static_cast<float>(led.FW()), h = static_cast<float>(led.FH());
  auto button = [&](float x, float y) { return IRECT(x, y, x + w, y + h); };
  const IRECT b1 = button(459, 62), b2 = button(485, 62), b3 = button(511, 62);
  auto* group = Attach(new IBRadioButtonsControl3(b1.Union(b3), kMeterMode, b1, led, b2, led, b3, led, false));
  ed.plug->SendParameterValueFromDelegate(kMeterMode, 0.0, false);

  ed.Click(b3.MW(), b3.MH());
  EXPECT_DOUBLE_EQ(ed.plug->GetParam(kMeterMode)->Value(), 2.0);
  ed.Click(b3.MW(), b3.MH()); // the lit button: unchanged
  EXPECT_DOUBLE_EQ(ed.plug->GetParam(kMeterMode)->Value(), 2.0);
  ed.Click(b1.R + 1, b1.MH()); // between buttons
  EXPECT_DOUBLE_EQ(ed.plug->GetParam(kMeterMode)->Value(), 2.0);
  ed.DblClick(b2.MW(), b2.MH()); // a quick second click is a click
  EXPECT_DOUBLE_EQ(ed.plug->GetParam(kMeterMode)->Value(), 1.0);

  ed.gfx->Clear();
  group->Draw(*ed.gfx);
  const auto drawn = ed.gfx->Bitmaps("buttonVU.png");
  ASSERT_EQ(drawn.size(), 3u);
  EXPECT_EQ(drawn[0].a[5], 0.0);
  EXPECT_EQ(drawn[1].a[5], h); // frame 2 for the lit button
  EXPECT_EQ(drawn[2].a[5], 0.0);

  // Toggle-off mode: button i stands for i + 1; the lit one switches off.
  const IRECT t1 = button(459, 100), t2 = button(485, 100), t3 = button(511, 100);
  auto* toggles = Attach(new IBRadioButtonsControl3(t1.Union(t3), kMeterMode, t1, led, t2, led, t3, led, true));
  ed.Click(t2.MW(), t2.MH());
  EXPECT_DOUBLE_EQ(ed.plug->GetParam(kMeterMode)->Value(), 2.0);
  ed.Click(t2.MW(), t2.MH());
  EXPECT_DOUBLE_EQ(ed.plug->GetParam(kMeterMode)->Value(), 0.0);
  ed.gfx->Clear();
  toggles->Draw(*ed.gfx);
  for (const auto& c : ed.gfx->Bitmaps("buttonVU.png")) EXPECT_EQ(c.a[5], 0.0);
}

TEST_F(EditorControls, RadioGroupDrawsNothingForAValueNoButtonStandsFor)
{
  const IBitmap led = ed.gfx->LoadBitmap("buttonOS.png", 2);
  std::vector<IRECT> r;
  for (int i = 0; i < 3; ++i) r.push_back(IRECT(441 + 25 * i, 231, 441 + 25 * i + led.FW(), 231 + led.FH()));
  auto* group = Attach(new IBRadioButtonsControl3(r[0].Union(r[2]), kOSMode, r[0], led, r[1], led, r[2], led, false));
  ed.plug->GetParam(kOSMode)->Set(2.0);
  ed.gfx->Clear();
  group->Draw(*ed.gfx);
  ASSERT_EQ(ed.gfx->Bitmaps("buttonOS.png").size(), 3u);
  EXPECT_EQ(ed.gfx->Bitmaps("buttonOS.png")[2].a[5], static_cast<double>(led.FH()));

  ed.plug->GetParam(kOSMode)->Set(4.0); // no fourth or fifth button here
  ed.gfx->Clear();
  group->Draw(*ed.gfx);
  EXPECT_TRUE(ed.gfx->Bitmaps("buttonOS.png").empty());
}
