// The save panel and the plugin menu's items that open something, in the limiter's window with
// real typed keys: a typed absolute path, a path from the folder shown and one from "~" save
// where they say; a name in a folder that does not exist, and the input's name, are refused in
// the panel with the reason, and nothing is saved anywhere or replaced. "Changelog ..." and
// "Open data folder ..." reach the desktop's opener (a stand-in on PATH that records its
// arguments); the manual, which is not installed, and any item where no opener is found are
// named in a message box. Headless, nothing is opened and the request is printed. Where the
// window is too small for them (scales 0.75 and 0.5) the save and open panels are whole in a
// window of their own.
#include "EditorSession.h"
#include "host/PngFile.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>

#include <sched.h>

#include <algorithm>
#include <cctype>
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
constexpr int kPresetName[2] = {500, 19}, kPresetMenuProbe[2] = {415, 40}, kLoadPreset = 2, kSavePreset = 4;
constexpr int kPluginMenu[2] = {101, 29}, kPluginMenuProbe[2] = {86, 40};
constexpr int kManual = 3, kChangelog = 4, kDataFolder = 6;
constexpr const char* kChangelogURL = "https://www.brimvaldex.com/products/orbx#Changelog";
// The desktop's panel grey, its faint ink and its highlight blue.
constexpr int kPanelGrey = 246, kFaint = 130, kBlue[3] = {45, 110, 220};

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
  // The whole screen, read back from the X server's root window.
  Shot Screen() { return TakeShot(x_, DefaultRootWindow(x_)); }
  // A file panel in a window of its own (the panel grey over a panel's full size on the screen);
  // the bounds of its grey, empty when none shows.
  static Rect OwnPanel(const Shot& screen) {
    int n = 0;
    const Rect r = Find(screen, 0, 0, screen.w - 1, screen.h - 1, kPanelGrey, kPanelGrey, kPanelGrey, &n);
    return n > 20000 && r.right - r.left >= 500 && r.bottom - r.top >= 400 ? r : Rect();
  }
  // A click at (x, y) of the screen, at a hand's pace as Click.
  void ClickScreen(int x, int y) {
    ApartFromLastClick(x, y, true);
    Xdo({"mousemove", std::to_string(x), std::to_string(y)});
    Pause();
    Xdo({"click", "1"});
    Pause();
  }
  // Chooses the preset menu's item that down presses of Down reach, in the window at scale k.
  void ChoosePresetItem(double k, int down) {
    const int before = PanelPixels();
    Click(static_cast<int>(kPresetName[0] * k), static_cast<int>(kPresetName[1] * k));
    ASSERT_TRUE(WaitFor([&] { return PanelPixels() > before + 600; })) << "no preset menu";
    std::vector<std::string> keys(static_cast<size_t>(down), "Down");
    keys.push_back("Return");
    Keys(keys);
  }
  // Waits for a file panel of its own to show (its window can be there before it is drawn); its
  // bounds on the screen.
  Rect WaitForOwnPanel() {
    Rect panel;
    EXPECT_TRUE(WaitFor([&] { return (panel = OwnPanel(Screen())).right >= 0; })) << "no panel of its own";
    return panel;
  }
  // No file panel shows: none of its own on the screen, and none (nor what it left) in the window.
  bool NoPanel() { return OwnPanel(Screen()).right < 0 && PanelPixels() < 2000; }
  int PanelPixels() {
    int n = 0;
    const Shot s = Screenshot();
    Find(s, 0, 0, s.w - 1, s.h - 1, kPanelGrey, kPanelGrey, kPanelGrey, &n);
    return n;
  }
  // The file panel whose grey has bounds p, read from the screen s: it is wholly on the screen
  // at its full size (560 x 420 with its edge), and its list (the white down the column just
  // inside its left edge) shows many rows below the folder's path; the save panel's "Name:"
  // and name field lie whole below the list. The list's first and last white rows.
  std::pair<int, int> CheckPanel(const Shot& s, const Rect& p, bool save) {
    EXPECT_GE(p.left, 1);
    EXPECT_GE(p.top, 1);
    EXPECT_LE(p.right, s.w - 2);
    EXPECT_LE(p.bottom, s.h - 2);
    EXPECT_EQ(p.right - p.left + 3, 560);
    EXPECT_EQ(p.bottom - p.top + 3, 420);
    const int column = p.left + 13;
    int top = p.top;
    while (top < p.bottom && !s.is(column, top, 255, 255, 255)) ++top;
    int bottom = top;
    while (bottom + 1 < p.bottom && s.is(column, bottom + 1, 255, 255, 255)) ++bottom;
    EXPECT_GE((bottom - top + 1) / 20, 10) << "the list shows few rows";
    int n = 0;
    Find(s, p.left, p.top, p.right, top - 2, kFaint, kFaint, kFaint, &n);
    EXPECT_GT(n, 20) << "no folder path above the list";
    if (save) {
      const Rect field = Find(s, p.left + 50, bottom + 2, p.right, p.bottom - 40, kBlue[0], kBlue[1], kBlue[2]);
      EXPECT_EQ(field.bottom - field.top + 1, 22) << "the name field is not whole below the list";
      EXPECT_GE(field.right - field.left, 400);
      // "Name:" in ink (its smoothed edges too) beside the field, as tall as its capitals.
      Rect label;
      for (int y = bottom + 2; y < p.bottom - 40; ++y)
        for (int x = p.left; x < field.left; ++x)
          if ((s.px[static_cast<size_t>(y) * s.w + x] >> 8 & 255) < 110)
            label.top = std::min(label.top, y), label.bottom = std::max(label.bottom, y);
      EXPECT_GE(label.bottom - label.top + 1, 8) << "\"Name:\" is not whole below the list";
      EXPECT_GE(label.top, field.top) << "\"Name:\" is not beside the field";
    }
    Find(s, p.left, top, p.right, bottom, kBlue[0], kBlue[1], kBlue[2], &n);
    EXPECT_EQ(n, 0) << "something blue over the list";
    return {top, bottom};
  }
  // Writes the screen s as a PNG a person can open, under the build folder.
  static void KeepPicture(const Shot& s, const std::string& name) {
    std::filesystem::create_directories(EDITOR_PICTURES_DIR);
    std::vector<uint8_t> rgba(static_cast<size_t>(s.w) * s.h * 4, 255);
    for (size_t i = 0; i < s.px.size(); ++i)
      for (int c = 0; c < 3; ++c) rgba[4 * i + c] = static_cast<uint8_t>(s.px[i] >> (16 - 8 * c));
    orbexhost::PictureFiles files;
    std::string error;
    EXPECT_TRUE(files.Add(std::string(EDITOR_PICTURES_DIR) + "/" + name, rgba, s.w, s.h, error) &&
                files.Commit(error))
        << error;
  }
  // The row of file in the open panel's list of folder: "..", the folders, then the preset
  // files, each by name regardless of case.
  static int RowOf(const std::filesystem::path& folder, const std::string& file) {
    auto lower = [](std::string t) {
      for (char& c : t) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      return t;
    };
    int folders = 0;
    std::vector<std::string> presets;
    for (const auto& e : std::filesystem::directory_iterator(folder)) {
      const std::string n = e.path().filename().string();
      if (n[0] == '.') continue;
      if (e.is_directory()) ++folders;
      else if (lower(e.path().extension().string()) == ".qvs") presets.push_back(lower(n));
    }
    std::sort(presets.begin(), presets.end());
    return 1 + folders + static_cast<int>(std::find(presets.begin(), presets.end(), lower(file)) - presets.begin());
  }
  // Turns of the wheel at (x, y) of the screen, notches of button (4 away from the person, 5
  // toward), 40 ms apart.
  void Wheel(int x, int y, int button, int notches) {
    Xdo({"mousemove", std::to_string(x), std::to_string(y)});
    Pause();
    Xdo({"click", "--repeat", std::to_string(notches), "--delay", "40", std::to_string(button)});
  }
  // The pixels of the screen's rows top..bottom between left and right, once two readings agree.
  std::vector<unsigned long> Steady(int left, int top, int right, int bottom) {
    auto read = [&] {
      const Shot s = Screen();
      std::vector<unsigned long> px;
      for (int y = top; y <= bottom; ++y) px.insert(px.end(), &s.px[y * s.w + left], &s.px[y * s.w + right + 1]);
      return px;
    };
    std::vector<unsigned long> was = read(), now;
    while ((now = read()) != was) was = now;
    return now;
  }
  // How the desktop's window manager is told of window: its type, and the window it is transient
  // for, as xprop reads them ("TYPE for ID").
  std::string Hints(unsigned long window) {
    std::string type = "no type";
    Atom got = 0;
    int format = 0;
    unsigned long n = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(x_, window, XInternAtom(x_, "_NET_WM_WINDOW_TYPE", False), 0, 1, False, XA_ATOM, &got,
                           &format, &n, &after, &data) == Success &&
        data != nullptr && n == 1) {
      char* name = XGetAtomName(x_, *reinterpret_cast<Atom*>(data));
      type = name != nullptr ? name : "?";
      XFree(name);
    }
    if (data != nullptr) XFree(data);
    Window parent = 0;
    XGetTransientForHint(x_, window, &parent);
    return type + " for " + std::to_string(parent);
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
    EXPECT_LT(OwnPanel(Screen()).right, 0) << "at scale 1 the panel is drawn in the window";
    Keys({"Escape"});
    EXPECT_TRUE(WaitFor([&] { return !PanelShown(); })) << "Escape did not close the panel";
  }
  const RunResult r = Stop();
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(FilesNamed("none"), std::vector<std::string>{});
  EXPECT_FALSE(Exists(dir_ + "/presets/sub/missing"));
  EXPECT_EQ(Text(song), songBytes);
}

