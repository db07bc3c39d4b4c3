// `orbex9-host editor` with a display: the limiter's editor in a real window
// on an X server of the test's own (Xvfb), a knob dragged with real X input
// (xdotool), the window closed as a window manager closes it; the host then
// saves the state and reports the values the knob set. Skipped with a clear
// message where Xvfb cannot start.
#include "HostRun.h"
#include "tests/platform/DesktopTest.h"

#include <X11/Xlib.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <thread>

namespace {

using namespace hosttest;

// The Gain knob's centre in editor units (the editor opens at scale 1).
constexpr int kGainX = 101, kGainY = 145;

class EditorWindowTest : public xtest::DesktopTest {
protected:
  void SetUp() override {
    xtest::DesktopTest::SetUp();
    if (IsSkipped()) return;
    char tmpl[] = "/tmp/orbex9-window-test-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
  }
  void TearDown() override {
    if (!dir_.empty()) std::system(("rm -rf '" + dir_ + "'").c_str());
  }

  // The id of the first visible window named name, waiting for it (at most 20 s).
  unsigned long FindWindow(const std::string& name) {
    int fds[2];
    if (pipe(fds) != 0) return 0;
    const pid_t pid =
        xtest::Spawn({"timeout", "20", "xdotool", "search", "--sync", "--onlyvisible", "--name", name}, fds[1]);
    close(fds[1]);
    const std::string out = ReadAll(fds[0]);
    close(fds[0]);
    if (pid > 0) xtest::Wait(pid);
    return std::strtoul(out.c_str(), nullptr, 10);
  }

  // Asks the window to close as a window manager does when its close button is pressed.
  bool CloseWindow(unsigned long id) {
    Display* d = XOpenDisplay(display_.name().c_str());
    if (d == nullptr) return false;
    XEvent e{};
    e.xclient.type = ClientMessage;
    e.xclient.window = id;
    e.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
    e.xclient.format = 32;
    e.xclient.data.l[0] = static_cast<long>(XInternAtom(d, "WM_DELETE_WINDOW", False));
    e.xclient.data.l[1] = CurrentTime;
    const Status sent = XSendEvent(d, id, False, NoEventMask, &e);
    XFlush(d);
    XCloseDisplay(d);
    return sent != 0;
  }

  // Waits for the host; one that has not ended after a minute is stopped.
  RunResult FinishBounded(pid_t host) {
    std::mutex m;
    std::condition_variable cv;
    bool done = false;
    std::thread watchdog([&] {
      std::unique_lock<std::mutex> lock(m);
      if (!cv.wait_for(lock, std::chrono::seconds(60), [&] { return done; })) kill(host, SIGKILL);
    });
    RunResult r = FinishHost(host, dir_);
    {
      std::lock_guard<std::mutex> lock(m);
      done = true;
    }
    cv.notify_one();
    watchdog.join();
    return r;
  }

  std::string dir_;
};

TEST_F(EditorWindowTest, AKnobDraggedWithTheMouseIsSavedAtClose) {
  const std::string state = dir_ + "/state.aupreset";
  const pid_t host = StartHost({"editor", "--save-state", state, "--json"}, dir_);
  ASSERT_GT(host, 0);
  const unsigned long window = FindWindow("ORBEX9");
  if (window == 0) {
    kill(host, SIGKILL);
    FinishBounded(host);
    FAIL() << "the editor's window did not appear";
  }
  const std::string wid = std::to_string(window);
  EXPECT_EQ(Xdo({"mousemove", "--window", wid, std::to_string(kGainX), std::to_string(kGainY), "mousedown", "1",
                 "mousemove", "--window", wid, std::to_string(kGainX), std::to_string(kGainY - 20), "mousemove",
                 "--window", wid, std::to_string(kGainX), std::to_string(kGainY - 40), "mouseup", "1"}),
            0);
  EXPECT_TRUE(CloseWindow(window));
  const RunResult r = FinishBounded(host);
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_GT(JsonField(r.out, "Gain"), 0.0) << r.out;
  EXPECT_TRUE(Exists(state));
}

}  // namespace
