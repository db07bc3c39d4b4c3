// The graphics core bound to the vector renderer, through an editor opened headless: frame and
// framebuffer sizes, the frame sequence with its deferred framebuffer release, arcs, blend
// modes, dotted lines, bitmaps, layers and the shared font store, read back as pixels.
#include "tests/graphics/mac/MacEditorFixture.h"

#include <cmath>
#include <string>

#include "graphics/mac/MVGContext.h"

namespace fx::gfx::test {
namespace {

const MVGcontext_vORBEX9_au* Renderer(IGfx& g)
{
  return static_cast<const MVGcontext_vORBEX9_au*>(static_cast<VGcontext*>(g.GetDrawContext())->params.userPtr);
}

bool Near(const uint8_t* p, int r, int g, int b, int tolerance = 8)
{
  return std::abs(p[0] - r) <= tolerance && std::abs(p[1] - g) <= tolerance && std::abs(p[2] - b) <= tolerance;
}

class GfxVGTest : public MacEditorTest
{
protected:
  /** Opens a 100 × 100 editor whose one control draws through draw; one frame is drawn. */
  Image DrawOnce(std::function<void(IGfx&, const IRECT&)> draw)
  {
    layout = [draw](IGfx& g) {
      g.AttachControl(new DrawingControl(g.GetBounds(), [draw](IGfx& gg, const IRECT& r) {
        gg.FillRect(kColorBlack, r);
        draw(gg, r);
      }));
    };
    OpenHeadless(100, 100);
    Frame();
    return MainPixels();
  }
};

TEST_F(GfxVGTest, FramebufferAndFrameFollowDrawAndScreenScale)
{
  nsx::SetMainScreen(NSMakeSize(1920, 1080), 2.0);
  OpenHeadless(300, 200, 1.5f);
  ASSERT_TRUE(gfx->IsDrawContextReady());
  EXPECT_TRUE(dlg.GetEditorReady());
  EXPECT_EQ(gfx->GetScreenScale(), 2.f);
  const Image fb = MainPixels();
  EXPECT_EQ(fb.w, 900);
  EXPECT_EQ(fb.h, 600);
  gfx->BeginFrame();
  // Frames begin at 450 × 300 points at pixel ratio 2.
  EXPECT_EQ(Renderer(*gfx)->viewPortSize[0], 900u);
  EXPECT_EQ(Renderer(*gfx)->viewPortSize[1], 600u);
  gfx->EndFrame();
  // The view's frame is in points, its drawable in pixels.
  EXPECT_EQ(gfx->GetView()->frame().size.width, 450);
  EXPECT_EQ(gfx->GetView()->metalLayer()->drawableSize().width, 900);
  CloseEditor();

  TestDelegate other;
  IGfxMac editor(other, 301, 200, 60, 1.25f);
  editor.OpenWindow(nullptr);
  int w = 0, h = 0;
  vgrGetImageSize(static_cast<VGcontext*>(editor.GetDrawContext()), editor.GetMainFramebuffer()->image, &w, &h);
  EXPECT_EQ(w, 752); // int(int(376.25) × 2)
}

TEST_F(GfxVGTest, ArcsStartAtTwelveOClockAndTurnByWinding)
{
  const auto pie = [](int winding) {
    return [winding](IGfx& g, const IRECT&) {
      g.PathClear();
      g.PathMoveTo(50, 50);
      g.PathArc(50, 50, 40, 0, 90, winding);
      g.PathClose();
      g.PathFill(IPattern(kColorWhite));
    };
  };
  Image img = DrawOnce(pie(0));
  // Clockwise from 12 to 3 o'clock: the upper right quarter only.
  EXPECT_TRUE(Near(img.at(75, 25), 255, 255, 255));
  EXPECT_TRUE(Near(img.at(25, 25), 0, 0, 0));
  EXPECT_TRUE(Near(img.at(25, 75), 0, 0, 0));
  EXPECT_TRUE(Near(img.at(75, 75), 0, 0, 0));
  CloseEditor();
  img = DrawOnce(pie(1));
  // Counter-clockwise: the other three quarters.
  EXPECT_TRUE(Near(img.at(75, 25), 0, 0, 0));
  EXPECT_TRUE(Near(img.at(25, 25), 255, 255, 255));
  EXPECT_TRUE(Near(img.at(25, 75), 255, 255, 255));
  EXPECT_TRUE(Near(img.at(75, 75), 255, 255, 255));
}

TEST_F(GfxVGTest, BlendMethodsComposeAndResetAfterEachDraw)
{
  const Image img = DrawOnce([](IGfx& g, const IRECT&) {
    const IColor red(255, 255, 0, 0), blue(255, 0, 0, 255), green(255, 0, 255, 0);
    g.FillRect(red, IRECT(0, 0, 50, 50));
    const IBlend add(kBlendAdd, 1.f), behind(kBlendDestOver, 1.f), unknown(42, 1.f), half(kBlendDefault, 0.5f);
    g.FillRect(blue, IRECT(0, 0, 25, 50), &add);     // red + blue
    g.FillRect(blue, IRECT(25, 0, 50, 50), &behind); // behind the opaque red: unseen
    g.FillRect(green, IRECT(50, 0, 100, 50));        // no blend: source-over again
    g.FillRect(IColor(255, 255, 255, 255), IRECT(50, 50, 100, 100), &half);
    g.FillRect(red, IRECT(0, 50, 50, 100), &add);
    g.FillRect(blue, IRECT(0, 50, 50, 100), &unknown); // an unknown method keeps the last state
  });
  EXPECT_TRUE(Near(img.at(10, 25), 255, 0, 255));
  EXPECT_TRUE(Near(img.at(40, 25), 255, 0, 0));
  EXPECT_TRUE(Near(img.at(75, 25), 0, 255, 0));
  EXPECT_TRUE(Near(img.at(75, 75), 128, 128, 128));
  // After a draw the blend state is source-over again, which the unknown method kept.
  EXPECT_TRUE(Near(img.at(25, 75), 0, 0, 255));
}

TEST_F(GfxVGTest, DottedLinesAlternateDashesAndRefuseNoDashLength)
{
  const Image img = DrawOnce([](IGfx& g, const IRECT&) {
    g.DrawDottedLine(kColorWhite, 10, 10, 50, 10, nullptr, 2.f, 10.f); // four dash lengths: two dashes
    g.DrawDottedLine(kColorWhite, 10, 30, 24, 30, nullptr, 2.f, 10.f); // 1.4 dash lengths: nothing
    g.DrawDottedLine(kColorWhite, 10, 50, 90, 50, nullptr, 2.f, 0.f);
    g.DrawDottedLine(kColorWhite, 10, 60, 90, 60, nullptr, 2.f, -3.f);
    g.DrawDottedLine(kColorWhite, 10, 70, 90, 70, nullptr, 2.f, std::nanf(""));
    g.DrawDottedRect(kColorWhite, IRECT(60, 80, 90, 95), nullptr, 2.f, 0.f);
  });
  EXPECT_TRUE(Near(img.at(15, 10), 255, 255, 255));
  EXPECT_TRUE(Near(img.at(25, 10), 0, 0, 0));
  EXPECT_TRUE(Near(img.at(35, 10), 255, 255, 255));
  EXPECT_TRUE(Near(img.at(45, 10), 0, 0, 0));
  for (int x = 5; x < 95; ++x)
    for (int y : {30, 50, 60, 70, 80, 95}) ASSERT_TRUE(Near(img.at(x, y), 0, 0, 0)) << x << "," << y;
}

TEST_F(GfxVGTest, DottedRectsRunClockwiseFromTheTopLeft)
{
  const Image img = DrawOnce([](IGfx& g, const IRECT&) {
    g.DrawDottedRect(kColorWhite, IRECT(10, 10, 90, 90), nullptr, 2.f, 10.f);
  });
  EXPECT_TRUE(Near(img.at(15, 10), 255, 255, 255)); // first dash along the top
  EXPECT_TRUE(Near(img.at(25, 10), 0, 0, 0));
  EXPECT_TRUE(Near(img.at(90, 15), 255, 255, 255)); // down the right edge
  EXPECT_TRUE(Near(img.at(50, 50), 0, 0, 0));
}

TEST_F(GfxVGTest, GradientsUseTheirEndStopsAndSurviveASingularTransform)
{
  const Image img = DrawOnce([](IGfx& g, const IRECT&) {
    IPattern p(kLinearPattern);
    p.AddStop(IColor(255, 255, 0, 0), 0.f);
    p.AddStop(IColor(255, 0, 255, 0), 0.5f); // the stops between are not used
    p.AddStop(IColor(255, 0, 0, 255), 1.f);
    p.SetTransform(IMatrix::Scaling(1.0 / 100.0, 1.0 / 50.0)); // 0..1 over the top half
    g.FillRect(p, IRECT(0, 0, 100, 50));
    IPattern flat = p;
    flat.SetTransform(IMatrix(0, 0, 0, 0, 5, 5)); // no inverse
    g.FillRect(flat, IRECT(0, 50, 100, 100));
  });
  EXPECT_TRUE(Near(img.at(50, 1), 255, 0, 0, 20));
  EXPECT_TRUE(Near(img.at(50, 48), 0, 0, 255, 20));
  EXPECT_LT(img.g(50, 25), 40); // no green in the middle
  // A singular transform draws with the identity: finite colours, blue below y = 1.
  EXPECT_TRUE(Near(img.at(50, 75), 0, 0, 255));
}

TEST_F(GfxVGTest, FramebuffersReleasedDuringAFrameWaitForItsEnd)
{
  OpenHeadless(100, 100);
  std::unique_ptr<APIBitmap> outside(gfx->CreateAPIBitmap(16, 16, 1.f, 1.0, false));
  ASSERT_TRUE(outside);
  outside.reset();
  EXPECT_EQ(gfx->NPendingFramebufferReleases(), 0);

  gfx->BeginFrame();
  EXPECT_TRUE(gfx->InFrame());
  std::unique_ptr<APIBitmap> inside(gfx->CreateAPIBitmap(16, 16, 1.f, 1.0, false));
  ASSERT_TRUE(inside);
  inside.reset();
  EXPECT_EQ(gfx->NPendingFramebufferReleases(), 1);
  gfx->EndFrame();
  EXPECT_FALSE(gfx->InFrame());
  EXPECT_EQ(gfx->NPendingFramebufferReleases(), 0);
}

TEST_F(GfxVGTest, FramesWithoutAFramebufferOrContextEndCleanly)
{
  // A 0 × 0 editor has no main framebuffer: the frame still ends and frees what waited.
  OpenHeadless(0, 0);
  ASSERT_TRUE(gfx->IsDrawContextReady());
  EXPECT_EQ(gfx->GetMainFramebuffer(), nullptr);
  gfx->BeginFrame();
  std::unique_ptr<APIBitmap> layer(gfx->CreateAPIBitmap(8, 8, 1.f, 1.0, false));
  layer.reset();
  EXPECT_EQ(gfx->NPendingFramebufferReleases(), 1);
  gfx->EndFrame();
  EXPECT_FALSE(gfx->InFrame());
  EXPECT_EQ(gfx->NPendingFramebufferReleases(), 0);
  CloseEditor();

  // Never opened: no context, so no frame and nothing drawn.
  IGfxMac closed(dlg, 100, 100, 60, 1.f);
  closed.BeginFrame();
  EXPECT_FALSE(closed.InFrame());
  closed.FillRect(kColorWhite, IRECT(0, 0, 10, 10));
  closed.DrawBitmap(IBitmap(), IRECT(0, 0, 10, 10), 0, 0, nullptr);
  closed.EndFrame();
  IRECT bounds(0, 0, 10, 10);
  EXPECT_EQ(closed.MeasureText(IText(), "text", bounds), 0.f);
}

TEST_F(GfxVGTest, BitmapsAreStoredPerEditorAtTheScaleFound)
{
  nsx::SetMainScreen(NSMakeSize(1920, 1080), 2.0);
  OpenHeadless(100, 100);
  const IBitmap knob = gfx->LoadBitmap(EditorResource("Knob_small.png").c_str(), 1, false, 0);
  ASSERT_TRUE(knob.IsValid());
  EXPECT_EQ(knob.GetAPIBitmap()->GetScale(), 2.f); // the @2x file for a screen of scale 2
  const IBitmap again = gfx->LoadBitmap(EditorResource("Knob_small.png").c_str(), 1, false, 0);
  EXPECT_EQ(again.GetAPIBitmap(), knob.GetAPIBitmap());
  EXPECT_EQ(gfx->NStoredBitmaps(), 1);
  // A scale of which no file exists loads the nearest, once.
  gfx->LoadBitmap(EditorResource("Knob_small.png").c_str(), 1, false, 4);
  gfx->LoadBitmap(EditorResource("Knob_small.png").c_str(), 1, false, 4);
  EXPECT_EQ(gfx->NStoredBitmaps(), 2);
  EXPECT_FALSE(gfx->LoadBitmap(EditorResource("missing.png").c_str(), 1, false, 0).IsValid());
  EXPECT_FALSE(gfx->LoadBitmap(EditorResource("DejaVu-LICENSE.txt").c_str(), 1, false, 0).IsValid());
  EXPECT_TRUE(gfx->BitmapExtSupported("PnG"));
  EXPECT_TRUE(gfx->BitmapExtSupported("xjpegx"));
  EXPECT_FALSE(gfx->BitmapExtSupported("gif"));
  EXPECT_FALSE(gfx->BitmapExtSupported(std::string(40, 'a').append("png").c_str())); // only 31 are read
  CloseEditor();
  EXPECT_EQ(gfx, nullptr);
}

TEST_F(GfxVGTest, BitmapsAndLayersDrawTheirPixels)
{
  std::vector<uint8_t> readBack;
  const Image img = DrawOnce([&](IGfx& g, const IRECT&) {
    const IBitmap bg = g.LoadBitmap(EditorResource("background.png").c_str(), 1, false, 1);
    g.DrawBitmap(bg, IRECT(0, 0, 50, 50), 0, 0);
    g.StartLayer(nullptr, IRECT(50, 50, 100, 100));
    g.FillRect(IColor(255, 0, 255, 0), IRECT(50, 50, 100, 100));
    ILayerPtr layer = g.EndLayer();
    RawBitmapData data;
    g.GetLayerBitmapData(layer, data);
    readBack.assign(data.Bytes(), data.Bytes() + data.GetSize());
    g.DrawLayer(layer);
  });
  ASSERT_EQ(readBack.size(), 50u * 50u * 4u);
  EXPECT_EQ(readBack[1], 255); // the layer's own pixels are green
  EXPECT_TRUE(Near(img.at(75, 75), 0, 255, 0));
  EXPECT_FALSE(Near(img.at(25, 25), 0, 0, 0, 2)); // the background bitmap is not black
}

TEST_F(GfxVGTest, LayerShadowsFallBehindTheirContent)
{
  const Image img = DrawOnce([](IGfx& g, const IRECT&) {
    g.FillRect(kColorWhite, IRECT(0, 0, 100, 100));
    g.StartLayer(nullptr, IRECT(0, 0, 100, 100));
    g.FillRect(IColor(255, 0, 0, 255), IRECT(20, 20, 50, 50));
    ILayerPtr layer = g.EndLayer();
    g.ApplyLayerDropShadow(layer, IShadow(IPattern(kColorBlack), 0.f, 20.f, 20.f, 1.f));
    g.DrawLayer(layer);
    // Pixels written into a layer are drawn as they are.
    g.StartLayer(nullptr, IRECT(80, 80, 90, 90));
    ILayerPtr patch = g.EndLayer();
    RawBitmapData red;
    red.Resize(10 * 10 * 4);
    for (int i = 0; i < 100; ++i)
    {
      uint8_t* p = red.Bytes() + i * 4;
      p[0] = 255, p[1] = 0, p[2] = 0, p[3] = 255;
    }
    g.SetLayerData(patch, red);
    g.DrawLayer(patch);
  });
  EXPECT_TRUE(Near(img.at(30, 30), 0, 0, 255));   // the content
  EXPECT_TRUE(Near(img.at(60, 60), 0, 0, 0, 20)); // its shadow, 20 right and down
  EXPECT_TRUE(Near(img.at(45, 60), 0, 0, 0, 20));
  EXPECT_TRUE(Near(img.at(10, 60), 255, 255, 255)); // nothing else
  EXPECT_TRUE(Near(img.at(85, 85), 255, 0, 0));
}

TEST_F(GfxVGTest, FontDataIsLoadedOncePerProcessAndFreedWithTheLastEditor)
{
  struct CountingFont : PlatformFont
  {
    mutable int asked = 0;
    FontData* GetFontData() const override
    {
      ++asked;
      return nullptr;
    }
  };
  OpenHeadless(100, 100);
  IGfxMac second(dlg, 100, 100, 60, 1.f);
  EXPECT_EQ(IGfxVG::FontStoreUsers(), 2);
  EXPECT_TRUE(gfx->LoadFont("Roboto-Regular", EditorResource("Roboto-Regular.ttf").c_str()));
  EXPECT_EQ(IGfxVG::NStoredFonts(), 1);
  IRECT bounds(0, 0, 100, 20);
  EXPECT_GT(gfx->MeasureText(IText(14.f), "Hello", bounds), 10.f);

  const PlatformFontPtr counting(new CountingFont());
  const auto& asked = static_cast<const CountingFont&>(*counting).asked;
  EXPECT_TRUE(gfx->LoadAPIFont("Roboto-Regular", counting)); // stored: the platform is not asked
  EXPECT_EQ(asked, 0);
  EXPECT_FALSE(gfx->LoadAPIFont("Other", counting)); // no data: refused
  EXPECT_EQ(asked, 1);
  EXPECT_FALSE(gfx->LoadAPIFont("nothing", nullptr));
  EXPECT_FALSE(gfx->LoadFont("Broken", EditorResource("DejaVu-LICENSE.txt").c_str()));
  EXPECT_EQ(IGfxVG::NStoredFonts(), 1);
  CloseEditor();
  EXPECT_EQ(IGfxVG::NStoredFonts(), 1); // the second editor still counts
}

TEST_F(GfxVGTest, TheLastEditorEmptiesTheFontStore)
{
  OpenHeadless(100, 100);
  EXPECT_TRUE(gfx->LoadFont("Roboto-Regular", EditorResource("Roboto-Regular.ttf").c_str()));
  EXPECT_EQ(IGfxVG::NStoredFonts(), 1);
  CloseEditor();
  EXPECT_EQ(IGfxVG::FontStoreUsers(), 0);
  EXPECT_EQ(IGfxVG::NStoredFonts(), 0);
}

} // namespace
} // namespace fx::gfx::test
