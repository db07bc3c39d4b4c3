// Track controls: track and step cells, fills from a baseline, peaks, and the range slider whose
// handles stay between their neighbours.

#include "graphics/controls/IVRangeSliderControl.h"
#include "graphics/controls/IVTrackControlBase.h"
#include "tests/graphics/controls/ControlTestSupport.h"

namespace fx::gfx::test {
namespace {

IVStyle Bare()
{
  IVStyle style;
  style.showLabel = style.showValue = false;
  return style;
}

/** Fills of one colour, in drawing order. */
std::vector<IRECT> FillsOf(const std::vector<Call>& calls, const IColor& color)
{
  std::vector<IRECT> out;
  for (const Painted& p : PaintedPaths(calls))
    if (!p.stroke && p.color == color) out.push_back(p.box);
  return out;
}

using TrackControls = ControlFixture;

TEST_F(TrackControls, TracksAreColumnsOrRowsLessTheGap)
{
  auto* t = new IVTrackControlBase(IRECT(0, 0, 100, 100), "", Bare(), {-1, -1}, 0, kVertical);
  t->SetTrackGap(2.f);
  Attach(t);
  ExpectRect(t->GetTrackBounds(0), 0, 0, 48, 98);
  ExpectRect(t->GetTrackBounds(1), 50, 0, 98, 98);
  EXPECT_EQ(t->GetValIdxForPos(60, 50), 1);
  EXPECT_EQ(t->GetValIdxForPos(49, 50), -1);

  auto* rows = Attach(new IVTrackControlBase(IRECT(0, 0, 100, 100), "", Bare(), {-1, -1}, 0, kHorizontal));
  ExpectRect(rows->GetTrackBounds(1), 0, 50, 100, 100);
}

TEST_F(TrackControls, StepCellsAreStoredLastFirst)
{
  auto* h = Attach(new IVTrackControlBase(IRECT(0, 0, 100, 20), "", Bare(), {-1}, 4, kHorizontal));
  ASSERT_EQ(h->NStepRects(), 5); // four steps and the cell of 0
  ExpectRect(h->GetStepRect(0), 80, 0, 100, 20);
  ExpectRect(h->GetStepRect(4), 0, 0, 20, 20);

  auto* v = new IVTrackControlBase(IRECT(0, 0, 20, 100), "", Bare(), {-1}, 4, kVertical);
  v->SetZeroValueStepHasBounds(false);
  Attach(v);
  ASSERT_EQ(v->NStepRects(), 4);
  ExpectRect(v->GetStepRect(0), 0, 75, 20, 100);
  ExpectRect(v->GetStepRect(3), 0, 0, 20, 25);
}

TEST_F(TrackControls, StepFillSnapsToTheCellOfTheValueInEveryTrack)
{
  IVStyle style = Bare();
  style.drawFrame = false;
  auto* t = Attach(new IVTrackControlBase(IRECT(0, 0, 100, 100), "", style, {-1, -1}, 4, kVertical));
  t->SetValue(1.0, 0);
  t->SetValue(0.5, 1);
  std::vector<IRECT> handles = FillsOf(DrawAllCalls(), kDefaultFGColor);
  ASSERT_EQ(handles.size(), 2u);
  ExpectRect(handles[0], 0, 0, 50, 20);
  ExpectRect(handles[1], 50, 40, 100, 60); // the right-hand track snaps too

  // Value 0 lights the zero cell at the bottom.
  t->SetValue(0.0, 0);
  handles = FillsOf(DrawAllCalls(), kDefaultFGColor);
  ExpectRect(handles[0], 0, 80, 50, 100);
}

TEST_F(TrackControls, BaselineFillsBothWaysAndZeroValueShowsAPeakOutside)
{
  IVStyle style = Bare();
  style.drawFrame = false;
  auto* t = Attach(new IVTrackControlBase(IRECT(0, 0, 100, 100), "", style, {-1, -1}, 0, kVertical));
  t->SetBaseValue(0.5);
  t->SetValue(0.75, 0);
  t->SetValue(0.25, 1);
  std::vector<Call> calls = DrawAllCalls();
  std::vector<IRECT> handles = FillsOf(calls, kDefaultFGColor);
  ASSERT_EQ(handles.size(), 2u);
  ExpectRect(handles[0], 0, 25, 50, 50);
  ExpectRect(handles[1], 50, 50, 100, 75);
  std::vector<IRECT> peaks = FillsOf(calls, kDefaultFRColor);
  ASSERT_EQ(peaks.size(), 2u);
  ExpectRect(peaks[0], 0, 25, 50, 26); // at the top above the baseline
  ExpectRect(peaks[1], 50, 74, 100, 75); // at the bottom below it
  EXPECT_EQ(gfx->Count("PathStroke"), 1); // the baseline

  auto* zero = Attach(new IVTrackControlBase(IRECT(200, 0, 300, 100), "", style, {-1}, 0, kVertical));
  gfx->RemoveControl(t);
  peaks = FillsOf(DrawAllCalls(), kDefaultFRColor);
  ASSERT_EQ(peaks.size(), 1u);
  ExpectRect(peaks[0], 200, 100, 300, 101);
  (void)zero;
}

struct RangeSlider : ControlFixture
{
  IVRangeSliderControl* Make(double lo, double hi)
  {
    auto* r = Attach(new IVRangeSliderControl(IRECT(0, 0, 200, 40), {-1, -1}, "", Bare(), kHorizontal, 8.f, 2.f));
    r->SetValue(lo, 0);
    r->SetValue(hi, 1);
    return r;
  }
};

TEST_F(RangeSlider, HandlesSitEitherSideOfTheTrack)
{
  IVRangeSliderControl* r = Make(0.25, 0.75);
  ExpectRect(r->GetTrackBounds(0), 8, 18, 192, 22);
  // Square handles move by half the shadow offset; the lower below the track, the upper above.
  ExpectRect(r->GetHandleBounds(0), 46, 23.5f, 62, 39.5f);
  ExpectRect(r->GetHandleBounds(1), 138, 5.5f, 154, 21.5f);
}

TEST_F(RangeSlider, HandleStopsAtItsNeighbour)
{
  IVRangeSliderControl* r = Make(0.25, 0.75);
  Down(54, 30);
  Drag(190, 30, 136, 0);
  EXPECT_EQ(r->GetValue(0), 0.75);
  Up(190, 30);
  Down(146, 10);
  Drag(2, 10, -144, 0);
  EXPECT_EQ(r->GetValue(1), 0.75); // held by the lower handle, now at 0.75 too
  Up(2, 10);
}

TEST_F(RangeSlider, EqualHandlesCannotCross)
{
  IVRangeSliderControl* r = Make(0.5, 0.5);
  Down(100, 30);
  Drag(180, 30, 80, 0);
  EXPECT_EQ(r->GetValue(0), 0.5);
  Up(180, 30);
  Down(100, 10);
  Drag(10, 10, -90, 0);
  EXPECT_EQ(r->GetValue(1), 0.5);
  Up(10, 10);
}

TEST_F(RangeSlider, DragAwayFromEveryHandleChangesNothing)
{
  IVRangeSliderControl* r = Make(0.25, 0.75);
  Down(100, 10);
  EXPECT_EQ(r->GetMouseOverHandle(), -1);
  Drag(150, 10, 50, 0);
  Up(150, 10);
  EXPECT_EQ(r->GetValue(0), 0.25);
  EXPECT_EQ(r->GetValue(1), 0.75);
}

} // namespace
} // namespace fx::gfx::test
