// The editor's knobs and switches as a person uses them: drags with and without modifiers, the
// wheel, the value box on hover and the value prompt; switches and radio buttons set the
// parameters their table rows bind.

#include "tests/plugin/editor/EditorTestSupport.h"

#include "core/IParam.h"
#include "plugin/editor/IBKnobMultiControlBV.h"
#include "plugin/editor/IBSwitchControlBV.h"

#include <gtest/gtest.h>

using namespace editortest;
using namespace fx::gfx;

namespace {

constexpr int kGainKnob = 4, kCeilingKnob = 5, kAttackKnob = 6, kSatSwitch = 10, kCeilingModeSwitch = 14;

class Knobs : public ::testing::Test
{
protected:
  void SetUp() override
  {
    ed.Open();
    ASSERT_EQ(ed.gfx->NControls(), 32);
    gain = ed.ControlAs<IBKnobMultiControlBV>(kGainKnob);
    ASSERT_NE(gain, nullptr);
    r = gain->GetRECT();
  }
  double Param(int idx) const { return ed.plug->GetParam(idx)->Value(); }
  double Normalized(int idx) const { return ed.plug->GetParam(idx)->GetNormalized(); }

  ProductEditor ed;
  IBKnobMultiControlBV* gain = nullptr;
  IRECT r;
};

} // namespace

TEST_F(Knobs, DragsAreGearedAndModifiersRefineOrReset)
{
  EXPECT_EQ(r.H(), 82.f);
  ed.Drag(r.MW(), r.MH(), 0.f, -r.H()); // a full height up: a quarter of the range
  EXPECT_NEAR(Normalized(kGain), 0.25, 1e-9);
  ed.Drag(r.MW(), r.MH(), 0.f, -r.H(), Mods(true)); // shift: ten times finer
  EXPECT_NEAR(Normalized(kGain), 0.275, 1e-9);
  ed.Drag(r.MW(), r.MH(), 0.f, r.H() / 2.f);
  EXPECT_NEAR(Normalized(kGain), 0.15, 1e-9);
  ed.Drag(r.MW(), r.MH(), 0.f, -1000.f);
  EXPECT_DOUBLE_EQ(Normalized(kGain), 1.0);

  // With control held a drag changes nothing; the press itself resets the knob.
  ed.Down(r.MW(), r.MH(), Mods(false, true));
  EXPECT_DOUBLE_EQ(Param(kGain), 0.0);
  ed.plug->GetParam(kGain)->Set(12.0);
  ed.gfx->OnMouseDrag({[&] {
    IMouseInfo p;
    p.x = r.MW();
    p.y = r.MH() - 40;
    p.dY = -40;
    p.ms = Mods(false, true);
    return p;
  }()});
  ed.Up(r.MW(), r.MH());
  EXPECT_DOUBLE_EQ(Param(kGain), 12.0);
  // The pointer was hidden and held while dragging, and shown again after.
  EXPECT_GE(ed.gfx->Count("HideMouseCursor"), 2);
  EXPECT_FALSE(ed.gfx->CursorIsHidden());
}

