// Image files: any bytes as an editor bitmap loaded from memory and from a file. The back
// end behind the renderer reads every pixel it is handed, so a short or oversized buffer
// shows up, and refuses an image without pixels as a fault.
#include "vector/VGContext.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

using namespace fx::gfx;

namespace {

volatile unsigned gSink;

int CreateTexture(void*, int type, int w, int h, int, const unsigned char* data)
{
  if (w <= 0 || h <= 0) __builtin_trap();
  if (data)
  {
    const size_t n = size_t(w) * size_t(h) * (type == VG_TEXTURE_RGBA ? 4 : 1);
    unsigned sum = 0;
    for (size_t i = 0; i < n; i += 61) sum += data[i];
    sum += data[n - 1];
    gSink = sum;
  }
  return 1;
}

VGcontext* Context()
{
  static VGcontext* ctx = [] {
    VGrenderer r{};
    r.renderCreate = [](void*) { return 1; };
    r.renderCreateTexture = CreateTexture;
    r.renderDeleteTexture = [](void*, int) { return 1; };
    r.renderUpdateTexture = [](void*, int, int, int, int, int, const unsigned char*) { return 1; };
    r.renderGetTextureSize = [](void*, int, int* w, int* h) {
      *w = *h = 1;
      return 1;
    };
    r.renderViewport = [](void*, float, float, float) {};
    r.renderCancel = [](void*) {};
    r.renderFlush = [](void*) {};
    r.renderFill = [](void*, VGpaint*, VGcompositeOperationState, VGscissor*, float, const float*, const VGpath*,
                      int) {};
    r.renderStroke = [](void*, VGpaint*, VGcompositeOperationState, VGscissor*, float, float, const VGpath*, int) {};
    r.renderTriangles = [](void*, VGpaint*, VGcompositeOperationState, VGscissor*, const VGvertex*, int, float) {};
    return vgrCreateContext(&r);
  }();
  return ctx;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  if (size > (1u << 22)) return 0;
  VGcontext* ctx = Context();
  if (!ctx) __builtin_trap();
  vgrCreateImageFromMemory(ctx, 0, data, static_cast<int>(size));
  static const std::string path = "/tmp/orbex9-fuzz-image-" + std::to_string(::getpid());
  if (FILE* f = std::fopen(path.c_str(), "wb"))
  {
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    vgrCreateImageFromFile(ctx, path.c_str(), 0);
    std::remove(path.c_str());
  }
  return 0;
}
