#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>

#include <cstdlib>
#include <filesystem>

#include "tests/metal/Harness.h"

namespace fx::gfx::test {

std::string writePng(const std::string& name, const Image& img) {
  const char* dir = std::getenv("ORBEX_BINARY_DIR");
  std::filesystem::path out = std::filesystem::path(dir ? dir : ".") / "metal_scenes";
  std::error_code ec;
  std::filesystem::create_directories(out, ec);
  out /= name + ".png";
  stbi_write_png(out.string().c_str(), img.w, img.h, 4, img.px.data(), img.w * 4);
  return out.string();
}

}  // namespace fx::gfx::test
