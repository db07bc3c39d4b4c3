#pragma once
// Runs the orbex9-host binary as a user would and reads what it wrote. Each
// fixture gets a scratch folder that also serves as HOME and XDG_DATA_HOME
// for the host, so the component's data folders and default preset never
// come from the machine's own user.

#include "ScratchDir.h"
#include "host/SoundFile.h"

#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <map>
#include <string>
#include <vector>

extern char** environ;

namespace hosttest {

struct RunResult {
  int exitCode = -1;
  std::string out, err;
  long peakMemoryKb = 0;  // the host's largest resident set
};

inline std::string ReadAll(int fd) {
  std::string s;
  char buf[4096];
  for (;;) {
    const ssize_t n = read(fd, buf, sizeof buf);
    if (n <= 0) break;
    s.append(buf, static_cast<size_t>(n));
  }
  return s;
}

// Starts the host with args; stdout and stderr go to files in dir. -1 when
// it cannot be started.
inline pid_t StartHost(const std::vector<std::string>& args, const std::string& dir) {
  const std::string outPath = dir + "/.stdout", errPath = dir + "/.stderr";
  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  posix_spawn_file_actions_addopen(&fa, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&fa, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  std::vector<std::string> argStore = {ORBEX9_HOST_PATH};
  argStore.insert(argStore.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& a : argStore) argv.push_back(a.data());
  argv.push_back(nullptr);
  std::vector<std::string> envStore;
  for (char** e = environ; *e != nullptr; ++e) {
    const std::string kv = *e;
    if (kv.rfind("HOME=", 0) == 0 || kv.rfind("XDG_DATA_HOME=", 0) == 0) continue;
    envStore.push_back(kv);
  }
  envStore.push_back("HOME=" + dir);
  envStore.push_back("XDG_DATA_HOME=" + dir + "/.local/share");
  std::vector<char*> envp;
  for (auto& e : envStore) envp.push_back(e.data());
  envp.push_back(nullptr);
  pid_t pid = 0;
  if (posix_spawn(&pid, argv[0], &fa, nullptr, argv.data(), envp.data()) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&fa);
  return pid;
}

// Waits for a host started in dir and reads what it printed.
inline RunResult FinishHost(pid_t pid, const std::string& dir) {
  RunResult r;
  if (pid > 0) {
    int status = 0;
    rusage usage {};
    wait4(pid, &status, 0, &usage);
    r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    r.peakMemoryKb = usage.ru_maxrss;
  }
  const int fo = open((dir + "/.stdout").c_str(), O_RDONLY), fe = open((dir + "/.stderr").c_str(), O_RDONLY);
  if (fo >= 0) r.out = ReadAll(fo), close(fo);
  if (fe >= 0) r.err = ReadAll(fe), close(fe);
  return r;
}

// Runs the host with args; stdout and stderr go to files in dir.
inline RunResult RunHost(const std::vector<std::string>& args, const std::string& dir) {
  return FinishHost(StartHost(args, dir), dir);
}

// A number from the host's one-object JSON report (NaN when absent or null).
inline double JsonField(const std::string& json, const std::string& key) {
  const size_t k = json.find("\"" + key + "\":");
  if (k == std::string::npos) return std::nan("");
  const char* p = json.c_str() + k + key.size() + 3;
  char* end = nullptr;
  const double v = std::strtod(p, &end);
  return end == p ? std::nan("") : v;
}

inline bool Exists(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0;
}

// Names in dir that are not the fixture's own files (no partial leftovers).
inline std::vector<std::string> Leftovers(const std::string& dir) {
  std::vector<std::string> names;
  if (DIR* d = opendir(dir.c_str())) {
    while (dirent* e = readdir(d)) {
      const std::string n = e->d_name;
      if (n.find(".partial") != std::string::npos) names.push_back(n);
    }
    closedir(d);
  }
  return names;
}

inline double SamplePeak(const orbexhost::AudioData& d) {
  double p = 0.0;
  for (const auto& ch : d.channels)
    for (float s : ch) p = std::max(p, static_cast<double>(std::fabs(s)));
  return p;
}

inline orbexhost::AudioData ReadOrFail(const std::string& path) {
  orbexhost::AudioData d;
  std::string error;
  EXPECT_TRUE(orbexhost::ReadSoundFile(path, d, error)) << error;
  return d;
}

inline void WriteOrFail(const std::string& path, const orbexhost::AudioData& d) {
  std::string error;
  ASSERT_TRUE(orbexhost::WriteSoundFile(path, d, error)) << error;
}

// Standard input of the hosts started meanwhile comes from a file.
class InputFrom {
public:
  explicit InputFrom(const std::string& path) : mSaved(dup(STDIN_FILENO)) {
    const int fd = open(path.c_str(), O_RDONLY);
    dup2(fd, STDIN_FILENO);
    close(fd);
  }
  ~InputFrom() {
    dup2(mSaved, STDIN_FILENO);
    close(mSaved);
  }
  InputFrom(const InputFrom&) = delete;
  InputFrom& operator=(const InputFrom&) = delete;

private:
  int mSaved;
};

class HostTest : public ScratchDirTest {
protected:
  RunResult Run(const std::vector<std::string>& args) const { return RunHost(args, dir); }
};

}  // namespace hosttest
