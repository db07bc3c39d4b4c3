// The pop-up menu's states, pointer handling and animation.

#include "graphics/controls/IPopupMenuControl.h"

#include "graphics/IGfx.h"

#include <algorithm>

namespace fx::gfx {

namespace {

constexpr int kStepMs = 100;
constexpr int kSubMenuMs = 200;

void AnimationStarter(IControl* caller)
{
  auto* menu = static_cast<IPopupMenuControl*>(caller);
  caller->SetAnimation([](IControl* c) { static_cast<IPopupMenuControl*>(c)->AnimationStep(); },
                       menu->GetPopupState() == kPopupSubExpanding ? kSubMenuMs : kStepMs);
}

} // namespace

IPopupMenuControl::IPopupMenuControl(int paramIdx, const IText& text, const IRECT& collapsedBounds,
                                     const IRECT& expandedBounds)
  : IPopupMenuControlBase(collapsedBounds), mSpecifiedCollapsedBounds(collapsedBounds),
    mSpecifiedExpandedBounds(expandedBounds)
{
  SetParamIdx(paramIdx, 0);
  SetActionFunction(AnimationStarter);
  mText = text;
  mHide = true;
}

IPopupMenuControl::~IPopupMenuControl() = default;

int IPopupMenuControl::IndexOfPanel(const MenuPanel* panel) const
{
  for (int i = 0; i < NPanels(); ++i)
    if (mMenuPanels[static_cast<size_t>(i)].get() == panel) return i;
  return -1;
}

void IPopupMenuControl::SetAllPanelsAlpha(float alpha)
{
  for (auto& panel : mMenuPanels) panel->mBlend.mWeight = alpha;
}

void IPopupMenuControl::CreatePopupMenu(IPopupMenu& menu, const IRECT& anchor)
{
  // A menu is open or still closing: the request is dropped, leaving the open menu as it is.
  if (mState != kPopupIdle) return;
  mMenu = &menu;
  for (int i = 0; i < menu.NItems(); ++i)
  {
    mMenuHasSubMenu = menu.GetItem(i)->GetSubmenu() != nullptr;
    if (mMenuHasSubMenu) break;
  }
  if (IGfx* ui = GetUI())
    mMaxBounds = IRECT(0.f, 0.f, static_cast<float>(ui->Width()), static_cast<float>(ui->Height()));
  Expand(anchor);
}

void IPopupMenuControl::Expand(const IRECT& anchor)
{
  if (!mMenu) return;
  IControl::Hide(false);
  mState = kPopupExpanding;
  if (IGfx* ui = GetUI()) ui->UpdateTooltips();
  mMenuPanels.clear();
  mAnchorArea = anchor;

  float w = 0.f, h = 0.f, x = 0.f, y = 0.f;
  CalculateMenuPanelDimensions(*mMenu, w, h);
  PlaceRoot(w, h, x, y);
  mMenuPanels.push_back(std::make_unique<MenuPanel>(*this, *mMenu, x, y, -1));
  MenuPanel* root = mMenuPanels.back().get();
  mActiveMenuPanel = mAppearingMenuPanel = root;
  mMouseCell = -1;

  SetTargetRECT(root->mTargetRECT);
  SetRECT(root->mRECT);
  OnResize();
  SetDirty(true);
}

void IPopupMenuControl::OnMouseOver(float x, float y, const IMouseMod& /*mod*/)
{
  if (!mActiveMenuPanel) return;
  mMouseCell = mActiveMenuPanel->HitTestCells(x, y);
  if (mMouseCell < 0)
  {
    for (int i = NPanels() - 1; i >= 0; --i)
    {
      MenuPanel* panel = mMenuPanels[static_cast<size_t>(i)].get();
      if (panel->mShouldDraw && panel->mRECT.Contains(x, y))
      {
        mActiveMenuPanel = panel;
        mMouseCell = panel->HitTestCells(x, y);
        break;
      }
    }
  }

  UpdateSubmenuPanels();

  MenuPanel& panel = *mActiveMenuPanel;
  if (panel.mScroller && panel.NCells() > 0)
  {
    const int lastOffset = std::max(0, panel.mMenu->NItems() - panel.NCells());
    if (mMouseCell == 0) panel.mScrollItemOffset = std::clamp(panel.mScrollItemOffset - 1, 0, lastOffset);
    else if (mMouseCell == panel.NCells() - 1)
      panel.mScrollItemOffset = std::clamp(panel.mScrollItemOffset + 1, 0, lastOffset);
  }
  SetDirty(false);
}

void IPopupMenuControl::OnMouseDrag(float x, float y, float /*dX*/, float /*dY*/, const IMouseMod& /*mod*/)
{
  if (!mActiveMenuPanel) return;
  mMouseCell = mActiveMenuPanel->HitTestCells(x, y);
  SetDirty(false);
}

void IPopupMenuControl::OnMouseOut() { mMouseCell = -1; }

void IPopupMenuControl::OnMouseDown(float x, float y, const IMouseMod& mod)
{
  if (mState != kPopupShown)
  {
    IControl::OnMouseDown(x, y, mod);
    return;
  }
  mMouseCell = mActiveMenuPanel ? mActiveMenuPanel->HitTestCells(x, y) : -1;
  OnItemChosen();
}

void IPopupMenuControl::Hide(bool hide)
{
  // Hidden while open (the editor lost focus): the menu ends as if pressed beside its items, so
  // the requester hears of it and the next click reaches the editor.
  if (hide && (mState == kPopupExpanding || mState == kPopupShown || mState == kPopupSubExpanding))
  {
    mMouseCell = -1;
    OnItemChosen();
    return;
  }
  IControl::Hide(hide);
}

void IPopupMenuControl::UpdateSubmenuPanels()
{
  MenuPanel* active = mActiveMenuPanel;
  if (!active || mMouseCell < 0) return;
  const int activeIdx = IndexOfPanel(active);
  IPopupMenu::Item* item = active->ItemOfCell(mMouseCell);
  IPopupMenu* sub = item ? item->GetSubmenu() : nullptr;

  if (!sub)
  {
    for (auto& panel : mMenuPanels)
      if (panel->mParentIdx == activeIdx) panel->mShouldDraw = false;
    active->mHighlightedCell = -1;
    mSubmenuOpen = false;
  }
  else
  {
    MenuPanel* subPanel = nullptr;
    for (auto& panel : mMenuPanels)
    {
      panel->mShouldDraw = panel->mMenu == sub;
      if (panel->mShouldDraw) subPanel = panel.get();
    }
    active->mHighlightedCell = item->GetEnabled() ? mMouseCell : -1;

    const IRECT cell = active->GetCell(mMouseCell);
    if (!subPanel)
    {
      float w = 0.f, h = 0.f, x = 0.f, y = 0.f;
      CalculateMenuPanelDimensions(*sub, w, h);
      PlaceSubMenu(cell, w, h, x, y);
      mMenuPanels.push_back(std::make_unique<MenuPanel>(*this, *sub, x, y, activeIdx));
      subPanel = mMenuPanels.back().get();
    }

    MenuPanel* first = nullptr;
    for (auto& panel : mMenuPanels)
      if (panel->mShouldDraw)
      {
        first = panel.get();
        break;
      }

    IRECT drawArea = mRECT, targetArea = mTargetRECT;
    for (MenuPanel* p = first; p;)
    {
      drawArea = drawArea.Union(p->mRECT);
      targetArea = targetArea.Union(p->mTargetRECT);
      MenuPanel* parent = GetPanel(p->mParentIdx);
      if (parent)
      {
        parent->mShouldDraw = true;
        mSubmenuOpen = true;
        const float a = CalloutSpace();
        mSubMenuCalloutArrowBounds = mSubMenuOpensOnRight
          ? IRECT(cell.R + mPadding, cell.MH() - a / 2.f, cell.R + mPadding + a, cell.MH() + a / 2.f)
          : IRECT(cell.L - mPadding - a, cell.MH() - a / 2.f, cell.L - mPadding, cell.MH() + a / 2.f);
      }
      p = parent;
    }
    SetRECT(drawArea);
    SetTargetRECT(targetArea);
    OnResize();

    if (mAppearingMenuPanel != first)
    {
      mState = kPopupSubExpanding;
      mAppearingMenuPanel = subPanel;
    }
    SetDirty(true);
  }
  SetDirty(false);
}

void IPopupMenuControl::OnItemChosen()
{
  MenuPanel* panel = mActiveMenuPanel;
  IPopupMenu* menu = panel ? panel->mMenu : nullptr;
  if (menu)
  {
    menu->SetChosenItemIdx(-1);
    const IPopupMenu::Item* item = mMouseCell >= 0 ? panel->ItemOfCell(mMouseCell) : nullptr;
    // A scroll arrow, a separator, a heading, a disabled item or one with a sub-menu chooses
    // nothing.
    if (item && !panel->CellShowsArrow(mMouseCell) && !item->GetIsSeparator() && !item->GetIsTitle() &&
        item->GetEnabled() && !item->GetSubmenu())
    {
      menu->SetChosenItemIdx(panel->mScrollItemOffset + mMouseCell);
      panel->mClickedCell = mMouseCell;
    }
    // The completion function runs here, once; the editor then hands the result on.
    menu->ExecFunction();
  }
  mSubmenuOpen = false;
  mActiveMenuPanel = nullptr;
  mState = kPopupFlickering;
  IControl::Hide(true);
  SetDirty(true);
  if (IGfx* ui = GetUI()) ui->SetControlValueAfterPopupMenu(menu);
}

void IPopupMenuControl::AnimationStep()
{
  const double p = GetAnimationProgress();
  if (p > 1.0)
  {
    OnEndAnimation();
    return;
  }
  if (!mAppearingMenuPanel) return;
  if (mState == kPopupExpanding) mAppearingMenuPanel->mBlend.mWeight = static_cast<float>(p) * mOpacity;
  else if (mState == kPopupSubExpanding) mAppearingMenuPanel->mBlend.mWeight = p > 0.9 ? mOpacity : 0.f;
}

void IPopupMenuControl::OnEndAnimation()
{
  switch (mState)
  {
    case kPopupExpanding:
    case kPopupSubExpanding:
      SetAllPanelsAlpha(mOpacity);
      mState = kPopupShown;
      break;
    case kPopupFlickering:
      mState = kPopupCollapsing;
      SetDirty(true);
      return;
    case kPopupCollapsing:
      SetTargetRECT(mSpecifiedCollapsedBounds);
      mMouseCell = -1;
      mAnchorArea = IRECT();
      mState = kPopupCollapsed;
      SetDirty(true);
      return;
    case kPopupCollapsed:
      if (IGfx* ui = GetUI()) ui->UpdateTooltips();
      mMenuPanels.clear();
      mAppearingMenuPanel = nullptr;
      SetRECT(mSpecifiedCollapsedBounds);
      mState = kPopupIdle;
      break;
    default: break;
  }
  IControl::OnEndAnimation();
}

} // namespace fx::gfx
