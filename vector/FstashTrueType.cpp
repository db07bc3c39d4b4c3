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

static uint32_t readU32(const unsigned char* p) {
  return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | uint32_t(p[3]);
}
static uint32_t readU16(const unsigned char* p) { return (uint32_t(p[0]) << 8) | uint32_t(p[1]); }

int fstashTtFaceOffset(const unsigned char* data, int dataSize, int fontIndex) {
  if (data == nullptr || dataSize < 12 || fontIndex < 0) return -1;
  const uint64_t size = static_cast<uint64_t>(dataSize);
  uint64_t offset = 0;
  if (std::memcmp(data, "ttcf", 4) == 0) {
    const uint64_t n = readU32(data + 8);
    if (static_cast<uint64_t>(fontIndex) >= n || 12 + 4 * n > size) return -1;
    offset = readU32(data + 12 + 4 * static_cast<uint64_t>(fontIndex));
  } else if (fontIndex != 0) {
    return -1;
  }
  if (offset + 12 > size) return -1;
  const uint64_t numTables = readU16(data + offset + 4);
  if (offset + 12 + 16 * numTables > size) return -1;
  for (uint64_t i = 0; i < numTables; i++) {
    const unsigned char* rec = data + offset + 12 + 16 * i;
    const uint64_t toff = readU32(rec + 8), tlen = readU32(rec + 12);
    if (toff + tlen > size) return -1;
  }
  if (offset > 0x7FFFFFFF) return -1;
  const int libOffset = stbtt_GetFontOffsetForIndex(data, fontIndex);
  return libOffset == static_cast<int>(offset) ? libOffset : -1;
}

int fstashTtLoadFont(FstashContext* s, FstashFont* font, const unsigned char* data, int dataSize, int fontIndex) {
  font->font.userdata = s;
  const int offset = fstashTtFaceOffset(data, dataSize, fontIndex);
  if (offset < 0) return 0;
  if (!stbtt_InitFont(&font->font, data, offset)) return 0;
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
  return stbtt_FindGlyphIndex(&font->font, codepoint);
}

int fstashTtBuildGlyphBitmap(const FstashFont* font, int glyph, float scale, int* advance, int* x0, int* y0,
                             int* x1, int* y1) {
  int lsb = 0, bx0 = 0, by0 = 0, bx1 = 0, by1 = 0;
  stbtt_GetGlyphHMetrics(&font->font, glyph, advance, &lsb);
  if (!stbtt_GetGlyphBox(&font->font, glyph, &bx0, &by0, &bx1, &by1)) {
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
  stbtt_MakeGlyphBitmap(&font->font, output, outWidth, outHeight, outStride, scaleX, scaleY, glyph);
}

int fstashTtGetGlyphKernAdvance(const FstashFont* font, int glyph1, int glyph2) {
  return stbtt_GetGlyphKernAdvance(&font->font, glyph1, glyph2);
}

}  // namespace fx::gfx
