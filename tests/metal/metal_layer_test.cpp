// The software Metal layer on its own: rasterisation rules, stencil, blending, textures,
// sampling, libraries, pipelines and dispatch objects.
#include <gtest/gtest.h>

#include <Metal/Metal.h>
#include <dispatch/dispatch.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "platform/Metal/src/SourceOver.h"

namespace {

// Programs: positions in pixels (attribute 0) over a target size in vertex buffer 1;
// the fragment colour is the float4 at fragment buffer 0.
void pixelVertex(const MTLVertexIn& in, MTLVertexOut& out) {
  float size[2];
  std::memcpy(size, in.buffers[1].bytes, sizeof(size));
  out.position[0] = 2 * in.attributes[0][0] / size[0] - 1;
  out.position[1] = 1 - 2 * in.attributes[0][1] / size[1];
  out.position[2] = 0;
  out.position[3] = 1;
}

void constantFragment(const MTLFragmentSpan& span, float* const* rgba, unsigned char*) {
  float c[4];
  std::memcpy(c, span.buffers[0].bytes, sizeof(c));
  for (int i = 0; i < span.count; i++)
    for (int k = 0; k < 4; k++) rgba[k][i] = c[k];
}

struct Gpu {
  MTLDevice* device = MTLCreateSystemDefaultDevice();
  MTLCommandQueue* queue = device->newCommandQueue();
  MTLFunction* vertex = nullptr;
  MTLFunction* fragment = nullptr;

  Gpu() {
    MTLRegisterProgram("testVertex", MTLFunctionTypeVertex, reinterpret_cast<void*>(&pixelVertex), 0);
    MTLRegisterProgram("testFragment", MTLFunctionTypeFragment, reinterpret_cast<void*>(&constantFragment), 0);
    const unsigned char blob[] = {'M', 'T', 'L', 'B', 1, 0, 0, 0, 2, 0, 0, 0, 1, 't', 'e', 's', 't', 'V', 'e', 'r',
                                  't', 'e', 'x', 0, 2, 't', 'e', 's', 't', 'F', 'r', 'a', 'g', 'm', 'e', 'n', 't', 0};
    MTLLibrary* lib = MTLLibrary::create(blob, sizeof(blob), nullptr);
    vertex = lib->newFunctionWithName("testVertex");
    fragment = lib->newFunctionWithName("testFragment");
    lib->release();
  }
  ~Gpu() {
    MTLRelease(vertex);
    MTLRelease(fragment);
    queue->release();
    device->release();
  }

  MTLTexture* texture(MTLPixelFormat f, int w, int h) {
    MTLTextureDescriptor d = MTLTextureDescriptor::texture2DDescriptorWithPixelFormat(f, w, h, false);
    d.usage = MTLTextureUsageRenderTarget | MTLTextureUsageShaderRead;
    return device->newTextureWithDescriptor(d);
  }

  void generateMipmaps(MTLTexture* t) {
    MTLCommandBuffer* cb = queue->commandBuffer();
    MTLBlitCommandEncoder* blit = cb->blitCommandEncoder();
    blit->generateMipmapsForTexture(t);
    blit->endEncoding();
    cb->commit();
    cb->waitUntilCompleted();
    cb->release();
  }

  MTLRenderPipelineState* pipeline(bool colour, MTLBlendFactor sRGB = MTLBlendFactorOne,
                                   MTLBlendFactor dRGB = MTLBlendFactorZero, MTLBlendFactor sA = MTLBlendFactorOne,
                                   MTLBlendFactor dA = MTLBlendFactorZero, bool blending = true) {
    MTLRenderPipelineDescriptor d;
    d.vertexFunction = vertex;
    d.fragmentFunction = colour ? fragment : nullptr;
    d.vertexDescriptor.attributes[0].format = MTLVertexFormatFloat2;
    d.vertexDescriptor.layouts[0].stride = 8;
    d.hasVertexDescriptor = true;
    d.colorAttachments[0].pixelFormat = MTLPixelFormatRGBA8Unorm;
    d.colorAttachments[0].blendingEnabled = blending;
    d.colorAttachments[0].sourceRGBBlendFactor = sRGB;
    d.colorAttachments[0].destinationRGBBlendFactor = dRGB;
    d.colorAttachments[0].sourceAlphaBlendFactor = sA;
    d.colorAttachments[0].destinationAlphaBlendFactor = dA;
    if (!colour) d.colorAttachments[0].writeMask = MTLColorWriteMaskNone;
    d.stencilAttachmentPixelFormat = MTLPixelFormatStencil8;
    return device->newRenderPipelineStateWithDescriptor(d, nullptr);
  }
};

// One render pass over a colour and a stencil target of w x h with the given vertices.
struct Pass {
  Gpu& gpu;
  int w, h;
  MTLTexture* color;
  MTLTexture* stencil;
  MTLCommandBuffer* cb;
  MTLRenderCommandEncoder* enc;
  std::vector<MTLBuffer*> buffers;

