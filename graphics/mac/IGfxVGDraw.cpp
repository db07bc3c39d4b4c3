// The vector-renderer binding's strokes, fills and gradient paints, dotted lines, the fast
// drop shadow and text.

#include "graphics/mac/IGfxVG.h"

#include <climits>
#include <cmath>

namespace fx::gfx {

namespace {

const IColorStop& FirstStop(const IPattern& p) { return p.GetStop(0); }
const IColorStop& LastStop(const IPattern& p) { return p.GetStop(p.NStops() > 0 ? p.NStops() - 1 : 0); }

} // namespace

VGpaint IGfxVG::MakeGradientPaint(const IPattern& pattern, const IBlend* blend)
{
  const IMatrix& m = pattern.mTransform;
  // The inverse maps the gradient's own space back to drawing space. A singular (or
  // non-finite) transform has none: the identity stands in, so no NaN reaches the paint.
  double a = 1.0, c = 0.0, d = 1.0, e = 0.0, f = 0.0;
  const double det = m.mXX * m.mYY - m.mYX * m.mXY;
  if (std::isfinite(det) && std::fabs(det) >= 1e-6)
  {
    const double ia = m.mYY / det, ib = -m.mYX / det, ic = -m.mXY / det, id = m.mXX / det;
    const double ie = -(ia * m.mTX + ic * m.mTY), iff = -(ib * m.mTX + id * m.mTY);
    if (std::isfinite(ie) && std::isfinite(iff))
    {
      a = ia, c = ic, d = id, e = ie, f = iff;
    }
  }
  const VGcolor inner = VGColor(FirstStop(pattern).mColor, blend);
  const VGcolor outer = VGColor(LastStop(pattern).mColor, blend);
  const auto F = [](double v) { return static_cast<float>(v); };
  if (pattern.mType == kRadialPattern)
    return vgrRadialGradient(mVG, F(e), F(f), FirstStop(pattern).mOffset * F(a), F(a), inner, outer);
  return vgrLinearGradient(mVG, F(e), F(f), F(c + e), F(d + f), inner, outer);
}

void IGfxVG::PathStroke(const IPattern& pattern, float thickness, const IStrokeStyle& options, const IBlend* blend)
{
  if (!mVG) return;
  static constexpr int kJoins[] = {VG_MITER, VG_ROUND, VG_BEVEL};
  if (options.mCap >= kCapButt && options.mCap <= kCapSquare) vgrSetLineCap(mVG, options.mCap);
  if (options.mJoin >= kJoinMiter && options.mJoin <= kJoinBevel) vgrSetLineJoin(mVG, kJoins[options.mJoin]);
  vgrSetMiterLimit(mVG, options.mMiterLimit);
  vgrSetStrokeWidth(mVG, thickness);
  if (pattern.mType == kSolidPattern)
    vgrSetStrokeColor(mVG, VGColor(FirstStop(pattern).mColor, blend));
  else
    vgrSetStrokePaint(mVG, MakeGradientPaint(pattern, blend));
  vgrSetPathWinding(mVG, VG_SOLID);
  SetBlendMode(blend);
  vgrStroke(mVG);
  vgrSetCompositeOperation(mVG, VG_SOURCE_OVER);
  if (!options.mPreserve) vgrBeginPath(mVG);
}

void IGfxVG::PathFill(const IPattern& pattern, const IFillStyle& options, const IBlend* blend)
{
  if (!mVG) return;
  if (options.mFillRule == kFillSolid) vgrSetPathWinding(mVG, VG_SOLID);
  else if (options.mFillRule == kFillHole) vgrSetPathWinding(mVG, VG_HOLE);
  if (pattern.mType == kSolidPattern)
    vgrSetFillColor(mVG, VGColor(FirstStop(pattern).mColor, blend));
  else
    vgrSetFillPaint(mVG, MakeGradientPaint(pattern, blend));
  SetBlendMode(blend);
  vgrFill(mVG);
  vgrSetCompositeOperation(mVG, VG_SOURCE_OVER);
  if (!options.mPreserve) vgrBeginPath(mVG);
}

// ---------------------------------------------------------------------------------- Dotted lines

void IGfxVG::StrokeDashes(const IColor& color, const IBlend* blend, float thickness)
{
  PathStroke(IPattern(color), thickness, IStrokeStyle(), blend);
}

void IGfxVG::DrawDottedLine(const IColor& color, float x1, float y1, float x2, float y2, const IBlend* blend,
                            float thickness, float dashLen)
{
  // No dash length (zero, negative or not a number) has no dashes to count.
  if (!mVG || !(dashLen > 0.f)) return;
  const float dx = x2 - x1, dy = y2 - y1;
  const float n = std::round(std::sqrt(dx * dx + dy * dy) / dashLen);
  if (!(n < static_cast<float>(INT_MAX))) return; // also NaN: no count of dashes
  const int count = static_cast<int>(n);
  PathMoveTo(x1, y1);
  if (count >= 2)
  {
    for (int i = 1; i < count; i += 2)
    {
      const float t = static_cast<float>(i) / n, u = t + 1.f / n;
      PathLineTo(x1 + dx * t, y1 + dy * t);
      PathMoveTo(x1 + dx * u, y1 + dy * u);
    }
  }
  StrokeDashes(color, blend, thickness);
}

void IGfxVG::DrawDottedRect(const IColor& color, const IRECT& r, const IBlend* blend, float thickness, float dashLen)
{
  if (!mVG || !(dashLen > 0.f)) return;
  const float nxf = std::ceil(r.W() / (2.f * dashLen)), nyf = std::ceil(r.H() / (2.f * dashLen));
  if (!(nxf < static_cast<float>(INT_MAX)) || !(nyf < static_cast<float>(INT_MAX))) return;
  const int nx = static_cast<int>(nxf), ny = static_cast<int>(nyf);
  float x = r.L, y = r.T;
  PathMoveTo(x, y);
  // Clockwise from the top-left corner; each step is clamped so that an edge's last dash ends
  // at its corner.
  const auto edge = [&](int n, float& v, float step, float lo, float hi) {
    for (int i = 0; i < n; ++i)
    {
      v = std::clamp(v + step, lo, hi);
      PathLineTo(x, y);
      v = std::clamp(v + step, lo, hi);
      PathMoveTo(x, y);
    }
  };
  edge(nx, x, dashLen, r.L, r.R);
  edge(ny, y, dashLen, r.T, r.B);
  edge(nx, x, -dashLen, r.L, r.R);
  edge(ny, y, -dashLen, r.T, r.B);
  StrokeDashes(color, blend, thickness);
}

void IGfxVG::DrawFastDropShadow(const IRECT& inner, const IRECT& outer, float xyDrop, float roundness, float blur,
                                const IBlend* blend)
{
  if (!mVG) return;
  const VGpaint paint = vgrBoxGradient(mVG, inner.L + xyDrop, inner.T + xyDrop, inner.W(), inner.H(), roundness,
                                       blur, VGColor(kColorBlackDropShadow, blend), VGColor(kColorTransparent));
  vgrBeginPath(mVG);
  vgrRect(mVG, outer.L, outer.T, outer.W(), outer.H());
  vgrSetFillPaint(mVG, paint);
  vgrSetCompositeOperation(mVG, VG_SOURCE_OVER);
  vgrFill(mVG);
  vgrBeginPath(mVG);
}

// ---------------------------------------------------------------------------------- Text

void IGfxVG::PrepareAndMeasureText(const IText& text, const char* str, IRECT& r, float& x, float& y) const
{
  vgrSetFontBlur(mVG, 0.f);
  vgrSetFontSize(mVG, text.mSize);
  vgrSetFontFace(mVG, text.mFont);
  int align = 0;
  switch (text.mAlign)
  {
    case kAlignCenter: align = VG_ALIGN_CENTER, x = r.MW(); break;
    case kAlignFar: align = VG_ALIGN_RIGHT, x = r.R; break;
    default: align = VG_ALIGN_LEFT, x = r.L; break;
  }
  switch (text.mVAlign)
  {
    case kVAlignMiddle: align |= VG_ALIGN_MIDDLE, y = r.MH(); break;
    case kVAlignBottom: align |= VG_ALIGN_BOTTOM, y = r.B; break;
    default: align |= VG_ALIGN_TOP, y = r.T; break;
  }
  vgrSetTextAlign(mVG, align);
  float b[4] = {};
  vgrGetTextBounds(mVG, x, y, str, nullptr, b);
  r = IRECT(b[0], b[1], b[2], b[3]);
}

float IGfxVG::DoMeasureText(const IText& text, const char* str, IRECT& bounds) const
{
  if (!mVG || !str) return 0.f;
  IRECT measured = bounds;
  float x = 0.f, y = 0.f;
  PrepareAndMeasureText(text, str, measured, x, y);
  MeasureRotatedTextBounds(text, bounds, measured);
  bounds = measured;
  return bounds.W();
}

void IGfxVG::DoDrawText(const IText& text, const char* str, const IRECT& bounds, const IBlend* blend)
{
  if (!mVG || !str) return;
  IRECT measured = bounds;
  float x = 0.f, y = 0.f;
  PrepareAndMeasureText(text, str, measured, x, y);
  PathTransformSave();
  if (text.mAngle != 0.f)
  {
    double tx = 0.0, ty = 0.0;
    CalculateRotatedTextBounds(text, bounds, measured, tx, ty);
    PathTransformTranslate(static_cast<float>(tx), static_cast<float>(ty));
    PathTransformRotate(text.mAngle);
  }
  vgrSetFillColor(mVG, VGColor(text.mFGColor, blend));
  SetBlendMode(blend);
  vgrDrawText(mVG, x, y, str, nullptr);
  vgrSetCompositeOperation(mVG, VG_SOURCE_OVER);
  PathTransformRestore();
}

} // namespace fx::gfx
