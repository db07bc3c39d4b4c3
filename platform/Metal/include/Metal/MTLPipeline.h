// Render pipelines (vertex layout, programs, colour blending) and depth-stencil states.
#pragma once

#include <Metal/MTLLibrary.h>
#include <Metal/MTLObject.h>
#include <Metal/MTLTypes.h>

struct MTLVertexAttributeDescriptor {
  MTLVertexFormat format = MTLVertexFormatInvalid;
  NSUInteger offset = 0;
  NSUInteger bufferIndex = 0;
};

struct MTLVertexBufferLayoutDescriptor {
  NSUInteger stride = 0;
  MTLVertexStepFunction stepFunction = MTLVertexStepFunctionPerVertex;
  NSUInteger stepRate = 1;
};

struct MTLVertexDescriptor {
  MTLVertexAttributeDescriptor attributes[kMTLMaxAttributes];
  MTLVertexBufferLayoutDescriptor layouts[kMTLMaxBufferBindings];
};

struct MTLRenderPipelineColorAttachmentDescriptor {
  MTLPixelFormat pixelFormat = MTLPixelFormatInvalid;
  bool blendingEnabled = false;
  MTLBlendFactor sourceRGBBlendFactor = MTLBlendFactorOne;
  MTLBlendFactor destinationRGBBlendFactor = MTLBlendFactorZero;
  MTLBlendOperation rgbBlendOperation = MTLBlendOperationAdd;
  MTLBlendFactor sourceAlphaBlendFactor = MTLBlendFactorOne;
  MTLBlendFactor destinationAlphaBlendFactor = MTLBlendFactorZero;
  MTLBlendOperation alphaBlendOperation = MTLBlendOperationAdd;
  NSUInteger writeMask = MTLColorWriteMaskAll;
};

// The descriptor does not own its functions: they must outlive the creation call.
struct MTLRenderPipelineDescriptor {
  MTLFunction* vertexFunction = nullptr;
  MTLFunction* fragmentFunction = nullptr;
  MTLVertexDescriptor vertexDescriptor{};
  bool hasVertexDescriptor = false;
  MTLRenderPipelineColorAttachmentDescriptor colorAttachments[1];
  MTLPixelFormat stencilAttachmentPixelFormat = MTLPixelFormatInvalid;
};

class MTLRenderPipelineState : public MTLObject {
 public:
  const MTLRenderPipelineColorAttachmentDescriptor& colorAttachment() const { return color_; }
  const MTLVertexDescriptor& vertexDescriptor() const { return vertexDescriptor_; }
  MTLVertexProgram vertexProgram() const { return vertex_; }
  MTLFragmentProgram fragmentProgram() const { return fragment_; }  // null: no colour output
  int varyingCount() const { return varyings_; }
  MTLPixelFormat stencilPixelFormat() const { return stencilFormat_; }

 private:
  friend class MTLDevice;
  MTLRenderPipelineState() = default;
  MTLRenderPipelineColorAttachmentDescriptor color_{};
  MTLVertexDescriptor vertexDescriptor_{};
  MTLVertexProgram vertex_ = nullptr;
  MTLFragmentProgram fragment_ = nullptr;
  int varyings_ = 0;
  MTLPixelFormat stencilFormat_ = MTLPixelFormatInvalid;
};

struct MTLStencilDescriptor {
  MTLCompareFunction stencilCompareFunction = MTLCompareFunctionAlways;
  MTLStencilOperation stencilFailureOperation = MTLStencilOperationKeep;
  MTLStencilOperation depthFailureOperation = MTLStencilOperationKeep;
  MTLStencilOperation depthStencilPassOperation = MTLStencilOperationKeep;
  uint32_t readMask = 0xFF;
  uint32_t writeMask = 0xFF;
};

// Without a depth attachment the depth test always passes; a face whose stencil
// descriptor is left at its defaults neither tests nor changes the stencil.
struct MTLDepthStencilDescriptor {
  MTLCompareFunction depthCompareFunction = MTLCompareFunctionAlways;
  bool depthWriteEnabled = false;
  MTLStencilDescriptor frontFaceStencil{};
  MTLStencilDescriptor backFaceStencil{};
};

class MTLDepthStencilState : public MTLObject {
 public:
  const MTLDepthStencilDescriptor& descriptor() const { return d_; }
  // True when some face tests or changes the stencil.
  bool usesStencil() const { return usesStencil_; }

 private:
  friend class MTLDevice;
  explicit MTLDepthStencilState(const MTLDepthStencilDescriptor& d);
  MTLDepthStencilDescriptor d_;
  bool usesStencil_;
};
