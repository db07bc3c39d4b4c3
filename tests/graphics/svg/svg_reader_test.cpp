// The SVG reader's image record: geometry, styles, paints, units and references.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "tests/graphics/svg/SVGTestParse.h"

namespace fx::svg {
namespace {

using test::parse;
using test::parseBody;

// The on-curve points of a path (start and every segment's end).
std::vector<std::pair<float, float>> ends(const SVGPath& p) {
  std::vector<std::pair<float, float>> out;
  for (int i = 0; i < p.npts(); i += 3) out.emplace_back(p.pts[2 * i], p.pts[2 * i + 1]);
  return out;
}

using Points = std::vector<std::pair<float, float>>;

TEST(SVGReader, PathCommandsAbsoluteRelativeAndImplicit) {
  auto img = parseBody("<path d='M10 20 h10 v10 H0 V5 l5-5 L 1 2 3 4 z m 1 1 2 2 Z'/>");
  ASSERT_TRUE(img);
  ASSERT_EQ(img->shapes.size(), 1u);
  const auto& paths = img->shapes[0].paths;
  ASSERT_EQ(paths.size(), 2u);
  EXPECT_EQ(ends(paths[0]), (Points{{10, 20}, {20, 20}, {20, 30}, {0, 30}, {0, 5}, {5, 0}, {1, 2}, {3, 4}, {10, 20}}));
  EXPECT_TRUE(paths[0].closed);
  // The relative move after Z starts from the closed sub-path's start; its extra pair is a line.
  EXPECT_EQ(ends(paths[1]), (Points{{11, 21}, {13, 23}, {11, 21}}));
  // Lines are cubics with controls at thirds.
  EXPECT_FLOAT_EQ(paths[0].pts[2], 10 + 10 / 3.f);
  EXPECT_FLOAT_EQ(paths[0].pts[4], 20 - 10 / 3.f);
}

TEST(SVGReader, SmoothCurvesReflectThePreviousControlPoint) {
  auto img = parseBody("<path d='M0 0 C 10 0 20 10 30 10 S 50 20 60 0 Q 70 -10 80 0 T 100 0 t 20 0'/>");
  ASSERT_TRUE(img);
  const auto& p = img->shapes[0].paths[0].pts;
  ASSERT_EQ(p.size(), 2u * 16);
  // S: first control is (20, 10) reflected about (30, 10).
  EXPECT_FLOAT_EQ(p[8], 40);
  EXPECT_FLOAT_EQ(p[9], 10);
  // Q (70, -10) from (60, 0) to (80, 0) as a cubic: controls 2/3 of the way to the control point.
  EXPECT_NEAR(p[14], 60 + 2.0 / 3 * 10, 1e-4);
  EXPECT_NEAR(p[15], -20.0 / 3, 1e-4);
  // T reflects (70, -10) about (80, 0) to (90, 10); the next t reflects that about (100, 0).
  EXPECT_NEAR(p[21], 2.0 / 3 * 10, 1e-4);
  EXPECT_NEAR(p[27], -2.0 / 3 * 10, 1e-4);
  EXPECT_FLOAT_EQ(p[30], 120);
}

TEST(SVGReader, BadPathDataKeepsWhatCameBefore) {
  for (const char* d : {"M0 0 L10 0 L20 x 30 30", "M0 0 L10 0 Q", "M0 0 L10 0 Z 5 5", "M0 0 L10 0 #"}) {
    auto img = parseBody(std::string("<path d='") + d + "'/>");
    ASSERT_TRUE(img) << d;
    ASSERT_EQ(img->shapes.size(), 1u) << d;
    EXPECT_EQ(ends(img->shapes[0].paths[0]).at(1), (std::pair<float, float>{10, 0})) << d;
  }
  // Data that does not open with a move draws nothing.
  EXPECT_TRUE(parseBody("<path d='L10 10 20 20'/>")->shapes.empty());
}

// Largest distance of the curve (sampled) from the ellipse (cx, cy, rx, ry).
double ellipseError(const SVGPath& p, double cx, double cy, double rx, double ry) {
  double worst = 0;
  for (int i = 0; i + 3 < p.npts(); i += 3)
    for (double t = 0; t <= 1; t += 0.125) {
      const double u = 1 - t;
      double xy[2];
      for (int c = 0; c < 2; c++)
        xy[c] = u * u * u * p.pts[2 * i + c] + 3 * u * u * t * p.pts[2 * i + 2 + c] +
                3 * u * t * t * p.pts[2 * i + 4 + c] + t * t * t * p.pts[2 * i + 6 + c];
      const double nx = (xy[0] - cx) / rx, ny = (xy[1] - cy) / ry;
      worst = std::max(worst, std::fabs(std::hypot(nx, ny) - 1) * std::max(rx, ry));
    }
  return worst;
}

TEST(SVGReader, ArcsBecomeCubicsOnTheEllipse) {
  // From (0, 50) to (100, 50) on a circle of radius 50: the four flag pairs pick the arcs.
  struct Flags {
    const char* flags;
    double cy;  // centre of the circle the arc lies on
    int segments;
    float midY; // y where the arc crosses x = 50
  };
  for (const Flags& f : {Flags{"0 0", 50, 2, 0}, Flags{"0 1", 50, 2, 0}, Flags{"1 0", 50, 2, 100},
                         Flags{"1 1", 50, 2, 0}}) {
    auto img = parseBody(std::string("<path d='M0 50 A50 50 0 ") + f.flags + " 100 50'/>");
    const SVGPath& p = img->shapes[0].paths[0];
    EXPECT_EQ(p.npts(), 1 + 3 * f.segments) << f.flags;
    EXPECT_LT(ellipseError(p, 50, f.cy, 50, 50), 0.03) << f.flags;
    EXPECT_FLOAT_EQ(p.pts[2 * (p.npts() - 1)], 100);
  }
  // A smaller arc: radius 30 between points 40 apart; large and sweep flags give the long way
  // round the centre above or below the chord.
  auto small = parseBody("<path d='M30 50 A30 30 0 0 1 70 50'/><path d='M30 50 A30 30 0 1 1 70 50'/>");
  const double h = std::sqrt(30.0 * 30 - 20 * 20);
  EXPECT_LT(ellipseError(small->shapes[0].paths[0], 50, 50 + h, 30, 30), 0.02);
  EXPECT_LT(ellipseError(small->shapes[1].paths[0], 50, 50 - h, 30, 30), 0.02);
  EXPECT_EQ(small->shapes[1].paths[0].npts(), 1 + 3 * 4);  // 276 degrees: four cubics of at most 90
  // A rotated ellipse: the end point is hit exactly, and mid points lie on the rotated ellipse.
  auto rot = parseBody("<path d='M0 0 A40 20 30 1 1 30 10'/>");
  const SVGPath& r = rot->shapes[0].paths[0];
  EXPECT_FLOAT_EQ(r.pts[2 * (r.npts() - 1)], 30);
  EXPECT_FLOAT_EQ(r.pts[2 * (r.npts() - 1) + 1], 10);
}

TEST(SVGReader, ArcEdgeCases) {
  // Radii too small for the chord grow to a half circle.
  auto grown = parseBody("<path d='M0 0 A1 1 0 0 1 100 0'/>");
  EXPECT_LT(ellipseError(grown->shapes[0].paths[0], 50, 0, 50, 50), 0.03);
  // A zero radius is a straight line; equal end points draw nothing but keep the path going.
  auto line = parseBody("<path d='M0 0 A0 10 0 0 1 100 0 A10 10 0 0 1 100 0 L100 10'/>");
  EXPECT_EQ(ends(line->shapes[0].paths[0]), (Points{{0, 0}, {100, 0}, {100, 10}}));
  // Flags packed against the numbers after them, and negative radii taken by size.
  auto packed = parseBody("<path d='M0 0a-50 50 0 0150 50'/>");
  EXPECT_EQ(ends(packed->shapes[0].paths[0]).back(), (std::pair<float, float>{50, 50}));
  // A flag that is not 0 or 1 ends the data.
  EXPECT_EQ(parseBody("<path d='M0 0 L1 1 A5 5 0 2 1 9 9'/>")->shapes[0].paths[0].npts(), 4);
}

TEST(SVGReader, BasicShapes) {
  auto img = parseBody(
      "<rect id='r' x='10' y='20' width='40' height='30' rx='5'/>"  // ry follows rx
      "<rect x='0' y='0' width='10' height='10' rx='20' ry='1'/>"    // rx limited to half the width
      "<circle cx='50' cy='50' r='10'/>"
      "<ellipse cx='50' cy='50' rx='20' ry='5'/>"
      "<line x1='1' y1='2' x2='3' y2='4'/>"
      "<polyline points='0,0 10,0 10,10 5'/>"
      "<polygon points='0 0 10 0 10 10'/>"
      "<rect width='0' height='10'/><rect width='-5' height='10'/><circle r='0'/><ellipse rx='5'/>");
  ASSERT_EQ(img->shapes.size(), 7u);
  const SVGPath& rr = img->shapes[0].paths[0];
  EXPECT_STREQ(img->shapes[0].id, "r");
  EXPECT_EQ(ends(rr), (Points{{15, 20}, {45, 20}, {50, 25}, {50, 45}, {45, 50}, {15, 50}, {10, 45}, {10, 25}, {15, 20}}));
  EXPECT_TRUE(rr.closed);
  EXPECT_EQ(ends(img->shapes[1].paths[0]).at(2), (std::pair<float, float>{10, 1}));
  // Circles start at 3 o'clock and turn towards 6 o'clock (the positive angle direction).
  EXPECT_EQ(ends(img->shapes[2].paths[0]), (Points{{60, 50}, {50, 60}, {40, 50}, {50, 40}, {60, 50}}));
  const float* cb = img->shapes[3].bounds;
  EXPECT_FLOAT_EQ(cb[0], 30);
  EXPECT_FLOAT_EQ(cb[1], 45);
  EXPECT_FLOAT_EQ(cb[2], 70);
  EXPECT_FLOAT_EQ(cb[3], 55);
  EXPECT_EQ(ends(img->shapes[4].paths[0]), (Points{{1, 2}, {3, 4}}));
  EXPECT_FALSE(img->shapes[4].paths[0].closed);
  EXPECT_EQ(ends(img->shapes[5].paths[0]), (Points{{0, 0}, {10, 0}, {10, 10}}));  // odd coordinate dropped
  EXPECT_FALSE(img->shapes[5].paths[0].closed);
  EXPECT_TRUE(img->shapes[6].paths[0].closed);
  EXPECT_EQ(ends(img->shapes[6].paths[0]).back(), (std::pair<float, float>{0, 0}));
}

TEST(SVGReader, BoundsHoldTheCurveNotItsControlPoints) {
  auto img = parseBody("<path d='M0 0 C 0 100 100 100 100 0'/>");
  const float* b = img->shapes[0].paths[0].bounds;
  EXPECT_FLOAT_EQ(b[3], 75);  // the curve's peak, not the controls at 100
  EXPECT_FLOAT_EQ(b[2], 100);
}

TEST(SVGReader, StylesInheritAndTheStyleAttributeWins) {
  auto img = parseBody(
      "<g fill='red' stroke='blue' stroke-width='3' stroke-linejoin='round' stroke-linecap='square' "
      "   stroke-miterlimit='7' fill-rule='evenodd' opacity='0.5'>"
      "  <rect width='1' height='1'/>"
      "  <g style='fill: #0f0; stroke-width: 2' fill='black' opacity='0.5'>"
      "    <rect width='1' height='1' fill-opacity='0.25' stroke='inherit' stroke-linejoin='bevel'/>"
      "    <rect width='1' height='1' fill='bogus' stroke-width='-1' stroke-miterlimit='0.5' stroke='none'/>"
      "  </g>"
      "</g>");
  ASSERT_EQ(img->shapes.size(), 3u);
  const SVGShape& a = img->shapes[0];
  EXPECT_EQ(a.fill.type, SVGPaintType::Color);
  EXPECT_EQ(a.fill.color, 0xFF0000FFu);
  EXPECT_EQ(a.stroke.color, 0xFFFF0000u);
  EXPECT_FLOAT_EQ(a.strokeWidth, 3);
  EXPECT_EQ(a.strokeLineJoin, SVGLineJoin::Round);
  EXPECT_EQ(a.strokeLineCap, SVGLineCap::Square);
  EXPECT_FLOAT_EQ(a.miterLimit, 7);
  EXPECT_EQ(a.fillRule, SVGFillRule::EvenOdd);
  EXPECT_FLOAT_EQ(a.opacity, 0.5f);
  const SVGShape& b = img->shapes[1];
  EXPECT_EQ(b.fill.color, 0x4000FF00u);  // fill-opacity in the alpha byte
  EXPECT_FLOAT_EQ(b.strokeWidth, 2);
  EXPECT_EQ(b.stroke.color, 0xFFFF0000u);
  EXPECT_EQ(b.strokeLineJoin, SVGLineJoin::Bevel);
  EXPECT_FLOAT_EQ(b.opacity, 0.25f);  // the element's opacity times its groups'
  // Invalid values leave the inherited ones.
  const SVGShape& c = img->shapes[2];
  EXPECT_EQ(c.fill.color, 0xFF00FF00u);
  EXPECT_FLOAT_EQ(c.miterLimit, 7);
  EXPECT_EQ(c.stroke.type, SVGPaintType::None);
}

TEST(SVGReader, Colours) {
  const std::pair<const char*, SVGColor> cases[] = {
      {"#abc", 0xFFCCBBAA},          {"#A0b1C2", 0xFFC2B1A0},      {"rgb(1, 2, 3)", 0xFF030201},
      {"rgb(100%,50%,0%)", 0xFF0080FF}, {"rgb(300,-5,20)", 0xFF1400FF}, {"DarkOliveGreen", 0xFF2F6B55},
      {"yellowgreen", 0xFF32CD9A},   {"aliceblue", 0xFFFFF8F0},    {" white ", 0xFFFFFFFF},
  };
  for (const auto& [text, want] : cases) {
    auto img = parseBody(std::string("<rect width='1' height='1' fill='") + text + "'/>");
    EXPECT_EQ(img->shapes[0].fill.color, want) << text;
  }
  for (const char* bad : {"#ab", "#abcd", "rgb(1,2)", "rgb(1 2 3)", "notacolour", "#gggggg", "rgb(1,2,3"}) {
    auto img = parseBody(std::string("<g fill='#010203'><rect width='1' height='1' fill='") + bad + "'/></g>");
    EXPECT_EQ(img->shapes[0].fill.color, 0xFF030201u) << bad;
  }
  auto cur = parseBody("<g color='lime'><rect width='1' height='1' fill='currentColor' stroke='url(#none) #f00'/></g>");
  EXPECT_EQ(cur->shapes[0].fill.color, 0xFF00FF00u);
  EXPECT_EQ(cur->shapes[0].stroke.color, 0xFF0000FFu);  // the fallback of a missing reference
}

TEST(SVGReader, VisibilityAndDisplay) {
  auto img = parseBody(
      "<g visibility='hidden'><rect id='a' width='1' height='1'/><rect id='b' width='1' height='1' "
      "visibility='visible'/></g><g display='none'><rect id='c' width='1' height='1'/></g>"
      "<rect id='d' width='1' height='1' style='display:none'/>");
  ASSERT_EQ(img->shapes.size(), 2u);
  EXPECT_FALSE(img->shapes[0].visible);
  EXPECT_TRUE(img->shapes[1].visible);
}

TEST(SVGReader, StrokeLengthsFollowTheTransform) {
  auto img = parseBody(
      "<g transform='scale(2)'><line x2='10' stroke='red' stroke-width='3' stroke-dasharray='1 2 3' "
      "stroke-dashoffset='1.5'/></g>"
      "<line x2='10' stroke='red' stroke-width='0'/>"
      "<line x2='10' stroke='red' stroke-dasharray='1,2,3,4,5,6,7,8,9,10'/>"
      "<line x2='10' stroke='red' stroke-dasharray='0 0'/>"
      "<g stroke-dasharray='4 4'><line x2='10' stroke='red' stroke-dasharray='1 -2'/></g>"
      "<line x2='10' stroke='red' stroke-dasharray='1e-30 1e-30' transform='scale(1e-20)'/>");
  const SVGShape& a = img->shapes[0];
  EXPECT_FLOAT_EQ(a.strokeWidth, 6);
  ASSERT_EQ(a.strokeDashCount, 6);  // an odd list repeats
  const float want[6] = {2, 4, 6, 2, 4, 6};
  for (int i = 0; i < 6; i++) EXPECT_FLOAT_EQ(a.strokeDashArray[i], want[i]);
  EXPECT_FLOAT_EQ(a.strokeDashOffset, 3);
  EXPECT_EQ(img->shapes[1].stroke.type, SVGPaintType::None);  // zero width: no stroke
  EXPECT_EQ(img->shapes[2].strokeDashCount, kSVGMaxDashes);
  EXPECT_FLOAT_EQ(img->shapes[2].strokeDashArray[7], 8);
  EXPECT_EQ(img->shapes[3].strokeDashCount, 0);  // all zero: solid
  EXPECT_EQ(img->shapes[4].strokeDashCount, 2);  // a negative entry: the inherited dashes stay
  EXPECT_EQ(img->shapes[5].strokeDashCount, 0);  // scaled to nothing: solid, never endless dashes
}

TEST(SVGReader, UnitsAndDpi) {
  const std::string doc =
      "<svg xmlns='http://www.w3.org/2000/svg' width='2in' height='36pt'>"
      "<rect x='1in' y='6pc' width='25.4mm' height='2.54cm'/>"
      "<g font-size='10'><rect x='2em' y='1ex' width='50%' height='50%'/></g></svg>";
  auto px72 = parse(doc, "px", 72);
  EXPECT_FLOAT_EQ(px72->width, 144);
  EXPECT_FLOAT_EQ(px72->height, 36);
  EXPECT_FLOAT_EQ(px72->shapes[0].bounds[0], 72);
  EXPECT_FLOAT_EQ(px72->shapes[0].bounds[1], 72);
  EXPECT_FLOAT_EQ(px72->shapes[0].bounds[2], 144);
  EXPECT_FLOAT_EQ(px72->shapes[1].bounds[0], 20);
  EXPECT_FLOAT_EQ(px72->shapes[1].bounds[1], 5);
  EXPECT_FLOAT_EQ(px72->shapes[1].bounds[2], 20 + 72);  // half of the 144 px viewport
  auto in96 = parse(doc, "in", 96);
  EXPECT_FLOAT_EQ(in96->width, 2);
  EXPECT_FLOAT_EQ(in96->shapes[0].bounds[0], 1);
  auto mm = parse(doc, "mm", 96);
  EXPECT_NEAR(mm->width, 50.8, 1e-4);
  // A dpi that is not a positive number reads as 96.
  for (float bad : {0.f, -3.f, std::nanf(""), INFINITY}) EXPECT_FLOAT_EQ(parse(doc, "px", bad)->width, 192) << bad;
  EXPECT_FLOAT_EQ(parse(doc, "furlongs", 96)->width, 192);
}

// Where a point of the document lands in the image.
std::pair<float, float> landing(const std::string& svgAttrs, float x, float y) {
  auto img = parse("<svg xmlns='http://www.w3.org/2000/svg' " + svgAttrs + "><path d='M" + std::to_string(x) + " " +
                   std::to_string(y) + " h0.001'/></svg>");
  return {img->shapes[0].paths[0].pts[0], img->shapes[0].paths[0].pts[1]};
}

TEST(SVGReader, ViewBoxAndPreserveAspectRatio) {
  using P = std::pair<float, float>;
  const std::string box = "width='200' height='100' viewBox='10 10 50 50' ";
  EXPECT_EQ(landing(box, 10, 10), (P{50, 0}));  // meet, centred: scale 2, 50 px margins
  EXPECT_EQ(landing(box, 60, 60), (P{150, 100}));
  EXPECT_EQ(landing(box + "preserveAspectRatio='xMinYMin'", 10, 10), (P{0, 0}));
  EXPECT_EQ(landing(box + "preserveAspectRatio='xMaxYMax meet'", 60, 60), (P{200, 100}));
  EXPECT_EQ(landing(box + "preserveAspectRatio='none'", 60, 60), (P{200, 100}));
  EXPECT_EQ(landing(box + "preserveAspectRatio='none'", 35, 35), (P{100, 50}));
  EXPECT_EQ(landing(box + "preserveAspectRatio='xMidYMax slice'", 10, 60), (P{0, 100}));  // scale 4
  EXPECT_EQ(landing(box + "preserveAspectRatio='xMidYMin slice'", 35, 10), (P{100, 0}));
  // No size: the viewBox gives it; a percentage scales it.
  auto sized = parse("<svg xmlns='http://www.w3.org/2000/svg' viewBox='0 0 30 40' width='50%'/>");
  EXPECT_FLOAT_EQ(sized->width, 15);
  EXPECT_FLOAT_EQ(sized->height, 40);
  // A viewBox of zero size draws nothing; a negative one is ignored.
  EXPECT_TRUE(parse("<svg viewBox='0 0 0 10' width='10' height='10'><rect width='5' height='5'/></svg>")->shapes.empty());
  EXPECT_EQ(landing("width='10' height='10' viewBox='0 0 -5 5'", 3, 3), (P{3, 3}));
  // Without size or viewBox the image reaches as far as its shapes.
  auto bare = parse("<svg><rect x='5' y='6' width='10' height='20'/></svg>");
  EXPECT_FLOAT_EQ(bare->width, 15);
  EXPECT_FLOAT_EQ(bare->height, 26);
}

TEST(SVGReader, TransformLists) {
  using P = std::pair<float, float>;
  auto at = [](const char* t) {
    auto img = parseBody(std::string("<g transform='") + t + "'><path d='M10 0 h1'/></g>");
    return P{img->shapes[0].paths[0].pts[0], img->shapes[0].paths[0].pts[1]};
  };
  auto near = [](P a, P b) { return std::fabs(a.first - b.first) < 1e-4 && std::fabs(a.second - b.second) < 1e-4; };
  EXPECT_TRUE(near(at("translate(5)"), P{15, 0}));
  EXPECT_TRUE(near(at("translate(5,6) scale(2)"), P{25, 6}));
  EXPECT_TRUE(near(at("rotate(90)"), P{0, 10}));
  EXPECT_TRUE(near(at("rotate(90 10 10)"), P{20, 10}));
  EXPECT_TRUE(near(at("skewY(45)"), P{10, 10}));
  EXPECT_TRUE(near(at("matrix(1 2 3 4 5 6)"), P{15, 26}));
  EXPECT_TRUE(near(at("scale(2,3)skewX(10)"), P{20, 0}));
  // A list that does not parse is ignored as a whole.
  EXPECT_TRUE(near(at("translate(5) bogus(1)"), P{10, 0}));
  EXPECT_TRUE(near(at("matrix(1 2 3)"), P{10, 0}));
}

TEST(SVGReader, LinearGradientsMapTheShapeToUnitSpace) {
  auto img = parseBody(
      "<defs><linearGradient id='base' x1='0.25' x2='0.75' spreadMethod='reflect'>"
      "<stop offset='-1' stop-color='red'/><stop offset='0.6' stop-color='lime' stop-opacity='0.5'/>"
      "<stop offset='0.4' style='stop-color:blue'/><stop offset='200%' stop-color='white'/></linearGradient>"
      "<linearGradient id='child' xlink:href='#base' y2='1' x2='0.25'/>"
      "<linearGradient id='user' href='#base' gradientUnits='userSpaceOnUse' x1='10' y1='0' x2='10' y2='50' "
      "gradientTransform='translate(5 0)'/></defs>"
      "<rect x='10' y='20' width='40' height='20' fill='url(#base)' fill-opacity='0.5'/>"
      "<rect x='10' y='20' width='40' height='20' fill='url(#child)'/>"
      "<g transform='translate(100 0)'><rect width='1' height='1' fill='url(#user)'/></g>");
  ASSERT_EQ(img->shapes.size(), 3u);
  const SVGPaint& base = img->shapes[0].fill;
  ASSERT_EQ(base.type, SVGPaintType::LinearGradient);
  const SVGGradient& g = *base.gradient;
  EXPECT_EQ(g.spread, SVGSpread::Reflect);
  ASSERT_EQ(g.stops.size(), 4u);
  // Offsets clamped to 0..1 and never going back; stop and fill opacity in the alpha byte.
  EXPECT_FLOAT_EQ(g.stops[0].offset, 0);
  EXPECT_FLOAT_EQ(g.stops[2].offset, 0.6f);
  EXPECT_FLOAT_EQ(g.stops[3].offset, 1);
  EXPECT_EQ(g.stops[0].color, 0x800000FFu);
  EXPECT_EQ(g.stops[1].color, 0x4000FF00u);
  EXPECT_EQ(g.stops[2].color, 0x80FF0000u);
  double x, y;
  test::fromUnit(g, 0, 0, x, y);  // start: a quarter across the box
  EXPECT_NEAR(x, 20, 1e-4);
  EXPECT_NEAR(y, 20, 1e-4);
  test::fromUnit(g, 0, 1, x, y);
  EXPECT_NEAR(x, 40, 1e-4);
  // The child keeps the parent's stops, x1 and spread, and overrides the end point.
  const SVGGradient& c = *img->shapes[1].fill.gradient;
  EXPECT_EQ(c.stops.size(), 4u);
  EXPECT_EQ(c.spread, SVGSpread::Reflect);
  test::fromUnit(c, 0, 1, x, y);
  EXPECT_NEAR(x, 20, 1e-4);
  EXPECT_NEAR(y, 40, 1e-4);
  // User space: the referencing element's transform, then the gradient's own.
  const SVGGradient& u = *img->shapes[2].fill.gradient;
  test::fromUnit(u, 0, 1, x, y);
  EXPECT_NEAR(x, 115, 1e-4);
  EXPECT_NEAR(y, 50, 1e-4);
}

TEST(SVGReader, RadialGradientsAndDegenerateOnes) {
  auto img = parseBody(
      "<defs><radialGradient id='r' fx='1' fy='0.5' spreadMethod='repeat'><stop offset='0' stop-color='red'/>"
      "<stop offset='1' stop-color='blue'/></radialGradient>"
      "<radialGradient id='oval' xlink:href='#r' gradientTransform='scale(1 0.5)' gradientUnits='userSpaceOnUse' "
      "cx='10' cy='10' r='10'/>"
      "<radialGradient id='zero' xlink:href='#r' r='0'/><radialGradient id='neg' xlink:href='#r' r='-1'/>"
      "<linearGradient id='flat' x1='0.5' x2='0.5'><stop offset='0' stop-color='red'/><stop offset='1' "
      "stop-color='blue'/></linearGradient>"
      "<linearGradient id='one'><stop stop-color='#123456' stop-opacity='0.5'/></linearGradient>"
      "<linearGradient id='empty'/></defs>"
      "<rect x='0' y='0' width='20' height='40' fill='url(#r)'/>"
      "<rect width='20' height='20' fill='url(#oval)'/>"
      "<rect width='20' height='20' fill='url(#zero)'/><rect width='20' height='20' fill='url(#neg)'/>"
      "<rect width='20' height='20' fill='url(#flat)'/><rect width='20' height='20' fill='url(#one)'/>"
      "<rect width='20' height='20' fill='url(#empty) green'/>"
      "<line x2='20' stroke='url(#r)'/>");
  ASSERT_EQ(img->shapes.size(), 8u);
  const SVGGradient& r = *img->shapes[0].fill.gradient;
  EXPECT_EQ(img->shapes[0].fill.type, SVGPaintType::RadialGradient);
  EXPECT_EQ(r.spread, SVGSpread::Repeat);
  double x, y;
  test::fromUnit(r, 0, 0, x, y);
  EXPECT_NEAR(x, 10, 1e-4);
  EXPECT_NEAR(y, 20, 1e-4);
  test::fromUnit(r, 1, 0, x, y);  // box units on a box twice as tall: an ellipse
  EXPECT_NEAR(x, 20, 1e-4);
  test::fromUnit(r, 0, 1, x, y);
  EXPECT_NEAR(y, 40, 1e-4);
  EXPECT_FLOAT_EQ(r.fx, 1);  // the focal point on the circle's edge
  EXPECT_FLOAT_EQ(r.fy, 0);
  const SVGGradient& oval = *img->shapes[1].fill.gradient;
  test::fromUnit(oval, 0, 1, x, y);
  EXPECT_NEAR(x, 10, 1e-4);
  EXPECT_NEAR(y, 10, 1e-4);
  EXPECT_NEAR(oval.xform[3], 0.2, 1e-6);  // y squeezed by half
  // Zero radius or zero-length vector: the last stop's colour; negative radius: nothing.
  EXPECT_EQ(img->shapes[2].fill.type, SVGPaintType::Color);
  EXPECT_EQ(img->shapes[2].fill.color, 0xFFFF0000u);
  EXPECT_EQ(img->shapes[3].fill.type, SVGPaintType::None);
  EXPECT_EQ(img->shapes[4].fill.color, 0xFFFF0000u);
  EXPECT_EQ(img->shapes[5].fill.type, SVGPaintType::Color);
  EXPECT_EQ(img->shapes[5].fill.color, 0x80563412u);
  EXPECT_EQ(img->shapes[6].fill.type, SVGPaintType::None);  // no stops: nothing, not the fallback
  // A box without height cannot carry a box-unit gradient.
  EXPECT_EQ(img->shapes[7].stroke.type, SVGPaintType::None);
}

TEST(SVGReader, UseAndSymbols) {
  auto img = parseBody(
      "<defs><rect id='r' width='10' height='10'/>"
      "<symbol id='s' viewBox='0 0 10 10'><rect id='sr' width='10' height='10'/></symbol></defs>"
      "<use xlink:href='#r' x='5' y='6' fill='red' transform='translate(100 0)'/>"
      "<use id='u2' href='#r' x='1'/><use xlink:href='#u2' y='50' stroke='blue'/>"
      "<use xlink:href='#s' x='20' y='20' width='40' height='20'/>"
      "<use xlink:href='#missing'/><use xlink:href='r'/>");
  ASSERT_EQ(img->shapes.size(), 4u);
  EXPECT_FLOAT_EQ(img->shapes[0].bounds[0], 105);
  EXPECT_FLOAT_EQ(img->shapes[0].bounds[1], 6);
  EXPECT_EQ(img->shapes[0].fill.color, 0xFF0000FFu);  // inherited from the use element
  EXPECT_FLOAT_EQ(img->shapes[2].bounds[0], 1);
  EXPECT_FLOAT_EQ(img->shapes[2].bounds[1], 50);
  EXPECT_EQ(img->shapes[2].stroke.color, 0xFFFF0000u);
  const float* sb = img->shapes[3].bounds;  // 10 x 10 fitted into 40 x 20, centred
  EXPECT_FLOAT_EQ(sb[0], 30);
  EXPECT_FLOAT_EQ(sb[1], 20);
  EXPECT_FLOAT_EQ(sb[2], 50);
  EXPECT_FLOAT_EQ(sb[3], 40);
  EXPECT_STREQ(img->shapes[3].id, "sr");
}

TEST(SVGReader, DocumentsAndIds) {
  EXPECT_FALSE(parse(""));
  EXPECT_FALSE(parse("<html><svg/></html>"));
  EXPECT_FALSE(parse("just text"));
  EXPECT_FALSE(test::ImagePtr(SVGParse(nullptr, 10, "px", 96), SVGDeleteImage));
  // Reading stops at a NUL byte.
  const std::string withNul = std::string("<svg width='10' height='10'><rect width='1' height='1'/>") + '\0' +
                              "<rect width='2' height='2'/></svg>";
  auto cut = parse(withNul);
  ASSERT_TRUE(cut);
  EXPECT_EQ(cut->shapes.size(), 1u);
  // A document type with an internal subset, comments, processing instructions and CDATA.
  auto full = parse(
      "<?xml version='1.0'?><!DOCTYPE svg [<!ENTITY e 'x'> <!-- ] > -->]><!-- c --><svg width='4' height='4'>"
      "<![CDATA[ <rect/> ]]><?pi x?><rect width='1' height='1'/></svg>");
  ASSERT_TRUE(full);
  EXPECT_EQ(full->shapes.size(), 1u);
  // Unknown elements are skipped with everything in them.
  EXPECT_EQ(parseBody("<text><rect width='1' height='1'/></text><foo/><rect width='1' height='1'/>")->shapes.size(), 1u);
  // Ids are cut to fit without splitting a UTF-8 sequence.
  const std::string longId = std::string(62, 'a') + "\xC3\xA9" + "tail";
  auto ids = parseBody("<rect id='" + longId + "' width='1' height='1'/>");
  EXPECT_EQ(std::string(ids->shapes[0].id), std::string(62, 'a'));
}

}  // namespace
}  // namespace fx::svg