// At 0.75 and 0.5 the window is too small for the file panels: "Save preset ..." and "Load
// preset ..." show them whole in a window of their own over it, with many rows. A name typed
// there saves the preset; a preset clicked there and opened is loaded; closing the panel's
// window dismisses it and leaves the editor.
TEST_F(EditorWindowFilesTest, FilePanelsOfASmallWindowAreWholeInAWindowOfTheirOwn) {
  // A preset at Gain 7 to load (a script's answers take no window).
  std::ofstream(dir_ + "/save.txt") << "save " << dir_ << "/seven.qvs\nmenu 5\nclick 500 19\n";
  ASSERT_EQ(RunHost({"editor", "--set", "gain=7", "--events", dir_ + "/save.txt"}, dir_).exitCode, 0);
  for (const double k : {0.5, 0.75}) {
    const std::string tag = k == 0.5 ? "50" : "75";
    SCOPED_TRACE("scale " + tag + " %");
    ASSERT_TRUE(Start({"--scale", std::to_string(k), "--set", "gain=2"}));
    ChoosePresetItem(k, kSavePreset);
    Rect panel;
    ASSERT_TRUE(WaitFor([&] { return (panel = OwnPanel(Screen())).right >= 0; })) << "no save panel of its own";
    Shot screen = Screen();
    KeepPicture(screen, "save_panel_scale_" + tag + ".png");
    CheckPanel(screen, panel, true);
    Xdo({"type", "--delay", "40", "small" + tag + ".qvs"});
    Keys({"Return"});
    ASSERT_TRUE(WaitFor([&] { return FilesNamed("small" + tag).size() == 1; })) << "the preset was not saved";
    EXPECT_TRUE(WaitFor([&] { return NoPanel(); })) << "the save panel stayed";
    if (k == 0.75) {
      // The panel's window closed as a window manager closes it: dismissed, the editor stays.
      ChoosePresetItem(k, kSavePreset);
      WaitForOwnPanel();
      const unsigned long own = FindWindow("^Save$");
      ASSERT_NE(own, 0ul) << "no save panel of its own";
      EXPECT_TRUE(CloseWindow(own));
      EXPECT_TRUE(WaitFor([&] { return NoPanel(); })) << "the save panel stayed";
    }
    // The open panel shows the folder of that save; the preset at Gain 7 is put there.
    const std::filesystem::path folder = std::filesystem::path(FilesNamed("small" + tag)[0]).parent_path();
    std::filesystem::copy_file(dir_ + "/seven.qvs", folder / ("seven" + tag + ".qvs"));
    // Enough presets besides to scroll the list.
    for (int i = 0; i < 40; ++i)
      std::filesystem::copy_file(dir_ + "/seven.qvs", folder / ("x" + std::to_string(10 + i) + ".qvs"),
                                 std::filesystem::copy_options::skip_existing);
    ChoosePresetItem(k, kLoadPreset);
    ASSERT_TRUE(WaitFor([&] { return (panel = OwnPanel(Screen())).right >= 0; })) << "no open panel of its own";
    screen = Screen();
    KeepPicture(screen, "open_panel_scale_" + tag + ".png");
    const std::pair<int, int> rows = CheckPanel(screen, panel, false);
    const int listTop = rows.first, listBottom = rows.second;
    // A dialog over the editor's window, as the window manager is told.
    EXPECT_EQ(Hints(FindWindow("^Open$")), "_NET_WM_WINDOW_TYPE_DIALOG for " + wid_);
    // Four notches of the wheel over the list scroll it, and four back return it. Over the editor's
    // window beside the panel (at 0.75) the wheel scrolls nothing: the list is then where four
    // notches over it alone put it.
    const auto list = [&, listTop, listBottom] { return Steady(panel.left + 13, listTop, panel.right - 13, listBottom); };
    const std::vector<unsigned long> top = list();
    Wheel(panel.left + 100, listTop + 40, 5, 4);
    ASSERT_TRUE(WaitFor([&] { return list() != top; })) << "the wheel did not scroll the list";
    const std::vector<unsigned long> scrolled = list();
    Wheel(panel.left + 100, listTop + 40, 4, 4);
    ASSERT_TRUE(WaitFor([&] { return list() == top; })) << "the wheel did not scroll the list back";
    if (k == 0.75) {
      Wheel(panel.left - 40, panel.top + 60, 5, 4);
      Wheel(panel.left + 100, listTop + 40, 5, 4);
      ASSERT_TRUE(WaitFor([&] { return list() != top; })) << "the wheel did not scroll the list";
      EXPECT_TRUE(list() == scrolled) << "the wheel over the editor's window scrolled the list";
      Wheel(panel.left + 100, listTop + 40, 4, 4);
      ASSERT_TRUE(WaitFor([&] { return list() == top; })) << "the wheel did not scroll the list back";
    }
    const int rowY = listTop + 11 + 20 * RowOf(folder, "seven" + tag + ".qvs");
    ClickScreen(panel.left + 100, rowY);
    EXPECT_TRUE(WaitFor([&] { return Screen().is(panel.left + 13, rowY, kBlue[0], kBlue[1], kBlue[2]); }))
        << "the row clicked is not selected";
    // The panel's default button, "Open", at its foot.
    const Rect open =
        Find(Screen(), panel.left, panel.bottom - 40, panel.right, panel.bottom, kBlue[0], kBlue[1], kBlue[2]);
    ASSERT_GE(open.right, 0) << "no Open button";
    ClickScreen((open.left + open.right) / 2, (open.top + open.bottom) / 2);
    EXPECT_TRUE(WaitFor([&] { return NoPanel(); })) << "the open panel stayed";
    const RunResult r = Stop();
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NEAR(JsonField(r.out, "Gain"), 7.0, 1e-6) << "the preset chosen was not loaded";
  }
}

