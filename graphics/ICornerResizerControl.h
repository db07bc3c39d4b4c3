#pragma once
// The square in the editor's bottom-right corner that resizes the editor when dragged (by scale
// or by size, as the editor was told when it attached it); a double click brings back the size
// the editor had when the resizer was made, at scale 1. Main thread only.

#include "graphics/IControl.h"

namespace fx::gfx {

class ICornerResizerControl : public IControl
{
public:
  /** editorArea: (0, 0, editor width, editor height); size: the square's side at scale 1. */
  ICornerResizerControl(const IRECT& editorArea, float size, const IColor& color = kColorTranslucent,
                        const IColor& mouseOverColor = kColorBlack, const IColor& dragColor = kColorBlack);

  void Draw(IGfx& g) override;
  /** Drags now resize the editor. */
  void OnMouseDown(float x, float y, const IMouseMod& mod) override;
  void OnMouseDblClick(float x, float y, const IMouseMod& mod) override;
  /** The resize cursor while hovered. */
  void OnMouseOver(float x, float y, const IMouseMod& mod) override;
  void OnMouseOut() override;
  /** Back into the corner of the editor's current size and scale. */
  void OnRescale() override;

  float GetSize() const { return mSize; }
  const IRECT& GetInitialGraphicsBounds() const { return mInitialGraphicsBounds; }

protected:
  float mSize;
  bool mHasChangedCursor = false;
  ECursor mPrevCursorType = kArrowCursor;
  IRECT mInitialGraphicsBounds;
  IColor mColor;
  IColor mMouseOverColor;
  IColor mDragColor;
};

} // namespace fx::gfx
