#include "graphics/records/IBitmap.h"
#include "graphics/records/IColor.h"
#include "graphics/records/IKeyPress.h"
#include "graphics/records/IMouseInfo.h"
#include "graphics/records/IRECTList.h"
#include "graphics/records/IText.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

using namespace fx::gfx;

TEST(IRECT, EmptinessContainmentAndIntersection)
{
  const IRECT e;
  const IRECT a(0, 0, 10, 10);
  const IRECT b(10, 0, 20, 10);

  EXPECT_TRUE(e.Empty());
  EXPECT_FALSE(e.Contains(0, 0));
  EXPECT_FALSE(e.Contains(e));
  EXPECT_FALSE(a.Contains(e));
  EXPECT_FALSE(e.Intersects(a));
  EXPECT_FALSE(a.Intersects(e));
  EXPECT_TRUE(e.Mergeable(a));
  EXPECT_TRUE(a.Mergeable(e));
  EXPECT_FALSE(IRECT(5, 5, 1, 1).Empty()); // inverted is not empty

  EXPECT_TRUE(a.Contains(0, 0));
  EXPECT_FALSE(a.Contains(10, 10));
  EXPECT_FALSE(a.Contains(10, 5));
  EXPECT_TRUE(a.Contains(a));
  EXPECT_TRUE(a.Contains(IRECT(2, 2, 10, 10)));
  EXPECT_FALSE(a.Contains(IRECT(2, 2, 11, 10)));

  EXPECT_TRUE(a.Intersects(b));
  EXPECT_EQ(a.Intersect(b), IRECT(10, 0, 10, 10));
  EXPECT_TRUE(a.Mergeable(b));
  EXPECT_FALSE(b.Intersects(a)); // b.L < a.R fails the other way round: 10 < 10
  EXPECT_EQ(b.Intersect(a), IRECT());
  EXPECT_EQ(a.Intersect(IRECT(5, 5, 15, 15)), IRECT(5, 5, 10, 10));
  EXPECT_FALSE(a.Mergeable(IRECT(11, 0, 20, 10)));
  EXPECT_TRUE(a.Mergeable(IRECT(0, 5, 10, 30)));
  EXPECT_FALSE(a.Mergeable(IRECT(0, 5, 9, 30)));

  EXPECT_EQ(e.Union(a), a);
  EXPECT_EQ(a.Union(e), a);
  EXPECT_EQ(a.Union(IRECT(-1, 3, 4, 12)), IRECT(-1, 0, 10, 12));

  EXPECT_EQ(a.W(), 10.f);
  EXPECT_EQ(IRECT(1, 2, 4, 8).Area(), 18.f);
  EXPECT_EQ(a.GetPadded(0.75f), IRECT(-0.75f, -0.75f, 10.75f, 10.75f));
  EXPECT_EQ(IRECT::OfPoint(3, 4), IRECT(3, 4, 3, 4));

  EXPECT_EQ(IRECT(0.3f, 0.3f, 1.2f, 1.6f).GetPixelAligned(2.f), IRECT(0.f, 0.f, 1.5f, 2.f));
  EXPECT_EQ(IRECT(0.3f, 0.3f, 1.2f, 1.6f).GetPixelAligned(0.f), IRECT(0.3f, 0.3f, 1.2f, 1.6f));
}

TEST(IRECTList, BasicOperations)
{
  IRECTList l;
  EXPECT_EQ(l.Bounds(), IRECT());
  l.Add(IRECT(5, 5, 6, 6));
  l.Add(IRECT(0, 1, 2, 3));
  l.Add(IRECT(10, -2, 11, 0));
  EXPECT_EQ(l.Size(), 3);
  EXPECT_EQ(l.Bounds(), IRECT(0, -2, 11, 6));
  l.Delete(0);
  EXPECT_EQ(l.Get(0), IRECT(0, 1, 2, 3));
  EXPECT_EQ(l.Get(5), IRECT());
  l.Add(IRECT(0.1f, 0.1f, 0.9f, 0.9f));
  l.PixelAlign(1.f);
  EXPECT_EQ(l.Get(2), IRECT(0, 0, 1, 1));
  l.Clear();
  EXPECT_EQ(l.Size(), 0);
}

