#pragma once
// A pad whose handle sets two values: slot 0 across (0 at the left), slot 1 up (0 at the
// bottom). Pressing and dragging moves the handle to the pointer. Main thread only.

#include "graphics/IControl.h"
#include "graphics/IVectorBase.h"

namespace fx::gfx {

class IVXYPadControl : public IControl, public IVectorBase
{
public:
  /** params: the horizontal parameter, then the vertical one. */
  IVXYPadControl(const IRECT& bounds, const std::vector<int>& params, const char* label = "",
                 const IVStyle& style = IVStyleDefault, float handleRadius = 10.f);

  void Draw(IGfx& g) override;
  void DrawWidget(IGfx& g) override;
  /** The cross-hair through the middle. */
  virtual void DrawXYPadTrack(IGfx& g);
  virtual void DrawXYPadHandle(IGfx& g, const IRECT& trackBounds, const IRECT& handleBounds);

  void OnResize() override;
  void OnMouseDown(float x, float y, const IMouseMod& mod) override;
  void OnMouseUp(float x, float y, const IMouseMod& mod) override;
  /** The point, held inside the bounds, becomes both values; an axis without extent keeps its
   *  value. */
  void OnMouseDrag(float x, float y, float dX, float dY, const IMouseMod& mod) override;

  void SetTrackClipsHandle(bool clips) { mTrackClipsHandle = clips; }
  /** The handle for the current values. */
  IRECT GetHandleBounds() const;

protected:
  /** The area the handle's centre moves in. */
  IRECT HandleArea() const;

  float mHandleRadius;
  bool mMouseDown = false;
  bool mTrackClipsHandle = true;
};

} // namespace fx::gfx
