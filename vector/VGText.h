// Text operations of the vector renderer: fonts, text state, drawing, rows and measuring.
// Thread: the thread that owns the context.
#pragma once

namespace fx::gfx {

struct VGcontext;

// One row from vgrBreakTextLines; widths and extents in user units.
struct VGtextLine {
  const char* start;  // first byte of the row
  const char* end;    // byte after its last non-space character
  const char* next;   // where the following row starts
  float width;        // advance from the row start to the end of its last non-space glyph
  float minx, maxx;   // horizontal extent of the glyph boxes relative to the row's start x
};

// One glyph from vgrGetGlyphPositions, user units.
struct VGglyphPos {
  const char* str;  // first byte of the glyph's code point
  float x;          // pen position
  float minx, maxx; // limits of the glyph's box and advance
};

int vgrCreateFontFromFile(VGcontext* ctx, const char* name, const char* filename);
int vgrCreateFontFromFileAtIndex(VGcontext* ctx, const char* name, const char* filename, int fontIndex);
int vgrCreateFontFromMemory(VGcontext* ctx, const char* name, unsigned char* data, int ndata, int freeData);
int vgrCreateFontFromMemoryAtIndex(VGcontext* ctx, const char* name, unsigned char* data, int ndata, int fontIndex,
                                   int freeData);
int vgrFindFont(VGcontext* ctx, const char* name);
int vgrAddFallbackFontById(VGcontext* ctx, int baseFont, int fallbackFont);
int vgrAddFallbackFont(VGcontext* ctx, const char* baseFont, const char* fallbackFont);

void vgrSetFontSize(VGcontext* ctx, float size);
void vgrSetFontBlur(VGcontext* ctx, float blur);
void vgrSetLetterSpacing(VGcontext* ctx, float spacing);
void vgrSetLineHeight(VGcontext* ctx, float lineHeight);
void vgrSetTextAlign(VGcontext* ctx, int align);
void vgrSetFontFaceId(VGcontext* ctx, int font);
void vgrSetFontFace(VGcontext* ctx, const char* font);

float vgrDrawText(VGcontext* ctx, float x, float y, const char* string, const char* end);
void vgrDrawTextBox(VGcontext* ctx, float x, float y, float breakRowWidth, const char* string, const char* end);
void vgrGetTextMetrics(VGcontext* ctx, float* ascender, float* descender, float* lineh);
int vgrBreakTextLines(VGcontext* ctx, const char* string, const char* end, float breakRowWidth, VGtextLine* rows,
                      int maxRows);
int vgrGetGlyphPositions(VGcontext* ctx, float x, float y, const char* string, const char* end,
                         VGglyphPos* positions, int maxPositions);
float vgrGetTextBounds(VGcontext* ctx, float x, float y, const char* string, const char* end, float* bounds);
void vgrGetTextBoxBounds(VGcontext* ctx, float x, float y, float breakRowWidth, const char* string, const char* end,
                         float* bounds);

}  // namespace fx::gfx
