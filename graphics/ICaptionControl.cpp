#include "graphics/ICaptionControl.h"

#include "core/IParam.h"
#include "graphics/IGfx.h"

namespace fx::gfx {

ICaptionControl::ICaptionControl(const IRECT& bounds, int paramIdx, const IText& text, const IColor& bgColor,
                                 bool showParamLabel)
  : ITextControl(bounds, "", text, bgColor), mShowParamLabel(showParamLabel)
{
  SetParamIdx(paramIdx, 0);
  mDisablePrompt = false;
  mIgnoreMouse = false;
  mDblAsSingleClick = true;
}

void ICaptionControl::Draw(IGfx& g)
{
  if (const IParam* param = GetParam(0))
  {
    param->GetDisplay(mStr, true);
    if (mShowParamLabel)
    {
      mStr.Append(" ");
      mStr.Append(param->GetLabel());
    }
  }
  ITextControl::Draw(g);

  if (mTri.W() > 0.f)
  {
    const IBlend half(kBlendDefault, 0.5f);
    g.FillTriangle(mMouseIsOver ? mTriangleMouseOverColor : mTriangleColor, mTri.L, mTri.T, mTri.R, mTri.T,
                   mTri.MW(), mTri.B, mMouseIsOver ? nullptr : &half);
  }
}

void ICaptionControl::OnMouseDown(float /*x*/, float /*y*/, const IMouseMod& mod)
{
  if ((mod.L || mod.R) && GetParam(0) && !mDisablePrompt && GetUI()) GetUI()->PromptUserInput(*this, mRECT, 0);
}

void ICaptionControl::OnResize()
{
  const IParam* param = GetParam(0);
  if (param && param->Type() == kTypeEnum)
  {
    const float x0 = mRECT.R - 0.2f * mRECT.W();
    const float cx = (x0 + mRECT.R) / 2.f, cy = mRECT.MH();
    mTri = IRECT(cx - 4.f, cy - 2.5f, cx + 4.f, cy + 2.5f);
  }
  else
  {
    mTri = IRECT();
  }
}

} // namespace fx::gfx
