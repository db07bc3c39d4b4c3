#include "plugin/editor/IBInfoMenuBV.h"

#include "core/IParam.h"
#include "graphics/IGfx.h"
#include "plugin/ORBEX9.h"
#include "plugin/editor/EditorControlSupport.h"

#include <algorithm>
#include <cmath>

using namespace fx::gfx;

namespace {

int Truncated(double v) { return std::isfinite(v) ? static_cast<int>(v) : 0; }

int IndexOf(const std::vector<IPopupMenu*>& menus, const IPopupMenu* menu)
{
  const auto it = std::find(menus.begin(), menus.end(), menu);
  return it == menus.end() ? -1 : static_cast<int>(it - menus.begin());
}

} // namespace

IBInfoMenuBV::IBInfoMenuBV(ORBEX9* plug, int x, int y, const IBitmap& bitmap, int aboutAction, int checkUpdateAction,
                           const fx::FxString& dataFolder, const char* changelogURL, int tooltipsParam,
                           int autoUpdateParam, int paramMenuParam, int resetSizeAction, int resetScaleAction,
                           int minScaleAction, const std::vector<int>& toggleParams,
                           const std::vector<int>& actionIndices, const std::vector<const char*>& actionTexts,
                           const std::vector<fx::IParam*>& extraParams, int firstExtraAction)
  : IControl(editorbv::FrameRectAt(static_cast<float>(x), static_cast<float>(y), bitmap)), IBitmapBase(bitmap),
    mChangelogURL(changelogURL ? changelogURL : "", 1023), mDataFolder(dataFolder), mPlug(plug),
    mAboutAction(aboutAction), mCheckUpdateAction(checkUpdateAction), mTooltipsParam(tooltipsParam),
    mAutoUpdateParam(autoUpdateParam), mParamMenuParam(paramMenuParam), mResetSizeAction(resetSizeAction),
    mResetScaleAction(resetScaleAction), mMinScaleAction(minScaleAction), mToggleParams(toggleParams),
    mActionIndices(actionIndices), mActionTexts(actionTexts), mExtraParams(extraParams),
    mFirstExtraAction(firstExtraAction)
{
  AttachIControl(this);
  // An action item needs both its index and its text.
  const size_t nActions = std::min(mActionIndices.size(), mActionTexts.size());
  mActionIndices.resize(nActions);
  mActionTexts.resize(nActions);
}

void IBInfoMenuBV::OnMouseDown(float /*x*/, float /*y*/, const IMouseMod& /*mod*/)
{
  SetDirty(false);
  BuildMenu();
}

void IBInfoMenuBV::OnMouseUp(float /*x*/, float /*y*/, const IMouseMod& /*mod*/) { SetDirty(false); }

void IBInfoMenuBV::OnMouseOver(float /*x*/, float /*y*/, const IMouseMod& /*mod*/)
{
  mHovered = true;
  SetDirty(false);
}

void IBInfoMenuBV::OnMouseOut()
{
  mHovered = false;
  SetDirty(false);
}

void IBInfoMenuBV::Draw(IGfx& g)
{
  g.DrawBitmapFrame(mBitmap, editorbv::FrameRectIn(mRECT, mBitmap), mHovered ? 2 : 1, &mBlend);
}

IPopupMenu* IBInfoMenuBV::AddParamSubmenu(const fx::IParam* param, bool checkCurrent)
{
  if (!param) return nullptr;
  auto* submenu = new IPopupMenu();
  const int current = Truncated(param->Value());
  for (int i = 0; i < param->GetNumDisplayTexts(); ++i)
  {
    const int flags = (checkCurrent && i == current) ? IPopupMenu::Item::kChecked : IPopupMenu::Item::kNoFlags;
    submenu->AddItem(param->GetDisplayText(i), IPopupMenu::kAppend, flags);
  }
  return mMainMenu.AddItem(param->GetName(), submenu) ? submenu : nullptr;
}

