// Command queues, command buffers and their encoders. Encoders record; a committed
// command buffer is executed in commit order on its queue's execution thread (the
// software GPU), which then runs the buffer's completed handlers on that same thread.
#pragma once

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include <Metal/MTLPipeline.h>
#include <Metal/MTLResource.h>

class MTLDevice;
class MTLCommandQueue;
class MTLCommandBuffer;
struct MTLRecordedPass;

// Something presentable (a layer's drawable).
class MTLDrawable : public MTLObject {
 public:
  virtual void present() = 0;
};

struct MTLRenderPassColorAttachmentDescriptor {
  MTLTexture* texture = nullptr;
  MTLLoadAction loadAction = MTLLoadActionDontCare;
  MTLStoreAction storeAction = MTLStoreActionStore;
  MTLClearColor clearColor{0, 0, 0, 1};
};

struct MTLRenderPassStencilAttachmentDescriptor {
  MTLTexture* texture = nullptr;
  MTLLoadAction loadAction = MTLLoadActionDontCare;
  MTLStoreAction storeAction = MTLStoreActionDontCare;
  uint32_t clearStencil = 0;
};

struct MTLRenderPassDescriptor {
  MTLRenderPassColorAttachmentDescriptor colorAttachments[1];
  MTLRenderPassStencilAttachmentDescriptor stencilAttachment;
};

class MTLCommandEncoder {
 public:
  virtual ~MTLCommandEncoder() = default;
  void endEncoding() { ended_ = true; }
  bool isEnded() const { return ended_; }

 protected:
  bool ended_ = false;
};

// Owned by its command buffer. Calls after endEncoding are ignored.
class MTLRenderCommandEncoder : public MTLCommandEncoder {
 public:
  void setRenderPipelineState(MTLRenderPipelineState* state);
  void setDepthStencilState(MTLDepthStencilState* state);
  void setCullMode(MTLCullMode mode) { state_.cull = mode; }
  void setFrontFacingWinding(MTLWinding winding) { state_.winding = winding; }
  void setStencilReferenceValue(uint32_t ref) { state_.stencilRefFront = state_.stencilRefBack = ref; }
  void setStencilFrontReferenceValue(uint32_t front, uint32_t back) {
    state_.stencilRefFront = front;
    state_.stencilRefBack = back;
  }
  void setViewport(MTLViewport viewport) { state_.viewport = viewport; }
  // Draws are limited to the rectangle (clipped to the attachments); the whole target
  // until set.
  void setScissorRect(MTLScissorRect rect) {
    state_.scissor = rect;
    state_.hasScissor = true;
  }
  void setVertexBuffer(MTLBuffer* buffer, NSUInteger offset, NSUInteger index);
  void setVertexBufferOffset(NSUInteger offset, NSUInteger index);
  void setFragmentBuffer(MTLBuffer* buffer, NSUInteger offset, NSUInteger index);
  void setFragmentBufferOffset(NSUInteger offset, NSUInteger index);
  void setFragmentTexture(MTLTexture* texture, NSUInteger index);
  void setFragmentSamplerState(MTLSamplerState* sampler, NSUInteger index);

  void drawPrimitives(MTLPrimitiveType type, NSUInteger vertexStart, NSUInteger vertexCount);
  void drawIndexedPrimitives(MTLPrimitiveType type, NSUInteger indexCount, MTLIndexType indexType,
                             MTLBuffer* indexBuffer, NSUInteger indexBufferOffset);

  // The state a draw is recorded with.
  struct State {
    MTLRenderPipelineState* pipeline = nullptr;
    MTLDepthStencilState* depthStencil = nullptr;
    MTLCullMode cull = MTLCullModeNone;
    MTLWinding winding = MTLWindingClockwise;
    uint32_t stencilRefFront = 0, stencilRefBack = 0;
    MTLViewport viewport{0, 0, 0, 0, 0, 1};
    MTLScissorRect scissor{0, 0, 0, 0};
    bool hasScissor = false;
    MTLBuffer* vertexBuffers[kMTLMaxBufferBindings] = {};
    NSUInteger vertexOffsets[kMTLMaxBufferBindings] = {};
    MTLBuffer* fragmentBuffers[kMTLMaxBufferBindings] = {};
    NSUInteger fragmentOffsets[kMTLMaxBufferBindings] = {};
    MTLTexture* textures[kMTLMaxTextureBindings] = {};
    MTLSamplerState* samplers[kMTLMaxTextureBindings] = {};
  };