// One spinning process for each core this process may run on, for as long as it lives: the
// machine as busy as a person's often is.
class BusyCores {
 public:
  BusyCores() {
    cpu_set_t cores;
    CPU_ZERO(&cores);
    const int n = sched_getaffinity(0, sizeof cores, &cores) == 0 ? CPU_COUNT(&cores) : 2;
    for (int i = 0; i < n; ++i) spinning_.push_back(xtest::Spawn({"sh", "-c", "while :; do :; done"}));
  }
  ~BusyCores() {
    for (const pid_t p : spinning_)
      if (p > 0) kill(p, SIGKILL), xtest::Wait(p);
  }
  BusyCores(const BusyCores&) = delete;
  BusyCores& operator=(const BusyCores&) = delete;

 private:
  std::vector<pid_t> spinning_;
};

// A file panel's own window opened and closed again and again, in every way a person closes it,
// on a busy machine: at 0.5 on a laptop's screen and at 1 on a small one (shown at 0.8, too
// small for the panels). The editor goes on after each; closed with Ctrl+W it prints its JSON
// and saves its state, exit 0.
struct PanelScreen {
  const char* screen;
  const char* scale;
  int rounds;  // of the five ways to close a panel
};

class PanelWindowsTest : public ::testing::WithParamInterface<PanelScreen>,
                         private xtest::ScreenSize,
                         public EditorWindowFilesTest {
protected:
  PanelWindowsTest() : xtest::ScreenSize(GetParam().screen) {}
  // Clicks the panel's button, its default (blue) one or the one left of it, held down as long as
  // a person holds it: the panel is done at the press, and the release must not be lost with its
  // window (the editor would take its next press for none).
  void ClickButton(const Rect& panel, bool isDefault) {
    const Rect b = Find(Screen(), panel.left, panel.bottom - 40, panel.right, panel.bottom, kBlue[0], kBlue[1], kBlue[2]);
    ASSERT_GE(b.right, 0) << "no default button";
    const int x = isDefault ? (b.left + b.right) / 2 : b.left - 44, y = (b.top + b.bottom) / 2;
    ApartFromLastClick(x, y, true);
    Xdo({"mousemove", std::to_string(x), std::to_string(y)});
    Pause();
    Xdo({"mousedown", "1"});
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    Xdo({"mouseup", "1"});
  }
};

