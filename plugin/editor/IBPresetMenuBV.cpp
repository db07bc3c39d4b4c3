#include "plugin/editor/IBPresetMenuBV.h"

#include "graphics/IGfx.h"
#include "plugin/ORBEX9.h"
#include "plugin/PresetLists.h"
#include "plugin/editor/EditorControlSupport.h"

#include <vector>

using namespace fx::gfx;

namespace {

// Byte offsets where the code points of a UTF-8 text start (a stray continuation byte stays with
// the code point before it), followed by the text's length.
std::vector<int> CodePointStarts(const char* s)
{
  std::vector<int> starts;
  int i = 0;
  for (; s[i]; ++i)
    if (i == 0 || (static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) starts.push_back(i);
  starts.push_back(i);
  return starts;
}

} // namespace

IBPresetMenuBV::IBPresetMenuBV(ORBEX9* plug, const IRECT& bounds, const IRECT& nameRect, const IRECT& textRect,
                               int prevX, int prevY, const IBitmap& prevBitmap, int nextX, int nextY,
                               const IBitmap& nextBitmap, const IText& text, int loadAction, int saveAction,
                               int saveDefaultAction, int beforeMenuAction, int afterResetAction, int afterLoadAction,
                               PresetLists* presets, const fx::FxString& folder, const char* extension, int nameWidth,
                               bool stepButtons, bool userPresetsFromFiles)
  : IControl(bounds), mFolder(folder), mExtension(extension ? extension : ""), mSaveAction(saveAction),
    mSaveDefaultAction(saveDefaultAction), mLoadAction(loadAction), mBeforeMenuAction(beforeMenuAction),
    mAfterResetAction(afterResetAction), mAfterLoadAction(afterLoadAction), mPlug(plug), mPresets(presets),
    mNameWidth(nameWidth), mNameRect(nameRect), mTextRect(textRect),
    mPrevRect(editorbv::FrameRectAt(static_cast<float>(prevX), static_cast<float>(prevY), prevBitmap)),
    mNextRect(editorbv::FrameRectAt(static_cast<float>(nextX), static_cast<float>(nextY), nextBitmap)),
    mPrevBitmap(prevBitmap), mNextBitmap(nextBitmap), mStepButtons(stepButtons),
    mUserPresetsFromFiles(userPresetsFromFiles), mUserFolder(folder)
{
  mText = text;
  mDblAsSingleClick = true;
}

fx::FxString IBPresetMenuBV::ShortenName(const char* name, int width)
{
  fx::FxString out(name ? name : "");
  const std::vector<int> starts = CodePointStarts(out.Get());
  const int n = static_cast<int>(starts.size()) - 1;
  if (width < 7 || n <= width) return out;
  const int h = width / 2;
  const int headEnd = starts[static_cast<size_t>(h - 2)];
  const int tailStart = starts[static_cast<size_t>(n - (width - h - 3))];
  fx::FxString shortened(out.Get(), headEnd);
  shortened.Append(" ... ");
  shortened.Append(out.Get() + tailStart);
  return shortened;
}

void IBPresetMenuBV::ApplyPreset(const fx::IPreset* preset, bool loading)
{
  if (!preset || !mPlug) return;
  if (loading && mPresets) mPresets->mLoading = true;
  if (mPlug->CopyPresetToSlot(preset, 0))
  {
    mPlug->RestorePreset(0);
    mPlug->InformHostOfPresetChange();
  }
  if (loading && mPresets) mPresets->mLoading = false;
}

void IBPresetMenuBV::Step(int delta)
{
  const int nFactory = mPresets ? mPresets->mFactory.GetSize() : 0;
  const int from = mFactoryIdx;
  if (delta < 0 && from <= 0)
  {
    mFactoryIdx = 0;
    return;
  }
  if (delta > 0 && from + 1 >= nFactory)
  {
    mFactoryIdx = nFactory > 0 ? nFactory - 1 : 0;
    return;
  }
  mFactoryIdx = from + delta;
  ApplyPreset(mPresets->mFactory.Get(mFactoryIdx), true);
  editorbv::SendAction(*this, mAfterLoadAction);
}

void IBPresetMenuBV::OnMouseDown(float x, float y, const IMouseMod& /*mod*/)
{
  if (mNameRect.Contains(x, y))
  {
    editorbv::SendAction(*this, mBeforeMenuAction);
    SetDirty(true);
    BuildMenu();
    SetDirty(true);
    return;
  }
  if (!mStepButtons) return;
  if (mPrevRect.Contains(x, y)) Step(-1);
  else if (mNextRect.Contains(x, y)) Step(+1);
  else return;
  SetDirty(true);
}

void IBPresetMenuBV::OnMouseUp(float /*x*/, float /*y*/, const IMouseMod& /*mod*/) { SetDirty(true); }

void IBPresetMenuBV::OnMouseOver(float x, float y, const IMouseMod& /*mod*/)
{
  mNameHovered = mNameRect.Contains(x, y);
  mPrevHovered = mStepButtons && mPrevRect.Contains(x, y);
  mNextHovered = mStepButtons && mNextRect.Contains(x, y);
  SetDirty(false);
}

void IBPresetMenuBV::OnMouseOut()
{
  mNameHovered = mPrevHovered = mNextHovered = false;
  SetDirty(false);
}

void IBPresetMenuBV::OnResize() { SetDirty(false); }

void IBPresetMenuBV::BuildMenu()
{
  mMainMenu.RemoveAllItems();
  mMainMenu.Clear();
  mFactoryMenu = mUserMenu = nullptr;
  auto position = [this] { return mMainMenu.NItems() - 1; };

  mMainMenu.AddItem(">> Preset menu <<");
  mMainMenu.AddSeparator();
  mMainMenu.AddItem("Load preset ...");
  mLoadItem = position();
  mMainMenu.AddItem("Reset to default");
  mResetItem = position();
  mMainMenu.AddSeparator();
  mMainMenu.AddItem("Save preset ...");
  mSaveItem = position();
  mMainMenu.AddItem("Save as default");
  mSaveDefaultItem = position();

  if (mPresets && mPresets->mFactory.GetSize() > 0)
  {
    mMainMenu.AddSeparator();
    auto* factory = new IPopupMenu();
    for (int i = 0; i < mPresets->mFactory.GetSize(); ++i) factory->AddItem(mPresets->mFactory.Get(i)->mName);
    if (mMainMenu.AddItem("Factory", factory)) mFactoryMenu = factory;
  }
  if (mPresets && mPresets->mScanned.GetSize() > 0)
  {
    mMainMenu.AddSeparator();
    auto* user = new IPopupMenu();
    for (int i = 0; i < mPresets->mScanned.GetSize(); ++i) user->AddItem(mPresets->mScanned.Get(i)->mName);
    if (mMainMenu.AddItem("User", user)) mUserMenu = user;
  }

  if (IGfx* ui = GetUI()) ui->CreatePopupMenu(*this, mMainMenu, mRECT);
}

void IBPresetMenuBV::PromptForPresetFile(bool save)
{
  IGfx* ui = GetUI();
  mFilePath.Clear();
  if (!ui) return;
  const fx::FxString folder = mFolder;
  ui->PromptForFile(mFilePath, mFolder, save ? kFileSave : kFileOpen, mExtension.Get());
  // A cancelled dialog empties both; the next one should still open where this one did.
  if (mFilePath.Empty()) mFolder = folder;
}

void IBPresetMenuBV::OnMainMenuChoice(int pos)
{
  if (pos == mLoadItem)
  {
    PromptForPresetFile(false);
    editorbv::SendAction(*this, mLoadAction);
    editorbv::SendAction(*this, mAfterLoadAction);
  }
  else if (pos == mResetItem)
  {
    if (mPresets) ApplyPreset(&mPresets->mDefault, false);
    editorbv::SendAction(*this, mAfterResetAction);
    editorbv::SendAction(*this, mAfterLoadAction);
  }
  else if (pos == mSaveItem)
  {
    PromptForPresetFile(true);
    editorbv::SendAction(*this, mSaveAction);
  }
  else if (pos == mSaveDefaultItem)
  {
    editorbv::SendAction(*this, mSaveDefaultAction);
  }
}

void IBPresetMenuBV::OnPopupMenuSelection(IPopupMenu* menu, int /*valIdx*/)
{
  if (!menu) return;
  const int pos = menu->GetChosenItemIdx();
  if (menu == &mMainMenu)
  {
    OnMainMenuChoice(pos);
  }
  else if (menu == mFactoryMenu && mFactoryMenu && pos >= 0)
  {
    if (const fx::IPreset* preset = mPresets->mFactory.Get(pos))
    {
      mFactoryIdx = pos;
      ApplyPreset(preset, true);
      editorbv::SendAction(*this, mAfterLoadAction);
    }
  }
  else if (menu == mUserMenu && mUserMenu && pos >= 0)
  {
    if (const fx::IPreset* preset = mPresets->mScanned.Get(pos))
    {
      mFactoryIdx = 0;
      if (!mUserPresetsFromFiles)
      {
        ApplyPreset(preset, true);
      }
      else
      {
        mFilePath.Set(mUserFolder.Get());
        mFilePath.Append("/");
        mFilePath.Append(preset->mName);
        mFilePath.Append(".");
        mFilePath.Append(mExtension.Get());
        mPresets->mLoading = true;
        editorbv::SendAction(*this, mLoadAction);
        mPresets->mLoading = false;
      }
      editorbv::SendAction(*this, mAfterLoadAction);
    }
  }
  SetDirty(true);
}

void IBPresetMenuBV::Draw(IGfx& g)
{
  if (mStepButtons)
  {
    g.DrawBitmapFrame(mPrevBitmap, mPrevRect, mPrevHovered ? 2 : 1, &mBlend);
    g.DrawBitmapFrame(mNextBitmap, mNextRect, mNextHovered ? 2 : 1, &mBlend);
  }
  fx::FxString name;
  if (mPlug) name.SetFormatted(255, "%s", mPlug->GetPresetName(mPlug->GetCurrentPresetIdx()));
  IText text = mText;
  if (mNameHovered) text.mFGColor = IColor(text.mFGColor.A, 255, 255, 255);
  g.DrawText(text, ShortenName(name.Get(), mNameWidth).Get(), mTextRect, &mBlend);

  fx::FxString tooltip("Preset menu: ");
  tooltip.Append(name.Get());
  SetTooltip(tooltip.Get());
}
