// The drawing API on the recording back end: shapes as path primitives, text, bitmaps and
// bitmap-font text, and SVG images drawn from their record.

#include "tests/graphics/GfxTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>

namespace fx::gfx::test {
namespace {

// The path calls of the recording, as "op a0 a1 ..." with whole numbers where exact.
std::vector<std::string> PathOps(const RecordingGfx& g)
{
  std::vector<std::string> out;
  for (const Call& c : g.calls)
  {
    if (c.op.rfind("Path", 0) != 0 || c.op == "PathStroke" || c.op == "PathFill") continue;
    std::string s = c.op;
    for (double v : c.a)
    {
      char buf[32];
      std::snprintf(buf, sizeof(buf), " %g", v);
      s += buf;
    }
    out.push_back(s);
  }
  return out;
}

TEST(DrawingAPI, RoundedRectanglesAndTheirCorners)
{
  EditorFixture f;
  f.gfx->DrawRoundRect(kColorBlack, IRECT(0, 0, 20, 10), 0.f);
  EXPECT_EQ(PathOps(*f.gfx), (std::vector<std::string>{"PathClear", "PathMoveTo 0 0", "PathLineTo 20 0",
                                                         "PathLineTo 20 10", "PathLineTo 0 10", "PathClose"}));
  f.gfx->Clear();
  f.gfx->FillRoundRect(kColorBlack, IRECT(0, 0, 20, 10), -2.f);
  EXPECT_EQ(f.gfx->Count("PathArc"), 0);

  f.gfx->Clear();
  f.gfx->DrawRoundRect(kColorBlack, IRECT(0, 0, 20, 10), 4.f, 0.f, 0.f, 0.f);
  EXPECT_EQ(PathOps(*f.gfx),
            (std::vector<std::string>{"PathClear", "PathMoveTo 0 4", "PathArc 4 4 4 270 360 0", "PathArc 20 0 0 0 90 0",
                                      "PathArc 20 10 0 90 180 0", "PathArc 0 10 0 180 270 0", "PathClose"}));
  EXPECT_EQ(f.gfx->Count("PathStroke"), 1);
}

TEST(DrawingAPI, EllipsesCirclesAndArcs)
{
  EditorFixture f;
  f.gfx->DrawEllipse(kColorBlack, 10, 10, 0.f, 5.f);
  EXPECT_EQ(f.gfx->Count("PathArc"), 0);
  EXPECT_EQ(f.gfx->GetTransform(), IMatrix());

  f.gfx->Clear();
  f.gfx->FillEllipse(kColorBlack, IRECT(0, 0, 20, 10));
  // The unit circle, drawn through translate (10, 5) and scale (10, 5); the transform is restored.
  EXPECT_EQ(f.gfx->Find("PathMoveTo")->a, (std::vector<double>{0, -1}));
  const std::vector<Call> transforms = f.gfx->All("SetPathTransform");
  ASSERT_GE(transforms.size(), 4u);
  EXPECT_EQ(transforms[2].a, (std::vector<double>{10, 0, 0, 5, 10, 5}));
  EXPECT_EQ(transforms.back().a, (std::vector<double>{1, 0, 0, 1, 0, 0}));

  f.gfx->Clear();
  f.gfx->DrawCircle(kColorBlack, 50, 50, 10);
  EXPECT_EQ(PathOps(*f.gfx),
            (std::vector<std::string>{"PathClear", "PathMoveTo 50 40", "PathArc 50 50 10 0 360 0", "PathClose"}));
  f.gfx->Clear();
  f.gfx->FillArc(kColorBlack, 50, 50, 10, 0, 90);
  EXPECT_EQ(PathOps(*f.gfx),
            (std::vector<std::string>{"PathClear", "PathMoveTo 50 50", "PathArc 50 50 10 0 90 0", "PathClose"}));
  f.gfx->Clear();
  f.gfx->DrawArc(kColorBlack, 50, 50, 10, 90, 180);
  EXPECT_EQ(PathOps(*f.gfx), (std::vector<std::string>{"PathClear", "PathArc 50 50 10 90 180 0"}));
}

TEST(DrawingAPI, GridDataAndPolygons)
{
  EditorFixture f;
  f.gfx->DrawGrid(kColorBlack, IRECT(0, 0, 30, 30), 10, 10);
  EXPECT_EQ(PathOps(*f.gfx), (std::vector<std::string>{"PathClear", "PathMoveTo 10 0", "PathLineTo 10 30",
                                                         "PathMoveTo 20 0", "PathLineTo 20 30", "PathMoveTo 0 10",
                                                         "PathLineTo 30 10", "PathMoveTo 0 20", "PathLineTo 30 20"}));
  f.gfx->Clear();
  f.gfx->DrawGrid(kColorBlack, IRECT(0, 0, 30, 30), 1, 0.5f);
  EXPECT_EQ(PathOps(*f.gfx), (std::vector<std::string>{"PathClear"}));

  f.gfx->Clear();
  const float ys[] = {0.f, 1.f, 0.5f};
  const float xs[] = {0.9f, 0.25f, 1.f};
  f.gfx->DrawData(kColorBlack, IRECT(0, 0, 100, 10), ys, 3, xs);
  EXPECT_EQ(PathOps(*f.gfx), (std::vector<std::string>{"PathClear", "PathMoveTo 0 10", "PathLineTo 25 0",
                                                         "PathLineTo 100 5"}));
  f.gfx->Clear();
  f.gfx->DrawData(kColorBlack, IRECT(0, 0, 100, 10), ys, 1);
  EXPECT_EQ(PathOps(*f.gfx), (std::vector<std::string>{"PathClear", "PathMoveTo 0 10"}));

  // No points: nothing is read or drawn.
  f.gfx->Clear();
  f.gfx->DrawData(kColorBlack, IRECT(0, 0, 100, 10), ys, 0);
  f.gfx->FillConvexPolygon(kColorBlack, xs, ys, 0);
  f.gfx->DrawConvexPolygon(kColorBlack, nullptr, ys, 3);
  EXPECT_TRUE(f.gfx->calls.empty());
}

TEST(DrawingAPI, DashedLinesAndPatterns)
{
  EditorFixture f;
  f.gfx->DrawDottedLine(kColorRed, 0, 0, 10, 0, nullptr, 2.f, 3.f);
  const Call* stroke = f.gfx->Find("PathStroke");
  ASSERT_NE(stroke, nullptr);
  // type, extend, stops (1: A R G B offset), thickness, miter, cap, join, dash count, dash 0, ...
  EXPECT_EQ(std::vector<double>(stroke->a.begin(), stroke->a.begin() + 13),
            (std::vector<double>{0, 1, 1, 255, 255, 0, 0, 0, 2, 10, 0, 0, 1}));
  EXPECT_EQ(stroke->a[13], 3);

  IPattern gradient(kLinearPattern);
  for (int i = 0; i < 20; ++i) gradient.AddStop(kColorWhite, i / 20.f);
  EXPECT_EQ(gradient.NStops(), 16);
  IPattern solid(kColorRed);
  EXPECT_EQ(solid.mStops[1].mColor, kColorBlack);
  EXPECT_EQ(solid.mExtend, kExtendPad);
}

TEST(DrawingAPI, TextMeasureAndRotatedBounds)
{
  EditorFixture f;
  IRECT r(1, 2, 3, 4);
  EXPECT_EQ(f.gfx->MeasureText(IText(), "", r), 0.f);
  EXPECT_EQ(f.gfx->MeasureText(IText(), nullptr, r), 0.f);
  EXPECT_EQ(r, IRECT(1, 2, 3, 4));
  EXPECT_FLOAT_EQ(f.gfx->MeasureText(IText(), "abc", r), 18.f);
  f.gfx->DrawText(IText(), "", IRECT(0, 0, 10, 10));
  EXPECT_EQ(f.gfx->Count("DoDrawText"), 0);

  IText rotated;
  rotated.mAngle = 90.f;
  rotated.mAlign = kAlignNear;
  rotated.mVAlign = kVAlignTop;
  IRECT text(0, 0, 40, 10);
  double tx = 7, ty = 7;
  f.gfx->CalculateRotatedTextBounds(IText(), IRECT(), text, tx, ty);
  EXPECT_EQ(tx, 7); // angle 0: nothing changes
  f.gfx->CalculateRotatedTextBounds(rotated, IRECT(100, 100, 200, 200), text, tx, ty);
  EXPECT_NEAR(text.L, -10, 1e-4);
  EXPECT_NEAR(text.R, 0, 1e-4);
  EXPECT_NEAR(text.T, 0, 1e-4);
  EXPECT_NEAR(text.B, 40, 1e-4);
  EXPECT_NEAR(tx, 110, 1e-4);
  EXPECT_NEAR(ty, 100, 1e-4);
  IRECT measured(0, 0, 40, 10);
  f.gfx->MeasureRotatedTextBounds(rotated, IRECT(100, 100, 200, 200), measured);
  EXPECT_NEAR(measured.L, 100, 1e-4);
  EXPECT_NEAR(measured.B, 140, 1e-4);
}

TEST(DrawingAPI, BitmapFramesAndBitmapFontText)
{
  EditorFixture f;
  FakeBitmap api(100, 50, 1.f);
  const IBitmap strip(&api, 100, 50, 5, true, "strip");
  f.gfx->DrawBitmapFrame(strip, IRECT(0, 0, 20, 50), 3);
  EXPECT_EQ(f.gfx->Find("DrawBitmap")->a, (std::vector<double>{0, 0, 20, 50, 40, 0, 1}));
  f.gfx->Clear();
  f.gfx->DrawBitmapFrame(strip, IRECT(0, 0, 20, 50), 99);
  EXPECT_EQ(f.gfx->Find("DrawBitmap")->a[4], 80);
  f.gfx->Clear();
  f.gfx->DrawBitmapFrame(IBitmap(), IRECT(0, 0, 20, 50), 1); // an empty bitmap draws nothing
  f.gfx->DrawFittedBitmap(IBitmap(), IRECT(0, 0, 20, 50));
  EXPECT_TRUE(f.gfx->calls.empty());

  // A font of 96 frames stacked: "A" (65) is frame 34; control codes and high bytes frame 1.
  FakeBitmap fontApi(6, 12 * 96, 1.f);
  const IBitmap font(&fontApi, 6, 12 * 96, 96, false, "font");
  IText near;
  near.mAlign = kAlignNear;
  f.gfx->DrawBitmapedText(font, IRECT(0, 0, 12, 12), near, nullptr, "A\t\xE9Z", false);
  const std::vector<Call> draws = f.gfx->All("DrawBitmap");
  ASSERT_EQ(draws.size(), 2u); // two cells fit on one line
  EXPECT_EQ(draws[0].a, (std::vector<double>{0, 0, 6, 12, 0, 33 * 12, 1}));
  EXPECT_EQ(draws[1].a, (std::vector<double>{6, 0, 12, 12, 0, 0, 1}));
}

svg::SVGPath Square(float x0, float y0, float x1, float y1)
{
  svg::SVGPath p;
  // Four straight cubic segments around the square.
  const float pts[][2] = {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}, {x0, y0}};
  p.pts = {x0, y0};
  for (int i = 0; i < 4; ++i)
  {
    const float* a = pts[i];
    const float* b = pts[i + 1];
    p.pts.insert(p.pts.end(), {a[0], a[1], b[0], b[1], b[0], b[1]});
  }
  p.closed = true;
  p.bounds[0] = std::min(x0, x1);
  p.bounds[1] = std::min(y0, y1);
  p.bounds[2] = std::max(x0, x1);
  p.bounds[3] = std::max(y0, y1);
  return p;
}

TEST(DrawingAPI, SVGShapesHolesAndPaints)
{
  EditorFixture f;
  svg::SVGImage image;
  image.width = 100;
  image.height = 50;
  svg::SVGShape ring;
  ring.paths = {Square(0, 0, 40, 40), Square(10, 10, 30, 30)};
  ring.fill.type = svg::SVGPaintType::Color;
  ring.fill.color = 0xFF0000FF; // opaque red
  ring.stroke.type = svg::SVGPaintType::Color;
  ring.stroke.color = 0x80FF0000; // blue at stroke-opacity 0.5
  ring.opacity = 0.5f;
  ring.strokeWidth = 2.f;
  ring.strokeLineJoin = svg::SVGLineJoin::Round;
  ring.strokeDashCount = 2;
  ring.strokeDashArray[0] = 4;
  ring.strokeDashArray[1] = 2;
  svg::SVGShape hidden = ring;
  hidden.visible = false;
  svg::SVGShape gradient;
  gradient.paths = {Square(0, 0, 10, 10)};
  gradient.fill.type = svg::SVGPaintType::LinearGradient;
  gradient.fill.gradient = std::make_shared<svg::SVGGradient>();
  gradient.fill.gradient->spread = svg::SVGSpread::Reflect;
  for (int i = 0; i < 20; ++i) gradient.fill.gradient->stops.push_back({0x80112233u, i / 20.f});
  gradient.opacity = 0.5f;
  image.shapes = {ring, hidden, gradient};

  f.gfx->DrawSVG(ISVG(&image), IRECT(10, 20, 210, 220));
  // Anchored at the top-left, scaled by min(200 / 100, 200 / 50) = 2.
  EXPECT_EQ(f.gfx->All("SetPathTransform")[1].a, (std::vector<double>{2, 0, 0, 2, 10, 20}));
  const std::vector<Call> windings = f.gfx->All("PathSetWinding");
  ASSERT_EQ(windings.size(), 3u);
  EXPECT_EQ(windings[0].a[0], 0); // the outer square is solid
  EXPECT_EQ(windings[1].a[0], 1); // the inner one is a hole
  EXPECT_EQ(windings[2].a[0], 0);
  EXPECT_EQ(f.gfx->Count("PathCubicBezierTo"), 12);

  const std::vector<Call> fills = f.gfx->All("PathFill");
  ASSERT_EQ(fills.size(), 2u);
  // Solid red at opacity 0.5: alpha 128; winding rule kept, path preserved for the stroke.
  EXPECT_EQ(fills[0].a, (std::vector<double>{0, 1, 1, 128, 255, 0, 0, 0, 2, 1, 1}));
  const std::vector<Call> strokes = f.gfx->All("PathStroke");
  ASSERT_EQ(strokes.size(), 1u);
  EXPECT_EQ(strokes[0].a[3], 64); // stroke-opacity 0.5 times opacity 0.5
  EXPECT_EQ(strokes[0].a[6], 255);
  EXPECT_EQ(strokes[0].a[8], 2);  // width
  EXPECT_EQ(strokes[0].a[11], 1); // round join
  EXPECT_EQ(strokes[0].a[12], 2); // dash count
  // The gradient keeps 16 opaque stops whatever the opacity; reflect spread gives extend 2.
  EXPECT_EQ(fills[1].a[0], 1);
  EXPECT_EQ(fills[1].a[1], 2);
  EXPECT_EQ(fills[1].a[2], 16);
  EXPECT_EQ(fills[1].a[3], 255);
  EXPECT_EQ(fills[1].a[4], 0x33);
  EXPECT_EQ(fills[1].a[6], 0x11);
  EXPECT_EQ(f.gfx->GetTransform(), IMatrix());
}

TEST(DrawingAPI, EmptyOrZeroSizeSVGDrawsNothing)
{
  EditorFixture f;
  f.gfx->DrawSVG(ISVG(), IRECT(0, 0, 10, 10));
  svg::SVGImage empty;
  f.gfx->DrawSVG(ISVG(&empty), IRECT(0, 0, 10, 10));
  f.gfx->DrawRotatedSVG(ISVG(&empty), 5, 5, 10, 10, 45.0);
  EXPECT_EQ(f.gfx->Count("PathFill") + f.gfx->Count("PathStroke") + f.gfx->Count("PathMoveTo"), 0);
  EXPECT_EQ(f.gfx->GetTransform(), IMatrix());
}

} // namespace
} // namespace fx::gfx::test
