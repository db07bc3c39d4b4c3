// `orbex9-host editor` on a small component with an editor (a level fader
// and a bypass switch): the picture it draws, a script's clicks and drags
// seen in the unit's values, its saved state and its pictures (written only
// when the whole run succeeds), and bad scripts and options stopped before
// anything is written.
#include "EditorRun.h"

#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

using namespace hosttest;

// FxEditorTest's editor: 300 x 200, a fader (20..60, 20..180) for "Level" and
// a switch (100..180, 20..60) for "Bypass".
constexpr int kBackground[3] = {20, 30, 60};
constexpr int kFaderOn[3] = {40, 200, 90};
constexpr int kSwitchOn[3] = {220, 40, 40};

std::string Bundle() {
  return std::filesystem::path(FXEDITOR_COMPONENT_PATH).parent_path().parent_path().parent_path().string();
}

std::string Text(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

class EditorCommandTest : public EditorHostTest {
protected:
  RunResult Editor(std::vector<std::string> args) const {
    args.insert(args.begin(), {"editor", "--component", Bundle()});
    return Run(args);
  }
};

TEST_F(EditorCommandTest, DrawsTheEditorAsAPicture) {
  const RunResult r = Editor({"--png", Path("editor.png")});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "");
  const Picture p = ReadPicture(Path("editor.png"));
  ASSERT_EQ(p.w, 300);
  ASSERT_EQ(p.h, 200);
  EXPECT_TRUE(Near(p.at(250, 190), kBackground));
  EXPECT_TRUE(Near(p.at(40, 150), kFaderOn));  // level 0.5: the lower half lit
  EXPECT_FALSE(Near(p.at(40, 60), kFaderOn));
  EXPECT_FALSE(Near(p.at(140, 40), kSwitchOn));
}

