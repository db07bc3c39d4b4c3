// The Metal renderer's shortcuts draw what the general way draws. The texel-copy program:
// premultiplied images (opaque, clear and half-transparent texels) landing texel on pixel,
// partly outside the target, into framebuffers and BGRA drawables (written past the caches)
// at one and two pixels per point; chosen only where the image does land texel on pixel with white paint, no scissor
// and source-over. Rectangles on pixel boundaries recorded without their fringe.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <random>
#include <vector>

#include "tests/metal/Harness.h"

namespace fx::gfx {
namespace {

using test::Harness;
using test::Image;
using test::rgba;

constexpr int kW = 97, kH = 23;

std::vector<unsigned char> premultipliedTexels(unsigned seed) {
  std::mt19937 rng(seed);
  std::vector<unsigned char> px(size_t(kW) * kH * 4);
  for (size_t i = 0; i < px.size(); i += 4) {
    // Long opaque runs at the start of each row (copied past the caches into drawables), then
    // opaque, clear and half-transparent texels mixed.
    const unsigned kind = (i / 4) % kW < 70 ? 0 : rng() % 3;
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
  const int w = 110, h2 = 30;
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
  // Opaque texels landing on pixels are the pixels' very bytes.
  if (!wantCopy) return;
  const std::vector<unsigned char> texels = premultipliedTexels(7);
  int wrong = 0;
  for (int y = 0; y < kH; y++)
    for (int x = 0; x < 70; x++) {
      const int px = int(s.x * s.ratio) + x, py = int(s.y * s.ratio) + y;
      if (px < 0 || py < 0 || px >= fast.w || py >= fast.h) continue;
      wrong += std::memcmp(fast.at(px, py), &texels[(size_t(y) * kW + x) * 4], 4) != 0;
    }
  EXPECT_EQ(wrong, 0);
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

// Rectangles on pixel boundaries are recorded whole, without their fringe, and draw what they
// drew with it; the reference is the same fill with one more (zero-area) fan vertex, which
// keeps the fringe.
bool gKeepFringe = false;
int gFringeVertices = 0;  // of the call last recorded

void fillKeepingFringe(void* u, VGpaint* paint, VGcompositeOperationState op, VGscissor* scissor, float fringe,
                       const float* bounds, const VGpath* paths, int npaths) {
  std::vector<VGvertex> fan;
  VGpath p;
  if (gKeepFringe && npaths == 1 && paths[0].nfill > 0) {
    fan.assign(paths[0].fill, paths[0].fill + paths[0].nfill);
    fan.push_back(fan.back());
    p = paths[0];
    p.fill = fan.data();
    p.nfill = int(fan.size());
    paths = &p;
  }
  auto* m = static_cast<MVGcontext_vORBEX9_au*>(u);
  m->renderFill(paint, op, scissor, fringe, bounds, paths, npaths);
  gFringeVertices = m->buffers->ncalls > 0 ? m->buffers->calls[m->buffers->ncalls - 1].strokeCount : -1;
}

TEST(MetalPixelAlignedRects, AreDrawnAsWithTheirFringe) {
  const std::vector<unsigned char> texels = premultipliedTexels(11);  // scene 3 reads them as straight
  for (float ratio : {1.0f, 2.0f}) {
    for (int scene = 0; scene < 5; scene++) {
      Image out[2];
      for (int keep = 0; keep < 2; keep++) {
        Harness h;
        h.vg->params.renderFill = &fillKeepingFringe;
        gKeepFringe = keep == 1;
        const int image =
            mvgrCreateRGBAImage(h.vg, kW, kH, scene == 3 ? 0 : VG_IMAGE_PREMULTIPLIED, texels.data());
        out[keep] = h.render(
            40, 30,
            [&](VGcontext* vg) {
              vgrBeginPath(vg);
              vgrRect(vg, 3, 4, 30, 20);
              if (scene == 0) vgrSetFillColor(vg, rgba(0.9f, 0.3f, 0.1f, 0.6f));
              if (scene == 1)
                vgrSetFillPaint(vg, vgrLinearGradient(vg, 3, 4, 33, 24, rgba(1, 0, 0, 1), rgba(0, 0, 1, 0.3f)));
              if (scene >= 2) vgrSetFillPaint(vg, vgrImagePattern(vg, 3, 4, kW / ratio, kH / ratio, 0, image, 1));
              if (scene == 4) {  // magnified, and clipped
                vgrSetFillPaint(vg, vgrImagePattern(vg, 3, 4, 2.0f * kW / ratio, 1.5f * kH / ratio, 0, image, 1));
                vgrSetScissor(vg, 5, 6, 20, 13);
              }
              vgrFill(vg);
            },
            rgba(0.2f, 0.4f, 0.6f, 0.8f), ratio);
        EXPECT_EQ(gFringeVertices > 0, keep == 1);
        mvgrDeleteImage(h.vg, image);
      }
      gKeepFringe = false;
      SCOPED_TRACE(testing::Message() << "ratio " << ratio << " scene " << scene);
      ASSERT_EQ(out[0].px.size(), out[1].px.size());
      int worst = 0;
      for (size_t i = 0; i < out[0].px.size(); i++) worst = std::max(worst, std::abs(out[0].px[i] - out[1].px[i]));
      // Straight texels inside are handed over as bytes, which may round one step from the
      // float blend the fringe gave them; everything else is exact.
      EXPECT_LE(worst, scene == 3 ? 1 : 0);
    }
  }
}

}  // namespace
}  // namespace fx::gfx
