// The limiter's editor in a real window used as a person uses it, with input
// at a hand's pace (one xdotool process per move, 16 ms apart): knobs turn as
// far as the same drags in a script, with a mouse's relative moves and a
// tablet's absolute ones, and the pointer comes back where it was pressed; the
// About box fits the window at scale 1 and 0.5 and closes by its button,
// Return and Escape; the window closes on Ctrl+W and Ctrl+Q (not while a value
// is typed), when another program destroys it and when the display goes away,
// each time with the report printed and the state saved.
#include "EditorWindow.h"

#include <X11/Xutil.h>
#include <sys/wait.h>

#include <cmath>
#include <fstream>
#include <memory>

namespace {

using namespace hosttest;

struct Shot {
  int w = 0, h = 0;
  std::vector<unsigned long> px;  // 0xRRGGBB
  bool is(int x, int y, int r, int g, int b) const {
    const unsigned long p = px[static_cast<size_t>(y) * w + x];
    return std::abs(static_cast<int>(p >> 16 & 255) - r) <= 3 && std::abs(static_cast<int>(p >> 8 & 255) - g) <= 3 &&
           std::abs(static_cast<int>(p & 255) - b) <= 3;
  }
};

struct Rect {
  int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;  // inclusive; right < 0: empty
};

// The pixels of colour (r, g, b) in s's rows y0..y1 and columns x0..x1 (inclusive): their bounds and count.
Rect Find(const Shot& s, int x0, int y0, int x1, int y1, int r, int g, int b, int* count = nullptr) {
  Rect out;
  int n = 0;
  for (int y = std::max(0, y0); y <= y1 && y < s.h; ++y)
    for (int x = std::max(0, x0); x <= x1 && x < s.w; ++x)
      if (s.is(x, y, r, g, b)) {
        ++n;
        out.left = std::min(out.left, x), out.right = std::max(out.right, x);
        out.top = std::min(out.top, y), out.bottom = std::max(out.bottom, y);
      }
  if (count != nullptr) *count = n;
  return out;
}

class EditorWindowUseTest : public EditorWindowTest {
protected:
  void SetUp() override {
    EditorWindowTest::SetUp();
    if (IsSkipped()) return;
    x_ = XOpenDisplay(display_.name().c_str());
    ASSERT_NE(x_, nullptr);
  }
  void TearDown() override {
    if (host_ > 0) {
      kill(host_, SIGKILL);
      FinishBounded(host_);
    }
    if (x_ != nullptr) XCloseDisplay(x_);
    EditorWindowTest::TearDown();
  }

  // Starts the editor (with args after "editor --json --save-state") and waits for its window.
  bool Open(const std::vector<std::string>& args) {
    std::vector<std::string> all = {"editor", "--json", "--save-state", State()};
    all.insert(all.end(), args.begin(), args.end());
    host_ = StartHost(all, dir_);
    window_ = host_ > 0 ? FindWindow("ORBEX9") : 0;
    wid_ = std::to_string(window_);
    return window_ != 0 && Xdo({"windowfocus", "--sync", wid_}) == 0;
  }
  RunResult Finish() {
    const RunResult r = FinishBounded(host_);
    host_ = -1;
    return r;
  }
  bool Running() { return host_ > 0 && waitpid(host_, nullptr, WNOHANG) == 0; }
  std::string State() const { return dir_ + "/state.aupreset"; }

