// A picture read back from a renderer, RGBA rows from the top, and its PNG file for a person to
// look at.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace fx::gfx::test {

struct Image {
  int w = 0, h = 0;
  std::vector<uint8_t> px;
  const uint8_t* at(int x, int y) const { return &px[(size_t(y) * w + x) * 4]; }
  int r(int x, int y) const { return at(x, y)[0]; }
  int g(int x, int y) const { return at(x, y)[1]; }
  int b(int x, int y) const { return at(x, y)[2]; }
  int a(int x, int y) const { return at(x, y)[3]; }
  double alphaSum() const {
    double s = 0;
    for (size_t i = 3; i < px.size(); i += 4) s += px[i] / 255.0;
    return s;
  }
};

// Writes an image as PNG into a folder under the build folder (ORBEX_BINARY_DIR, or beside
// the test executable); returns the path.
std::string writePng(const std::string& name, const Image& img, const std::string& folder = "metal_scenes");

}  // namespace fx::gfx::test
