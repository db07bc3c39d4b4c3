#include "tools/artwork/ArtStyle.h"

#include <cmath>

namespace orbexart {

using namespace fx::gfx;

VGcolor Rgb(int r, int g, int b, float a) { return vgrColorFromFloatsA(r / 255.0f, g / 255.0f, b / 255.0f, a); }

float PolarX(float cx, float r, float angle) { return cx + r * std::sin(angle); }
float PolarY(float cy, float r, float angle) { return cy - r * std::cos(angle); }

void Text(VGcontext* vg, float x, float y, const char* text, float size, const char* font, VGcolor colour,
          int align, float spacing) {
  vgrSetFontFace(vg, font);
  vgrSetFontSize(vg, size);
  vgrSetLetterSpacing(vg, spacing);
  vgrSetTextAlign(vg, align);
  vgrSetFillColor(vg, colour);
  vgrDrawText(vg, x, y, text, nullptr);
  vgrSetLetterSpacing(vg, 0);
}

void ArcStroke(VGcontext* vg, float cx, float cy, float r, float a0, float a1, float width, VGcolor colour,
               int cap) {
  vgrBeginPath(vg);
  vgrArc(vg, cx, cy, r, a0 - kPi / 2, a1 - kPi / 2, VG_CW);
  vgrSetLineCap(vg, cap);
  vgrSetStrokeWidth(vg, width);
  vgrSetStrokeColor(vg, colour);
  vgrStroke(vg);
}

void Line(VGcontext* vg, float x0, float y0, float x1, float y1, float width, VGcolor colour, int cap) {
  vgrBeginPath(vg);
  vgrMoveTo(vg, x0, y0);
  vgrLineTo(vg, x1, y1);
  vgrSetLineCap(vg, cap);
  vgrSetStrokeWidth(vg, width);
  vgrSetStrokeColor(vg, colour);
  vgrStroke(vg);
}

void DiscShadow(VGcontext* vg, float cx, float cy, float r, float spread, float alpha) {
  vgrBeginPath(vg);
  vgrCircle(vg, cx, cy, r + spread);
  vgrSetFillPaint(vg, vgrRadialGradient(vg, cx, cy, r - spread, r + spread, Rgb(0, 0, 0, alpha), Rgb(0, 0, 0, 0)));
  vgrFill(vg);
}

}  // namespace orbexart
