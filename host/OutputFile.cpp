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

std::string FolderProblem(const std::string& target) {
  struct stat st {};
  const std::string folder = FolderOf(target);
  if (stat(folder.c_str(), &st) != 0) return "its folder " + QuotePath(folder) + " does not exist";
  if (!S_ISDIR(st.st_mode)) return QuotePath(folder) + " is not a folder";
  if (access(folder.c_str(), W_OK) != 0) return "its folder " + QuotePath(folder) + " is not writable";
  return {};
}

}  // namespace

std::string WriteProblem(int err) {
  switch (err) {
    case ENOSPC: return "the disk is full";
    case EDQUOT: return "the disk quota is used up";
    case EFBIG: return "the file would pass the largest size allowed (the file-size limit, ulimit -f)";
    case EROFS: return "the disk is read-only";
    default: return std::strerror(err);
  }
}

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
  // A file replaced keeps its permissions and, where the system allows, its
  // owner; until then the new one is open to nobody else.
  struct stat old {};
  const bool replacing = stat(mTarget.c_str(), &old) == 0 && S_ISREG(old.st_mode);
  mPartial = std::make_unique<PartialFile>();
  mFd = mPartial->Create(FolderOf(mTarget), replacing ? 0600 : 0666);
  if (mFd < 0) {
    why = WriteProblem(errno);
    return false;
  }
  if (replacing) {
    // Where the owner cannot be given, the file becomes the user's own.
    [[maybe_unused]] const int owned = fchown(mFd, old.st_uid, old.st_gid);
    fchmod(mFd, old.st_mode & 07777);
  }
  return true;
}

bool OutputFile::WriteAll(const void* data, size_t size, std::string& why) {
  const auto* p = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t n = write(mFd, p, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      why = n < 0 ? WriteProblem(errno) : "nothing could be written";
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
  // A file is on the disk before it replaces another; the system may report
  // a write it had put off only here.
  int err = 0;
  if (mPartial != nullptr && fsync(fd) != 0) err = errno;
  if (close(fd) != 0 && err == 0) err = errno;
  if (err != 0) why = WriteProblem(err);
  return err == 0;
}

bool OutputFile::Commit(std::string& why) {
  if (!Close(why)) return false;
  if (mPartial == nullptr) return true;
  if (!mPartial->RenameTo(mTarget)) {
    why = WriteProblem(errno);
    return false;
  }
  return true;
}

}  // namespace orbexhost
