#pragma once
// Handle of a parsed SVG image, passed by value. The image belongs to the process-wide SVG
// store; an empty handle (no image) reports size 0 x 0 and draws nothing. Main thread.

#include "graphics/svg/SVGImage.h"

namespace fx::gfx {

struct ISVG
{
  svg::SVGImage* mImage = nullptr;

  ISVG() = default;
  explicit ISVG(svg::SVGImage* image) : mImage(image) {}

  float W() const { return mImage ? mImage->width : 0.f; }
  float H() const { return mImage ? mImage->height : 0.f; }
  bool IsValid() const { return mImage != nullptr; }
};

} // namespace fx::gfx
