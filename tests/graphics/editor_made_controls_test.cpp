// The controls the editor makes itself through the control makers: backgrounds, the corner
// resizer, value bubbles and the frame-rate display.

#include "graphics/IBubbleControl.h"
#include "graphics/ICornerResizerControl.h"
#include "graphics/IFPSDisplayControl.h"
#include "graphics/IPanelControl.h"
#include "tests/graphics/GfxTestSupport.h"

#include <gtest/gtest.h>

namespace fx::gfx::test {
namespace {

TEST(SpecialControls, BackgroundsGoFirstAndWithoutMakersNothingIsMade)
{
  {
    const IControlMakers saved = GetControlMakers();
    GetControlMakers() = IControlMakers();
    EditorFixture plain;
    plain.gfx->AttachPanelBackground(IPattern(kColorRed));
    plain.gfx->AttachCornerResizer();
    plain.gfx->ShowFPSDisplay(true);
    plain.gfx->AttachBubbleControl();
    EXPECT_EQ(plain.gfx->NControls(), 0);
    EXPECT_EQ(plain.gfx->GetCornerResizer(), nullptr);
    EXPECT_FALSE(plain.gfx->ShowingFPSDisplay());
    EXPECT_EQ(plain.gfx->NBubbles(), 0);
    GetControlMakers() = saved;
  }
  EditorFixture f;
  auto* c = new TestControl(IRECT(0, 0, 10, 10));
  f.gfx->AttachControl(c, 4);
  f.gfx->AttachPanelBackground(IPattern(kColorRed));
  ASSERT_EQ(f.gfx->NControls(), 2);
  EXPECT_EQ(f.gfx->GetControl(1), c);
  auto* panel = dynamic_cast<IPanelControl*>(f.gfx->GetControl(0));
  ASSERT_NE(panel, nullptr);
  EXPECT_EQ(panel->GetRECT(), IRECT(0, 0, 1000, 270));
  EXPECT_EQ(panel->GetPattern().mStops[0].mColor, kColorRed);
  EXPECT_EQ(f.gfx->GetControlWithTag(4), c);
}

TEST(SpecialControls, CornerResizerIsOutsideTheListAndWinsItsCorner)
{
  EditorFixture f;
  auto* c = new TestControl(IRECT(0, 0, 1000, 270));
  f.gfx->AttachControl(c);
  f.gfx->AttachCornerResizer(kResizerSize, false, kColorTranslucent, kColorBlack, kColorBlack, 20.f);
  f.gfx->AttachCornerResizer(kResizerScale, false, kColorTranslucent, kColorBlack, kColorBlack, 30.f);
  auto* resizer = dynamic_cast<ICornerResizerControl*>(f.gfx->GetCornerResizer());
  ASSERT_NE(resizer, nullptr);
  EXPECT_EQ(resizer->GetSize(), 20.f);
  EXPECT_EQ(f.gfx->GetResizerMode(), kResizerSize);
  EXPECT_EQ(f.gfx->NControls(), 1);
  EXPECT_EQ(f.gfx->GetMouseControl(990, 260, false), resizer);
  EXPECT_EQ(f.gfx->GetMouseControl(10, 10, false), c);
}

TEST(SpecialControls, BubblesShowForTheirCaller)
{
  EditorFixture f;
  f.gfx->AttachBubbleControl();
  auto* bubble = dynamic_cast<IBubbleControl*>(f.gfx->GetBubbleControl(0));
  ASSERT_NE(bubble, nullptr);
  auto* knob = new TestControl(IRECT(100, 50, 140, 90), kGain, ShowBubbleHorizontalActionFunc);
  auto* slider = new TestControl(IRECT(200, 50, 220, 150), kGain, ShowBubbleVerticalActionFunc);
  f.gfx->AttachControl(knob);
  f.gfx->AttachControl(slider);
  knob->SetValue(0.75); // 6 dB
  knob->SetDirty(true);
  EXPECT_EQ(bubble->GetCaller(), knob);
  EXPECT_STREQ(bubble->GetStr(), "6.00 dB");
  EXPECT_EQ(bubble->GetBubbleRECT().L, 140); // anchored at the knob's right edge
  EXPECT_EQ(bubble->GetBubbleRECT().MH(), 70);
  EXPECT_EQ(bubble->GetArrowSide(), IBubbleControl::kLeft);
  slider->SetValue(0.75);
  slider->SetDirty(true);
  EXPECT_EQ(bubble->GetCaller(), slider);
  EXPECT_EQ(bubble->GetBubbleRECT().B, 50); // above the slider's top
  EXPECT_EQ(bubble->GetBubbleRECT().MW(), 210);
  EXPECT_EQ(bubble->GetArrowSide(), IBubbleControl::kBottom);

  // In multi-touch mode the bubble follows the touch that holds the control.
  f.gfx->EnableMultiTouch(true);
  f.gfx->AttachBubbleControl();
  f.gfx->OnMouseDown({f.Point(120, 60, false, 7)});
  f.gfx->ShowBubbleControl(knob, 0, 0, "x");
  EXPECT_EQ(bubble->GetTouchId(), 7u);
}

TEST(SpecialControls, FrameRateDisplayReceivesFrameTimes)
{
  EditorFixture f;
  f.gfx->ShowFPSDisplay(true);
  ASSERT_TRUE(f.gfx->ShowingFPSDisplay());
  auto* display = dynamic_cast<IFPSDisplayControl*>(f.gfx->GetPerfDisplay());
  ASSERT_NE(display, nullptr);
  EXPECT_EQ(display->GetRECT(), IRECT(10, 10, 210, 60));
  EXPECT_EQ(display->GetMode(), IFPSDisplayControl::kFPS);
  EXPECT_STREQ(display->GetLabelStr(), "Frame Time");
  IRECTList rects;
  rects.Add(IRECT(0, 0, 10, 10));
  f.gfx->DrawDirtyRects(rects);
  f.clock.now += 16.0;
  f.gfx->DrawDirtyRects(rects);
  EXPECT_EQ(display->GetNewestIndex(), 2);
  EXPECT_FLOAT_EQ(display->GetFrameTime(1), 0.f);
  EXPECT_NEAR(display->GetFrameTime(2), 0.016f, 1e-6);
  EXPECT_EQ(f.gfx->GetMouseControl(20, 20, false), display);
  f.gfx->ShowFPSDisplay(false);
  EXPECT_FALSE(f.gfx->ShowingFPSDisplay());
}

} // namespace
} // namespace fx::gfx::test
