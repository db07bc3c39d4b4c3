#pragma once
// What an X window shows, read back from the screen, and where a colour lies in it.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace hosttest {

struct Shot {
  int w = 0, h = 0;
  std::vector<unsigned long> px;  // 0xRRGGBB
  bool is(int x, int y, int r, int g, int b, int tolerance = 3) const {
    const unsigned long p = px[static_cast<size_t>(y) * w + x];
    return std::abs(static_cast<int>(p >> 16 & 255) - r) <= tolerance &&
           std::abs(static_cast<int>(p >> 8 & 255) - g) <= tolerance &&
           std::abs(static_cast<int>(p & 255) - b) <= tolerance;
  }
};

struct Rect {
  int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;  // inclusive; right < 0: empty
};

// The pixels of colour (r, g, b) in s's rows y0..y1 and columns x0..x1 (inclusive): their bounds and count.
inline Rect Find(const Shot& s, int x0, int y0, int x1, int y1, int r, int g, int b, int* count = nullptr) {
  Rect out;
  int n = 0;
  for (int y = std::max(0, y0); y <= y1 && y < s.h; ++y)
    for (int x = std::max(0, x0); x <= x1 && x < s.w; ++x)
      if (s.is(x, y, r, g, b)) {
        ++n;
        out.left = std::min(out.left, x), out.right = std::max(out.right, x);
        out.top = std::min(out.top, y), out.bottom = std::max(out.bottom, y);
      }
  if (count != nullptr) *count = n;
  return out;
}

// What window shows (the part of it on the screen); empty when it cannot be read.
inline Shot TakeShot(Display* d, Window window) {
  Shot s;
  XWindowAttributes a{};
  Window child = 0;
  int rx = 0, ry = 0;
  if (!XGetWindowAttributes(d, window, &a) ||
      !XTranslateCoordinates(d, window, DefaultRootWindow(d), 0, 0, &rx, &ry, &child))
    return s;
  s.w = std::min(a.width, DisplayWidth(d, 0) - rx);
  s.h = std::min(a.height, DisplayHeight(d, 0) - ry);
  XImage* image = XGetImage(d, DefaultRootWindow(d), rx, ry, s.w, s.h, AllPlanes, ZPixmap);
  if (image == nullptr) return Shot();
  s.px.resize(static_cast<size_t>(s.w) * s.h);
  for (int y = 0; y < s.h; ++y)
    for (int x = 0; x < s.w; ++x) s.px[static_cast<size_t>(y) * s.w + x] = XGetPixel(image, x, y);
  XDestroyImage(image);
  return s;
}

}  // namespace hosttest
