#include <algorithm>

#include <AppKit/NSMenu.h>
#include <AppKit/NSModalResponder.h>
#include <AppKit/NSWindow.h>

NS_IMPLEMENT_CLASS(NSMenu)
NS_IMPLEMENT_CLASS(NSMenuItem)

namespace {

NSString* Retained(NSString* s) { return static_cast<NSString*>((s != nullptr ? s : NSString::string())->retain()); }

void Replace(NSString*& slot, NSString* value) {
  NSString* v = Retained(value);
  if (slot != nullptr) slot->release();
  slot = v;
}

bool InTree(NSMenu* root, NSMenuItem* item) {
  for (NSMenu* m = item != nullptr ? item->menu() : nullptr; m != nullptr; m = m->supermenu())
    if (m == root) return true;
  return false;
}

}  // namespace

NSMenu* NSMenu::initWithTitle(NSString* title) {
  title_ = Retained(title);
  return this;
}

void NSMenu::dealloc() {
  removeAllItems();
  if (title_ != nullptr) title_->release();
  NSObject::dealloc();
}

void NSMenu::setTitle(NSString* title) { Replace(title_, title); }

void NSMenu::addItem(NSMenuItem* item) { insertItem(item, numberOfItems()); }

void NSMenu::insertItem(NSMenuItem* item, NSInteger index) {
  if (item == nullptr || item->menu_ != nullptr) return;
  index = std::clamp<NSInteger>(index, 0, numberOfItems());
  items_.insert(items_.begin() + index, static_cast<NSMenuItem*>(item->retain()));
  item->menu_ = this;
  if (item->submenu_ != nullptr) item->submenu_->supermenu_ = this;
}

NSMenuItem* NSMenu::addItemWithTitle(NSString* title, SEL action, NSString* keyEquivalent) {
  NSMenuItem* item = NSMenuItem::alloc()->initWithTitle(title, action, keyEquivalent);
  addItem(item);
  item->release();
  return item;
}

void NSMenu::removeItem(NSMenuItem* item) {
  auto it = std::find(items_.begin(), items_.end(), item);
  if (it == items_.end()) return;
  items_.erase(it);
  item->menu_ = nullptr;
  if (item->submenu_ != nullptr) item->submenu_->supermenu_ = nullptr;
  item->release();
}

void NSMenu::removeAllItems() {
  while (!items_.empty()) removeItem(items_.back());
}

NSMenuItem* NSMenu::itemAtIndex(NSInteger index) const {
  return index >= 0 && index < numberOfItems() ? items_[static_cast<size_t>(index)] : nullptr;
}

NSInteger NSMenu::indexOfItem(NSMenuItem* item) const {
  auto it = std::find(items_.begin(), items_.end(), item);
  return it == items_.end() ? -1 : static_cast<NSInteger>(it - items_.begin());
}

NSMenuItem* NSMenu::itemWithTag(NSInteger tag) const {
  for (NSMenuItem* i : items_)
    if (i->tag() == tag) return i;
  return nullptr;
}

NSMenuItem* NSMenu::itemWithTitle(NSString* title) const {
  for (NSMenuItem* i : items_)
    if (i->title()->isEqualToString(title)) return i;
  return nullptr;
}

NSArray* NSMenu::itemArray() const { return NSArray::arrayWithVector(std::vector<id>(items_.begin(), items_.end())); }

void NSMenu::setSubmenu(NSMenu* menu, NSMenuItem* item) {
  if (item != nullptr && item->menu_ == this) item->setSubmenu(menu);
}

BOOL NSMenu::popUpMenuPositioningItem(NSMenuItem*, NSPoint location, NSView* view) {
  retain();
  if (view != nullptr) view->retain();
  popUpView_ = view;
  NSMenuItem* chosen = nsx::ActiveModalResponder().popUpMenu(nsx::MenuRequest{this, view, location});
  // Only an enabled, visible ordinary item of this menu's tree can be chosen.
  const bool valid = chosen != nullptr && InTree(this, chosen) && chosen->isEnabled() && !chosen->isHidden() &&
                     !chosen->isSeparatorItem() && !chosen->hasSubmenu();
  if (valid) {
    chosen->retain();
    NSMenu* owner = chosen->menu();
    owner->popUpView_ = view;
    owner->performActionForItemAtIndex(owner->indexOfItem(chosen));
    owner->popUpView_ = nullptr;
    chosen->release();
  }
  popUpView_ = nullptr;
  if (view != nullptr) view->release();
  release();
  return valid;
}

void NSMenu::performActionForItemAtIndex(NSInteger index) {
  NSMenuItem* item = itemAtIndex(index);
  if (item == nullptr || item->action() == nullptr || !item->isEnabled()) return;
  if (item->target() != nullptr) {
    item->target()->performSelector(item->action(), item);
    return;
  }
  NSMenu* root = this;
  while (root->supermenu_ != nullptr) root = root->supermenu_;
  NSView* view = popUpView_ != nullptr ? popUpView_ : root->popUpView_;
  NSResponder* start = nullptr;
  if (view != nullptr && view->window() != nullptr) start = view->window()->firstResponder();
  if (start == nullptr) start = view;
  if (start != nullptr) start->tryToPerform(item->action(), item);
}

NSMenuItem* NSMenuItem::separatorItem() {
  NSMenuItem* item = alloc()->initWithTitle(NSString::string(), nullptr, NSString::string());
  item->separator_ = true;
  item->enabled_ = false;
  return static_cast<NSMenuItem*>(item->autorelease());
}

NSMenuItem* NSMenuItem::initWithTitle(NSString* title, SEL action, NSString* keyEquivalent) {
  title_ = Retained(title);
  action_ = action;
  keyEquivalent_ = Retained(keyEquivalent);
  return this;
}

void NSMenuItem::dealloc() {
  if (title_ != nullptr) title_->release();
  if (keyEquivalent_ != nullptr) keyEquivalent_->release();
  if (submenu_ != nullptr) {
    submenu_->supermenu_ = nullptr;
    submenu_->release();
  }
  if (represented_ != nullptr) represented_->release();
  NSObject::dealloc();
}

void NSMenuItem::setTitle(NSString* title) { Replace(title_, title); }
void NSMenuItem::setKeyEquivalent(NSString* key) { Replace(keyEquivalent_, key); }

void NSMenuItem::setSubmenu(NSMenu* submenu) {
  if (submenu == submenu_) return;
  if (submenu != nullptr && submenu->supermenu_ != nullptr) return;  // a submenu belongs to one item
  if (submenu != nullptr) {
    submenu->retain();
    submenu->supermenu_ = menu_;
  }
  if (submenu_ != nullptr) {
    submenu_->supermenu_ = nullptr;
    submenu_->release();
  }
  submenu_ = submenu;
}

void NSMenuItem::setRepresentedObject(id object) { nsx::SetRetained(represented_, object); }
