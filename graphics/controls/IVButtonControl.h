#pragma once
// A vector push button: one pressable shape that shows pressed while its value is not 0, with
// its label and value texts above, below or inside it. A press sets the value to 1 and runs the
// action (by default a splash); the end of the click animation sets it back to 0. Main thread
// only.

#include "graphics/IButtonControlBase.h"
#include "graphics/IVectorBase.h"

namespace fx::gfx {

class IVButtonControl : public IButtonControlBase, public IVectorBase
{
public:
  IVButtonControl(const IRECT& bounds, IActionFunction action = SplashClickActionFunc, const char* label = "",
                  const IVStyle& style = IVStyleDefault, bool labelInButton = true, bool valueInButton = true,
                  EVShape shape = kVShapeRectangle);

  void Draw(IGfx& g) override;
  void DrawWidget(IGfx& g) override;
  void OnResize() override;
  /** Only the widget takes the pointer. */
  bool IsHit(float x, float y) const override { return mWidgetBounds.Contains(x, y); }
};

} // namespace fx::gfx
