// Renderer context: creation, frames, the draw-state stack, transforms and scissor.
#include "vector/VGContext.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace fx::gfx {

namespace {

VGdrawState* getState(VGcontext* ctx) { return &ctx->states[ctx->nstates - 1]; }

void setPaintColor(VGpaint* p, VGcolor color) {
  std::memset(p, 0, sizeof(*p));
  vgrTransformIdentity(p->xform);
  p->radius = 0.0f;
  p->feather = 1.0f;
  p->innerColor = color;
  p->outerColor = color;
}

VGcompositeOperationState compositeOperationState(int op) {
  static constexpr int32_t kSrc[11] = {VG_ONE,           VG_DST_ALPHA, VG_ONE_MINUS_DST_ALPHA,
                                       VG_DST_ALPHA,     VG_ONE_MINUS_DST_ALPHA, VG_ZERO,
                                       VG_ZERO,          VG_ONE_MINUS_DST_ALPHA, VG_ONE,
                                       VG_ONE,           VG_ONE_MINUS_DST_ALPHA};
  static constexpr int32_t kDst[11] = {VG_ONE_MINUS_SRC_ALPHA, VG_ZERO,      VG_ZERO,
                                       VG_ONE_MINUS_SRC_ALPHA, VG_ONE,       VG_SRC_ALPHA,
                                       VG_ONE_MINUS_SRC_ALPHA, VG_SRC_ALPHA, VG_ONE,
                                       VG_ZERO,                VG_ONE_MINUS_SRC_ALPHA};
  int32_t sfactor = VG_ONE, dfactor = VG_ZERO;
  if (op >= 0 && op <= 10) {
    sfactor = kSrc[op];
    dfactor = kDst[op];
  }
  return {sfactor, dfactor, sfactor, dfactor};
}

void deletePathCache(VGtessCache* c) {
  if (c == nullptr) return;
  std::free(c->points);
  std::free(c->paths);
  std::free(c->verts);
  std::free(c);
}

VGtessCache* allocPathCache() {
  auto* c = static_cast<VGtessCache*>(std::calloc(1, sizeof(VGtessCache)));
  if (c == nullptr) return nullptr;
  c->points = static_cast<VGflatPoint*>(std::malloc(sizeof(VGflatPoint) * VG_INIT_POINTS));
  if (c->points == nullptr) goto error;
  c->cpoints = VG_INIT_POINTS;
  c->paths = static_cast<VGpath*>(std::malloc(sizeof(VGpath) * VG_INIT_PATHS));
  if (c->paths == nullptr) goto error;
  c->cpaths = VG_INIT_PATHS;
  c->verts = static_cast<VGvertex*>(std::malloc(sizeof(VGvertex) * VG_INIT_VERTS));
  if (c->verts == nullptr) goto error;
  c->cverts = VG_INIT_VERTS;
  return c;
error:
  deletePathCache(c);
  return nullptr;
}

// The font stash reports a glyph that found no room; the text code grows the atlas
// only for this reason.
void onFontStashError(void* uptr, int error, int /*val*/) {
  auto* ctx = static_cast<VGcontext*>(uptr);
  if (error == FSTASH_ATLAS_FULL) ctx->fontAtlasFull = 1;
}

}  // namespace

