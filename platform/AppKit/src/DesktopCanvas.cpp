#include "DesktopCanvas.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>

#include <CoreGraphics/CGSfnt.h>
#include <CoreText/CTFontFolders.h>

#define STBTT_STATIC
#define STB_TRUETYPE_IMPLEMENTATION
#include "StbBegin.h"
#include <stb_truetype.h>
#include "StbEnd.h"

namespace appkit {
namespace {

struct Glyph {
  std::vector<uint8_t> alpha;
  int w = 0, h = 0, xoff = 0, yoff = 0, advance = 0;
};

// The interface font, loaded once.
class Face {
 public:
  static Face* get() {
    static Face* face = load();
    return face;
  }
  const Glyph& glyph(uint32_t cp, int size) {
    auto& g = cache_[{cp, size}];
    if (g == nullptr) {
      g = std::make_unique<Glyph>();
      const float scale = stbtt_ScaleForPixelHeight(&info_, static_cast<float>(size));
      int advance = 0, lsb = 0;
      stbtt_GetCodepointHMetrics(&info_, static_cast<int>(cp), &advance, &lsb);
      g->advance = static_cast<int>(advance * scale + 0.5f);
      int x0, y0, x1, y1;
      stbtt_GetCodepointBitmapBox(&info_, static_cast<int>(cp), scale, scale, &x0, &y0, &x1, &y1);
      g->w = std::max(0, x1 - x0), g->h = std::max(0, y1 - y0), g->xoff = x0, g->yoff = y0;
      if (g->w > 0 && g->h > 0 && g->w < 512 && g->h < 512) {
        g->alpha.assign(static_cast<size_t>(g->w * g->h), 0);
        stbtt_MakeCodepointBitmap(&info_, g->alpha.data(), g->w, g->h, g->w, scale, scale, static_cast<int>(cp));
      } else {
        g->w = g->h = 0;
      }
    }
    return *g;
  }
  int ascent(int size) {
    int a, d, l;
    stbtt_GetFontVMetrics(&info_, &a, &d, &l);
    return static_cast<int>(a * stbtt_ScaleForPixelHeight(&info_, static_cast<float>(size)) + 0.5f);
  }

