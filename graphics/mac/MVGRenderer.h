// Plain entry points of the Metal renderer: creating a vector-renderer context drawn
// through Metal into a CAMetalLayer, offscreen framebuffers, images and read-back.
// Thread: main thread (the bound framebuffer is a process-wide main-thread variable).
#pragma once

#include <Metal/Metal.h>
#include <QuartzCore/CAMetalLayer.h>

#include "graphics/mac/MVGTypes.h"
#include "vector/VGContext.h"

namespace fx::gfx {

// A vector-renderer context drawing through Metal into the layer (which it retains);
// null on failure. flags: MVGcreateFlags.
VGcontext* mvgrCreateContext(CAMetalLayer* layer, int flags);
// Also unbinds a bound framebuffer of this context. Framebuffers made from it may still
// be deleted afterwards (their images went with the context).
void mvgrDeleteContext(VGcontext* ctx);

// Framebuffers: null binds the layer's drawable. A bound framebuffer that belongs to
// another context is ignored by flushes of this one.
void mvgrBindFramebuffer(MVGframebuffer* fb);
MVGframebuffer* mvgrBoundFramebuffer();
MVGframebuffer* mvgrCreateFramebuffer(VGcontext* ctx, int width, int height, int imageFlags);
void mvgrDeleteFramebuffer(MVGframebuffer* fb);

int mvgrCreateRGBAImage(VGcontext* ctx, int width, int height, int imageFlags, const unsigned char* data);
void mvgrDeleteImage(VGcontext* ctx, int image);
// The next flush clears its target to this (straight-alpha) colour first.
void mvgrClearWithColor(VGcontext* ctx, VGcolor color);

// Copies the region (x, y, width, height) of an image into data, after any committed
// frame that renders into it has completed. Rows in data are the image's full width
// apart (4 bytes per pixel for RGBA, 1 for alpha images). Returns 1, or 0 (nothing
// copied) for an unknown image, a null destination or a region outside the image.
int mvgrReadPixels(VGcontext* ctx, int image, int x, int y, int width, int height, void* data);

// Wraps a texture (RGBA8 or BGRA8) as an RGBA image; 0 on failure. The image holds a
// reference to the texture.
int mvgrCreateImageFromTexture(VGcontext* ctx, MTLTexture* texture, int imageFlags);
// The texture of an image after any pending frame into it completed; null if none. The
// image holds the reference: retain the texture to use it after the image is deleted.
MTLTexture* mvgrTextureForImage(VGcontext* ctx, int image);

MTLDevice* mvgrDevice(VGcontext* ctx);
MTLCommandQueue* mvgrCommandQueue(VGcontext* ctx);
void* mvgrPassThrough(void* value);
int mvgrTargetId();

}  // namespace fx::gfx
