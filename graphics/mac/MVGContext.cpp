// Creation, images, buffer sets and frames of the Metal renderer.
#include "graphics/mac/MVGContext.h"

#include "graphics/mac/MVGCopy.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace fx::gfx {

namespace {

// Largest element count a buffer may grow to, so byte sizes stay inside int and the
// device's buffer limit.
constexpr int kMaxElements = 1 << 24;

// The capacity after growth: half the old capacity plus the need (at least the minimum).
bool grownCapacity(int capacity, int count, int n, int minimum, int* out) {
  if (n < 0 || count > kMaxElements - n) return false;
  const long long need = std::max<long long>(static_cast<long long>(count) + n, minimum);
  const long long c = capacity / 2 + need;
  if (c > kMaxElements) return false;
  *out = static_cast<int>(c);
  return true;
}

}  // namespace

MVGcontext_vORBEX9_au::~MVGcontext_vORBEX9_au() = default;

int MVGcontext_vORBEX9_au::renderCreate() {
  if (!metalLayer) return 0;
  if (!metalLayer->device()) {
    MTLDevice* device = MTLCreateSystemDefaultDevice();
    if (!device) return 0;
    metalLayer->setDevice(device);
    device->release();
  }
  metalLayer->setOpaque(false);
  MTLDevice* dev = device();

  mvgRegisterShaderPrograms();
  size_t size = 0;
  const unsigned char* bytes = mvgShaderLibraryBytes(&size);
  dispatch_data_t data = dispatch_data_create(bytes, size, nullptr, DISPATCH_DATA_DESTRUCTOR_DEFAULT);
  MTLError* error = nullptr;
  MTLLibrary* library = dev->newLibraryWithData(data, &error);
  dispatch_release(data);
  checkError(error, "init library");
  MTLRelease(error);
  if (!library) return 0;
  vertexFunction = library->newFunctionWithName("vertexShader");
  fragmentFunction = library->newFunctionWithName((flags & MVG_ANTIALIAS) ? "fragmentShaderAA" : "fragmentShader");
  library->release();
  if (!vertexFunction || !fragmentFunction) return 0;
  texelCopyFunction = mvgNewTexelCopyFunction(dev);  // optional: without it every draw samples

  commandQueue = dev->newCommandQueue();
  if (!commandQueue) return 0;

  maxBuffers = (flags & MVG_TRIPLE_BUFFER) ? 3 : (flags & MVG_DOUBLE_BUFFER) ? 2 : 1;
  for (int i = 0; i < maxBuffers; i++) cbuffers.push_back(new MVGbuffers_vORBEX9_au());
  clearBufferOnFlush = false;
  semaphore = dispatch_semaphore_create(maxBuffers);
  if (!semaphore) return 0;

  vertexDescriptor = MTLVertexDescriptor{};
  vertexDescriptor.attributes[0].format = MTLVertexFormatFloat2;
  vertexDescriptor.attributes[0].offset = 0;
  vertexDescriptor.attributes[0].bufferIndex = 0;
  vertexDescriptor.attributes[1].format = MTLVertexFormatFloat2;
  vertexDescriptor.attributes[1].offset = 2 * sizeof(float);
  vertexDescriptor.attributes[1].bufferIndex = 0;
  vertexDescriptor.layouts[0].stride = sizeof(VGvertex);
  vertexDescriptor.layouts[0].stepFunction = MTLVertexStepFunctionPerVertex;
  textureId = 0;

  pseudoSampler = dev->newSamplerStateWithDescriptor(MTLSamplerDescriptor{});
  blendFunc = static_cast<MVGblend*>(std::malloc(sizeof(MVGblend)));
  if (!pseudoSampler || !blendFunc) return 0;
  *blendFunc = MVGblend{MTLBlendFactorOne, MTLBlendFactorOneMinusSourceAlpha, MTLBlendFactorOne,
                        MTLBlendFactorOneMinusSourceAlpha};

  // Depth-stencil states (see MVGEncode.cpp for how the passes use them).
  MTLDepthStencilDescriptor d;
  defaultStencilState = dev->newDepthStencilStateWithDescriptor(d);

  d = MTLDepthStencilDescriptor{};
  d.frontFaceStencil.stencilCompareFunction = MTLCompareFunctionAlways;
  d.frontFaceStencil.depthStencilPassOperation = MTLStencilOperationIncrementWrap;
  d.backFaceStencil.stencilCompareFunction = MTLCompareFunctionAlways;
  d.backFaceStencil.depthStencilPassOperation = MTLStencilOperationDecrementWrap;
  fillShapeStencilState = dev->newDepthStencilStateWithDescriptor(d);

  d = MTLDepthStencilDescriptor{};
  d.frontFaceStencil.stencilCompareFunction = MTLCompareFunctionEqual;
  d.frontFaceStencil.depthStencilPassOperation = MTLStencilOperationZero;
  fillAntiAliasStencilState = dev->newDepthStencilStateWithDescriptor(d);

  d = MTLDepthStencilDescriptor{};
  d.frontFaceStencil.stencilCompareFunction = MTLCompareFunctionNotEqual;
  d.frontFaceStencil.stencilFailureOperation = MTLStencilOperationZero;
  d.frontFaceStencil.depthFailureOperation = MTLStencilOperationZero;
  d.frontFaceStencil.depthStencilPassOperation = MTLStencilOperationZero;
  fillStencilState = dev->newDepthStencilStateWithDescriptor(d);

  d = MTLDepthStencilDescriptor{};
  d.frontFaceStencil.stencilCompareFunction = MTLCompareFunctionEqual;
  d.frontFaceStencil.depthStencilPassOperation = MTLStencilOperationIncrementClamp;
  strokeShapeStencilState = dev->newDepthStencilStateWithDescriptor(d);

  d = MTLDepthStencilDescriptor{};
  d.frontFaceStencil.stencilCompareFunction = MTLCompareFunctionEqual;
  strokeAntiAliasStencilState = dev->newDepthStencilStateWithDescriptor(d);

  d = MTLDepthStencilDescriptor{};
  d.frontFaceStencil.stencilCompareFunction = MTLCompareFunctionAlways;
  d.frontFaceStencil.stencilFailureOperation = MTLStencilOperationZero;
  d.frontFaceStencil.depthFailureOperation = MTLStencilOperationZero;
  d.frontFaceStencil.depthStencilPassOperation = MTLStencilOperationZero;
  strokeClearStencilState = dev->newDepthStencilStateWithDescriptor(d);
  return 1;
}

