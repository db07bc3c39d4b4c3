// Font stash: creation, fonts, states, glyph cache, quads, drawing and measuring.
#include "vector/Fstash.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "vector/FstashTrueType.h"
#include "vector/FstashUtf8.h"

namespace fx::gfx {

namespace {

int16_t toInt16(float v) {
  if (!(v > -32768.0f)) return -32768;  // also NaN
  if (v > 32767.0f) return 32767;
  return static_cast<int16_t>(v);
}

int16_t toInt16(int v) { return static_cast<int16_t>(v < -32768 ? -32768 : (v > 32767 ? 32767 : v)); }

// Size in tenths of a pixel, truncated; negative or invalid sizes give 0 (no glyph).
int16_t quantSize(float size) {
  const float v = size * 10.0f;
  if (!(v >= 0.0f)) return 0;
  return toInt16(v);
}

// Blur radius in whole pixels, 0 to the maximum.
int16_t quantBlur(float blur) {
  if (!(blur >= 0.0f)) return 0;
  if (blur > static_cast<float>(FSTASH_MAX_BLUR)) return FSTASH_MAX_BLUR;
  return static_cast<int16_t>(blur);
}

FstashState* getState(FstashContext* s) { return &s->states[s->nstates - 1]; }

FstashFont* currentFont(FstashContext* s) {
  const FstashState* state = getState(s);
  if (state->font < 0 || state->font >= s->nfonts) return nullptr;
  FstashFont* font = s->fonts[state->font];
  return (font != nullptr && font->data != nullptr) ? font : nullptr;
}

void freeFont(FstashFont* font) {
  if (font == nullptr) return;
  std::free(font->glyphs);
  if (font->freeData && font->data) std::free(font->data);
  std::free(font);
}

void resetDirty(FstashContext* s) {
  s->dirtyRect[0] = s->params.width;
  s->dirtyRect[1] = s->params.height;
  s->dirtyRect[2] = 0;
  s->dirtyRect[3] = 0;
}

void growDirty(FstashContext* s, int x0, int y0, int x1, int y1) {
  if (x0 < s->dirtyRect[0]) s->dirtyRect[0] = x0;
  if (y0 < s->dirtyRect[1]) s->dirtyRect[1] = y0;
  if (x1 > s->dirtyRect[2]) s->dirtyRect[2] = x1;
  if (y1 > s->dirtyRect[3]) s->dirtyRect[3] = y1;
}

int addWhiteRect(FstashContext* s, int w, int h) {
  int gx = 0, gy = 0;
  if (!fstashAtlasAddRect(s->atlas, w, h, &gx, &gy)) return 0;
  uint8_t* dst = &s->texData[gx + gy * s->params.width];
  for (int y = 0; y < h; y++) {
    for (int x = 0; x < w; x++) dst[x] = 0xff;
    dst += s->params.width;
  }
  growDirty(s, gx, gy, gx + w, gy + h);
  return 1;
}

float getVertAlign(const FstashContext* s, const FstashFont* font, int align, int16_t isize) {
  const float px = isize / 10.0f;
  float v = 0.0f;
  if (align & VG_ALIGN_TOP) {
    v = font->ascender * px;
  } else if (align & VG_ALIGN_MIDDLE) {
    v = (font->ascender + font->descender) / 2.0f * px;
  } else if (align & VG_ALIGN_BASELINE) {
    v = 0.0f;
  } else if (align & VG_ALIGN_BOTTOM) {
    v = font->descender * px;
  }
  return (s->params.flags & FSTASH_ZERO_TOPLEFT) ? v : -v;
}

void flush(FstashContext* s) {
  if (s->dirtyRect[0] < s->dirtyRect[2] && s->dirtyRect[1] < s->dirtyRect[3]) {
    if (s->params.renderUpdate) s->params.renderUpdate(s->params.userPtr, s->dirtyRect, s->texData);
  }
  resetDirty(s);
  if (s->nverts > 0) {
    if (s->params.renderDraw) s->params.renderDraw(s->params.userPtr, s->verts, s->tcoords, s->colors, s->nverts);
    s->nverts = 0;
  }
}

void addVertex(FstashContext* s, float x, float y, float u, float v, uint32_t c) {
  s->verts[s->nverts * 2 + 0] = x;
  s->verts[s->nverts * 2 + 1] = y;
  s->tcoords[s->nverts * 2 + 0] = u;
  s->tcoords[s->nverts * 2 + 1] = v;
  s->colors[s->nverts] = c;
  s->nverts++;
}

void getQuad(FstashContext* s, FstashFont* font, int prevGlyphIndex, const FstashGlyph* glyph, float scale,
             float spacing, float* x, float* y, FstashQuad* q) {
  // Truncation toward zero in float: the same values as an int cast, without its
  // undefined result for pens or spacings out of the int range (or not finite).
  if (prevGlyphIndex != -1) {
    const float adv = static_cast<float>(fstashTtGetGlyphKernAdvance(font, prevGlyphIndex, glyph->index)) * scale;
    *x += std::trunc(adv + spacing + 0.5f);
  }
  const float xoff = static_cast<int16_t>(glyph->xoff + 1);
  const float yoff = static_cast<int16_t>(glyph->yoff + 1);
  const float x0 = static_cast<float>(glyph->x0 + 1);
  const float y0 = static_cast<float>(glyph->y0 + 1);
  const float x1 = static_cast<float>(glyph->x1 - 1);
  const float y1 = static_cast<float>(glyph->y1 - 1);
  if (s->params.flags & FSTASH_ZERO_TOPLEFT) {
    const float rx = std::trunc(*x + xoff);
    const float ry = std::trunc(*y + yoff);
    q->x0 = rx;
    q->y0 = ry;
    q->x1 = rx + x1 - x0;
    q->y1 = ry + y1 - y0;
  } else {
    const float rx = std::trunc(*x + xoff);
    const float ry = std::trunc(*y - yoff);
    q->x0 = rx;
    q->y0 = ry;
    q->x1 = rx + x1 - x0;
    q->y1 = ry - y1 + y0;
  }
  q->s0 = x0 * s->itw;
  q->t0 = y0 * s->ith;
  q->s1 = x1 * s->itw;
  q->t1 = y1 * s->ith;
  *x += static_cast<int>(glyph->xadv / 10.0f + 0.5f);
}

// Appends a glyph entry to the font's cache and links it into its hash chain.
FstashGlyph* allocGlyph(FstashFont* font) {
  if (font->nglyphs + 1 > font->cglyphs) {
    const int cap = font->cglyphs == 0 ? 8 : font->cglyphs * 2;
    auto* glyphs = static_cast<FstashGlyph*>(std::realloc(font->glyphs, sizeof(FstashGlyph) * cap));
    if (glyphs == nullptr) return nullptr;
    font->glyphs = glyphs;
    font->cglyphs = cap;
  }
  font->nglyphs++;
  return &font->glyphs[font->nglyphs - 1];
}

}  // namespace

uint32_t fstashHashInt(uint32_t a) {
  a += ~(a << 15);
  a ^= (a >> 10);
  a += (a << 3);
  a ^= (a >> 6);
  a += ~(a << 11);
  a ^= (a >> 16);
  return a;
}

FstashContext* fstashCreate(const FstashParams* params) {
  if (params == nullptr || params->width <= 0 || params->height <= 0 || params->width > 32767 ||
      params->height > 32767)
    return nullptr;
  auto* s = static_cast<FstashContext*>(std::calloc(1, sizeof(FstashContext)));
  if (s == nullptr) return nullptr;
  s->params = *params;
  s->scratch = static_cast<uint8_t*>(std::malloc(FSTASH_SCRATCH_BUF_SIZE));
  if (s->scratch == nullptr) goto error;
  if (s->params.renderCreate != nullptr &&
      s->params.renderCreate(s->params.userPtr, s->params.width, s->params.height) == 0)
    goto error;
  s->atlas = fstashAllocAtlas(s->params.width, s->params.height, FSTASH_INIT_ATLAS_NODES);
  if (s->atlas == nullptr) goto error;
  s->fonts = static_cast<FstashFont**>(std::calloc(FSTASH_INIT_FONTS, sizeof(FstashFont*)));
  if (s->fonts == nullptr) goto error;
  s->cfonts = FSTASH_INIT_FONTS;
  s->nfonts = 0;
  s->itw = 1.0f / s->params.width;
  s->ith = 1.0f / s->params.height;
  s->texData = static_cast<uint8_t*>(std::calloc(static_cast<size_t>(s->params.width) * s->params.height, 1));
  if (s->texData == nullptr) goto error;
  resetDirty(s);
  if (!addWhiteRect(s, 2, 2)) goto error;
  fstashPushState(s);
  fstashClearState(s);
  return s;
error:
  fstashDelete(s);
  return nullptr;
}

void fstashDelete(FstashContext* s) {
  if (s == nullptr) return;
  if (s->params.renderDelete) s->params.renderDelete(s->params.userPtr);
  for (int i = 0; i < s->nfonts; ++i) freeFont(s->fonts[i]);
  std::free(s->fonts);
  fstashDeleteAtlas(s->atlas);
  std::free(s->texData);
  std::free(s->scratch);
  std::free(s);
}

int fstashAddFontFromFile(FstashContext* s, const char* name, const char* path, int fontIndex) {
  if (s == nullptr || path == nullptr) return -1;
  FILE* fp = std::fopen(path, "rb");
  if (fp == nullptr) return -1;
  unsigned char* data = nullptr;
  long size = 0;
  if (std::fseek(fp, 0, SEEK_END) != 0 || (size = std::ftell(fp)) <= 0 || size > 0x7FFFFFFF ||
      std::fseek(fp, 0, SEEK_SET) != 0) {
    std::fclose(fp);
    return -1;
  }
  data = static_cast<unsigned char*>(std::malloc(static_cast<size_t>(size)));
  if (data == nullptr) {
    std::fclose(fp);
    return -1;
  }
  const size_t readBytes = std::fread(data, 1, static_cast<size_t>(size), fp);
  std::fclose(fp);
  if (readBytes != static_cast<size_t>(size)) {
    std::free(data);
    return -1;
  }
  return fstashAddFontFromMemory(s, name, data, static_cast<int>(size), fontIndex, 1);
}

// Ownership of data passes to the stash when freeData is set, also on failure (the
// bytes are freed then).
int fstashAddFontFromMemory(FstashContext* s, const char* name, unsigned char* data, int dataSize, int fontIndex,
                            int freeData) {
  auto fail = [&]() {
    if (freeData && data) std::free(data);
    return -1;
  };
  if (s == nullptr || data == nullptr || dataSize <= 0) return fail();
  if (s->nfonts + 1 > s->cfonts) {
    const int cap = s->cfonts == 0 ? 8 : s->cfonts * 2;
    auto* fonts = static_cast<FstashFont**>(std::realloc(s->fonts, sizeof(FstashFont*) * cap));
    if (fonts == nullptr) return fail();
    s->fonts = fonts;
    s->cfonts = cap;
  }
  auto* font = static_cast<FstashFont*>(std::calloc(1, sizeof(FstashFont)));
  if (font == nullptr) return fail();
  font->glyphs = static_cast<FstashGlyph*>(std::malloc(sizeof(FstashGlyph) * FSTASH_INIT_GLYPHS));
  if (font->glyphs == nullptr) {
    std::free(font);
    return fail();
  }
  font->cglyphs = FSTASH_INIT_GLYPHS;
  font->nglyphs = 0;
  if (name != nullptr) {
    // At most 63 bytes of the name; the record is zeroed, so the copy stays terminated.
    for (size_t n = 0; n + 1 < sizeof(font->name) && name[n] != '\0'; n++) font->name[n] = name[n];
  }
  for (int i = 0; i < FSTASH_HASH_LUT_SIZE; ++i) font->lut[i] = -1;
  font->data = data;
  font->dataSize = dataSize;
  font->freeData = static_cast<uint8_t>(freeData ? 1 : 0);

  s->nscratch = 0;
  if (!fstashTtLoadFont(s, font, data, dataSize, fontIndex)) {
    freeFont(font);  // frees data with freeData
    return -1;
  }
  int ascent = 0, descent = 0, lineGap = 0;
  fstashTtGetFontVMetrics(font, &ascent, &descent, &lineGap);
  const int fh = ascent - descent;
  if (fh > 0) {
    font->ascender = static_cast<float>(ascent) / fh;
    font->descender = static_cast<float>(descent) / fh;
    font->lineh = static_cast<float>(fh + lineGap) / fh;
  } else {
    // A face without a usable height keeps zero metrics and yields no glyphs.
    font->ascender = font->descender = font->lineh = 0.0f;
  }
  s->fonts[s->nfonts++] = font;
  return s->nfonts - 1;
}

int fstashGetFontByName(FstashContext* s, const char* name) {
  if (s == nullptr || name == nullptr) return -1;
  for (int i = 0; i < s->nfonts; i++) {
    if (std::strcmp(s->fonts[i]->name, name) == 0) return i;
  }
  return -1;
}

int fstashAddFallbackFont(FstashContext* s, int base, int fallback) {
  if (s == nullptr || base < 0 || base >= s->nfonts || fallback < 0 || fallback >= s->nfonts) return 0;
  FstashFont* baseFont = s->fonts[base];
  if (baseFont->nfallbacks >= FSTASH_MAX_FALLBACKS) return 0;
  baseFont->fallbacks[baseFont->nfallbacks++] = fallback;
  return 1;
}

void fstashPushState(FstashContext* s) {
  if (s->nstates >= FSTASH_MAX_STATES) {
    if (s->handleError) s->handleError(s->errorUptr, FSTASH_STATES_OVERFLOW, 0);
    return;
  }
  if (s->nstates > 0) s->states[s->nstates] = s->states[s->nstates - 1];
  s->nstates++;
}

void fstashPopState(FstashContext* s) {
  if (s->nstates <= 1) {
    if (s->handleError) s->handleError(s->errorUptr, FSTASH_STATES_UNDERFLOW, 0);
    return;
  }
  s->nstates--;
}

void fstashClearState(FstashContext* s) {
  FstashState* state = getState(s);
  state->size = 12.0f;
  state->color = 0xffffffff;
  state->font = 0;
  state->blur = 0;
  state->spacing = 0;
  state->align = VG_ALIGN_LEFT | VG_ALIGN_BASELINE;
}

void fstashSetSize(FstashContext* s, float size) { getState(s)->size = size; }
void fstashSetColor(FstashContext* s, uint32_t color) { getState(s)->color = color; }
void fstashSetSpacing(FstashContext* s, float spacing) { getState(s)->spacing = spacing; }
void fstashSetBlur(FstashContext* s, float blur) { getState(s)->blur = blur; }
void fstashSetAlign(FstashContext* s, int align) { getState(s)->align = align; }
void fstashSetFont(FstashContext* s, int font) { getState(s)->font = font; }

FstashGlyph* fstashGetGlyph(FstashContext* s, FstashFont* font, uint32_t codepoint, int16_t isize, int16_t iblur,
                            int bitmapOption) {
  if (isize < 2) return nullptr;
  if (iblur > FSTASH_MAX_BLUR) iblur = FSTASH_MAX_BLUR;
  if (iblur < 0) iblur = 0;
  const int pad = iblur + 2;
  s->nscratch = 0;

  const uint32_t h = fstashHashInt(codepoint) & (FSTASH_HASH_LUT_SIZE - 1);
  FstashGlyph* glyph = nullptr;
  int i = font->lut[h];
  while (i != -1) {
    FstashGlyph* g = &font->glyphs[i];
    if (g->codepoint == codepoint && g->size == isize && g->blur == iblur) {
      if (bitmapOption == FSTASH_GLYPH_BITMAP_OPTIONAL || (g->x0 >= 0 && g->y0 >= 0)) return g;
      glyph = g;  // has metrics, still needs its bitmap
      break;
    }
    i = g->next;
  }

  // Find the font that has the code point, falling back in list order.
  FstashFont* renderFont = font;
  int g = fstashTtGetGlyphIndex(font, static_cast<int>(codepoint));
  if (g == 0) {
    for (int k = 0; k < font->nfallbacks; ++k) {
      const int fb = font->fallbacks[k];
      if (fb < 0 || fb >= s->nfonts) continue;
      FstashFont* fallFont = s->fonts[fb];
      const int fallbackIndex = fstashTtGetGlyphIndex(fallFont, static_cast<int>(codepoint));
      if (fallbackIndex != 0) {
        g = fallbackIndex;
        renderFont = fallFont;
        break;
      }
    }
  }
  const float size = isize / 10.0f;
  const float scale = fstashTtGetPixelHeightScale(renderFont, size);
  if (!(scale > 0.0f) || !std::isfinite(scale)) return nullptr;
  int advance = 0, x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  fstashTtBuildGlyphBitmap(renderFont, g, scale, &advance, &x0, &y0, &x1, &y1);
  const int gw = x1 - x0 + pad * 2;
  const int gh = y1 - y0 + pad * 2;

  int gx = -1, gy = -1;
  if (bitmapOption == FSTASH_GLYPH_BITMAP_REQUIRED) {
    int added = fstashAtlasAddRect(s->atlas, gw, gh, &gx, &gy);
    if (!added && s->handleError != nullptr) {
      s->handleError(s->errorUptr, FSTASH_ATLAS_FULL, 0);
      added = fstashAtlasAddRect(s->atlas, gw, gh, &gx, &gy);
    }
    if (!added) return nullptr;
  }

  if (glyph == nullptr) {
    glyph = allocGlyph(font);
    if (glyph == nullptr) return nullptr;
    glyph->codepoint = codepoint;
    glyph->size = isize;
    glyph->blur = iblur;
    glyph->next = font->lut[h];
    font->lut[h] = font->nglyphs - 1;
  }
  glyph->index = g;
  glyph->x0 = toInt16(gx);
  glyph->y0 = toInt16(gy);
  glyph->x1 = toInt16(gx + gw);
  glyph->y1 = toInt16(gy + gh);
  glyph->xadv = toInt16(scale * advance * 10.0f);
  glyph->xoff = toInt16(x0 - pad);
  glyph->yoff = toInt16(y0 - pad);

  if (bitmapOption == FSTASH_GLYPH_BITMAP_OPTIONAL) return glyph;

  const int stride = s->params.width;
  uint8_t* dst = &s->texData[(glyph->x0 + pad) + (glyph->y0 + pad) * stride];
  if (gw > pad * 2 && gh > pad * 2)
    fstashTtRenderGlyphBitmap(renderFont, dst, gw - pad * 2, gh - pad * 2, stride, scale, scale, g);

  // Keep a one-texel empty border so that bilinear sampling never bleeds.
  dst = &s->texData[glyph->x0 + glyph->y0 * stride];
  for (int y = 0; y < gh; y++) {
    dst[y * stride] = 0;
    dst[gw - 1 + y * stride] = 0;
  }
  for (int x = 0; x < gw; x++) {
    dst[x] = 0;
    dst[x + (gh - 1) * stride] = 0;
  }
  if (iblur > 0) {
    s->nscratch = 0;
    fstashBlur(dst, gw, gh, stride, iblur);
  }
  growDirty(s, glyph->x0, glyph->y0, glyph->x1, glyph->y1);
  return glyph;
}

namespace {

// Lays out the glyphs of [str, end) in the current state from (*x, *y), which it advances, and
// hands each glyph's quad to onQuad; code points without a glyph are skipped.
template <typename OnQuad>
void forEachQuad(FstashContext* s, FstashFont* font, const char* str, const char* end, int bitmapOption, float* x,
                 float* y, OnQuad&& onQuad) {
  const FstashState* state = getState(s);
  const int16_t isize = quantSize(state->size);
  const int16_t iblur = quantBlur(state->blur);
  const float scale = fstashTtGetPixelHeightScale(font, isize / 10.0f);
  uint32_t utf8state = 0, codepoint = 0;
  int prevGlyphIndex = -1;
  FstashQuad q;
  for (; str != end; ++str) {
    if (fstashDecodeUtf8(&utf8state, &codepoint, static_cast<unsigned char>(*str))) continue;
    FstashGlyph* glyph = fstashGetGlyph(s, font, codepoint, isize, iblur, bitmapOption);
    if (glyph != nullptr) {
      getQuad(s, font, prevGlyphIndex, glyph, scale, state->spacing, x, y, &q);
      onQuad(q);
    }
    prevGlyphIndex = glyph != nullptr ? glyph->index : -1;
  }
}

}  // namespace

float fstashDrawText(FstashContext* s, float x, float y, const char* str, const char* end) {
  if (s == nullptr || str == nullptr) return x;
  FstashState* state = getState(s);
  FstashFont* font = currentFont(s);
  if (font == nullptr) return x;
  const int16_t isize = quantSize(state->size);
  if (end == nullptr) end = str + std::strlen(str);

  if (!(state->align & VG_ALIGN_LEFT)) {
    if (state->align & VG_ALIGN_RIGHT) {
      x -= fstashTextBounds(s, x, y, str, end, nullptr);
    } else if (state->align & VG_ALIGN_CENTER) {
      x -= fstashTextBounds(s, x, y, str, end, nullptr) * 0.5f;
    }
  }
  y += getVertAlign(s, font, state->align, isize);

  forEachQuad(s, font, str, end, FSTASH_GLYPH_BITMAP_REQUIRED, &x, &y, [&](const FstashQuad& q) {
    if (s->nverts + 6 > FSTASH_VERTEX_COUNT) flush(s);
    addVertex(s, q.x0, q.y0, q.s0, q.t0, state->color);
    addVertex(s, q.x1, q.y1, q.s1, q.t1, state->color);
    addVertex(s, q.x1, q.y0, q.s1, q.t0, state->color);
    addVertex(s, q.x0, q.y0, q.s0, q.t0, state->color);
    addVertex(s, q.x0, q.y1, q.s0, q.t1, state->color);
    addVertex(s, q.x1, q.y1, q.s1, q.t1, state->color);
  });
  flush(s);
  return x;
}

float fstashTextBounds(FstashContext* s, float x, float y, const char* str, const char* end, float* bounds) {
  if (s == nullptr || str == nullptr) return 0;
  FstashState* state = getState(s);
  FstashFont* font = currentFont(s);
  if (font == nullptr) return 0;
  const int16_t isize = quantSize(state->size);
  if (end == nullptr) end = str + std::strlen(str);

  y += getVertAlign(s, font, state->align, isize);
  float minx = x, maxx = x, miny = y, maxy = y;
  const float startx = x;
  forEachQuad(s, font, str, end, FSTASH_GLYPH_BITMAP_OPTIONAL, &x, &y, [&](const FstashQuad& q) {
    if (q.x0 < minx) minx = q.x0;
    if (q.x1 > maxx) maxx = q.x1;
    if (s->params.flags & FSTASH_ZERO_TOPLEFT) {
      if (q.y0 < miny) miny = q.y0;
      if (q.y1 > maxy) maxy = q.y1;
    } else {
      if (q.y1 < miny) miny = q.y1;
      if (q.y0 > maxy) maxy = q.y0;
    }
  });
  const float advance = x - startx;
  if (!(state->align & VG_ALIGN_LEFT)) {
    if (state->align & VG_ALIGN_RIGHT) {
      minx -= advance;
      maxx -= advance;
    } else if (state->align & VG_ALIGN_CENTER) {
      minx -= advance * 0.5f;
      maxx -= advance * 0.5f;
    }
  }
  if (bounds != nullptr) {
    bounds[0] = minx;
    bounds[1] = miny;
    bounds[2] = maxx;
    bounds[3] = maxy;
  }
  return advance;
}

void fstashVertMetrics(FstashContext* s, float* ascender, float* descender, float* lineh) {
  if (s == nullptr) return;
  FstashFont* font = currentFont(s);
  if (font == nullptr) return;
  const float px = quantSize(getState(s)->size) / 10.0f;
  if (ascender) *ascender = font->ascender * px;
  if (descender) *descender = font->descender * px;
  if (lineh) *lineh = font->lineh * px;
}

void fstashLineBounds(FstashContext* s, float y, float* miny, float* maxy) {
  if (s == nullptr) return;
  FstashState* state = getState(s);
  FstashFont* font = currentFont(s);
  if (font == nullptr) return;
  const int16_t isize = quantSize(state->size);
  const float px = isize / 10.0f;
  y += getVertAlign(s, font, state->align, isize);
  float lo, hi;
  if (s->params.flags & FSTASH_ZERO_TOPLEFT) {
    lo = y - font->ascender * px;
    hi = lo + font->lineh * px;
  } else {
    hi = y + font->descender * px;
    lo = hi - font->lineh * px;
  }
  if (miny) *miny = lo;
  if (maxy) *maxy = hi;
}

int fstashTextIterInit(FstashContext* s, FstashTextIter* iter, float x, float y, const char* str, const char* end,
                       int bitmapOption) {
  if (iter == nullptr) return 0;
  std::memset(iter, 0, sizeof(*iter));
  if (s == nullptr || str == nullptr) return 0;
  FstashState* state = getState(s);
  FstashFont* font = currentFont(s);
  if (font == nullptr) return 0;
  iter->font = font;
  iter->isize = quantSize(state->size);
  iter->iblur = quantBlur(state->blur);
  iter->scale = fstashTtGetPixelHeightScale(font, iter->isize / 10.0f);
  if (end == nullptr) end = str + std::strlen(str);

  if (!(state->align & VG_ALIGN_LEFT)) {
    if (state->align & VG_ALIGN_RIGHT) {
      x -= fstashTextBounds(s, x, y, str, end, nullptr);
    } else if (state->align & VG_ALIGN_CENTER) {
      x -= fstashTextBounds(s, x, y, str, end, nullptr) * 0.5f;
    }
  }
  y += getVertAlign(s, font, state->align, iter->isize);

  iter->x = iter->nextx = x;
  iter->y = iter->nexty = y;
  iter->spacing = state->spacing;
  iter->str = str;
  iter->next = str;
  iter->end = end;
  iter->codepoint = 0;
  iter->prevGlyphIndex = -1;
  iter->bitmapOption = bitmapOption;
  return 1;
}

int fstashTextIterNext(FstashContext* s, FstashTextIter* iter, FstashQuad* quad) {
  if (s == nullptr || iter == nullptr || iter->font == nullptr) return 0;
  const char* str = iter->next;
  iter->str = iter->next;
  if (str == iter->end) return 0;
  for (; str != iter->end; str++) {
    if (fstashDecodeUtf8(&iter->utf8state, &iter->codepoint, static_cast<unsigned char>(*str))) continue;
    str++;
    iter->x = iter->nextx;
    iter->y = iter->nexty;
    FstashGlyph* glyph = fstashGetGlyph(s, iter->font, iter->codepoint, iter->isize, iter->iblur, iter->bitmapOption);
    if (glyph != nullptr)
      getQuad(s, iter->font, iter->prevGlyphIndex, glyph, iter->scale, iter->spacing, &iter->nextx, &iter->nexty,
              quad);
    iter->prevGlyphIndex = glyph != nullptr ? glyph->index : -1;
    iter->next = str;
    return 1;
  }
  // The text ended inside a sequence (or after a malformed one): nothing is produced,
  // so callers never see the previous quad a second time.
  iter->next = iter->end;
  return 0;
}

const unsigned char* fstashGetTextureData(FstashContext* s, int* width, int* height) {
  if (s == nullptr) return nullptr;
  if (width) *width = s->params.width;
  if (height) *height = s->params.height;
  return s->texData;
}

int fstashValidateTexture(FstashContext* s, int* dirty) {
  if (s == nullptr) return 0;
  if (s->dirtyRect[0] < s->dirtyRect[2] && s->dirtyRect[1] < s->dirtyRect[3]) {
    if (dirty) {
      for (int i = 0; i < 4; i++) dirty[i] = s->dirtyRect[i];
    }
    resetDirty(s);
    return 1;
  }
  return 0;
}

void fstashSetErrorCallback(FstashContext* s, void (*callback)(void* uptr, int error, int val), void* uptr) {
  if (s == nullptr) return;
  s->handleError = callback;
  s->errorUptr = uptr;
}

void fstashGetAtlasSize(FstashContext* s, int* width, int* height) {
  if (s == nullptr) return;
  if (width) *width = s->params.width;
  if (height) *height = s->params.height;
}

int fstashExpandAtlas(FstashContext* s, int width, int height) {
  if (s == nullptr) return 0;
  width = width > s->params.width ? width : s->params.width;
  height = height > s->params.height ? height : s->params.height;
  if (width == s->params.width && height == s->params.height) return 1;
  if (width > 32767 || height > 32767) return 0;
  flush(s);
  if (s->params.renderResize != nullptr && s->params.renderResize(s->params.userPtr, width, height) == 0) return 0;
  auto* data = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(width) * height));
  if (data == nullptr) return 0;
  for (int i = 0; i < s->params.height; i++) {
    uint8_t* dst = &data[static_cast<size_t>(i) * width];
    std::memcpy(dst, &s->texData[static_cast<size_t>(i) * s->params.width], s->params.width);
    if (width > s->params.width) std::memset(dst + s->params.width, 0, width - s->params.width);
  }
  if (height > s->params.height)
    std::memset(&data[static_cast<size_t>(s->params.height) * width], 0,
                static_cast<size_t>(height - s->params.height) * width);
  if (width > s->params.width) {
    // Append the new columns to the skyline; on failure keep the old atlas intact.
    FstashAtlas* atlas = s->atlas;
    if (atlas->nnodes + 1 > atlas->cnodes) {
      const int cap = atlas->cnodes == 0 ? 8 : atlas->cnodes * 2;
      auto* nodes = static_cast<FstashAtlasNode*>(std::realloc(atlas->nodes, sizeof(FstashAtlasNode) * cap));
      if (nodes == nullptr) {
        std::free(data);
        return 0;
      }
      atlas->nodes = nodes;
      atlas->cnodes = cap;
    }
    atlas->nodes[atlas->nnodes++] = {static_cast<int16_t>(s->params.width), 0,
                                     static_cast<int16_t>(width - s->params.width)};
  }
  std::free(s->texData);
  s->texData = data;
  s->atlas->width = width;
  s->atlas->height = height;
  int maxy = 0;
  for (int i = 0; i < s->atlas->nnodes; i++) maxy = s->atlas->nodes[i].y > maxy ? s->atlas->nodes[i].y : maxy;
  s->dirtyRect[0] = 0;
  s->dirtyRect[1] = 0;
  s->dirtyRect[2] = s->params.width;
  s->dirtyRect[3] = maxy;
  s->params.width = width;
  s->params.height = height;
  s->itw = 1.0f / s->params.width;
  s->ith = 1.0f / s->params.height;
  return 1;
}

