// The Metal renderer's records and frames: creation, buffer-set rotation, growth,
// recorded calls and uniforms, the passes they encode, images and failure paths.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "tests/metal/Harness.h"

namespace fx::gfx {
namespace {

using test::Harness;
using test::rgba;

VGpaint solid(VGcolor c) {
  VGpaint p{};
  p.xform[0] = p.xform[3] = 1;
  p.innerColor = p.outerColor = c;
  p.feather = 1;
  return p;
}

VGscissor noScissor() {
  VGscissor s{};
  s.xform[0] = s.xform[3] = 1;
  s.extent[0] = s.extent[1] = -1;
  return s;
}

const VGcompositeOperationState kSourceOver{VG_ONE, VG_ONE_MINUS_SRC_ALPHA, VG_ONE, VG_ONE_MINUS_SRC_ALPHA};

// A path over caller-owned vertex arrays.
VGpath makePath(std::vector<VGvertex>& fill, std::vector<VGvertex>& stroke, int convex) {
  VGpath p{};
  p.fill = fill.empty() ? nullptr : fill.data();
  p.nfill = int(fill.size());
  p.stroke = stroke.empty() ? nullptr : stroke.data();
  p.nstroke = int(stroke.size());
  p.convex = convex;
  return p;
}

std::vector<VGvertex> square(float x, float y, float s) {
  return {{x, y, 0.5f, 1}, {x, y + s, 0.5f, 1}, {x + s, y + s, 0.5f, 1}, {x + s, y, 0.5f, 1}};
}

TEST(MetalRenderer, CreationFollowsTheFlags) {
  struct Case {
    int flags, buffers;
  } cases[] = {{0, 1}, {MVG_DOUBLE_BUFFER, 2}, {MVG_TRIPLE_BUFFER | MVG_ANTIALIAS, 3},
               {MVG_TRIPLE_BUFFER | MVG_DOUBLE_BUFFER, 3}};
  for (const Case& c : cases) {
    Harness h(c.flags);
    ASSERT_NE(h.vg, nullptr);
    MVGcontext_vORBEX9_au* m = h.mvg();
    EXPECT_EQ(m->maxBuffers, c.buffers);
    EXPECT_EQ(int(m->cbuffers.size()), c.buffers);
    EXPECT_EQ(m->fragSize, 256);
    EXPECT_EQ(m->indexSize, 4);
    EXPECT_EQ(h.vg->params.edgeAntiAlias, c.flags & MVG_ANTIALIAS);
    EXPECT_STREQ(m->fragmentFunction->name(), (c.flags & MVG_ANTIALIAS) ? "fragmentShaderAA" : "fragmentShader");
    EXPECT_STREQ(m->vertexFunction->name(), "vertexShader");
    EXPECT_FALSE(h.layer->isOpaque());
    EXPECT_NE(h.layer->device(), nullptr);
    EXPECT_EQ(m->blendFunc->srcRGB, MTLBlendFactorOne);
    EXPECT_EQ(m->blendFunc->dstAlpha, MTLBlendFactorOneMinusSourceAlpha);
    for (auto* s : {m->defaultStencilState, m->fillShapeStencilState, m->fillAntiAliasStencilState,
                    m->fillStencilState, m->strokeShapeStencilState, m->strokeAntiAliasStencilState,
                    m->strokeClearStencilState})
      EXPECT_NE(s, nullptr);
    EXPECT_FALSE(m->defaultStencilState->usesStencil());
    const auto& fs = m->fillShapeStencilState->descriptor();
    EXPECT_EQ(fs.frontFaceStencil.depthStencilPassOperation, MTLStencilOperationIncrementWrap);
    EXPECT_EQ(fs.backFaceStencil.depthStencilPassOperation, MTLStencilOperationDecrementWrap);
    EXPECT_EQ(m->fillStencilState->descriptor().frontFaceStencil.stencilCompareFunction, MTLCompareFunctionNotEqual);
  }
  EXPECT_EQ(mvgrCreateContext(nullptr, 0), nullptr);
}

TEST(MetalRenderer, ViewportSizesInPixelsAndViewSizeInPoints) {
  Harness h;
  MVGcontext_vORBEX9_au* m = h.mvg();
  vgrBeginFrame(h.vg, 300, 200, 2.0f);
  EXPECT_EQ(m->viewPortSize[0], 600u);
  EXPECT_EQ(m->viewPortSize[1], 400u);
  ASSERT_NE(m->buffers->viewSizeBuffer, nullptr);
  const float* vs = static_cast<const float*>(m->buffers->viewSizeBuffer->contents());
  EXPECT_FLOAT_EQ(vs[0], 300.0f);
  EXPECT_FLOAT_EQ(vs[1], 200.0f);
  EXPECT_TRUE(m->buffers->isBusy.load());
  vgrCancelFrame(h.vg);
  EXPECT_FALSE(m->cbuffers[0]->isBusy.load());
  // Odd sizes truncate; a NaN or negative size is an empty viewport whose flush cancels.
  m->renderViewport(100.7f, 50.2f, 1.5f);
  EXPECT_EQ(m->viewPortSize[0], 151u);
  EXPECT_EQ(m->viewPortSize[1], 75u);
  m->renderCancel();
  for (float bad : {NAN, -10.0f, 0.0f}) {
    for (int i = 0; i < 5; i++) {  // more frames than sets: each must come back
      m->renderViewport(bad, 100, 1);
      EXPECT_EQ(m->viewPortSize[0], 0u);
      m->renderFlush();
    }
  }
  for (auto* set : m->cbuffers) EXPECT_FALSE(set->isBusy.load());
}

TEST(MetalRenderer, BuffersGrowByHalfTheirCapacityPlusTheNeed) {
  Harness h;
  MVGcontext_vORBEX9_au* m = h.mvg();
  // Nothing can be allocated outside a frame.
  EXPECT_EQ(m->allocCall(), nullptr);
  EXPECT_EQ(m->allocVerts(4), -1);
  vgrBeginFrame(h.vg, 100, 100, 1);
  MVGbuffers_vORBEX9_au* b = m->buffers;
  ASSERT_NE(m->allocCall(), nullptr);
  EXPECT_EQ(b->ccalls, 128);
  for (int i = 1; i < 128; i++) ASSERT_NE(m->allocCall(), nullptr);
  EXPECT_EQ(b->ccalls, 128);
  ASSERT_NE(m->allocCall(), nullptr);
  EXPECT_EQ(b->ccalls, 64 + 129);

  EXPECT_EQ(m->allocVerts(10), 0);
  EXPECT_EQ(b->cverts, 4096);
  b->verts[9] = VGvertex{1, 2, 3, 4};
  EXPECT_EQ(m->allocVerts(4990), 10);
  EXPECT_EQ(b->cverts, 2048 + 5000);
  // The old contents moved into the new buffer.
  EXPECT_FLOAT_EQ(b->verts[9].y, 2.0f);
  EXPECT_FLOAT_EQ(b->verts[9].v, 4.0f);

  EXPECT_EQ(m->allocIndexes(5), 0);
  EXPECT_EQ(b->cindexes, 4096);
  EXPECT_EQ(m->allocFragUniforms(2), 0);
  EXPECT_EQ(b->cuniforms, 128);
  EXPECT_EQ(m->allocFragUniforms(1), 2 * 256);
  // Refused requests change nothing.
  const int verts = b->nverts, cverts = b->cverts;
  EXPECT_EQ(m->allocVerts(-1), -1);
  EXPECT_EQ(m->allocVerts(1 << 30), -1);
  EXPECT_EQ(m->allocIndexes(-5), -1);
  EXPECT_EQ(m->allocFragUniforms(1 << 30), -1);
  EXPECT_EQ(b->nverts, verts);
  EXPECT_EQ(b->cverts, cverts);
  vgrCancelFrame(h.vg);
  // The counts return to zero with the set; the capacities stay.
  EXPECT_EQ(b->ncalls, 0);
  EXPECT_EQ(b->nverts, 0);
  EXPECT_EQ(b->cverts, 7048);
}

TEST(MetalRenderer, FillsAreRecordedAsConvexOrStencilCalls) {
  Harness h;
  MVGcontext_vORBEX9_au* m = h.mvg();
  vgrBeginFrame(h.vg, 100, 100, 1);
  MVGbuffers_vORBEX9_au* b = m->buffers;
  VGpaint paint = solid(rgba(1, 0, 0, 1));
  VGscissor sc = noScissor();
  std::vector<VGvertex> f1 = square(10, 10, 20), f2 = square(50, 50, 10);
  std::vector<VGvertex> s1 = {{9, 9, 0, 1}, {11, 11, 1, 1}, {9, 31, 0, 1}, {11, 29, 1, 1}};
  std::vector<VGvertex> none, two = {{0, 0, 0.5f, 1}, {1, 1, 0.5f, 1}};
  const float bounds[4] = {10, 10, 60, 60};

  // One convex path: drawn directly, no cover quad.
  VGpath one = makePath(f1, s1, 1);
  m->renderFill(&paint, kSourceOver, &sc, 1.0f, bounds, &one, 1);
  ASSERT_EQ(b->ncalls, 1);
  EXPECT_EQ(b->calls[0].type, MVG_CONVEXFILL);
  EXPECT_EQ(b->calls[0].triangleCount, 0);
  EXPECT_EQ(b->calls[0].indexCount, 6);
  EXPECT_EQ(b->calls[0].strokeCount, 4);
  EXPECT_EQ(b->calls[0].strokeOffset, 4 + 1);

  // Two convex paths: a stencil fill with fans, the cover quad and one joined strip.
  VGpath pair[2] = {makePath(f1, s1, 1), makePath(f2, s1, 1)};
  m->renderFill(&paint, kSourceOver, &sc, 1.0f, bounds, pair, 2);
  ASSERT_EQ(b->ncalls, 2);
  const MVGcall& c = b->calls[1];
  EXPECT_EQ(c.type, MVG_FILL);
  EXPECT_EQ(c.triangleCount, 4);
  EXPECT_EQ(c.indexCount, 12);
  const int block = 8 + 4 + 2 * (4 + 2);
  EXPECT_EQ(c.strokeOffset, 10 + (block - 12) + 1);
  EXPECT_EQ(c.strokeCount, 12 - 2);
  // Fans index their own path's vertices.
  const uint32_t* ix = b->indexes + c.indexOffset;
  EXPECT_EQ(ix[0], 10u);
  EXPECT_EQ(ix[1], 11u);
  EXPECT_EQ(ix[2], 12u);
  EXPECT_EQ(ix[6], 14u);
  // Cover quad at the bounds.
  const VGvertex* q = b->verts + c.triangleOffset;
  EXPECT_EQ(c.triangleOffset, 10 + 8);
  EXPECT_FLOAT_EQ(q[0].x, 60);
  EXPECT_FLOAT_EQ(q[0].y, 60);
  EXPECT_FLOAT_EQ(q[1].y, 10);
  EXPECT_FLOAT_EQ(q[3].x, 10);
  EXPECT_FLOAT_EQ(q[3].u, 0.5f);
  EXPECT_FLOAT_EQ(q[3].v, 1.0f);
  // The strip repeats each path's first and last vertex.
  const VGvertex* strip = b->verts + c.strokeOffset - 1;
  EXPECT_FLOAT_EQ(strip[0].x, s1[0].x);
  EXPECT_FLOAT_EQ(strip[1].x, s1[0].x);
  EXPECT_FLOAT_EQ(strip[5].y, s1[3].y);

  // A path with fewer than three fill vertices adds no fan; no fringes: stroke count -2.
  VGpath thin = makePath(two, none, 0);
  m->renderFill(&paint, kSourceOver, &sc, 1.0f, bounds, &thin, 1);
  EXPECT_EQ(b->calls[2].type, MVG_FILL);
  EXPECT_EQ(b->calls[2].indexCount, 0);
  EXPECT_EQ(b->calls[2].strokeCount, -2);

  // A pentagram through the vector renderer: every corner turns the same way but the
  // outline goes round twice, so it is not convex and fills through the stencil.
  vgrBeginPath(h.vg);
  for (int i = 0; i < 5; i++) {
    const double a = -3.14159265 / 2 + i * 4 * 3.14159265 / 5;
    const float x = float(50 + 40 * std::cos(a)), y = float(50 + 40 * std::sin(a));
    if (i == 0)
      vgrMoveTo(h.vg, x, y);
    else
      vgrLineTo(h.vg, x, y);
  }
  vgrClosePath(h.vg);
  vgrFill(h.vg);
  ASSERT_EQ(b->ncalls, 4);
  EXPECT_EQ(b->calls[3].type, MVG_FILL);
  vgrCancelFrame(h.vg);
}

TEST(MetalRenderer, StrokesAndTrianglesRecordTheirUniforms) {
  for (int flags : {int(MVG_ANTIALIAS), int(MVG_ANTIALIAS | MVG_STENCIL_STROKES)}) {
    Harness h(flags);
    MVGcontext_vORBEX9_au* m = h.mvg();
    vgrBeginFrame(h.vg, 100, 100, 1);
    MVGbuffers_vORBEX9_au* b = m->buffers;
    VGpaint paint = solid(rgba(0, 1, 0, 0.5f));
    VGscissor sc = noScissor();
    std::vector<VGvertex> fill, s = {{0, 0, 0, 1}, {0, 2, 1, 1}, {10, 0, 0, 1}, {10, 2, 1, 1}};
    VGpath p = makePath(fill, s, 0);
    m->renderStroke(&paint, kSourceOver, &sc, 1.0f, 4.0f, &p, 1);
    ASSERT_EQ(b->ncalls, 1);
    EXPECT_EQ(b->calls[0].type, MVG_STROKE);
    EXPECT_EQ(b->calls[0].strokeOffset, 1);
    EXPECT_EQ(b->calls[0].strokeCount, 4);
    const MVGfragUniforms* u = m->fragUniformAtIndex(b->calls[0].uniformOffset);
    EXPECT_FLOAT_EQ(u->strokeThr, -1.0f);
    EXPECT_FLOAT_EQ(u->strokeMult, (4 * 0.5f + 0.5f) / 1.0f);
    EXPECT_FLOAT_EQ(u->innerCol[1], 0.5f);  // premultiplied
    EXPECT_FLOAT_EQ(u->innerCol[3], 0.5f);
    if (flags & MVG_STENCIL_STROKES) {
      EXPECT_EQ(b->nuniforms, 2);
      const MVGfragUniforms* u2 = m->fragUniformAtIndex(b->calls[0].uniformOffset + m->fragSize);
      EXPECT_NEAR(u2->strokeThr, 0.9980392f, 1e-6);
    } else {
      EXPECT_EQ(b->nuniforms, 1);
    }
    const VGvertex tri[3] = {{0, 0, 0, 0}, {5, 0, 1, 0}, {0, 5, 0, 1}};
    m->renderTriangles(&paint, kSourceOver, &sc, tri, 3, 1.0f);
    EXPECT_EQ(b->calls[1].type, MVG_TRIANGLES);
    EXPECT_EQ(b->calls[1].triangleCount, 3);
    EXPECT_EQ(m->fragUniformAtIndex(b->calls[1].uniformOffset)->type, MVG_SHADER_IMG);
    EXPECT_FLOAT_EQ(b->verts[b->calls[1].triangleOffset + 2].y, 5.0f);
    vgrCancelFrame(h.vg);
  }
}

TEST(MetalRenderer, BlendMapAndUniformEdgeCases) {
  using M = MVGcontext_vORBEX9_au;
  const MVGblend over = M::blendCompositeOperation(kSourceOver);
  EXPECT_EQ(over.srcRGB, MTLBlendFactorOne);
  EXPECT_EQ(over.dstRGB, MTLBlendFactorOneMinusSourceAlpha);
  const int bits[] = {VG_ZERO, VG_ONE, VG_SRC_COLOR, VG_ONE_MINUS_SRC_COLOR, VG_DST_COLOR, VG_ONE_MINUS_DST_COLOR,
                      VG_SRC_ALPHA, VG_ONE_MINUS_SRC_ALPHA, VG_DST_ALPHA, VG_ONE_MINUS_DST_ALPHA,
                      VG_SRC_ALPHA_SATURATE};
  const MTLBlendFactor factors[] = {
      MTLBlendFactorZero, MTLBlendFactorOne, MTLBlendFactorSourceColor, MTLBlendFactorOneMinusSourceColor,
      MTLBlendFactorDestinationColor, MTLBlendFactorOneMinusDestinationColor, MTLBlendFactorSourceAlpha,
      MTLBlendFactorOneMinusSourceAlpha, MTLBlendFactorDestinationAlpha, MTLBlendFactorOneMinusDestinationAlpha,
      MTLBlendFactorSourceAlphaSaturated};
  for (int i = 0; i < 11; i++) {
    const MVGblend b =
        M::blendCompositeOperation({bits[i], bits[(i + 1) % 11], bits[(i + 2) % 11], bits[(i + 3) % 11]});
    EXPECT_EQ(b.srcRGB, factors[i]);
    EXPECT_EQ(b.dstRGB, factors[(i + 1) % 11]);
    EXPECT_EQ(b.srcAlpha, factors[(i + 2) % 11]);
    EXPECT_EQ(b.dstAlpha, factors[(i + 3) % 11]);
  }
  // One unknown factor (or two bits at once) gives source-over for all four.
  for (int bad : {2048, 0, VG_ONE | VG_ZERO}) {
    const MVGblend b = M::blendCompositeOperation({VG_ZERO, bad, VG_ZERO, VG_ZERO});
    EXPECT_EQ(b.srcRGB, MTLBlendFactorOne);
    EXPECT_EQ(b.dstAlpha, MTLBlendFactorOneMinusSourceAlpha);
  }

  Harness h;
  MVGcontext_vORBEX9_au* m = h.mvg();
  MVGfragUniforms u;
  VGpaint paint = solid(rgba(1, 1, 1, 1));
  VGscissor sc = noScissor();
  ASSERT_EQ(m->convertPaintForFrag(&u, &paint, &sc, 1, 1, -1), 1);
  for (float v : u.scissorMat) EXPECT_EQ(v, 0.0f);
  EXPECT_FLOAT_EQ(u.scissorExt[0], 1);
  EXPECT_FLOAT_EQ(u.scissorScale[1], 1);
  // A scissor rotated by 90 degrees and scaled: inverse and per-axis scales.
  sc.xform[0] = 0, sc.xform[1] = 2, sc.xform[2] = -2, sc.xform[3] = 0, sc.xform[4] = 10, sc.xform[5] = 20;
  sc.extent[0] = 5, sc.extent[1] = 3;
  m->convertPaintForFrag(&u, &paint, &sc, 1, 0.5f, -1);
  EXPECT_FLOAT_EQ(u.scissorScale[0], 2 / 0.5f);
  EXPECT_NEAR(u.scissorMat[0] * 10 + u.scissorMat[4] * 20 + u.scissorMat[8], 0, 1e-6);  // origin maps to 0
  EXPECT_NEAR(u.scissorMat[1] * 12 + u.scissorMat[5] * 20 + u.scissorMat[9], -1, 1e-6);
  // A singular paint transform: identity instead of infinities.
  paint.xform[0] = 1e-4f, paint.xform[3] = 1e-4f;
  m->convertPaintForFrag(&u, &paint, &sc, 1, 1, -1);
  EXPECT_FLOAT_EQ(u.paintMat[0], 1);
  EXPECT_FLOAT_EQ(u.paintMat[5], 1);
  EXPECT_FLOAT_EQ(u.paintMat[8], 0);
  // Non-finite transforms (paint or scissor) also fall back to the identity.
  for (float bad : {INFINITY, -INFINITY, NAN}) {
    for (int k : {0, 3, 4, 5}) {
      VGpaint q = solid(rgba(1, 1, 1, 1));
      q.xform[k] = bad;
      VGscissor s2 = noScissor();
      s2.xform[k] = bad;
      s2.extent[0] = s2.extent[1] = 4;
      m->convertPaintForFrag(&u, &q, &s2, 1, 1, -1);
      for (int i = 0; i < 12; i++) {
        EXPECT_TRUE(std::isfinite(u.paintMat[i])) << k << " " << i;
        EXPECT_TRUE(std::isfinite(u.scissorMat[i])) << k << " " << i;
      }
      EXPECT_TRUE(std::isfinite(u.scissorScale[0]) && std::isfinite(u.scissorScale[1])) << k;
      EXPECT_FLOAT_EQ(u.paintMat[0], 1);
      EXPECT_FLOAT_EQ(u.paintMat[9], 0);
    }
  }
  // A zero fringe does not divide by zero.
  m->convertPaintForFrag(&u, &paint, &sc, 2, 0.0f, -1);
  EXPECT_TRUE(std::isfinite(u.strokeMult));
  EXPECT_TRUE(std::isfinite(u.scissorScale[0]));

  // Image paints: texture type from the image kind and flags; flip y mirrors the extent.
  const unsigned char px[16] = {};
  const int straight = mvgrCreateRGBAImage(h.vg, 2, 2, 0, px);
  const int premul = mvgrCreateRGBAImage(h.vg, 2, 2, VG_IMAGE_PREMULTIPLIED | VG_IMAGE_FLIPY, px);
  const int alpha = h.vg->params.renderCreateTexture(m, VG_TEXTURE_ALPHA, 2, 2, 0, px);
  paint = solid(rgba(1, 1, 1, 1));
  paint.extent[0] = 2, paint.extent[1] = 8;
  paint.image = straight;
  m->convertPaintForFrag(&u, &paint, &sc, 1, 1, -1);
  EXPECT_EQ(u.type, MVG_SHADER_FILLIMG);
  EXPECT_EQ(u.texType, MVG_TEX_STRAIGHT);
  paint.image = alpha;
  m->convertPaintForFrag(&u, &paint, &sc, 1, 1, -1);
  EXPECT_EQ(u.texType, MVG_TEX_ALPHA);
  paint.image = premul;
  m->convertPaintForFrag(&u, &paint, &sc, 1, 1, -1);
  EXPECT_EQ(u.texType, MVG_TEX_PREMULT);
  EXPECT_FLOAT_EQ(u.paintMat[9], 8);  // frame y 0 reads paint row 8
  EXPECT_FLOAT_EQ(u.paintMat[5] * 8 + u.paintMat[9], 0);
  paint.image = 999;
  EXPECT_EQ(m->convertPaintForFrag(&u, &paint, &sc, 1, 1, -1), 0);

  // A draw whose image is gone is dropped rather than drawn as a solid.
  vgrBeginFrame(h.vg, 10, 10, 1);
  std::vector<VGvertex> f = square(0, 0, 5), none;
  VGpath p = makePath(f, none, 1);
  const float bounds[4] = {0, 0, 5, 5};
  sc = noScissor();
  m->renderFill(&paint, kSourceOver, &sc, 1, bounds, &p, 1);
  EXPECT_EQ(m->buffers->ncalls, 0);
  vgrCancelFrame(h.vg);
}

TEST(MetalRenderer, EncodedPassesFollowTheStencilSequence) {
  Harness h(MVG_ANTIALIAS | MVG_STENCIL_STROKES);
  MVGcontext_vORBEX9_au* m = h.mvg();
  MVGframebuffer* fb = mvgrCreateFramebuffer(h.vg, 64, 64, 0);
  ASSERT_NE(fb, nullptr);
  vgrBeginFrame(h.vg, 64, 64, 1);
  VGpaint paint = solid(rgba(1, 1, 1, 1));
  VGscissor sc = noScissor();
  // A concave L: stencil fill.
  std::vector<VGvertex> l = {{0, 0, .5f, 1},  {0, 40, .5f, 1}, {40, 40, .5f, 1},
                             {40, 30, .5f, 1}, {10, 30, .5f, 1}, {10, 0, .5f, 1}};
  std::vector<VGvertex> fringe = {{0, 0, 0, 1}, {1, 1, 1, 1}, {0, 40, 0, 1}, {1, 39, 1, 1}};
  VGpath concave = makePath(l, fringe, 0);
  const float bounds[4] = {0, 0, 40, 40};
  m->renderFill(&paint, kSourceOver, &sc, 1, bounds, &concave, 1);
  std::vector<VGvertex> sq = square(0, 0, 8);
  VGpath convex = makePath(sq, fringe, 1);
  m->renderFill(&paint, kSourceOver, &sc, 1, bounds, &convex, 1);
  m->renderStroke(&paint, kSourceOver, &sc, 1, 3, &concave, 1);

  // Encode the recorded calls into a command buffer of our own and read them back.
  MVGbuffers_vORBEX9_au* b = m->buffers;
  ASSERT_EQ(b->ncalls, 3);
  MTLCommandBuffer* cb = m->commandQueue->commandBuffer();
  {
    std::lock_guard<std::mutex> lock(b->lock);
    b->commandBuffer = cb;
  }
  MTLTexture* target = m->findTexture(fb->image)->tex;
  ASSERT_TRUE(m->updateStencilTextureToSize(64, 64));
  m->renderEncoder = m->renderCommandEncoderWithColorTexture(target);
  ASSERT_NE(m->renderEncoder, nullptr);
  for (int i = 0; i < b->ncalls; i++) {
    m->updateRenderPipelineStatesForBlend(b->calls[i].blend, target->pixelFormat());
    if (b->calls[i].type == MVG_FILL) m->fill(b->calls[i]);
    if (b->calls[i].type == MVG_CONVEXFILL) m->convexFill(b->calls[i]);
    if (b->calls[i].type == MVG_STROKE) m->stroke(b->calls[i]);
  }
  m->renderEncoder->endEncoding();
  m->renderEncoder = nullptr;
  const std::vector<MTLDrawSummary> d = cb->drawSummaries();
  ASSERT_EQ(d.size(), 3u + 2u + 3u);
  // Fill: winding into the stencil (no culling, no colour), fringe outside, cover.
  EXPECT_TRUE(d[0].indexed);
  EXPECT_EQ(d[0].count, 12u);
  EXPECT_EQ(d[0].depthStencil, m->fillShapeStencilState);
  EXPECT_EQ(d[0].pipeline, m->stencilOnlyPipelineState);
  EXPECT_EQ(d[0].cull, MTLCullModeNone);
  EXPECT_EQ(d[1].type, MTLPrimitiveTypeTriangleStrip);
  EXPECT_EQ(d[1].depthStencil, m->fillAntiAliasStencilState);
  EXPECT_EQ(d[1].pipeline, m->pipelineState);
  EXPECT_EQ(d[1].cull, MTLCullModeBack);
  EXPECT_EQ(d[2].depthStencil, m->fillStencilState);
  EXPECT_EQ(d[2].count, 4u);
  EXPECT_EQ(d[2].start, NSUInteger(b->calls[0].triangleOffset));
  // Convex fill: fan and fringe in the default state.
  EXPECT_TRUE(d[3].indexed);
  EXPECT_EQ(d[3].depthStencil, m->defaultStencilState);
  EXPECT_FALSE(d[4].indexed);
  // Stencil stroke: once per pixel with the second record, edges, clear.
  EXPECT_EQ(d[5].depthStencil, m->strokeShapeStencilState);
  EXPECT_EQ(d[5].fragmentOffset, NSUInteger(b->calls[2].uniformOffset + m->fragSize));
  EXPECT_EQ(d[6].depthStencil, m->strokeAntiAliasStencilState);
  EXPECT_EQ(d[6].fragmentOffset, NSUInteger(b->calls[2].uniformOffset));
  EXPECT_EQ(d[7].depthStencil, m->strokeClearStencilState);
  EXPECT_EQ(d[7].pipeline, m->stencilOnlyPipelineState);
  // The set's reference to the (never committed) buffer goes with the cancelled frame.
  vgrCancelFrame(h.vg);
  EXPECT_EQ(b->commandBuffer, nullptr);
  mvgrDeleteFramebuffer(fb);
}

TEST(MetalRenderer, PipelinesAreRebuiltOnlyForANewBlendOrFormat) {
  Harness h;
  MVGcontext_vORBEX9_au* m = h.mvg();
  const MVGblend over = MVGcontext_vORBEX9_au::blendCompositeOperation(kSourceOver);
  m->updateRenderPipelineStatesForBlend(over, MTLPixelFormatRGBA8Unorm);
  MTLRenderPipelineState* first = m->pipelineState;
  ASSERT_NE(first, nullptr);
  ASSERT_NE(m->stencilOnlyPipelineState, nullptr);
  EXPECT_EQ(m->stencilOnlyPipelineState->fragmentProgram(), nullptr);
  EXPECT_EQ(m->stencilOnlyPipelineState->colorAttachment().writeMask, NSUInteger(MTLColorWriteMaskNone));
  m->updateRenderPipelineStatesForBlend(over, MTLPixelFormatRGBA8Unorm);
  EXPECT_EQ(m->pipelineState, first);
  m->updateRenderPipelineStatesForBlend(over, MTLPixelFormatBGRA8Unorm);
  EXPECT_EQ(m->piplelinePixelFormat, MTLPixelFormatBGRA8Unorm);
  EXPECT_EQ(m->pipelineState->colorAttachment().pixelFormat, MTLPixelFormatBGRA8Unorm);
  const MVGblend copy = MVGcontext_vORBEX9_au::blendCompositeOperation({VG_ONE, VG_ZERO, VG_ONE, VG_ZERO});
  m->updateRenderPipelineStatesForBlend(copy, MTLPixelFormatBGRA8Unorm);
  EXPECT_EQ(m->pipelineState->colorAttachment().destinationRGBBlendFactor, MTLBlendFactorZero);
  EXPECT_EQ(m->blendFunc->dstRGB, MTLBlendFactorZero);
}

TEST(MetalRenderer, ImagesReuseRecordsAndCheckTheirArguments) {
  Harness h;
  MVGcontext_vORBEX9_au* m = h.mvg();
  // The font atlas is image 1.
  const int a = mvgrCreateRGBAImage(h.vg, 4, 4, 0, nullptr);
  const int b = mvgrCreateRGBAImage(h.vg, 4, 4, VG_IMAGE_REPEATX | VG_IMAGE_REPEATY, nullptr);
  const int c = mvgrCreateRGBAImage(h.vg, 4, 4, VG_IMAGE_NEAREST | VG_IMAGE_GENERATE_MIPMAPS, nullptr);
  EXPECT_EQ(a, 2);
  EXPECT_EQ(b, 3);
  EXPECT_EQ(c, 4);
  const MTLSamplerDescriptor& sb = m->findTexture(b)->sampler->descriptor();
  EXPECT_EQ(sb.sAddressMode, MTLSamplerAddressModeRepeat);
  EXPECT_EQ(sb.tAddressMode, MTLSamplerAddressModeRepeat);
  EXPECT_EQ(sb.magFilter, MTLSamplerMinMagFilterLinear);
  const MTLSamplerDescriptor& sc = m->findTexture(c)->sampler->descriptor();
  EXPECT_EQ(sc.magFilter, MTLSamplerMinMagFilterNearest);
  EXPECT_EQ(sc.mipFilter, MTLSamplerMipFilterNearest);
  EXPECT_EQ(m->findTexture(c)->tex->mipmapLevelCount(), 3u);
  EXPECT_EQ(m->findTexture(a)->sampler->descriptor().sAddressMode, MTLSamplerAddressModeClampToEdge);

  const size_t records = m->textures.size();
  EXPECT_EQ(h.vg->params.renderDeleteTexture(m, b), 1);
  EXPECT_EQ(h.vg->params.renderDeleteTexture(m, b), 0);
  const int d = mvgrCreateRGBAImage(h.vg, 2, 2, 0, nullptr);
  EXPECT_EQ(d, 5);
  EXPECT_EQ(m->textures.size(), records);  // the freed record was reused

  int w = 0, hh = 0;
  EXPECT_EQ(h.vg->params.renderGetTextureSize(m, d, &w, &hh), 1);
  EXPECT_EQ(w, 2);
  EXPECT_EQ(h.vg->params.renderGetTextureSize(m, 77, &w, &hh), 0);
  // Bad types and sizes make no image.
  EXPECT_EQ(h.vg->params.renderCreateTexture(m, 3, 4, 4, 0, nullptr), 0);
  EXPECT_EQ(mvgrCreateRGBAImage(h.vg, 0, 4, 0, nullptr), 0);
  EXPECT_EQ(mvgrCreateRGBAImage(h.vg, -3, 4, 0, nullptr), 0);
  EXPECT_EQ(mvgrCreateRGBAImage(h.vg, 4, 100000, 0, nullptr), 0);
  EXPECT_EQ(mvgrCreateFramebuffer(h.vg, 0, 0, 0), nullptr);

  // Updates: the source is a whole image of the texture's width; the region must fit.
  std::vector<unsigned char> src(4 * 4 * 4);
  for (size_t i = 0; i < src.size(); i++) src[i] = (unsigned char)i;
  EXPECT_EQ(h.vg->params.renderUpdateTexture(m, a, 1, 2, 2, 2, src.data()), 1);
  std::vector<unsigned char> out(4 * 4 * 4, 0xEE);
  EXPECT_EQ(mvgrReadPixels(h.vg, a, 0, 0, 4, 4, out.data()), 1);
  EXPECT_EQ(out[(2 * 4 + 1) * 4], src[(2 * 4 + 1) * 4]);
  EXPECT_EQ(out[(3 * 4 + 2) * 4 + 3], src[(3 * 4 + 2) * 4 + 3]);
  EXPECT_EQ(out[0], 0);
  const int bad[][4] = {{3, 0, 2, 1}, {0, 3, 1, 2}, {-1, 0, 1, 1}, {0, 0, 0, 1}, {0, 0, 1, -1}};
  for (const auto& r : bad) {
    EXPECT_EQ(h.vg->params.renderUpdateTexture(m, a, r[0], r[1], r[2], r[3], src.data()), 0);
    EXPECT_EQ(mvgrReadPixels(h.vg, a, r[0], r[1], r[2], r[3], out.data()), 0);
  }
  EXPECT_EQ(h.vg->params.renderUpdateTexture(m, a, 0, 0, 1, 1, nullptr), 0);
  EXPECT_EQ(h.vg->params.renderUpdateTexture(m, 99, 0, 0, 1, 1, src.data()), 0);
  EXPECT_EQ(mvgrReadPixels(h.vg, a, 0, 0, 1, 1, nullptr), 0);
  EXPECT_EQ(mvgrReadPixels(h.vg, 99, 0, 0, 1, 1, out.data()), 0);
  // A sub-region reads into rows of the image's full width.
  std::fill(out.begin(), out.end(), 0xEE);
  EXPECT_EQ(mvgrReadPixels(h.vg, a, 1, 2, 2, 2, out.data()), 1);
  EXPECT_EQ(out[0], src[(2 * 4 + 1) * 4]);
  EXPECT_EQ(out[4 * 4], src[(3 * 4 + 1) * 4]);
  EXPECT_EQ(out[2 * 4], 0xEE);

  // Wrapping a texture: the image holds its own reference.
  MTLTextureDescriptor td =
      MTLTextureDescriptor::texture2DDescriptorWithPixelFormat(MTLPixelFormatBGRA8Unorm, 8, 8, false);
  MTLTexture* t = mvgrDevice(h.vg)->newTextureWithDescriptor(td);
  const int wrapped = mvgrCreateImageFromTexture(h.vg, t, VG_IMAGE_NODELETE);
  EXPECT_GT(wrapped, 0);
  EXPECT_EQ(mvgrTextureForImage(h.vg, wrapped), t);
  EXPECT_EQ(t->retainCount(), 2);
  mvgrDeleteImage(h.vg, wrapped);
  EXPECT_EQ(t->retainCount(), 1);
  EXPECT_EQ(mvgrTextureForImage(h.vg, wrapped), nullptr);
  EXPECT_EQ(mvgrCreateImageFromTexture(h.vg, nullptr, 0), 0);
  t->release();
}

void waitForFrames(MVGcontext_vORBEX9_au* m) {
  for (auto* set : m->cbuffers) {
    MTLCommandBuffer* cb = nullptr;
    {
      std::lock_guard<std::mutex> lock(set->lock);
      cb = MTLRetain(set->commandBuffer);
    }
    if (cb) {
      cb->waitUntilCompleted();
      cb->release();
    }
  }
}

TEST(MetalRenderer, FramesWithoutATargetGiveTheirSetBack) {
  // The layer has no drawable size, so there is never a drawable: each flush must
  // return its set, or the fourth frame would wait for ever.
  Harness h;
  MVGcontext_vORBEX9_au* m = h.mvg();
  auto frame = [&] {
    vgrBeginFrame(h.vg, 32, 32, 1);
    vgrBeginPath(h.vg);
    vgrRect(h.vg, 0, 0, 10, 10);
    vgrFill(h.vg);
    vgrEndFrame(h.vg);
  };
  mvgrBindFramebuffer(nullptr);
  for (int i = 0; i < 6; i++) frame();
  EXPECT_EQ(h.layer->presentCount(), 0u);

  // A framebuffer whose image was deleted: cancelled as well.
  MVGframebuffer* fb = mvgrCreateFramebuffer(h.vg, 32, 32, 0);
  ASSERT_NE(fb, nullptr);
  h.vg->params.renderDeleteTexture(m, fb->image);
  mvgrBindFramebuffer(fb);
  for (int i = 0; i < 6; i++) frame();
  mvgrBindFramebuffer(nullptr);
  mvgrDeleteFramebuffer(fb);

  // Frames begun and never ended.
  for (int i = 0; i < 6; i++) vgrBeginFrame(h.vg, 32, 32, 1);
  vgrCancelFrame(h.vg);
  for (auto* set : m->cbuffers) EXPECT_FALSE(set->isBusy.load());

  // With a drawable the frame is presented on the layer.
  h.layer->setDrawableSize(CGSizeMake(32, 32));
  frame();
  waitForFrames(m);
  EXPECT_EQ(h.layer->presentCount(), 1u);
  MTLTexture* shown = h.layer->copyPresentedTexture();
  ASSERT_NE(shown, nullptr);
  EXPECT_EQ(shown->pixelFormat(), MTLPixelFormatBGRA8Unorm);
  unsigned char px[4];
  shown->getBytes(px, 4, MTLRegionMake2D(5, 5, 1, 1), 0);
  EXPECT_EQ(px[3], 255);  // the default fill colour is opaque
  shown->release();
}

TEST(MetalRenderer, FlushTargetsFormatsPresentationAndTheClearFlag) {
  Harness h;
  MVGcontext_vORBEX9_au* m = h.mvg();
  h.layer->setDrawableSize(CGSizeMake(16, 16));
  h.fb = mvgrCreateFramebuffer(h.vg, 16, 16, 0);
  ASSERT_NE(h.fb, nullptr);
  auto frame = [&](float w, float hgt) {
    vgrBeginFrame(h.vg, w, hgt, 1);
    vgrBeginPath(h.vg);
    vgrRect(h.vg, 0, 0, 4, 4);
    vgrFill(h.vg);
    vgrEndFrame(h.vg);
  };
  // A cancelled frame has no pass, so the clear waits for the next one, which uses it up.
  mvgrClearWithColor(h.vg, rgba(0, 1, 0, 0.5f));
  EXPECT_DOUBLE_EQ(m->clearColor.green, 0.5);
  EXPECT_DOUBLE_EQ(m->clearColor.alpha, 0.5);
  mvgrBindFramebuffer(h.fb);
  frame(0, 16);
  EXPECT_TRUE(m->clearBufferOnFlush);
  frame(16, 16);
  EXPECT_FALSE(m->clearBufferOnFlush);
  EXPECT_EQ(m->piplelinePixelFormat, MTLPixelFormatRGBA8Unorm);
  unsigned char px[4];
  ASSERT_EQ(mvgrReadPixels(h.vg, h.fb->image, 10, 10, 1, 1, px), 1);
  EXPECT_EQ(px[1], 128);
  EXPECT_EQ(px[3], 128);

  // The drawable, in the layer's format: pipelines follow the target. Without
  // transactions the command buffer presents it when it completes.
  mvgrBindFramebuffer(nullptr);
  frame(16, 16);
  EXPECT_EQ(m->piplelinePixelFormat, MTLPixelFormatBGRA8Unorm);
  waitForFrames(m);
  EXPECT_EQ(h.layer->presentCount(), 1u);
  // With transactions the flush itself presents, once the buffer is scheduled.
  h.layer->setPresentsWithTransaction(true);
  frame(16, 16);
  EXPECT_EQ(h.layer->presentCount(), 2u);
  waitForFrames(m);
  EXPECT_EQ(h.layer->presentCount(), 2u);
}

TEST(MetalRenderer, AFramebufferOfAnotherContextIsIgnored) {
  Harness a, b;
  b.layer->setDrawableSize(CGSizeMake(16, 16));
  MVGframebuffer* fb = mvgrCreateFramebuffer(a.vg, 16, 16, 0);
  mvgrBindFramebuffer(fb);
  vgrBeginFrame(b.vg, 16, 16, 1);
  vgrBeginPath(b.vg);
  vgrRect(b.vg, 0, 0, 16, 16);
  vgrSetFillColor(b.vg, rgba(1, 1, 1, 1));
  vgrFill(b.vg);
  vgrEndFrame(b.vg);
  // Deleting the context waits for its frames; the drawable got the frame.
  mvgrDeleteContext(b.vg);
  b.vg = nullptr;
  EXPECT_EQ(b.layer->presentCount(), 1u);
  std::vector<unsigned char> px(16 * 16 * 4, 1);
  EXPECT_EQ(mvgrReadPixels(a.vg, fb->image, 0, 0, 16, 16, px.data()), 1);
  EXPECT_EQ(px[3], 0);  // a's framebuffer untouched
  mvgrBindFramebuffer(nullptr);
  mvgrDeleteFramebuffer(fb);
}

TEST(MetalRenderer, AFramebufferMayOutliveItsContext) {
  Harness a, b;
  b.layer->setDrawableSize(CGSizeMake(8, 8));
  MVGframebuffer* fb = mvgrCreateFramebuffer(a.vg, 8, 8, 0);
  ASSERT_NE(fb, nullptr);
  mvgrBindFramebuffer(fb);
  // Deleting a's context unbinds its framebuffer; the record can still be deleted.
  mvgrDeleteContext(a.vg);
  a.vg = nullptr;
  EXPECT_EQ(mvgrBoundFramebuffer(), nullptr);
  mvgrDeleteFramebuffer(fb);
  // b's frame goes to its drawable.
  vgrBeginFrame(b.vg, 8, 8, 1);
  vgrBeginPath(b.vg);
  vgrRect(b.vg, 0, 0, 8, 8);
  vgrFill(b.vg);
  vgrEndFrame(b.vg);
  mvgrDeleteContext(b.vg);
  b.vg = nullptr;
  EXPECT_EQ(b.layer->presentCount(), 1u);
}

// Every state compares depth with Always; a face without stencil operations keeps the
// descriptor's defaults (Always, Keep, Keep, Keep), which neither tests nor changes.
TEST(MetalRenderer, DepthStencilStatesCarryTheirPerFaceOperations) {
  using C = MTLCompareFunction;
  using O = MTLStencilOperation;
  struct Face {
    C compare;
    O fail, depthFail, pass;
  };
  const Face none{MTLCompareFunctionAlways, MTLStencilOperationKeep, MTLStencilOperationKeep, MTLStencilOperationKeep};
  Harness h;
  MVGcontext_vORBEX9_au* m = h.mvg();
  const struct {
    const char* name;
    MTLDepthStencilState* state;
    Face front, back;
    bool stencil;
  } cases[] = {
      {"default", m->defaultStencilState, none, none, false},
      {"fillShape", m->fillShapeStencilState,
       {MTLCompareFunctionAlways, MTLStencilOperationKeep, MTLStencilOperationKeep, MTLStencilOperationIncrementWrap},
       {MTLCompareFunctionAlways, MTLStencilOperationKeep, MTLStencilOperationKeep, MTLStencilOperationDecrementWrap},
       true},
      {"fillAntiAlias", m->fillAntiAliasStencilState,
       {MTLCompareFunctionEqual, MTLStencilOperationKeep, MTLStencilOperationKeep, MTLStencilOperationZero}, none, true},
      {"fill", m->fillStencilState,
       {MTLCompareFunctionNotEqual, MTLStencilOperationZero, MTLStencilOperationZero, MTLStencilOperationZero}, none,
       true},
      {"strokeShape", m->strokeShapeStencilState,
       {MTLCompareFunctionEqual, MTLStencilOperationKeep, MTLStencilOperationKeep, MTLStencilOperationIncrementClamp},
       none, true},
      {"strokeAntiAlias", m->strokeAntiAliasStencilState,
       {MTLCompareFunctionEqual, MTLStencilOperationKeep, MTLStencilOperationKeep, MTLStencilOperationKeep}, none, true},
      {"strokeClear", m->strokeClearStencilState,
       {MTLCompareFunctionAlways, MTLStencilOperationZero, MTLStencilOperationZero, MTLStencilOperationZero}, none,
       true},
  };
  auto expectFace = [](const MTLStencilDescriptor& got, const Face& want, const std::string& what) {
    EXPECT_EQ(got.stencilCompareFunction, want.compare) << what;
    EXPECT_EQ(got.stencilFailureOperation, want.fail) << what;
    EXPECT_EQ(got.depthFailureOperation, want.depthFail) << what;
    EXPECT_EQ(got.depthStencilPassOperation, want.pass) << what;
    EXPECT_EQ(got.readMask, 0xFFu) << what;
    EXPECT_EQ(got.writeMask, 0xFFu) << what;
  };
  for (const auto& c : cases) {
    ASSERT_NE(c.state, nullptr) << c.name;
    const MTLDepthStencilDescriptor& d = c.state->descriptor();
    EXPECT_EQ(d.depthCompareFunction, MTLCompareFunctionAlways) << c.name;
    EXPECT_FALSE(d.depthWriteEnabled) << c.name;
    expectFace(d.frontFaceStencil, c.front, std::string(c.name) + " front");
    expectFace(d.backFaceStencil, c.back, std::string(c.name) + " back");
    EXPECT_EQ(c.state->usesStencil(), c.stencil) << c.name;
  }
}

TEST(MetalRenderer, ErrorsArePrintedOnlyWithTheDebugFlag) {
  MTLError* err = new MTLError(1, "no vertex function");
  for (int flags : {0, int(MVG_DEBUG)}) {
    Harness h(flags);
    testing::internal::CaptureStdout();
    h.mvg()->checkError(err, "init pipeline state");
    h.mvg()->checkError(nullptr, "init library");
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(out, flags ? "Error occurs after init pipeline state: no vertex function\n" : "");
  }
  err->release();
}

TEST(MetalRenderer, NonFiniteGeometryDrawsNothingAndHarmsNothing) {
  Harness h;
  const test::Image img = h.render(32, 32, [](VGcontext* vg) {
    vgrBeginPath(vg);
    vgrMoveTo(vg, NAN, 3);
    vgrLineTo(vg, 30, 3);
    vgrLineTo(vg, 30, INFINITY);
    vgrFill(vg);
    // Far beyond the fixed-point range: clipped, and its edge at y = 8 stays exact.
    vgrBeginPath(vg);
    vgrMoveTo(vg, -1e9f, -1e9f);
    vgrLineTo(vg, -1e9f, 8);
    vgrLineTo(vg, 1e9f, 8);
    vgrLineTo(vg, 1e9f, -1e9f);
    vgrClosePath(vg);
    vgrSetFillColor(vg, rgba(1, 0, 0, 1));
    vgrFill(vg);
    vgrBeginPath(vg);
    vgrRect(vg, 8, 16, 8, 8);
    vgrSetFillColor(vg, rgba(0, 1, 0, 1));
    vgrFill(vg);
  });
  EXPECT_EQ(img.g(12, 20), 255);
  EXPECT_EQ(img.a(2, 28), 0);
  for (int x = 0; x < 32; x += 5) {
    EXPECT_EQ(img.r(x, 7), 255) << x;
    EXPECT_EQ(img.a(x, 8), 0) << x;
  }
}

TEST(MetalRenderer, DeletingTheContextWithFramesInFlight) {
  for (int i = 0; i < 4; i++) {
    Harness h;
    h.fb = mvgrCreateFramebuffer(h.vg, 200, 200, 0);
    mvgrBindFramebuffer(h.fb);
    for (int f = 0; f < 3; f++) {
      vgrBeginFrame(h.vg, 200, 200, 1);
      vgrBeginPath(h.vg);
      vgrCircle(h.vg, 100, 100, 90);
      vgrFill(h.vg);
      vgrEndFrame(h.vg);
    }
    vgrBeginFrame(h.vg, 200, 200, 1);  // left recording
    mvgrDeleteFramebuffer(h.fb);
    h.fb = nullptr;
    mvgrDeleteContext(h.vg);  // waits for the three committed frames
    h.vg = nullptr;
  }
}

}  // namespace
}  // namespace fx::gfx
