// The limiter's own editor through `orbex9-host editor` and the built
// component, used as a person uses it: each knob dragged, each switch and
// radio button clicked (seen in the values the unit reports and in its saved
// state), presets saved to a file and loaded back through the preset menu,
// the plugin menu's "Fixed GUI Scale", the corner resizer, the meters with
// loud input and with silence; pictures at scale 1 and 2 are kept under the
// build folder.
#include "EditorRun.h"

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

using namespace hosttest;

constexpr int kWidth = 1000, kHeight = 270;

// Centres of the controls, in editor units.
struct Point {
  double x, y;
};
struct Knob {
  const char* param;
  Point centre;
  bool atMaximum;  // its default is its maximum: dragged down
};
constexpr Knob kKnobs[] = {
    {"Gain", {101, 145}, false},  {"Ceiling", {899, 145}, true}, {"Attack", {188, 157}, false},
    {"Release", {257, 157}, false}, {"Drive", {743, 157}, false}, {"Channel Link", {812, 157}, true},
};
struct Switch {
  const char* param;
  Point centre;
};
constexpr Switch kSwitches[] = {
    {"Saturation Mode", {174, 86}}, {"Auto Release", {250, 86}}, {"Look Ahead", {750, 86}},
    {"Limit Mode", {826, 86}},      {"Ceiling Mode", {899, 88}},
};
constexpr Point kMeterButtons[] = {{471, 69}, {497, 69}, {523, 69}};
constexpr Point kOSButtons[] = {{452, 238}, {477, 238}, {502, 238}, {527, 238}, {552, 238}};
constexpr Point kPresetName = {500, 19};
constexpr Point kPluginMenu = {101, 29};
// Left and right meter faces and their readouts (x, y, width, height).
constexpr int kMeters[2][4] = {{307, 94, 188, 120}, {505, 94, 188, 120}};
constexpr int kReadouts[2][4] = {{317, 186, 44, 12}, {515, 186, 44, 12}};

// Preset menu items and the plugin menu's "Fixed GUI Scale" submenu, counted
// as the menus count them (separators included).
constexpr int kLoadPresetItem = 2, kSavePresetItem = 5;
constexpr int kFixedScaleItem = 15, kScale150 = 4;

// Pictures a person can open, kept under the build folder.
std::string Pictures() {
  std::filesystem::create_directories(EDITOR_PICTURES_DIR);
  return EDITOR_PICTURES_DIR;
}

std::string At(Point p) {
  std::ostringstream s;
  s << p.x << ' ' << p.y;
  return s.str();
}

// The values of the JSON report, read back from its parameter object.
double Value(const RunResult& r, const std::string& name) { return JsonField(r.out, name); }

