// The SVG reader on arbitrary bytes: the first byte picks the units and dpi; the image must
// hold only finite numbers and well-formed paths.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "graphics/svg/SVGParser.h"

using namespace fx::svg;

namespace {

void check(bool ok) {
  if (!ok) std::abort();
}

void checkPaint(const SVGPaint& p) {
  if (p.type != SVGPaintType::LinearGradient && p.type != SVGPaintType::RadialGradient) return;
  check(p.gradient != nullptr && p.gradient->stops.size() >= 2);
  for (float v : p.gradient->xform) check(std::isfinite(v));
  float last = 0;
  for (const SVGGradientStop& s : p.gradient->stops) {
    check(s.offset >= last && s.offset <= 1);
    last = s.offset;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const char* units[] = {"px", "pt", "pc", "mm", "cm", "in", nullptr, "bogus"};
  static const float dpis[] = {96.f, 72.f, 0.f, -1.f, NAN, INFINITY, 1e30f, 1e-30f};
  const uint8_t pick = size > 0 ? data[0] : 0;
  SVGImage* img = SVGParse(reinterpret_cast<const char*>(data), size, units[pick & 7], dpis[(pick >> 3) & 7]);
  if (!img) return 0;
  check(std::isfinite(img->width) && std::isfinite(img->height));
  for (const SVGShape& s : img->shapes) {
    check(std::isfinite(s.strokeWidth) && std::isfinite(s.strokeDashOffset) && std::isfinite(s.miterLimit));
    check(s.opacity >= 0 && s.opacity <= 1);
    check(s.strokeDashCount >= 0 && s.strokeDashCount <= kSVGMaxDashes);
    check(s.id[sizeof(s.id) - 1] == '\0');
    checkPaint(s.fill);
    checkPaint(s.stroke);
    check(!s.paths.empty());
    for (const SVGPath& p : s.paths) {
      check(p.pts.size() % 2 == 0 && p.npts() >= 4 && (p.npts() - 1) % 3 == 0);
      for (float v : p.pts) check(std::isfinite(v));
    }
  }
  SVGDeleteImage(img);
  return 0;
}
