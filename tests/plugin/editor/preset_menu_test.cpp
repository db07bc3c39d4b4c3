// The preset bar: its menu's items and choices, the step buttons, file dialogs, drawing and the
// shortening of long names.

#include "tests/plugin/editor/EditorTestSupport.h"

#include "plugin/PresetLists.h"
#include "plugin/editor/IBBitmapControlBV.h"
#include "plugin/editor/IBPresetMenuBV.h"
#include "tests/plugin/ProductTestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace editortest;
using namespace fx::gfx;

namespace {

// Item positions of the menu as this editor builds it.
constexpr int kLoad = 2, kReset = 3, kSave = 5, kSaveDefault = 6, kFactory = 8, kUser = 10;

class PresetMenu : public ::testing::Test
{
protected:
  void SetUp() override
  {
    ed.OpenEmpty();
    ASSERT_NE(ed.gfx, nullptr);
    ed.gfx->EnableMouseOver(true);
    const IBitmap prev = ed.gfx->LoadBitmap("button_previous.png", 2);
    const IBitmap next = ed.gfx->LoadBitmap("button_next.png", 2);
    const IRECT nameRect(400, 8, 600, 30);
    const IRECT prevRect(604, 8, 604 + prev.FW(), 8 + prev.FH());
    const IRECT nextRect(626, 8, 626 + next.FW(), 8 + next.FH());
    menu = new IBPresetMenuBV(ed.plug.get(), nameRect.Union(prevRect).Union(nextRect), nameRect,
                              IRECT(404, 8, 576, 30), 604, 8, prev, 626, 8, next, IText(17.f), kActionLoadPreset,
                              kActionSavePreset, kActionSaveDefault, kActionScanPresets, -1, -1,
                              &ed.plug->GetPresetLists(), fx::FxString(ed.plug->GetDataFolder()), "qvs", 20, true,
                              false);
    ed.gfx->AttachControl(new IBBitmapControlBV(0, 0, ed.gfx->LoadBitmap("background.png", 1)));
    ed.gfx->AttachControl(menu, 3);
    ed.plug->actions.clear();
  }
  void OpenMenu(std::vector<int> path)
  {
    ed.gfx->menuPath = std::move(path);
    ed.Click(450, 20);
  }
  double Param(int idx) const { return ed.plug->GetParam(idx)->Value(); }
  const char* CurrentName() const { return ed.plug->GetPresetName(ed.plug->GetCurrentPresetIdx()); }

  ProductEditor ed;
  IBPresetMenuBV* menu = nullptr;
};

} // namespace

TEST(PresetMenuNames, LongNamesAreShortenedAtCodePoints)
{
  auto shorten = [](const char* name, int width) { return std::string(IBPresetMenuBV::ShortenName(name, width).Get()); };
  // Names up to the width stay whole, the longest factory name included.
  EXPECT_EQ(shorten("Finish +6dB -0.1dBFS", 20), "Finish +6dB -0.1dBFS");
  EXPECT_EQ(shorten("More +6dB -0.1dBFS", 20), "More +6dB -0.1dBFS");
  EXPECT_EQ(shorten("Init", 20), "Init");
  EXPECT_EQ(shorten("", 20), "");
  // Longer ones: 8 code points, " ... ", the last 7.
  EXPECT_EQ(shorten("Finish +6dB -0.1dBFS!", 20), "Finish + ... .1dBFS!");
  EXPECT_EQ(shorten("abcdefg", 7), "abcdefg");
  EXPECT_EQ(shorten("abcdefgh", 7), "a ... h");
  EXPECT_EQ(shorten("a very long preset name", 6), "a very long preset name");
  // Two-byte characters are never split.
  const std::string cut = shorten("\xc3\x84\xc3\x84\xc3\x84\xc3\x84\xc3\x84\xc3\x84\xc3\x84\xc3\x84xyz"
                                  "\xc3\x96\xc3\x96\xc3\x96\xc3\x96\xc3\x96\xc3\x96\xc3\x96\xc3\x96\xc3\x96\xc3\x96",
                                  20);
  EXPECT_EQ(cut, "\xc3\x84\xc3\x84\xc3\x84\xc3\x84\xc3\x84\xc3\x84\xc3\x84\xc3\x84 ... "
                 "\xc3\x96\xc3\x96\xc3\x96\xc3\x96\xc3\x96\xc3\x96\xc3\x96");
}

