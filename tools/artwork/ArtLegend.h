// The panel's printed legends: one condensed bold face (narrow enough for the names over
// neighbouring switches to stand side by side at a readable height), laid out letter by letter
// for the pixel grid of the picture being drawn.
#pragma once

#include <string>

#include "tools/artwork/ArtStyle.h"

namespace orbexart {

// The legends' face, from the generator's own fonts (tools/artwork/fonts): only the pictures
// use it. The renderer loads it as kFontLegend.
std::string LegendFontFile();

// Height of the legends' capitals and the space added between their letters, in units. The
// tracking is what lets "AUTO RELEASE" stay 8 units clear of its section's edge while centred
// over its switch.
inline constexpr float kLegendCapHeight = 7.0f, kLegendTracking = 0.6f;

// Draws a legend into an untransformed picture. The capitals stand on a whole-pixel baseline
// and are kLegendCapHeight high (a few hundredths more at most), so their tops are sharp. Each
// letter starts on a whole pixel; the steps from letter to letter (the font's advances and
// kerning plus the tracking) are rounded to whole pixels with one tracking, chosen within a
// quarter pixel of kLegendTracking so that the largest rounding is smallest: the spacing stays
// as even as the grid allows. The middle of the capitals is at y; align (VG_ALIGN_LEFT,
// _CENTER or _RIGHT) puts the ink's left edge, middle or right edge at x.
void Legend(VGcontext* vg, float x, float y, const char* text, VGcolor colour, int align);

}  // namespace orbexart
