#pragma once
// The in-editor pop-up menu: shows an IPopupMenu inside the editor as a stack of panels (the
// root menu at its anchor, each open sub-menu beside the item that opened it), fades the root in,
// opens sub-menus under the resting pointer, scrolls a menu taller than the editor, and on a
// press reports the result through the menu's completion function and the editor. The editor
// keeps it as a special control and gives it every pointer event while it is shown. Main thread
// only.

#include "graphics/IPopupMenu.h"
#include "graphics/ISpecialControls.h"

#include <memory>
#include <vector>

namespace fx::gfx {

/** The states of the in-editor pop-up menu. */
enum EPopupState : int32_t
{
  kPopupIdle = 0,
  kPopupExpanding = 1,
  kPopupShown = 2,
  kPopupCollapsing = 3,
  kPopupFlickering = 4,   // an item was pressed
  kPopupSubExpanding = 5, // a sub-menu panel appears
  kPopupCollapsed = 6,    // clean-up pending
};

class IPopupMenuControl : public IPopupMenuControlBase
{
public:
  /** One open menu level: its cells (item rectangles, top to bottom, column after column), the
   *  background and shadow rectangles and its fade. */
  class MenuPanel
  {
  public:
    /** Lays the menu's items out as cells from the origin (x, y). parentIdx: the position in the
     *  control's panel list of the panel it opened from, -1 for the root. */
    MenuPanel(IPopupMenuControl& control, IPopupMenu& menu, float x, float y, int parentIdx);

    /** The first cell under the point whose item is not disabled; -1 when none. */
    int HitTestCells(float x, float y) const;
    /** The item a cell shows (null beyond the menu). */
    IPopupMenu::Item* ItemOfCell(int cellIdx) const;
    int NCells() const { return static_cast<int>(mCells.size()); }
    const IRECT& GetCell(int i) const { return mCells[static_cast<size_t>(i)]; }
    /** The cell shows a scroll arrow in place of its item. */
    bool CellShowsArrow(int cellIdx) const;

    IPopupMenu* mMenu;
    std::vector<IRECT> mCells;
    IRECT mRECT;       // the background grown by the margin: the shadow's area
    IRECT mTargetRECT; // the background
    int mMaxCells = 0;
    bool mShouldDraw = true;
    IBlend mBlend{kBlendDefault, 0.f};
    IRECT mSingleCellBounds;
    int mHighlightedCell = -1; // the cell whose sub-menu is open
    int mClickedCell = -1;
    int mParentIdx;
    bool mScroller = false;
    int mScrollItemOffset = 0;
  };

  IPopupMenuControl(int paramIdx = -1, const IText& text = IText(16.f), const IRECT& collapsedBounds = IRECT(),
                    const IRECT& expandedBounds = IRECT());
  ~IPopupMenuControl() override;

  /** Shows the menu at the anchor when idle; a request while a menu is open or closing is
   *  dropped. */
  void CreatePopupMenu(IPopupMenu& menu, const IRECT& anchor) override;
  /** Opens the root panel. */
  void Expand(const IRECT& anchor);

  void OnMouseDown(float x, float y, const IMouseMod& mod) override;
  void OnMouseDrag(float x, float y, float dX, float dY, const IMouseMod& mod) override;
  void OnMouseWheel(float /*x*/, float /*y*/, const IMouseMod& /*mod*/, float /*d*/) override {}
  void OnMouseOver(float x, float y, const IMouseMod& mod) override;
  void OnMouseOut() override;
  /** Hiding an open menu ends it with nothing chosen. */
  void Hide(bool hide) override;
  void Draw(IGfx& g) override;
  void OnEndAnimation() override;

  virtual void DrawCalloutArrow(IGfx& g, const IRECT& bounds, const IBlend* blend);
  virtual void DrawSubmenuCalloutArrow(IGfx& g, const IRECT& bounds, const IBlend* blend);
  virtual void DrawPanelBackground(IGfx& g, MenuPanel& panel);
  virtual void DrawPanelShadow(IGfx& g, MenuPanel& panel);
  virtual void DrawCellBackground(IGfx& g, const IRECT& bounds, const IPopupMenu::Item* item, bool sel,
                                  const IBlend* blend);
  virtual void DrawCellText(IGfx& g, const IRECT& bounds, const IPopupMenu::Item* item, bool sel,
                            const IBlend* blend);
  virtual void DrawCellTick(IGfx& g, const IRECT& bounds, const IPopupMenu::Item* item, bool sel,
                            const IBlend* blend);
  virtual void DrawSubMenuArrow(IGfx& g, const IRECT& bounds, const IPopupMenu::Item* item, bool sel,
                                const IBlend* blend);
  virtual void DrawUpArrow(IGfx& g, const IRECT& bounds, bool sel, const IBlend* blend);
  virtual void DrawDownArrow(IGfx& g, const IRECT& bounds, bool sel, const IBlend* blend);
  virtual void DrawSeparator(IGfx& g, const IRECT& bounds, const IBlend* blend);
  /** Ends the menu with the item under the mouse cell (or nothing). */
  virtual void OnItemChosen();

