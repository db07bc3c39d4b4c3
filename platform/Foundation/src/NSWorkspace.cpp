#include <spawn.h>
#include <sys/wait.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <Foundation/NSWorkspace.h>

extern char** environ;

namespace {

std::mutex g_mutex;
std::vector<std::string>& Opened() {
  static auto* opened = new std::vector<std::string>();
  return *opened;
}
std::atomic<bool> g_desktopOpening{false};

// Hands the text to xdg-open without a shell, so no character of it is
// interpreted; a detached thread reaps the child.
void OpenOnDesktop(const std::string& text) {
  if (!g_desktopOpening.load()) return;
  std::string program = "xdg-open";
  std::string argument = text;
  char* argv[] = {program.data(), argument.data(), nullptr};
  pid_t pid = 0;
  if (posix_spawnp(&pid, "xdg-open", nullptr, nullptr, argv, environ) == 0) {
    std::thread([pid] {
      int status = 0;
      waitpid(pid, &status, 0);
    }).detach();
  }
}

bool Open(const std::string& text) {
  if (text.empty()) return false;
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    Opened().push_back(text);
  }
  OpenOnDesktop(text);
  return true;
}

}  // namespace

bool NSWorkspaceOpenURL(CFURLRef url) {
  CFStringRef s = CFURLGetString(url);
  if (s == nullptr) return false;
  const char* text = CFStringGetCStringPtr(s, kCFStringEncodingUTF8);
  return text != nullptr && Open(text);
}

bool NSWorkspaceOpenFile(const std::string& path) {
  if (path.empty()) return false;
  CFStringRef s = CFStringCreateWithBytes(nullptr, reinterpret_cast<const UInt8*>(path.data()),
                                          static_cast<CFIndex>(path.size()), kCFStringEncodingUTF8, false);
  CFURLRef url = s != nullptr ? CFURLCreateWithFileSystemPath(nullptr, s, kCFURLPOSIXPathStyle, false) : nullptr;
  const bool ok = NSWorkspaceOpenURL(url);
  if (url != nullptr) CFRelease(url);
  if (s != nullptr) CFRelease(s);
  return ok;
}

bool NSWorkspaceRevealFile(const std::string& path, const std::string& root) {
  if (path.empty()) return false;
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    Opened().push_back("reveal:" + path);
  }
  std::string folder = root;
  if (folder.empty()) {
    const size_t slash = path.find_last_of('/');
    folder = slash == std::string::npos ? std::string(".") : slash == 0 ? std::string("/") : path.substr(0, slash);
  }
  OpenOnDesktop(folder);
  return true;
}

namespace nsx {

std::vector<std::string> OpenedURLs() {
  std::lock_guard<std::mutex> lock(g_mutex);
  return Opened();
}

void ClearOpenedURLs() {
  std::lock_guard<std::mutex> lock(g_mutex);
  Opened().clear();
}

void SetDesktopOpeningEnabled(bool enabled) { g_desktopOpening.store(enabled); }

}  // namespace nsx
