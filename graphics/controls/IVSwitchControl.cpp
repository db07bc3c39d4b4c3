#include "graphics/controls/IVSwitchControl.h"

#include "graphics/IGfx.h"
#include "graphics/controls/IVControlSupport.h"

namespace fx::gfx {

namespace {

void CentreValueVertically(IVStyle& style, IText& text)
{
  style.valueText.mVAlign = kVAlignMiddle;
  text.mVAlign = kVAlignMiddle;
}

} // namespace

IVSwitchControl::IVSwitchControl(const IRECT& bounds, int paramIdx, const char* label, const IVStyle& style,
                                 bool valueInButton)
  : ISwitchControlBase(bounds, paramIdx, SplashClickActionFunc, 2), IVectorBase(style, false, valueInButton)
{
  AttachIControl(this);
  mText = style.valueText;
  if (valueInButton) CentreValueVertically(mStyle, mText);
  SetLabelStr(label);
}

IVSwitchControl::IVSwitchControl(const IRECT& bounds, IActionFunction action, const char* label, const IVStyle& style,
                                 int numStates, bool valueInButton)
  : ISwitchControlBase(bounds, -1, std::move(action), numStates), IVectorBase(style, false, valueInButton)
{
  AttachIControl(this);
  mText = style.valueText;
  if (valueInButton) CentreValueVertically(mStyle, mText);
  SetLabelStr(label);
}

void IVSwitchControl::Draw(IGfx& g)
{
  DrawBackground(g, mRECT);
  DrawLabel(g);
  DrawWidget(g);
  DrawValue(g, false);
}

void IVSwitchControl::DrawWidget(IGfx& g)
{
  DrawPressableShape(g, mShape, mWidgetBounds, mMouseDown, mMouseIsOver, IsDisabled());
}

void IVSwitchControl::OnInit()
{
  ISwitchControlBase::OnInit();
  InitVectorTexts(*this, *this);
}

void IVSwitchControl::OnResize() { LayoutVectorControl(*this, *this, true); }

void IVSwitchControl::OnMouseOut()
{
  ISwitchControlBase::OnMouseOut();
  SetDirty(false);
}

void IVSwitchControl::SetDirty(bool triggerAction, int valIdx)
{
  ISwitchControlBase::SetDirty(triggerAction, valIdx);
  SyncValueStr(*this, *this);
}

IVToggleControl::IVToggleControl(const IRECT& bounds, int paramIdx, const char* label, const IVStyle& style,
                                 const char* offText, const char* onText)
  : IVSwitchControl(bounds, paramIdx, label, style, true), mOffText(offText), mOnText(onText)
{
}

IVToggleControl::IVToggleControl(const IRECT& bounds, IActionFunction action, const char* label, const IVStyle& style,
                                 const char* offText, const char* onText, bool initialOn)
  : IVSwitchControl(bounds, std::move(action), label, style, 2, true), mOffText(offText), mOnText(onText)
{
  SetValue(initialOn ? 1.0 : 0.0);
}

void IVToggleControl::DrawWidget(IGfx& g)
{
  DrawPressableShape(g, mShape, mWidgetBounds, GetValue() > 0.5, mMouseIsOver, IsDisabled());
}

void IVToggleControl::DrawValue(IGfx& g, bool mouseOver)
{
  if (mouseOver) g.FillRect(GetColor(kHighlight), mValueBounds, &mBlend);
  const FxString& text = GetValue() > 0.5 ? mOnText : mOffText;
  g.DrawText(mStyle.valueText, text.Get(), mValueBounds, &mBlend);
}

} // namespace fx::gfx
