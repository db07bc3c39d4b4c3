// Text through the renderer: drawing as glyph quads, text scale, font atlases, rows,
// glyph positions and bounds.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

#include "tests/vector/FontFile.h"
#include "tests/vector/RecordingRenderer.h"
#include "vector/VGContext.h"

namespace fx::gfx {
namespace {

using test::RecordingContext;

constexpr const char* kRoboto = "/usr/share/fonts/truetype/roboto/unhinted/RobotoTTF/Roboto-Regular.ttf";

struct TextFrame : RecordingContext {
  int font = -1;
  explicit TextFrame(float ratio = 1.0f) {
    font = vgrCreateFontFromFile(ctx, "sans", test::kTestFontPath);
    vgrBeginFrame(ctx, 800, 600, ratio);
  }
  int triangleCalls() const {
    int n = 0;
    for (const auto& c : r.calls) n += c.kind == "triangles";
    return n;
  }
  size_t triangleVerts() const {
    size_t n = 0;
    for (const auto& c : r.calls) n += c.kind == "triangles" ? c.verts.size() : 0;
    return n;
  }
};

float stashSize(VGcontext* ctx) { return ctx->fs->states[ctx->fs->nstates - 1].size; }

TEST(VectorText, DrawnGlyphQuadsMatchTheMeasuredAdvance) {
  TextFrame t;
  ASSERT_EQ(t.font, 0);
  vgrSetFontSize(t.ctx, 20);
  vgrSetFillColor(t.ctx, vgrColorFromFloatsA(1, 0.5f, 0, 1));
  vgrSetGlobalAlpha(t.ctx, 0.5f);
  const char* text = "Hello World";
  const float adv = vgrGetTextBounds(t.ctx, 10, 50, text, nullptr, nullptr);
  const float x = vgrDrawText(t.ctx, 10, 50, text, nullptr);
  EXPECT_FLOAT_EQ(x - 10, adv);
  ASSERT_EQ(t.triangleCalls(), 1);
  const test::RecordedCall call = t.r.calls.back();
  EXPECT_EQ(call.verts.size(), 11u * 6u);  // a quad per code point, the space too
  EXPECT_EQ(call.paint.image, t.ctx->fontImages[0]);
  EXPECT_FLOAT_EQ(call.paint.innerColor.a, 0.5f);
  EXPECT_FLOAT_EQ(call.paint.innerColor.g, 0.5f);
  // Quads sit around the baseline and between the start and the returned pen.
  for (const auto& v : call.verts) {
    EXPECT_GE(v.x, 9.0f);
    EXPECT_LE(v.x, x + 1.0f);
    EXPECT_GT(v.y, 50 - 20.0f);
    EXPECT_LT(v.y, 50 + 8.0f);
    EXPECT_GE(v.u, 0.0f);
    EXPECT_LE(v.u, 1.0f);
  }
  // The atlas went to the font image: the texture equals the stash's texels.
  EXPECT_GE(t.r.updates, 1);
  int w, h;
  const unsigned char* data = fstashGetTextureData(t.ctx->fs, &w, &h);
  const auto& tex = t.r.textures.at(t.ctx->fontImages[0]);
  EXPECT_EQ(std::memcmp(tex.data.data(), data, static_cast<size_t>(w) * h), 0);

  // A translated draw moves every vertex; the returned x stays in user units.
  vgrTranslate(t.ctx, 100, 0);
  const float x2 = vgrDrawText(t.ctx, 10, 50, text, nullptr);
  EXPECT_FLOAT_EQ(x2, x);
  const auto& moved = t.r.calls.back().verts;
  for (size_t i = 0; i < moved.size(); i++) EXPECT_FLOAT_EQ(moved[i].x, call.verts[i].x + 100);

  // An empty string submits one empty batch and returns x.
  const size_t calls = t.r.calls.size();
  EXPECT_EQ(vgrDrawText(t.ctx, 7, 8, "", nullptr), 7.0f);
  ASSERT_EQ(t.r.calls.size(), calls + 1);
  EXPECT_TRUE(t.r.calls.back().verts.empty());
  // end bounds the string.
  vgrDrawText(t.ctx, 0, 50, text, text + 5);
  EXPECT_EQ(t.r.calls.back().verts.size(), 30u);
}

TEST(VectorText, TextScaleIsQuantisedAndLimited) {
  TextFrame t;
  vgrSetFontSize(t.ctx, 16);
  vgrScale(t.ctx, 1.004f, 1.004f);
  vgrDrawText(t.ctx, 0, 20, "a", nullptr);
  EXPECT_FLOAT_EQ(stashSize(t.ctx), 16.0f);
  vgrResetTransform(t.ctx);
  vgrScale(t.ctx, 1.006f, 1.006f);
  vgrDrawText(t.ctx, 0, 20, "a", nullptr);
  EXPECT_FLOAT_EQ(stashSize(t.ctx), 16.0f * 1.01f);
  // Scale 5 rasterises at 4 and magnifies: quads are 5/4 of the rasterised size.
  vgrResetTransform(t.ctx);
  vgrScale(t.ctx, 5, 5);
  vgrDrawText(t.ctx, 0, 20, "M", nullptr);
  EXPECT_FLOAT_EQ(stashSize(t.ctx), 64.0f);
  const auto q = t.r.calls.back().verts;
  ASSERT_EQ(q.size(), 6u);
  const float texW = (q[1].u - q[0].u) * 512;  // texels across the quad
  EXPECT_NEAR(q[1].x - q[0].x, texW * 5 / 4, 1e-2);
  // However large the scale, text is rasterised at 4, never dropped.
  vgrResetTransform(t.ctx);
  vgrScale(t.ctx, 1e7f, 1e7f);
  const size_t before = t.r.calls.size();
  vgrDrawText(t.ctx, 0, 0, "M", nullptr);
  EXPECT_FLOAT_EQ(stashSize(t.ctx), 64.0f);
  ASSERT_EQ(t.r.calls.size(), before + 1);
  EXPECT_EQ(t.r.calls.back().verts.size(), 6u);

  // The device pixel ratio multiplies the raster size.
  TextFrame hi(2.0f);
  vgrSetFontSize(hi.ctx, 16);
  const float adv1 = vgrGetTextBounds(hi.ctx, 0, 0, "Scale", nullptr, nullptr);
  EXPECT_FLOAT_EQ(stashSize(hi.ctx), 32.0f);
  vgrSetFontSize(t.ctx, 16);
  vgrResetTransform(t.ctx);
  const float adv2 = vgrGetTextBounds(t.ctx, 0, 0, "Scale", nullptr, nullptr);
  EXPECT_NEAR(adv1, adv2, 2.0f);

  // No usable scale: nothing is drawn or measured, nothing is NaN.
  const size_t calls = t.r.calls.size();
  vgrScale(t.ctx, 0, 0);
  EXPECT_EQ(vgrDrawText(t.ctx, 3, 4, "abc", nullptr), 3.0f);
  float b[4] = {1, 2, 3, 4};
  EXPECT_EQ(vgrGetTextBounds(t.ctx, 3, 4, "abc", nullptr, b), 0.0f);
  EXPECT_EQ(b[0], 1.0f);
  VGtextLine rows[2];
  EXPECT_EQ(vgrBreakTextLines(t.ctx, "abc", nullptr, 100, rows, 2), 0);
  vgrGetTextBoxBounds(t.ctx, 0, 0, 100, "abc", nullptr, b);
  EXPECT_EQ(b[2], 0.0f);
  vgrResetTransform(t.ctx);
  vgrApplyTransform(t.ctx, NAN, 0, 0, 1, 0, 0);
  EXPECT_EQ(vgrDrawText(t.ctx, 3, 4, "abc", nullptr), 3.0f);
  EXPECT_EQ(t.r.calls.size(), calls);
}

TEST(VectorText, NoFontDrawsAndMeasuresNothing) {
  TextFrame t(2.0f);  // a text scale of 2 would show in any rescaled output
  for (int id : {-1, 9}) {
    vgrSetFontFaceId(t.ctx, id);
    const size_t calls = t.r.calls.size();
    EXPECT_EQ(vgrDrawText(t.ctx, 5, 6, "abc", nullptr), 5.0f) << id;
    float b[4] = {7, 7, 7, 7};
    EXPECT_EQ(vgrGetTextBounds(t.ctx, 5, 6, "abc", nullptr, b), 0.0f);
    for (float v : b) EXPECT_EQ(v, 7.0f) << id;
    VGtextLine rows[2];
    EXPECT_EQ(vgrBreakTextLines(t.ctx, "abc", nullptr, 100, rows, 2), 0);
    VGglyphPos pos[4];
    EXPECT_EQ(vgrGetGlyphPositions(t.ctx, 0, 0, "abc", nullptr, pos, 4), 0);
    float a = -3;
    vgrGetTextMetrics(t.ctx, &a, nullptr, nullptr);
    EXPECT_EQ(a, -3.0f);
    vgrDrawTextBox(t.ctx, 0, 0, 100, "abc", nullptr);
    EXPECT_EQ(t.r.calls.size(), calls) << id;
    vgrGetTextBoxBounds(t.ctx, 5, 6, 100, "abc", nullptr, b);
    for (float v : b) EXPECT_EQ(v, 0.0f) << id;
  }
  vgrSetFontFace(t.ctx, "missing");
  EXPECT_EQ(t.ctx->states[0].fontId, -1);
  vgrSetFontFace(t.ctx, "sans");
  EXPECT_EQ(t.ctx->states[0].fontId, 0);
  EXPECT_EQ(vgrFindFont(t.ctx, nullptr), -1);
  EXPECT_EQ(vgrFindFont(t.ctx, "sans"), 0);
  EXPECT_EQ(vgrCreateFontFromFile(t.ctx, "x", "/nonexistent.ttf"), -1);
}

TEST(VectorText, FallbackFontsFillMissingGlyphs) {
  TextFrame t;
  const int roboto = vgrCreateFontFromFileAtIndex(t.ctx, "roboto", kRoboto, 0);
  ASSERT_EQ(roboto, 1);
  EXPECT_EQ(vgrAddFallbackFont(t.ctx, "roboto", nullptr), 0);
  EXPECT_EQ(vgrAddFallbackFont(t.ctx, "roboto", "nope"), 0);
  EXPECT_EQ(vgrAddFallbackFontById(t.ctx, -1, 0), 0);
  EXPECT_EQ(vgrAddFallbackFontById(t.ctx, roboto, 5), 0);
  vgrSetFontFaceId(t.ctx, roboto);
  vgrSetFontSize(t.ctx, 40);
  const char* snowman = "\xE2\x98\x83";
  const float without = vgrGetTextBounds(t.ctx, 0, 0, snowman, nullptr, nullptr);
  ASSERT_EQ(vgrAddFallbackFont(t.ctx, "roboto", "sans"), 1);
  // The glyph cache of the asking font still holds the missing-glyph entry; a new size
  // looks the code point up again and finds it in the fallback.
  vgrSetFontSize(t.ctx, 41);
  const float with = vgrGetTextBounds(t.ctx, 0, 0, snowman, nullptr, nullptr);
  vgrSetFontFaceId(t.ctx, 0);
  const float direct = vgrGetTextBounds(t.ctx, 0, 0, snowman, nullptr, nullptr);
  EXPECT_NEAR(with, direct, 1.0f);
  EXPECT_GT(std::fabs(with - without * 41 / 40), 1.0f);
}

TEST(VectorText, FullAtlasMovesToALargerFontImage) {
  TextFrame t;
  vgrSetFontSize(t.ctx, 150);
  const std::string text = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
  vgrDrawText(t.ctx, 0, 200, text.c_str(), nullptr);
  EXPECT_GE(t.triangleCalls(), 2);
  EXPECT_EQ(t.triangleVerts(), text.size() * 6);
  EXPECT_GE(t.ctx->fontImageIdx, 1);
  const auto first = t.r.calls[t.r.calls.size() - static_cast<size_t>(t.triangleCalls())];
  EXPECT_EQ(first.paint.image, t.ctx->fontImages[0]);
  EXPECT_EQ(t.r.calls.back().paint.image, t.ctx->fontImages[t.ctx->fontImageIdx]);
  const auto& second = t.r.textures.at(t.ctx->fontImages[1]);
  EXPECT_EQ(second.w, 1024);
  EXPECT_EQ(second.h, 512);
  int w, h;
  fstashGetAtlasSize(t.ctx->fs, &w, &h);
  const auto& cur = t.r.textures.at(t.ctx->fontImages[t.ctx->fontImageIdx]);
  EXPECT_EQ(w, cur.w);
  EXPECT_EQ(h, cur.h);
  // The end of the frame keeps the largest image only.
  const int keep = t.ctx->fontImages[t.ctx->fontImageIdx];
  vgrEndFrame(t.ctx);
  EXPECT_EQ(t.ctx->fontImageIdx, 0);
  EXPECT_EQ(t.ctx->fontImages[0], keep);
  EXPECT_EQ(t.r.textures.size(), 1u);

  // Four images at most: huge glyphs end the string once the fourth is full.
  TextFrame big;
  vgrSetFontSize(big.ctx, 500);
  const size_t before = big.r.calls.size();
  vgrDrawText(big.ctx, 0, 600, text.c_str(), nullptr);
  EXPECT_EQ(big.ctx->fontImageIdx, 3);
  EXPECT_EQ(big.r.created, 4);
  EXPECT_LT(big.triangleVerts(), text.size() * 6);
  EXPECT_GT(big.r.calls.size(), before);

  // A glyph too large for the next atlas gets one retry there, then ends the string:
  // it does not use up the remaining font images.
  TextFrame huge;
  vgrSetFontSize(huge.ctx, 2000);
  EXPECT_EQ(vgrDrawText(huge.ctx, 7, 1500, "HI", nullptr), 7.0f);
  EXPECT_EQ(huge.ctx->fontImageIdx, 1);
  EXPECT_EQ(huge.r.created, 2);
  EXPECT_EQ(huge.triangleVerts(), 0u);

  // Missing glyphs for other reasons do not grow anything: a tiny size has none.
  TextFrame tiny;
  vgrSetFontSize(tiny.ctx, 0.1f);
  EXPECT_EQ(vgrDrawText(tiny.ctx, 4, 5, text.c_str(), nullptr), 4.0f);
  EXPECT_EQ(tiny.ctx->fontImageIdx, 0);
  EXPECT_EQ(tiny.r.created, 1);
  EXPECT_EQ(tiny.triangleVerts(), 0u);

  // A back end that cannot create the larger image ends the string, it is not image 0.
  TextFrame failing;
  vgrSetFontSize(failing.ctx, 150);
  failing.r.failTextures = true;
  vgrDrawText(failing.ctx, 0, 200, text.c_str(), nullptr);
  EXPECT_EQ(failing.ctx->fontImageIdx, 0);
  for (const auto& c : failing.r.calls) EXPECT_NE(c.paint.image, 0);
}

TEST(VectorText, RowsBreakAtSpacesNewlinesAndLongWords) {
  TextFrame t;
  vgrSetFontSize(t.ctx, 20);
  VGtextLine rows[8];
  const char* hw = "hello world";
  const float nine = vgrGetTextBounds(t.ctx, 0, 0, hw, hw + 9, nullptr);
  const float hello = vgrGetTextBounds(t.ctx, 0, 0, hw, hw + 5, nullptr);
  ASSERT_EQ(vgrBreakTextLines(t.ctx, hw, nullptr, nine, rows, 8), 2);
  EXPECT_EQ(rows[0].start, hw);
  EXPECT_EQ(rows[0].end, hw + 5);
  EXPECT_EQ(rows[0].next, hw + 6);
  EXPECT_NEAR(rows[0].width, hello, 1e-3);
  EXPECT_EQ(rows[1].start, hw + 6);
  EXPECT_EQ(rows[1].end, hw + 11);
  EXPECT_EQ(rows[1].next, hw + 11);
  EXPECT_EQ(vgrBreakTextLines(t.ctx, hw, nullptr, nine, rows, 1), 1);
  EXPECT_EQ(vgrBreakTextLines(t.ctx, hw, nullptr, nine, rows, 0), 0);
  EXPECT_EQ(vgrBreakTextLines(t.ctx, "", nullptr, nine, rows, 8), 0);

  // A word longer than the row is cut before the first glyph that passes the width;
  // every row's width stays within it.
  const char* word = "abcdefghijklmnop";
  const float four = vgrGetTextBounds(t.ctx, 0, 0, word, word + 4, nullptr) + 0.5f;
  const int n = vgrBreakTextLines(t.ctx, word, nullptr, four, rows, 8);
  ASSERT_GE(n, 3);
  EXPECT_EQ(rows[0].end, word + 4);
  EXPECT_EQ(rows[1].start, word + 4);
  for (int i = 0; i < n; i++) {
    EXPECT_LE(rows[i].width, four) << i;
    EXPECT_NEAR(rows[i].width, vgrGetTextBounds(t.ctx, 0, 0, rows[i].start, rows[i].end, nullptr), 1e-3) << i;
    if (i + 1 < n) {
      EXPECT_EQ(rows[i].next, rows[i + 1].start);
      EXPECT_EQ(rows[i].end, rows[i].next);
      // One more glyph would not have fitted.
      EXPECT_GT(vgrGetTextBounds(t.ctx, 0, 0, rows[i].start, rows[i].end + 1, nullptr), four) << i;
    }
  }
  EXPECT_EQ(rows[n - 1].end, word + 16);

  // CR LF and LF CR are one break; LF LF leaves an empty row.
  EXPECT_EQ(vgrBreakTextLines(t.ctx, "a\r\nb", nullptr, 500, rows, 8), 2);
  EXPECT_EQ(vgrBreakTextLines(t.ctx, "a\n\rb", nullptr, 500, rows, 8), 2);
  const char* ll = "a\n\nb";
  ASSERT_EQ(vgrBreakTextLines(t.ctx, ll, nullptr, 500, rows, 8), 3);
  EXPECT_EQ(rows[1].start, rows[1].end);
  EXPECT_EQ(rows[1].width, 0.0f);
  EXPECT_EQ(rows[2].start, ll + 3);

  // Leading and trailing spaces are not part of a row.
  const char* sp = "   lead trail   ";
  ASSERT_EQ(vgrBreakTextLines(t.ctx, sp, nullptr, 500, rows, 8), 1);
  EXPECT_EQ(rows[0].start, sp + 3);
  EXPECT_EQ(rows[0].end, sp + 13);
  EXPECT_NEAR(rows[0].width, vgrGetTextBounds(t.ctx, 0, 0, sp + 3, sp + 13, nullptr), 1e-3);

  // CJK text wraps between any two characters.
  const char* cjk = "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\xE6\x96\x87\xE5\xAD\x97\xE5\x88\x97";  // six ideographs
  const float three = vgrGetTextBounds(t.ctx, 0, 0, cjk, cjk + 9, nullptr) + 0.5f;
  ASSERT_EQ(vgrBreakTextLines(t.ctx, cjk, nullptr, three, rows, 8), 2);
  EXPECT_EQ(rows[0].end, cjk + 9);
  EXPECT_EQ(rows[1].start, cjk + 9);
  // A row cut in front of a CJK character measures only what it holds.
  for (int i = 0; i < 2; i++) {
    EXPECT_LE(rows[i].width, three) << i;
    EXPECT_NEAR(rows[i].width, vgrGetTextBounds(t.ctx, 0, 0, rows[i].start, rows[i].end, nullptr), 1e-3) << i;
  }
  const char* mixed = "ab \xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E";  // a word, a space, three ideographs
  const float upTo2 = vgrGetTextBounds(t.ctx, 0, 0, mixed, mixed + 6, nullptr) + 0.5f;
  const int nm = vgrBreakTextLines(t.ctx, mixed, nullptr, upTo2, rows, 8);
  ASSERT_GE(nm, 2);
  for (int i = 0; i < nm; i++)
    EXPECT_NEAR(rows[i].width, vgrGetTextBounds(t.ctx, 0, 0, rows[i].start, rows[i].end, nullptr), 1e-3) << i;
}

TEST(VectorText, TextBoxesStackRowsByLineHeight) {
  TextFrame t;
  vgrSetFontSize(t.ctx, 20);
  float asc, desc, lineh;
  vgrGetTextMetrics(t.ctx, &asc, &desc, &lineh);
  EXPECT_GT(asc, 0);
  EXPECT_LT(desc, 0);
  EXPECT_NEAR(lineh, t.ctx->fs->fonts[0]->lineh * 20, 1e-3);
  const char* text = "one two three four five six";
  const float w = vgrGetTextBounds(t.ctx, 0, 0, "three four", nullptr, nullptr) + 1;
  VGtextLine rows[8];
  const int nrows = vgrBreakTextLines(t.ctx, text, nullptr, w, rows, 8);
  ASSERT_GE(nrows, 3);
  vgrSetLineHeight(t.ctx, 1.5f);
  vgrSetTextAlign(t.ctx, VG_ALIGN_RIGHT | VG_ALIGN_TOP);
  const size_t before = t.r.calls.size();
  vgrDrawTextBox(t.ctx, 10, 10, w, text, nullptr);
  EXPECT_EQ(t.r.calls.size() - before, static_cast<size_t>(nrows));
  EXPECT_EQ(t.ctx->states[0].textAlign, VG_ALIGN_RIGHT | VG_ALIGN_TOP);  // restored
  float b[4];
  vgrGetTextBoxBounds(t.ctx, 10, 10, w, text, nullptr, b);
  EXPECT_NEAR(b[3] - b[1], (nrows - 1) * lineh * 1.5f + lineh, 1.0f);
  EXPECT_LE(b[2], 10 + w + 2);
  EXPECT_GE(b[0], 10 - 1);
  // Right-aligned rows end at the right edge.
  const auto& lastRow = t.r.calls.back().verts;
  float maxx = 0;
  for (const auto& v : lastRow) maxx = std::fmax(maxx, v.x);
  EXPECT_NEAR(maxx, 10 + w, 3.0f);
}

TEST(VectorText, GlyphPositionsAndBounds) {
  TextFrame t;
  vgrSetFontSize(t.ctx, 24);
  VGglyphPos pos[8];
  const char* text = "Typo!";
  EXPECT_EQ(vgrGetGlyphPositions(t.ctx, 10, 0, text, nullptr, pos, 3), 3);
  ASSERT_EQ(vgrGetGlyphPositions(t.ctx, 10, 0, text, nullptr, pos, 8), 5);
  EXPECT_EQ(vgrGetGlyphPositions(t.ctx, 10, 0, text, nullptr, pos, 0), 0);
  EXPECT_EQ(vgrGetGlyphPositions(t.ctx, 10, 0, text, nullptr, nullptr, 3), 0);
  EXPECT_EQ(pos[0].str, text);
  EXPECT_FLOAT_EQ(pos[0].x, 10);
  for (int i = 1; i < 5; i++) {
    EXPECT_EQ(pos[i].str, text + i);
    EXPECT_GT(pos[i].x, pos[i - 1].x);
    EXPECT_LE(pos[i].minx, pos[i].x);
    EXPECT_GT(pos[i].maxx, pos[i].x);
  }
  // A single space: its advance, and a box as high as the line.
  float b[4];
  const float adv = vgrGetTextBounds(t.ctx, 0, 100, " ", nullptr, b);
  stbtt_fontinfo info;
  ASSERT_TRUE(stbtt_InitFont(&info, test::testFontBytes().data(), 0));
  int a, lsb;
  stbtt_GetCodepointHMetrics(&info, ' ', &a, &lsb);
  EXPECT_NEAR(adv, a * stbtt_ScaleForPixelHeight(&info, 24), 0.6f);
  float lineh;
  vgrGetTextMetrics(t.ctx, nullptr, nullptr, &lineh);
  EXPECT_NEAR(b[3] - b[1], lineh, 1e-3);
}

}  // namespace
}  // namespace fx::gfx
