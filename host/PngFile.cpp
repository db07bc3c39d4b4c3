#include "host/PngFile.h"

#include "host/MessageText.h"
#include "host/OutputFile.h"

#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wsign-compare"
#endif
#include <stb_image_write.h>
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

namespace orbexhost {

namespace {

void Append(void* context, void* data, int size) {
  if (size > 0) static_cast<std::string*>(context)->append(static_cast<const char*>(data), static_cast<size_t>(size));
}

}  // namespace

bool WritePng(const std::string& path, const std::vector<uint8_t>& rgba, int width, int height, std::string& error) {
  if (width <= 0 || height <= 0 || rgba.size() != static_cast<size_t>(width) * static_cast<size_t>(height) * 4) {
    error = "cannot write " + QuotePath(path) + ": the picture is empty";
    return false;
  }
  std::string bytes;
  if (stbi_write_png_to_func(Append, &bytes, width, height, 4, rgba.data(), width * 4) == 0 || bytes.empty()) {
    error = "cannot write " + QuotePath(path) + ": the picture could not be encoded";
    return false;
  }
  OutputFile file;
  std::string why;
  if (file.Open(path, true, why) && file.WriteAll(bytes.data(), bytes.size(), why) && file.Commit(why)) return true;
  error = "cannot write " + QuotePath(path) + ": " + why;
  return false;
}

}  // namespace orbexhost
