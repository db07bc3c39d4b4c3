#include "graphics/controls/IVPlotControl.h"

#include "graphics/IGfx.h"
#include "graphics/controls/IVControlSupport.h"

#include <algorithm>
#include <cmath>

namespace fx::gfx {

IVPlotControl::IVPlotControl(const IRECT& bounds, const std::vector<Plot>& plots, int numPoints, const char* label,
                             const IVStyle& style, bool useLayer, float min, float max)
  : IControl(bounds), IVectorBase(style), mMin(min), mMax(max), mUseLayer(useLayer),
    mPoints(static_cast<size_t>(std::max(0, numPoints)), 0.f)
{
  AttachIControl(this);
  mText = style.valueText;
  SetLabelStr(label);
  for (const Plot& plot : plots) AddPlotFunc(plot.color, plot.func);
}

void IVPlotControl::AddPlotFunc(const IColor& color, const std::function<double(double)>& func)
{
  if (!func) return;
  mPlots.push_back({color, func});
  if (mLayer) mLayer->Invalidate();
  SetDirty(false);
}

void IVPlotControl::OnResize() { LayoutVectorControl(*this, *this, false); }

void IVPlotControl::Draw(IGfx& g)
{
  DrawBackground(g, mRECT);
  DrawLabel(g);
  if (!mUseLayer)
  {
    DrawPlot(g);
    return;
  }
  if (!mLayer || !g.CheckLayer(mLayer))
  {
    g.StartLayer(this, mRECT);
    DrawPlot(g);
    mLayer = g.EndLayer();
  }
  g.DrawLayer(mLayer, &mBlend);
}

void IVPlotControl::DrawPlot(IGfx& g)
{
  const IRECT& w = mWidgetBounds;
  const float vstep = GetVerticalStep();
  g.DrawGrid(GetColor(kShadow), w, GetHorizontalStep(), vstep, &mBlend, 1.f);

  const int n = static_cast<int>(mPoints.size());
  const float range = mMax - mMin;
  // Two points at least give positions to sample; an empty range has no scale.
  if (n >= 2 && range != 0.f && std::isfinite(range))
  {
    const IRECT area(w.L, w.T + vstep, w.R, w.B - vstep);
    for (const Plot& plot : mPlots)
    {
      for (int i = 0; i < n; ++i)
      {
        const double y = (plot.func(static_cast<double>(i) / (n - 1)) - mMin) / range;
        // Values that are not numbers sit on the floor; huge ones are held a little outside.
        mPoints[static_cast<size_t>(i)] = std::isnan(y) ? 0.f : static_cast<float>(std::clamp(y, -1.0, 2.0));
      }
      g.DrawData(plot.color, area, mPoints.data(), n, nullptr, &mBlend, mTrackSize);
    }
  }
  if (mStyle.drawFrame) g.DrawRect(GetColor(kFrame), w, &mBlend, mStyle.frameThickness);
}

} // namespace fx::gfx
