#include "graphics/controls/ISVGControls.h"

#include "graphics/IGfx.h"

#include <algorithm>

namespace fx::gfx {

namespace {

bool HasSize(const ISVG& svg) { return svg.IsValid() && svg.W() > 0.f && svg.H() > 0.f; }

} // namespace

ISVGButtonControl::ISVGButtonControl(const IRECT& bounds, IActionFunction action, const ISVG& offImage,
                                     const ISVG& onImage)
  : IButtonControlBase(bounds, std::move(action)), mOffSVG(offImage), mOnSVG(onImage)
{
}

void ISVGButtonControl::Draw(IGfx& g) { g.DrawSVG(GetValue() > 0.5 ? mOnSVG : mOffSVG, mRECT, &mBlend); }

ISVGKnobControl::ISVGKnobControl(const IRECT& bounds, const ISVG& svg, int paramIdx)
  : IKnobControlBase(bounds, paramIdx, nullptr, kVertical, 4.0), mSVG(svg)
{
  mHideCursorOnDrag = true;
}

void ISVGKnobControl::Draw(IGfx& g)
{
  g.DrawRotatedSVG(mSVG, mRECT.MW(), mRECT.MH(), mRECT.W(), mRECT.H(), GetAngle(), &mBlend);
}

void ISVGKnobControl::SetSVG(const ISVG& svg)
{
  mSVG = svg;
  SetDirty(false);
}

ISVGSwitchControl::ISVGSwitchControl(const IRECT& bounds, const std::vector<ISVG>& svgs, int paramIdx,
                                     IActionFunction action)
  : ISwitchControlBase(bounds, paramIdx, std::move(action), static_cast<int>(svgs.size())), mSVGs(svgs)
{
}

int ISVGSwitchControl::GetImageIdx() const
{
  if (mSVGs.empty()) return -1;
  const int i = static_cast<int>((mNumStates - 1) * GetValue() + 0.5);
  // A parameter with more states than images shows the last image beyond them.
  return std::clamp(i, 0, static_cast<int>(mSVGs.size()) - 1);
}

void ISVGSwitchControl::Draw(IGfx& g)
{
  const int i = GetImageIdx();
  if (i >= 0) g.DrawSVG(mSVGs[static_cast<size_t>(i)], mRECT, &mBlend);
}

ISVGSliderControl::ISVGSliderControl(const IRECT& bounds, const ISVG& handleSvg, const ISVG& trackSvg, int paramIdx,
                                     EDirection direction, double gearing)
  : ISliderControlBase(bounds, paramIdx, direction, gearing, 0.f), mHandleSVG(handleSvg), mTrackSVG(trackSvg)
{
}

void ISVGSliderControl::OnResize()
{
  mTrackSVGBounds = mHandleBoundsAtMax = mTrack = IRECT();
  if (HasSize(mTrackSVG) && HasSize(mHandleSVG))
  {
    const float w = mTrackSVG.W(), h = mTrackSVG.H();
    const float hw = mHandleSVG.W(), hh = mHandleSVG.H();
    const IRECT& b = mRECT;
    const bool horizontal = mDirection == kHorizontal;

    float tw = horizontal ? b.W() : b.H() * w / h;
    float th = horizontal ? b.W() * h / w : b.H();
    tw = std::max(tw, 1.f);
    if (!(th > 0.f)) th = tw;
    mTrackSVGBounds = IRECT(b.MW() - tw / 2.f, b.MH() - th / 2.f, b.MW() + tw / 2.f, b.MH() + th / 2.f);

    float handleH = horizontal ? th * hh / h : b.H() * hh / h;
    const float handleW = std::max(handleH * hw / hh, 1.f);
    if (!(handleH > 0.f)) handleH = handleW;
    const IRECT& t = mTrackSVGBounds;
    if (horizontal)
    {
      mHandleBoundsAtMax = IRECT(t.R - handleW, t.MH() - handleH / 2.f, t.R, t.MH() + handleH / 2.f);
      mTrack = IRECT(t.L + handleW, t.T, t.R, t.B);
    }
    else
    {
      mHandleBoundsAtMax = IRECT(b.MW() - handleW / 2.f, t.T, b.MW() + handleW / 2.f, t.T + handleH);
      mTrack = IRECT(t.L, t.T + handleH, t.R, t.B);
    }
  }
  SetDirty(false);
}

IRECT ISVGSliderControl::GetHandleBounds(double value) const
{
  if (value < 0.0) value = GetValue();
  const float back = static_cast<float>(1.0 - value);
  const IRECT& r = mHandleBoundsAtMax;
  if (mDirection == kHorizontal)
  {
    const float dx = back * mTrack.W();
    return IRECT(r.L - dx, r.T, r.R - dx, r.B);
  }
  const float dy = back * mTrack.H();
  return IRECT(r.L, r.T + dy, r.R, r.B + dy);
}

void ISVGSliderControl::Draw(IGfx& g)
{
  if (mTrackSVGBounds.Empty()) return;
  g.DrawSVG(mTrackSVG, mTrackSVGBounds, &mBlend);
  g.DrawSVG(mHandleSVG, GetHandleBounds(), &mBlend);
}

} // namespace fx::gfx
