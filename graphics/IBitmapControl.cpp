#include "graphics/IBitmapControl.h"

#include "graphics/IGfx.h"

namespace fx::gfx {

IBitmapControl::IBitmapControl(float x, float y, const IBitmap& bitmap, int paramIdx, int blendMethod)
  : IControl(IRECT(x, y, x + static_cast<float>(bitmap.FW()), y + static_cast<float>(bitmap.FH())), paramIdx),
    IBitmapBase(bitmap)
{
  AttachIControl(this);
  mBlend = IBlend(blendMethod, 1.f);
}

void IBitmapControl::OnRescale() { RescaleBitmap(); }

} // namespace fx::gfx
