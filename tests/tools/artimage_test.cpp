// The artwork generator's picture operations: straight alpha from the renderer's premultiplied
// pixels, the colour fill of transparent pixels, film-strip stacking, composing and PNG output.
#include <gtest/gtest.h>

#include "tests/support/ImageRead.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "tools/artwork/ArtImage.h"

namespace orbexart {
namespace {

void set(ArtImage& img, int x, int y, int r, int g, int b, int a) {
  uint8_t* p = img.at(x, y);
  p[0] = uint8_t(r), p[1] = uint8_t(g), p[2] = uint8_t(b), p[3] = uint8_t(a);
}

std::vector<int> px(const ArtImage& img, int x, int y) {
  const uint8_t* p = img.at(x, y);
  return {p[0], p[1], p[2], p[3]};
}

TEST(ArtImage, UnpremultiplyRoundsClampsAndClearsInvisiblePixels) {
  ArtImage img(4, 1);
  set(img, 0, 0, 64, 32, 0, 128);     // half-covered (128, 64, 0)
  set(img, 1, 0, 200, 10, 3, 255);    // opaque: unchanged
  set(img, 2, 0, 90, 80, 70, 0);      // invisible: colour dropped
  set(img, 3, 0, 250, 100, 0, 100);   // colour above alpha cannot be premultiplied: clamped
  Unpremultiply(img);
  EXPECT_EQ(px(img, 0, 0), (std::vector<int>{128, 64, 0, 128}));
  EXPECT_EQ(px(img, 1, 0), (std::vector<int>{200, 10, 3, 255}));
  EXPECT_EQ(px(img, 2, 0), (std::vector<int>{0, 0, 0, 0}));
  EXPECT_EQ(px(img, 3, 0), (std::vector<int>{255, 255, 0, 100}));
}

TEST(ArtImage, FillTransparentColoursEveryInvisiblePixelAndKeepsAlpha) {
  // One red pixel in a corner: the whole picture takes its colour, alpha stays 0.
  ArtImage one(7, 5);
  set(one, 0, 0, 200, 20, 10, 40);
  FillTransparent(one);
  for (int y = 0; y < one.h; y++)
    for (int x = 0; x < one.w; x++) {
      const auto p = px(one, x, y);
      EXPECT_EQ((std::vector<int>{p[0], p[1], p[2]}), (std::vector<int>{200, 20, 10})) << x << "," << y;
      EXPECT_EQ(p[3], (x | y) == 0 ? 40 : 0);
    }

  // Between a red and a blue pixel, the pixel touching both takes their mean; visible pixels
  // keep their colour.
  ArtImage two(3, 1);
  set(two, 0, 0, 255, 0, 0, 255);
  set(two, 2, 0, 0, 0, 255, 128);
  FillTransparent(two);
  EXPECT_EQ(px(two, 1, 0), (std::vector<int>{128, 0, 128, 0}));
  EXPECT_EQ(px(two, 0, 0), (std::vector<int>{255, 0, 0, 255}));
  EXPECT_EQ(px(two, 2, 0), (std::vector<int>{0, 0, 255, 128}));

  // Nearer pixels win: on a long row each side keeps its own colour up to the middle.
  ArtImage row(9, 1);
  set(row, 0, 0, 255, 0, 0, 255);
  set(row, 8, 0, 0, 255, 0, 255);
  FillTransparent(row);
  EXPECT_EQ(px(row, 2, 0), (std::vector<int>{255, 0, 0, 0}));
  EXPECT_EQ(px(row, 6, 0), (std::vector<int>{0, 255, 0, 0}));
}

TEST(ArtImage, FillTransparentLeavesInvisibleAndEmptyPicturesAlone) {
  ArtImage blank(4, 4);
  FillTransparent(blank);
  for (uint8_t v : blank.px) EXPECT_EQ(v, 0);
  ArtImage empty;
  FillTransparent(empty);
  EXPECT_TRUE(empty.px.empty());
}

TEST(ArtImage, StackFramesPutsFrameOneOnTopAndRefusesMixedSizes) {
  std::vector<ArtImage> frames(3, ArtImage(2, 2));
  for (int i = 0; i < 3; i++) set(frames[size_t(i)], 1, 1, 10 * (i + 1), 0, 0, 255);
  const ArtImage strip = StackFrames(frames);
  ASSERT_EQ(strip.w, 2);
  ASSERT_EQ(strip.h, 6);
  for (int i = 0; i < 3; i++) EXPECT_EQ(strip.at(1, 2 * i + 1)[0], 10 * (i + 1));
  frames.push_back(ArtImage(2, 3));
  EXPECT_TRUE(StackFrames(frames).px.empty());
  EXPECT_TRUE(StackFrames({}).px.empty());
}

TEST(ArtImage, DrawOverBlendsTheChosenFrameAndClipsAtTheEdges) {
  ArtImage strip(2, 4);  // two frames of 2 x 2
  for (int y = 0; y < 2; y++)
    for (int x = 0; x < 2; x++) {
      set(strip, x, y, 255, 0, 0, 255);          // frame 1: opaque red
      set(strip, x, y + 2, 0, 0, 255, 128);      // frame 2: half blue
    }
  ArtImage dst(3, 3);
  for (int y = 0; y < 3; y++)
    for (int x = 0; x < 3; x++) set(dst, x, y, 255, 255, 255, 255);
  DrawOver(dst, strip, 1, 2, 2, -1);  // only (2, 0) is inside
  EXPECT_EQ(px(dst, 2, 0), (std::vector<int>{127, 127, 255, 255}));
  EXPECT_EQ(px(dst, 1, 0), (std::vector<int>{255, 255, 255, 255}));
  EXPECT_EQ(px(dst, 2, 1), (std::vector<int>{255, 255, 255, 255}));
  DrawOver(dst, strip, 0, 2, 0, 1);
  EXPECT_EQ(px(dst, 1, 2), (std::vector<int>{255, 0, 0, 255}));
  // A frame that does not exist draws nothing.
  const ArtImage before = dst;
  DrawOver(dst, strip, 2, 2, 0, 0);
  DrawOver(dst, strip, 0, 3, 0, 0);
  EXPECT_EQ(dst.px, before.px);
}

TEST(ArtImage, WritePngRoundTripsStraightAlphaAndRepeatsItsBytes) {
  ArtImage img(5, 3);
  for (int y = 0; y < 3; y++)
    for (int x = 0; x < 5; x++) set(img, x, y, x * 50, y * 80, 7, (x * 60 + y) % 256);
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / "artimage_test";
  std::filesystem::create_directories(dir);
  const std::string a = (dir / "a.png").string(), b = (dir / "b.png").string();
  ASSERT_TRUE(WritePng(a, img));
  ASSERT_TRUE(WritePng(b, img));
  testimage::Decoded d;
  ASSERT_TRUE(testimage::Read(a, d));
  EXPECT_EQ(d.width, 5);
  EXPECT_EQ(d.height, 3);
  EXPECT_EQ(d.channels, 4);
  EXPECT_EQ(d.rgba, img.px);
  std::ifstream fa(a, std::ios::binary), fb(b, std::ios::binary);
  const std::string ba((std::istreambuf_iterator<char>(fa)), {}), bb((std::istreambuf_iterator<char>(fb)), {});
  EXPECT_EQ(ba, bb);
  EXPECT_FALSE(WritePng((dir / "no-such-folder" / "c.png").string(), img));
  EXPECT_FALSE(WritePng(a, ArtImage()));
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace orbexart
