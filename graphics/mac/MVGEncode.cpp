// Flush: one render pass per frame into a framebuffer image or the layer's drawable;
// pipelines and the stencil-then-cover passes of each recorded call.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

#include "graphics/mac/MVGContext.h"
#include "graphics/mac/MVGCopy.h"
#include "graphics/mac/MVGRenderer.h"

namespace fx::gfx {

namespace {

// A source of zero leaves the destination as it is under these destination factors.
bool keepsDestinationUnderZero(MTLBlendFactor f) {
  return f == MTLBlendFactorOne || f == MTLBlendFactorOneMinusSourceAlpha || f == MTLBlendFactorOneMinusSourceColor;
}

// The pixels of a target of tw x th a call can change, when its scissor limits them: outside
// the scissor rectangle widened by half a fringe the fragment programs give a coverage of
// exactly zero, and under a blend that keeps the destination for a zero source those pixels
// stay as they are. (ppx, ppy): pixels per view point. False: the whole target.
bool scissorPixelRect(const MVGfragUniforms& u, const MVGblend& blend, double ppx, double ppy, unsigned tw,
                      unsigned th, MTLScissorRect* out) {
  if (!keepsDestinationUnderZero(blend.dstRGB) || !keepsDestinationUnderZero(blend.dstAlpha)) return false;
  const float* m = u.scissorMat;
  if (m[0] == 0 && m[1] == 0 && m[4] == 0 && m[5] == 0 && m[8] == 0 && m[9] == 0) return false;  // no scissor
  const double sx = u.scissorScale[0], sy = u.scissorScale[1];
  if (!(sx > 0.0) || !(sy > 0.0)) return false;
  // Scissor space to view points: the inverse of the record's matrix.
  const double det = double(m[0]) * m[5] - double(m[4]) * m[1];
  if (!(std::fabs(det) > 1e-12)) return false;
  const double hx = std::fabs(double(u.scissorExt[0])) + 0.5 / sx, hy = std::fabs(double(u.scissorExt[1])) + 0.5 / sy;
  double x0 = HUGE_VAL, y0 = HUGE_VAL, x1 = -HUGE_VAL, y1 = -HUGE_VAL;
  for (int corner = 0; corner < 4; corner++) {
    const double lx = (corner & 1 ? hx : -hx) - m[8], ly = (corner & 2 ? hy : -hy) - m[9];
    const double x = (m[5] * lx - m[4] * ly) / det * ppx, y = (m[0] * ly - m[1] * lx) / det * ppy;
    x0 = std::min(x0, x), x1 = std::max(x1, x), y0 = std::min(y0, y), y1 = std::max(y1, y);
  }
  if (!std::isfinite(x0) || !std::isfinite(x1) || !std::isfinite(y0) || !std::isfinite(y1)) return false;
  // A pixel of margin on every side, against rounding in the programs.
  const auto pixel = [](double v, unsigned limit) {
    return unsigned(std::clamp(v, 0.0, double(limit)));
  };
  const unsigned px0 = pixel(std::floor(x0) - 1, tw), px1 = pixel(std::ceil(x1) + 1, tw);
  const unsigned py0 = pixel(std::floor(y0) - 1, th), py1 = pixel(std::ceil(y1) + 1, th);
  *out = MTLScissorRect{px0, py0, px1 - px0, py1 - py0};
  return true;
}

}  // namespace

bool MVGcontext_vORBEX9_au::updateStencilTextureToSize(unsigned width, unsigned height) {
  MVGbuffers_vORBEX9_au* b = buffers;
  if (b->stencilTexture && b->stencilTexture->width() >= width && b->stencilTexture->height() >= height) return true;
  MTLRelease(b->stencilTexture);
  MTLTextureDescriptor d =
      MTLTextureDescriptor::texture2DDescriptorWithPixelFormat(MTLPixelFormatStencil8, width, height, false);
  d.usage = MTLTextureUsageRenderTarget;
  d.storageMode = MTLStorageModePrivate;
  b->stencilTexture = device()->newTextureWithDescriptor(d);
  return b->stencilTexture != nullptr;
}

MTLRenderCommandEncoder* MVGcontext_vORBEX9_au::renderCommandEncoderWithColorTexture(MTLTexture* colorTexture) {
  MVGbuffers_vORBEX9_au* b = buffers;
  MTLRenderPassDescriptor d;
  d.colorAttachments[0].texture = colorTexture;
  d.colorAttachments[0].clearColor = clearColor;
  d.colorAttachments[0].loadAction = clearBufferOnFlush ? MTLLoadActionClear : MTLLoadActionLoad;
  d.colorAttachments[0].storeAction = MTLStoreActionStore;
  d.stencilAttachment.texture = b->stencilTexture;
  d.stencilAttachment.clearStencil = 0;
  d.stencilAttachment.loadAction = MTLLoadActionClear;
  d.stencilAttachment.storeAction = MTLStoreActionDontCare;
  MTLCommandBuffer* cb;
  {
    std::lock_guard<std::mutex> lock(b->lock);
    cb = b->commandBuffer;
  }
  MTLRenderCommandEncoder* enc = cb ? cb->renderCommandEncoderWithDescriptor(d) : nullptr;
  if (!enc) return nullptr;
  clearBufferOnFlush = false;  // used up by this pass
  enc->setCullMode(MTLCullModeBack);
  enc->setFrontFacingWinding(MTLWindingCounterClockwise);
  enc->setStencilReferenceValue(0);
  enc->setViewport(MTLViewport{0, 0, double(viewPortSize[0]), double(viewPortSize[1]), 0, 1});
  enc->setVertexBuffer(b->vertBuffer, 0, 0);
  enc->setVertexBuffer(b->viewSizeBuffer, 0, 1);
  enc->setFragmentBuffer(b->uniformBuffer, 0, 0);
  return enc;
}

MTLRenderPipelineDescriptor MVGcontext_vORBEX9_au::pipelineDescriptor(const MVGblend& blend, MTLPixelFormat pixelFormat,
                                                                      MTLFunction* fragment) const {
  MTLRenderPipelineDescriptor d;
  d.colorAttachments[0].pixelFormat = pixelFormat;
  d.colorAttachments[0].blendingEnabled = true;
  d.colorAttachments[0].sourceRGBBlendFactor = blend.srcRGB;
  d.colorAttachments[0].sourceAlphaBlendFactor = blend.srcAlpha;
  d.colorAttachments[0].destinationRGBBlendFactor = blend.dstRGB;
  d.colorAttachments[0].destinationAlphaBlendFactor = blend.dstAlpha;
  d.stencilAttachmentPixelFormat = MTLPixelFormatStencil8;
  d.vertexFunction = vertexFunction;
  d.fragmentFunction = fragment;
  d.vertexDescriptor = vertexDescriptor;
  d.hasVertexDescriptor = true;
  return d;
}

void MVGcontext_vORBEX9_au::updateRenderPipelineStatesForBlend(const MVGblend& blend, MTLPixelFormat pixelFormat) {
  if (pipelineState && stencilOnlyPipelineState && piplelinePixelFormat == pixelFormat &&
      blendFunc->srcRGB == blend.srcRGB && blendFunc->dstRGB == blend.dstRGB &&
      blendFunc->srcAlpha == blend.srcAlpha && blendFunc->dstAlpha == blend.dstAlpha)
    return;
  MTLRelease(pipelineState);
  MTLRelease(stencilOnlyPipelineState);
  pipelineState = stencilOnlyPipelineState = nullptr;
  MTLRenderPipelineDescriptor d = pipelineDescriptor(blend, pixelFormat, fragmentFunction);
  MTLError* error = nullptr;
  pipelineState = device()->newRenderPipelineStateWithDescriptor(d, &error);
  checkError(error, "init pipeline state");
  MTLRelease(error);
  d.fragmentFunction = nullptr;
  d.colorAttachments[0].writeMask = MTLColorWriteMaskNone;
  error = nullptr;
  stencilOnlyPipelineState = device()->newRenderPipelineStateWithDescriptor(d, &error);
  checkError(error, "init pipeline stencil only state");
  MTLRelease(error);
  piplelinePixelFormat = pixelFormat;
  *blendFunc = blend;
}

MTLRenderPipelineState* MVGcontext_vORBEX9_au::texelCopyPipeline(MTLPixelFormat pixelFormat) {
  if (!texelCopyFunction) return nullptr;
  if (copyPipelineState && copyPipelineFormat == pixelFormat) return copyPipelineState;
  MTLRelease(copyPipelineState);
  copyPipelineState = nullptr;
  const MVGblend sourceOver{MTLBlendFactorOne, MTLBlendFactorOneMinusSourceAlpha, MTLBlendFactorOne,
                            MTLBlendFactorOneMinusSourceAlpha};
  MTLRenderPipelineDescriptor d = pipelineDescriptor(sourceOver, pixelFormat, texelCopyFunction);
  MTLError* error = nullptr;
  copyPipelineState = device()->newRenderPipelineStateWithDescriptor(d, &error);
  checkError(error, "init texel copy pipeline state");
  MTLRelease(error);
  copyPipelineFormat = pixelFormat;
  return copyPipelineState;
}

void MVGcontext_vORBEX9_au::setUniforms(int uniformOffset, int image) {
  renderEncoder->setFragmentBufferOffset(NSUInteger(uniformOffset), 0);
  const MVGtexture_vORBEX9_au* tex = image != 0 ? findTexture(image) : nullptr;
  if (tex && tex->tex) {
    renderEncoder->setFragmentTexture(tex->tex, 0);
    renderEncoder->setFragmentSamplerState(tex->sampler, 0);
  } else {
    renderEncoder->setFragmentTexture(pseudoTexture, 0);
    renderEncoder->setFragmentSamplerState(pseudoSampler, 0);
  }
}

void MVGcontext_vORBEX9_au::fill(const MVGcall& call) {
  MTLRenderCommandEncoder* e = renderEncoder;
  // Winding into the stencil: front faces increment, back faces decrement.
  e->setCullMode(MTLCullModeNone);
  e->setDepthStencilState(fillShapeStencilState);
  e->setRenderPipelineState(stencilOnlyPipelineState);
  if (call.indexCount > 0)
    e->drawIndexedPrimitives(MTLPrimitiveTypeTriangle, NSUInteger(call.indexCount), MTLIndexTypeUInt32,
                             buffers->indexBuffer, NSUInteger(call.indexOffset) * NSUInteger(indexSize));
  e->setCullMode(MTLCullModeBack);
  e->setRenderPipelineState(pipelineState);
  setUniforms(call.uniformOffset, call.image);
  // Fringes only outside the shape (stencil still 0 there).
  if ((flags & MVG_ANTIALIAS) && call.strokeCount >= 1) {
    e->setDepthStencilState(fillAntiAliasStencilState);
    e->drawPrimitives(MTLPrimitiveTypeTriangleStrip, NSUInteger(call.strokeOffset), NSUInteger(call.strokeCount));
  }
  // Cover where the winding is non-zero, clearing the stencil as it goes.
  e->setDepthStencilState(fillStencilState);
  e->drawPrimitives(MTLPrimitiveTypeTriangleStrip, NSUInteger(call.triangleOffset), 4);
  e->setDepthStencilState(defaultStencilState);
}

void MVGcontext_vORBEX9_au::convexFill(const MVGcall& call, bool texelCopy) {
  MTLRenderCommandEncoder* e = renderEncoder;
  setUniforms(call.uniformOffset, call.image);
  // The inside is covered in full: where the image lands texel on pixel, its texels are copied.
  MTLRenderPipelineState* copy = texelCopy ? texelCopyPipeline(piplelinePixelFormat) : nullptr;
  e->setRenderPipelineState(copy ? copy : pipelineState);
  if (call.indexCount > 0)
    e->drawIndexedPrimitives(MTLPrimitiveTypeTriangle, NSUInteger(call.indexCount), MTLIndexTypeUInt32,
                             buffers->indexBuffer, NSUInteger(call.indexOffset) * NSUInteger(indexSize));
  if (copy) e->setRenderPipelineState(pipelineState);
  if (call.strokeCount >= 1)
    e->drawPrimitives(MTLPrimitiveTypeTriangleStrip, NSUInteger(call.strokeOffset), NSUInteger(call.strokeCount));
}

void MVGcontext_vORBEX9_au::stroke(const MVGcall& call) {
  if (call.strokeCount < 1) return;
  MTLRenderCommandEncoder* e = renderEncoder;
  const NSUInteger first = NSUInteger(call.strokeOffset), count = NSUInteger(call.strokeCount);
  if (!(flags & MVG_STENCIL_STROKES)) {
    setUniforms(call.uniformOffset, call.image);
    e->setRenderPipelineState(pipelineState);
    e->drawPrimitives(MTLPrimitiveTypeTriangleStrip, first, count);
    return;
  }
  // Solid part once per pixel, then the anti-aliased edges where nothing was drawn, then
  // the stencil back to zero.
  setUniforms(call.uniformOffset + fragSize, call.image);
  e->setDepthStencilState(strokeShapeStencilState);
  e->setRenderPipelineState(pipelineState);
  e->drawPrimitives(MTLPrimitiveTypeTriangleStrip, first, count);
  setUniforms(call.uniformOffset, call.image);
  e->setDepthStencilState(strokeAntiAliasStencilState);
  e->drawPrimitives(MTLPrimitiveTypeTriangleStrip, first, count);
  e->setDepthStencilState(strokeClearStencilState);
  e->setRenderPipelineState(stencilOnlyPipelineState);
  e->drawPrimitives(MTLPrimitiveTypeTriangleStrip, first, count);
  e->setDepthStencilState(defaultStencilState);
}

void MVGcontext_vORBEX9_au::triangles(const MVGcall& call) {
  MTLRenderCommandEncoder* e = renderEncoder;
  setUniforms(call.uniformOffset, call.image);
  e->setRenderPipelineState(pipelineState);
  e->drawPrimitives(MTLPrimitiveTypeTriangle, NSUInteger(call.triangleOffset), NSUInteger(call.triangleCount));
}

void MVGcontext_vORBEX9_au::renderFlush() {
  if (!recording || !buffers) return;
  recording = false;
  MVGbuffers_vORBEX9_au* set = buffers;
  if (viewPortSize[0] == 0 || viewPortSize[1] == 0 || !set->viewSizeBuffer) {
    cancelSet(set);
    return;
  }
  MTLCommandBuffer* cb = commandQueue->commandBuffer();
  if (!cb) {
    cancelSet(set);
    return;
  }
  // The handler holds its own reference to the semaphore: renderDelete may release the
  // context's as soon as the signal below wakes it, while the signal is still returning.
  dispatch_retain(semaphore);
  std::shared_ptr<dispatch_semaphore_s> hold(semaphore, [](dispatch_semaphore_t s) { dispatch_release(s); });
  cb->addCompletedHandler([set, hold](MTLCommandBuffer*) {
    dispatch_semaphore_t sema = hold.get();
    MTLCommandBuffer* done;
    {
      std::lock_guard<std::mutex> lock(set->lock);
      done = set->commandBuffer;
      set->commandBuffer = nullptr;
      set->image = 0;
    }
    MTLRelease(done);
    set->ncalls = set->nindexes = set->nverts = set->nuniforms = 0;
    set->isBusy.store(false, std::memory_order_release);
    dispatch_semaphore_signal(sema);
  });

  // Target: a bound framebuffer of this renderer, else the layer's next drawable. A
  // target that cannot be had cancels the frame so its set returns to the semaphore.
  MVGframebuffer* fb = mvgrBoundFramebuffer();
  MTLTexture* target = nullptr;
  CAMetalDrawable* drawable = nullptr;
  int image = 0;
  unsigned tw = viewPortSize[0], th = viewPortSize[1];
  if (fb && fb->ctx && fb->ctx->params.userPtr == this) {
    const MVGtexture_vORBEX9_au* tex = findTexture(fb->image);
    if (tex && tex->tex) {
      image = fb->image;
      target = tex->tex;
      tw = unsigned(target->width());
      th = unsigned(target->height());
    }
  } else if (metalLayer) {
    drawable = metalLayer->nextDrawable();
    if (drawable) target = drawable->texture();
  }
  {
    std::lock_guard<std::mutex> lock(set->lock);
    set->commandBuffer = cb;  // the set's reference
    set->image = image;
  }
  if (!target || tw == 0 || th == 0 || !updateStencilTextureToSize(tw, th) ||
      !(renderEncoder = renderCommandEncoderWithColorTexture(target))) {
    MTLRelease(drawable);
    cancelSet(set);
    return;
  }
  // Enqueued only once the frame will be committed: an enqueued buffer holds its place in
  // the queue, and one dropped uncommitted would hold back every later frame.
  cb->enqueue();
  // View points to target pixels, as the vertex program and the viewport map them.
  float viewSize[2] = {0, 0};
  std::memcpy(viewSize, set->viewSizeBuffer->contents(), sizeof(viewSize));
  const double ppx = viewSize[0] > 0 ? double(viewPortSize[0]) / viewSize[0] : 0;
  const double ppy = viewSize[1] > 0 ? double(viewPortSize[1]) / viewSize[1] : 0;
  bool clipped = false;
  MTLScissorRect clip{};
  for (int i = 0; i < set->ncalls; i++) {
    const MVGcall& call = set->calls[i];
    updateRenderPipelineStatesForBlend(call.blend, target->pixelFormat());
    // Each call's draws limited to what its scissor lets through.
    MTLScissorRect r{};
    if (ppx > 0 && ppy > 0 && scissorPixelRect(*fragUniformAtIndex(call.uniformOffset), call.blend, ppx, ppy, tw, th, &r)) {
      if (!clipped || r.x != clip.x || r.y != clip.y || r.width != clip.width || r.height != clip.height)
        renderEncoder->setScissorRect(r);
      clipped = true;
      clip = r;
    } else if (clipped) {
      renderEncoder->setScissorRect(MTLScissorRect{0, 0, tw, th});
      clipped = false;
    }
    switch (call.type) {
      case MVG_FILL: fill(call); break;
      case MVG_CONVEXFILL: {
        const MVGtexture_vORBEX9_au* tex = call.image != 0 ? findTexture(call.image) : nullptr;
        convexFill(call, tex && mvgTexelCopyApplies(*fragUniformAtIndex(call.uniformOffset), *tex, call.blend, ppx,
                                                    ppy, tw, th));
        break;
      }
      case MVG_STROKE: stroke(call); break;
      case MVG_TRIANGLES: triangles(call); break;
      default: break;
    }
  }
  renderEncoder->endEncoding();
  renderEncoder = nullptr;
  const bool transaction = drawable && metalLayer->presentsWithTransaction();
  if (drawable && !transaction) cb->presentDrawable(drawable);
  if (image != 0) {
    if (MTLBlitCommandEncoder* blit = cb->blitCommandEncoder()) {
      blit->synchronizeResource(target);
      blit->endEncoding();
    }
  }
  // The completion handler may run (and drop the set's reference) as soon as this
  // returns; keep one of our own until the transaction present is done.
  cb->retain();
  cb->commit();
  if (transaction) {
    cb->waitUntilScheduled();
    drawable->present();
  }
  cb->release();
  MTLRelease(drawable);
}

}  // namespace fx::gfx
