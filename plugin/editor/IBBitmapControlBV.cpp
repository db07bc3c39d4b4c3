#include "plugin/editor/IBBitmapControlBV.h"

#include "plugin/editor/EditorControlSupport.h"

IBBitmapControlBV::IBBitmapControlBV(int x, int y, const fx::gfx::IBitmap& bitmap)
  : IControl(editorbv::FrameRectAt(static_cast<float>(x), static_cast<float>(y), bitmap)), IBitmapBase(bitmap)
{
  AttachIControl(this);
}
