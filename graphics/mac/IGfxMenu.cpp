// The native pop-up menu built from the graphics core's menu model.

#include "graphics/mac/IGfxMenu.h"

#include <cstdio>
#include <string>

namespace fx::gfx {

NS_IMPLEMENT_CLASS(IGfxMenuRcvr_vORBEX9_au,
                   {nsx::method<&IGfxMenuRcvr_vORBEX9_au::onMenuSelection>("onMenuSelection:")})
NS_IMPLEMENT_CLASS(IGfxMenu_vORBEX9_au)

namespace {

// The item's title: its text, after the item's number when the menu numbers its items.
NSString* ItemTitle(const IPopupMenu& menu, int index, const char* text)
{
  static const char* const kFormats[] = {nullptr, "%1d: ", "%02d: ", "%03d: "};
  std::string title;
  const int prefix = menu.GetPrefix();
  if (prefix >= 1 && prefix <= 3)
  {
    char number[16];
    std::snprintf(number, sizeof(number), kFormats[prefix], index + 1);
    title = number;
  }
  title += text ? text : "";
  NSString* s = NSString::stringWithUTF8String(title.c_str());
  return s ? s : NSString::stringWithCString(title.c_str(), NSASCIIStringEncoding);
}

} // namespace

IGfxMenu_vORBEX9_au* IGfxMenu_vORBEX9_au::initWithIPopupMenuAndReceiver(IPopupMenu& menu, NSView* receiver)
{
  initWithTitle(NSSTR(""));
  setAutoenablesItems(NO);
  for (int i = 0; i < menu.NItems(); ++i)
  {
    const IPopupMenu::Item* item = menu.GetItem(i);
    if (item->GetIsSeparator())
    {
      addItem(NSMenuItem::separatorItem());
      continue;
    }
    NSString* title = ItemTitle(menu, i, item->GetText());
    NSMenuItem* nsItem = nullptr;
    if (IPopupMenu* submenu = item->GetSubmenu())
    {
      nsItem = addItemWithTitle(title, nullptr, NSSTR(""));
      IGfxMenu_vORBEX9_au* nsSubmenu = alloc()->initWithIPopupMenuAndReceiver(*submenu, receiver);
      setSubmenu(nsSubmenu, nsItem);
      nsSubmenu->release();
    }
    else
    {
      nsItem = addItemWithTitle(title, sel_registerName("onMenuSelection:"), NSSTR(""));
      nsItem->setTarget(receiver);
    }
    nsItem->setIndentationLevel(item->GetIsTitle() ? 1 : 0);
    nsItem->setEnabled(item->GetEnabled());
    nsItem->setState(item->GetChecked() ? NSControlStateValueOn : NSControlStateValueOff);
  }
  mIPopupMenu = &menu;
  return this;
}

}  // namespace fx::gfx
