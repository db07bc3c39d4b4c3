#pragma once
// A plot of functions of x in [0, 1] over a grid, each in its own colour, optionally kept in an
// offscreen layer that is redrawn only when a function is added or the bounds or scale change.
// Main thread only.

#include "graphics/IControl.h"
#include "graphics/ILayer.h"
#include "graphics/IVectorBase.h"

#include <functional>
#include <vector>

namespace fx::gfx {

class IVPlotControl : public IControl, public IVectorBase
{
public:
  struct Plot
  {
    IColor color;
    std::function<double(double)> func;
  };

  IVPlotControl(const IRECT& bounds, const std::vector<Plot>& plots, int numPoints, const char* label = "",
                const IVStyle& style = IVStyleDefault, bool useLayer = false, float min = -1.f, float max = 1.f);

  void Draw(IGfx& g) override;
  void OnResize() override;
  /** Appends a plot and redraws; a plot without a function is refused. */
  void AddPlotFunc(const IColor& color, const std::function<double(double)>& func);

  int NPlots() const { return static_cast<int>(mPlots.size()); }
  /** Grid spacing across and down the widget. */
  float GetHorizontalStep() const { return mWidgetBounds.W() / mHorizontalDivisions; }
  float GetVerticalStep() const { return mWidgetBounds.H() / (mVerticalDivisions + 2); }

protected:
  /** Grid, curves and frame over the widget. */
  void DrawPlot(IGfx& g);

  ILayerPtr mLayer;
  std::vector<Plot> mPlots;
  float mMin;
  float mMax;
  bool mUseLayer;
  int mHorizontalDivisions = 10;
  int mVerticalDivisions = 10;
  std::vector<float> mPoints;
};

} // namespace fx::gfx
