#include "graphics/IVectorBase.h"

#include "graphics/IControl.h"
#include "graphics/IGfx.h"

#include <algorithm>
#include <cmath>

namespace fx::gfx {

namespace {

constexpr int kDisabledShift = static_cast<int>(-0.25 * 255); // -63
constexpr float kPi = 3.1415927f;

IRECT Shifted(const IRECT& r, float d) { return IRECT(r.L + d, r.T + d, r.R + d, r.B + d); }

} // namespace

IVectorBase::IVectorBase(const IVStyle& style, bool labelInWidget, bool valueInWidget)
  : mLabelInWidget(labelInWidget), mValueInWidget(valueInWidget)
{
  IVectorBase::SetStyle(style);
}

const IBlend* IVectorBase::ControlBlend() const { return mControl ? &mControl->GetBlend() : nullptr; }

bool IVectorBase::Animating() const { return mControl && mControl->GetAnimating(); }

void IVectorBase::DrawBackground(IGfx& g, const IRECT& rect) { g.FillRect(GetColor(kBackground), rect, ControlBlend()); }

void IVectorBase::DrawLabel(IGfx& g)
{
  if (mLabelBounds.H() != 0.f && mStyle.showLabel && !mLabelStr.Empty())
    g.DrawText(mStyle.labelText, mLabelStr.Get(), mLabelBounds, ControlBlend());
}

void IVectorBase::DrawValue(IGfx& g, bool mouseOver)
{
  if (mouseOver) g.FillRect(kColorTranslucent, mValueBounds);
  if (mStyle.showValue && !mValueStr.Empty()) g.DrawText(mStyle.valueText, mValueStr.Get(), mValueBounds, ControlBlend());
}

void IVectorBase::DrawPressableShape(IGfx& g, int shape, const IRECT& bounds, bool pressed, bool mouseOver,
                                     bool disabled)
{
  switch (shape)
  {
    case kVShapeRectangle:
    case kVShapeRoundedAll: DrawPressableRectangle(g, bounds, pressed, mouseOver, disabled); break;
    case kVShapeEllipse: DrawPressableEllipse(g, bounds, pressed, mouseOver, disabled); break;
    case kVShapeTriangle: DrawPressableTriangle(g, bounds, pressed, mouseOver, disabled, mStyle.angle); break;
    case kVShapeRoundedEnds:
      DrawPressableRectangle(g, bounds, pressed, mouseOver, disabled, true, true, false, false);
      break;
    default: break;
  }
}

IRECT IVectorBase::GetPressableFaceBounds(const IRECT& bounds) const
{
  IRECT r = bounds;
  if (mStyle.drawFrame)
  {
    const float h = mStyle.frameThickness / 2.f;
    r = IRECT(r.L + h, r.T + h, r.R - h, r.B - h);
  }
  if (mStyle.drawShadows)
  {
    const float o = mStyle.shadowOffset;
    r = IRECT(r.L + o, r.T, r.R - o, r.B - o);
  }
  return r;
}

IColor IVectorBase::GetFaceColor(EVColorRole role, bool disabled) const
{
  IColor c = GetColor(role);
  if (!disabled) return c;
  c.R = std::clamp(c.R + kDisabledShift, 0, 255);
  c.G = std::clamp(c.G + kDisabledShift, 0, 255);
  c.B = std::clamp(c.B + kDisabledShift, 0, 255);
  return c;
}

void IVectorBase::DrawPressableRectangle(IGfx& g, const IRECT& bounds, bool pressed, bool mouseOver, bool disabled,
                                         bool roundTopLeft, bool roundTopRight, bool roundBottomLeft,
                                         bool roundBottomRight)
{
  const IRECT r = GetPressableFaceBounds(bounds);
  const float radius = std::min(r.W(), r.H()) * 0.5f * mStyle.roundness;
  const float tl = roundTopLeft ? radius : 0.f, tr = roundTopRight ? radius : 0.f;
  const float bl = roundBottomLeft ? radius : 0.f, br = roundBottomRight ? radius : 0.f;
  const IBlend* blend = ControlBlend();
  const float o = mStyle.shadowOffset;

  if (pressed)
  {
    g.FillRoundRect(GetFaceColor(kPressed, disabled), r, tl, tr, bl, br, blend);
  }
  else if (mStyle.emboss)
  {
    // A lit rim, a shadowed inner edge, then the face.
    const IRECT inner(r.L + o, r.T + o, r.R - o, r.B - o);
    g.FillRoundRect(GetFaceColor(kPressed, disabled), r, tl, tr, bl, br, blend);
    g.FillRoundRect(GetColor(kShadow), Shifted(inner, o / 2.f), tl, tr, bl, br, blend);
    g.FillRoundRect(GetFaceColor(kForeground, disabled), inner, tl, tr, bl, br, blend);
  }
  else
  {
    if (mStyle.drawShadows) g.FillRoundRect(GetColor(kShadow), Shifted(r, o), tl, tr, bl, br, blend);
    g.FillRoundRect(GetFaceColor(kForeground, disabled), r, tl, tr, bl, br, blend);
  }
  if (mouseOver) g.FillRoundRect(GetColor(kHighlight), r, tl, tr, bl, br, blend);
  if (Animating()) DrawSplash(g, r);
  if (mStyle.drawFrame) g.DrawRoundRect(GetColor(kFrame), r, tl, tr, bl, br, blend, mStyle.frameThickness);
}

void IVectorBase::DrawPressableEllipse(IGfx& g, const IRECT& bounds, bool pressed, bool mouseOver, bool disabled)
{
  const IRECT r = GetPressableFaceBounds(bounds);
  const IBlend* blend = ControlBlend();
  const float o = mStyle.shadowOffset;

  if (pressed)
  {
    g.FillEllipse(GetFaceColor(kPressed, disabled), r, blend);
  }
  else if (mStyle.emboss)
  {
    const IRECT inner(r.L + o, r.T + o, r.R - o, r.B - o);
    g.FillEllipse(GetFaceColor(kPressed, disabled), r, blend);
    g.FillEllipse(GetColor(kShadow), Shifted(inner, o / 2.f), blend);
    g.FillEllipse(GetFaceColor(kForeground, disabled), inner, blend);
  }
  else
  {
    if (mStyle.drawShadows) g.FillEllipse(GetColor(kShadow), Shifted(r, o), blend);
    g.FillEllipse(GetFaceColor(kForeground, disabled), r, blend);
  }
  if (mouseOver) g.FillEllipse(GetColor(kHighlight), r, blend);
  if (Animating()) DrawSplash(g, r);
  if (mStyle.drawFrame) g.DrawEllipse(GetColor(kFrame), r, blend, mStyle.frameThickness);
}

void IVectorBase::DrawPressableTriangle(IGfx& g, const IRECT& bounds, bool pressed, bool mouseOver, bool disabled,
                                        float angle)
{
  const IRECT r = GetPressableFaceBounds(bounds);
  const float cx = r.MW(), cy = r.MH();
  const float a = angle / 180.f * kPi;
  const float c = std::cos(a), s = std::sin(a);
  float x[3] = {r.MW(), r.R, r.L};
  float y[3] = {r.T, r.B, r.B};
  for (int i = 0; i < 3; ++i)
  {
    const float dx = x[i] - cx, dy = y[i] - cy;
    x[i] = cx + c * dx - s * dy;
    y[i] = cy + s * dx + c * dy;
  }
  const IBlend* blend = ControlBlend();
  const float o = mStyle.shadowOffset;
  auto fill = [&](const IColor& color, float d) {
    g.FillTriangle(color, x[0] + d, y[0] + d, x[1] + d, y[1] + d, x[2] + d, y[2] + d, blend);
  };

  if (pressed)
  {
    fill(GetFaceColor(kPressed, disabled), 0.f);
  }
  else
  {
    if (mStyle.drawShadows) fill(GetColor(kShadow), o);
    fill(GetFaceColor(kForeground, disabled), 0.f);
  }
  if (mouseOver) fill(GetColor(kHighlight), 0.f);
  if (Animating()) DrawSplash(g, r);
  if (mStyle.drawFrame) g.DrawTriangle(GetColor(kFrame), x[0], y[0], x[1], y[1], x[2], y[2], blend, mStyle.frameThickness);
}

void IVectorBase::DrawSplash(IGfx& g, const IRECT& clipRect)
{
  g.PathClipRegion(clipRect);
  g.FillCircle(GetColor(kHighlight), mSplashX, mSplashY, mSplashRadius);
  g.PathClipRegion();
}

} // namespace fx::gfx
