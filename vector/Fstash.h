// The font stash: loaded TrueType fonts, a cache of rasterised glyphs keyed by code
// point, quantised size and blur, one alpha atlas packed with a skyline allocator, a
// stack of text states, a text iterator yielding one quad per code point and a vertex
// cache handed to an optional draw callback.
// Thread: a stash and everything it owns is used from one thread (the one that draws
// the editor); it takes no locks.
#pragma once

#include <cstdint>

#include "vector/FstashTtConfig.h"
#include <stb_truetype.h>

#include "vector/FstashFontCheck.h"
#include "vector/VGTextAlign.h"

namespace fx::gfx {

enum { FSTASH_ZERO_TOPLEFT = 1, FSTASH_ZERO_BOTTOMLEFT = 0 };

enum FstashError : int {
  FSTASH_ATLAS_FULL = 1,     // value 0
  FSTASH_SCRATCH_FULL = 2,   // value: the arena fill that was asked for
  FSTASH_STATES_OVERFLOW = 3,
  FSTASH_STATES_UNDERFLOW = 4,
};

enum : int {
  FSTASH_SCRATCH_BUF_SIZE = 96000,
  FSTASH_HASH_LUT_SIZE = 256,
  FSTASH_INIT_FONTS = 4,
  FSTASH_INIT_GLYPHS = 256,
  FSTASH_INIT_ATLAS_NODES = 256,
  FSTASH_VERTEX_COUNT = 1024,
  FSTASH_MAX_STATES = 20,
  FSTASH_MAX_FALLBACKS = 20,
  FSTASH_MAX_BLUR = 20,
};

enum FstashGlyphBitmap : int {
  FSTASH_GLYPH_BITMAP_OPTIONAL = 1,  // metrics only, no atlas space
  FSTASH_GLYPH_BITMAP_REQUIRED = 2,
};

struct FstashParams {
  int width, height;
  uint8_t flags;
  void* userPtr;
  int (*renderCreate)(void* uptr, int width, int height);
  int (*renderResize)(void* uptr, int width, int height);
  void (*renderUpdate)(void* uptr, int* rect, const uint8_t* data);
  void (*renderDraw)(void* uptr, const float* verts, const float* tcoords, const uint32_t* colors, int nverts);
  void (*renderDelete)(void* uptr);
};

struct FstashQuad {
  float x0, y0, s0, t0;
  float x1, y1, s1, t1;
};

struct FstashGlyph {
  uint32_t codepoint;
  int32_t index;
  int32_t next;
  int16_t size, blur;
  int16_t x0, y0, x1, y1;
  int16_t xadv, xoff, yoff;
};

struct FstashFont {
  stbtt_fontinfo font;
  char name[64];
  uint8_t* data;
  int32_t dataSize;
  uint8_t freeData;
  float ascender;
  float descender;
  float lineh;
  FstashGlyph* glyphs;
  int32_t cglyphs;
  int32_t nglyphs;
  int32_t lut[FSTASH_HASH_LUT_SIZE];
  int32_t fallbacks[FSTASH_MAX_FALLBACKS];
  int32_t nfallbacks;
  FstashFaceTables tables;  // what the font checks found, for the glyph checks
};

struct FstashState {
  int32_t font;
  int32_t align;
  float size;
  uint32_t color;
  float blur;
  float spacing;
};

struct FstashAtlasNode {
  int16_t x, y, width;
};

struct FstashAtlas {
  int32_t width, height;
  FstashAtlasNode* nodes;
  int32_t nnodes;
  int32_t cnodes;
};

struct FstashTextIter {
  float x, y, nextx, nexty, scale, spacing;
  uint32_t codepoint;
  int16_t isize, iblur;
  FstashFont* font;
  int32_t prevGlyphIndex;
  const char* str;
  const char* next;
  const char* end;
  uint32_t utf8state;
  int32_t bitmapOption;
};

struct FstashContext {
  FstashParams params;
  float itw, ith;
  uint8_t* texData;
  int32_t dirtyRect[4];
  FstashFont** fonts;
  int32_t cfonts;
  int32_t nfonts;
  FstashAtlas* atlas;
  float verts[FSTASH_VERTEX_COUNT * 2];
  float tcoords[FSTASH_VERTEX_COUNT * 2];
  uint32_t colors[FSTASH_VERTEX_COUNT];
  int32_t nverts;
  uint8_t* scratch;
  int32_t nscratch;
  FstashState states[FSTASH_MAX_STATES];
  int32_t nstates;
  void (*handleError)(void* uptr, int error, int val);
  void* errorUptr;
  // Blocks the TrueType library asked for after the arena ran out; they come from the
  // heap and are released when the library frees them.
  int32_t nheapBlocks;
};

// Creation and fonts.
FstashContext* fstashCreate(const FstashParams* params);
void fstashDelete(FstashContext* s);
int fstashAddFontFromFile(FstashContext* s, const char* name, const char* path, int fontIndex);
int fstashAddFontFromMemory(FstashContext* s, const char* name, unsigned char* data, int dataSize, int fontIndex,
                            int freeData);
int fstashGetFontByName(FstashContext* s, const char* name);
int fstashAddFallbackFont(FstashContext* s, int base, int fallback);

// State stack and setters (the setters write the current state only).
void fstashPushState(FstashContext* s);
void fstashPopState(FstashContext* s);
void fstashClearState(FstashContext* s);
void fstashSetSize(FstashContext* s, float size);
void fstashSetColor(FstashContext* s, uint32_t color);
void fstashSetSpacing(FstashContext* s, float spacing);
void fstashSetBlur(FstashContext* s, float blur);
void fstashSetAlign(FstashContext* s, int align);
void fstashSetFont(FstashContext* s, int font);

// Drawing and measuring.
float fstashDrawText(FstashContext* s, float x, float y, const char* str, const char* end);
float fstashTextBounds(FstashContext* s, float x, float y, const char* str, const char* end, float* bounds);
void fstashLineBounds(FstashContext* s, float y, float* miny, float* maxy);
void fstashVertMetrics(FstashContext* s, float* ascender, float* descender, float* lineh);

// Text iterator: one quad per code point. fstashTextIterNext returns 1 when it
// produced a code point and 0 at the end of the text (an incomplete or malformed
// UTF-8 tail produces nothing).
int fstashTextIterInit(FstashContext* s, FstashTextIter* iter, float x, float y, const char* str, const char* end,
                       int bitmapOption);
int fstashTextIterNext(FstashContext* s, FstashTextIter* iter, FstashQuad* quad);

// Atlas.
const unsigned char* fstashGetTextureData(FstashContext* s, int* width, int* height);
int fstashValidateTexture(FstashContext* s, int* dirty);
void fstashSetErrorCallback(FstashContext* s, void (*callback)(void* uptr, int error, int val), void* uptr);
void fstashGetAtlasSize(FstashContext* s, int* width, int* height);
int fstashExpandAtlas(FstashContext* s, int width, int height);
int fstashResetAtlas(FstashContext* s, int width, int height);
void fstashDrawDebug(FstashContext* s, float x, float y);

// Building blocks, exposed for the text iterator's users and for tests.
FstashGlyph* fstashGetGlyph(FstashContext* s, FstashFont* font, uint32_t codepoint, int16_t isize, int16_t iblur,
                            int bitmapOption);
int fstashAtlasAddRect(FstashAtlas* atlas, int rw, int rh, int* rx, int* ry);
FstashAtlas* fstashAllocAtlas(int w, int h, int nnodes);
void fstashDeleteAtlas(FstashAtlas* atlas);
void fstashBlur(uint8_t* dst, int w, int h, int dstStride, int blur);
uint32_t fstashHashInt(uint32_t a);

}  // namespace fx::gfx