  // The pointer's place in the window.
  bool PointerAt(int x, int y) {
    Window root = 0, child = 0;
    int rx = 0, ry = 0, wx = 0, wy = 0;
    unsigned int mask = 0;
    return XQueryPointer(x_, window_, &root, &child, &rx, &ry, &wx, &wy, &mask) && wx == x && wy == y;
  }
  // Waits (at most 3 s) for done.
  template <typename F> bool Eventually(F done) {
    for (int i = 0; i < 150; ++i) {
      if (done()) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
  }

  // A drag as a hand makes it: a press at (x, y) of the window, n moves of dy (each its own xdotool
  // process, 16 ms apart; relative as a mouse gives them, else absolute as a tablet does), the
  // release; key is held throughout when given.
  void Drag(int x, int y, int n, int dy, bool relative, const std::string& key = "") {
    const std::string sx = std::to_string(x);
    EXPECT_EQ(Xdo({"mousemove", "--window", wid_, sx, std::to_string(y)}), 0);
    if (!key.empty()) Xdo({"keydown", key});
    Xdo({"mousedown", "1"});
    for (int i = 1; i <= n; ++i) {
      if (relative)
        Xdo({"mousemove_relative", "--", "0", std::to_string(dy)});
      else
        Xdo({"mousemove", "--window", wid_, sx, std::to_string(y + i * dy)});
      std::this_thread::sleep_for(std::chrono::milliseconds(16));
    }
    Xdo({"mouseup", "1"});
    if (!key.empty()) Xdo({"keyup", key});
    EXPECT_TRUE(Eventually([&] { return PointerAt(x, y); })) << "the pointer did not come back to " << x << "," << y;
  }

  // What the window shows (the part on the screen).
  Shot Screenshot() {
    Shot s;
    XWindowAttributes a{};
    Window child = 0;
    int rx = 0, ry = 0;
    if (!XGetWindowAttributes(x_, window_, &a) ||
        !XTranslateCoordinates(x_, window_, DefaultRootWindow(x_), 0, 0, &rx, &ry, &child))
      return s;
    s.w = std::min(a.width, DisplayWidth(x_, 0) - rx);
    s.h = std::min(a.height, DisplayHeight(x_, 0) - ry);
    XImage* image = XGetImage(x_, DefaultRootWindow(x_), rx, ry, s.w, s.h, AllPlanes, ZPixmap);
    if (image == nullptr) return Shot();
    s.px.resize(static_cast<size_t>(s.w) * s.h);
    for (int y = 0; y < s.h; ++y)
      for (int x = 0; x < s.w; ++x) s.px[static_cast<size_t>(y) * s.w + x] = XGetPixel(image, x, y);
    XDestroyImage(image);
    return s;
  }
  // Where the message box's default button (the desktop's highlight blue, of a button's size) is;
  // empty when none.
  Rect DefaultButton() {
    const Shot s = Screenshot();
    const Rect r = Find(s, 0, 0, s.w - 1, s.h - 1, 45, 110, 220);
    const int w = r.right - r.left + 1, h = r.bottom - r.top + 1;
    return w >= 60 && w <= 150 && h >= 18 && h <= 26 ? r : Rect();
  }
  // Opens the About box from the plugin menu at the editor's scale; its default button.
  Rect OpenAbout(double scale) {
    Xdo({"mousemove", "--window", wid_, std::to_string(static_cast<int>(101 * scale)),
         std::to_string(static_cast<int>(29 * scale)), "click", "1"});
    // The menu (the desktop's panel grey below the button) is up: its second item is About.
    EXPECT_TRUE(Eventually([&] {
      int n = 0;
      Find(Screenshot(), static_cast<int>(86 * scale), static_cast<int>(40 * scale), static_cast<int>(86 * scale) + 60,
           static_cast<int>(40 * scale) + 30, 246, 246, 246, &n);
      return n > 600;
    })) << "no plugin menu";
    Xdo({"key", "Down", "Down", "Return"});
    Rect b;
    EXPECT_TRUE(Eventually([&] { return (b = DefaultButton()).right >= 0; })) << "no About box";
    return b;
  }
  // The whole box is in the window: its button, and its border above and below the button (in the
  // column just inside the box's right edge).
  void ExpectBoxInside(const Rect& b, int windowHeight) {
    const Shot s = Screenshot();
    ASSERT_EQ(s.h, windowHeight);
    EXPECT_GE(b.bottom - b.top + 1, 20);
    EXPECT_GE(b.right - b.left + 1, 70);
    const int x = b.right + 8;
    auto border = [&](int from, int step) {
      for (int y = from; y >= 0 && y < s.h; y += step)
        if (s.is(x, y, 150, 150, 150)) return y;
      return -1;
    };
    const int top = border(b.top, -1), bottom = border(b.bottom, +1);
    EXPECT_GE(top, 0) << "the box's top is not in the window";
    EXPECT_GT(bottom, b.bottom) << "the box's bottom is not in the window";
    EXPECT_GE(b.bottom - top, 60) << "the box shows too little text";
  }
  void ExpectClosedWell(const RunResult& r, double gain) {
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NEAR(JsonField(r.out, "Gain"), gain, 1e-6) << r.out;
    EXPECT_TRUE(Exists(State()));
  }

  Display* x_ = nullptr;
  pid_t host_ = -1;
  unsigned long window_ = 0;
  std::string wid_;
};

TEST_F(EditorWindowUseTest, KnobsTurnWithAHandsMovesAsFarAsInAScript) {
  ASSERT_TRUE(Open({}));
  // Gain (big knob) and Attack with a mouse, Drive and Release with a tablet; each 80 units up.
  Drag(101, 145, 20, -4, true);
  Drag(743, 157, 20, -4, false);
  Drag(188, 157, 20, -4, true, "shift");
  Drag(257, 157, 20, -4, false, "shift");
  // While a value is typed into the Ceiling knob the editor has the keyboard: Ctrl+W is the
  // text's; Escape ends the typing and Ctrl+W then closes the window.
  Xdo({"mousemove", "--window", wid_, "899", "145", "click", "--repeat", "2", "--delay", "80", "1"});
  EXPECT_TRUE(Eventually([&] {
    // The entry's white field with its text selected (grey).
    const Shot s = Screenshot();
    int white = 0, selected = 0;
    Find(s, 876, 140, 920, 150, 255, 255, 255, &white);
    Find(s, 876, 140, 920, 150, 204, 204, 204, &selected);
    return white + selected > 200;
  })) << "no value entry opened";
  Xdo({"key", "ctrl+w"});
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_TRUE(Running()) << "Ctrl+W closed the window while a value was typed";
  Xdo({"key", "Escape", "ctrl+w"});
  const RunResult window = Finish();
  ASSERT_EQ(window.exitCode, 0) << window.err;
  EXPECT_TRUE(Exists(State()));

  const std::string script = dir_ + "/drags.txt";
  std::ofstream(script) << "drag 101 145 101 65\ndrag 743 157 743 77\ndrag 188 157 188 77 shift\n"
                           "drag 257 157 257 77 shift\n";
  const RunResult scripted = RunHost({"editor", "--events", script, "--json"}, dir_);
  ASSERT_EQ(scripted.exitCode, 0) << scripted.err;
  for (const char* name : {"Gain", "Drive", "Attack", "Release"}) {
    const double want = JsonField(scripted.out, name), got = JsonField(window.out, name);
    EXPECT_NEAR(got, want, 0.03 * std::fabs(want)) << name;
  }
  // Shift gives a tenth of the travel: 80 of Attack's 2000 units.
  EXPECT_NEAR(JsonField(window.out, "Attack"), 1000.0 * 0.04 * 0.04, 0.1);
}

TEST_F(EditorWindowUseTest, TheAboutBoxFitsTheWindowAndClosesByButtonReturnAndEscape) {
  ASSERT_TRUE(Open({"--set", "gain=3"}));
  Rect b = OpenAbout(1.0);
  ExpectBoxInside(b, 270);
  Xdo({"mousemove", "--window", wid_, std::to_string((b.left + b.right) / 2), std::to_string((b.top + b.bottom) / 2),
       "click", "1"});
  EXPECT_TRUE(Eventually([&] { return DefaultButton().right < 0; })) << "a click on OK did not close it";
  OpenAbout(1.0);
  Xdo({"key", "Return"});
  EXPECT_TRUE(Eventually([&] { return DefaultButton().right < 0; })) << "Return did not close it";
  Xdo({"key", "ctrl+q"});
  ExpectClosedWell(Finish(), 3.0);

  ASSERT_TRUE(Open({"--set", "gain=3", "--scale", "0.5"}));
  b = OpenAbout(0.5);
  ExpectBoxInside(b, 135);
  Xdo({"key", "Escape"});
  EXPECT_TRUE(Eventually([&] { return DefaultButton().right < 0; })) << "Escape did not close it";
  // Another program destroys the window.
  Xdo({"windowclose", wid_});
  ExpectClosedWell(Finish(), 3.0);
}

TEST_F(EditorWindowUseTest, TheWindowOfADisplayThatGoesAwayCountsAsClosed) {
  auto display = std::make_unique<xtest::VirtualDisplay>();
  ASSERT_FALSE(display->name().empty());
  const std::string own = display_.name();
  setenv("DISPLAY", display->name().c_str(), 1);
  const bool opened = Open({"--set", "gain=3"});
  setenv("DISPLAY", own.c_str(), 1);
  ASSERT_TRUE(opened);
  display.reset();
  ExpectClosedWell(Finish(), 3.0);
}

}  // namespace
