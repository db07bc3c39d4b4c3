// The limiter's editor in a real window on screens of a laptop's and a large
// monitor's size, used with real X input at a hand's pace (one xdotool process
// per move, keys 40 ms apart): the window opens wholly on the screen, keeps its
// top-left corner when the scale changes and stays on the screen, the scale it
// is shown at held to what the screen has room for while the state keeps the
// scale chosen; every item of the plugin menu and its "Fixed GUI Scale" submenu
// is reached with the mouse (a scroll arrow or the wheel scrolls a menu taller
// than the window) and with the keys at scales 0.5, 0.75 and 1; and after a
// menu closes, or a scale chosen in it moves the controls, the editor hovers
// what the pointer is really over; when the window moves under the resting
// pointer, the tooltip and the wheel follow where the pointer now is.
#include "EditorSession.h"

#include <sys/wait.h>

#include <fstream>

namespace {

using namespace hosttest;

// The desktop's menus: rows 20 points high, separators 9, 4 points above the
// first row and below the last. The plugin menu (253 points, taller than the
// window below scale 1) ends with "Set min GUI scale", a separator and "Fixed
// GUI Scale", whose submenu has 11 rows.
constexpr int kRow = 20, kSeparator = 9, kMenuMargin = 4, kScaleRows = 11;
// The panel colour of menus, their edge, the highlighted row and the tooltip's paper.
constexpr int kPanel[3] = {246, 246, 246}, kEdge[3] = {150, 150, 150}, kHighlight[3] = {45, 110, 220},
              kTooltip[3] = {255, 255, 225};

bool Is(const Shot& s, int x, int y, const int (&c)[3]) {
  return x >= 0 && y >= 0 && x < s.w && y < s.h && s.is(x, y, c[0], c[1], c[2]);
}
int Count(const Shot& s, const int (&c)[3]) {
  int n = 0;
  Find(s, 0, 0, s.w - 1, s.h - 1, c[0], c[1], c[2], &n);
  return n;
}
// How wide the pixels of colour c spread (0: there are none).
int Span(const Shot& s, const int (&c)[3]) {
  const Rect r = Find(s, 0, 0, s.w - 1, s.h - 1, c[0], c[1], c[2]);
  return r.right < 0 ? 0 : r.right - r.left + 1;
}

struct Geometry {
  int x = 0, y = 0, w = 0, h = 0;
};

class ReachTest : public EditorSessionTest {
protected:
  // Closes the window with Ctrl+W; the host's report.
  RunResult CloseWithKeys() {
    Xdo({"key", "ctrl+w"});
    return Finish();
  }
  bool Running() { return host_ > 0 && waitpid(host_, nullptr, WNOHANG) == 0; }
  static void Rest(int ms = 60) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

  // The window's place and size on the screen.
  Geometry Where() {
    XWindowAttributes a{};
    Window child = 0;
    Geometry g;
    if (XGetWindowAttributes(x_, window_, &a) &&
        XTranslateCoordinates(x_, window_, DefaultRootWindow(x_), 0, 0, &g.x, &g.y, &child))
      g.w = a.width, g.h = a.height;
    return g;
  }
  bool OnScreen(const Geometry& g) {
    return g.w > 0 && g.x >= 0 && g.y >= 0 && g.x + g.w <= DisplayWidth(x_, 0) && g.y + g.h <= DisplayHeight(x_, 0);
  }
  // The window's geometry once it has stopped changing for 0.9 s (the editor may still be taking
  // the last moves of a drag, slowly where it runs under a sanitizer).
  Geometry Steady() {
    Geometry g = Where(), was;
    for (int i = 0, same = 0; i < 60 && same < 3; ++i) {
      was = g;
      Rest(300);
      g = Where();
      same = (g.w == was.w && g.h == was.h && g.x == was.x && g.y == was.y) ? same + 1 : 0;
    }
    return g;
  }
  // Waits for the window to be width points wide (give or take slack), wholly on the screen; its
  // geometry.
  Geometry WaitForWidth(int width, int slack = 0) {
    Geometry g;
    EXPECT_TRUE(WaitFor([&] { return std::abs((g = Where()).w - width) <= slack && OnScreen(g); }))
        << "the window is " << g.w << "x" << g.h << " at " << g.x << "," << g.y << ", not " << width
        << " wide on the screen";
    return g;
  }

