// The software device: makes every Metal object of this layer. Objects returned by
// new... functions carry one reference for the caller. Thread safe.
#pragma once

#include <dispatch/dispatch.h>

#include <mutex>

#include <Metal/MTLCommand.h>
#include <Metal/MTLLibrary.h>
#include <Metal/MTLPipeline.h>
#include <Metal/MTLResource.h>

class MTLDevice : public MTLObject {
 public:
  const char* name() const { return "ORBEX software renderer"; }

  MTLCommandQueue* newCommandQueue();
  // Null when length is 0, above kMTLMaxBufferLength or cannot be allocated. New buffers
  // are zero-filled.
  MTLBuffer* newBufferWithLength(NSUInteger length, MTLResourceOptions options);
  MTLBuffer* newBufferWithBytes(const void* bytes, NSUInteger length, MTLResourceOptions options);
  // Null for an unsupported format, a side of 0 or above kMTLMaxTextureSide, or no memory.
  MTLTexture* newTextureWithDescriptor(const MTLTextureDescriptor& descriptor);
  MTLSamplerState* newSamplerStateWithDescriptor(const MTLSamplerDescriptor& descriptor);
  MTLLibrary* newLibraryWithData(dispatch_data_t data, MTLError** error);
  MTLRenderPipelineState* newRenderPipelineStateWithDescriptor(const MTLRenderPipelineDescriptor& descriptor,
                                                               MTLError** error);
  MTLDepthStencilState* newDepthStencilStateWithDescriptor(const MTLDepthStencilDescriptor& descriptor);

  // Held while a command buffer executes and while the CPU copies texture regions.
  std::mutex& executionLock() { return execution_; }

 private:
  friend MTLDevice* MTLCreateSystemDefaultDevice();
  MTLDevice() = default;
  std::mutex execution_;
};

// A new device (one reference for the caller).
MTLDevice* MTLCreateSystemDefaultDevice();