// The state file's text (an XML property list holding the product's chunk).
std::string FileText(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

class EditorProductTest : public EditorHostTest {
protected:
  RunResult Editor(std::vector<std::string> args) const {
    args.insert(args.begin(), "editor");
    return Run(args);
  }
  RunResult Baseline() const {
    const RunResult r = Editor({"--events", Script("none.txt", ""), "--json"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    return r;
  }
  std::string Tone(const std::string& name, double amplitude) const { return WriteTone(Path(name), amplitude); }
};

TEST_F(EditorProductTest, EveryKnobAndSwitchChangesItsParameter) {
  const RunResult before = Baseline();
  std::string script;
  for (const Knob& k : kKnobs)
    script += "drag " + At(k.centre) + " " + At({k.centre.x, k.centre.y + (k.atMaximum ? 40 : -40)}) + "\n";
  for (const Switch& s : kSwitches) script += "click " + At(s.centre) + "\n";
  const std::string state = Path("state.aupreset");
  const RunResult after = Editor({"--events", Script("events.txt", script), "--json", "--save-state", state});
  ASSERT_EQ(after.exitCode, 0) << after.err;
  for (const Knob& k : kKnobs) {
    if (k.atMaximum)
      EXPECT_LT(Value(after, k.param), Value(before, k.param)) << k.param;
    else
      EXPECT_GT(Value(after, k.param), Value(before, k.param)) << k.param;
  }
  for (const Switch& s : kSwitches) EXPECT_EQ(Value(after, s.param), 1.0 - Value(before, s.param)) << s.param;
  // Each step of a drag counts once: 40 units up turn a knob 82 units tall at gearing 4 by
  // 40 / 82 / 4 of its travel, which Gain (0 to 24 dB) follows on a square law.
  EXPECT_NEAR(Value(after, "Gain"), 24.0 * std::pow(40.0 / 82.0 / 4.0, 2.0), 0.011);

  // The saved state carries them: opened from it, the unit reports the same.
  const RunResult loaded = Editor({"--load-state", state, "--events", Script("none.txt", ""), "--json"});
  ASSERT_EQ(loaded.exitCode, 0) << loaded.err;
  for (const Knob& k : kKnobs) EXPECT_NEAR(Value(loaded, k.param), Value(after, k.param), 1e-6) << k.param;
  for (const Switch& s : kSwitches) EXPECT_EQ(Value(loaded, s.param), Value(after, s.param)) << s.param;
}

TEST_F(EditorProductTest, LongUseStaysBounded) {
  // Each step of a knob's drag puts the hidden pointer back: 10,000 drags of 50 steps hold
  // no more memory than 10 (beyond the script's own lines). Freed memory that an address
  // sanitizer would hold back for its checks is none the host holds.
  const char* given = std::getenv("ASAN_OPTIONS");
  const bool hadOptions = given != nullptr;
  const std::string options = hadOptions ? given : "";
  setenv("ASAN_OPTIONS", (options + ":quarantine_size_mb=0").c_str(), 1);
  const auto drags = [&](int n) {
    std::string script;
    for (int i = 0; i < n; ++i) script += "drag 101 145 101 -55\n";
    const RunResult r = Editor({"--events", Script("drags.txt", script)});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    return r.peakMemoryKb;
  };
  const long few = drags(10), many = drags(10000);
  if (hadOptions)
    setenv("ASAN_OPTIONS", options.c_str(), 1);
  else
    unsetenv("ASAN_OPTIONS");
  EXPECT_LT(many, few + 4 * 1024) << few << " KB after 10 drags, " << many << " KB after 10,000";

  // A value field takes as many characters as its knob shows (six for Gain): a long typed
  // run leaves the first six, and the rest are refused as they come.
  const RunResult typed = Editor(
      {"--events", Script("type.txt", "dblclick 101 145\ntype 1.2345" + std::string(100000, '9') + "\nkey Return\n"),
       "--json"});
  ASSERT_EQ(typed.exitCode, 0) << typed.err;
  EXPECT_NEAR(Value(typed, "Gain"), 1.2345, 1e-6);
}

TEST_F(EditorProductTest, EachRadioButtonSelectsItsIndex) {
  // Button k of each group in one run (the Meter Mode group has three).
  for (int k = 0; k < 5; ++k) {
    std::string script = "click " + At(kOSButtons[k]) + "\n";
    if (k < 3) script += "click " + At(kMeterButtons[k]) + "\n";
    // Start elsewhere so every click is a change.
    const RunResult r = Editor({"--set", "os mode=" + std::string(k == 0 ? "2x" : "1x"), "--set",
                                "meter mode=" + std::string(k == 0 ? "GR" : "IN"), "--events",
                                Script("radio.txt", script), "--json"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(Value(r, "OS Mode"), k) << "OS button " << k;
    if (k < 3) {
      EXPECT_EQ(Value(r, "Meter Mode"), k) << "meter button " << k;
    }
  }
}

TEST_F(EditorProductTest, APresetSavedThroughTheMenuLoadsBack) {
  const std::string preset = Path("loud.qvs");
  const RunResult saved = Editor({"--set", "gain=7.5", "--set", "ceiling=-3", "--events",
                                  Script("save.txt", "save " + preset + "\nmenu " + std::to_string(kSavePresetItem) +
                                                         "\nclick " + At(kPresetName) + "\n"),
                                  "--json"});
  ASSERT_EQ(saved.exitCode, 0) << saved.err;
  ASSERT_TRUE(Exists(preset));
  EXPECT_NE(FileText(preset).find("PresetXMLTree"), std::string::npos);

  const RunResult loaded = Editor({"--events",
                                   Script("load.txt", "open " + preset + "\nmenu " + std::to_string(kLoadPresetItem) +
                                                          "\nclick " + At(kPresetName) + "\nwait 100\n"),
                                   "--json"});
  ASSERT_EQ(loaded.exitCode, 0) << loaded.err;
  EXPECT_NEAR(Value(loaded, "Gain"), 7.5, 1e-6);
  EXPECT_NEAR(Value(loaded, "Ceiling"), -3.0, 1e-6);
}

TEST_F(EditorProductTest, FixedGuiScaleMakesTheEditorLarger) {
  const std::string png = Path("scaled.png");
  const RunResult r = Editor({"--events",
                              Script("scale.txt", "menu " + std::to_string(kFixedScaleItem) + " " +
                                                      std::to_string(kScale150) + "\nclick " + At(kPluginMenu) +
                                                      "\nwait 100\npng " + png + "\n"),
                              "--json"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const Picture p = ReadPicture(png);
  EXPECT_EQ(p.w, 1500);
  EXPECT_EQ(p.h, 405);
  EXPECT_NEAR(Value(r, "GUI Scale"), 1.5, 1e-6);
}

TEST_F(EditorProductTest, AMenuItemTheMenuLacksStopsTheScriptWithTheMenusItems) {
  const struct {
    std::string script, message;
  } cases[] = {
      {"png " + Path("never.png") + "\nmenu 40\nclick " + At(kPresetName) + "\n",
       "line 2: the menu that line 3 opened has no item 40 (its items: 0 '>> Preset menu <<', 1 -, 2 'Load preset "
       "...', 3 'Reset to default', 4 -, 5 'Save preset ...', 6 'Save as default', 7 -, 8 'Factory' >)"},
      {"menu " + std::to_string(kFixedScaleItem) + " 11\nclick " + At(kPluginMenu) + "\n",
       "line 1: the submenu of item 15 'Fixed GUI Scale' of the menu that line 2 opened has no item 11 (its items: 0 "
       "'50%', 1 '75%', 2 '100%', 3 '125%', 4 '150%', 5 '175%', 6 '200%', 7 '225%', 8 '250%', 9 '275%', 10 '300%')"},
      {"menu 3 0\nclick " + At(kPluginMenu) + "\n", "line 1: item 3 - of the menu that line 2 opened has no submenu"},
  };
  for (const auto& c : cases) {
    const RunResult r = Editor({"--events", Script("menu.txt", c.script), "--json"});
    EXPECT_EQ(r.exitCode, 2) << c.script;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");
  }
  EXPECT_FALSE(Exists(Path("never.png")));
}

TEST_F(EditorProductTest, TheCornerResizerScalesTheEditor) {
  const std::string png = Path("resized.png");
  const RunResult r = Editor(
      {"--events", Script("resize.txt", "drag 995 265 1492.5 397.5\nwait 50\npng " + png + "\n"), "--json"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const Picture p = ReadPicture(png);
  EXPECT_NEAR(p.w, 1500, 2);
  EXPECT_NEAR(p.h, 405, 2);
  EXPECT_NEAR(Value(r, "GUI Scale"), 1.5, 0.01);
}

TEST_F(EditorProductTest, ThePluginMenusLastItemsAreChosenAtSmallScales) {
  // "Tooltips", then "Set min GUI scale" and a "Fixed GUI Scale" entry, the menu's last items.
  for (const char* scale : {"0.5", "0.75", "1"}) {
    const std::string png = Path("smallest.png");
    const std::string click = "click " + At(kPluginMenu) + "\n";
    const RunResult r =
        Editor({"--scale", scale, "--json", "--events",
                Script("last.txt", "menu 10\n" + click + "menu 13\n" + click + "wait 100\npng " + png + "\nmenu " +
                                       std::to_string(kFixedScaleItem) + " " + std::to_string(kScale150) + "\n" +
                                       click + "wait 100\n")});
    ASSERT_EQ(r.exitCode, 0) << scale << ": " << r.err;
    EXPECT_EQ(ReadPicture(png).w, 500) << scale;
    EXPECT_EQ(Value(r, "Toggle Tooltips"), 0.0) << scale;
    EXPECT_NEAR(Value(r, "GUI Scale"), 1.5, 1e-6) << scale;
  }
}

TEST_F(EditorProductTest, TheNeedlesMoveWithLoudInputAndRestWithSilence) {
  const std::string quiet = Path("quiet.png"), loud = Path("loud.png"), none = Path("none.png");
  ASSERT_EQ(Editor({"--png", none}).exitCode, 0);
  const RunResult q = Editor({"--input", Tone("silence.wav", 0.0), "--png", quiet});
  ASSERT_EQ(q.exitCode, 0) << q.err;
  const RunResult l = Editor({"--input", Tone("tone.wav", 0.9), "--at", "0.8", "--png", loud});
  ASSERT_EQ(l.exitCode, 0) << l.err;
  const Picture n = ReadPicture(none), s = ReadPicture(quiet), t = ReadPicture(loud);
  // The faces without their readouts (which read "-INF" once silence was measured).
  const auto needles = [](const Picture& a, const Picture& b, int i) {
    const int* m = kMeters[i];
    const int* r = kReadouts[i];
    return DifferentPixels(a, b, m[0], m[1], m[0] + m[2], m[1] + m[3]) -
           DifferentPixels(a, b, r[0], r[1], r[0] + r[2], r[1] + r[3]);
  };
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(needles(n, s, i), 0) << "a needle moved with silence";
    EXPECT_GT(needles(s, t, i), 100) << "a needle stayed with a loud tone";
  }
  // Nothing else moves.
  EXPECT_EQ(DifferentPixels(s, t, 0, 0, kWidth, 90), 0);
}

TEST_F(EditorProductTest, TheGainReductionMeterReadsNoneWhenNothingIsLimited) {
  // The faces in GR mode (needles and "0.00" readouts) as the soft limit
  // mode draws them with silence: it holds the segment gain, which starts
  // at unity.
  const auto faces = [&](const std::string& input, std::vector<std::string> settings) {
    const std::string png = Path("gr.png");
    std::vector<std::string> args = {"--input", input, "--at", "0.5", "--set", "meter mode=GR", "--png", png};
    args.insert(args.end(), settings.begin(), settings.end());
    const RunResult r = Editor(args);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    return ReadPicture(png);
  };
  const auto differing = [](const Picture& a, const Picture& b) {
    int n = 0;
    for (const auto& m : kMeters) n += DifferentPixels(a, b, m[0], m[1], m[0] + m[2], m[1] + m[3], 0);
    return n;
  };
  const std::string silence = Tone("silence.wav", 0.0);
  const Picture rest = faces(silence, {"--set", "limit mode=Soft"});
  const std::string inputs[] = {silence, Tone("minus40.wav", std::pow(10.0, -40.0 / 20.0)),
                                Tone("minus3.wav", std::pow(10.0, -3.0 / 20.0))};
  for (const char* os : {"1x", "2x", "4x", "8x", "16x"})
    for (const std::string& input : inputs)
      EXPECT_EQ(differing(faces(input, {"--set", std::string("os mode=") + os}), rest), 0)
          << os << " " << std::filesystem::path(input).filename();
  // A loud tone still reads its reduction, in needles and readouts.
  const Picture loud = faces(Tone("loud.wav", 0.9), {"--set", "gain=12"});
  for (const auto& r : kReadouts) EXPECT_GT(DifferentPixels(loud, rest, r[0], r[1], r[0] + r[2], r[1] + r[3]), 20);
  EXPECT_GT(differing(loud, rest), 400);
}

TEST_F(EditorProductTest, PicturesAtScaleOneAndTwo) {
  const std::string dir = Pictures();
  const std::string tone = Tone("tone.wav", 0.7);
  for (const int scale : {1, 2}) {
    const std::string png = dir + "/editor-scale" + std::to_string(scale) + ".png";
    const RunResult r =
        Editor({"--scale", std::to_string(scale), "--input", tone, "--at", "0.5", "--set", "gain=6", "--png", png});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const Picture p = ReadPicture(png);
    EXPECT_EQ(p.w, kWidth * scale);
    EXPECT_EQ(p.h, kHeight * scale);
  }
}

}  // namespace
