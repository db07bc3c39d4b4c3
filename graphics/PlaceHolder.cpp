#include "graphics/PlaceHolder.h"

#include "graphics/IGfx.h"

namespace fx::gfx {

namespace {

constexpr int kMaxLabelLength = 32;

} // namespace

PlaceHolder::PlaceHolder(const IRECT& bounds, const char* str)
  : ITextControl(bounds, str, IText(20.f, kColorBlack), kColorWhite)
{
  mDisablePrompt = false;
  mIgnoreMouse = false;
}

void PlaceHolder::DrawLabel(IGfx& g, const IText& text, const char* str, float x, float y, float opacity)
{
  IRECT r;
  g.MeasureText(text, str, r);
  r = IRECT(r.L + x, r.T + y, r.R + x, r.B + y);
  const IBlend blend(kBlendDefault, opacity);
  g.FillRect(kColorWhite, r, &blend);
  g.DrawText(text, str, x, y);
}

void PlaceHolder::Draw(IGfx& g)
{
  g.FillRect(kColorWhite, mRECT);
  const IBlend half(kBlendDefault, 0.5f);
  g.DrawLine(kColorRed, mRECT.L, mRECT.T, mRECT.R, mRECT.B, &half, 2.f);
  g.DrawLine(kColorRed, mRECT.L, mRECT.B, mRECT.R, mRECT.T, &half, 2.f);

  DrawLabel(g, mHeightText, mHeightStr.Get(), mRECT.L + 10.f, mRECT.MH(), 0.5f);
  DrawLabel(g, mWidthText, mWidthStr.Get(), mRECT.MW(), mRECT.T + 10.f, 0.75f);
  DrawLabel(g, mTLHCText, mTLGCStr.Get(), mRECT.L + 10.f, mRECT.T + 10.f, 0.5f);

  if (!mStr.Empty())
  {
    IRECT r = mRECT;
    g.MeasureText(mText, mStr.Get(), r);
    const IBlend threeQuarters(kBlendDefault, 0.75f);
    g.FillRect(kColorWhite, r, &threeQuarters);
    g.DrawText(mText, mStr.Get(), r);
    mCentreLabelBounds = r;
  }
}

void PlaceHolder::OnResize()
{
  mTLGCStr.SetFormatted(kMaxLabelLength, "%0.1f, %0.1f", mRECT.L, mRECT.T);
  mWidthStr.SetFormatted(kMaxLabelLength, "%0.1f", mRECT.W());
  mHeightStr.SetFormatted(kMaxLabelLength, "%0.1f", mRECT.H());
}

void PlaceHolder::OnMouseDblClick(float /*x*/, float /*y*/, const IMouseMod& /*mod*/)
{
  if (GetUI()) GetUI()->CreateTextEntryForControl(*this, mText, mRECT, mStr.Get(), 0);
}

void PlaceHolder::OnTextEntryCompletion(const char* str, int /*valIdx*/) { SetStr(str); }

} // namespace fx::gfx
