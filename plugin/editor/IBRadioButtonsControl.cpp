#include "plugin/editor/IBRadioButtonsControl.h"

#include "core/IParam.h"
#include "graphics/IGfx.h"

#include <cmath>

using namespace fx::gfx;

namespace {

// The parameter's value as a whole number; a value that is not a number stands for no button.
bool WholeValue(const fx::IParam& param, int& out)
{
  const double v = param.Value();
  if (!std::isfinite(v)) return false;
  out = static_cast<int>(v);
  return true;
}

} // namespace

IBRadioButtonsControl::IBRadioButtonsControl(const IRECT& bounds, int paramIdx, std::initializer_list<Button> buttons,
                                             bool toggleOffMode)
  : IControl(bounds, paramIdx), mToggleOff(toggleOffMode)
{
  for (const Button& b : buttons)
  {
    mRects.push_back(b.first);
    mBitmaps.push_back(b.second);
  }
  mDblAsSingleClick = true;
}

void IBRadioButtonsControl::OnMouseDown(float x, float y, const IMouseMod& mod)
{
  mMod = mod;
  const fx::IParam* param = GetParam();
  if (!param) return;
  for (int i = 0; i < NButtons(); ++i)
  {
    if (!mRects[static_cast<size_t>(i)].Contains(x, y)) continue;
    double real = i;
    if (mToggleOff)
    {
      int current = 0;
      real = (WholeValue(*param, current) && current == i + 1) ? 0.0 : i + 1;
    }
    SetValue(NormalizedFromParam(*param, real));
    SetDirty(true);
  }
}

void IBRadioButtonsControl::OnMouseUp(float /*x*/, float /*y*/, const IMouseMod& /*mod*/) { mMod = IMouseMod(); }

void IBRadioButtonsControl::Draw(IGfx& g)
{
  const fx::IParam* param = GetParam();
  int c = 0;
  if (!param || !WholeValue(*param, c)) return;
  int lit = c; // the button drawn with frame 2
  if (mToggleOff)
  {
    if (c < 0 || c > NButtons()) return;
    lit = c - 1; // 0: every button unlit
  }
  else if (c < 0 || c >= NButtons())
    return;
  for (int i = 0; i < NButtons(); ++i)
    g.DrawBitmapFrame(mBitmaps[static_cast<size_t>(i)], mRects[static_cast<size_t>(i)], i == lit ? 2 : 1, &mBlend);
}
