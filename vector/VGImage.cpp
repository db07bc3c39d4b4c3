// Images decoded from files and memory (8-bit RGBA) and handed to the back end.
#include <cstdio>

#include "vector/VGContext.h"

#define STB_IMAGE_IMPLEMENTATION
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

static int createImageRGBA(VGcontext* ctx, int w, int h, int imageFlags, const unsigned char* data) {
  return ctx->params.renderCreateTexture(ctx->params.userPtr, VG_TEXTURE_RGBA, w, h, imageFlags, data);
}

int vgrCreateImageFromFile(VGcontext* ctx, const char* filename, int imageFlags) {
  if (filename == nullptr) return 0;
  stbi_set_unpremultiply_on_load(1);
  stbi_convert_iphone_png_to_rgb(1);
  int w = 0, h = 0, n = 0;
  unsigned char* img = stbi_load(filename, &w, &h, &n, 4);
  if (img == nullptr) return 0;
  const int image = createImageRGBA(ctx, w, h, imageFlags, img);
  stbi_image_free(img);
  return image;
}

int vgrCreateImageFromMemory(VGcontext* ctx, int imageFlags, const unsigned char* data, int ndata) {
  if (data == nullptr || ndata <= 0) return 0;
  int w = 0, h = 0, n = 0;
  unsigned char* img = stbi_load_from_memory(data, ndata, &w, &h, &n, 4);
  if (img == nullptr) return 0;
  const int image = createImageRGBA(ctx, w, h, imageFlags, img);
  stbi_image_free(img);
  return image;
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