  // The pointer moved to (x, y) of the window, and a click there that leaves the pointer where it
  // is, at a hand's pace (apart from the click before, as Click keeps them).
  void Move(double x, double y) {
    Xdo({"mousemove", "--window", wid_, std::to_string(static_cast<int>(x)), std::to_string(static_cast<int>(y))});
    Rest();
  }
  void Press(double x, double y) {
    ApartFromLastClick(static_cast<int>(x), static_cast<int>(y));
    Move(x, y);
    Xdo({"click", "1"});
    Rest();
  }

  // Opens the plugin menu at the editor's scale k and waits for it.
  void OpenPluginMenu(double k) {
    const Shot before = Screenshot();
    panels_ = Count(before, kPanel);
    Press(101 * k, 29 * k);
    ASSERT_TRUE(WaitFor([&] { return Count(Screenshot(), kPanel) > panels_ + 3000; })) << "no plugin menu";
  }
  // Waits for the menu to close (the scale unchanged).
  void WaitForMenuToClose() {
    EXPECT_TRUE(WaitFor([&] { return Count(Screenshot(), kPanel) < panels_ + 100; })) << "the menu stayed open";
  }
  // Whether the plugin menu's button at the editor's scale k shows its plain frame: its grey bars
  // and none of the orange bars of its highlighted frame.
  bool MenuButtonPlain(double k) {
    const Shot s = Screenshot();
    int grey = 0, orange = 0;
    for (int y = static_cast<int>(18 * k); y < static_cast<int>(40 * k) && y < s.h; ++y)
      for (int x = static_cast<int>(86 * k); x < static_cast<int>(116 * k) && x < s.w; ++x) {
        grey += s.is(x, y, 181, 184, 188, 12);
        orange += s.is(x, y, 242, 164, 58, 40);
      }
    return grey > 0 && orange == 0;
  }

