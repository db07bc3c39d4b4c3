#include "graphics/IPopupMenu.h"

#include <strings.h>

namespace fx::gfx {

IPopupMenu::Item::~Item() { delete mSubmenu; }

IPopupMenu::IPopupMenu(const char* title, int prefix, bool multiCheck, std::initializer_list<const char*> items)
  : mPrefix(prefix), mMultiCheck(multiCheck), mTitle(title)
{
  for (const char* text : items) AddItem(text);
}

IPopupMenu::~IPopupMenu() { RemoveAllItems(); }

int IPopupMenu::SortedIndexFor(const char* text) const
{
  // Binary search for the first item not below text (case-insensitive), so an equal text goes
  // directly before the item it equals.
  int lo = 0, hi = NItems();
  while (lo < hi)
  {
    const int mid = (lo + hi) / 2;
    if (strcasecmp(mItems.Get(mid)->GetText(), text ? text : "") < 0) lo = mid + 1;
    else hi = mid;
  }
  return lo;
}

IPopupMenu::Item* IPopupMenu::AddItem(Item* item, int index)
{
  if (!item) return nullptr;
  if (index == kSorted) index = SortedIndexFor(item->GetText());
  else if (index < 0 || index > NItems()) index = NItems();
  if (!mItems.Insert(index, item))
  {
    delete item;
    return nullptr;
  }
  return item;
}

IPopupMenu::Item* IPopupMenu::AddItem(const char* text, int index, int itemFlags)
{
  return AddItem(new Item(text, itemFlags), index);
}

IPopupMenu::Item* IPopupMenu::AddItem(const char* text, IPopupMenu* submenu, int index)
{
  if (submenu && !submenu->mPopupFunc) submenu->mPopupFunc = mPopupFunc;
  return AddItem(new Item(text, submenu), index);
}

const char* IPopupMenu::GetItemText(int index) const
{
  const Item* item = GetItem(index);
  return item ? item->GetText() : "";
}

void IPopupMenu::CheckItem(int index, bool checked)
{
  if (Item* item = GetItem(index)) item->SetChecked(checked);
}

bool IPopupMenu::IsItemChecked(int index) const
{
  const Item* item = GetItem(index);
  return item && item->GetChecked();
}

void IPopupMenu::RemoveAllItems() { mItems.Empty(true); }

void IPopupMenu::Clear()
{
  mPrefix = 0;
  mMultiCheck = false;
  RemoveAllItems();
}

} // namespace fx::gfx
