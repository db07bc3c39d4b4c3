#pragma once
// Text that flips between an "off" and an "on" string with its value (on above 0.5); a click
// toggles it. Main thread only.

#include "graphics/ITextControl.h"

namespace fx::gfx {

class ITextToggleControl : public ITextControl
{
public:
  ITextToggleControl(const IRECT& bounds, int paramIdx = -1, const char* offText = "OFF", const char* onText = "ON",
                     const IText& text = IText(), const IColor& bgColor = kColorTransparent);
  ITextToggleControl(const IRECT& bounds, IActionFunction action, const char* offText = "OFF",
                     const char* onText = "ON", const IText& text = IText(),
                     const IColor& bgColor = kColorTransparent);

  void OnMouseDown(float x, float y, const IMouseMod& mod) override;
  /** Shows the string of the value, then as the base for every slot. */
  void SetDirty(bool triggerAction = true, int valIdx = -1) override;

protected:
  FxString mOffText;
  FxString mOnText;
};

} // namespace fx::gfx
