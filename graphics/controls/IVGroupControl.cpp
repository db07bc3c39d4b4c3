#include "graphics/controls/IVGroupControl.h"

#include "graphics/IGfx.h"

#include <algorithm>

namespace fx::gfx {

IVGroupControl::IVGroupControl(const IRECT& bounds, const char* label, float labelOffset, const IVStyle& style)
  : IControl(bounds), IVectorBase(style), mLabelOffset(labelOffset)
{
  AttachIControl(this);
  mText = style.valueText;
  mIgnoreMouse = true;
  SetLabelStr(label);
}

IVGroupControl::IVGroupControl(const char* label, const char* groupName, float padL, float padT, float padR,
                               float padB, const IVStyle& style)
  : IVGroupControl(IRECT(), label, 10.f, style)
{
  mGroupName.Set(groupName);
  mPadL = padL, mPadT = padT, mPadR = padR, mPadB = padB;
}

void IVGroupControl::OnInit()
{
  if (!mGroupName.Empty()) SetBoundsBasedOnGroup(mGroupName.Get(), mPadL, mPadT, mPadR, mPadB);
}

void IVGroupControl::SetBoundsBasedOnGroup(const char* groupName, float padL, float padT, float padR, float padB)
{
  mGroupName.Set(groupName);
  mPadL = padL, mPadT = padT, mPadR = padR, mPadB = padB;
  IRECT r;
  if (IGfx* ui = GetUI())
  {
    ui->ForControlInGroup(groupName, [&](IControl* c) {
      if (c != this) r = r.Union(c->GetRECT());
    });
  }
  SetTargetAndDrawRECTs(IRECT(r.L - padL, r.T - padT, r.R + padR, r.B + padB));
}

float IVGroupControl::CornerRadius() const
{
  return std::min(mWidgetBounds.W(), mWidgetBounds.H()) / 2.f * mStyle.roundness;
}

void IVGroupControl::OnResize()
{
  SetTargetRECT(IVectorBaseLayout(mRECT, false));
  mWidgetBounds.T -= mLabelBounds.H() / 2.f + mStyle.frameThickness / 2.f;
  if (!mLabelBounds.Empty())
  {
    const float w = mLabelBounds.W() + 2.f * mLabelPadding;
    const float l = mRECT.L + mStyle.frameThickness + mLabelOffset + CornerRadius();
    mLabelBounds = IRECT(l, mLabelBounds.T, l + w, mLabelBounds.B);
  }
  SetDirty(false);
}

void IVGroupControl::Draw(IGfx& g)
{
  DrawLabel(g);
  DrawWidget(g);
}

void IVGroupControl::DrawWidget(IGfx& g)
{
  const IRECT& w = mWidgetBounds;
  const float hf = mStyle.frameThickness / 2.f, cr = CornerRadius();
  const bool hasLabel = !mLabelBounds.Empty();
  const float start = hasLabel ? mLabelBounds.R : mRECT.MW();
  const float end = hasLabel ? mLabelBounds.L : mRECT.MW();
  g.PathClear();
  g.PathMoveTo(start, w.T + hf);
  g.PathArc(w.R - cr - hf, w.T + cr + hf, cr, 0.f, 90.f);
  g.PathArc(w.R - cr - hf, w.B - cr - hf, cr, 90.f, 180.f);
  g.PathArc(w.L + cr + hf, w.B - cr - hf, cr, 180.f, 270.f);
  g.PathArc(w.L + cr + hf, w.T + cr + hf, cr, 270.f, 360.f);
  g.PathLineTo(end, w.T + hf);
  IStrokeStyle stroke;
  stroke.mMiterLimit = 10.f;
  g.PathStroke(IPattern(GetColor(mStyle.drawShadows ? kShadow : kFrame)), mStyle.frameThickness, stroke);
}

} // namespace fx::gfx
