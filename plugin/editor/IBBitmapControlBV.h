#pragma once
// A passive film-strip bitmap whose frame follows its value: the background, the meter faces,
// scale labels, needles and glass. It takes no pointer input of any kind and keeps the bitmap it
// was given when the draw scale changes. Main thread only.

#include "graphics/IBitmapBase.h"
#include "graphics/IControl.h"

class IBBitmapControlBV : public fx::gfx::IControl, public fx::gfx::IBitmapBase
{
public:
  /** One frame of the bitmap at (x, y); no parameter, no action. */
  IBBitmapControlBV(int x, int y, const fx::gfx::IBitmap& bitmap);

  void OnMouseDown(float, float, const fx::gfx::IMouseMod&) override {}
  void OnMouseUp(float, float, const fx::gfx::IMouseMod&) override {}
  void OnMouseDrag(float, float, float, float, const fx::gfx::IMouseMod&) override {}
  void OnMouseDblClick(float, float, const fx::gfx::IMouseMod&) override {}
  void OnMouseWheel(float, float, const fx::gfx::IMouseMod&, float) override {}
  /** The frame of the value; a missing bitmap draws nothing. */
  void Draw(fx::gfx::IGfx& g) override { DrawBitmap(g); }
};