  int panels_ = 0;  // pixels of the menus' colour in the window before a menu opened
};

// On each screen: the window opens on it at scale 1 and at a saved scale of 2, and stays on it
// through scale changes from the plugin menu and the corner resizer.
class WindowPlacementTest : public ::testing::WithParamInterface<const char*>,
                            private xtest::ScreenSize,
                            public ReachTest {
protected:
  WindowPlacementTest() : xtest::ScreenSize(GetParam()) {}
};

TEST_P(WindowPlacementTest, TheWindowStaysOnTheScreenAtEveryScale) {
  // A state saved at 200 %.
  const std::string saved = dir_ + "/at200.aupreset";
  const std::string script = dir_ + "/at200.txt";
  std::ofstream(script) << "menu 15 6\nclick 101 29\nwait 100\n";
  const RunResult headless = RunHost({"editor", "--events", script, "--save-state", saved, "--json"}, dir_);
  ASSERT_EQ(headless.exitCode, 0) << headless.err;
  ASSERT_NEAR(JsonField(headless.out, "GUI Scale"), 2.0, 1e-6);

  // Opened, the window's top-left corner lies 100 points in from the screen's, moved left only as
  // far as the window needs; the screen's width is what the editor is held to where 200 % or
  // 300 % is wider. Closed untouched, the state still says 200 %, saved and read again.
  const std::string kept = dir_ + "/kept.aupreset";
  ASSERT_TRUE(Start({"--load-state", saved, "--save-state", kept}));
  const int screen = DisplayWidth(x_, 0);
  auto widest = [&](int wanted) { return std::min(wanted, screen); };
  Geometry g = WaitForWidth(widest(2000), 1);
  EXPECT_EQ(g.x, std::min(100, screen - g.w));
  EXPECT_EQ(g.y, 100);
  RunResult r = CloseWithKeys();
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NEAR(JsonField(r.out, "GUI Scale"), 2.0, 1e-6) << r.out;
  std::ofstream(script) << "wait 1\n";
  r = RunHost({"editor", "--events", script, "--load-state", kept, "--json"}, dir_);
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NEAR(JsonField(r.out, "GUI Scale"), 2.0, 1e-6) << r.out;

  ASSERT_TRUE(Start({"--load-state", kept}));
  g = WaitForWidth(widest(2000), 1);
  const Geometry at200 = g;

  // "Reset GUI scale" with the keys: the top-left corner stays.
  OpenPluginMenu(g.w / 1000.0);
  Keys({"End", "Up", "Up", "Return"});
  g = WaitForWidth(1000);
  EXPECT_EQ(g.x, at200.x);
  EXPECT_EQ(g.y, at200.y);

  // "Fixed GUI Scale" 300 % with the keys: held to the screen's width, moved onto it.
  OpenPluginMenu(1.0);
  Keys({"End", "Right", "End", "Return"});
  g = WaitForWidth(widest(3000), 1);
  EXPECT_EQ(g.y, at200.y);

  // The corner resizer dragged to half the size: the top-left corner stays.
  const Geometry big = g;
  Move(g.w - 5, g.h - 5);
  Xdo({"mousedown", "1"});
  for (int i = 1; i <= 10; ++i) Move(g.w - 5 - i * (g.w / 20), g.h - 5 - i * (g.h / 20));
  Xdo({"mouseup", "1"});
  auto half = [&](const Geometry& at) {
    return at.w < big.w * 2 / 3 && at.w > big.w / 3 && at.x == big.x && at.y == big.y;
  };
  WaitFor([&] { return half(Where()); });
  g = Steady();
  EXPECT_TRUE(half(g)) << g.w << "x" << g.h << " at " << g.x << "," << g.y;

  // ... and past the screen's bottom-right corner: held to the screen, on it.
  Move(g.w - 5, g.h - 5);
  Xdo({"mousedown", "1"});
  for (int i = 1; i <= 10; ++i) {
    Xdo({"mousemove", std::to_string(g.x + g.w + i * (screen - g.x - g.w) / 10),
         std::to_string(g.y + g.h + i * (DisplayHeight(x_, 0) - g.y - g.h) / 10)});
    Rest();
  }
  Xdo({"mousemove", std::to_string(screen - 1), std::to_string(DisplayHeight(x_, 0) - 1)});
  Rest();
  Xdo({"mouseup", "1"});
  EXPECT_TRUE(WaitFor([&] { return (g = Where()).w >= std::min(screen - 40, 2900) && OnScreen(g); }))
      << g.w << "x" << g.h << " at " << g.x << "," << g.y;
  // The scale resized to by hand, the largest the screen has room for, is the one kept.
  r = CloseWithKeys();
  EXPECT_EQ(r.exitCode, 0) << r.err;
  const double byHand = JsonField(r.out, "GUI Scale");
  EXPECT_GE(byHand, std::min(screen - 40, 2900) / 1000.0 - 0.005) << r.out;
  EXPECT_LE(byHand, screen / 1000.0 + 0.005) << r.out;
}

INSTANTIATE_TEST_SUITE_P(Screens, WindowPlacementTest, ::testing::Values("1280x800", "2560x1440"));

// At each scale; below scale 1 the plugin menu is taller than the window.
class MenuReachTest : public ReachTest, public ::testing::WithParamInterface<double> {
protected:
  double Scale() const { return GetParam(); }
  int Width() const { return static_cast<int>(1000 * Scale()); }
  int Height() const { return static_cast<int>(270 * Scale()); }
  // The submenu item chosen ("100%", or "75%" at 100 %) and the width it gives.
  int Target() const { return Scale() == 1.0 ? 1 : 2; }
  int TargetWidth() const { return Target() == 1 ? 750 : 1000; }
};

TEST_P(MenuReachTest, TheLastItemsOfThePluginMenuAreReachedWithTheMouse) {
  ASSERT_TRUE(Start({"--scale", std::to_string(Scale())}));
  WaitForWidth(Width());
  const double k = Scale(), left = 86 * k + 40;
  OpenPluginMenu(k);
  // The pointer rests on the arrow at the bottom of a menu taller than the window: the menu
  // scrolls to its end, where "Fixed GUI Scale" comes under the pointer and opens its submenu on
  // the right, no taller than the window. Both end at the window's bottom, where their edges
  // cross the margin below their last rows.
  Move(left, Height() - kMenuMargin - kRow / 2);
  int edge = -1;
  EXPECT_TRUE(WaitFor([&] {
    const Shot s = Screenshot();
    edge = -1;
    for (int x = static_cast<int>(left); x < s.w && edge < 0; ++x)
      if (Is(s, x, Height() - 2, kEdge)) edge = x;
    return edge > 0 && Is(s, edge + 10, Height() - 2, kPanel);
  })) << "no submenu";
  const int submenuTop = std::max(0, Height() - (2 * kMenuMargin + kScaleRows * kRow));
  Press(edge + 25, submenuTop + kMenuMargin + Target() * kRow + kRow / 2);
  WaitForWidth(TargetWidth());

  // "Set min GUI scale", the last plain item, at the new scale; the wheel scrolls the menu to its
  // end where it is taller than the window.
  const double now = TargetWidth() / 1000.0;
  const int height = static_cast<int>(270 * now);
  OpenPluginMenu(now);
  Move(86 * now + 40, height / 2);
  for (int i = 0; i < 12; ++i) {
    Xdo({"click", "5"});
    Rest(40);
  }
  Press(86 * now + 40, height - kMenuMargin - kRow - kSeparator - kRow / 2);
  WaitForWidth(500);
  EXPECT_EQ(CloseWithKeys().exitCode, 0);
}

TEST_P(MenuReachTest, TheLastItemsOfThePluginMenuAreReachedWithTheKeys) {
  ASSERT_TRUE(Start({"--scale", std::to_string(Scale())}));
  WaitForWidth(Width());
  OpenPluginMenu(Scale());
  // Nine steps down lead to "Set min GUI scale": the highlight stays in view.
  Keys(std::vector<std::string>(9, "Down"));
  EXPECT_TRUE(WaitFor([&] { return Count(Screenshot(), kHighlight) > 60 * kRow; })) << "the highlight is out of view";
  // Two up: "Tooltips", turned off.
  Keys({"Up", "Up", "Return"});
  WaitForMenuToClose();
  OpenPluginMenu(Scale());
  Keys({"End", "Right"});
  Keys(std::vector<std::string>(Target(), "Down"));
  Keys({"Return"});
  WaitForWidth(TargetWidth());
  // The pointer rests where it pressed the button, which at the new scale lies beside it: the
  // button is not highlighted.
  EXPECT_TRUE(WaitFor([&] { return MenuButtonPlain(TargetWidth() / 1000.0); }))
      << "the menu's button stays highlighted";
  const RunResult r = CloseWithKeys();
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(JsonField(r.out, "Toggle Tooltips"), 0.0) << r.out;
}

INSTANTIATE_TEST_SUITE_P(Scales, MenuReachTest, ::testing::Values(0.5, 0.75, 1.0));

// After a menu closes over another control, with the pointer held still, that control is the
// one under the pointer: the plugin menu's button loses its highlight and the tooltip that comes
// is the control's. Ctrl+W does nothing while the menu is open; a knob turns after it.
TEST_F(ReachTest, AfterAMenuTheEditorHoversWhatThePointerIsOver) {
  ASSERT_TRUE(Start({}));
  WaitForWidth(1000);
  Move(600, 20);
  Rest(300);
  const Shot plain = Screenshot();
  // Pixels of the plugin menu's button that differ between two pictures.
  auto button = [](const Shot& s, const Shot& o) {
    int differ = 0;
    for (int y = 18; y < 40; ++y)
      for (int x = 86; x < 116; ++x)
        differ += s.px[static_cast<size_t>(y) * s.w + x] != o.px[static_cast<size_t>(y) * o.w + x];
    return differ;
  };
  OpenPluginMenu(1.0);
  Keys({"ctrl+w"});
  Rest(300);
  EXPECT_TRUE(Running()) << "Ctrl+W closed the window while the menu was open";
  // Over the Attack knob, which the menu covers; Escape closes the menu.
  Move(150, 120);
  Move(188, 157);
  Keys({"Escape"});
  WaitForMenuToClose();
  EXPECT_TRUE(WaitFor([&] { return button(Screenshot(), plain) == 0; })) << "the menu's button stays highlighted";
  // "Attack" makes a narrow tooltip, "Plugin info and options" one over 100 points wide.
  EXPECT_TRUE(WaitFor([&] { return Span(Screenshot(), kTooltip) > 0; })) << "no tooltip";
  Rest(200);
  const int tooltip = Span(Screenshot(), kTooltip);
  EXPECT_GT(tooltip, 0);
  EXPECT_LT(tooltip, 100) << "the tooltip is the menu button's";

  // The Gain knob turns with the next drag.
  Move(101, 145);
  Xdo({"mousedown", "1"});
  for (int i = 0; i < 10; ++i) {
    Xdo({"mousemove_relative", "--", "0", "-4"});
    Rest(16);
  }
  Xdo({"mouseup", "1"});
  Rest(200);

  // A scale chosen with the keys moves the controls under the resting pointer: the tooltip that
  // comes is the one of what lies under it now. Beside the menu over the IN meter button at
  // 100 %, the pointer is over the Ceiling knob at 50 %, whose tooltip is narrow.
  OpenPluginMenu(1.0);
  Move(465, 70);
  Keys({"End", "Right", "Return"});
  WaitForWidth(500);
  int span = 0;
  EXPECT_TRUE(WaitFor([&] { return (span = Span(Screenshot(), kTooltip)) > 0; })) << "no tooltip at 50 %";
  EXPECT_LT(span, 100) << "the tooltip is the meter button's";
  const RunResult r = CloseWithKeys();
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_GT(JsonField(r.out, "Gain"), 0.0) << r.out;
}

// On a laptop's screen, where 200 % and 300 % are held to its width and move the window left.
class LaptopScreenTest : private xtest::ScreenSize, public ReachTest {
protected:
  LaptopScreenTest() : xtest::ScreenSize("1280x800") {}