  Pass(Gpu& g, int w_, int h_, MTLClearColor clear = {0, 0, 0, 0}, uint32_t clearStencil = 0)
      : gpu(g), w(w_), h(h_) {
    color = g.texture(MTLPixelFormatRGBA8Unorm, w, h);
    stencil = g.texture(MTLPixelFormatStencil8, w, h);
    cb = g.queue->commandBuffer();
    MTLRenderPassDescriptor d;
    d.colorAttachments[0].texture = color;
    d.colorAttachments[0].loadAction = MTLLoadActionClear;
    d.colorAttachments[0].clearColor = clear;
    d.stencilAttachment.texture = stencil;
    d.stencilAttachment.loadAction = MTLLoadActionClear;
    d.stencilAttachment.clearStencil = clearStencil;
    enc = cb->renderCommandEncoderWithDescriptor(d);
    const float size[2] = {float(w), float(h)};
    enc->setVertexBuffer(keep(g.device->newBufferWithBytes(size, sizeof(size), 0)), 0, 1);
    colour(1, 1, 1, 1);
  }
  ~Pass() {
    for (MTLBuffer* b : buffers) b->release();
    cb->release();
    color->release();
    stencil->release();
  }
  MTLBuffer* keep(MTLBuffer* b) {
    buffers.push_back(b);
    return b;
  }
  void colour(float r, float g, float b, float a) {
    const float c[4] = {r, g, b, a};
    enc->setFragmentBuffer(keep(gpu.device->newBufferWithBytes(c, sizeof(c), 0)), 0, 0);
  }
  void draw(MTLPrimitiveType type, const std::vector<float>& xy) {
    enc->setVertexBuffer(keep(gpu.device->newBufferWithBytes(xy.data(), xy.size() * 4, 0)), 0, 0);
    enc->drawPrimitives(type, 0, xy.size() / 2);
  }
  void fullQuad() { draw(MTLPrimitiveTypeTriangleStrip, {0, 0, 0, float(h), float(w), 0, float(w), float(h)}); }
  void finish() {
    enc->endEncoding();
    cb->commit();
    cb->waitUntilCompleted();
  }
  std::vector<uint8_t> stencilBytes() const {
    std::vector<uint8_t> out(size_t(w) * h);
    stencil->getBytes(out.data(), w, MTLRegionMake2D(0, 0, w, h), 0);
    return out;
  }
  std::vector<uint8_t> colorBytes() const {
    std::vector<uint8_t> out(size_t(w) * h * 4);
    color->getBytes(out.data(), w * 4, MTLRegionMake2D(0, 0, w, h), 0);
    return out;
  }
};

MTLDepthStencilState* countingState(Gpu& g) {
  MTLDepthStencilDescriptor d;
  d.frontFaceStencil.depthStencilPassOperation = MTLStencilOperationIncrementClamp;
  d.backFaceStencil.depthStencilPassOperation = MTLStencilOperationIncrementClamp;
  return g.device->newDepthStencilStateWithDescriptor(d);
}

TEST(MetalLayer, TrianglesSharingEdgesCoverEveryPixelExactlyOnce) {
  Gpu g;
  MTLRenderPipelineState* stencilOnly = g.pipeline(false);
  MTLDepthStencilState* count = countingState(g);
  std::mt19937 rng(7);
  for (int trial = 0; trial < 24; trial++) {
    const int W = 61, H = 47, nx = 7, ny = 6;
    // Grid points: the border fixed on the target's edges, inner ones jittered; some land
    // exactly on pixel centres or pixel corners to exercise the tie rule.
    std::vector<float> px((nx + 1) * (ny + 1)), py((nx + 1) * (ny + 1));
    std::uniform_real_distribution<float> jitter(-3.0f, 3.0f);
    for (int j = 0; j <= ny; j++)
      for (int i = 0; i <= nx; i++) {
        float x = float(W) * i / nx, y = float(H) * j / ny;
        if (i > 0 && i < nx) x += jitter(rng);
        if (j > 0 && j < ny) y += jitter(rng);
        if (trial % 3 == 1) x = std::round(x) + 0.5f, y = std::round(y) + 0.5f;  // pixel centres
        if (trial % 3 == 2 && i > 0 && i < nx) x = std::round(x);               // pixel corners
        if (i == 0 || i == nx) x = float(W) * i / nx;
        if (j == 0 || j == ny) y = float(H) * j / ny;
        px[j * (nx + 1) + i] = x;
        py[j * (nx + 1) + i] = y;
      }
    std::vector<float> tris;
    auto add = [&](int a, int b, int c) {
      if (rng() & 1) std::swap(b, c);  // mixed winding
      for (int k : {a, b, c}) tris.push_back(px[k]), tris.push_back(py[k]);
    };
    for (int j = 0; j < ny; j++)
      for (int i = 0; i < nx; i++) {
        const int a = j * (nx + 1) + i, b = a + 1, c = a + nx + 1, d = c + 1;
        if (rng() & 1) {
          add(a, b, d), add(a, d, c);
        } else {
          add(a, b, c), add(b, d, c);
        }
      }
    Pass p(g, W, H);
    p.enc->setRenderPipelineState(stencilOnly);
    p.enc->setDepthStencilState(count);
    p.enc->setCullMode(MTLCullModeNone);
    p.draw(MTLPrimitiveTypeTriangle, tris);
    p.finish();
    const auto st = p.stencilBytes();
    int wrong = 0;
    for (uint8_t v : st) wrong += v != 1;
    EXPECT_EQ(wrong, 0) << "trial " << trial;
  }
  stencilOnly->release();
  count->release();
}

TEST(MetalLayer, StripWindingAndCulling) {
  Gpu g;
  MTLRenderPipelineState* pipe = g.pipeline(true);
  // A zig-zag strip over 40 x 10: every triangle faces the same way once the odd ones
  // swap their first two vertices.
  std::vector<float> strip;
  for (int i = 0; i <= 8; i++) strip.insert(strip.end(), {float(i * 5), 0.0f, float(i * 5), 10.0f});
  auto covered = [&](MTLCullMode cull, MTLWinding winding, const std::vector<float>& v, MTLPrimitiveType type) {
    Pass p(g, 40, 10);
    p.enc->setRenderPipelineState(pipe);
    p.enc->setCullMode(cull);
    p.enc->setFrontFacingWinding(winding);
    p.draw(type, v);
    p.finish();
    const auto c = p.colorBytes();
    int n = 0;
    for (size_t i = 3; i < c.size(); i += 4) n += c[i] == 255;
    return n;
  };
  // (x0,0),(x0,10),(x1,0): counter-clockwise with y up.
  EXPECT_EQ(covered(MTLCullModeBack, MTLWindingCounterClockwise, strip, MTLPrimitiveTypeTriangleStrip), 400);
  EXPECT_EQ(covered(MTLCullModeFront, MTLWindingCounterClockwise, strip, MTLPrimitiveTypeTriangleStrip), 0);
  EXPECT_EQ(covered(MTLCullModeFront, MTLWindingClockwise, strip, MTLPrimitiveTypeTriangleStrip), 400);
  EXPECT_EQ(covered(MTLCullModeNone, MTLWindingClockwise, strip, MTLPrimitiveTypeTriangleStrip), 400);
  // As a plain list the odd triangles face the other way.
  std::vector<float> list;
  for (size_t i = 0; i + 2 < strip.size() / 2; i++)
    for (size_t k = i; k < i + 3; k++) list.insert(list.end(), {strip[2 * k], strip[2 * k + 1]});
  EXPECT_EQ(covered(MTLCullModeBack, MTLWindingCounterClockwise, list, MTLPrimitiveTypeTriangle), 200);
  pipe->release();
}

TEST(MetalLayer, IndexedDrawsAndClippingToTheTarget) {
  Gpu g;
  MTLRenderPipelineState* pipe = g.pipeline(true);
  Pass p(g, 20, 20);
  p.enc->setRenderPipelineState(pipe);
  const std::vector<float> verts = {-100, -100, 10, -100, 10, 200, -100, 200};
  p.enc->setVertexBuffer(p.keep(g.device->newBufferWithBytes(verts.data(), verts.size() * 4, 0)), 0, 0);
  const uint32_t idx[] = {0, 1, 2, 0, 2, 3, 7, 7, 7};  // the last triangle reads past the vertices
  MTLBuffer* ib = p.keep(g.device->newBufferWithBytes(idx, sizeof(idx), 0));
  p.enc->drawIndexedPrimitives(MTLPrimitiveTypeTriangle, 9, MTLIndexTypeUInt32, ib, 0);
  p.enc->drawIndexedPrimitives(MTLPrimitiveTypeTriangle, 100, MTLIndexTypeUInt32, ib, 4000);  // outside: nothing
  p.finish();
  const auto c = p.colorBytes();
  for (int y = 0; y < 20; y++)
    for (int x = 0; x < 20; x++) EXPECT_EQ(c[(y * 20 + x) * 4 + 3], x < 10 ? 255 : 0) << x << "," << y;
  pipe->release();
}

// Colour from three affine varyings (x, y and a mix of them), so that a pixel shaded from
// the wrong plane or the wrong place shows.
void mixVertex(const MTLVertexIn& in, MTLVertexOut& out) {
  pixelVertex(in, out);
  const float x = in.attributes[0][0], y = in.attributes[0][1];
  out.varyings[0] = x, out.varyings[1] = y, out.varyings[2] = 0.375f * x - 0.125f * y + 20.0f;
}

void mixFragment(const MTLFragmentSpan& span, float* const* rgba, unsigned char*) {
  for (int i = 0; i < span.count; i++) {
    for (int k = 0; k < 3; k++) rgba[k][i] = (span.varyings[k] + span.dvdx[k] * float(i)) / 64.0f;
    rgba[3][i] = 1.0f;
  }
}

// Pairs of triangles that an indexed list gives as fans of convex quadrilaterals are drawn as
// one quadrilateral: the same pixels, each once, in the colours of the triangles drawn one by
// one (exactly where the varyings step exactly along a row, as on pixel-aligned rectangles;
// elsewhere within the float rounding of stepping from another start); concave, twisted and
// flat quadrilaterals stay triangles.
TEST(MetalLayer, FanPairsDrawAsTheirTriangles) {
  Gpu g;
  MTLRegisterProgram("mixVertex", MTLFunctionTypeVertex, reinterpret_cast<void*>(&mixVertex), 3);
  MTLRegisterProgram("mixFragment", MTLFunctionTypeFragment, reinterpret_cast<void*>(&mixFragment), 0);
  const unsigned char blob[] = {'M', 'T', 'L', 'B', 1, 0, 0, 0, 2, 0, 0, 0, 1, 'm', 'i', 'x', 'V', 'e', 'r', 't',
                                'e', 'x', 0, 2, 'm', 'i', 'x', 'F', 'r', 'a', 'g', 'm', 'e', 'n', 't', 0};
  MTLLibrary* lib = MTLLibrary::create(blob, sizeof(blob), nullptr);
  ASSERT_NE(lib, nullptr);
  MTLRenderPipelineDescriptor d;
  d.vertexFunction = lib->newFunctionWithName("mixVertex");
  d.fragmentFunction = lib->newFunctionWithName("mixFragment");
  lib->release();
  d.vertexDescriptor.attributes[0].format = MTLVertexFormatFloat2;
  d.vertexDescriptor.layouts[0].stride = 8;
  d.hasVertexDescriptor = true;
  d.colorAttachments[0].pixelFormat = MTLPixelFormatRGBA8Unorm;
  d.colorAttachments[0].blendingEnabled = false;
  d.stencilAttachmentPixelFormat = MTLPixelFormatStencil8;
  MTLRenderPipelineState* pipe = g.device->newRenderPipelineStateWithDescriptor(d, nullptr);
  MTLDepthStencilState* count = countingState(g);
  std::mt19937 rng(5);
  const int W = 64, H = 48;
  for (int trial = 0; trial < 12; trial++) {
    // Quadrilaterals: pixel-aligned rectangles, jittered ones (some concave or twisted) and
    // flat ones, each as (a, b, c) and (a, c, d).
    std::vector<float> xy;
    std::vector<uint32_t> idx;
    for (int q = 0; q < 20; q++) {
      const float x = float(rng() % 50), y = float(rng() % 36), w = float(2 + rng() % 14), h = float(2 + rng() % 12);
      float c[8] = {x, y, x + w, y, x + w, y + h, x, y + h};
      if (trial % 3 != 0)
        for (float& v : c) v += float(int(rng() % 17) - 8) * (trial % 3 == 1 ? 0.5f : 0.37f);
      if (q % 7 == 6) c[2] = c[0], c[3] = c[1];  // a flat one
      const uint32_t base = uint32_t(xy.size() / 2);
      xy.insert(xy.end(), c, c + 8);
      for (uint32_t k : {0u, 1u, 2u, 0u, 2u, 3u}) idx.push_back(base + k);
    }
    std::vector<float> flat;  // the same triangles, each vertex its own
    for (uint32_t i : idx) flat.push_back(xy[2 * i]), flat.push_back(xy[2 * i + 1]);
    std::vector<uint8_t> colour[2], stencil[2];
    for (int indexed = 0; indexed < 2; indexed++) {
      Pass p(g, W, H);
      p.enc->setRenderPipelineState(pipe);
      p.enc->setDepthStencilState(count);
      p.enc->setCullMode(MTLCullModeNone);
      if (indexed) {
        p.enc->setVertexBuffer(p.keep(g.device->newBufferWithBytes(xy.data(), xy.size() * 4, 0)), 0, 0);
        MTLBuffer* ib = p.keep(g.device->newBufferWithBytes(idx.data(), idx.size() * 4, 0));
        p.enc->drawIndexedPrimitives(MTLPrimitiveTypeTriangle, idx.size(), MTLIndexTypeUInt32, ib, 0);
      } else {
        p.draw(MTLPrimitiveTypeTriangle, flat);
      }
      p.finish();
      colour[indexed] = p.colorBytes();
      stencil[indexed] = p.stencilBytes();
    }
    int worst = 0;
    for (size_t i = 0; i < colour[0].size(); i++) worst = std::max(worst, std::abs(colour[1][i] - colour[0][i]));
    EXPECT_LE(worst, trial % 3 == 0 ? 0 : 1) << "trial " << trial;
    EXPECT_EQ(stencil[1], stencil[0]) << "trial " << trial;
  }
  pipe->release();
  count->release();
  MTLRelease(d.vertexFunction);
  MTLRelease(d.fragmentFunction);
}

TEST(MetalLayer, StencilOperationsAndComparisons) {
  Gpu g;
  MTLRenderPipelineState* pipe = g.pipeline(false);
  struct OpCase {
    MTLStencilOperation op;
    uint32_t start, want;
  } ops[] = {{MTLStencilOperationKeep, 5, 5},          {MTLStencilOperationZero, 5, 0},
             {MTLStencilOperationReplace, 5, 9},       {MTLStencilOperationIncrementClamp, 5, 6},
             {MTLStencilOperationIncrementClamp, 255, 255}, {MTLStencilOperationDecrementClamp, 0, 0},
             {MTLStencilOperationDecrementClamp, 5, 4}, {MTLStencilOperationInvert, 5, 250},
             {MTLStencilOperationIncrementWrap, 255, 0}, {MTLStencilOperationDecrementWrap, 0, 255}};
  for (const OpCase& c : ops) {
    Pass p(g, 4, 4, {0, 0, 0, 0}, c.start);
    MTLDepthStencilDescriptor d;
    d.frontFaceStencil.depthStencilPassOperation = c.op;
    d.backFaceStencil.depthStencilPassOperation = c.op;
    MTLDepthStencilState* s = g.device->newDepthStencilStateWithDescriptor(d);
    p.enc->setRenderPipelineState(pipe);
    p.enc->setDepthStencilState(s);
    p.enc->setStencilReferenceValue(9);
    p.fullQuad();
    p.finish();
    EXPECT_EQ(p.stencilBytes()[5], c.want) << "op " << c.op << " from " << c.start;
    s->release();
  }
  // Comparison of the reference (left) with the stored value (right): pass writes 1, fail 2.
  struct CmpCase {
    MTLCompareFunction f;
    bool less, equal, greater;  // outcome for ref < stored, ref == stored, ref > stored
  } cmps[] = {{MTLCompareFunctionNever, false, false, false},  {MTLCompareFunctionLess, true, false, false},
              {MTLCompareFunctionEqual, false, true, false},   {MTLCompareFunctionLessEqual, true, true, false},
              {MTLCompareFunctionGreater, false, false, true}, {MTLCompareFunctionNotEqual, true, false, true},
              {MTLCompareFunctionGreaterEqual, false, true, true}, {MTLCompareFunctionAlways, true, true, true}};
  for (const CmpCase& c : cmps) {
    const uint32_t refs[3] = {4, 5, 6};
    const bool want[3] = {c.less, c.equal, c.greater};
    for (int k = 0; k < 3; k++) {
      Pass p(g, 4, 4, {0, 0, 0, 0}, 5);
      MTLDepthStencilDescriptor d;
      d.frontFaceStencil.stencilCompareFunction = c.f;
      d.frontFaceStencil.stencilFailureOperation = MTLStencilOperationZero;
      d.frontFaceStencil.depthStencilPassOperation = MTLStencilOperationReplace;
      d.backFaceStencil = d.frontFaceStencil;
      MTLDepthStencilState* s = g.device->newDepthStencilStateWithDescriptor(d);
      p.enc->setRenderPipelineState(pipe);
      p.enc->setDepthStencilState(s);
      p.enc->setStencilReferenceValue(refs[k]);
      p.fullQuad();
      p.finish();
      EXPECT_EQ(p.stencilBytes()[0], want[k] ? refs[k] : 0u) << "compare " << c.f << " ref " << refs[k];
      s->release();
    }
  }
  pipe->release();
}

// A stencil target kept from pass to pass: a clear rewrites only the rows drawn since the last
// clear to the same value, so every row it must restore is restored.
TEST(MetalLayer, StencilClearsRestoreEveryRowWrittenSince) {
  Gpu g;
  constexpr int kSide = 8;
  MTLTexture* stencil = g.texture(MTLPixelFormatStencil8, kSide, kSide);
  MTLTexture* color = g.texture(MTLPixelFormatRGBA8Unorm, kSide, kSide);
  MTLRenderPipelineState* pipe = g.pipeline(false);
  MTLDepthStencilDescriptor replace;
  replace.frontFaceStencil.depthStencilPassOperation = MTLStencilOperationReplace;
  replace.backFaceStencil = replace.frontFaceStencil;
  MTLDepthStencilState* writes = g.device->newDepthStencilStateWithDescriptor(replace);
  const float size[2] = {float(kSide), float(kSide)};
  MTLBuffer* sizeBuffer = g.device->newBufferWithBytes(size, sizeof(size), 0);
  // One pass: cleared to clearValue (or loaded when clearValue < 0), then rows [y0, y1) set to ref.
  auto pass = [&](int clearValue, int y0 = 0, int y1 = 0, uint32_t ref = 0) {
    MTLCommandBuffer* cb = g.queue->commandBuffer();
    MTLRenderPassDescriptor d;
    d.colorAttachments[0].texture = color;
    d.stencilAttachment.texture = stencil;
    d.stencilAttachment.loadAction = clearValue >= 0 ? MTLLoadActionClear : MTLLoadActionLoad;
    d.stencilAttachment.clearStencil = uint32_t(std::max(clearValue, 0));
    MTLRenderCommandEncoder* enc = cb->renderCommandEncoderWithDescriptor(d);
    MTLBuffer* quad = nullptr;
    if (y1 > y0) {
      const float xy[8] = {0, float(y0), 0, float(y1), float(kSide), float(y0), float(kSide), float(y1)};
      quad = g.device->newBufferWithBytes(xy, sizeof(xy), 0);
      enc->setRenderPipelineState(pipe);
      enc->setDepthStencilState(writes);
      enc->setStencilReferenceValue(ref);
      enc->setVertexBuffer(quad, 0, 0);
      enc->setVertexBuffer(sizeBuffer, 0, 1);
      enc->drawPrimitives(MTLPrimitiveTypeTriangleStrip, 0, 4);
    }
    enc->endEncoding();
    cb->commit();
    cb->waitUntilCompleted();
    cb->release();
    MTLRelease(quad);
  };
  // The stencil rows as one value each (-1 where a row is not uniform).
  auto rows = [&] {
    std::vector<uint8_t> b(size_t(kSide) * kSide);
    stencil->getBytes(b.data(), kSide, MTLRegionMake2D(0, 0, kSide, kSide), 0);
    std::vector<int> out;
    for (int y = 0; y < kSide; y++) {
      const bool same = std::all_of(b.begin() + y * kSide, b.begin() + (y + 1) * kSide,
                                    [&](uint8_t v) { return v == b[size_t(y) * kSide]; });
      out.push_back(same ? b[size_t(y) * kSide] : -1);
    }
    return out;
  };
  const std::vector<int> zeros(kSide, 0);
  pass(0, 2, 4, 9);
  EXPECT_EQ(rows(), (std::vector<int>{0, 0, 9, 9, 0, 0, 0, 0}));
  pass(0);
  EXPECT_EQ(rows(), zeros);
  pass(-1, 5, 7, 3);  // loaded: drawn on top of the cleared rows
  pass(-1, 1, 2, 6);
  EXPECT_EQ(rows(), (std::vector<int>{0, 6, 0, 0, 0, 3, 3, 0}));
  pass(0);
  EXPECT_EQ(rows(), zeros);
  // Written from outside the pipeline: nothing is known of it any more.
  const std::vector<uint8_t> four(kSide, 4);
  stencil->replaceRegion(MTLRegionMake2D(0, 7, kSide, 1), 0, four.data(), kSide);
  pass(0);
  EXPECT_EQ(rows(), zeros);
  // Another value, then rows drawn in that pass.
  pass(7, 0, 1, 1);
  EXPECT_EQ(rows(), (std::vector<int>{1, 7, 7, 7, 7, 7, 7, 7}));
  pass(7);
  EXPECT_EQ(rows(), std::vector<int>(kSide, 7));
  pass(0);
  EXPECT_EQ(rows(), zeros);
  for (MTLObject* o : std::initializer_list<MTLObject*>{stencil, color, pipe, writes, sizeBuffer}) o->release();
}

TEST(MetalLayer, BlendFactorsMatchTheirDefinitions) {
  Gpu g;
  const float src[4] = {0.3f, 0.1f, 0.7f, 0.8f};
  const double dst[4] = {0.2, 0.4, 0.6, 0.5};
  auto factor = [&](MTLBlendFactor f, int c, const double* d) -> double {
    switch (f) {
      case MTLBlendFactorZero: return 0;
      case MTLBlendFactorOne: return 1;
      case MTLBlendFactorSourceColor: return src[c];
      case MTLBlendFactorOneMinusSourceColor: return 1 - src[c];
      case MTLBlendFactorSourceAlpha: return src[3];
      case MTLBlendFactorOneMinusSourceAlpha: return 1 - src[3];
      case MTLBlendFactorDestinationColor: return d[c];
      case MTLBlendFactorOneMinusDestinationColor: return 1 - d[c];
      case MTLBlendFactorDestinationAlpha: return d[3];
      case MTLBlendFactorOneMinusDestinationAlpha: return 1 - d[3];
      case MTLBlendFactorSourceAlphaSaturated: return c == 3 ? 1 : std::fmin(src[3], 1 - d[3]);
    }
    return -1;
  };
  for (int sf = 0; sf <= 10; sf++)
    for (int df = 0; df <= 10; df++) {
      const auto s = MTLBlendFactor(sf), d = MTLBlendFactor(df);
      MTLRenderPipelineState* pipe = g.pipeline(true, s, d, s, d);
      Pass p(g, 2, 2, {dst[0], dst[1], dst[2], dst[3]});
      p.enc->setRenderPipelineState(pipe);
      p.colour(src[0], src[1], src[2], src[3]);
      p.fullQuad();
      p.finish();
      const auto out = p.colorBytes();
      double dq[4];
      for (int c = 0; c < 4; c++) dq[c] = std::round(dst[c] * 255) / 255;  // stored as 8 bits
      for (int c = 0; c < 4; c++) {
        const double want = std::fmin(1, std::fmax(0, src[c] * factor(s, c, dq) + dq[c] * factor(d, c, dq)));
        EXPECT_NEAR(out[c], want * 255, 0.51) << "factors " << sf << "," << df << " channel " << c;
      }
      pipe->release();
    }
  // Blending off writes the source; a write mask keeps the masked channels.
  MTLRenderPipelineDescriptor d;
  d.vertexFunction = g.vertex;
  d.fragmentFunction = g.fragment;
  d.vertexDescriptor.attributes[0].format = MTLVertexFormatFloat2;
  d.vertexDescriptor.layouts[0].stride = 8;
  d.hasVertexDescriptor = true;
  d.colorAttachments[0].pixelFormat = MTLPixelFormatRGBA8Unorm;
  d.colorAttachments[0].writeMask = MTLColorWriteMaskRed | MTLColorWriteMaskAlpha;
  MTLRenderPipelineState* masked = g.device->newRenderPipelineStateWithDescriptor(d, nullptr);
  Pass p(g, 2, 2, {dst[0], dst[1], dst[2], dst[3]});
  p.enc->setRenderPipelineState(masked);
  p.colour(src[0], src[1], src[2], src[3]);
  p.fullQuad();
  p.finish();
  const auto out = p.colorBytes();
  EXPECT_EQ(out[0], 77);   // 0.3
  EXPECT_EQ(out[1], 102);  // kept 0.4
  EXPECT_EQ(out[3], 204);  // 0.8
  masked->release();
}

TEST(MetalLayer, TextureRegionsMipmapsAndSampling) {
  Gpu g;
  MTLTexture* t = g.texture(MTLPixelFormatRGBA8Unorm, 4, 2);
  const uint8_t texels[4 * 2 * 4] = {10, 20, 30, 40,  50, 60, 70, 80,  90, 100, 110, 120, 130, 140, 150, 160,
                                     1,  2,  3,  4,   5,  6,  7,  8,   9,  10,  11,  12,  13,  14,  15,  16};
  t->replaceRegion(MTLRegionMake2D(0, 0, 4, 2), 0, texels, 16);
  uint8_t out[32] = {};
  t->getBytes(out, 16, MTLRegionMake2D(0, 0, 4, 2), 0);
  EXPECT_EQ(std::memcmp(out, texels, 32), 0);
  // Regions outside the texture, null data or short pitches are ignored.
  uint8_t junk[64];
  std::memset(junk, 0xAB, sizeof(junk));
  t->replaceRegion(MTLRegionMake2D(3, 0, 2, 1), 0, junk, 64);
  t->replaceRegion(MTLRegionMake2D(0, 1, 1, 2), 0, junk, 64);
  t->replaceRegion(MTLRegionMake2D(0, 0, 2, 1), 0, junk, 4);
  t->replaceRegion(MTLRegionMake2D(0, 0, 1, 1), 1, junk, 64);
  t->replaceRegion(MTLRegionMake2D(0, 0, 1, 1), 0, nullptr, 64);
  t->getBytes(out, 16, MTLRegionMake2D(0, 0, 4, 2), 0);
  EXPECT_EQ(std::memcmp(out, texels, 32), 0);
  std::memset(out, 0, sizeof(out));
  t->getBytes(out, 16, MTLRegionMake2D(2, 0, 3, 1), 0);
  EXPECT_EQ(out[0], 0);

  // Sampling: nearest picks the texel under the point; linear blends between centres.
  MTLSamplerDescriptor sd;
  MTLSamplerState* nearest = g.device->newSamplerStateWithDescriptor(sd);
  sd.minFilter = sd.magFilter = MTLSamplerMinMagFilterLinear;
  MTLSamplerState* linear = g.device->newSamplerStateWithDescriptor(sd);
  sd.sAddressMode = MTLSamplerAddressModeRepeat;
  MTLSamplerState* repeat = g.device->newSamplerStateWithDescriptor(sd);
  float c[4];
  mtlsw::sample(t, nearest, 0.3f, 0.9f, c);  // texel (1, 1)
  EXPECT_NEAR(c[0], 5 / 255.0f, 1e-6);
  mtlsw::sample(t, linear, 0.25f, 0.25f, c);  // halfway between texels 0 and 1 of row 0
  EXPECT_NEAR(c[0], 30 / 255.0f, 1e-6);
  mtlsw::sample(t, linear, -1.0f, 0.25f, c);  // clamped to the first column
  EXPECT_NEAR(c[3], 40 / 255.0f, 1e-6);
  mtlsw::sample(t, repeat, 1.0f, 0.25f, c);   // the seam blends the last and first texels
  EXPECT_NEAR(c[0], (130 + 10) / 2 / 255.0f, 1e-6);
  mtlsw::sample(t, repeat, NAN, 0.25f, c);    // no crash, a defined texel
  EXPECT_TRUE(std::isfinite(c[0]));
  mtlsw::sample(nullptr, linear, 0.5f, 0.5f, c);
  EXPECT_EQ(c[3], 0.0f);

  // BGRA reads back as RGBA; R8 as (r, 0, 0, 1).
  MTLTexture* bgra = g.texture(MTLPixelFormatBGRA8Unorm, 1, 1);
  const uint8_t bgraPx[4] = {255, 0, 0, 255};  // blue
  bgra->replaceRegion(MTLRegionMake2D(0, 0, 1, 1), 0, bgraPx, 4);
  mtlsw::sample(bgra, nearest, 0.5f, 0.5f, c);
  EXPECT_EQ(c[0], 0.0f);
  EXPECT_EQ(c[2], 1.0f);
  MTLTexture* r8 = g.texture(MTLPixelFormatR8Unorm, 1, 1);
  const uint8_t r8Px = 51;
  r8->replaceRegion(MTLRegionMake2D(0, 0, 1, 1), 0, &r8Px, 1);
  mtlsw::sample(r8, nearest, 0.5f, 0.5f, c);
  EXPECT_NEAR(c[0], 0.2f, 1e-6);
  EXPECT_EQ(c[3], 1.0f);

  // Mipmaps: each level is the 2 x 2 average of the one above.
  MTLTextureDescriptor md = MTLTextureDescriptor::texture2DDescriptorWithPixelFormat(MTLPixelFormatR8Unorm, 4, 4, true);
  MTLTexture* mip = g.device->newTextureWithDescriptor(md);
  ASSERT_EQ(mip->mipmapLevelCount(), 3u);
  std::vector<uint8_t> level0(16);
  for (int i = 0; i < 16; i++) level0[i] = uint8_t(i * 10);
  mip->replaceRegion(MTLRegionMake2D(0, 0, 4, 4), 0, level0.data(), 4);
  g.generateMipmaps(mip);
  uint8_t l1[4], l2;
  mip->getBytes(l1, 2, MTLRegionMake2D(0, 0, 2, 2), 1);
  mip->getBytes(&l2, 1, MTLRegionMake2D(0, 0, 1, 1), 2);
  EXPECT_EQ(l1[0], (0 + 10 + 40 + 50 + 2) / 4);
  EXPECT_EQ(l1[3], (100 + 110 + 140 + 150 + 2) / 4);
  EXPECT_EQ(l2, (l1[0] + l1[1] + l1[2] + l1[3] + 2) / 4);

  for (auto* o : std::initializer_list<MTLObject*>{t, nearest, linear, repeat, bgra, r8, mip}) o->release();
}

// Odd sides halve rounding down, and each texel of the smaller level averages the whole
// area it covers above: the last row and column are never dropped and every level keeps
// the brightness of level 0.
TEST(MetalLayer, MipLevelsOfOddSidesAverageEveryTexelAbove) {
  Gpu g;
  auto mipmapped = [&](MTLPixelFormat f, NSUInteger w, NSUInteger h, const std::vector<uint8_t>& px) {
    MTLTextureDescriptor d = MTLTextureDescriptor::texture2DDescriptorWithPixelFormat(f, w, h, true);
    MTLTexture* t = g.device->newTextureWithDescriptor(d);
    t->replaceRegion(MTLRegionMake2D(0, 0, w, h), 0, px.data(), w * t->texelBytes());
    g.generateMipmaps(t);
    return t;
  };
  auto levelMean = [](MTLTexture* t, NSUInteger level, NSUInteger channel) {
    const NSUInteger w = t->levelWidth(level), h = t->levelHeight(level), n = t->texelBytes();
    std::vector<uint8_t> px(w * h * n);
    t->getBytes(px.data(), w * n, MTLRegionMake2D(0, 0, w, h), level);
    double sum = 0;
    for (NSUInteger i = channel; i < px.size(); i += n) sum += px[i];
    return sum / double(w * h);
  };

  // One lit texel at the end of a row of five: the second texel of the next level takes
  // two fifths of it.
  MTLTexture* row = mipmapped(MTLPixelFormatR8Unorm, 5, 1, {0, 0, 0, 0, 255});
  ASSERT_EQ(row->mipmapLevelCount(), 3u);
  uint8_t l1[2] = {1, 1}, l2 = 0;
  row->getBytes(l1, 2, MTLRegionMake2D(0, 0, 2, 1), 1);
  row->getBytes(&l2, 1, MTLRegionMake2D(0, 0, 1, 1), 2);
  EXPECT_EQ(l1[0], 0);
  EXPECT_EQ(l1[1], 102);
  EXPECT_EQ(l2, 51);  // a fifth of the lit texel, as level 0 holds

  // 13 x 11 -> 6 x 5 -> 3 x 2 -> 1 x 1: odd and even sides on both axes. Red is dark but
  // for the last column and row; green is noise; blue lights the last column only.
  const NSUInteger w = 13, h = 11;
  std::vector<uint8_t> px(w * h * 4);
  std::mt19937 rng(7);
  for (NSUInteger y = 0; y < h; y++)
    for (NSUInteger x = 0; x < w; x++) {
      uint8_t* p = &px[(y * w + x) * 4];
      p[0] = (x == w - 1 || y == h - 1) ? 255 : 0;
      p[1] = uint8_t(rng() & 0xFF);
      p[2] = x == w - 1 ? 200 : 0;
      p[3] = 255;
    }
  MTLTexture* t = mipmapped(MTLPixelFormatRGBA8Unorm, w, h, px);
  ASSERT_EQ(t->mipmapLevelCount(), 4u);
  const NSUInteger sizes[4][2] = {{13, 11}, {6, 5}, {3, 2}, {1, 1}};
  for (NSUInteger level = 0; level < 4; level++) {
    EXPECT_EQ(t->levelWidth(level), sizes[level][0]);
    EXPECT_EQ(t->levelHeight(level), sizes[level][1]);
    for (NSUInteger c = 0; c < 4; c++)
      EXPECT_NEAR(levelMean(t, level, c), levelMean(t, 0, c), 0.5 * double(level) + 1e-9)
          << "level " << level << " channel " << c;
  }
  // The lit edge of level 0 is the lit edge of level 1, at the weight of its share.
  uint8_t edge[6 * 5 * 4];
  t->getBytes(edge, 6 * 4, MTLRegionMake2D(0, 0, 6, 5), 1);
  EXPECT_EQ(edge[(0 * 6 + 5) * 4 + 2], 92);   // 200 * 6 / 13
  EXPECT_EQ(edge[(0 * 6 + 4) * 4 + 2], 0);
  EXPECT_EQ(edge[(4 * 6 + 0) * 4 + 0], 116);  // 255 * 5 / 11
  EXPECT_EQ(edge[(3 * 6 + 0) * 4 + 0], 0);
  for (MTLObject* o : std::initializer_list<MTLObject*>{row, t}) o->release();
}

TEST(MetalLayer, BlitCopiesFromBuffersWithinBounds) {
  Gpu g;
  MTLTexture* t = g.texture(MTLPixelFormatRGBA8Unorm, 4, 4);
  std::vector<uint8_t> src(4 * 4 * 4);
  for (size_t i = 0; i < src.size(); i++) src[i] = uint8_t(i);
  MTLBuffer* b = g.device->newBufferWithBytes(src.data(), src.size(), 0);
  MTLCommandBuffer* cb = g.queue->commandBuffer();
  MTLBlitCommandEncoder* blit = cb->blitCommandEncoder();
  EXPECT_EQ(cb->blitCommandEncoder(), nullptr);  // one open encoder at a time
  blit->copyFromBuffer(b, 16, 16, 64, MTLSizeMake(2, 2, 1), t, 0, 0, MTLOriginMake(1, 1, 0));
  blit->copyFromBuffer(b, 0, 16, 64, MTLSizeMake(4, 4, 1), t, 0, 0, MTLOriginMake(1, 0, 0));  // too wide
  blit->copyFromBuffer(b, 40, 16, 64, MTLSizeMake(4, 2, 1), t, 0, 0, MTLOriginMake(0, 0, 0));  // past the buffer
  blit->endEncoding();
  cb->commit();
  EXPECT_EQ(cb->renderCommandEncoderWithDescriptor(MTLRenderPassDescriptor{}), nullptr);  // committed
  cb->waitUntilCompleted();
  EXPECT_EQ(cb->status(), MTLCommandBufferStatusCompleted);
  cb->release();
  uint8_t out[64];
  t->getBytes(out, 16, MTLRegionMake2D(0, 0, 4, 4), 0);
  EXPECT_EQ(out[(1 * 4 + 1) * 4], 16);
  EXPECT_EQ(out[(2 * 4 + 2) * 4 + 3], 16 + 16 + 4 + 3);
  EXPECT_EQ(out[0], 0);
  EXPECT_EQ(out[(3 * 4 + 3) * 4], 0);
  b->release();
  t->release();
}

TEST(MetalLayer, DeviceRefusesImpossibleObjects) {
  Gpu g;
  EXPECT_EQ(g.device->newBufferWithLength(0, 0), nullptr);
  EXPECT_EQ(g.device->newBufferWithLength(kMTLMaxBufferLength + 1, 0), nullptr);
  EXPECT_EQ(g.device->newBufferWithBytes(nullptr, 16, 0), nullptr);
  MTLBuffer* b = g.device->newBufferWithLength(64, 0);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(static_cast<uint8_t*>(b->contents())[63], 0);
  b->release();
  for (auto [w, h] : {std::pair<int, int>{0, 4}, {4, 0}, {20000, 4}}) EXPECT_EQ(g.texture(MTLPixelFormatRGBA8Unorm, w, h), nullptr);
  EXPECT_EQ(g.texture(MTLPixelFormatInvalid, 4, 4), nullptr);

  // Pipelines need a vertex program and a renderable colour format.
  MTLError* err = nullptr;
  MTLRenderPipelineDescriptor d;
  EXPECT_EQ(g.device->newRenderPipelineStateWithDescriptor(d, &err), nullptr);
  ASSERT_NE(err, nullptr);
  EXPECT_GT(std::strlen(err->localizedDescription()), 0u);
  err->release();
  d.vertexFunction = g.fragment;  // wrong stage
  EXPECT_EQ(g.device->newRenderPipelineStateWithDescriptor(d, nullptr), nullptr);
  d.vertexFunction = g.vertex;
  d.colorAttachments[0].pixelFormat = MTLPixelFormatR8Unorm;
  EXPECT_EQ(g.device->newRenderPipelineStateWithDescriptor(d, nullptr), nullptr);
  d.colorAttachments[0].pixelFormat = MTLPixelFormatBGRA8Unorm;
  MTLRenderPipelineState* ok = g.device->newRenderPipelineStateWithDescriptor(d, nullptr);
  EXPECT_NE(ok, nullptr);
  MTLRelease(ok);

  // Draws without a pipeline, or with one for another format, draw nothing.
  Pass p(g, 4, 4);
  p.fullQuad();
  MTLRenderPipelineDescriptor other = d;
  other.fragmentFunction = g.fragment;
  MTLRenderPipelineState* bgra = g.device->newRenderPipelineStateWithDescriptor(other, nullptr);
  p.enc->setRenderPipelineState(bgra);
  p.fullQuad();
  p.finish();
  EXPECT_EQ(p.colorBytes()[3], 0);
  bgra->release();
}

TEST(MetalLayer, LibraryBlobsAreChecked) {
  MTLRegisterProgram("libVertex", MTLFunctionTypeVertex, reinterpret_cast<void*>(&pixelVertex), 2);
  const unsigned char good[] = {'M', 'T', 'L', 'B', 1, 0, 0, 0, 1, 0, 0, 0, 1, 'l', 'i', 'b', 'V', 'e', 'r', 't', 'e', 'x', 0};
  MTLError* err = nullptr;
  MTLLibrary* lib = MTLLibrary::create(good, sizeof(good), &err);
  ASSERT_NE(lib, nullptr);
  EXPECT_EQ(err, nullptr);
  ASSERT_EQ(lib->functionNames().size(), 1u);
  MTLFunction* f = lib->newFunctionWithName("libVertex");
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(f->varyingCount(), 2);
  EXPECT_EQ(lib->newFunctionWithName("other"), nullptr);
  EXPECT_EQ(lib->newFunctionWithName(nullptr), nullptr);
  f->release();
  lib->release();

  std::vector<std::vector<unsigned char>> bad = {
      {},                                                      // empty
      {'M', 'T', 'L', 'X', 1, 0, 0, 0, 0, 0, 0, 0},             // signature
      {'M', 'T', 'L', 'B', 2, 0, 0, 0, 0, 0, 0, 0},             // version
      {'M', 'T', 'L', 'B', 1, 0, 0, 0, 2, 0, 0, 0, 1, 'l', 'i', 'b', 'V', 'e', 'r', 't', 'e', 'x', 0},  // count
      {'M', 'T', 'L', 'B', 1, 0, 0, 0, 1, 0, 0, 0, 1, 'l', 'i', 'b', 'V'},                          // no NUL
      {'M', 'T', 'L', 'B', 1, 0, 0, 0, 1, 0, 0, 0, 1, 'n', 'o', 'p', 'e', 0},                       // unknown
      {'M', 'T', 'L', 'B', 1, 0, 0, 0, 1, 0, 0, 0, 2, 'l', 'i', 'b', 'V', 'e', 'r', 't', 'e', 'x', 0},  // stage
      {'M', 'T', 'L', 'B', 1, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF}};                                   // huge count
  for (size_t i = 0; i < bad.size(); i++) {
    err = nullptr;
    EXPECT_EQ(MTLLibrary::create(bad[i].data(), bad[i].size(), &err), nullptr) << i;
    ASSERT_NE(err, nullptr) << i;
    err->release();
  }
  // Through the device, from dispatch data.
  MTLDevice* dev = MTLCreateSystemDefaultDevice();
  dispatch_data_t data = dispatch_data_create(good, sizeof(good), nullptr, DISPATCH_DATA_DESTRUCTOR_DEFAULT);
  EXPECT_EQ(dispatch_data_get_size(data), sizeof(good));
  MTLLibrary* viaDevice = dev->newLibraryWithData(data, nullptr);
  EXPECT_NE(viaDevice, nullptr);
  MTLRelease(viaDevice);
  dispatch_release(data);
  EXPECT_EQ(dev->newLibraryWithData(nullptr, nullptr), nullptr);
  dev->release();
}

TEST(MetalLayer, DispatchSemaphoresCountAndTimeOut) {
  EXPECT_EQ(dispatch_semaphore_create(-1), nullptr);
  dispatch_semaphore_t s = dispatch_semaphore_create(2);
  EXPECT_EQ(dispatch_semaphore_wait(s, DISPATCH_TIME_NOW), 0);
  EXPECT_EQ(dispatch_semaphore_wait(s, DISPATCH_TIME_FOREVER), 0);
  EXPECT_NE(dispatch_semaphore_wait(s, DISPATCH_TIME_NOW), 0);
  EXPECT_NE(dispatch_semaphore_wait(s, dispatch_time(DISPATCH_TIME_NOW, 1000000)), 0);
  EXPECT_EQ(dispatch_semaphore_signal(s), 0);  // nobody waiting
  EXPECT_EQ(dispatch_semaphore_wait(s, DISPATCH_TIME_NOW), 0);
  dispatch_release(s);
  EXPECT_EQ(dispatch_time(DISPATCH_TIME_FOREVER, 5), DISPATCH_TIME_FOREVER);
  EXPECT_LT(dispatch_time(DISPATCH_TIME_NOW, 0), dispatch_time(DISPATCH_TIME_NOW, 1000000000));

  const char bytes[] = "abc";
  dispatch_data_t d = dispatch_data_create(bytes, 3, nullptr, DISPATCH_DATA_DESTRUCTOR_DEFAULT);
  const void* p = nullptr;
  size_t n = 0;
  dispatch_data_t m = dispatch_data_create_map(d, &p, &n);
  EXPECT_EQ(n, 3u);
  EXPECT_NE(p, static_cast<const void*>(bytes));  // copied
  EXPECT_EQ(std::memcmp(p, "abc", 3), 0);
  dispatch_release(m);
  dispatch_release(d);
  EXPECT_EQ(dispatch_data_create(nullptr, 4, nullptr, DISPATCH_DATA_DESTRUCTOR_DEFAULT), nullptr);
}

// Source-over on every vector unit the machine has: the same bytes as the one-pixel
// reference, within one step of the exact blend, only the span's pixels touched, R and B
// swapped for BGRA. Spans of every length around the vector widths, with opaque,
// transparent and mixed groups.
TEST(MetalLayer, SourceOverUnitsAgreeWithTheBlend) {
  std::mt19937 rng(7);
  std::uniform_real_distribution<float> unit(0.0f, 1.0f);
  std::uniform_int_distribution<int> byte(0, 255);
  constexpr int kGuard = 3, kMax = 40;
  int checked = 0;
  for (int trial = 0; trial < 400; trial++) {
    const int n = trial % kMax;
    const bool bgra = trial & 1;
    // Planes padded past the span, as the rasteriser keeps them.
    std::vector<float> p[4];
    for (auto& v : p) v.assign(n + 8, 0.0f);
    for (int i = 0; i < n; i++) {
      const int kind = (trial / 3 + i / 8) % 4;  // groups of eight alike: opaque, clear, mixed
      float a = kind == 0 ? 1.0f : kind == 1 ? 0.0f : unit(rng);
      if ((i * 7 + trial) % 5 == 0 && kind == 2) a = 1.0f;  // opaque pixels inside a mixed group
      p[3][i] = a;
      // Colour out of range in some trials (the blend clamps it).
      for (int c = 0; c < 3; c++) p[c][i] = trial % 7 == 6 ? unit(rng) * 2.0f - 0.5f : unit(rng) * a;
    }
    std::vector<unsigned char> dst(4 * (n + 2 * kGuard));
    for (auto& b : dst) b = static_cast<unsigned char>(byte(rng));
    std::vector<unsigned char> ref = dst;
    ASSERT_TRUE(mtlsw::sourceOverSpanOn(mtlsw::SourceOverUnit::Scalar, ref.data() + 4 * kGuard, p[0].data(),
                                        p[1].data(), p[2].data(), p[3].data(), n, bgra));
    for (int i = 0; i < n; i++) {
      const unsigned char* before = dst.data() + 4 * (kGuard + i);
      const unsigned char* after = ref.data() + 4 * (kGuard + i);
      for (int c = 0; c < 4; c++) {
        const int plane = (bgra && c != 1 && c != 3) ? 2 - c : c;
        const double exact = std::clamp(p[plane][i] + before[c] / 255.0 * (1.0 - p[3][i]), 0.0, 1.0) * 255.0;
        ASSERT_LE(std::fabs(after[c] - exact), 0.5 + 1e-3) << "pixel " << i << " channel " << c;
      }
    }
    for (auto u : {mtlsw::SourceOverUnit::Best, mtlsw::SourceOverUnit::Sse2, mtlsw::SourceOverUnit::Avx2}) {
      std::vector<unsigned char> out = dst;
      if (!mtlsw::sourceOverSpanOn(u, out.data() + 4 * kGuard, p[0].data(), p[1].data(), p[2].data(), p[3].data(),
                                   n, bgra))
        continue;
      ASSERT_EQ(out, ref) << "unit " << int(u) << " length " << n;
      checked++;
    }
  }
  EXPECT_GT(checked, 0);
}

// Premultiplied colours given as bytes blend to the very bytes the float blend gives for
// bytes / 255: every alpha against every destination value, colour channels at and below
// alpha (and one above, which clamps), RGBA and BGRA, spans not a multiple of four.
TEST(MetalLayer, ByteColoursBlendAsTheirFloats) {
  for (const bool bgra : {false, true}) {
    for (int sa = 0; sa < 256; sa++) {
      constexpr int n = 257;
      std::vector<uint32_t> src(n);
      std::vector<float> p[4];
      for (auto& v : p) v.assign(n + 8, 0.0f);
      std::vector<unsigned char> dst(4 * n);
      for (int i = 0; i < n; i++) {
        const int r = (i * 37) % (sa + 1), g = (i * 11 + sa) % (sa + 1), b = i == n - 1 ? std::min(255, sa + 9) : sa;
        src[i] = uint32_t(r) | uint32_t(g) << 8 | uint32_t(b) << 16 | uint32_t(sa) << 24;
        const int rgba[4] = {r, g, b, sa};
        for (int c = 0; c < 4; c++) p[c][i] = rgba[c] / 255.0f;
        for (int c = 0; c < 4; c++) dst[4 * i + c] = static_cast<unsigned char>((i + 64 * c) % 256);
      }
      std::vector<unsigned char> want = dst, got = dst;
      mtlsw::sourceOverSpan(want.data(), p[0].data(), p[1].data(), p[2].data(), p[3].data(), n, bgra);
      mtlsw::sourceOverTexels(got.data(), src.data(), n, bgra);
      ASSERT_EQ(got, want) << "alpha " << sa << (bgra ? " bgra" : " rgba");
    }
  }
}

// Sampling a run of pixels gives, bit for bit, what sampling each of its pixels alone
// gives (the vector path against the one-pixel path), and what sample() gives to within
// rounding: every format, both filters, both address modes, points inside, across and
// far outside the texture.
TEST(MetalLayer, SpanSamplingMatchesPointSampling) {
  Gpu g;
  std::mt19937 rng(11);
  std::uniform_int_distribution<int> byte(0, 255);
  std::uniform_real_distribution<float> coord(-0.6f, 1.6f), step(-0.09f, 0.09f);
  std::vector<MTLObject*> owned;
  for (MTLPixelFormat f : {MTLPixelFormatRGBA8Unorm, MTLPixelFormatBGRA8Unorm, MTLPixelFormatR8Unorm}) {
    const int w = 7, h = 5, bpp = f == MTLPixelFormatR8Unorm ? 1 : 4;
    MTLTexture* t = g.texture(f, w, h);
    owned.push_back(t);
    std::vector<uint8_t> px(size_t(w * h * bpp));
    for (auto& b : px) b = uint8_t(byte(rng));
    t->replaceRegion(MTLRegionMake2D(0, 0, w, h), 0, px.data(), NSUInteger(w * bpp));
    for (int mode = 0; mode < 4; mode++) {
      MTLSamplerDescriptor sd;
      if (mode & 1) sd.minFilter = sd.magFilter = MTLSamplerMinMagFilterLinear;
      if (mode & 2) sd.sAddressMode = sd.tAddressMode = MTLSamplerAddressModeRepeat;
      MTLSamplerState* s = g.device->newSamplerStateWithDescriptor(sd);
      owned.push_back(s);
      for (int trial = 0; trial < 60; trial++) {
        const int n = 1 + trial % 23;
        float u0 = coord(rng), v0 = coord(rng), du = step(rng), dv = step(rng);
        if (trial % 10 == 9) u0 = 3e9f, du = -1e9f;  // beyond the coordinate guard
        if (trial % 10 == 8) dv = 0.0f;              // a row of constant v
        std::vector<float> planes(4 * size_t(n + 8)), one(4 * 8);
        float* span[4] = {&planes[0], &planes[size_t(n + 8)], &planes[2 * size_t(n + 8)], &planes[3 * size_t(n + 8)]};
        mtlsw::sampleSpan(t, s, u0, du, v0, dv, n, span);
        for (int i = 0; i < n; i++) {
          const float u = u0 + du * float(i), v = v0 + dv * float(i);
          float* single[4] = {&one[0], &one[8], &one[16], &one[24]};
          mtlsw::sampleSpan(t, s, u, 0.0f, v, 0.0f, 1, single);
          float point[4];
          mtlsw::sample(t, s, u, v, point);
          for (int c = 0; c < 4; c++) {
            ASSERT_EQ(span[c][i], single[c][0]) << "format " << f << " mode " << mode << " pixel " << i;
            ASSERT_NEAR(span[c][i], point[c], 2e-6f) << "format " << f << " mode " << mode << " pixel " << i;
          }
        }
      }
    }
  }
  // Non-finite coordinates read a defined texel.
  float nan4[4][8];
  float* planes[4] = {nan4[0], nan4[1], nan4[2], nan4[3]};
  MTLSamplerDescriptor sd;
  sd.minFilter = sd.magFilter = MTLSamplerMinMagFilterLinear;
  MTLSamplerState* s = g.device->newSamplerStateWithDescriptor(sd);
  owned.push_back(s);
  mtlsw::sampleSpan(static_cast<MTLTexture*>(owned[0]), s, NAN, 0.1f, INFINITY, -INFINITY, 5, planes);
  for (int c = 0; c < 4; c++)
    for (int i = 0; i < 5; i++) EXPECT_TRUE(std::isfinite(nan4[c][i]));
  for (MTLObject* o : owned) o->release();
}

}  // namespace

