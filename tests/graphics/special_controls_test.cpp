// The controls the editor makes itself through the control makers: backgrounds, the corner
// resizer, value bubbles and the frame-rate display.

#include "tests/graphics/GfxTestSupport.h"

#include <gtest/gtest.h>

namespace fx::gfx::test {
namespace {

struct FakeBubble : IBubbleControlBase
{
  void ShowBubble(IControl* caller, float x, float y, const char* str, EDirection dir, const IRECT& minimum,
                  uint64_t touchId) override
  {
    shown.push_back({caller, x, y, str, dir, minimum, touchId});
    mTouchId = touchId;
  }
  void Draw(IGfx&) override {}
  struct Show
  {
    IControl* caller;
    float x, y;
    std::string text;
    EDirection dir;
    IRECT minimum;
    uint64_t touch;
  };
  std::vector<Show> shown;
};

struct FakeDisplay : IFPSDisplayControlBase
{
  using IFPSDisplayControlBase::IFPSDisplayControlBase;
  void Draw(IGfx&) override {}
};

// Installs doubles for the makers and restores the table afterwards.
struct MakersFixture : EditorFixture
{
  MakersFixture()
  {
    GetControlMakers().bitmap = [this](float x, float y, const IBitmap& b, int paramIdx, int) {
      made.push_back("bitmap " + std::to_string(static_cast<int>(x)) + "," + std::to_string(static_cast<int>(y)) + " " +
                     b.GetResourceName().Get() + " " + std::to_string(paramIdx));
      return new TestControl(IRECT(x, y, x + b.W(), y + b.H()));
    };
    GetControlMakers().panel = [this](const IRECT& r, const IPattern& p, bool) {
      made.push_back("panel " + std::to_string(static_cast<int>(r.R)) + " " + std::to_string(p.mStops[0].mColor.R));
      return new TestControl(r);
    };
    GetControlMakers().cornerResizer = [this](const IRECT& area, float size, const IColor&, const IColor&,
                                              const IColor&) {
      made.push_back("resizer " + std::to_string(static_cast<int>(area.R)) + " " + std::to_string(static_cast<int>(size)));
      return new TestControl(IRECT(area.R - size + 1, area.B - size + 1, area.R - 1, area.B - 1));
    };
    GetControlMakers().bubble = [this](const IText&, const IColor& fill, const IColor& stroke, float roundness) {
      made.push_back("bubble " + std::to_string(fill.R) + " " + std::to_string(stroke.R) + " " +
                     std::to_string(static_cast<int>(roundness)));
      return new FakeBubble;
    };
    GetControlMakers().fpsDisplay = [this](const IRECT& r, int mode, const char* label) {
      made.push_back("fps " + std::to_string(static_cast<int>(r.L)) + " " + std::to_string(mode) + " " + label);
      return new FakeDisplay(r);
    };
  }
  ~MakersFixture() { GetControlMakers() = saved; }

  IControlMakers saved = GetControlMakers();
  std::vector<std::string> made;
};

TEST(SpecialControls, BackgroundsGoFirstAndWithoutMakersNothingIsMade)
{
  {
    EditorFixture plain;
    plain.gfx->AttachPanelBackground(IPattern(kColorRed));
    plain.gfx->AttachCornerResizer();
    plain.gfx->ShowFPSDisplay(true);
    EXPECT_EQ(plain.gfx->NControls(), 0);
    EXPECT_EQ(plain.gfx->GetCornerResizer(), nullptr);
    EXPECT_FALSE(plain.gfx->ShowingFPSDisplay());
  }
  MakersFixture f;
  auto* c = new TestControl(IRECT(0, 0, 10, 10));
  f.gfx->AttachControl(c, 4);
  f.gfx->AttachPanelBackground(IPattern(kColorRed));
  ASSERT_EQ(f.gfx->NControls(), 2);
  EXPECT_EQ(f.gfx->GetControl(1), c);
  EXPECT_EQ(f.made.back(), "panel 1000 255");
  EXPECT_EQ(f.gfx->GetControlWithTag(4), c);
}

TEST(SpecialControls, CornerResizerIsOutsideTheListAndWinsItsCorner)
{
  MakersFixture f;
  auto* c = new TestControl(IRECT(0, 0, 1000, 270));
  f.gfx->AttachControl(c);
  f.gfx->AttachCornerResizer(kResizerSize, false, kColorTranslucent, kColorBlack, kColorBlack, 20.f);
  f.gfx->AttachCornerResizer(kResizerScale, false, kColorTranslucent, kColorBlack, kColorBlack, 30.f);
  EXPECT_EQ(f.made, (std::vector<std::string>{"resizer 1000 20"}));
  EXPECT_EQ(f.gfx->NControls(), 1);
  EXPECT_EQ(f.gfx->GetMouseControl(990, 260, false), f.gfx->GetCornerResizer());
  EXPECT_EQ(f.gfx->GetMouseControl(10, 10, false), c);
}

TEST(SpecialControls, BubblesShowForTheirCaller)
{
  MakersFixture f;
  f.gfx->AttachBubbleControl();
  EXPECT_EQ(f.made.back(), "bubble 255 0 5");
  auto* knob = new TestControl(IRECT(100, 50, 140, 90), kGain, ShowBubbleHorizontalActionFunc);
  auto* slider = new TestControl(IRECT(200, 50, 220, 150), kGain, ShowBubbleVerticalActionFunc);
  f.gfx->AttachControl(knob);
  f.gfx->AttachControl(slider);
  knob->SetValue(0.75); // 6 dB
  knob->SetDirty(true);
  slider->SetValue(0.75);
  slider->SetDirty(true);
  auto* bubble = static_cast<FakeBubble*>(f.gfx->GetBubbleControl(0));
  ASSERT_EQ(bubble->shown.size(), 2u);
  EXPECT_EQ(bubble->shown[0].caller, knob);
  EXPECT_EQ(bubble->shown[0].x, 140);
  EXPECT_EQ(bubble->shown[0].y, 70);
  EXPECT_EQ(bubble->shown[0].text, "6.00 dB");
  EXPECT_EQ(bubble->shown[0].dir, kHorizontal);
  EXPECT_EQ(bubble->shown[0].minimum, IRECT(0, 0, 50, 30));
  EXPECT_EQ(bubble->shown[1].x, 210);
  EXPECT_EQ(bubble->shown[1].y, 50);
  EXPECT_EQ(bubble->shown[1].dir, kVertical);

  // In multi-touch mode the bubble follows the touch that holds the control.
  f.gfx->EnableMultiTouch(true);
  f.gfx->AttachBubbleControl();
  f.gfx->OnMouseDown({f.Point(120, 60, false, 7)});
  f.gfx->ShowBubbleControl(knob, 0, 0, "x");
  EXPECT_EQ(bubble->shown.back().touch, 7u);
}

TEST(SpecialControls, FrameRateDisplayReceivesFrameTimes)
{
  MakersFixture f;
  f.gfx->ShowFPSDisplay(true);
  ASSERT_TRUE(f.gfx->ShowingFPSDisplay());
  EXPECT_EQ(f.made.back(), "fps 10 0 Frame Time");
  auto* display = f.gfx->GetPerfDisplay();
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
