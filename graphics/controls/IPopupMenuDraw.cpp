// The pop-up menu's drawing: panels with their shadows, cells, ticks, arrows and separators,
// and the call-out arrows.

#include "graphics/controls/IPopupMenuControl.h"

#include "graphics/IGfx.h"

#include <algorithm>

namespace fx::gfx {

void IPopupMenuControl::Draw(IGfx& g)
{
  for (auto& owned : mMenuPanels)
  {
    MenuPanel& panel = *owned;
    if (!panel.mShouldDraw) continue;
    DrawPanelShadow(g, panel);
    DrawPanelBackground(g, panel);

    const int n = panel.NCells();
    const int items = panel.mMenu->NItems();
    const int offset = panel.mScrollItemOffset;
    const IBlend* blend = &panel.mBlend;
    auto highlighted = [&](int k) { return (&panel == mActiveMenuPanel && k == mMouseCell) || k == panel.mHighlightedCell; };
    int firstItemCell = 0, lastItemCell = n - 1;
    if (items > n && n > 0)
    {
      if (offset > 0)
      {
        DrawCellBackground(g, panel.GetCell(0), nullptr, highlighted(0), blend);
        DrawUpArrow(g, panel.GetCell(0), highlighted(0), blend);
        firstItemCell = 1;
      }
      if (offset < items - n)
      {
        DrawCellBackground(g, panel.GetCell(n - 1), nullptr, highlighted(n - 1), blend);
        DrawDownArrow(g, panel.GetCell(n - 1), highlighted(n - 1), blend);
        lastItemCell = n - 2;
      }
    }
    for (int k = firstItemCell; k <= lastItemCell; ++k)
    {
      const IPopupMenu::Item* item = panel.ItemOfCell(k);
      if (!item) continue;
      const IRECT& cell = panel.GetCell(k);
      if (item->GetIsSeparator())
      {
        DrawSeparator(g, cell, blend);
        continue;
      }
      const bool sel = highlighted(k);
      DrawCellBackground(g, cell, item, sel, blend);
      DrawCellText(g, cell, item, sel, blend);
      if (item->GetChecked()) DrawCellTick(g, cell, item, sel, blend);
      if (item->GetSubmenu()) DrawSubMenuArrow(g, cell, item, sel, blend);
    }
  }

  if (!mMenuPanels.empty() && mCallOut)
  {
    const IBlend* blend = &mMenuPanels.front()->mBlend;
    DrawCalloutArrow(g, mCalloutArrowBounds, blend);
    if (mMenuHasSubMenu && mSubmenuOpen) DrawSubmenuCalloutArrow(g, mSubMenuCalloutArrowBounds, blend);
  }
}

void IPopupMenuControl::DrawPanelShadow(IGfx& g, MenuPanel& panel)
{
  g.DrawFastDropShadow(panel.mRECT.GetPadded(-mDropShadowSize), panel.mRECT, 2.f, mRoundness, 10.f, &panel.mBlend);
}

void IPopupMenuControl::DrawPanelBackground(IGfx& g, MenuPanel& panel)
{
  g.FillRoundRect(mPanelBackgroundColor, panel.mTargetRECT, mRoundness, &panel.mBlend);
}

void IPopupMenuControl::DrawCellBackground(IGfx& g, const IRECT& bounds, const IPopupMenu::Item* /*item*/, bool sel,
                                           const IBlend* blend)
{
  if (sel) g.FillRect(mCellBackGroundColor, IRECT(bounds.L - mPadding, bounds.T, bounds.R + mPadding, bounds.B), blend);
}

void IPopupMenuControl::DrawCellText(IGfx& g, const IRECT& bounds, const IPopupMenu::Item* item, bool sel,
                                     const IBlend* blend)
{
  mText.mFGColor = sel ? mItemColor : (item && !item->GetEnabled() ? mDisabledItemColor : mTextColor);
  mText.mAlign = kAlignNear;
  const float q = std::max(1.f, mTickWidth);
  const IRECT r(bounds.L + mTickWidth / 2.f + q / 2.f + mTextPadding, bounds.T, bounds.R - mTextPadding, bounds.B);
  const char* text = item ? item->GetText() : nullptr;
  g.DrawText(mText, text ? text : "", r, blend);
}

void IPopupMenuControl::DrawCellTick(IGfx& g, const IRECT& bounds, const IPopupMenu::Item* /*item*/, bool sel,
                                     const IBlend* blend)
{
  const float side = std::max(1.f, mTickWidth / 2.f);
  const float cx = bounds.L + mTickWidth / 2.f, cy = bounds.MH();
  g.FillRoundRect(sel ? mItemColor : mTextColor, IRECT(cx - side / 2.f, cy - side / 2.f, cx + side / 2.f, cy + side / 2.f),
                  2.f, blend);
}

void IPopupMenuControl::DrawSubMenuArrow(IGfx& g, const IRECT& bounds, const IPopupMenu::Item* /*item*/, bool sel,
                                         const IBlend* blend)
{
  const float d = bounds.H() / 2.f, cy = bounds.MH();
  const IColor& color = sel ? mItemColor : mTextColor;
  if (mSubMenuOpensOnRight)
  {
    const float tip = bounds.R + mPadding / 2.f;
    g.FillTriangle(color, tip, cy, tip - d, cy - d / 2.f, tip - d, cy + d / 2.f, blend);
  }
  else
  {
    const float tip = bounds.L - mPadding / 2.f;
    g.FillTriangle(color, tip, cy, tip + d, cy - d / 2.f, tip + d, cy + d / 2.f, blend);
  }
}

void IPopupMenuControl::DrawUpArrow(IGfx& g, const IRECT& bounds, bool sel, const IBlend* blend)
{
  const float w = 0.6f * bounds.H(), cx = bounds.MW(), cy = bounds.MH();
  g.FillTriangle(sel ? mItemColor : mTextColor, cx - w / 2.f, cy + w / 2.f, cx + w / 2.f, cy + w / 2.f, cx, cy - w / 2.f,
                 blend);
}

void IPopupMenuControl::DrawDownArrow(IGfx& g, const IRECT& bounds, bool sel, const IBlend* blend)
{
  const float w = 0.6f * bounds.H(), cx = bounds.MW(), cy = bounds.MH();
  g.FillTriangle(sel ? mItemColor : mTextColor, cx - w / 2.f, cy - w / 2.f, cx + w / 2.f, cy - w / 2.f, cx, cy + w / 2.f,
                 blend);
}

void IPopupMenuControl::DrawSeparator(IGfx& g, const IRECT& bounds, const IBlend* blend)
{
  if (static_cast<double>(BlendWeight(blend)) > 0.9)
  {
    const IBlend quarter(kBlendDefault, 0.25f);
    g.FillRect(mSeparatorColor, bounds, &quarter);
  }
}

void IPopupMenuControl::DrawCalloutArrow(IGfx& g, const IRECT& r, const IBlend* blend)
{
  const float k = r.H() / 2.f, cx = r.MW(), cy = r.MH();
  const IColor& c = mPanelBackgroundColor;
  switch (mCalloutArrowDir)
  {
    case 0: g.FillTriangle(c, cx - k, r.T, cx + k, r.T, cx, r.B, blend); break;
    case 1: g.FillTriangle(c, cx + k, r.B, cx + k, r.T, cx - k, cy, blend); break;
    case 2: g.FillTriangle(c, cx - k, r.B, cx + k, r.B, cx, r.T, blend); break;
    case 3: g.FillTriangle(c, cx - k, r.B, cx - k, r.T, cx + k, cy, blend); break;
    default: break;
  }
}

void IPopupMenuControl::DrawSubmenuCalloutArrow(IGfx& g, const IRECT& r, const IBlend* blend)
{
  const float k = r.H() / 2.f, cx = r.MW(), cy = r.MH();
  if (mSubMenuOpensOnRight) g.FillTriangle(mPanelBackgroundColor, cx + k, r.B, cx + k, r.T, cx - k, cy, blend);
  else g.FillTriangle(mPanelBackgroundColor, cx - k, r.B, cx - k, r.T, cx + k, cy, blend);
}

} // namespace fx::gfx