namespace {

// An 8 x 8 RGBA texture with its four levels filled with distinct greys (level L holds
// 40 + 50 L in red), so a sample shows which level it came from.
MTLTexture* levelTexture(Gpu& g) {
  MTLTextureDescriptor d = MTLTextureDescriptor::texture2DDescriptorWithPixelFormat(MTLPixelFormatRGBA8Unorm, 8, 8, true);
  MTLTexture* t = g.device->newTextureWithDescriptor(d);
  for (NSUInteger level = 0; level < t->mipmapLevelCount(); level++) {
    const NSUInteger side = t->levelWidth(level);
    std::vector<uint8_t> px(side * side * 4, uint8_t(40 + 50 * level));
    t->replaceRegion(MTLRegionMake2D(0, 0, side, side), level, px.data(), side * 4);
  }
  return t;
}

float redAt(const MTLTexture* t, const MTLSamplerState* s, float du, float dv, float dudy, float dvdy) {
  float r[4], g[4], b[4], a[4];
  float* planes[4] = {r, g, b, a};
  mtlsw::sampleSpan(t, s, 0.3f, du, 0.6f, dv, 2, planes, dudy, dvdy);
  EXPECT_EQ(r[0], r[1]);  // one level along an affine run
  return r[0] * 255.0f;
}

}  // namespace

