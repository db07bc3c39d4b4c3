#pragma once
// Gradient paint servers: attributes and stops inherited along xlink:href, objectBoundingBox and
// userSpaceOnUse units, gradientTransform and spreadMethod, resolved into one shape's paint.

#include <string_view>
#include <unordered_map>

#include "graphics/svg/SVGImage.h"
#include "graphics/svg/SVGMatrix.h"
#include "graphics/svg/SVGPathBuilder.h"
#include "graphics/svg/SVGStyle.h"

class TiXmlElement;

namespace fx::svg::detail {

using IdMap = std::unordered_map<std::string_view, const TiXmlElement*>;

constexpr int kMaxGradientChain = 32;
constexpr int kMaxGradientStops = 256;

/** The element an href ("#id", as xlink:href or href) names; null when none. */
const TiXmlElement* hrefTarget(const TiXmlElement& el, const IdMap& ids);

bool isGradient(const TiXmlElement& el);

/** The paint of a gradient for a shape whose geometry has the box bbox (min x, min y, max x,
 *  max y) in its own user space, drawn with the transform ctm. opacity (fill- or stroke-opacity)
 *  goes into the stops' alpha. A gradient that cannot paint gives None; one that paints a single
 *  colour (one stop, a zero-length vector, a zero radius) gives that colour. Each stop read is
 *  taken from the budget's points. */
SVGPaint gradientPaint(const TiXmlElement& gradient, const IdMap& ids, double opacity, SVGColor currentColor,
                       const Matrix& ctm, const double bbox[4], const LengthBasis& basis, Budget& budget);

} // namespace fx::svg::detail