TEST_P(PanelWindowsTest, OpenedAndClosedManyTimesOnABusyMachineTheEditorEndsAsAsked) {
  const std::string state = dir_ + "/state.aupreset";
  const BusyCores busy;
  ASSERT_TRUE(Start({"--set", std::string("gui scale=") + GetParam().scale, "--set", "gain=3", "--save-state", state}));
  const double k = Screenshot().w / 1000.0;  // the scale the editor is shown at
  for (int round = 0; round < GetParam().rounds; ++round) {
    SCOPED_TRACE("round " + std::to_string(round + 1));
    ChoosePresetItem(k, kSavePreset);
    WaitForOwnPanel();
    Keys({"Escape"});
    ASSERT_TRUE(WaitFor([&] { return NoPanel(); })) << "Escape left the panel";
    ChoosePresetItem(k, kLoadPreset);
    WaitForOwnPanel();
    const unsigned long own = FindWindow("^Open$");
    ASSERT_NE(own, 0ul) << "no open panel of its own";
    EXPECT_TRUE(CloseWindow(own));
    ASSERT_TRUE(WaitFor([&] { return NoPanel(); })) << "closing its window left the panel";
    ChoosePresetItem(k, kSavePreset);
    ClickButton(WaitForOwnPanel(), false);
    ASSERT_TRUE(WaitFor([&] { return NoPanel(); })) << "Cancel left the panel";
    const std::string name = "cycle" + std::to_string(round);
    ChoosePresetItem(k, kSavePreset);
    WaitForOwnPanel();
    Xdo({"type", "--delay", "40", name});
    Keys({"Return"});
    ASSERT_TRUE(WaitFor([&] { return FilesNamed(name).size() == 1 && NoPanel(); })) << "the preset was not saved";
    ChoosePresetItem(k, kLoadPreset);
    const Rect panel = WaitForOwnPanel();
    const std::filesystem::path saved = FilesNamed(name)[0];
    // The list's rows, 20 points high, start 53 points below the panel's top edge.
    ClickScreen(panel.left + 100, panel.top + 63 + 20 * RowOf(saved.parent_path(), saved.filename().string()));
    ClickButton(panel, true);
    ASSERT_TRUE(WaitFor([&] { return NoPanel(); })) << "Open left the panel";
  }
  Keys({"ctrl+w"});
  const RunResult r = Finish();
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NEAR(JsonField(r.out, "Gain"), 3.0, 1e-6) << r.out;
  EXPECT_TRUE(Exists(state)) << "the state was not saved";
}

