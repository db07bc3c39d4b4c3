#pragma once
// A rectangle filled with a pattern (colour or gradient), optionally framed in light grey; the
// editor's panel background is one. Main thread only.

#include "graphics/IControl.h"
#include "graphics/IPattern.h"

namespace fx::gfx {

class IPanelControl : public IControl
{
public:
  IPanelControl(const IRECT& bounds, const IPattern& pattern, bool drawFrame = false);

  void Draw(IGfx& g) override;

  const IPattern& GetPattern() const { return mPattern; }

protected:
  IPattern mPattern;
  bool mDrawFrame;
};

} // namespace fx::gfx
