#pragma once
// A vector slider: a track filled up to the value with a handle at the fill's end, the label above
// and the value text below. A press jumps to the pointer for continuous parameters and a drag
// follows; with an editable value a press on the value text asks for the value as text instead.
// Main thread only.

#include "graphics/ISliderControlBase.h"
#include "graphics/IVectorBase.h"

namespace fx::gfx {

class IVSliderControl : public ISliderControlBase, public IVectorBase
{
public:
  IVSliderControl(const IRECT& bounds, int paramIdx, const char* label = "", const IVStyle& style = IVStyleDefault,
                  bool valueIsEditable = false, EDirection direction = kVertical, bool handleInsideTrack = false,
                  double gearing = 4.0, float handleSize = 8.f, float trackSize = 2.f);
  IVSliderControl(const IRECT& bounds, IActionFunction action, const char* label = "",
                  const IVStyle& style = IVStyleDefault, bool valueIsEditable = false,
                  EDirection direction = kVertical, bool handleInsideTrack = false, double gearing = 4.0,
                  float handleSize = 8.f, float trackSize = 2.f);

  void Draw(IGfx& g) override;
  void DrawWidget(IGfx& g) override;
  /** The track in the shadow colour, the filled part in extra 1, the frame. */
  virtual void DrawSliderTrack(IGfx& g, const IRECT& filledArea);
  virtual void DrawSliderHandle(IGfx& g, const IRECT& bounds);

  void OnInit() override;
  /** Layout, then the track: a strip 2 × track size wide down the middle of the widget, inset
   *  by the handle size. */
  void OnResize() override;
  void OnMouseDown(float x, float y, const IMouseMod& mod) override;
  void OnMouseUp(float x, float y, const IMouseMod& mod) override;
  /** Only a drag that a press on the slider started moves it. */
  void OnMouseDrag(float x, float y, float dX, float dY, const IMouseMod& mod) override;
  void OnMouseOver(float x, float y, const IMouseMod& mod) override;
  void OnMouseOut() override;
  void SetDirty(bool triggerAction = true, int valIdx = -1) override;
  bool IsHit(float x, float y) const override;

  /** The part of the track up to the value. */
  IRECT GetFilledArea() const;
  /** The handle square around the fill's end. */
  IRECT GetHandleBounds() const;

protected:
  bool mHandleInsideTrack;
  bool mValueMouseOver = false;
  bool mValueIsEditable;
};

} // namespace fx::gfx
