// The Metal renderer behind the vector renderer's callback table: images as Metal
// textures, recorded draw calls in CPU-visible buffer sets behind a frame semaphore, and
// at each flush one render pass into an offscreen framebuffer or the layer's drawable.
// Thread: main thread, except the command-buffer completion handlers (Metal's execution
// thread), which reset their own buffer set and signal the semaphore.
#pragma once

#include <Metal/Metal.h>
#include <QuartzCore/CAMetalLayer.h>
#include <dispatch/dispatch.h>

#include <vector>

#include "graphics/mac/MVGBuffers.h"
#include "graphics/mac/MVGTypes.h"
#include "vector/VGRenderer.h"

namespace fx::gfx {

class MVGcontext_vORBEX9_au {
 public:
  MVGcontext_vORBEX9_au() = default;
  ~MVGcontext_vORBEX9_au();
  MVGcontext_vORBEX9_au(const MVGcontext_vORBEX9_au&) = delete;
  MVGcontext_vORBEX9_au& operator=(const MVGcontext_vORBEX9_au&) = delete;

  // Properties.
  bool clearBufferOnFlush = false;
  int fragSize = 256;
  int indexSize = 4;
  int flags = 0;
  int textureId = 0;
  int maxBuffers = 1;
  MTLCommandQueue* commandQueue = nullptr;
  CAMetalLayer* metalLayer = nullptr;
  MTLRenderCommandEncoder* renderEncoder = nullptr;
  unsigned viewPortSize[2] = {0, 0};
  std::vector<MVGtexture_vORBEX9_au*> textures;
  MVGbuffers_vORBEX9_au* buffers = nullptr;
  std::vector<MVGbuffers_vORBEX9_au*> cbuffers;
  dispatch_semaphore_t semaphore = nullptr;
  MVGblend* blendFunc = nullptr;
  MTLDepthStencilState* defaultStencilState = nullptr;
  MTLDepthStencilState* fillShapeStencilState = nullptr;
  MTLDepthStencilState* fillAntiAliasStencilState = nullptr;
  MTLDepthStencilState* fillStencilState = nullptr;
  MTLDepthStencilState* strokeShapeStencilState = nullptr;
  MTLDepthStencilState* strokeAntiAliasStencilState = nullptr;
  MTLDepthStencilState* strokeClearStencilState = nullptr;
  MTLFunction* fragmentFunction = nullptr;
  MTLFunction* vertexFunction = nullptr;
  MTLPixelFormat piplelinePixelFormat = MTLPixelFormatInvalid;
  MTLRenderPipelineState* pipelineState = nullptr;
  MTLRenderPipelineState* stencilOnlyPipelineState = nullptr;
  // The texel-copy program (MVGCopy.h) and its source-over pipeline for copyPipelineFormat.
  MTLFunction* texelCopyFunction = nullptr;
  MTLRenderPipelineState* copyPipelineState = nullptr;
  MTLPixelFormat copyPipelineFormat = MTLPixelFormatInvalid;
  MTLSamplerState* pseudoSampler = nullptr;
  MTLTexture* pseudoTexture = nullptr;
  MTLVertexDescriptor vertexDescriptor{};
  MTLClearColor clearColor{0, 0, 0, 0};
  // True from renderViewport until the frame is flushed or cancelled.
  bool recording = false;

  // Renderer callbacks.
  int renderCreate();
  int renderCreateTexture(int type, int width, int height, int imageFlags, const unsigned char* data);
  int renderDeleteTexture(int image);
  int renderUpdateTexture(int image, int x, int y, int width, int height, const unsigned char* data);
  int renderGetTextureSize(int image, int* width, int* height);
  void renderViewport(float width, float height, float devicePixelRatio);
  void renderCancel();
  void renderFlush();
  void renderFill(const VGpaint* paint, VGcompositeOperationState op, const VGscissor* scissor, float fringe,
                  const float* bounds, const VGpath* paths, int npaths);
  void renderStroke(const VGpaint* paint, VGcompositeOperationState op, const VGscissor* scissor, float fringe,
                    float strokeWidth, const VGpath* paths, int npaths);
  void renderTriangles(const VGpaint* paint, VGcompositeOperationState op, const VGscissor* scissor,
                       const VGvertex* verts, int nverts, float fringe);
  void renderDelete();

  // Buffer-set allocation; -1 (null) on failure.
  MVGcall* allocCall();
  int allocFragUniforms(int n);
  int allocIndexes(int n);
  int allocVerts(int n);
  MVGtexture_vORBEX9_au* allocTexture();
  MVGtexture_vORBEX9_au* findTexture(int id) const;
  MVGfragUniforms* fragUniformAtIndex(int offset) const;

  // Recording helpers.
  static MVGblend blendCompositeOperation(VGcompositeOperationState op);
  int convertPaintForFrag(MVGfragUniforms* frag, const VGpaint* paint, const VGscissor* scissor, float width,
                          float fringe, float strokeThr) const;

  // Encoding.
  MTLRenderCommandEncoder* renderCommandEncoderWithColorTexture(MTLTexture* colorTexture);
  bool updateStencilTextureToSize(unsigned width, unsigned height);
  // Blended with blend into pixelFormat, stencil attached, the renderer's vertex program.
  MTLRenderPipelineDescriptor pipelineDescriptor(const MVGblend& blend, MTLPixelFormat pixelFormat,
                                                 MTLFunction* fragment) const;
  void updateRenderPipelineStatesForBlend(const MVGblend& blend, MTLPixelFormat pixelFormat);
  void setUniforms(int uniformOffset, int image);
  void fill(const MVGcall& call);
  void convexFill(const MVGcall& call, bool texelCopy = false);
  MTLRenderPipelineState* texelCopyPipeline(MTLPixelFormat pixelFormat);
  void stroke(const MVGcall& call);
  void triangles(const MVGcall& call);
  void checkError(MTLError* error, const char* message) const;

  // Waits for a committed frame that renders into image (if any).
  void waitForImage(int image);
  // Returns a set to idle at once: counts 0, command buffer dropped, semaphore signalled.
  void cancelSet(MVGbuffers_vORBEX9_au* set);

  MTLDevice* device() const { return metalLayer ? metalLayer->device() : nullptr; }
  VGrenderer params{};
};

// Shader programs and the embedded library (MVGShaders.cpp).
void mvgRegisterShaderPrograms();
const unsigned char* mvgShaderLibraryBytes(size_t* size);

}  // namespace fx::gfx
