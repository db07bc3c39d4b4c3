// SVG documents: any bytes parsed as an SVG image; everything it holds must be usable as
// the drawing code reads it.
#include "graphics/svg/SVGParser.h"

#include <cmath>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  if (size > (1u << 20)) return 0;
  fx::svg::SVGImage* image = fx::svg::SVGParse(reinterpret_cast<const char*>(data), size, "px", 96.0f);
  if (!image) return 0;
  for (const fx::svg::SVGShape& shape : image->shapes)
  {
    if (shape.strokeDashCount < 0 || shape.strokeDashCount > fx::svg::kSVGMaxDashes) __builtin_trap();
    for (const fx::svg::SVGPath& path : shape.paths)
      if (path.pts.size() % 2 != 0 || (path.npts() > 0 && (path.npts() - 1) % 3 != 0)) __builtin_trap();
    for (const fx::svg::SVGPaint* paint : {&shape.fill, &shape.stroke})
    {
      const bool gradient = paint->type == fx::svg::SVGPaintType::LinearGradient ||
                            paint->type == fx::svg::SVGPaintType::RadialGradient;
      if (gradient && !paint->gradient) __builtin_trap();
    }
  }
  fx::svg::SVGDeleteImage(image);
  return 0;
}
