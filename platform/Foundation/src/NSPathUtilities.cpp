#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include <Foundation/NSPathUtilities.h>

namespace {

std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v != nullptr ? std::string(v) : std::string();
}

std::string StripSlashes(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

// XDG_DATA_HOME when set to an absolute path, else ~/.local/share.
std::string DataHome() {
  const std::string v = Env("XDG_DATA_HOME");
  if (!v.empty() && v[0] == '/') return StripSlashes(v);
  return NSHomeDirectory() + "/.local/share";
}

// The first absolute entry of XDG_DATA_DIRS, else /usr/local/share.
std::string LocalDataDir() {
  const std::string dirs = Env("XDG_DATA_DIRS");
  size_t start = 0;
  while (start <= dirs.size()) {
    const size_t colon = dirs.find(':', start);
    const std::string entry = dirs.substr(start, colon == std::string::npos ? std::string::npos : colon - start);
    if (!entry.empty() && entry[0] == '/') return StripSlashes(entry);
    if (colon == std::string::npos) break;
    start = colon + 1;
  }
  return "/usr/local/share";
}

// The user-domain folder of a directory, or empty when it has none.
std::string UserFolder(NSSearchPathDirectory directory) {
  const std::string home = NSHomeDirectory();
  switch (directory) {
    case NSApplicationSupportDirectory:
    case NSLibraryDirectory:
    case NSAllLibrariesDirectory: return DataHome();
    case NSCachesDirectory: {
      const std::string v = Env("XDG_CACHE_HOME");
      return (!v.empty() && v[0] == '/') ? StripSlashes(v) : home + "/.cache";
    }
    case NSMusicDirectory: return home + "/Music";
    case NSDesktopDirectory: return home + "/Desktop";
    case NSDocumentDirectory: return home + "/Documents";
    case NSDownloadsDirectory: return home + "/Downloads";
    case NSMoviesDirectory: return home + "/Videos";
    case NSPicturesDirectory: return home + "/Pictures";
    case NSSharedPublicDirectory: return home + "/Public";
    case NSApplicationDirectory:
    case NSAllApplicationsDirectory: return DataHome() + "/applications";
    case NSUserDirectory: {
      const size_t slash = home.rfind('/');
      return (slash == 0 || slash == std::string::npos) ? std::string("/") : home.substr(0, slash);
    }
    default: return std::string();
  }
}

// Local (and system) folders: the shared data folder for the library-like
// directories, nothing for the personal ones.
std::string SharedFolder(NSSearchPathDirectory directory, const std::string& base) {
  switch (directory) {
    case NSApplicationSupportDirectory:
    case NSLibraryDirectory:
    case NSAllLibrariesDirectory: return base;
    case NSApplicationDirectory:
    case NSAllApplicationsDirectory: return base + "/applications";
    case NSUserDirectory: return "/home";
    default: return std::string();
  }
}

std::string Abbreviate(const std::string& path) {
  const std::string home = NSHomeDirectory();
  if (home == "/" || path.compare(0, home.size(), home) != 0) return path;
  if (path.size() == home.size()) return "~";
  if (path[home.size()] != '/') return path;
  std::string out = "~";
  out.append(path, home.size(), std::string::npos);
  return out;
}

}  // namespace

std::string NSHomeDirectory() {
  std::string home = Env("HOME");
  if (home.empty() || home[0] != '/') {
    const passwd* pw = getpwuid(getuid());
    home = (pw != nullptr && pw->pw_dir != nullptr) ? pw->pw_dir : "/";
  }
  return StripSlashes(home);
}

std::string NSExpandTildeInPath(const std::string& path) {
  if (path == "~") return NSHomeDirectory();
  if (path.compare(0, 2, "~/") == 0) {
    const std::string home = NSHomeDirectory();
    return (home == "/" ? std::string() : home) + path.substr(1);
  }
  return path;
}

std::vector<std::string> NSSearchPathForDirectoriesInDomains(NSSearchPathDirectory directory,
                                                             NSSearchPathDomainMask domainMask, BOOL expandTilde) {
  std::vector<std::string> result;
  auto add = [&](const std::string& path) {
    if (path.empty()) return;
    const std::string entry = expandTilde ? path : Abbreviate(path);
    for (const auto& existing : result)
      if (existing == entry) return;
    result.push_back(entry);
  };
  if (domainMask & NSUserDomainMask) add(UserFolder(directory));
  if (domainMask & NSLocalDomainMask) add(SharedFolder(directory, LocalDataDir()));
  if (domainMask & NSSystemDomainMask) add(SharedFolder(directory, "/usr/share"));
  return result;
}
