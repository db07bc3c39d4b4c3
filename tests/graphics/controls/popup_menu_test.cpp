// The in-editor pop-up menu through the editor: its states and their timing on the manual
// clock, what a press reports for each kind of item, sub-menus, scrolling, focus loss, requests
// while busy, and the panels' geometry.

#include "graphics/controls/IControlLibrary.h"
#include "graphics/controls/IPopupMenuControl.h"
#include "tests/graphics/controls/ControlTestSupport.h"

namespace fx::gfx::test {
namespace {

struct PopupMenu : ControlFixture
{
  PopupMenu()
  {
    RegisterControlLibrary();
    gfx->AttachPopupMenuControl(IText(12.f));
    popup = static_cast<IPopupMenuControl*>(gfx->GetPopupMenuControl());
    owner = Attach(new TestControl(IRECT(0, 0, 400, 300), -1, nullptr, "owner"));
    menu.SetFunction([this](IPopupMenu* m) {
      ++completions;
      completedWith = m;
    });
  }
  /** Opens the menu for owner at the anchor and lets it fade in. */
  void Open(IControl& requester, IPopupMenu& m, const IRECT& anchor = IRECT(100, 50, 140, 70))
  {
    gfx->CreatePopupMenu(requester, m, anchor);
    Tick(101);
  }
  void Over(float x, float y) { gfx->OnMouseOver(x, y, IMouseMod()); }
  /** The centre of cell i of panel p. */
  std::pair<float, float> CellCentre(int p, int i)
  {
    const IRECT& c = popup->GetPanel(p)->GetCell(i);
    return {c.MW(), c.MH()};
  }
  void PressCell(int p, int i)
  {
    const auto [x, y] = CellCentre(p, i);
    Over(x, y);
    Click(x, y);
  }
  /** Lets a closed menu pass its three closing steps. */
  void Settle()
  {
    for (int i = 0; i < 3; ++i) Tick(101);
  }
  /** The menu results a control received. */
  static int Results(const TestControl& c)
  {
    int n = 0;
    for (const std::string& e : c.events) n += e.rfind("menu", 0) == 0;
    return n;
  }
  /** The last menu result the owner received. */
  std::string LastResult() const
  {
    for (auto it = owner->events.rbegin(); it != owner->events.rend(); ++it)
      if (it->rfind("menu", 0) == 0) return *it;
    return "";
  }

