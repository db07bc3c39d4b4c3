// A font file's bytes (a copy of the whole file) with the face to draw and
// that face's names and metrics; what the platform font hands to the vector
// renderer. Main thread.
#pragma once

#include "core/FxHeapBuf.h"
#include "graphics/mac/FontFileReader.h"

namespace fx::gfx {

class FontData : public FontFileReader {
 public:
  // Copies length bytes and reads face faceIndex of the copy (-1: no face
  // carries the wanted style; the data is then not valid).
  FontData(const uint8_t* bytes, size_t length, int faceIndex);
  FontData(const FontData&) = delete;
  FontData& operator=(const FontData&) = delete;

  const uint8_t* GetBytes() const { return static_cast<const uint8_t*>(mBytes.Get()); }
  int GetSize() const { return mBytes.GetSize(); }
  int GetFaceIndex() const { return mFaceIndex; }
  // A face was found for the index, with usable tables (FontFileReader::IsValid).
  bool IsValid() const { return mFaceIndex >= 0 && FontFileReader::IsValid(); }

 private:
  FxHeapBuf mBytes{4096};
  int32_t mFaceIndex = -1;
};

}  // namespace fx::gfx
