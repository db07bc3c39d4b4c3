#pragma once
// The frame-timing display the editor shows on request: the last 100 frame times plotted as
// frames per second, milliseconds or the raw figure, with the average and the drawing back end's
// name. A click cycles the three modes. Redraws every frame. Main thread only.

#include "core/FxString.h"
#include "graphics/ISpecialControls.h"
#include "graphics/IVectorBase.h"

namespace fx::gfx {

class IFPSDisplayControl : public IFPSDisplayControlBase, public IVectorBase
{
public:
  enum EMode : int
  {
    kFPS = 0,
    kMilliseconds = 1,
    kRaw = 2,
  };

  IFPSDisplayControl(const IRECT& bounds, int mode = kFPS, const char* label = "");

  void OnMouseDown(float x, float y, const IMouseMod& mod) override;
  bool IsDirty() override { return true; }
  void Draw(IGfx& g) override;

  int GetMode() const { return mMode; }
  /** The mean of the 100 frame times, in seconds. */
  double GetAverage() const;
  /** The figures as shown: the main one, then the second (empty outside the frames mode). */
  void GetFigures(FxString& main, FxString& second) const;

protected:
  int mMode;
  FxString mLabel;
  IText mAPIText{14.f};
  IText mPrimaryText{18.f};
  IText mSecondaryText{15.f};
};

} // namespace fx::gfx
