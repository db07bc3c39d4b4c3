#include "tools/artwork/ArtImage.h"

#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STB_IMAGE_WRITE_STATIC
#include <stb_image_write.h>

#include <algorithm>
#include <cmath>

namespace orbexart {

void Unpremultiply(ArtImage& img) {
  for (size_t i = 0; i + 3 < img.px.size(); i += 4) {
    uint8_t* p = &img.px[i];
    const unsigned a = p[3];
    if (a == 0) {
      p[0] = p[1] = p[2] = 0;
      continue;
    }
    if (a == 255) continue;
    for (int c = 0; c < 3; c++) p[c] = uint8_t(std::min(255u, (p[c] * 255u + a / 2) / a));
  }
}

void FillTransparent(ArtImage& img) {
  // Past the rings a filter reaches, copying one neighbour instead of averaging keeps the fill
  // flat, which compresses far better.
  constexpr int kAveragedRings = 1;
  const int w = img.w, h = img.h;
  if (w <= 0 || h <= 0) return;
  // 0: not coloured yet, 1: visible or coloured by an earlier ring, 2: in the ring being coloured.
  std::vector<uint8_t> state(size_t(w) * size_t(h), 0);
  std::vector<int> ring, next;
  for (int y = 0; y < h; y++)
    for (int x = 0; x < w; x++)
      if (img.at(x, y)[3] != 0) state[size_t(y) * w + x] = 1;
  auto collectNeighbours = [&](int idx, std::vector<int>& out) {
    const int x0 = idx % w, y0 = idx / w;
    for (int dy = -1; dy <= 1; dy++)
      for (int dx = -1; dx <= 1; dx++) {
        const int x = x0 + dx, y = y0 + dy;
        if ((dx | dy) == 0 || x < 0 || y < 0 || x >= w || y >= h) continue;
        const int n = y * w + x;
        if (state[size_t(n)] == 0) {
          state[size_t(n)] = 2;
          out.push_back(n);
        }
      }
  };
  // The first ring: transparent pixels touching a visible one.
  for (int i = 0; i < w * h; i++)
    if (state[size_t(i)] == 1) collectNeighbours(i, ring);
  for (int ringIndex = 0; !ring.empty(); ringIndex++) {
    const bool averaged = ringIndex < kAveragedRings;
    // Colour the ring from neighbours coloured before it, so the order within a ring does not
    // matter.
    for (int idx : ring) {
      const int x0 = idx % w, y0 = idx / w;
      unsigned sum[3] = {0, 0, 0}, n = 0;
      for (int dy = -1; dy <= 1; dy++)
        for (int dx = -1; dx <= 1; dx++) {
          const int x = x0 + dx, y = y0 + dy;
          if ((dx | dy) == 0 || x < 0 || y < 0 || x >= w || y >= h) continue;
          if (state[size_t(y) * w + x] != 1) continue;
          const uint8_t* q = img.at(x, y);
          if (averaged || n == 0) {
            sum[0] += q[0], sum[1] += q[1], sum[2] += q[2];
            n++;
          }
        }
      uint8_t* p = img.at(x0, y0);
      for (int c = 0; c < 3; c++) p[c] = uint8_t((sum[c] + n / 2) / n);
    }
    next.clear();
    for (int idx : ring) state[size_t(idx)] = 1;
    for (int idx : ring) collectNeighbours(idx, next);
    ring.swap(next);
  }
}

ArtImage StackFrames(const std::vector<ArtImage>& frames) {
  if (frames.empty()) return {};
  const int w = frames[0].w, h = frames[0].h;
  for (const ArtImage& f : frames)
    if (f.w != w || f.h != h) return {};
  ArtImage out(w, h * int(frames.size()));
  size_t offset = 0;
  for (const ArtImage& f : frames) {
    std::copy(f.px.begin(), f.px.end(), out.px.begin() + std::ptrdiff_t(offset));
    offset += f.px.size();
  }
  return out;
}

void DrawOver(ArtImage& dst, const ArtImage& strip, int frame, int frames, int x, int y) {
  if (frames <= 0 || frame < 0 || frame >= frames || strip.h % frames != 0) return;
  const int fh = strip.h / frames;
  for (int sy = 0; sy < fh; sy++) {
    const int dy = y + sy;
    if (dy < 0 || dy >= dst.h) continue;
    for (int sx = 0; sx < strip.w; sx++) {
      const int dx = x + sx;
      if (dx < 0 || dx >= dst.w) continue;
      const uint8_t* s = strip.at(sx, frame * fh + sy);
      uint8_t* d = dst.at(dx, dy);
      const float sa = s[3] / 255.0f, da = d[3] / 255.0f, oa = sa + da * (1 - sa);
      for (int c = 0; c < 3; c++)
        d[c] = oa > 0 ? uint8_t(std::lround((s[c] * sa + d[c] * da * (1 - sa)) / oa)) : 0;
      d[3] = uint8_t(std::lround(oa * 255));
    }
  }
}

bool WritePng(const std::string& path, const ArtImage& img) {
  if (img.w <= 0 || img.h <= 0 || img.px.size() != size_t(img.w) * size_t(img.h) * 4) return false;
  stbi_write_png_compression_level = 9;
  return stbi_write_png(path.c_str(), img.w, img.h, 4, img.px.data(), img.w * 4) != 0;
}

}  // namespace orbexart
