#include "graphics/controls/IBTextControl.h"

#include "graphics/IGfx.h"

namespace fx::gfx {

IBTextControl::IBTextControl(const IRECT& bounds, const IBitmap& bitmap, const IText& text, const char* str,
                             int charWidth, int charHeight, int charOffset, bool multiLine, bool vCenter,
                             EBlend blend)
  : ITextControl(bounds, str, text, kColorTransparent, false), IBitmapBase(bitmap), mCharWidth(charWidth),
    mCharHeight(charHeight), mCharOffset(charOffset), mMultiLine(multiLine), mVCentre(vCenter)
{
  AttachIControl(this);
  mBlend = IBlend(blend, 1.f);
}

void IBTextControl::Draw(IGfx& g)
{
  g.DrawBitmapedText(mBitmap, mRECT, mText, &mBlend, mStr.Get(), mVCentre, mMultiLine, mCharWidth, mCharHeight,
                     mCharOffset);
}

} // namespace fx::gfx
