#pragma once
// Vector switches: IVSwitchControl steps through its states on each press and shows the value
// text of its parameter; IVToggleControl is a two-state switch that shows its own off and on
// texts inside the widget. Main thread only.

#include "core/FxString.h"
#include "graphics/ISwitchControlBase.h"
#include "graphics/IVectorBase.h"

namespace fx::gfx {

class IVSwitchControl : public ISwitchControlBase, public IVectorBase
{
public:
  /** Two states (the parameter's range once attached); a press splashes. */
  IVSwitchControl(const IRECT& bounds, int paramIdx = -1, const char* label = "", const IVStyle& style = IVStyleDefault,
                  bool valueInButton = true);
  /** No parameter: numStates states, the action runs on each press. */
  IVSwitchControl(const IRECT& bounds, IActionFunction action, const char* label = "",
                  const IVStyle& style = IVStyleDefault, int numStates = 2, bool valueInButton = true);

  void Draw(IGfx& g) override;
  /** Pressed while the pointer holds it. */
  void DrawWidget(IGfx& g) override;
  void OnInit() override;
  void OnResize() override;
  void OnMouseOut() override;
  /** Then the value text follows the value. */
  void SetDirty(bool triggerAction = true, int valIdx = -1) override;
  bool IsHit(float x, float y) const override { return mWidgetBounds.Contains(x, y); }
};

class IVToggleControl : public IVSwitchControl
{
public:
  IVToggleControl(const IRECT& bounds, int paramIdx = -1, const char* label = "", const IVStyle& style = IVStyleDefault,
                  const char* offText = "OFF", const char* onText = "ON");
  IVToggleControl(const IRECT& bounds, IActionFunction action, const char* label = "",
                  const IVStyle& style = IVStyleDefault, const char* offText = "OFF", const char* onText = "ON",
                  bool initialOn = false);

  /** Pressed while the value is above 0.5. */
  void DrawWidget(IGfx& g) override;
  /** The on text above 0.5, else the off text; with mouseOver a highlight behind it. */
  void DrawValue(IGfx& g, bool mouseOver) override;

protected:
  FxString mOffText;
  FxString mOnText;
};

} // namespace fx::gfx