TEST(IRECTList, OptimizeCutsContainedOverlappingAndMergeable)
{
  IRECTList l;
  l.Add(IRECT(0, 0, 10, 10));
  l.Add(IRECT(2, 2, 5, 5)); // contained: removed
  l.Add(IRECT(0, 10, 10, 20)); // same width, touching: merged
  l.Optimize();
  ASSERT_EQ(l.Size(), 1);
  EXPECT_EQ(l.Get(0), IRECT(0, 0, 10, 20));

  // An overlap along a full side is shrunk away.
  IRECTList s;
  s.Add(IRECT(0, 0, 10, 10));
  s.Add(IRECT(5, 0, 20, 10));
  s.Optimize();
  ASSERT_EQ(s.Size(), 1);
  EXPECT_EQ(s.Get(0), IRECT(0, 0, 20, 10));

  // Empty rectangles disappear.
  IRECTList z;
  z.Add(IRECT());
  z.Add(IRECT(1, 1, 2, 2));
  z.Add(IRECT());
  z.Optimize();
  ASSERT_EQ(z.Size(), 1);
  EXPECT_EQ(z.Get(0), IRECT(1, 1, 2, 2));

  // A strip through the middle of one rectangle, along the top of the other: the other one
  // is shrunk, the first keeps both sides of the strip.
  IRECTList m;
  m.Add(IRECT(10, 11, 15, 21));
  m.Add(IRECT(12, 11, 13, 23));
  m.Optimize();
  ASSERT_EQ(m.Size(), 2);
  EXPECT_EQ(m.Get(0), IRECT(10, 11, 15, 21));
  EXPECT_EQ(m.Get(1), IRECT(12, 21, 13, 23));

  // Splits of a corner overlap, each case of the table.
  IRECT piece;
  EXPECT_EQ(IRECTList::Split(IRECT(0, 0, 10, 10), IRECT(0, 0, 4, 4), &piece), IRECT(0, 4, 10, 10));
  EXPECT_EQ(piece, IRECT(4, 0, 10, 4));
  EXPECT_EQ(IRECTList::Split(IRECT(0, 0, 10, 10), IRECT(0, 6, 4, 10), &piece), IRECT(4, 6, 10, 10));
  EXPECT_EQ(piece, IRECT(0, 0, 10, 6));
  EXPECT_EQ(IRECTList::Split(IRECT(0, 0, 10, 10), IRECT(6, 0, 10, 4), &piece), IRECT(0, 4, 10, 10));
  EXPECT_EQ(piece, IRECT(0, 0, 6, 4));
  EXPECT_EQ(IRECTList::Split(IRECT(0, 0, 10, 10), IRECT(6, 6, 10, 10), &piece), IRECT(0, 6, 6, 10));
  EXPECT_EQ(piece, IRECT(0, 0, 10, 6));
}

// Random dirty lists: the optimised list covers exactly the same cells and never draws more
// than the original list did.
TEST(IRECTList, OptimizeKeepsCoverageAgainstBruteForce)
{
  constexpr int kGrid = 24;
  std::mt19937 rng(11);
  std::uniform_int_distribution<int> coord(0, kGrid);
  auto covered = [](const IRECTList& l, int x, int y) {
    int n = 0;
    for (int i = 0; i < l.Size(); ++i)
    {
      const IRECT r = l.Get(i);
      if (r.L <= x && x + 1 <= r.R && r.T <= y && y + 1 <= r.B) ++n;
    }
    return n;
  };
  int overlapsBefore = 0, overlapsAfter = 0;
  for (int trial = 0; trial < 500; ++trial)
  {
    IRECTList l;
    const int n = 1 + trial % 8;
    for (int i = 0; i < n; ++i)
    {
      int a = coord(rng), b = coord(rng), c = coord(rng), d = coord(rng);
      if (a == b) b = a + 1;
      if (c == d) d = c + 1;
      l.Add(IRECT(std::min(a, b), std::min(c, d), std::max(a, b), std::max(c, d)));
    }
    std::vector<int> before;
    for (int y = 0; y <= kGrid; ++y)
      for (int x = 0; x <= kGrid; ++x) before.push_back(covered(l, x, y));
    const int sizeBefore = l.Size();
    l.Optimize();
    ASSERT_LE(l.Size(), sizeBefore * 16 + 64);
    size_t k = 0;
    for (int y = 0; y <= kGrid; ++y)
      for (int x = 0; x <= kGrid; ++x, ++k)
      {
        const int c = covered(l, x, y);
        ASSERT_EQ(c > 0, before[k] > 0) << "trial " << trial << " cell " << x << "," << y;
        ASSERT_LE(c, before[k]) << "trial " << trial << " cell " << x << "," << y;
        overlapsBefore += before[k] > 1;
        overlapsAfter += c > 1;
      }
  }
  // Crossing bars keep their overlap; everything else is cut apart.
  EXPECT_LT(overlapsAfter * 4, overlapsBefore);
}

