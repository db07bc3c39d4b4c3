#include "host/FilePaths.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace orbexhost {

namespace {

// As many links as the system itself follows before giving up.
constexpr int kMaxLinks = 40;

std::string NameOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The folder resolved through links, then the name; the path as given when
// the folder cannot be resolved.
std::string NormalPath(const std::string& path) {
  char* folder = realpath(FolderOf(path).c_str(), nullptr);
  if (folder == nullptr) return path;
  std::string out = std::string(folder) + "/" + NameOf(path);
  std::free(folder);
  return out;
}

}  // namespace

std::string FolderOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string LinkTarget(const std::string& path) {
  std::string p = path;
  for (int hop = 0; hop <= kMaxLinks; ++hop) {
    struct stat st {};
    if (lstat(p.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return p;
    std::vector<char> buf(static_cast<size_t>(st.st_size > 0 ? st.st_size : 255) + 1);
    const ssize_t n = readlink(p.c_str(), buf.data(), buf.size());
    if (n <= 0 || static_cast<size_t>(n) >= buf.size()) return p;
    const std::string to(buf.data(), static_cast<size_t>(n));
    p = to[0] == '/' ? to : FolderOf(p) + "/" + to;
  }
  return {};
}

bool IsSpecialFile(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode);
}

std::string FileIdentity(const std::string& path) {
  struct stat st {};
  if (stat(path.c_str(), &st) == 0)
    return "inode " + std::to_string(st.st_dev) + ":" + std::to_string(st.st_ino);
  const std::string target = LinkTarget(path);
  return "name " + NormalPath(target.empty() ? path : target);
}

bool SameFile(const std::string& a, const std::string& b) { return FileIdentity(a) == FileIdentity(b); }

}  // namespace orbexhost
