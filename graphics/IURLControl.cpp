#include "graphics/IURLControl.h"

#include "graphics/IGfx.h"

namespace fx::gfx {

IURLControl::IURLControl(const IRECT& bounds, const char* str, const char* url, const IText& text,
                         const IColor& bgColor, const IColor& mouseOverColor, const IColor& clickedColor)
  : ITextControl(bounds, str, text, bgColor, false), mURLStr(url ? url : ""), mOriginalColor(text.mFGColor),
    mMOColor(mouseOverColor), mClickedColor(clickedColor)
{
  mIgnoreMouse = false;
}

void IURLControl::Draw(IGfx& g)
{
  g.FillRect(mBGColor, mRECT, &mBlend);
  mText.mFGColor = mMouseIsOver ? mMOColor : (mClicked ? mClickedColor : mOriginalColor);
  if (mStr.Empty()) return;

  // The text's box, centred on the origin.
  IRECT m;
  g.MeasureText(mText, mStr.Get(), m);
  const float w = m.W(), h = m.H();
  m = IRECT(-w / 2.f, -h / 2.f, w / 2.f, h / 2.f);

  float x1 = mRECT.L, x2 = mRECT.L + w;
  if (mText.mAlign == kAlignCenter)
  {
    x1 = mRECT.MW() + m.L;
    x2 = mRECT.MW() + m.R;
  }
  else if (mText.mAlign == kAlignFar)
  {
    x1 = mRECT.R - w;
    x2 = mRECT.R;
  }
  // The line runs along the lower edge of the text, whatever its alignment.
  float y = mRECT.MH() + m.B;
  if (mText.mVAlign == kVAlignTop) y = mRECT.T + h;
  else if (mText.mVAlign == kVAlignBottom) y = mRECT.B;

  g.DrawLine(mText.mFGColor, x1, y, x2, y, &mBlend, 1.f);
  g.DrawText(mText, mStr.Get(), mRECT, &mBlend);
}

void IURLControl::OnMouseDown(float /*x*/, float /*y*/, const IMouseMod& /*mod*/)
{
  if (GetUI())
  {
    GetUI()->OpenURL(mURLStr.Get());
    GetUI()->ReleaseMouseCapture();
  }
  mClicked = true;
}

void IURLControl::OnMouseOver(float x, float y, const IMouseMod& mod)
{
  if (GetUI()) GetUI()->SetMouseCursor(kHandCursor);
  IControl::OnMouseOver(x, y, mod);
}

void IURLControl::OnMouseOut()
{
  if (GetUI()) GetUI()->SetMouseCursor(kArrowCursor);
  IControl::OnMouseOut();
}

} // namespace fx::gfx
