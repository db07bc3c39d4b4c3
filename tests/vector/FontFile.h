// The test font's bytes, read once.
#pragma once

#include <cstdio>
#include <vector>

namespace fx::gfx::test {

inline constexpr const char* kTestFontPath = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

inline const std::vector<unsigned char>& testFontBytes() {
  static const std::vector<unsigned char> bytes = [] {
    std::vector<unsigned char> b;
    if (FILE* f = std::fopen(kTestFontPath, "rb")) {
      unsigned char buf[65536];
      size_t n;
      while ((n = std::fread(buf, 1, sizeof(buf), f)) > 0) b.insert(b.end(), buf, buf + n);
      std::fclose(f);
    }
    return b;
  }();
  return bytes;
}

}  // namespace fx::gfx::test