 private:
  friend class MTLCommandBuffer;
  MTLRenderCommandEncoder(MTLCommandBuffer* cb, MTLRecordedPass* pass);
  MTLCommandBuffer* cb_;
  MTLRecordedPass* pass_;
  State state_;
};

class MTLBlitCommandEncoder : public MTLCommandEncoder {
 public:
  void copyFromBuffer(MTLBuffer* source, NSUInteger sourceOffset, NSUInteger sourceBytesPerRow,
                      NSUInteger sourceBytesPerImage, MTLSize sourceSize, MTLTexture* destination,
                      NSUInteger destinationSlice, NSUInteger destinationLevel, MTLOrigin destinationOrigin);
  void generateMipmapsForTexture(MTLTexture* texture);
  void synchronizeResource(MTLObject* resource);

 private:
  friend class MTLCommandBuffer;
  MTLBlitCommandEncoder(MTLCommandBuffer* cb, MTLRecordedPass* pass);
  MTLCommandBuffer* cb_;
  MTLRecordedPass* pass_;
};

// What one recorded draw was encoded with (for inspection of a command buffer).
struct MTLDrawSummary {
  MTLPrimitiveType type;
  NSUInteger start;  // first vertex, or byte offset into the index buffer
  NSUInteger count;
  bool indexed;
  const MTLRenderPipelineState* pipeline;
  const MTLDepthStencilState* depthStencil;
  MTLCullMode cull;
  NSUInteger fragmentOffset;  // offset of fragment buffer 0
};

class MTLCommandBuffer : public MTLObject {
 public:
  // The draws recorded so far, over all render passes, in order.
  std::vector<MTLDrawSummary> drawSummaries() const;

  typedef std::function<void(MTLCommandBuffer*)> Handler;

  // Encoders are owned by the command buffer. Null once committed or while another
  // encoder of this buffer has not ended.
  MTLRenderCommandEncoder* renderCommandEncoderWithDescriptor(const MTLRenderPassDescriptor& descriptor);
  MTLBlitCommandEncoder* blitCommandEncoder();

  void addCompletedHandler(Handler handler);
  void addScheduledHandler(Handler handler);
  void presentDrawable(MTLDrawable* drawable);
  void enqueue();
  void commit();
  void waitUntilScheduled();
  void waitUntilCompleted();
  MTLCommandBufferStatus status() const;
  MTLCommandQueue* commandQueue() const { return queue_; }
  MTLDevice* device() const;

  // Keeps an object alive until the buffer has completed (used by the encoders).
  void keepAlive(MTLObject* object);

 private:
  friend class MTLCommandQueue;
  explicit MTLCommandBuffer(MTLCommandQueue* queue);
  ~MTLCommandBuffer() override;
  void execute();
  void setStatus(MTLCommandBufferStatus status);
  bool encoderOpen() const;

  MTLCommandQueue* queue_;
  std::vector<std::unique_ptr<MTLRecordedPass>> passes_;
  std::vector<std::unique_ptr<MTLCommandEncoder>> encoders_;
  std::vector<MTLObject*> retained_;
  std::vector<MTLDrawable*> drawables_;
  std::vector<Handler> completed_;
  std::vector<Handler> scheduled_;
  mutable std::mutex mutex_;
  std::condition_variable cv_;
  MTLCommandBufferStatus status_ = MTLCommandBufferStatusNotEnqueued;
  bool finished_ = false;  // executed and every completed handler returned
};

class MTLCommandQueue : public MTLObject {
 public:
  // A new command buffer (one reference for the caller); null when out of memory.
  MTLCommandBuffer* commandBuffer();
  MTLDevice* device() const { return device_; }

 private:
  friend class MTLDevice;
  friend class MTLCommandBuffer;
  explicit MTLCommandQueue(MTLDevice* device);
  ~MTLCommandQueue() override;
  void submit(MTLCommandBuffer* cb);
  static void executeBuffer(MTLCommandBuffer* cb);
  struct Worker;
  MTLDevice* device_;
  std::shared_ptr<Worker> worker_;
};
