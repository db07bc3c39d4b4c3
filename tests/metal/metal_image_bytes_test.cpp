// Bitmaps with half-transparent texels drawn through the renderer at their own size and at
// twice it, as the editor draws its artwork: every pixel stays within rounding of the
// exact colour, and a scissor rectangle that cuts the bitmap leaves the pixels outside it
// as they were and those inside as the uncut bitmap has them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "tests/metal/Harness.h"

namespace fx::gfx {
namespace {

using test::Harness;
using test::Image;
using test::rgba;

constexpr int kW = 37, kH = 23, kAt = 3;  // the bitmap's size and where it is drawn from
const double kBackground[4] = {0.2, 0.6, 0.9, 1.0};

// Straight texels in runs of opaque, transparent and partly transparent ones.
std::vector<uint8_t> artwork(std::mt19937& rng) {
  std::vector<uint8_t> px(size_t(kW) * kH * 4);
  std::uniform_int_distribution<int> byte(0, 255), kind(0, 2), run(1, 9);
  for (size_t i = 0; i < size_t(kW) * kH;) {
    const int k = kind(rng);
    for (int r = run(rng); r > 0 && i < size_t(kW) * kH; r--, i++) {
      for (int c = 0; c < 3; c++) px[i * 4 + c] = uint8_t(byte(rng));
      px[i * 4 + 3] = uint8_t(k == 0 ? 255 : (k == 1 ? 0 : byte(rng)));
    }
  }
  return px;
}

// The exact colour (in bytes, unrounded) of framebuffer pixel (x, y) with the bitmap drawn
// at scale times its size: straight colour and alpha filtered bilinearly (clamped at the
// edges), premultiplied and blended over the background's bytes.
void exactPixel(const std::vector<uint8_t>& art, int x, int y, int scale, const uint8_t* bg, double out[4]) {
  const double fx = (x + 0.5) / scale - kAt - 0.5, fy = (y + 0.5) / scale - kAt - 0.5;
  const int x0 = int(std::floor(fx)), y0 = int(std::floor(fy));
  const double ax = fx - x0, ay = fy - y0;
  double c[4] = {0, 0, 0, 0};
  for (int j = 0; j < 2; j++)
    for (int i = 0; i < 2; i++) {
      const int tx = std::clamp(x0 + i, 0, kW - 1), ty = std::clamp(y0 + j, 0, kH - 1);
      const double wgt = (i ? ax : 1 - ax) * (j ? ay : 1 - ay);
      for (int k = 0; k < 4; k++) c[k] += wgt * art[(size_t(ty) * kW + tx) * 4 + k] / 255.0;
    }
  for (int k = 0; k < 4; k++) out[k] = 255.0 * (k < 3 ? c[k] * c[3] : c[3]) + bg[k] * (1.0 - c[3]);
}

enum class Scissor { None, Cut, Bounds };

Image draw(Harness& h, int image, int scale, Scissor scissor) {
  return h.render(
      kW + 2 * kAt, kH + 2 * kAt,
      [&](VGcontext* vg) {
        if (scissor == Scissor::Cut) vgrIntersectScissor(vg, kAt + 7, kAt + 5, 20, 12);
        if (scissor == Scissor::Bounds) vgrIntersectScissor(vg, kAt, kAt, kW, kH);
        vgrBeginPath(vg);
        vgrRect(vg, kAt, kAt, kW, kH);
        vgrSetFillPaint(vg, vgrImagePattern(vg, kAt, kAt, kW, kH, 0, image, 1.0f));
        vgrFill(vg);
      },
      rgba(float(kBackground[0]), float(kBackground[1]), float(kBackground[2]), 1), float(scale));
}

TEST(MetalImageBytes, BitmapsAtOneAndTwiceTheirSizeWithinRoundingOfTheExactColour) {
  Harness h;
  std::mt19937 rng(4);
  const std::vector<uint8_t> art = artwork(rng);
  const int image = mvgrCreateRGBAImage(h.vg, kW, kH, 0, art.data());
  ASSERT_TRUE(image);
  for (int scale : {1, 2}) {
    SCOPED_TRACE(scale);
    const Image whole = draw(h, image, scale, Scissor::None);
    // Texels at their centres round once (straight ones premultiplied, then blended), the
    // twice magnified colour twice (its colour and alpha rounded before the blend): within
    // one and one and a half steps of the exact colour. The fringe pixels of the
    // rectangle's edges are left out.
    const double bound = scale == 1 ? 1.0 : 1.5;
    double worst = 0;
    for (int y = (kAt + 1) * scale; y < (kAt + kH - 1) * scale; y++)
      for (int x = (kAt + 1) * scale; x < (kAt + kW - 1) * scale; x++) {
        double e[4];
        exactPixel(art, x, y, scale, whole.at(0, 0), e);
        for (int k = 0; k < 4; k++) worst = std::max(worst, std::fabs(whole.at(x, y)[k] - e[k]));
      }
    EXPECT_LT(worst, bound);
    // Cut by a scissor rectangle on whole pixels: outside it the background, inside the
    // bitmap's own pixels.
    const Image cut = draw(h, image, scale, Scissor::Cut);
    int outside = 0, inside = 0;
    for (int y = 0; y < whole.h; y++)
      for (int x = 0; x < whole.w; x++) {
        const bool in = x >= (kAt + 7) * scale && x < (kAt + 27) * scale && y >= (kAt + 5) * scale &&
                        y < (kAt + 17) * scale;
        for (int k = 0; k < 4; k++) {
          const int want = in ? whole.at(x, y)[k] : whole.at(0, 0)[k];
          (in ? inside : outside) += cut.at(x, y)[k] != want;
        }
      }
    EXPECT_EQ(inside, 0);
    EXPECT_EQ(outside, 0);
    // A scissor rectangle on the bitmap's own bounds (as controls clip their bitmaps)
    // changes nothing.
    EXPECT_TRUE(draw(h, image, scale, Scissor::Bounds).px == whole.px);
  }
}

}  // namespace
}  // namespace fx::gfx
