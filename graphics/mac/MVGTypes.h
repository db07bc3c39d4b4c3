// Records of the Metal renderer: draw calls, their blend factors, the uniform record the
// fragment programs read, and offscreen framebuffers.
#pragma once

#include <Metal/Metal.h>

#include <cstddef>
#include <cstdint>

namespace fx::gfx {

struct VGcontext;

// Blend factors of a draw call.
struct MVGblend {
  MTLBlendFactor srcRGB;
  MTLBlendFactor dstRGB;
  MTLBlendFactor srcAlpha;
  MTLBlendFactor dstAlpha;
};

enum MVGcallType : int32_t { MVG_NONE = 0, MVG_FILL = 1, MVG_CONVEXFILL = 2, MVG_STROKE = 3, MVG_TRIANGLES = 4 };

// One recorded draw call. Offsets and counts are in vertices / indexes of the current
// buffer set; uniformOffset is a byte offset into its uniform buffer.
struct MVGcall {
  int32_t type;
  int32_t image;
  int32_t pathOffset;
  int32_t pathCount;
  int32_t triangleOffset;
  int32_t triangleCount;
  int32_t indexOffset;
  int32_t indexCount;
  int32_t strokeOffset;
  int32_t strokeCount;
  int32_t uniformOffset;
  MVGblend blend;
};

enum MVGshaderType : int32_t { MVG_SHADER_FILLGRAD = 0, MVG_SHADER_FILLIMG = 1, MVG_SHADER_IMG = 2 };
enum MVGtexType : int32_t { MVG_TEX_PREMULT = 0, MVG_TEX_STRAIGHT = 1, MVG_TEX_ALPHA = 2 };

// The uniform record of one draw (fragment buffer 0). Matrices are three float4 columns
// of a 3x3 affine inverse: (a, b, 0, 0), (c, d, 0, 0), (e, f, 1, 0).
struct MVGfragUniforms {
  float scissorMat[12];
  float paintMat[12];
  float innerCol[4];
  float outerCol[4];
  float scissorExt[2];
  float scissorScale[2];
  float extent[2];
  float radius;
  float feather;
  float strokeMult;
  float strokeThr;
  int32_t texType;
  int32_t type;
};
static_assert(offsetof(MVGfragUniforms, paintMat) == 48);
static_assert(offsetof(MVGfragUniforms, innerCol) == 96);
static_assert(offsetof(MVGfragUniforms, scissorExt) == 128);
static_assert(offsetof(MVGfragUniforms, extent) == 144);
static_assert(offsetof(MVGfragUniforms, strokeMult) == 160);
static_assert(offsetof(MVGfragUniforms, texType) == 168);
static_assert(sizeof(MVGfragUniforms) == 176);

// Offscreen render target: the renderer context and the id of its RGBA image.
struct MVGframebuffer {
  VGcontext* ctx;
  int32_t image;
  int32_t unused;
};

// Creation flags of the renderer context.
enum MVGcreateFlags : int32_t {
  MVG_ANTIALIAS = 1,
  MVG_STENCIL_STROKES = 2,
  MVG_DEBUG = 4,
  MVG_DOUBLE_BUFFER = 0x1000,
  MVG_TRIPLE_BUFFER = 0x2000,
};

}  // namespace fx::gfx
