// Thin layer between the font stash and the TrueType library, plus the stash's bump
// arena that serves the library's temporary allocations.
// Thread: the thread that owns the stash.
#pragma once

#include <cstddef>

#include "vector/Fstash.h"

namespace fx::gfx {

// Allocator hooks of the TrueType library; uptr is the owning FstashContext.
void* fstashTtAlloc(size_t size, void* uptr);
void fstashTtFree(void* ptr, void* uptr);

// Checks the face at fontIndex (fstashCheckFace) and initialises the font info of it; 1 on
// success.
int fstashTtLoadFont(FstashContext* s, FstashFont* font, const unsigned char* data, int dataSize, int fontIndex);
void fstashTtGetFontVMetrics(const FstashFont* font, int* ascent, int* descent, int* lineGap);
float fstashTtGetPixelHeightScale(const FstashFont* font, float size);
int fstashTtGetGlyphIndex(const FstashFont* font, int codepoint);
// Glyph boxes wider or taller than this many times the font's height draw nothing.
inline constexpr long kFstashMaxGlyphHeights = 8;

// Advance in font units and the bitmap box at the scale; 1 when the glyph has a box.
int fstashTtBuildGlyphBitmap(const FstashFont* font, int glyph, float scale, int* advance, int* x0, int* y0,
                             int* x1, int* y1);
void fstashTtRenderGlyphBitmap(const FstashFont* font, unsigned char* output, int outWidth, int outHeight,
                               int outStride, float scaleX, float scaleY, int glyph);
int fstashTtGetGlyphKernAdvance(const FstashFont* font, int glyph1, int glyph2);

}  // namespace fx::gfx
