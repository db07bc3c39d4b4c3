// The vector controls' shared drawing (pressable shapes, label, value, splash), the default
// style and the frame-rate display.

#include "graphics/IFPSDisplayControl.h"
#include "graphics/IVectorBase.h"
#include "tests/graphics/GfxTestSupport.h"

#include <gtest/gtest.h>

namespace fx::gfx::test {
namespace {

struct VControl : IControl, IVectorBase
{
  explicit VControl(const IRECT& r, const IVStyle& style = IVStyleDefault) : IControl(r), IVectorBase(style)
  {
    AttachIControl(this);
  }
  void Draw(IGfx&) override {}
  using IVectorBase::mStyle;
};

/** The fills recorded, as (A, R, G, B). */
std::vector<IColor> FillColors(const RecordingGfx& g)
{
  std::vector<IColor> out;
  for (const Call& c : g.All("PathFill"))
    out.emplace_back(static_cast<int>(c.a[3]), static_cast<int>(c.a[4]), static_cast<int>(c.a[5]),
                     static_cast<int>(c.a[6]));
  return out;
}

TEST(VectorStyle, DefaultIsTheLibraryDefault)
{
  const IVStyle& s = IVStyleDefault;
  EXPECT_TRUE(s.hideCursor && s.showLabel && s.showValue && s.drawFrame && s.drawShadows);
  EXPECT_FALSE(s.emboss);
  EXPECT_EQ(s.roundness, 0.f);
  EXPECT_EQ(s.frameThickness, 1.f);
  EXPECT_EQ(s.shadowOffset, 3.f);
  EXPECT_EQ(s.widgetFraction, 1.f);
  EXPECT_EQ(s.angle, 0.f);
  const IColor expected[kNumVColors] = {IColor(0, 0, 0, 0),     IColor(255, 200, 200, 200), IColor(255, 240, 240, 240),
                                        IColor(255, 70, 70, 70), IColor(10, 0, 0, 0),        IColor(60, 0, 0, 0),
                                        IColor(255, 0, 0, 0),    IColor(255, 0, 255, 0),     IColor(255, 0, 0, 255)};
  for (int i = 0; i < kNumVColors; ++i) EXPECT_EQ(s.colors[i], expected[i]) << i;
  EXPECT_STREQ(s.labelText.mFont, "Roboto-Regular");
  EXPECT_EQ(s.labelText.mSize, 19.f);
  EXPECT_EQ(s.labelText.mVAlign, kVAlignTop);
  EXPECT_EQ(s.valueText.mSize, 14.f);
  EXPECT_EQ(s.valueText.mVAlign, kVAlignBottom);
  EXPECT_EQ(s.valueText.mAlign, kAlignCenter);
  EXPECT_EQ(s.valueText.mFGColor, kColorBlack);
  EXPECT_EQ(s.valueText.mTextEntryBGColor, kColorWhite);
}

TEST(VectorBase, PressableShapesRoundTheirCornersByShape)
{
  EditorFixture f;
  IVStyle style;
  style.roundness = 1.f;
  style.drawShadows = false;
  style.drawFrame = false;
  VControl v(IRECT(0, 0, 40, 20), style);
  v.SetGraphics(f.gfx.get());
  auto arcs = [&](int shape) {
    f.gfx->Clear();
    v.DrawPressableShape(*f.gfx, shape, IRECT(0, 0, 40, 20), false, false, false);
    std::vector<Call> rounded;
    for (const Call& arc : f.gfx->All("PathArc"))
      if (arc.a[2] > 0) rounded.push_back(arc);
    return rounded;
  };
  EXPECT_EQ(arcs(kVShapeRectangle).size(), 4u);
  EXPECT_EQ(arcs(kVShapeRoundedAll).size(), 4u);
  const std::vector<Call> top = arcs(kVShapeRoundedEnds);
  ASSERT_EQ(top.size(), 2u);
  for (const Call& arc : top) EXPECT_EQ(arc.a[1], 10.f) << "centre on the top half"; // radius 10
  f.gfx->Clear();
  v.DrawPressableShape(*f.gfx, 5, IRECT(0, 0, 40, 20), false, false, false);
  v.DrawPressableShape(*f.gfx, 99, IRECT(0, 0, 40, 20), false, false, false);
  EXPECT_TRUE(f.gfx->calls.empty());
}

TEST(VectorBase, PressedHoveredAndDisabledColours)
{
  EditorFixture f;
  VControl v(IRECT(0, 0, 40, 20));
  v.SetGraphics(f.gfx.get());
  v.DrawPressableShape(*f.gfx, kVShapeRectangle, IRECT(0, 0, 40, 20), false, true, true);
  // Shadow, the face shifted by -63, then the hover highlight.
  EXPECT_EQ(FillColors(*f.gfx),
            (std::vector<IColor>{IColor(60, 0, 0, 0), IColor(255, 137, 137, 137), IColor(10, 0, 0, 0)}));
  EXPECT_EQ(f.gfx->Count("PathStroke"), 1); // the frame

  f.gfx->Clear();
  v.mStyle.colors.SetColor(kPressed, IColor(255, 30, 100, 250));
  v.DrawPressableShape(*f.gfx, kVShapeEllipse, IRECT(0, 0, 40, 20), true, false, true);
  EXPECT_EQ(FillColors(*f.gfx), (std::vector<IColor>{IColor(255, 0, 37, 187)})); // clamped at 0, no shadow

  // The face is inset by half the frame and kept clear of the shadow.
  EXPECT_EQ(v.GetPressableFaceBounds(IRECT(0, 0, 40, 20)), IRECT(3.5f, 0.5f, 36.5f, 16.5f));
}

TEST(VectorBase, SplashDrawsWhileAnimatingClippedToTheShape)
{
  EditorFixture f;
  auto* v = new VControl(IRECT(10, 10, 50, 50));
  v->SetActionFunction(SplashClickActionFunc);
  f.gfx->AttachControl(v);
  f.Down(20, 30);
  v->SetDirty(true);
  EXPECT_EQ(v->GetSplashX(), 20.f);
  EXPECT_EQ(v->GetSplashY(), 30.f);
  f.clock.now += 50.0;
  v->Animate();
  EXPECT_NEAR(v->GetSplashRadius(), 25.f, 1e-4);
  f.gfx->Clear();
  v->DrawPressableShape(*f.gfx, kVShapeRectangle, v->GetRECT(), false, false, false);
  const std::vector<Call> clips = f.gfx->All("SetClipRegion");
  ASSERT_GE(clips.size(), 2u);
  EXPECT_EQ(FillColors(*f.gfx).size(), 3u); // shadow, face, splash
}

TEST(FPSDisplay, StartsAtZeroCyclesModesAndAverages)
{
  EditorFixture f;
  f.gfx->ShowFPSDisplay(true);
  auto* d = dynamic_cast<IFPSDisplayControl*>(f.gfx->GetPerfDisplay());
  ASSERT_NE(d, nullptr);
  EXPECT_TRUE(d->IsDirty());
  EXPECT_EQ(d->GetColor(kBackground), kColorWhite);
  FxString main, second;
  d->GetFigures(main, second);
  EXPECT_STREQ(main.Get(), "0.00 FPS");
  EXPECT_STREQ(second.Get(), "0.00 ms");

  for (int i = 0; i < IFPSDisplayControlBase::kNumFrameTimes; ++i) d->AddFrameTime(0.02f);
  d->GetFigures(main, second);
  EXPECT_STREQ(main.Get(), "50.00 FPS");
  EXPECT_STREQ(second.Get(), "20.00 ms");
  f.Down(20, 20);
  d->GetFigures(main, second);
  EXPECT_STREQ(main.Get(), "20.00 ms");
  EXPECT_STREQ(second.Get(), "");
  f.Up(20, 20);
  f.Down(20, 20);
  d->GetFigures(main, second);
  EXPECT_STREQ(main.Get(), "0.0 %");
  f.Up(20, 20);
  f.Down(20, 20);
  EXPECT_EQ(d->GetMode(), IFPSDisplayControl::kFPS);

  // The plot: 100 points across the display at 50 of a full scale of 80 frames a second.
  f.gfx->Clear();
  d->Draw(*f.gfx);
  std::vector<Call> lines = f.gfx->All("PathLineTo");
  ASSERT_GE(lines.size(), 101u);
  lines.erase(lines.begin(), lines.end() - 101); // after the background's and the frame's
  EXPECT_FLOAT_EQ(lines[0].a[0], 10.f);
  EXPECT_NEAR(lines[0].a[1], 60.0 - 50.0 / 80.0 * 50.0, 0.05);
  EXPECT_FLOAT_EQ(lines[99].a[0], 210.f);
}

} // namespace
} // namespace fx::gfx::test
