// Font stash: atlas packing, state stack, glyph cache, font loading, text measuring.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

#include "tests/vector/FontFile.h"
#include "vector/Fstash.h"

namespace fx::gfx {
namespace {

using test::kTestFontPath;
using test::testFontBytes;

struct StashEvents {
  std::vector<std::pair<int, int>> errors;
  int draws = 0;
  int drawnVerts = 0;
  int updates = 0;
  int deletes = 0;
};

struct Stash {
  StashEvents ev;
  FstashContext* s = nullptr;
  int font = -1;
  explicit Stash(int w = 512, int h = 512, bool withErrors = true, bool loadFont = true) {
    FstashParams p;
    std::memset(&p, 0, sizeof(p));
    p.width = w;
    p.height = h;
    p.flags = FSTASH_ZERO_TOPLEFT;
    p.userPtr = &ev;
    p.renderDraw = [](void* u, const float*, const float*, const uint32_t*, int n) {
      static_cast<StashEvents*>(u)->draws++;
      static_cast<StashEvents*>(u)->drawnVerts += n;
    };
    p.renderUpdate = [](void* u, int*, const uint8_t*) { static_cast<StashEvents*>(u)->updates++; };
    p.renderDelete = [](void* u) { static_cast<StashEvents*>(u)->deletes++; };
    s = fstashCreate(&p);
    if (withErrors)
      fstashSetErrorCallback(
          s, [](void* u, int e, int v) { static_cast<StashEvents*>(u)->errors.push_back({e, v}); }, &ev);
    if (loadFont) font = fstashAddFontFromFile(s, "sans", kTestFontPath, 0);
  }
  ~Stash() { fstashDelete(s); }
  FstashFont* f() { return s->fonts[font]; }
};

int countErrors(const StashEvents& ev, int code) {
  int n = 0;
  for (auto& e : ev.errors) n += e.first == code;
  return n;
}

TEST(VectorFstash, CreationPlacesTheWhiteRectAndFailsCleanly) {
  Stash st(256, 128, true, false);
  ASSERT_NE(st.s, nullptr);
  EXPECT_EQ(st.s->texData[0], 255);
  EXPECT_EQ(st.s->texData[1], 255);
  EXPECT_EQ(st.s->texData[256], 255);
  EXPECT_EQ(st.s->texData[257], 255);
  EXPECT_EQ(st.s->texData[2], 0);
  int dirty[4];
  ASSERT_EQ(fstashValidateTexture(st.s, dirty), 1);
  EXPECT_EQ(dirty[0], 0);
  EXPECT_EQ(dirty[1], 0);
  EXPECT_EQ(dirty[2], 2);
  EXPECT_EQ(dirty[3], 2);
  EXPECT_EQ(fstashValidateTexture(st.s, dirty), 0);
  EXPECT_NEAR(st.s->itw, 1.0f / 256, 1e-9);
  EXPECT_EQ(st.s->nstates, 1);
  EXPECT_EQ(st.s->states[0].align, 65);
  EXPECT_EQ(st.s->states[0].size, 12.0f);

  // A render hook that refuses creation fails it, and the delete hook still runs.
  int deletes = 0;
  FstashParams p;
  std::memset(&p, 0, sizeof(p));
  p.width = p.height = 64;
  p.userPtr = &deletes;
  p.renderCreate = [](void*, int, int) { return 0; };
  p.renderDelete = [](void* u) { ++*static_cast<int*>(u); };
  EXPECT_EQ(fstashCreate(&p), nullptr);
  EXPECT_EQ(deletes, 1);
  p.renderCreate = nullptr;
  p.width = 0;
  EXPECT_EQ(fstashCreate(&p), nullptr);
  EXPECT_EQ(fstashCreate(nullptr), nullptr);

  // Null contexts are accepted where the interface says so.
  fstashDelete(nullptr);
  EXPECT_EQ(fstashDrawText(nullptr, 3.0f, 0, "a", nullptr), 3.0f);
  EXPECT_EQ(fstashTextBounds(nullptr, 0, 0, "a", nullptr, nullptr), 0.0f);
  EXPECT_EQ(fstashExpandAtlas(nullptr, 10, 10), 0);
  EXPECT_EQ(fstashResetAtlas(nullptr, 10, 10), 0);
  FstashTextIter it;
  EXPECT_EQ(fstashTextIterInit(nullptr, &it, 0, 0, "a", nullptr, 1), 0);
}

TEST(VectorFstash, StateStackLimitsReportErrors) {
  Stash st(64, 64, true, false);
  for (int i = 0; i < 19; i++) fstashPushState(st.s);
  EXPECT_EQ(st.s->nstates, 20);
  EXPECT_TRUE(st.ev.errors.empty());
  fstashSetSize(st.s, 33.0f);
  fstashPushState(st.s);
  EXPECT_EQ(st.s->nstates, 20);
  ASSERT_EQ(st.ev.errors.size(), 1u);
  EXPECT_EQ(st.ev.errors[0], std::make_pair(3, 0));
  EXPECT_EQ(st.s->states[19].size, 33.0f);
  fstashPopState(st.s);
  EXPECT_EQ(st.s->states[18].size, 12.0f);  // pushes copied the cleared state
  for (int i = 0; i < 30; i++) fstashPopState(st.s);
  EXPECT_EQ(st.s->nstates, 1);
  EXPECT_EQ(countErrors(st.ev, 4), 12);
  fstashSetAlign(st.s, 4);
  fstashSetColor(st.s, 0x11223344);
  fstashClearState(st.s);
  EXPECT_EQ(st.s->states[0].align, 65);
  EXPECT_EQ(st.s->states[0].color, 0xFFFFFFFFu);
}

TEST(VectorFstash, SkylineBottomRuleAndRandomPackingNeverOverlaps) {
  int x, y;
  FstashAtlas* a = fstashAllocAtlas(64, 64, 256);
  EXPECT_EQ(fstashAtlasAddRect(a, 64, 64, &x, &y), 0);  // bottom exactly at the edge on a full-width node
  EXPECT_EQ(fstashAtlasAddRect(a, 64, 63, &x, &y), 1);
  fstashDeleteAtlas(a);
  a = fstashAllocAtlas(64, 64, 256);
  ASSERT_EQ(fstashAtlasAddRect(a, 32, 10, &x, &y), 1);
  EXPECT_EQ(fstashAtlasAddRect(a, 32, 64, &x, &y), 1);  // accepted on the narrower node
  EXPECT_EQ(x, 32);
  EXPECT_EQ(y, 0);
  EXPECT_EQ(fstashAtlasAddRect(a, 0, 5, &x, &y), 0);
  fstashDeleteAtlas(a);

  // Random rectangles: every placement lies inside and overlaps nothing placed before.
  std::mt19937 rng(7);
  for (int round = 0; round < 20; round++) {
    const int W = 64 + static_cast<int>(rng() % 200), H = 64 + static_cast<int>(rng() % 200);
    a = fstashAllocAtlas(W, H, 1);  // tiny node capacity: growth is exercised too
    std::vector<uint8_t> used(static_cast<size_t>(W) * H, 0);
    for (int k = 0; k < 300; k++) {
      const int w = 1 + static_cast<int>(rng() % 30), h = 1 + static_cast<int>(rng() % 30);
      if (!fstashAtlasAddRect(a, w, h, &x, &y)) continue;
      ASSERT_GE(x, 0);
      ASSERT_GE(y, 0);
      ASSERT_LE(x + w, W);
      ASSERT_LE(y + h, H);
      for (int yy = y; yy < y + h; yy++)
        for (int xx = x; xx < x + w; xx++) {
          ASSERT_EQ(used[static_cast<size_t>(yy) * W + xx], 0) << "overlap in round " << round;
          used[static_cast<size_t>(yy) * W + xx] = 1;
        }
      // The skyline stays sorted, contiguous and covers the width.
      int cx = 0;
      for (int n = 0; n < a->nnodes; n++) {
        ASSERT_EQ(a->nodes[n].x, cx);
        ASSERT_GT(a->nodes[n].width, 0);
        cx += a->nodes[n].width;
      }
      ASSERT_EQ(cx, W);
    }
    fstashDeleteAtlas(a);
  }
}

TEST(VectorFstash, GlyphCacheKeysOnQuantisedSizeAndClampedBlur) {
  Stash st;
  ASSERT_GE(st.font, 0);
  FstashFont* f = st.f();
  FstashGlyph* g1 = fstashGetGlyph(st.s, f, 'A', 120, 0, FSTASH_GLYPH_BITMAP_REQUIRED);
  ASSERT_NE(g1, nullptr);
  const int n = f->nglyphs;
  // 12.04 and 12.09 both quantise to 120; 12.1 to 121.
  fstashSetSize(st.s, 12.04f);
  fstashDrawText(st.s, 0, 20, "A", nullptr);
  fstashSetSize(st.s, 12.09f);
  fstashDrawText(st.s, 0, 20, "A", nullptr);
  EXPECT_EQ(f->nglyphs, n);
  fstashSetSize(st.s, 12.1f);
  fstashDrawText(st.s, 0, 20, "A", nullptr);
  EXPECT_EQ(f->nglyphs, n + 1);

  // Blur 25 uses the entry of blur 20, padded by 22.
  FstashGlyph* b20 = fstashGetGlyph(st.s, f, 'B', 200, 20, FSTASH_GLYPH_BITMAP_REQUIRED);
  ASSERT_NE(b20, nullptr);
  const int16_t x0 = b20->x0;
  const int count = f->nglyphs;
  FstashGlyph* b25 = fstashGetGlyph(st.s, f, 'B', 200, 25, FSTASH_GLYPH_BITMAP_REQUIRED);
  EXPECT_EQ(f->nglyphs, count);
  EXPECT_EQ(b25->x0, x0);
  EXPECT_EQ(b25->blur, 20);
  EXPECT_EQ(b25->xoff, fstashGetGlyph(st.s, f, 'B', 200, 0, 1)->xoff - 20);
  // A negative blur is treated as none.
  EXPECT_EQ(fstashGetGlyph(st.s, f, 'B', 200, -5, 1)->blur, 0);

  // Below 0.2 px there is no glyph.
  EXPECT_EQ(fstashGetGlyph(st.s, f, 'A', 1, 0, 2), nullptr);
  fstashSetSize(st.s, 0.15f);
  EXPECT_EQ(fstashTextBounds(st.s, 0, 0, "AAA", nullptr, nullptr), 0.0f);
  const int draws = st.ev.drawnVerts;
  fstashDrawText(st.s, 0, 0, "AAA", nullptr);
  EXPECT_EQ(st.ev.drawnVerts, draws);

  // Measured first (metrics only, no atlas space), then drawn: one entry that gets its rectangle.
  const int before = f->nglyphs;
  FstashGlyph* m = fstashGetGlyph(st.s, f, 'Q', 300, 0, FSTASH_GLYPH_BITMAP_OPTIONAL);
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(m->x0, -1);
  EXPECT_EQ(m->y0, -1);
  FstashGlyph* d = fstashGetGlyph(st.s, f, 'Q', 300, 0, FSTASH_GLYPH_BITMAP_REQUIRED);
  EXPECT_EQ(f->nglyphs, before + 1);
  EXPECT_GE(d->x0, 0);
  EXPECT_GE(d->y0, 0);

  // A space has no box but still takes a 4 x 4 block; a missing code point is glyph 0.
  FstashGlyph* sp = fstashGetGlyph(st.s, f, ' ', 200, 0, FSTASH_GLYPH_BITMAP_REQUIRED);
  EXPECT_EQ(sp->x1 - sp->x0, 4);
  EXPECT_EQ(sp->y1 - sp->y0, 4);
  FstashGlyph* miss = fstashGetGlyph(st.s, f, 0x10FFFD, 200, 0, FSTASH_GLYPH_BITMAP_REQUIRED);
  ASSERT_NE(miss, nullptr);
  EXPECT_EQ(miss->index, 0);
  // The rendered bitmap keeps an empty outer ring.
  FstashGlyph* w = fstashGetGlyph(st.s, f, 'W', 400, 0, FSTASH_GLYPH_BITMAP_REQUIRED);
  int ink = 0;
  for (int yy = w->y0; yy < w->y1; yy++)
    for (int xx = w->x0; xx < w->x1; xx++) {
      const uint8_t t = st.s->texData[yy * 512 + xx];
      ink += t > 0;
      if (yy == w->y0 || yy == w->y1 - 1 || xx == w->x0 || xx == w->x1 - 1) {
        ASSERT_EQ(t, 0);
      }
    }
  EXPECT_GT(ink, 50);
}

TEST(VectorFstash, FullAtlasRetriesOnceThroughTheCallbackOnly) {
  Stash noCb(64, 64, false);
  ASSERT_GE(noCb.font, 0);
  EXPECT_EQ(fstashGetGlyph(noCb.s, noCb.f(), 'M', 1500, 0, 2), nullptr);  // 150 px cannot fit 64 x 64
  EXPECT_EQ(noCb.f()->nglyphs, 0);                                        // nothing cached

  // The callback may make room; the placement is then tried once more.
  struct Ctx {
    FstashContext* s;
    int calls;
  } c{nullptr, 0};
  Stash cb(64, 64, false);
  c.s = cb.s;
  fstashSetErrorCallback(
      cb.s,
      [](void* u, int e, int) {
        auto* cc = static_cast<Ctx*>(u);
        if (e == FSTASH_ATLAS_FULL) {
          cc->calls++;
          fstashExpandAtlas(cc->s, 256, 256);
        }
      },
      &c);
  FstashGlyph* g = fstashGetGlyph(cb.s, cb.f(), 'M', 1500, 0, 2);
  EXPECT_NE(g, nullptr);
  EXPECT_EQ(c.calls, 1);
}

TEST(VectorFstash, FontLoadingRejectsBadInputWithoutLeaks) {
  Stash st(64, 64, true, false);
  const auto& bytes = testFontBytes();
  ASSERT_GT(bytes.size(), 1000u);
  EXPECT_EQ(fstashAddFontFromFile(st.s, "x", "/nonexistent/font.ttf", 0), -1);
  EXPECT_EQ(fstashAddFontFromMemory(st.s, "x", nullptr, 10, 0, 0), -1);
  // Garbage, a truncated file, a face index the file does not have: -1 and the
  // stash-owned copies are freed (the sanitizer run checks the leak side).
  for (int variant = 0; variant < 4; variant++) {
    std::vector<unsigned char> data(bytes);
    int size = static_cast<int>(data.size());
    int index = 0;
    if (variant == 0) std::memset(data.data(), 0x5A, data.size());
    if (variant == 1) size = 200;   // table directory points past the end
    if (variant == 2) index = 1;    // not a collection
    if (variant == 3) index = -1;
    auto* copy = static_cast<unsigned char*>(std::malloc(data.size()));
    std::memcpy(copy, data.data(), data.size());
    EXPECT_EQ(fstashAddFontFromMemory(st.s, "bad", copy, size, index, 1), -1) << variant;
  }
  EXPECT_EQ(st.s->nfonts, 0);

  // A long name is cut at 63 bytes; lookups compare whole names.
  std::string longName(100, 'n');
  const int id = fstashAddFontFromMemory(st.s, longName.c_str(), const_cast<unsigned char*>(bytes.data()),
                                         static_cast<int>(bytes.size()), 0, 0);
  ASSERT_EQ(id, 0);
  EXPECT_EQ(std::strlen(st.s->fonts[0]->name), 63u);
  EXPECT_EQ(fstashGetFontByName(st.s, std::string(63, 'n').c_str()), 0);
  EXPECT_EQ(fstashGetFontByName(st.s, "nn"), -1);
  EXPECT_EQ(fstashGetFontByName(st.s, nullptr), -1);

  // Fallback indices are range-checked and limited to 20.
  EXPECT_EQ(fstashAddFallbackFont(st.s, 0, 1), 0);
  EXPECT_EQ(fstashAddFallbackFont(st.s, 1, 0), 0);
  EXPECT_EQ(fstashAddFallbackFont(st.s, -1, 0), 0);
  for (int i = 0; i < 20; i++) EXPECT_EQ(fstashAddFallbackFont(st.s, 0, 0), 1);
  EXPECT_EQ(fstashAddFallbackFont(st.s, 0, 0), 0);

  // An out-of-range current font draws and measures nothing.
  fstashSetFont(st.s, 7);
  EXPECT_EQ(fstashDrawText(st.s, 5, 5, "abc", nullptr), 5.0f);
  EXPECT_EQ(fstashTextBounds(st.s, 5, 5, "abc", nullptr, nullptr), 0.0f);
  float asc = -1;
  fstashVertMetrics(st.s, &asc, nullptr, nullptr);
  EXPECT_EQ(asc, -1.0f);
  fstashSetFont(st.s, -1);
  FstashTextIter it;
  EXPECT_EQ(fstashTextIterInit(st.s, &it, 0, 0, "abc", nullptr, 1), 0);
}

// Copy of the test font with the horizontal header's ascender and descender zeroed.
std::vector<unsigned char> flatFont() {
  std::vector<unsigned char> d(testFontBytes());
  const int numTables = (d[4] << 8) | d[5];
  for (int i = 0; i < numTables; i++) {
    const unsigned char* rec = &d[12 + 16 * i];
    if (std::memcmp(rec, "hhea", 4) == 0) {
      const uint32_t off = (uint32_t(rec[8]) << 24) | (uint32_t(rec[9]) << 16) | (uint32_t(rec[10]) << 8) | rec[11];
      for (int k = 4; k < 8; k++) d[off + k] = 0;
    }
  }
  return d;
}

TEST(VectorFstash, FontWithoutHeightDrawsNothing) {
  Stash st(128, 128, true, false);
  std::vector<unsigned char> flat = flatFont();
  const int id = fstashAddFontFromMemory(st.s, "flat", flat.data(), static_cast<int>(flat.size()), 0, 0);
  ASSERT_EQ(id, 0);
  EXPECT_EQ(st.s->fonts[0]->ascender, 0.0f);
  EXPECT_EQ(st.s->fonts[0]->lineh, 0.0f);
  fstashSetSize(st.s, 20);
  EXPECT_EQ(fstashDrawText(st.s, 1, 1, "Hello", nullptr), 1.0f);
  EXPECT_EQ(st.ev.drawnVerts, 0);
  float b[4] = {0, 0, 0, 0};
  EXPECT_EQ(fstashTextBounds(st.s, 1, 1, "Hello", nullptr, b), 0.0f);
  for (float v : b) EXPECT_TRUE(std::isfinite(v));
}

TEST(VectorFstash, MeasuredAdvanceMatchesTheFontMetrics) {
  Stash st;
  ASSERT_GE(st.font, 0);
  const char* text = "Hello, World! AVATAR Typography";
  stbtt_fontinfo info;
  ASSERT_TRUE(stbtt_InitFont(&info, testFontBytes().data(), 0));
  for (float size : {9.0f, 13.0f, 20.0f, 47.5f}) {
    fstashSetSize(st.s, size);
    const float advance = fstashTextBounds(st.s, 10, 50, text, nullptr, nullptr);
    // The library's own float layout: advances and kerning at the pixel-height scale.
    const float scale = stbtt_ScaleForPixelHeight(&info, size);
    float ref = 0;
    int prev = 0;
    for (const char* p = text; *p; ++p) {
      const int g = stbtt_FindGlyphIndex(&info, *p);
      int adv, lsb;
      stbtt_GetGlyphHMetrics(&info, g, &adv, &lsb);
      if (prev) ref += stbtt_GetGlyphKernAdvance(&info, prev, g) * scale;
      ref += adv * scale;
      prev = g;
    }
    // Each glyph is snapped to whole pixels: at most half a pixel (plus a tenth from the
    // quantised advance) per glyph and kerning pair.
    EXPECT_NEAR(advance, ref, std::strlen(text) * 1.1f) << size;
    EXPECT_NEAR(advance / ref, 1.0f, 0.06f) << size;
    // Drawing ends at the same pen position as measuring.
    EXPECT_EQ(fstashDrawText(st.s, 10, 50, text, nullptr) - 10, advance) << size;
  }
  // Vertical metrics are the font's, normalised to its height.
  int asc, desc, gap;
  stbtt_GetFontVMetrics(&info, &asc, &desc, &gap);
  fstashSetSize(st.s, 20);
  float a, d, l;
  fstashVertMetrics(st.s, &a, &d, &l);
  EXPECT_NEAR(a, 20.0f * asc / (asc - desc), 1e-4);
  EXPECT_NEAR(d, 20.0f * desc / (asc - desc), 1e-4);
  EXPECT_NEAR(l, 20.0f * (asc - desc + gap) / (asc - desc), 1e-4);
  float miny, maxy;
  fstashLineBounds(st.s, 100, &miny, &maxy);
  EXPECT_NEAR(miny, 100 - a, 1e-4);
  EXPECT_NEAR(maxy - miny, l, 1e-4);
}

TEST(VectorFstash, AlignmentMovesThePen) {
  Stash st;
  fstashSetSize(st.s, 18);
  const float adv = fstashTextBounds(st.s, 0, 0, "Align", nullptr, nullptr);
  fstashSetAlign(st.s, VG_ALIGN_RIGHT | VG_ALIGN_BASELINE);
  EXPECT_NEAR(fstashDrawText(st.s, 100, 40, "Align", nullptr), 100.0f, 1e-3);
  float b[4];
  fstashTextBounds(st.s, 100, 40, "Align", nullptr, b);
  EXPECT_LE(b[2], 101.0f);
  EXPECT_GE(b[0], 100.0f - adv - 2.0f);
  fstashSetAlign(st.s, VG_ALIGN_CENTER | VG_ALIGN_BASELINE);
  EXPECT_NEAR(fstashDrawText(st.s, 100, 40, "Align", nullptr), 100.0f + adv / 2, 1.0f);
  // Vertical: top puts the ascender at y, bottom the descender.
  float a, d;
  fstashVertMetrics(st.s, &a, &d, nullptr);
  fstashSetAlign(st.s, VG_ALIGN_LEFT | VG_ALIGN_TOP);
  float miny, maxy;
  fstashLineBounds(st.s, 40, &miny, &maxy);
  EXPECT_NEAR(miny, 40.0f, 1e-3);
  fstashSetAlign(st.s, VG_ALIGN_LEFT | VG_ALIGN_BOTTOM);
  fstashLineBounds(st.s, 40, &miny, &maxy);
  EXPECT_NEAR(maxy, 40.0f, 1e-3);
}

TEST(VectorFstash, MalformedOrCutUtf8AddsNoQuadTwice) {
  Stash st;
  fstashSetSize(st.s, 16);
  struct Case {
    const char* text;
    int quads;
  } cases[] = {{"A\xC3", 1}, {"AB\xE2\x82", 2}, {"A\xC3\x28" "BCD", 1}, {"\xF0\x9F\x98", 0}, {"\xC3\xA9t\xC3\xA9", 3}};
  for (const Case& c : cases) {
    st.ev.drawnVerts = 0;
    fstashDrawText(st.s, 0, 20, c.text, nullptr);
    EXPECT_EQ(st.ev.drawnVerts, c.quads * 6) << c.text;
    FstashTextIter it;
    FstashQuad q;
    ASSERT_EQ(fstashTextIterInit(st.s, &it, 0, 20, c.text, nullptr, 1), 1);
    int steps = 0;
    while (fstashTextIterNext(st.s, &it, &q)) steps++;
    EXPECT_EQ(steps, c.quads) << c.text;
    EXPECT_EQ(it.next, c.text + std::strlen(c.text));
  }
}

TEST(VectorFstash, HugeGlyphIsRasterisedFromTheHeap) {
  // A 3000 px snowman needs more temporary memory than the arena holds.
  Stash st(4096, 4096);
  ASSERT_GE(st.font, 0);
  FstashGlyph* g = fstashGetGlyph(st.s, st.f(), 0x2603, 30000, 0, FSTASH_GLYPH_BITMAP_REQUIRED);
  ASSERT_NE(g, nullptr);
  EXPECT_GE(countErrors(st.ev, FSTASH_SCRATCH_FULL), 1);
  for (auto& e : st.ev.errors)
    if (e.first == FSTASH_SCRATCH_FULL) {
      EXPECT_GT(e.second, FSTASH_SCRATCH_BUF_SIZE);
    }
  EXPECT_EQ(st.s->nheapBlocks, 0);
  long ink = 0;
  for (int yy = g->y0; yy < g->y1; yy++)
    for (int xx = g->x0; xx < g->x1; xx++) ink += st.s->texData[yy * 4096 + xx];
  EXPECT_GT(ink, 255L * 10000);
  // Sizes past the int16 range are clamped rather than wrapped.
  fstashSetSize(st.s, 1e9f);
  EXPECT_GE(fstashTextBounds(st.s, 0, 0, "i", nullptr, nullptr), 0.0f);
}

TEST(VectorFstash, BlurSpreadsAndClearsTheBorder) {
  std::vector<uint8_t> img(20 * 20, 0);
  img[10 * 20 + 10] = 255;
  for (int i = 0; i < 20 * 20; i++) img[i] = (i / 20 >= 8 && i / 20 < 12 && i % 20 >= 8 && i % 20 < 12) ? 255 : 0;
  fstashBlur(img.data(), 20, 20, 20, 3);
  for (int i = 0; i < 20; i++) {
    EXPECT_EQ(img[i], 0);
    EXPECT_EQ(img[19 * 20 + i], 0);
    EXPECT_EQ(img[i * 20], 0);
    EXPECT_EQ(img[i * 20 + 19], 0);
  }
  EXPECT_GT(img[10 * 20 + 5], 0);   // spread sideways
  EXPECT_GT(img[5 * 20 + 10], 0);   // and vertically
  EXPECT_LT(img[10 * 20 + 10], 255);
  EXPECT_NEAR(img[10 * 20 + 5], img[10 * 20 + 14], 12);  // about symmetric
  // One row: only its end texels are cleared by the column passes' ends.
  std::vector<uint8_t> row(10, 100);
  fstashBlur(row.data(), 10, 1, 10, 2);
  EXPECT_EQ(row[0], 0);
  EXPECT_EQ(row[9], 0);
}

TEST(VectorFstash, ExpandKeepsGlyphsAndResetForgetsThem) {
  Stash st;
  FstashGlyph* g = fstashGetGlyph(st.s, st.f(), 'g', 300, 0, 2);
  const int16_t x0 = g->x0, y0 = g->y0;
  std::vector<uint8_t> before(st.s->texData, st.s->texData + 512 * 512);
  int w, h;
  EXPECT_EQ(fstashExpandAtlas(st.s, 256, 512), 1);
  fstashGetAtlasSize(st.s, &w, &h);
  EXPECT_EQ(w, 512);
  EXPECT_EQ(h, 512);
  ASSERT_EQ(fstashExpandAtlas(st.s, 512, 1024), 1);
  fstashGetAtlasSize(st.s, &w, &h);
  EXPECT_EQ(h, 1024);
  EXPECT_EQ(std::memcmp(before.data(), st.s->texData, before.size()), 0);
  g = fstashGetGlyph(st.s, st.f(), 'g', 300, 0, 2);
  EXPECT_EQ(g->x0, x0);
  EXPECT_EQ(g->y0, y0);
  int dirty[4];
  ASSERT_EQ(fstashValidateTexture(st.s, dirty), 1);
  int maxy = 0;
  for (int i = 0; i < st.s->atlas->nnodes; i++) maxy = std::max<int>(maxy, st.s->atlas->nodes[i].y);
  EXPECT_EQ(dirty[0], 0);
  EXPECT_EQ(dirty[1], 0);
  EXPECT_EQ(dirty[2], 512);
  EXPECT_EQ(dirty[3], maxy);
  EXPECT_NEAR(st.s->ith, 1.0f / 1024, 1e-9);
  // Wider: the new columns join the skyline.
  ASSERT_EQ(fstashExpandAtlas(st.s, 1024, 1024), 1);
  EXPECT_EQ(st.s->atlas->nodes[st.s->atlas->nnodes - 1].x + st.s->atlas->nodes[st.s->atlas->nnodes - 1].width, 1024);

  ASSERT_EQ(fstashResetAtlas(st.s, 256, 256), 1);
  EXPECT_EQ(st.f()->nglyphs, 0);
  EXPECT_EQ(st.s->atlas->nnodes, 2);  // the white rectangle's step
  EXPECT_EQ(st.s->texData[0], 255);
  EXPECT_EQ(st.s->texData[2], 0);
}

TEST(VectorFstash, VertexCacheFlushesInBatches) {
  Stash st;
  fstashSetSize(st.s, 8);
  std::string text(200, 'x');
  st.ev.draws = 0;
  fstashDrawText(st.s, 0, 10, text.c_str(), nullptr);
  EXPECT_EQ(st.ev.drawnVerts, 1200);
  EXPECT_EQ(st.ev.draws, 2);
  st.ev.draws = st.ev.drawnVerts = 0;
  fstashDrawDebug(st.s, 0, 0);
  EXPECT_EQ(st.ev.drawnVerts, 12 + 6 * st.s->atlas->nnodes);
}

}  // namespace
}  // namespace fx::gfx
