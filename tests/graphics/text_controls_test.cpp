// Text, link, toggle, caption and place-holder controls, and the folder menu base.

#include "graphics/ICaptionControl.h"
#include "graphics/IDirBrowseControlBase.h"
#include "graphics/ITextControl.h"
#include "graphics/ITextToggleControl.h"
#include "graphics/IURLControl.h"
#include "graphics/PlaceHolder.h"
#include "tests/graphics/GfxTestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace fx::gfx::test {
namespace {

TEST(TextControl, BoundsFollowTheStringAroundTheirCentre)
{
  EditorFixture f; // text measures 6 per byte, as high as its size
  auto* t = new ITextControl(IRECT(0, 0, 100, 40), "abc", IText(10.f), kColorRed, true);
  f.gfx->AttachControl(t);
  EXPECT_EQ(t->GetRECT(), IRECT(41, 15, 59, 25));
  EXPECT_EQ(t->GetTargetRECT(), t->GetRECT());
  t->SetClean();
  f.gfx->Clear();
  t->SetStr("abc"); // the same text: nothing measured, nothing moved
  EXPECT_EQ(f.gfx->Count("DoMeasureText"), 0);
  t->SetStr("abcdef");
  EXPECT_EQ(t->GetRECT(), IRECT(32, 15, 68, 25));
  EXPECT_FALSE(t->IsDirty());
  t->SetStrFmt(4, "%d", 123456);
  EXPECT_STREQ(t->GetStr(), "1234");
  EXPECT_EQ(t->GetRECT(), IRECT(32, 15, 68, 25));
}

TEST(TextControl, IsNeverHitButLinksAreAndOpenTheirAddress)
{
  EditorFixture f;
  f.gfx->EnableMouseOver(true);
  auto* text = new ITextControl(IRECT(0, 0, 100, 20), "plain");
  auto* link = new IURLControl(IRECT(0, 30, 100, 50), "site", "https://example.org");
  f.gfx->AttachControl(text);
  f.gfx->AttachControl(link);
  EXPECT_EQ(f.gfx->GetMouseControl(10, 10, false), nullptr);
  EXPECT_EQ(f.gfx->GetMouseControl(10, 40, false), link);

  f.gfx->OnMouseOver(10, 40, IMouseMod());
  EXPECT_EQ(f.gfx->GetCursorType(), kHandCursor);
  f.Down(10, 40);
  const Call* open = f.gfx->Find("OpenURL");
  ASSERT_NE(open, nullptr);
  EXPECT_EQ(open->s, "https://example.org");
  EXPECT_TRUE(link->GetClicked());
  EXPECT_FALSE(f.gfx->ControlIsCaptured());
  f.gfx->OnMouseOut();
  EXPECT_EQ(f.gfx->GetCursorType(), kArrowCursor);
}

TEST(URLControl, UnderlineSitsAtTheLowerEdgeOfTheTextForEveryAlignment)
{
  EditorFixture f; // "link": 24 wide, 10 high
  struct Case
  {
    int align, valign;
    float x1, x2, y;
  };
  const Case cases[] = {
    {kAlignNear, kVAlignTop, 0, 24, 10},       // top: the text's height below the top
    {kAlignCenter, kVAlignMiddle, 38, 62, 25}, // middle: half the height below the centre
    {kAlignFar, kVAlignBottom, 76, 100, 40},   // bottom: the bounds' bottom
  };
  for (const Case& c : cases)
  {
    IURLControl link(IRECT(0, 0, 100, 40), "link", "u", IText(10.f, kColorBlack, nullptr, c.align, c.valign));
    link.SetGraphics(f.gfx.get());
    f.gfx->Clear();
    link.Draw(*f.gfx);
    const std::vector<Call> moves = f.gfx->All("PathMoveTo");
    const std::vector<Call> lines = f.gfx->All("PathLineTo");
    ASSERT_FALSE(moves.empty());
    ASSERT_FALSE(lines.empty());
    EXPECT_FLOAT_EQ(moves.back().a[0], c.x1) << c.align;
    EXPECT_FLOAT_EQ(lines.back().a[0], c.x2) << c.align;
    EXPECT_FLOAT_EQ(moves.back().a[1], c.y) << c.valign;
    EXPECT_FLOAT_EQ(lines.back().a[1], c.y) << c.valign;
  }
}

TEST(TextToggleControl, FlipsValueAndText)
{
  EditorFixture f;
  auto* t = new ITextToggleControl(IRECT(0, 0, 50, 20), kOn, "off", "on");
  f.gfx->AttachControl(t);
  t->SetValue(0.5);
  f.Down(10, 10);
  EXPECT_EQ(t->GetValue(), 0.0);
  EXPECT_STREQ(t->GetStr(), "off");
  t->SetValue(0.49);
  f.Up(10, 10);
  f.Down(10, 10);
  EXPECT_EQ(t->GetValue(), 1.0);
  EXPECT_STREQ(t->GetStr(), "on");
  ASSERT_FALSE(f.dlg.values.empty());
  EXPECT_EQ(f.dlg.values.back(), std::make_pair(static_cast<int>(kOn), 1.0));
  // A value from the plug-in shows its text too.
  f.Up(10, 10);
  t->SetValueFromDelegate(0.0);
  EXPECT_STREQ(t->GetStr(), "off");
}

TEST(CaptionControl, ShowsTheParameterAndMarksEnumerations)
{
  EditorFixture f;
  auto* mode = new ICaptionControl(IRECT(0, 0, 100, 20), kMode, IText(10.f), kColorWhite, true);
  auto* gain = new ICaptionControl(IRECT(0, 30, 100, 50), kGain, IText(10.f), kColorWhite, true);
  auto* steps = new ICaptionControl(IRECT(0, 60, 100, 80), kSteps, IText(10.f), kColorWhite, true);
  f.gfx->AttachControl(mode);
  f.gfx->AttachControl(gain);
  f.gfx->AttachControl(steps);
  EXPECT_EQ(mode->GetMarkerRECT(), IRECT(86, 7.5f, 94, 12.5f));
  EXPECT_EQ(gain->GetMarkerRECT(), IRECT());

  f.gfx->Clear();
  mode->Draw(*f.gfx);
  EXPECT_STREQ(mode->GetStr(), "B "); // no unit label: a trailing space
  EXPECT_EQ(f.gfx->Count("PathFill"), 2); // background and marker
  f.gfx->Clear();
  gain->Draw(*f.gfx);
  EXPECT_STREQ(gain->GetStr(), "0.00 dB");
  EXPECT_EQ(f.gfx->Count("PathFill"), 1);

  // A click opens the parameter's prompt: a menu for the enumeration, text entry otherwise.
  f.gfx->menuChoice = 2;
  f.Down(50, 10);
  EXPECT_EQ(f.gfx->Count("CreatePlatformPopupMenu"), 1);
  EXPECT_DOUBLE_EQ(mode->GetValue(), 1.0);
  f.Up(50, 10);
  f.Down(50, 40);
  EXPECT_EQ(f.gfx->Count("CreatePlatformTextEntry"), 1);
}

TEST(PlaceHolder, ShowsItsGeometryAndEditsItsText)
{
  EditorFixture f;
  auto* p = new PlaceHolder(IRECT(10, 20, 110, 70));
  f.gfx->AttachControl(p);
  EXPECT_STREQ(p->GetPositionStr(), "10.0, 20.0");
  EXPECT_STREQ(p->GetWidthStr(), "100.0");
  EXPECT_STREQ(p->GetHeightStr(), "50.0");
  f.gfx->OnMouseDblClick(50, 50, IMouseMod(true));
  ASSERT_EQ(f.gfx->Count("CreatePlatformTextEntry"), 1);
  f.gfx->SetControlValueAfterTextEdit("Knob here");
  EXPECT_STREQ(p->GetStr(), "Knob here");
}

TEST(DirBrowseControlBase, MenusTheFilesOfItsFoldersSorted)
{
  namespace fs = std::filesystem;
  const fs::path root = fs::temp_directory_path() / ("orbex-dirbrowse-" + std::to_string(::getpid()));
  fs::remove_all(root);
  fs::create_directories(root / "a" / "Sub");
  fs::create_directories(root / "b");
  for (const char* name : {"a/zeta.qvs", "a/Alpha.qvs", "a/.hidden.qvs", "a/notes.txt", "a/.qvs", "a/Sub/inner.qvs",
                           "b/one.qvs"})
    std::ofstream(root / name) << "x";

  struct Browser : IDirBrowseControlBase
  {
    using IDirBrowseControlBase::IDirBrowseControlBase;
    void Draw(IGfx&) override {}
  } one(IRECT(), ".qvs"), two(IRECT(), ".qvs");

  one.AddPath((root / "a").c_str(), "A");
  one.SetUpMenu();
  IPopupMenu& m = one.GetMenu();
  ASSERT_EQ(m.NItems(), 3);
  EXPECT_STREQ(m.GetItemText(0), "Alpha.qvs");
  EXPECT_STREQ(m.GetItemText(1), "Sub");
  EXPECT_STREQ(m.GetItemText(2), "zeta.qvs");
  ASSERT_EQ(one.NItems(), 3); // Alpha, inner, zeta: depth first
  one.SetSelectedItem(m.GetItem(1)->GetSubmenu()->GetItem(0));
  FxString path;
  ASSERT_TRUE(one.GetSelectedFile(path));
  EXPECT_EQ(std::string(path.Get()), (root / "a" / "Sub" / "inner.qvs").string());
  one.SetSelectedItem(m.GetItem(2));
  ASSERT_TRUE(one.GetSelectedFile(path));
  EXPECT_EQ(std::string(path.Get()), (root / "a" / "zeta.qvs").string());
  one.SetSelectedItem(nullptr);
  EXPECT_FALSE(one.GetSelectedFile(path));

  two.AddPath((root / "a").c_str(), "Factory");
  two.AddPath((root / "b").c_str(), "User");
  two.AddPath((root / "missing").c_str(), "Gone");
  two.SetUpMenu();
  ASSERT_EQ(two.GetMenu().NItems(), 3);
  EXPECT_STREQ(two.GetMenu().GetItemText(1), "User");
  EXPECT_EQ(two.GetMenu().GetItem(1)->GetSubmenu()->NItems(), 1);
  EXPECT_EQ(two.GetMenu().GetItem(2)->GetSubmenu()->NItems(), 0);

  // A link back up the tree is not followed round and round.
  fs::create_directory_symlink(root / "a", root / "a" / "Sub" / "loop");
  one.SetUpMenu();
  IPopupMenu* sub = one.GetMenu().GetItem(1)->GetSubmenu();
  ASSERT_EQ(sub->NItems(), 2);
  EXPECT_STREQ(sub->GetItemText(1), "loop");
  EXPECT_EQ(sub->GetItem(1)->GetSubmenu()->NItems(), 0);
  fs::remove_all(root);
}

} // namespace
} // namespace fx::gfx::test
