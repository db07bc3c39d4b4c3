// Menus and their items. A menu retains its items and an item its submenu;
// an item's target is not retained. popUpMenuPositioningItem shows the menu
// modally: the installed modal responder (NSModalResponder.h) or, with a
// desktop window shown, the person chooses; the chosen item's action is
// then sent to its target with the item as sender. Main thread only.
#pragma once

#include <vector>

#include <AppKit/NSView.h>

class NSMenuItem;
class NSImage;

typedef NSInteger NSControlStateValue;
enum : NSInteger { NSControlStateValueMixed = -1, NSControlStateValueOff = 0, NSControlStateValueOn = 1 };
enum : NSInteger { NSMixedState = -1, NSOffState = 0, NSOnState = 1 };

class NSMenu : public NSObject {
  NS_CLASS(NSMenu, NSObject)
 public:
  NSMenu* initWithTitle(NSString* title);
  NSMenu* init() override { return initWithTitle(NSString::string()); }
  void dealloc() override;

  NSString* title() const { return title_; }
  void setTitle(NSString* title);
  NSMenu* supermenu() const { return supermenu_; }
  BOOL autoenablesItems() const { return autoenables_; }
  void setAutoenablesItems(BOOL autoenables) { autoenables_ = autoenables; }

  void addItem(NSMenuItem* item);  // retained; an item of another menu is refused
  void insertItem(NSMenuItem* item, NSInteger index);
  // A new item added to the menu (owned by the menu).
  NSMenuItem* addItemWithTitle(NSString* title, SEL action, NSString* keyEquivalent);
  void removeItem(NSMenuItem* item);
  void removeAllItems();
  NSInteger numberOfItems() const { return static_cast<NSInteger>(items_.size()); }
  NSMenuItem* itemAtIndex(NSInteger index) const;  // nil outside
  NSInteger indexOfItem(NSMenuItem* item) const;   // -1 when not an item of this menu
  NSMenuItem* itemWithTag(NSInteger tag) const;
  NSMenuItem* itemWithTitle(NSString* title) const;
  NSArray* itemArray() const;  // autoreleased
  const std::vector<NSMenuItem*>& items() const { return items_; }
  void setSubmenu(NSMenu* menu, NSMenuItem* item);

  // Shows the menu modally with item (or the first) at location in view's
  // coordinates (screen coordinates without a view). YES when an item was
  // chosen (its action has then been sent).
  BOOL popUpMenuPositioningItem(NSMenuItem* item, NSPoint location, NSView* view);
  // Sends the item's action to its target (the view's responder chain when
  // it has none); what a choice does.
  void performActionForItemAtIndex(NSInteger index);

 protected:
  NSMenu() = default;

 private:
  friend class NSMenuItem;
  NSString* title_ = nullptr;
  NSMenu* supermenu_ = nullptr;
  std::vector<NSMenuItem*> items_;
  bool autoenables_ = true;
  NSView* popUpView_ = nullptr;  // during a pop-up
};

class NSMenuItem : public NSObject {
  NS_CLASS(NSMenuItem, NSObject)
 public:
  static NSMenuItem* separatorItem();  // autoreleased
  NSMenuItem* initWithTitle(NSString* title, SEL action, NSString* keyEquivalent);
  NSMenuItem* init() override { return initWithTitle(NSString::string(), nullptr, NSString::string()); }
  void dealloc() override;

  NSString* title() const { return title_; }
  void setTitle(NSString* title);
  SEL action() const { return action_; }
  void setAction(SEL action) { action_ = action; }
  id target() const { return target_; }
  void setTarget(id target) { target_ = target; }  // not retained
  NSInteger tag() const { return tag_; }
  void setTag(NSInteger tag) { tag_ = tag; }
  NSControlStateValue state() const { return state_; }
  void setState(NSControlStateValue state) { state_ = state; }
  BOOL isEnabled() const { return enabled_; }
  void setEnabled(BOOL enabled) { enabled_ = enabled; }
  BOOL isHidden() const { return hidden_; }
  void setHidden(BOOL hidden) { hidden_ = hidden; }
  NSInteger indentationLevel() const { return indentation_; }
  void setIndentationLevel(NSInteger level) { indentation_ = level < 0 ? 0 : level > 15 ? 15 : level; }
  NSString* keyEquivalent() const { return keyEquivalent_; }
  void setKeyEquivalent(NSString* key);
  BOOL isSeparatorItem() const { return separator_; }
  NSMenu* submenu() const { return submenu_; }
  void setSubmenu(NSMenu* submenu);  // retained; its supermenu becomes this item's menu
  BOOL hasSubmenu() const { return submenu_ != nullptr; }
  NSMenu* menu() const { return menu_; }
  id representedObject() const { return represented_; }
  void setRepresentedObject(id object);

 protected:
  NSMenuItem() = default;

 private:
  friend class NSMenu;
  NSString* title_ = nullptr;
  SEL action_ = nullptr;
  id target_ = nil;
  NSInteger tag_ = 0;
  NSControlStateValue state_ = NSControlStateValueOff;
  bool enabled_ = true;
  bool hidden_ = false;
  NSInteger indentation_ = 0;
  NSString* keyEquivalent_ = nullptr;
  bool separator_ = false;
  NSMenu* submenu_ = nullptr;
  NSMenu* menu_ = nullptr;
  id represented_ = nil;
};
