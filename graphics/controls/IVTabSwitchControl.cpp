#include "graphics/controls/IVTabSwitchControl.h"

#include "core/IParam.h"
#include "graphics/IGfx.h"
#include "graphics/controls/IVControlSupport.h"

#include <algorithm>
#include <cmath>

namespace fx::gfx {

IVTabSwitchControl::IVTabSwitchControl(const IRECT& bounds, int paramIdx, const std::vector<const char*>& labels,
                                       const char* label, const IVStyle& style, EVShape shape, EDirection direction)
  : ISwitchControlBase(bounds, paramIdx, SplashClickActionFunc, static_cast<int>(labels.size())), IVectorBase(style),
    mDirection(direction)
{
  AttachIControl(this);
  mText = style.valueText;
  mStyle.valueText.mAlign = mText.mAlign = kAlignCenter;
  mStyle.valueText.mVAlign = mText.mVAlign = kVAlignMiddle;
  mShape = shape;
  SetLabelStr(label);
  SetTabLabels(labels);
}

IVTabSwitchControl::IVTabSwitchControl(const IRECT& bounds, IActionFunction action,
                                       const std::vector<const char*>& labels, const char* label, const IVStyle& style,
                                       EVShape shape, EDirection direction)
  : IVTabSwitchControl(bounds, -1, labels, label, style, shape, direction)
{
  SetActionFunction(std::move(action));
}

void IVTabSwitchControl::SetTabLabels(const std::vector<const char*>& labels)
{
  mTabLabels.clear();
  for (const char* text : labels) mTabLabels.emplace_back(text ? text : "");
}

const char* IVTabSwitchControl::TabLabel(int i) const
{
  return i >= 0 && i < static_cast<int>(mTabLabels.size()) ? mTabLabels[static_cast<size_t>(i)].Get() : nullptr;
}

int IVTabSwitchControl::GetSelectedIdx() const
{
  return static_cast<int>(std::lround(GetValue() * std::max(0, mNumStates - 1)));
}

const char* IVTabSwitchControl::GetSelectedLabel() const
{
  const char* text = TabLabel(GetSelectedIdx());
  return text ? text : "";
}

void IVTabSwitchControl::Draw(IGfx& g)
{
  DrawBackground(g, mRECT);
  DrawLabel(g);
  DrawWidget(g);
}

void IVTabSwitchControl::DrawWidget(IGfx& g)
{
  const int selected = GetSelectedIdx();
  const int n = std::min(mNumStates, NTabs());
  for (int i = 0; i < n; ++i)
  {
    const ETabPosition position = i == mNumStates - 1 ? kTabLast : (i == 0 ? kTabFirst : kTabMiddle);
    const IRECT& r = GetTabRect(i);
    DrawButton(g, r, i == selected, i == mMouseOverIdx, position, IsDisabled() || GetStateDisabled(i));
    if (const char* text = TabLabel(i)) g.DrawText(mStyle.valueText, text, r, &mBlend);
  }
}

void IVTabSwitchControl::DrawButton(IGfx& g, const IRECT& bounds, bool pressed, bool mouseOver, ETabPosition position,
                                    bool disabled)
{
  const bool first = position == kTabFirst, last = position == kTabLast;
  const bool horizontal = mDirection == kHorizontal;
  switch (mShape)
  {
    case kVShapeRoundedEnds:
      if (horizontal) DrawPressableRectangle(g, bounds, pressed, mouseOver, disabled, first, last, false, false);
      else DrawPressableRectangle(g, bounds, pressed, mouseOver, disabled, false, first, false, last);
      break;
    case kVShapeRoundedAll:
      if (horizontal) DrawPressableRectangle(g, bounds, pressed, mouseOver, disabled, true, true, false, false);
      else DrawPressableRectangle(g, bounds, pressed, mouseOver, disabled, false, true, false, true);
      break;
    default: DrawPressableShape(g, mShape, bounds, pressed, mouseOver, disabled); break;
  }
}

int IVTabSwitchControl::GetTabIndexForPos(float x, float y) const
{
  for (int i = 0; i < NTabs(); ++i)
    if (GetTabRect(i).Contains(x, y)) return i;
  return -1;
}

void IVTabSwitchControl::OnInit()
{
  ISwitchControlBase::OnInit();
  const IParam* param = GetParam(0);
  if (mTabLabels.empty() && param)
  {
    for (int i = 0; i < mNumStates; ++i) mTabLabels.emplace_back(param->GetDisplayText(static_cast<double>(i)));
  }
  LabelFromParam(*this, *this);
}

void IVTabSwitchControl::OnResize()
{
  const IRECT area = IVectorBaseLayout(mRECT, false);
  SetTargetRECT(area);
  mTabRects.clear();
  const int n = std::max(0, mNumStates);
  const IRECT& w = mWidgetBounds;
  for (int i = 0; i < n; ++i)
  {
    if (mDirection == kVertical)
    {
      const float h = w.H() / n;
      mTabRects.emplace_back(w.L, w.T + i * h, w.R, w.T + (i + 1) * h);
    }
    else
    {
      const float cw = w.W() / n;
      mTabRects.emplace_back(w.L + i * cw, w.T, w.L + (i + 1) * cw, w.B);
    }
  }
  SetDirty(false);
}

void IVTabSwitchControl::OnMouseDown(float x, float y, const IMouseMod& /*mod*/)
{
  const int i = GetTabIndexForPos(x, y);
  // A single tab is state 0 (there is no step between states to divide by).
  if (i >= 0) SetValue(mNumStates > 1 ? static_cast<double>(i) / (mNumStates - 1) : 0.0);
  SetDirty(true);
}

void IVTabSwitchControl::OnMouseOver(float x, float y, const IMouseMod& mod)
{
  mMouseOverIdx = GetTabIndexForPos(x, y);
  ISwitchControlBase::OnMouseOver(x, y, mod);
  SetDirty(false);
}

void IVTabSwitchControl::OnMouseOut()
{
  mMouseOverIdx = -1;
  ISwitchControlBase::OnMouseOut();
  SetDirty(false);
}

IVRadioButtonControl::IVRadioButtonControl(const IRECT& bounds, int paramIdx, const std::vector<const char*>& labels,
                                           const char* label, const IVStyle& style, EVShape shape,
                                           EDirection direction, float buttonSize)
  : IVTabSwitchControl(bounds, paramIdx, labels, label, style, shape, direction), mButtonSize(buttonSize),
    mLabelOffset(3.f * buttonSize)
{
  mStyle.valueText.mAlign = mText.mAlign = kAlignNear;
  mStyle.valueText.mVAlign = mText.mVAlign = kVAlignMiddle;
}

IVRadioButtonControl::IVRadioButtonControl(const IRECT& bounds, IActionFunction action,
                                           const std::vector<const char*>& labels, const char* label,
                                           const IVStyle& style, EVShape shape, EDirection direction, float buttonSize)
  : IVRadioButtonControl(bounds, -1, labels, label, style, shape, direction, buttonSize)
{
  SetActionFunction(std::move(action));
}

void IVRadioButtonControl::DrawWidget(IGfx& g)
{
  const int selected = GetSelectedIdx();
  const int n = std::min(mNumStates, NTabs());
  const float side = std::max(1.f, mButtonSize);
  for (int i = 0; i < n; ++i)
  {
    const IRECT& r = GetTabRect(i);
    const float cx = r.L + mLabelOffset / 2.f, cy = r.MH();
    const IRECT button(cx - side / 2.f, cy - side / 2.f, cx + side / 2.f, cy + side / 2.f);
    DrawButton(g, button, i == selected, i == mMouseOverIdx, kTabMiddle, IsDisabled() || GetStateDisabled(i));
    if (const char* text = TabLabel(i))
    {
      IText style = mStyle.valueText;
      style.mFGColor = GetColor(i == selected ? kPressed : kExtra1);
      g.DrawText(style, text, IRECT(r.L + mLabelOffset, r.T, r.R, r.B), &mBlend);
    }
  }
}

int IVRadioButtonControl::GetTabIndexForPos(float x, float y) const
{
  if (!mOnlyButtonsRespondToMouse) return IVTabSwitchControl::GetTabIndexForPos(x, y);
  for (int i = 0; i < NTabs(); ++i)
  {
    const IRECT& r = GetTabRect(i);
    if (IRECT(r.L, r.T, r.L + mLabelOffset, r.B).Contains(x, y)) return i;
  }
  return -1;
}

} // namespace fx::gfx