void MVGcontext_vORBEX9_au::checkError(MTLError* error, const char* message) const {
  if (error && (flags & MVG_DEBUG)) std::printf("Error occurs after %s: %s\n", message, error->localizedDescription());
}

// Images -----------------------------------------------------------------------------------

MVGtexture_vORBEX9_au* MVGcontext_vORBEX9_au::allocTexture() {
  MVGtexture_vORBEX9_au* tex = nullptr;
  for (MVGtexture_vORBEX9_au* t : textures) {
    if (t->id == 0) {
      tex = t;
      break;
    }
  }
  if (!tex) {
    tex = new MVGtexture_vORBEX9_au();
    textures.push_back(tex);
  }
  tex->id = ++textureId;
  return tex;
}

MVGtexture_vORBEX9_au* MVGcontext_vORBEX9_au::findTexture(int id) const {
  if (id <= 0) return nullptr;
  for (MVGtexture_vORBEX9_au* t : textures)
    if (t->id == id) return t;
  return nullptr;
}

static MTLSamplerState* samplerForFlags(MTLDevice* dev, int imageFlags, bool mipmapped) {
  MTLSamplerDescriptor s;
  const bool nearest = imageFlags & VG_IMAGE_NEAREST;
  s.minFilter = s.magFilter = nearest ? MTLSamplerMinMagFilterNearest : MTLSamplerMinMagFilterLinear;
  if (mipmapped) s.mipFilter = nearest ? MTLSamplerMipFilterNearest : MTLSamplerMipFilterLinear;
  s.sAddressMode = (imageFlags & VG_IMAGE_REPEATX) ? MTLSamplerAddressModeRepeat : MTLSamplerAddressModeClampToEdge;
  s.tAddressMode = (imageFlags & VG_IMAGE_REPEATY) ? MTLSamplerAddressModeRepeat : MTLSamplerAddressModeClampToEdge;
  return dev->newSamplerStateWithDescriptor(s);
}