VGcontext* vgrCreateContext(const VGrenderer* params) {
  if (params == nullptr) return nullptr;
  auto* ctx = static_cast<VGcontext*>(std::calloc(1, sizeof(VGcontext)));
  if (ctx == nullptr) return nullptr;
  ctx->params = *params;
  FstashParams fontParams;
  ctx->commands = static_cast<float*>(std::malloc(sizeof(float) * VG_INIT_COMMANDS));
  if (ctx->commands == nullptr) goto error;
  ctx->ncommands = 0;
  ctx->ccommands = VG_INIT_COMMANDS;
  ctx->cache = allocPathCache();
  if (ctx->cache == nullptr) goto error;
  ctx->nstates = 1;
  vgrReset(ctx);
  ctx->tessTol = 0.25f;
  ctx->distTol = 0.01f;
  ctx->fringeWidth = 1.0f;
  ctx->devicePxRatio = 1.0f;
  if (ctx->params.renderCreate == nullptr || ctx->params.renderCreate(ctx->params.userPtr) == 0) goto error;

  std::memset(&fontParams, 0, sizeof(fontParams));
  fontParams.width = VG_INIT_FONTIMAGE_SIZE;
  fontParams.height = VG_INIT_FONTIMAGE_SIZE;
  fontParams.flags = FSTASH_ZERO_TOPLEFT;
  ctx->fs = fstashCreate(&fontParams);
  if (ctx->fs == nullptr) goto error;
  fstashSetErrorCallback(ctx->fs, onFontStashError, ctx);

  if (ctx->params.renderCreateTexture == nullptr) goto error;
  ctx->fontImages[0] = ctx->params.renderCreateTexture(ctx->params.userPtr, VG_TEXTURE_ALPHA, fontParams.width,
                                                       fontParams.height, 0, nullptr);
  if (ctx->fontImages[0] == 0) goto error;
  ctx->fontImageIdx = 0;
  return ctx;
error:
  vgrDeleteContext(ctx);
  return nullptr;
}

void vgrDeleteContext(VGcontext* ctx) {
  if (ctx == nullptr) return;
  std::free(ctx->commands);
  deletePathCache(ctx->cache);
  fstashDelete(ctx->fs);
  for (int i = 0; i < VG_MAX_FONTIMAGES; i++) {
    if (ctx->fontImages[i] != 0) {
      if (ctx->params.renderDeleteTexture) ctx->params.renderDeleteTexture(ctx->params.userPtr, ctx->fontImages[i]);
      ctx->fontImages[i] = 0;
    }
  }
  if (ctx->params.renderDelete != nullptr) ctx->params.renderDelete(ctx->params.userPtr);
  std::free(ctx);
}

void vgrBeginFrame(VGcontext* ctx, float windowWidth, float windowHeight, float devicePixelRatio) {
  ctx->nstates = 1;
  vgrReset(ctx);
  // A ratio of zero, below zero or not finite would turn every tolerance into infinity.
  if (!(devicePixelRatio > 0.0f) || !std::isfinite(devicePixelRatio)) devicePixelRatio = 1.0f;
  ctx->tessTol = 0.25f / devicePixelRatio;
  ctx->distTol = 0.01f / devicePixelRatio;
  ctx->fringeWidth = 1.0f / devicePixelRatio;
  ctx->devicePxRatio = devicePixelRatio;
  ctx->params.renderViewport(ctx->params.userPtr, windowWidth, windowHeight, devicePixelRatio);
}

void vgrCancelFrame(VGcontext* ctx) { ctx->params.renderCancel(ctx->params.userPtr); }

void vgrEndFrame(VGcontext* ctx) {
  ctx->params.renderFlush(ctx->params.userPtr);
  if (ctx->fontImageIdx == 0) return;
  const int fontImage = ctx->fontImages[ctx->fontImageIdx];
  if (fontImage == 0) return;
  // Keep the current (largest) font image as image 0; delete the smaller ones.
  int iw = 0, ih = 0;
  vgrGetImageSize(ctx, fontImage, &iw, &ih);
  int j = 0;
  for (int i = 0; i < ctx->fontImageIdx; i++) {
    if (ctx->fontImages[i] != 0) {
      int nw = 0, nh = 0;
      vgrGetImageSize(ctx, ctx->fontImages[i], &nw, &nh);
      if (nw < iw || nh < ih)
        ctx->params.renderDeleteTexture(ctx->params.userPtr, ctx->fontImages[i]);
      else
        ctx->fontImages[j++] = ctx->fontImages[i];
    }
  }
  // Images beyond the current one would be dropped by the reset below: delete them so
  // that no texture is lost to the back end.
  for (int i = ctx->fontImageIdx + 1; i < VG_MAX_FONTIMAGES; i++) {
    if (ctx->fontImages[i] != 0 && ctx->fontImages[i] != fontImage) {
      bool kept = false;
      for (int k = 0; k < j; k++) kept = kept || ctx->fontImages[k] == ctx->fontImages[i];
      if (!kept) ctx->params.renderDeleteTexture(ctx->params.userPtr, ctx->fontImages[i]);
    }
  }
  ctx->fontImages[j] = ctx->fontImages[0];
  ctx->fontImages[0] = fontImage;
  ctx->fontImageIdx = 0;
  for (int i = j + 1; i < VG_MAX_FONTIMAGES; i++) ctx->fontImages[i] = 0;
}

