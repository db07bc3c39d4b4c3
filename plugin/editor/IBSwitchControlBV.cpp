#include "plugin/editor/IBSwitchControlBV.h"

#include "graphics/IGfx.h"
#include "plugin/editor/EditorControlSupport.h"

using namespace fx::gfx;

IBSwitchControlBV::IBSwitchControlBV(float x, float y, const IBitmap& bitmap, int paramIdx)
  : ISwitchControlBase(editorbv::FrameRectAt(x, y, bitmap), paramIdx, nullptr, bitmap.N()), IBitmapBase(bitmap)
{
  AttachIControl(this);
}

void IBSwitchControlBV::OnMouseDown(float x, float y, const IMouseMod& mod)
{
  mMod = mod;
  ISwitchControlBase::OnMouseDown(x, y, mod);
}

void IBSwitchControlBV::OnMouseUp(float x, float y, const IMouseMod& mod)
{
  mMod = IMouseMod();
  ISwitchControlBase::OnMouseUp(x, y, mod);
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

void IBSwitchControlBV::OnRescale() { editorbv::ReloadForScale(*this, mBitmap); }

void IBSwitchControlBV::Draw(IGfx& g)
{
  if (!mVisible) return;
  if (mHoverHighlight && mMouseOver) g.FillRoundRect(mHighlightColour, editorbv::FrameRectIn(mRECT, mBitmap), 2.f, &mBlend);
  DrawBitmap(g);
}
