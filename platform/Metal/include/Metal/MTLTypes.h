// Scalar types, enumerations and small records of the Metal layer.
#pragma once

#include <cstddef>
#include <cstdint>

typedef unsigned long NSUInteger;
typedef long NSInteger;

enum MTLPixelFormat : NSUInteger {
  MTLPixelFormatInvalid = 0,
  MTLPixelFormatR8Unorm = 10,
  MTLPixelFormatRGBA8Unorm = 70,
  MTLPixelFormatBGRA8Unorm = 80,
  MTLPixelFormatStencil8 = 253,
};

// Bytes per texel of a format this layer stores; 0 for the invalid format.
inline NSUInteger MTLPixelFormatBytes(MTLPixelFormat f) {
  switch (f) {
    case MTLPixelFormatR8Unorm:
    case MTLPixelFormatStencil8:
      return 1;
    case MTLPixelFormatRGBA8Unorm:
    case MTLPixelFormatBGRA8Unorm:
      return 4;
    default:
      return 0;
  }
}

enum MTLBlendFactor : NSUInteger {
  MTLBlendFactorZero = 0,
  MTLBlendFactorOne = 1,
  MTLBlendFactorSourceColor = 2,
  MTLBlendFactorOneMinusSourceColor = 3,
  MTLBlendFactorSourceAlpha = 4,
  MTLBlendFactorOneMinusSourceAlpha = 5,
  MTLBlendFactorDestinationColor = 6,
  MTLBlendFactorOneMinusDestinationColor = 7,
  MTLBlendFactorDestinationAlpha = 8,
  MTLBlendFactorOneMinusDestinationAlpha = 9,
  MTLBlendFactorSourceAlphaSaturated = 10,
};

enum MTLBlendOperation : NSUInteger { MTLBlendOperationAdd = 0 };

enum MTLColorWriteMask : NSUInteger {
  MTLColorWriteMaskNone = 0,
  MTLColorWriteMaskRed = 8,
  MTLColorWriteMaskGreen = 4,
  MTLColorWriteMaskBlue = 2,
  MTLColorWriteMaskAlpha = 1,
  MTLColorWriteMaskAll = 15,
};

enum MTLCompareFunction : NSUInteger {
  MTLCompareFunctionNever = 0,
  MTLCompareFunctionLess = 1,
  MTLCompareFunctionEqual = 2,
  MTLCompareFunctionLessEqual = 3,
  MTLCompareFunctionGreater = 4,
  MTLCompareFunctionNotEqual = 5,
  MTLCompareFunctionGreaterEqual = 6,
  MTLCompareFunctionAlways = 7,
};

enum MTLStencilOperation : NSUInteger {
  MTLStencilOperationKeep = 0,
  MTLStencilOperationZero = 1,
  MTLStencilOperationReplace = 2,
  MTLStencilOperationIncrementClamp = 3,
  MTLStencilOperationDecrementClamp = 4,
  MTLStencilOperationInvert = 5,
  MTLStencilOperationIncrementWrap = 6,
  MTLStencilOperationDecrementWrap = 7,
};

enum MTLPrimitiveType : NSUInteger {
  MTLPrimitiveTypePoint = 0,
  MTLPrimitiveTypeLine = 1,
  MTLPrimitiveTypeLineStrip = 2,
  MTLPrimitiveTypeTriangle = 3,
  MTLPrimitiveTypeTriangleStrip = 4,
};

enum MTLIndexType : NSUInteger { MTLIndexTypeUInt16 = 0, MTLIndexTypeUInt32 = 1 };
enum MTLCullMode : NSUInteger { MTLCullModeNone = 0, MTLCullModeFront = 1, MTLCullModeBack = 2 };
enum MTLWinding : NSUInteger { MTLWindingClockwise = 0, MTLWindingCounterClockwise = 1 };

enum MTLLoadAction : NSUInteger { MTLLoadActionDontCare = 0, MTLLoadActionLoad = 1, MTLLoadActionClear = 2 };
enum MTLStoreAction : NSUInteger { MTLStoreActionDontCare = 0, MTLStoreActionStore = 1 };

