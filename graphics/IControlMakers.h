#pragma once
// How the editor makes the controls it creates itself: its backgrounds, the corner resizer,
// value bubbles, the frame-rate display, and the in-editor text field and pop-up menu of the
// control library. One process-wide table, filled before editors are made: the control base's
// own unit supplies the first six; the control library registers the last two (without them the
// editor uses the platform's text field and menus). An empty entry makes the editor's operation
// do nothing. Main thread.

#include "graphics/IPattern.h"
#include "graphics/ISVG.h"
#include "graphics/records/IBitmap.h"
#include "graphics/records/IColor.h"
#include "graphics/records/IRECT.h"
#include "graphics/records/IText.h"

#include <functional>

namespace fx::gfx {

class IControl;
class IBubbleControlBase;
class IFPSDisplayControlBase;
class IPopupMenuControlBase;
class ITextEntryControlBase;

struct IControlMakers
{
  /** A bitmap control at (x, y), one frame large. */
  std::function<IControl*(float x, float y, const IBitmap& bitmap, int paramIdx, int blendMethod)> bitmap;
  std::function<IControl*(const IRECT& bounds, const ISVG& svg, bool useLayer)> svg;
  std::function<IControl*(const IRECT& bounds, const IPattern& pattern, bool drawFrame)> panel;
  /** The corner resizer over the bottom-right square of editorArea. */
  std::function<IControl*(const IRECT& editorArea, float size, const IColor& color, const IColor& mouseOverColor,
                          const IColor& dragColor)>
    cornerResizer;
  std::function<IBubbleControlBase*(const IText& text, const IColor& fillColor, const IColor& strokeColor,
                                    float roundness)>
    bubble;
  std::function<IFPSDisplayControlBase*(const IRECT& bounds, int mode, const char* label)> fpsDisplay;
  std::function<ITextEntryControlBase*()> textEntry;
  std::function<IPopupMenuControlBase*(const IText& text, const IRECT& bounds)> popupMenu;
};

/** The process-wide table. */
IControlMakers& GetControlMakers();

} // namespace fx::gfx
