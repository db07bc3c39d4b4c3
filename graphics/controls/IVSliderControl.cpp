#include "graphics/controls/IVSliderControl.h"

#include "graphics/IGfx.h"
#include "graphics/controls/IVControlSupport.h"

#include <algorithm>

namespace fx::gfx {

IVSliderControl::IVSliderControl(const IRECT& bounds, int paramIdx, const char* label, const IVStyle& style,
                                 bool valueIsEditable, EDirection direction, bool handleInsideTrack, double gearing,
                                 float handleSize, float trackSize)
  : ISliderControlBase(bounds, paramIdx, direction, gearing, handleSize), IVectorBase(style),
    mHandleInsideTrack(handleInsideTrack), mValueIsEditable(valueIsEditable)
{
  AttachIControl(this);
  mHideCursorOnDrag = style.hideCursor;
  mTrackSize = trackSize;
  mShape = kVShapeEllipse;
  DisablePrompt(!valueIsEditable);
  mText = style.valueText;
  SetLabelStr(label);
}

IVSliderControl::IVSliderControl(const IRECT& bounds, IActionFunction action, const char* label, const IVStyle& style,
                                 bool valueIsEditable, EDirection direction, bool handleInsideTrack, double gearing,
                                 float handleSize, float trackSize)
  : IVSliderControl(bounds, -1, label, style, valueIsEditable, direction, handleInsideTrack, gearing, handleSize,
                    trackSize)
{
  SetActionFunction(std::move(action));
}

void IVSliderControl::Draw(IGfx& g)
{
  DrawBackground(g, mRECT);
  DrawLabel(g);
  DrawWidget(g);
  DrawValue(g, mValueMouseOver);
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

void IVSliderControl::OnInit() { InitVectorTexts(*this, *this); }

void IVSliderControl::OnResize()
{
  SetTargetRECT(IVectorBaseLayout(mRECT, false));
  const IRECT w = mWidgetBounds.GetPadded(-mHandleSize);
  if (mDirection == kVertical) mTrack = IRECT(w.MW() - mTrackSize, w.T, w.MW() + mTrackSize, w.B);
  else mTrack = IRECT(w.L, w.MH() - mTrackSize, w.R, w.MH() + mTrackSize);
  SetDirty(false);
}

void IVSliderControl::OnMouseDown(float x, float y, const IMouseMod& mod)
{
  if (mStyle.showValue && mValueBounds.Contains(x, y)) PromptUserInput(mValueBounds, 0);
  else ISliderControlBase::OnMouseDown(x, y, mod);
}

void IVSliderControl::OnMouseUp(float x, float y, const IMouseMod& mod)
{
  ISliderControlBase::OnMouseUp(x, y, mod);
  SetDirty(true);
}

void IVSliderControl::OnMouseDrag(float x, float y, float dX, float dY, const IMouseMod& mod)
{
  if (mMouseDown) ISliderControlBase::OnMouseDrag(x, y, dX, dY, mod);
}

void IVSliderControl::OnMouseOver(float x, float y, const IMouseMod& mod)
{
  if (mStyle.showValue && !GetPromptDisabled()) mValueMouseOver = mValueBounds.Contains(x, y);
  ISliderControlBase::OnMouseOver(x, y, mod);
  SetDirty(false);
}

void IVSliderControl::OnMouseOut()
{
  mValueMouseOver = false;
  ISliderControlBase::OnMouseOut();
}

void IVSliderControl::SetDirty(bool triggerAction, int valIdx)
{
  ISliderControlBase::SetDirty(triggerAction, valIdx);
  SyncValueStr(*this, *this);
}

bool IVSliderControl::IsHit(float x, float y) const
{
  return mWidgetBounds.Contains(x, y) || (mValueIsEditable && mValueBounds.Contains(x, y));
}

} // namespace fx::gfx
