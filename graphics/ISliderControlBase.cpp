#include "graphics/ISliderControlBase.h"

#include "core/IParam.h"
#include "graphics/IDragStepping.h"
#include "graphics/IGfx.h"

namespace fx::gfx {

ISliderControlBase::ISliderControlBase(const IRECT& bounds, int paramIdx, EDirection dir, double gearing,
                                       float handleSize)
  : IControl(bounds, paramIdx), mDirection(dir), mHandleSize(handleSize), mGearing(gearing)
{
}

ISliderControlBase::ISliderControlBase(const IRECT& bounds, IActionFunction action, EDirection dir, double gearing,
                                       float handleSize)
  : IControl(bounds, std::move(action)), mDirection(dir), mHandleSize(handleSize), mGearing(gearing)
{
}

bool ISliderControlBase::IsFineControl(const IMouseMod& mod) { return fx::gfx::IsFineControl(mod); }

bool ISliderControlBase::FollowsPointer() const
{
  const IParam* param = GetParam(0);
  return !param || !param->GetStepped();
}

void ISliderControlBase::OnResize()
{
  SetTargetRECT(mRECT);
  mTrack = mRECT;
  SetDirty(false);
}

void ISliderControlBase::OnMouseDown(float x, float y, const IMouseMod& mod)
{
  mMouseDown = true;
  if (FollowsPointer()) SnapToMouse(x, y, mDirection, mTrack, -1, 0.0, 1.0);
  mMouseDragValue = GetValue(0);
  if (mHideCursorOnDrag && GetUI()) GetUI()->HideMouseCursor(true, true);
  if (mod.R) PromptUserInput(GetValIdxForPos(x, y));
}

void ISliderControlBase::OnMouseUp(float /*x*/, float /*y*/, const IMouseMod& /*mod*/)
{
  if (mHideCursorOnDrag && GetUI()) GetUI()->HideMouseCursor(false, true);
  mMouseDown = false;
  SetDirty(false);
}

void ISliderControlBase::OnMouseDrag(float x, float y, float dX, float dY, const IMouseMod& mod)
{
  if (FollowsPointer() && (mod.IsTouch() || !mHideCursorOnDrag))
  {
    SnapToMouse(x, y, mDirection, mTrack, -1, 0.0, 1.0);
    return;
  }
  const double gearing = mGearing * (IsFineControl(mod) ? 10.0 : 1.0);
  const bool vertical = mDirection == kVertical;
  const double extent = vertical ? mTrack.T - mTrack.B : mTrack.R - mTrack.L;
  double v = 0.0;
  if (!DragStep(GetParam(0), mMouseDragValue, vertical ? dY : dX, extent, gearing, v)) return;
  SetValue(v, 0);
  SetDirty(true);
}

void ISliderControlBase::OnMouseWheel(float /*x*/, float /*y*/, const IMouseMod& mod, float d)
{
  SetValue(WheelValue(GetParam(0), GetValue(0), d, IsFineControl(mod)), 0);
  SetDirty(true);
}

} // namespace fx::gfx