enum MTLStorageMode : NSUInteger { MTLStorageModeShared = 0, MTLStorageModeManaged = 1, MTLStorageModePrivate = 2 };
enum MTLCPUCacheMode : NSUInteger { MTLCPUCacheModeDefaultCache = 0, MTLCPUCacheModeWriteCombined = 1 };

typedef NSUInteger MTLResourceOptions;
enum : NSUInteger {
  MTLResourceCPUCacheModeDefaultCache = 0,
  MTLResourceCPUCacheModeWriteCombined = 1,
  MTLResourceStorageModeShared = 0 << 4,
  MTLResourceStorageModeManaged = 1 << 4,
  MTLResourceStorageModePrivate = 2 << 4,
};

typedef NSUInteger MTLTextureUsage;
enum : NSUInteger {
  MTLTextureUsageUnknown = 0,
  MTLTextureUsageShaderRead = 1,
  MTLTextureUsageShaderWrite = 2,
  MTLTextureUsageRenderTarget = 4,
};

enum MTLTextureType : NSUInteger { MTLTextureType2D = 2 };

enum MTLSamplerMinMagFilter : NSUInteger { MTLSamplerMinMagFilterNearest = 0, MTLSamplerMinMagFilterLinear = 1 };
enum MTLSamplerMipFilter : NSUInteger {
  MTLSamplerMipFilterNotMipmapped = 0,
  MTLSamplerMipFilterNearest = 1,
  MTLSamplerMipFilterLinear = 2,
};
enum MTLSamplerAddressMode : NSUInteger {
  MTLSamplerAddressModeClampToEdge = 0,
  MTLSamplerAddressModeMirrorClampToEdge = 1,
  MTLSamplerAddressModeRepeat = 2,
  MTLSamplerAddressModeMirrorRepeat = 3,
  MTLSamplerAddressModeClampToZero = 4,
};

enum MTLVertexFormat : NSUInteger {
  MTLVertexFormatInvalid = 0,
  MTLVertexFormatFloat = 28,
  MTLVertexFormatFloat2 = 29,
  MTLVertexFormatFloat3 = 30,
  MTLVertexFormatFloat4 = 31,
};
enum MTLVertexStepFunction : NSUInteger { MTLVertexStepFunctionConstant = 0, MTLVertexStepFunctionPerVertex = 1 };

enum MTLCommandBufferStatus : NSUInteger {
  MTLCommandBufferStatusNotEnqueued = 0,
  MTLCommandBufferStatusEnqueued = 1,
  MTLCommandBufferStatusCommitted = 2,
  MTLCommandBufferStatusScheduled = 3,
  MTLCommandBufferStatusCompleted = 4,
  MTLCommandBufferStatusError = 5,
};

struct MTLOrigin {
  NSUInteger x, y, z;
};
struct MTLSize {
  NSUInteger width, height, depth;
};
struct MTLRegion {
  MTLOrigin origin;
  MTLSize size;
};
inline MTLOrigin MTLOriginMake(NSUInteger x, NSUInteger y, NSUInteger z) { return MTLOrigin{x, y, z}; }
inline MTLSize MTLSizeMake(NSUInteger w, NSUInteger h, NSUInteger d) { return MTLSize{w, h, d}; }
inline MTLRegion MTLRegionMake2D(NSUInteger x, NSUInteger y, NSUInteger w, NSUInteger h) {
  return MTLRegion{{x, y, 0}, {w, h, 1}};
}

struct MTLClearColor {
  double red, green, blue, alpha;
};
inline MTLClearColor MTLClearColorMake(double r, double g, double b, double a) { return MTLClearColor{r, g, b, a}; }

struct MTLViewport {
  double originX, originY, width, height, znear, zfar;
};

// Pixels outside the scissor rectangle are not drawn.
struct MTLScissorRect {
  NSUInteger x, y, width, height;
};

// Largest texture side and buffer length the device accepts.
inline constexpr NSUInteger kMTLMaxTextureSide = 16384;
inline constexpr NSUInteger kMTLMaxBufferLength = NSUInteger(1) << 30;