  IPopupMenuControl* popup = nullptr;
  TestControl* owner = nullptr;
  IPopupMenu menu{"", 0, false, {"One", "Two", "Three"}};
  int completions = 0;
  IPopupMenu* completedWith = nullptr;
};

TEST_F(PopupMenu, OpensFadesInReportsOnceAndClosesInThreeSteps)
{
  gfx->CreatePopupMenu(*owner, menu, IRECT(100, 50, 140, 70));
  EXPECT_EQ(popup->GetPopupState(), kPopupExpanding);
  EXPECT_FALSE(popup->IsHidden());
  Tick(50);
  EXPECT_NEAR(popup->GetPanel(0)->mBlend.mWeight, 0.5 * 0.95, 1e-6);
  Tick(51);
  EXPECT_EQ(popup->GetPopupState(), kPopupShown);
  EXPECT_FLOAT_EQ(popup->GetPanel(0)->mBlend.mWeight, 0.95f);

  PressCell(0, 1);
  EXPECT_EQ(menu.GetChosenItemIdx(), 1);
  EXPECT_EQ(completions, 1);
  EXPECT_EQ(LastResult(), "menu 1");
  EXPECT_EQ(popup->GetPopupState(), kPopupFlickering);
  EXPECT_TRUE(popup->IsHidden());

  // A request during the three steps after the press is refused; its requester keeps nothing.
  auto* other = Attach(new TestControl(IRECT(0, 0, 10, 10), -1, nullptr, "other"));
  IPopupMenu second("", 0, false, {"X"});
  for (EPopupState expected : {kPopupCollapsing, kPopupCollapsed, kPopupIdle})
  {
    gfx->CreatePopupMenu(*other, second, IRECT(0, 0, 1, 1));
    EXPECT_EQ(gfx->GetControlInPopupMenu(), nullptr);
    Tick(101);
    EXPECT_EQ(popup->GetPopupState(), expected);
  }
  EXPECT_EQ(popup->NPanels(), 0);
  EXPECT_FALSE(popup->GetAnimating());
  EXPECT_EQ(completions, 1);
  EXPECT_EQ(Results(*other), 0);
}

TEST_F(PopupMenu, RequestWhileOpenIsRefusedAndTheResultStaysWithTheFirstRequester)
{
  Open(*owner, menu);
  auto* other = Attach(new TestControl(IRECT(0, 0, 10, 10), -1, nullptr, "other"));
  IPopupMenu second("", 0, false, {"X", "Y"});
  int secondCompletions = 0;
  second.SetFunction([&](IPopupMenu*) { ++secondCompletions; });
  gfx->CreatePopupMenu(*other, second, IRECT(300, 200, 310, 210));
  EXPECT_EQ(popup->GetPanel(0)->mMenu, &menu);
  PressCell(0, 2);
  EXPECT_EQ(LastResult(), "menu 2");
  EXPECT_EQ(Results(*other), 0);
  EXPECT_EQ(secondCompletions, 0);
}

TEST_F(PopupMenu, SeparatorsHeadingsDisabledAndSubMenuItemsChooseNothing)
{
  IPopupMenu m;
  m.AddItem("Heading", IPopupMenu::kAppend, IPopupMenu::Item::kTitle);
  m.AddSeparator();
  m.AddItem("Off", IPopupMenu::kAppend, IPopupMenu::Item::kDisabled);
  m.AddItem("More", new IPopupMenu("", 0, false, {"a"}));
  m.AddItem("Fine");
  m.SetFunction([this](IPopupMenu*) { ++completions; });
  for (int cell : {0, 1, 2, 3})
  {
    Open(*owner, m);
    const auto [x, y] = CellCentre(0, cell);
    Over(x, y);
    Tick(201); // a sub-menu opened under the pointer is in place
    Click(x, y);
    EXPECT_EQ(m.GetChosenItemIdx(), -1) << cell;
    EXPECT_EQ(LastResult(), "menu null") << cell;
    Settle();
  }
  Open(*owner, m);
  Click(5, 290); // beside every cell
  EXPECT_EQ(LastResult(), "menu null");
  EXPECT_EQ(completions, 5);
  Settle();
  Open(*owner, m);
  PressCell(0, 4);
  EXPECT_EQ(LastResult(), "menu 4");
}

TEST_F(PopupMenu, DisabledItemIsNeverTheMouseCell)
{
  menu.GetItem(1)->SetEnabled(false);
  Open(*owner, menu);
  const auto [x, y] = CellCentre(0, 1);
  Over(x, y);
  EXPECT_EQ(popup->GetMouseCell(), -1);
  const auto [x0, y0] = CellCentre(0, 0);
  Over(x0, y0);
  EXPECT_EQ(popup->GetMouseCell(), 0);
}

TEST_F(PopupMenu, SubMenuOpensUnderTheRestingPointerAndReportsItsOwnChoice)
{
  auto* sub = new IPopupMenu("", 0, false, {"Sub A", "Sub B"});
  IPopupMenu m;
  IPopupMenu* reported = nullptr;
  m.SetFunction([&](IPopupMenu* chosen) { reported = chosen; }); // the sub-menu takes it too
  m.AddItem("Plain");
  m.AddItem("Sub", sub);
  m.SetChosenItemIdx(7);
  Open(*owner, m);
  const auto [x, y] = CellCentre(0, 1);
  Over(x, y);
  ASSERT_EQ(popup->NPanels(), 2);
  EXPECT_EQ(popup->GetPopupState(), kPopupSubExpanding);
  Tick(170);
  EXPECT_EQ(popup->GetPanel(1)->mBlend.mWeight, 0.f);
  Tick(20);
  EXPECT_FLOAT_EQ(popup->GetPanel(1)->mBlend.mWeight, 0.95f);
  Tick(11);
  EXPECT_EQ(popup->GetPopupState(), kPopupShown);
  // The sub-menu's first cell is level with the cell that opened it, to its right.
  EXPECT_FLOAT_EQ(popup->GetPanel(1)->GetCell(0).T, popup->GetPanel(0)->GetCell(1).T);
  EXPECT_GT(popup->GetPanel(1)->GetCell(0).L, popup->GetPanel(0)->GetCell(1).R);

  PressCell(1, 1);
  EXPECT_EQ(reported, sub);
  EXPECT_EQ(sub->GetChosenItemIdx(), 1);
  EXPECT_EQ(m.GetChosenItemIdx(), 7);
  EXPECT_EQ(LastResult(), "menu 1");
}

TEST_F(PopupMenu, HoveringAnotherItemSwapsTheSubMenuPanel)
{
  IPopupMenu m;
  m.AddItem("First", new IPopupMenu("", 0, false, {"1a", "1b"}));
  m.AddItem("Second", new IPopupMenu("", 0, false, {"2a"}));
  m.AddItem("Plain");
  Open(*owner, m);
  const auto [x0, y0] = CellCentre(0, 0);
  Over(x0, y0);
  Tick(201);
  const auto [x1, y1] = CellCentre(0, 1);
  Over(x1, y1);
  Tick(201);
  ASSERT_EQ(popup->NPanels(), 3);
  EXPECT_FALSE(popup->GetPanel(1)->mShouldDraw);
  EXPECT_TRUE(popup->GetPanel(2)->mShouldDraw);
  // Back to the first: its panel shows again rather than a new one.
  Over(x0, y0);
  EXPECT_EQ(popup->NPanels(), 3);
  EXPECT_TRUE(popup->GetPanel(1)->mShouldDraw);
  Tick(201);
  const auto [x2, y2] = CellCentre(0, 2);
  Over(x2, y2);
  EXPECT_FALSE(popup->GetPanel(1)->mShouldDraw);
}

TEST_F(PopupMenu, FocusLossEndsTheMenuAndTheNextClickReachesTheEditor)
{
  Open(*owner, menu);
  gfx->OnFocusLost();
  EXPECT_EQ(LastResult(), "menu null");
  EXPECT_EQ(completions, 1);
  EXPECT_EQ(popup->GetPopupState(), kPopupFlickering);
  Click(5, 5);
  EXPECT_EQ(owner->Count("down"), 1);
}

TEST_F(PopupMenu, WheelDoesNothingAndTheRightButtonChoosesLikeTheLeft)
{
  Open(*owner, menu);
  const auto [x, y] = CellCentre(0, 2);
  Over(x, y);
  gfx->OnMouseWheel(x, y, IMouseMod(), 3.f);
  EXPECT_EQ(popup->GetPopupState(), kPopupShown);
  gfx->OnMouseDown({Point(x, y, true)});
  EXPECT_EQ(menu.GetChosenItemIdx(), 2);
}

struct ScrollingMenu : PopupMenu
{
  ScrollingMenu()
  {
    gfx->Resize(400, 150, 1.f, false);
    for (int i = 0; i < 20; ++i) tall.AddItem(("Item " + std::to_string(i)).c_str());
    Open(*owner, tall);
  }
  IPopupMenuControl::MenuPanel& Panel() { return *popup->GetPanel(0); }
  void OverCell(int i)
  {
    const IRECT& c = Panel().GetCell(i);
    Over(c.MW(), c.MH());
  }
  IPopupMenu tall;
};

TEST_F(ScrollingMenu, ShowsWhatFitsFromTheTopAndScrollsOneItemPerEvent)
{
  // (150 - 5 - (0 + 10 + 5)) / (12 + 2) cells, the first 15 below the editor's top.
  ASSERT_EQ(Panel().NCells(), 9);
  EXPECT_TRUE(Panel().mScroller);
  EXPECT_FLOAT_EQ(Panel().GetCell(0).T, 15.f);
  for (int i = 0; i < 15; ++i) OverCell(8);
  EXPECT_EQ(Panel().mScrollItemOffset, 11); // items - cells, never beyond
  OverCell(0);
  EXPECT_EQ(Panel().mScrollItemOffset, 10); // one back, not a jump
  for (int i = 0; i < 15; ++i) OverCell(0);
  EXPECT_EQ(Panel().mScrollItemOffset, 0);
}

TEST_F(ScrollingMenu, ArrowCellsChooseNothingAndItemsUnderThemAreHidden)
{
  OverCell(8);
  OverCell(8); // offset 2: arrows at both ends
  ASSERT_EQ(Panel().mScrollItemOffset, 2);
  std::vector<std::string> texts;
  for (const Call& c : CallsOf(DrawAllCalls(), "DoDrawText")) texts.push_back(c.s);
  ASSERT_EQ(texts.size(), 7u);
  EXPECT_EQ(texts.front(), "Item 3");
  EXPECT_EQ(texts.back(), "Item 9");
  const IRECT& top = Panel().GetCell(0);
  Click(top.MW(), top.MH());
  EXPECT_EQ(tall.GetChosenItemIdx(), -1);
}

TEST_F(PopupMenu, ColumnLimitWithScrollingKeepsEveryItemInsideTheEditor)
{
  // A short menu whose column limit calls for a second column lays out as one column rising
  // from its origin; near the editor's top it stops a margin below it.
  popup->SetMaxColumnItems(3);
  IPopupMenu five{"", 0, false, {"A", "B", "C", "D", "E"}};
  Open(*owner, five, IRECT(100, 5, 140, 25));
  const IPopupMenuControl::MenuPanel& p = *popup->GetPanel(0);
  ASSERT_EQ(p.NCells(), 5);
  EXPECT_FALSE(p.mScroller);
  EXPECT_FLOAT_EQ(p.GetCell(0).T, 15.f);
  EXPECT_LE(p.GetCell(4).B, 300.f);
  PressCell(0, 0);
  EXPECT_EQ(five.GetChosenItemIdx(), 0);
}

TEST_F(PopupMenu, PanelGeometryFollowsTheMeasuredItems)
{
  Open(*owner, menu);
  const IPopupMenuControl::MenuPanel& p = *popup->GetPanel(0);
  ASSERT_EQ(p.NCells(), 3);
  EXPECT_FLOAT_EQ(p.GetCell(0).W(), 30.f + 28.f); // "Three" is 30 wide
  ExpectRect(p.GetCell(0), 96, 75, 154, 87);
  ExpectRect(p.GetCell(2), 96, 103, 154, 115);
  ExpectRect(p.mTargetRECT, 91, 70, 159, 120); // dropped centred below the anchor
  ExpectRect(p.mRECT, 81, 60, 169, 130);
  EXPECT_EQ(popup->GetTargetRECT(), p.mTargetRECT);
}

TEST_F(PopupMenu, EmptyMenuMakesASmallPanelAtTheOrigin)
{
  IPopupMenu empty;
  Open(*owner, empty, IRECT(300, 200, 320, 220));
  ExpectRect(popup->GetPanel(0)->mTargetRECT, -5, -5, 5, 5);
  Click(350, 250);
  EXPECT_EQ(LastResult(), "menu null");
}

TEST_F(PopupMenu, LowAnchorOpensAboveAndCalloutPointsFromTheSide)
{
  Open(*owner, menu, IRECT(100, 270, 140, 290));
  const IRECT& above = popup->GetPanel(0)->mTargetRECT;
  EXPECT_LE(above.B, 270.f);
  EXPECT_EQ(popup->GetCalloutDirection(), 0);
  PressCell(0, 0);
  Settle();

  popup->SetCallout(true);
  popup->SetPreferBelow(false);
  Open(*owner, menu, IRECT(300, 100, 320, 120));
  EXPECT_EQ(popup->GetCalloutDirection(), 3);
  EXPECT_LT(popup->GetPanel(0)->mTargetRECT.R, 300.f);
  ExpectRect(popup->GetCalloutBounds(), 292, 106, 300, 114);
}

TEST_F(PopupMenu, SeparatorShowsOnlyWhenFadedInAtAQuarter)
{
  IPopupMenu m;
  m.AddItem("A");
  m.AddSeparator();
  m.AddItem("B");
  gfx->CreatePopupMenu(*owner, m, IRECT(100, 50, 140, 70));
  auto separatorFills = [&] {
    int n = 0;
    for (const Call& c : CallsOf(DrawAllCalls(), "PathFill")) n += c.a[4] == 200 && c.a.back() == 0.25;
    return n;
  };
  Tick(50);
  EXPECT_EQ(separatorFills(), 0);
  Tick(51);
  EXPECT_EQ(separatorFills(), 1);
}

} // namespace
} // namespace fx::gfx::test
