#pragma once
// The description of a pop-up menu: title, items (text, flags, optional submenu, tag), numbering
// mode, the chosen item and an optional completion function. Filled by controls and by the
// editor's prompts, shown by the in-editor menu control or by the platform, which write the
// chosen index back. Owns its items; an item owns its submenu. Main thread.

#include "core/FxPtrList.h"
#include "core/FxString.h"

#include <functional>
#include <initializer_list>

namespace fx::gfx {

class IPopupMenu
{
public:
  using IPopupFunction = std::function<void(IPopupMenu* menu)>;

  class Item
  {
  public:
    enum Flags : int
    {
      kNoFlags = 0,
      kDisabled = 1,
      kTitle = 2,
      kChecked = 4,
      kSeparator = 8,
    };

    explicit Item(const char* text, int flags = kNoFlags, int tag = -1) : mText(text), mFlags(flags), mTag(tag) {}
    /** Takes ownership of the submenu. */
    Item(const char* text, IPopupMenu* submenu) : mText(text), mSubmenu(submenu) {}
    ~Item();
    Item(const Item&) = delete;
    Item& operator=(const Item&) = delete;

    const char* GetText() const { return mText.Get(); }
    void SetText(const char* text) { mText.Set(text); }
    int GetFlags() const { return mFlags; }
    void SetFlags(int flags) { mFlags = flags; }
    int GetTag() const { return mTag; }
    void SetTag(int tag) { mTag = tag; }
    IPopupMenu* GetSubmenu() const { return mSubmenu; }
    bool GetEnabled() const { return !(mFlags & kDisabled); }
    bool GetChecked() const { return mFlags & kChecked; }
    bool GetIsTitle() const { return mFlags & kTitle; }
    bool GetIsSeparator() const { return mFlags & kSeparator; }
    void SetChecked(bool checked) { mFlags = checked ? (mFlags | kChecked) : (mFlags & ~kChecked); }
    void SetEnabled(bool enabled) { mFlags = enabled ? (mFlags & ~kDisabled) : (mFlags | kDisabled); }

  private:
    FxString mText;
    IPopupMenu* mSubmenu = nullptr;
    int mFlags = kNoFlags;
    int mTag = -1;
  };

  /** Index values for AddItem. */
  static constexpr int kAppend = -1;
  static constexpr int kSorted = -2; // case-insensitive alphabetical place

  /** One item (flags 0, tag -1) per text, in list order; nothing chosen. */
  explicit IPopupMenu(const char* title = "", int prefix = 0, bool multiCheck = false,
                      std::initializer_list<const char*> items = {});
  ~IPopupMenu();
  IPopupMenu(const IPopupMenu&) = delete;
  IPopupMenu& operator=(const IPopupMenu&) = delete;

  /** Takes ownership of the item. index: kAppend, kSorted (before an item of equal text), or a
   *  position clamped to the item count. Null (and the item deleted) when the list cannot grow. */
  Item* AddItem(Item* item, int index = kAppend);
  Item* AddItem(const char* text, int index = kAppend, int itemFlags = Item::kNoFlags);
  /** An item opening a submenu, which the item then owns. A submenu without a completion function
   *  takes this menu's. */
  Item* AddItem(const char* text, IPopupMenu* submenu, int index = kAppend);
  Item* AddSeparator(int index = kAppend) { return AddItem(new Item("", Item::kSeparator), index); }

  int NItems() const { return mItems.GetSize(); }
  /** Null outside the range. */
  Item* GetItem(int index) const { return mItems.Get(index); }
  const char* GetItemText(int index) const;
  /** Sets or clears the checked flag of an item (ignored outside the range). */
  void CheckItem(int index, bool checked);
  bool IsItemChecked(int index) const;

  /** Deletes every item (and submenu), the last first. */
  void RemoveAllItems();
  /** Prefix 0, no multi-check, no items; title, chosen index and function are kept. */
  void Clear();

  int GetPrefix() const { return mPrefix; }
  void SetPrefix(int prefix) { mPrefix = prefix; }
  bool GetMultiCheck() const { return mMultiCheck; }
  void SetMultiCheck(bool multiCheck) { mMultiCheck = multiCheck; }
  int GetChosenItemIdx() const { return mChosenItemIdx; }
  void SetChosenItemIdx(int index) { mChosenItemIdx = index; }
  /** The chosen item; null when nothing (or an index outside the list) is chosen. */
  Item* GetChosenItem() const { return mItems.Get(mChosenItemIdx); }
  const char* GetRootTitle() const { return mTitle.Get(); }
  void SetRootTitle(const char* title) { mTitle.Set(title); }
  void SetFunction(IPopupFunction func) { mPopupFunc = std::move(func); }
  const IPopupFunction& GetFunction() const { return mPopupFunc; }
  /** Calls the completion function with this menu when one is set. */
  void ExecFunction()
  {
    if (mPopupFunc) mPopupFunc(this);
  }

private:
  int SortedIndexFor(const char* text) const;

  int mPrefix = 0; // 0 none, 1 "%1d: ", 2 "%02d: ", 3 "%03d: "
  int mChosenItemIdx = -1;
  bool mMultiCheck = false;
  FxPtrList<Item> mItems{4096};
  IPopupFunction mPopupFunc;
  FxString mTitle;
};

} // namespace fx::gfx
