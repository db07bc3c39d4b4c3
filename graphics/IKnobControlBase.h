#pragma once
// A knob: a drag moves slot 0 relative to where the press found it, the drag area's extent
// divided by the gearing giving the full range (ten times finer with control/command or
// shift); stepped parameters move a whole step at a time while the drag accumulates between
// steps. The wheel moves 0.01 a notch (0.001 fine), stepped parameters one step. The pointer
// is hidden and held in place while dragging unless the hide-cursor flag is cleared. Draws
// nothing itself. Main thread only.

#include "graphics/IControl.h"

namespace fx::gfx {

class IKnobControlBase : public IControl
{
public:
  IKnobControlBase(const IRECT& bounds, int paramIdx = -1, IActionFunction action = nullptr,
                   EDirection direction = kVertical, double gearing = 4.0);

  /** Takes the drag origin, hides the pointer, prompts on the right button. */
  void OnMouseDown(float x, float y, const IMouseMod& mod) override;
  void OnMouseUp(float x, float y, const IMouseMod& mod) override;
  /** A drag over an area without extent does nothing. */
  void OnMouseDrag(float x, float y, float dX, float dY, const IMouseMod& mod) override;
  void OnMouseWheel(float x, float y, const IMouseMod& mod, float d) override;

  /** The area whose extent a drag is measured against: the target rectangle. */
  virtual IRECT GetKnobDragBounds() { return mTargetRECT; }

  static bool IsFineControl(const IMouseMod& mod);
  void SetGearing(double gearing) { mGearing = gearing; }
  double GetGearing() const { return mGearing; }
  EDirection GetDirection() const { return mDirection; }
  bool GetMouseDown() const { return mMouseDown; }
  bool GetHideCursorOnDrag() const { return mHideCursorOnDrag; }
  void SetHideCursorOnDrag(bool hide) { mHideCursorOnDrag = hide; }

protected:
  bool mHideCursorOnDrag = true;
  EDirection mDirection;
  double mGearing;
  bool mMouseDown = false;
  double mMouseDragValue = 0.0;
};

} // namespace fx::gfx
