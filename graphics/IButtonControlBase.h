#pragma once
// A momentary button: a press sets the value to 1 and commits it (its action, normally the
// click animation, runs); the end of the animation sets it back to 0. Draws nothing itself.
// Main thread only.

#include "graphics/IControl.h"

namespace fx::gfx {

class IButtonControlBase : public IControl
{
public:
  /** No parameter; a double click counts as a single click. */
  explicit IButtonControlBase(const IRECT& bounds, IActionFunction action = DefaultClickActionFunc);

  void OnMouseDown(float x, float y, const IMouseMod& mod) override;
  /** Back to 0, then as the base. */
  void OnEndAnimation() override;
};

} // namespace fx::gfx
