// Checks of font data before the TrueType library reads it. The library trusts every
// count and offset of a file; these checks walk the same structures it walks, with the
// lengths the file gives for each table, so that a damaged or hostile font from a font
// folder is refused (or loses only the damaged part) instead of being read out of
// bounds.
// Thread: any; no shared state.
#pragma once

#include <cstdint>

namespace fx::gfx {

// What the checks of one face found; offsets are from the start of the data.
struct FstashFaceTables {
  int32_t faceOffset = -1;
  uint32_t glyf = 0, glyfSize = 0;  // outline table
  uint32_t loca = 0;
  int32_t locaFormat = 0;           // 0 short offsets, 1 long
  int32_t numGlyphs = 0;
  bool kernUsable = false;          // the kerning table may be read
  bool gposUsable = false;          // the positioning table's pair kerning may be read
};

// Checks the face at fontIndex: the collection header, the table directory, every table
// inside the data, and the tables needed for metrics, outlines and the character map
// (head, hhea, maxp, hmtx, loca, glyf, cmap). Faces with PostScript outlines (no glyf
// table) are refused. Optional kerning tables that are damaged are marked unusable.
// Returns false when the face cannot be read safely.
bool fstashCheckFace(const unsigned char* data, int dataSize, int fontIndex, FstashFaceTables* out);

// Checks the outline of one glyph and, for composite glyphs, of every component: every
// byte the outline reader consumes lies inside the glyph's data, contours are well
// formed, components nest at most a few levels (so a cycle is refused) and their
// transformed coordinates stay in the range of the library's 16-bit vertices.
bool fstashCheckGlyph(const unsigned char* data, const FstashFaceTables& face, int glyph);

}  // namespace fx::gfx