  // The window's picture once a tooltip has come, the same in two shots apart (a resized window
  // may show its old picture for a moment); empty when none came within 10 s.
  Shot WithTooltip() {
    Shot s, last;
    const bool came = WaitFor([&] {
      last = std::move(s);
      Rest(40);
      s = Screenshot();
      return Span(s, kTooltip) > 0 && s.w == last.w && s.h == last.h && s.px == last.px;
    }, 10);
    return came ? s : Shot();
  }
  // The picture of a fresh hover at (x, y) of the screen: the pointer leaves the window, its
  // tooltip goes, and it comes back there and rests until the tooltip comes.
  Shot FreshHover(int x, int y) {
    Xdo({"mousemove", "640", "790"});
    EXPECT_TRUE(WaitFor([&] { return Span(Screenshot(), kTooltip) == 0; })) << "the tooltip stayed";
    Xdo({"mousemove", std::to_string(x), std::to_string(y)});
    return WithTooltip();
  }
  // Expects the picture after a scale change chosen with the pointer resting at (x, y) of the
  // screen to be the one of a fresh hover there: the same control hovered, the same tooltip
  // drawn in the same place.
  void ExpectAsAFreshHover(const Shot& after, int x, int y, const char* what) {
    ASSERT_GT(after.w, 0) << what << ": no tooltip";
    const Shot fresh = FreshHover(x, y);
    ASSERT_GT(fresh.w, 0) << what << ": no tooltip after a fresh hover";
    ASSERT_TRUE(after.w == fresh.w && after.h == fresh.h) << what;
    Rect differ;
    for (int py = 0; py < fresh.h; ++py)
      for (int px = 0; px < fresh.w; ++px)
        if (after.px[static_cast<size_t>(py) * after.w + px] != fresh.px[static_cast<size_t>(py) * fresh.w + px]) {
          differ.left = std::min(differ.left, px), differ.right = std::max(differ.right, px);
          differ.top = std::min(differ.top, py), differ.bottom = std::max(differ.bottom, py);
        }
    const Rect a = Find(after, 0, 0, after.w - 1, after.h - 1, kTooltip[0], kTooltip[1], kTooltip[2]);
    const Rect f = Find(fresh, 0, 0, fresh.w - 1, fresh.h - 1, kTooltip[0], kTooltip[1], kTooltip[2]);
    EXPECT_LT(differ.right, 0) << what << ": the picture differs from a fresh hover's in " << differ.left << ","
                               << differ.top << " to " << differ.right << "," << differ.bottom
                               << "; the tooltip lies at " << a.left << "," << a.top << ", a fresh hover's at "
                               << f.left << "," << f.top;
  }
};

// A scale chosen with the keys moves the window left under a pointer held still: the tooltip that
// comes is the one of the control now under the pointer, drawn beside the pointer where it now
// is, as a fresh hover there draws it. So too when another program moves the window, and the
// wheel then turns what lies under the pointer.
TEST_F(LaptopScreenTest, AfterAScaleChangeMovesTheWindowTheTooltipIsAFreshHovers) {
  ASSERT_TRUE(Start({}));
  Geometry g = WaitForWidth(1000);
  ASSERT_EQ(g.x, 100);
  // 200 % (held to 128 %) with the pointer 850 points into the window, beside the Channel link
  // knob: once the window lies at the screen's left edge, the pointer is over Drive.
  const int y = g.y + 200;
  OpenPluginMenu(1.0);
  Xdo({"mousemove", "950", std::to_string(y)});
  Rest();
  Keys({"End", "Right", "Down", "Down", "Down", "Down", "Down", "Down", "Return"});
  g = WaitForWidth(1280);
  ASSERT_EQ(g.x, 0);
  ExpectAsAFreshHover(WithTooltip(), 950, y, "200 %");

  // Back to 100 %; the window moved to x = 100 by another program under the pointer held still
  // beside the Release knob leaves the pointer over Attack, whose tooltip comes beside it.
  OpenPluginMenu(1.28);
  Keys({"End", "Up", "Up", "Return"});
  WaitForWidth(1000);
  Xdo({"mousemove", "288", std::to_string(g.y + 157)});
  Rest();
  Xdo({"windowmove", wid_, "100", std::to_string(g.y)});
  ASSERT_TRUE(WaitFor([&] { return Where().x == 100; }));
  const Shot moved = WithTooltip();
  const Rect tip = Find(moved, 0, 0, moved.w - 1, moved.h - 1, kTooltip[0], kTooltip[1], kTooltip[2]);
  EXPECT_TRUE(tip.left > 188 && tip.left < 188 + 20 && tip.top > 157 && tip.top < 157 + 30 &&
              tip.right - tip.left < 100)
      << "after the window moved, no narrow tooltip beside the pointer at 188,157 (one at " << tip.left << ","
      << tip.top << " to " << tip.right << "," << tip.bottom << ")";
  // The wheel there turns Attack (checked at the end), not what lay under the pointer before.
  for (int i = 0; i < 3; ++i) {
    Xdo({"click", "4"});
    Rest(40);
  }

  // 300 % with the pointer over the Gain knob's edge, which leaves it over Attack.
  OpenPluginMenu(1.0);
  Xdo({"mousemove", "240", std::to_string(y)});
  Rest();
  Keys({"End", "Right", "End", "Return"});
  g = WaitForWidth(1280);
  ASSERT_EQ(g.x, 0);
  ExpectAsAFreshHover(WithTooltip(), 240, y, "300 %");
  const RunResult r = CloseWithKeys();
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_GT(JsonField(r.out, "Attack"), 0.0) << r.out;
  EXPECT_EQ(JsonField(r.out, "Gain"), 0.0) << r.out;
}

}  // namespace
