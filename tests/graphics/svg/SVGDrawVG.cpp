#include "tests/graphics/svg/SVGDrawVG.h"

#include <algorithm>
#include <cmath>

namespace fx::svg::test {

using namespace fx::gfx;

namespace {

// The graphics core's pattern: a solid colour or a gradient of at most 16 stops, colours as
// (alpha, red, green, blue) 0..255, with the transform from drawing to gradient space.
struct Pattern {
  int type = 0;    // 0 solid, 1 linear, 2 radial
  int extend = 1;  // 1 pad, 2 reflect, 3 repeat (the renderer's gradients pad)
  struct Stop {
    int a = 255, r = 0, g = 0, b = 0;
    float offset = 0;
  } stops[16];
  int nstops = 0;
  double xform[6] = {1, 0, 0, 1, 0, 0};
};

VGcolor toColor(const Pattern::Stop& s) {
  VGcolor c;
  c.r = s.r / 255.f, c.g = s.g / 255.f, c.b = s.b / 255.f, c.a = s.a / 255.f;
  return c;
}

Pattern::Stop stopOf(SVGColor c, int alpha) {
  Pattern::Stop s;
  s.a = alpha, s.r = int(c & 0xFF), s.g = int((c >> 8) & 0xFF), s.b = int((c >> 16) & 0xFF);
  return s;
}

// Flat colours take the shape's opacity times the paint's own (fill- or stroke-) opacity;
// gradient stops are drawn opaque.
Pattern patternOf(const SVGPaint& paint, float opacity) {
  Pattern p;
  if (paint.type == SVGPaintType::Color) {
    const float a = opacity * float(paint.color >> 24) / 255.f;
    p.stops[0] = stopOf(paint.color, std::clamp(int(std::roundf(a * 255.f)), 0, 255));
    p.nstops = 1;
  } else if (paint.gradient) {
    const SVGGradient& g = *paint.gradient;
    p.type = paint.type == SVGPaintType::LinearGradient ? 1 : 2;
    p.extend = int(g.spread) + 1;
    for (const SVGGradientStop& s : g.stops) {
      if (p.nstops == 16) break;
      p.stops[p.nstops] = stopOf(s.color, 255);
      p.stops[p.nstops++].offset = s.offset;
    }
    for (int i = 0; i < 6; i++) p.xform[i] = g.xform[i];
  } else {
    p.stops[0] = stopOf(0, 255);
    p.nstops = 1;
  }
  return p;
}

VGpaint gradientPaint(VGcontext* vg, const Pattern& p) {
  const double* m = p.xform;
  const double det = m[0] * m[3] - m[1] * m[2];
  const double a = m[3] / det, b = -m[1] / det, c = -m[2] / det, d = m[0] / det;
  const double e = -(a * m[4] + c * m[5]), f = -(b * m[4] + d * m[5]);
  const VGcolor inner = toColor(p.stops[0]), outer = toColor(p.stops[std::max(0, p.nstops - 1)]);
  if (p.type == 2)
    return vgrRadialGradient(vg, float(e), float(f), float(p.stops[0].offset * a), float(a), inner, outer);
  return vgrLinearGradient(vg, float(e), float(f), float(c + e), float(d + f), inner, outer);
}

void fill(VGcontext* vg, const Pattern& p, bool preserve) {
  // Fill rule 2: each sub-path keeps the winding the hole test gave it.
  if (p.type == 0)
    vgrSetFillColor(vg, toColor(p.stops[0]));
  else
    vgrSetFillPaint(vg, gradientPaint(vg, p));
  vgrSetCompositeOperation(vg, VG_SOURCE_OVER);
  vgrFill(vg);
  vgrSetCompositeOperation(vg, VG_SOURCE_OVER);
  if (!preserve) vgrBeginPath(vg);
}

void stroke(VGcontext* vg, const Pattern& p, const SVGShape& s) {
  const int cap = int(s.strokeLineCap), join = int(s.strokeLineJoin);
  vgrSetLineCap(vg, cap <= 2 ? cap : 0);
  static constexpr int joins[3] = {VG_MITER, VG_ROUND, VG_BEVEL};
  vgrSetLineJoin(vg, joins[join <= 2 ? join : 0]);
  vgrSetMiterLimit(vg, s.miterLimit);
  vgrSetStrokeWidth(vg, s.strokeWidth);
  if (p.type == 0)
    vgrSetStrokeColor(vg, toColor(p.stops[0]));
  else
    vgrSetStrokePaint(vg, gradientPaint(vg, p));
  vgrSetPathWinding(vg, VG_SOLID);
  vgrSetCompositeOperation(vg, VG_SOURCE_OVER);
  vgrStroke(vg);
  vgrSetCompositeOperation(vg, VG_SOURCE_OVER);
  vgrBeginPath(vg);
}

}  // namespace

bool isHole(const SVGShape& shape, size_t index) {
  const SVGPath& path = shape.paths[index];
  if (path.npts() < 1) return false;
  const float p0x = path.pts[0], p0y = path.pts[1];
  const float dx = path.bounds[0] - 1 - p0x, dy = path.bounds[1] - 1 - p0y;
  int crossings = 0;
  for (size_t j = 0; j < shape.paths.size(); j++) {
    const SVGPath& other = shape.paths[j];
    if (j == index || other.npts() < 4) continue;
    const int n = other.npts();
    for (int k = 0; k < n; k += 3) {
      const int next = k + 3 < n ? k + 3 : 0;  // the last on-curve point closes back to the start
      if (k == next) continue;
      const float p2x = other.pts[2 * k], p2y = other.pts[2 * k + 1];
      const float ex = other.pts[2 * next] - p2x, ey = other.pts[2 * next + 1] - p2y;
      const float m = dx * ey - dy * ex;
      if (std::fabs(m) < 1e-8f) continue;
      const float wx = p2x - p0x, wy = p2y - p0y;
      const float t = (wx * dy - wy * dx) / m, u = (wx * ey - wy * ex) / m;
      if (t >= 0 && t < 1 && u >= 0) crossings++;
    }
  }
  return crossings % 2 == 1;
}

void drawSVG(VGcontext* vg, const SVGImage& image, float l, float t, float r, float b) {
  if (!(image.width > 0) || !(image.height > 0)) return;
  const float s = std::min((r - l) / image.width, (b - t) / image.height);
  vgrSave(vg);
  vgrResetTransform(vg);
  vgrApplyTransform(vg, s, 0, 0, s, l, t);
  for (const SVGShape& shape : image.shapes) {
    if (!shape.visible) continue;
    vgrBeginPath(vg);
    for (size_t i = 0; i < shape.paths.size(); i++) {
      const SVGPath& p = shape.paths[i];
      const int n = p.npts();
      if (n < 1) continue;
      vgrMoveTo(vg, p.pts[0], p.pts[1]);
      for (int k = 1; k + 2 < n; k += 3)
        vgrBezierTo(vg, p.pts[2 * k], p.pts[2 * k + 1], p.pts[2 * k + 2], p.pts[2 * k + 3], p.pts[2 * k + 4],
                    p.pts[2 * k + 5]);
      if (p.closed) vgrClosePath(vg);
      vgrSetPathWinding(vg, isHole(shape, i) ? VG_HOLE : VG_SOLID);
    }
    const bool stroked = shape.stroke.type != SVGPaintType::None;
    if (shape.fill.type != SVGPaintType::None) fill(vg, patternOf(shape.fill, shape.opacity), stroked);
    if (stroked) stroke(vg, patternOf(shape.stroke, shape.opacity), shape);
  }
  vgrRestore(vg);
}

}  // namespace fx::svg::test