int MVGcontext_vORBEX9_au::renderCreateTexture(int type, int width, int height, int imageFlags,
                                               const unsigned char* data) {
  // Only alpha and RGBA images exist; their size must be one the device can make.
  if (type != VG_TEXTURE_ALPHA && type != VG_TEXTURE_RGBA) return 0;
  if (width <= 0 || height <= 0 || width > int(kMTLMaxTextureSide) || height > int(kMTLMaxTextureSide)) return 0;
  MTLDevice* dev = device();
  if (!dev) return 0;
  const bool mipmaps = imageFlags & VG_IMAGE_GENERATE_MIPMAPS;
  MTLTextureDescriptor d = MTLTextureDescriptor::texture2DDescriptorWithPixelFormat(
      type == VG_TEXTURE_ALPHA ? MTLPixelFormatR8Unorm : MTLPixelFormatRGBA8Unorm, unsigned(width), unsigned(height),
      mipmaps);
  d.usage = MTLTextureUsageShaderRead | MTLTextureUsageShaderWrite | MTLTextureUsageRenderTarget;
  MTLTexture* t = dev->newTextureWithDescriptor(d);
  MTLSamplerState* sampler = t ? samplerForFlags(dev, imageFlags, mipmaps) : nullptr;
  if (!t || !sampler) {
    MTLRelease(t);
    return 0;
  }
  MVGtexture_vORBEX9_au* tex = allocTexture();
  tex->type = type;
  tex->flags = imageFlags;
  tex->tex = t;
  tex->sampler = sampler;

  if (data) {
    const NSUInteger bytesPerRow = NSUInteger(width) * (type == VG_TEXTURE_RGBA ? 4 : 1);
    const MTLRegion region = MTLRegionMake2D(0, 0, unsigned(width), unsigned(height));
    if (t->storageMode() != MTLStorageModePrivate) {
      t->replaceRegion(region, 0, data, bytesPerRow);
    } else if (MTLBuffer* staging = dev->newBufferWithBytes(data, bytesPerRow * unsigned(height),
                                                            MTLResourceStorageModeShared)) {
      if (MTLCommandBuffer* cb = commandQueue->commandBuffer()) {
        if (MTLBlitCommandEncoder* blit = cb->blitCommandEncoder()) {
          blit->copyFromBuffer(staging, 0, bytesPerRow, bytesPerRow * unsigned(height), region.size, t, 0, 0,
                               region.origin);
          blit->endEncoding();
        }
        cb->commit();
        cb->waitUntilCompleted();
        cb->release();
      }
      staging->release();
    }
    if (mipmaps) {
      if (MTLCommandBuffer* cb = commandQueue->commandBuffer()) {
        if (MTLBlitCommandEncoder* blit = cb->blitCommandEncoder()) {
          blit->generateMipmapsForTexture(t);
          blit->endEncoding();
        }
        cb->commit();
        cb->waitUntilCompleted();
        cb->release();
      }
    }
  }
  return tex->id;
}

int MVGcontext_vORBEX9_au::renderDeleteTexture(int image) {
  MVGtexture_vORBEX9_au* tex = findTexture(image);
  if (!tex) return 0;
  // The record holds one reference to its texture; a texture wrapped with
  // VG_IMAGE_NODELETE lives on with whoever else holds it.
  MTLRelease(tex->tex);
  MTLRelease(tex->sampler);
  tex->tex = nullptr;
  tex->sampler = nullptr;
  tex->id = 0;
  tex->flags = 0;
  return 1;
}

int MVGcontext_vORBEX9_au::renderUpdateTexture(int image, int x, int y, int width, int height,
                                               const unsigned char* data) {
  MVGtexture_vORBEX9_au* tex = findTexture(image);
  if (!tex || !tex->tex || !data) return 0;
  const int tw = int(tex->tex->width()), th = int(tex->tex->height());
  // The region must lie inside the texture.
  if (x < 0 || y < 0 || width <= 0 || height <= 0 || x > tw - width || y > th - height) return 0;
  const NSUInteger bpp = tex->type == VG_TEXTURE_RGBA ? 4 : 1;
  const NSUInteger bytesPerRow = NSUInteger(tw) * bpp;
  const unsigned char* src = data + NSUInteger(y) * bytesPerRow + NSUInteger(x) * bpp;
  tex->tex->replaceRegion(MTLRegionMake2D(unsigned(x), unsigned(y), unsigned(width), unsigned(height)), 0, src,
                          bytesPerRow);
  return 1;
}

int MVGcontext_vORBEX9_au::renderGetTextureSize(int image, int* width, int* height) {
  MVGtexture_vORBEX9_au* tex = findTexture(image);
  if (!tex || !tex->tex) return 0;
  if (width) *width = int(tex->tex->width());
  if (height) *height = int(tex->tex->height());
  return 1;
}

// Buffer sets ------------------------------------------------------------------------------

