#include "graphics/controls/IControlLibrary.h"

#include "graphics/IControlMakers.h"
#include "graphics/controls/IPopupMenuControl.h"
#include "graphics/controls/ITextEntryControl.h"

namespace fx::gfx {

void RegisterControlLibrary()
{
  IControlMakers& makers = GetControlMakers();
  makers.textEntry = []() -> ITextEntryControlBase* { return new ITextEntryControl(); };
  makers.popupMenu = [](const IText& text, const IRECT& bounds) -> IPopupMenuControlBase* {
    return new IPopupMenuControl(-1, text, IRECT(), bounds);
  };
}

} // namespace fx::gfx
