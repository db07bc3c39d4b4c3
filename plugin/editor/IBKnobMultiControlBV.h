#pragma once
// The product's film-strip knob: a vertical (or horizontal) drag geared against the knob's
// extent, finer with shift; the wheel moves a hundredth (a thousandth with shift, a tenth with
// control) or one whole step of a stepped parameter; control and a press restores the default.
// While the pointer is over it (or always, if so made) a box shows the parameter's value, and a
// double-click opens a value prompt over that box. Main thread only.

#include "graphics/controls/IBKnobControl.h"
#include "graphics/records/IColor.h"
#include "graphics/records/IText.h"

#include <string>

class IBKnobMultiControlBV : public fx::gfx::IBKnobControl
{
public:
  /** valueBoxPosition: 0 the knob's top edge, 1 centred, 2 its bottom edge, else the measured
   *  height as it is. valueChars: the box holds that many zeros of the text style. */
  IBKnobMultiControlBV(int x, int y, int paramIdx, const fx::gfx::IBitmap& bitmap, const fx::gfx::IText& text,
                       const fx::gfx::IColor& valueBoxColour, int valueChars, fx::gfx::EDirection direction,
                       bool disablePrompt, bool showOnHover, bool appendLabel, int valueBoxPosition, bool alwaysShow,
                       bool drawBoxBackground, double gearing, float valueBoxExtraBottom);

  void OnMouseDown(float x, float y, const fx::gfx::IMouseMod& mod) override;
  void OnMouseUp(float x, float y, const fx::gfx::IMouseMod& mod) override;
  /** Ignored with control held, for a drag area without extent and for deltas that are not
   *  numbers. */
  void OnMouseDrag(float x, float y, float dX, float dY, const fx::gfx::IMouseMod& mod) override;
  void OnMouseDblClick(float x, float y, const fx::gfx::IMouseMod& mod) override;
  void OnMouseWheel(float x, float y, const fx::gfx::IMouseMod& mod, float d) override;
  void OnMouseOver(float x, float y, const fx::gfx::IMouseMod& mod) override;
  void OnMouseOut() override;
  /** The prompt's answer is committed as if the pointer were still where it was when the prompt
   *  opened. */
  void SetValueFromUserInput(double value, int valIdx = 0) override;
  void Draw(fx::gfx::IGfx& g) override;

  /** The value box: the template's measured size, centred horizontally on the knob. */
  fx::gfx::IRECT GetValueBoxRect() const;
  bool GetHovered() const { return mMouseOver; }

private:
  bool mAppendLabel;
  bool mMouseOver = false;
  bool mShowOnHover;
  bool mAlwaysShow;
  bool mDrawBoxBackground;
  fx::gfx::IColor mValueBoxColour;
  int mValueBoxPosition;
  std::string mValueBoxTemplate;
  fx::gfx::IMouseMod mMod;
  int mPromptMouseOverIdx = -1;
  float mValueBoxExtraBottom;
};
