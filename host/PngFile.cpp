#include "host/PngFile.h"

#include "host/FilePaths.h"
#include "host/MessageText.h"

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

bool PictureFiles::Add(const std::string& path, const std::vector<uint8_t>& rgba, int width, int height,
                       std::string& error) {
  if (width <= 0 || height <= 0 || rgba.size() != static_cast<size_t>(width) * static_cast<size_t>(height) * 4) {
    error = "cannot write " + QuotePath(path) + ": the picture is empty";
    return false;
  }
  std::string bytes;
  if (stbi_write_png_to_func(Append, &bytes, width, height, 4, rgba.data(), width * 4) == 0 || bytes.empty()) {
    error = "cannot write " + QuotePath(path) + ": the picture could not be encoded";
    return false;
  }
  // The earlier picture of the same file (its temporary file is the same one).
  for (auto it = mPending.begin(); it != mPending.end(); ++it)
    if (SameFile(it->path, path)) {
      mPending.erase(it);
      break;
    }
  auto file = std::make_unique<OutputFile>();
  std::string why;
  if (file->Open(path, true, why) && file->WriteAll(bytes.data(), bytes.size(), why) && file->Close(why)) {
    mPending.push_back({path, std::move(file)});
    return true;
  }
  error = "cannot write " + QuotePath(path) + ": " + why;
  return false;
}

bool PictureFiles::Commit(std::string& error) {
  for (Pending& p : mPending) {
    std::string why;
    if (!p.file->Commit(why)) {
      error = "cannot write " + QuotePath(p.path) + ": " + why;
      return false;
    }
  }
  mPending.clear();
  return true;
}

}  // namespace orbexhost
