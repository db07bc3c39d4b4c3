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

void IBitmapControl::OnRescale()
{
  if (!GetUI() || mBitmap.GetResourceName().Empty()) return;
  // A bitmap that cannot be found again (made from memory, or its file gone) is kept.
  const IBitmap reloaded = GetUI()->ReloadBitmap(mBitmap);
  if (reloaded.IsValid()) mBitmap = reloaded;
}

} // namespace fx::gfx