TEST_F(Knobs, SlowDragsOnAStepperParameterAccumulateToTheNextStep)
{
  auto* os = new IBKnobMultiControlBV(600, 150, kOSMode, ed.gfx->LoadBitmap("Knob_small.png", 51), IText(12.f),
                                      IColor(), 6, kVertical, false, true, false, 1, false, true, 4.0, 0.f);
  ed.gfx->AttachControl(os);
  const IRECT k = os->GetRECT();
  const float step = -k.H() / 40.f; // 1/160 of the range a move
  ed.Down(k.MW(), k.MH());
  float y = k.MH();
  for (int i = 0; i < 39; ++i)
  {
    y += step;
    ed.gfx->OnMouseDrag({[&] {
      IMouseInfo p;
      p.x = k.MW();
      p.y = y;
      p.dY = step;
      p.ms = Mods();
      return p;
    }()});
  }
  EXPECT_DOUBLE_EQ(Param(kOSMode), 0.0); // just below a quarter
  EXPECT_DOUBLE_EQ(os->GetValue(), 0.0);
  y += 2 * step;
  ed.gfx->OnMouseDrag({[&] {
    IMouseInfo p;
    p.x = k.MW();
    p.y = y;
    p.dY = 2 * step;
    p.ms = Mods();
    return p;
  }()});
  ed.Up(k.MW(), y);
  EXPECT_DOUBLE_EQ(Param(kOSMode), 1.0);
  EXPECT_DOUBLE_EQ(os->GetValue(), 0.25);

  // The wheel moves it a whole step a notch, held at the ends.
  ed.Wheel(k.MW(), k.MH(), 1.f);
  EXPECT_DOUBLE_EQ(Param(kOSMode), 2.0);
  for (int i = 0; i < 5; ++i) ed.Wheel(k.MW(), k.MH(), 1.f);
  EXPECT_DOUBLE_EQ(Param(kOSMode), 4.0);
  ed.Wheel(k.MW(), k.MH(), -1.f);
  EXPECT_DOUBLE_EQ(Param(kOSMode), 3.0);
}

TEST_F(Knobs, TheWheelMovesContinuousParametersByHundredths)
{
  ed.Wheel(r.MW(), r.MH(), 1.f);
  EXPECT_NEAR(Normalized(kGain), 0.01, 1e-9);
  ed.Wheel(r.MW(), r.MH(), 2.f, Mods(true));
  EXPECT_NEAR(Normalized(kGain), 0.012, 1e-9);
  ed.Wheel(r.MW(), r.MH(), 1.f, Mods(false, true));
  EXPECT_NEAR(Normalized(kGain), 0.112, 1e-9);
  ed.Wheel(r.MW(), r.MH(), -1.f, Mods(false, true));
  ed.Wheel(r.MW(), r.MH(), -1.f, Mods(false, true));
  EXPECT_DOUBLE_EQ(Normalized(kGain), 0.0);
}

TEST_F(Knobs, ValueBoxShowsOnHoverOnly)
{
  ed.plug->GetParam(kGain)->Set(6.0);
  ed.plug->SendParameterValueFromDelegate(kGain, 6.0, false);
  ed.gfx->Clear();
  gain->Draw(*ed.gfx);
  EXPECT_TRUE(ed.gfx->texts.empty());

  ed.Move(r.MW(), r.MH());
  EXPECT_TRUE(gain->GetHovered());
  ed.gfx->Clear();
  gain->Draw(*ed.gfx);
  ASSERT_EQ(ed.gfx->texts.size(), 1u);
  EXPECT_EQ(ed.gfx->texts[0].second, "6.00");
  EXPECT_EQ(ed.gfx->texts[0].first.mFGColor, IColor(255, 255, 255, 255));
  // The box: six zeros of the 13-point style, centred on the knob, filled first.
  const IRECT box = gain->GetValueBoxRect();
  EXPECT_FLOAT_EQ(box.MW(), r.MW());
  EXPECT_FLOAT_EQ(box.MH(), r.MH());
  EXPECT_FLOAT_EQ(box.W(), 6 * ed.gfx->charWidth);
  EXPECT_EQ(ed.gfx->Count("PathFill"), 1);

  gain->SetDisabled(true);
  ed.gfx->Clear();
  gain->Draw(*ed.gfx);
  EXPECT_EQ(ed.gfx->texts.at(0).first.mFGColor.A, 127);
  gain->SetDisabled(false);

  ed.Move(20, 250); // the background
  EXPECT_FALSE(gain->GetHovered());
  ed.gfx->Clear();
  gain->Draw(*ed.gfx);
  EXPECT_TRUE(ed.gfx->texts.empty());
}

