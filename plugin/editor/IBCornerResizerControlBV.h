#pragma once
// The editor's bitmap corner resizer: it chooses, at each press, whether the drag that follows
// resizes the editor by scale or by size, and tells the plug-in through action indices when the
// scale changed or should be reset. The size pair and the scale pair of actions each count as
// given when neither of its two indices is -1; the mode follows from which pairs are given:
//   0 both pairs (the control modifier picks scale, else size), 1 size only, 2 scale only, -1
//   neither or a half-given pair (the resizer then never sends anything).
// Frame 2 of its bitmap shows while hovered or dragged. Main thread only.

#include "graphics/IBitmapBase.h"
#include "graphics/ICornerResizerControl.h"

class IBCornerResizerControlBV : public fx::gfx::ICornerResizerControl, public fx::gfx::IBitmapBase
{
public:
  /** The corner square's side is the bitmap's width. */
  IBCornerResizerControlBV(const fx::gfx::IRECT& graphicsBounds, const fx::gfx::IBitmap& bitmap, int sizeChangedAction,
                           int sizeResetAction, int scaleChangedAction, int scaleResetAction, float drawOffsetX,
                           float drawOffsetY);

  /** The resize mode for the drag (by mode), then the editor resizes while it is dragged. */
  void OnMouseDown(float x, float y, const fx::gfx::IMouseMod& mod) override;
  /** Sends the reset action of the mode (size, or scale with the control modifier in mode 0). */
  void OnMouseDblClick(float x, float y, const fx::gfx::IMouseMod& mod) override;
  /** After the draw scale changed: the scale-changed action in scale mode, else size-changed. */
  void OnRescale() override;
  /** Back into the bottom-right corner of the editor's current size. */
  void OnResize() override;
  void Draw(fx::gfx::IGfx& g) override;

  int GetMode() const { return mMode; }
  /** The mode that the four action indices give. */
  static int ModeFor(int sizeChanged, int sizeReset, int scaleChanged, int scaleReset);

private:
  int mSizeChangedAction;
  int mSizeResetAction;
  int mScaleChangedAction;
  int mScaleResetAction;
  int mMode;
  float mDrawOffsetX;
  float mDrawOffsetY;
};
