#pragma once
// An SVG image drawn into the control's bounds, optionally kept in an offscreen layer that is
// redrawn only when the bounds or the scale change. Main thread only.

#include "graphics/IControl.h"
#include "graphics/ILayer.h"
#include "graphics/ISVG.h"

namespace fx::gfx {

class ISVGControl : public IControl
{
public:
  ISVGControl(const IRECT& bounds, const ISVG& svg, bool useLayer = false);

  void Draw(IGfx& g) override;

  const ISVG& GetSVG() const { return mSVG; }
  /** The cached layer (null until first drawn with a layer). */
  const ILayerPtr& GetLayer() const { return mLayer; }

protected:
  bool mUseLayer;
  ILayerPtr mLayer;
  ISVG mSVG;
};

} // namespace fx::gfx