TEST(GraphicsRecords, ColoursTextAndEvents)
{
  EXPECT_EQ(kColorTransparent, IColor(0, 0, 0, 0));
  EXPECT_EQ(kColorTranslucent, IColor(10, 0, 0, 0));
  EXPECT_EQ(kColorBlackDropShadow, IColor(128, 0, 0, 0));
  EXPECT_EQ(kColorGrey, IColor(255, 127, 127, 127));
  EXPECT_EQ(kColorLightGrey, IColor(255, 240, 240, 240));
  EXPECT_EQ(kColorMidGrey, IColor(255, 200, 200, 200));
  EXPECT_EQ(kColorDarkGrey, IColor(255, 70, 70, 70));
  EXPECT_EQ(kColorOrange, IColor(255, 255, 127, 0));
  EXPECT_EQ(kColorIndigo, IColor(255, 75, 0, 130));
  EXPECT_EQ(kColorViolet, IColor(255, 148, 0, 211));
  EXPECT_EQ(kColorDefaultShadow, IColor(60, 0, 0, 0));
  EXPECT_EQ(IColor(300, -4, 128, 255).Clamped(), IColor(255, 0, 128, 255));

  const IText def;
  EXPECT_STREQ(def.mFont, "Roboto-Regular");
  EXPECT_EQ(def.mSize, 14.f);
  EXPECT_EQ(def.mFGColor, kColorBlack);
  EXPECT_EQ(def.mTextEntryBGColor, kColorWhite);
  EXPECT_EQ(def.mTextEntryFGColor, kColorBlack);
  EXPECT_EQ(def.mAngle, 0.f);
  EXPECT_EQ(def.mAlign, kAlignCenter);
  EXPECT_EQ(def.mVAlign, kVAlignMiddle);

  const std::string longFont(200, 'f');
  const IText t(12.f, kColorRed, longFont.c_str(), kAlignNear);
  EXPECT_EQ(std::string(t.mFont), longFont.substr(0, 63));

  const IKeyPress k("\xF0\x9F\x8E\xB5" "abc", 65, true); // a four-byte character fits, the rest is cut
  EXPECT_STREQ(k.utf8, "\xF0\x9F\x8E\xB5");
  EXPECT_STREQ(IKeyPress("ab\xE2\x82\xAC", 0).utf8, "ab"); // never half a character
  EXPECT_EQ(k.VK, 65);
  EXPECT_TRUE(k.S);
  EXPECT_FALSE(k.C);
  const IKeyPress k2(nullptr, 0);
  EXPECT_STREQ(k2.utf8, "");

  IMouseInfo m;
  EXPECT_FALSE(m.ms.L);
  EXPECT_FALSE(m.ms.IsTouch());
  EXPECT_TRUE(IMouseMod(false, false, false, false, false, 3, 2.f).IsTouch());

  const IBitmap bm(nullptr, 300, 40, 0, true, "knob.png");
  EXPECT_EQ(bm.N(), 1); // a frame count below 1 would divide by zero
  EXPECT_EQ(bm.FW(), 300);
  const IBitmap strip(nullptr, 300, 40, 3, true, "knob.png");
  EXPECT_EQ(strip.FW(), 100);
  EXPECT_EQ(strip.FH(), 40);
  EXPECT_STREQ(strip.GetResourceName().Get(), "knob.png");
  IBitmap copy = strip;
  EXPECT_STREQ(copy.GetResourceName().Get(), "knob.png");
  EXPECT_FALSE(copy.IsValid());
}
