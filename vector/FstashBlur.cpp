// Fixed-point recursive blur of a rectangle of the stash atlas.
#include <cmath>

#include "vector/Fstash.h"

namespace fx::gfx {

static void blurLine(uint8_t* v, int n, int step, int alpha) {
  if (n <= 0) return;
  int z = 0;
  for (int i = 1; i < n; i++) {
    z += (alpha * ((static_cast<int>(v[i * step]) << 7) - z)) >> 16;
    v[i * step] = static_cast<uint8_t>(z >> 7);
  }
  v[(n - 1) * step] = 0;
  z = 0;
  for (int i = n - 2; i >= 0; i--) {
    z += (alpha * ((static_cast<int>(v[i * step]) << 7) - z)) >> 16;
    v[i * step] = static_cast<uint8_t>(z >> 7);
  }
  v[0] = 0;
}

static void blurCols(uint8_t* dst, int w, int h, int dstStride, int alpha) {
  for (int x = 0; x < w; x++) blurLine(dst + x, h, dstStride, alpha);
}

static void blurRows(uint8_t* dst, int w, int h, int dstStride, int alpha) {
  for (int y = 0; y < h; y++) blurLine(dst + y * dstStride, w, 1, alpha);
}

void fstashBlur(uint8_t* dst, int w, int h, int dstStride, int blur) {
  if (blur < 1) return;
  const float sigma = static_cast<float>(blur) * 0.57735f;
  const int alpha = static_cast<int>((1.0f - std::exp(-2.3f / (sigma + 1.0f))) * 65536.0f);
  blurCols(dst, w, h, dstStride, alpha);
  blurRows(dst, w, h, dstStride, alpha);
  blurCols(dst, w, h, dstStride, alpha);
  blurRows(dst, w, h, dstStride, alpha);
}

}  // namespace fx::gfx
