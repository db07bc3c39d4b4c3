#include "plugin/editor/IBKnobMultiControlBV.h"

#include "core/FxString.h"
#include "core/IParam.h"
#include "graphics/IGfx.h"
#include "plugin/editor/EditorControlSupport.h"

#include <algorithm>
#include <cmath>

using namespace fx::gfx;

namespace {

// The parameter can be moved a whole step at a time.
bool HasUsableStep(const fx::IParam* p) { return p && p->GetStepped() && p->GetStep() > 0.0 && p->GetRange() > 0.0; }

} // namespace

IBKnobMultiControlBV::IBKnobMultiControlBV(int x, int y, int paramIdx, const IBitmap& bitmap, const IText& text,
                                           const IColor& valueBoxColour, int valueChars, EDirection direction,
                                           bool disablePrompt, bool showOnHover, bool appendLabel,
                                           int valueBoxPosition, bool alwaysShow, bool drawBoxBackground,
                                           double gearing, float valueBoxExtraBottom)
  : IBKnobControl(static_cast<float>(x), static_cast<float>(y), bitmap, paramIdx, direction, gearing),
    mAppendLabel(appendLabel), mShowOnHover(showOnHover), mAlwaysShow(alwaysShow),
    mDrawBoxBackground(drawBoxBackground), mValueBoxColour(valueBoxColour), mValueBoxPosition(valueBoxPosition),
    mValueBoxTemplate(static_cast<size_t>(std::max(valueChars, 0)), '0'), mValueBoxExtraBottom(valueBoxExtraBottom)
{
  mText = text;
  mTextEntryLength = valueChars;
  mDisablePrompt = disablePrompt;
}

void IBKnobMultiControlBV::OnMouseDown(float x, float y, const IMouseMod& mod)
{
  mMod = mod;
  mMouseDown = true;
  mMouseDragValue = GetValue();
  if (mHideCursorOnDrag && GetUI()) GetUI()->HideMouseCursor(true, true);
  if (mod.C) SetValueToDefault(GetValIdxForPos(x, y));
}

void IBKnobMultiControlBV::OnMouseUp(float /*x*/, float /*y*/, const IMouseMod& /*mod*/)
{
  mMod = IMouseMod();
  mMouseDown = false;
  if (mHideCursorOnDrag && GetUI()) GetUI()->HideMouseCursor(false, true);
}

void IBKnobMultiControlBV::OnMouseDrag(float /*x*/, float /*y*/, float dX, float dY, const IMouseMod& mod)
{
  mMod = mod;
  if (mod.C) return;
  const double gearing = mGearing * (mod.S ? 10.0 : 1.0);
  const IRECT r = GetKnobDragBounds();
  // Upward movement increases a vertical knob, downward one of direction 2, rightward any other.
  double extent = r.R - r.L, delta = dX;
  if (mDirection == kVertical || mDirection == 2)
  {
    extent = r.T - r.B;
    delta = mDirection == kVertical ? dY : -dY;
  }
  // A knob without extent (a missing bitmap) or a delta that is no number moves nothing.
  if (extent == 0.0 || !std::isfinite(delta) || !std::isfinite(extent) || !(gearing > 0.0)) return;
  mMouseDragValue = std::clamp(mMouseDragValue + delta / extent / gearing, 0.0, 1.0);

  double v = mMouseDragValue;
  const fx::IParam* p = GetParam();
  if (HasUsableStep(p))
  {
    // Whole steps toward zero; a value a rounding error short of a step counts as that step.
    const double steps = (v * p->GetRange() + p->GetMin()) / p->GetStep();
    const double real = std::trunc(steps + std::copysign(1e-9, steps)) * p->GetStep();
    v = (real - p->GetMin()) / p->GetRange();
  }
  SetValue(v);
  SetDirty(true);
}

void IBKnobMultiControlBV::OnMouseDblClick(float x, float y, const IMouseMod& mod)
{
  mMod = mod;
  if (mDisablePrompt || !GetUI()) return;
  mPromptMouseOverIdx = GetUI()->GetMouseOverIdx();
  IRECT box = GetValueBoxRect();
  if (mText.mAlign == kAlignFar) box.B += mValueBoxExtraBottom;
  GetUI()->PromptUserInput(*this, box, GetValIdxForPos(x, y));
}

void IBKnobMultiControlBV::OnMouseWheel(float /*x*/, float /*y*/, const IMouseMod& mod, float d)
{
  mMod = mod;
  if (!std::isfinite(d)) return;
  const double s = mod.C ? 0.1 : mod.S ? 0.001 : 0.01;
  double v = GetValue() + d * s;
  const fx::IParam* p = GetParam();
  if (HasUsableStep(p) && d != 0.f)
  {
    double real = GetValue() * p->GetRange() + p->GetMin() + (d > 0.f ? p->GetStep() : -p->GetStep());
    real = std::clamp(real, p->GetMin(), p->GetMax());
    const double k = std::pow(10.0, std::log10(1.0 / p->GetStep()));
    real = std::round(real * k) / k;
    v = (real - p->GetMin()) / p->GetRange();
  }
  SetValue(v);
  SetDirty(true);
  mMod = IMouseMod();
}

void IBKnobMultiControlBV::OnMouseOver(float /*x*/, float /*y*/, const IMouseMod& mod)
{
  mMod = mod;
  mMouseOver = true;
  SetDirty(false);
}

void IBKnobMultiControlBV::OnMouseOut()
{
  mMouseOver = false;
  SetDirty(false);
}

void IBKnobMultiControlBV::SetValueFromUserInput(double value, int valIdx)
{
  IGfx* ui = GetUI();
  if (!ui)
  {
    IControl::SetValueFromUserInput(value, valIdx);
    return;
  }
  const int saved = ui->GetMouseOverIdx();
  ui->SetMouseOverIdx(mPromptMouseOverIdx);
  IControl::SetValueFromUserInput(value, valIdx);
  ui->SetMouseOverIdx(saved);
}

IRECT IBKnobMultiControlBV::GetValueBoxRect() const
{
  IRECT measured;
  if (GetUI()) GetUI()->MeasureText(mText, mValueBoxTemplate.c_str(), measured);
  const float w = measured.W() / 2.f, h = measured.H() / 2.f, c = mRECT.MW();
  switch (mValueBoxPosition)
  {
    case 0: return IRECT(c - w, mRECT.T, c + w, mRECT.T + 2.f * h);
    case 1: return IRECT(c - w, mRECT.MH() - h, c + w, mRECT.MH() + h);
    case 2: return IRECT(c - w, mRECT.B - 2.f * h, c + w, mRECT.B);
    default: return IRECT(c - w, measured.T, c + w, measured.B);
  }
}

void IBKnobMultiControlBV::Draw(IGfx& g)
{
  DrawBitmap(g);
  if (!((mMouseOver && mShowOnHover) || mAlwaysShow)) return;
  const fx::IParam* p = GetParam();
  if (!p) return;
  fx::FxString text;
  p->GetDisplay(text, true);
  std::string shown = text.Get();
  if (mAppendLabel && p->GetLabel() && *p->GetLabel()) shown += std::string(" ") + p->GetLabel();

  IText style = mText;
  if (IsDisabled()) style.mFGColor.A /= 2;
  IRECT box = GetValueBoxRect();
  if (mDrawBoxBackground) g.FillRect(mValueBoxColour, box);
  if (style.mAlign == kAlignFar) box.B += mValueBoxExtraBottom;
  g.DrawText(style, shown.c_str(), box);
}
