// Tests of real desktop windows: starting and waiting for a program, an X server of their own
// (Xvfb) on a free display, told by the server itself (-displayfd), and a fixture that shows
// windows there and drives them with real X input (xdotool). Skipped with a clear message where
// Xvfb cannot start.
#pragma once

#include <AppKit/NSDesktop.h>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <utility>
#include <vector>

extern char** environ;

namespace xtest {

// Starts a program; -1 when it cannot be started. Its output goes nowhere unless keepFd is
// given (then standard output stays as it is).
inline pid_t Spawn(std::vector<std::string> args, int keepFd = -1) {
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (keepFd < 0) posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = -1;
  if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  return pid;
}

// The program's exit code; -1 when it did not exit normally.
inline int Wait(pid_t pid) {
  int status = 0;
  if (waitpid(pid, &status, 0) != pid) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// An X server on a free display with one screen of size ("WIDTHxHEIGHT"); name() is empty when
// it could not start.
class VirtualDisplay {
 public:
  explicit VirtualDisplay(const std::string& size = "1024x768") {
    int fds[2];
    if (pipe(fds) != 0) return;
    pid_ = Spawn({"Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0", size + "x24", "-nolisten", "tcp"},
                 fds[1]);
    close(fds[1]);
    if (pid_ > 0) {
      std::string number;
      pollfd p{fds[0], POLLIN, 0};
      char c = 0;
      while (poll(&p, 1, 15000) == 1 && read(fds[0], &c, 1) == 1 && c != '\n') number += c;
      if (!number.empty()) name_ = ":" + number;
    }
    close(fds[0]);
  }
  ~VirtualDisplay() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      Wait(pid_);
    }
  }
  VirtualDisplay(const VirtualDisplay&) = delete;
  VirtualDisplay& operator=(const VirtualDisplay&) = delete;
  const std::string& name() const { return name_; }

 private:
  pid_t pid_ = -1;
  std::string name_;
};

// The screen size the X server of the next desktop test gets; that test takes it and leaves the
// default for the one after it.
inline std::string& NextScreen() {
  static std::string size = "1024x768";
  return size;
}
// A base that a fixture lists before its desktop test base to give its X server another screen size
// ("WIDTHxHEIGHT").
struct ScreenSize {
  explicit ScreenSize(const std::string& size) { NextScreen() = size; }
};

class DesktopTest : public ::testing::Test {
 protected:
  DesktopTest() : display_(std::exchange(NextScreen(), "1024x768")) {}
  void SetUp() override {
    if (display_.name().empty()) GTEST_SKIP() << "Xvfb could not start here; the desktop window is not tested";
    setenv("DISPLAY", display_.name().c_str(), 1);
    unsetenv("WAYLAND_DISPLAY");
    unsetenv("ORBEX_HEADLESS");
    ASSERT_TRUE(nsx::DesktopAvailable()) << "the X server on " << display_.name() << " did not answer";
  }
  // Runs xdotool with arguments and waits for it (at most 20 s).
  int Xdo(std::vector<std::string> args) {
    args.insert(args.begin(), {"timeout", "20", "xdotool"});
    const pid_t pid = Spawn(args);
    return pid > 0 ? Wait(pid) : -1;
  }
  VirtualDisplay display_;
};

}  // namespace xtest
