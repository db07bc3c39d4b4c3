#include "graphics/ITextToggleControl.h"

namespace fx::gfx {

ITextToggleControl::ITextToggleControl(const IRECT& bounds, int paramIdx, const char* offText, const char* onText,
                                       const IText& text, const IColor& bgColor)
  : ITextControl(bounds, offText, text, bgColor), mOffText(offText), mOnText(onText)
{
  SetParamIdx(paramIdx);
  mIgnoreMouse = false;
  mDblAsSingleClick = true;
}

ITextToggleControl::ITextToggleControl(const IRECT& bounds, IActionFunction action, const char* offText,
                                       const char* onText, const IText& text, const IColor& bgColor)
  : ITextControl(bounds, offText, text, bgColor), mOffText(offText), mOnText(onText)
{
  SetActionFunction(std::move(action));
  mIgnoreMouse = false;
  mDblAsSingleClick = true;
}

void ITextToggleControl::OnMouseDown(float /*x*/, float /*y*/, const IMouseMod& /*mod*/)
{
  SetValue(GetValue(0) < 0.5 ? 1.0 : 0.0, 0);
  SetDirty(true, 0);
}

void ITextToggleControl::SetDirty(bool triggerAction, int /*valIdx*/)
{
  SetStr(GetValue(0) > 0.5 ? mOnText.Get() : mOffText.Get());
  IControl::SetDirty(triggerAction, -1);
}

} // namespace fx::gfx
