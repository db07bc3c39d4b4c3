// Image files: any bytes as an editor bitmap loaded from memory and from a file. The test
// back end copies every pixel it is handed, so a short buffer shows up, and an image
// without pixels reaching it is a fault.
#include "tests/vector/RecordingRenderer.h"
#include "vector/VGContext.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <iterator>
#include <string>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  if (size > (1u << 22)) return 0;
  static fx::gfx::test::RecordingContext rc;
  if (!rc.ctx) __builtin_trap();
  fx::gfx::vgrCreateImageFromMemory(rc.ctx, 0, data, static_cast<int>(size));
  static const std::string path = "/tmp/orbex9-fuzz-image-" + std::to_string(::getpid());
  if (FILE* f = std::fopen(path.c_str(), "wb"))
  {
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    fx::gfx::vgrCreateImageFromFile(rc.ctx, path.c_str(), 0);
    std::remove(path.c_str());
  }
  // The font image made with the context stays; decoded images go.
  for (auto it = rc.r.textures.begin(); it != rc.r.textures.end();)
  {
    if (it->second.w <= 0 || it->second.h <= 0) __builtin_trap();
    it = it->second.type == fx::gfx::VG_TEXTURE_RGBA ? rc.r.textures.erase(it) : std::next(it);
  }
  return 0;
}
