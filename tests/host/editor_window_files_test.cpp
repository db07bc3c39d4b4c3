// The save panel and the plugin menu's items that open something, in the limiter's window with
// real typed keys: a typed absolute path, a path from the folder shown and one from "~" save
// where they say; a name in a folder that does not exist, and the input's name, are refused in
// the panel with the reason, and nothing is saved anywhere or replaced. "Changelog ..." and
// "Open data folder ..." reach the desktop's opener (a stand-in on PATH that records its
// arguments); the manual, which is not installed, and any item where no opener is found are
// named in a message box. Headless, nothing is opened and the request is printed.
#include "EditorSession.h"

#include <filesystem>
#include <fstream>

namespace {

using namespace hosttest;

std::string Text(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

// The preset name (its menu: "Save preset ..." is the fourth item Down reaches) and the plugin
// menu ("Open manual ...", "Changelog ...", "Open data folder ..." are the third, fourth and
// sixth), with where each menu shows.
constexpr int kPresetName[2] = {500, 19}, kPresetMenuProbe[2] = {415, 40}, kSavePreset = 4;
constexpr int kPluginMenu[2] = {101, 29}, kPluginMenuProbe[2] = {86, 40};
constexpr int kManual = 3, kChangelog = 4, kDataFolder = 6;
constexpr const char* kChangelogURL = "https://www.brimvaldex.com/products/orbx#Changelog";

class EditorWindowFilesTest : public EditorSessionTest {
protected:
  // The save panel (its title row of the desktop's panel grey across the window) is shown.
  bool PanelShown() {
    int n = 0;
    Find(Screenshot(), 230, 12, 770, 40, 246, 246, 246, &n);
    return n > 10000;
  }
  // A refusal's reason, in red above the panel's name field, is shown.
  bool ReasonShown() {
    int n = 0;
    Find(Screenshot(), 230, 150, 770, 190, 200, 30, 30, &n);
    return n > 30;
  }
  // Chooses "Save preset ..." and types name into the panel, then Return.
  void SaveAs(const std::string& name) {
    ASSERT_TRUE(ChooseFromMenu(kPresetName[0], kPresetName[1], kPresetMenuProbe[0], kPresetMenuProbe[1], kSavePreset))
        << "no preset menu";
    ASSERT_TRUE(WaitFor([&] { return PanelShown(); })) << "no save panel";
    Xdo({"type", "--delay", "40", name});
    Keys({"Return"});
  }
  void ChoosePluginItem(int down) {
    ASSERT_TRUE(ChooseFromMenu(kPluginMenu[0], kPluginMenu[1], kPluginMenuProbe[0], kPluginMenuProbe[1], down))
        << "no plugin menu";
  }
  // The lines a stand-in opener recorded, once there are lines of them (waiting at most 20 s;
  // 0: as they are now).
  std::vector<std::string> Opened(size_t lines) {
    std::vector<std::string> out;
    WaitFor([&] {
      out.clear();
      std::ifstream in(dir_ + "/opened.txt");
      for (std::string line; std::getline(in, line);) out.push_back(line);
      return out.size() >= lines;
    });
    return out;
  }
  // A folder for PATH holding a stand-in xdg-open that records its arguments, one a line.
  std::string OpenerFolder() {
    const std::string bin = dir_ + "/bin";
    std::filesystem::create_directories(bin);
    std::ofstream(bin + "/xdg-open") << "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done >> '" << dir_
                                     << "/opened.txt'\n";
    std::filesystem::permissions(bin + "/xdg-open", std::filesystem::perms::owner_all);
    return bin;
  }
  // Files under the scratch folder whose names contain part.
  std::vector<std::string> FilesNamed(const std::string& part) {
    std::vector<std::string> found;
    for (const auto& e : std::filesystem::recursive_directory_iterator(dir_))
      if (e.path().filename().string().find(part) != std::string::npos) found.push_back(e.path().string());
    return found;
  }
};

TEST_F(EditorWindowFilesTest, TheSavePanelTakesTypedPathsAndRefusesAMissingFolderAndTheInput) {
  std::filesystem::create_directories(dir_ + "/presets/sub");
  // The input, a sound file under a preset's name.
  const std::string song = dir_ + "/song.qvs";
  orbexhost::AudioData sound;
  sound.sampleRate = 48000;
  sound.channels.assign(2, std::vector<float>(4800, 0.25f));
  WriteOrFail(dir_ + "/song.wav", sound);
  std::filesystem::rename(dir_ + "/song.wav", song);
  const std::string songBytes = Text(song);
  ASSERT_TRUE(Start({"--set", "gain=2", "--input", song}));
  SaveAs(dir_ + "/presets/mine.qvs");
  EXPECT_TRUE(WaitFor([&] { return Exists(dir_ + "/presets/mine.qvs"); })) << "the absolute path was not saved";
  // The panel now shows the folder of that save.
  SaveAs("sub/rel.qvs");
  EXPECT_TRUE(WaitFor([&] { return Exists(dir_ + "/presets/sub/rel.qvs"); })) << "the relative path was not saved";
  SaveAs("~/home.qvs");  // HOME is the scratch folder
  EXPECT_TRUE(WaitFor([&] { return Exists(dir_ + "/home.qvs"); })) << "the path from ~ was not saved";

  // Refused: the panel stays, with its reason in red above the name.
  // The input, by its name in the folder shown (the scratch folder, since the save to "~").
  for (const char* refused : {"missing/none.qvs", "song.qvs"}) {
    SaveAs(refused);
    EXPECT_TRUE(WaitFor([&] { return ReasonShown(); })) << "no reason shown for " << refused;
    EXPECT_TRUE(PanelShown());
    Keys({"Escape"});
    EXPECT_TRUE(WaitFor([&] { return !PanelShown(); })) << "Escape did not close the panel";
  }
  const RunResult r = Stop();
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(FilesNamed("none"), std::vector<std::string>{});
  EXPECT_FALSE(Exists(dir_ + "/presets/sub/missing"));
  EXPECT_EQ(Text(song), songBytes);
}

TEST_F(EditorWindowFilesTest, MenuItemsOpenWithTheDesktopsOpenerOrSayWhyNot) {
  const std::string bin = OpenerFolder();
  ASSERT_TRUE(Start({}, bin.c_str()));
  ChoosePluginItem(kChangelog);
  EXPECT_EQ(Opened(1), std::vector<std::string>{kChangelogURL});
  ChoosePluginItem(kDataFolder);
  const std::vector<std::string> opened = Opened(2);
  ASSERT_EQ(opened.size(), 2u);
  EXPECT_EQ(opened[1].rfind(dir_ + "/", 0), 0u) << opened[1];
  EXPECT_TRUE(std::filesystem::is_directory(opened[1])) << opened[1];
  // The manual is not installed: the person is told, and nothing is opened.
  ChoosePluginItem(kManual);
  EXPECT_TRUE(WaitFor([&] { return DefaultButton().right >= 0; })) << "no message box for the missing manual";
  Keys({"Return"});
  EXPECT_TRUE(WaitFor([&] { return DefaultButton().right < 0; }));
  EXPECT_EQ(Opened(0).size(), 2u);
  EXPECT_EQ(Stop().exitCode, 0);

  // With no opener on PATH, the address is named in a message box.
  const std::string none = dir_ + "/empty";
  std::filesystem::create_directories(none);
  ASSERT_TRUE(Start({}, none.c_str()));
  ChoosePluginItem(kChangelog);
  EXPECT_TRUE(WaitFor([&] { return DefaultButton().right >= 0; })) << "no message box without an opener";
  Keys({"Return"});
  EXPECT_TRUE(WaitFor([&] { return DefaultButton().right < 0; }));
  EXPECT_EQ(Stop().exitCode, 0);

  // Headless, with the opener on PATH: nothing is opened; the request is printed.
  std::ofstream(dir_ + "/open.txt") << "menu 5\nclick 101 29\n";  // "Changelog ..." (separators count)
  const std::string own = std::getenv("PATH");
  setenv("PATH", bin.c_str(), 1);
  const RunResult headless = RunHost({"editor", "--events", dir_ + "/open.txt"}, dir_);
  setenv("PATH", own.c_str(), 1);
  EXPECT_EQ(headless.exitCode, 0) << headless.err;
  EXPECT_NE(headless.err.find(std::string("asked to open \"") + kChangelogURL + "\""), std::string::npos)
      << headless.err;
  EXPECT_EQ(Opened(0).size(), 2u);
}

}  // namespace
