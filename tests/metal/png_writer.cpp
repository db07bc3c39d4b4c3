#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>

#include <cstdlib>
#include <filesystem>

#include "tests/metal/Image.h"

namespace fx::gfx::test {

std::string writePng(const std::string& name, const Image& img, const std::string& folder) {
  // Under the build folder: ctest passes it; run by hand, beside the test executable.
  std::error_code ec;
  const char* dir = std::getenv("ORBEX_BINARY_DIR");
  std::filesystem::path base = dir ? std::filesystem::path(dir)
                                   : std::filesystem::read_symlink("/proc/self/exe", ec).parent_path();
  if (base.empty()) base = std::filesystem::temp_directory_path(ec);
  std::filesystem::path out = base / folder;
  std::filesystem::create_directories(out, ec);
  out /= name + ".png";
  stbi_write_png(out.string().c_str(), img.w, img.h, 4, img.px.data(), img.w * 4);
  return out.string();
}

}  // namespace fx::gfx::test
