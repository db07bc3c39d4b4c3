#pragma once
// The update icon in the editor's header: a click asks the plug-in to check for a newer version
// (its action index); frame 2 of its two-frame bitmap shows while the pointer is over it. Values
// set from outside change neither the picture nor the stored value. Main thread only.

#include "graphics/IBitmapBase.h"
#include "graphics/IControl.h"

class IBUpdateControlBV : public fx::gfx::IControl, public fx::gfx::IBitmapBase
{
public:
  /** One frame of the bitmap at (x, y); actionIdx -1 makes the icon inert. */
  IBUpdateControlBV(int x, int y, const fx::gfx::IBitmap& bitmap, int actionIdx);

  void OnMouseDown(float x, float y, const fx::gfx::IMouseMod& mod) override;
  void OnMouseUp(float, float, const fx::gfx::IMouseMod&) override {}
  void OnMouseDrag(float, float, float, float, const fx::gfx::IMouseMod&) override {}
  void OnMouseDblClick(float, float, const fx::gfx::IMouseMod&) override {}
  void OnMouseWheel(float, float, const fx::gfx::IMouseMod&, float) override {}
  void OnMouseOver(float x, float y, const fx::gfx::IMouseMod& mod) override;
  void OnMouseOut() override;
  void Draw(fx::gfx::IGfx& g) override;
  void SetValue(double, int = 0) override {}

  bool GetHovered() const { return mMouseOver; }

private:
  int mActionIdx;
  bool mMouseOver = false;
};
