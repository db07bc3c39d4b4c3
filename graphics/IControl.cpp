#include "graphics/IControl.h"

#include "core/IGEditorDelegate.h"
#include "core/IParam.h"
#include "graphics/IGfx.h"
#include "graphics/IPopupMenu.h"
#include "graphics/SteadyClock.h"

#include <algorithm>
#include <cmath>

namespace fx::gfx {

namespace {

// 0..1; a value that is not a number becomes 0.
double Clamp01(double v) { return std::isnan(v) ? 0.0 : std::clamp(v, 0.0, 1.0); }

} // namespace

IControl::IControl(const IRECT& bounds, int paramIdx, IActionFunction actionFunc)
  : mRECT(bounds), mTargetRECT(bounds), mActionFunc(std::move(actionFunc))
{
  mVals.push_back({paramIdx, 0.0});
}

IControl::IControl(const IRECT& bounds, std::initializer_list<int> paramIdxs, IActionFunction actionFunc)
  : mRECT(bounds), mTargetRECT(bounds), mActionFunc(std::move(actionFunc))
{
  for (int idx : paramIdxs) mVals.push_back({idx, 0.0});
}

IControl::IControl(const IRECT& bounds, const std::vector<int>& paramIdxs, IActionFunction actionFunc)
  : mRECT(bounds), mTargetRECT(bounds), mActionFunc(std::move(actionFunc))
{
  for (int idx : paramIdxs) mVals.push_back({idx, 0.0});
}

IControl::IControl(const IRECT& bounds, IActionFunction actionFunc)
  : mRECT(bounds), mTargetRECT(bounds), mActionFunc(std::move(actionFunc))
{
  mVals.push_back({-1, 0.0});
}

IControl::~IControl() = default;

void IControl::OnMouseDown(float x, float y, const IMouseMod& mod)
{
  if (mod.R) PromptUserInput(GetValIdxForPos(x, y));
}

void IControl::OnMouseDblClick(float x, float y, const IMouseMod& /*mod*/) { SetValueToDefault(GetValIdxForPos(x, y)); }

void IControl::OnMouseOver(float /*x*/, float /*y*/, const IMouseMod& /*mod*/)
{
  const bool wasOver = mMouseIsOver;
  mMouseIsOver = true;
  if (!wasOver) SetDirty(false);
}

void IControl::OnMouseOut()
{
  const bool wasOver = mMouseIsOver;
  mMouseIsOver = false;
  if (wasOver) SetDirty(false);
}

bool IControl::OnGesture(const IGestureInfo& info)
{
  auto it = mGestureFuncs.find(info.type);
  if (it == mGestureFuncs.end()) return false;
  mLastGesture = info.type;
  IGestureFunc func = it->second;
  func(this, info);
  return true;
}

double IControl::NormalizedFromParam(const IParam& param, double value)
{
  double lo = 0.0, hi = 1.0;
  param.GetBounds(lo, hi);
  const double step = param.GetStep();
  // Steps count from the minimum, so stepped values stay on the parameter's own grid.
  if (param.GetStepped() && std::isfinite(step) && step > 0.0) value = lo + std::round((value - lo) / step) * step;
  value = std::clamp(value, lo, hi);
  return Clamp01(param.ToNormalized(value));
}

void IControl::OnPopupMenuSelection(IPopupMenu* menu, int valIdx)
{
  if (!menu || !ValidValIdx(valIdx) || GetParamIdx(valIdx) < 0 || mDisablePrompt) return;
  const IParam* param = GetParam(valIdx);
  if (!param) return;
  SetValueFromUserInput(NormalizedFromParam(*param, static_cast<double>(menu->GetChosenItemIdx())), valIdx);
}

void IControl::DrawHighlightMarker(IGfx& g)
{
  if (mShowHighlightMarker) g.FillCircle(mHighlightColor, mTargetRECT.R - 5.f, mTargetRECT.T + 5.f, 2.f);
}

void IControl::SetParamIdx(int paramIdx, int valIdx)
{
  if (ValidValIdx(valIdx)) mVals[static_cast<size_t>(valIdx)].idx = paramIdx;
}

int IControl::GetValIdxForPos(float /*x*/, float /*y*/) const { return NVals() == 1 ? 0 : -1; }

void IControl::SetValueFromDelegate(double value, int valIdx)
{
  // A control the user holds is not moved by the echo of its own changes.
  if (mGraphics && mGraphics->ControlIsCaptured(this)) return;
  if (!ValidValIdx(valIdx) || std::isnan(value)) return;
  if (value != GetValue(valIdx))
  {
    SetValue(value, valIdx);
    SetDirty(false, -1);
  }
}

void IControl::SetValueFromUserInput(double value, int valIdx)
{
  if (!ValidValIdx(valIdx) || std::isnan(value)) return;
  if (value != GetValue(valIdx))
  {
    SetValue(value, valIdx);
    SetDirty(true, valIdx);
  }
}

void IControl::SetValueToDefault(int valIdx)
{
  if (NVals() == 1) valIdx = 0;
  for (int i = 0; i < NVals(); ++i)
  {
    if (valIdx >= 0 && i != valIdx) continue;
    if (const IParam* param = GetParam(i)) SetValue(NormalizedFromParam(*param, param->GetDefault()), i);
  }
  SetDirty(true, valIdx);
}

void IControl::SetValue(double value, int valIdx)
{
  if (valIdx < 0)
  {
    for (IControlValue& v : mVals) v.value = value;
  }
  else if (ValidValIdx(valIdx))
  {
    mVals[static_cast<size_t>(valIdx)].value = value;
  }
}

void IControl::SetPosition(float x, float y)
{
  x = std::max(0.f, x);
  y = std::max(0.f, y);
  const float dx = x - mRECT.L;
  const float dy = y - mRECT.T;
  mRECT = IRECT(x, y, x + mRECT.W(), y + mRECT.H());
  mMouseIsOver = false;
  OnResize();
  mTargetRECT = IRECT(mTargetRECT.L + dx, mTargetRECT.T + dy, mTargetRECT.R + dx, mTargetRECT.B + dy);
  mMouseIsOver = false;
}

void IControl::SetSize(float width, float height)
{
  mRECT.R = mRECT.L + std::max(0.f, width);
  mRECT.B = mRECT.T + std::max(0.f, height);
  mTargetRECT = mRECT;
  mMouseIsOver = false;
  OnResize();
}

void IControl::Hide(bool hide)
{
  mHide = hide;
  SetDirty(false);
}

void IControl::SetDisabled(bool disable)
{
  mBlend.mWeight = disable ? 0.25f : 1.f;
  mDisabled = disable;
  SetDirty(false);
}

bool IControl::IsHit(float x, float y) const { return mTargetRECT.Contains(x, y); }

void IControl::SetDirty(bool triggerAction, int valIdx)
{
  if (NVals() == 1) valIdx = 0;
  if (valIdx >= NVals())
  {
    // No such slot: only a redraw.
    mDirty = true;
    return;
  }
  const int first = valIdx < 0 ? 0 : valIdx;
  const int last = valIdx < 0 ? NVals() - 1 : valIdx;

  for (int i = first; i <= last; ++i) SetValue(Clamp01(GetValue(i)), i);
  mDirty = true;

  if (!triggerAction) return;
  for (int i = first; i <= last; ++i)
  {
    const int paramIdx = GetParamIdx(i);
    if (paramIdx < 0) continue;
    if (mDelegate) mDelegate->SendParameterValueFromUI(paramIdx, GetValue(i), true);
    if (mGraphics) mGraphics->UpdatePeers(this, i);
  }
  if (mActionFunc)
  {
    IActionFunction func = mActionFunc;
    func(this);
  }
}

void IControl::SnapToMouse(float x, float y, EDirection direction, const IRECT& bounds, int valIdx, double lo,
                           double hi)
{
  const bool horizontal = direction == kHorizontal;
  const float extent = horizontal ? bounds.W() : bounds.H();
  if (!(extent > 0.f) || std::isnan(horizontal ? x : y)) return;

  x = std::clamp(x, bounds.L, bounds.R);
  y = std::clamp(y, bounds.T, bounds.B);
  const double f = horizontal ? (x - bounds.L) / extent : 1.0 - (y - bounds.T) / extent;
  const double v = std::clamp(std::round(f / 0.001) * 0.001, lo, hi);

  SetValue(v, valIdx < 0 ? -1 : valIdx);
  SetDirty(true, valIdx);
}

void IControl::OnEndAnimation()
{
  mAnimationFunc = nullptr;
  SetDirty(false);
  if (mAnimationEndActionFunc)
  {
    IActionFunction func = mAnimationEndActionFunc;
    func(this);
  }
}

int IControl::GetParamIdx(int valIdx) const { return ValidValIdx(valIdx) ? mVals[static_cast<size_t>(valIdx)].idx : -1; }

int IControl::GetValIdxForParam(int paramIdx) const
{
  for (int i = 0; i < NVals(); ++i)
    if (mVals[static_cast<size_t>(i)].idx == paramIdx) return i;
  return -1;
}

double IControl::GetValue(int valIdx) const { return ValidValIdx(valIdx) ? mVals[static_cast<size_t>(valIdx)].value : 0.0; }

const IParam* IControl::GetParam(int valIdx) const
{
  const int paramIdx = GetParamIdx(valIdx);
  return (paramIdx >= 0 && mDelegate) ? mDelegate->GetParam(paramIdx) : nullptr;
}

void IControl::PromptUserInput(int valIdx)
{
  if (!ValidValIdx(valIdx) || GetParamIdx(valIdx) < 0 || mDisablePrompt || !mGraphics) return;
  const IParam* param = GetParam(valIdx);
  if (!param) return;

  if (param->GetNumDisplayTexts() > 0)
  {
    mGraphics->PromptUserInput(*this, mRECT, valIdx);
  }
  else
  {
    const float cx = mRECT.MW(), cy = mRECT.MH();
    mGraphics->PromptUserInput(*this, IRECT(cx - 20.f, cy - 8.f, cx + 20.f, cy + 8.f), valIdx);
  }
  SetDirty(false);
}

void IControl::PromptUserInput(const IRECT& bounds, int valIdx)
{
  if (!ValidValIdx(valIdx) || GetParamIdx(valIdx) < 0 || mDisablePrompt || !mGraphics || !GetParam(valIdx)) return;
  mGraphics->PromptUserInput(*this, bounds, valIdx);
}

void IControl::SetHighlightMarker(bool show, int colorIdx)
{
  switch (colorIdx)
  {
    case 0: mHighlightColor = kColorRed; break;
    case 1: mHighlightColor = kColorBlue; break;
    case 2: mHighlightColor = kColorGreen; break;
    case 3: mHighlightColor = kColorYellow; break;
    default: break;
  }
  mShowHighlightMarker = show;
  SetDirty(false);
}

double IControl::NowMs() const { return mGraphics ? mGraphics->NowMs() : SteadyClockMs(); }

void IControl::Animate()
{
  if (!mAnimationFunc) return;
  IActionFunction func = mAnimationFunc;
  func(this);
}

void IControl::StartAnimation(int durationMs, bool forward)
{
  mAnimationStartTime = NowMs();
  mAnimationDuration = durationMs;
  mAnimationForward = forward;
}

double IControl::GetAnimationProgress() const
{
  if (!mAnimationFunc) return 0.0;
  // A duration of 0 or less is complete at once (no division by zero).
  const double p = mAnimationDuration > 0.0 ? (NowMs() - mAnimationStartTime) / mAnimationDuration : 1.0;
  return mAnimationForward ? p : 1.0 - p;
}

bool IControl::AnimationElapsed() const
{
  return mAnimationDuration <= 0.0 || NowMs() - mAnimationStartTime > mAnimationDuration;
}

IControl* IControl::AttachGestureRecognizer(EGestureType type, IGestureFunc func)
{
  mGestureFuncs.emplace(static_cast<int>(type), std::move(func));
  if (mGraphics) mGraphics->AttachGestureRecognizer(type);
  return this;
}

void GetParamDisplayTextWithLabel(const IParam* param, FxString& out, bool withDisplayText)
{
  out.Clear();
  if (!param) return;
  param->GetDisplay(out, withDisplayText);
  const char* label = param->GetLabel();
  if (label && *label)
  {
    out.Append(" ");
    out.Append(label);
  }
}

} // namespace fx::gfx
