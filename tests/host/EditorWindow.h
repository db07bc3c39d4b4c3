#pragma once
// The editor of `orbex9-host editor` in a real window on an X server of the
// test's own (Xvfb), driven with real X input (xdotool). Skipped with a clear
// message where Xvfb cannot start.
#include "HostRun.h"
#include "tests/platform/DesktopTest.h"

#include <X11/Xlib.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <thread>

namespace hosttest {

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
    std::vector<std::string> args = {"timeout", "20", "xdotool", "search", "--sync", "--onlyvisible", "--name", name};
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    pid_t pid = -1;
    if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
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

  // Opens the editor of the component at bundle in a window titled title,
  // drags from (x, y) by dy with the mouse and closes the window; the host's
  // report and whether it saved the state.
  RunResult DragInWindow(const std::string& bundle, const std::string& title, int x, int y, int dy, bool& saved) {
    const std::string state = dir_ + "/state.aupreset";
    std::vector<std::string> args = {"editor", "--save-state", state, "--json"};
    if (!bundle.empty()) args.insert(args.end(), {"--component", bundle});
    const pid_t host = StartHost(args, dir_);
    EXPECT_GT(host, 0);
    const unsigned long window = FindWindow(title);
    if (window == 0) {
      kill(host, SIGKILL);
      FinishBounded(host);
      ADD_FAILURE() << "the editor's window did not appear";
      return RunResult();
    }
    const std::string wid = std::to_string(window), sx = std::to_string(x);
    EXPECT_EQ(Xdo({"mousemove", "--window", wid, sx, std::to_string(y), "mousedown", "1", "mousemove", "--window",
                   wid, sx, std::to_string(y + dy / 2), "mousemove", "--window", wid, sx, std::to_string(y + dy),
                   "mouseup", "1"}),
              0);
    EXPECT_TRUE(CloseWindow(window));
    const RunResult r = FinishBounded(host);
    saved = Exists(state);
    return r;
  }

  std::string dir_;
};

}  // namespace hosttest