TEST_F(EditorCommandTest, AScriptDrivesTheEditorAndTheUnitSeesIt) {
  const std::string script = Script("events.txt",
                                    "# the switch, then the fader from its middle up by a quarter\n"
                                    "png " + Path("before.png") + "\n"
                                    "click 140 40\n"
                                    "drag 40 100 40 60\n"
                                    "png " + Path("after.png") + "\n");
  const RunResult r = Editor({"--events", script, "--json", "--save-state", Path("state.aupreset")});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(JsonField(r.out, "Bypass"), 1.0) << r.out;
  EXPECT_NEAR(JsonField(r.out, "Level"), 0.75, 1e-3) << r.out;

  const Picture before = ReadPicture(Path("before.png")), after = ReadPicture(Path("after.png"));
  EXPECT_FALSE(Near(before.at(140, 40), kSwitchOn));
  EXPECT_TRUE(Near(after.at(140, 40), kSwitchOn));
  EXPECT_FALSE(Near(before.at(40, 70), kFaderOn));
  EXPECT_TRUE(Near(after.at(40, 70), kFaderOn));

  // The state is saved after the script, as the editor left the unit.
  std::ifstream f(Path("state.aupreset"));
  const std::string saved((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
  EXPECT_NE(saved.find("<key>data</key>"), std::string::npos);
}

TEST_F(EditorCommandTest, SettingsApplyBeforeTheEditorOpens) {
  const RunResult r = Editor({"--set", "level=1", "--set", "bypass=on", "--png", Path("set.png")});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const Picture p = ReadPicture(Path("set.png"));
  EXPECT_TRUE(Near(p.at(40, 25), kFaderOn));
  EXPECT_TRUE(Near(p.at(140, 40), kSwitchOn));
}

TEST_F(EditorCommandTest, ABadScriptStopsBeforeAnythingIsWritten) {
  const struct {
    const char* script;
    const char* message;
  } cases[] = {
      {"click 140 40\nclik 1 2\n", "line 2: unknown event 'clik'"},
      {"click 140 40\n\nmove 1 y\n", "line 3: Y of move is not a number: 'y'"},
      {"open /nonexistent/preset.qvs\n", "line 1: no file '/nonexistent/preset.qvs' to open"},
      {"save /nonexistent/folder/preset.qvs\n", "line 1: no folder"},
      {"click 140 40\ndrag 40 100 40 1e10\n", "line 2: Y2 of drag is out of range: '1e10' (-100000 to 100000)"},
      {"wheel 40 100 1e300\n", "line 1: DELTA of wheel is out of range"},
  };
  for (const auto& c : cases) {
    const std::string script = Script("bad.txt", c.script);
    const RunResult r =
        Editor({"--events", script, "--png", Path("never.png"), "--save-state", Path("never.aupreset"), "--json"});
    EXPECT_EQ(r.exitCode, 2) << c.script;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_FALSE(Exists(Path("never.png")));
    EXPECT_FALSE(Exists(Path("never.aupreset")));
    EXPECT_TRUE(Leftovers(dir).empty());
  }
  const RunResult missing = Editor({"--events", Path("missing.txt"), "--png", Path("never.png")});
  EXPECT_EQ(missing.exitCode, 2);
  EXPECT_NE(missing.err.find("cannot read the events file"), std::string::npos) << missing.err;
  EXPECT_FALSE(Exists(Path("never.png")));
}

TEST_F(EditorCommandTest, PicturesThatCannotBeWrittenStopTheScriptFirst) {
  const std::string script = Script("events.txt", "click 140 40\npng " + Path("no/such/folder/a.png") + "\n");
  const RunResult r = Editor({"--events", script, "--save-state", Path("never.aupreset")});
  EXPECT_EQ(r.exitCode, 5);
  EXPECT_NE(r.err.find("line 2: cannot write"), std::string::npos) << r.err;
  EXPECT_FALSE(Exists(Path("never.aupreset")));
  const RunResult png = Editor({"--png", dir});
  EXPECT_EQ(png.exitCode, 5);
  EXPECT_NE(png.err.find("it is a folder"), std::string::npos) << png.err;
  const std::string shot = Script("shot.txt", "png " + Path("s.png") + "\n");
  const RunResult state = Editor({"--events", shot, "--save-state", Path("s.png")});
  EXPECT_EQ(state.exitCode, 2);
  EXPECT_NE(state.err.find("line 1: cannot write '" + Path("s.png") + "': it is the state file itself"),
            std::string::npos)
      << state.err;
  EXPECT_FALSE(Exists(Path("s.png")));
}

TEST_F(EditorCommandTest, NoFileTheRunReadsIsWrittenOver) {
  // Under any of its names: a symbolic link, a hard link, another spelling, standard input.
  orbexhost::AudioData sound;
  sound.sampleRate = 48000;
  sound.channels.assign(2, std::vector<float>(4800, 0.25f));
  WriteOrFail(Path("in.wav"), sound);
  const std::string in = Path("in.wav"), state = Path("s.aupreset"), script = Script("ev.txt", "click 140 40\n");
  ASSERT_EQ(Editor({"--save-state", state, "--png", "/dev/null"}).exitCode, 0);
  ASSERT_EQ(symlink("in.wav", Path("alias.wav").c_str()), 0);
  ASSERT_EQ(link(state.c_str(), Path("hard.aupreset").c_str()), 0);
  Script("preset.qvs", "");
  const std::string opens = Script("opens.txt", "open " + Path("preset.qvs") + "\npng " + dir + "/./preset.qvs\n");
  const struct {
    std::vector<std::string> args;
    std::string message;
  } cases[] = {
      {{"--input", in, "--png", in}, "cannot write the picture '" + in + "': it is the input itself ('" + in + "')"},
      {{"--input", in, "--png", Path("alias.wav")}, "it is the input itself"},
      {{"--input", in, "--events", Script("shot.txt", "png " + in + "\n")},
       "'" + Path("shot.txt") + "' line 1: cannot write '" + in + "': it is the input itself"},
      {{"--load-state", state, "--png", Path("hard.aupreset")}, "it is the state file itself ('" + state + "')"},
      {{"--events", script, "--png", script}, "cannot write the picture '" + script + "': it is the script itself"},
      {{"--events", script, "--save-state", script}, "cannot write the state file '" + script + "'"},
      {{"--events", "-", "--png", script}, "it is the script on standard input itself"},
      {{"--events", opens}, "line 2: cannot write '" + dir + "/./preset.qvs': it is the preset file of line 1 itself"},
  };
  const std::string inBytes = Text(in), stateBytes = Text(state), scriptBytes = Text(script);
  for (const auto& c : cases) {
    const InputFrom input(script);
    const RunResult r = Editor(c.args);
    EXPECT_EQ(r.exitCode, 2) << c.message;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
  }
  EXPECT_EQ(Text(in), inBytes);
  EXPECT_EQ(Text(state), stateBytes);
  EXPECT_EQ(Text(script), scriptBytes);
  // Two outputs into a device replace nothing.
  EXPECT_EQ(Editor({"--png", "/dev/null", "--save-state", "/dev/null"}).exitCode, 0);
}

TEST_F(EditorCommandTest, PicturesAndStateAreWrittenOnlyWhenTheRunSucceeds) {
  const std::string script = Script("events.txt", "png " + Path("a.png") + "\nclick 140 40\npng " + Path("a.png") +
                                                      "\npng " + Path("b.png") + "\n");
  // The state cannot be written once the script has run: no picture is left.
  const RunResult full = Editor({"--events", script, "--png", Path("c.png"), "--save-state", "/dev/full"});
  EXPECT_EQ(full.exitCode, 5);
  EXPECT_NE(full.err.find("cannot write the state file '/dev/full'"), std::string::npos) << full.err;
  for (const char* name : {"a.png", "b.png", "c.png"}) EXPECT_FALSE(Exists(Path(name))) << name;
  EXPECT_TRUE(Leftovers(dir).empty());
  // Succeeding, every picture is in place; a file pictured twice holds the later picture.
  const RunResult ok = Editor({"--events", script, "--png", Path("c.png"), "--save-state", Path("s.aupreset")});
  ASSERT_EQ(ok.exitCode, 0) << ok.err;
  EXPECT_TRUE(Near(ReadPicture(Path("a.png")).at(140, 40), kSwitchOn));
  EXPECT_TRUE(Exists(Path("b.png")));
  EXPECT_TRUE(Exists(Path("c.png")));
  EXPECT_TRUE(Exists(Path("s.aupreset")));
  EXPECT_TRUE(Leftovers(dir).empty());
}

TEST_F(EditorCommandTest, OptionsAreChecked) {
  EXPECT_EQ(Editor({"--at", "2", "--png", Path("a.png")}).exitCode, 2);  // --at without --input
  for (const char* scale : {"-1", "0.2", "3.5", "1e999", "big"}) {
    const RunResult r = Editor({"--scale", scale, "--png", Path("a.png")});
    EXPECT_EQ(r.exitCode, 2) << scale;
    EXPECT_NE(r.err.find("--scale must be between 0.5 and 3"), std::string::npos) << r.err;
  }
  EXPECT_EQ(Editor({"extra", "--png", Path("a.png")}).exitCode, 2);
  EXPECT_EQ(Editor({"--set", "nonesuch=1", "--png", Path("a.png")}).exitCode, 2);
  EXPECT_FALSE(Exists(Path("a.png")));
  // A scale the editor cannot take (this one has no corner resizer).
  const RunResult r = Editor({"--scale", "2", "--png", Path("a.png")});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("did not take the scale 2"), std::string::npos) << r.err;
}

TEST_F(EditorCommandTest, AnswersNobodyAskedForAreReported) {
  const std::string script = Script("events.txt", "menu 3\ncancel\nclick 140 40\n");
  const RunResult r = Editor({"--events", script, "--json"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.err.find("2 menu or file-panel answer(s) of the script were never asked for"), std::string::npos)
      << r.err;
  EXPECT_EQ(JsonField(r.out, "Bypass"), 1.0);
}

}  // namespace