TEST_F(PresetMenu, MenuListsItsItemsAfterTheRescan)
{
  OpenMenu({});
  ASSERT_EQ(ed.gfx->menus.size(), 1u);
  const IPopupMenu& m = *ed.gfx->menus[0];
  const std::vector<std::string> expected = {">> Preset menu <<", "", "Load preset ...", "Reset to default", "",
                                             "Save preset ...", "Save as default", "", "Factory"};
  ASSERT_EQ(m.NItems(), static_cast<int>(expected.size()));
  for (int i = 0; i < m.NItems(); ++i) EXPECT_EQ(m.GetItemText(i), expected[static_cast<size_t>(i)]) << i;
  EXPECT_TRUE(m.GetItem(1)->GetIsSeparator());
  const IPopupMenu* factory = m.GetItem(kFactory)->GetSubmenu();
  ASSERT_NE(factory, nullptr);
  ASSERT_EQ(factory->NItems(), 5);
  EXPECT_STREQ(factory->GetItemText(1), "Finish +6dB -0.1dBFS");
  for (int i = 0; i < m.NItems(); ++i) EXPECT_FALSE(m.IsItemChecked(i));
  // The before-menu action came first; a dismissed menu sends nothing more.
  EXPECT_EQ(ed.plug->actions, std::vector<int>{kActionScanPresets});

  // A preset file in the data folder shows under "User" at the next opening.
  producttest::WriteFile(ed.home.Product() + "/mine.qvs",
                         producttest::PresetDoc("<Param name=\"Gain\" val=\"7\" />\n", "Brimvaldex", "ORBEX9", "Mine"));
  OpenMenu({});
  const IPopupMenu& again = *ed.gfx->menus[1];
  ASSERT_EQ(again.NItems(), kUser + 1);
  EXPECT_STREQ(again.GetItemText(kUser), "User");
  EXPECT_STREQ(again.GetItem(kUser)->GetSubmenu()->GetItemText(0), "Mine");
}

TEST_F(PresetMenu, FactoryAndUserChoicesApplyPresets)
{
  OpenMenu({kFactory, 2});
  EXPECT_STREQ(CurrentName(), "More +6dB -0.1dBFS");
  EXPECT_DOUBLE_EQ(Param(kAttack), 1.0);
  EXPECT_EQ(menu->GetFactoryIndex(), 2);
  EXPECT_FALSE(ed.plug->GetPresetLists().mLoading);

  producttest::WriteFile(ed.home.Product() + "/mine.qvs",
                         producttest::PresetDoc("<Param name=\"Gain\" val=\"7\" />\n", "Brimvaldex", "ORBEX9", "Mine"));
  OpenMenu({kUser, 0});
  EXPECT_STREQ(CurrentName(), "Mine");
  EXPECT_DOUBLE_EQ(Param(kGain), 7.0);
  EXPECT_EQ(menu->GetFactoryIndex(), 0);
  // After a user preset the next button loads the second factory preset.
  ed.Click(menu->GetNextRect().MW(), menu->GetNextRect().MH());
  EXPECT_STREQ(CurrentName(), "Finish +6dB -0.1dBFS");
  EXPECT_EQ(menu->GetFactoryIndex(), 1);
}

TEST_F(PresetMenu, StepButtonsStopAtTheEndsOfTheFactoryList)
{
  const IRECT prev = menu->GetPrevRect(), next = menu->GetNextRect();
  ed.plug->GetParam(kGain)->Set(3.0);
  ed.Click(prev.MW(), prev.MH());
  EXPECT_EQ(menu->GetFactoryIndex(), 0);
  EXPECT_DOUBLE_EQ(Param(kGain), 3.0); // nothing loaded
  for (int i = 0; i < 4; ++i) ed.Click(next.MW(), next.MH());
  EXPECT_EQ(menu->GetFactoryIndex(), 4);
  EXPECT_STREQ(CurrentName(), "Drive +3dB 0dBFS");
  ed.plug->GetParam(kDrive)->Set(5.0);
  ed.Click(next.MW(), next.MH());
  EXPECT_EQ(menu->GetFactoryIndex(), 4);
  EXPECT_DOUBLE_EQ(Param(kDrive), 5.0);
  ed.Click(prev.MW(), prev.MH());
  EXPECT_STREQ(CurrentName(), "Gentle +6dB -0.1dBFS");

  // Between the name and the buttons nothing happens.
  ed.gfx->menus.clear();
  ed.Click(602, 20);
  EXPECT_EQ(menu->GetFactoryIndex(), 3);
  EXPECT_TRUE(ed.gfx->menus.empty());
  EXPECT_TRUE(ed.plug->actions.empty());
}

