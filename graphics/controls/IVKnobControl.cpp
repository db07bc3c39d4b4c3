#include "graphics/controls/IVKnobControl.h"

#include "graphics/IGfx.h"
#include "graphics/controls/IVControlSupport.h"

#include <algorithm>
#include <cmath>

namespace fx::gfx {

IVKnobControl::IVKnobControl(const IRECT& bounds, int paramIdx, const char* label, const IVStyle& style,
                             bool valueIsEditable, bool valueInWidget, float a1, float a2, float aAnchor,
                             EDirection direction, double gearing, float trackSize)
  : IVEditableValueBase(style, valueInWidget, label, valueIsEditable, trackSize, bounds, paramIdx, nullptr, direction,
                        gearing),
    mAngle1(a1), mAngle2(a2), mAnchorAngle(aAnchor)
{
}

IVKnobControl::IVKnobControl(const IRECT& bounds, IActionFunction action, const char* label, const IVStyle& style,
                             bool valueIsEditable, bool valueInWidget, float a1, float a2, float aAnchor,
                             EDirection direction, double gearing, float trackSize)
  : IVKnobControl(bounds, -1, label, style, valueIsEditable, valueInWidget, a1, a2, aAnchor, direction, gearing,
                  trackSize)
{
  SetActionFunction(std::move(action));
}

IRECT IVKnobControl::GetKnobDragBounds()
{
  const IRECT& r = mWidgetBounds;
  const float w = r.W(), h = r.H();
  float dw = 0.f, dh = 0.f;
  if (w > h)
  {
    dw = std::max(1.f, h / 2.f);
    dh = h;
  }
  else
  {
    dw = std::max(1.f, w);
    dh = w / 2.f > 0.f ? w / 2.f : dw;
  }
  return IRECT(r.MW() - dw / 2.f, r.MH() - dh / 2.f, r.MW() + dw / 2.f, r.MH() + dh / 2.f);
}

float IVKnobControl::GetHandleDiameter() const
{
  const float r = std::min(mWidgetBounds.W(), mWidgetBounds.H()) / 2.f - mTrackSize / 2.f;
  return std::max(1.f, 2.f * (r - mTrackToHandleDistance));
}

void IVKnobControl::DrawWidget(IGfx& g)
{
  const float cx = mWidgetBounds.MW(), cy = mWidgetBounds.MH();
  const float radius = std::min(mWidgetBounds.W(), mWidgetBounds.H()) / 2.f - mTrackSize / 2.f;
  const float d = GetHandleDiameter();
  const float angle = GetAngle();
  DrawKnobTrack(g, angle, cx, cy, radius);
  const IRECT handle(cx - d / 2.f, cy - d / 2.f, cx + d / 2.f, cy + d / 2.f);
  DrawPressableShape(g, kVShapeEllipse, handle, mMouseDown, mMouseIsOver, IsDisabled());
  DrawKnobPointer(g, angle, cx, cy, d / 2.f);
}

void IVKnobControl::DrawKnobTrack(IGfx& g, float angle, float cx, float cy, float radius)
{
  if (mTrackSize > 0.f)
    g.DrawArc(GetColor(kExtra1), cx, cy, radius, std::min(angle, mAnchorAngle), std::max(angle, mAnchorAngle), &mBlend,
              mTrackSize);
}

void IVKnobControl::DrawKnobPointer(IGfx& g, float angle, float cx, float cy, float radius)
{
  const float theta = (angle - 90.f) / 180.f * 3.1415927f;
  const float c = std::cos(theta), s = std::sin(theta);
  g.DrawLine(GetColor(kFrame), cx + c * radius * mInnerPointerFrac, cy + s * radius * mInnerPointerFrac,
             cx + c * radius * mOuterPointerFrac, cy + s * radius * mOuterPointerFrac, &mBlend, mPointerThickness);
}

void IVKnobControl::OnResize() { LayoutVectorControl(*this, *this, false); }

void IVKnobControl::OnMouseDown(float x, float y, const IMouseMod& mod)
{
  IVEditableValueBase::OnMouseDown(x, y, mod);
  SetDirty(false);
}

} // namespace fx::gfx
