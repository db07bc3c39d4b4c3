// Draws a parsed SVG image through the vector renderer the way the graphics core's DrawSVG
// does on the Metal back end: every shape as one path of cubic segments with the hole test on
// its sub-paths, a fill and a stroke from patterns made of the shape's paints. Kept apart so the
// comparison can switch to the graphics core's own DrawSVG once it exists.
#pragma once

#include "graphics/svg/SVGImage.h"
#include "vector/VGContext.h"

namespace fx::svg::test {

// Draws image into the rectangle (l, t, r, b): scaled uniformly to fit, anchored at the top left.
// An image without size draws nothing.
void drawSVG(gfx::VGcontext* vg, const SVGImage& image, float l, float t, float r, float b);

// Whether sub-path `index` of a shape counts as a hole: a ray from its first point away from its
// box crosses the outlines of the shape's other sub-paths an odd number of times.
bool isHole(const SVGShape& shape, size_t index);

}  // namespace fx::svg::test
