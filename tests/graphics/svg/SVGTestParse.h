// Parsing helpers of the SVG reader tests.
#pragma once

#include <cmath>
#include <memory>
#include <string>

#include "graphics/svg/SVGParser.h"

namespace fx::svg::test {

using ImagePtr = std::unique_ptr<SVGImage, decltype(&SVGDeleteImage)>;

inline ImagePtr parse(const std::string& text, const char* units = "px", float dpi = 96.f) {
  return ImagePtr(SVGParse(text.data(), text.size(), units, dpi), SVGDeleteImage);
}

// A document of the given size holding body.
inline ImagePtr parseBody(const std::string& body, const char* units = "px", float dpi = 96.f) {
  return parse("<svg xmlns='http://www.w3.org/2000/svg' width='100' height='100'>" + body + "</svg>", units, dpi);
}

// Image coordinates of a gradient's unit-space point (inverts the record's transform).
inline void fromUnit(const SVGGradient& g, double u, double v, double& x, double& y) {
  double m[6];
  for (int i = 0; i < 6; i++) m[i] = g.xform[i];
  const double det = m[0] * m[3] - m[1] * m[2];
  const double a = m[3] / det, b = -m[1] / det, c = -m[2] / det, d = m[0] / det;
  const double e = -(a * m[4] + c * m[5]), f = -(b * m[4] + d * m[5]);
  x = a * u + c * v + e;
  y = b * u + d * v + f;
}

}  // namespace fx::svg::test
