#include "graphics/controls/IBKnobControl.h"

#include "graphics/IGfx.h"

namespace fx::gfx {

IBKnobControl::IBKnobControl(const IRECT& bounds, const IBitmap& bitmap, int paramIdx, EDirection direction,
                             double gearing)
  : IKnobControlBase(FrameRect(bitmap, bounds), paramIdx, nullptr, direction, gearing), IBitmapBase(bitmap)
{
  AttachIControl(this);
  mHideCursorOnDrag = true;
}

IBKnobControl::IBKnobControl(float x, float y, const IBitmap& bitmap, int paramIdx, EDirection direction,
                             double gearing)
  : IBKnobControl(IRECT(x, y, x + static_cast<float>(bitmap.FW()), y + static_cast<float>(bitmap.FH())), bitmap,
                  paramIdx, direction, gearing)
{
}

void IBKnobRotaterControl::Draw(IGfx& g)
{
  if (mBitmap.IsValid()) g.DrawRotatedBitmap(mBitmap, mRECT.MW(), mRECT.MH(), GetAngle(), &mBlend);
}

} // namespace fx::gfx
