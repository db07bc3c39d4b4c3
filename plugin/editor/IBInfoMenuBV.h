#pragma once
// The plugin menu button: about box, manual, changelog page, update check, data folder, the
// tooltips switch and the editor-scale commands, plus generic parameter submenus and action
// items. A choice sends an action index to the plug-in, sets a parameter as an editor control
// does, or opens an address or a path through the platform. The menu is rebuilt at every
// opening; each item's position is recorded as it is appended (-1 when it was left out) and a
// choice is matched against those positions. Main thread only.

#include "core/FxString.h"
#include "graphics/IBitmapBase.h"
#include "graphics/IControl.h"
#include "graphics/IPopupMenu.h"

#include <vector>

class ORBEX9;

namespace fx {
class IParam;
}

class IBInfoMenuBV : public fx::gfx::IControl, public fx::gfx::IBitmapBase
{
public:
  /** One frame of the bitmap at (x, y). Action and parameter indices of -1 leave their items
   *  out. actionTexts are kept by pointer (the caller's texts); extraParams are private
   *  parameters of the plug-in, each shown as a submenu of its display texts whose choice sets it
   *  and sends firstExtraAction + its position in the list. */
  IBInfoMenuBV(ORBEX9* plug, int x, int y, const fx::gfx::IBitmap& bitmap, int aboutAction, int checkUpdateAction,
               const fx::FxString& dataFolder, const char* changelogURL, int tooltipsParam, int autoUpdateParam,
               int paramMenuParam, int resetSizeAction, int resetScaleAction, int minScaleAction,
               const std::vector<int>& toggleParams, const std::vector<int>& actionIndices,
               const std::vector<const char*>& actionTexts, const std::vector<fx::IParam*>& extraParams,
               int firstExtraAction);

  void OnMouseDown(float x, float y, const fx::gfx::IMouseMod& mod) override;
  void OnMouseUp(float x, float y, const fx::gfx::IMouseMod& mod) override;
  void OnMouseOver(float x, float y, const fx::gfx::IMouseMod& mod) override;
  void OnMouseOut() override;
  void OnPopupMenuSelection(fx::gfx::IPopupMenu* menu, int valIdx) override;
  void Draw(fx::gfx::IGfx& g) override;

  /** Rebuilds the menu and shows it at the control's bounds. */
  void BuildMenu();
  /** Sets the parameter (stepped, clamped) unless it already has that value, updates its
   *  controls and sends the change to the plug-in and the host as an editor control does. */
  void SetParamFromMenu(int paramIdx, double value);
  /** As SetParamFromMenu, comparing the present value truncated to a whole number. */
  void SetParamValue(int paramIdx, int value);

  const fx::gfx::IPopupMenu& GetMenu() const { return mMainMenu; }
  const char* GetChangelogURL() const { return mChangelogURL.Get(); }
  bool GetHovered() const { return mHovered; }

private:
  /** Appends a submenu of the parameter's display texts (the one at value i for i = 0 .. n-1),
   *  checking the entry of its present value when asked. Null without the parameter. */
  fx::gfx::IPopupMenu* AddParamSubmenu(const fx::IParam* param, bool checkCurrent);
  void OnMainMenuChoice(int pos);
  void OpenURL(const char* url);

  fx::FxString mChangelogURL;
  fx::FxString mDataFolder;
  ORBEX9* mPlug;
  fx::gfx::IPopupMenu mMainMenu;
  fx::gfx::IPopupMenu* mParamMenu = nullptr;
  int mAboutAction;
  int mCheckUpdateAction;
  int mTooltipsParam;
  int mAutoUpdateParam;
  int mParamMenuParam;
  int mResetSizeAction;
  int mResetScaleAction;
  int mMinScaleAction;
  std::vector<int> mToggleParams;
  std::vector<int> mActionIndices;
  std::vector<const char*> mActionTexts;
  std::vector<fx::IParam*> mExtraParams;
  int mFirstExtraAction;

  int mAboutItem = -1;
  int mCheckUpdateItem = -1;
  int mManualItem = -1;
  int mChangelogItem = -1;
  int mDataFolderItem = -1;
  int mTooltipsItem = -1;
  int mAutoUpdateItem = -1;
  int mResetSizeItem = -1;
  int mResetScaleItem = -1;
  int mMinScaleItem = -1;

  std::vector<fx::gfx::IPopupMenu*> mToggleMenus;
  std::vector<int> mToggleMenuParams;
  std::vector<int> mActionItemPositions;
  std::vector<fx::gfx::IPopupMenu*> mExtraMenus;
  std::vector<int> mExtraActions;
  bool mHovered = false;
};
