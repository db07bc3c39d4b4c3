// Device objects: buffers, textures, samplers, states, libraries and pipelines.
#include <Metal/MTLDevice.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

MTLError::MTLError(long code, const char* description) : code_(code) {
  std::snprintf(description_, sizeof(description_), "%s", description ? description : "");
}

MTLDevice* MTLCreateSystemDefaultDevice() { return new (std::nothrow) MTLDevice(); }

// Buffers ------------------------------------------------------------------------------

MTLBuffer::MTLBuffer(MTLDevice* device, void* bytes, NSUInteger length)
    : device_(MTLRetain(device)), bytes_(bytes), length_(length) {}

MTLBuffer::~MTLBuffer() {
  std::free(bytes_);
  MTLRelease(device_);
}

MTLBuffer* MTLDevice::newBufferWithLength(NSUInteger length, MTLResourceOptions) {
  if (length == 0 || length > kMTLMaxBufferLength) return nullptr;
  void* bytes = std::calloc(1, length);
  if (!bytes) return nullptr;
  auto* b = new (std::nothrow) MTLBuffer(this, bytes, length);
  if (!b) std::free(bytes);
  return b;
}

MTLBuffer* MTLDevice::newBufferWithBytes(const void* bytes, NSUInteger length, MTLResourceOptions options) {
  if (!bytes) return nullptr;
  MTLBuffer* b = newBufferWithLength(length, options);
  if (b) std::memcpy(b->contents(), bytes, length);
  return b;
}

// Textures -----------------------------------------------------------------------------

MTLTextureDescriptor MTLTextureDescriptor::texture2DDescriptorWithPixelFormat(MTLPixelFormat format,
                                                                              NSUInteger width, NSUInteger height,
                                                                              bool mipmapped) {
  MTLTextureDescriptor d;
  d.pixelFormat = format;
  d.width = width;
  d.height = height;
  d.mipmapLevelCount = 1;
  if (mipmapped) {
    NSUInteger side = width > height ? width : height;
    while (side > 1) {
      side >>= 1;
      d.mipmapLevelCount++;
    }
  }
  return d;
}

MTLTexture::MTLTexture(MTLDevice* device, const MTLTextureDescriptor& d)
    : device_(MTLRetain(device)),
      format_(d.pixelFormat),
      width_(d.width),
      height_(d.height),
      usage_(d.usage),
      storage_(d.storageMode),
      texelBytes_(MTLPixelFormatBytes(d.pixelFormat)) {
  NSUInteger w = d.width, h = d.height;
  for (NSUInteger i = 0; i < d.mipmapLevelCount; i++) {
    levels_.push_back(Level{w, h, std::vector<unsigned char>(w * h * texelBytes_, 0)});
    if (w == 1 && h == 1) break;
    w = w > 1 ? w / 2 : 1;
    h = h > 1 ? h / 2 : 1;
  }
}

MTLTexture::~MTLTexture() { MTLRelease(device_); }

