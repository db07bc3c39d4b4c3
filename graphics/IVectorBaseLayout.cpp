// The layout step of the vector controls: label strip on top, value strip above, over or below
// the widget, and the widget itself.

#include "graphics/IControl.h"
#include "graphics/IGfx.h"
#include "graphics/IVectorBase.h"

#include <algorithm>

namespace fx::gfx {

IRECT IVectorBase::IVectorBaseLayout(const IRECT& parent, bool hasHandle)
{
  IGfx* ui = mControl ? mControl->GetUI() : nullptr;
  auto measure = [ui](const IText& text, const char* str) {
    IRECT r;
    if (ui) ui->MeasureText(text, str, r);
    return r;
  };
  const float frac = mStyle.widgetFraction;
  IRECT area = parent;

  if (!mLabelInWidget)
  {
    if (mStyle.showLabel && !mLabelStr.Empty())
    {
      const IRECT m = measure(mStyle.labelText, mLabelStr.Get());
      const float w = std::max(m.W(), 1.f);
      const float h = m.H() > 0.f ? m.H() : w;
      const float cx = parent.MW(), cy = parent.T + m.H() / 2.f;
      mLabelBounds = IRECT(cx - w / 2.f, cy - h / 2.f, cx + w / 2.f, cy + h / 2.f);
    }
    else
    {
      mLabelBounds = IRECT();
    }
    if (mLabelBounds.H() != 0.f) area.T += mLabelBounds.H();
  }

  const float cx = area.MW(), cy = area.MH();
  if (!mStyle.showValue || mValueInWidget)
  {
    mWidgetBounds = area.GetScaledAboutCentre(frac);
  }
  else
  {
    const IRECT m = mValueStr.Empty() ? IRECT() : measure(mStyle.valueText, mValueStr.Get());
    const float hw = m.W() * mValueDisplayFrac, vh = m.H();
    switch (mStyle.valueText.mVAlign)
    {
      case kVAlignTop:
        mValueBounds = IRECT(cx - hw, area.T, cx + hw, area.T + vh);
        mWidgetBounds = IRECT(area.L, area.T + vh, area.R, area.B).GetScaledAboutCentre(frac);
        break;
      case kVAlignMiddle:
        mValueBounds = IRECT(cx - hw, cy - vh / 2.f, cx + hw, cy + vh / 2.f);
        mWidgetBounds = area.GetScaledAboutCentre(frac);
        break;
      case kVAlignBottom:
        mValueBounds = IRECT(cx - hw, area.B - vh, cx + hw, area.B);
        mWidgetBounds = IRECT(area.L, area.T, area.R, area.B - vh).GetScaledAboutCentre(frac);
        break;
      default: break;
    }
  }

  if (hasHandle) mWidgetBounds = GetPressableFaceBounds(area).GetScaledAboutCentre(frac);
  if (mLabelInWidget) mLabelBounds = mWidgetBounds;
  if (mValueInWidget) mValueBounds = mWidgetBounds;
  return area;
}

} // namespace fx::gfx
