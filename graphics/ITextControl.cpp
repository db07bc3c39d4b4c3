#include "graphics/ITextControl.h"

#include "graphics/IGfx.h"

#include <cstdarg>

namespace fx::gfx {

ITextControl::ITextControl(const IRECT& bounds, const char* str, const IText& text, const IColor& bgColor,
                           bool setBoundsBasedOnStr)
  : IControl(bounds), mStr(str ? str : ""), mBGColor(bgColor), mSetBoundsBasedOnStr(setBoundsBasedOnStr)
{
  mText = text;
  mIgnoreMouse = true;
}

void ITextControl::SetStr(const char* str)
{
  if (mStr == (str ? str : "")) return;
  mStr.Set(str);
  if (mSetBoundsBasedOnStr) SetBoundsBasedOnStr();
}

void ITextControl::SetStrFmt(int maxLength, const char* format, ...)
{
  va_list args;
  va_start(args, format);
  mStr.Clear();
  mStr.AppendFormattedV(maxLength, format, args);
  va_end(args);
}

void ITextControl::OnInit()
{
  if (mSetBoundsBasedOnStr) SetBoundsBasedOnStr();
}

void ITextControl::SetBoundsBasedOnStr()
{
  if (!GetUI()) return;
  IRECT m;
  GetUI()->MeasureText(mText, mStr.Get(), m);
  const float cx = mRECT.MW(), cy = mRECT.MH();
  const float hw = m.W() / 2.f, hh = m.H() / 2.f;
  SetTargetAndDrawRECTs(IRECT(cx - hw, cy - hh, cx + hw, cy + hh));
}

void ITextControl::Draw(IGfx& g)
{
  g.FillRect(mBGColor, mRECT, &mBlend);
  if (!mStr.Empty() && g.GetControlInTextEntry() != this) g.DrawText(mText, mStr.Get(), mRECT, &mBlend);
}

} // namespace fx::gfx
