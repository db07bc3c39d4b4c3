// Prompts for parameter values and the menus the editor opens: value menus of display texts,
// text entries, context menus, and the results they bring back.

#include "core/IGEditorDelegate.h"
#include "core/IParam.h"
#include "graphics/IGfx.h"

#include <cmath>
#include <cstring>
#include <vector>

namespace fx::gfx {

namespace {

std::vector<int> ParamsOf(const IControl& control)
{
  std::vector<int> params;
  for (int v = 0; v < control.NVals(); ++v)
  {
    const int paramIdx = control.GetParamIdx(v);
    if (paramIdx >= 0) params.push_back(paramIdx);
  }
  return params;
}

} // namespace

void IGfx::PromptUserInput(IControl& control, const IRECT& bounds, int valIdx)
{
  const IParam* param = control.GetParam(valIdx);
  if (!param) return;

  const int nTexts = param->GetNumDisplayTexts();
  if (param->Type() == kTypeEnum || (param->Type() == kTypeBool && nTexts > 0))
  {
    FxString current;
    param->GetDisplay(current, true);
    mPromptPopupMenu.Clear();
    for (int i = 0; i < nTexts; ++i)
    {
      const char* text = param->GetDisplayText(static_cast<double>(i));
      const int flags = std::strcmp(text, current.Get()) == 0 ? IPopupMenu::Item::kChecked : IPopupMenu::Item::kNoFlags;
      mPromptPopupMenu.AddItem(text, IPopupMenu::kAppend, flags);
    }
    mPromptPopupMenu.SetRootTitle(param->GetName());
    CreatePopupMenu(control, mPromptPopupMenu, bounds, valIdx, false);
  }
  else
  {
    FxString text;
    param->GetDisplay(text, false);
    if (control.GetPromptShowsParamLabel())
    {
      text.Append(" ");
      text.Append(param->GetLabel());
    }
    CreateTextEntryForControl(control, control.GetText(), bounds, text.Get(), valIdx);
  }
}

void IGfx::CreateTextEntryForControl(IControl& control, const IText& text, const IRECT& bounds, const char* str,
                                     int valIdx)
{
  mInTextEntry = &control;
  mTextEntryValIdx = valIdx;
  const int paramIdx = valIdx >= 0 ? control.GetParamIdx(valIdx) : -1;
  if (mTextEntryControl)
    mTextEntryControl->CreateTextEntry(paramIdx, text, bounds, control.GetTextEntryLength(), str ? str : "");
  else
    CreatePlatformTextEntry(paramIdx, text, bounds, control.GetTextEntryLength(), str ? str : "");
  control.SetDirty(false, -1);
}

void IGfx::SetControlValueAfterTextEdit(const char* str)
{
  IControl* owner = mInTextEntry;
  if (!owner) return;
  mInTextEntry = nullptr;
  const int valIdx = mTextEntryValIdx;
  if (!str) str = "";

  if (const IParam* param = owner->GetParam(valIdx))
  {
    // Text that does not read as a number changes nothing.
    const double value = param->StringToValue(str);
    if (std::isnan(value)) return;
    owner->SetValueFromUserInput(IControl::NormalizedFromParam(*param, value), valIdx);
  }
  else
  {
    owner->OnTextEntryCompletion(str, valIdx);
  }
}

void IGfx::SetControlValueAfterPopupMenu(IPopupMenu* menu)
{
  IControl* owner = mInPopupMenu;
  if (!owner) return;
  mInPopupMenu = nullptr;
  // Read before the owner runs: it may remove itself while it takes the choice.
  const std::vector<int> params = ParamsOf(*owner);

  if (mIsContextMenu)
  {
    owner->OnContextSelection(menu ? menu->GetChosenItemIdx() : -1);
    // A context menu opens on a press that began no host gesture: none to end.
    return;
  }
  owner->OnPopupMenuSelection((menu && menu->GetChosenItemIdx() != -1) ? menu : nullptr, mPopupMenuValIdx);
  if (mDelegate->IsTearingDown()) return;
  for (int paramIdx : params) mDelegate->EndInformHostOfParamChangeFromUI(paramIdx);
}

void IGfx::CreatePopupMenu(IControl& control, IPopupMenu& menu, const IRECT& bounds, int valIdx)
{
  CreatePopupMenu(control, menu, bounds, valIdx, false);
}

void IGfx::CreatePopupMenu(IControl& control, IPopupMenu& menu, const IRECT& bounds, int valIdx, bool isContext)
{
  // The in-editor menu takes one request at a time: one arriving while a menu is open or closing
  // is refused here, before it could take the open menu's result from its requester.
  if (mPopupControl && mPopupControl->GetState() != IPopupMenuControlBase::kCollapsed) return;
  ReleaseMouseCapture();
  mInPopupMenu = &control;
  mPopupMenuValIdx = valIdx;
  mIsContextMenu = isContext;

  if (mPopupControl)
  {
    mPopupControl->CreatePopupMenu(menu, bounds);
    return;
  }
  bool isAsync = false;
  IPopupMenu* result = CreatePlatformPopupMenu(menu, bounds, isAsync);
  if (!isAsync && mInPopupMenu) SetControlValueAfterPopupMenu(result);
}

void IGfx::PopupContextMenuForControl(int controlIdx, float x, float y)
{
  PopupContextMenuForControl(GetControl(controlIdx), x, y);
}

void IGfx::PopupContextMenuForControl(IControl* control, float x, float y)
{
  if (!control) return;
  mPromptPopupMenu.Clear();
  control->CreateContextMenu(mPromptPopupMenu);
  if (mPromptPopupMenu.NItems() > 0) CreatePopupMenu(*control, mPromptPopupMenu, IRECT(x, y, x, y), -1, true);
}

} // namespace fx::gfx
