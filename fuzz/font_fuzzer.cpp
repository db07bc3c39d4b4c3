// Font files: any bytes as a font (face 0, and face 1 of a collection) that the stash
// loads, measures and draws text with, at a few sizes and blurs, kerning included.
#include "vector/Fstash.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

using namespace fx::gfx;

namespace {

const char* const kTexts[] = {
  "Hamburgefonstiv 0123456789 AVAWATToTy ,.;:!?",
  "\xC3\x84\xC3\x96\xC3\x9C\xC3\xA9\xE2\x82\xAC \xCE\xA9 \xD0\x96 \xE6\xBC\xA2\xE5\xAD\x97 \xF0\x9F\x8E\xB5",
  "\xEF\xBF\xBD\xF4\x8F\xBF\xBF\x01\x7F",
};

int AtlasFull(FstashContext* s)
{
  int w = 0, h = 0;
  fstashGetAtlasSize(s, &w, &h);
  return w < 1024 ? fstashExpandAtlas(s, w * 2, h * 2) : fstashResetAtlas(s, w, h);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  if (size == 0 || size > (1u << 22)) return 0;
  FstashParams params{};
  params.width = 256;
  params.height = 256;
  params.flags = FSTASH_ZERO_TOPLEFT;
  FstashContext* s = fstashCreate(&params);
  if (!s) return 0;
  fstashSetErrorCallback(
    s,
    [](void* uptr, int error, int) {
      if (error == FSTASH_ATLAS_FULL) AtlasFull(static_cast<FstashContext*>(uptr));
    },
    s);
  for (int face = 0; face < 2; face++)
  {
    auto* copy = static_cast<unsigned char*>(std::malloc(size));
    std::memcpy(copy, data, size);
    const int font = fstashAddFontFromMemory(s, "fuzz", copy, static_cast<int>(size), face, 1);
    if (font < 0) continue;
    if (font > 0) fstashAddFallbackFont(s, font, 0);
    fstashSetFont(s, font);
    for (float px : {7.5f, 16.0f, 120.0f})
    {
      fstashSetSize(s, px);
      fstashSetBlur(s, px > 100 ? 0.0f : px / 4);
      for (const char* text : kTexts)
      {
        float bounds[4];
        fstashTextBounds(s, 0, 0, text, nullptr, bounds);
        fstashDrawText(s, 10, 40, text, nullptr);
        float asc = 0, desc = 0, lineh = 0, miny = 0, maxy = 0;
        fstashVertMetrics(s, &asc, &desc, &lineh);
        fstashLineBounds(s, 0, &miny, &maxy);
      }
    }
  }
  fstashDelete(s);
  return 0;
}
