// Hostile SVG text: every case gives a null or partial image, finite numbers, and bounded work.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>

#include "tests/graphics/svg/SVGTestParse.h"

namespace fx::svg {
namespace {

using test::parse;
using test::parseBody;

size_t totalPoints(const SVGImage& img) {
  size_t n = 0;
  for (const SVGShape& s : img.shapes)
    for (const SVGPath& p : s.paths) n += size_t(p.npts());
  return n;
}

// Every number in the record is finite.
void expectFinite(const SVGImage& img) {
  ASSERT_TRUE(std::isfinite(img.width) && std::isfinite(img.height));
  for (const SVGShape& s : img.shapes) {
    ASSERT_TRUE(std::isfinite(s.strokeWidth) && std::isfinite(s.strokeDashOffset) && std::isfinite(s.opacity));
    for (int i = 0; i < 4; i++) ASSERT_TRUE(std::isfinite(s.bounds[i]));
    for (const SVGPaint* p : {&s.fill, &s.stroke})
      if (p->gradient) {
        for (float v : p->gradient->xform) ASSERT_TRUE(std::isfinite(v));
      }
    for (const SVGPath& p : s.paths)
      for (float v : p.pts) ASSERT_TRUE(std::isfinite(v));
  }
}

const std::string kSample =
    "<?xml version='1.0'?>\n<svg xmlns='http://www.w3.org/2000/svg' xmlns:xlink='http://www.w3.org/1999/xlink' "
    "width='100' height='80' viewBox='0 0 50 40'>\n<defs><linearGradient id='g' x2='0' y2='1'>"
    "<stop offset='0' stop-color='#123'/><stop offset='1' stop-color='rgb(1,2,3)'/></linearGradient>"
    "<circle id='c' r='5'/></defs>\n<g transform='rotate(10 25 20)' style='fill:url(#g);stroke:red'>"
    "<path d='M1 2 C 3 4 5 6 7 8 A 5 5 0 1 1 20 20 Q 1 2 3 4 Z'/><!-- note -->"
    "<rect x='2' y='3' width='10' height='5' rx='1'/><use xlink:href='#c' x='30' y='30'/></g>\n"
    "<polygon points='1 1 9 1 9 9'/></svg>\n";

TEST(SVGHostile, EveryTruncationGivesAPartialImage) {
  const auto whole = parse(kSample);
  ASSERT_TRUE(whole);
  ASSERT_EQ(whole->shapes.size(), 4u);
  size_t seen = 0;
  for (size_t n = 0; n <= kSample.size(); n++) {
    auto img = parse(kSample.substr(0, n));
    if (!img) continue;
    expectFinite(*img);
    EXPECT_LE(img->shapes.size(), 4u) << n;
    seen = std::max(seen, img->shapes.size());
  }
  EXPECT_EQ(seen, 4u);
  // Cut inside the polygon's tag: the three shapes before it survive.
  auto cut = parse(kSample.substr(0, kSample.find("<polygon") + 12));
  ASSERT_TRUE(cut);
  EXPECT_EQ(cut->shapes.size(), 3u);
}

TEST(SVGHostile, BrokenMarkupStopsAtTheDamage) {
  // A stray end tag, an attribute without quotes, a '<' inside a value: what came before stays.
  for (const char* bad : {"</g>", "<rect width=5/>", "<rect id='a<b'/>", "<rect width='1'height='1'/>", "< rect/>"}) {
    auto img = parseBody(std::string("<rect width='1' height='1'/>") + bad + "<rect width='2' height='2'/>");
    ASSERT_TRUE(img) << bad;
    EXPECT_EQ(img->shapes.size(), 1u) << bad;
  }
  // A repeated attribute keeps its first value.
  auto twice = parseBody("<rect width='1' height='1' fill='red' fill='blue'/>");
  EXPECT_EQ(twice->shapes[0].fill.color, 0xFF0000FFu);
}

TEST(SVGHostile, NamesAndTextOutsideASCII) {
  // An element name running into bytes above 0x7F (found by the fuzzer: the XML parser read past
  // its buffer on it) is damage; invalid UTF-8 in a value is replaced, valid UTF-8 kept.
  const std::string high(200, '\xEE');
  auto img = parse("<svg width='9' height='9'><rect width='1' height='1'/><rect" + high +
                   " width='2' height='2'/></svg" + high + ">");
  ASSERT_TRUE(img);
  EXPECT_EQ(img->shapes.size(), 1u);
  EXPECT_FALSE(parse("<svg" + high + " width='1'></svg" + high + ">"));
  auto ids = parseBody("<rect id='\xC3\xA9\xEE\xFF\xC3' width='1' height='1'/>");
  ASSERT_EQ(ids->shapes.size(), 1u);
  EXPECT_STREQ(ids->shapes[0].id, "\xC3\xA9???");
}

TEST(SVGHostile, DeepNestingIsCut) {
  const int depth = 200000;
  std::string doc = "<svg width='10' height='10'><rect width='1' height='1'/>";
  for (int i = 0; i < depth; i++) doc += "<g>";
  doc += "<rect width='2' height='2'/>";
  for (int i = 0; i < depth; i++) doc += "</g>";
  doc += "<rect width='3' height='3'/></svg>";
  auto img = parse(doc);
  ASSERT_TRUE(img);
  ASSERT_EQ(img->shapes.size(), 2u);  // the one too deep is dropped; the one after it is kept
  EXPECT_FLOAT_EQ(img->shapes[1].bounds[2], 3);
}

TEST(SVGHostile, HugeNumbersAndNotNumbers) {
  auto img = parseBody(
      "<rect width='1e39' height='1'/><rect width='1e400' height='1'/><circle r='NaN'/><circle r='inf'/>"
      "<rect x='-3e38' width='3e38' height='3e38' stroke='red' stroke-width='3e38' transform='scale(1e30)'/>"
      "<path d='M0 0 L 1e38 1e38 L 3.4e38 0 L1 1e-400'/>"
      "<g transform='scale(1e-300) scale(1e-300)'><rect width='1' height='1' fill='url(#g)'/></g>"
      "<rect width='1' height='1' stroke='red' stroke-dasharray='1e38 1e38' stroke-dashoffset='-1e38' "
      "transform='scale(1e20)' opacity='1e30' fill-opacity='-5'/>"
      "<linearGradient id='g' x2='3e38' gradientUnits='userSpaceOnUse'><stop/><stop offset='1'/></linearGradient>"
      "<rect width='1' height='1' fill='url(#g)' transform='scale(1e-30)'/>",
      "px", 1e30f);
  ASSERT_TRUE(img);
  expectFinite(*img);
  for (const SVGShape& s : img->shapes) EXPECT_LE(s.opacity, 1.f);
}

TEST(SVGHostile, ReferenceCyclesEnd) {
  auto img = parseBody(
      "<linearGradient id='a' xlink:href='#b'/><linearGradient id='b' xlink:href='#a'/>"
      "<linearGradient id='s' xlink:href='#s'><stop stop-color='red'/></linearGradient>"
      "<rect width='1' height='1' fill='url(#a)'/><rect width='1' height='1' fill='url(#s)'/>"
      "<g id='loop'><rect width='1' height='1'/><use xlink:href='#loop'/></g>"
      "<use id='u1' xlink:href='#u2'/><use id='u2' xlink:href='#u1'/><use id='self' xlink:href='#self'/>"
      "<symbol id='sym'><use xlink:href='#sym'/><rect width='1' height='1'/></symbol><use xlink:href='#sym'/>");
  ASSERT_TRUE(img);
  ASSERT_EQ(img->shapes.size(), 4u);
  EXPECT_EQ(img->shapes[0].fill.type, SVGPaintType::None);
  EXPECT_EQ(img->shapes[1].fill.color, 0xFF0000FFu);
}

// Each level uses the previous one twice: 2^levels copies of a shape of many points.
std::string fanOut(int levels, const std::string& leaf) {
  std::string doc = "<svg xmlns:xlink='http://www.w3.org/1999/xlink' width='10' height='10'><defs><g id='l0'>" + leaf +
                    "</g>";
  for (int i = 1; i <= levels; i++)
    doc += "<g id='l" + std::to_string(i) + "'><use xlink:href='#l" + std::to_string(i - 1) +
           "'/><use xlink:href='#l" + std::to_string(i - 1) + "'/></g>";
  return doc + "</defs><use xlink:href='#l" + std::to_string(levels) + "'/></svg>";
}

TEST(SVGHostile, ExpansionIsBudgeted) {
  auto shapes = parse(fanOut(40, "<rect width='1' height='1'/>"));
  ASSERT_TRUE(shapes);
  EXPECT_EQ(shapes->shapes.size(), 100000u);
  std::string arcs = "<path d='M0 0";
  for (int i = 0; i < 100; i++) arcs += " a5 5 0 1 1 0.01 0";
  auto points = parse(fanOut(30, arcs + "'/>"));
  ASSERT_TRUE(points);
  EXPECT_LE(totalPoints(*points), size_t(2) << 20);
  EXPECT_GT(totalPoints(*points), size_t(3) << 19);
  // Gradient stops count too: a shape per stop read at most.
  std::string stops = "<linearGradient id='g'>";
  for (int i = 0; i < 256; i++) stops += "<stop offset='0.5'/>";
  auto gradients = parse(fanOut(20, stops + "</linearGradient><rect width='1' height='1' fill='url(#g)'/>"));
  ASSERT_TRUE(gradients);
  EXPECT_LT(gradients->shapes.size(), size_t(2 << 20) / 256 + 1);
}

TEST(SVGHostile, Files) {
  EXPECT_EQ(SVGParseFile("/nonexistent/x.svg", "px", 96), nullptr);
  EXPECT_EQ(SVGParseFile(nullptr, "px", 96), nullptr);
  EXPECT_EQ(SVGParseFile("/dev/zero", "px", 96), nullptr);  // ends at once: nothing before the NUL
  const char* src = std::getenv("ORBEX_SOURCE_DIR");
  const std::string knob = std::string(src ? src : ".") + "/tests/graphics/svg/images/knob.svg";
  test::ImagePtr img(SVGParseFile(knob.c_str(), "px", 96), SVGDeleteImage);
  ASSERT_TRUE(img);
  EXPECT_FLOAT_EQ(img->width, 160);
}

TEST(SVGHostile, EnormousCountsAreCapped) {
  std::string stops;
  for (int i = 0; i < 5000; i++) stops += "<stop offset='0.5'/>";
  std::string dashes(200000, ' ');
  for (size_t i = 0; i < dashes.size(); i += 2) dashes[i] = '1';
  std::string attrs;
  for (int i = 0; i < 20000; i++) attrs += " a" + std::to_string(i) + "='1'";
  auto img = parseBody("<linearGradient id='g'>" + stops + "</linearGradient><rect width='1' height='1' fill='url(#g)' stroke='red' stroke-dasharray='" +
                       dashes + "'" + attrs + "/>");
  ASSERT_TRUE(img);
  ASSERT_EQ(img->shapes.size(), 1u);
  EXPECT_EQ(img->shapes[0].fill.gradient->stops.size(), 256u);
  EXPECT_EQ(img->shapes[0].strokeDashCount, kSVGMaxDashes);
}

}  // namespace
}  // namespace fx::svg
