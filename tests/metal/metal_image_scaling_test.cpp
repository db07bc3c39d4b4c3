// Images drawn smaller or larger than their size, through the whole chain: mip levels
// keep a zone plate free of moiré, and an image whose transparent texels carry their
// neighbours' colours keeps its colour at the edges when scaled.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "tests/metal/Harness.h"

namespace fx::gfx {
namespace {

using test::Harness;
using test::Image;
using test::rgba;

constexpr double kPi = 3.14159265358979323846;
constexpr int kPlate = 512;

// A zone plate: grey 0.5 + 0.5 cos(pi r^2 / (2 R)), whose local frequency r / (2 R) cycles
// per texel rises from 0 at the centre to the texel rate's limit (0.5) at r = R.
constexpr double kPlateR = kPlate / 2 * 1.41421356;
std::vector<uint8_t> zonePlate() {
  std::vector<uint8_t> px(size_t(kPlate) * kPlate * 4);
  for (int y = 0; y < kPlate; y++)
    for (int x = 0; x < kPlate; x++) {
      const double dx = x + 0.5 - kPlate / 2, dy = y + 0.5 - kPlate / 2;
      const double v = 0.5 + 0.5 * std::cos(kPi * (dx * dx + dy * dy) / (2 * kPlateR));
      uint8_t* p = &px[(size_t(y) * kPlate + x) * 4];
      p[0] = p[1] = p[2] = uint8_t(std::lround(v * 255));
      p[3] = 255;
    }
  return px;
}

// Root-mean-square departure from mid grey over the drawn plate's pixels whose source
// frequency lies above what the drawn size can show (and inside the plate's circle): the
// moiré. An image filtered to its drawn size is flat grey there.
double moire(const Image& img, int size) {
  const double scale = double(kPlate) / size;  // texels per pixel
  double sum = 0;
  int n = 0;
  for (int y = 0; y < size; y++)
    for (int x = 0; x < size; x++) {
      const double r = std::hypot((x + 0.5) * scale - kPlate / 2, (y + 0.5) * scale - kPlate / 2);
      const double cyclesPerPixel = r / (2 * kPlateR) * scale;
      if (cyclesPerPixel < 0.75 || r > kPlate / 2) continue;
      const double d = img.r(x, y) / 255.0 - 0.5;
      sum += d * d;
      n++;
    }
  EXPECT_GT(n, 100);
  return std::sqrt(sum / n);
}

Image drawPlate(Harness& h, int image, float size, float angle = 0) {
  const int canvas = int(std::ceil(size * (angle != 0 ? 1.5f : 1.0f)));
  return h.render(canvas, canvas, [&](VGcontext* vg) {
    vgrTranslate(vg, canvas / 2.0f, canvas / 2.0f);
    vgrRotate(vg, angle);
    vgrTranslate(vg, -size / 2, -size / 2);
    vgrBeginPath(vg);
    vgrRect(vg, 0, 0, size, size);
    vgrSetFillPaint(vg, vgrImagePattern(vg, 0, 0, size, size, 0, image, 1.0f));
    vgrFill(vg);
  });
}

TEST(MetalImageScaling, ZonePlateDrawnSmallShowsNoMoire) {
  Harness h(MVG_TRIPLE_BUFFER);
  const std::vector<uint8_t> plate = zonePlate();
  const int level0 = mvgrCreateRGBAImage(h.vg, kPlate, kPlate, 0, plate.data());
  const int mipmapped = mvgrCreateRGBAImage(h.vg, kPlate, kPlate, VG_IMAGE_GENERATE_MIPMAPS, plate.data());
  const int nearestMip =
      mvgrCreateRGBAImage(h.vg, kPlate, kPlate, VG_IMAGE_GENERATE_MIPMAPS | VG_IMAGE_NEAREST, plate.data());
  ASSERT_TRUE(level0 && mipmapped && nearestMip);

  // A quarter of its size: exactly mip level 2, so every pixel is the 4 x 4 average.
  const Image aliased = drawPlate(h, level0, 128);
  const Image quarter = drawPlate(h, mipmapped, 128);
  test::writePng("zone_plate_quarter_level0", aliased);
  test::writePng("zone_plate_quarter_mipmapped", quarter);
  // What is left is the box filter's own leakage, a quarter of level 0's moiré at most.
  EXPECT_GT(moire(aliased, 128), 0.2);
  EXPECT_LT(moire(quarter, 128), 0.07);
  int worst = 0;
  for (int y = 0; y < 128; y++)
    for (int x = 0; x < 128; x++) {
      int sum = 0;
      for (int j = 0; j < 4; j++)
        for (int i = 0; i < 4; i++) sum += plate[(size_t(y * 4 + j) * kPlate + x * 4 + i) * 4];
      worst = std::max(worst, std::abs(quarter.r(x, y) - (sum + 8) / 16));
    }
  EXPECT_LE(worst, 2);

  // Between levels (a third of the size, level of detail 1.58) and turned, so the
  // footprint comes from both screen directions: blended levels, or the nearest level.
  const float third = kPlate / 3.0f;
  const Image turned = drawPlate(h, mipmapped, third, 0.5f);
  const Image turnedNearest = drawPlate(h, nearestMip, third, 0.5f);
  const Image turnedLevel0 = drawPlate(h, level0, third, 0.5f);
  test::writePng("zone_plate_third_turned_mipmapped", turned);
  auto centreRing = [&](const Image& img) {
    // The plate's centre stays visible: the lowest frequencies are not blurred away.
    const int c = img.w / 2;
    return std::abs(img.r(c, c) - img.r(c + int(third / 8), c));
  };
  EXPECT_GT(centreRing(turned), 40);
  auto turnedMoire = [&](const Image& img) {
    // Outer ring of the turned plate, measured along a circle around the centre.
    double sum = 0;
    int n = 0;
    const double c = img.w / 2.0, radius = third * 0.42;
    for (int k = 0; k < 720; k++) {
      const double a = 2 * kPi * k / 720;
      const int x = int(c + radius * std::cos(a)), y = int(c + radius * std::sin(a));
      const double d = img.r(x, y) / 255.0 - 0.5;
      sum += d * d, n++;
    }
    return std::sqrt(sum / n);
  };
  EXPECT_GT(turnedMoire(turnedLevel0), 0.15);
  EXPECT_LT(turnedMoire(turned), 0.07);
  EXPECT_LT(turnedMoire(turnedNearest), 0.07);
}

// A red disc with a soft edge on transparent texels. Filled, the transparent texels carry
// the red of their neighbours (as the product's artwork is made); otherwise they are
// transparent black.
std::vector<uint8_t> disc(int size, bool filled) {
  std::vector<uint8_t> px(size_t(size) * size * 4);
  for (int y = 0; y < size; y++)
    for (int x = 0; x < size; x++) {
      const double r = std::hypot(x + 0.5 - size / 2.0, y + 0.5 - size / 2.0);
      const double a = std::clamp(size * 0.3 - r + 0.5, 0.0, 1.0);
      uint8_t* p = &px[(size_t(y) * size + x) * 4];
      p[0] = (a > 0 || filled) ? 255 : 0;
      p[1] = p[2] = 0;
      p[3] = uint8_t(std::lround(a * 255));
    }
  return px;
}

// Over white, every pixel of a red image is (1, 1 - a, 1 - a): red stays full and green
// equals blue. A dark halo lowers red where the edge blends in transparent black.
int worstRedLoss(const Image& img) {
  int worst = 0;
  for (int y = 0; y < img.h; y++)
    for (int x = 0; x < img.w; x++) {
      worst = std::max(worst, 255 - img.r(x, y));
      worst = std::max(worst, std::abs(img.g(x, y) - img.b(x, y)));
    }
  return worst;
}

TEST(MetalImageScaling, ScaledImageWithTransparentEdgeKeepsItsColour) {
  Harness h;
  const int size = 64;
  const std::vector<uint8_t> filled = disc(size, true), bare = disc(size, false);
  const int mipFilled = mvgrCreateRGBAImage(h.vg, size, size, VG_IMAGE_GENERATE_MIPMAPS, filled.data());
  const int mipBare = mvgrCreateRGBAImage(h.vg, size, size, VG_IMAGE_GENERATE_MIPMAPS, bare.data());
  ASSERT_TRUE(mipFilled && mipBare);
  auto draw = [&](int image, float drawn) {
    const int canvas = int(std::ceil(drawn));
    return h.render(
        canvas, canvas,
        [&](VGcontext* vg) {
          vgrBeginPath(vg);
          vgrRect(vg, 0, 0, drawn, drawn);
          vgrSetFillPaint(vg, vgrImagePattern(vg, 0, 0, drawn, drawn, 0, image, 1.0f));
          vgrFill(vg);
        },
        rgba(1, 1, 1, 1));
  };
  for (float drawn : {size * 3.3f, size * 0.7f, size * 0.3f}) {
    SCOPED_TRACE(drawn);
    const Image kept = draw(mipFilled, drawn);
    EXPECT_LE(worstRedLoss(kept), 2);
    // The same image with transparent black around the disc does get a halo, so the
    // measure sees one when it is there.
    EXPECT_GT(worstRedLoss(draw(mipBare, drawn)), 40);
    if (drawn > size) test::writePng("transparent_edge_scaled_up", kept);
  }
}

}  // namespace
}  // namespace fx::gfx
