#pragma once
// The live display text of a parameter (with its unit label when asked); a click opens the
// parameter's prompt (a menu for enumerated parameters, which show a small downward triangle
// at the right, else a text entry). Main thread only.

#include "graphics/ITextControl.h"

namespace fx::gfx {

class ICaptionControl : public ITextControl
{
public:
  ICaptionControl(const IRECT& bounds, int paramIdx, const IText& text = IText(),
                  const IColor& bgColor = kColorTransparent, bool showParamLabel = true);

  void Draw(IGfx& g) override;
  void OnMouseDown(float x, float y, const IMouseMod& mod) override;
  /** Places the triangle of an enumerated parameter. */
  void OnResize() override;

  const IRECT& GetMarkerRECT() const { return mTri; }

protected:
  bool mShowParamLabel;
  IColor mTriangleColor = kColorBlack;
  IColor mTriangleMouseOverColor = kColorWhite;
  IRECT mTri;
};

} // namespace fx::gfx
