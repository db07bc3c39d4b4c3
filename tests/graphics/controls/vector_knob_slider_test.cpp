// Vector knob and slider: angles, arcs and handle sizes, the track and handle of the slider, and
// presses on the value text, which ask for text and never start a drag.

#include "graphics/controls/IVKnobControl.h"
#include "graphics/controls/IVSliderControl.h"
#include "tests/graphics/controls/ControlTestSupport.h"

namespace fx::gfx::test {
namespace {

using VectorKnobSlider = ControlFixture;

/** The arcs of the calls with that radius, as (start, end) angles. */
std::vector<std::pair<double, double>> Arcs(const std::vector<Call>& calls, double radius)
{
  std::vector<std::pair<double, double>> out;
  for (const Call& c : CallsOf(calls, "PathArc"))
    if (c.a[2] == radius) out.emplace_back(c.a[3], c.a[4]);
  return out;
}

TEST_F(VectorKnobSlider, KnobArcRunsFromTheAnchorToTheValueAngle)
{
  auto* knob = Attach(new IVKnobControl(IRECT(0, 0, 100, 120), nullptr));
  knob->SetValue(0.5);
  EXPECT_EQ(knob->GetAngle(), 0.f);
  EXPECT_EQ(knob->GetHandleDiameter(), 90.f); // 2 × (100 / 2 - 2 / 2 - 4)
  auto arcs = Arcs(DrawAllCalls(), 49.0);
  ASSERT_EQ(arcs.size(), 1u);
  EXPECT_EQ(arcs[0], std::make_pair(-135.0, 0.0));

  // A bipolar knob draws from its anchor to either side.
  auto* bipolar = Attach(new IVKnobControl(IRECT(200, 0, 300, 120), nullptr, "", IVStyleDefault, false, false,
                                           -135.f, 135.f, 0.f));
  bipolar->SetValue(0.25);
  gfx->RemoveControl(knob);
  arcs = Arcs(DrawAllCalls(), 49.0);
  ASSERT_EQ(arcs.size(), 1u);
  EXPECT_EQ(arcs[0], std::make_pair(-67.5, 0.0));
}

TEST_F(VectorKnobSlider, SmallKnobHasAUnitHandleAndNoTrackWithoutTrackSize)
{
  auto* small = Attach(new IVKnobControl(IRECT(0, 0, 10, 10), nullptr));
  EXPECT_EQ(small->GetHandleDiameter(), 1.f);
  gfx->RemoveControl(small);
  Attach(new IVKnobControl(IRECT(0, 0, 100, 100), nullptr, "", IVStyleDefault, false, false, -135.f, 135.f, -135.f,
                           kVertical, 4.0, 0.f));
  EXPECT_TRUE(Arcs(DrawAllCalls(), 50.0).empty());
}

TEST_F(VectorKnobSlider, KnobDragBoundsAreAStripOfTheWidget)
{
  auto* tall = Attach(new IVKnobControl(IRECT(0, 0, 100, 120), nullptr));
  ExpectRect(tall->GetKnobDragBounds(), 0, 35, 100, 85);
  auto* wide = Attach(new IVKnobControl(IRECT(0, 0, 120, 100), nullptr));
  ExpectRect(wide->GetKnobDragBounds(), 35, 0, 85, 100);
}

TEST_F(VectorKnobSlider, KnobDragTurnsIt)
{
  IVStyle style;
  style.showLabel = style.showValue = false;
  auto* knob = Attach(new IVKnobControl(IRECT(0, 0, 100, 100), nullptr, "", style));
  knob->SetValue(0.5);
  Down(50, 50);
  Drag(50, 40, 0, -10);
  EXPECT_NEAR(knob->GetValue(), 0.5 + 10.0 / 50.0 / 4.0, 1e-9);
  Up(50, 40);
  EXPECT_FALSE(knob->GetMouseDown());
}

TEST_F(VectorKnobSlider, PressOnAnEditableValueAsksForTextAndNeverDrags)
{
  auto* knob = Attach(new IVKnobControl(IRECT(0, 0, 100, 120), kGain, "Gain", IVStyleDefault, true));
  knob->SetValue(0.5);
  knob->SetDirty(false);
  const IRECT v = knob->GetValueBounds();
  ASSERT_GT(v.W(), 0.f);
  Down(v.MW(), v.MH());
  EXPECT_EQ(gfx->Count("CreatePlatformTextEntry"), 1);
  EXPECT_EQ(gfx->GetControlInTextEntry(), knob);
  Drag(v.MW(), v.MH() - 30, 0, -30);
  EXPECT_EQ(knob->GetValue(), 0.5);
  Up(v.MW(), v.MH() - 30);

  // With the value inside the widget every press on it asks for text.
  auto* inside = Attach(new IVKnobControl(IRECT(200, 0, 300, 100), kGain, "", IVStyleDefault, true, true));
  gfx->ClearInTextEntryControl();
  gfx->Clear();
  Down(250, 50);
  EXPECT_EQ(gfx->Count("CreatePlatformTextEntry"), 1);
  Drag(250, 20, 0, -30);
  EXPECT_EQ(inside->GetValue(), 0.0);
  Up(250, 20);
}

TEST_F(VectorKnobSlider, PressOnAFixedValueInsideTheWidgetDoesNothing)
{
  auto* knob = Attach(new IVKnobControl(IRECT(0, 0, 100, 100), kGain, "", IVStyleDefault, false, true));
  Down(50, 50);
  Drag(50, 20, 0, -30);
  Up(50, 20);
  EXPECT_EQ(gfx->Count("CreatePlatformTextEntry"), 0);
  EXPECT_EQ(knob->GetValue(), 0.0);
}

TEST_F(VectorKnobSlider, SliderTrackAndHandle)
{
  IVStyle style;
  style.showLabel = style.showValue = false;
  auto* s = Attach(new IVSliderControl(IRECT(0, 0, 40, 200), nullptr, "", style, false, kVertical, false, 4.0, 8.f,
                                       2.f));
  ExpectRect(s->GetTrack(), 18, 8, 22, 192);
  ExpectRect(s->GetHandleBounds(), 12, 184, 28, 200);
  s->SetValue(1.0);
  ExpectRect(s->GetHandleBounds(), 12, 0, 28, 16);

  auto* h = Attach(new IVSliderControl(IRECT(0, 250, 200, 290), nullptr, "", style, false, kHorizontal, true, 4.0,
                                       8.f, 2.f));
  h->SetShape(kVShapeRectangle);
  ExpectRect(h->GetTrack(), 8, 268, 192, 272);
  // A square handle is moved by half the shadow offset across the track.
  ExpectRect(h->GetHandleBounds(), 0, 263.5f, 16, 279.5f);
  gfx->RemoveControl(s);
  // Inside the track the drawn track runs one handle size past both ends.
  const std::vector<Painted> painted = PaintedPaths(DrawAllCalls());
  bool longTrack = false;
  for (const Painted& p : painted) longTrack |= p.color == kDefaultSHColor && p.box == IRECT(0, 268, 200, 272);
  EXPECT_TRUE(longTrack);
}

TEST_F(VectorKnobSlider, SliderWithoutTrackOrHandleSizeDrawsNeither)
{
  IVStyle style;
  style.showLabel = style.showValue = style.drawFrame = false;
  auto* s = Attach(new IVSliderControl(IRECT(0, 0, 40, 200), nullptr, "", style, false, kVertical, false, 4.0, 0.f,
                                       0.f));
  s->SetValue(0.5);
  std::vector<Call> calls = DrawAllCalls();
  // Only the transparent background.
  EXPECT_EQ(CallsOf(calls, "PathFill").size(), 1u);
}

TEST_F(VectorKnobSlider, SliderPressJumpsAndDragFollows)
{
  IVStyle style;
  style.showLabel = style.showValue = false;
  style.hideCursor = false;
  auto* s = Attach(new IVSliderControl(IRECT(0, 0, 40, 200), kGain, "", style));
  Down(20, 100);
  EXPECT_NEAR(s->GetValue(), 0.5, 1e-9);
  Drag(20, 8, 0, -92);
  EXPECT_NEAR(s->GetValue(), 1.0, 1e-9);
  Up(20, 8);
  EXPECT_EQ(dlg.values.back().first, static_cast<int>(kGain));
}

} // namespace
} // namespace fx::gfx::test
