#include "graphics/controls/IBButtonControl.h"

namespace fx::gfx {

namespace {

IRECT FrameAt(float x, float y, const IBitmap& bitmap)
{
  return IRECT(x, y, x + static_cast<float>(bitmap.FW()), y + static_cast<float>(bitmap.FH()));
}

} // namespace

IBButtonControl::IBButtonControl(float x, float y, const IBitmap& bitmap, IActionFunction action)
  : IButtonControlBase(FrameAt(x, y, bitmap), std::move(action)), IBitmapBase(bitmap)
{
  AttachIControl(this);
}

IBButtonControl::IBButtonControl(const IRECT& bounds, const IBitmap& bitmap, IActionFunction action)
  : IButtonControlBase(FrameRect(bitmap, bounds), std::move(action)), IBitmapBase(bitmap)
{
  AttachIControl(this);
}

IBSwitchControl::IBSwitchControl(float x, float y, const IBitmap& bitmap, int paramIdx)
  : ISwitchControlBase(FrameAt(x, y, bitmap), paramIdx, nullptr, 2), IBitmapBase(bitmap)
{
  AttachIControl(this);
}

IBSwitchControl::IBSwitchControl(const IRECT& bounds, const IBitmap& bitmap, int paramIdx)
  : ISwitchControlBase(FrameRect(bitmap, bounds), paramIdx, nullptr, 2), IBitmapBase(bitmap)
{
  AttachIControl(this);
}

void IBSwitchControl::OnMouseDown(float /*x*/, float /*y*/, const IMouseMod& /*mod*/)
{
  const int n = mBitmap.N();
  double v = GetValue(0) + (n >= 2 ? 1.0 / (n - 1) : 1.0);
  if (v > 1.001) v = 0.0;
  SetValue(v, 0);
  SetDirty(true);
}

} // namespace fx::gfx
