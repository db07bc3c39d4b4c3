// Recording of render and blit commands.
#include <Metal/MTLCommand.h>

#include "Recorded.h"

MTLRenderCommandEncoder::MTLRenderCommandEncoder(MTLCommandBuffer* cb, MTLRecordedPass* pass) : cb_(cb), pass_(pass) {
  const MTLTexture* t = pass->descriptor.colorAttachments[0].texture;
  if (!t) t = pass->descriptor.stencilAttachment.texture;
  if (t) state_.viewport = MTLViewport{0, 0, double(t->width()), double(t->height()), 0, 1};
}

void MTLRenderCommandEncoder::setRenderPipelineState(MTLRenderPipelineState* state) {
  if (ended_) return;
  cb_->keepAlive(state);
  state_.pipeline = state;
}

void MTLRenderCommandEncoder::setDepthStencilState(MTLDepthStencilState* state) {
  if (ended_) return;
  cb_->keepAlive(state);
  state_.depthStencil = state;
}

void MTLRenderCommandEncoder::setVertexBuffer(MTLBuffer* buffer, NSUInteger offset, NSUInteger index) {
  if (ended_ || index >= NSUInteger(kMTLMaxBufferBindings)) return;
  cb_->keepAlive(buffer);
  state_.vertexBuffers[index] = buffer;
  state_.vertexOffsets[index] = offset;
}

void MTLRenderCommandEncoder::setVertexBufferOffset(NSUInteger offset, NSUInteger index) {
  if (ended_ || index >= NSUInteger(kMTLMaxBufferBindings)) return;
  state_.vertexOffsets[index] = offset;
}

void MTLRenderCommandEncoder::setFragmentBuffer(MTLBuffer* buffer, NSUInteger offset, NSUInteger index) {
  if (ended_ || index >= NSUInteger(kMTLMaxBufferBindings)) return;
  cb_->keepAlive(buffer);
  state_.fragmentBuffers[index] = buffer;
  state_.fragmentOffsets[index] = offset;
}

void MTLRenderCommandEncoder::setFragmentBufferOffset(NSUInteger offset, NSUInteger index) {
  if (ended_ || index >= NSUInteger(kMTLMaxBufferBindings)) return;
  state_.fragmentOffsets[index] = offset;
}

void MTLRenderCommandEncoder::setFragmentTexture(MTLTexture* texture, NSUInteger index) {
  if (ended_ || index >= NSUInteger(kMTLMaxTextureBindings)) return;
  if (texture != state_.textures[index]) cb_->keepAlive(texture);
  state_.textures[index] = texture;
}

void MTLRenderCommandEncoder::setFragmentSamplerState(MTLSamplerState* sampler, NSUInteger index) {
  if (ended_ || index >= NSUInteger(kMTLMaxTextureBindings)) return;
  if (sampler != state_.samplers[index]) cb_->keepAlive(sampler);
  state_.samplers[index] = sampler;
}

void MTLRenderCommandEncoder::drawPrimitives(MTLPrimitiveType type, NSUInteger vertexStart, NSUInteger vertexCount) {
  if (ended_ || vertexCount == 0) return;
  pass_->draws.push_back(MTLRecordedDraw{state_, type, vertexStart, vertexCount, false, MTLIndexTypeUInt32, nullptr});
}

void MTLRenderCommandEncoder::drawIndexedPrimitives(MTLPrimitiveType type, NSUInteger indexCount,
                                                    MTLIndexType indexType, MTLBuffer* indexBuffer,
                                                    NSUInteger indexBufferOffset) {
  if (ended_ || indexCount == 0 || !indexBuffer) return;
  cb_->keepAlive(indexBuffer);
  pass_->draws.push_back(MTLRecordedDraw{state_, type, indexBufferOffset, indexCount, true, indexType, indexBuffer});
}

MTLBlitCommandEncoder::MTLBlitCommandEncoder(MTLCommandBuffer* cb, MTLRecordedPass* pass) : cb_(cb), pass_(pass) {}

void MTLBlitCommandEncoder::copyFromBuffer(MTLBuffer* source, NSUInteger sourceOffset, NSUInteger sourceBytesPerRow,
                                           NSUInteger, MTLSize sourceSize, MTLTexture* destination, NSUInteger,
                                           NSUInteger destinationLevel, MTLOrigin destinationOrigin) {
  if (ended_ || !source || !destination) return;
  cb_->keepAlive(source);
  cb_->keepAlive(destination);
  pass_->blits.push_back(MTLRecordedBlit{MTLRecordedBlit::Copy, source, sourceOffset, sourceBytesPerRow, sourceSize,
                                         destination, destinationLevel, destinationOrigin});
}

void MTLBlitCommandEncoder::generateMipmapsForTexture(MTLTexture* texture) {
  if (ended_ || !texture) return;
  cb_->keepAlive(texture);
  pass_->blits.push_back(MTLRecordedBlit{MTLRecordedBlit::Mipmaps, nullptr, 0, 0, {}, texture, 0, {}});
}

void MTLBlitCommandEncoder::synchronizeResource(MTLObject*) {}

namespace mtlsw {

void executeBlitPass(const MTLRecordedPass& pass) {
  for (const MTLRecordedBlit& b : pass.blits) {
    MTLTexture* t = b.texture;
    if (b.kind == MTLRecordedBlit::Mipmaps) {
      t->generateMipmaps();
      continue;
    }
    if (b.level >= t->mipmapLevelCount()) continue;
    const NSUInteger lw = t->levelWidth(b.level), lh = t->levelHeight(b.level), tb = t->texelBytes();
    if (b.origin.x > lw || b.size.width > lw - b.origin.x || b.origin.y > lh || b.size.height > lh - b.origin.y)
      continue;
    const NSUInteger rowBytes = b.size.width * tb;
    if (b.sourceBytesPerRow < rowBytes || b.size.height == 0) continue;
    const NSUInteger need = b.sourceOffset + (b.size.height - 1) * b.sourceBytesPerRow + rowBytes;
    if (need > b.source->length() || need < b.sourceOffset) continue;
    const auto* src = static_cast<const unsigned char*>(b.source->contents()) + b.sourceOffset;
    unsigned char* dst = t->levelBytes(b.level);
    for (NSUInteger y = 0; y < b.size.height; y++)
      std::copy(src + y * b.sourceBytesPerRow, src + y * b.sourceBytesPerRow + rowBytes,
                dst + ((b.origin.y + y) * lw + b.origin.x) * tb);
  }
}

}  // namespace mtlsw
