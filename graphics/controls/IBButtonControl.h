#pragma once
// Bitmap push button and switch: the frame of a film-strip bitmap that the value selects, drawn
// centred in the control. The switch steps by the bitmap's frames: each press moves one frame on
// and wraps to the first after the last. Main thread only.

#include "graphics/IBitmapBase.h"
#include "graphics/IButtonControlBase.h"
#include "graphics/ISwitchControlBase.h"

namespace fx::gfx {

class IBButtonControl : public IButtonControlBase, public IBitmapBase
{
public:
  /** One frame large at (x, y). */
  IBButtonControl(float x, float y, const IBitmap& bitmap, IActionFunction action = DefaultClickActionFunc);
  /** One frame large, centred in bounds. */
  IBButtonControl(const IRECT& bounds, const IBitmap& bitmap, IActionFunction action = DefaultClickActionFunc);

  void Draw(IGfx& g) override { DrawBitmap(g); }
  void OnRescale() override { RescaleBitmap(); }
};

class IBSwitchControl : public ISwitchControlBase, public IBitmapBase
{
public:
  /** One frame large at (x, y). */
  IBSwitchControl(float x, float y, const IBitmap& bitmap, int paramIdx = -1);
  /** One frame large, centred in bounds. */
  IBSwitchControl(const IRECT& bounds, const IBitmap& bitmap, int paramIdx = -1);

  /** One frame on (a whole step for fewer than two frames); past 1.001 back to 0; committed. */
  void OnMouseDown(float x, float y, const IMouseMod& mod) override;
  void Draw(IGfx& g) override { DrawBitmap(g); }
  void OnRescale() override { RescaleBitmap(); }
};

} // namespace fx::gfx
