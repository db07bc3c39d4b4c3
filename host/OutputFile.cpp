#include "host/OutputFile.h"

#include "host/FilePaths.h"
#include "host/MessageText.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace orbexhost {

namespace {

// The temporary file beside target: hidden, named after it and this process.
std::string TempPathFor(const std::string& target) {
  const size_t slash = target.find_last_of('/');
  const std::string dir = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
  const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
  return dir + "." + base + ".partial-" + std::to_string(static_cast<long>(getpid()));
}

std::string FolderProblem(const std::string& target) {
  struct stat st {};
  const std::string folder = FolderOf(target);
  if (stat(folder.c_str(), &st) != 0) return "its folder " + QuotePath(folder) + " does not exist";
  if (!S_ISDIR(st.st_mode)) return QuotePath(folder) + " is not a folder";
  if (access(folder.c_str(), W_OK) != 0) return "its folder " + QuotePath(folder) + " is not writable";
  return {};
}

}  // namespace

OutputFile::~OutputFile() {
  if (mFd >= 0) close(mFd);
}

std::string OutputFile::Problem(const std::string& path, bool canStream) {
  if (path.empty()) return "no name given";
  if (path.back() == '/') return "it is a folder";
  struct stat st {};
  if (stat(path.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) return "it is a folder";
    if (S_ISFIFO(st.st_mode) && !canStream)
      return "it is a pipe, and this type of file cannot flow through one (its header is completed last)";
    if (!S_ISREG(st.st_mode)) return access(path.c_str(), W_OK) == 0 ? std::string() : std::strerror(errno);
  }
  const std::string target = LinkTarget(path);
  if (target.empty()) return "its symbolic links go round in a loop";
  return FolderProblem(target);
}

bool OutputFile::Open(const std::string& path, bool canStream, std::string& why) {
  why = Problem(path, canStream);
  if (!why.empty()) return false;
  struct stat st {};
  if (stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
    // A pipe opened without waiting fails when nothing reads from it, instead
    // of blocking for ever; the descriptor then blocks as usual.
    mFd = open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (mFd < 0) {
      why = (errno == ENXIO && S_ISFIFO(st.st_mode)) ? "it is a pipe that nothing reads from" : std::strerror(errno);
      return false;
    }
    fcntl(mFd, F_SETFL, fcntl(mFd, F_GETFL) & ~O_NONBLOCK);
    return true;
  }
  mTarget = LinkTarget(path);
  mPartial = std::make_unique<PartialFile>(TempPathFor(mTarget));
  mFd = open(mPartial->Path().c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0666);
  if (mFd < 0) {
    why = std::strerror(errno);
    return false;
  }
  return true;
}

bool OutputFile::WriteAll(const void* data, size_t size, std::string& why) {
  const auto* p = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t n = write(mFd, p, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      why = n < 0 ? std::strerror(errno) : "nothing could be written";
      return false;
    }
    p += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

bool OutputFile::Close(std::string& why) {
  if (mFd < 0) return true;
  const int fd = mFd;
  mFd = -1;
  if (close(fd) != 0) {
    why = std::strerror(errno);
    return false;
  }
  return true;
}

bool OutputFile::Commit(std::string& why) {
  if (!Close(why)) return false;
  if (mPartial == nullptr) return true;
  if (std::rename(mPartial->Path().c_str(), mTarget.c_str()) != 0) {
    why = std::strerror(errno);
    return false;
  }
  mPartial->Keep();
  return true;
}

}  // namespace orbexhost