void MVGcontext_vORBEX9_au::cancelSet(MVGbuffers_vORBEX9_au* set) {
  if (!set) return;
  MTLCommandBuffer* cb;
  {
    std::lock_guard<std::mutex> lock(set->lock);
    cb = set->commandBuffer;
    set->commandBuffer = nullptr;
    set->image = 0;
  }
  MTLRelease(cb);
  set->ncalls = set->nindexes = set->nverts = set->nuniforms = 0;
  const bool wasBusy = set->isBusy.exchange(false, std::memory_order_acq_rel);
  if (wasBusy) dispatch_semaphore_signal(semaphore);
}

void MVGcontext_vORBEX9_au::renderViewport(float width, float height, float devicePixelRatio) {
  if (!semaphore) return;
  // A frame begun but never flushed or cancelled would hold its set for ever.
  if (recording) renderCancel();
  auto toPixels = [](float v) -> unsigned {
    if (!(v > 0.0f)) return 0;  // also NaN
    const double p = std::floor(double(v));
    return p >= double(kMTLMaxTextureSide) ? unsigned(kMTLMaxTextureSide) : unsigned(p);
  };
  viewPortSize[0] = toPixels(width * devicePixelRatio);
  viewPortSize[1] = toPixels(height * devicePixelRatio);
  dispatch_semaphore_wait(semaphore, DISPATCH_TIME_FOREVER);
  buffers = nullptr;
  for (MVGbuffers_vORBEX9_au* set : cbuffers) {
    bool expected = false;
    if (set->isBusy.compare_exchange_strong(expected, true, std::memory_order_acq_rel)) {
      buffers = set;
      break;
    }
  }
  if (!buffers) {  // cannot happen while every busy set holds one count of the semaphore
    dispatch_semaphore_signal(semaphore);
    return;
  }
  recording = true;
  // The set is idle here, so its view-size buffer is free to be written again.
  const float size[2] = {width, height};
  if (buffers->viewSizeBuffer && buffers->viewSizeBuffer->contents() && buffers->viewSizeBuffer->length() >= sizeof(size)) {
    std::memcpy(buffers->viewSizeBuffer->contents(), size, sizeof(size));
    return;
  }
  MTLRelease(buffers->viewSizeBuffer);
  buffers->viewSizeBuffer = device()->newBufferWithBytes(size, sizeof(size), MTLResourceStorageModeShared);
}

void MVGcontext_vORBEX9_au::renderCancel() {
  if (!recording) return;
  recording = false;
  cancelSet(buffers);
}

MVGcall* MVGcontext_vORBEX9_au::allocCall() {
  MVGbuffers_vORBEX9_au* b = buffers;
  if (!b || !recording) return nullptr;
  if (b->ncalls >= b->ccalls) {
    int c;
    if (!grownCapacity(b->ccalls, b->ncalls, 1, 128, &c)) return nullptr;
    auto* calls = static_cast<MVGcall*>(std::realloc(b->calls, sizeof(MVGcall) * size_t(c)));
    if (!calls) return nullptr;
    b->calls = calls;
    b->ccalls = c;
  }
  MVGcall* call = &b->calls[b->ncalls++];
  std::memset(call, 0, sizeof(MVGcall));
  return call;
}

// Grows one of the set's Metal buffers, keeping its first `count` elements.
static bool growBuffer(MTLDevice* dev, MTLBuffer** buffer, int* capacity, int count, int n, int minimum,
                       int elementSize) {
  int c;
  if (!grownCapacity(*capacity, count, n, minimum, &c)) return false;
  MTLBuffer* nb = dev->newBufferWithLength(NSUInteger(c) * NSUInteger(elementSize),
                                           MTLResourceStorageModeShared | MTLResourceCPUCacheModeWriteCombined);
  if (!nb) return false;
  if (*buffer && count > 0) std::memcpy(nb->contents(), (*buffer)->contents(), size_t(count) * size_t(elementSize));
  MTLRelease(*buffer);
  *buffer = nb;
  *capacity = c;
  return true;
}

int MVGcontext_vORBEX9_au::allocVerts(int n) {
  MVGbuffers_vORBEX9_au* b = buffers;
  if (!b || !recording || n < 0) return -1;
  if (b->nverts > b->cverts - n) {
    if (!growBuffer(device(), &b->vertBuffer, &b->cverts, b->nverts, n, 4096, int(sizeof(VGvertex)))) return -1;
    b->verts = static_cast<VGvertex*>(b->vertBuffer->contents());
  }
  const int first = b->nverts;
  b->nverts += n;
  return first;
}

