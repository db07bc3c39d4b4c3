// RGBA pictures of the artwork generator: turning the renderer's premultiplied pixels into
// straight alpha, giving fully transparent pixels the colour of their nearest neighbours (so a
// picture scaled with filtering shows no dark fringe), stacking film-strip frames and writing PNG.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace orbexart {

struct ArtImage {
  int w = 0, h = 0;
  std::vector<uint8_t> px;  // w * h * 4 bytes, rows top to bottom

  ArtImage() = default;
  ArtImage(int width, int height) : w(width), h(height), px(size_t(width) * size_t(height) * 4, 0) {}
  uint8_t* at(int x, int y) { return &px[(size_t(y) * size_t(w) + size_t(x)) * 4]; }
  const uint8_t* at(int x, int y) const { return &px[(size_t(y) * size_t(w) + size_t(x)) * 4]; }
};

// Premultiplied to straight alpha, rounding to nearest; colour channels above alpha (which a
// premultiplied picture cannot hold) are clamped to 255. Fully transparent pixels become 0.
void Unpremultiply(ArtImage& img);

// Gives every fully transparent pixel the colour of its nearest visible pixels, growing outwards
// ring by ring: the ring touching visible pixels takes the mean of its coloured 8-neighbours,
// each later ring the colour of its first coloured neighbour. Alpha is left as it is; a picture
// with no visible pixel is left unchanged.
void FillTransparent(ArtImage& img);

// Frames of equal size, stacked top to bottom in the given order. Empty for no frames or
// frames of different sizes.
ArtImage StackFrames(const std::vector<ArtImage>& frames);

// Draws frame `frame` of a strip of `frames` stacked frames over dst with its top-left corner at
// (x, y), blending straight-alpha colours source over; parts outside dst are cut off.
void DrawOver(ArtImage& dst, const ArtImage& strip, int frame, int frames, int x, int y);

// Writes an 8-bit RGBA PNG; false when the picture is empty or the file cannot be written. The
// same pixels always give the same bytes.
bool WritePng(const std::string& path, const ArtImage& img);

}  // namespace orbexart
