#include <mutex>
#include <string>
#include <vector>

#include <Foundation/NSWorkspace.h>

namespace {

std::mutex g_mutex;
std::vector<std::string>& Opened() {
  static auto* opened = new std::vector<std::string>();
  return *opened;
}
bool Record(const std::string& text) {
  if (text.empty()) return false;
  std::lock_guard<std::mutex> lock(g_mutex);
  Opened().push_back(text);
  return true;
}

}  // namespace

bool NSWorkspaceOpenURL(CFURLRef url) {
  CFStringRef s = CFURLGetString(url);
  if (s == nullptr) return false;
  const char* text = CFStringGetCStringPtr(s, kCFStringEncodingUTF8);
  return text != nullptr && Record(text);
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

bool NSWorkspaceRevealFile(const std::string& path, const std::string&) {
  return !path.empty() && Record("reveal:" + path);
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

}  // namespace nsx
