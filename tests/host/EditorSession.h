#pragma once
// One `orbex9-host editor` in its window on the test's X server, used with real X input at a
// hand's pace (one xdotool process per action, some milliseconds apart): what its window shows,
// clicks, menus chosen with the keyboard, typed keys, and waits for what the window shows with
// deadlines generous enough for a loaded machine.
#include "EditorWindow.h"
#include "WindowShot.h"

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace hosttest {

class EditorSessionTest : public EditorWindowTest {
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

  // Starts the editor with args after "editor" (with PATH as path, when given) and waits for its
  // window.
  bool Start(const std::vector<std::string>& args, const char* path = nullptr) {
    std::vector<std::string> all = {"editor", "--json"};
    all.insert(all.end(), args.begin(), args.end());
    const std::string ownPath = std::getenv("PATH") != nullptr ? std::getenv("PATH") : "";
    if (path != nullptr) setenv("PATH", path, 1);
    host_ = StartHost(all, dir_);
    setenv("PATH", ownPath.c_str(), 1);
    window_ = host_ > 0 ? FindWindow("ORBEX9") : 0;
    wid_ = std::to_string(window_);
    return window_ != 0 && Xdo({"windowfocus", "--sync", wid_}) == 0;
  }
  // Waits for the host to end; its report.
  RunResult Finish() {
    const RunResult r = FinishBounded(host_);
    host_ = -1;
    return r;
  }
  // Closes the window as its close button does; the host's report.
  RunResult Stop() {
    EXPECT_TRUE(CloseWindow(window_));
    return Finish();
  }

  Shot Screenshot() { return TakeShot(x_, window_); }
  // Waits (at most seconds) for done.
  template <typename F> bool WaitFor(F done, int seconds = 20) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (!done()) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
  }
  static void Pause() { std::this_thread::sleep_for(std::chrono::milliseconds(20)); }

  // Before a press at (x, y) (of the window, or of the screen): a press near the last one within
  // the desktop's double-click interval counts as a double click, so one near it (or in other
  // coordinates, which cannot be compared) comes at least 0.6 s after it; one elsewhere at once.
  void ApartFromLastClick(int x, int y, bool onScreen = false) {
    const bool near = onScreen != lastClickOnScreen_ ||
                      (std::abs(x - lastClickX_) <= 12 && std::abs(y - lastClickY_) <= 12);
    if (near) std::this_thread::sleep_until(lastClick_ + std::chrono::milliseconds(600));
    lastClick_ = std::chrono::steady_clock::now();
    lastClickX_ = x, lastClickY_ = y, lastClickOnScreen_ = onScreen;
  }
  // A click at (x, y) of the window, apart from the one before (ApartFromLastClick); the pointer
  // then rests where no control is, so no hover or tooltip covers what is read next.
  void Click(int x, int y) {
    ApartFromLastClick(x, y);
    Xdo({"mousemove", "--window", wid_, std::to_string(x), std::to_string(y)});
    Pause();
    Xdo({"click", "1"});
    Pause();
    Xdo({"mousemove", "--window", wid_, "640", "252"});
  }
  // Keys pressed one after another (xdotool key names), 40 ms apart.
  void Keys(std::vector<std::string> keys) {
    keys.insert(keys.begin(), {"key", "--delay", "40"});
    Xdo(keys);
  }
  // Opens the menu of the control at (x, y) and chooses its item reached by down presses of the
  // Down key; false when the menu (the desktop's panel grey at (probeX, probeY) and right and
  // below it) did not appear.
  bool ChooseFromMenu(int x, int y, int probeX, int probeY, int down) {
    Click(x, y);
    const bool shown = WaitFor([&] {
      int n = 0;
      Find(Screenshot(), probeX, probeY, probeX + 60, probeY + 30, 246, 246, 246, &n);
      return n > 600;
    });
    std::vector<std::string> keys(static_cast<size_t>(down), "Down");
    keys.push_back("Return");
    Keys(keys);
    return shown;
  }
  // Where the message box's default button (the desktop's highlight blue, of a button's size) is;
  // empty when none.
  Rect DefaultButton() {
    const Shot s = Screenshot();
    const Rect r = Find(s, 0, 0, s.w - 1, s.h - 1, 45, 110, 220);
    const int w = r.right - r.left + 1, h = r.bottom - r.top + 1;
    return w >= 60 && w <= 150 && h >= 18 && h <= 26 ? r : Rect();
  }

  std::chrono::steady_clock::time_point lastClick_;
  int lastClickX_ = 0, lastClickY_ = 0;
  bool lastClickOnScreen_ = false;
  Display* x_ = nullptr;
  pid_t host_ = -1;
  unsigned long window_ = 0;
  std::string wid_;
};

}  // namespace hosttest
