// The native pop-up menu of the editor view: an NSMenu built from the graphics core's menu
// model (numbered titles, separators, submenus, title indentation, disabled and checked items),
// and the view that receives the chosen item. Main thread only.
#pragma once

#include <AppKit/AppKit.h>

#include "graphics/IPopupMenu.h"

namespace fx::gfx {

class IGfxMenuRcvr_vORBEX9_au : public NSView {
  NS_CLASS(IGfxMenuRcvr_vORBEX9_au, NSView)
 public:
  void onMenuSelection(NSMenuItem* item) { nsMenuItem = item; }
  // The item last chosen (nil before a choice).
  NSMenuItem* menuItem() const { return nsMenuItem; }

 protected:
  IGfxMenuRcvr_vORBEX9_au() = default;

 private:
  NSMenuItem* nsMenuItem = nullptr;
};

class IGfxMenu_vORBEX9_au : public NSMenu {
  NS_CLASS(IGfxMenu_vORBEX9_au, NSMenu)
 public:
  // The menu of the model's items (and submenus, recursively), each sending onMenuSelection: to
  // receiver. The model is not owned.
  IGfxMenu_vORBEX9_au* initWithIPopupMenuAndReceiver(IPopupMenu& menu, NSView* receiver);
  IPopupMenu* iPopupMenu() const { return mIPopupMenu; }

 protected:
  IGfxMenu_vORBEX9_au() = default;

 private:
  IPopupMenu* mIPopupMenu = nullptr;
};

}  // namespace fx::gfx
