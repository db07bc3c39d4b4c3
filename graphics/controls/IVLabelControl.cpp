#include "graphics/controls/IVLabelControl.h"

#include "graphics/IGfx.h"
#include "graphics/controls/IControlConstants.h"

namespace fx::gfx {

IVLabelControl::IVLabelControl(const IRECT& bounds, const char* str, const IVStyle& style)
  : ITextControl(bounds, str, DefaultText(), kColorTransparent, false), IVectorBase(style)
{
  AttachIControl(this);
  mText = style.valueText;
  SetLabelStr(str);
}

void IVLabelControl::Draw(IGfx& g)
{
  DrawBackground(g, mRECT);
  if (!mStr.Empty())
  {
    if (mStyle.drawShadows && !IsDisabled())
    {
      IText shadow = mStyle.valueText;
      shadow.mFGColor = GetColor(kShadow);
      const float o = mStyle.shadowOffset;
      g.DrawText(shadow, mStr.Get(), IRECT(mRECT.L + o, mRECT.T + o, mRECT.R + o, mRECT.B + o), &mBlend);
    }
    g.DrawText(mStyle.valueText, mStr.Get(), mRECT, &mBlend);
  }
  if (mStyle.drawFrame) g.DrawRect(GetColor(kFrame), mRECT, &mBlend, mStyle.frameThickness);
}

} // namespace fx::gfx
