// Preset files saved and loaded through the limiter's preset menu when
// something is wrong with the file: the person is told which file and why
// (printed on stderr by the headless host, which answers the message box),
// a failed save changes no file and a failed load no parameter. A symbolic
// link is saved through; the save panel refuses a pipe, a device, a file
// the run reads or writes and a name too long with its ".qvs"; "Save as
// default" refuses the same.
#include "HostRun.h"
#include "PrivateDisk.h"

#include <filesystem>
#include <fstream>
#include <functional>

namespace {

using namespace hosttest;

// The preset menu (at the preset name) and its load and save items.
const std::string kLoad = "menu 2\nclick 500 19\n", kSave = "menu 5\nclick 500 19\n",
                  kSaveDefault = "menu 6\nclick 500 19\n";

std::string Text(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

void WriteText(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

size_t Count(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

class EditorPresetsTest : public HostTest {
protected:
  RunResult Play(const std::string& script, std::vector<std::string> args = {}) const {
    const std::string path = Path("script.txt");
    WriteText(path, script);
    args.insert(args.begin(), {"editor", "--events", path, "--json"});
    return Run(args);
  }
  // A preset of this plug-in saved through the menu.
  std::string SavedPreset(const std::string& name) const {
    const std::string path = Path(name);
    const RunResult r = Play("save " + path + "\n" + kSave, {"--set", "gain=3"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    return Text(path);
  }
};

TEST_F(EditorPresetsTest, FailedSavesAreToldAndChangeNoFile) {
  // A folder nobody may create files in (root included), links in a loop, a
  // default-preset folder that is a file.
  const std::string loop = Path("loop.qvs");
  ASSERT_EQ(symlink("loop.qvs", loop.c_str()), 0);
  std::filesystem::create_directories(Path(".local/share/ORBEX9"));
  WriteText(Path(".local/share/ORBEX9/AU"), "not a folder");
  const RunResult r = Play("save /sys/nowhere.qvs\n" + kSave + "save " + loop + "\n" + kSave + kSaveDefault);
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(Count(r.err, "message box \"Save preset\" (answered OK): The preset could not be saved to \""), 2u)
      << r.err;
  EXPECT_NE(r.err.find("\"/sys/nowhere.qvs\": its folder cannot be written."), std::string::npos) << r.err;
  EXPECT_NE(r.err.find(loop + "\": its symbolic links go round in a loop."), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("message box \"Save as default\" (answered OK): The default preset could not be saved to \"" +
                       Path(".local/share/ORBEX9/AU/default.qvs") + "\": \"" + Path(".local/share/ORBEX9/AU") +
                       "\" is a file, not a folder."),
            std::string::npos)
      << r.err;
  EXPECT_EQ(Text(Path(".local/share/ORBEX9/AU")), "not a folder");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), std::filesystem::directory_iterator()), 5)
      << "a temporary file was left behind";

  // A folder its owner may not write (root may: then it is not a failure).
  if (geteuid() != 0) {
    const std::string locked = Path("locked"), kept = locked + "/kept.qvs";
    std::filesystem::create_directories(locked);
    WriteText(kept, "old");
    chmod(locked.c_str(), 0555);
    const RunResult l = Play("save " + kept + "\n" + kSave);
    chmod(locked.c_str(), 0755);
    EXPECT_NE(l.err.find(kept + "\": its folder cannot be written."), std::string::npos) << l.err;
    EXPECT_EQ(Text(kept), "old");
  }
}

TEST_F(EditorPresetsTest, SavesGoThroughSymbolicLinks) {
  std::filesystem::create_directories(Path("real"));
  const std::string target = Path("real/target.qvs"), link = Path("link.qvs"), dangling = Path("new.qvs");
  WriteText(target, "old");
  ASSERT_EQ(symlink("real/target.qvs", link.c_str()), 0);
  ASSERT_EQ(symlink("real/made.qvs", dangling.c_str()), 0);
  const RunResult r = Play("save " + link + "\n" + kSave + "save " + dangling + "\n" + kSave, {"--set", "gain=4"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.err.find("message box"), std::string::npos) << r.err;
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  EXPECT_TRUE(std::filesystem::is_symlink(dangling));
  EXPECT_NE(Text(target).find("<Preset name=\"link\">"), std::string::npos);
  EXPECT_NE(Text(Path("real/made.qvs")).find("<Preset name=\"new\">"), std::string::npos);
  EXPECT_NE(Text(target).find("<Param name=\"Gain\" val=\"4.0"), std::string::npos) << Text(target);
}

TEST_F(EditorPresetsTest, FailedLoadsAreToldAndChangeNoParameter) {
  const std::string good = SavedPreset("good.qvs");
  ASSERT_NE(good.find("<PluginVendor>"), std::string::npos);
  std::string alien = good, damaged = good;
  alien.replace(alien.find("<PluginName>") + 12, 6, "OTHER9");
  damaged.replace(damaged.find("val=\"") + 5, 1, "x");
  WriteText(Path("alien.qvs"), alien);
  WriteText(Path("damaged.qvs"), damaged);
  WriteText(Path("cut.qvs"), good.substr(0, good.size() / 2));
  WriteText(Path("empty.qvs"), "");
  // A sound file under a preset's name.
  orbexhost::AudioData sound;
  sound.sampleRate = 48000;
  sound.channels.assign(2, std::vector<float>(480, 0.5f));
  WriteOrFail(Path("sound.wav"), sound);
  std::filesystem::copy_file(Path("sound.wav"), Path("sound.qvs"));

  const std::vector<std::string> settings = {"--set", "gain=7.5", "--set", "os mode=4x"};
  const RunResult before = Play("", settings);
  std::string script;
  for (const char* f : {"alien.qvs", "damaged.qvs", "cut.qvs", "empty.qvs", "sound.qvs"})
    script += "open " + Path(f) + "\n" + kLoad;
  const RunResult r = Play(script, settings);
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, before.out);
  const std::string told = "message box \"Load preset\" (answered OK): The preset file \"";
  EXPECT_EQ(Count(r.err, told), 5u) << r.err;
  EXPECT_NE(r.err.find("alien.qvs\" could not be loaded: it is a preset file of another plug-in, not of ORBEX9."),
            std::string::npos)
      << r.err;
  EXPECT_NE(r.err.find("damaged.qvs\" could not be loaded: the preset file is damaged."), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("cut.qvs\" could not be loaded: it is not a preset file of ORBEX9."), std::string::npos)
      << r.err;
  EXPECT_NE(r.err.find("empty.qvs\" could not be loaded: the file is empty."), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("sound.qvs\" could not be loaded: it is not a preset file of ORBEX9."), std::string::npos)
      << r.err;

  // The good file still loads.
  const RunResult ok = Play("open " + Path("good.qvs") + "\n" + kLoad, settings);
  EXPECT_EQ(ok.err.find("message box"), std::string::npos) << ok.err;
  EXPECT_NEAR(JsonField(ok.out, "Gain"), 3.0, 1e-6);
}

TEST_F(EditorPresetsTest, AnswersThePanelDoesNotTakeStopTheScript) {
  // The open panel takes preset files only; the save panel no folder; neither a name that
  // is not UTF-8. Each is refused like a menu item the menu lacks: its line, the panel and why.
  WriteText(Path("sound.wav"), "RIFF");
  WriteText(Path("\xff.qvs"), "");
  const std::string state = Path("kept.aupreset");
  const struct {
    std::string answer, menu, message;
  } cases[] = {
      {"open " + Path("sound.wav"), kLoad, "the panel opens only .qvs files"},
      {"open " + dir, kLoad, "'" + dir + "': it is a folder, and the panel opens files"},
      {"open /dev/null", kLoad, "'/dev/null': it is a device, not a file"},
      {"open " + Path("\xff.qvs"), kLoad, "its name is not UTF-8 text"},
      {"save " + dir, kSave, "the save panel that line 3 opened does not take '" + dir + "': it is a folder"},
      {"save " + Path("\xff.qvs"), kSave, "its name is not UTF-8 text"},
      {"open " + Path("p.qvs"), kSave, "the save panel that line 3 opened was given an open answer"},
  };
  WriteText(Path("p.qvs"), "");
  for (const auto& c : cases) {
    const RunResult r = Play(c.answer + "\n" + c.menu, {"--save-state", state});
    EXPECT_EQ(r.exitCode, 2) << c.answer;
    EXPECT_NE(r.err.find("line 1: the " + std::string(c.menu == kLoad ? "open" : "save") + " panel that line 3 opened"),
              std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");
  }
  EXPECT_FALSE(Exists(state));
  // Links that go round in a loop are named before anything runs.
  ASSERT_EQ(symlink("loop.qvs", Path("loop.qvs").c_str()), 0);
  const RunResult loop = Play("open " + Path("loop.qvs") + "\n" + kLoad);
  EXPECT_EQ(loop.exitCode, 2);
  EXPECT_NE(loop.err.find("line 1: cannot open '" + Path("loop.qvs") + "': its symbolic links go round in a loop"),
            std::string::npos)
      << loop.err;
}

TEST_F(EditorPresetsTest, TheSavePanelRefusesFilesTheRunReadsDevicesAndPipes) {
  // The input, the state read, the script and the script on standard input, under another name
  // (another spelling, a name the panel gives ".qvs"; links are compared in run_files_test),
  // and a device or a pipe: each stops the script at its save line, and nothing is replaced.
  orbexhost::AudioData sound;
  sound.sampleRate = 48000;
  sound.channels.assign(2, std::vector<float>(480, 0.5f));
  const std::string song = Path("song.qvs"), state = Path("state.qvs"), self = Path("self.qvs"),
                    piped = Path("piped.qvs"), device = Path("null.qvs"), pipe = Path("pipe.qvs");
  WriteOrFail(Path("song.wav"), sound);
  std::filesystem::rename(Path("song.wav"), song);
  ASSERT_EQ(Play("", {"--save-state", state}).exitCode, 0);
  ASSERT_EQ(symlink("/dev/null", device.c_str()), 0);
  ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
  WriteText(self, "save " + self + "\n" + kSave);
  WriteText(piped, "save " + piped + "\n" + kSave);
  const std::string input = "This run reads it as the input ('" + song + "').";
  const struct {
    std::vector<std::string> args;
    std::string saved, reason;
  } cases[] = {
      {{"--input", song}, Path("song"), input},
      {{"--load-state", state}, dir + "/./state.qvs", "This run reads it as the state file ('" + state + "')."},
      {{"--events", self}, self, "This run reads it as the script ('" + self + "')."},
      {{"--events", "-"}, piped, "This run reads it as the script on standard input ('/dev/stdin')."},
      {{}, device, "\"" + device + "\" is a device, not a file."},
      {{}, pipe, "\"" + pipe + "\" is a pipe, not a file."},
  };
  const std::string songBytes = Text(song), stateBytes = Text(state), selfBytes = Text(self);
  for (const auto& c : cases) {
    const InputFrom in(piped);
    std::vector<std::string> args = c.args;
    args.insert(args.end(), {"--json", "--save-state", Path("kept.aupreset")});
    RunResult r;
    if (!c.args.empty() && c.args[0] == "--events") {  // a script of its own
      args.insert(args.begin(), "editor");
      r = Run(args);
    } else {
      r = Play("save " + c.saved + "\n" + kSave, args);
    }
    EXPECT_EQ(r.exitCode, 2) << c.saved;
    const std::string taken = std::filesystem::path(c.saved).lexically_normal().string();
    EXPECT_NE(r.err.find("line 1: the save panel that line 3 opened does not take '" + taken + "': " + c.reason),
              std::string::npos)
        << r.err;
    EXPECT_EQ(r.out, "");
  }
  EXPECT_EQ(Text(song), songBytes);
  EXPECT_EQ(Text(state), stateBytes);
  EXPECT_EQ(Text(self), selfBytes);
  EXPECT_EQ(Text(piped), "save " + piped + "\n" + kSave);
  EXPECT_TRUE(std::filesystem::is_symlink(device));
  EXPECT_TRUE(std::filesystem::is_fifo(pipe));
  EXPECT_FALSE(Exists(Path("kept.aupreset")));
  // A preset the script opened may be saved back over itself.
  SavedPreset("opened.qvs");
  const std::string opened = Path("opened.qvs");
  const RunResult back = Play("open " + opened + "\n" + kLoad + "save " + opened + "\n" + kSave);
  EXPECT_EQ(back.exitCode, 0) << back.err;
  EXPECT_EQ(back.err.find("message box"), std::string::npos) << back.err;
}

TEST_F(EditorPresetsTest, SaveAsDefaultRefusesAFileTheRunReadsADeviceOrAPipe) {
  // default.qvs (under XDG_DATA_HOME) leading to the input by a symbolic or a hard link, to the
  // state read, to the script; a pipe or a device there. Each stops the script at the line that
  // chose "Save as default" after its message box, and nothing is replaced.
  orbexhost::AudioData sound;
  sound.sampleRate = 48000;
  sound.channels.assign(2, std::vector<float>(480, 0.5f));
  const std::string song = Path("song.wav"), state = Path("state.aupreset"), script = Path("script.txt");
  const std::string folder = Path(".local/share/ORBEX9/AU"), preset = folder + "/default.qvs";
  WriteOrFail(song, sound);
  ASSERT_EQ(Play("", {"--save-state", state}).exitCode, 0);
  std::filesystem::create_directories(folder);
  const std::string songBytes = Text(song), stateBytes = Text(state);
  const auto linkTo = [&](const std::string& target) { return symlink(target.c_str(), preset.c_str()) == 0; };
  const struct {
    std::function<bool()> make;
    std::vector<std::string> args;
    std::string reason;
  } cases[] = {
      {[&] { return linkTo(song); }, {"--input", song}, "This run reads it as the input ('" + song + "')."},
      {[&] { return link(song.c_str(), preset.c_str()) == 0; }, {"--input", song},
       "This run reads it as the input ('" + song + "')."},
      {[&] { return linkTo(state); }, {"--load-state", state},
       "This run reads it as the state file ('" + state + "')."},
      {[&] { return linkTo(script); }, {}, "This run reads it as the script ('" + script + "')."},
      {[&] { return mkfifo(preset.c_str(), 0600) == 0; }, {}, "\"" + preset + "\" is a pipe, not a file."},
      {[&] { return linkTo("/dev/null"); }, {}, "\"" + preset + "\" is a device, not a file."},
  };
  for (const auto& c : cases) {
    std::filesystem::remove(preset);
    ASSERT_TRUE(c.make()) << c.reason;
    std::vector<std::string> args = c.args;
    args.insert(args.end(), {"--save-state", Path("kept.aupreset")});
    const RunResult r = Play(kSaveDefault, args);
    EXPECT_EQ(r.exitCode, 2) << c.reason;
    EXPECT_NE(r.err.find("message box \"Save as default\" (answered OK): The default preset was not saved to \"" +
                         preset + "\". " + c.reason),
              std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("line 2: the editor may not save '" + preset + "': " + c.reason), std::string::npos)
        << r.err;
    EXPECT_EQ(r.out, "");
  }
  EXPECT_EQ(Text(song), songBytes);
  EXPECT_EQ(Text(state), stateBytes);
  EXPECT_EQ(Text(script), kSaveDefault);
  EXPECT_TRUE(std::filesystem::is_symlink(preset));
  EXPECT_FALSE(Exists(Path("kept.aupreset")));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), std::filesystem::directory_iterator()), 1)
      << "a temporary file was left behind";
}

TEST_F(EditorPresetsTest, TheSavePanelRefusesFilesTheRunWrites) {
  // The state saved at the end, the pictures of --png and of the script: the save panel
  // refuses them at its save line (with the ".qvs" it adds), and none of them is written.
  const std::string out = Path("out.qvs"), shot = Path("p.qvs"), png = Path("q.qvs");
  const struct {
    std::vector<std::string> args;
    std::string answer, after, written, reason;
  } cases[] = {
      {{"--save-state", out}, Path("out"), "", out, "This run writes it as the state file ('" + out + "')."},
      {{}, Path("p"), "png " + shot + "\n", shot, "This run writes it as the picture of line 4 ('" + shot + "')."},
      {{"--png", png}, png, "", png, "This run writes it as the picture ('" + png + "')."},
  };
  for (const auto& c : cases) {
    const RunResult r = Play("save " + c.answer + "\n" + kSave + c.after, c.args);
    EXPECT_EQ(r.exitCode, 2) << c.reason;
    EXPECT_NE(r.err.find("line 1: the save panel that line 3 opened does not take '" + c.answer + "': " + c.reason),
              std::string::npos)
        << r.err;
    EXPECT_FALSE(Exists(c.written)) << c.written;
  }
}

TEST_F(EditorPresetsTest, ANameTooLongWithItsExtensionIsRefusedAtItsSaveLine) {
  // ".qvs" makes a name of more than 251 bytes longer than a file name may be.
  const std::string fits = Path(std::string(251, 'a')), over = Path(std::string(252, 'b'));
  const std::string reason = "bbbb': The name is too long (at most 255 bytes with \".qvs\").";
  const RunResult r = Play("save " + fits + "\n" + kSave + "save " + over + "\n" + kSave);
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_NE(r.err.find("line 4: the save panel that line 6 opened does not take '"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find(reason), std::string::npos) << r.err;
  EXPECT_EQ(r.err.find("message box"), std::string::npos) << r.err;
  EXPECT_TRUE(Exists(fits + ".qvs"));
  const RunResult most = Play("save " + Path(std::string(255, 'b')) + "\n" + kSave);
  EXPECT_EQ(most.exitCode, 2);
  EXPECT_NE(most.err.find("line 1: the save panel that line 3 opened does not take '"), std::string::npos) << most.err;
  EXPECT_NE(most.err.find(reason), std::string::npos) << most.err;
}

TEST_F(EditorPresetsTest, AFullOrReadOnlyDiskKeepsTheOldFile) {
  // One page: the old preset fills it.
  PrivateDisk full(Path("full"), "size=4k"), readOnly(Path("ro"), "size=64k");
  if (!full.ok() || !readOnly.ok()) GTEST_SKIP() << "a small file system of its own needs root and mount namespaces";
  const std::string old = SavedPreset("old.qvs");
  const std::string onFull = Path("full/p.qvs"), onReadOnly = Path("ro/p.qvs");
  WriteText(onFull, old);
  WriteText(onReadOnly, old);
  ASSERT_TRUE(readOnly.MakeReadOnly());
  const RunResult r = Play("save " + onFull + "\n" + kSave + "save " + onReadOnly + "\n" + kSave, {"--set", "gain=9"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.err.find(onFull + "\": the disk is full."), std::string::npos) << r.err;
  EXPECT_NE(r.err.find(onReadOnly + "\": its folder is on a read-only disk."), std::string::npos) << r.err;
  EXPECT_EQ(Text(onFull), old);
  EXPECT_EQ(Text(onReadOnly), old);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Path("full")), std::filesystem::directory_iterator()), 1)
      << "a temporary file was left behind";
}

}  // namespace
