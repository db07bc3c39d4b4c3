// A name typed into a save panel read as desktop panels read it (a path: absolute, relative to
// the folder shown, from "~"; refused with a reason where no file can be saved).
#include <AppKit/AppKit.h>
#include <gtest/gtest.h>

#include "tests/platform/EnvGuard.h"
#include "tests/platform/TempFolder.h"

namespace {

TEST(SavePath, ATypedNameIsAPathFromTheFolderShown) {
  TempFolder t;
  t.Write("shown/x.txt", "x");
  t.Write("other/y.txt", "y");
  EnvGuard env;
  env.Set("HOME", t.Path().c_str());
  const std::string shown = t.Path() + "/shown", other = t.Path() + "/other";
  struct Case {
    std::string typed, path;
    bool folder;
  };
  const Case cases[] = {
      {"mine.qvs", shown + "/mine.qvs", false},
      {other + "/mine.qvs", other + "/mine.qvs", false},
      {"../other/./mine.qvs", other + "/mine.qvs", false},
      {"~/other/mine.qvs", other + "/mine.qvs", false},
      {"~", t.Path(), true},
      {"../other/", other, true},
      {other, other, true},
  };
  for (const Case& c : cases) {
    const nsx::SavePath r = nsx::ResolveSavePath(shown, c.typed);
    EXPECT_EQ(r.path, c.path) << c.typed;
    EXPECT_EQ(r.folder, c.folder) << c.typed;
    EXPECT_EQ(r.problem, "") << c.typed;
  }
}

TEST(SavePath, ANameThatCannotBeSavedIsRefusedWithTheReason) {
  TempFolder t;
  t.Write("shown/x.txt", "x");
  const std::string shown = t.Path() + "/shown";
  struct Case {
    std::string typed, reason;
  };
  const Case cases[] = {
      {"missing/mine.qvs", "There is no folder \"" + shown + "/missing\"."},
      {t.Path() + "/missing/deeper/mine.qvs", "There is no folder \"" + t.Path() + "/missing/deeper\"."},
      {"missing/", "There is no folder \"" + shown + "/missing\"."},
      {"x.txt/mine.qvs", "\"" + shown + "/x.txt\" is not a folder."},
      {std::string(256, 'a'), "The name is too long (at most 255 bytes)."},
      {"", "Type a name for the file."},
  };
  for (const Case& c : cases) {
    const nsx::SavePath r = nsx::ResolveSavePath(shown, c.typed);
    EXPECT_EQ(r.problem, c.reason) << c.typed;
    EXPECT_FALSE(r.folder) << c.typed;
  }
  EXPECT_EQ(nsx::ResolveSavePath(shown, std::string(255, 'a')).problem, "");
}

TEST(SavePath, TheSavePanelTakesAnswersAsItsNameFieldDoes) {
  TempFolder t;
  t.Write("shown/sub/x.txt", "x");
  const std::string shown = t.Path() + "/shown";
  nsx::ScriptedResponder responder;
  nsx::SetModalResponder(&responder);
  responder.answerSave("sub/new");
  responder.answerSave("missing/new.qvs");
  responder.answerSave("sub");
  NSSavePanel* save = NSSavePanel::savePanel();
  save->setAllowedFileTypes(NSArray::arrayWithObject(NSSTR("qvs")));
  EXPECT_EQ(save->runModalForDirectory(nsx::Str(shown), nullptr), NSModalResponseOK);
  EXPECT_EQ(save->URL()->path()->utf8(), shown + "/sub/new.qvs");
  EXPECT_EQ(save->runModal(), NSModalResponseCancel);  // no such folder
  EXPECT_EQ(save->runModal(), NSModalResponseCancel);  // a folder
  nsx::SetModalResponder(nullptr);
}

}  // namespace
