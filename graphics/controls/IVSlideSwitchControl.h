#pragma once
// A switch drawn as a track cut into one slot per state with a handle in the current state's
// slot; a press moves to the next state and the handle glides there in 100 ms. Main thread
// only.

#include "graphics/controls/IVSwitchControl.h"

namespace fx::gfx {

class IVSlideSwitchControl : public IVSwitchControl
{
public:
  IVSlideSwitchControl(const IRECT& bounds, int paramIdx = -1, const char* label = "",
                       const IVStyle& style = IVStyleDefault, bool valueInButton = false,
                       EDirection direction = kHorizontal);
  /** No parameter: starts in state initialState of numStates; the action runs when a glide ends. */
  IVSlideSwitchControl(const IRECT& bounds, IActionFunction action, const char* label = "",
                       const IVStyle& style = IVStyleDefault, bool valueInButton = false,
                       EDirection direction = kHorizontal, int numStates = 2, int initialState = 0);

  /** The value text is left out while the handle glides. */
  void Draw(IGfx& g) override;
  void DrawWidget(IGfx& g) override;
  /** The whole track in the shadow colour. */
  virtual void DrawTrack(IGfx& g, const IRECT& bounds);
  void OnResize() override;
  void OnEndAnimation() override;
  /** At rest the handle follows the value; during a glide it keeps the slots it glides between. */
  void SetDirty(bool triggerAction = true, int valIdx = -1) override;

  const IRECT& GetHandleBounds() const { return mHandleBounds; }
  const IRECT& GetStartRect() const { return mStartRect; }
  const IRECT& GetEndRect() const { return mEndRect; }
  /** One frame of the glide: the handle between the two slots by the animation's progress. */
  void OnAnimationStep();

protected:
  /** The slots of the current state and the next one; the handle at the current one. */
  void UpdateRects();

  IRECT mStartRect;
  IRECT mEndRect;
  IRECT mHandleBounds;
  EDirection mDirection;
};

} // namespace fx::gfx
