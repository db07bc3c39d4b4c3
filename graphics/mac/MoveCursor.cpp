// Building the move cursor: the picture with its shadow, one bitmap per scale.

#include "graphics/mac/MoveCursor.h"

#include <AppKit/AppKit.h>
#include <CoreFoundation/CoreFoundation.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>
#include <vector>

namespace fx::gfx {

const char* const kSystemCursorFolder =
  "/System/Library/Frameworks/ApplicationServices.framework/Versions/A/Frameworks/HIServices.framework/Versions/A/"
  "Resources/cursors/";

namespace {

struct Description
{
  double hotX = 0, hotY = 0, blur = 0, shadowX = 0, shadowY = 0;
  double color[4] = {0, 0, 0, 0};
};

double NumberIn(CFDictionaryRef dict, const char* key)
{
  CFStringRef name = CFStringCreateWithCString(nullptr, key, kCFStringEncodingUTF8);
  const void* value = CFDictionaryGetValue(dict, name);
  CFRelease(name);
  double v = 0;
  if (value && CFGetTypeID(value) == CFNumberGetTypeID())
    CFNumberGetValue(static_cast<CFNumberRef>(value), kCFNumberDoubleType, &v);
  return std::isfinite(v) ? v : 0.0;
}

bool ReadDescription(const std::string& path, Description& d)
{
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  CFDataRef data = CFDataCreate(nullptr, reinterpret_cast<const UInt8*>(bytes.data()), static_cast<CFIndex>(bytes.size()));
  CFPropertyListRef list = data ? CFPropertyListCreateWithData(nullptr, data, kCFPropertyListImmutable, nullptr, nullptr)
                                : nullptr;
  if (data) CFRelease(data);
  if (!list) return false;
  const bool ok = CFGetTypeID(list) == CFDictionaryGetTypeID();
  if (ok)
  {
    auto dict = static_cast<CFDictionaryRef>(list);
    d.hotX = NumberIn(dict, "hotx-scaled");
    d.hotY = NumberIn(dict, "hoty-scaled");
    d.blur = NumberIn(dict, "blur");
    d.shadowX = NumberIn(dict, "shadowoffsetx");
    d.shadowY = NumberIn(dict, "shadowoffsety");
    CFStringRef key = CFStringCreateWithCString(nullptr, "shadowcolor", kCFStringEncodingUTF8);
    const void* color = CFDictionaryGetValue(dict, key);
    CFRelease(key);
    if (color && CFGetTypeID(color) == CFArrayGetTypeID() && CFArrayGetCount(static_cast<CFArrayRef>(color)) >= 4)
    {
      for (CFIndex i = 0; i < 4; ++i)
      {
        const void* n = CFArrayGetValueAtIndex(static_cast<CFArrayRef>(color), i);
        if (n && CFGetTypeID(n) == CFNumberGetTypeID())
          CFNumberGetValue(static_cast<CFNumberRef>(n), kCFNumberDoubleType, &d.color[i]);
        d.color[i] = std::clamp(std::isfinite(d.color[i]) ? d.color[i] : 0.0, 0.0, 1.0);
      }
    }
  }
  CFRelease(list);
  return ok;
}

// Straight RGBA pixels, rows top down.
using Pixels = std::vector<float>;

// The source scaled to w x h (bilinear, premultiplied).
Pixels Scaled(NSBitmapImageRep* source, int w, int h)
{
  const int sw = static_cast<int>(source->pixelsWide()), sh = static_cast<int>(source->pixelsHigh());
  const std::vector<unsigned char>& px = source->pixels();
  Pixels out(static_cast<size_t>(w) * h * 4, 0.f);
  const auto at = [&](int x, int y, int c) {
    x = std::clamp(x, 0, sw - 1), y = std::clamp(y, 0, sh - 1);
    const unsigned char* p = &px[(static_cast<size_t>(y) * sw + x) * 4];
    const float a = p[3] / 255.f;
    return c == 3 ? a : p[c] / 255.f * a;
  };
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
    {
      const float fx = (x + 0.5f) * sw / w - 0.5f, fy = (y + 0.5f) * sh / h - 0.5f;
      const int x0 = static_cast<int>(std::floor(fx)), y0 = static_cast<int>(std::floor(fy));
      const float tx = fx - x0, ty = fy - y0;
      for (int c = 0; c < 4; ++c)
        out[(static_cast<size_t>(y) * w + x) * 4 + c] =
          (at(x0, y0, c) * (1 - tx) + at(x0 + 1, y0, c) * tx) * (1 - ty) +
          (at(x0, y0 + 1, c) * (1 - tx) + at(x0 + 1, y0 + 1, c) * tx) * ty;
    }
  return out;
}

// Coverage moved by (dx, dy) and blurred with a box of the given radius, three passes.
std::vector<float> ShadowMask(const Pixels& image, int w, int h, int dx, int dy, int radius)
{
  std::vector<float> mask(static_cast<size_t>(w) * h, 0.f);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
    {
      const int sx = x - dx, sy = y - dy;
      if (sx >= 0 && sy >= 0 && sx < w && sy < h) mask[static_cast<size_t>(y) * w + x] = image[(static_cast<size_t>(sy) * w + sx) * 4 + 3];
    }
  if (radius < 1) return mask;
  std::vector<float> tmp(mask.size());
  const auto pass = [&](bool horizontal) {
    const int n = horizontal ? w : h, lines = horizontal ? h : w;
    for (int l = 0; l < lines; ++l)
      for (int i = 0; i < n; ++i)
      {
        float sum = 0;
        for (int k = -radius; k <= radius; ++k)
        {
          const int j = std::clamp(i + k, 0, n - 1);
          sum += horizontal ? mask[static_cast<size_t>(l) * w + j] : mask[static_cast<size_t>(j) * w + l];
        }
        (horizontal ? tmp[static_cast<size_t>(l) * w + i] : tmp[static_cast<size_t>(i) * w + l]) = sum / (2 * radius + 1);
      }
    mask.swap(tmp);
  };
  for (int k = 0; k < 3; ++k)
  {
    pass(true);
    pass(false);
  }
  return mask;
}

// One scale's bitmap: the shadow, then the picture over it.
NSBitmapImageRep* DrawAtScale(NSBitmapImageRep* source, NSSize points, int s, const Description& d)
{
  const int w = static_cast<int>(std::lround(points.width * s)), h = static_cast<int>(std::lround(points.height * s));
  NSBitmapImageRep* rep = NSBitmapImageRep::alloc()->initWithBitmapDataPlanes(nullptr, w, h, 8, 4, YES, NO,
                                                                              NSDeviceRGBColorSpace, w * 4, 32);
  if (!rep) return nullptr;
  const Pixels image = Scaled(source, w, h);
  // A positive vertical offset moves the shadow up, as the system draws it.
  const std::vector<float> mask = ShadowMask(image, w, h, static_cast<int>(std::lround(d.shadowX * s)),
                                             static_cast<int>(std::lround(-d.shadowY * s)),
                                             static_cast<int>(std::lround(d.blur * s / 2)));
  unsigned char* out = rep->bitmapData();
  for (size_t i = 0; i < mask.size(); ++i)
  {
    const float* p = &image[i * 4];
    const float sa = mask[i] * static_cast<float>(d.color[3]);
    const float a = p[3] + sa * (1 - p[3]);
    for (int c = 0; c < 3; ++c)
    {
      const float premul = p[c] + static_cast<float>(d.color[c]) * sa * (1 - p[3]);
      out[i * 4 + c] = static_cast<unsigned char>(std::lround(std::clamp(a > 0 ? premul / a : 0.f, 0.f, 1.f) * 255));
    }
    out[i * 4 + 3] = static_cast<unsigned char>(std::lround(std::clamp(a, 0.f, 1.f) * 255));
  }
  rep->setSize(points);
  return rep;
}

} // namespace

NSCursor* BuildMoveCursor(const std::string& folder)
{
  nsx::AutoreleasePool pool;
  const std::string dir = folder + "move";
  Description d;
  if (!ReadDescription(dir + "/info.plist", d)) return nullptr;
  NSImage* picture = static_cast<NSImage*>(NSImage::alloc()->initByReferencingFile(nsx::Str(dir + "/cursor.pdf"))->autorelease());
  NSBitmapImageRep* source = picture->isValid() ? picture->bestBitmap() : nullptr;
  const NSSize points = picture->size();
  if (!source || !(points.width >= 1) || !(points.height >= 1)) return nullptr;

  NSImage* image = static_cast<NSImage*>(NSImage::alloc()->initWithSize(points)->autorelease());
  for (int s = 1; s <= 4; ++s)
  {
    if (NSBitmapImageRep* rep = DrawAtScale(source, points, s, d))
    {
      image->addRepresentation(rep);
      rep->release();
    }
  }
  return NSCursor::alloc()->initWithImage(image, NSMakePoint(d.hotX, d.hotY));
}

}  // namespace fx::gfx
