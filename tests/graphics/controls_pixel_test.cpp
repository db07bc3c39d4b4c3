// The controls drawn to real pixels through the vector renderer and the Metal renderer, as a
// person would see them after clicks and drags. Each test writes its frames as PNG files under
// <build>/controls_pixels.

#include "graphics/IBitmapControl.h"
#include "graphics/IBubbleControl.h"
#include "graphics/IButtonControlBase.h"
#include "graphics/ICaptionControl.h"
#include "graphics/ICornerResizerControl.h"
#include "graphics/IFPSDisplayControl.h"
#include "graphics/IKnobControlBase.h"
#include "graphics/IPanelControl.h"
#include "graphics/ISVGControl.h"
#include "graphics/ISliderControlBase.h"
#include "graphics/ISwitchControlBase.h"
#include "graphics/ITextControl.h"
#include "graphics/ITextToggleControl.h"
#include "graphics/IURLControl.h"
#include "graphics/IVectorBase.h"
#include "graphics/PlaceHolder.h"
#include "tests/graphics/GfxTestSupport.h"
#include "tests/graphics/VGTestGfx.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace fx::gfx::test {
namespace {

/** An editor drawing real pixels, with a delegate and a manual clock. */
struct PixelFixture
{
  explicit PixelFixture(int w = 200, int h = 120) : gfx(std::make_unique<VGTestGfx>(dlg, w, h))
  {
    gfx->SetClock(clock.Func());
  }
  Image Frame(const std::string& name)
  {
    Image img = gfx->DrawAll();
    writePng(name, img, "controls_pixels");
    return img;
  }
  IMouseInfo Point(float x, float y, float dX = 0.f, float dY = 0.f, bool shift = false) const
  {
    IMouseInfo p;
    p.x = x;
    p.y = y;
    p.dX = dX;
    p.dY = dY;
    p.ms = IMouseMod(true, false, shift);
    return p;
  }

  TestDelegate dlg;
  ManualClock clock;
  std::unique_ptr<VGTestGfx> gfx;
};

bool Near(const Image& img, int x, int y, int r, int g, int b, int tolerance = 24)
{
  return std::abs(img.r(x, y) - r) <= tolerance && std::abs(img.g(x, y) - g) <= tolerance &&
         std::abs(img.b(x, y) - b) <= tolerance;
}

bool White(const Image& img, int x, int y) { return Near(img, x, y, 255, 255, 255, 8); }

/** Pixels of a column darker than mid grey. */
int DarkRows(const Image& img, int x, int y0, int y1)
{
  int n = 0;
  for (int y = y0; y < y1; ++y) n += img.r(x, y) < 128;
  return n;
}

/** Pixels in a rectangle that are not white. */
int Marked(const Image& img, int x0, int y0, int x1, int y1)
{
  int n = 0;
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x) n += !White(img, x, y);
  return n;
}

// A bar from the bottom of the bounds, as high as the value: what the behaviour bases leave
// for their subclasses to draw.
template <class Base>
struct Bar : Base
{
  using Base::Base;
  void Draw(IGfx& g) override
  {
    const IRECT& r = this->GetRECT();
    const float h = static_cast<float>(this->GetValue()) * r.H();
    if (h > 0.f) g.FillRect(kColorBlack, IRECT(r.L, r.B - h, r.R, r.B));
  }
};

TEST(ControlPixels, KnobDragRaisesItsBarByTheGearing)
{
  PixelFixture f;
  auto* k = new Bar<IKnobControlBase>(IRECT(20, 10, 40, 110), kGain, nullptr, kVertical, 4.0);
  f.gfx->AttachControl(k);
  f.gfx->OnMouseDown({f.Point(30, 60)});
  f.gfx->OnMouseDrag({f.Point(30, 60, 0, -100)});
  f.gfx->OnMouseUp({f.Point(30, 60)});
  const Image img = f.Frame("knob-dragged");
  EXPECT_NEAR(DarkRows(img, 30, 0, 120), 25, 1);
}

TEST(ControlPixels, SliderPressJumpsToThePointer)
{
  PixelFixture f;
  auto* s = new Bar<ISliderControlBase>(IRECT(20, 10, 40, 110), kGain, kVertical);
  f.gfx->AttachControl(s);
  f.gfx->OnMouseDown({f.Point(30, 30)});
  f.gfx->OnMouseUp({f.Point(30, 30)});
  const Image img = f.Frame("slider-pressed");
  EXPECT_NEAR(DarkRows(img, 30, 0, 120), 80, 1);
}

