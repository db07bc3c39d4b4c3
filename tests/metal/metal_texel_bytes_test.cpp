// Texels handed over as bytes against the sampled float colour blended in floats: within
// one step per channel (the same bytes for opaque texels at their centres), for straight
// and premultiplied images, RGBA and BGRA targets, both pixel phases and the edges.
#include <gtest/gtest.h>

#include <Metal/MTLSampling.h>
#include <Metal/MTLTexelBytes.h>
#include <Metal/Metal.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

#include "platform/Metal/src/SourceOver.h"

namespace {

struct Images {
  MTLDevice* device = MTLCreateSystemDefaultDevice();
  std::vector<MTLObject*> made;

  ~Images() {
    for (MTLObject* o : made) o->release();
    device->release();
  }

  // Runs of opaque, transparent and partly transparent texels (a transparent straight texel
  // keeps a colour), and premultiplied ones of alpha 0 with a colour (adding light).
  MTLTexture* image(std::mt19937& rng, int w, int h, bool straight) {
    std::vector<uint8_t> px(size_t(w) * h * 4);
    std::uniform_int_distribution<int> byte(0, 255), kind(0, 3), run(1, 12);
    for (size_t i = 0; i < size_t(w) * h;) {
      const int k = kind(rng) % (straight ? 3 : 4);
      for (int r = run(rng); r > 0 && i < size_t(w) * h; r--, i++) {
        const int a = k == 0 ? 255 : (k == 1 || k == 3 ? 0 : byte(rng));
        for (int c = 0; c < 3; c++) px[i * 4 + c] = uint8_t(straight || k == 3 ? byte(rng) : byte(rng) * a / 255);
        px[i * 4 + 3] = uint8_t(a);
      }
    }
    MTLTextureDescriptor d = MTLTextureDescriptor::texture2DDescriptorWithPixelFormat(MTLPixelFormatRGBA8Unorm, w, h,
                                                                                       false);
    MTLTexture* t = device->newTextureWithDescriptor(d);
    t->replaceRegion(MTLRegionMake2D(0, 0, w, h), 0, px.data(), NSUInteger(w) * 4);
    made.push_back(t);
    return t;
  }