TEST_F(PresetMenu, DismissedMenuDoesNothingAndTheTitleOnlyRedraws)
{
  menu->SetClean();
  menu->OnPopupMenuSelection(nullptr, 0);
  EXPECT_FALSE(menu->IsDirty());
  OpenMenu({0});
  EXPECT_EQ(ed.plug->actions, std::vector<int>{kActionScanPresets});
  menu->SetClean();
  ed.gfx->menuPath = {0};
  menu->BuildMenu();
  EXPECT_TRUE(menu->IsDirty());

  // A double click on the name opens the menu as a single click does.
  ed.gfx->menus.clear();
  ed.gfx->OnMouseDblClick(450, 20, Mods());
  EXPECT_EQ(ed.gfx->menus.size(), 1u);
}

TEST_F(PresetMenu, ResetToDefaultAppliesTheDefaultPreset)
{
  ed.plug->GetParam(kGain)->Set(9.0);
  ed.plug->OnParamChange(kGain, fx::kUI);
  OpenMenu({kReset});
  EXPECT_DOUBLE_EQ(Param(kGain), 0.0);
  EXPECT_STREQ(CurrentName(), "Init");
  // The after-reset and after-load actions are -1 here: only the rescan went out.
  EXPECT_EQ(ed.plug->actions, std::vector<int>{kActionScanPresets});
}

TEST_F(PresetMenu, FileDialogsLeaveTheirPathForThePlugInAndACancelKeepsTheFolder)
{
  const std::string folder = ed.home.Product();
  const std::string file = folder + "/sub/Loud one.qvs";
  ed.gfx->fileAnswer = file;
  OpenMenu({kSave});
  EXPECT_STREQ(menu->GetFilePath(), file.c_str());
  EXPECT_STREQ(menu->GetFolder(), (folder + "/sub").c_str());
  EXPECT_EQ(ed.plug->actions, (std::vector<int>{kActionScanPresets, kActionSavePreset}));

  // Cancelled: the path is empty and the actions still go out; the next dialog opens in the
  // folder of the last one.
  ed.gfx->fileAnswer.clear();
  ed.plug->actions.clear();
  OpenMenu({kLoad});
  EXPECT_STREQ(menu->GetFilePath(), "");
  EXPECT_EQ(ed.plug->actions, (std::vector<int>{kActionScanPresets, kActionLoadPreset}));
  EXPECT_STREQ(menu->GetFolder(), (folder + "/sub").c_str());
  OpenMenu({kSave});
  EXPECT_EQ(ed.gfx->dialogFolders, (std::vector<std::string>{folder, folder + "/sub", folder + "/sub"}));

  ed.plug->actions.clear();
  OpenMenu({kSaveDefault});
  EXPECT_EQ(ed.plug->actions, (std::vector<int>{kActionScanPresets, kActionSaveDefault}));
}

TEST_F(PresetMenu, DrawsTheShortenedNameAndTheFullNameAsTooltip)
{
  ed.plug->CopyPresetToSlot(ed.plug->GetPresetLists().mFactory.Get(1), 0);
  ed.plug->GetPreset(0)->SetName("Finish +6dB -0.1dBFS and more");
  ed.gfx->Clear();
  menu->Draw(*ed.gfx);
  const auto texts = ed.gfx->All("DoDrawText");
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0].s, "Finish + ... nd more");
  EXPECT_STREQ(menu->GetTooltip(), "Preset menu: Finish +6dB -0.1dBFS and more");
  ASSERT_EQ(ed.gfx->Bitmaps("button_previous.png").size(), 1u);
  EXPECT_EQ(ed.gfx->Bitmaps("button_previous.png")[0].a[5], 0.0);

  ed.Move(menu->GetPrevRect().MW(), menu->GetPrevRect().MH());
  ed.gfx->Clear();
  menu->Draw(*ed.gfx);
  EXPECT_GT(ed.gfx->Bitmaps("button_previous.png")[0].a[5], 0.0);
  ed.gfx->OnMouseOut();
  ed.gfx->Clear();
  menu->Draw(*ed.gfx);
  EXPECT_EQ(ed.gfx->Bitmaps("button_previous.png")[0].a[5], 0.0);
}
