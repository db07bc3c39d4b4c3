// The software Metal layer's shortcuts give exactly the pixels of the general path: texels
// handed over by a fragment program instead of sampled colour, and draws limited by a
// scissor rectangle.
#include <gtest/gtest.h>

#include <Metal/MTLSampling.h>
#include <Metal/Metal.h>

#include <atomic>
#include <cstring>
#include <random>
#include <vector>

namespace {

// Vertex: positions in pixels (attribute 0) over the target size in vertex buffer 1; the
// varyings are the position in pixels.
void pixelVertex(const MTLVertexIn& in, MTLVertexOut& out) {
  float size[2];
  std::memcpy(size, in.buffers[1].bytes, sizeof(size));
  out.position[0] = 2 * in.attributes[0][0] / size[0] - 1;
  out.position[1] = 1 - 2 * in.attributes[0][1] / size[1];
  out.position[2] = 0;
  out.position[3] = 1;
  out.varyings[0] = in.attributes[0][0];
  out.varyings[1] = in.attributes[0][1];
}

// Fragment buffer 0: the image's origin in pixels and whether its texels are straight
// (not premultiplied). Texture 0 is drawn at its own size from that origin.
struct ImageParams {
  float x, y;
  int straight;
};

std::atomic<int> handedOver{0};

template <bool kHandOver>
void imageFragment(const MTLFragmentSpan& span, float* const* rgba, unsigned char* flags) {
  ImageParams p;
  std::memcpy(&p, span.buffers[0].bytes, sizeof(p));
  const MTLTexture* t = span.textures[0];
  const float w = float(t->width()), h = float(t->height());
  const float u0 = (span.varyings[0] - p.x) / w, du = span.dvdx[0] / w;
  const float v0 = (span.varyings[1] - p.y) / h, dv = span.dvdx[1] / h;
  const float dudy = span.dvdy[0] / w, dvdy = span.dvdy[1] / h;
  if (kHandOver && span.texels &&
      mtlsw::texelsAtCentres(t, span.samplers[0], u0, du, v0, dv, span.count, dudy, dvdy, !p.straight,
                             span.zeroKeeps, span.texels, flags)) {
    handedOver++;
    return;
  }
  mtlsw::sampleSpan(t, span.samplers[0], u0, du, v0, dv, span.count, rgba, dudy, dvdy);
  if (p.straight)
    for (int i = 0; i < span.count; i++)
      for (int k = 0; k < 3; k++) rgba[k][i] *= rgba[3][i];
}

struct Gpu {
  MTLDevice* device = MTLCreateSystemDefaultDevice();
  MTLCommandQueue* queue = device->newCommandQueue();
  MTLFunction* vertex = nullptr;
  MTLFunction* sampled = nullptr;
  MTLFunction* handOver = nullptr;

  Gpu() {
    MTLRegisterProgram("fastVertex", MTLFunctionTypeVertex, reinterpret_cast<void*>(&pixelVertex), 2);
    MTLRegisterProgram("fastSampled", MTLFunctionTypeFragment, reinterpret_cast<void*>(&imageFragment<false>), 0);
    MTLRegisterProgram("fastHandOver", MTLFunctionTypeFragment, reinterpret_cast<void*>(&imageFragment<true>), 0);
    const unsigned char blob[] = {'M', 'T', 'L', 'B', 1, 0, 0, 0, 3, 0, 0, 0, 1, 'f', 'a', 's', 't', 'V', 'e',
                                  'r', 't', 'e', 'x', 0, 2, 'f', 'a', 's', 't', 'S', 'a', 'm', 'p', 'l', 'e', 'd',
                                  0, 2, 'f', 'a', 's', 't', 'H', 'a', 'n', 'd', 'O', 'v', 'e', 'r', 0};
    MTLLibrary* lib = MTLLibrary::create(blob, sizeof(blob), nullptr);
    vertex = lib->newFunctionWithName("fastVertex");
    sampled = lib->newFunctionWithName("fastSampled");
    handOver = lib->newFunctionWithName("fastHandOver");
    lib->release();
  }
  ~Gpu() {
    MTLRelease(vertex);
    MTLRelease(sampled);
    MTLRelease(handOver);
    queue->release();
    device->release();
  }

  MTLTexture* texture(MTLPixelFormat f, int w, int h) {
    MTLTextureDescriptor d = MTLTextureDescriptor::texture2DDescriptorWithPixelFormat(f, w, h, false);
    d.usage = MTLTextureUsageRenderTarget | MTLTextureUsageShaderRead;
    return device->newTextureWithDescriptor(d);
  }

