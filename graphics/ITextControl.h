#pragma once
// A string on a filled background. It never takes pointer input. With set-bounds-from-string
// its bounds follow the measured size of the string, centred where they were. Main thread only.

#include "core/FxString.h"
#include "graphics/IControl.h"

namespace fx::gfx {

class ITextControl : public IControl
{
public:
  ITextControl(const IRECT& bounds, const char* str = "", const IText& text = IText(),
               const IColor& bgColor = kColorTransparent, bool setBoundsBasedOnStr = false);

  /** Nothing for the current string; re-centres the bounds when they follow the string. Does not
   *  mark the control dirty. */
  virtual void SetStr(const char* str);
  /** printf-style, at most maxLength characters; no re-centring, no dirty mark. */
  virtual void SetStrFmt(int maxLength, const char* format, ...) __attribute__((format(printf, 3, 4)));
  virtual void ClearStr() { SetStr(""); }
  const char* GetStr() const { return mStr.Get(); }

  void OnInit() override;
  /** The background, then the string unless it is being edited in a text entry. */
  void Draw(IGfx& g) override;

  /** The bounds take the measured size of the string, keeping their centre. */
  void SetBoundsBasedOnStr();
  const IColor& GetBGColor() const { return mBGColor; }
  void SetBGColor(const IColor& color) { mBGColor = color; }

protected:
  FxString mStr;
  IColor mBGColor;
  bool mSetBoundsBasedOnStr;
};

} // namespace fx::gfx
