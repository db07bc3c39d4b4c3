// Records the vector renderer hands to its back end, and the back end's table of
// twelve callbacks. A back end (the Metal renderer) fills a VGrenderer and passes it
// to vgrCreateContext; everything that leaves the renderer passes through these types.
// Thread: all callbacks run on the thread that owns the VGcontext (the editor's main thread).
#pragma once

#include <cstdint>

namespace fx::gfx {

// Colour of four straight-alpha floats, nominally 0..1.
struct VGcolor {
  union {
    float rgba[4];
    struct {
      float r, g, b, a;
    };
  };
};

// Paint: transform from paint space to frame space, gradient box or image size,
// corner/mid radius, ramp width, the two colours and an image id (0 = none).
struct VGpaint {
  float xform[6];
  float extent[2];
  float radius;
  float feather;
  VGcolor innerColor;
  VGcolor outerColor;
  int32_t image;
};

// One bit per blend factor.
enum VGblendFactorBits : int32_t {
  VG_ZERO = 1 << 0,
  VG_ONE = 1 << 1,
  VG_SRC_COLOR = 1 << 2,
  VG_ONE_MINUS_SRC_COLOR = 1 << 3,
  VG_DST_COLOR = 1 << 4,
  VG_ONE_MINUS_DST_COLOR = 1 << 5,
  VG_SRC_ALPHA = 1 << 6,
  VG_ONE_MINUS_SRC_ALPHA = 1 << 7,
  VG_DST_ALPHA = 1 << 8,
  VG_ONE_MINUS_DST_ALPHA = 1 << 9,
  VG_SRC_ALPHA_SATURATE = 1 << 10,
};

// Source and destination factors for colour and alpha (VGblendFactorBits).
struct VGcompositeOperationState {
  int32_t srcRGB;
  int32_t dstRGB;
  int32_t srcAlpha;
  int32_t dstAlpha;
};

// Scissor: transform from scissor space (centred on the rectangle) to frame space and
// half extent. extent[0] < 0 means no scissor.
struct VGscissor {
  float xform[6];
  float extent[2];
};

// Renderer image flags; the renderer passes them through to the back end untouched.
enum VGimageFlags : int32_t {
  VG_IMAGE_GENERATE_MIPMAPS = 1 << 0,
  VG_IMAGE_REPEATX = 1 << 1,
  VG_IMAGE_REPEATY = 1 << 2,
  VG_IMAGE_FLIPY = 1 << 3,
  VG_IMAGE_PREMULTIPLIED = 1 << 4,
  VG_IMAGE_NEAREST = 1 << 5,
  VG_IMAGE_NODELETE = 1 << 16,
};

// Texture types of renderCreateTexture.
enum VGtextureType : int32_t {
  VG_TEXTURE_ALPHA = 1,  // one byte per texel
  VG_TEXTURE_RGBA = 2,   // four bytes per texel
};

// One vertex as the back end receives it (16 bytes): frame position and coverage
// coordinates.
struct VGvertex {
  float x, y, u, v;
};

// One tessellated path. Fill vertices form a triangle fan, stroke vertices (a stroke or
// the anti-aliasing fringe of a fill) a triangle strip.
struct VGpath {
  int32_t first;
  int32_t count;
  uint8_t closed;
  int32_t nbevel;
  VGvertex* fill;
  int32_t nfill;
  VGvertex* stroke;
  int32_t nstroke;
  int32_t winding;
  int32_t convex;
};

// The back end's callback table. The context keeps a copy; userPtr is handed as the
// first argument to every callback. renderDelete may be null.
struct VGrenderer {
  void* userPtr;
  int32_t edgeAntiAlias;

  int (*renderCreate)(void* uptr);
  int (*renderCreateTexture)(void* uptr, int type, int w, int h, int imageFlags, const unsigned char* data);
  int (*renderDeleteTexture)(void* uptr, int image);
  int (*renderUpdateTexture)(void* uptr, int image, int x, int y, int w, int h, const unsigned char* data);
  int (*renderGetTextureSize)(void* uptr, int image, int* w, int* h);
  void (*renderViewport)(void* uptr, float width, float height, float devicePixelRatio);
  void (*renderCancel)(void* uptr);
  void (*renderFlush)(void* uptr);
  void (*renderFill)(void* uptr, VGpaint* paint, VGcompositeOperationState compositeOperation, VGscissor* scissor,
                     float fringe, const float* bounds, const VGpath* paths, int npaths);
  void (*renderStroke)(void* uptr, VGpaint* paint, VGcompositeOperationState compositeOperation, VGscissor* scissor,
                       float fringe, float strokeWidth, const VGpath* paths, int npaths);
  void (*renderTriangles)(void* uptr, VGpaint* paint, VGcompositeOperationState compositeOperation,
                          VGscissor* scissor, const VGvertex* verts, int nverts, float fringe);
  void (*renderDelete)(void* uptr);
};

}  // namespace fx::gfx
