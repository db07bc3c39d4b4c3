// The plugin menu: its items with this editor's arguments and with others, and what each choice
// does to the plug-in.

#include "tests/plugin/editor/EditorTestSupport.h"

#include "plugin/editor/IBBitmapControlBV.h"
#include "plugin/editor/IBInfoMenuBV.h"

#include <gtest/gtest.h>

using namespace editortest;
using namespace fx::gfx;

namespace {

std::vector<std::string> Texts(const IPopupMenu& m)
{
  std::vector<std::string> out;
  for (int i = 0; i < m.NItems(); ++i) out.emplace_back(m.GetItemText(i));
  return out;
}

int Position(const IPopupMenu& m, const std::string& text)
{
  for (int i = 0; i < m.NItems(); ++i)
    if (text == m.GetItemText(i)) return i;
  return -1;
}

class PluginMenu : public ::testing::Test
{
protected:
  void SetUp() override
  {
    ed.OpenEmpty();
    ASSERT_NE(ed.gfx, nullptr);
    ed.gfx->EnableMouseOver(true);
  }
  /** A menu with this editor's arguments, but for the given check-update and reset-scale actions. */
  IBInfoMenuBV* Make(int checkUpdate = kActionUpdateCheck, int resetScale = kActionResetScale,
                     const char* dataFolder = nullptr)
  {
    std::vector<fx::IParam*> extra = {ed.plug->GetExtraParam(ORBEX9::kFixedGUIScaleTag)};
    auto* m = new IBInfoMenuBV(ed.plug.get(), 86, 18, ed.gfx->LoadBitmap("pluginmenu.png", 2), kActionAbout,
                               checkUpdate, fx::FxString(dataFolder ? dataFolder : ed.plug->GetDataFolder()),
                               "https://www.example.com/products/orbx#Changelog", kTooltips, -1, -1, -1, resetScale,
                               kActionScaleFromParam, {}, {}, {}, extra, kActionFixedScale);
    ed.gfx->RemoveAllControls();
    ed.gfx->AttachControl(new IBBitmapControlBV(0, 0, ed.gfx->LoadBitmap("background.png", 1)));
    ed.gfx->AttachControl(m, 1);
    ed.plug->actions.clear();
    return m;
  }
  void Choose(std::vector<int> path)
  {
    ed.gfx->menuPath = std::move(path);
    ed.Click(95, 25);
  }
  const IPopupMenu& Shown() { return *ed.gfx->menus.back(); }

  ProductEditor ed;
};

} // namespace

TEST_F(PluginMenu, ReadsAsThisEditorBuildsIt)
{
  Make();
  Choose({});
  const std::vector<std::string> expected = {">> Plugin menu <<", "", "About ...", "", "Open manual ...", "Changelog ...",
                                             "Check for update ...", "", "Open data folder ...", "", "Tooltips", "",
                                             "Reset GUI scale", "Set min GUI scale", "", "Fixed GUI Scale"};
  EXPECT_EQ(Texts(Shown()), expected);
  EXPECT_TRUE(Shown().IsItemChecked(Position(Shown(), "Tooltips")));
  const IPopupMenu* fixed = Shown().GetItem(Position(Shown(), "Fixed GUI Scale"))->GetSubmenu();
  ASSERT_NE(fixed, nullptr);
  ASSERT_EQ(fixed->NItems(), 11);
  EXPECT_STREQ(fixed->GetItemText(0), "50%");
  EXPECT_STREQ(fixed->GetItemText(10), "300%");
  for (int i = 0; i < 11; ++i) EXPECT_FALSE(fixed->IsItemChecked(i)) << i;
  EXPECT_TRUE(ed.plug->actions.empty());
}

TEST_F(PluginMenu, ItemsLeftOutShiftTheOthers)
{
  Make(-1, -1);
  Choose({});
  const std::vector<std::string> expected = {">> Plugin menu <<", "",  "About ...", "", "Open manual ...",
                                             "Changelog ...",     "",  "Open data folder ...", "", "Tooltips",
                                             "Set min GUI scale", "",  "Fixed GUI Scale"};
  EXPECT_EQ(Texts(Shown()), expected);
  // The changelog still opens.
  ed.gfx->Clear();
  Choose({Position(Shown(), "Changelog ...")});
  ASSERT_EQ(ed.gfx->Count("OpenURL"), 1);
  EXPECT_EQ(ed.gfx->Find("OpenURL")->s, "https://www.example.com/products/orbx#Changelog");
}

