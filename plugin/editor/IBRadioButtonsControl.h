#pragma once
// Groups of two-frame bitmap buttons bound to one enumerated parameter: IBRadioButtonsControl3
// and IBRadioButtonsControl5. In index mode the parameter's value is the index of the lit button;
// in toggle-off mode button i stands for the value i + 1 and a click on the lit one sets 0 (no
// button lit). A quick second click counts as a second click. Main thread only.

#include "graphics/IControl.h"
#include "graphics/records/IBitmap.h"

#include <initializer_list>
#include <utility>
#include <vector>

class IBRadioButtonsControl : public fx::gfx::IControl
{
public:
  using Button = std::pair<fx::gfx::IRECT, fx::gfx::IBitmap>;

  IBRadioButtonsControl(const fx::gfx::IRECT& bounds, int paramIdx, std::initializer_list<Button> buttons,
                        bool toggleOffMode);

  /** Every button containing the point sets its value and commits it. */
  void OnMouseDown(float x, float y, const fx::gfx::IMouseMod& mod) override;
  void OnMouseUp(float x, float y, const fx::gfx::IMouseMod& mod) override;
  /** Frame 2 for the button of the parameter's value, frame 1 for the others; nothing at all for
   *  a value no button stands for. */
  void Draw(fx::gfx::IGfx& g) override;

  int NButtons() const { return static_cast<int>(mRects.size()); }
  const fx::gfx::IRECT& GetButtonRect(int i) const { return mRects[static_cast<size_t>(i)]; }
  bool GetToggleOffMode() const { return mToggleOff; }

private:
  std::vector<fx::gfx::IRECT> mRects;
  std::vector<fx::gfx::IBitmap> mBitmaps;
  bool mToggleOff;
  fx::gfx::IMouseMod mMod;
};

class IBRadioButtonsControl3 : public IBRadioButtonsControl
{
public:
  IBRadioButtonsControl3(const fx::gfx::IRECT& bounds, int paramIdx, const fx::gfx::IRECT& button1,
                         const fx::gfx::IBitmap& bitmap1, const fx::gfx::IRECT& button2,
                         const fx::gfx::IBitmap& bitmap2, const fx::gfx::IRECT& button3,
                         const fx::gfx::IBitmap& bitmap3, bool toggleOffMode)
    : IBRadioButtonsControl(bounds, paramIdx, {{button1, bitmap1}, {button2, bitmap2}, {button3, bitmap3}},
                            toggleOffMode)
  {
  }
};

class IBRadioButtonsControl5 : public IBRadioButtonsControl
{
public:
  IBRadioButtonsControl5(const fx::gfx::IRECT& bounds, int paramIdx, const fx::gfx::IRECT& button1,
                         const fx::gfx::IBitmap& bitmap1, const fx::gfx::IRECT& button2,
                         const fx::gfx::IBitmap& bitmap2, const fx::gfx::IRECT& button3,
                         const fx::gfx::IBitmap& bitmap3, const fx::gfx::IRECT& button4,
                         const fx::gfx::IBitmap& bitmap4, const fx::gfx::IRECT& button5,
                         const fx::gfx::IBitmap& bitmap5, bool toggleOffMode)
    : IBRadioButtonsControl(bounds, paramIdx,
                            {{button1, bitmap1}, {button2, bitmap2}, {button3, bitmap3}, {button4, bitmap4},
                             {button5, bitmap5}},
                            toggleOffMode)
  {
  }
};
