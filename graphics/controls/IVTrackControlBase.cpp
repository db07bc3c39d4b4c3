#include "graphics/controls/IVTrackControlBase.h"

#include "graphics/IGfx.h"
#include "graphics/controls/IVControlSupport.h"

#include <algorithm>

namespace fx::gfx {

IVTrackControlBase::IVTrackControlBase(const IRECT& bounds, const char* label, const IVStyle& style,
                                       const std::vector<int>& params, int nSteps, EDirection direction,
                                       const std::vector<const char*>& trackNames)
  : IControl(bounds, params), IVectorBase(style), mDirection(direction), mNSteps(nSteps)
{
  AttachIControl(this);
  mText = style.valueText;
  SetLabelStr(label);
  for (const char* name : trackNames) mTrackNames.emplace_back(name ? name : "");
  mTrackBounds.resize(static_cast<size_t>(NVals()));
}

void IVTrackControlBase::Draw(IGfx& g)
{
  DrawBackground(g, mRECT);
  DrawLabel(g);
  DrawWidget(g);
}

void IVTrackControlBase::DrawWidget(IGfx& g)
{
  for (int i = 0; i < NTracks(); ++i) DrawTrack(g, GetTrackBounds(i), i);
}

void IVTrackControlBase::DrawBackground(IGfx& g, const IRECT& rect)
{
  if (!(mBaseValue > 0.0)) return;
  const float b = static_cast<float>(mBaseValue);
  if (mDirection == kVertical) g.DrawHorizontalLine(GetColor(kShadow), rect, b, nullptr, 1.f);
  else g.DrawVerticalLine(GetColor(kShadow), rect, b, nullptr, 1.f);
}

IRECT IVTrackControlBase::GetFillArea(const IRECT& r, int chIdx) const
{
  const float v = static_cast<float>(GetValue(chIdx));
  const float b = static_cast<float>(mBaseValue);
  const bool vertical = mDirection == kVertical;
  if (!(b > 0.f))
  {
    return vertical ? IRECT(r.L, r.B - r.H() * v, r.R, r.B) : IRECT(r.L, r.T, r.L + r.W() * v, r.B);
  }
  const float lo = std::min(b, v), hi = std::max(b, v);
  return vertical ? IRECT(r.L, r.B - r.H() * hi, r.R, r.B - r.H() * lo) : IRECT(r.L + r.W() * lo, r.T, r.L + r.W() * hi, r.B);
}

void IVTrackControlBase::DrawTrack(IGfx& g, const IRECT& r, int chIdx)
{
  DrawTrackBackground(g, r, chIdx);
  if (!mTrackNames.empty()) DrawTrackName(g, r, chIdx);

  const double v = GetValue(chIdx);
  const bool above = v > mBaseValue;
  const bool vertical = mDirection == kVertical;
  IRECT fill = GetFillArea(r, chIdx);

  if (!mStepBounds.empty())
  {
    if (v == 0.0 && mZeroValueStepHasBounds && vertical) fill.T = mStepBounds.front().T;
    // The cell at the fill's far end along the direction (its top for vertical tracks, its right
    // for horizontal ones); an end on the outer edge belongs to the outermost cell.
    const float c = vertical ? fill.T : fill.R;
    const IRECT* cell = nullptr;
    const IRECT* first = nullptr; // nearest the top or left
    const IRECT* last = nullptr;  // nearest the bottom or right
    for (const IRECT& s : mStepBounds)
    {
      const float lo = vertical ? s.T : s.L, hi = vertical ? s.B : s.R;
      if (!cell && c >= lo && c < hi) cell = &s;
      if (!first || lo < (vertical ? first->T : first->L)) first = &s;
      if (!last || hi > (vertical ? last->B : last->R)) last = &s;
    }
    if (!cell) cell = c < (vertical ? first->T : first->L) ? first : last;
    if (vertical) fill.T = cell->T, fill.B = cell->B;
    else fill.L = cell->L, fill.R = cell->R;
    if (mZeroValueStepHasBounds || v > 0.0) DrawTrackHandle(g, fill, chIdx, above);
  }
  else
  {
    DrawTrackHandle(g, fill, chIdx, above);
    const bool atTop = v >= mBaseValue;
    IRECT peak;
    if (vertical)
      peak = atTop ? IRECT(fill.L, fill.T, fill.R, fill.T + mPeakSize) : IRECT(fill.L, fill.B - mPeakSize, fill.R, fill.B);
    else
      peak = atTop ? IRECT(fill.R - mPeakSize, fill.T, fill.R, fill.B) : IRECT(fill.L, fill.T, fill.L + mPeakSize, fill.B);
    DrawPeak(g, peak, chIdx, above);
  }

  if (mStyle.drawFrame && mDrawTrackFrame) g.DrawRect(GetColor(kFrame), r, &mBlend, mStyle.frameThickness);
}

void IVTrackControlBase::DrawTrackBackground(IGfx& g, const IRECT& r, int chIdx)
{
  g.FillRect(chIdx == mHighlightedTrack ? GetColor(kHighlight) : kColorTransparent, r);
}

void IVTrackControlBase::DrawTrackName(IGfx& g, const IRECT& r, int chIdx)
{
  const bool has = chIdx >= 0 && chIdx < static_cast<int>(mTrackNames.size());
  g.DrawText(mText, has ? mTrackNames[static_cast<size_t>(chIdx)].Get() : "", r);
}

void IVTrackControlBase::DrawTrackHandle(IGfx& g, const IRECT& r, int chIdx, bool /*aboveBaseValue*/)
{
  g.FillRect(GetColor(chIdx == mHighlightedTrack ? kExtra1 : kForeground), r, &mBlend);
  if (chIdx == mMouseOverTrack) g.FillRect(GetColor(kHighlight), r, &mBlend);
}

void IVTrackControlBase::DrawPeak(IGfx& g, const IRECT& r, int /*chIdx*/, bool /*aboveBaseValue*/)
{
  g.FillRect(GetColor(kFrame), r, &mBlend);
}

void IVTrackControlBase::MakeTrackRects(const IRECT& bounds)
{
  const int n = NTracks();
  mTrackBounds.assign(static_cast<size_t>(n), IRECT());
  for (int i = 0; i < n; ++i)
  {
    if (mDirection == kVertical)
    {
      const float w = bounds.W() / n;
      mTrackBounds[static_cast<size_t>(i)] =
        IRECT(bounds.L + i * w, bounds.T, bounds.L + (i + 1) * w - mTrackGap, bounds.B - mTrackGap);
    }
    else
    {
      const float h = bounds.H() / n;
      mTrackBounds[static_cast<size_t>(i)] =
        IRECT(bounds.L, bounds.T + i * h + mTrackGap, bounds.R, bounds.T + (i + 1) * h - mTrackGap);
    }
  }
}

void IVTrackControlBase::MakeStepRects(const IRECT& bounds, int nSteps)
{
  mStepBounds.clear();
  if (nSteps <= 0) return;
  const int k = mZeroValueStepHasBounds ? nSteps + 1 : nSteps;
  for (int j = 0; j < k; ++j)
  {
    const int c = k - 1 - j; // counted from the left or the top
    if (mDirection == kHorizontal)
    {
      const float w = bounds.W() / k;
      mStepBounds.emplace_back(bounds.L + c * w, bounds.T, bounds.L + (c + 1) * w, bounds.B);
    }
    else
    {
      const float h = bounds.H() / k;
      mStepBounds.emplace_back(bounds.L, bounds.T + c * h, bounds.R, bounds.T + (c + 1) * h);
    }
  }
}

void IVTrackControlBase::OnResize()
{
  SetTargetRECT(IVectorBaseLayout(mRECT, false));
  MakeTrackRects(mWidgetBounds);
  MakeStepRects(mWidgetBounds, mNSteps);
  SetDirty(false);
}

void IVTrackControlBase::OnMouseOver(float x, float y, const IMouseMod& /*mod*/)
{
  mMouseOverTrack = GetValIdxForPos(x, y);
  SetDirty(false);
}

void IVTrackControlBase::OnMouseOut()
{
  mMouseOverTrack = -1;
  SetDirty(false);
}

int IVTrackControlBase::GetValIdxForPos(float x, float y) const
{
  for (int i = 0; i < static_cast<int>(mTrackBounds.size()); ++i)
    if (mTrackBounds[static_cast<size_t>(i)].Contains(x, y)) return i;
  return -1;
}

} // namespace fx::gfx
