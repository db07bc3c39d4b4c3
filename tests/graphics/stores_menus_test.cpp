// The process-wide stores and the menu model.

#include "graphics/IGfxStores.h"
#include "graphics/IPopupMenu.h"
#include "tests/graphics/GfxTestSupport.h"

#include <gtest/gtest.h>

namespace fx::gfx::test {
namespace {

TEST(Stores, KeyedByNameAndScaleAndToldApartByName)
{
  StaticStorage<int> store;
  FxString key;
  StaticStorage<int>::KeyText("knob.png", 1.0, key);
  EXPECT_STREQ(key.Get(), "knob.png-1.0x");
  StaticStorage<int>::KeyText("knob.png", 2.0, key);
  EXPECT_STREQ(key.Get(), "knob.png-2.0x");

  int* one = new int(1);
  int* two = new int(2);
  store.Add(one, "knob.png", 1.0);
  store.Add(two, "knob.png", 2.0);
  EXPECT_EQ(store.Find("knob.png", 1.0), one);
  EXPECT_EQ(store.Find("knob.png", 2.0), two);
  EXPECT_EQ(store.Find("knob.png", 3.0), nullptr);
  EXPECT_TRUE(store.Remove(one));
  EXPECT_FALSE(store.Remove(one));
  EXPECT_EQ(store.NEntries(), 1);

  // Every key hashes alike: the name comparison still tells the entries apart.
  struct SameHash
  {
    size_t operator()(std::string_view) const { return 42; }
  };
  StaticStorage<int, std::default_delete<int>, SameHash> clash;
  int* a = new int(1);
  int* b = new int(2);
  clash.Add(a, "a.png", 1.0);
  clash.Add(b, "b.png", 1.0);
  EXPECT_EQ(clash.Find("b.png", 1.0), b);
  EXPECT_EQ(clash.Find("a.png", 1.0), a);
}

TEST(Stores, LastEditorToCloseEmptiesBoth)
{
  TestDelegate dlg;
  auto first = std::make_unique<RecordingGfx>(dlg);
  auto second = std::make_unique<RecordingGfx>(dlg);
  const int before = FakeBitmap::sAlive;
  GetBitmapStore().Add(new FakeBitmap(10, 10, 1.f), "x.png", 1.0);
  GetSVGStore().Add(new svg::SVGImage, "x.svg", 1.0);
  first.reset();
  EXPECT_EQ(GetBitmapStore().NEntries(), 1);
  EXPECT_EQ(GetSVGStore().NEntries(), 1);
  second.reset();
  EXPECT_EQ(GetBitmapStore().NEntries(), 0);
  EXPECT_EQ(GetSVGStore().NEntries(), 0);
  EXPECT_EQ(FakeBitmap::sAlive, before);
  EXPECT_EQ(GetBitmapStore().Count(), 0);
}

TEST(Menus, BuiltFromTextsClearedAndOwningSubmenus)
{
  IPopupMenu menu("Title", 0, false, {"one", "two", "three"});
  ASSERT_EQ(menu.NItems(), 3);
  EXPECT_STREQ(menu.GetItemText(1), "two");
  EXPECT_EQ(menu.GetItem(2)->GetFlags(), 0);
  EXPECT_EQ(menu.GetItem(2)->GetTag(), -1);
  EXPECT_EQ(menu.GetChosenItemIdx(), -1);
  EXPECT_EQ(menu.GetItem(3), nullptr);

  bool called = false;
  menu.SetFunction([&](IPopupMenu*) { called = true; });
  auto* sub = new IPopupMenu("sub", 0, false, {"a"});
  menu.AddItem("more", sub);
  EXPECT_EQ(menu.GetItem(3)->GetSubmenu(), sub);
  sub->ExecFunction(); // the submenu took the parent's completion function
  EXPECT_TRUE(called);

  menu.SetPrefix(2);
  menu.SetChosenItemIdx(1);
  menu.Clear();
  EXPECT_EQ(menu.NItems(), 0);
  EXPECT_EQ(menu.GetPrefix(), 0);
  EXPECT_STREQ(menu.GetRootTitle(), "Title");
  EXPECT_EQ(menu.GetChosenItemIdx(), 1);
}

TEST(Menus, SortedAndPositionedInsertion)
{
  IPopupMenu menu;
  menu.AddItem("beta", IPopupMenu::kSorted);
  menu.AddItem("Alpha", IPopupMenu::kSorted);
  menu.AddItem("gamma", IPopupMenu::kSorted);
  menu.AddItem("BETA", IPopupMenu::kSorted); // before the equal text
  menu.AddItem("first", 0);
  menu.AddItem("last", 99);
  std::vector<std::string> texts;
  for (int i = 0; i < menu.NItems(); ++i) texts.push_back(menu.GetItemText(i));
  EXPECT_EQ(texts, (std::vector<std::string>{"first", "Alpha", "BETA", "beta", "gamma", "last"}));
  menu.CheckItem(1, true);
  EXPECT_TRUE(menu.IsItemChecked(1));
  menu.CheckItem(1, false);
  EXPECT_FALSE(menu.IsItemChecked(1));
  menu.CheckItem(50, true); // outside: ignored
}

} // namespace
} // namespace fx::gfx::test
