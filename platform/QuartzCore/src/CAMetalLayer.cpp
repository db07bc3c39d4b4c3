#include <QuartzCore/CAMetalLayer.h>

#include <new>

CAMetalDrawable::CAMetalDrawable(CAMetalLayer* layer, MTLTexture* texture)
    : layer_(MTLRetain(layer)), texture_(MTLRetain(texture)) {}

CAMetalDrawable::~CAMetalDrawable() {
  if (!presented_.exchange(true)) layer_->dropped();
  MTLRelease(texture_);
  MTLRelease(layer_);
}

void CAMetalDrawable::present() {
  if (!presented_.exchange(true)) layer_->presented(texture_);
}

CAMetalLayer* CAMetalLayer::layer() { return new (std::nothrow) CAMetalLayer(); }

CALayer* CALayer::layer() { return new (std::nothrow) CALayer(); }

CAMetalLayer::~CAMetalLayer() {
  for (MTLTexture* t : ring_) MTLRelease(t);
  MTLRelease(presentedTexture_);
  MTLRelease(device_);
}

void CAMetalLayer::setDevice(MTLDevice* device) {
  if (device == device_) return;
  MTLRetain(device);
  MTLRelease(device_);
  device_ = device;
  for (MTLTexture*& t : ring_) {
    MTLRelease(t);
    t = nullptr;
  }
}

void CAMetalLayer::setPixelFormat(MTLPixelFormat format) {
  if (format == MTLPixelFormatBGRA8Unorm || format == MTLPixelFormatRGBA8Unorm) pixelFormat_ = format;
}

CAMetalDrawable* CAMetalLayer::nextDrawable() {
  if (!device_) return nullptr;
  const double w = drawableSize_.width, h = drawableSize_.height;
  if (!(w >= 1.0 && h >= 1.0 && w <= double(kMTLMaxTextureSide) && h <= double(kMTLMaxTextureSide))) return nullptr;
  const auto tw = static_cast<NSUInteger>(w), th = static_cast<NSUInteger>(h);
  // A texture nobody else holds (not the layer's contents, not in a drawable or a command
  // buffer), the one handed out last first: its memory is the likeliest to be in the caches.
  unsigned pick = ringNext_;
  bool idle = false;
  for (unsigned i = 0; i < 3; i++) {
    MTLTexture* t = ring_[i];
    if (t && t->retainCount() == 1 && (!idle || ringStamp_[i] > ringStamp_[pick])) {
      pick = i;
      idle = true;
    }
  }
  MTLTexture*& slot = ring_[pick];
  ringStamp_[pick] = ++handedOut_;
  ringNext_ = (pick + 1) % 3;
  // Textures of a framebuffer-only layer are render targets and nothing else.
  const MTLTextureUsage usage =
      framebufferOnly_ ? MTLTextureUsageRenderTarget : MTLTextureUsageRenderTarget | MTLTextureUsageShaderRead;
  if (!slot || slot->width() != tw || slot->height() != th || slot->pixelFormat() != pixelFormat_ ||
      slot->usage() != usage) {
    MTLRelease(slot);
    MTLTextureDescriptor d = MTLTextureDescriptor::texture2DDescriptorWithPixelFormat(pixelFormat_, tw, th, false);
    d.usage = usage;
    d.storageMode = MTLStorageModePrivate;
    slot = device_->newTextureWithDescriptor(d);
    if (!slot) return nullptr;
  }
  auto* drawable = new (std::nothrow) CAMetalDrawable(this, slot);
  if (drawable) {
    std::lock_guard<std::mutex> lock(presentLock_);
    inFlight_++;
  }
  return drawable;
}

void CAMetalLayer::presented(MTLTexture* texture) {
  std::lock_guard<std::mutex> lock(presentLock_);
  MTLRetain(texture);
  MTLRelease(presentedTexture_);
  presentedTexture_ = texture;
  presentCount_++;
  if (inFlight_ > 0) inFlight_--;
}

void CAMetalLayer::dropped() {
  std::lock_guard<std::mutex> lock(presentLock_);
  if (inFlight_ > 0) inFlight_--;
}

MTLTexture* CAMetalLayer::copyPresentedTexture() const {
  std::lock_guard<std::mutex> lock(presentLock_);
  return MTLRetain(presentedTexture_);
}

unsigned long CAMetalLayer::presentCount() const {
  std::lock_guard<std::mutex> lock(presentLock_);
  return presentCount_;
}

unsigned long CAMetalLayer::drawablesInFlight() const {
  std::lock_guard<std::mutex> lock(presentLock_);
  return inFlight_;
}