INSTANTIATE_TEST_SUITE_P(Screens, PanelWindowsTest,
                         ::testing::Values(PanelScreen{"1280x800", "0.5", 2}, PanelScreen{"800x600", "1", 1}));

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

// "Save as default" where default.qvs (under XDG_DATA_HOME) is a link to the input: a message
// box says why, and the input stays as it was. A name typed into the save panel that is the
// --save-state file is refused in red in the panel; the state is written there at the end.
TEST_F(EditorWindowFilesTest, SaveAsDefaultAndTheSavePanelRefuseFilesTheRunUses) {
  constexpr int kSaveDefault = 5;  // Down presses in the preset menu
  const std::string song = dir_ + "/song.wav", state = dir_ + "/out.qvs";
  const std::string preset = dir_ + "/.local/share/ORBEX9/AU/default.qvs";
  orbexhost::AudioData sound;
  sound.sampleRate = 48000;
  sound.channels.assign(2, std::vector<float>(4800, 0.25f));
  WriteOrFail(song, sound);
  const std::string songBytes = Text(song);
  std::filesystem::create_directories(std::filesystem::path(preset).parent_path());
  ASSERT_EQ(symlink(song.c_str(), preset.c_str()), 0);
  ASSERT_TRUE(Start({"--input", song, "--save-state", state}));

  ASSERT_TRUE(ChooseFromMenu(kPresetName[0], kPresetName[1], kPresetMenuProbe[0], kPresetMenuProbe[1], kSaveDefault))
      << "no preset menu";
  EXPECT_TRUE(WaitFor([&] { return DefaultButton().right >= 0; })) << "no message box for Save as default";
  Keys({"Return"});
  EXPECT_TRUE(WaitFor([&] { return DefaultButton().right < 0; }));

  SaveAs(dir_ + "/out");
  EXPECT_TRUE(WaitFor([&] { return ReasonShown(); })) << "no reason shown for the state file";
  EXPECT_TRUE(PanelShown());
  Keys({"Escape"});
  EXPECT_TRUE(WaitFor([&] { return !PanelShown(); })) << "Escape did not close the panel";

  const RunResult r = Stop();
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(Text(song), songBytes);
  EXPECT_TRUE(std::filesystem::is_symlink(preset));
  EXPECT_NE(Text(state).find("<plist"), std::string::npos) << "the state file is not the state";
}

}  // namespace
