#include "vector/FstashTrueType.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

// The TrueType library's temporary memory comes from the stash's arena.
#define STBTT_malloc(x, u) fx::gfx::fstashTtAlloc(x, u)
#define STBTT_free(x, u) fx::gfx::fstashTtFree(x, u)
#define STB_TRUETYPE_IMPLEMENTATION
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wunused-parameter"
#pragma GCC diagnostic ignored "-Wsign-compare"
#endif
#include <stb_truetype.h>
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

namespace fx::gfx {

void* fstashTtAlloc(size_t size, void* uptr) {
  auto* s = static_cast<FstashContext*>(uptr);
  if (s == nullptr) return std::malloc(size);
  const size_t rounded = (size + 0xF) & ~static_cast<size_t>(0xF);
  const size_t want = static_cast<size_t>(s->nscratch) + rounded;
  if (want > static_cast<size_t>(FSTASH_SCRATCH_BUF_SIZE)) {
    if (s->handleError) s->handleError(s->errorUptr, FSTASH_SCRATCH_FULL, static_cast<int>(want > 0x7FFFFFFF ? 0x7FFFFFFF : want));
    // A glyph larger than the arena is rasterised from the heap rather than failed:
    // the library does not check every allocation it makes.
    void* p = std::malloc(size);
    if (p != nullptr) s->nheapBlocks++;
    return p;
  }
  uint8_t* p = s->scratch + s->nscratch;
  s->nscratch = static_cast<int32_t>(want);
  return p;
}

void fstashTtFree(void* ptr, void* uptr) {
  if (ptr == nullptr) return;
  auto* s = static_cast<FstashContext*>(uptr);
  if (s == nullptr) {
    std::free(ptr);
    return;
  }
  auto* p = static_cast<uint8_t*>(ptr);
  if (s->scratch != nullptr && p >= s->scratch && p < s->scratch + FSTASH_SCRATCH_BUF_SIZE) return;
  std::free(ptr);
  s->nheapBlocks--;
}

int fstashTtLoadFont(FstashContext* s, FstashFont* font, const unsigned char* data, int dataSize, int fontIndex) {
  font->font.userdata = s;
  FstashFaceTables& t = font->tables;
  if (!fstashCheckFace(data, dataSize, fontIndex, &t) || stbtt_GetFontOffsetForIndex(data, fontIndex) != t.faceOffset)
    return 0;
  if (!stbtt_InitFont(&font->font, data, t.faceOffset)) return 0;
  // The library must have found the tables that were checked.
  const stbtt_fontinfo& f = font->font;
  if (f.glyf != static_cast<int>(t.glyf) || f.loca != static_cast<int>(t.loca) || f.numGlyphs != t.numGlyphs ||
      f.indexToLocFormat != t.locaFormat || f.cff.size != 0)
    return 0;
  // Damaged kerning tables are left unread: the text is drawn without that kerning.
  if (!t.kernUsable) font->font.kern = 0;
  if (!t.gposUsable) font->font.gpos = 0;
  font->font.userdata = s;
  return 1;
}

void fstashTtGetFontVMetrics(const FstashFont* font, int* ascent, int* descent, int* lineGap) {
  stbtt_GetFontVMetrics(&font->font, ascent, descent, lineGap);
}

float fstashTtGetPixelHeightScale(const FstashFont* font, float size) {
  int ascent = 0, descent = 0, gap = 0;
  stbtt_GetFontVMetrics(&font->font, &ascent, &descent, &gap);
  const int fh = ascent - descent;
  return fh > 0 ? size / static_cast<float>(fh) : 0.0f;
}

int fstashTtGetGlyphIndex(const FstashFont* font, int codepoint) {
  // A character map may name glyphs the font does not have: they are missing.
  const int g = stbtt_FindGlyphIndex(&font->font, codepoint);
  return g > 0 && g < font->font.numGlyphs ? g : 0;
}

int fstashTtBuildGlyphBitmap(const FstashFont* font, int glyph, float scale, int* advance, int* x0, int* y0,
                             int* x1, int* y1) {
  int lsb = 0, bx0 = 0, by0 = 0, bx1 = 0, by1 = 0;
  *advance = 0;
  if (glyph < 0 || glyph >= font->font.numGlyphs) glyph = 0;
  stbtt_GetGlyphHMetrics(&font->font, glyph, advance, &lsb);
  // A glyph whose outline is damaged, whose box is turned inside out, or whose box is
  // many times the font's height (no real glyph is; rasterising it over and over would
  // stall the drawing) keeps its advance and draws nothing.
  int ascent = 0, descent = 0, gap = 0;
  stbtt_GetFontVMetrics(&font->font, &ascent, &descent, &gap);
  const long limit = kFstashMaxGlyphHeights * (static_cast<long>(ascent) - descent);
  if (!fstashCheckGlyph(font->data, font->tables, glyph) ||
      !stbtt_GetGlyphBox(&font->font, glyph, &bx0, &by0, &bx1, &by1) || bx0 > bx1 || by0 > by1 ||
      static_cast<long>(bx1) - bx0 > limit || static_cast<long>(by1) - by0 > limit) {
    *x0 = *y0 = *x1 = *y1 = 0;
    return 0;
  }
  *x0 = static_cast<int>(std::floor(bx0 * scale));
  *y0 = static_cast<int>(std::floor(-by1 * scale));
  *x1 = static_cast<int>(std::ceil(bx1 * scale));
  *y1 = static_cast<int>(std::ceil(-by0 * scale));
  return 1;
}

void fstashTtRenderGlyphBitmap(const FstashFont* font, unsigned char* output, int outWidth, int outHeight,
                               int outStride, float scaleX, float scaleY, int glyph) {
  if (outWidth <= 0 || outHeight <= 0 || outStride < outWidth || glyph < 0 || glyph >= font->font.numGlyphs ||
      !fstashCheckGlyph(font->data, font->tables, glyph))
    return;
  stbtt_MakeGlyphBitmap(&font->font, output, outWidth, outHeight, outStride, scaleX, scaleY, glyph);
}

int fstashTtGetGlyphKernAdvance(const FstashFont* font, int glyph1, int glyph2) {
  return stbtt_GetGlyphKernAdvance(&font->font, glyph1, glyph2);
}

}  // namespace fx::gfx
