// Flush: one render pass per frame into a framebuffer image or the layer's drawable;
// pipelines and the stencil-then-cover passes of each recorded call.
#include <cstring>
#include <memory>

#include "graphics/mac/MVGContext.h"
#include "graphics/mac/MVGRenderer.h"

namespace fx::gfx {

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

void MVGcontext_vORBEX9_au::updateRenderPipelineStatesForBlend(const MVGblend& blend, MTLPixelFormat pixelFormat) {
  if (pipelineState && stencilOnlyPipelineState && piplelinePixelFormat == pixelFormat &&
      blendFunc->srcRGB == blend.srcRGB && blendFunc->dstRGB == blend.dstRGB &&
      blendFunc->srcAlpha == blend.srcAlpha && blendFunc->dstAlpha == blend.dstAlpha)
    return;
  MTLRelease(pipelineState);
  MTLRelease(stencilOnlyPipelineState);
  pipelineState = stencilOnlyPipelineState = nullptr;
  MTLRenderPipelineDescriptor d;
  d.colorAttachments[0].pixelFormat = pixelFormat;
  d.colorAttachments[0].blendingEnabled = true;
  d.colorAttachments[0].sourceRGBBlendFactor = blend.srcRGB;
  d.colorAttachments[0].sourceAlphaBlendFactor = blend.srcAlpha;
  d.colorAttachments[0].destinationRGBBlendFactor = blend.dstRGB;
  d.colorAttachments[0].destinationAlphaBlendFactor = blend.dstAlpha;
  d.stencilAttachmentPixelFormat = MTLPixelFormatStencil8;
  d.vertexFunction = vertexFunction;
  d.fragmentFunction = fragmentFunction;
  d.vertexDescriptor = vertexDescriptor;
  d.hasVertexDescriptor = true;
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

void MVGcontext_vORBEX9_au::convexFill(const MVGcall& call) {
  MTLRenderCommandEncoder* e = renderEncoder;
  setUniforms(call.uniformOffset, call.image);
  e->setRenderPipelineState(pipelineState);
  if (call.indexCount > 0)
    e->drawIndexedPrimitives(MTLPrimitiveTypeTriangle, NSUInteger(call.indexCount), MTLIndexTypeUInt32,
                             buffers->indexBuffer, NSUInteger(call.indexOffset) * NSUInteger(indexSize));
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
  for (int i = 0; i < set->ncalls; i++) {
    const MVGcall& call = set->calls[i];
    updateRenderPipelineStatesForBlend(call.blend, target->pixelFormat());
    switch (call.type) {
      case MVG_FILL: fill(call); break;
      case MVG_CONVEXFILL: convexFill(call); break;
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
