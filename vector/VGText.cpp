// Text of the vector renderer: fonts, drawing as glyph quads, rows and measuring.
#include <cmath>
#include <cstring>

#include "vector/VGContext.h"

namespace fx::gfx {

namespace {

VGdrawState* getState(VGcontext* ctx) { return &ctx->states[ctx->nstates - 1]; }

float quantize(float a, float d) { return std::trunc(a / d + 0.5f) * d; }

// The current font id names a loaded font (-1 and ids never returned by a loader do not).
bool hasFont(VGcontext* ctx) {
  const int id = getState(ctx)->fontId;
  return id >= 0 && id < ctx->fs->nfonts;
}

float averageScale(const float* t) {
  const float sx = std::sqrt(t[0] * t[0] + t[2] * t[2]);
  const float sy = std::sqrt(t[1] * t[1] + t[3] * t[3]);
  return (sx + sy) * 0.5f;
}

// Scale at which text is laid out in device pixels; 0 when the transform or the pixel
// ratio leaves no usable scale (text then draws and measures nothing).
float fontScale(VGcontext* ctx) {
  const float a = averageScale(getState(ctx)->xform);
  if (!(a > 0.0f) || !std::isfinite(a)) return 0.0f;
  // Scales of 4 and more are all laid out at 4 (quantising them changes nothing).
  const float s = (a >= 4.0f ? 4.0f : std::fmin(quantize(a, 0.01f), 4.0f)) * ctx->devicePxRatio;
  return (s > 0.0f && std::isfinite(s)) ? s : 0.0f;
}

void applyState(VGcontext* ctx, float scale) {
  const VGdrawState* state = getState(ctx);
  fstashSetSize(ctx->fs, state->fontSize * scale);
  fstashSetSpacing(ctx->fs, state->letterSpacing * scale);
  fstashSetBlur(ctx->fs, state->fontBlur * scale);
  fstashSetAlign(ctx->fs, state->textAlign);
  fstashSetFont(ctx->fs, state->fontId);
}

void flushTextTexture(VGcontext* ctx) {
  int dirty[4];
  if (fstashValidateTexture(ctx->fs, dirty)) {
    const int fontImage = ctx->fontImages[ctx->fontImageIdx];
    if (fontImage != 0) {
      int iw = 0, ih = 0;
      const unsigned char* data = fstashGetTextureData(ctx->fs, &iw, &ih);
      ctx->params.renderUpdateTexture(ctx->params.userPtr, fontImage, dirty[0], dirty[1], dirty[2] - dirty[0],
                                      dirty[3] - dirty[1], data);
    }
  }
}

// Moves text to a larger font image and an empty atlas of its size.
int allocTextAtlas(VGcontext* ctx) {
  flushTextTexture(ctx);
  if (ctx->fontImageIdx >= VG_MAX_FONTIMAGES - 1) return 0;
  int iw = 0, ih = 0;
  if (ctx->fontImages[ctx->fontImageIdx + 1] != 0) {
    vgrGetImageSize(ctx, ctx->fontImages[ctx->fontImageIdx + 1], &iw, &ih);
  } else {
    vgrGetImageSize(ctx, ctx->fontImages[ctx->fontImageIdx], &iw, &ih);
    if (iw > ih)
      ih *= 2;
    else
      iw *= 2;
    if (iw > VG_MAX_FONTIMAGE_SIZE || ih > VG_MAX_FONTIMAGE_SIZE) iw = ih = VG_MAX_FONTIMAGE_SIZE;
    if (iw <= 0 || ih <= 0) return 0;
    const int image = ctx->params.renderCreateTexture(ctx->params.userPtr, VG_TEXTURE_ALPHA, iw, ih, 0, nullptr);
    // A texture the back end could not create is a failed allocation, not image 0.
    if (image == 0) return 0;
    ctx->fontImages[ctx->fontImageIdx + 1] = image;
  }
  if (iw <= 0 || ih <= 0) return 0;
  if (!fstashResetAtlas(ctx->fs, iw, ih)) return 0;
  ++ctx->fontImageIdx;
  return 1;
}

void renderText(VGcontext* ctx, VGvertex* verts, int nverts) {
  VGdrawState* state = getState(ctx);
  VGpaint paint = state->fill;
  paint.image = ctx->fontImages[ctx->fontImageIdx];
  paint.innerColor.a *= state->alpha;
  paint.outerColor.a *= state->alpha;
  ctx->params.renderTriangles(ctx->params.userPtr, &paint, state->compositeOperation, &state->scissor, verts, nverts,
                              ctx->fringeWidth);
}

// One step of the iterator. When a glyph found no room in the atlas, moves to the next
// larger atlas and repeats the step once; a glyph that does not fit there either ends
// the text (*stop). Other missing glyphs are left missing. Returns 0 at the end.
int iterStep(VGcontext* ctx, FstashTextIter* iter, FstashTextIter* prevIter, FstashQuad* q, bool* stop,
             VGvertex* verts, int* nverts) {
  ctx->fontAtlasFull = 0;
  if (!fstashTextIterNext(ctx->fs, iter, q)) return 0;
  if (iter->prevGlyphIndex == -1 && ctx->fontAtlasFull) {
    if (verts != nullptr && *nverts != 0) {
      renderText(ctx, verts, *nverts);
      *nverts = 0;
    }
    if (!allocTextAtlas(ctx)) {
      *stop = true;
      return 1;
    }
    *iter = *prevIter;
    ctx->fontAtlasFull = 0;
    fstashTextIterNext(ctx->fs, iter, q);
    if (iter->prevGlyphIndex == -1) {
      *stop = true;
      return 1;
    }
  }
  if (iter->prevGlyphIndex == -1) {
    // No glyph for this code point: an empty box at the pen.
    q->x0 = q->x1 = iter->x;
    q->y0 = q->y1 = iter->y;
  }
  *prevIter = *iter;
  return 1;
}

bool isTextCJK(uint32_t c) {
  return (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0x3000 && c <= 0x30FF) || (c >= 0xFF00 && c <= 0xFFEF) ||
         (c >= 0x1100 && c <= 0x11FF) || (c >= 0x3130 && c <= 0x318F) || (c >= 0xAC00 && c <= 0xD7AF);
}

enum CodepointType { VG_SPACE, VG_NEWLINE, VG_CHAR, VG_CJK_CHAR };

}  // namespace

int vgrCreateFontFromFile(VGcontext* ctx, const char* name, const char* filename) {
  return fstashAddFontFromFile(ctx->fs, name, filename, 0);
}

int vgrCreateFontFromFileAtIndex(VGcontext* ctx, const char* name, const char* filename, int fontIndex) {
  return fstashAddFontFromFile(ctx->fs, name, filename, fontIndex);
}

int vgrCreateFontFromMemory(VGcontext* ctx, const char* name, unsigned char* data, int ndata, int freeData) {
  return fstashAddFontFromMemory(ctx->fs, name, data, ndata, 0, freeData);
}

int vgrCreateFontFromMemoryAtIndex(VGcontext* ctx, const char* name, unsigned char* data, int ndata, int fontIndex,
                                   int freeData) {
  return fstashAddFontFromMemory(ctx->fs, name, data, ndata, fontIndex, freeData);
}

int vgrFindFont(VGcontext* ctx, const char* name) {
  if (name == nullptr) return -1;
  return fstashGetFontByName(ctx->fs, name);
}

int vgrAddFallbackFontById(VGcontext* ctx, int baseFont, int fallbackFont) {
  if (baseFont == -1 || fallbackFont == -1) return 0;
  return fstashAddFallbackFont(ctx->fs, baseFont, fallbackFont);
}

int vgrAddFallbackFont(VGcontext* ctx, const char* baseFont, const char* fallbackFont) {
  if (baseFont == nullptr || fallbackFont == nullptr) return 0;
  return vgrAddFallbackFontById(ctx, vgrFindFont(ctx, baseFont), vgrFindFont(ctx, fallbackFont));
}

void vgrSetFontSize(VGcontext* ctx, float size) { getState(ctx)->fontSize = size; }
void vgrSetFontBlur(VGcontext* ctx, float blur) { getState(ctx)->fontBlur = blur; }
void vgrSetLetterSpacing(VGcontext* ctx, float spacing) { getState(ctx)->letterSpacing = spacing; }
void vgrSetLineHeight(VGcontext* ctx, float lineHeight) { getState(ctx)->lineHeight = lineHeight; }
void vgrSetTextAlign(VGcontext* ctx, int align) { getState(ctx)->textAlign = align; }
void vgrSetFontFaceId(VGcontext* ctx, int font) { getState(ctx)->fontId = font; }
void vgrSetFontFace(VGcontext* ctx, const char* font) { getState(ctx)->fontId = fstashGetFontByName(ctx->fs, font); }

float vgrDrawText(VGcontext* ctx, float x, float y, const char* string, const char* end) {
  VGdrawState* state = getState(ctx);
  if (string == nullptr) return x;
  if (end == nullptr) end = string + std::strlen(string);
  if (state->fontId == -1) return x;
  const float scale = fontScale(ctx);
  if (scale == 0.0f) return x;
  const float invscale = 1.0f / scale;
  applyState(ctx, scale);

  const long len = end - string;
  if (len < 0 || len > (0x7FFFFFFF / 6)) return x;
  const int cverts = (len > 2 ? static_cast<int>(len) : 2) * 6;
  VGvertex* verts = vgrAllocTempVerts(ctx, cverts);
  if (verts == nullptr) return x;

  FstashTextIter iter, prevIter;
  FstashQuad q;
  std::memset(&q, 0, sizeof(q));
  // A font id the stash does not know draws nothing and leaves the pen where it was.
  if (!fstashTextIterInit(ctx->fs, &iter, x * scale, y * scale, string, end, FSTASH_GLYPH_BITMAP_REQUIRED)) return x;
  prevIter = iter;
  int nverts = 0;
  bool stop = false;
  while (iterStep(ctx, &iter, &prevIter, &q, &stop, verts, &nverts)) {
    if (stop) break;
    if (iter.prevGlyphIndex == -1) continue;
    float c[4 * 2];
    vgrTransformPoint(&c[0], &c[1], state->xform, q.x0 * invscale, q.y0 * invscale);
    vgrTransformPoint(&c[2], &c[3], state->xform, q.x1 * invscale, q.y0 * invscale);
    vgrTransformPoint(&c[4], &c[5], state->xform, q.x1 * invscale, q.y1 * invscale);
    vgrTransformPoint(&c[6], &c[7], state->xform, q.x0 * invscale, q.y1 * invscale);
    if (nverts + 6 <= cverts) {
      verts[nverts++] = {c[0], c[1], q.s0, q.t0};
      verts[nverts++] = {c[4], c[5], q.s1, q.t1};
      verts[nverts++] = {c[2], c[3], q.s1, q.t0};
      verts[nverts++] = {c[0], c[1], q.s0, q.t0};
      verts[nverts++] = {c[6], c[7], q.s0, q.t1};
      verts[nverts++] = {c[4], c[5], q.s1, q.t1};
    }
  }
  flushTextTexture(ctx);
  renderText(ctx, verts, nverts);
  return iter.nextx / scale;
}

void vgrDrawTextBox(VGcontext* ctx, float x, float y, float breakRowWidth, const char* string, const char* end) {
  VGdrawState* state = getState(ctx);
  if (!hasFont(ctx) || string == nullptr) return;
  VGtextLine rows[2];
  float lineh = 0;
  vgrGetTextMetrics(ctx, nullptr, nullptr, &lineh);
  const int oldAlign = state->textAlign;
  const int haling = oldAlign & (VG_ALIGN_LEFT | VG_ALIGN_CENTER | VG_ALIGN_RIGHT);
  const int valign = oldAlign & (VG_ALIGN_TOP | VG_ALIGN_MIDDLE | VG_ALIGN_BOTTOM | VG_ALIGN_BASELINE);
  state->textAlign = VG_ALIGN_LEFT | valign;
  int nrows;
  while ((nrows = vgrBreakTextLines(ctx, string, end, breakRowWidth, rows, 2)) > 0) {
    for (int i = 0; i < nrows; i++) {
      const VGtextLine* row = &rows[i];
      if (haling & VG_ALIGN_LEFT)
        vgrDrawText(ctx, x, y, row->start, row->end);
      else if (haling & VG_ALIGN_CENTER)
        vgrDrawText(ctx, x + breakRowWidth * 0.5f - row->width * 0.5f, y, row->start, row->end);
      else if (haling & VG_ALIGN_RIGHT)
        vgrDrawText(ctx, x + breakRowWidth - row->width, y, row->start, row->end);
      y += lineh * state->lineHeight;
    }
    if (rows[nrows - 1].next == string) break;
    string = rows[nrows - 1].next;
  }
  state->textAlign = oldAlign;
}

void vgrGetTextMetrics(VGcontext* ctx, float* ascender, float* descender, float* lineh) {
  if (!hasFont(ctx)) return;
  const float scale = fontScale(ctx);
  if (scale == 0.0f) return;
  const float invscale = 1.0f / scale;
  applyState(ctx, scale);
  float a = 0, d = 0, l = 0;
  fstashVertMetrics(ctx->fs, &a, &d, &l);
  if (ascender) *ascender = a * invscale;
  if (descender) *descender = d * invscale;
  if (lineh) *lineh = l * invscale;
}

int vgrBreakTextLines(VGcontext* ctx, const char* string, const char* end, float breakRowWidth, VGtextLine* rows,
                      int maxRows) {
  VGdrawState* state = getState(ctx);
  if (maxRows <= 0 || rows == nullptr || string == nullptr) return 0;
  if (state->fontId == -1) return 0;
  if (end == nullptr) end = string + std::strlen(string);
  if (string == end) return 0;
  const float scale = fontScale(ctx);
  if (scale == 0.0f) return 0;
  const float invscale = 1.0f / scale;
  applyState(ctx, scale);
  breakRowWidth *= scale;

  FstashTextIter iter, prevIter;
  FstashQuad q;
  std::memset(&q, 0, sizeof(q));
  if (!fstashTextIterInit(ctx->fs, &iter, 0, 0, string, end, FSTASH_GLYPH_BITMAP_OPTIONAL)) return 0;
  prevIter = iter;

  int nrows = 0;
  float rowStartX = 0, rowWidth = 0, rowMinX = 0, rowMaxX = 0;
  const char* rowStart = nullptr;
  const char* rowEnd = nullptr;
  const char* wordStart = nullptr;
  float wordStartX = 0, wordMinX = 0;
  const char* breakEnd = nullptr;
  float breakWidth = 0, breakMaxX = 0;
  int type = VG_SPACE, ptype = VG_SPACE;
  uint32_t pcodepoint = 0;
  bool stop = false;

  // Ends a row (its left extent is the current rowMinX); true when no more rows fit.
  const auto addRow = [&](const char* start, const char* rowEndAt, float width, float maxX, const char* next) {
    VGtextLine& row = rows[nrows++];
    row.start = start;
    row.end = rowEndAt;
    row.width = width * invscale;
    row.minx = rowMinX * invscale;
    row.maxx = maxX * invscale;
    row.next = next;
    return nrows >= maxRows;
  };
  // Opens a row, and a word, at the current glyph.
  const auto startRowAtGlyph = [&] {
    rowStartX = iter.x;
    rowStart = iter.str;
    rowEnd = iter.next;
    rowWidth = iter.nextx - rowStartX;
    rowMinX = q.x0 - rowStartX;
    rowMaxX = q.x1 - rowStartX;
    wordStart = iter.str;
    wordStartX = iter.x;
    wordMinX = q.x0;
  };
  // No break point yet in the row.
  const auto clearBreak = [&] {
    breakEnd = rowStart;
    breakWidth = 0.0;
    breakMaxX = 0.0;
  };

  while (iterStep(ctx, &iter, &prevIter, &q, &stop, nullptr, nullptr)) {
    if (stop) break;
    switch (iter.codepoint) {
      case 9:
      case 11:
      case 12:
      case 32:
      case 0x00a0:
        type = VG_SPACE;
        break;
      case 10:
        type = pcodepoint == 13 ? VG_SPACE : VG_NEWLINE;
        break;
      case 13:
        type = pcodepoint == 10 ? VG_SPACE : VG_NEWLINE;
        break;
      case 0x0085:
        type = VG_NEWLINE;
        break;
      default:
        type = isTextCJK(iter.codepoint) ? VG_CJK_CHAR : VG_CHAR;
        break;
    }
    const bool isChar = type == VG_CHAR || type == VG_CJK_CHAR;
    const bool prevIsChar = ptype == VG_CHAR || ptype == VG_CJK_CHAR;

    if (type == VG_NEWLINE) {
      if (addRow(rowStart != nullptr ? rowStart : iter.str, rowEnd != nullptr ? rowEnd : iter.str, rowWidth,
                 rowMaxX, iter.next))
        return nrows;
      clearBreak();
      rowStart = nullptr;
      rowEnd = nullptr;
      rowWidth = 0;
      rowMinX = rowMaxX = 0;
    } else if (rowStart == nullptr) {
      if (isChar) {
        startRowAtGlyph();
        clearBreak();
      }
    } else {
      const float nextWidth = iter.nextx - rowStartX;
      // The row as it stood before this glyph, for a cut in front of it.
      const float widthBefore = rowWidth, maxXBefore = rowMaxX;
      if (isChar) {
        rowEnd = iter.next;
        rowWidth = nextWidth;
        rowMaxX = q.x1 - rowStartX;
      }
      if ((prevIsChar && type == VG_SPACE) || type == VG_CJK_CHAR) {
        // The break lies in front of this code point: a CJK character that marks it
        // is not part of the row ended there.
        breakEnd = iter.str;
        breakWidth = widthBefore;
        breakMaxX = maxXBefore;
      }
      if ((ptype == VG_SPACE && isChar) || type == VG_CJK_CHAR) {
        wordStart = iter.str;
        wordStartX = iter.x;
        wordMinX = q.x0;
      }
      if (isChar && nextWidth > breakRowWidth) {
        if (breakEnd == rowStart) {
          // The word is longer than the row: cut it in front of this glyph.
          if (addRow(rowStart, iter.str, widthBefore, maxXBefore, iter.str)) return nrows;
          startRowAtGlyph();
        } else {
          // Break at the last break point; the word moves to the next row.
          if (addRow(rowStart, breakEnd, breakWidth, breakMaxX, wordStart)) return nrows;
          rowStartX = wordStartX;
          rowStart = wordStart;
          rowEnd = iter.next;
          rowWidth = iter.nextx - rowStartX;
          rowMinX = wordMinX - rowStartX;
          rowMaxX = q.x1 - rowStartX;
        }
        clearBreak();
      }
    }
    pcodepoint = iter.codepoint;
    ptype = type;
  }

  if (rowStart != nullptr) addRow(rowStart, rowEnd, rowWidth, rowMaxX, end);
  return nrows;
}

int vgrGetGlyphPositions(VGcontext* ctx, float x, float y, const char* string, const char* end,
                         VGglyphPos* positions, int maxPositions) {
  VGdrawState* state = getState(ctx);
  if (positions == nullptr || maxPositions < 1 || string == nullptr) return 0;
  if (state->fontId == -1) return 0;
  if (end == nullptr) end = string + std::strlen(string);
  if (string == end) return 0;
  const float scale = fontScale(ctx);
  if (scale == 0.0f) return 0;
  const float invscale = 1.0f / scale;
  applyState(ctx, scale);

  FstashTextIter iter, prevIter;
  FstashQuad q;
  std::memset(&q, 0, sizeof(q));
  if (!fstashTextIterInit(ctx->fs, &iter, x * scale, y * scale, string, end, FSTASH_GLYPH_BITMAP_OPTIONAL)) return 0;
  prevIter = iter;
  int npos = 0;
  bool stop = false;
  while (iterStep(ctx, &iter, &prevIter, &q, &stop, nullptr, nullptr)) {
    if (stop) break;
    positions[npos].str = iter.str;
    positions[npos].x = iter.x * invscale;
    positions[npos].minx = std::fmin(iter.x, q.x0) * invscale;
    positions[npos].maxx = std::fmax(iter.nextx, q.x1) * invscale;
    npos++;
    if (npos >= maxPositions) break;
  }
  return npos;
}

float vgrGetTextBounds(VGcontext* ctx, float x, float y, const char* string, const char* end, float* bounds) {
  // An unknown font measures nothing and leaves the caller's bounds alone.
  if (!hasFont(ctx) || string == nullptr) return 0;
  const float scale = fontScale(ctx);
  if (scale == 0.0f) return 0;
  const float invscale = 1.0f / scale;
  applyState(ctx, scale);
  const float width = fstashTextBounds(ctx->fs, x * scale, y * scale, string, end, bounds);
  if (bounds != nullptr) {
    // Use line bounds for height.
    fstashLineBounds(ctx->fs, y * scale, &bounds[1], &bounds[3]);
    bounds[0] *= invscale;
    bounds[1] *= invscale;
    bounds[2] *= invscale;
    bounds[3] *= invscale;
  }
  return width * invscale;
}

void vgrGetTextBoxBounds(VGcontext* ctx, float x, float y, float breakRowWidth, const char* string, const char* end,
                         float* bounds) {
  VGdrawState* state = getState(ctx);
  const float scale = fontScale(ctx);
  if (!hasFont(ctx) || string == nullptr || scale == 0.0f) {
    if (bounds != nullptr) bounds[0] = bounds[1] = bounds[2] = bounds[3] = 0.0f;
    return;
  }
  const float invscale = 1.0f / scale;
  VGtextLine rows[2];
  float lineh = 0;
  vgrGetTextMetrics(ctx, nullptr, nullptr, &lineh);
  const int oldAlign = state->textAlign;
  const int haling = oldAlign & (VG_ALIGN_LEFT | VG_ALIGN_CENTER | VG_ALIGN_RIGHT);
  const int valign = oldAlign & (VG_ALIGN_TOP | VG_ALIGN_MIDDLE | VG_ALIGN_BOTTOM | VG_ALIGN_BASELINE);
  state->textAlign = VG_ALIGN_LEFT | valign;

  float minx = x, maxx = x, miny = y, maxy = y;
  float rminy = 0, rmaxy = 0;
  applyState(ctx, scale);
  fstashLineBounds(ctx->fs, 0, &rminy, &rmaxy);
  rminy *= invscale;
  rmaxy *= invscale;

  int nrows;
  while ((nrows = vgrBreakTextLines(ctx, string, end, breakRowWidth, rows, 2)) > 0) {
    for (int i = 0; i < nrows; i++) {
      const VGtextLine* row = &rows[i];
      float dx = 0;
      if (haling & VG_ALIGN_LEFT)
        dx = 0;
      else if (haling & VG_ALIGN_CENTER)
        dx = breakRowWidth * 0.5f - row->width * 0.5f;
      else if (haling & VG_ALIGN_RIGHT)
        dx = breakRowWidth - row->width;
      const float rminx = x + row->minx + dx;
      const float rmaxx = x + row->maxx + dx;
      minx = std::fmin(minx, rminx);
      maxx = std::fmax(maxx, rmaxx);
      miny = std::fmin(miny, y + rminy);
      maxy = std::fmax(maxy, y + rmaxy);
      y += lineh * state->lineHeight;
    }
    if (rows[nrows - 1].next == string) break;
    string = rows[nrows - 1].next;
  }
  state->textAlign = oldAlign;
  if (bounds != nullptr) {
    bounds[0] = minx;
    bounds[1] = miny;
    bounds[2] = maxx;
    bounds[3] = maxy;
  }
}

}  // namespace fx::gfx
