#include "vector/VGJpeg.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

#include "vector/VGImageCheck.h"

namespace fx::gfx {

namespace {

// Errors leave through longjmp; warnings and messages are not printed.
struct ErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
};

[[noreturn]] void onError(j_common_ptr info) { std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->jump, 1); }
void onMessage(j_common_ptr) {}

// The decoder's working memory beyond what the image itself needs is refused instead of
// spilling to files it cannot make.
constexpr long kMaxDecoderMemory = 1L << 29;

}  // namespace

unsigned char* vgrDecodeJpeg(const unsigned char* data, size_t size, int* w, int* h) {
  if (data == nullptr || size == 0 || size > kVGMaxEncodedImageBytes || w == nullptr || h == nullptr) return nullptr;
  jpeg_decompress_struct info;
  ErrorManager err;
  info.err = jpeg_std_error(&err.pub);
  err.pub.error_exit = onError;
  err.pub.output_message = onMessage;
  // Volatile: the cleanup after a longjmp reads it.
  unsigned char* volatile pixels = nullptr;
  if (setjmp(err.jump)) {
    jpeg_destroy_decompress(&info);
    std::free(pixels);
    return nullptr;
  }
  jpeg_create_decompress(&info);
  info.mem->max_memory_to_use = kMaxDecoderMemory;
  jpeg_mem_src(&info, data, static_cast<unsigned long>(size));
  jpeg_read_header(&info, TRUE);
  const bool cmyk = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
  info.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_RGBA;
  jpeg_start_decompress(&info);
  const JDIMENSION width = info.output_width, height = info.output_height;
  if (width == 0 || height == 0 || width > kVGMaxImageSide || height > kVGMaxImageSide ||
      uint64_t(width) * height > kVGMaxImagePixels || info.output_components != 4)
    std::longjmp(err.jump, 1);
  pixels = static_cast<unsigned char*>(std::malloc(size_t(width) * height * 4));
  if (pixels == nullptr) std::longjmp(err.jump, 1);
  while (info.output_scanline < height) {
    JSAMPROW out = pixels + size_t(info.output_scanline) * width * 4;
    jpeg_read_scanlines(&info, &out, 1);
  }
  if (cmyk) {
    // Adobe's CMYK is stored inverted: each colour is its ink times the black, over 255.
    unsigned char* p = pixels;
    for (size_t i = 0; i < size_t(width) * height; i++, p += 4) {
      const unsigned k = p[3];
      for (int c = 0; c < 3; c++) p[c] = static_cast<unsigned char>((p[c] * k + 127) / 255);
      p[3] = 255;
    }
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  *w = int(width), *h = int(height);
  return pixels;
}

}  // namespace fx::gfx