int fstashResetAtlas(FstashContext* s, int width, int height) {
  if (s == nullptr || width <= 0 || height <= 0 || width > 32767 || height > 32767) return 0;
  flush(s);
  if (s->params.renderResize != nullptr && s->params.renderResize(s->params.userPtr, width, height) == 0) return 0;
  auto* data = static_cast<uint8_t*>(std::calloc(static_cast<size_t>(width) * height, 1));
  if (data == nullptr) return 0;
  std::free(s->texData);
  s->texData = data;
  s->atlas->width = width;
  s->atlas->height = height;
  s->atlas->nnodes = 1;
  s->atlas->nodes[0] = {0, 0, static_cast<int16_t>(width)};
  s->params.width = width;
  s->params.height = height;
  s->itw = 1.0f / s->params.width;
  s->ith = 1.0f / s->params.height;
  resetDirty(s);
  for (int i = 0; i < s->nfonts; i++) {
    FstashFont* font = s->fonts[i];
    font->nglyphs = 0;
    for (int j = 0; j < FSTASH_HASH_LUT_SIZE; j++) font->lut[j] = -1;
  }
  addWhiteRect(s, 2, 2);
  return 1;
}

void fstashDrawDebug(FstashContext* s, float x, float y) {
  if (s == nullptr) return;
  const int w = s->params.width, h = s->params.height;
  const float u = w == 0 ? 0 : (1.0f / w);
  const float v = h == 0 ? 0 : (1.0f / h);
  if (s->nverts + 6 + 6 > FSTASH_VERTEX_COUNT) flush(s);
  // Background and the texture.
  addVertex(s, x + 0, y + 0, u, v, 0x0fffffff);
  addVertex(s, x + w, y + h, u, v, 0x0fffffff);
  addVertex(s, x + w, y + 0, u, v, 0x0fffffff);
  addVertex(s, x + 0, y + 0, u, v, 0x0fffffff);
  addVertex(s, x + 0, y + h, u, v, 0x0fffffff);
  addVertex(s, x + w, y + h, u, v, 0x0fffffff);
  addVertex(s, x + 0, y + 0, 0, 0, 0xffffffff);
  addVertex(s, x + w, y + h, 1, 1, 0xffffffff);
  addVertex(s, x + w, y + 0, 1, 0, 0xffffffff);
  addVertex(s, x + 0, y + 0, 0, 0, 0xffffffff);
  addVertex(s, x + 0, y + h, 0, 1, 0xffffffff);
  addVertex(s, x + w, y + h, 1, 1, 0xffffffff);
  // The skyline.
  for (int i = 0; i < s->atlas->nnodes; i++) {
    const FstashAtlasNode* n = &s->atlas->nodes[i];
    if (s->nverts + 6 > FSTASH_VERTEX_COUNT) flush(s);
    addVertex(s, x + n->x + 0, y + n->y + 0, u, v, 0xc00000ff);
    addVertex(s, x + n->x + n->width, y + n->y + 1, u, v, 0xc00000ff);
    addVertex(s, x + n->x + n->width, y + n->y + 0, u, v, 0xc00000ff);
    addVertex(s, x + n->x + 0, y + n->y + 0, u, v, 0xc00000ff);
    addVertex(s, x + n->x + 0, y + n->y + 1, u, v, 0xc00000ff);
    addVertex(s, x + n->x + n->width, y + n->y + 1, u, v, 0xc00000ff);
  }
  flush(s);
}

}  // namespace fx::gfx
