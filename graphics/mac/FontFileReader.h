// The reader of TrueType and OpenType font files (single fonts and
// collections): the table directory of one face, its 'head', 'hhea' and
// 'name' tables. Every read is checked against the length of the data: a
// directory, table, name record or string that would reach beyond it makes
// the reader invalid (for a name: an empty name). All numbers in the file
// are big-endian; table offsets count from the start of the file, also for
// a face of a collection. Any thread.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/FxString.h"

namespace fx::gfx {

class FontFileReader {
 public:
  FontFileReader() = default;
  // Reads face faceIndex of the bytes (not copied; used only while constructing).
  FontFileReader(const uint8_t* bytes, size_t length, int faceIndex);

  // The first face whose style name equals style (byte for byte), or -1
  // when a face before it cannot be read or none has it.
  static int FindFontFaceIndex(const uint8_t* bytes, size_t length, const char* style);

  // The face was found with its 'head', 'name' and 'hhea' tables, and its
  // metrics give sizes: units per em and ascender - descender are not 0.
  bool IsValid() const;
  // Units per em over the line's height (ascender - descender); 0 when not valid.
  double EMRatio() const;

  // The start of the face's table directory; null when the face does not
  // exist (afterwards only the mark that it was found).
  const uint8_t* mFontBytes = nullptr;
  uint32_t mHeadOffset = 0, mNameOffset = 0, mHheaOffset = 0, mFdscOffset = 0;  // 0: absent
  FxString mFamilyName;  // name 1
  FxString mStyleName;   // name 2
  uint16_t mMacStyle = 0;
  uint16_t mUnitsPerEm = 0;
  int16_t mAscender = 0, mDescender = 0, mLineGap = 0;

 private:
  bool ReadTables(const uint8_t* bytes, size_t length, size_t faceStart);
  void ReadName(const uint8_t* bytes, size_t length, uint16_t nameID, FxString& out) const;
  bool mTablesRead = false;
};

}  // namespace fx::gfx
