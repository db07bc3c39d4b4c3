// One buffer set of the Metal renderer: the calls, vertices, fan indexes and uniform
// records of a frame, the stencil texture of its pass and its in-flight command buffer.
// Thread: recorded on the main thread. The completion thread resets a set when its
// command buffer completes; isBusy is atomic and commandBuffer/image are guarded by
// lock, the rest is handed over through the frame semaphore.
#pragma once

#include <Metal/Metal.h>

#include <atomic>
#include <mutex>

#include "graphics/mac/MVGTypes.h"
#include "vector/VGRenderer.h"

namespace fx::gfx {

class MVGbuffers_vORBEX9_au {
 public:
  MTLCommandBuffer* commandBuffer = nullptr;  // guarded by lock
  std::atomic<bool> isBusy{false};
  int image = 0;  // guarded by lock
  MTLBuffer* viewSizeBuffer = nullptr;
  MTLTexture* stencilTexture = nullptr;
  MVGcall* calls = nullptr;
  int ccalls = 0;
  int ncalls = 0;
  MTLBuffer* indexBuffer = nullptr;
  uint32_t* indexes = nullptr;
  int cindexes = 0;
  int nindexes = 0;
  MTLBuffer* vertBuffer = nullptr;
  VGvertex* verts = nullptr;
  int cverts = 0;
  int nverts = 0;
  MTLBuffer* uniformBuffer = nullptr;
  unsigned char* uniforms = nullptr;
  int cuniforms = 0;
  int nuniforms = 0;
  std::mutex lock;
};

// One image: id 0 marks a free record.
class MVGtexture_vORBEX9_au {
 public:
  int id = 0;
  int type = 0;
  int flags = 0;
  MTLTexture* tex = nullptr;
  MTLSamplerState* sampler = nullptr;
};

}  // namespace fx::gfx
