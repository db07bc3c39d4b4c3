#include "graphics/controls/IVSliderControl.h"

#include "graphics/IGfx.h"

#include <algorithm>

namespace fx::gfx {

IVSliderControl::IVSliderControl(const IRECT& bounds, int paramIdx, const char* label, const IVStyle& style,
                                 bool valueIsEditable, EDirection direction, bool handleInsideTrack, double gearing,
                                 float handleSize, float trackSize)
  : IVEditableValueBase(style, false, label, valueIsEditable, trackSize, bounds, paramIdx, direction, gearing,
                        handleSize),
    mHandleInsideTrack(handleInsideTrack)
{
}

IVSliderControl::IVSliderControl(const IRECT& bounds, IActionFunction action, const char* label, const IVStyle& style,
                                 bool valueIsEditable, EDirection direction, bool handleInsideTrack, double gearing,
                                 float handleSize, float trackSize)
  : IVSliderControl(bounds, -1, label, style, valueIsEditable, direction, handleInsideTrack, gearing, handleSize,
                    trackSize)
{
  SetActionFunction(std::move(action));
}

IRECT IVSliderControl::GetFilledArea() const
{
  const float v = static_cast<float>(GetValue());
  const IRECT& t = mTrack;
  if (mDirection == kVertical) return IRECT(t.L, t.B - (t.B - t.T) * v, t.R, t.B);
  return IRECT(t.L, t.T, t.L + (t.R - t.L) * v, t.B);
}

IRECT IVSliderControl::GetHandleBounds() const
{
  const IRECT fill = GetFilledArea();
  const float o = (mStyle.drawShadows && mShape != kVShapeEllipse) ? mStyle.shadowOffset / 2.f : 0.f;
  const float x = mDirection == kVertical ? o + fill.MW() : fill.R;
  const float y = mDirection == kVertical ? fill.T : o + fill.MH();
  const float s = mHandleSize;
  return IRECT(x - s, y - s, x + s, y + s);
}

void IVSliderControl::DrawWidget(IGfx& g)
{
  if (mTrackSize > 0.f) DrawSliderTrack(g, GetFilledArea());
  if (mHandleSize > 0.f) DrawSliderHandle(g, GetHandleBounds());
}

void IVSliderControl::DrawSliderTrack(IGfx& g, const IRECT& filledArea)
{
  const float e = mHandleInsideTrack ? mHandleSize : 0.f;
  const float radius = std::min(mTrack.W(), mTrack.H()) / 2.f * mStyle.roundness;
  IRECT track = mTrack, fill = filledArea;
  if (mDirection == kVertical)
  {
    track.T -= e, track.B += e;
    fill.T -= e, fill.B += e;
  }
  else
  {
    track.L -= e, track.R += e;
    fill.L -= e, fill.R += e;
  }
  g.FillRoundRect(GetColor(kShadow), track, radius, &mBlend);
  g.FillRoundRect(GetColor(kExtra1), fill, radius, &mBlend);
  if (mStyle.drawFrame) g.DrawRoundRect(GetColor(kFrame), track, radius, &mBlend, mStyle.frameThickness);
}

void IVSliderControl::DrawSliderHandle(IGfx& g, const IRECT& bounds)
{
  DrawPressableShape(g, mShape, bounds, mMouseDown, mMouseIsOver, IsDisabled());
}

void IVSliderControl::OnResize()
{
  SetTargetRECT(IVectorBaseLayout(mRECT, false));
  const IRECT w = mWidgetBounds.GetPadded(-mHandleSize);
  if (mDirection == kVertical) mTrack = IRECT(w.MW() - mTrackSize, w.T, w.MW() + mTrackSize, w.B);
  else mTrack = IRECT(w.L, w.MH() - mTrackSize, w.R, w.MH() + mTrackSize);
  SetDirty(false);
}

} // namespace fx::gfx
