// The renderer callback table and the plain entry points.
#include "graphics/mac/MVGRenderer.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "graphics/mac/MVGContext.h"

namespace fx::gfx {

namespace {

MVGframebuffer* gBoundFramebuffer = nullptr;
// Contexts alive (main thread only): a framebuffer may outlive the context it was made
// from, and must then not reach into it.
std::vector<VGcontext*> gLiveContexts;

bool isLive(const VGcontext* ctx) {
  return ctx && std::find(gLiveContexts.begin(), gLiveContexts.end(), ctx) != gLiveContexts.end();
}

MVGcontext_vORBEX9_au* self(void* u) { return static_cast<MVGcontext_vORBEX9_au*>(u); }

MVGcontext_vORBEX9_au* mvg(VGcontext* ctx) { return ctx ? self(ctx->params.userPtr) : nullptr; }

}  // namespace

VGcontext* mvgrCreateContext(CAMetalLayer* layer, int flags) {
  if (!layer) return nullptr;
  auto* m = new MVGcontext_vORBEX9_au();
  m->flags = flags;
  m->fragSize = 256;
  m->indexSize = 4;
  m->metalLayer = MTLRetain(layer);
  VGrenderer& p = m->params;
  p.userPtr = m;
  p.edgeAntiAlias = flags & MVG_ANTIALIAS ? 1 : 0;
  p.renderCreate = [](void* u) { return self(u)->renderCreate(); };
  p.renderCreateTexture = [](void* u, int type, int w, int h, int imageFlags, const unsigned char* data) {
    return self(u)->renderCreateTexture(type, w, h, imageFlags, data);
  };
  p.renderDeleteTexture = [](void* u, int image) { return self(u)->renderDeleteTexture(image); };
  p.renderUpdateTexture = [](void* u, int image, int x, int y, int w, int h, const unsigned char* data) {
    return self(u)->renderUpdateTexture(image, x, y, w, h, data);
  };
  p.renderGetTextureSize = [](void* u, int image, int* w, int* h) {
    return self(u)->renderGetTextureSize(image, w, h);
  };
  p.renderViewport = [](void* u, float w, float h, float ratio) { self(u)->renderViewport(w, h, ratio); };
  p.renderCancel = [](void* u) { self(u)->renderCancel(); };
  p.renderFlush = [](void* u) { self(u)->renderFlush(); };
  p.renderFill = [](void* u, VGpaint* paint, VGcompositeOperationState op, VGscissor* scissor, float fringe,
                    const float* bounds, const VGpath* paths, int npaths) {
    self(u)->renderFill(paint, op, scissor, fringe, bounds, paths, npaths);
  };
  p.renderStroke = [](void* u, VGpaint* paint, VGcompositeOperationState op, VGscissor* scissor, float fringe,
                      float strokeWidth, const VGpath* paths, int npaths) {
    self(u)->renderStroke(paint, op, scissor, fringe, strokeWidth, paths, npaths);
  };
  p.renderTriangles = [](void* u, VGpaint* paint, VGcompositeOperationState op, VGscissor* scissor,
                         const VGvertex* verts, int nverts, float fringe) {
    self(u)->renderTriangles(paint, op, scissor, verts, nverts, fringe);
  };
  p.renderDelete = [](void* u) {
    self(u)->renderDelete();
    delete self(u);
  };
  // On failure vgrCreateContext has already deleted the renderer through renderDelete.
  VGcontext* ctx = vgrCreateContext(&p);
  if (ctx) gLiveContexts.push_back(ctx);
  return ctx;
}

void mvgrDeleteContext(VGcontext* ctx) {
  if (!ctx) return;
  // A framebuffer of this context left bound would send other contexts' flushes into
  // freed memory.
  if (gBoundFramebuffer && gBoundFramebuffer->ctx == ctx) gBoundFramebuffer = nullptr;
  gLiveContexts.erase(std::remove(gLiveContexts.begin(), gLiveContexts.end(), ctx), gLiveContexts.end());
  vgrDeleteContext(ctx);
}

void mvgrBindFramebuffer(MVGframebuffer* fb) { gBoundFramebuffer = fb; }

MVGframebuffer* mvgrBoundFramebuffer() { return gBoundFramebuffer; }

MVGframebuffer* mvgrCreateFramebuffer(VGcontext* ctx, int width, int height, int imageFlags) {
  if (!mvg(ctx)) return nullptr;
  auto* fb = static_cast<MVGframebuffer*>(std::malloc(sizeof(MVGframebuffer)));
  if (!fb) return nullptr;
  fb->ctx = ctx;
  fb->unused = 0;
  fb->image = mvg(ctx)->renderCreateTexture(VG_TEXTURE_RGBA, width, height, imageFlags | VG_IMAGE_PREMULTIPLIED,
                                            nullptr);
  if (fb->image == 0) {  // a framebuffer without a target is useless
    std::free(fb);
    return nullptr;
  }
  return fb;
}

void mvgrDeleteFramebuffer(MVGframebuffer* fb) {
  if (!fb) return;
  if (gBoundFramebuffer == fb) gBoundFramebuffer = nullptr;
  // Its image went with its context when that was deleted first.
  if (fb->image > 0 && isLive(fb->ctx) && mvg(fb->ctx)) mvg(fb->ctx)->renderDeleteTexture(fb->image);
  std::free(fb);
}

int mvgrCreateRGBAImage(VGcontext* ctx, int width, int height, int imageFlags, const unsigned char* data) {
  return mvg(ctx) ? mvg(ctx)->renderCreateTexture(VG_TEXTURE_RGBA, width, height, imageFlags, data) : 0;
}

void mvgrDeleteImage(VGcontext* ctx, int image) {
  if (mvg(ctx)) mvg(ctx)->renderDeleteTexture(image);
}

void mvgrClearWithColor(VGcontext* ctx, VGcolor c) {
  MVGcontext_vORBEX9_au* m = mvg(ctx);
  if (!m) return;
  m->clearColor = MTLClearColor{double(c.r) * c.a, double(c.g) * c.a, double(c.b) * c.a, double(c.a)};
  m->clearBufferOnFlush = true;
}

int mvgrReadPixels(VGcontext* ctx, int image, int x, int y, int width, int height, void* data) {
  MVGcontext_vORBEX9_au* m = mvg(ctx);
  const MVGtexture_vORBEX9_au* tex = m ? m->findTexture(image) : nullptr;
  if (!tex || !tex->tex || !data) return 0;
  const int tw = int(tex->tex->width()), th = int(tex->tex->height());
  if (x < 0 || y < 0 || width <= 0 || height <= 0 || x > tw - width || y > th - height) return 0;
  const NSUInteger bytesPerRow = NSUInteger(tw) * (tex->type == VG_TEXTURE_RGBA ? 4 : 1);
  m->waitForImage(image);
  tex->tex->getBytes(data, bytesPerRow, MTLRegionMake2D(unsigned(x), unsigned(y), unsigned(width), unsigned(height)),
                     0);
  return 1;
}

int mvgrCreateImageFromTexture(VGcontext* ctx, MTLTexture* texture, int imageFlags) {
  MVGcontext_vORBEX9_au* m = mvg(ctx);
  if (!m || !texture || texture->texelBytes() != 4) return 0;
  MTLSamplerDescriptor s;
  const bool nearest = imageFlags & VG_IMAGE_NEAREST;
  s.minFilter = s.magFilter = nearest ? MTLSamplerMinMagFilterNearest : MTLSamplerMinMagFilterLinear;
  s.sAddressMode = (imageFlags & VG_IMAGE_REPEATX) ? MTLSamplerAddressModeRepeat : MTLSamplerAddressModeClampToEdge;
  s.tAddressMode = (imageFlags & VG_IMAGE_REPEATY) ? MTLSamplerAddressModeRepeat : MTLSamplerAddressModeClampToEdge;
  MTLSamplerState* sampler = m->device() ? m->device()->newSamplerStateWithDescriptor(s) : nullptr;
  if (!sampler) return 0;
  MVGtexture_vORBEX9_au* tex = m->allocTexture();
  tex->type = VG_TEXTURE_RGBA;
  tex->flags = imageFlags;
  tex->tex = MTLRetain(texture);
  tex->sampler = sampler;
  return tex->id;
}

MTLTexture* mvgrTextureForImage(VGcontext* ctx, int image) {
  MVGcontext_vORBEX9_au* m = mvg(ctx);
  const MVGtexture_vORBEX9_au* tex = m ? m->findTexture(image) : nullptr;
  if (!tex) return nullptr;
  m->waitForImage(image);
  return tex->tex;
}

MTLDevice* mvgrDevice(VGcontext* ctx) { return mvg(ctx) ? mvg(ctx)->device() : nullptr; }

MTLCommandQueue* mvgrCommandQueue(VGcontext* ctx) { return mvg(ctx) ? mvg(ctx)->commandQueue : nullptr; }

void* mvgrPassThrough(void* value) { return value; }

int mvgrTargetId() { return 1; }

}  // namespace fx::gfx
