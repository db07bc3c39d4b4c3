#pragma once
// Colour values: #rgb, #rrggbb, rgb(r, g, b) with numbers or percentages, and the colour
// keywords. Results are opaque colours packed 0xAABBGGRR (see SVGImage.h).

#include <string_view>

#include "graphics/svg/SVGImage.h"

namespace fx::svg::detail {

/** Parses the whole text as one colour; false (out untouched) when it is not one. */
bool parseColor(std::string_view text, SVGColor& out);

inline SVGColor packRGB(unsigned r, unsigned g, unsigned b) { return 0xFF000000u | (b << 16) | (g << 8) | r; }

/** Replaces the alpha byte with alpha (0..1, clamped). */
SVGColor withAlpha(SVGColor c, double alpha);

} // namespace fx::svg::detail