TEST(ControlPixels, ButtonShowsItsPressForTheClickAnimation)
{
  PixelFixture f;
  auto* b = new Bar<IButtonControlBase>(IRECT(20, 10, 40, 110));
  f.gfx->AttachControl(b);
  f.gfx->OnMouseDown({f.Point(30, 60)});
  f.gfx->OnMouseUp({f.Point(30, 60)});
  EXPECT_EQ(DarkRows(f.Frame("button-pressed"), 30, 0, 120), 100);
  f.clock.now += 150.0;
  IRECTList rects;
  f.gfx->IsDirty(rects);
  EXPECT_EQ(DarkRows(f.Frame("button-released"), 30, 0, 120), 0);
}

TEST(ControlPixels, SwitchStepsThroughItsStates)
{
  PixelFixture f;
  auto* s = new Bar<ISwitchControlBase>(IRECT(20, 10, 40, 110), kMode, nullptr, 2);
  f.gfx->AttachControl(s);
  EXPECT_EQ(s->GetNumStates(), 3);
  f.gfx->OnMouseDown({f.Point(30, 60)});
  f.gfx->OnMouseUp({f.Point(30, 60)});
  EXPECT_NEAR(DarkRows(f.Frame("switch-state-1"), 30, 0, 120), 50, 1);
}

TEST(ControlPixels, TextOnItsBackground)
{
  PixelFixture f;
  ASSERT_TRUE(f.gfx->HasFont());
  f.gfx->AttachControl(new ITextControl(IRECT(10, 10, 190, 50), "Limiter", IText(24.f), IColor(255, 255, 255, 0)));
  const Image img = f.Frame("text");
  EXPECT_TRUE(Near(img, 12, 12, 255, 255, 0));
  int dark = 0;
  for (int x = 10; x < 190; ++x) dark += DarkRows(img, x, 10, 50);
  EXPECT_GT(dark, 100); // the glyphs
  EXPECT_TRUE(White(img, 100, 80));
}

TEST(ControlPixels, LinkIsUnderlinedBelowTopAlignedText)
{
  PixelFixture f;
  auto* link = new IURLControl(IRECT(10, 10, 190, 60), "manual", "https://example.org",
                               IText(20.f, kColorBlue, nullptr, kAlignNear, kVAlignTop));
  f.gfx->AttachControl(link);
  const Image img = f.Frame("link");
  IRECT m;
  f.gfx->MeasureText(link->GetText(), "manual", m);
  const int underline = static_cast<int>(10 + m.H());
  int blue = 0;
  for (int x = 12; x < 10 + static_cast<int>(m.W()) - 2; ++x) blue += img.b(x, underline) > 200 && img.r(x, underline) < 160;
  EXPECT_GT(blue, static_cast<int>(m.W()) - 8);
  // Nothing is drawn above the text.
  EXPECT_EQ(Marked(img, 10, 0, 190, 9), 0);
}

TEST(ControlPixels, ToggleTextChangesWithItsValue)
{
  PixelFixture f;
  f.gfx->AttachControl(new ITextToggleControl(IRECT(10, 10, 190, 60), kOn, "OFF", "ON", IText(24.f)));
  const Image off = f.Frame("toggle-off");
  f.gfx->OnMouseDown({f.Point(100, 30)});
  f.gfx->OnMouseUp({f.Point(100, 30)});
  const Image on = f.Frame("toggle-on");
  EXPECT_LT(Marked(on, 10, 10, 190, 60), Marked(off, 10, 10, 190, 60)); // "ON" is narrower than "OFF"
  EXPECT_GT(Marked(on, 10, 10, 190, 60), 50);
}

TEST(ControlPixels, CaptionOfAnEnumerationHasItsMarker)
{
  PixelFixture f;
  f.gfx->AttachControl(new ICaptionControl(IRECT(10, 10, 110, 30), kMode, IText(14.f), kColorWhite, false));
  const Image img = f.Frame("caption");
  // The triangle at 50 % black around (100, 20), the middle of the right fifth: mid grey at its
  // wide top, nothing below its tip.
  EXPECT_TRUE(Near(img, 100, 18, 128, 128, 128, 40));
  EXPECT_TRUE(White(img, 100, 24));
  EXPECT_GT(Marked(img, 40, 10, 80, 30), 10); // "B"
}

