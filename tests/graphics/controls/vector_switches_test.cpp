// Vector label, button and switches: layout, hit areas, values as clicks change them, the
// slide switch's glide and what each draws.

#include "graphics/controls/IVButtonControl.h"
#include "graphics/controls/IVLabelControl.h"
#include "graphics/controls/IVSlideSwitchControl.h"
#include "graphics/controls/IVSwitchControl.h"
#include "graphics/controls/IVTabSwitchControl.h"
#include "tests/graphics/controls/ControlTestSupport.h"

#include <cmath>

namespace fx::gfx::test {
namespace {

std::vector<std::string> Texts(const std::vector<Call>& calls)
{
  std::vector<std::string> out;
  for (const Call& c : calls)
    if (c.op == "DoDrawText") out.push_back(c.s);
  return out;
}

bool Drew(const std::vector<Call>& calls, const std::string& text)
{
  for (const std::string& s : Texts(calls))
    if (s == text) return true;
  return false;
}

/** Fill colours recorded, as (A, R, G, B). */
std::vector<IColor> Fills(const std::vector<Call>& calls)
{
  std::vector<IColor> out;
  for (const Call& c : calls)
    if (c.op == "PathFill")
      out.emplace_back(static_cast<int>(c.a[3]), static_cast<int>(c.a[4]), static_cast<int>(c.a[5]),
                       static_cast<int>(c.a[6]));
  return out;
}

bool Filled(const std::vector<Call>& calls, const IColor& color)
{
  for (const IColor& c : Fills(calls))
    if (c == color) return true;
  return false;
}

using VectorSwitches = ControlFixture;

TEST_F(VectorSwitches, LabelDrawsShadowTextFrameAndNoTextWhenEmpty)
{
  auto* label = Attach(new IVLabelControl(IRECT(10, 10, 110, 40), "Hello"));
  std::vector<Call> calls = DrawAllCalls();
  const std::vector<Call> texts = gfx->All("DoDrawText");
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[0].a[0], 13.0); // the shadow, moved by the shadow offset
  EXPECT_EQ(texts[1].a[0], 10.0);
  EXPECT_GT(gfx->Count("PathStroke"), 0);

