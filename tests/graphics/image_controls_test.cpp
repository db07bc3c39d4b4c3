// Bitmap, SVG, panel, corner-resizer and bubble controls on the recording back end.

#include "graphics/IBitmapControl.h"
#include "graphics/IBubbleControl.h"
#include "graphics/ICornerResizerControl.h"
#include "graphics/IPanelControl.h"
#include "graphics/ISVGControl.h"
#include "tests/graphics/GfxTestSupport.h"

#include <gtest/gtest.h>

namespace fx::gfx::test {
namespace {

TEST(BitmapControl, ValueChoosesTheFrame)
{
  EditorFixture f;
  FakeBitmap api(40, 100, 1.f);
  const IBitmap vertical(&api, 40, 100, 5, false, "strip");
  auto* c = new IBitmapControl(10, 20, vertical, kGain);
  f.gfx->AttachControl(c);
  EXPECT_EQ(c->GetRECT(), IRECT(10, 20, 50, 40));

  const double values[] = {0.0, 0.124, 0.125, 0.5, 1.0, 1.7, -0.3, std::nan("")};
  const int frames[] = {1, 1, 2, 3, 5, 5, 1, 1};
  for (size_t i = 0; i < std::size(values); ++i)
  {
    c->SetValue(values[i]);
    EXPECT_EQ(c->GetFrame(), frames[i]) << values[i];
    f.gfx->Clear();
    c->Draw(*f.gfx);
    const Call* draw = f.gfx->Find("DrawBitmap");
    ASSERT_NE(draw, nullptr);
    EXPECT_EQ(draw->a[5], (frames[i] - 1) * 20) << values[i]; // source y
    EXPECT_EQ(IRECT(draw->a[0], draw->a[1], draw->a[2], draw->a[3]), c->GetRECT());
  }

  // Frames side by side step along x; the frame is centred in larger bounds.
  const IBitmap horizontal(&api, 100, 40, 4, true, "row");
  IBitmapControl h(0, 0, horizontal);
  h.SetGraphics(f.gfx.get());
  h.SetTargetAndDrawRECTs(IRECT(0, 0, 45, 60));
  h.SetValue(1.0);
  f.gfx->Clear();
  h.Draw(*f.gfx);
  const Call* draw = f.gfx->Find("DrawBitmap");
  ASSERT_NE(draw, nullptr);
  EXPECT_EQ(IRECT(draw->a[0], draw->a[1], draw->a[2], draw->a[3]), IRECT(10, 10, 35, 50));
  EXPECT_EQ(draw->a[4], 75);
}

TEST(BitmapControl, EmptyBitmapDrawsNothingAndBackgroundIsARealBitmapControl)
{
  EditorFixture f;
  IBitmapControl empty(0, 0, IBitmap());
  empty.SetGraphics(f.gfx.get());
  EXPECT_EQ(empty.GetRECT(), IRECT());
  empty.Draw(*f.gfx);
  EXPECT_EQ(f.gfx->Count("DrawBitmap"), 0);

  // A background whose file is missing is an empty bitmap control at the front of the list.
  auto* c = new TestControl(IRECT(0, 0, 10, 10));
  f.gfx->AttachControl(c);
  f.gfx->AttachBackground("missing.png");
  ASSERT_EQ(f.gfx->NControls(), 2);
  EXPECT_NE(dynamic_cast<IBitmapControl*>(f.gfx->GetControl(0)), nullptr);
  f.gfx->AttachPanelBackground(IPattern(kColorRed));
  EXPECT_NE(dynamic_cast<IPanelControl*>(f.gfx->GetControl(0)), nullptr);
  f.gfx->AttachSVGBackground("missing.svg");
  EXPECT_NE(dynamic_cast<ISVGControl*>(f.gfx->GetControl(0)), nullptr);
  EXPECT_EQ(f.gfx->GetControl(3), c);
}

TEST(SVGControl, LayerIsKeptUntilTheBoundsOrTheScaleChange)
{
  EditorFixture f;
  static const char kSquare[] =
    "<svg xmlns='http://www.w3.org/2000/svg' width='10' height='10'><rect width='10' height='10'/></svg>";
  const ISVG svg = f.gfx->LoadSVG("square", static_cast<const void*>(kSquare), static_cast<int>(sizeof(kSquare) - 1));
  ASSERT_TRUE(svg.IsValid());
  auto* c = new ISVGControl(IRECT(0, 0, 20, 20), svg, true);
  f.gfx->AttachControl(c);
  c->Draw(*f.gfx);
  EXPECT_EQ(f.gfx->Count("CreateAPIBitmap"), 1);
  ASSERT_TRUE(c->GetLayer());
  c->Draw(*f.gfx);
  EXPECT_EQ(f.gfx->Count("CreateAPIBitmap"), 1);
  EXPECT_EQ(f.gfx->Count("DrawBitmap"), 2);
  c->SetTargetAndDrawRECTs(IRECT(0, 0, 30, 30));
  c->Draw(*f.gfx);
  EXPECT_EQ(f.gfx->Count("CreateAPIBitmap"), 2);
  f.gfx->Resize(1000, 270, 1.5f, true);
  c->Draw(*f.gfx);
  EXPECT_EQ(f.gfx->Count("CreateAPIBitmap"), 3);
}

TEST(CornerResizer, SitsInTheCornerAndResizesTheEditor)
{
  EditorFixture f;
  f.gfx->AttachCornerResizer(kResizerScale, false, kColorTranslucent, kColorBlack, kColorRed, 20.f);
  auto* r = dynamic_cast<ICornerResizerControl*>(f.gfx->GetCornerResizer());
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(r->GetRECT(), IRECT(980, 250, 1000, 270));
  EXPECT_EQ(r->GetInitialGraphicsBounds(), IRECT(0, 0, 1000, 270));

  // Hovering shows the resize cursor and gives the previous one back.
  f.gfx->EnableMouseOver(true);
  f.gfx->OnMouseOver(990, 260, IMouseMod());
  EXPECT_EQ(f.gfx->GetCursorType(), kSizeNWSECursor);
  f.gfx->OnMouseOver(10, 10, IMouseMod());
  EXPECT_EQ(f.gfx->GetCursorType(), kArrowCursor);

  // Double click at the initial size and scale 1: nothing.
  f.dlg.log.clear();
  f.gfx->OnMouseDblClick(990, 260, IMouseMod(true));
  for (const std::string& entry : f.dlg.log) EXPECT_NE(entry.rfind("resize", 0), 0u) << entry;
  EXPECT_FLOAT_EQ(f.gfx->GetDrawScale(), 1.f);

  // A drag scales the editor; the resizer follows into the corner at the new scale.
  f.Down(990, 260);
  EXPECT_TRUE(f.gfx->GetResizingInProcess());
  f.Drag(1485, 390, 495, 130);
  f.Up(1485, 390);
  EXPECT_FLOAT_EQ(f.gfx->GetDrawScale(), 1.5f);
  EXPECT_EQ(r->GetRECT(), IRECT(1000 - 20 / 1.5f, 270 - 20 / 1.5f, 1000, 270));

  // Double click brings back scale 1.
  f.gfx->OnMouseDblClick(999, 269, IMouseMod(true));
  EXPECT_FLOAT_EQ(f.gfx->GetDrawScale(), 1.f);
  EXPECT_EQ(r->GetRECT(), IRECT(980, 250, 1000, 270));
}

struct BubbleFixture : EditorFixture
{
  BubbleFixture()
  {
    gfx->AttachBubbleControl(IText(10.f));
    bubble = dynamic_cast<IBubbleControl*>(gfx->GetBubbleControl(0));
  }
  void Frames(double ms)
  {
    // Frames every 10 ms, as the view's timer would run them.
    for (double t = 0; t < ms; t += 10.0)
    {
      clock.now += 10.0;
      IRECTList rects;
      gfx->IsDirty(rects);
    }
  }
  IBubbleControl* bubble = nullptr;
};

TEST(BubbleControl, PlacedBesideOrAboveItsCallerInsideTheEditor)
{
  BubbleFixture f;
  ASSERT_NE(f.bubble, nullptr);
  EXPECT_TRUE(f.bubble->IsHidden());
  auto* knob = new TestControl(IRECT(100, 100, 140, 140), kGain);
  f.gfx->AttachControl(knob);

  // "abc": 18 x 10, widened to the 50 x 30 minimum, plus margins: 80 x 50.
  f.gfx->ShowBubbleControl(knob, 140, 120, "abc", kHorizontal, IRECT(0, 0, 50, 30));
  EXPECT_EQ(f.bubble->GetBubbleRECT(), IRECT(140, 95, 220, 145));
  EXPECT_EQ(f.bubble->GetArrowSide(), IBubbleControl::kLeft);
  EXPECT_EQ(f.bubble->GetRECT(), f.bubble->GetBubbleRECT());
  EXPECT_FALSE(f.bubble->IsHidden());
  EXPECT_EQ(f.bubble->GetState(), IBubbleControl::kFadingIn);

  f.gfx->ShowBubbleControl(knob, 120, 100, "abc", kVertical, IRECT(0, 0, 50, 30));
  EXPECT_EQ(f.bubble->GetBubbleRECT(), IRECT(80, 50, 160, 100));
  EXPECT_EQ(f.bubble->GetArrowSide(), IBubbleControl::kBottom);
  EXPECT_EQ(f.bubble->GetRECT(), IRECT(80, 50, 220, 145)); // old and new area both redrawn

  auto* top = new TestControl(IRECT(100, 10, 140, 50), kGain);
  f.gfx->AttachControl(top);
  f.gfx->ShowBubbleControl(top, 120, 10, "abc", kVertical, IRECT(0, 0, 50, 30));
  EXPECT_EQ(f.bubble->GetBubbleRECT(), IRECT(80, 50, 160, 100)); // moved below the caller
  EXPECT_EQ(f.bubble->GetArrowSide(), IBubbleControl::kTop);
  EXPECT_EQ(f.bubble->GetRECT(), f.bubble->GetBubbleRECT()); // a new caller: the bubble's own area

  auto* right = new TestControl(IRECT(950, 100, 990, 140), kGain);
  f.gfx->AttachControl(right);
  f.gfx->ShowBubbleControl(right, 990, 120, "abc", kHorizontal, IRECT(0, 0, 50, 30));
  EXPECT_EQ(f.bubble->GetBubbleRECT(), IRECT(870, 95, 950, 145)); // ends at the caller's left edge
  EXPECT_EQ(f.bubble->GetArrowSide(), IBubbleControl::kRight);
}

TEST(BubbleControl, FadesInHoldsWhileTheControlIsHeldThenFadesOut)
{
  BubbleFixture f;
  auto* knob = new TestControl(IRECT(100, 100, 140, 140), kGain, ShowBubbleHorizontalActionFunc);
  f.gfx->AttachControl(knob);
  f.Down(120, 120);
  knob->SetValue(0.75);
  knob->SetDirty(true);
  EXPECT_STREQ(f.bubble->GetStr(), "6.00 dB");
  f.Frames(100);
  EXPECT_NEAR(f.bubble->GetOpacity(), 0.95 * 0.5, 0.01);
  f.Frames(110);
  EXPECT_EQ(f.bubble->GetState(), IBubbleControl::kShowing);
  EXPECT_FLOAT_EQ(f.bubble->GetOpacity(), 0.95f);
  f.Frames(3000); // held: it stays
  EXPECT_EQ(f.bubble->GetState(), IBubbleControl::kShowing);
  EXPECT_FALSE(f.bubble->IsHidden());
  f.Up(120, 120);
  f.Frames(210); // the next check notices the release
  EXPECT_EQ(f.bubble->GetState(), IBubbleControl::kFadingOut);
  f.Frames(220);
  EXPECT_EQ(f.bubble->GetState(), IBubbleControl::kHidden);
  EXPECT_TRUE(f.bubble->IsHidden());
  EXPECT_FLOAT_EQ(f.bubble->GetOpacity(), 0.f);
  EXPECT_FALSE(f.bubble->GetAnimating());
}

TEST(BubbleControl, StaysAtLeastASecondAfterAQuickChange)
{
  BubbleFixture f;
  auto* knob = new TestControl(IRECT(100, 100, 140, 140), kGain, ShowBubbleVerticalActionFunc);
  f.gfx->AttachControl(knob);
  knob->SetValue(0.5);
  knob->SetDirty(true);
  f.Frames(210 + 990);
  EXPECT_EQ(f.bubble->GetState(), IBubbleControl::kShowing);
  f.Frames(20);
  EXPECT_EQ(f.bubble->GetState(), IBubbleControl::kFadingOut);
}

} // namespace
} // namespace fx::gfx::test
