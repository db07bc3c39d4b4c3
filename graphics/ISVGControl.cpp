#include "graphics/ISVGControl.h"

#include "graphics/IGfx.h"

namespace fx::gfx {

ISVGControl::ISVGControl(const IRECT& bounds, const ISVG& svg, bool useLayer)
  : IControl(bounds), mUseLayer(useLayer), mSVG(svg)
{
}

void ISVGControl::Draw(IGfx& g)
{
  if (!mUseLayer)
  {
    g.DrawSVG(mSVG, mRECT, &mBlend);
    return;
  }
  if (!g.CheckLayer(mLayer))
  {
    const ILayer* below = g.GetCurrentLayer();
    g.StartLayer(this, mRECT, true);
    if (g.GetCurrentLayer() == below)
    {
      // No surface could be made: draw the image directly.
      mLayer.reset();
      g.DrawSVG(mSVG, mRECT, &mBlend);
      return;
    }
    g.DrawSVG(mSVG, mRECT);
    mLayer = g.EndLayer();
  }
  g.DrawLayer(mLayer, &mBlend);
}

} // namespace fx::gfx
