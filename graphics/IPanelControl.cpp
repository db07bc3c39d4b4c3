#include "graphics/IPanelControl.h"

#include "graphics/IGfx.h"

namespace fx::gfx {

IPanelControl::IPanelControl(const IRECT& bounds, const IPattern& pattern, bool drawFrame)
  : IControl(bounds), mPattern(pattern), mDrawFrame(drawFrame)
{
}

void IPanelControl::Draw(IGfx& g)
{
  g.PathClear();
  g.PathMoveTo(mRECT.L, mRECT.T);
  g.PathLineTo(mRECT.R, mRECT.T);
  g.PathLineTo(mRECT.R, mRECT.B);
  g.PathLineTo(mRECT.L, mRECT.B);
  g.PathClose();
  g.PathFill(mPattern);
  if (mDrawFrame) g.DrawRect(kColorLightGrey, mRECT, nullptr, 1.f);
}

} // namespace fx::gfx
