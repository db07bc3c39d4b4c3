#pragma once
// Style properties of an element: presentation attributes and the style attribute's
// declarations (which win), applied over the style inherited from the parent.

#include <string_view>

#include "graphics/svg/SVGImage.h"
#include "graphics/svg/SVGScan.h"

class TiXmlElement;

namespace fx::svg::detail {

enum class PaintKind : unsigned char { None, Color, CurrentColor, Url };

struct PaintSpec
{
  PaintKind kind = PaintKind::None;
  SVGColor color = 0;       // Color
  std::string_view id;      // Url: the referenced id (without '#')
  PaintKind fallback = PaintKind::None; // Url: what to use when the reference is not a paint server
  SVGColor fallbackColor = 0;
  bool hasFallback = false;
};

/** What lengths are measured against: the font size and the nearest viewport. */
struct LengthBasis
{
  double fontSize = 16;
  double width = 100, height = 100; // viewport, user units
  double dpi = 96;
};

enum class Axis : unsigned char { X, Y, Other };

/** A length in user units (percentages of the viewport's width, height or normalised diagonal). */
double toUser(const Length& l, Axis axis, const LengthBasis& basis);

struct Style
{
  // Inherited.
  PaintSpec fill = black();
  PaintSpec stroke;
  double fillOpacity = 1, strokeOpacity = 1;
  double strokeWidth = 1;
  double miterLimit = 4;
  double dashes[kSVGMaxDashes] = {};
  int dashCount = 0; // 0: solid
  double dashOffset = 0;
  SVGLineJoin join = SVGLineJoin::Miter;
  SVGLineCap cap = SVGLineCap::Butt;
  SVGFillRule fillRule = SVGFillRule::NonZero;
  bool visible = true;
  double fontSize = 16;
  SVGColor color = 0xFF000000u;
  // Not inherited.
  double opacity = 1;
  bool display = true;

  static PaintSpec black()
  {
    PaintSpec p;
    p.kind = PaintKind::Color;
    p.color = 0xFF000000u;
    return p;
  }

  /** The style a child starts from. */
  Style inherited() const;
};

/** Applies an element's presentation attributes and style attribute over style. basis gives the
 *  viewport for percentages; its font size is replaced by the element's. */
void applyStyle(const TiXmlElement& el, Style& style, LengthBasis& basis);

/** Finds a property of one element only (style attribute first, then the presentation attribute);
 *  empty when absent. Used for properties read where they are declared (stop colours). */
std::string_view ownProperty(const TiXmlElement& el, std::string_view name);

/** Parses a paint value; false when the text is not one (or is "inherit"). */
bool parsePaint(std::string_view text, PaintSpec& out);

} // namespace fx::svg::detail
