// What encoders record into a command buffer and the execution thread replays.
#pragma once

#include <vector>

#include <Metal/MTLCommand.h>

struct MTLRecordedDraw {
  MTLRenderCommandEncoder::State state;
  MTLPrimitiveType type;
  NSUInteger start;  // first vertex, or byte offset into the index buffer
  NSUInteger count;
  bool indexed;
  MTLIndexType indexType;
  MTLBuffer* indexBuffer;
};

struct MTLRecordedBlit {
  enum Kind { Copy, Mipmaps } kind;
  MTLBuffer* source;
  NSUInteger sourceOffset, sourceBytesPerRow;
  MTLSize size;
  MTLTexture* texture;
  NSUInteger level;
  MTLOrigin origin;
};

struct MTLRecordedPass {
  bool render = false;
  MTLRenderPassDescriptor descriptor{};
  std::vector<MTLRecordedDraw> draws;
  std::vector<MTLRecordedBlit> blits;
};

namespace mtlsw {
// Replays a render pass on the execution thread (Rasterizer.cpp).
void executeRenderPass(const MTLRecordedPass& pass);
// Replays a blit pass (Blit in CommandBuffer.cpp).
void executeBlitPass(const MTLRecordedPass& pass);
}  // namespace mtlsw
