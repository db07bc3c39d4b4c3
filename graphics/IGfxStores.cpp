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

namespace {

// The bitmap store is always locked before the SVG store.
template <class F>
void WithBothStores(F f)
{
  BitmapStorage& bitmaps = GetBitmapStore();
  SVGStorage& svgs = GetSVGStore();
  FxMutexLock bitmapLock(bitmaps.Mutex());
  f(bitmaps);
  FxMutexLock svgLock(svgs.Mutex());
  f(svgs);
}

} // namespace

void RetainGraphicsStores()
{
  WithBothStores([](auto& store) { store.Retain(); });
}

void ReleaseGraphicsStores()
{
  WithBothStores([](auto& store) { store.Release(); });
}

} // namespace fx::gfx