TEST(ControlPixels, PlaceHolderCrossesItsBox)
{
  PixelFixture f;
  f.gfx->AttachControl(new PlaceHolder(IRECT(20, 20, 180, 100), ""));
  const Image img = f.Frame("placeholder");
  // The diagonal from (20, 20) to (180, 100), half-strength red over white.
  EXPECT_TRUE(Near(img, 170, 95, 255, 128, 128, 40));
  EXPECT_TRUE(White(img, 170, 40));
}

TEST(ControlPixels, BitmapFrameFollowsTheValue)
{
  PixelFixture f;
  // Three 10 x 10 frames stacked: red, green, blue.
  std::vector<uint8_t> px(10 * 30 * 4);
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 10; ++x)
    {
      uint8_t* p = &px[(y * 10 + x) * 4];
      p[y / 10] = 255;
      p[3] = 255;
    }
  const IBitmap bitmap = f.gfx->MakeBitmap(10, 30, px, 3);
  auto* c = new IBitmapControl(50, 50, bitmap, kGain);
  f.gfx->AttachControl(c);
  const int expected[3][3] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
  const double values[3] = {0.0, 0.5, 1.0};
  for (int i = 0; i < 3; ++i)
  {
    c->SetValue(values[i]);
    const Image img = f.Frame("bitmap-frame-" + std::to_string(i + 1));
    EXPECT_TRUE(Near(img, 55, 55, expected[i][0], expected[i][1], expected[i][2], 4)) << i;
    EXPECT_TRUE(White(img, 55, 62));
  }
}

TEST(ControlPixels, SVGWithAndWithoutItsLayer)
{
  PixelFixture f;
  static const char kShape[] = "<svg xmlns='http://www.w3.org/2000/svg' width='20' height='20'>"
                               "<rect x='0' y='0' width='10' height='20' fill='#ff0000'/></svg>";
  const ISVG svg = f.gfx->LoadSVG("half", static_cast<const void*>(kShape), static_cast<int>(sizeof(kShape) - 1));
  ASSERT_TRUE(svg.IsValid());
  auto* direct = new ISVGControl(IRECT(10, 10, 50, 50), svg, false);
  auto* cached = new ISVGControl(IRECT(110, 10, 150, 50), svg, true);
  f.gfx->AttachControl(direct);
  f.gfx->AttachControl(cached);
  const ILayer* layer = nullptr;
  for (int pass = 0; pass < 2; ++pass)
  {
    const Image img = f.Frame("svg-pass-" + std::to_string(pass + 1));
    EXPECT_TRUE(Near(img, 20, 30, 255, 0, 0, 4)) << pass;
    EXPECT_TRUE(White(img, 40, 30)) << pass;
    EXPECT_TRUE(Near(img, 120, 30, 255, 0, 0, 4)) << pass;
    EXPECT_TRUE(White(img, 140, 30)) << pass;
    ASSERT_TRUE(cached->GetLayer());
    if (pass == 1) { EXPECT_EQ(cached->GetLayer().get(), layer); } // drawn again, not rebuilt
    layer = cached->GetLayer().get();
  }
}

TEST(ControlPixels, PanelFillsAndFrames)
{
  PixelFixture f;
  f.gfx->AttachControl(new IPanelControl(IRECT(20.5f, 20.5f, 100.5f, 80.5f), IPattern(kColorBlue), true));
  const Image img = f.Frame("panel");
  EXPECT_TRUE(Near(img, 60, 50, 0, 0, 255, 4));
  EXPECT_TRUE(Near(img, 60, 20, 240, 240, 240, 40) || Near(img, 60, 20, 120, 120, 248, 60));
  EXPECT_TRUE(White(img, 60, 90));
}

TEST(ControlPixels, CornerResizerTriangleInTheCorner)
{
  PixelFixture f;
  f.gfx->AttachCornerResizer(kResizerScale, false, kColorRed, kColorGreen, kColorBlue, 20.f);
  const Image img = f.Frame("resizer");
  EXPECT_TRUE(Near(img, 197, 117, 255, 0, 0, 8));
  EXPECT_TRUE(White(img, 183, 103));
  // Hovered, it turns to the mouse-over colour.
  f.gfx->EnableMouseOver(true);
  f.gfx->OnMouseOver(197, 117, IMouseMod());
  EXPECT_TRUE(Near(f.Frame("resizer-hover"), 197, 117, 0, 255, 0, 8));
}