  label->SetStr("");
  calls = DrawAllCalls();
  EXPECT_TRUE(Texts(calls).empty());
  EXPECT_GT(gfx->Count("PathStroke"), 0);
}

TEST_F(VectorSwitches, ButtonShowsPressedUntilItsClickAnimationEnds)
{
  int actions = 0;
  auto* b = Attach(new IVButtonControl(IRECT(0, 0, 100, 50), [&](IControl* c) {
    ++actions;
    SplashClickActionFunc(c);
  }, "Go"));
  // Only the widget takes the pointer.
  EXPECT_FALSE(b->IsHit(1, 1));
  EXPECT_TRUE(b->IsHit(50, 25));
  Click(50, 25);
  EXPECT_EQ(actions, 1);
  EXPECT_EQ(b->GetValue(), 1.0);
  EXPECT_TRUE(Filled(DrawAllCalls(), kDefaultPRColor));
  Tick(101);
  EXPECT_EQ(b->GetValue(), 0.0);
  EXPECT_FALSE(Filled(DrawAllCalls(), kDefaultPRColor));
}

TEST_F(VectorSwitches, SwitchTakesItsStatesLabelAndValueFromTheParameter)
{
  auto* s = Attach(new IVSwitchControl(IRECT(0, 0, 100, 60), kMode));
  EXPECT_EQ(s->GetNumStates(), 3);
  EXPECT_STREQ(s->GetLabelStr(), "Mode");
  EXPECT_STREQ(s->GetValueStr(), "A");
  Click(50, 40);
  EXPECT_EQ(s->GetValue(), 0.5);
  EXPECT_STREQ(s->GetValueStr(), "B");
  EXPECT_EQ(dlg.values.back(), std::make_pair(static_cast<int>(kMode), 0.5));
  // The label strip is not part of the widget.
  EXPECT_FALSE(s->IsHit(50, 5));
}

TEST_F(VectorSwitches, ToggleAtExactlyHalfIsOff)
{
  auto* t = Attach(new IVToggleControl(IRECT(0, 0, 100, 40), nullptr, "", IVStyleDefault, "off", "on"));
  t->SetValue(0.5);
  std::vector<Call> calls = DrawAllCalls();
  EXPECT_TRUE(Drew(calls, "off"));
  EXPECT_FALSE(Filled(calls, kDefaultPRColor));
  t->SetValue(0.51);
  calls = DrawAllCalls();
  EXPECT_TRUE(Drew(calls, "on"));
  EXPECT_TRUE(Filled(calls, kDefaultPRColor));

  auto* on = Attach(new IVToggleControl(IRECT(0, 50, 100, 90), nullptr, "", IVStyleDefault, "off", "on", true));
  EXPECT_EQ(on->GetValue(), 1.0);
}

TEST_F(VectorSwitches, SlideSwitchHandleGlidesToTheNextSlot)
{
  int ended = 0;
  IVStyle style;
  style.drawFrame = style.drawShadows = false;
  style.showLabel = false;
  auto* s = Attach(new IVSlideSwitchControl(IRECT(0, 0, 300, 40), [&](IControl*) { ++ended; }, "", style, false,
                                            kHorizontal, 3, 0));
  ExpectRect(s->GetHandleBounds(), 0, 0, 100, 40);
  Click(50, 20);
  EXPECT_EQ(s->GetValue(), 0.5);
  EXPECT_TRUE(s->GetAnimating());
  Tick(50);
  ExpectRect(s->GetHandleBounds(), 50, 0, 150, 40, 1e-3f);
  Tick(51);
  EXPECT_FALSE(s->GetAnimating());
  ExpectRect(s->GetHandleBounds(), 100, 0, 200, 40);
  EXPECT_EQ(ended, 1);

  // From the last state the handle glides back across the track to the first slot.
  Click(150, 20);
  Tick(101);
  ExpectRect(s->GetHandleBounds(), 200, 0, 300, 40);
  EXPECT_EQ(s->GetEndRect(), IRECT(0, 0, 100, 40));
  Click(250, 20);
  EXPECT_EQ(s->GetValue(), 0.0);
  Tick(50);
  ExpectRect(s->GetHandleBounds(), 100, 0, 200, 40, 1e-3f);
  Tick(51);
  ExpectRect(s->GetHandleBounds(), 0, 0, 100, 40);
}

TEST_F(VectorSwitches, SlideSwitchInitialStateIsAValue)
{
  auto* last = new IVSlideSwitchControl(IRECT(0, 0, 300, 40), nullptr, "", IVStyleDefault, false, kHorizontal, 3, 2);
  auto* middle = new IVSlideSwitchControl(IRECT(0, 0, 300, 40), nullptr, "", IVStyleDefault, false, kHorizontal, 3, 1);
  EXPECT_EQ(last->GetValue(), 1.0);
  EXPECT_EQ(middle->GetValue(), 0.5);
  delete last;
  delete middle;
}

TEST_F(VectorSwitches, SlideSwitchValueInHandleHidesWhileGliding)
{
  IVStyle style;
  style.showLabel = false;
  auto* s = Attach(new IVSlideSwitchControl(IRECT(0, 0, 200, 40), kOn, "", style, true, kHorizontal));
  EXPECT_EQ(s->GetValueBounds(), s->GetHandleBounds());
  EXPECT_FALSE(Texts(DrawAllCalls()).empty());
  Click(50, 20);
  EXPECT_TRUE(Texts(DrawAllCalls()).empty());
  Tick(101);
  EXPECT_FALSE(Texts(DrawAllCalls()).empty());
  EXPECT_EQ(s->GetValueBounds(), s->GetHandleBounds());
}

TEST_F(VectorSwitches, TabsAreEqualStripsAndAPressBesideThemCommitsUnchanged)
{
  IVStyle style;
  style.showLabel = false;
  auto* tabs = Attach(new IVTabSwitchControl(IRECT(0, 0, 300, 50), kMode, {}, "", style));
  ASSERT_EQ(tabs->NTabs(), 3);
  ExpectRect(tabs->GetTabRect(0), 0, 0, 100, 50);
  ExpectRect(tabs->GetTabRect(2), 200, 0, 300, 50);
  // Labels come from the parameter's display texts.
  EXPECT_STREQ(tabs->GetSelectedLabel(), "A");
  Click(250, 10);
  EXPECT_EQ(tabs->GetValue(), 1.0);
  EXPECT_STREQ(tabs->GetSelectedLabel(), "C");

  const size_t sent = dlg.values.size();
  tabs->OnMouseDown(350, 10, IMouseMod(true));
  EXPECT_EQ(tabs->GetValue(), 1.0);
  ASSERT_EQ(dlg.values.size(), sent + 1);
  EXPECT_EQ(dlg.values.back().second, 1.0);

  auto* vertical = Attach(new IVTabSwitchControl(IRECT(0, 100, 60, 190), nullptr, {"a", "b", "c"}, "", style,
                                                 kVShapeRoundedEnds, kVertical));
  ExpectRect(vertical->GetTabRect(1), 0, 130, 60, 160);
  EXPECT_EQ(vertical->GetTabIndexForPos(30, 189), 2);
  EXPECT_EQ(vertical->GetTabIndexForPos(30, 190), -1);
}

TEST_F(VectorSwitches, OneTabSwitchSendsZero)
{
  double seen = -1.0;
  auto* one = Attach(new IVTabSwitchControl(IRECT(0, 0, 100, 40), [&](IControl* c) { seen = c->GetValue(); },
                                            {"only"}));
  Click(50, 30);
  EXPECT_EQ(seen, 0.0);
  EXPECT_EQ(one->GetValue(), 0.0);
}

TEST_F(VectorSwitches, RadioButtonsAnswerByRowOrByButtonColumn)
{
  IVStyle style;
  style.showLabel = false;
  auto* radio = Attach(new IVRadioButtonControl(IRECT(0, 0, 200, 90), nullptr, {"one", "two", "three"}, "", style,
                                                kVShapeEllipse, kVertical, 10.f));
  EXPECT_EQ(radio->GetTabIndexForPos(150, 45), 1);
  radio->SetOnlyButtonsRespondToMouse(true);
  EXPECT_EQ(radio->GetTabIndexForPos(150, 45), -1);
  EXPECT_EQ(radio->GetTabIndexForPos(29, 45), 1);
  // The selected label is drawn in the pressed colour, the others in extra 1, right of the column.
  radio->SetValue(0.5);
  const std::vector<Call> texts = [&] {
    DrawAllCalls();
    return gfx->All("DoDrawText");
  }();
  ASSERT_EQ(texts.size(), 3u);
  EXPECT_EQ(texts[1].a[0], 30.0);
}

} // namespace
} // namespace fx::gfx::test
