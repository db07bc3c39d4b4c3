// Renderer context: creation, frames, state stack, transforms, colours, paints,
// scissor, composite operations and images.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "tests/vector/PaintEval.h"
#include "tests/vector/RecordingRenderer.h"
#include "vector/VGContext.h"

namespace fx::gfx {
namespace {

using test::RecordingContext;
using test::RecordingRenderer;

const VGdrawState& cur(VGcontext* ctx) { return ctx->states[ctx->nstates - 1]; }

TEST(VectorContext, CreationBuildsEverythingAndFailuresCleanUp) {
  RecordingContext rc;
  ASSERT_NE(rc.ctx, nullptr);
  VGcontext* ctx = rc.ctx;
  EXPECT_EQ(ctx->ccommands, 256);
  EXPECT_EQ(ctx->cache->cpoints, 128);
  EXPECT_EQ(ctx->cache->cpaths, 16);
  EXPECT_EQ(ctx->cache->cverts, 256);
  EXPECT_EQ(ctx->nstates, 1);
  EXPECT_FLOAT_EQ(ctx->tessTol, 0.25f);
  EXPECT_FLOAT_EQ(ctx->distTol, 0.01f);
  ASSERT_NE(ctx->fs, nullptr);
  ASSERT_NE(ctx->fontImages[0], 0);
  const auto& tex = rc.r.textures.at(ctx->fontImages[0]);
  EXPECT_EQ(tex.type, VG_TEXTURE_ALPHA);
  EXPECT_EQ(tex.w, 512);
  EXPECT_EQ(tex.h, 512);
  EXPECT_EQ(ctx->fontImageIdx, 0);

  // renderCreate refusing, or no first font image: null, and the back end is told to delete.
  RecordingRenderer r1;
  r1.createResult = 0;
  EXPECT_EQ(vgrCreateContext(r1.table()), nullptr);
  EXPECT_EQ(r1.deletes, 1);
  RecordingRenderer r2;
  r2.failTextures = true;
  EXPECT_EQ(vgrCreateContext(r2.table()), nullptr);
  EXPECT_EQ(r2.deletes, 1);
  EXPECT_EQ(vgrCreateContext(nullptr), nullptr);
  vgrDeleteContext(nullptr);

  // Deletion returns the font images; a null renderDelete slot is allowed.
  RecordingRenderer r3;
  r3.mutableTable()->renderDelete = nullptr;
  VGcontext* c3 = vgrCreateContext(r3.table());
  ASSERT_NE(c3, nullptr);
  const int img = c3->fontImages[0];
  vgrDeleteContext(c3);
  ASSERT_EQ(r3.deleted.size(), 1u);
  EXPECT_EQ(r3.deleted[0], img);
}

TEST(VectorContext, FramesResetStateAndScaleTolerances) {
  RecordingContext rc;
  VGcontext* ctx = rc.ctx;
  vgrSave(ctx);
  vgrSetStrokeWidth(ctx, 7);
  vgrBeginFrame(ctx, 300, 200, 2.0f);
  EXPECT_EQ(ctx->nstates, 1);
  EXPECT_EQ(cur(ctx).strokeWidth, 1.0f);
  EXPECT_FLOAT_EQ(ctx->tessTol, 0.125f);
  EXPECT_FLOAT_EQ(ctx->distTol, 0.005f);
  EXPECT_FLOAT_EQ(ctx->fringeWidth, 0.5f);
  EXPECT_EQ(rc.r.viewport[0], 300.0f);
  EXPECT_EQ(rc.r.viewport[1], 200.0f);
  EXPECT_EQ(rc.r.viewport[2], 2.0f);
  // A ratio of zero or NaN would make every tolerance infinite: 1 stands in.
  vgrBeginFrame(ctx, 300, 200, 0.0f);
  EXPECT_FLOAT_EQ(ctx->fringeWidth, 1.0f);
  vgrBeginFrame(ctx, 300, 200, NAN);
  EXPECT_FLOAT_EQ(ctx->tessTol, 0.25f);
  vgrCancelFrame(ctx);
  EXPECT_EQ(rc.r.cancels, 1);
  vgrEndFrame(ctx);
  EXPECT_EQ(rc.r.flushes, 1);
}

TEST(VectorContext, StateStackHoldsThirtyTwoAndDefaultsAreReset) {
  RecordingContext rc;
  VGcontext* ctx = rc.ctx;
  vgrBeginFrame(ctx, 100, 100, 1);
  const VGdrawState& s = cur(ctx);
  EXPECT_EQ(s.compositeOperation.srcRGB, 2);
  EXPECT_EQ(s.compositeOperation.dstRGB, 128);
  EXPECT_EQ(s.shapeAntiAlias, 1);
  EXPECT_EQ(s.fill.innerColor.r, 1.0f);
  EXPECT_EQ(s.stroke.innerColor.r, 0.0f);
  EXPECT_EQ(s.stroke.innerColor.a, 1.0f);
  EXPECT_EQ(s.fill.feather, 1.0f);
  EXPECT_EQ(s.miterLimit, 10.0f);
  EXPECT_EQ(s.lineJoin, VG_MITER);
  EXPECT_EQ(s.lineCap, VG_BUTT);
  EXPECT_EQ(s.scissor.extent[0], -1.0f);
  EXPECT_EQ(s.fontSize, 16.0f);
  EXPECT_EQ(s.textAlign, 65);

  for (int i = 0; i < 31; i++) {
    vgrSave(ctx);
    vgrSetStrokeWidth(ctx, static_cast<float>(i + 2));
  }
  EXPECT_EQ(ctx->nstates, 32);
  vgrSave(ctx);  // the 33rd is ignored
  EXPECT_EQ(ctx->nstates, 32);
  EXPECT_EQ(cur(ctx).strokeWidth, 32.0f);
  vgrRestore(ctx);
  EXPECT_EQ(cur(ctx).strokeWidth, 31.0f);
  for (int i = 0; i < 40; i++) vgrRestore(ctx);
  EXPECT_EQ(ctx->nstates, 1);
  EXPECT_EQ(cur(ctx).strokeWidth, 1.0f);
  vgrSetMiterLimit(ctx, 3);
  vgrSetLineCap(ctx, VG_SQUARE);
  vgrSetGlobalAlpha(ctx, 0.5f);
  vgrReset(ctx);
  EXPECT_EQ(cur(ctx).miterLimit, 10.0f);
  EXPECT_EQ(cur(ctx).lineCap, VG_BUTT);
  EXPECT_EQ(cur(ctx).alpha, 1.0f);
}

TEST(VectorContext, CompositeOperationsFollowTheBlendTable) {
  RecordingContext rc;
  VGcontext* ctx = rc.ctx;
  const int expected[11][2] = {{2, 128},   {256, 1}, {512, 1}, {256, 128}, {512, 2},  {1, 64},
                               {1, 128},   {512, 64}, {2, 2},  {2, 1},     {512, 128}};
  for (int op = 0; op < 11; op++) {
    vgrSetCompositeOperation(ctx, op);
    const auto& c = cur(ctx).compositeOperation;
    EXPECT_EQ(c.srcRGB, expected[op][0]) << op;
    EXPECT_EQ(c.dstRGB, expected[op][1]) << op;
    EXPECT_EQ(c.srcAlpha, expected[op][0]) << op;
    EXPECT_EQ(c.dstAlpha, expected[op][1]) << op;
  }
  for (int op : {11, -1, 1000}) {
    vgrSetCompositeOperation(ctx, op);
    const auto& c = cur(ctx).compositeOperation;
    EXPECT_EQ(c.srcRGB, 2);
    EXPECT_EQ(c.dstRGB, 1);
    EXPECT_EQ(c.srcAlpha, 2);
    EXPECT_EQ(c.dstAlpha, 1);
  }
  vgrSetBlendFunc(ctx, VG_SRC_ALPHA, VG_ONE);
  EXPECT_EQ(cur(ctx).compositeOperation.srcAlpha, VG_SRC_ALPHA);
  EXPECT_EQ(cur(ctx).compositeOperation.dstAlpha, VG_ONE);
  vgrSetBlendFuncSeparate(ctx, 4, 8, 16, 32);
  EXPECT_EQ(cur(ctx).compositeOperation.srcRGB, 4);
  EXPECT_EQ(cur(ctx).compositeOperation.dstAlpha, 32);
}

TEST(VectorContext, TransformsComposeInCallOrderAndInvert) {
  RecordingContext rc;
  VGcontext* ctx = rc.ctx;
  // Translate then scale: a point is scaled first, then translated.
  vgrTranslate(ctx, 10, 20);
  vgrScale(ctx, 2, 3);
  float t[6], x, y;
  vgrGetCurrentTransform(ctx, t);
  vgrTransformPoint(&x, &y, t, 1, 1);
  EXPECT_FLOAT_EQ(x, 12);
  EXPECT_FLOAT_EQ(y, 23);
  vgrRotate(ctx, vgrDegToRad(90));
  vgrGetCurrentTransform(ctx, t);
  vgrTransformPoint(&x, &y, t, 1, 0);  // (1,0) -> (0,1) -> (0,3) -> (10,23)
  EXPECT_NEAR(x, 10, 1e-5);
  EXPECT_NEAR(y, 23, 1e-5);
  vgrGetCurrentTransform(ctx, nullptr);
  vgrResetTransform(ctx);
  vgrSkewX(ctx, 0.5f);
  vgrGetCurrentTransform(ctx, t);
  EXPECT_FLOAT_EQ(t[2], std::tan(0.5f));
  vgrResetTransform(ctx);
  vgrSkewY(ctx, 0.25f);
  vgrApplyTransform(ctx, 1, 0, 0, 1, 5, 0);
  vgrGetCurrentTransform(ctx, t);
  EXPECT_FLOAT_EQ(t[1], std::tan(0.25f));
  EXPECT_FLOAT_EQ(t[4], 5);
  EXPECT_FLOAT_EQ(t[5], 5 * std::tan(0.25f));

  // Multiply / premultiply order and inverses of random matrices.
  std::mt19937 rng(3);
  std::uniform_real_distribution<float> u(-3, 3);
  for (int i = 0; i < 200; i++) {
    float a[6], b[6], ab[6], inv[6];
    for (int k = 0; k < 6; k++) {
      a[k] = u(rng);
      b[k] = u(rng);
    }
    std::memcpy(ab, a, sizeof(ab));
    vgrTransformMultiply(ab, b);  // a then b
    float px = u(rng), py = u(rng), x1, y1, x2, y2;
    vgrTransformPoint(&x1, &y1, a, px, py);
    vgrTransformPoint(&x2, &y2, b, x1, y1);
    vgrTransformPoint(&x1, &y1, ab, px, py);
    EXPECT_NEAR(x1, x2, 1e-3);
    EXPECT_NEAR(y1, y2, 1e-3);
    float ba[6];
    std::memcpy(ba, b, sizeof(ba));
    vgrTransformPremultiply(ba, a);  // also a then b
    for (int k = 0; k < 6; k++) EXPECT_NEAR(ba[k], ab[k], 1e-4);
    if (std::fabs(a[0] * a[3] - a[2] * a[1]) > 0.05f) {
      ASSERT_EQ(vgrTransformInverse(inv, a), 1);
      vgrTransformPoint(&x1, &y1, a, px, py);
      vgrTransformPoint(&x2, &y2, inv, x1, y1);
      EXPECT_NEAR(x2, px, 2e-3);
      EXPECT_NEAR(y2, py, 2e-3);
    }
  }
  // Singular or non-finite: 0 and the identity, never NaN.
  const float singular[][6] = {{1, 2, 2, 4, 0, 0}, {0, 0, 0, 0, 5, 5}, {NAN, 0, 0, 1, 0, 0},
                               {INFINITY, 0, 0, 1, 0, 0}, {1e-4f, 0, 0, 1e-4f, 0, 0}, {1e-30f, 0, 0, 1e30f, 1e30f, 0}};
  for (const auto& m : singular) {
    float inv[6] = {9, 9, 9, 9, 9, 9};
    EXPECT_EQ(vgrTransformInverse(inv, m), 0);
    EXPECT_EQ(inv[0], 1);
    EXPECT_EQ(inv[1], 0);
    EXPECT_EQ(inv[3], 1);
    EXPECT_EQ(inv[4], 0);
  }
  EXPECT_FLOAT_EQ(vgrDegToRad(180), 3.1415927f);
  EXPECT_FLOAT_EQ(vgrRadToDeg(3.1415927f), 180);
}

TEST(VectorContext, ColoursFromBytesHslAndInterpolation) {
  VGcolor c = vgrColorFromBytes(255, 0, 51);
  EXPECT_FLOAT_EQ(c.r, 1);
  EXPECT_FLOAT_EQ(c.b, 0.2f);
  EXPECT_FLOAT_EQ(c.a, 1);
  c = vgrColorWithAlphaByte(c, 102);
  EXPECT_FLOAT_EQ(c.a, 0.4f);
  EXPECT_FLOAT_EQ(vgrColorWithAlpha(c, 0.7f).a, 0.7f);
  EXPECT_FLOAT_EQ(vgrColorFromBytesA(0, 0, 0, 0).a, 0);
  EXPECT_FLOAT_EQ(vgrColorFromFloats(0.1f, 0.2f, 0.3f).a, 1);

  const VGcolor a = vgrColorFromHSLA(-0.25f, 1, 0.5f, 255), b = vgrColorFromHSLA(0.75f, 1, 0.5f, 255);
  for (int i = 0; i < 4; i++) EXPECT_FLOAT_EQ(a.rgba[i], b.rgba[i]);
  const VGcolor red = vgrColorFromHSL(0, 1, 0.5f);
  EXPECT_FLOAT_EQ(red.r, 1);
  EXPECT_FLOAT_EQ(red.g, 0);
  EXPECT_LT(red.b, 0.000001f);
  EXPECT_FLOAT_EQ(red.a, 1);
  const VGcolor green = vgrColorFromHSL(1.0f / 3.0f, 1, 0.5f);
  EXPECT_NEAR(green.g, 1, 1e-5);
  EXPECT_NEAR(green.r, 0, 1e-5);
  const VGcolor grey = vgrColorFromHSL(0.3f, -2, 0.75f);  // saturation clamped to 0
  EXPECT_FLOAT_EQ(grey.r, 0.75f);
  EXPECT_FLOAT_EQ(grey.g, 0.75f);
  EXPECT_FLOAT_EQ(vgrColorFromHSL(0.6f, 1, 7).b, 1);  // lightness clamped to 1

  const VGcolor c0 = vgrColorFromFloatsA(0, 0.2f, 1, 0), c1 = vgrColorFromFloatsA(1, 0.4f, 0, 1);
  const VGcolor lo = vgrColorLerp(c0, c1, -1), hi = vgrColorLerp(c0, c1, 2), mid = vgrColorLerp(c0, c1, 0.5f);
  for (int i = 0; i < 4; i++) {
    EXPECT_FLOAT_EQ(lo.rgba[i], c0.rgba[i]);
    EXPECT_FLOAT_EQ(hi.rgba[i], c1.rgba[i]);
  }
  EXPECT_FLOAT_EQ(mid.g, 0.3f);
}

TEST(VectorContext, GradientRecordsRampBetweenTheirDefiningPoints) {
  RecordingContext rc;
  VGcontext* ctx = rc.ctx;
  const VGcolor in = vgrColorFromFloats(1, 0, 0), out = vgrColorFromFloats(0, 0, 1);

  // Linear: inner colour at the start, outer at the end, half way in the middle,
  // constant across the gradient direction.
  VGpaint lin = vgrLinearGradient(ctx, 10, 20, 110, 20, in, out);
  EXPECT_NEAR(test::gradientAt(lin, 10, 20), 0.0f, 1e-2);
  EXPECT_NEAR(test::gradientAt(lin, 110, 20), 1.0f, 1e-2);
  EXPECT_NEAR(test::gradientAt(lin, 60, 20), 0.5f, 1e-2);
  EXPECT_NEAR(test::gradientAt(lin, 60, 500), 0.5f, 1e-2);
  EXPECT_NEAR(test::gradientAt(lin, -50, 20), 0.0f, 1e-2);
  EXPECT_EQ(lin.feather, 100.0f);
  EXPECT_EQ(lin.image, 0);

  // Set under a transform: the ramp follows the user space that was current.
  vgrTranslate(ctx, 100, 0);
  vgrScale(ctx, 2, 2);
  vgrSetFillPaint(ctx, vgrLinearGradient(ctx, 0, 0, 0, 50, in, out));
  const VGpaint& set = cur(ctx).fill;
  EXPECT_NEAR(test::gradientAt(set, 100, 0), 0.0f, 1e-2);
  EXPECT_NEAR(test::gradientAt(set, 100, 100), 1.0f, 1e-2);
  EXPECT_NEAR(test::gradientAt(set, 300, 50), 0.5f, 1e-2);
  vgrSetStrokePaint(ctx, vgrRadialGradient(ctx, 0, 0, 10, 30, in, out));
  EXPECT_NEAR(test::gradientAt(cur(ctx).stroke, 100 + 40, 0), 0.5f, 2e-2);  // mid radius 20 user units
  vgrResetTransform(ctx);

  // Start = end: a unit downward direction and feather 1.
  VGpaint same = vgrLinearGradient(ctx, 5, 7, 5, 7, in, out);
  const float expect[6] = {1, 0, 0, 1, 5, 7 - 100000.0f};
  for (int i = 0; i < 6; i++) EXPECT_FLOAT_EQ(same.xform[i], expect[i]);
  EXPECT_EQ(same.extent[0], 100000.0f);
  EXPECT_EQ(same.extent[1], 100000.0f);
  EXPECT_EQ(same.feather, 1.0f);

  // Radial: inner colour inside the inner radius, outer beyond the outer one.
  VGpaint rad = vgrRadialGradient(ctx, 50, 50, 10, 30, in, out);
  EXPECT_NEAR(test::gradientAt(rad, 50, 50), 0.0f, 1e-3);
  EXPECT_NEAR(test::gradientAt(rad, 55, 50), 0.0f, 1e-3);
  EXPECT_NEAR(test::gradientAt(rad, 50, 70), 0.5f, 1e-3);
  EXPECT_NEAR(test::gradientAt(rad, 50 + 21.2132f, 50 + 21.2132f), 1.0f, 1e-3);
  EXPECT_EQ(vgrRadialGradient(ctx, 0, 0, 30, 10, in, out).feather, 1.0f);

  // Box: inner colour well inside, outer colour a half feather outside.
  VGpaint box = vgrBoxGradient(ctx, 10, 10, 100, 40, 5, 8, in, out);
  EXPECT_NEAR(test::gradientAt(box, 60, 30), 0.0f, 1e-3);
  EXPECT_NEAR(test::gradientAt(box, 110, 30), 0.5f, 1e-3);
  EXPECT_NEAR(test::gradientAt(box, 114, 30), 1.0f, 1e-3);
  const VGcolor edge = test::colorAt(box, 60, 10);
  EXPECT_NEAR(edge.r, 0.5f, 1e-3);
  EXPECT_NEAR(edge.b, 0.5f, 1e-3);

  VGpaint img = vgrImagePattern(ctx, 3, 4, 64, 32, 0.5f, 7, 0.25f);
  EXPECT_EQ(img.image, 7);
  EXPECT_FLOAT_EQ(img.xform[0], std::cos(0.5f));
  EXPECT_FLOAT_EQ(img.xform[4], 3);
  EXPECT_EQ(img.extent[0], 64);
  EXPECT_EQ(img.feather, 0);
  EXPECT_EQ(img.innerColor.a, 0.25f);
  EXPECT_EQ(img.outerColor.r, 1.0f);
}

TEST(VectorContext, ScissorRecordsClipInFrameSpace) {
  RecordingContext rc;
  VGcontext* ctx = rc.ctx;
  vgrTranslate(ctx, 100, 50);
  vgrSetScissor(ctx, 10, 10, 20, 40);
  const VGscissor& s = cur(ctx).scissor;
  EXPECT_EQ(s.extent[0], 10);
  EXPECT_EQ(s.extent[1], 20);
  EXPECT_FLOAT_EQ(s.xform[4], 120);
  EXPECT_FLOAT_EQ(s.xform[5], 80);
  EXPECT_TRUE(test::insideScissor(s, 111, 61));
  EXPECT_FALSE(test::insideScissor(s, 109, 61));
  EXPECT_FALSE(test::insideScissor(s, 120, 101));

  // Intersection in a scaled user space.
  vgrScale(ctx, 2, 2);
  vgrIntersectScissor(ctx, 0, 0, 10, 10);  // frame (100,50)-(120,70) meets (110,60)-(130,100)
  const VGscissor& s2 = cur(ctx).scissor;
  EXPECT_TRUE(test::insideScissor(s2, 115, 65));
  EXPECT_FALSE(test::insideScissor(s2, 105, 65));
  EXPECT_FALSE(test::insideScissor(s2, 115, 75));
  EXPECT_NEAR(s2.extent[0], 2.5f, 1e-4);  // 10 px wide = 5 user units

  // Disjoint: zero size; negative sizes: zero extent on that axis.
  vgrIntersectScissor(ctx, 500, 500, 5, 5);
  EXPECT_EQ(cur(ctx).scissor.extent[0], 0);
  EXPECT_EQ(cur(ctx).scissor.extent[1], 0);
  vgrResetTransform(ctx);
  vgrSetScissor(ctx, 0, 0, -5, 8);
  EXPECT_EQ(cur(ctx).scissor.extent[0], 0);
  EXPECT_EQ(cur(ctx).scissor.extent[1], 4);

  // Without a scissor, intersecting equals setting.
  vgrResetScissor(ctx);
  EXPECT_EQ(cur(ctx).scissor.extent[0], -1);
  EXPECT_EQ(cur(ctx).scissor.xform[0], 0);
  vgrIntersectScissor(ctx, 1, 2, 3, 4);
  VGscissor a = cur(ctx).scissor;
  vgrSetScissor(ctx, 1, 2, 3, 4);
  EXPECT_EQ(std::memcmp(&a, &cur(ctx).scissor, sizeof(a)), 0);

  // A singular current transform: the identity stands in, nothing becomes NaN.
  vgrScale(ctx, 0, 0);
  vgrIntersectScissor(ctx, 0, 0, 10, 10);
  for (float v : cur(ctx).scissor.xform) EXPECT_TRUE(std::isfinite(v));
  for (float v : cur(ctx).scissor.extent) EXPECT_TRUE(std::isfinite(v));
}

TEST(VectorContext, ImagesDecodeToRgbaTextures) {
  RecordingContext rc;
  VGcontext* ctx = rc.ctx;
  // A 2 x 2 RGB PNG: red, green / blue, (10, 20, 30).
  const unsigned char png[] = {
      0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A, 0x00, 0x00, 0x00, 0x0D, 0x49, 0x48, 0x44, 0x52, 0x00, 0x00, 0x00,
      0x02, 0x00, 0x00, 0x00, 0x02, 0x08, 0x02, 0x00, 0x00, 0x00, 0xFD, 0xD4, 0x9A, 0x73, 0x00, 0x00, 0x00, 0x13, 0x49,
      0x44, 0x41, 0x54, 0x78, 0xDA, 0x63, 0xF8, 0xCF, 0xC0, 0xC0, 0x00, 0xC2, 0x0C, 0xFF, 0xB9, 0x44, 0xE4, 0x00, 0x1A,
      0x58, 0x03, 0x3A, 0xE2, 0x92, 0x6E, 0xD9, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4E, 0x44, 0xAE, 0x42, 0x60, 0x82};
  const int id = vgrCreateImageFromMemory(ctx, VG_IMAGE_REPEATX | VG_IMAGE_NEAREST, png, static_cast<int>(sizeof(png)));
  ASSERT_NE(id, 0);
  const auto& t = rc.r.textures.at(id);
  EXPECT_EQ(t.type, VG_TEXTURE_RGBA);
  EXPECT_EQ(t.flags, VG_IMAGE_REPEATX | VG_IMAGE_NEAREST);
  ASSERT_EQ(t.data.size(), 16u);
  EXPECT_EQ(t.data[0], 255);
  EXPECT_EQ(t.data[3], 255);  // opaque alpha added
  EXPECT_EQ(t.data[12], 10);
  int w = 0, h = 0;
  vgrGetImageSize(ctx, id, &w, &h);
  EXPECT_EQ(w, 2);
  EXPECT_EQ(h, 2);

  // The whole image is uploaded on update.
  std::vector<unsigned char> white(16, 255);
  vgrUpdateImage(ctx, id, white.data());
  EXPECT_EQ(rc.r.textures.at(id).data[4], 255);

  const unsigned char junk[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  EXPECT_EQ(vgrCreateImageFromMemory(ctx, 0, junk, 8), 0);
  EXPECT_EQ(vgrCreateImageFromMemory(ctx, 0, nullptr, 8), 0);
  EXPECT_EQ(vgrCreateImageFromMemory(ctx, 0, junk, 0), 0);
  EXPECT_EQ(vgrCreateImageFromFile(ctx, "/nonexistent/image.png", 0), 0);
  EXPECT_EQ(vgrCreateImageFromFile(ctx, nullptr, 0), 0);
}

TEST(VectorContext, EndFrameKeepsOnlyTheLargestFontImage) {
  RecordingContext rc;
  VGcontext* ctx = rc.ctx;
  auto mk = [&](int w, int h) {
    return rc.r.table()->renderCreateTexture(rc.r.table()->userPtr, VG_TEXTURE_ALPHA, w, h, 0, nullptr);
  };
  // Index 0: nothing happens.
  vgrEndFrame(ctx);
  EXPECT_TRUE(rc.r.deleted.empty());

  const int i0 = ctx->fontImages[0];
  const int i1 = mk(1024, 512), i2 = mk(1024, 1024), i3 = mk(1024, 1024);
  ctx->fontImages[1] = i1;
  ctx->fontImages[2] = i2;
  ctx->fontImages[3] = i3;  // beyond the current one
  ctx->fontImageIdx = 2;
  vgrEndFrame(ctx);
  EXPECT_EQ(ctx->fontImageIdx, 0);
  EXPECT_EQ(ctx->fontImages[0], i2);
  EXPECT_EQ(ctx->fontImages[1], 0);
  // The smaller images and the dropped one went back to the back end.
  EXPECT_EQ(rc.r.textures.count(i0), 0u);
  EXPECT_EQ(rc.r.textures.count(i1), 0u);
  EXPECT_EQ(rc.r.textures.count(i3), 0u);
  EXPECT_EQ(rc.r.textures.count(i2), 1u);

  // An image of the same size stays and swaps places with the current one.
  const int j1 = mk(1024, 1024);
  ctx->fontImages[1] = j1;
  ctx->fontImageIdx = 1;
  vgrEndFrame(ctx);
  EXPECT_EQ(ctx->fontImages[0], j1);
  EXPECT_EQ(ctx->fontImages[1], i2);
  EXPECT_EQ(rc.r.textures.count(i2), 1u);
}

}  // namespace
}  // namespace fx::gfx
