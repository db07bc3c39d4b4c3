// Transforms and their saved states, clipping, layers and the drop-shadow blur.

#include "graphics/ShadowBlur.h"
#include "tests/graphics/GfxTestSupport.h"

#include <gtest/gtest.h>

namespace fx::gfx::test {
namespace {

TEST(Transforms, SavesRestoresAndReset)
{
  EditorFixture f;
  f.gfx->PathTransformTranslate(10, 0);
  f.gfx->PathTransformSave();
  f.gfx->PathTransformScale(2);
  f.gfx->PathTransformSave();
  f.gfx->PathTransformRotate(90);
  f.gfx->PathTransformRestore();
  f.gfx->PathTransformRestore();
  EXPECT_EQ(f.gfx->GetTransform(), IMatrix(1, 0, 0, 1, 10, 0));
  f.gfx->Clear();
  f.gfx->PathTransformRestore(); // a third restore does nothing
  EXPECT_TRUE(f.gfx->calls.empty());
  EXPECT_EQ(f.gfx->GetTransform(), IMatrix(1, 0, 0, 1, 10, 0));

  f.gfx->PathTransformSave();
  f.gfx->PathTransformReset(true);
  EXPECT_EQ(f.gfx->GetTransform(), IMatrix());
  f.gfx->PathTransformTranslate(3, 4);
  f.gfx->PathTransformRestore(); // emptied by the reset
  EXPECT_EQ(f.gfx->GetTransform(), IMatrix(1, 0, 0, 1, 3, 4));

  // Post-multiplied: the translation applies before the scale given after it.
  IMatrix m;
  m.Scale(2, 3).Translate(1, 1);
  double x = 0, y = 0;
  m.TransformPoint(x, y);
  EXPECT_EQ(x, 2);
  EXPECT_EQ(y, 3);
  IMatrix r = IMatrix::Rotation(90.f);
  x = 1, y = 0;
  r.TransformPoint(x, y);
  EXPECT_NEAR(x, 0, 1e-7);
  EXPECT_NEAR(y, 1, 1e-7); // clockwise on screen
}

TEST(Transforms, ClipsAreInUntransformedUnitsWithinTheSurface)
{
  EditorFixture f;
  auto* c = new TestControl(IRECT(0, 0, 100, 100));
  f.gfx->AttachControl(c);
  IRECTList rects;
  rects.Add(IRECT(0, 0, 50, 50));
  f.gfx->DrawDirtyRects(rects); // the clip of the control drawn last: (0, 0, 50, 50)
  f.gfx->PathTransformTranslate(5, 5);
  f.gfx->Clear();
  f.gfx->PathClipRegion();
  EXPECT_EQ(f.gfx->Ops(), (std::vector<std::string>{"SetPathTransform", "SetClipRegion", "SetPathTransform"}));
  EXPECT_EQ(f.gfx->calls[0].a, (std::vector<double>{1, 0, 0, 1, 0, 0}));
  EXPECT_EQ(f.gfx->calls[1].a, (std::vector<double>{0, 0, 50, 50}));
  EXPECT_EQ(f.gfx->calls[2].a, (std::vector<double>{1, 0, 0, 1, 5, 5}));
  f.gfx->Clear();
  f.gfx->PathClipRegion(IRECT(40, 40, 80, 80));
  EXPECT_EQ(f.gfx->calls[1].a, (std::vector<double>{40, 40, 50, 50}));
  f.gfx->Clear();
  f.gfx->PathClipRegion(IRECT(60, 60, 80, 80)); // outside: an empty clip
  EXPECT_EQ(f.gfx->calls[1].a, (std::vector<double>{0, 0, 0, 0}));
}

TEST(Layers, PixelAlignedBoundsAndSize)
{
  EditorFixture f;
  f.gfx->SetScreenScale(2.f);
  f.gfx->Clear();
  f.gfx->StartLayer(nullptr, IRECT(0.3f, 0.3f, 10.2f, 10.2f));
  EXPECT_EQ(f.gfx->Find("CreateAPIBitmap")->a, (std::vector<double>{22, 22, 2, 1, 0}));
  ASSERT_NE(f.gfx->GetCurrentLayer(), nullptr);
  EXPECT_EQ(f.gfx->GetCurrentLayer()->Bounds(), IRECT(0, 0, 10.5f, 10.5f));
  EXPECT_EQ(f.gfx->Ops()[1], "UpdateLayer");
  ILayerPtr layer = f.gfx->EndLayer();
  ASSERT_TRUE(layer);
  EXPECT_EQ(f.gfx->GetCurrentLayer(), nullptr);
  EXPECT_FALSE(f.gfx->EndLayer()); // none left: an empty pointer

  // Drawn back with the identity transform, then the transform as it was.
  f.gfx->PathTransformTranslate(7, 7);
  f.gfx->Clear();
  f.gfx->DrawLayer(layer);
  const Call* draw = f.gfx->Find("DrawBitmap");
  ASSERT_NE(draw, nullptr);
  EXPECT_EQ(draw->a, (std::vector<double>{0, 0, 10.5, 10.5, 0, 0, 1}));
  EXPECT_EQ(f.gfx->All("SetPathTransform").front().a, (std::vector<double>{1, 0, 0, 1, 0, 0}));
  EXPECT_EQ(f.gfx->GetTransform(), IMatrix(1, 0, 0, 1, 7, 7));

  f.gfx->ResumeLayer(layer);
  EXPECT_FALSE(layer);
  layer = f.gfx->EndLayer();
  EXPECT_TRUE(layer);
}

TEST(Layers, MovedOwnerOrNewScaleInvalidates)
{
  EditorFixture f;
  auto* c = new TestControl(IRECT(0, 0, 20, 20));
  f.gfx->AttachControl(c);
  f.gfx->StartLayer(c, c->GetRECT());
  ILayerPtr layer = f.gfx->EndLayer();
  EXPECT_TRUE(f.gfx->CheckLayer(layer));
  c->SetPosition(5, 5);
  EXPECT_FALSE(f.gfx->CheckLayer(layer));
  EXPECT_FALSE(f.gfx->CheckLayer(layer)); // stays invalid until replaced
  f.gfx->StartLayer(c, c->GetRECT());
  layer = f.gfx->EndLayer();
  EXPECT_TRUE(f.gfx->CheckLayer(layer));
  f.gfx->SetScreenScale(2.f);
  EXPECT_FALSE(f.gfx->CheckLayer(layer));
  EXPECT_FALSE(f.gfx->CheckLayer(nullptr));
}

TEST(ShadowBlur, Kernels)
{
  std::vector<uint8_t> k;
  EXPECT_EQ(MakeShadowKernel(1.f, k), 255u);
  EXPECT_EQ(k, (std::vector<uint8_t>{255}));
  EXPECT_EQ(MakeShadowKernel(3.f, k), 255u + 2u * (155u + 35u));
  EXPECT_EQ(k, (std::vector<uint8_t>{255, 155, 35}));
  EXPECT_EQ(MakeShadowKernel(0.f, k), 255u); // at least one tap
}

// A layer of w × h pixels whose alpha is one opaque pixel at (px, py).
struct ShadowFixture : EditorFixture
{
  ShadowFixture(int w, int h, int px, int py)
  {
    gfx->layerPixels = [=](const ILayer&, RawBitmapData& data) {
      data.Resize(w * h * 4);
      std::fill(data.Bytes(), data.Bytes() + w * h * 4, 0);
      data.Bytes()[(py * w + px) * 4 + 3] = 255;
      data.Bytes()[(py * w + px) * 4 + 0] = 77;
    };
    gfx->StartLayer(nullptr, IRECT(0, 0, static_cast<float>(w), static_cast<float>(h)));
    layer = gfx->EndLayer();
    width = w;
  }
  int Alpha(int x, int y) const { return gfx->lastShadowMask.Bytes()[(y * width + x) * 4 + 3]; }
  ILayerPtr layer;
  int width;
};

TEST(ShadowBlur, BlurZeroKeepsTheAlpha)
{
  ShadowFixture f(9, 9, 4, 4);
  f.gfx->ApplyLayerDropShadow(f.layer, IShadow(IPattern(kColorBlack), 0.f, 2.f, 2.f, 0.5f));
  ASSERT_EQ(f.gfx->Count("ApplyShadowMask"), 1);
  for (int y = 0; y < 9; ++y)
    for (int x = 0; x < 9; ++x) EXPECT_EQ(f.Alpha(x, y), (x == 4 && y == 4) ? 255 : 0);
  EXPECT_EQ(f.gfx->lastShadowMask.Bytes()[(4 * 9 + 4) * 4], 77); // colour untouched
}

TEST(ShadowBlur, BlurTwoSpreadsOverFiveByFive)
{
  ShadowFixture f(11, 11, 5, 5);
  f.gfx->ApplyLayerDropShadow(f.layer, IShadow(IPattern(kColorBlack), 2.f, 0.f, 0.f, 1.f));
  // Separable integer passes with the taps 255, 155, 35 (norm 635): each pixel is
  // (255 · k[|dx|] / 635) · k[|dy|] / 635, so nothing reaches beyond two pixels.
  const unsigned k[] = {255, 155, 35};
  for (int y = 0; y < 11; ++y)
    for (int x = 0; x < 11; ++x)
    {
      const int dx = std::abs(x - 5), dy = std::abs(y - 5);
      const unsigned expected = (dx <= 2 && dy <= 2) ? (255u * k[dx] / 635u) * k[dy] / 635u : 0u;
      EXPECT_EQ(static_cast<unsigned>(f.Alpha(x, y)), expected) << x << "," << y;
    }
  EXPECT_GT(f.Alpha(3, 5), 0);
  EXPECT_GT(f.Alpha(5, 7), 0);
}

TEST(ShadowBlur, LinesShorterThanTheKernelAndUniformAreas)
{
  // Three taps each side over a 2 × 2 layer: every sum stays inside the lines.
  ShadowFixture small(2, 2, 0, 0);
  small.gfx->ApplyLayerDropShadow(small.layer, IShadow(IPattern(kColorBlack), 4.f, 0.f, 0.f, 1.f));
  EXPECT_EQ(small.gfx->Count("ApplyShadowMask"), 1);

  // A uniform line keeps its value in the middle (the equal-run shortcut) and falls off at the ends.
  std::vector<uint8_t> k;
  const uint32_t norm = MakeShadowKernel(3.f, k);
  std::vector<uint8_t> in(20 * 4, 0), out(20 * 4, 0);
  for (int j = 0; j < 20; ++j) in[static_cast<size_t>(j * 4)] = 200;
  BlurShadowPass(in.data(), 0, 1, 20, out.data(), 4, k, norm);
  for (int j = 2; j < 18; ++j) EXPECT_EQ(out[static_cast<size_t>(j * 4)], 200) << j;
  EXPECT_LT(out[0], 200);
  EXPECT_LT(out[19 * 4], 200);
}

TEST(ShadowBlur, NoPixelsNoShadow)
{
  EditorFixture f;
  f.gfx->StartLayer(nullptr, IRECT(0, 0, 10, 10));
  ILayerPtr layer = f.gfx->EndLayer();
  f.gfx->ApplyLayerDropShadow(layer, IShadow());
  f.gfx->ApplyLayerDropShadow(nullptr, IShadow());
  EXPECT_EQ(f.gfx->Count("ApplyShadowMask"), 0);
}

} // namespace
} // namespace fx::gfx::test