TEST_F(Knobs, DoubleClickPromptsOverTheValueBox)
{
  auto* attack = ed.ControlAs<IBKnobMultiControlBV>(kAttackKnob);
  const IRECT a = attack->GetRECT();
  ed.Move(a.MW(), a.MH());
  ed.DblClick(a.MW(), a.MH());
  EXPECT_EQ(ed.gfx->GetControlInTextEntry(), attack);
  EXPECT_EQ(attack->GetTextEntryLength(), 8);
  EXPECT_NE(ed.gfx->GetTextEntryControl(), nullptr); // the in-editor field, not the platform's
  // The answer is committed as if the pointer were still on the knob; the editor's own
  // mouse-over state is left as the field found it.
  const int overBefore = ed.gfx->GetMouseOverIdx();
  ed.gfx->SetControlValueAfterTextEdit("250");
  EXPECT_DOUBLE_EQ(Param(kAttack), 250.0);
  EXPECT_EQ(ed.gfx->GetControlInTextEntry(), nullptr);
  EXPECT_EQ(ed.gfx->GetMouseOverIdx(), overBefore);
}

TEST_F(Knobs, SwitchesStepThroughTheirFramesAndTheCeilingModeRenamesItsKnob)
{
  auto* sat = ed.ControlAs<IBSwitchControlBV>(kSatSwitch);
  ASSERT_NE(sat, nullptr);
  const IRECT s = sat->GetRECT();
  ed.Click(s.MW(), s.MH());
  EXPECT_DOUBLE_EQ(Param(kSatMode), 1.0);
  ed.Click(s.MW(), s.MH());
  EXPECT_DOUBLE_EQ(Param(kSatMode), 0.0);
  ed.Move(s.MW(), s.MH());
  EXPECT_TRUE(sat->GetHovered());

  const IRECT m = ed.Control(kCeilingModeSwitch)->GetRECT();
  ed.Click(m.MW(), m.MH());
  EXPECT_DOUBLE_EQ(Param(koutputmode), 1.0);
  EXPECT_STREQ(ed.Control(kCeilingKnob)->GetTooltip(), "Volume");
  ed.Click(m.MW(), m.MH());
  EXPECT_STREQ(ed.Control(kCeilingKnob)->GetTooltip(), "Ceiling");
}

TEST_F(Knobs, RadioButtonsOfTheLayoutSetTheirParameters)
{
  const IBitmap os = ed.gfx->LoadBitmap("buttonOS.png", 2);
  for (int i = 4; i >= 0; --i)
  {
    ed.Click(441.f + 25.f * i + os.FW() / 2.f, 231.f + os.FH() / 2.f);
    EXPECT_DOUBLE_EQ(Param(kOSMode), i);
  }
  const IBitmap vu = ed.gfx->LoadBitmap("buttonVU.png", 2);
  ed.Click(511.f + vu.FW() / 2.f, 62.f + vu.FH() / 2.f);
  EXPECT_DOUBLE_EQ(Param(kMeterMode), 2.0);
}

TEST_F(Knobs, CornerResizerScalesTheEditorAndTellsThePlugIn)
{
  auto* resizer = ed.gfx->GetCornerResizer();
  const IRECT g = resizer->GetRECT();
  ed.plug->actions.clear();
  ed.Drag(g.MW(), g.MH(), g.MW() * 0.5f, g.MH() * 0.5f); // to 1.5 times the press point
  EXPECT_FLOAT_EQ(ed.gfx->GetDrawScale(), 1.5f);
  EXPECT_DOUBLE_EQ(ed.plug->GetParam(kGUIScale)->Value(), 1.5);
  EXPECT_DOUBLE_EQ(ed.plug->GetGUIScale(), 1.5);
  EXPECT_FALSE(ed.plug->actions.empty());
  for (int a : ed.plug->actions) EXPECT_EQ(a, kActionScaleFromControl);

  ed.plug->actions.clear();
  ed.gfx->OnMouseDblClick(ed.gfx->GetCornerResizer()->GetRECT().MW(), ed.gfx->GetCornerResizer()->GetRECT().MH(),
                          Mods());
  EXPECT_EQ(ed.plug->actions, std::vector<int>{kActionResetScale});
  ed.plug->OnIdle();
  EXPECT_FLOAT_EQ(ed.gfx->GetDrawScale(), 1.f);
}
