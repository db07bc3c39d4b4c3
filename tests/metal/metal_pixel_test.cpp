// Pixel tests through the whole chain: vector renderer -> Metal renderer -> software
// Metal -> offscreen framebuffer, read back as RGBA (premultiplied).
#include <gtest/gtest.h>

#include <stb_truetype.h>

#include <cmath>
#include <cstdio>
#include <vector>

#include "tests/metal/Harness.h"
#include "tests/vector/FontFile.h"
#include "tests/vector/PaintEval.h"

namespace fx::gfx {
namespace {

using test::Harness;
using test::Image;
using test::rgba;

constexpr double kPi = 3.14159265358979323846;

// Brute-force non-zero winding number of a closed polygon at a point.
int winding(const std::vector<float>& xy, double px, double py) {
  int w = 0;
  const size_t n = xy.size() / 2;
  for (size_t i = 0; i < n; i++) {
    const double x0 = xy[2 * i], y0 = xy[2 * i + 1], x1 = xy[2 * ((i + 1) % n)], y1 = xy[2 * ((i + 1) % n) + 1];
    const double cross = (x1 - x0) * (py - y0) - (px - x0) * (y1 - y0);
    if (y0 <= py) {
      if (y1 > py && cross > 0) w++;
    } else if (y1 <= py && cross < 0) {
      w--;
    }
  }
  return w;
}

// Distance from a point to the polygon's outline.
double edgeDistance(const std::vector<float>& xy, double px, double py) {
  double best = 1e30;
  const size_t n = xy.size() / 2;
  for (size_t i = 0; i < n; i++) {
    const double x0 = xy[2 * i], y0 = xy[2 * i + 1], x1 = xy[2 * ((i + 1) % n)], y1 = xy[2 * ((i + 1) % n) + 1];
    const double dx = x1 - x0, dy = y1 - y0, len2 = dx * dx + dy * dy;
    double t = len2 > 0 ? ((px - x0) * dx + (py - y0) * dy) / len2 : 0;
    t = std::fmax(0, std::fmin(1, t));
    best = std::fmin(best, std::hypot(px - (x0 + t * dx), py - (y0 + t * dy)));
  }
  return best;
}

void polygon(VGcontext* vg, const std::vector<float>& xy) {
  vgrBeginPath(vg);
  vgrMoveTo(vg, xy[0], xy[1]);
  for (size_t i = 2; i < xy.size(); i += 2) vgrLineTo(vg, xy[i], xy[i + 1]);
  vgrClosePath(vg);
}

TEST(MetalPixels, FilledRectangleCoversExactlyItsPixels) {
  for (int flags : {0, int(MVG_ANTIALIAS), int(MVG_ANTIALIAS | MVG_TRIPLE_BUFFER)}) {
    Harness h(flags);
    ASSERT_NE(h.vg, nullptr);
    const Image img = h.render(64, 48, [](VGcontext* vg) {
      vgrBeginPath(vg);
      vgrRect(vg, 10, 20, 30, 15);
      vgrSetFillColor(vg, rgba(1, 0, 0, 1));
      vgrFill(vg);
    });
    int wrong = 0;
    for (int y = 0; y < img.h; y++)
      for (int x = 0; x < img.w; x++) {
        const bool inside = x >= 10 && x < 40 && y >= 20 && y < 35;
        const uint8_t* p = img.at(x, y);
        if (inside ? (p[0] != 255 || p[1] != 0 || p[2] != 0 || p[3] != 255)
                   : (p[0] != 0 || p[1] != 0 || p[2] != 0 || p[3] != 0))
          wrong++;
      }
    EXPECT_EQ(wrong, 0) << "flags " << flags;
    test::writePng("rect_flags" + std::to_string(flags), img);
  }
}

TEST(MetalPixels, ClearColourAndTranslucentRectangleArePremultiplied) {
  Harness h;
  const Image img = h.render(16, 16, [](VGcontext* vg) {
    vgrBeginPath(vg);
    vgrRect(vg, 0, 0, 8, 16);
    vgrSetFillColor(vg, rgba(0, 1, 0, 0.5f));
    vgrFill(vg);
  }, rgba(0, 0, 1, 1));
  // Cleared to opaque blue; half-transparent green over it.
  EXPECT_EQ(img.b(12, 4), 255);
  EXPECT_EQ(img.a(12, 4), 255);
  EXPECT_NEAR(img.g(3, 4), 128, 1);
  EXPECT_NEAR(img.b(3, 4), 128, 1);
  EXPECT_EQ(img.a(3, 4), 255);
}

TEST(MetalPixels, AntiAliasedCircleCoverageSumsToItsArea) {
  Harness h;
  struct C {
    float cx, cy, r, ratio;
  };
  for (const C c : {C{50.2f, 40.7f, 20.3f, 1.0f}, C{31.0f, 29.5f, 7.25f, 1.0f}, C{40.0f, 40.0f, 30.0f, 2.0f},
                    C{45.5f, 35.25f, 33.0f, 2.0f}}) {
    double polygonArea = 0;
    const Image img = h.render(100, 80, [&](VGcontext* vg) {
      vgrBeginPath(vg);
      vgrCircle(vg, c.cx, c.cy, c.r);
      vgrSetFillColor(vg, rgba(1, 1, 1, 1));
      vgrFill(vg);
      // The flattened outline the renderer was handed, in pixels.
      const VGpath& p = vg->cache->paths[0];
      for (int i = 0; i < p.count; i++) {
        const VGflatPoint& a = vg->cache->points[p.first + i];
        const VGflatPoint& b = vg->cache->points[p.first + (i + 1) % p.count];
        polygonArea += (double(a.x) * b.y - double(b.x) * a.y) * c.ratio * c.ratio;
      }
    }, rgba(0, 0, 0, 0), c.ratio);
    polygonArea = std::fabs(polygonArea) / 2;
    // The coverage of the outline is exact; the outline itself is a polygon inscribed in
    // the circle, within 0.5 % of its area once it has enough segments.
    EXPECT_NEAR(img.alphaSum(), polygonArea, polygonArea * 0.001) << "r " << c.r << " ratio " << c.ratio;
    const double area = kPi * c.r * c.r * c.ratio * c.ratio;
    if (c.ratio > 1) {
      EXPECT_NEAR(img.alphaSum(), area, area * 0.005) << "r " << c.r << " ratio " << c.ratio;
    }
    // Well inside: opaque; well outside: empty.
    EXPECT_EQ(img.a(int(c.cx * c.ratio), int(c.cy * c.ratio)), 255);
    EXPECT_EQ(img.a(0, 0), 0);
  }
}

TEST(MetalPixels, SelfCrossingStarFillsByTheNonZeroRule) {
  Harness h;
  std::vector<float> star;
  for (int i = 0; i < 5; i++) {
    const double a = -kPi / 2 + i * 4 * kPi / 5;
    star.push_back(float(50 + 40 * std::cos(a)));
    star.push_back(float(50 + 40 * std::sin(a)));
  }
  for (int flags : {0, int(MVG_ANTIALIAS)}) {
    Harness hh(flags);
    const Image img = hh.render(100, 100, [&](VGcontext* vg) {
      polygon(vg, star);
      vgrSetFillColor(vg, rgba(1, 1, 0, 1));
      vgrFill(vg);
    });
    int wrong = 0, filledCentre = 0;
    for (int y = 0; y < 100; y++)
      for (int x = 0; x < 100; x++) {
        const double px = x + 0.5, py = y + 0.5;
        if (edgeDistance(star, px, py) < 1.0) continue;
        const bool in = winding(star, px, py) != 0;
        if (in != (img.a(x, y) == 255) || (!in && img.a(x, y) != 0)) wrong++;
        if (std::abs(winding(star, px, py)) == 2) filledCentre++;
      }
    EXPECT_EQ(wrong, 0) << "flags " << flags;
    EXPECT_GT(filledCentre, 100);  // the pentagon in the middle winds twice and is filled
    test::writePng("star_flags" + std::to_string(flags), img);
  }
}

TEST(MetalPixels, ConcaveFillMatchesPointInPolygonAndLeavesTheStencilClear) {
  Harness h;
  // A comb: concave with several teeth, plus a hole wound the other way.
  const std::vector<float> comb = {5, 5, 95, 5, 95, 60, 80, 60, 80, 20, 65, 20, 65, 60, 50, 60,
                                   50, 20, 35, 20, 35, 60, 20, 60, 20, 20, 5, 20};
  const Image img = h.render(100, 70, [&](VGcontext* vg) {
    polygon(vg, comb);
    vgrSetFillColor(vg, rgba(0, 0, 1, 1));
    vgrFill(vg);
  });
  int wrong = 0;
  for (int y = 0; y < 70; y++)
    for (int x = 0; x < 100; x++) {
      const double px = x + 0.5, py = y + 0.5;
      if (edgeDistance(comb, px, py) < 1.0) continue;
      if ((winding(comb, px, py) != 0) != (img.a(x, y) == 255)) wrong++;
    }
  EXPECT_EQ(wrong, 0);
  // Every stencil value went back to zero after the cover pass.
  MVGbuffers_vORBEX9_au* set = h.mvg()->cbuffers[0];
  ASSERT_NE(set->stencilTexture, nullptr);
  std::vector<uint8_t> st(set->stencilTexture->width() * set->stencilTexture->height());
  set->stencilTexture->getBytes(st.data(), set->stencilTexture->width(),
                                MTLRegionMake2D(0, 0, set->stencilTexture->width(), set->stencilTexture->height()), 0);
  int nonzero = 0;
  for (uint8_t v : st) nonzero += v != 0;
  EXPECT_EQ(nonzero, 0);
}

// Area of a stroked polyline in pixels (alpha sum).
double strokeArea(Harness& h, int join, int cap, const std::vector<float>& pts, float width, VGcolor colour,
                  const char* png = nullptr) {
  const Image img = h.render(160, 120, [&](VGcontext* vg) {
    vgrBeginPath(vg);
    vgrMoveTo(vg, pts[0], pts[1]);
    for (size_t i = 2; i < pts.size(); i += 2) vgrLineTo(vg, pts[i], pts[i + 1]);
    vgrSetLineJoin(vg, join);
    vgrSetLineCap(vg, cap);
    vgrSetStrokeWidth(vg, width);
    vgrSetStrokeColor(vg, colour);
    vgrStroke(vg);
  });
  if (png) test::writePng(png, img);
  return img.alphaSum();
}

TEST(MetalPixels, StrokeCapsAndJoinsCoverTheirGeometricArea) {
  for (int flags : {int(MVG_ANTIALIAS), int(MVG_ANTIALIAS | MVG_STENCIL_STROKES)}) {
    Harness h(flags);
    const float w = 12;
    const std::vector<float> line = {30, 60, 130, 60};
    const double len = 100;
    const double butt = strokeArea(h, VG_MITER, VG_BUTT, line, w, rgba(1, 1, 1, 1));
    const double square = strokeArea(h, VG_MITER, VG_SQUARE, line, w, rgba(1, 1, 1, 1));
    const double round = strokeArea(h, VG_MITER, VG_CAP_ROUND, line, w, rgba(1, 1, 1, 1));
    EXPECT_NEAR(butt, len * w, len * w * 0.01) << flags;
    EXPECT_NEAR(square, (len + w) * w, (len + w) * w * 0.01) << flags;
    EXPECT_NEAR(round, len * w + kPi * w * w / 4, len * w * 0.01) << flags;

    // A right-angle corner: 100 across, 60 down.
    const std::vector<float> corner = {20, 20, 120, 20, 120, 80};
    const double h2 = w / 2.0;
    const double miterArea = (100 + h2) * w + (60 - h2) * w;
    const double miter = strokeArea(h, VG_MITER, VG_BUTT, corner, w, rgba(1, 1, 1, 1),
                                    flags == 1 ? "stroke_miter" : nullptr);
    const double bevel = strokeArea(h, VG_BEVEL, VG_BUTT, corner, w, rgba(1, 1, 1, 1),
                                    flags == 1 ? "stroke_bevel" : nullptr);
    const double roundJ = strokeArea(h, VG_ROUND, VG_BUTT, corner, w, rgba(1, 1, 1, 1),
                                     flags == 1 ? "stroke_round" : nullptr);
    EXPECT_NEAR(miter, miterArea, miterArea * 0.01) << flags;
    EXPECT_NEAR(bevel, miterArea - h2 * h2 / 2, miterArea * 0.01) << flags;
    EXPECT_NEAR(roundJ, miterArea - h2 * h2 + kPi * h2 * h2 / 4, miterArea * 0.01) << flags;
    EXPECT_GT(miter, roundJ);
    EXPECT_GT(roundJ, bevel);
  }
}

TEST(MetalPixels, StencilStrokesBlendEachPixelOnce) {
  // A translucent stroke that crosses itself: with stencil strokes the crossing is no
  // darker than the rest; without, the overlap is blended twice.
  const std::vector<float> cross = {20, 20, 100, 100, 100, 20, 20, 100};
  auto peak = [&](int flags) {
    Harness h(flags);
    const Image img = h.render(120, 120, [&](VGcontext* vg) {
      vgrBeginPath(vg);
      vgrMoveTo(vg, cross[0], cross[1]);
      for (size_t i = 2; i < cross.size(); i += 2) vgrLineTo(vg, cross[i], cross[i + 1]);
      vgrSetStrokeWidth(vg, 10);
      vgrSetStrokeColor(vg, rgba(1, 0, 0, 0.5f));
      vgrStroke(vg);
    });
    return img.a(60, 60);
  };
  EXPECT_NEAR(peak(MVG_ANTIALIAS | MVG_STENCIL_STROKES), 128, 1);
  EXPECT_GT(peak(MVG_ANTIALIAS), 180);
}

void expectPaint(const Image& img, const VGpaint& paint, const std::vector<std::pair<int, int>>& points) {
  for (auto [x, y] : points) {
    // Premultiplied colours interpolate along the ramp.
    const float t = test::gradientAt(paint, x + 0.5f, y + 0.5f);
    const VGcolor& i = paint.innerColor;
    const VGcolor& o = paint.outerColor;
    const float in[4] = {i.r * i.a, i.g * i.a, i.b * i.a, i.a}, out[4] = {o.r * o.a, o.g * o.a, o.b * o.a, o.a};
    for (int c = 0; c < 4; c++)
      EXPECT_NEAR(img.at(x, y)[c], (in[c] + (out[c] - in[c]) * t) * 255, 2.0) << x << "," << y << " channel " << c;
  }
}

TEST(MetalPixels, GradientsMatchTheirDefinitionAtKnownPoints) {
  Harness h;
  const std::vector<std::pair<int, int>> pts = {{2, 2}, {20, 30}, {50, 50}, {63, 40}, {77, 10}, {97, 97}, {40, 80}};
  VGpaint paint{};
  auto scene = [&](VGpaint (*make)(VGcontext*)) {
    return h.render(100, 100, [&](VGcontext* vg) {
      paint = make(vg);
      vgrBeginPath(vg);
      vgrRect(vg, 0, 0, 100, 100);
      vgrSetFillPaint(vg, paint);
      vgrFill(vg);
    });
  };
  Image lin = scene([](VGcontext* vg) {
    return vgrLinearGradient(vg, 10, 20, 90, 70, rgba(1, 0, 0, 1), rgba(0, 0, 1, 0.5f));
  });
  expectPaint(lin, paint, pts);
  test::writePng("gradient_linear", lin);
  Image rad = scene([](VGcontext* vg) {
    return vgrRadialGradient(vg, 50, 50, 10, 45, rgba(1, 1, 1, 1), rgba(0, 0.5f, 0, 1));
  });
  expectPaint(rad, paint, pts);
  test::writePng("gradient_radial", rad);
  Image box = scene([](VGcontext* vg) {
    return vgrBoxGradient(vg, 20, 25, 60, 40, 8, 12, rgba(0, 0, 0, 1), rgba(1, 0.8f, 0.2f, 1));
  });
  expectPaint(box, paint, pts);
  test::writePng("gradient_box", box);
  // The ends of the linear ramp are the pure colours.
  EXPECT_EQ(lin.r(0, 0), 255);
  EXPECT_EQ(lin.b(99, 99), 128);
}

TEST(MetalPixels, ImagePatternsSampleTexelsWithFlagsAndAlpha) {
  Harness h;
  // 4 x 4 image, each texel a distinct colour.
  std::vector<uint8_t> texels(4 * 4 * 4);
  for (int i = 0; i < 16; i++) {
    texels[i * 4 + 0] = uint8_t(i * 16);
    texels[i * 4 + 1] = uint8_t(255 - i * 16);
    texels[i * 4 + 2] = uint8_t((i % 4) * 60);
    texels[i * 4 + 3] = 255;
  }
  const int nearest = mvgrCreateRGBAImage(h.vg, 4, 4, VG_IMAGE_NEAREST, texels.data());
  const int flipped = mvgrCreateRGBAImage(h.vg, 4, 4, VG_IMAGE_NEAREST | VG_IMAGE_FLIPY, texels.data());
  const int repeat =
      mvgrCreateRGBAImage(h.vg, 4, 4, VG_IMAGE_NEAREST | VG_IMAGE_REPEATX | VG_IMAGE_REPEATY, texels.data());
  ASSERT_TRUE(nearest && flipped && repeat);
  auto draw = [&](int image, float ex, float ey, float w, float hgt, float alpha) {
    return h.render(64, 64, [&](VGcontext* vg) {
      vgrBeginPath(vg);
      vgrRect(vg, 0, 0, w, hgt);
      vgrSetFillPaint(vg, vgrImagePattern(vg, 0, 0, ex, ey, 0, image, alpha));
      vgrFill(vg);
    });
  };
  const Image a = draw(nearest, 32, 32, 32, 32, 1.0f);
  const Image f = draw(flipped, 32, 32, 32, 32, 1.0f);
  const Image r = draw(repeat, 16, 16, 64, 64, 1.0f);
  const Image half = draw(nearest, 32, 32, 32, 32, 0.5f);
  for (int ty = 0; ty < 4; ty++)
    for (int tx = 0; tx < 4; tx++) {
      const uint8_t* t = &texels[(ty * 4 + tx) * 4];
      const uint8_t* tf = &texels[((3 - ty) * 4 + tx) * 4];
      for (int c = 0; c < 4; c++) {
        EXPECT_EQ(a.at(tx * 8 + 4, ty * 8 + 4)[c], t[c]);
        EXPECT_EQ(f.at(tx * 8 + 4, ty * 8 + 4)[c], tf[c]);
        EXPECT_EQ(r.at(32 + tx * 4 + 2, 48 + ty * 4 + 1)[c], t[c]);
        EXPECT_NEAR(half.at(tx * 8 + 4, ty * 8 + 4)[c], t[c] / 2.0, 1.0);
      }
    }
  test::writePng("image_pattern_repeat", r);
}

TEST(MetalPixels, ScissorLimitsDrawingToItsRectangle) {
  Harness h;
  const Image img = h.render(64, 64, [](VGcontext* vg) {
    vgrSetScissor(vg, 10, 12, 20, 24);
    vgrIntersectScissor(vg, 0, 0, 25, 64);
    vgrBeginPath(vg);
    vgrRect(vg, 0, 0, 64, 64);
    vgrSetFillColor(vg, rgba(1, 1, 1, 1));
    vgrFill(vg);
  });
  int wrong = 0;
  for (int y = 0; y < 64; y++)
    for (int x = 0; x < 64; x++) {
      const bool in = x >= 10 && x < 25 && y >= 12 && y < 36;
      if (img.a(x, y) != (in ? 255 : 0)) wrong++;
    }
  EXPECT_EQ(wrong, 0);
}

TEST(MetalPixels, EveryCompositeOperationOnKnownColours) {
  // Destination: blue at alpha 0.6; source: red at alpha 0.8. Expected by the
  // Porter-Duff factors (Fs, Fd) on premultiplied colours.
  const double sa = 0.8, da = 0.6;
  const double src[4] = {sa, 0, 0, sa}, dst[4] = {0, 0, da, da};
  struct Op {
    int op;
    double fs, fd;
  } ops[] = {{VG_SOURCE_OVER, 1, 1 - sa},      {VG_SOURCE_IN, da, 0},       {VG_SOURCE_OUT, 1 - da, 0},
             {VG_ATOP, da, 1 - sa},            {VG_DESTINATION_OVER, 1 - da, 1}, {VG_DESTINATION_IN, 0, sa},
             {VG_DESTINATION_OUT, 0, 1 - sa},  {VG_DESTINATION_ATOP, 1 - da, sa}, {VG_LIGHTER, 1, 1},
             {VG_COPY, 1, 0},                  {VG_XOR, 1 - da, 1 - sa}};
  Harness h;
  for (const Op& o : ops) {
    const Image img = h.render(8, 8, [&](VGcontext* vg) {
      vgrBeginPath(vg);
      vgrRect(vg, 0, 0, 8, 8);
      vgrSetFillColor(vg, rgba(0, 0, 1, float(da)));
      vgrFill(vg);
      vgrSetCompositeOperation(vg, o.op);
      vgrBeginPath(vg);
      vgrRect(vg, 0, 0, 4, 8);
      vgrSetFillColor(vg, rgba(1, 0, 0, float(sa)));
      vgrFill(vg);
    });
    for (int c = 0; c < 4; c++) {
      const double want = std::fmin(1.0, src[c] * o.fs + dst[c] * o.fd) * 255;
      EXPECT_NEAR(img.at(2, 4)[c], want, 2.0) << "op " << o.op << " channel " << c;
      EXPECT_NEAR(img.at(6, 4)[c], dst[c] * 255, 1.0) << "op " << o.op << " channel " << c;
    }
  }
}

TEST(MetalPixels, TextAdvanceMatchesTrueTypeMetricsAndInkStaysInside) {
  Harness h;
  const auto& bytes = test::testFontBytes();
  ASSERT_FALSE(bytes.empty());
  const int font = vgrCreateFontFromFile(h.vg, "sans", test::kTestFontPath);
  ASSERT_GE(font, 0);
  stbtt_fontinfo info;
  ASSERT_TRUE(stbtt_InitFont(&info, bytes.data(), stbtt_GetFontOffsetForIndex(bytes.data(), 0)));
  int ascent, descent, gap;
  stbtt_GetFontVMetrics(&info, &ascent, &descent, &gap);
  const char* text = "Limiter 2.1 AVWay";
  const float size = 24;
  const double scale = size / double(ascent - descent);
  double expect = 0;
  int glyphs = 0, prev = -1;
  for (const char* p = text; *p; p++, glyphs++) {
    const int g = stbtt_FindGlyphIndex(&info, *p);
    int adv, lsb;
    stbtt_GetGlyphHMetrics(&info, g, &adv, &lsb);
    if (prev >= 0) expect += stbtt_GetGlyphKernAdvance(&info, prev, g) * scale;
    expect += adv * scale;
    prev = g;
  }
  float advance = 0;
  const Image img = h.render(300, 60, [&](VGcontext* vg) {
    vgrSetFontFaceId(vg, font);
    vgrSetFontSize(vg, size);
    vgrSetTextAlign(vg, VG_ALIGN_LEFT | VG_ALIGN_BASELINE);
    vgrSetFillColor(vg, rgba(1, 1, 1, 1));
    advance = vgrDrawText(vg, 10, 40, text, nullptr) - 10;
  });
  test::writePng("text_dejavu", img);
  // Pens advance by whole pixels per glyph.
  EXPECT_NEAR(advance, expect, 0.5 * glyphs + 0.5);
  int minx = 1 << 30, maxx = -1, ink = 0;
  for (int y = 0; y < img.h; y++)
    for (int x = 0; x < img.w; x++)
      if (img.a(x, y) > 0) {
        minx = std::min(minx, x), maxx = std::max(maxx, x);
        ink++;
      }
  EXPECT_GT(ink, 200);
  EXPECT_GE(minx, 10);
  EXPECT_LE(maxx, 10 + int(std::ceil(advance)) + 1);
  EXPECT_LE(minx, 13);
}

}  // namespace
}  // namespace fx::gfx
