#pragma once
// A control that shows one frame of a multi-frame bitmap by its value; the editor's bitmap
// background is one. It reloads its bitmap when the screen scale changes. Main thread only.

#include "graphics/IBitmapBase.h"
#include "graphics/IControl.h"

namespace fx::gfx {

class IBitmapControl : public IControl, public IBitmapBase
{
public:
  /** Bounds at (x, y), one frame large. */
  IBitmapControl(float x, float y, const IBitmap& bitmap, int paramIdx = -1, int blendMethod = kBlendDefault);

  void Draw(IGfx& g) override { DrawBitmap(g); }
  /** The same bitmap loaded for the current screen scale; kept when it cannot be loaded again. */
  void OnRescale() override;
};

} // namespace fx::gfx