void vgrSave(VGcontext* ctx) {
  if (ctx->nstates >= VG_MAX_STATES) return;
  if (ctx->nstates > 0) std::memcpy(&ctx->states[ctx->nstates], &ctx->states[ctx->nstates - 1], sizeof(VGdrawState));
  ctx->nstates++;
}

void vgrRestore(VGcontext* ctx) {
  if (ctx->nstates <= 1) return;
  ctx->nstates--;
}

void vgrReset(VGcontext* ctx) {
  VGdrawState* state = getState(ctx);
  std::memset(state, 0, sizeof(*state));
  setPaintColor(&state->fill, vgrColorFromBytesA(255, 255, 255, 255));
  setPaintColor(&state->stroke, vgrColorFromBytesA(0, 0, 0, 255));
  state->compositeOperation = compositeOperationState(VG_SOURCE_OVER);
  state->shapeAntiAlias = 1;
  state->strokeWidth = 1.0f;
  state->miterLimit = 10.0f;
  state->lineCap = VG_BUTT;
  state->lineJoin = VG_MITER;
  state->alpha = 1.0f;
  vgrTransformIdentity(state->xform);
  state->scissor.extent[0] = -1.0f;
  state->scissor.extent[1] = -1.0f;
  state->fontSize = 16.0f;
  state->letterSpacing = 0.0f;
  state->lineHeight = 1.0f;
  state->fontBlur = 0.0f;
  state->textAlign = VG_ALIGN_LEFT | VG_ALIGN_BASELINE;
  state->fontId = 0;
}

void vgrSetShapeAntiAlias(VGcontext* ctx, int enabled) { getState(ctx)->shapeAntiAlias = enabled; }
void vgrSetStrokeWidth(VGcontext* ctx, float width) { getState(ctx)->strokeWidth = width; }
void vgrSetMiterLimit(VGcontext* ctx, float limit) { getState(ctx)->miterLimit = limit; }
void vgrSetLineCap(VGcontext* ctx, int cap) { getState(ctx)->lineCap = cap; }
void vgrSetLineJoin(VGcontext* ctx, int join) { getState(ctx)->lineJoin = join; }
void vgrSetGlobalAlpha(VGcontext* ctx, float alpha) { getState(ctx)->alpha = alpha; }

void vgrSetStrokeColor(VGcontext* ctx, VGcolor color) { setPaintColor(&getState(ctx)->stroke, color); }
void vgrSetFillColor(VGcontext* ctx, VGcolor color) { setPaintColor(&getState(ctx)->fill, color); }

void vgrSetStrokePaint(VGcontext* ctx, VGpaint paint) {
  VGdrawState* state = getState(ctx);
  state->stroke = paint;
  vgrTransformMultiply(state->stroke.xform, state->xform);
}

void vgrSetFillPaint(VGcontext* ctx, VGpaint paint) {
  VGdrawState* state = getState(ctx);
  state->fill = paint;
  vgrTransformMultiply(state->fill.xform, state->xform);
}

void vgrSetCompositeOperation(VGcontext* ctx, int op) { getState(ctx)->compositeOperation = compositeOperationState(op); }

void vgrSetBlendFunc(VGcontext* ctx, int sfactor, int dfactor) {
  vgrSetBlendFuncSeparate(ctx, sfactor, dfactor, sfactor, dfactor);
}

