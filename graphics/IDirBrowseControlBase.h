#pragma once
// A base for controls that offer the files of some folders as a menu: the files with one
// extension, found by walking each folder (hidden entries skipped), sorted case-insensitively,
// sub-folders as sub-menus, one sub-menu per folder when there are several. Draws nothing
// itself. Main thread only (it reads folders).

#include "core/FxString.h"
#include "graphics/IControl.h"
#include "graphics/IPopupMenu.h"

#include <string>
#include <vector>

namespace fx::gfx {

class IDirBrowseControlBase : public IControl
{
public:
  /** extension without the dot, e.g. "qvs". */
  IDirBrowseControlBase(const IRECT& bounds, const char* extension);

  /** A folder to offer, under a display name. */
  void AddPath(const char* path, const char* displayText);
  /** Rebuilds the menu from the folders. */
  void SetUpMenu();
  /** The item list: every item without a sub-menu, depth first. */
  void CollectSortedItems(IPopupMenu* menu);

  IPopupMenu& GetMenu() { return mMainMenu; }
  int NItems() const { return static_cast<int>(mItems.size()); }
  /** The chosen item of the menu (-1 or an item outside the list: none). */
  void SetSelectedItem(const IPopupMenu::Item* item);
  int GetSelectedItemIdx() const { return mSelectedItemIndex; }
  /** The full path of the chosen file; false (path empty) when none is chosen. */
  bool GetSelectedFile(FxString& path) const;

protected:
  /** Adds the folder's files and sub-folders to menu. A folder that is already being walked
   *  (a link back up the tree) is skipped, and the walk goes no deeper than kMaxDepth. */
  void ScanDirectory(const char* path, IPopupMenu& menu);

  static constexpr int kMaxDepth = 32;

  IPopupMenu mMainMenu;
  std::vector<FxString> mPaths;
  std::vector<FxString> mPathLabels;
  std::vector<FxString> mFiles;
  std::vector<IPopupMenu::Item*> mItems;
  FxString mExtension;
  std::vector<std::string> mWalking; // the folders of the walk in progress, resolved
  int mSelectedItemIndex = -1;
};

} // namespace fx::gfx
