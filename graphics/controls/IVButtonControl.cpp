#include "graphics/controls/IVButtonControl.h"

#include "graphics/controls/IVControlSupport.h"

namespace fx::gfx {

IVButtonControl::IVButtonControl(const IRECT& bounds, IActionFunction action, const char* label, const IVStyle& style,
                                 bool labelInButton, bool valueInButton, EVShape shape)
  : IButtonControlBase(bounds, std::move(action)), IVectorBase(style, labelInButton, valueInButton)
{
  AttachIControl(this);
  mText = style.valueText;
  mShape = shape;
  SetLabelStr(label);
}

void IVButtonControl::Draw(IGfx& g)
{
  DrawBackground(g, mRECT);
  DrawWidget(g);
  DrawLabel(g);
  DrawValue(g, false);
}

void IVButtonControl::DrawWidget(IGfx& g)
{
  DrawPressableShape(g, mShape, mWidgetBounds, GetValue() != 0.0, mMouseIsOver, IsDisabled());
}

void IVButtonControl::OnResize() { LayoutVectorControl(*this, *this, true); }

} // namespace fx::gfx
