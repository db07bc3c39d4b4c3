// Bitmap controls: where each sits for its bitmap, the frame it shows for its value, the
// switch's stepping by frames and the slider's handle along its track.

#include "graphics/controls/IBButtonControl.h"
#include "graphics/controls/IBKnobControl.h"
#include "graphics/controls/IBSliderControl.h"
#include "graphics/controls/IBTextControl.h"
#include "tests/graphics/controls/ControlTestSupport.h"

namespace fx::gfx::test {
namespace {

struct BitmapControls : ControlFixture
{
  /** A bitmap of nFrames frames of w × h stacked vertically (side by side when horizontal). */
  IBitmap Strip(int w, int h, int nFrames, bool horizontal = false, const char* name = "strip")
  {
    const int bw = horizontal ? w * nFrames : w, bh = horizontal ? h : h * nFrames;
    bitmaps.push_back(std::make_unique<FakeBitmap>(bw, bh, 1.f));
    return IBitmap(bitmaps.back().get(), bw, bh, nFrames, horizontal, name);
  }
  /** The source offsets of the bitmap draws of a frame. */
  std::vector<std::pair<int, int>> Sources()
  {
    std::vector<std::pair<int, int>> out;
    for (const Call& c : CallsOf(DrawAllCalls(), "DrawBitmap"))
      out.emplace_back(static_cast<int>(c.a[4]), static_cast<int>(c.a[5]));
    return out;
  }
  std::vector<std::unique_ptr<FakeBitmap>> bitmaps;
};

TEST_F(BitmapControls, SwitchStepsByItsFramesAndWrapsAboveOnePointOhOhOne)
{
  auto* two = Attach(new IBSwitchControl(0, 0, Strip(20, 10, 2)));
  auto* three = Attach(new IBSwitchControl(0, 50, Strip(20, 10, 3)));
  auto* one = Attach(new IBSwitchControl(0, 100, Strip(20, 10, 1)));
  std::vector<double> seen2, seen3, seen1;
  for (int i = 0; i < 4; ++i)
  {
    seen2.push_back(two->GetValue());
    seen3.push_back(three->GetValue());
    seen1.push_back(one->GetValue());
    Click(5, 5);
    Click(5, 55);
    Click(5, 105);
  }
  EXPECT_EQ(seen2, (std::vector<double>{0.0, 1.0, 0.0, 1.0}));
  EXPECT_EQ(seen3, (std::vector<double>{0.0, 0.5, 1.0, 0.0}));
  EXPECT_EQ(seen1, (std::vector<double>{0.0, 1.0, 0.0, 1.0}));

  // A step landing a little above 1 is the last state, not a wrap.
  auto* four = Attach(new IBSwitchControl(100, 0, Strip(20, 10, 4)));
  four->SetValue(2.0 / 3.0 + 0.0005);
  Click(105, 5);
  EXPECT_EQ(four->GetValue(), 1.0);
}

TEST_F(BitmapControls, SwitchShowsTheFrameOfItsValue)
{
  auto* s = Attach(new IBSwitchControl(IRECT(0, 0, 40, 40), Strip(20, 10, 3)));
  ExpectRect(s->GetRECT(), 10, 15, 30, 25);
  s->SetValue(0.5);
  EXPECT_EQ(Sources(), (std::vector<std::pair<int, int>>{{0, 10}}));
  s->SetValue(1.0);
  EXPECT_EQ(Sources(), (std::vector<std::pair<int, int>>{{0, 20}}));
}

TEST_F(BitmapControls, ButtonShowsItsSecondFrameWhilePressed)
{
  auto* b = Attach(new IBButtonControl(10, 10, Strip(30, 20, 2, true)));
  ExpectRect(b->GetRECT(), 10, 10, 40, 30);
  Down(20, 20);
  EXPECT_EQ(Sources(), (std::vector<std::pair<int, int>>{{30, 0}}));
  Up(20, 20);
  Tick(101);
  EXPECT_EQ(Sources(), (std::vector<std::pair<int, int>>{{0, 0}}));
}

TEST_F(BitmapControls, KnobTakesOneFrameCentredInItsBounds)
{
  auto* exact = Attach(new IBKnobControl(IRECT(0, 0, 40, 30), Strip(40, 30, 5), kGain));
  ExpectRect(exact->GetRECT(), 0, 0, 40, 30);
  auto* centred = Attach(new IBKnobControl(IRECT(100, 0, 200, 100), Strip(40, 30, 5), kGain));
  ExpectRect(centred->GetRECT(), 130, 35, 170, 65);
  EXPECT_FALSE(centred->IsHit(110, 10));
  EXPECT_TRUE(centred->GetHideCursorOnDrag());

  auto* single = Attach(new IBKnobControl(IRECT(0, 200, 40, 230), Strip(40, 30, 1)));
  single->SetValue(0.8);
  gfx->RemoveControl(exact);
  gfx->RemoveControl(centred);
  EXPECT_EQ(Sources(), (std::vector<std::pair<int, int>>{{0, 0}}));
}

TEST_F(BitmapControls, RotaterIsUprightAtHalf)
{
  auto* r = Attach(new IBKnobRotaterControl(IRECT(0, 0, 40, 40), Strip(40, 40, 1)));
  r->SetValue(0.5);
  EXPECT_EQ(r->GetAngle(), 0.f);
  r->SetValue(0.0);
  EXPECT_EQ(r->GetAngle(), -130.f);
  r->SetValue(1.0);
  EXPECT_EQ(r->GetAngle(), 130.f);
}

TEST_F(BitmapControls, SliderHandleRunsFlushFromEndToEnd)
{
  auto* s = Attach(new IBSliderControl(0, 0, 200, Strip(20, 30, 1), IBitmap(), -1, kHorizontal));
  ExpectRect(s->GetRECT(), 0, 0, 200, 30);
  ExpectRect(s->GetTrack(), 0, 0, 200, 30);
  ExpectRect(s->GetHandleBounds(0.0), 0, 0, 20, 30);
  ExpectRect(s->GetHandleBounds(1.0), 180, 0, 200, 30);

  // Without a track bitmap the track is a strip as wide as the handle down the middle.
  auto* v = Attach(new IBSliderControl(IRECT(100, 0, 160, 200), Strip(20, 10, 1), IBitmap(), -1, kVertical));
  ExpectRect(v->GetTrack(), 120, 0, 140, 200);
  ExpectRect(v->GetHandleBounds(1.0), 120, 0, 140, 10);
  ExpectRect(v->GetHandleBounds(0.0), 120, 190, 140, 200);

  // With one, the track is the track bitmap's frame centred in the bounds.
  auto* t = Attach(new IBSliderControl(IRECT(200, 0, 300, 40), Strip(10, 20, 1), Strip(80, 20, 1), -1, kHorizontal));
  ExpectRect(t->GetTrack(), 210, 10, 290, 30);
}

TEST_F(BitmapControls, TextDrawsOneCellPerCharacter)
{
  Attach(new IBTextControl(IRECT(0, 0, 100, 20), Strip(6, 12, 96), IText(), "AB", 6, 12));
  const auto sources = Sources();
  ASSERT_EQ(sources.size(), 2u);
  EXPECT_EQ(sources[0].second, ('A' - 32) * 12);
}

} // namespace
} // namespace fx::gfx::test
