#pragma once
// A layout aid: a white box crossed by two red diagonals that shows its own position, width and
// height, and a text that a double click lets the user edit. Main thread only.

#include "graphics/ITextControl.h"

namespace fx::gfx {

class PlaceHolder : public ITextControl
{
public:
  explicit PlaceHolder(const IRECT& bounds, const char* str = "Place Holder");

  void Draw(IGfx& g) override;
  /** Writes the position and size texts. */
  void OnResize() override;
  /** Edits the text in a text entry over the bounds. */
  void OnMouseDblClick(float x, float y, const IMouseMod& mod) override;
  void OnTextEntryCompletion(const char* str, int valIdx) override;

  const char* GetPositionStr() const { return mTLGCStr.Get(); }
  const char* GetWidthStr() const { return mWidthStr.Get(); }
  const char* GetHeightStr() const { return mHeightStr.Get(); }

protected:
  /** A label at (x, y) on a white box of the given opacity. */
  static void DrawLabel(IGfx& g, const IText& text, const char* str, float x, float y, float opacity);

  IRECT mCentreLabelBounds;
  FxString mTLGCStr;
  FxString mWidthStr;
  FxString mHeightStr;
  IText mTLHCText{14.f, kColorBlack, nullptr, kAlignNear, kVAlignMiddle};
  IText mWidthText{14.f, kColorBlack};
  IText mHeightText{14.f, kColorBlack, nullptr, kAlignCenter, kVAlignMiddle, 270.f};
};

} // namespace fx::gfx
