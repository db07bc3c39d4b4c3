#pragma once
// Bitmap knobs: IBKnobControl shows the frame of a film strip that its value selects;
// IBKnobRotaterControl turns one picture about its centre, -130° at 0 to 130° at 1. Both take
// the size of one frame, centred in the bounds given, and turn by the knob base's drag and
// wheel. Main thread only.

#include "graphics/IBitmapBase.h"
#include "graphics/IKnobControlBase.h"

namespace fx::gfx {

class IBKnobControl : public IKnobControlBase, public IBitmapBase
{
public:
  IBKnobControl(const IRECT& bounds, const IBitmap& bitmap, int paramIdx = -1, EDirection direction = kVertical,
                double gearing = 4.0);
  /** One frame large at (x, y). */
  IBKnobControl(float x, float y, const IBitmap& bitmap, int paramIdx = -1, EDirection direction = kVertical,
                double gearing = 4.0);

  void Draw(IGfx& g) override { DrawBitmap(g); }
  void OnRescale() override { RescaleBitmap(); }
};

class IBKnobRotaterControl : public IBKnobControl
{
public:
  using IBKnobControl::IBKnobControl;

  /** The whole bitmap turned by value × 260 - 130 degrees about the centre. */
  void Draw(IGfx& g) override;
  float GetAngle() const { return static_cast<float>(GetValue()) * 260.f - 130.f; }
};

} // namespace fx::gfx
