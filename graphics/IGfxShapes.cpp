// Shapes as path primitives followed by one stroke or fill, and the lines placed inside a
// rectangle.

#include "graphics/IGfx.h"

#include <algorithm>
#include <cmath>

namespace fx::gfx {

namespace {

// A corner radius that is negative or not a number draws a sharp corner.
float Radius(float r) { return r > 0.f ? r : 0.f; }

IStrokeStyle Dashed(float dashLen)
{
  IStrokeStyle style;
  style.mDashArray[0] = dashLen;
  style.mDashCount = 1;
  return style;
}

} // namespace

// ---------------------------------------------------------------------------------- Paths

void IGfx::PathRect(const IRECT& bounds)
{
  PathMoveTo(bounds.L, bounds.T);
  PathLineTo(bounds.R, bounds.T);
  PathLineTo(bounds.R, bounds.B);
  PathLineTo(bounds.L, bounds.B);
  PathClose();
}

void IGfx::PathTriangle(float x1, float y1, float x2, float y2, float x3, float y3)
{
  PathMoveTo(x1, y1);
  PathLineTo(x2, y2);
  PathLineTo(x3, y3);
  PathClose();
}

void IGfx::PathRoundRect(const IRECT& bounds, float cornerRadius)
{
  PathRoundRect(bounds, cornerRadius, cornerRadius, cornerRadius, cornerRadius);
}

void IGfx::PathRoundRect(const IRECT& bounds, float ctl, float ctr, float cbl, float cbr)
{
  ctl = Radius(ctl);
  ctr = Radius(ctr);
  cbl = Radius(cbl);
  cbr = Radius(cbr);
  if (ctl <= 0.f && ctr <= 0.f && cbl <= 0.f && cbr <= 0.f)
  {
    PathRect(bounds);
    return;
  }
  const float y = bounds.B - bounds.H();
  const float x = bounds.L, w = bounds.W(), h = bounds.H();
  PathMoveTo(x, y + ctl);
  PathArc(x + ctl, y + ctl, ctl, 270.f, 360.f);
  PathArc(x + w - ctr, y + ctr, ctr, 0.f, 90.f);
  PathArc(x + w - cbr, y + h - cbr, cbr, 90.f, 180.f);
  PathArc(x + cbl, y + h - cbl, cbl, 180.f, 270.f);
  PathClose();
}

void IGfx::PathConvexPolygon(const float* x, const float* y, int nPoints)
{
  if (!x || !y || nPoints < 1) return;
  PathMoveTo(x[0], y[0]);
  for (int i = 1; i < nPoints; ++i) PathLineTo(x[i], y[i]);
  PathClose();
}

void IGfx::PathCircle(float cx, float cy, float r)
{
  PathMoveTo(cx, cy - r);
  PathArc(cx, cy, r, 0.f, 360.f);
  PathClose();
}

void IGfx::PathEllipse(const IRECT& bounds) { PathEllipse(bounds.MW(), bounds.MH(), bounds.W() * 0.5f, bounds.H() * 0.5f); }

void IGfx::PathEllipse(float x, float y, float r1, float r2, float angle)
{
  if (!(r1 > 0.f) || !(r2 > 0.f)) return;
  PathTransformSave();
  PathTransformTranslate(x, y);
  PathTransformRotate(angle);
  PathTransformScale(r1, r2);
  PathMoveTo(0.f, -1.f);
  PathArc(0.f, 0.f, 1.f, 0.f, 360.f);
  PathClose();
  PathTransformRestore();
}

// ---------------------------------------------------------------------------------- Shapes

void IGfx::DrawPoint(const IColor& color, float x, float y, const IBlend* blend)
{
  FillRect(color, IRECT(x, y, x + 1.f, y + 1.f), blend);
}

void IGfx::DrawLine(const IColor& color, float x1, float y1, float x2, float y2, const IBlend* blend, float thickness)
{
  PathClear();
  PathMoveTo(x1, y1);
  PathLineTo(x2, y2);
  PathStroke(color, thickness, IStrokeStyle(), blend);
}

void IGfx::DrawDottedLine(const IColor& color, float x1, float y1, float x2, float y2, const IBlend* blend,
                          float thickness, float dashLen)
{
  PathClear();
  PathMoveTo(x1, y1);
  PathLineTo(x2, y2);
  PathStroke(color, thickness, Dashed(dashLen), blend);
}

void IGfx::DrawTriangle(const IColor& color, float x1, float y1, float x2, float y2, float x3, float y3,
                        const IBlend* blend, float thickness)
{
  PathClear();
  PathTriangle(x1, y1, x2, y2, x3, y3);
  PathStroke(color, thickness, IStrokeStyle(), blend);
}

void IGfx::FillTriangle(const IColor& color, float x1, float y1, float x2, float y2, float x3, float y3,
                        const IBlend* blend)
{
  PathClear();
  PathTriangle(x1, y1, x2, y2, x3, y3);
  PathFill(color, IFillStyle(), blend);
}

void IGfx::DrawRect(const IColor& color, const IRECT& bounds, const IBlend* blend, float thickness)
{
  PathClear();
  PathRect(bounds);
  PathStroke(color, thickness, IStrokeStyle(), blend);
}

void IGfx::DrawDottedRect(const IColor& color, const IRECT& bounds, const IBlend* blend, float thickness,
                          float dashLen)
{
  PathClear();
  PathRect(bounds);
  PathStroke(color, thickness, Dashed(dashLen), blend);
}

void IGfx::FillRect(const IColor& color, const IRECT& bounds, const IBlend* blend) { FillRect(IPattern(color), bounds, blend); }

void IGfx::FillRect(const IPattern& pattern, const IRECT& bounds, const IBlend* blend)
{
  PathClear();
  PathRect(bounds);
  PathFill(pattern, IFillStyle(), blend);
}

void IGfx::DrawRoundRect(const IColor& color, const IRECT& bounds, float cornerRadius, const IBlend* blend,
                         float thickness)
{
  PathClear();
  PathRoundRect(bounds, cornerRadius);
  PathStroke(color, thickness, IStrokeStyle(), blend);
}

void IGfx::DrawRoundRect(const IColor& color, const IRECT& bounds, float ctl, float ctr, float cbl, float cbr,
                         const IBlend* blend, float thickness)
{
  PathClear();
  PathRoundRect(bounds, ctl, ctr, cbl, cbr);
  PathStroke(color, thickness, IStrokeStyle(), blend);
}

void IGfx::FillRoundRect(const IColor& color, const IRECT& bounds, float cornerRadius, const IBlend* blend)
{
  PathClear();
  PathRoundRect(bounds, cornerRadius);
  PathFill(color, IFillStyle(), blend);
}

void IGfx::FillRoundRect(const IColor& color, const IRECT& bounds, float ctl, float ctr, float cbl, float cbr,
                         const IBlend* blend)
{
  PathClear();
  PathRoundRect(bounds, ctl, ctr, cbl, cbr);
  PathFill(color, IFillStyle(), blend);
}

void IGfx::DrawConvexPolygon(const IColor& color, const float* x, const float* y, int nPoints, const IBlend* blend,
                             float thickness)
{
  if (!x || !y || nPoints < 1) return;
  PathClear();
  PathConvexPolygon(x, y, nPoints);
  PathStroke(color, thickness, IStrokeStyle(), blend);
}

void IGfx::FillConvexPolygon(const IColor& color, const float* x, const float* y, int nPoints, const IBlend* blend)
{
  if (!x || !y || nPoints < 1) return;
  PathClear();
  PathConvexPolygon(x, y, nPoints);
  PathFill(color, IFillStyle(), blend);
}

void IGfx::DrawArc(const IColor& color, float cx, float cy, float r, float a1, float a2, const IBlend* blend,
                   float thickness)
{
  PathClear();
  PathArc(cx, cy, r, a1, a2);
  PathStroke(color, thickness, IStrokeStyle(), blend);
}

void IGfx::FillArc(const IColor& color, float cx, float cy, float r, float a1, float a2, const IBlend* blend)
{
  PathClear();
  PathMoveTo(cx, cy);
  PathArc(cx, cy, r, a1, a2);
  PathClose();
  PathFill(color, IFillStyle(), blend);
}

void IGfx::DrawCircle(const IColor& color, float cx, float cy, float r, const IBlend* blend, float thickness)
{
  PathClear();
  PathCircle(cx, cy, r);
  PathStroke(color, thickness, IStrokeStyle(), blend);
}

void IGfx::FillCircle(const IColor& color, float cx, float cy, float r, const IBlend* blend)
{
  PathClear();
  PathCircle(cx, cy, r);
  PathFill(color, IFillStyle(), blend);
}

void IGfx::DrawEllipse(const IColor& color, const IRECT& bounds, const IBlend* blend, float thickness)
{
  PathClear();
  PathEllipse(bounds);
  PathStroke(color, thickness, IStrokeStyle(), blend);
}

void IGfx::DrawEllipse(const IColor& color, float x, float y, float r1, float r2, float angle, const IBlend* blend,
                       float thickness)
{
  PathClear();
  PathEllipse(x, y, r1, r2, angle);
  PathStroke(color, thickness, IStrokeStyle(), blend);
}

void IGfx::FillEllipse(const IColor& color, const IRECT& bounds, const IBlend* blend)
{
  PathClear();
  PathEllipse(bounds);
  PathFill(color, IFillStyle(), blend);
}

void IGfx::FillEllipse(const IColor& color, float x, float y, float r1, float r2, float angle, const IBlend* blend)
{
  PathClear();
  PathEllipse(x, y, r1, r2, angle);
  PathFill(color, IFillStyle(), blend);
}

void IGfx::DrawGrid(const IColor& color, const IRECT& bounds, float gridSizeH, float gridSizeV, const IBlend* blend,
                    float thickness)
{
  PathClear();
  if (gridSizeH > 1.f)
  {
    for (float x = bounds.L + gridSizeH; x < bounds.R; x += gridSizeH)
    {
      PathMoveTo(x, bounds.T);
      PathLineTo(x, bounds.B);
    }
  }
  if (gridSizeV > 1.f)
  {
    for (float y = bounds.T + gridSizeV; y < bounds.B; y += gridSizeV)
    {
      PathMoveTo(bounds.L, y);
      PathLineTo(bounds.R, y);
    }
  }
  PathStroke(color, thickness, IStrokeStyle(), blend);
}

void IGfx::DrawData(const IColor& color, const IRECT& bounds, const float* normYPoints, int nPoints,
                    const float* normXPoints, const IBlend* blend, float thickness)
{
  if (!normYPoints || nPoints < 1) return;
  const float w = bounds.W(), h = bounds.H();
  PathClear();
  PathMoveTo(bounds.L, bounds.B - h * normYPoints[0]);
  for (int i = 1; i < nPoints; ++i)
  {
    const float x = normXPoints ? bounds.L + w * normXPoints[i] : bounds.L + (w / static_cast<float>(nPoints - 1)) * i;
    PathLineTo(x, bounds.B - h * normYPoints[i]);
  }
  PathStroke(color, thickness, IStrokeStyle(), blend);
}

// ---------------------------------------------------------------------------------- Lines in a rectangle

void IGfx::DrawVerticalLine(const IColor& color, const IRECT& bounds, float x, const IBlend* blend, float thickness)
{
  x = std::isnan(x) ? 0.f : std::clamp(x, 0.f, 1.f);
  const float xi = bounds.L + static_cast<float>(static_cast<int>(bounds.W() * x));
  DrawLine(color, xi, bounds.T, xi, bounds.B, blend, thickness);
}

void IGfx::DrawHorizontalLine(const IColor& color, const IRECT& bounds, float y, const IBlend* blend, float thickness)
{
  y = std::isnan(y) ? 0.f : std::clamp(y, 0.f, 1.f);
  const float yi = bounds.B - bounds.H() * y;
  DrawLine(color, bounds.L, yi, bounds.R, yi, blend, thickness);
}

void IGfx::DrawVerticalLine(const IColor& color, float xi, float yLo, float yHi, const IBlend* blend, float thickness)
{
  DrawLine(color, xi, yLo, xi, yHi, blend, thickness);
}

void IGfx::DrawHorizontalLine(const IColor& color, float yi, float xLo, float xHi, const IBlend* blend, float thickness)
{
  DrawLine(color, xLo, yi, xHi, yi, blend, thickness);
}

void IGfx::DrawRadialLine(const IColor& color, float cx, float cy, float angle, float rMin, float rMax,
                          const IBlend* blend, float thickness)
{
  const float a = (angle - 90.f) / 180.f * 3.1415927f;
  const float c = std::cos(a), s = std::sin(a);
  DrawLine(color, cx + c * rMin, cy + s * rMin, cx + c * rMax, cy + s * rMax, blend, thickness);
}

} // namespace fx::gfx
