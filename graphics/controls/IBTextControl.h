#pragma once
// A text drawn with a bitmap font: fixed character cells cut from a bitmap. No pointer input.
// Main thread only.

#include "graphics/IBitmapBase.h"
#include "graphics/ITextControl.h"

namespace fx::gfx {

class IBTextControl : public ITextControl, public IBitmapBase
{
public:
  IBTextControl(const IRECT& bounds, const IBitmap& bitmap, const IText& text = IText(), const char* str = "",
                int charWidth = 6, int charHeight = 12, int charOffset = 0, bool multiLine = true,
                bool vCenter = true, EBlend blend = kBlendDefault);

  void Draw(IGfx& g) override;
  void OnRescale() override { RescaleBitmap(); }

protected:
  int mCharWidth;
  int mCharHeight;
  int mCharOffset;
  bool mMultiLine;
  bool mVCentre;
};

} // namespace fx::gfx
