#pragma once
// The preset bar: the current preset's name (a click opens the preset menu: load or save a
// preset file, reset to the default preset, save the default, choose a factory or a user
// preset) with a previous and a next button that step through the factory presets without
// wrapping. File work is left to the plug-in through action indices; the path chosen in the last
// file dialog stays readable (GetFilePath). Menu positions are recorded as the menu is built and
// a choice is matched against them. Main thread only.

#include "core/FxString.h"
#include "graphics/IControl.h"
#include "graphics/IPopupMenu.h"
#include "graphics/records/IBitmap.h"

class ORBEX9;
struct PresetLists;

namespace fx {
struct IPreset;
}

class IBPresetMenuBV : public fx::gfx::IControl
{
public:
  IBPresetMenuBV(ORBEX9* plug, const fx::gfx::IRECT& bounds, const fx::gfx::IRECT& nameRect,
                 const fx::gfx::IRECT& textRect, int prevX, int prevY, const fx::gfx::IBitmap& prevBitmap, int nextX,
                 int nextY, const fx::gfx::IBitmap& nextBitmap, const fx::gfx::IText& text, int loadAction,
                 int saveAction, int saveDefaultAction, int beforeMenuAction, int afterResetAction,
                 int afterLoadAction, PresetLists* presets, const fx::FxString& folder, const char* extension,
                 int nameWidth, bool stepButtons, bool userPresetsFromFiles);

  /** The name opens the menu (after the before-menu action); the buttons step. */
  void OnMouseDown(float x, float y, const fx::gfx::IMouseMod& mod) override;
  void OnMouseUp(float x, float y, const fx::gfx::IMouseMod& mod) override;
  void OnMouseOver(float x, float y, const fx::gfx::IMouseMod& mod) override;
  void OnMouseOut() override;
  void OnResize() override;
  void OnPopupMenuSelection(fx::gfx::IPopupMenu* menu, int valIdx) override;
  void Draw(fx::gfx::IGfx& g) override;

  /** Rebuilds the menu and shows it at the control's bounds. */
  void BuildMenu();
  /** A name longer than width code points becomes its head, " ... " and its tail, width code
   *  points in all; shorter names, and any name when width < 7, come back unchanged. */
  static fx::FxString ShortenName(const char* name, int width);

  /** The file chosen in the last file dialog (empty after a cancel), or a user preset's file. */
  const char* GetFilePath() const { return mFilePath.Get(); }
  /** The folder the next file dialog opens in. */
  const char* GetFolder() const { return mFolder.Get(); }
  int GetFactoryIndex() const { return mFactoryIdx; }
  const fx::gfx::IPopupMenu& GetMenu() const { return mMainMenu; }
  const fx::gfx::IRECT& GetNameRect() const { return mNameRect; }
  const fx::gfx::IRECT& GetPrevRect() const { return mPrevRect; }
  const fx::gfx::IRECT& GetNextRect() const { return mNextRect; }

private:
  /** Copies the record into the plug-in's preset 0, restores it and tells the host; with
   *  loading, the store's preset-loading flag is up meanwhile. */
  void ApplyPreset(const fx::IPreset* preset, bool loading);
  void Step(int delta);
  /** A file dialog that keeps the folder when it is cancelled. */
  void PromptForPresetFile(bool save);
  void OnMainMenuChoice(int pos);

  fx::FxString mFolder;
  fx::FxString mFilePath;
  fx::FxString mExtension;
  fx::gfx::IPopupMenu mMainMenu;
  fx::gfx::IPopupMenu* mFactoryMenu = nullptr;
  fx::gfx::IPopupMenu* mUserMenu = nullptr;
  int mSaveAction;
  int mSaveDefaultAction;
  int mLoadAction;
  int mBeforeMenuAction;
  int mAfterResetAction;
  int mAfterLoadAction;
  int mSaveItem = -1;
  int mLoadItem = -1;
  int mResetItem = -1;
  int mSaveDefaultItem = -1;
  ORBEX9* mPlug;
  PresetLists* mPresets;
  int mNameWidth;
  int mFactoryIdx = 0;
  fx::gfx::IRECT mNameRect;
  fx::gfx::IRECT mTextRect;
  fx::gfx::IRECT mPrevRect;
  fx::gfx::IRECT mNextRect;
  fx::gfx::IBitmap mPrevBitmap;
  fx::gfx::IBitmap mNextBitmap;
  bool mStepButtons;
  bool mUserPresetsFromFiles;
  fx::FxString mUserFolder;
  bool mNameHovered = false;
  bool mPrevHovered = false;
  bool mNextHovered = false;
};
