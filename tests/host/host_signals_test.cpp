// End to end: a host stopped by SIGTERM, SIGINT, SIGHUP or SIGQUIT ends as
// that signal and leaves none of the temporary files it made, however many
// are pending (an editor run's pictures and state), nor the temporary file
// of a preset the component was saving when the signal came.
#include "HostRun.h"

#include <poll.h>
#include <sys/inotify.h>
#include <sys/resource.h>

#include <filesystem>
#include <fstream>

using namespace hosttest;

namespace {

const int kStopSignals[] = {SIGTERM, SIGINT, SIGHUP, SIGQUIT};

void WriteText(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

size_t Entries(const std::string& folder) {
  return static_cast<size_t>(
      std::distance(std::filesystem::directory_iterator(folder), std::filesystem::directory_iterator()));
}

}  // namespace

class HostSignals : public HostTest {
protected:
  // SIGQUIT would dump the host's core.
  void SetUp() override {
    HostTest::SetUp();
    ASSERT_EQ(getrlimit(RLIMIT_CORE, &mCore), 0);
    const rlimit none{0, mCore.rlim_max};
    ASSERT_EQ(setrlimit(RLIMIT_CORE, &none), 0);
  }
  void TearDown() override {
    setrlimit(RLIMIT_CORE, &mCore);
    HostTest::TearDown();
  }

private:
  rlimit mCore{};
};

#ifdef FXEDITOR_COMPONENT_PATH
TEST_F(HostSignals, EveryPendingPictureIsRemovedHoweverManyThereAre) {
  // The small component's editor draws fast. Pictures are pending (more
  // than 256 the first time, a few after), then one picture is drawn again
  // and again until the host is stopped.
  const std::string bundle =
      std::filesystem::path(FXEDITOR_COMPONENT_PATH).parent_path().parent_path().parent_path().string();
  const std::string pictures = Path("p"), script = Path("script.txt");
  std::string text;
  for (int i = 0; i < 260; ++i) text += "png " + pictures + "/" + std::to_string(i) + ".png\n";
  for (int i = 0; i < 5000; ++i) text += "png " + pictures + "/last.png\n";
  WriteText(script, text);
  size_t pending = 260;
  for (const int sig : kStopSignals) {
    SCOPED_TRACE(sig);
    std::filesystem::create_directory(pictures);
    const pid_t pid = StartHost(
        {"editor", "--component", bundle, "--events", script, "--save-state", Path("s.aupreset")}, dir);
    for (int i = 0; i < 60000 && Leftovers(pictures).size() < pending; ++i) usleep(1000);
    EXPECT_GE(Leftovers(pictures).size(), pending);
    pending = 3;
    kill(pid, sig);
    EXPECT_EQ(FinishHost(pid, dir).exitCode, 128 + sig);
    EXPECT_EQ(Entries(pictures), 0u) << "a picture or a temporary file is left";
    EXPECT_TRUE(Leftovers(dir).empty());
    EXPECT_FALSE(Exists(Path("s.aupreset")));
  }
}
#endif

TEST_F(HostSignals, APresetBeingSavedIsCompletedBeforeTheHostStops) {
  // The limiter's preset menu (at the preset name) and its save item, the
  // same preset saved again and again; the signal is sent the moment a
  // save's temporary file appears.
  const std::string presets = Path("presets"), preset = presets + "/p.qvs", script = Path("script.txt");
  std::string text;
  for (int i = 0; i < 500; ++i) text += "save " + preset + "\nmenu 5\nclick 500 19\n";
  WriteText(script, text);
  std::filesystem::create_directory(presets);
  for (const int sig : kStopSignals) {
    SCOPED_TRACE(sig);
    const int watch = inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
    ASSERT_GE(watch, 0);
    ASSERT_GE(inotify_add_watch(watch, presets.c_str(), IN_CREATE), 0);
    const pid_t pid = StartHost({"editor", "--events", script}, dir);
    bool seen = false;
    for (int turn = 0; turn < 30000 && !seen; ++turn) {
      pollfd p{watch, POLLIN, 0};
      if (poll(&p, 1, 1) <= 0) continue;
      alignas(inotify_event) char buf[4096];
      const ssize_t n = read(watch, buf, sizeof buf);
      for (ssize_t at = 0; at < n && !seen;) {
        const auto* e = reinterpret_cast<const inotify_event*>(buf + at);
        seen = e->len > 0 && std::string(e->name).rfind(".orbex9-save-", 0) == 0;
        at += static_cast<ssize_t>(sizeof(inotify_event) + e->len);
      }
    }
    close(watch);
    EXPECT_TRUE(seen);
    kill(pid, sig);
    EXPECT_EQ(FinishHost(pid, dir).exitCode, 128 + sig);
    // Only the preset, whole.
    EXPECT_EQ(Entries(presets), 1u) << "a temporary file is left";
    std::ifstream f(preset, std::ios::binary);
    const std::string saved((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    EXPECT_NE(saved.find("</PresetXMLTree>"), std::string::npos) << saved;
  }
}
