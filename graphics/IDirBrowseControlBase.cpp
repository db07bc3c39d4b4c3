#include "graphics/IDirBrowseControlBase.h"

#include <algorithm>
#include <filesystem>
#include <string>

namespace fx::gfx {

namespace fs = std::filesystem;

IDirBrowseControlBase::IDirBrowseControlBase(const IRECT& bounds, const char* extension)
  : IControl(bounds), mExtension(extension ? extension : "")
{
}

void IDirBrowseControlBase::AddPath(const char* path, const char* displayText)
{
  mPaths.emplace_back(path ? path : "");
  mPathLabels.emplace_back(displayText ? displayText : "");
}

void IDirBrowseControlBase::SetUpMenu()
{
  mFiles.clear();
  mItems.clear();
  mSelectedItemIndex = -1;
  mMainMenu.Clear();
  if (mPaths.size() == 1)
  {
    ScanDirectory(mPaths[0].Get(), mMainMenu);
  }
  else
  {
    for (size_t i = 0; i < mPaths.size(); ++i)
    {
      auto* sub = new IPopupMenu();
      ScanDirectory(mPaths[i].Get(), *sub);
      mMainMenu.AddItem(mPathLabels[i].Get(), sub);
    }
  }
  CollectSortedItems(&mMainMenu);
}

void IDirBrowseControlBase::ScanDirectory(const char* path, IPopupMenu& menu)
{
  std::error_code ec;
  const std::string resolved = fs::canonical(path, ec).string();
  if (ec || static_cast<int>(mWalking.size()) >= kMaxDepth ||
      std::find(mWalking.begin(), mWalking.end(), resolved) != mWalking.end())
    return;
  fs::directory_iterator it(path, ec);
  if (ec) return;
  mWalking.push_back(resolved);
  const std::string ext = mExtension.Get();
  for (const fs::directory_entry& entry : it)
  {
    const std::string name = entry.path().filename().string();
    if (name.empty() || name[0] == '.') continue;
    const std::string full = std::string(path) + "/" + name;
    if (entry.is_directory(ec))
    {
      auto* sub = new IPopupMenu();
      ScanDirectory(full.c_str(), *sub);
      menu.AddItem(name.c_str(), sub, IPopupMenu::kSorted);
    }
    else if (name.size() > ext.size() && name.compare(name.size() - ext.size(), ext.size(), ext) == 0)
    {
      // The item keeps the index of its file, whatever place the sorting gives it.
      auto* item = new IPopupMenu::Item(name.c_str(), IPopupMenu::Item::kNoFlags,
                                        static_cast<int>(mFiles.size()));
      if (menu.AddItem(item, IPopupMenu::kSorted)) mFiles.emplace_back(full.c_str());
    }
  }
  mWalking.pop_back();
}

void IDirBrowseControlBase::CollectSortedItems(IPopupMenu* menu)
{
  if (!menu) return;
  for (int i = 0; i < menu->NItems(); ++i)
  {
    IPopupMenu::Item* item = menu->GetItem(i);
    if (item->GetSubmenu()) CollectSortedItems(item->GetSubmenu());
    else mItems.push_back(item);
  }
}

void IDirBrowseControlBase::SetSelectedItem(const IPopupMenu::Item* item)
{
  auto it = std::find(mItems.begin(), mItems.end(), item);
  mSelectedItemIndex = it == mItems.end() ? -1 : static_cast<int>(it - mItems.begin());
}

bool IDirBrowseControlBase::GetSelectedFile(FxString& path) const
{
  path.Clear();
  if (mSelectedItemIndex < 0) return false;
  const int file = mItems[static_cast<size_t>(mSelectedItemIndex)]->GetTag();
  if (file < 0 || file >= static_cast<int>(mFiles.size())) return false;
  path.Set(mFiles[static_cast<size_t>(file)].Get());
  return true;
}

} // namespace fx::gfx