void IBInfoMenuBV::BuildMenu()
{
  mToggleMenus.clear();
  mToggleMenuParams.clear();
  mExtraMenus.clear();
  mExtraActions.clear();
  mActionItemPositions.assign(mActionIndices.size(), -1);
  mParamMenu = nullptr;
  mAboutItem = mCheckUpdateItem = mManualItem = mChangelogItem = mDataFolderItem = -1;
  mTooltipsItem = mAutoUpdateItem = mResetSizeItem = mResetScaleItem = mMinScaleItem = -1;
  mMainMenu.RemoveAllItems();
  mMainMenu.Clear();

  // Each item's position is taken right after it is appended.
  auto add = [this](const char* text, int flags = IPopupMenu::Item::kNoFlags) {
    mMainMenu.AddItem(text, IPopupMenu::kAppend, flags);
    return mMainMenu.NItems() - 1;
  };
  auto checkedIf = [this](int paramIdx) {
    const fx::IParam* param = mPlug ? mPlug->GetParam(paramIdx) : nullptr;
    return (param && Truncated(param->Value()) == 1) ? IPopupMenu::Item::kChecked : IPopupMenu::Item::kNoFlags;
  };

  add(">> Plugin menu <<");
  mMainMenu.AddSeparator();
  mAboutItem = add("About ...");
  mMainMenu.AddSeparator();
  mManualItem = add("Open manual ...");
  mChangelogItem = add("Changelog ...");
  if (mCheckUpdateAction != -1) mCheckUpdateItem = add("Check for update ...");
  if (mAutoUpdateParam != -1) mAutoUpdateItem = add("Check for updates automatically", checkedIf(mAutoUpdateParam));
  mMainMenu.AddSeparator();
  mDataFolderItem = add("Open data folder ...");
  if (mTooltipsParam != -1)
  {
    mMainMenu.AddSeparator();
    mTooltipsItem = add("Tooltips", checkedIf(mTooltipsParam));
  }
  if (mParamMenuParam != -1 && mPlug)
  {
    mMainMenu.AddSeparator();
    mParamMenu = AddParamSubmenu(mPlug->GetParam(mParamMenuParam), true);
  }
  if (mResetSizeAction != -1)
  {
    mMainMenu.AddSeparator();
    mResetSizeItem = add("Reset GUI size");
  }
  if (mResetScaleAction != -1)
  {
    mMainMenu.AddSeparator();
    mResetScaleItem = add("Reset GUI scale");
  }
  if (mMinScaleAction != -1) mMinScaleItem = add("Set min GUI scale");
  if (!mToggleParams.empty() && mPlug)
  {
    mMainMenu.AddSeparator();
    for (int paramIdx : mToggleParams)
    {
      if (IPopupMenu* submenu = AddParamSubmenu(mPlug->GetParam(paramIdx), true))
      {
        mToggleMenus.push_back(submenu);
        mToggleMenuParams.push_back(paramIdx);
      }
    }
  }
  if (!mExtraParams.empty())
  {
    mMainMenu.AddSeparator();
    for (size_t k = 0; k < mExtraParams.size(); ++k)
    {
      if (IPopupMenu* submenu = AddParamSubmenu(mExtraParams[k], false))
      {
        mExtraMenus.push_back(submenu);
        mExtraActions.push_back(mFirstExtraAction + static_cast<int>(k));
      }
    }
  }
  if (!mActionIndices.empty())
  {
    mMainMenu.AddSeparator();
    for (size_t k = 0; k < mActionTexts.size(); ++k) mActionItemPositions[k] = add(mActionTexts[k]);
  }

  if (IGfx* ui = GetUI()) ui->CreatePopupMenu(*this, mMainMenu, mRECT);
}

void IBInfoMenuBV::OpenURL(const char* url)
{
  if (IGfx* ui = GetUI()) ui->OpenURL(url);
}

void IBInfoMenuBV::OnMainMenuChoice(int pos)
{
  if (pos < 0) return;
  if (pos == mAboutItem) editorbv::SendAction(*this, mAboutAction);
  else if (pos == mCheckUpdateItem) editorbv::SendAction(*this, mCheckUpdateAction);
  else if (pos == mManualItem)
  {
    if (mDataFolder.Empty()) return;
    fx::FxString path;
    path.SetFormatted(4095, "/Users/Shared/Documents/%s/%s%s", orbex9::kPluginName, orbex9::kPluginName,
                      " manual.pdf");
    OpenURL(path.Get());
  }
  else if (pos == mChangelogItem) OpenURL(mChangelogURL.Get());
  else if (pos == mDataFolderItem)
  {
    if (!mDataFolder.Empty()) OpenURL(mDataFolder.Get());
  }
  else if (pos == mTooltipsItem || pos == mAutoUpdateItem)
  {
    const int paramIdx = pos == mTooltipsItem ? mTooltipsParam : mAutoUpdateParam;
    const fx::IParam* param = mPlug ? mPlug->GetParam(paramIdx) : nullptr;
    if (param) SetParamFromMenu(paramIdx, Truncated(param->Value()) == 1 ? 0.0 : 1.0);
  }
  else if (pos == mResetSizeItem) editorbv::SendAction(*this, mResetSizeAction);
  else if (pos == mResetScaleItem) editorbv::SendAction(*this, mResetScaleAction);
  else if (pos == mMinScaleItem) editorbv::SendAction(*this, mMinScaleAction);
  else
  {
    for (size_t k = 0; k < mActionItemPositions.size(); ++k)
      if (mActionItemPositions[k] == pos) editorbv::SendAction(*this, mActionIndices[k]);
  }
}

void IBInfoMenuBV::OnPopupMenuSelection(IPopupMenu* menu, int /*valIdx*/)
{
  SetValue(0.0);
  SetDirty(true);
  if (!menu) return;
  const int pos = menu->GetChosenItemIdx();

  if (menu == &mMainMenu)
  {
    OnMainMenuChoice(pos);
  }
  else if (mParamMenu && menu == mParamMenu)
  {
    SetParamValue(mParamMenuParam, pos);
  }
  else if (const int t = IndexOf(mToggleMenus, menu); t >= 0)
  {
    if (mToggleMenuParams[static_cast<size_t>(t)] >= 0) SetParamValue(mToggleMenuParams[static_cast<size_t>(t)], pos);
  }
  else if (const int k = IndexOf(mExtraMenus, menu); k >= 0)
  {
    const int action = mExtraActions[static_cast<size_t>(k)];
    if (action < 0) return;
    mExtraParams[static_cast<size_t>(k)]->Set(pos);
    editorbv::SendAction(*this, action);
  }
}

void IBInfoMenuBV::SetParamFromMenu(int paramIdx, double value)
{
  fx::IParam* param = mPlug ? mPlug->GetParam(paramIdx) : nullptr;
  if (!param || param->Value() == value) return;
  param->Set(value);
  const double stored = param->Value();
  mPlug->SendParameterValueFromDelegate(paramIdx, stored, false);
  mPlug->SendParameterValueFromUI(paramIdx, std::clamp(param->ToNormalized(stored), 0.0, 1.0));
}

void IBInfoMenuBV::SetParamValue(int paramIdx, int value)
{
  const fx::IParam* param = mPlug ? mPlug->GetParam(paramIdx) : nullptr;
  if (!param || Truncated(param->Value()) == value) return;
  SetParamFromMenu(paramIdx, value);
}
