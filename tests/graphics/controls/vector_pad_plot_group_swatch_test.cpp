// XY pad, plot, group frame and colour swatch.

#include "graphics/controls/IVColorSwatchControl.h"
#include "graphics/controls/IVGroupControl.h"
#include "graphics/controls/IVPlotControl.h"
#include "graphics/controls/IVXYPadControl.h"
#include "tests/graphics/controls/ControlTestSupport.h"

#include <cmath>

namespace fx::gfx::test {
namespace {

IVStyle Bare()
{
  IVStyle style;
  style.showLabel = style.showValue = false;
  return style;
}

using PadPlotGroupSwatch = ControlFixture;

TEST_F(PadPlotGroupSwatch, PadFollowsThePointerAndHoldsAtItsEdges)
{
  auto* pad = Attach(new IVXYPadControl(IRECT(0, 0, 100, 100), {kGain, kSteps}, "", Bare(), 10.f));
  Down(25, 75);
  EXPECT_DOUBLE_EQ(pad->GetValue(0), 0.25);
  EXPECT_DOUBLE_EQ(pad->GetValue(1), 0.25);
  EXPECT_EQ(gfx->CursorIsHidden(), true);
  Drag(250, -40, 225, -115);
  EXPECT_EQ(pad->GetValue(0), 1.0);
  EXPECT_EQ(pad->GetValue(1), 1.0);
  ExpectRect(pad->GetHandleBounds(), 90, -10, 110, 10);
  Up(250, -40);
  EXPECT_EQ(gfx->CursorIsHidden(), false);

  pad->SetTrackClipsHandle(false);
  ExpectRect(pad->GetHandleBounds(), 80, 0, 100, 20);
}

TEST_F(PadPlotGroupSwatch, PadWithoutSizeKeepsItsValues)
{
  auto* flat = Attach(new IVXYPadControl(IRECT(10, 10, 10, 60), {-1, -1}, "", Bare()));
  flat->SetValue(0.5, 0);
  flat->OnMouseDrag(10, 35, 0, 0, IMouseMod(true));
  EXPECT_EQ(flat->GetValue(0), 0.5);
  EXPECT_EQ(flat->GetValue(1), 0.5);
}

TEST_F(PadPlotGroupSwatch, PlotGridStepsAndCurves)
{
  IVStyle style = Bare();
  auto* plot = Attach(new IVPlotControl(IRECT(0, 0, 200, 120), {{kColorRed, [](double x) { return x; }}}, 11, "",
                                        style, false, 0.f, 1.f));
  EXPECT_FLOAT_EQ(plot->GetHorizontalStep(), 20.f);
  EXPECT_FLOAT_EQ(plot->GetVerticalStep(), 10.f);
  const std::vector<Call> calls = DrawAllCalls();
  // A diagonal from the bottom-left to the top-right of the widget less a step at top and bottom.
  const std::vector<Call> moves = CallsOf(calls, "PathMoveTo");
  bool diagonal = false;
  for (const Call& c : moves) diagonal |= c.a[0] == 0.0 && c.a[1] == 110.0;
  EXPECT_TRUE(diagonal);
}

TEST_F(PadPlotGroupSwatch, PlotRefusesEmptyFunctionsAndDegenerateRanges)
{
  auto* plot = Attach(new IVPlotControl(IRECT(0, 0, 200, 120), {}, 1, "", Bare()));
  plot->AddPlotFunc(kColorRed, nullptr);
  EXPECT_EQ(plot->NPlots(), 0);
  plot->AddPlotFunc(kColorRed, [](double) { return NAN; });
  EXPECT_NO_THROW(DrawAllCalls()); // one point: grid and frame only
  auto* flat = Attach(new IVPlotControl(IRECT(0, 0, 200, 120), {{kColorBlue, [](double x) { return x; }}}, 16, "",
                                        Bare(), false, 1.f, 1.f));
  gfx->RemoveControl(plot);
  const std::vector<Call> calls = DrawAllCalls();
  for (const Call& c : CallsOf(calls, "PathLineTo")) EXPECT_TRUE(std::isfinite(c.a[1]));
  (void)flat;
}

TEST_F(PadPlotGroupSwatch, GroupFitsAroundItsControls)
{
  auto* a = Attach(new TestControl(IRECT(20, 30, 60, 70)));
  auto* b = Attach(new TestControl(IRECT(80, 40, 120, 90)));
  a->SetGroup("g");
  b->SetGroup("g");
  auto* group = new IVGroupControl("", "g", 5, 6, 7, 8, Bare());
  group->SetGroup("g");
  Attach(group);
  ExpectRect(group->GetRECT(), 15, 24, 127, 98);
  EXPECT_TRUE(group->GetIgnoreMouse());

  auto* empty = new IVGroupControl("", "nothing", 5, 6, 7, 8, Bare());
  Attach(empty);
  ExpectRect(empty->GetRECT(), -5, -6, 7, 8);
}

TEST_F(PadPlotGroupSwatch, UnlabelledGroupDrawsAClosedFrame)
{
  IVStyle style = Bare();
  style.drawShadows = false;
  Attach(new IVGroupControl(IRECT(10, 10, 110, 60), "", 10.f, style));
  const std::vector<Call> calls = DrawAllCalls();
  const std::vector<Call> moves = CallsOf(calls, "PathMoveTo");
  const std::vector<Call> lines = CallsOf(calls, "PathLineTo");
  ASSERT_FALSE(moves.empty());
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(moves.back().a, lines.back().a); // starts and ends mid-top
  EXPECT_EQ(moves.back().a[0], 60.0);
  EXPECT_EQ(gfx->Count("PathStroke"), 1);
}

TEST_F(PadPlotGroupSwatch, SwatchGridAndColourChoice)
{
  std::vector<std::pair<int, IColor>> chosen;
  std::vector<EVColorRole> roles(10, kForeground);
  roles[4] = kExtra2;
  IVStyle style = Bare();
  style.drawFrame = style.drawShadows = false;
  auto* swatch = Attach(new IVColorSwatchControl(IRECT(0, 0, 90, 90), "",
                                                 [&](int i, const IColor& c) { chosen.emplace_back(i, c); }, style,
                                                 ESwatchLayout::kGrid, roles));
  ASSERT_EQ(swatch->NCells(), 10);
  ExpectRect(swatch->GetCellRect(0), 2, 2, 28, 28);
  ExpectRect(swatch->GetCellRect(4), 32, 32, 58, 58);
  ExpectRect(swatch->GetCellRect(9), 2, 2, 88, 88); // beyond the grid: the whole widget

  Click(45, 45);
  const Call* prompt = gfx->Find("PromptForColor");
  ASSERT_NE(prompt, nullptr);
  EXPECT_EQ(prompt->s, "Choose a color");
  ASSERT_EQ(chosen.size(), 1u);
  EXPECT_EQ(chosen[0].first, 4);
  EXPECT_EQ(chosen[0].second, kDefaultX2Color);

  Click(89.5f, 89.5f); // between the cells' insets: nothing
  EXPECT_EQ(chosen.size(), 1u);
}

TEST_F(PadPlotGroupSwatch, SwatchRowAndHover)
{
  IVStyle style = Bare();
  style.drawFrame = style.drawShadows = false;
  auto* row = Attach(new IVColorSwatchControl(IRECT(0, 0, 90, 30), "", nullptr, style, ESwatchLayout::kHorizontal,
                                              {kBackground, kFrame, kShadow}, {"a"}));
  ExpectRect(row->GetCellRect(2), 62, 2, 88, 28);
  gfx->OnMouseOver(40, 15, IMouseMod());
  EXPECT_EQ(row->GetMouseOverCell(), 1);
  // A labelled cell keeps its right quarter for the colour.
  bool quarter = false;
  for (const Painted& p : PaintedPaths(DrawAllCalls()))
    quarter |= !p.stroke && p.color == kColorTransparent && p.box == IRECT(21.5f, 2, 28, 28);
  EXPECT_TRUE(quarter);
}

} // namespace
} // namespace fx::gfx::test
