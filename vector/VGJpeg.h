// JPEG decoding for editor bitmaps through libjpeg-turbo (Debian's libjpeg62-turbo): the
// image decoder this renderer otherwise uses lets a hostile stream overflow its DC
// predictor, while this library keeps every value in range and reports damage as an error.
// Thread: any; no shared state.
#pragma once

#include <cstddef>

namespace fx::gfx {

// Decodes a JPEG (checked with vgrCheckEncodedImage first) into 8-bit RGBA, opaque;
// CMYK and YCCK images (as Adobe writes them) become RGB. Returns a malloc'd buffer of
// w * h * 4 bytes that the caller frees, or null for a stream that cannot be decoded.
unsigned char* vgrDecodeJpeg(const unsigned char* data, size_t size, int* w, int* h);

}  // namespace fx::gfx
