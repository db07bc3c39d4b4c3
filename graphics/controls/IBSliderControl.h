#pragma once
// A bitmap slider: a handle bitmap moved along a track, over an optional track bitmap. The
// slider's mouse and wheel handling is the slider base's, over the track. Main thread only.

#include "graphics/IBitmapBase.h"
#include "graphics/ISliderControlBase.h"

namespace fx::gfx {

class IBSliderControl : public ISliderControlBase, public IBitmapBase
{
public:
  /** At (x, y), trackLength long and as thick as the handle. */
  IBSliderControl(float x, float y, float trackLength, const IBitmap& handleBitmap, const IBitmap& trackBitmap = {},
                  int paramIdx = -1, EDirection direction = kVertical, double gearing = 4.0);
  IBSliderControl(const IRECT& bounds, const IBitmap& handleBitmap, const IBitmap& trackBitmap = {}, int paramIdx = -1,
                  EDirection direction = kVertical, double gearing = 4.0);

  /** The track: the track bitmap's frame centred in the bounds, or without one a strip as thick
   *  as the handle down the middle. */
  void OnResize() override;
  void Draw(IGfx& g) override;
  /** Only the handle is reloaded; the track keeps the scale it was loaded at. */
  void OnRescale() override { RescaleBitmap(); }
  /** The handle at a value (a negative value: the current one). */
  IRECT GetHandleBounds(double value = -1.0) const;

protected:
  IBitmap mTrackBitmap;
};

} // namespace fx::gfx
