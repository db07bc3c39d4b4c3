// Texture sampling for software shader programs: normalised coordinates, nearest or
// bilinear filtering of level 0, clamp-to-edge or repeat addressing. Results are floats
// in 0..1 as the format's channels read (R8: r, 0, 0, 1; BGRA is returned as RGBA).
// Thread: the execution thread of a command buffer.
#pragma once

#include <cmath>

#include <Metal/MTLResource.h>

namespace mtlsw {

inline int wrapCoord(int i, int n, MTLSamplerAddressMode mode) {
  if (mode == MTLSamplerAddressModeRepeat) {
    i %= n;
    return i < 0 ? i + n : i;
  }
  return i < 0 ? 0 : (i >= n ? n - 1 : i);
}

inline void fetchTexel(const MTLTexture* t, int x, int y, float* out) {
  const unsigned char* p = t->levelBytes(0) + (static_cast<NSUInteger>(y) * t->levelWidth(0) + x) * t->texelBytes();
  constexpr float k = 1.0f / 255.0f;
  switch (t->pixelFormat()) {
    case MTLPixelFormatR8Unorm:
      out[0] = p[0] * k, out[1] = 0, out[2] = 0, out[3] = 1;
      break;
    case MTLPixelFormatBGRA8Unorm:
      out[0] = p[2] * k, out[1] = p[1] * k, out[2] = p[0] * k, out[3] = p[3] * k;
      break;
    case MTLPixelFormatRGBA8Unorm:
      out[0] = p[0] * k, out[1] = p[1] * k, out[2] = p[2] * k, out[3] = p[3] * k;
      break;
    default:
      out[0] = p[0] * k, out[1] = 0, out[2] = 0, out[3] = 1;
      break;
  }
}

// Samples texture t at normalised (u, v). A null texture reads transparent black.
inline void sample(const MTLTexture* t, const MTLSamplerState* s, float u, float v, float* out) {
  if (!t) {
    out[0] = out[1] = out[2] = out[3] = 0;
    return;
  }
  static const MTLSamplerDescriptor kDefault{};
  const MTLSamplerDescriptor& d = s ? s->descriptor() : kDefault;
  const int w = static_cast<int>(t->levelWidth(0)), h = static_cast<int>(t->levelHeight(0));
  if (!(std::isfinite(u) && std::isfinite(v))) u = v = 0;
  float fx = u * w, fy = v * h;
  // Keep coordinates where int conversion is defined.
  fx = std::fmax(std::fmin(fx, 1e8f), -1e8f);
  fy = std::fmax(std::fmin(fy, 1e8f), -1e8f);
  if (d.magFilter == MTLSamplerMinMagFilterNearest) {
    const int x = wrapCoord(static_cast<int>(std::floor(fx)), w, d.sAddressMode);
    const int y = wrapCoord(static_cast<int>(std::floor(fy)), h, d.tAddressMode);
    fetchTexel(t, x, y, out);
    return;
  }
  fx -= 0.5f, fy -= 0.5f;
  const float x0f = std::floor(fx), y0f = std::floor(fy);
  const float ax = fx - x0f, ay = fy - y0f;
  const int x0 = static_cast<int>(x0f), y0 = static_cast<int>(y0f);
  const int xa = wrapCoord(x0, w, d.sAddressMode), xb = wrapCoord(x0 + 1, w, d.sAddressMode);
  const int ya = wrapCoord(y0, h, d.tAddressMode), yb = wrapCoord(y0 + 1, h, d.tAddressMode);
  float c00[4], c10[4], c01[4], c11[4];
  fetchTexel(t, xa, ya, c00);
  fetchTexel(t, xb, ya, c10);
  fetchTexel(t, xa, yb, c01);
  fetchTexel(t, xb, yb, c11);
  for (int i = 0; i < 4; i++) {
    const float top = c00[i] + (c10[i] - c00[i]) * ax;
    const float bottom = c01[i] + (c11[i] - c01[i]) * ax;
    out[i] = top + (bottom - top) * ay;
  }
}

}  // namespace mtlsw
