// The desktop's opener: the program that opens web addresses in the browser
// and files and folders with their applications.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <thread>
#include <vector>

#include <AppKit/NSWorkspace.h>

extern char** environ;

namespace nsx {

namespace {

// The openers tried in order: the program and the arguments before the target.
struct Opener {
  const char* program;
  std::vector<std::string> arguments;
};
const Opener kOpeners[] = {{"xdg-open", {}}, {"gio", {"open"}}};

// The executable file program in a folder of PATH; "" when there is none.
std::string FindOnPath(const std::string& program) {
  const char* env = std::getenv("PATH");
  const std::string path = env != nullptr ? env : "/usr/local/bin:/usr/bin:/bin";
  size_t from = 0;
  while (from <= path.size()) {
    const size_t to = std::min(path.find(':', from), path.size());
    const std::string folder = path.substr(from, to - from);
    from = to + 1;
    if (folder.empty()) continue;
    const std::string candidate = folder + "/" + program;
    struct stat st {};
    if (stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(candidate.c_str(), X_OK) == 0)
      return candidate;
  }
  return {};
}

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

// Starts program as a desktop starts one: in a process group of its own (the terminal's Ctrl+C
// is not its), with every signal at its default and none blocked, input from /dev/null and no
// other file of this program open. 0, or the error.
int Spawn(const std::string& program, char* const* argv, pid_t& pid) {
  posix_spawnattr_t attr;
  posix_spawn_file_actions_t files;
  posix_spawnattr_init(&attr);
  posix_spawn_file_actions_init(&files);
  sigset_t none, all;
  sigemptyset(&none);
  sigfillset(&all);
  posix_spawnattr_setsigmask(&attr, &none);
  posix_spawnattr_setsigdefault(&attr, &all);
  posix_spawnattr_setpgroup(&attr, 0);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETPGROUP);
  posix_spawn_file_actions_addopen(&files, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addclosefrom_np(&files, 3);
  const int err = posix_spawn(&pid, program.c_str(), &files, &attr, argv, environ);
  posix_spawn_file_actions_destroy(&files);
  posix_spawnattr_destroy(&attr);
  return err;
}

}  // namespace

std::string OpenWithDesktopOpener(const OpenRequest& request) {
  std::string target = request.target;
  if (target.empty()) return "Nothing was named to open.";
  if (request.path) {
    std::error_code ec;
    // Absolute, so that no path reads as an option of the opener.
    target = std::filesystem::absolute(target, ec).string();
    if (ec || !std::filesystem::exists(target, ec))
      return Quoted(request.target) + " cannot be opened: there is no such file or folder.";
  }
  for (const Opener& opener : kOpeners) {
    const std::string program = FindOnPath(opener.program);
    if (program.empty()) continue;
    std::vector<std::string> args = {opener.program};
    args.insert(args.end(), opener.arguments.begin(), opener.arguments.end());
    args.push_back(target);
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int err = Spawn(program, argv.data(), pid);
    if (err != 0)
      return Quoted(request.target) + " cannot be opened: " + opener.program + " could not be started (" +
             std::strerror(err) + ").";
    // Not waited for here: the opener may take its time (or start the browser itself).
    try {
      std::thread([pid] {
        int status = 0;
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
      }).detach();
    } catch (const std::system_error&) {
      // Without a thread the finished opener is left to the end of the program.
    }
    return {};
  }
  return Quoted(request.target) + " cannot be opened: this desktop has no program to open it (xdg-open or gio).";
}

}  // namespace nsx
