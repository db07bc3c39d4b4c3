// Checks of encoded images before they are decoded. Only PNG and JPEG are accepted; the
// size in the header must be at least one pixel and at most kVGMaxImageSide on each side
// and kVGMaxImagePixels in all; the structures the decoder trusts (PNG chunk lengths, JPEG
// Huffman tables and the tables each scan uses) must be sound; and the file must hold
// enough compressed data to make an image of that size, so that a few bytes cannot keep
// the decoder busy with a large image it reads from nothing. Thread: any; no shared state.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace fx::gfx {

inline constexpr uint32_t kVGMaxImageSide = 16384;           // the largest texture side
inline constexpr uint64_t kVGMaxImagePixels = uint64_t(1) << 26;  // 256 MiB of RGBA
inline constexpr size_t kVGMaxEncodedImageBytes = size_t(1) << 28;

enum class VGImageFormat { kNone, kPNG, kJPEG };

// The format an image's first bytes announce.
VGImageFormat vgrImageFormat(const unsigned char* data, size_t size);

// True when the image may be handed to the decoder; *w and *h (when given) receive the
// size its header gives.
bool vgrCheckEncodedImage(const unsigned char* data, size_t size, uint32_t* w = nullptr, uint32_t* h = nullptr);

// Reads a whole file of at most kVGMaxEncodedImageBytes; false when it is larger or
// cannot be read.
bool vgrReadImageFile(FILE* f, std::vector<unsigned char>* bytes);

}  // namespace fx::gfx
