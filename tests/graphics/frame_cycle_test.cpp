// The frame cycle: dirty rectangles, their optimisation, clipped drawing and frame timing.

#include "tests/graphics/GfxTestSupport.h"

#include <gtest/gtest.h>

#include <random>

namespace fx::gfx::test {
namespace {

IRECTList List(std::initializer_list<IRECT> rects)
{
  IRECTList l;
  for (const IRECT& r : rects) l.Add(r);
  return l;
}

std::vector<IRECT> Rects(const IRECTList& l)
{
  std::vector<IRECT> v;
  for (int i = 0; i < l.Size(); ++i) v.push_back(l.Get(i));
  return v;
}

TEST(FrameCycle, OptimiserExamples)
{
  // The margin and alignment of two nearby controls, then cut and merged into one.
  IRECTList a = List({IRECT(-1, -1, 11, 11), IRECT(-1, 10, 11, 21)});
  IGfx::OptimizeDirtyRects(a);
  EXPECT_EQ(Rects(a), (std::vector<IRECT>{IRECT(-1, -1, 11, 21)}));

  IRECTList contained = List({IRECT(0, 0, 20, 20), IRECT(5, 5, 10, 10)});
  IGfx::OptimizeDirtyRects(contained);
  EXPECT_EQ(Rects(contained), (std::vector<IRECT>{IRECT(0, 0, 20, 20)}));

  IRECTList corner = List({IRECT(0, 0, 10, 10), IRECT(5, 5, 15, 15)});
  IGfx::OptimizeDirtyRects(corner);
  EXPECT_EQ(Rects(corner), (std::vector<IRECT>{IRECT(0, 0, 10, 10), IRECT(5, 10, 15, 15), IRECT(10, 5, 15, 10)}));

  IRECTList side = List({IRECT(0, 0, 10, 10), IRECT(5, 0, 15, 10)});
  IGfx::OptimizeDirtyRects(side);
  EXPECT_EQ(Rects(side), (std::vector<IRECT>{IRECT(0, 0, 15, 10)}));
}

// Every cell covered by the input is covered by the output, for crossed rectangles and for
// random sets on a grid.
TEST(FrameCycle, OptimiserKeepsEveryDirtyPixelCovered)
{
  auto covered = [](const IRECTList& l, float x, float y) {
    for (int i = 0; i < l.Size(); ++i)
    {
      const IRECT r = l.Get(i);
      if (x >= r.L && x < r.R && y >= r.T && y < r.B) return true;
    }
    return false;
  };
  auto check = [&](const IRECTList& input, int grid) {
    IRECTList out = input;
    IGfx::OptimizeDirtyRects(out);
    for (int y = -2; y < grid + 2; ++y)
      for (int x = -2; x < grid + 2; ++x)
      {
        const float px = x + 0.5f, py = y + 0.5f;
        if (covered(input, px, py))
        {
          ASSERT_TRUE(covered(out, px, py)) << "cell " << x << "," << y;
        }
      }
  };

  check(List({IRECT(0, 10, 40, 20), IRECT(10, 0, 20, 40)}), 40);

  std::mt19937 rng(7);
  std::uniform_int_distribution<int> coord(0, 24);
  for (int round = 0; round < 500; ++round)
  {
    IRECTList l;
    const int n = 1 + round % 7;
    for (int i = 0; i < n; ++i)
    {
      int l0 = coord(rng), t0 = coord(rng), r0 = coord(rng), b0 = coord(rng);
      if (l0 > r0) std::swap(l0, r0);
      if (t0 > b0) std::swap(t0, b0);
      l.Add(IRECT(static_cast<float>(l0), static_cast<float>(t0), static_cast<float>(r0 + 1), static_cast<float>(b0 + 1)));
    }
    check(l, 25);
    if (HasFatalFailure()) return;
  }
}

TEST(FrameCycle, NoDirtyControlMeansNoFrame)
{
  EditorFixture f;
  auto* c = new TestControl(IRECT(0, 0, 10, 10));
  f.gfx->AttachControl(c);
  IRECTList rects;
  EXPECT_TRUE(f.gfx->IsDirty(rects)); // new controls start dirty
  ASSERT_EQ(rects.Size(), 1);
  EXPECT_EQ(rects.Get(0), IRECT(-0.75f, -0.75f, 10.75f, 10.75f));
  f.gfx->SetAllControlsClean();

  rects.Clear();
  f.gfx->Clear();
  EXPECT_FALSE(f.gfx->IsDirty(rects));
  f.gfx->DrawDirtyRects(rects);
  EXPECT_EQ(f.gfx->Count("BeginFrame"), 0);
  EXPECT_EQ(c->draws, 0);
}

TEST(FrameCycle, DirtyAreasArePixelAlignedAtTheTotalScale)
{
  EditorFixture f;
  f.gfx->SetScreenScale(2.f);
  IRECTList rects = List({IRECT(10.3f, 10.3f, 20.2f, 20.2f)});
  auto* c = new TestControl(IRECT(0, 0, 100, 100));
  f.gfx->AttachControl(c);
  f.gfx->Clear();
  f.gfx->DrawDirtyRects(rects);
  EXPECT_EQ(rects.Get(0), IRECT(10.f, 10.f, 20.5f, 20.5f));
  EXPECT_EQ(f.gfx->Ops().front(), "BeginFrame");
  EXPECT_EQ(f.gfx->Ops().back(), "EndFrame");
  EXPECT_EQ(c->drawClip, IRECT(10.f, 10.f, 20.5f, 20.5f));
  const Call* clip = f.gfx->Find("SetClipRegion");
  ASSERT_NE(clip, nullptr);
  EXPECT_EQ(clip->a, (std::vector<double>{10, 10, 20.5, 20.5}));
}

TEST(FrameCycle, HiddenControlsAreSkippedButNotTheBackground)
{
  EditorFixture f;
  auto* background = new TestControl(IRECT(0, 0, 100, 100));
  auto* hidden = new TestControl(IRECT(0, 0, 50, 50));
  auto* away = new TestControl(IRECT(200, 200, 210, 210));
  f.gfx->AttachControl(background);
  f.gfx->AttachControl(hidden);
  f.gfx->AttachControl(away);
  background->Hide(true);
  hidden->Hide(true);
  IRECTList rects = List({IRECT(0, 0, 60, 60)});
  f.gfx->DrawDirtyRects(rects);
  EXPECT_EQ(background->draws, 1);
  EXPECT_EQ(hidden->draws, 0);
  EXPECT_EQ(away->draws, 0); // outside the area
}

TEST(FrameCycle, StrictDrawingDrawsTheUnionOnce)
{
  EditorFixture f;
  auto* c = new TestControl(IRECT(0, 0, 100, 100));
  f.gfx->AttachControl(c);
  f.gfx->SetStrictDrawing(true);
  IRECTList rects = List({IRECT(0, 0, 10, 10), IRECT(), IRECT(40.5f, 40, 50, 50)});
  f.gfx->DrawDirtyRects(rects);
  EXPECT_EQ(c->draws, 1);
  EXPECT_EQ(c->drawClip, IRECT(0, 0, 50, 50));
}

TEST(FrameCycle, FrameTimeRingWraps)
{
  IFPSDisplayControlBase* ring = nullptr;
  struct Display : IFPSDisplayControlBase
  {
    using IFPSDisplayControlBase::IFPSDisplayControlBase;
    void Draw(IGfx&) override {}
  };
  Display d(IRECT(0, 0, 1, 1));
  ring = &d;
  for (int i = 0; i < 99; ++i) ring->AddFrameTime(0.01f);
  EXPECT_EQ(ring->GetNewestIndex(), 99);
  ring->AddFrameTime(0.5f);
  EXPECT_EQ(ring->GetNewestIndex(), 0);
  EXPECT_FLOAT_EQ(ring->GetFrameTime(0), 0.5f);
}

} // namespace
} // namespace fx::gfx::test
