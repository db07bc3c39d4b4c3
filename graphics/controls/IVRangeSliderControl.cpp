#include "graphics/controls/IVRangeSliderControl.h"

#include "graphics/IGfx.h"

#include <algorithm>

namespace fx::gfx {

IVRangeSliderControl::IVRangeSliderControl(const IRECT& bounds, const std::vector<int>& params, const char* label,
                                           const IVStyle& style, EDirection direction, float handleSize,
                                           float trackSize)
  : IVTrackControlBase(bounds, label, style, params, 0, direction), mHandleSize(handleSize)
{
  mTrackSize = trackSize;
}

void IVRangeSliderControl::MakeTrackRects(const IRECT& bounds)
{
  const float hs = mHandleSize, ts = mTrackSize;
  const IRECT track = mDirection == kHorizontal ? IRECT(bounds.L + hs, bounds.MH() - ts, bounds.R - hs, bounds.MH() + ts)
                                                : IRECT(bounds.MW() - ts, bounds.T + hs, bounds.MW() + ts, bounds.B - hs);
  mTrackBounds.assign(static_cast<size_t>(NTracks()), track);
}

float IVRangeSliderControl::PositionOf(double value) const
{
  if (mTrackBounds.empty()) return 0.f;
  const IRECT& t = mTrackBounds.front();
  const float v = static_cast<float>(value);
  return mDirection == kHorizontal ? t.L + t.W() * v : t.B - t.H() * v;
}

IRECT IVRangeSliderControl::GetHandleBounds(int i) const
{
  if (i < 0 || i >= static_cast<int>(mTrackBounds.size())) return IRECT();
  const IRECT& t = mTrackBounds.front();
  const float hs = mHandleSize, ts = mTrackSize;
  const float o = (mStyle.drawShadows && mShape != kVShapeEllipse) ? mStyle.shadowOffset / 2.f : 0.f;
  const float p = PositionOf(GetValue(i));
  const bool odd = i % 2 != 0;
  if (mDirection == kHorizontal)
  {
    const float c = t.MH() + o;
    return odd ? IRECT(p - hs, c - 2.f * hs, p + hs, c) : IRECT(p - hs, c + ts, p + hs, c + ts + 2.f * hs);
  }
  const float c = t.MW() + o;
  return odd ? IRECT(c + ts, p - hs, c + ts + 2.f * hs, p + hs) : IRECT(c - 2.f * hs, p - hs, c, p + hs);
}

void IVRangeSliderControl::Draw(IGfx& g)
{
  DrawBackground(g, mRECT);
  DrawLabel(g);
  DrawWidget(g);
}

void IVRangeSliderControl::DrawWidget(IGfx& g)
{
  if (mTrackBounds.empty()) return;
  const IRECT& t = mTrackBounds.front();
  DrawTrackBackground(g, t, 0);
  for (int i = 0; i + 1 < NTracks(); ++i)
  {
    const float a = PositionOf(GetValue(i)), b = PositionOf(GetValue(i + 1));
    const IRECT span = mDirection == kHorizontal ? IRECT(std::min(a, b), t.T, std::max(a, b), t.B)
                                                 : IRECT(t.L, std::min(a, b), t.R, std::max(a, b));
    g.FillRect(GetColor(kExtra1), span, &mBlend);
  }
  if (mStyle.drawFrame && mDrawTrackFrame) g.DrawRect(GetColor(kFrame), t, &mBlend, mStyle.frameThickness);
  for (int i = 0; i < NTracks(); ++i) DrawTrack(g, t, i);
}

void IVRangeSliderControl::DrawTrack(IGfx& g, const IRECT& /*r*/, int chIdx)
{
  const bool odd = chIdx % 2 != 0;
  const float angle = mDirection == kHorizontal ? (odd ? 180.f : 0.f) : (odd ? 90.f : 270.f);
  const bool over = chIdx == mMouseOverHandle;
  DrawPressableTriangle(g, GetHandleBounds(chIdx), over && mMouseDown, over, IsDisabled(), angle);
}

int IVRangeSliderControl::HandleForPos(float x, float y) const
{
  for (int i = 0; i < NTracks(); ++i)
    if (GetHandleBounds(i).Contains(x, y)) return i;
  return -1;
}

void IVRangeSliderControl::OnMouseOver(float x, float y, const IMouseMod& mod)
{
  mMouseOverHandle = HandleForPos(x, y);
  IVTrackControlBase::OnMouseOver(x, y, mod);
}

void IVRangeSliderControl::OnMouseOut()
{
  mMouseOverHandle = -1;
  IVTrackControlBase::OnMouseOut();
}

void IVRangeSliderControl::OnMouseDown(float x, float y, const IMouseMod& mod)
{
  // The handle under the press, also when no hover came first (touch input).
  mMouseOverHandle = HandleForPos(x, y);
  mMouseDown = true;
  OnMouseDrag(x, y, 0.f, 0.f, mod);
}

void IVRangeSliderControl::OnMouseUp(float /*x*/, float /*y*/, const IMouseMod& /*mod*/)
{
  mMouseDown = false;
  SetDirty(false);
}

void IVRangeSliderControl::OnMouseDrag(float x, float y, float /*dX*/, float /*dY*/, const IMouseMod& /*mod*/)
{
  const int i = mMouseOverHandle;
  if (i < 0 || i >= NTracks()) return;
  const double lo = i > 0 ? GetValue(i - 1) : 0.0;
  const double hi = i + 1 < NTracks() ? GetValue(i + 1) : 1.0;
  SnapToMouse(x, y, mDirection, mWidgetBounds, i, lo, hi);
}

} // namespace fx::gfx
