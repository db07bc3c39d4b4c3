#pragma once
// A vector knob: a value arc around a round handle with a pointer, the label above and the value
// text below (or inside). A drag turns it; with an editable value a press on the value text asks
// for the value as text instead. Angles are degrees, 0 straight up, growing clockwise. Main
// thread only.

#include "graphics/IKnobControlBase.h"
#include "graphics/controls/IVEditableValueBase.h"

namespace fx::gfx {

class IVKnobControl : public IVEditableValueBase<IKnobControlBase>
{
public:
  IVKnobControl(const IRECT& bounds, int paramIdx, const char* label = "", const IVStyle& style = IVStyleDefault,
                bool valueIsEditable = false, bool valueInWidget = false, float a1 = -135.f, float a2 = 135.f,
                float aAnchor = -135.f, EDirection direction = kVertical, double gearing = 4.0,
                float trackSize = 2.f);
  IVKnobControl(const IRECT& bounds, IActionFunction action, const char* label = "",
                const IVStyle& style = IVStyleDefault, bool valueIsEditable = false, bool valueInWidget = false,
                float a1 = -135.f, float a2 = 135.f, float aAnchor = -135.f, EDirection direction = kVertical,
                double gearing = 4.0, float trackSize = 2.f);

  /** A strip across the widget whose extent gives the drag its full range. */
  IRECT GetKnobDragBounds() override;
  void DrawWidget(IGfx& g) override;
  /** The value arc from the anchor to the value's angle (none for a track size of 0). */
  virtual void DrawKnobTrack(IGfx& g, float angle, float cx, float cy, float radius);
  virtual void DrawKnobPointer(IGfx& g, float angle, float cx, float cy, float radius);

  void OnResize() override;
  /** As every editable value control, then a redraw. */
  void OnMouseDown(float x, float y, const IMouseMod& mod) override;

  /** The angle the value shows. */
  float GetAngle() const { return mAngle1 + (mAngle2 - mAngle1) * static_cast<float>(GetValue()); }
  /** The handle's diameter for the current widget. */
  float GetHandleDiameter() const;

protected:
  float mTrackToHandleDistance = 4.f;
  float mInnerPointerFrac = 0.1f;
  float mOuterPointerFrac = 1.f;
  float mPointerThickness = 2.5f;
  float mAngle1;
  float mAngle2;
  float mAnchorAngle;
};

} // namespace fx::gfx
