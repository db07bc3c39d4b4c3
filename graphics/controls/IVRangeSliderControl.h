#pragma once
// A range slider: one shared track with a triangular handle per value slot; the span between
// neighbouring handles is filled. A handle is dragged only between its neighbours, so handles
// never pass each other. Main thread only.

#include "graphics/controls/IVTrackControlBase.h"

namespace fx::gfx {

class IVRangeSliderControl : public IVTrackControlBase
{
public:
  IVRangeSliderControl(const IRECT& bounds, const std::vector<int>& params, const char* label = "",
                       const IVStyle& style = IVStyleDefault, EDirection direction = kHorizontal,
                       float handleSize = 8.f, float trackSize = 2.f);

  void Draw(IGfx& g) override;
  void DrawWidget(IGfx& g) override;
  /** The handle of slot chIdx. */
  void DrawTrack(IGfx& g, const IRECT& r, int chIdx) override;
  /** Every slot shares one track along the middle, inset by the handle size at both ends. */
  void MakeTrackRects(const IRECT& bounds) override;

  void OnMouseOver(float x, float y, const IMouseMod& mod) override;
  void OnMouseOut() override;
  void OnMouseDown(float x, float y, const IMouseMod& mod) override;
  void OnMouseUp(float x, float y, const IMouseMod& mod) override;
  void OnMouseDrag(float x, float y, float dX, float dY, const IMouseMod& mod) override;

  /** The handle of slot i; odd slots on one side of the track, even ones on the other. */
  IRECT GetHandleBounds(int i) const;
  int GetMouseOverHandle() const { return mMouseOverHandle; }

protected:
  /** The first slot whose handle contains the point, -1 when none. */
  int HandleForPos(float x, float y) const;
  /** Where a value lies along the track. */
  float PositionOf(double value) const;

  int mMouseOverHandle = -1;
  float mHandleSize;
  bool mMouseDown = false;
};

} // namespace fx::gfx
