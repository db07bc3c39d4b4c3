#include "graphics/IBubbleControl.h"

#include "graphics/IGfx.h"

namespace fx::gfx {

namespace {

constexpr int kFadeMs = 200;
constexpr int kHoldMs = 1000;

} // namespace

IBubbleControl::IBubbleControl(const IText& text, const IColor& fillColor, const IColor& strokeColor,
                               float roundness)
  : mRoundness(roundness), mFillColor(fillColor), mStrokeColor(strokeColor)
{
  mText = text;
  mBlend = IBlend(kBlendDefault, 0.f);
  mHide = true;
  mIgnoreMouse = true;
  auto step = [](IControl* c) { static_cast<IBubbleControl*>(c)->Step(); };
  // A commit (SetDirty(true)) starts a fade period; the end of the fade-in starts the hold.
  SetActionFunction([step](IControl* c) { c->SetAnimation(step, kFadeMs); });
  SetAnimationEndActionFunction([step](IControl* c) {
    if (static_cast<IBubbleControl*>(c)->mState == kShowing) c->SetAnimation(step, kHoldMs);
  });
}

void IBubbleControl::Step()
{
  const double p = GetAnimationProgress();
  if (p <= 1.0)
  {
    if (mState == kFadingIn) mBlend.mWeight = static_cast<float>(p) * mMaxOpacity;
    else if (mState == kShowing) mBlend.mWeight = mMaxOpacity;
    else if (mState == kFadingOut) mBlend.mWeight = static_cast<float>(1.0 - p) * mMaxOpacity;
    SetDirty(false);
    return;
  }
  switch (mState)
  {
    case kFadingIn:
      mBlend.mWeight = mMaxOpacity;
      mState = kShowing;
      OnEndAnimation();
      break;
    case kShowing:
      if (GetUI() && GetUI()->ControlIsCaptured(mCaller))
      {
        SetDirty(true);
      }
      else
      {
        mBlend.mWeight = mMaxOpacity;
        mState = kFadingOut;
        SetDirty(true);
      }
      break;
    case kFadingOut:
      mBlend.mWeight = 0.f;
      Hide(true);
      mState = kHidden;
      mTouchId = 0;
      SetDirty(false);
      OnEndAnimation();
      break;
    default:
      OnEndAnimation();
      break;
  }
}

void IBubbleControl::ShowBubble(IControl* caller, float x, float y, const char* str, EDirection dir,
                                const IRECT& minimumContentBounds, uint64_t touchId)
{
  IGfx* ui = GetUI();
  if (!ui) return;
  if (mMaxBounds.Empty()) mMaxBounds = ui->GetBounds();
  mDirection = dir;
  mTouchId = touchId;
  mStr.Set(str);

  IRECT r;
  MeasureText(mStr.Get(), r);
  if (!minimumContentBounds.Empty())
  {
    if (r.W() < minimumContentBounds.W()) r.R = r.L + minimumContentBounds.W();
    if (r.H() < minimumContentBounds.H()) r.B = r.T + minimumContentBounds.H();
  }
  r = IRECT(r.L - mHorizontalPadding - mInset, r.T - mInset, r.R + mHorizontalPadding + mInset, r.B + mInset);
  const float w = r.W(), hh = r.H() / 2.f;
  const IRECT callerRECT = caller ? caller->GetRECT() : IRECT();

  IRECT bubble;
  if (dir == kHorizontal)
  {
    bubble = IRECT(x, y - hh, x + w, y + hh);
    if (bubble.R > mMaxBounds.R - mHorizontalPadding - mInset)
    {
      const float shift = bubble.R - callerRECT.L;
      bubble = IRECT(bubble.L - shift, bubble.T, bubble.R - shift, bubble.B);
      mArrowSide = kRight;
    }
    else
    {
      mArrowSide = kLeft;
    }
  }
  else
  {
    bubble = IRECT(x - w / 2.f, y - 2.f * hh, x + w / 2.f, y);
    if (bubble.T < mMaxBounds.T)
    {
      const float shift = callerRECT.H() + bubble.H();
      bubble = IRECT(bubble.L, bubble.T + shift, bubble.R, bubble.B + shift);
      mArrowSide = kTop;
    }
    else
    {
      mArrowSide = kBottom;
    }
  }
  mBubbleBounds = bubble;
  // The area the bubble leaves is redrawn with it.
  SetTargetAndDrawRECTs(mRECT.Empty() ? bubble : mRECT.Union(bubble));

  if (mState == kHidden)
  {
    Hide(false);
    mState = kFadingIn;
    SetDirty(true);
  }
  if (caller != mCaller)
  {
    SetTargetAndDrawRECTs(bubble);
    ui->SetAllControlsDirty();
    mCaller = caller;
  }
}

void IBubbleControl::Draw(IGfx& g)
{
  const IRECT inner(mBubbleBounds.L + mInset, mBubbleBounds.T + mInset, mBubbleBounds.R - mInset,
                    mBubbleBounds.B - mInset);
  g.DrawFastDropShadow(inner, mBubbleBounds, 2.f, mRoundness, 10.f, &mBlend);
  DrawBubble(g, inner);
  DrawContent(g, inner);
}

void IBubbleControl::DrawContent(IGfx& g, const IRECT& area)
{
  if (!mStr.Empty()) g.DoDrawText(mText, mStr.Get(), area, &mBlend);
}

void IBubbleControl::DrawBubble(IGfx& g, const IRECT& a)
{
  const float r = mRoundness, s = mArrowSize;
  const float cx = a.MW(), cy = a.MH();
  g.PathClear();
  g.PathMoveTo(a.L, a.T + r);
  g.PathArc(a.L + r, a.T + r, r, 270.f, 360.f);
  if (mArrowSide == kTop)
  {
    g.PathLineTo(cx - s / 2.f, a.T);
    g.PathLineTo(cx, a.T - s);
    g.PathLineTo(cx + s / 2.f, a.T);
  }
  g.PathArc(a.R - r, a.T + r, r, 0.f, 90.f);
  if (mArrowSide == kRight)
  {
    g.PathLineTo(a.R, cy - s / 2.f);
    g.PathLineTo(a.R + s, cy);
    g.PathLineTo(a.R, cy + s / 2.f);
  }
  g.PathArc(a.R - r, a.B - r, r, 90.f, 180.f);
  if (mArrowSide == kBottom)
  {
    g.PathLineTo(cx + s / 2.f, a.B);
    g.PathLineTo(cx, a.B + s);
    g.PathLineTo(cx - s / 2.f, a.B);
  }
  g.PathArc(a.L + r, a.B - r, r, 180.f, 270.f);
  if (mArrowSide == kLeft)
  {
    g.PathLineTo(a.L, cy + s / 2.f);
    g.PathLineTo(a.L - s, cy);
    g.PathLineTo(a.L, cy - s / 2.f);
  }
  g.PathClose();
  IFillStyle keep;
  keep.mPreserve = true;
  g.PathFill(IPattern(mFillColor), keep, &mBlend);
  g.PathStroke(IPattern(mStrokeColor), mStrokeWidth, IStrokeStyle(), &mBlend);
}

void IBubbleControl::MeasureText(const char* str, IRECT& bounds)
{
  if (GetUI()) GetUI()->MeasureText(mText, str, bounds);
}

} // namespace fx::gfx