 private:
  static Face* load() {
    std::string path;
    for (const auto& f : ctx::InstalledFaces()) {
      if (f.family == "DejaVu Sans" && (f.style == "Book" || f.style == "Regular")) {
        path = f.path;
        break;
      }
      if (path.empty() && f.faceIndex == 0) path = f.path;
    }
    if (path.empty()) return nullptr;
    cgx::SfntFile file(path);
    if (!file.isOpen() || file.size() > (64u << 20)) return nullptr;
    auto* face = new Face();
    face->bytes_.resize(static_cast<size_t>(file.size()));
    if (!file.read(0, face->bytes_.size(), face->bytes_.data()) ||
        stbtt_InitFont(&face->info_, face->bytes_.data(), stbtt_GetFontOffsetForIndex(face->bytes_.data(), 0)) == 0) {
      delete face;
      return nullptr;
    }
    return face;
  }
  std::vector<uint8_t> bytes_;
  stbtt_fontinfo info_{};
  std::map<std::pair<uint32_t, int>, std::unique_ptr<Glyph>> cache_;
};

// Decodes the next code point (invalid bytes give U+FFFD).
uint32_t Next(const std::string& s, size_t& i) {
  const auto c = static_cast<unsigned char>(s[i++]);
  int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
  uint32_t cp = extra == 3 ? c & 0x07 : extra == 2 ? c & 0x0F : extra == 1 ? c & 0x1F : c;
  if (c >= 0x80 && extra == 0) return 0xFFFD;
  while (extra-- > 0) {
    if (i >= s.size() || (static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) return 0xFFFD;
    cp = cp << 6 | (static_cast<unsigned char>(s[i++]) & 0x3F);
  }
  return cp;
}

uint32_t Pack(Rgba c) { return uint32_t(c.a) << 24 | uint32_t(c.r) << 16 | uint32_t(c.g) << 8 | c.b; }

uint32_t Blend(uint32_t dst, Rgba c, unsigned coverage) {
  const unsigned a = c.a * coverage / 255;
  if (a == 0) return dst;
  auto mix = [&](unsigned d, unsigned s) { return (s * a + d * (255 - a)) / 255; };
  const unsigned r = mix(dst >> 16 & 0xFF, c.r), g = mix(dst >> 8 & 0xFF, c.g), b = mix(dst & 0xFF, c.b);
  return 0xFF000000u | r << 16 | g << 8 | b;
}

}  // namespace

void Canvas::resize(int width, int height) {
  width_ = std::max(1, width), height_ = std::max(1, height);
  pixels_.assign(static_cast<size_t>(width_) * height_, 0xFF000000u);
}

void Canvas::clear(Rgba color) { std::fill(pixels_.begin(), pixels_.end(), Pack(color) | 0xFF000000u); }

void Canvas::fill(int x, int y, int w, int h, Rgba color) {
  const int x0 = std::max(0, x), y0 = std::max(0, y);
  const int x1 = std::min(width_, x + w), y1 = std::min(height_, y + h);
  for (int yy = y0; yy < y1; ++yy)
    for (int xx = x0; xx < x1; ++xx) {
      uint32_t& p = pixels_[static_cast<size_t>(yy) * width_ + xx];
      p = Blend(p, color, 255);
    }
}

void Canvas::outline(int x, int y, int w, int h, Rgba color) {
  fill(x, y, w, 1, color);
  fill(x, y + h - 1, w, 1, color);
  fill(x, y + 1, 1, h - 2, color);
  fill(x + w - 1, y + 1, 1, h - 2, color);
}

void Canvas::copy(const uint8_t* src, int sw, int sh, int stride, bool rgba, int x, int y, int w, int h) {
  if (src == nullptr || sw <= 0 || sh <= 0 || w <= 0 || h <= 0) return;
  for (int yy = std::max(0, y); yy < std::min(height_, y + h); ++yy) {
    const int sy = static_cast<int>(static_cast<long>(yy - y) * sh / h);
    const uint8_t* row = src + static_cast<size_t>(sy) * stride;
    for (int xx = std::max(0, x); xx < std::min(width_, x + w); ++xx) {
      const uint8_t* p = row + static_cast<size_t>(static_cast<long>(xx - x) * sw / w) * 4;
      const Rgba c = rgba ? Rgba{p[0], p[1], p[2], p[3]} : Rgba{p[2], p[1], p[0], p[3]};
      uint32_t& d = pixels_[static_cast<size_t>(yy) * width_ + xx];
      d = c.a == 255 ? Pack(c) : Blend(d, c, 255);
    }
  }
}

int Canvas::text(const std::string& utf8, int x, int y, int size, Rgba color, int maxX) {
  Face* face = Face::get();
  if (face == nullptr || size <= 0) return 0;
  const int start = x;
  for (size_t i = 0; i < utf8.size();) {
    const Glyph& g = face->glyph(Next(utf8, i), size);
    if (x + g.advance > maxX) break;
    for (int gy = 0; gy < g.h; ++gy) {
      const int py = y + g.yoff + gy;
      if (py < 0 || py >= height_) continue;
      for (int gx = 0; gx < g.w; ++gx) {
        const int px = x + g.xoff + gx;
        if (px < 0 || px >= width_) continue;
        uint32_t& d = pixels_[static_cast<size_t>(py) * width_ + px];
        d = Blend(d, color, g.alpha[static_cast<size_t>(gy) * g.w + gx]);
      }
    }
    x += g.advance;
  }
  return x - start;
}

int Canvas::measure(const std::string& utf8, int size) {
  Face* face = Face::get();
  if (face == nullptr || size <= 0) return 0;
  int w = 0;
  for (size_t i = 0; i < utf8.size();) w += face->glyph(Next(utf8, i), size).advance;
  return w;
}

int Canvas::ascent(int size) {
  Face* face = Face::get();
  return face != nullptr ? face->ascent(size) : size * 3 / 4;
}

size_t Utf8OffsetOfUnit(const std::string& utf8, size_t unit) {
  size_t units = 0, i = 0;
  while (i < utf8.size() && units < unit) {
    const uint32_t cp = Next(utf8, i);
    units += cp >= 0x10000 ? 2 : 1;
  }
  return i;
}

}  // namespace appkit
