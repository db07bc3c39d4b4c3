// Our SVG images drawn by the reader and the editor's drawing API (IGfx::DrawSVG on the vector
// renderer's binding, through the Metal renderer), against the same files rendered by
// rsvg-convert. Both are drawn over white; each image is held to a mean absolute difference and
// a share of pixels differing by more than kPixelTolerance in some channel. The PNGs of both
// renderings and of their difference are written to <build>/svg_compare for a person to see.
#include <gtest/gtest.h>

#include <stb_image.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "graphics/mac/IGfxMac.h"
#include "graphics/svg/SVGParser.h"
#include "tests/graphics/GfxTestSupport.h"
#include "tests/metal/Harness.h"

namespace fx::svg {
namespace {

namespace fs = std::filesystem;
using gfx::test::Image;

constexpr int kPixelTolerance = 48;  // a channel further off than this marks the pixel as differing

struct Case {
  const char* name;
  double maxMean;   // mean absolute difference per channel, 0..255
  double maxShare;  // share of differing pixels, 0..1
  // Text replaced in the file given to rsvg-convert, for what the renderer does not draw
  // (dashes, spread methods): the reference then shows what our chain is meant to draw.
  std::vector<std::pair<std::string, std::string>> referenceEdits = {};
};

fs::path sourceDir() {
  const char* s = std::getenv("ORBEX_SOURCE_DIR");
  return fs::path(s ? s : ".") / "tests/graphics/svg/images";
}

fs::path outputDir() {
  const char* b = std::getenv("ORBEX_BINARY_DIR");
  std::error_code ec;
  fs::path out = (b ? fs::path(b) : fs::temp_directory_path(ec)) / "svg_compare";
  fs::create_directories(out, ec);
  return out;
}

bool haveRsvg() { return std::system("rsvg-convert --version > /dev/null 2>&1") == 0; }

std::string readFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

// Renders the SVG text with rsvg-convert over white; an empty image on failure.
Image reference(const Case& c, const std::string& text) {
  std::string edited = text;
  for (const auto& [from, to] : c.referenceEdits)
    for (size_t at = edited.find(from); at != std::string::npos; at = edited.find(from, at + to.size()))
      edited.replace(at, from.size(), to);
  const fs::path svg = outputDir() / (std::string(c.name) + "-reference.svg");
  const fs::path png = outputDir() / (std::string(c.name) + "-rsvg.png");
  std::ofstream(svg, std::ios::binary) << edited;
  fs::remove(png);
  const std::string cmd = "rsvg-convert -b white -o '" + png.string() + "' '" + svg.string() + "'";
  Image img;
  if (std::system(cmd.c_str()) != 0) return img;
  int n = 0;
  unsigned char* px = stbi_load(png.string().c_str(), &img.w, &img.h, &n, 4);
  if (!px) return Image();
  img.px.assign(px, px + size_t(img.w) * img.h * 4);
  stbi_image_free(px);
  return img;
}

// One frame of an editor of the image's size whose one control draws the image over white.
Image ours(const std::string& text, int w, int h) {
  std::unique_ptr<SVGImage, decltype(&SVGDeleteImage)> image(SVGParse(text.data(), text.size(), "px", 96.f),
                                                              SVGDeleteImage);
  if (!image) return Image();
  const gfx::ISVG svg(image.get());
  gfx::test::TestDelegate delegate;
  gfx::IGfxMac editor(delegate, w, h, 60, 1.f);
  delegate.SetLayoutFunc([&](gfx::IGfx* g) {
    g->AttachControl(new gfx::test::DrawingControl(g->GetBounds(), [&](gfx::IGfx& gg, const gfx::IRECT& r) {
      gg.FillRect(gfx::kColorWhite, r);
      gg.DrawSVG(svg, r);
    }));
  });
  editor.OpenWindow(nullptr);
  gfx::IRECTList dirty;
  if (editor.IsDirty(dirty)) editor.DrawDirtyRects(dirty);
  Image img;
  auto* vg = static_cast<gfx::VGcontext*>(editor.GetDrawContext());
  if (!vg || !editor.GetMainFramebuffer()) return img;
  img.w = w, img.h = h;
  img.px.resize(size_t(w) * h * 4);
  gfx::mvgrReadPixels(vg, editor.GetMainFramebuffer()->image, 0, 0, w, h, img.px.data());
  editor.CloseWindow();
  return img;
}

struct Difference {
  double mean = 0, share = 0;
  Image map;  // per pixel: grey for small differences, red where the pixel differs
};

Difference compare(const Image& a, const Image& b) {
  Difference d;
  d.map.w = a.w, d.map.h = a.h;
  d.map.px.assign(a.px.size(), 255);
  double sum = 0;
  size_t differing = 0;
  for (int y = 0; y < a.h; y++)
    for (int x = 0; x < a.w; x++) {
      int worst = 0;
      for (int ch = 0; ch < 3; ch++) {
        const int diff = std::abs(a.at(x, y)[ch] - b.at(x, y)[ch]);
        sum += diff;
        worst = std::max(worst, diff);
      }
      uint8_t* m = &d.map.px[(size_t(y) * a.w + x) * 4];
      if (worst > kPixelTolerance) {
        differing++;
        m[0] = 255, m[1] = 0, m[2] = 0;
      } else {
        m[0] = m[1] = m[2] = uint8_t(255 - std::min(255, worst * 5));
      }
    }
  d.mean = sum / (3.0 * a.w * a.h);
  d.share = double(differing) / (double(a.w) * a.h);
  return d;
}

class SVGAgainstRsvg : public ::testing::TestWithParam<Case> {};

TEST_P(SVGAgainstRsvg, MatchesTheReferenceRenderer) {
  if (!haveRsvg()) GTEST_SKIP() << "rsvg-convert is not installed (package librsvg2-bin): comparison skipped";
  const Case& c = GetParam();
  const std::string text = readFile(sourceDir() / (std::string(c.name) + ".svg"));
  ASSERT_FALSE(text.empty()) << c.name;
  const Image ref = reference(c, text);
  ASSERT_GT(ref.w, 0) << "rsvg-convert failed on " << c.name;
  const Image mine = ours(text, ref.w, ref.h);
  ASSERT_EQ(mine.w, ref.w);
  ASSERT_EQ(mine.h, ref.h);
  gfx::test::writePng(std::string(c.name) + "-ours", mine, "svg_compare");
  const Difference d = compare(mine, ref);
  gfx::test::writePng(std::string(c.name) + "-diff", d.map, "svg_compare");
  std::printf("%-18s mean %.3f  differing %.4f%%\n", c.name, d.mean, 100 * d.share);
  EXPECT_LE(d.mean, c.maxMean) << c.name;
  EXPECT_LE(d.share, c.maxShare) << c.name;
}

const std::vector<std::pair<std::string, std::string>> kPadOnly = {{"spreadMethod=\"reflect\"", ""},
                                                                   {"spreadMethod=\"repeat\"", ""}};
const std::vector<std::pair<std::string, std::string>> kUndashed = {{"stroke-dasharray", "data-dasharray"}};

INSTANTIATE_TEST_SUITE_P(Images, SVGAgainstRsvg,
                         ::testing::Values(Case{"knob", 1.0, 0.005},                                //
                                           Case{"gradients_linear", 1.0, 0.005},                    //
                                           Case{"gradients_radial", 1.0, 0.005},                    //
                                           Case{"gradient_spread", 1.0, 0.005, kPadOnly},           //
                                           Case{"strokes", 1.0, 0.005},                             //
                                           Case{"transforms", 1.0, 0.005},                          //
                                           Case{"groups", 1.0, 0.005},                              //
                                           Case{"evenodd", 1.0, 0.005},                             //
                                           Case{"arcs", 1.0, 0.005},                                //
                                           Case{"viewbox_meet", 1.0, 0.005},                        //
                                           Case{"viewbox_slice", 1.0, 0.005},                       //
                                           Case{"viewbox_none", 1.0, 0.005},                        //
                                           Case{"shapes_units", 1.0, 0.005},                        //
                                           Case{"dashes", 1.0, 0.005, kUndashed},                   //
                                           Case{"use_symbol", 1.0, 0.005}),
                         [](const ::testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace fx::svg
