#include "tests/support/ImageRead.h"

#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#include <stb_image.h>

namespace testimage {

bool Read(const std::string& path, Decoded& out) {
  unsigned char* data = stbi_load(path.c_str(), &out.width, &out.height, &out.channels, 4);
  if (data == nullptr) return false;
  out.rgba.assign(data, data + static_cast<size_t>(out.width) * out.height * 4);
  stbi_image_free(data);
  return true;
}

bool Info(const std::string& path, int& width, int& height, int& channels) {
  return stbi_info(path.c_str(), &width, &height, &channels) != 0;
}

}  // namespace testimage
