// A name typed into a save panel read as desktop panels read it (a path: absolute, relative to
// the folder shown, from "~"; refused with a reason where no file can be saved), and what the
// workspace is asked to open: handed to whoever answers, and opened by the desktop's opener
// found on PATH (stand-ins record their arguments), or refused with the reason nothing can.
#include <AppKit/AppKit.h>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "tests/platform/EnvGuard.h"
#include "tests/platform/TempFolder.h"

namespace {

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

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

class OpenerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(bin_);
    env_.Set("PATH", bin_.c_str());
  }
  // A stand-in opener called name in the PATH folder: it writes its arguments, one a line, to
  // the record.
  void Stub(const std::string& name) {
    const std::string path = bin_ + "/" + name;
    std::ofstream(path) << "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done >> '" << record_ << "'\n";
    std::filesystem::permissions(path, std::filesystem::perms::owner_all);
  }
  // The record once it holds lines lines (waiting for the stand-ins at most 20 s).
  std::vector<std::string> Recorded(size_t lines) {
    std::vector<std::string> out;
    for (int i = 0; i < 1000 && out.size() < lines; ++i) {
      if (i > 0) std::this_thread::sleep_for(std::chrono::milliseconds(20));
      out.clear();
      std::ifstream in(record_);
      for (std::string line; std::getline(in, line);) out.push_back(line);
    }
    return out;
  }

  TempFolder t_;
  EnvGuard env_;
  std::string bin_ = t_.Path() + "/bin", record_ = t_.Path() + "/opened.txt";
};

TEST_F(OpenerTest, TheDesktopsOpenerOpensAddressesAndPaths) {
  Stub("xdg-open");
  Stub("gio");  // found second: not used while xdg-open is there
  const std::string web = "https://example.org/a b?c=1&d=$HOME";
  EXPECT_EQ(nsx::OpenWithDesktopOpener({web, false}), "");
  EXPECT_EQ(Recorded(1), (std::vector<std::string>{web}));
  // A path that is not there is not handed on.
  const std::string manual = t_.Path() + "/no manual.pdf";
  const std::string why = nsx::OpenWithDesktopOpener({manual, true});
  EXPECT_TRUE(Has(why, "\"" + manual + "\"")) << why;
  EXPECT_TRUE(Has(why, "no such file")) << why;
  EXPECT_EQ(nsx::OpenWithDesktopOpener({t_.Path(), true}), "");
  EXPECT_EQ(Recorded(2), (std::vector<std::string>{web, t_.Path()}));

  std::filesystem::remove(bin_ + "/xdg-open");
  EXPECT_EQ(nsx::OpenWithDesktopOpener({web, false}), "");
  EXPECT_EQ(Recorded(4), (std::vector<std::string>{web, t_.Path(), "open", web}));
}

TEST_F(OpenerTest, WithoutAnOpenerTheReasonNamesTheAddress) {
  const std::string web = "https://example.org/products/x#Changelog";
  const std::string why = nsx::OpenWithDesktopOpener({web, false});
  EXPECT_TRUE(Has(why, "\"" + web + "\"")) << why;
  EXPECT_TRUE(Has(why, "no program to open it")) << why;
  // Not an opener: a folder, and a file that may not be run.
  std::filesystem::create_directories(bin_ + "/xdg-open");
  std::ofstream(bin_ + "/gio") << "#!/bin/sh\n";
  EXPECT_NE(nsx::OpenWithDesktopOpener({web, false}), "");
}

TEST(Workspace, RequestsGoToWhoeverAnswers) {
  TempFolder t;
  t.Write("presets/a.qvs", "x");
  nsx::ScriptedResponder responder;
  nsx::SetModalResponder(&responder);
  NSWorkspace* ws = NSWorkspace::sharedWorkspace();
  EXPECT_TRUE(ws->openURL(NSURL::URLWithString(NSSTR("https://example.org/x"))));
  EXPECT_TRUE(ws->openURL(NSURL::fileURLWithPath(nsx::Str(t.Path() + "/presets"))));
  EXPECT_TRUE(ws->selectFile(nsx::Str(t.Path() + "/presets/a.qvs"), nullptr));
  EXPECT_FALSE(ws->openFile(nsx::Str(t.Path() + "/missing")));
  EXPECT_EQ(responder.log(), (std::vector<std::string>{"document https://example.org/x",
                                                       "document " + t.Path() + "/presets",
                                                       "document " + t.Path() + "/presets"}));
  // With no one to answer, nothing is opened.
  nsx::SetModalResponder(nullptr);
  EXPECT_FALSE(ws->openURL(NSURL::URLWithString(NSSTR("https://example.org/y"))));
}

}  // namespace
