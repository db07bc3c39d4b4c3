#include "graphics/IGfxStores.h"

#include "graphics/svg/SVGParser.h"

namespace fx::gfx {

void SVGImageDeleter::operator()(svg::SVGImage* image) const { svg::SVGDeleteImage(image); }

BitmapStorage& GetBitmapStore()
{
  static BitmapStorage store;
  return store;
}

SVGStorage& GetSVGStore()
{
  static SVGStorage store;
  return store;
}

void RetainGraphicsStores()
{
  BitmapStorage& bitmaps = GetBitmapStore();
  SVGStorage& svgs = GetSVGStore();
  FxMutexLock bitmapLock(bitmaps.Mutex());
  bitmaps.Retain();
  FxMutexLock svgLock(svgs.Mutex());
  svgs.Retain();
}

void ReleaseGraphicsStores()
{
  BitmapStorage& bitmaps = GetBitmapStore();
  SVGStorage& svgs = GetSVGStore();
  FxMutexLock bitmapLock(bitmaps.Mutex());
  bitmaps.Release();
  FxMutexLock svgLock(svgs.Mutex());
  svgs.Release();
}

} // namespace fx::gfx
