#include "graphics/controls/IVXYPadControl.h"

#include "graphics/IGfx.h"
#include "graphics/controls/IVControlSupport.h"

#include <algorithm>

namespace fx::gfx {

IVXYPadControl::IVXYPadControl(const IRECT& bounds, const std::vector<int>& params, const char* label,
                               const IVStyle& style, float handleRadius)
  : IControl(bounds, params), IVectorBase(style), mHandleRadius(handleRadius)
{
  AttachIControl(this);
  mText = style.valueText;
  mShape = kVShapeEllipse;
  SetLabelStr(label);
}

void IVXYPadControl::Draw(IGfx& g)
{
  DrawBackground(g, mRECT);
  DrawLabel(g);
  if (mStyle.drawFrame) g.DrawRect(GetColor(kFrame), mWidgetBounds, &mBlend, mStyle.frameThickness);
  DrawWidget(g);
}

IRECT IVXYPadControl::HandleArea() const
{
  return mTrackClipsHandle ? mWidgetBounds : mWidgetBounds.GetPadded(-mHandleRadius);
}

IRECT IVXYPadControl::GetHandleBounds() const
{
  const IRECT area = HandleArea();
  const float x = area.L + area.W() * static_cast<float>(GetValue(0));
  const float y = area.B - area.H() * static_cast<float>(GetValue(1));
  return IRECT(x - mHandleRadius, y - mHandleRadius, x + mHandleRadius, y + mHandleRadius);
}

void IVXYPadControl::DrawWidget(IGfx& g)
{
  DrawXYPadTrack(g);
  DrawXYPadHandle(g, HandleArea(), GetHandleBounds());
}

void IVXYPadControl::DrawXYPadTrack(IGfx& g)
{
  g.DrawVerticalLine(GetColor(kShadow), mWidgetBounds, 0.5f, nullptr, 1.f);
  g.DrawHorizontalLine(GetColor(kShadow), mWidgetBounds, 0.5f, nullptr, 1.f);
}

void IVXYPadControl::DrawXYPadHandle(IGfx& g, const IRECT& trackBounds, const IRECT& handleBounds)
{
  if (mTrackClipsHandle) g.PathClipRegion(trackBounds.GetPadded(-mStyle.frameThickness / 2.f));
  DrawPressableShape(g, mShape, handleBounds, mMouseDown, mMouseIsOver, IsDisabled());
  if (mTrackClipsHandle) g.PathClipRegion();
}

void IVXYPadControl::OnResize() { LayoutVectorControl(*this, *this, false); }

void IVXYPadControl::OnMouseDown(float x, float y, const IMouseMod& mod)
{
  mMouseDown = true;
  if (mStyle.hideCursor && GetUI()) GetUI()->HideMouseCursor(true, false);
  OnMouseDrag(x, y, 0.f, 0.f, mod);
}

void IVXYPadControl::OnMouseUp(float /*x*/, float /*y*/, const IMouseMod& /*mod*/)
{
  if (mStyle.hideCursor && GetUI()) GetUI()->HideMouseCursor(false, true);
  mMouseDown = false;
  SetDirty(true);
}

void IVXYPadControl::OnMouseDrag(float x, float y, float /*dX*/, float /*dY*/, const IMouseMod& /*mod*/)
{
  const IRECT& b = mRECT;
  if (b.W() > 0.f) SetValue((std::clamp(x, b.L, b.R) - b.L) / b.W(), 0);
  if (b.H() > 0.f) SetValue(1.0 - (std::clamp(y, b.T, b.B) - b.T) / b.H(), 1);
  SetDirty(true);
}

} // namespace fx::gfx
