#include "graphics/IBitmapBase.h"

#include "graphics/IControl.h"
#include "graphics/IGfx.h"

#include <algorithm>
#include <cmath>

namespace fx::gfx {

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
  const float fw = static_cast<float>(mBitmap.FW()), fh = static_cast<float>(mBitmap.FH());
  const IRECT& r = mControl->GetRECT();
  const IRECT dest(r.MW() - fw / 2.f, r.MH() - fh / 2.f, r.MW() + fw / 2.f, r.MH() + fh / 2.f);
  int srcX = 0, srcY = 0;
  if (frame >= 2)
  {
    if (mBitmap.GetFramesAreHorizontal()) srcX = (frame - 1) * mBitmap.W() / n;
    else srcY = (frame - 1) * mBitmap.H() / n;
  }
  g.DrawBitmap(mBitmap, dest, srcX, srcY, &mControl->GetBlend());
}

} // namespace fx::gfx
