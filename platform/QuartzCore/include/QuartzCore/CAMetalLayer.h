// A layer whose contents are Metal drawables. nextDrawable hands out a drawable whose
// texture has the layer's drawableSize and pixelFormat from a ring of
// maximumDrawableCount textures (one nobody holds when there is one, the one handed out
// last first, else the next in turn); presenting it makes its texture the layer's contents.
// Properties: main thread. present() of a drawable: any thread (the command buffer's
// execution thread when presented through presentDrawable).
#pragma once

#include <atomic>
#include <mutex>

#include <Metal/Metal.h>
#include <QuartzCore/CAGeometry.h>
#include <QuartzCore/CALayer.h>

class CAMetalLayer;

class CAMetalDrawable : public MTLDrawable {
 public:
  MTLTexture* texture() const { return texture_; }
  CAMetalLayer* layer() const { return layer_; }
  void present() override;

 private:
  friend class CAMetalLayer;
  CAMetalDrawable(CAMetalLayer* layer, MTLTexture* texture);
  ~CAMetalDrawable() override;
  CAMetalLayer* layer_;
  MTLTexture* texture_;
  std::atomic<bool> presented_{false};  // presented, or counted as dropped
};

class CAMetalLayer : public CALayer {
 public:
  // A new layer (one reference for the caller).
  static CAMetalLayer* layer();

  MTLDevice* device() const { return device_; }
  void setDevice(MTLDevice* device);  // retained; null clears
  MTLPixelFormat pixelFormat() const { return pixelFormat_; }
  void setPixelFormat(MTLPixelFormat format);  // BGRA8Unorm (default) or RGBA8Unorm
  CGSize drawableSize() const { return drawableSize_; }
  void setDrawableSize(CGSize size) { drawableSize_ = size; }
  bool presentsWithTransaction() const { return presentsWithTransaction_; }
  void setPresentsWithTransaction(bool v) { presentsWithTransaction_ = v; }
  bool framebufferOnly() const { return framebufferOnly_; }
  void setFramebufferOnly(bool v) { framebufferOnly_ = v; }
  NSUInteger maximumDrawableCount() const { return 3; }

  CAMetalLayer* asMetalLayer() override { return this; }

  // A drawable (one reference for the caller); null without a device, with an empty or
  // oversized drawableSize, or when its texture cannot be made.
  CAMetalDrawable* nextDrawable();

  // The texture last presented (one reference for the caller, null before any) and the
  // number of presents so far.
  MTLTexture* copyPresentedTexture() const;
  unsigned long presentCount() const;
  // Drawables handed out that are neither presented nor released yet: frames still on
  // their way to the layer (a host that reads the layer's pixels waits for 0).
  unsigned long drawablesInFlight() const;

 private:
  friend class CAMetalDrawable;
  CAMetalLayer() { setOpaque(true); }
  ~CAMetalLayer() override;
  void presented(MTLTexture* texture);
  void dropped();

  MTLDevice* device_ = nullptr;
  MTLPixelFormat pixelFormat_ = MTLPixelFormatBGRA8Unorm;
  CGSize drawableSize_{0, 0};
  bool presentsWithTransaction_ = false;
  bool framebufferOnly_ = true;
  MTLTexture* ring_[3] = {};
  unsigned long ringStamp_[3] = {};  // when each was last handed out
  unsigned long handedOut_ = 0;
  unsigned ringNext_ = 0;
  mutable std::mutex presentLock_;
  MTLTexture* presentedTexture_ = nullptr;
  unsigned long presentCount_ = 0;
  unsigned long inFlight_ = 0;
};
