#pragma once
// A slider along a track (its bounds): a press on a continuous parameter jumps to the pointer;
// drags follow the pointer absolutely when the pointer stays visible (or for touches), and move
// relatively, like a knob with the track as its area, for stepped parameters or while the pointer
// is hidden. The wheel and the release are the knob's. Draws nothing itself. Main thread only.

#include "graphics/IControl.h"

namespace fx::gfx {

class ISliderControlBase : public IControl
{
public:
  ISliderControlBase(const IRECT& bounds, int paramIdx = -1, EDirection dir = kVertical, double gearing = 4.0,
                     float handleSize = 0.f);
  /** A slot without parameter, with an action. */
  ISliderControlBase(const IRECT& bounds, IActionFunction action, EDirection dir = kVertical, double gearing = 4.0,
                     float handleSize = 0.f);

  /** The track follows the bounds. */
  void OnResize() override;
  void OnMouseDown(float x, float y, const IMouseMod& mod) override;
  void OnMouseUp(float x, float y, const IMouseMod& mod) override;
  void OnMouseDrag(float x, float y, float dX, float dY, const IMouseMod& mod) override;
  void OnMouseWheel(float x, float y, const IMouseMod& mod, float d) override;

  static bool IsFineControl(const IMouseMod& mod);
  const IRECT& GetTrack() const { return mTrack; }
  EDirection GetDirection() const { return mDirection; }
  float GetHandleSize() const { return mHandleSize; }
  double GetGearing() const { return mGearing; }
  bool GetMouseDown() const { return mMouseDown; }
  bool GetHideCursorOnDrag() const { return mHideCursorOnDrag; }
  void SetHideCursorOnDrag(bool hide) { mHideCursorOnDrag = hide; }

protected:
  /** Slot 0's parameter is missing or not marked stepped (its step and range are not looked at):
   *  the value follows the pointer. */
  bool FollowsPointer() const;

  bool mHideCursorOnDrag = true;
  EDirection mDirection;
  IRECT mTrack;
  float mHandleSize;
  double mGearing;
  bool mMouseDown = false;
  double mMouseDragValue = 0.0;
};

} // namespace fx::gfx
