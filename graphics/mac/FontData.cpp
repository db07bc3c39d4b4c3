#include "graphics/mac/FontData.h"

#include <climits>
#include <cstring>

namespace fx::gfx {

FontData::FontData(const uint8_t* bytes, size_t length, int faceIndex) : mFaceIndex(faceIndex) {
  // Data a buffer cannot hold (or none) has no face.
  if (bytes == nullptr || length == 0 || length > static_cast<size_t>(INT_MAX) ||
      mBytes.Resize(static_cast<int>(length)) == nullptr) {
    mFaceIndex = -1;
    return;
  }
  std::memcpy(mBytes.Get(), bytes, length);
  if (faceIndex >= 0) static_cast<FontFileReader&>(*this) = FontFileReader(GetBytes(), length, faceIndex);
}

}  // namespace fx::gfx