  MTLSamplerState* sampler(MTLSamplerMinMagFilter filter, MTLSamplerAddressMode mode) {
    MTLSamplerDescriptor d;
    d.minFilter = d.magFilter = filter;
    d.sAddressMode = d.tAddressMode = mode;
    MTLSamplerState* s = device->newSamplerStateWithDescriptor(d);
    made.push_back(s);
    return s;
  }
};

struct Span {
  const MTLTexture* t;
  const MTLSamplerState* s;
  float u0, du, v0, dudy, dvdy;
  int n;
  bool straight, bgra;
};

// The general path: sampled, premultiplied and blended in floats.
void sampled(const Span& r, uint8_t* d) {
  std::vector<float> planes(4 * size_t(r.n + 8));
  float* p[4] = {&planes[0], &planes[size_t(r.n + 8)], &planes[2 * size_t(r.n + 8)], &planes[3 * size_t(r.n + 8)]};
  mtlsw::sampleSpan(r.t, r.s, r.u0, r.du, r.v0, 0.0f, r.n, p, r.dudy, r.dvdy);
  if (r.straight)
    for (int i = 0; i < r.n; i++) p[0][i] *= p[3][i], p[1][i] *= p[3][i], p[2][i] *= p[3][i];
  mtlsw::sourceOverSpan(d, p[0], p[1], p[2], p[3], r.n, r.bgra);
}

// The bytes handed over, applied as the rasteriser applies them; false when refused (the
// flags must then be as they were).
bool handedOver(const Span& r, bool blendOver, uint8_t* d, std::vector<unsigned char>& flags) {
  std::vector<uint32_t> texels(size_t(r.n));
  flags.assign(size_t(r.n), 0);
  if (!mtlsw::texelBytes(r.t, r.s, r.u0, r.du, r.v0, 0.0f, r.n, r.dudy, r.dvdy, !r.straight, blendOver,
                         texels.data(), flags.data())) {
    EXPECT_TRUE(std::all_of(flags.begin(), flags.end(), [](unsigned char f) { return f == 0; }));
    return false;
  }
  for (int i = 0; i < r.n; i++) {
    uint32_t t = texels[size_t(i)];
    if (flags[size_t(i)] == kMTLFragmentTexel) {
      if (r.bgra) t = (t & 0xFF00FF00u) | ((t & 0xFFu) << 16) | ((t >> 16) & 0xFFu);
      std::memcpy(d + 4 * i, &t, 4);
    } else if (flags[size_t(i)] == kMTLFragmentTexelOver) {
      mtlsw::sourceOverTexels(d + 4 * i, &t, 1, r.bgra);
    } else {
      EXPECT_EQ(flags[size_t(i)], kMTLFragmentKeep);
      EXPECT_EQ(t >> 24, 0u);
    }
  }
  return true;
}

// Both paths over the same random pixels: when the run is handed over, the largest
// difference of a channel, and whether the pixels of opaque colours are the same.
int compare(const Span& r, std::mt19937& rng, bool blendOver, bool& taken, bool& opaqueSame) {
  std::vector<uint8_t> dst(size_t(r.n) * 4);
  for (uint8_t& b : dst) b = uint8_t(rng());
  std::vector<uint8_t> general = dst, fast = dst;
  std::vector<unsigned char> flags;
  sampled(r, general.data());
  taken = handedOver(r, blendOver, fast.data(), flags);
  if (!taken) return 0;
  int worst = 0;
  opaqueSame = true;
  for (size_t i = 0; i < fast.size(); i++) {
    worst = std::max(worst, std::abs(int(fast[i]) - int(general[i])));
    if (taken && flags[i / 4] == kMTLFragmentTexel && fast[i] != general[i]) opaqueSame = false;
  }
  return worst;
}

TEST(MetalTexelBytes, TexelsAtTheirCentresAsTheSampledColour) {
  Images images;
  std::mt19937 rng(11);
  for (bool straight : {false, true}) {
    const int w = 700, h = 9;
    MTLTexture* t = images.image(rng, w, h, straight);
    for (MTLSamplerMinMagFilter filter : {MTLSamplerMinMagFilterLinear, MTLSamplerMinMagFilterNearest}) {
      const MTLSamplerState* s = images.sampler(filter, MTLSamplerAddressModeClampToEdge);
      for (int k = 0; k < 300; k++) {
        const int n = 1 + int(rng() % 90), x = int(rng() % unsigned(w - n + 1)), y = int(rng() % unsigned(h));
        // A bitmap at its own size from pixel ox: u = (pixel centre - ox) / w.
        const float ox = float(int(rng() % 500)), px = float(x) + ox + 0.5f;
        const Span r{t, s, (px - ox) / float(w), 1.0f / float(w), (float(y) + 0.5f) / float(h), 0, 1.0f / float(h),
                    n, straight, k % 2 == 1};
        bool taken = false, opaqueSame = false;
        EXPECT_LE(compare(r, rng, true, taken, opaqueSame), 1) << straight << " " << x << " " << y << " " << n;
        EXPECT_TRUE(taken);
        // Opaque texels at their centres give the float path's own bytes.
        EXPECT_TRUE(opaqueSame) << x << " " << y << " " << n;
        // Without blending only opaque runs are handed over, as they are.
        EXPECT_EQ(compare(r, rng, false, taken, opaqueSame), 0);
      }
    }
  }
}

// A run is taken as sitting on texel centres only where every point, computed as the
// sampler computes it, lies within 3e-4 of a texel its own (the ends tested with a bound on
// the rounding between them must never take more than the point by point test).
TEST(MetalTexelBytes, CentresTakenOnlyWhereEveryPointSitsOnOne) {
  Images images;
  std::mt19937 rng(9);
  const MTLSamplerState* s = images.sampler(MTLSamplerMinMagFilterLinear, MTLSamplerAddressModeClampToEdge);
  std::uniform_real_distribution<float> off(-4e-4f, 4e-4f), drift(-2e-7f, 2e-7f);
  int taken = 0;
  for (int w : {7, 190, 1000, 2000, 4096}) {
    MTLTexture* t = images.image(rng, w, 2, false);
    for (int k = 0; k < 400; k++) {
      const int n = 1 + int(rng() % unsigned(std::min(w, 2100))), x0 = int(rng() % unsigned(w - n + 1));
      const float du = (1.0f + drift(rng)) / float(w), u0 = (float(x0) + 0.5f + off(rng)) / float(w);
      if (!mtlsw::centresOfRow(t, s, u0, du, 0.75f, 0.0f, n, 0.0f, 0.5f)) continue;
      taken++;
      for (int i = 0; i < n; i++) {
        const float f = (u0 + du * float(i)) * float(w) - 0.5f;
        const float a = f - std::floor(f);
        ASSERT_TRUE(a <= 3e-4f || a >= 1.0f - 3e-4f) << w << " " << n << " " << i;
        ASSERT_EQ(int(std::floor(f)) + (a >= 0.5f ? 1 : 0), x0 + i) << w << " " << n << " " << i;
      }
    }
  }
  EXPECT_GT(taken, 400);
}

TEST(MetalTexelBytes, TwiceMagnifiedRunsWithinOneStepOfTheSampledColour) {
  Images images;
  std::mt19937 rng(5);
  const MTLSamplerMinMagFilter linear = MTLSamplerMinMagFilterLinear;
  for (bool straight : {false, true}) {
    // As wide as the editor's background, and small enough that every run meets the edges.
    for (const auto& [w, h] : {std::pair{1000, 7}, std::pair{5, 3}}) {
      MTLTexture* t = images.image(rng, w, h, straight);
      const MTLSamplerState* s = images.sampler(linear, MTLSamplerAddressModeClampToEdge);
      int taken = 0, tried = 0, worst = 0;
      for (int k = 0; k < 400; k++) {
        // Drawn at twice its size from pixel (ox, oy); runs start on either phase, on and a
        // little beyond the image's edges (clamped there).
        const int ox = int(rng() % 300), oy = int(rng() % 50);
        const int n = 1 + int(rng() % unsigned(2 * w + 4)), x = ox - 3 + int(rng() % unsigned(2 * w - n + 7));
        const int y = oy - 1 + int(rng() % unsigned(2 * h + 2));
        const float u0 = (float(x) + 0.5f - float(ox)) / float(2 * w), v0 = (float(y) + 0.5f - float(oy)) / float(2 * h);
        const Span r{t, s, u0, 1.0f / float(2 * w), v0, 0, 1.0f / float(2 * h), n, straight, k % 2 == 1};
        bool took = false, opaqueSame = false;
        worst = std::max(worst, compare(r, rng, true, took, opaqueSame));
        taken += took, tried++;
        // The vector units give the same bytes.
        const size_t count = static_cast<size_t>(n);
        std::vector<uint32_t> best(count), sse2(count);
        std::vector<unsigned char> bestFlags(count), sse2Flags(count);
        const bool b = mtlsw::texelBytesMagnified2x(t, s, r.u0, r.du, r.v0, 0, n, 0, r.dvdy, !straight, true,
                                                    best.data(), bestFlags.data());
        EXPECT_EQ(b, mtlsw::texelBytesMagnified2x(t, s, r.u0, r.du, r.v0, 0, n, 0, r.dvdy, !straight, true,
                                                  sse2.data(), sse2Flags.data(), mtlsw::TexelBytesUnit::Sse2));
        EXPECT_TRUE(!b || (best == sse2 && bestFlags == sse2Flags));
        // Without blending, runs with any colour not opaque are refused.
        EXPECT_LE(compare(r, rng, false, took, opaqueSame), 1);
      }
      EXPECT_LE(worst, 1) << straight << " " << w;
      // Points whose float coordinates stray too far from the quarter points are refused.
      EXPECT_GE(taken, tried * 9 / 10) << straight << " " << w;
    }
  }
  // Runs the integer filter does not take: another scale, between the quarter points,
  // repeat addressing, nearest filtering.
  MTLTexture* t = images.image(rng, 64, 8, false);
  const MTLSamplerState* clamp = images.sampler(linear, MTLSamplerAddressModeClampToEdge);
  const MTLSamplerState* repeat = images.sampler(linear, MTLSamplerAddressModeRepeat);
  const MTLSamplerState* nearest = images.sampler(MTLSamplerMinMagFilterNearest, MTLSamplerAddressModeClampToEdge);
  const float du = 1.0f / 128, dv = 1.0f / 16;
  const Span refused[] = {
      {t, clamp, 10.5f / 192, 1.0f / 192, 4.5f / 24, 0, 1.0f / 24, 40, false, false},
      {t, clamp, 10.6f / 128, du, 4.5f / 16, 0, dv, 40, false, false},
      {t, clamp, 10.5f / 128, du, 4.6f / 16, 0, dv, 40, false, false},
      {t, repeat, 10.5f / 128, du, 4.5f / 16, 0, dv, 40, false, false},
      {t, nearest, 10.5f / 128, du, 4.5f / 16, 0, dv, 40, false, false},
  };
  for (const Span& r : refused) {
    std::vector<uint8_t> d(size_t(r.n) * 4);
    std::vector<unsigned char> flags;
    EXPECT_FALSE(handedOver(r, true, d.data(), flags)) << r.u0 << " " << r.du << " " << r.v0;
  }
}

}  // namespace
