// The action and animation functions that controls install.

#include "core/IParam.h"
#include "graphics/IControl.h"
#include "graphics/IGfx.h"
#include "graphics/IVectorBase.h"

namespace fx::gfx {

namespace {

constexpr int kClickAnimationMs = 100;

void ShowBubble(IControl* caller, bool horizontal)
{
  const IParam* param = caller->GetParam(0);
  IGfx* ui = caller->GetUI();
  if (!param || !ui) return;
  FxString text;
  GetParamDisplayTextWithLabel(param, text, true);
  const IRECT& r = caller->GetRECT();
  if (horizontal) ui->ShowBubbleControl(caller, r.R, r.MH(), text.Get(), kHorizontal, IRECT(0.f, 0.f, 50.f, 30.f));
  else ui->ShowBubbleControl(caller, r.MW(), r.T, text.Get(), kVertical, IRECT(0.f, 0.f, 50.f, 30.f));
}

} // namespace

void EmptyClickActionFunc(IControl* /*caller*/) {}

void DefaultClickActionFunc(IControl* caller) { caller->SetAnimation(DefaultAnimationFunc, kClickAnimationMs); }

void SplashClickActionFunc(IControl* caller)
{
  auto* vb = dynamic_cast<IVectorBase*>(caller);
  if (vb && caller->GetUI())
  {
    float x = 0.f, y = 0.f;
    caller->GetUI()->GetLastMouseDownPoint(x, y);
    vb->SetSplashPoint(x, y);
  }
  caller->SetAnimation(SplashAnimationFunc, kClickAnimationMs);
}

void ShowBubbleHorizontalActionFunc(IControl* caller) { ShowBubble(caller, true); }

void ShowBubbleVerticalActionFunc(IControl* caller) { ShowBubble(caller, false); }

void DefaultAnimationFunc(IControl* caller)
{
  // Ends once the time has passed, whichever way the animation runs.
  if (caller->GetAnimationFunction() && caller->AnimationElapsed()) caller->OnEndAnimation();
}

void SplashAnimationFunc(IControl* caller)
{
  if (!caller->GetAnimationFunction()) return;
  if (caller->AnimationElapsed())
  {
    caller->OnEndAnimation();
    return;
  }
  if (auto* vb = dynamic_cast<IVectorBase*>(caller))
  {
    vb->SetSplashRadius(static_cast<float>(caller->GetAnimationProgress()) * vb->GetMaxSplashRadius());
  }
  caller->SetDirty(false);
}

} // namespace fx::gfx
