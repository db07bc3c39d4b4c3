#include "graphics/IBitmapBase.h"

#include "graphics/IControl.h"
#include "graphics/IGfx.h"

#include <algorithm>
#include <cmath>

namespace fx::gfx {

IRECT IBitmapBase::FrameRect(const IBitmap& bitmap, const IRECT& area)
{
  const float fw = static_cast<float>(bitmap.FW()), fh = static_cast<float>(bitmap.FH());
  const float l = area.MW() - fw / 2.f, t = area.MH() - fh / 2.f;
  return IRECT(l, t, l + fw, t + fh);
}

int IBitmapBase::GetFrame() const
{
  const int n = mBitmap.N();
  if (n < 2 || !mControl) return 1;
  const double value = mControl->GetValue(0);
  if (!(value > 0.0)) return 1; // also a value that is not a number
  const double i = std::trunc(0.5 + std::min(value, 1.0) * (n - 1));
  return std::min(static_cast<int>(i) + 1, n);
}

void IBitmapBase::DrawBitmap(IGfx& g)
{
  if (!mControl || !mBitmap.IsValid()) return;
  const int n = std::max(1, mBitmap.N());
  const int frame = GetFrame();
  const IRECT dest = FrameRect(mBitmap, mControl->GetRECT());
  int srcX = 0, srcY = 0;
  if (frame >= 2)
  {
    if (mBitmap.GetFramesAreHorizontal()) srcX = (frame - 1) * mBitmap.W() / n;
    else srcY = (frame - 1) * mBitmap.H() / n;
  }
  g.DrawBitmap(mBitmap, dest, srcX, srcY, &mControl->GetBlend());
}

void IBitmapBase::RescaleBitmap()
{
  IGfx* ui = mControl ? mControl->GetUI() : nullptr;
  if (!ui || mBitmap.GetResourceName().Empty()) return;
  const IBitmap reloaded = ui->ReloadBitmap(mBitmap);
  if (reloaded.IsValid()) mBitmap = reloaded;
}

} // namespace fx::gfx