TEST_F(PluginMenu, ChoicesSendActionsAndSetParameters)
{
  Make();
  Choose({});
  const int about = Position(Shown(), "About ..."), update = Position(Shown(), "Check for update ...");
  const int tooltips = Position(Shown(), "Tooltips"), reset = Position(Shown(), "Reset GUI scale");
  const int minScale = Position(Shown(), "Set min GUI scale"), fixed = Position(Shown(), "Fixed GUI Scale");

  Choose({about});
  Choose({update});
  Choose({reset});
  Choose({minScale});
  EXPECT_EQ(ed.plug->actions, (std::vector<int>{kActionAbout, kActionUpdateCheck, kActionResetScale,
                                                kActionScaleFromParam}));
  EXPECT_DOUBLE_EQ(ed.plug->GetGUIScale(), 0.5);

  // Tooltips: on becomes off, anything else on.
  ASSERT_DOUBLE_EQ(ed.plug->GetParam(kTooltips)->Value(), 1.0);
  Choose({tooltips});
  EXPECT_DOUBLE_EQ(ed.plug->GetParam(kTooltips)->Value(), 0.0);
  Choose({tooltips});
  EXPECT_DOUBLE_EQ(ed.plug->GetParam(kTooltips)->Value(), 1.0);

  // 150 % sets the private parameter to 4 and asks for scale 1.5.
  ed.plug->actions.clear();
  Choose({fixed, 4});
  EXPECT_DOUBLE_EQ(ed.plug->GetExtraParam(ORBEX9::kFixedGUIScaleTag)->Value(), 4.0);
  EXPECT_EQ(ed.plug->actions, std::vector<int>{kActionFixedScale});
  EXPECT_DOUBLE_EQ(ed.plug->GetGUIScale(), 1.5);
  EXPECT_TRUE(ed.plug->GUIScaleChangePending());
}

TEST_F(PluginMenu, ManualAndDataFolderOpenOnlyWithADataFolder)
{
  Make();
  Choose({});
  const int manual = Position(Shown(), "Open manual ..."), folder = Position(Shown(), "Open data folder ...");
  ed.gfx->Clear();
  Choose({manual});
  Choose({folder});
  const auto urls = ed.gfx->All("OpenURL");
  ASSERT_EQ(urls.size(), 2u);
  EXPECT_EQ(urls[0].s, "/Users/Shared/Documents/ORBEX9/ORBEX9 manual.pdf");
  EXPECT_EQ(urls[1].s, ed.plug->GetDataFolder());

  Make(kActionUpdateCheck, kActionResetScale, "");
  ed.gfx->Clear();
  Choose({manual});
  Choose({folder});
  EXPECT_EQ(ed.gfx->Count("OpenURL"), 0);
}

TEST_F(PluginMenu, DismissingOnlyResetsTheButton)
{
  IBInfoMenuBV* m = Make();
  m->SetValue(1.0);
  m->SetClean();
  Choose({});
  EXPECT_DOUBLE_EQ(m->GetValue(), 0.0);
  EXPECT_TRUE(m->IsDirty());
  EXPECT_TRUE(ed.plug->actions.empty());

  // Hover lights the button up.
  ed.Move(95, 25);
  EXPECT_TRUE(m->GetHovered());
  ed.gfx->Clear();
  m->Draw(*ed.gfx);
  EXPECT_GT(ed.gfx->Bitmaps("pluginmenu.png").at(0).a[5], 0.0);
}

TEST_F(PluginMenu, ParameterSubmenusAndActionItems)
{
  auto* m = new IBInfoMenuBV(ed.plug.get(), 86, 18, ed.gfx->LoadBitmap("pluginmenu.png", 2), -1, -1,
                             fx::FxString(""), "", -1, kUpdateCheck, kMeterMode, -1, -1, -1, {kLimitMode},
                             {kActionAbout, kActionScanPresets}, {"First", "Second"}, {}, -1);
  ed.gfx->AttachControl(m);
  Choose({});
  const std::vector<std::string> expected = {">> Plugin menu <<", "", "About ...", "", "Open manual ...", "Changelog ...",
                                             "Check for updates automatically", "", "Open data folder ...", "",
                                             "Meter Mode", "", "Limit Mode", "", "First", "Second"};
  EXPECT_EQ(Texts(Shown()), expected);
  EXPECT_TRUE(Shown().IsItemChecked(6)); // "Online Update Check" is on
  EXPECT_TRUE(Shown().GetItem(10)->GetSubmenu()->IsItemChecked(0));

  Choose({10, 2});
  EXPECT_DOUBLE_EQ(ed.plug->GetParam(kMeterMode)->Value(), 2.0);
  Choose({12, 1});
  EXPECT_DOUBLE_EQ(ed.plug->GetParam(kLimitMode)->Value(), 1.0);
  Choose({6});
  EXPECT_DOUBLE_EQ(ed.plug->GetParam(kUpdateCheck)->Value(), 0.0);
  ed.plug->actions.clear();
  Choose({15});
  Choose({2}); // "About ..." without an about action
  EXPECT_EQ(ed.plug->actions, std::vector<int>{kActionScanPresets});
}