  MTLRenderPipelineState* pipeline(MTLFunction* fragment, MTLPixelFormat format, bool blending) {
    MTLRenderPipelineDescriptor d;
    d.vertexFunction = vertex;
    d.fragmentFunction = fragment;
    d.vertexDescriptor.attributes[0].format = MTLVertexFormatFloat2;
    d.vertexDescriptor.layouts[0].stride = 8;
    d.hasVertexDescriptor = true;
    d.colorAttachments[0].pixelFormat = format;
    d.colorAttachments[0].blendingEnabled = blending;
    d.colorAttachments[0].sourceRGBBlendFactor = MTLBlendFactorOne;
    d.colorAttachments[0].sourceAlphaBlendFactor = MTLBlendFactorOne;
    d.colorAttachments[0].destinationRGBBlendFactor = MTLBlendFactorOneMinusSourceAlpha;
    d.colorAttachments[0].destinationAlphaBlendFactor = MTLBlendFactorOneMinusSourceAlpha;
    d.stencilAttachmentPixelFormat = MTLPixelFormatStencil8;
    return device->newRenderPipelineStateWithDescriptor(d, nullptr);
  }
};

struct Image {
  int w, h;
  std::vector<uint8_t> bytes;
};

// Texels of every kind: opaque, fully transparent (premultiplied: all zero; straight: any
// colour), and partly transparent, in runs as pictures have them.
Image makeImage(std::mt19937& rng, int w, int h, bool straight, int partlyPercent) {
  Image im{w, h, std::vector<uint8_t>(size_t(w) * h * 4)};
  std::uniform_int_distribution<int> byte(0, 255), pct(0, 99), run(1, 90);
  for (size_t i = 0; i < size_t(w) * h;) {
    const int kind = pct(rng) < partlyPercent ? 2 : pct(rng) % 2;
    for (int n = run(rng); n > 0 && i < size_t(w) * h; n--, i++) {
      uint8_t* p = &im.bytes[i * 4];
      const int a = kind == 0 ? 255 : kind == 1 ? 0 : byte(rng);
      for (int k = 0; k < 3; k++) p[k] = uint8_t(straight ? byte(rng) : byte(rng) * a / 255);
      p[3] = uint8_t(a);
    }
  }
  return im;
}

struct Result {
  std::vector<uint8_t> color, stencil;
};

// The image drawn from (x, y) as a quad over a target of tw x th filled with dst, with a
// stencil state that counts every drawn pixel.
Result draw(Gpu& g, MTLFunction* program, const Image& im, float x, float y, int tw, int th,
            const std::vector<uint8_t>& dst, bool straight, bool blending, MTLPixelFormat format,
            MTLSamplerMinMagFilter filter) {
  MTLTexture* color = g.texture(format, tw, th);
  MTLTexture* stencil = g.texture(MTLPixelFormatStencil8, tw, th);
  MTLTexture* tex = g.texture(MTLPixelFormatRGBA8Unorm, im.w, im.h);
  color->replaceRegion(MTLRegionMake2D(0, 0, tw, th), 0, dst.data(), NSUInteger(tw) * 4);
  tex->replaceRegion(MTLRegionMake2D(0, 0, im.w, im.h), 0, im.bytes.data(), NSUInteger(im.w) * 4);
  MTLSamplerDescriptor sd;
  sd.minFilter = sd.magFilter = filter;
  MTLSamplerState* sampler = g.device->newSamplerStateWithDescriptor(sd);
  MTLDepthStencilDescriptor dd;
  dd.frontFaceStencil.depthStencilPassOperation = MTLStencilOperationIncrementClamp;
  dd.backFaceStencil.depthStencilPassOperation = MTLStencilOperationIncrementClamp;
  MTLDepthStencilState* counting = g.device->newDepthStencilStateWithDescriptor(dd);
  MTLRenderPipelineState* pipe = g.pipeline(program, format, blending);

  MTLCommandBuffer* cb = g.queue->commandBuffer();
  MTLRenderPassDescriptor d;
  d.colorAttachments[0].texture = color;
  d.colorAttachments[0].loadAction = MTLLoadActionLoad;
  d.stencilAttachment.texture = stencil;
  d.stencilAttachment.loadAction = MTLLoadActionClear;
  MTLRenderCommandEncoder* enc = cb->renderCommandEncoderWithDescriptor(d);
  const float size[2] = {float(tw), float(th)};
  const float quad[8] = {x, y, x, y + im.h, x + im.w, y, x + im.w, y + im.h};
  const ImageParams params{x, y, straight ? 1 : 0};
  MTLBuffer* sizeBuf = g.device->newBufferWithBytes(size, sizeof(size), 0);
  MTLBuffer* quadBuf = g.device->newBufferWithBytes(quad, sizeof(quad), 0);
  MTLBuffer* paramBuf = g.device->newBufferWithBytes(&params, sizeof(params), 0);
  enc->setRenderPipelineState(pipe);
  enc->setDepthStencilState(counting);
  enc->setVertexBuffer(quadBuf, 0, 0);
  enc->setVertexBuffer(sizeBuf, 0, 1);
  enc->setFragmentBuffer(paramBuf, 0, 0);
  enc->setFragmentTexture(tex, 0);
  enc->setFragmentSamplerState(sampler, 0);
  enc->drawPrimitives(MTLPrimitiveTypeTriangleStrip, 0, 4);
  enc->endEncoding();
  cb->commit();
  cb->waitUntilCompleted();

  Result r{std::vector<uint8_t>(size_t(tw) * th * 4), std::vector<uint8_t>(size_t(tw) * th)};
  color->getBytes(r.color.data(), NSUInteger(tw) * 4, MTLRegionMake2D(0, 0, tw, th), 0);
  stencil->getBytes(r.stencil.data(), NSUInteger(tw), MTLRegionMake2D(0, 0, tw, th), 0);
  for (MTLObject* o : std::initializer_list<MTLObject*>{cb, sizeBuf, quadBuf, paramBuf, pipe, counting, sampler, tex,
                                                       stencil, color})
    o->release();
  return r;
}

TEST(MetalFastPaths, TexelsHandedOverGiveTheSamePixelsAsSampling) {
  Gpu g;
  std::mt19937 rng(7);
  struct Case {
    int w, h, tw, th;
    float x, y;
    bool straight, blending;
    MTLPixelFormat format;
    MTLSamplerMinMagFilter filter;
    int partly;
  };
  const MTLPixelFormat rgba = MTLPixelFormatRGBA8Unorm, bgra = MTLPixelFormatBGRA8Unorm;
  const MTLSamplerMinMagFilter linear = MTLSamplerMinMagFilterLinear, nearest = MTLSamplerMinMagFilterNearest;
  const Case cases[] = {
      {1000, 20, 1000, 20, 0, 0, false, true, bgra, linear, 0},     // a framebuffer copied to the drawable
      {2000, 12, 2000, 12, 0, 0, false, true, bgra, linear, 3},     // the same at draw scale 2
      {3000, 6, 3000, 6, 0, 0, true, true, rgba, linear, 3},        // and 3, straight alpha
      {190, 120, 400, 160, 37, 21, false, true, rgba, linear, 10},  // a bitmap at its own size
      {190, 120, 400, 160, 37, 21, true, true, rgba, linear, 10},
      {82, 90, 300, 130, 211, 13, false, true, rgba, nearest, 5},
      {190, 120, 400, 160, 37, 21, false, false, rgba, linear, 10},  // no blending
      {190, 120, 400, 160, 37, 21, true, false, bgra, linear, 0},
      {190, 120, 400, 160, 37.25f, 21, false, true, rgba, linear, 10},  // between texels: sampled
      {190, 120, 400, 160, 36.5f, 20.5f, false, true, rgba, nearest, 10},
      {300, 40, 250, 30, -20, -5, false, true, rgba, linear, 10},  // reaching past the target
  };
  for (const Case& c : cases) {
    const Image im = makeImage(rng, c.w, c.h, c.straight, c.partly);
    std::vector<uint8_t> dst(size_t(c.tw) * c.th * 4);
    for (uint8_t& b : dst) b = uint8_t(rng());
    handedOver = 0;
    const Result general = draw(g, g.sampled, im, c.x, c.y, c.tw, c.th, dst, c.straight, c.blending, c.format, c.filter);
    const Result fast = draw(g, g.handOver, im, c.x, c.y, c.tw, c.th, dst, c.straight, c.blending, c.format, c.filter);
    const bool between = c.x != float(int(c.x));
    if (between && c.filter == linear)
      EXPECT_EQ(handedOver.load(), 0) << c.w;
    else
      EXPECT_GT(handedOver.load(), c.h / 4) << c.w << " " << c.x;
    EXPECT_TRUE(fast.color == general.color) << c.w << " " << c.x;
    EXPECT_TRUE(fast.stencil == general.stencil) << c.w << " " << c.x;
  }
}

TEST(MetalFastPaths, ScissorRectLimitsColourAndStencil) {
  Gpu g;
  std::mt19937 rng(3);
  const Image im = makeImage(rng, 40, 30, false, 20);
  const std::vector<uint8_t> dst(40 * 30 * 4, 0x40);
  const Result whole = draw(g, g.sampled, im, 0, 0, 40, 30, dst, false, true, MTLPixelFormatRGBA8Unorm,
                            MTLSamplerMinMagFilterLinear);
  // The same draw limited to a rectangle that also reaches past the target.
  MTLTexture* color = g.texture(MTLPixelFormatRGBA8Unorm, 40, 30);
  MTLTexture* stencil = g.texture(MTLPixelFormatStencil8, 40, 30);
  MTLTexture* tex = g.texture(MTLPixelFormatRGBA8Unorm, 40, 30);
  color->replaceRegion(MTLRegionMake2D(0, 0, 40, 30), 0, dst.data(), 160);
  tex->replaceRegion(MTLRegionMake2D(0, 0, 40, 30), 0, im.bytes.data(), 160);
  MTLDepthStencilDescriptor dd;
  dd.frontFaceStencil.depthStencilPassOperation = MTLStencilOperationIncrementClamp;
  dd.backFaceStencil.depthStencilPassOperation = MTLStencilOperationIncrementClamp;
  MTLDepthStencilState* counting = g.device->newDepthStencilStateWithDescriptor(dd);
  MTLRenderPipelineState* pipe = g.pipeline(g.sampled, MTLPixelFormatRGBA8Unorm, true);
  MTLCommandBuffer* cb = g.queue->commandBuffer();
  MTLRenderPassDescriptor d;
  d.colorAttachments[0].texture = color;
  d.colorAttachments[0].loadAction = MTLLoadActionLoad;
  d.stencilAttachment.texture = stencil;
  d.stencilAttachment.loadAction = MTLLoadActionClear;
  MTLRenderCommandEncoder* enc = cb->renderCommandEncoderWithDescriptor(d);
  const float size[2] = {40, 30}, quad[8] = {0, 0, 0, 30, 40, 0, 40, 30};
  const ImageParams params{0, 0, 0};
  MTLBuffer* sizeBuf = g.device->newBufferWithBytes(size, sizeof(size), 0);
  MTLBuffer* quadBuf = g.device->newBufferWithBytes(quad, sizeof(quad), 0);
  MTLBuffer* paramBuf = g.device->newBufferWithBytes(&params, sizeof(params), 0);
  enc->setRenderPipelineState(pipe);
  enc->setDepthStencilState(counting);
  enc->setVertexBuffer(quadBuf, 0, 0);
  enc->setVertexBuffer(sizeBuf, 0, 1);
  enc->setFragmentBuffer(paramBuf, 0, 0);
  enc->setFragmentTexture(tex, 0);
  enc->setScissorRect(MTLScissorRect{25, 7, 100, 11});
  enc->drawPrimitives(MTLPrimitiveTypeTriangleStrip, 0, 4);
  enc->setScissorRect(MTLScissorRect{1000, 0, 5, 5});  // wholly outside: nothing
  enc->drawPrimitives(MTLPrimitiveTypeTriangleStrip, 0, 4);
  enc->endEncoding();
  cb->commit();
  cb->waitUntilCompleted();
  std::vector<uint8_t> c(40 * 30 * 4), s(40 * 30);
  color->getBytes(c.data(), 160, MTLRegionMake2D(0, 0, 40, 30), 0);
  stencil->getBytes(s.data(), 40, MTLRegionMake2D(0, 0, 40, 30), 0);
  for (int y = 0; y < 30; y++)
    for (int x = 0; x < 40; x++) {
      const bool in = x >= 25 && y >= 7 && y < 18;
      const size_t i = size_t(y) * 40 + x;
      EXPECT_EQ(s[i], in ? 1 : 0) << x << "," << y;
      for (int k = 0; k < 4; k++) EXPECT_EQ(c[i * 4 + k], in ? whole.color[i * 4 + k] : 0x40) << x << "," << y;
    }
  for (MTLObject* o : std::initializer_list<MTLObject*>{cb, sizeBuf, quadBuf, paramBuf, pipe, counting, tex, stencil,
                                                       color})
    o->release();
}

}  // namespace
