#include "graphics/IButtonControlBase.h"

namespace fx::gfx {

IButtonControlBase::IButtonControlBase(const IRECT& bounds, IActionFunction action) : IControl(bounds, std::move(action))
{
  mDblAsSingleClick = true;
}

void IButtonControlBase::OnMouseDown(float /*x*/, float /*y*/, const IMouseMod& /*mod*/)
{
  SetValue(1.0);
  SetDirty(true);
}

void IButtonControlBase::OnEndAnimation()
{
  SetValue(0.0);
  IControl::OnEndAnimation();
}

} // namespace fx::gfx
