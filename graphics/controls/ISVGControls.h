#pragma once
// Stock controls drawn from parsed SVG images, scaled to the control's size: a button with an
// off and an on image, a knob whose image turns with the value, a switch with one image per
// state and a slider with a track image and a handle image. The images belong to the editor's
// SVG store. A missing image draws nothing. Main thread only.

#include "graphics/IButtonControlBase.h"
#include "graphics/IKnobControlBase.h"
#include "graphics/ISVG.h"
#include "graphics/ISliderControlBase.h"
#include "graphics/ISwitchControlBase.h"

#include <vector>

namespace fx::gfx {

class ISVGButtonControl : public IButtonControlBase
{
public:
  ISVGButtonControl(const IRECT& bounds, IActionFunction action, const ISVG& offImage, const ISVG& onImage);

  /** The on image above 0.5, else the off image, fitted into the bounds. */
  void Draw(IGfx& g) override;

protected:
  ISVG mOffSVG;
  ISVG mOnSVG;
};

class ISVGKnobControl : public IKnobControlBase
{
public:
  ISVGKnobControl(const IRECT& bounds, const ISVG& svg, int paramIdx = -1);

  /** The image at the bounds' size, turned from -135° at 0 to 135° at 1 about their centre. */
  void Draw(IGfx& g) override;
  void SetSVG(const ISVG& svg);
  float GetAngle() const { return mStartAngle + static_cast<float>(GetValue()) * (mEndAngle - mStartAngle); }

protected:
  ISVG mSVG;
  float mStartAngle = -135.f;
  float mEndAngle = 135.f;
};

class ISVGSwitchControl : public ISwitchControlBase
{
public:
  /** As many states as images (the parameter's range once attached). */
  ISVGSwitchControl(const IRECT& bounds, const std::vector<ISVG>& svgs, int paramIdx = -1,
                    IActionFunction action = nullptr);

  /** The image of the nearest state, fitted into the bounds. */
  void Draw(IGfx& g) override;
  /** The image the value shows; -1 without images. */
  int GetImageIdx() const;

protected:
  std::vector<ISVG> mSVGs;
};

class ISVGSliderControl : public ISliderControlBase
{
public:
  ISVGSliderControl(const IRECT& bounds, const ISVG& handleSvg, const ISVG& trackSvg, int paramIdx = -1,
                    EDirection direction = kVertical, double gearing = 4.0);

  /** Lays out the track image and the handle, both scaled to the bounds keeping their aspect. */
  void OnResize() override;
  void Draw(IGfx& g) override;
  /** The handle at a value (a negative value: the current one). */
  IRECT GetHandleBounds(double value = -1.0) const;
  const IRECT& GetTrackImageBounds() const { return mTrackSVGBounds; }

protected:
  IRECT mTrackSVGBounds;
  IRECT mHandleBoundsAtMax;
  ISVG mHandleSVG;
  ISVG mTrackSVG;
};

} // namespace fx::gfx
