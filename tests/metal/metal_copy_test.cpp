// The texel-copy program draws exactly what the general program draws: premultiplied images
// (opaque, clear and half-transparent texels) landing texel on pixel, partly outside the
// target, into framebuffers and BGRA drawables at one and two pixels per point; and it is
// chosen only where the image does land texel on pixel with white paint, no scissor and
// source-over.
#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <vector>

#include "tests/metal/Harness.h"

namespace fx::gfx {
namespace {

using test::Harness;
using test::Image;
using test::rgba;

constexpr int kW = 37, kH = 23;

std::vector<unsigned char> premultipliedTexels(unsigned seed) {
  std::mt19937 rng(seed);
  std::vector<unsigned char> px(size_t(kW) * kH * 4);
  for (size_t i = 0; i < px.size(); i += 4) {
    const unsigned kind = rng() % 3;
    const int a = kind == 0 ? 255 : kind == 1 ? 0 : int(rng() % 256);
    for (int c = 0; c < 3; c++) px[i + c] = static_cast<unsigned char>(a == 0 ? 0 : rng() % (a + 1));
    px[i + 3] = static_cast<unsigned char>(a);
  }
  return px;
}

struct Scene {
  float ratio = 1;
  float x = 0, y = 0;  // the image's place in points
  int imageFlags = VG_IMAGE_PREMULTIPLIED;
  float alpha = 1;
  bool scissor = false;
  bool drawable = false;  // a BGRA drawable instead of an RGBA framebuffer
};

// Draws the scene in a fresh renderer, with or without the copy program; returns its pixels
// (RGBA) and whether the copy pipeline was made.
Image drawScene(const Scene& s, bool allowCopy, bool* copied) {
  Harness h;
  MVGcontext_vORBEX9_au* m = h.mvg();
  MTLFunction* copy = m->texelCopyFunction;
  if (!allowCopy) m->texelCopyFunction = nullptr;
  const std::vector<unsigned char> texels = premultipliedTexels(7);
  const int image = mvgrCreateRGBAImage(h.vg, kW, kH, s.imageFlags, texels.data());
  const int w = 40, h2 = 30;
  auto draw = [&](VGcontext* vg) {
    const float ew = kW / s.ratio, eh = kH / s.ratio;
    vgrBeginPath(vg);
    vgrRect(vg, s.x, s.y, ew, eh);
    vgrSetFillPaint(vg, vgrImagePattern(vg, s.x, s.y, ew, eh, 0, image, s.alpha));
    if (s.scissor) vgrSetScissor(vg, 2, 2, 20, 20);
    vgrFill(vg);
  };
  Image out;
  if (!s.drawable) {
    out = h.render(w, h2, draw, rgba(0.2f, 0.4f, 0.6f, 0.8f), s.ratio);
  } else {
    const int pw = int(w * s.ratio), ph = int(h2 * s.ratio);
    h.layer->setPixelFormat(MTLPixelFormatBGRA8Unorm);
    h.layer->setDrawableSize(CGSizeMake(pw, ph));
    mvgrBindFramebuffer(nullptr);
    vgrBeginFrame(h.vg, float(w), float(h2), s.ratio);
    draw(h.vg);
    vgrEndFrame(h.vg);
    MTLCommandBuffer* cb = m->commandQueue->commandBuffer();
    cb->commit();
    cb->waitUntilCompleted();
    cb->release();
    MTLTexture* t = h.layer->copyPresentedTexture();
    out.w = pw, out.h = ph;
    out.px.resize(size_t(pw) * ph * 4);
    if (t) {
      t->getBytes(out.px.data(), NSUInteger(pw) * 4, MTLRegionMake2D(0, 0, unsigned(pw), unsigned(ph)), 0);
      for (size_t i = 0; i < out.px.size(); i += 4) std::swap(out.px[i], out.px[i + 2]);
      t->release();
    }
  }
  *copied = m->copyPipelineState != nullptr;
  m->texelCopyFunction = copy;
  mvgrDeleteImage(h.vg, image);
  return out;
}

void expectSamePixels(const Scene& s, bool wantCopy) {
  bool copied = false, general = false;
  const Image fast = drawScene(s, true, &copied);
  const Image ref = drawScene(s, false, &general);
  EXPECT_EQ(copied, wantCopy);
  EXPECT_FALSE(general);
  ASSERT_EQ(fast.px.size(), ref.px.size());
  int differing = 0;
  for (size_t i = 0; i < fast.px.size(); i++) differing += fast.px[i] != ref.px[i];
  EXPECT_EQ(differing, 0);
  // Something of the image shows, and the destination shows through where it is clear.
  EXPECT_GT(ref.alphaSum(), 0);
}

TEST(MetalTexelCopy, ImagesLandingTexelOnPixelAreCopiedExactly) {
  for (bool drawable : {false, true}) {
    for (float ratio : {1.0f, 2.0f}) {
      SCOPED_TRACE(testing::Message() << "drawable " << drawable << " ratio " << ratio);
      // Inside, and hanging over each edge of the target by whole pixels.
      for (const auto& at : {std::pair{3.0f, 4.0f}, std::pair{-5.0f, -3.0f}, std::pair{25.0f, 20.0f}}) {
        Scene s;
        s.ratio = ratio, s.drawable = drawable, s.x = at.first, s.y = at.second;
        expectSamePixels(s, true);
      }
      // Half a pixel off: sampled between texels.
      Scene half;
      half.ratio = ratio, half.drawable = drawable, half.x = 3.5f / ratio, half.y = 4;
      expectSamePixels(half, false);
    }
  }
}

TEST(MetalTexelCopy, OnlyPlainImagesAreCopied) {
  Scene straight;
  straight.imageFlags = 0;
  expectSamePixels(straight, false);
  Scene faded;
  faded.alpha = 0.5f;
  expectSamePixels(faded, false);
  Scene scissored;
  scissored.scissor = true;
  expectSamePixels(scissored, false);
  Scene repeated;
  repeated.imageFlags = VG_IMAGE_PREMULTIPLIED | VG_IMAGE_REPEATX;
  expectSamePixels(repeated, false);
}

}  // namespace
}  // namespace fx::gfx
