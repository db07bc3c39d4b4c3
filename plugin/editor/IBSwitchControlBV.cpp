#include "plugin/editor/IBSwitchControlBV.h"

#include "graphics/IGfx.h"
#include "plugin/editor/EditorControlSupport.h"

using namespace fx::gfx;

IBSwitchControlBV::IBSwitchControlBV(float x, float y, const IBitmap& bitmap, int paramIdx)
  : IBSwitchControl(x, y, bitmap, paramIdx)
{
}

void IBSwitchControlBV::OnMouseDown(float x, float y, const IMouseMod& mod)
{
  mMod = mod;
  IBSwitchControl::OnMouseDown(x, y, mod);
}

void IBSwitchControlBV::OnMouseUp(float x, float y, const IMouseMod& mod)
{
  mMod = IMouseMod();
  IBSwitchControl::OnMouseUp(x, y, mod);
}

void IBSwitchControlBV::OnMouseOver(float /*x*/, float /*y*/, const IMouseMod& /*mod*/)
{
  mMouseOver = true;
  SetDirty(false);
}

void IBSwitchControlBV::OnMouseOut()
{
  mMouseOver = false;
  SetDirty(false);
}

void IBSwitchControlBV::Draw(IGfx& g)
{
  if (!mVisible) return;
  if (mHoverHighlight && mMouseOver)
    g.FillRoundRect(mHighlightColour, editorbv::FrameRectIn(mRECT, mBitmap), 2.f, &mBlend);
  DrawBitmap(g);
}
