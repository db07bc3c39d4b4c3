#pragma once
// An underlined link: a click opens its address through the editor (a web address or a file
// path); the text shows the mouse-over colour under the pointer and the clicked colour once
// followed. Main thread only.

#include "graphics/ITextControl.h"

namespace fx::gfx {

class IURLControl : public ITextControl
{
public:
  IURLControl(const IRECT& bounds, const char* str, const char* url, const IText& text = IText(),
              const IColor& bgColor = kColorTransparent, const IColor& mouseOverColor = kColorWhite,
              const IColor& clickedColor = kColorBlue);

  void Draw(IGfx& g) override;
  void OnMouseDown(float x, float y, const IMouseMod& mod) override;
  /** The pointing-hand cursor. */
  void OnMouseOver(float x, float y, const IMouseMod& mod) override;
  void OnMouseOut() override;

  const char* GetURL() const { return mURLStr.Get(); }
  bool GetClicked() const { return mClicked; }

protected:
  FxString mURLStr;
  IColor mOriginalColor;
  IColor mMOColor;
  IColor mClickedColor;
  bool mClicked = false;
};

} // namespace fx::gfx
