// The vector renderer: an immediate-mode 2-D renderer over plain records and free
// functions taking the context first. Paths, paints, images and text are tessellated
// here and leave through the back end's VGrenderer callbacks in frame pixels with
// straight-alpha colours.
// Thread: a context and everything it owns is used from one thread (the editor's main
// thread); nothing here takes a lock.
#pragma once

#include <cstdint>

#include "vector/Fstash.h"
#include "vector/VGRenderer.h"
#include "vector/VGTextAlign.h"
#include "vector/VGTransform.h"

namespace fx::gfx {

enum VGcompositeOp : int {
  VG_SOURCE_OVER,
  VG_SOURCE_IN,
  VG_SOURCE_OUT,
  VG_ATOP,
  VG_DESTINATION_OVER,
  VG_DESTINATION_IN,
  VG_DESTINATION_OUT,
  VG_DESTINATION_ATOP,
  VG_LIGHTER,
  VG_COPY,
  VG_XOR,
};

enum VGjoinStyle : int { VG_ROUND = 1, VG_BEVEL = 3, VG_MITER = 4 };
enum VGcapStyle : int { VG_BUTT = 0, VG_CAP_ROUND = 1, VG_SQUARE = 2 };

// Winding of a path (1 solid, 2 hole) and sweep direction of vgrArc.
enum VGfillWinding : int { VG_CCW = 1, VG_CW = 2, VG_SOLID = 1, VG_HOLE = 2 };

// Codes of the path command buffer.
enum VGcommand : int { VG_MOVETO = 0, VG_LINETO = 1, VG_BEZIERTO = 2, VG_CLOSE = 3, VG_WINDING = 4 };

// Flags of a flattened point.
enum VGpointFlags : uint8_t { VG_PT_CORNER = 0x01, VG_PT_LEFT = 0x02, VG_PT_BEVEL = 0x04, VG_PT_INNERBEVEL = 0x08 };

enum : int { VG_MAX_STATES = 32, VG_MAX_FONTIMAGES = 4, VG_INIT_COMMANDS = 256, VG_INIT_POINTS = 128,
             VG_INIT_PATHS = 16, VG_INIT_VERTS = 256, VG_INIT_FONTIMAGE_SIZE = 512, VG_MAX_FONTIMAGE_SIZE = 2048 };

struct VGdrawState {
  VGcompositeOperationState compositeOperation;
  int32_t shapeAntiAlias;
  VGpaint fill;
  VGpaint stroke;
  float strokeWidth;
  float miterLimit;
  int32_t lineJoin;
  int32_t lineCap;
  float alpha;
  float xform[6];
  VGscissor scissor;
  float fontSize;
  float letterSpacing;
  float lineHeight;
  float fontBlur;
  int32_t textAlign;
  int32_t fontId;
};

struct VGflatPoint {
  float x, y;
  float dx, dy;
  float len;
  float dmx, dmy;
  uint8_t flags;
};

struct VGtessCache {
  VGflatPoint* points;
  int32_t npoints;
  int32_t cpoints;
  VGpath* paths;
  int32_t npaths;
  int32_t cpaths;
  VGvertex* verts;
  int32_t cverts;
  float bounds[4];
};

struct VGcontext {
  VGrenderer params;
  float* commands;
  int32_t ccommands;
  int32_t ncommands;
  float commandx, commandy;
  VGdrawState states[VG_MAX_STATES];
  int32_t nstates;
  VGtessCache* cache;
  float tessTol;
  float distTol;
  float fringeWidth;
  float devicePxRatio;
  FstashContext* fs;
  int32_t fontImages[VG_MAX_FONTIMAGES];
  int32_t fontImageIdx;
  // Set by the font stash when a glyph did not fit the atlas; only that grows the atlas.
  int32_t fontAtlasFull;
};

// Context and frame.
VGcontext* vgrCreateContext(const VGrenderer* params);
void vgrDeleteContext(VGcontext* ctx);
void vgrBeginFrame(VGcontext* ctx, float windowWidth, float windowHeight, float devicePixelRatio);
void vgrCancelFrame(VGcontext* ctx);
void vgrEndFrame(VGcontext* ctx);

// State.
void vgrSave(VGcontext* ctx);
void vgrRestore(VGcontext* ctx);
void vgrReset(VGcontext* ctx);
void vgrSetShapeAntiAlias(VGcontext* ctx, int enabled);
void vgrSetStrokeWidth(VGcontext* ctx, float width);
void vgrSetMiterLimit(VGcontext* ctx, float limit);
void vgrSetLineCap(VGcontext* ctx, int cap);
void vgrSetLineJoin(VGcontext* ctx, int join);
void vgrSetGlobalAlpha(VGcontext* ctx, float alpha);
void vgrSetStrokeColor(VGcontext* ctx, VGcolor color);
void vgrSetStrokePaint(VGcontext* ctx, VGpaint paint);
void vgrSetFillColor(VGcontext* ctx, VGcolor color);
void vgrSetFillPaint(VGcontext* ctx, VGpaint paint);
void vgrSetCompositeOperation(VGcontext* ctx, int op);
void vgrSetBlendFunc(VGcontext* ctx, int sfactor, int dfactor);
void vgrSetBlendFuncSeparate(VGcontext* ctx, int srcRGB, int dstRGB, int srcAlpha, int dstAlpha);

// Current transform.
void vgrResetTransform(VGcontext* ctx);
void vgrApplyTransform(VGcontext* ctx, float a, float b, float c, float d, float e, float f);
void vgrTranslate(VGcontext* ctx, float x, float y);
void vgrRotate(VGcontext* ctx, float angle);
void vgrSkewX(VGcontext* ctx, float angle);
void vgrSkewY(VGcontext* ctx, float angle);
void vgrScale(VGcontext* ctx, float x, float y);
void vgrGetCurrentTransform(VGcontext* ctx, float* xform);

// Paints (do not change the state).
VGpaint vgrLinearGradient(VGcontext* ctx, float sx, float sy, float ex, float ey, VGcolor icol, VGcolor ocol);
VGpaint vgrBoxGradient(VGcontext* ctx, float x, float y, float w, float h, float r, float f, VGcolor icol,
                       VGcolor ocol);
VGpaint vgrRadialGradient(VGcontext* ctx, float cx, float cy, float inr, float outr, VGcolor icol, VGcolor ocol);
VGpaint vgrImagePattern(VGcontext* ctx, float ox, float oy, float ex, float ey, float angle, int image, float alpha);

// Images.
int vgrCreateImageFromFile(VGcontext* ctx, const char* filename, int imageFlags);
int vgrCreateImageFromMemory(VGcontext* ctx, int imageFlags, const unsigned char* data, int ndata);
void vgrUpdateImage(VGcontext* ctx, int image, const unsigned char* data);
void vgrGetImageSize(VGcontext* ctx, int image, int* w, int* h);

// Scissor.
void vgrSetScissor(VGcontext* ctx, float x, float y, float w, float h);
void vgrIntersectScissor(VGcontext* ctx, float x, float y, float w, float h);
void vgrResetScissor(VGcontext* ctx);

// Paths.
void vgrBeginPath(VGcontext* ctx);
void vgrMoveTo(VGcontext* ctx, float x, float y);
void vgrLineTo(VGcontext* ctx, float x, float y);
void vgrBezierTo(VGcontext* ctx, float c1x, float c1y, float c2x, float c2y, float x, float y);
void vgrQuadTo(VGcontext* ctx, float cx, float cy, float x, float y);
void vgrArcTo(VGcontext* ctx, float x1, float y1, float x2, float y2, float radius);
void vgrArc(VGcontext* ctx, float cx, float cy, float r, float a0, float a1, int dir);
void vgrClosePath(VGcontext* ctx);
void vgrSetPathWinding(VGcontext* ctx, int dir);
void vgrRect(VGcontext* ctx, float x, float y, float w, float h);
void vgrRoundedRect(VGcontext* ctx, float x, float y, float w, float h, float r);
void vgrRoundedRectVarying(VGcontext* ctx, float x, float y, float w, float h, float radTopLeft, float radTopRight,
                           float radBottomRight, float radBottomLeft);
void vgrEllipse(VGcontext* ctx, float cx, float cy, float rx, float ry);
void vgrCircle(VGcontext* ctx, float cx, float cy, float r);
void vgrAppendCommands(VGcontext* ctx, float* vals, int nvals);

// Tessellation, filling and stroking.
void vgrFill(VGcontext* ctx);
void vgrStroke(VGcontext* ctx);
void vgrDebugDumpPathCache(VGcontext* ctx);
void vgrFlattenPaths(VGcontext* ctx);
void vgrAddPoint(VGcontext* ctx, float x, float y, int flags);
void vgrTessellateBezier(VGcontext* ctx, float x1, float y1, float x2, float y2, float x3, float y3, float x4,
                         float y4, int level, int type);
void vgrCalculateJoins(VGtessCache* cache, float w, int lineJoin, float miterLimit);
int vgrExpandFill(VGcontext* ctx, float w);
int vgrExpandStroke(VGcontext* ctx, float w, float fringe, int lineCap, int lineJoin, float miterLimit);
VGvertex* vgrBevelJoin(VGvertex* dst, const VGflatPoint* p0, const VGflatPoint* p1, float lw, float rw, float lu,
                       float ru);

// The inner side's corners of the join at p1, at offset w along the left normal (negative for
// the right side): the two segments' offsets where the inner side bevels, else the miter point
// twice.
struct VGjoinCorners {
  float x0, y0, x1, y1;
};
inline VGjoinCorners vgrInnerJoinCorners(const VGflatPoint* p0, const VGflatPoint* p1, float w) {
  if (p1->flags & VG_PT_INNERBEVEL)
    return {p1->x + p0->dy * w, p1->y - p0->dx * w, p1->x + p1->dy * w, p1->y - p1->dx * w};
  const float x = p1->x + p1->dmx * w, y = p1->y + p1->dmy * w;
  return {x, y, x, y};
}
// Makes room for nverts vertices in the shared vertex array (rounded to 256); null on failure.
VGvertex* vgrAllocTempVerts(VGcontext* ctx, int nverts);

}  // namespace fx::gfx

#include "vector/VGText.h"