void vgrSetBlendFuncSeparate(VGcontext* ctx, int srcRGB, int dstRGB, int srcAlpha, int dstAlpha) {
  getState(ctx)->compositeOperation = {srcRGB, dstRGB, srcAlpha, dstAlpha};
}

void vgrResetTransform(VGcontext* ctx) { vgrTransformIdentity(getState(ctx)->xform); }

void vgrApplyTransform(VGcontext* ctx, float a, float b, float c, float d, float e, float f) {
  const float t[6] = {a, b, c, d, e, f};
  vgrTransformPremultiply(getState(ctx)->xform, t);
}

void vgrTranslate(VGcontext* ctx, float x, float y) {
  float t[6];
  vgrTransformTranslate(t, x, y);
  vgrTransformPremultiply(getState(ctx)->xform, t);
}

void vgrRotate(VGcontext* ctx, float angle) {
  float t[6];
  vgrTransformRotate(t, angle);
  vgrTransformPremultiply(getState(ctx)->xform, t);
}

void vgrSkewX(VGcontext* ctx, float angle) {
  float t[6];
  vgrTransformSkewX(t, angle);
  vgrTransformPremultiply(getState(ctx)->xform, t);
}

void vgrSkewY(VGcontext* ctx, float angle) {
  float t[6];
  vgrTransformSkewY(t, angle);
  vgrTransformPremultiply(getState(ctx)->xform, t);
}

void vgrScale(VGcontext* ctx, float x, float y) {
  float t[6];
  vgrTransformScale(t, x, y);
  vgrTransformPremultiply(getState(ctx)->xform, t);
}

void vgrGetCurrentTransform(VGcontext* ctx, float* xform) {
  if (xform == nullptr) return;
  std::memcpy(xform, getState(ctx)->xform, sizeof(float) * 6);
}

void vgrSetScissor(VGcontext* ctx, float x, float y, float w, float h) {
  VGdrawState* state = getState(ctx);
  w = std::fmax(0.0f, w);
  h = std::fmax(0.0f, h);
  vgrTransformIdentity(state->scissor.xform);
  state->scissor.xform[4] = x + w * 0.5f;
  state->scissor.xform[5] = y + h * 0.5f;
  vgrTransformMultiply(state->scissor.xform, state->xform);
  state->scissor.extent[0] = w * 0.5f;
  state->scissor.extent[1] = h * 0.5f;
}

void vgrIntersectScissor(VGcontext* ctx, float x, float y, float w, float h) {
  VGdrawState* state = getState(ctx);
  if (state->scissor.extent[0] < 0) {
    vgrSetScissor(ctx, x, y, w, h);
    return;
  }
  // The current scissor in the current user space, as an axis-aligned box.
  float pxform[6], invxorm[6];
  std::memcpy(pxform, state->scissor.xform, sizeof(float) * 6);
  const float ex = state->scissor.extent[0];
  const float ey = state->scissor.extent[1];
  vgrTransformInverse(invxorm, state->xform);
  vgrTransformMultiply(pxform, invxorm);
  const float tex = ex * std::fabs(pxform[0]) + ey * std::fabs(pxform[2]);
  const float tey = ex * std::fabs(pxform[1]) + ey * std::fabs(pxform[3]);
  const float ax = pxform[4] - tex, ay = pxform[5] - tey, aw = tex * 2, ah = tey * 2;
  const float minx = std::fmax(ax, x);
  const float miny = std::fmax(ay, y);
  const float maxx = std::fmin(ax + aw, x + w);
  const float maxy = std::fmin(ay + ah, y + h);
  vgrSetScissor(ctx, minx, miny, std::fmax(0.0f, maxx - minx), std::fmax(0.0f, maxy - miny));
}

void vgrResetScissor(VGcontext* ctx) {
  VGdrawState* state = getState(ctx);
  std::memset(state->scissor.xform, 0, sizeof(state->scissor.xform));
  state->scissor.extent[0] = -1.0f;
  state->scissor.extent[1] = -1.0f;
}

}  // namespace fx::gfx
