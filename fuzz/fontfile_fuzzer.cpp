// The font-file reader on arbitrary bytes: the first byte picks the face;
// every read must stay inside the data (the sanitizers check) and a valid
// face must have usable metrics.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "graphics/mac/FontFileReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const int face = data[0] % 4;
  const fx::gfx::FontFileReader reader(data + 1, size - 1, face);
  if (reader.IsValid()) {
    const double ratio = reader.EMRatio();
    if (!std::isfinite(ratio) || ratio == 0.0) std::abort();
    if (reader.mFontBytes < data + 1 || reader.mFontBytes >= data + size) std::abort();
  }
  fx::gfx::FontFileReader::FindFontFaceIndex(data + 1, size - 1, "Bold");
  return 0;
}
