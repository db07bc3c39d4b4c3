// The artwork's colours and the drawing helpers its pictures share.
#pragma once

#include "vector/VGContext.h"

namespace orbexart {

using fx::gfx::VGcolor;
using fx::gfx::VGcontext;

// Font names the drawing code asks for (vgrSetFontFace); the renderer loads them.
inline constexpr const char* kFontSans = "sans";
inline constexpr const char* kFontBold = "sans-bold";
inline constexpr const char* kFontLegend = "legend";  // the printed legends (ArtLegend.h)

inline constexpr float kPi = 3.14159265358979323846f;

VGcolor Rgb(int r, int g, int b, float a = 1.0f);

namespace colour {
inline const VGcolor kPanelTop = Rgb(43, 45, 49);
inline const VGcolor kPanelBottom = Rgb(27, 28, 31);
inline const VGcolor kHeader = Rgb(20, 21, 23);
inline const VGcolor kLegend = Rgb(211, 212, 213);
inline const VGcolor kLegendDim = Rgb(166, 169, 174);
inline const VGcolor kTick = Rgb(110, 113, 118);
inline const VGcolor kAccent = Rgb(242, 164, 58);
inline const VGcolor kAccentDeep = Rgb(214, 124, 30);
inline const VGcolor kGroove = Rgb(14, 15, 17);
inline const VGcolor kIcon = Rgb(181, 184, 188);
inline const VGcolor kIconHoverBack = Rgb(52, 55, 60);
inline const VGcolor kFaceInk = Rgb(34, 31, 27);
inline const VGcolor kFaceRed = Rgb(196, 50, 38);
}  // namespace colour

// Knob-style angles: radians from 12 o'clock, clockwise. Point at radius r around (cx, cy).
float PolarX(float cx, float r, float angle);
float PolarY(float cy, float r, float angle);

// Text with extra letter spacing between glyphs, aligned by fx::gfx::VGtextAlignFlags at (x, y).
void Text(VGcontext* vg, float x, float y, const char* text, float size, const char* font, VGcolor colour,
          int align, float spacing = 0.0f);

// An arc stroke along a circle between two knob-style angles.
void ArcStroke(VGcontext* vg, float cx, float cy, float r, float a0, float a1, float width, VGcolor colour,
               int cap);

// A straight stroke.
void Line(VGcontext* vg, float x0, float y0, float x1, float y1, float width, VGcolor colour, int cap);

// A soft round shadow below a disc of radius r.
void DiscShadow(VGcontext* vg, float cx, float cy, float r, float spread, float alpha);

}  // namespace orbexart
