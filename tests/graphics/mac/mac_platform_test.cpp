// What the macOS editor object asks of the system: message boxes and their answers, file and
// folder prompts and the paths they give, opening URLs and revealing files, the clipboard, the
// appearance, and the move cursor built from the system's cursor files.
#include "tests/graphics/mac/MacEditorFixture.h"

#include <Foundation/NSWorkspace.h>

#include <filesystem>

#include "graphics/mac/MoveCursor.h"
#include "tests/platform/TempFolder.h"

namespace fx::gfx::test {
namespace {

class MacPlatformTest : public MacEditorTest
{
protected:
  void SetUp() override
  {
    MacEditorTest::SetUp();
    nsx::ClearOpenedURLs();
    OpenInWindow();
  }
};

TEST_F(MacPlatformTest, MessageBoxesAnswerByTheirButtons)
{
  std::vector<EMessageBoxResult> completed;
  const auto done = [&](EMessageBoxResult r) { completed.push_back(r); };
  responder.pressAlertButtonTitled("No");
  EXPECT_EQ(gfx->ShowMessageBox("Save?", "Title", kMB_YESNOCANCEL, done), kNO);
  responder.pressAlertButtonTitled("Yes");
  EXPECT_EQ(gfx->ShowMessageBox("Save?", "Title", kMB_YESNOCANCEL, nullptr), kYES);
  responder.pressAlertButtonTitled("Cancel");
  EXPECT_EQ(gfx->ShowMessageBox("Again?", "Title", kMB_RETRYCANCEL, nullptr), kCANCEL);
  responder.pressAlertButtonTitled("No");
  EXPECT_EQ(gfx->ShowMessageBox("Sure?", nullptr, kMB_YESNO, nullptr), kNO);
  responder.pressAlertButtonTitled("OK");
  EXPECT_EQ(gfx->ShowMessageBox("50%d done", "Progress", kMB_OK, done), kOK);
  // No panel of this kind here: Cancel without asking.
  EXPECT_EQ(gfx->ShowMessageBox("Abort?", "Title", kMB_ABORTRETRYIGNORE, done), kCANCEL);
  EXPECT_EQ(completed, (std::vector<EMessageBoxResult>{kNO, kOK, kCANCEL}));
  ASSERT_EQ(responder.log().size(), 5u);
  EXPECT_EQ(responder.log()[0], "alert Title: Save? [Yes|Cancel|No]");
  EXPECT_EQ(responder.log()[3], "alert : Sure? [Yes|No]");
  EXPECT_EQ(responder.log()[4], "alert Progress: 50%d done [OK]"); // the text as written
}

TEST_F(MacPlatformTest, FilePromptsGiveTheFileAndItsFolder)
{
  TempFolder folder;
  folder.Write("a/b.txt", "x");
  const std::string dir = folder.Path() + "/a";
  FxString fileName, path(dir.c_str());
  responder.answerOpen(dir + "/b.txt");
  gfx->PromptForFile(fileName, path, kFileOpen, nullptr);
  EXPECT_EQ(std::string(fileName.Get()), dir + "/b.txt");
  EXPECT_EQ(std::string(path.Get()), dir + "/");
  EXPECT_EQ(responder.log().back(), "open " + dir + " []"); // every type

  // Two extensions with a blank between them; a cancel leaves the name empty and the folder.
  fileName.Set("song.qvs");
  responder.cancelPanel();
  gfx->PromptForFile(fileName, path, kFileSave, "qvs fxp");
  EXPECT_STREQ(fileName.Get(), "");
  EXPECT_EQ(std::string(path.Get()), dir + "/");
  EXPECT_EQ(responder.log().back(), "save " + dir + " song.qvs [qvs fxp]");
}

TEST_F(MacPlatformTest, FolderPromptsStartOnTheDesktopAndEmptyOnCancel)
{
  FxString dir;
  responder.cancelPanel();
  gfx->PromptForDirectory(dir);
  EXPECT_STREQ(dir.Get(), "");
  EXPECT_EQ(responder.log().back(), "open " + NSHomeDirectory() + "/Desktop []");

  TempFolder folder;
  dir.Set(folder.Path().c_str());
  responder.answerOpen(folder.Path());
  gfx->PromptForDirectory(dir);
  EXPECT_EQ(std::string(dir.Get()), folder.Path() + "/");
}

TEST_F(MacPlatformTest, WebAddressesOpenAsURLsAndEverythingElseAsFiles)
{
  EXPECT_TRUE(gfx->OpenURL("https://example.org/products/orbx#Changelog", nullptr, nullptr, nullptr));
  EXPECT_TRUE(gfx->OpenURL("/tmp/http-notes.txt", nullptr, nullptr, nullptr));
  EXPECT_FALSE(gfx->OpenURL(nullptr, nullptr, nullptr, nullptr));
  const std::vector<std::string> opened = nsx::OpenedURLs();
  ASSERT_EQ(opened.size(), 2u);
  EXPECT_EQ(opened[0], "https://example.org/products/orbx#Changelog");
  EXPECT_EQ(opened[1], "file:///tmp/http-notes.txt");
}

TEST_F(MacPlatformTest, RevealingNeedsAnExistingPath)
{
  TempFolder folder;
  folder.Write("presets/a.qvs", "x");
  EXPECT_FALSE(gfx->RevealPath((folder.Path() + "/missing").c_str(), true));
  EXPECT_FALSE(gfx->RevealPath("", false));
  EXPECT_TRUE(gfx->RevealPath((folder.Path() + "/presets/a.qvs").c_str(), true));
  EXPECT_TRUE(gfx->RevealPath((folder.Path() + "/presets").c_str(), false));
  const std::vector<std::string> opened = nsx::OpenedURLs();
  ASSERT_FALSE(opened.empty());
  EXPECT_NE(std::find(opened.begin(), opened.end(), "reveal:" + folder.Path() + "/presets/a.qvs"), opened.end());
}

TEST_F(MacPlatformTest, TheClipboardHoldsText)
{
  EXPECT_TRUE(gfx->SetTextInClipboard("-3.5 dB"));
  FxString text;
  EXPECT_TRUE(gfx->GetTextFromClipboard(text));
  EXPECT_STREQ(text.Get(), "-3.5 dB");
  NSPasteboard::generalPasteboard()->clearContents();
  EXPECT_FALSE(gfx->GetTextFromClipboard(text));
  EXPECT_STREQ(text.Get(), "");
}

TEST_F(MacPlatformTest, TheAppearanceFollowsTheSystem)
{
  EXPECT_EQ(gfx->GetUIAppearance(), kLight);
  EUIAppearance told = kLight;
  gfx->SetAppearanceChangedFunc([&](EUIAppearance a) { told = a; });
  nsx::SetSystemAppearance(NSAppearanceNameDarkAqua);
  EXPECT_EQ(gfx->GetUIAppearance(), kDark);
  EXPECT_EQ(told, kDark);
  nsx::SetSystemAppearance(NSAppearanceNameAqua);
  EXPECT_EQ(told, kLight);
  EXPECT_EQ(IGfxMac::GetSystemVersion(), 0x10B0);
  EXPECT_STREQ(gfx->GetPlatformName(), "Cocoa");
  EXPECT_STREQ(gfx->GetDrawingAPIName(), "VG | Metal");
}

TEST(MoveCursorTest, TheMoveCursorIsBuiltWithItsShadowAtFourScales)
{
  nsx::AutoreleasePool pool;
  TempFolder folder;
  EXPECT_EQ(BuildMoveCursor(folder.Path() + "/"), nullptr); // no files: no cursor
  // The picture: 16 x 16 points, an opaque white square from 4 to 12 (the layer decodes PNG where
  // the system reads PDF).
  const char* src = std::getenv("ORBEX_SOURCE_DIR");
  std::filesystem::create_directories(folder.Path() + "/move");
  std::filesystem::copy_file(std::string(src ? src : ".") + "/tests/graphics/mac/images/move-test.png",
                             folder.Path() + "/move/cursor.pdf");
  folder.Write("move/info.plist",
               "<?xml version=\"1.0\" encoding=\"UTF-8\"?><plist version=\"1.0\"><dict>"
               "<key>hotx-scaled</key><real>4</real><key>hoty-scaled</key><real>3</real>"
               "<key>blur</key><real>0</real><key>shadowoffsetx</key><real>2</real>"
               "<key>shadowoffsety</key><real>-2</real>"
               "<key>shadowcolor</key><array><real>0</real><real>0</real><real>0</real><real>1</real></array>"
               "</dict></plist>");
  NSCursor* cursor = BuildMoveCursor(folder.Path() + "/");
  ASSERT_NE(cursor, nullptr);
  EXPECT_EQ(cursor->hotSpot().x, 4);
  EXPECT_EQ(cursor->hotSpot().y, 3);
  NSArray* reps = cursor->image()->representations();
  ASSERT_EQ(reps->count(), 4u);
  auto* x2 = static_cast<NSBitmapImageRep*>(reps->objectAtIndex(1));
  EXPECT_EQ(x2->pixelsWide(), 32);
  EXPECT_EQ(x2->size().width, 16);
  // Scale 2: the square covers 8 to 24, its shadow 4 pixels right and 4 down (a negative y offset
  // goes down).
  const auto px = [&](int x, int y, int c) { return x2->pixels()[(static_cast<size_t>(y) * 32 + x) * 4 + c]; };
  EXPECT_EQ(px(2, 2, 3), 0);
  EXPECT_EQ(px(26, 26, 3), 255); // shadow, black
  EXPECT_EQ(px(26, 26, 0), 0);
  EXPECT_EQ(px(14, 14, 0), 255); // the white picture over it
  EXPECT_EQ(px(10, 26, 3), 0);   // nothing left of the shadow
  cursor->release();
}

} // namespace
} // namespace fx::gfx::test
