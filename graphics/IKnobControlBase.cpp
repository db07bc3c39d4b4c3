#include "graphics/IKnobControlBase.h"

#include "graphics/IDragStepping.h"
#include "graphics/IGfx.h"

namespace fx::gfx {

IKnobControlBase::IKnobControlBase(const IRECT& bounds, int paramIdx, IActionFunction action, EDirection direction,
                                   double gearing)
  : IControl(bounds, paramIdx, std::move(action)), mDirection(direction), mGearing(gearing)
{
}

bool IKnobControlBase::IsFineControl(const IMouseMod& mod) { return fx::gfx::IsFineControl(mod); }

void IKnobControlBase::OnMouseDown(float x, float y, const IMouseMod& mod)
{
  mMouseDown = true;
  mMouseDragValue = GetValue(0);
  if (mHideCursorOnDrag && GetUI()) GetUI()->HideMouseCursor(true, true);
  if (mod.R) PromptUserInput(GetValIdxForPos(x, y));
}

void IKnobControlBase::OnMouseUp(float /*x*/, float /*y*/, const IMouseMod& /*mod*/)
{
  if (mHideCursorOnDrag && GetUI()) GetUI()->HideMouseCursor(false, true);
  mMouseDown = false;
  SetDirty(false);
}

void IKnobControlBase::OnMouseDrag(float /*x*/, float /*y*/, float dX, float dY, const IMouseMod& mod)
{
  const double gearing = mGearing * (IsFineControl(mod) ? 10.0 : 1.0);
  const IRECT area = GetKnobDragBounds();
  const bool vertical = mDirection == kVertical;
  const double extent = vertical ? area.T - area.B : area.R - area.L;
  double v = 0.0;
  if (!DragStep(GetParam(0), mMouseDragValue, vertical ? dY : dX, extent, gearing, v)) return;
  SetValue(v, 0);
  SetDirty(true);
}

void IKnobControlBase::OnMouseWheel(float /*x*/, float /*y*/, const IMouseMod& mod, float d)
{
  SetValue(WheelValue(GetParam(0), GetValue(0), d, IsFineControl(mod)), 0);
  SetDirty(true);
}

} // namespace fx::gfx
