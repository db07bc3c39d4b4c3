// Images decoded from files and memory (8-bit RGBA) and handed to the back end.
//
// Editor bitmaps are PNG or JPEG files: PNG through the image-decoding dependency (only its
// PNG decoder is built), JPEG through libjpeg-turbo (VGJpeg.h). An image's size is read
// from its header and checked before anything is decoded, so a damaged or hostile file
// cannot make a decoder allocate without bound, and an image without pixels never reaches
// the back end.
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "vector/VGContext.h"
#include "vector/VGImageCheck.h"
#include "vector/VGJpeg.h"

#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wunused-parameter"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#endif
#include <stb_image.h>
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

namespace fx::gfx {

namespace {

int createImageRGBA(VGcontext* ctx, int w, int h, int imageFlags, const unsigned char* data) {
  if (w <= 0 || h <= 0 || data == nullptr) return 0;
  return ctx->params.renderCreateTexture(ctx->params.userPtr, VG_TEXTURE_RGBA, w, h, imageFlags, data);
}

// Decodes an encoded image that passed vgrCheckEncodedImage into a texture.
int decodeToTexture(VGcontext* ctx, int imageFlags, const unsigned char* data, int ndata) {
  int w = 0, h = 0, n = 0;
  if (vgrImageFormat(data, size_t(ndata)) == VGImageFormat::kJPEG) {
    unsigned char* img = vgrDecodeJpeg(data, size_t(ndata), &w, &h);
    if (img == nullptr) return 0;
    const int image = createImageRGBA(ctx, w, h, imageFlags, img);
    std::free(img);
    return image;
  }
  unsigned char* img = stbi_load_from_memory(data, ndata, &w, &h, &n, 4);
  if (img == nullptr) return 0;
  const int image = createImageRGBA(ctx, w, h, imageFlags, img);
  stbi_image_free(img);
  return image;
}

}  // namespace

int vgrCreateImageFromFile(VGcontext* ctx, const char* filename, int imageFlags) {
  if (ctx == nullptr || filename == nullptr) return 0;
  stbi_set_unpremultiply_on_load(1);
  stbi_convert_iphone_png_to_rgb(1);
  FILE* f = std::fopen(filename, "rb");
  if (f == nullptr) {
    // Lets the decoder record why (it cannot open the file either).
    int w = 0, h = 0, n = 0;
    stbi_info(filename, &w, &h, &n);
    return 0;
  }
  std::vector<unsigned char> bytes;
  const bool read = vgrReadImageFile(f, &bytes);
  std::fclose(f);
  if (!read || !vgrCheckEncodedImage(bytes.data(), bytes.size())) return 0;
  return decodeToTexture(ctx, imageFlags, bytes.data(), static_cast<int>(bytes.size()));
}

int vgrCreateImageFromMemory(VGcontext* ctx, int imageFlags, const unsigned char* data, int ndata) {
  if (ctx == nullptr || data == nullptr || ndata <= 0) return 0;
  if (!vgrCheckEncodedImage(data, static_cast<size_t>(ndata))) return 0;
  return decodeToTexture(ctx, imageFlags, data, ndata);
}

void vgrUpdateImage(VGcontext* ctx, int image, const unsigned char* data) {
  int w = 0, h = 0;
  ctx->params.renderGetTextureSize(ctx->params.userPtr, image, &w, &h);
  ctx->params.renderUpdateTexture(ctx->params.userPtr, image, 0, 0, w, h, data);
}

void vgrGetImageSize(VGcontext* ctx, int image, int* w, int* h) {
  ctx->params.renderGetTextureSize(ctx->params.userPtr, image, w, h);
}

}  // namespace fx::gfx
