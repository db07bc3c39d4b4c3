// The desktop window's picture: 32-bit pixels (B, G, R, A bytes), rectangles
// and text in one interface font (the installed DejaVu Sans, else any
// installed face; without fonts text is not drawn).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace appkit {

struct Rgba {
  uint8_t r, g, b, a;
};

class Canvas {
 public:
  void resize(int width, int height);
  int width() const { return width_; }
  int height() const { return height_; }
  const uint32_t* pixels() const { return pixels_.data(); }

  void clear(Rgba color);
  // Blends color over the rectangle (clipped to the canvas).
  void fill(int x, int y, int w, int h, Rgba color);
  void outline(int x, int y, int w, int h, Rgba color);
  // Copies an image of sw x sh pixels (rows of stride bytes, BGRA or RGBA
  // order) into the rectangle, scaled to it by nearest pixels.
  void copy(const uint8_t* src, int sw, int sh, int stride, bool rgba, int x, int y, int w, int h);
  // Text at a size in pixels with its baseline at y, cut at maxX; returns
  // the advance.
  int text(const std::string& utf8, int x, int y, int size, Rgba color, int maxX = 1 << 30);
  static int measure(const std::string& utf8, int size);
  static int ascent(int size);

 private:
  int width_ = 0, height_ = 0;
  std::vector<uint32_t> pixels_;
};

// Byte offsets of UTF-16 positions in UTF-8 text, for carets and selections.
size_t Utf8OffsetOfUnit(const std::string& utf8, size_t unit);

}  // namespace appkit