TEST(ControlPixels, BubbleFadesInBesideItsControl)
{
  PixelFixture f(300, 120);
  f.gfx->AttachBubbleControl(IText(14.f));
  auto* knob = new Bar<IKnobControlBase>(IRECT(20, 30, 40, 90), kGain, ShowBubbleHorizontalActionFunc);
  f.gfx->AttachControl(knob);
  f.gfx->OnMouseDown({f.Point(30, 60)});
  f.gfx->OnMouseDrag({f.Point(30, 50, 0, -10)});
  IRECTList rects;
  for (int i = 0; i < 25; ++i)
  {
    f.clock.now += 10.0;
    f.gfx->IsDirty(rects);
  }
  auto* bubble = dynamic_cast<IBubbleControl*>(f.gfx->GetBubbleControl(0));
  ASSERT_NE(bubble, nullptr);
  ASSERT_EQ(bubble->GetState(), IBubbleControl::kShowing);
  const Image img = f.Frame("bubble");
  const IRECT& b = bubble->GetBubbleRECT();
  // Its white inside (at 95 % over white) and its dark outline on the box's top edge.
  EXPECT_TRUE(White(img, static_cast<int>(b.MW()), static_cast<int>(b.T + 12)));
  EXPECT_LT(img.r(static_cast<int>(b.MW()), static_cast<int>(b.T + 10)), 100);
  EXPECT_GT(Marked(img, static_cast<int>(b.L + 10), static_cast<int>(b.T + 10), static_cast<int>(b.R - 10),
                   static_cast<int>(b.B - 10)),
            30); // the text
}

struct VShapes : IControl, IVectorBase
{
  VShapes(const IRECT& r, const IVStyle& style) : IControl(r), IVectorBase(style) { AttachIControl(this); }
  void Draw(IGfx& g) override
  {
    const IRECT& r = GetRECT();
    DrawPressableShape(g, kVShapeRoundedAll, IRECT(r.L, r.T, r.L + 40, r.B), false, false, false);
    DrawPressableShape(g, kVShapeRoundedEnds, IRECT(r.L + 50, r.T, r.L + 90, r.B), false, false, false);
    DrawPressableShape(g, kVShapeEllipse, IRECT(r.L + 100, r.T, r.L + 140, r.B), true, false, true);
    DrawPressableShape(g, 5, IRECT(r.L + 150, r.T, r.L + 190, r.B), false, false, false);
  }
};

TEST(ControlPixels, PressableShapesRoundTheirCorners)
{
  PixelFixture f;
  IVStyle style;
  style.roundness = 1.f;
  style.drawShadows = false;
  style.drawFrame = false;
  style.colors.SetColor(kForeground, kColorBlack);
  style.colors.SetColor(kPressed, IColor(255, 100, 150, 200));
  f.gfx->AttachControl(new VShapes(IRECT(5, 10, 195, 50), style));
  const Image img = f.Frame("pressable-shapes");
  EXPECT_TRUE(White(img, 6, 11));            // rounded top-left
  EXPECT_TRUE(White(img, 6, 48));            // rounded bottom-left
  EXPECT_TRUE(White(img, 56, 11));           // rounded-ends: top corner rounded
  EXPECT_TRUE(Near(img, 56, 48, 0, 0, 0));   // ... bottom corner square
  EXPECT_TRUE(Near(img, 125, 30, 37, 87, 137, 6)); // pressed and disabled: shifted by -63
  EXPECT_EQ(Marked(img, 155, 10, 195, 50), 0);     // shape 5: nothing
}

TEST(ControlPixels, FrameRateDisplayOnWhite)
{
  PixelFixture f(240, 80);
  f.gfx->ShowFPSDisplay(true);
  const Image img = f.Frame("fps-display");
  EXPECT_LT(img.r(9, 35), 200); // the black frame, half over the white outside
  // A fresh display plots every point at the top: the plot fills the display.
  EXPECT_TRUE(Near(img, 100, 30, 200, 200, 200, 8));
}

} // namespace
} // namespace fx::gfx::test
