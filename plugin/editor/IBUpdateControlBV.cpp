#include "plugin/editor/IBUpdateControlBV.h"

#include "graphics/IGfx.h"
#include "plugin/editor/EditorControlSupport.h"

using namespace fx::gfx;

IBUpdateControlBV::IBUpdateControlBV(int x, int y, const IBitmap& bitmap, int actionIdx)
  : IControl(editorbv::FrameRectAt(static_cast<float>(x), static_cast<float>(y), bitmap)), IBitmapBase(bitmap),
    mActionIdx(actionIdx)
{
  AttachIControl(this);
  SetTooltip("Click to check for updates");
}

void IBUpdateControlBV::OnMouseDown(float /*x*/, float /*y*/, const IMouseMod& /*mod*/)
{
  editorbv::SendAction(*this, mActionIdx);
}

void IBUpdateControlBV::OnMouseOver(float /*x*/, float /*y*/, const IMouseMod& /*mod*/)
{
  mMouseOver = true;
  SetDirty(false);
}

void IBUpdateControlBV::OnMouseOut()
{
  mMouseOver = false;
  SetDirty(false);
}

void IBUpdateControlBV::Draw(IGfx& g)
{
  g.DrawBitmapFrame(mBitmap, editorbv::FrameRectIn(mRECT, mBitmap), mMouseOver ? 2 : 1, &mBlend);
}