// The level comes from the longer side of a pixel's footprint in texels, along the row or
// across rows: nearest picks the closest level, linear blends the two around the level of
// detail, both stop at the smallest level, and a sampler without a mip filter (or a
// magnified texture) reads level 0.
TEST(MetalLayer, MipLevelsFollowTheFootprintAsTheMipFilterSays) {
  Gpu g;
  MTLTexture* t = levelTexture(g);
  ASSERT_EQ(t->mipmapLevelCount(), 4u);
  MTLSamplerDescriptor sd;
  sd.minFilter = sd.magFilter = MTLSamplerMinMagFilterLinear;
  MTLSamplerState* none = g.device->newSamplerStateWithDescriptor(sd);
  sd.mipFilter = MTLSamplerMipFilterNearest;
  MTLSamplerState* nearest = g.device->newSamplerStateWithDescriptor(sd);
  sd.mipFilter = MTLSamplerMipFilterLinear;
  MTLSamplerState* linear = g.device->newSamplerStateWithDescriptor(sd);
  const float texel = 1.0f / 8.0f;
  auto level = [](int l) { return 40.0f + 50.0f * float(l); };

  EXPECT_NEAR(redAt(t, linear, texel * 0.5f, 0, 0, 0), level(0), 1e-3);   // magnified
  EXPECT_NEAR(redAt(t, linear, texel * 2, 0, 0, 0), level(1), 1e-3);      // 2 texels a pixel
  EXPECT_NEAR(redAt(t, linear, 0, texel * 4, 0, 0), level(2), 1e-3);      // along v
  EXPECT_NEAR(redAt(t, linear, texel, 0, 0, texel * 4), level(2), 1e-3);  // across rows
  EXPECT_NEAR(redAt(t, linear, texel * 64, 0, 0, 0), level(3), 1e-3);     // past the smallest
  // 2^1.5 texels a pixel: halfway between levels 1 and 2, or the nearer one.
  const float mid = texel * std::pow(2.0f, 1.5f);
  EXPECT_NEAR(redAt(t, linear, mid, 0, 0, 0), (level(1) + level(2)) / 2, 0.05);
  EXPECT_NEAR(redAt(t, nearest, texel * std::pow(2.0f, 1.4f), 0, 0, 0), level(1), 1e-3);
  EXPECT_NEAR(redAt(t, nearest, texel * std::pow(2.0f, 1.6f), 0, 0, 0), level(2), 1e-3);
  EXPECT_NEAR(redAt(t, none, texel * 4, 0, 0, 0), level(0), 1e-3);
  // A footprint that is not a number reads level 0; an infinite one the smallest level.
  EXPECT_NEAR(redAt(t, linear, NAN, 0, 0, 0), level(0), 1e-3);
  EXPECT_NEAR(redAt(t, linear, INFINITY, 0, 0, 0), level(3), 1e-3);
  for (MTLObject* o : std::initializer_list<MTLObject*>{none, nearest, linear, t}) o->release();
}
