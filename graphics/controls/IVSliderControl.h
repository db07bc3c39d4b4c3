#pragma once
// A vector slider: a track filled up to the value with a handle at the fill's end, the label above
// and the value text below. A press jumps to the pointer for continuous parameters and a drag
// follows; with an editable value a press on the value text asks for the value as text instead.
// Main thread only.

#include "graphics/ISliderControlBase.h"
#include "graphics/controls/IVEditableValueBase.h"

namespace fx::gfx {

class IVSliderControl : public IVEditableValueBase<ISliderControlBase>
{
public:
  IVSliderControl(const IRECT& bounds, int paramIdx, const char* label = "", const IVStyle& style = IVStyleDefault,
                  bool valueIsEditable = false, EDirection direction = kVertical, bool handleInsideTrack = false,
                  double gearing = 4.0, float handleSize = 8.f, float trackSize = 2.f);
  IVSliderControl(const IRECT& bounds, IActionFunction action, const char* label = "",
                  const IVStyle& style = IVStyleDefault, bool valueIsEditable = false,
                  EDirection direction = kVertical, bool handleInsideTrack = false, double gearing = 4.0,
                  float handleSize = 8.f, float trackSize = 2.f);

  void DrawWidget(IGfx& g) override;
  /** The track in the shadow colour, the filled part in extra 1, the frame. */
  virtual void DrawSliderTrack(IGfx& g, const IRECT& filledArea);
  virtual void DrawSliderHandle(IGfx& g, const IRECT& bounds);

  /** Layout, then the track: a strip 2 × track size wide down the middle of the widget, inset
   *  by the handle size. */
  void OnResize() override;

  /** The part of the track up to the value. */
  IRECT GetFilledArea() const;
  /** The handle square around the fill's end. */
  IRECT GetHandleBounds() const;

protected:
  bool mHandleInsideTrack;
};

} // namespace fx::gfx