int MVGcontext_vORBEX9_au::allocIndexes(int n) {
  MVGbuffers_vORBEX9_au* b = buffers;
  if (!b || !recording || n < 0) return -1;
  if (b->nindexes > b->cindexes - n) {
    if (!growBuffer(device(), &b->indexBuffer, &b->cindexes, b->nindexes, n, 4096, indexSize)) return -1;
    b->indexes = static_cast<uint32_t*>(b->indexBuffer->contents());
  }
  const int first = b->nindexes;
  b->nindexes += n;
  return first;
}

int MVGcontext_vORBEX9_au::allocFragUniforms(int n) {
  MVGbuffers_vORBEX9_au* b = buffers;
  if (!b || !recording || n < 0) return -1;
  if (b->nuniforms > b->cuniforms - n) {
    if (!growBuffer(device(), &b->uniformBuffer, &b->cuniforms, b->nuniforms, n, 128, fragSize)) return -1;
    b->uniforms = static_cast<unsigned char*>(b->uniformBuffer->contents());
  }
  const int offset = b->nuniforms * fragSize;
  b->nuniforms += n;
  return offset;
}

MVGfragUniforms* MVGcontext_vORBEX9_au::fragUniformAtIndex(int offset) const {
  return reinterpret_cast<MVGfragUniforms*>(buffers->uniforms + offset);
}

void MVGcontext_vORBEX9_au::waitForImage(int image) {
  if (image <= 0) return;
  // Every frame in flight into the image, not only the first found: with several
  // frames queued the first set may hold an older one.
  for (MVGbuffers_vORBEX9_au* set : cbuffers) {
    if (!set->isBusy.load(std::memory_order_acquire)) continue;
    MTLCommandBuffer* cb = nullptr;
    {
      std::lock_guard<std::mutex> lock(set->lock);
      if (set->image == image) cb = MTLRetain(set->commandBuffer);
    }
    if (cb) {
      cb->waitUntilCompleted();
      cb->release();
    }
  }
}

// Deletion -----------------------------------------------------------------------------------

void MVGcontext_vORBEX9_au::renderDelete() {
  // Frames still in flight would reset their sets after these are gone: cancel the
  // frame being recorded and wait until every set is idle.
  renderCancel();
  if (semaphore) {
    for (int i = 0; i < maxBuffers; i++) dispatch_semaphore_wait(semaphore, DISPATCH_TIME_FOREVER);
    for (int i = 0; i < maxBuffers; i++) dispatch_semaphore_signal(semaphore);
  }
  for (MVGbuffers_vORBEX9_au* set : cbuffers) {
    MTLRelease(set->commandBuffer);
    MTLRelease(set->viewSizeBuffer);
    MTLRelease(set->stencilTexture);
    MTLRelease(set->indexBuffer);
    MTLRelease(set->vertBuffer);
    MTLRelease(set->uniformBuffer);
    std::free(set->calls);
    delete set;
  }
  cbuffers.clear();
  buffers = nullptr;
  for (MVGtexture_vORBEX9_au* t : textures) {
    MTLRelease(t->tex);
    MTLRelease(t->sampler);
    delete t;
  }
  textures.clear();
  std::free(blendFunc);
  blendFunc = nullptr;
  for (MTLObject* o : std::initializer_list<MTLObject*>{
           defaultStencilState, fillShapeStencilState, fillAntiAliasStencilState, fillStencilState,
           strokeShapeStencilState, strokeAntiAliasStencilState, strokeClearStencilState, fragmentFunction,
           vertexFunction, pipelineState, stencilOnlyPipelineState, texelCopyFunction, copyPipelineState,
           pseudoSampler, pseudoTexture, commandQueue})
    MTLRelease(o);
  defaultStencilState = fillShapeStencilState = fillAntiAliasStencilState = fillStencilState = nullptr;
  strokeShapeStencilState = strokeAntiAliasStencilState = strokeClearStencilState = nullptr;
  fragmentFunction = vertexFunction = nullptr;
  pipelineState = stencilOnlyPipelineState = copyPipelineState = nullptr;
  texelCopyFunction = nullptr;
  pseudoSampler = nullptr;
  pseudoTexture = nullptr;
  commandQueue = nullptr;
  if (semaphore) dispatch_release(semaphore);
  semaphore = nullptr;
  if (metalLayer) {
    metalLayer->setDevice(nullptr);
    metalLayer->release();
    metalLayer = nullptr;
  }
}

}  // namespace fx::gfx
