// The pop-up menu's geometry: item measurement, the cells of a panel (in columns or as a
// scrolling window), and where the root panel and sub-menu panels go.

#include "graphics/controls/IPopupMenuControl.h"

#include "graphics/IGfx.h"

#include <algorithm>
#include <cmath>

namespace fx::gfx {

namespace {

/** The union of the items' measured texts. */
IRECT MeasureItems(IGfx* ui, const IText& text, IPopupMenu& menu)
{
  IRECT span;
  if (!ui) return span;
  for (int i = 0; i < menu.NItems(); ++i)
  {
    IRECT r;
    const char* str = menu.GetItem(i)->GetText();
    ui->MeasureText(text, str ? str : "", r);
    span = span.Union(r);
  }
  return span;
}

} // namespace

void IPopupMenuControl::CalculateMenuPanelDimensions(IPopupMenu& menu, float& width, float& height) const
{
  const IRECT span = MeasureItems(GetUI(), mText, menu);
  width = (span.R + mTextPadding + mArrowWidth) - (span.L - mTextPadding - mTickWidth);
  const float cellHeight = span.B - span.T;
  int separators = 0;
  for (int i = 0; i < menu.NItems(); ++i) separators += menu.GetItem(i)->GetIsSeparator() ? 1 : 0;
  const int n = menu.NItems();
  height = (n - separators) * cellHeight + separators * mSeparatorSize + (n - 1) * mCellGap;
}

IRECT IPopupMenuControl::GetLargestCellRectForMenu(IPopupMenu& menu, float x, float y) const
{
  const IRECT span = MeasureItems(GetUI(), mText, menu);
  const float width = (span.R + mTextPadding + mArrowWidth) - (span.L - mTextPadding - mTickWidth);
  return IRECT(x, y, x + width, y + (span.B - span.T));
}

IPopupMenuControl::MenuPanel::MenuPanel(IPopupMenuControl& control, IPopupMenu& menu, float x, float y,
                                        int parentIdx)
  : mMenu(&menu), mParentIdx(parentIdx)
{
  mSingleCellBounds = control.GetLargestCellRectForMenu(menu, x, y);
  const float w = mSingleCellBounds.W(), cellHeight = mSingleCellBounds.H();
  const float inset = control.mPadding, gap = control.mCellGap;
  const IRECT& maxBounds = control.mMaxBounds;
  const int n = menu.NItems();
  auto heightOf = [&](int k) { return menu.GetItem(k)->GetIsSeparator() ? control.mSeparatorSize : cellHeight; };

  float left = x + inset, top = y + inset;
  bool scroll = false;
  for (int k = 0; k < n; ++k)
  {
    const float hk = heightOf(k);
    const bool limit = k >= 2 && control.mMaxColumnItems > 0 && k % control.mMaxColumnItems == 0;
    if (limit || top + hk + inset > maxBounds.B)
    {
      if (control.mScrollIfTooBig)
      {
        scroll = true;
        break;
      }
      left += w + gap;
      top = y + inset;
    }
    mCells.emplace_back(left, top, left + w, top + hk);
    top += hk + gap;
  }

  if (scroll)
  {
    const float room = maxBounds.B - inset - (maxBounds.T + control.mDropShadowSize + inset);
    const float pitch = cellHeight + gap;
    mMaxCells = pitch > 0.f ? std::max(0, static_cast<int>(room / pitch)) : 0;
    mCells.clear();
    if (n < mMaxCells)
    {
      // The column rises from the panel's origin, but never beyond the maximum bounds, where its
      // items could be neither seen nor chosen.
      float height = (n - 1) * gap;
      for (int k = 0; k < n; ++k) height += heightOf(k);
      top = std::max(maxBounds.T + control.mDropShadowSize + inset,
                     std::min(y + inset + cellHeight - n * cellHeight, maxBounds.B - inset - height));
      for (int k = 0; k < n; ++k)
      {
        mCells.emplace_back(x + inset, top, x + inset + w, top + heightOf(k));
        top += heightOf(k) + gap;
      }
    }
    else
    {
      mScroller = true;
      top = maxBounds.T + control.mDropShadowSize + inset;
      for (int k = 0; k < mMaxCells; ++k)
      {
        mCells.emplace_back(x + inset, top, x + inset + w, top + heightOf(k));
        top += heightOf(k) + gap;
      }
    }
  }

  IRECT span;
  if (control.mSpecifiedExpandedBounds.W() != 0.f) span = control.mSpecifiedExpandedBounds;
  else
    for (const IRECT& cell : mCells) span = span.Union(cell);
  mTargetRECT = span.GetPadded(inset);
  mRECT = span.GetPadded(control.mDropShadowSize + inset);
}

int IPopupMenuControl::MenuPanel::HitTestCells(float x, float y) const
{
  for (int i = 0; i < NCells(); ++i)
  {
    const IPopupMenu::Item* item = ItemOfCell(i);
    if (GetCell(i).Contains(x, y) && item && item->GetEnabled()) return i;
  }
  return -1;
}

IPopupMenu::Item* IPopupMenuControl::MenuPanel::ItemOfCell(int cellIdx) const
{
  return mMenu ? mMenu->GetItem(mScrollItemOffset + cellIdx) : nullptr;
}

bool IPopupMenuControl::MenuPanel::CellShowsArrow(int cellIdx) const
{
  const int n = NCells(), items = mMenu ? mMenu->NItems() : 0;
  if (items <= n) return false;
  return (cellIdx == 0 && mScrollItemOffset > 0) || (cellIdx == n - 1 && mScrollItemOffset < items - n);
}

void IPopupMenuControl::PlaceRoot(float w, float h, float& x, float& y)
{
  const IRECT& A = mAnchorArea;
  const IRECT& M = mMaxBounds;
  const float a = CalloutSpace(), margin = mDropShadowSize, t = mText.mSize;
  const float minX = M.L + margin, maxX = M.R - w - 2.f * margin;
  const float minY = M.T + margin, maxY = M.B - h - 2.f * margin;
  const bool upperHalf = A.MH() <= M.MH();
  const bool leftHalf = A.MW() <= M.MW();

  auto beside = [&] {
    if (leftHalf)
    {
      x = A.R + a;
      mCalloutArrowDir = 1;
      mCalloutArrowBounds = IRECT(A.R, A.MH() - a / 2.f, A.R + a, A.MH() + a / 2.f);
    }
    else
    {
      x = A.L - a - w - margin;
      mCalloutArrowDir = 3;
      mCalloutArrowBounds = IRECT(A.L - a, A.MH() - a / 2.f, A.L, A.MH() + a / 2.f);
    }
  };
  auto below = [&] {
    y = A.B + a;
    mCalloutArrowDir = 2;
    mCalloutArrowBounds = IRECT(A.MW() - a / 2.f, A.B, A.MW() + a / 2.f, A.B + a);
  };
  auto above = [&] {
    y = A.T - a - h - margin;
    mCalloutArrowDir = 0;
    mCalloutArrowBounds = IRECT(A.MW() - a / 2.f, A.T - a, A.MW() + a / 2.f, A.T);
  };

  y = upperHalf ? A.MH() - (t + a) : A.MH() - h + t + a;
  beside();
  const bool fits = x <= maxX && y > minY && y <= maxY && x > minX;
  if (!fits)
  {
    if ((x > maxX || y <= minY || x <= minX) && upperHalf)
    {
      below();
      if (y <= maxY) x = A.MW() - w / 2.f;
      else
      {
        beside();
        y = maxY;
      }
    }
    if ((x > maxX || y > maxY || x <= minX) && !upperHalf)
    {
      above();
      if (y > minY) x = A.MW() - w / 2.f;
      else
      {
        beside();
        y = minY;
      }
    }
  }
  x = std::min(maxX, std::max(minX, x));
  y = std::min(maxY, std::max(minY, y));
  y = std::max(0.f, y);

  if (mPreferBelow && A.B + a <= maxY)
  {
    x = A.MW() - w / 2.f;
    below();
  }
  x = std::min(maxX, std::max(minX, x));

  if (mMenuHasSubMenu)
  {
    mSubMenuOpensOnRight = leftHalf;
    x = leftHalf ? A.MW() - w / 2.f - mMenuShift : A.MW() - w / 2.f + mMenuShift;
    x = std::min(maxX, std::max(minX, x));
    if (M.B - A.B >= A.T - M.T)
    {
      below();
      y = std::max(minY, std::min(maxY, y));
    }
    else
    {
      above();
      y = std::min(maxY, std::max(minY, y));
    }
  }
}

void IPopupMenuControl::PlaceSubMenu(const IRECT& cell, float w, float h, float& x, float& y)
{
  const IRECT& M = mMaxBounds;
  const float a = CalloutSpace(), margin = mDropShadowSize;
  const float minX = M.L + margin, maxX = M.R - w - 2.f * margin;
  const float minY = M.T + margin, maxY = M.B - h - 2.f * margin;
  if (mCalloutArrowDir == 0)
  {
    y = cell.T - mPadding / 2.f - h + 2.f * mCellGap + margin;
    y = std::min(maxY, std::max(minY, y));
  }
  else
  {
    y = std::max(minY, std::min(maxY, cell.T - mPadding));
  }
  x = mSubMenuOpensOnRight ? cell.R + mPadding + a : cell.L - mPadding - a - w - margin;
  x = std::min(maxX, std::max(minX, x));
}

} // namespace fx::gfx