MTLTexture* MTLDevice::newTextureWithDescriptor(const MTLTextureDescriptor& d) {
  if (MTLPixelFormatBytes(d.pixelFormat) == 0 || d.textureType != MTLTextureType2D) return nullptr;
  if (d.width == 0 || d.height == 0 || d.width > kMTLMaxTextureSide || d.height > kMTLMaxTextureSide) return nullptr;
  if (d.mipmapLevelCount == 0 || d.mipmapLevelCount > 15) return nullptr;
  try {
    return new MTLTexture(this, d);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

bool MTLTexture::copyRegionCheck(MTLRegion r, NSUInteger level, const void* bytes, NSUInteger bytesPerRow) const {
  if (!bytes || level >= levels_.size()) return false;
  const Level& l = levels_[level];
  if (r.size.width == 0 || r.size.height == 0) return false;
  if (r.origin.x > l.width || r.size.width > l.width - r.origin.x) return false;
  if (r.origin.y > l.height || r.size.height > l.height - r.origin.y) return false;
  return bytesPerRow >= r.size.width * texelBytes_;
}

void MTLTexture::replaceRegion(MTLRegion r, NSUInteger level, const void* bytes, NSUInteger bytesPerRow) {
  if (!copyRegionCheck(r, level, bytes, bytesPerRow)) return;
  std::lock_guard<std::mutex> lock(device_->executionLock());
  if (level == 0) cleared_ = ClearedRows{};
  Level& l = levels_[level];
  const auto* src = static_cast<const unsigned char*>(bytes);
  const NSUInteger rowBytes = r.size.width * texelBytes_;
  for (NSUInteger y = 0; y < r.size.height; y++)
    std::memcpy(&l.bytes[((r.origin.y + y) * l.width + r.origin.x) * texelBytes_], src + y * bytesPerRow, rowBytes);
}

void MTLTexture::getBytes(void* bytes, NSUInteger bytesPerRow, MTLRegion r, NSUInteger level) const {
  if (!copyRegionCheck(r, level, bytes, bytesPerRow)) return;
  std::lock_guard<std::mutex> lock(device_->executionLock());
  const Level& l = levels_[level];
  auto* dst = static_cast<unsigned char*>(bytes);
  const NSUInteger rowBytes = r.size.width * texelBytes_;
  for (NSUInteger y = 0; y < r.size.height; y++)
    std::memcpy(dst + y * bytesPerRow, &l.bytes[((r.origin.y + y) * l.width + r.origin.x) * texelBytes_], rowBytes);
}

namespace {

// The texels of one axis of the level above that make up one texel of the next level, with
// whole-number weights over a common denominator. A level halves each side rounding down,
// so an odd side of 2n + 1 texels spreads over n texels: each covers 2 + 1/n source texels,
// two partly and one whole, and every source texel is read with the share it gives.
struct AxisTaps {
  NSUInteger first = 0;
  unsigned weight[3] = {0, 0, 0};
};

unsigned axisTaps(NSUInteger srcSize, NSUInteger dstSize, std::vector<AxisTaps>& taps) {
  taps.assign(dstSize, AxisTaps{});
  if (srcSize == 1) {
    taps[0].weight[0] = 1;
    return 1;
  }
  const bool odd = srcSize & 1;
  for (NSUInteger i = 0; i < dstSize; i++) {
    AxisTaps& t = taps[i];
    t.first = 2 * i;
    if (odd) {
      t.weight[0] = static_cast<unsigned>(dstSize - i);
      t.weight[1] = static_cast<unsigned>(dstSize);
      t.weight[2] = static_cast<unsigned>(i + 1);
    } else {
      t.weight[0] = t.weight[1] = 1;
    }
  }
  return odd ? static_cast<unsigned>(srcSize) : 2u;
}

}  // namespace

void MTLTexture::generateMipmaps() {
  std::vector<AxisTaps> xs, ys;
  for (size_t i = 1; i < levels_.size(); i++) {
    const Level& s = levels_[i - 1];
    Level& d = levels_[i];
    const uint64_t scale = uint64_t(axisTaps(s.width, d.width, xs)) * axisTaps(s.height, d.height, ys);
    for (NSUInteger y = 0; y < d.height; y++) {
      const AxisTaps& ty = ys[y];
      for (NSUInteger x = 0; x < d.width; x++) {
        const AxisTaps& tx = xs[x];
        for (NSUInteger c = 0; c < texelBytes_; c++) {
          uint64_t sum = 0;
          for (int j = 0; j < 3 && ty.weight[j]; j++) {
            const unsigned char* row = &s.bytes[(ty.first + j) * s.width * texelBytes_ + c];
            uint64_t rowSum = 0;
            for (int k = 0; k < 3 && tx.weight[k]; k++) rowSum += uint64_t(tx.weight[k]) * row[(tx.first + k) * texelBytes_];
            sum += rowSum * ty.weight[j];
          }
          d.bytes[(y * d.width + x) * texelBytes_ + c] = static_cast<unsigned char>((sum + scale / 2) / scale);
        }
      }
    }
  }
}

// Samplers and states --------------------------------------------------------------------

MTLSamplerState::MTLSamplerState(MTLDevice* device, const MTLSamplerDescriptor& d)
    : device_(MTLRetain(device)), d_(d) {}
MTLSamplerState::~MTLSamplerState() { MTLRelease(device_); }

MTLSamplerState* MTLDevice::newSamplerStateWithDescriptor(const MTLSamplerDescriptor& d) {
  return new (std::nothrow) MTLSamplerState(this, d);
}

static bool stencilFaceActive(const MTLStencilDescriptor& s) {
  return s.stencilCompareFunction != MTLCompareFunctionAlways || s.stencilFailureOperation != MTLStencilOperationKeep ||
         s.depthFailureOperation != MTLStencilOperationKeep || s.depthStencilPassOperation != MTLStencilOperationKeep;
}

MTLDepthStencilState::MTLDepthStencilState(const MTLDepthStencilDescriptor& d)
    : d_(d), usesStencil_(stencilFaceActive(d.frontFaceStencil) || stencilFaceActive(d.backFaceStencil)) {}

MTLDepthStencilState* MTLDevice::newDepthStencilStateWithDescriptor(const MTLDepthStencilDescriptor& d) {
  return new (std::nothrow) MTLDepthStencilState(d);
}

// Libraries and pipelines ------------------------------------------------------------------

MTLLibrary* MTLDevice::newLibraryWithData(dispatch_data_t data, MTLError** error) {
  const void* bytes = nullptr;
  size_t size = 0;
  dispatch_data_t map = dispatch_data_create_map(data, &bytes, &size);
  MTLLibrary* lib = MTLLibrary::create(static_cast<const unsigned char*>(bytes), size, error);
  dispatch_release(map);
  return lib;
}

static MTLRenderPipelineState* fail(MTLError** error, const char* message) {
  if (error) *error = new (std::nothrow) MTLError(1, message);
  return nullptr;
}

MTLRenderPipelineState* MTLDevice::newRenderPipelineStateWithDescriptor(const MTLRenderPipelineDescriptor& d,
                                                                        MTLError** error) {
  if (error) *error = nullptr;
  if (!d.vertexFunction || d.vertexFunction->functionType() != MTLFunctionTypeVertex || !d.vertexFunction->program())
    return fail(error, "the pipeline has no vertex function");
  if (d.fragmentFunction &&
      (d.fragmentFunction->functionType() != MTLFunctionTypeFragment || !d.fragmentFunction->program()))
    return fail(error, "the fragment function is not a fragment program");
  const MTLPixelFormat cf = d.colorAttachments[0].pixelFormat;
  if (cf != MTLPixelFormatInvalid && cf != MTLPixelFormatRGBA8Unorm && cf != MTLPixelFormatBGRA8Unorm)
    return fail(error, "the colour attachment format cannot be rendered to");
  if (d.stencilAttachmentPixelFormat != MTLPixelFormatInvalid && d.stencilAttachmentPixelFormat != MTLPixelFormatStencil8)
    return fail(error, "the stencil attachment format is not a stencil format");
  auto* p = new (std::nothrow) MTLRenderPipelineState();
  if (!p) return fail(error, "out of memory");
  p->color_ = d.colorAttachments[0];
  if (d.hasVertexDescriptor) p->vertexDescriptor_ = d.vertexDescriptor;
  p->vertex_ = reinterpret_cast<MTLVertexProgram>(d.vertexFunction->program());
  p->varyings_ = d.vertexFunction->varyingCount();
  if (d.fragmentFunction) p->fragment_ = reinterpret_cast<MTLFragmentProgram>(d.fragmentFunction->program());
  p->stencilFormat_ = d.stencilAttachmentPixelFormat;
  return p;
}
