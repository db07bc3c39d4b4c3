// Drawing a parsed SVG image through the path primitives: its shapes in order, sub-paths that
// lie inside another sub-path of the same shape cut out as holes, paints turned into patterns.

#include "graphics/IGfx.h"

#include <algorithm>
#include <cmath>

namespace fx::gfx {

namespace {

using svg::SVGPaint;
using svg::SVGPaintType;
using svg::SVGPath;
using svg::SVGShape;

IColor UnpackColor(svg::SVGColor c, int alpha)
{
  return IColor(alpha, static_cast<int>(c & 0xff), static_cast<int>((c >> 8) & 0xff), static_cast<int>((c >> 16) & 0xff));
}

int AlphaOf(float opacity)
{
  const float a = std::round(opacity * 255.f);
  return std::isnan(a) ? 0 : std::clamp(static_cast<int>(a), 0, 255);
}

// A paint at the shape's opacity. A flat colour also carries its fill- or stroke-opacity in its
// alpha byte, which is multiplied in; gradient stops are drawn opaque.
IPattern PaintToPattern(const SVGPaint& paint, float opacity)
{
  if (paint.type == SVGPaintType::Color)
    return IPattern(UnpackColor(paint.color, AlphaOf(opacity * static_cast<float>((paint.color >> 24) & 0xff) / 255.f)));

  if ((paint.type == SVGPaintType::LinearGradient || paint.type == SVGPaintType::RadialGradient) && paint.gradient)
  {
    const svg::SVGGradient& g = *paint.gradient;
    IPattern pattern(paint.type == SVGPaintType::LinearGradient ? kLinearPattern : kRadialPattern);
    const int spread = static_cast<int>(g.spread);
    pattern.mExtend = (spread >= 0 && spread <= 2) ? static_cast<EPatternExtend>(spread + 1) : kExtendPad;
    for (const svg::SVGGradientStop& stop : g.stops)
    {
      if (!pattern.AddStop(UnpackColor(stop.color, 255), stop.offset)) break;
    }
    pattern.mTransform = IMatrix(g.xform[0], g.xform[1], g.xform[2], g.xform[3], g.xform[4], g.xform[5]);
    return pattern;
  }
  return IPattern(IColor(AlphaOf(opacity), 0, 0, 0));
}

// Point i of a path.
inline float PX(const SVGPath& p, int i) { return p.pts[static_cast<size_t>(2 * i)]; }
inline float PY(const SVGPath& p, int i) { return p.pts[static_cast<size_t>(2 * i + 1)]; }

// True when the ray from (x0, y0) towards (x1, y1) crosses the segment (ax, ay)-(bx, by).
bool RayCrosses(double x0, double y0, double x1, double y1, double ax, double ay, double bx, double by)
{
  const double dx = x1 - x0, dy = y1 - y0;
  const double ex = bx - ax, ey = by - ay;
  const double m = dx * ey - dy * ex;
  if (std::fabs(m) < 1e-8) return false;
  const double wx = ax - x0, wy = ay - y0;
  const double t = (wx * dy - wy * dx) / m; // along the segment
  const double u = (wx * ey - wy * ex) / m; // along the ray
  return t >= 0.0 && t < 1.0 && u >= 0.0;
}

// A sub-path is a hole when a ray from its first point, cast away from it, crosses the outlines
// (on-curve points joined by lines) of the shape's other sub-paths an odd number of times.
bool IsHole(const SVGShape& shape, size_t pathIdx)
{
  const SVGPath& path = shape.paths[pathIdx];
  const double x0 = PX(path, 0), y0 = PY(path, 0);
  const double x1 = path.bounds[0] - 1.0, y1 = path.bounds[1] - 1.0;
  int crossings = 0;
  for (size_t k = 0; k < shape.paths.size(); ++k)
  {
    if (k == pathIdx) continue;
    const SVGPath& other = shape.paths[k];
    const int n = other.npts();
    if (n < 4) continue;
    int last = 0;
    for (int i = 0; i + 3 < n; i += 3)
    {
      if (RayCrosses(x0, y0, x1, y1, PX(other, i), PY(other, i), PX(other, i + 3), PY(other, i + 3))) ++crossings;
      last = i + 3;
    }
    if (RayCrosses(x0, y0, x1, y1, PX(other, last), PY(other, last), PX(other, 0), PY(other, 0))) ++crossings;
  }
  return crossings % 2 == 1;
}

IStrokeStyle StrokeStyleOf(const SVGShape& shape)
{
  IStrokeStyle style;
  style.mMiterLimit = shape.miterLimit;
  const int cap = static_cast<int>(shape.strokeLineCap);
  const int join = static_cast<int>(shape.strokeLineJoin);
  style.mCap = (cap >= 0 && cap <= 2) ? cap : kCapButt;
  style.mJoin = (join >= 0 && join <= 2) ? join : kJoinMiter;
  style.mDashOffset = shape.strokeDashOffset;
  style.mDashCount = std::clamp(shape.strokeDashCount, 0, IStrokeStyle::kMaxDashes);
  for (int i = 0; i < style.mDashCount; ++i) style.mDashArray[i] = shape.strokeDashArray[i];
  style.mPreserve = false;
  return style;
}

} // namespace

void IGfx::DoDrawSVG(const ISVG& svg, const IBlend* blend)
{
  if (!svg.mImage) return;
  for (const SVGShape& shape : svg.mImage->shapes)
  {
    if (!shape.visible) continue;

    PathClear();
    for (size_t p = 0; p < shape.paths.size(); ++p)
    {
      const SVGPath& path = shape.paths[p];
      const int n = path.npts();
      if (n < 1) continue;
      PathMoveTo(PX(path, 0), PY(path, 0));
      for (int i = 1; i + 2 < n; i += 3)
        PathCubicBezierTo(PX(path, i), PY(path, i), PX(path, i + 1), PY(path, i + 1), PX(path, i + 2), PY(path, i + 2));
      if (path.closed) PathClose();
      PathSetWinding(IsHole(shape, p));
    }

    const bool hasStroke = shape.stroke.type != SVGPaintType::None;
    if (shape.fill.type != SVGPaintType::None)
    {
      IFillStyle fill;
      fill.mFillRule = kFillWinding;
      fill.mPreserve = hasStroke;
      PathFill(PaintToPattern(shape.fill, shape.opacity), fill, blend);
    }
    if (hasStroke)
      PathStroke(PaintToPattern(shape.stroke, shape.opacity), shape.strokeWidth, StrokeStyleOf(shape), blend);
  }
}

} // namespace fx::gfx
