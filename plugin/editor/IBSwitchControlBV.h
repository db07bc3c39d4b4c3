#pragma once
// The product's film-strip switch: each press moves to the next state, the frame shows the
// state, and while the pointer is over it a soft highlight may be drawn behind the frame.
// Main thread only.

#include "graphics/controls/IBButtonControl.h"
#include "graphics/records/IColor.h"

class IBSwitchControlBV : public fx::gfx::IBSwitchControl
{
public:
  /** One frame of the bitmap at (x, y). */
  IBSwitchControlBV(float x, float y, const fx::gfx::IBitmap& bitmap, int paramIdx);

  void OnMouseDown(float x, float y, const fx::gfx::IMouseMod& mod) override;
  void OnMouseUp(float x, float y, const fx::gfx::IMouseMod& mod) override;
  void OnMouseOver(float x, float y, const fx::gfx::IMouseMod& mod) override;
  void OnMouseOut() override;
  void Draw(fx::gfx::IGfx& g) override;

  bool GetHovered() const { return mMouseOver; }
  void SetVisible(bool visible) { mVisible = visible; }
  void SetHoverHighlight(bool on, const fx::gfx::IColor& colour)
  {
    mHoverHighlight = on;
    mHighlightColour = colour;
  }

private:
  fx::gfx::IMouseMod mMod;
  bool mVisible = true;
  bool mHoverHighlight = false;
  bool mMouseOver = false;
  fx::gfx::IColor mHighlightColour {16, 255, 255, 255};
};