  /** The width of a cell and the height of the column of the menu's items. */
  void CalculateMenuPanelDimensions(IPopupMenu& menu, float& width, float& height) const;
  /** (x, y, x + cell width, y + cell height) of the menu. */
  IRECT GetLargestCellRectForMenu(IPopupMenu& menu, float x, float y) const;

  // --- State read by tests and subclasses ---
  EPopupState GetPopupState() const { return static_cast<EPopupState>(mState); }
  int NPanels() const { return static_cast<int>(mMenuPanels.size()); }
  MenuPanel* GetPanel(int i) const { return i >= 0 && i < NPanels() ? mMenuPanels[static_cast<size_t>(i)].get() : nullptr; }
  MenuPanel* GetActivePanel() const { return mActiveMenuPanel; }
  /** The mouse cell's index in the active panel, -1 when none. */
  int GetMouseCell() const { return mMouseCell; }
  int GetCalloutDirection() const { return mCalloutArrowDir; }
  const IRECT& GetCalloutBounds() const { return mCalloutArrowBounds; }
  const IRECT& GetSubMenuCalloutBounds() const { return mSubMenuCalloutArrowBounds; }
  bool GetSubMenusOpenRight() const { return mSubMenuOpensOnRight; }

  // --- Settings ---
  void SetCallout(bool callout) { mCallOut = callout; }
  void SetMaxColumnItems(int items) { mMaxColumnItems = items; }
  void SetScrollIfTooBig(bool scroll) { mScrollIfTooBig = scroll; }
  void SetPreferBelow(bool below) { mPreferBelow = below; }
  void SetExpandedBounds(const IRECT& bounds) { mSpecifiedExpandedBounds = bounds; }
  void SetSubMenuShift(float shift) { mMenuShift = shift; }

  /** The per-frame step of the running animation. */
  void AnimationStep();

protected:
  friend class MenuPanel;

  /** Opens, shows or hides sub-menu panels for the active panel's mouse cell. */
  void UpdateSubmenuPanels();
  /** Where the root panel of the remembered menu goes beside the anchor. */
  void PlaceRoot(float width, float height, float& x, float& y);
  /** Where the sub-menu panel for the active panel's cell goes. */
  void PlaceSubMenu(const IRECT& cell, float width, float height, float& x, float& y);
  int IndexOfPanel(const MenuPanel* panel) const;
  /** The arrow size when arrows are drawn, else 0. */
  float CalloutSpace() const { return mCallOut ? mArrowSize : 0.f; }
  void SetAllPanelsAlpha(float alpha);

  std::vector<std::unique_ptr<MenuPanel>> mMenuPanels;
  MenuPanel* mActiveMenuPanel = nullptr;
  MenuPanel* mAppearingMenuPanel = nullptr;
  int mMouseCell = -1;
  IPopupMenu* mMenu = nullptr;
  int mMaxColumnItems = 0;
  bool mScrollIfTooBig = true;
  bool mCallOut = false;
  bool mMenuHasSubMenu = false;
  bool mPreferBelow = true;
  bool mSubMenuOpensOnRight = true;
  bool mSubmenuOpen = false;
  float mCellGap = 2.f;
  float mSeparatorSize = 2.f;
  float mRoundness = 5.f;
  float mDropShadowSize = 10.f;
  float mOpacity = 0.95f;
  float mMenuShift = 0.f;
  float mTextPadding = 5.f;
  float mTickWidth = 10.f;
  float mArrowWidth = 8.f;
  float mPadding = 5.f;
  float mArrowSize = 8.f;
  IRECT mAnchorArea;
  int mCalloutArrowDir = 1; // where the root lies from the anchor: 0 above, 1 right, 2 below, 3 left
  IRECT mCalloutArrowBounds;
  IRECT mSubMenuCalloutArrowBounds;
  IRECT mMaxBounds;
  IColor mPanelBackgroundColor = kColorWhite;
  IColor mCellBackGroundColor = kColorBlue;
  IColor mItemColor = kColorWhite;    // text, tick and arrows of a highlighted cell
  IColor mTextColor = kColorBlack;    // text, tick and arrows of other cells
  IColor mDisabledItemColor = kColorGrey;
  IColor mSeparatorColor = kColorMidGrey;
  IRECT mSpecifiedCollapsedBounds;
  IRECT mSpecifiedExpandedBounds;
};

} // namespace fx::gfx
