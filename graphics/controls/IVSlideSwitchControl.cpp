#include "graphics/controls/IVSlideSwitchControl.h"

#include "graphics/IGfx.h"

#include <algorithm>
#include <cmath>

namespace fx::gfx {

namespace {

constexpr int kGlideMs = 100;

void SlideClickActionFunc(IControl* caller)
{
  caller->SetAnimation([](IControl* c) { static_cast<IVSlideSwitchControl*>(c)->OnAnimationStep(); }, kGlideMs);
}

} // namespace

IVSlideSwitchControl::IVSlideSwitchControl(const IRECT& bounds, int paramIdx, const char* label, const IVStyle& style,
                                           bool valueInButton, EDirection direction)
  : IVSwitchControl(bounds, paramIdx, label, style, valueInButton), mDirection(direction)
{
  SetActionFunction(SlideClickActionFunc);
}

IVSlideSwitchControl::IVSlideSwitchControl(const IRECT& bounds, IActionFunction action, const char* label,
                                           const IVStyle& style, bool valueInButton, EDirection direction,
                                           int numStates, int initialState)
  : IVSwitchControl(bounds, nullptr, label, style, numStates, valueInButton), mDirection(direction)
{
  // The state number as a value: state i of n lies at i / (n - 1).
  const double v = numStates > 1 ? static_cast<double>(initialState) / (numStates - 1) : 0.0;
  SetValue(std::clamp(v, 0.0, 1.0));
  SetActionFunction(SlideClickActionFunc);
  SetAnimationEndActionFunction(std::move(action));
}

void IVSlideSwitchControl::Draw(IGfx& g)
{
  DrawBackground(g, mRECT);
  DrawWidget(g);
  DrawLabel(g);
  if (!GetAnimating()) DrawValue(g, false);
}

void IVSlideSwitchControl::DrawWidget(IGfx& g)
{
  DrawTrack(g, mWidgetBounds);
  DrawPressableShape(g, mShape, mHandleBounds, mMouseDown, mMouseIsOver, IsDisabled());
}

void IVSlideSwitchControl::DrawTrack(IGfx& g, const IRECT& bounds)
{
  const float radius = std::min(bounds.W(), bounds.H()) / 2.f * mStyle.roundness;
  g.FillRoundRect(GetColor(kShadow), bounds, radius);
}

void IVSlideSwitchControl::OnResize()
{
  IVSwitchControl::OnResize();
  UpdateRects();
}

void IVSlideSwitchControl::UpdateRects()
{
  const int n = std::max(1, mNumStates);
  const int current = static_cast<int>(std::lround((n - 1) * GetValue()));
  const int next = (current + 1) % n;
  const IRECT& w = mWidgetBounds;
  auto slot = [&](int i) {
    if (mDirection == kHorizontal)
    {
      const float sw = w.W() / n;
      return IRECT(w.L + i * sw, w.T, w.L + (i + 1) * sw, w.B);
    }
    const float sh = w.H() / n;
    return IRECT(w.L, w.T + i * sh, w.R, w.T + (i + 1) * sh);
  };
  mStartRect = slot(current);
  mEndRect = slot(next);
  mHandleBounds = mStartRect;
  if (mValueInWidget) mValueBounds = mHandleBounds;
}

void IVSlideSwitchControl::OnAnimationStep()
{
  const float p = static_cast<float>(GetAnimationProgress());
  auto lerp = [p](float a, float b) { return a + (b - a) * p; };
  mHandleBounds = IRECT(lerp(mStartRect.L, mEndRect.L), lerp(mStartRect.T, mEndRect.T), lerp(mStartRect.R, mEndRect.R),
                        lerp(mStartRect.B, mEndRect.B));
  if (mValueInWidget) mValueBounds = mHandleBounds;
  if (p > 1.f) OnEndAnimation();
}

void IVSlideSwitchControl::OnEndAnimation()
{
  UpdateRects();
  IVSwitchControl::OnEndAnimation();
}

void IVSlideSwitchControl::SetDirty(bool triggerAction, int valIdx)
{
  IVSwitchControl::SetDirty(triggerAction, valIdx);
  if (!GetAnimating()) UpdateRects();
}

} // namespace fx::gfx
