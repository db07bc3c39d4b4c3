#pragma once
// The two process-wide stores of the graphics core: decoded bitmaps and parsed SVG images.
// They live as long as the process; the editors count themselves in and out (the bitmap store
// always locked before the SVG store), and the last editor to close empties both. Any thread.

#include "graphics/APIBitmap.h"
#include "graphics/StaticStorage.h"
#include "graphics/svg/SVGImage.h"

namespace fx::gfx {

struct SVGImageDeleter
{
  void operator()(svg::SVGImage* image) const;
};

using BitmapStorage = StaticStorage<APIBitmap>;
using SVGStorage = StaticStorage<svg::SVGImage, SVGImageDeleter>;

BitmapStorage& GetBitmapStore();
SVGStorage& GetSVGStore();

/** An editor starts or ends using both stores. */
void RetainGraphicsStores();
void ReleaseGraphicsStores();

} // namespace fx::gfx
