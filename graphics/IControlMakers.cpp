#include "graphics/IControlMakers.h"

#include "graphics/IBitmapControl.h"
#include "graphics/IBubbleControl.h"
#include "graphics/ICornerResizerControl.h"
#include "graphics/IFPSDisplayControl.h"
#include "graphics/IPanelControl.h"
#include "graphics/ISVGControl.h"

namespace fx::gfx {

namespace {

IControlMakers DefaultMakers()
{
  IControlMakers m;
  m.bitmap = [](float x, float y, const IBitmap& bitmap, int paramIdx, int blendMethod) -> IControl* {
    return new IBitmapControl(x, y, bitmap, paramIdx, blendMethod);
  };
  m.svg = [](const IRECT& bounds, const ISVG& svg, bool useLayer) -> IControl* {
    return new ISVGControl(bounds, svg, useLayer);
  };
  m.panel = [](const IRECT& bounds, const IPattern& pattern, bool drawFrame) -> IControl* {
    return new IPanelControl(bounds, pattern, drawFrame);
  };
  m.cornerResizer = [](const IRECT& editorArea, float size, const IColor& color, const IColor& mouseOverColor,
                       const IColor& dragColor) -> IControl* {
    return new ICornerResizerControl(editorArea, size, color, mouseOverColor, dragColor);
  };
  m.bubble = [](const IText& text, const IColor& fillColor, const IColor& strokeColor,
                float roundness) -> IBubbleControlBase* {
    return new IBubbleControl(text, fillColor, strokeColor, roundness);
  };
  m.fpsDisplay = [](const IRECT& bounds, int mode, const char* label) -> IFPSDisplayControlBase* {
    return new IFPSDisplayControl(bounds, mode, label);
  };
  return m;
}

} // namespace

IControlMakers& GetControlMakers()
{
  static IControlMakers makers = DefaultMakers();
  return makers;
}

} // namespace fx::gfx
