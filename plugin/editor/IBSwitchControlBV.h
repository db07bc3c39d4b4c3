#pragma once
// The product's film-strip switch: each press moves to the next state, the frame shows the
// state, and while the pointer is over it a soft highlight may be drawn behind the frame.
// Main thread only.

#include "graphics/IBitmapBase.h"
#include "graphics/ISwitchControlBase.h"
#include "graphics/records/IColor.h"

class IBSwitchControlBV : public fx::gfx::ISwitchControlBase, public fx::gfx::IBitmapBase
{
public:
  /** One frame of the bitmap at (x, y); as many states as the bitmap has frames until the
   *  parameter's range says otherwise. */
  IBSwitchControlBV(float x, float y, const fx::gfx::IBitmap& bitmap, int paramIdx);

  void OnMouseDown(float x, float y, const fx::gfx::IMouseMod& mod) override;
  void OnMouseUp(float x, float y, const fx::gfx::IMouseMod& mod) override;
  void OnMouseOver(float x, float y, const fx::gfx::IMouseMod& mod) override;
  void OnMouseOut() override;
  /** Fetches the bitmap again for the new draw scale. */
  void OnRescale() override;
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
