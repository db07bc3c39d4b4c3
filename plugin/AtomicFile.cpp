#include "plugin/AtomicFile.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <pthread.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace orbex9 {

namespace {

// As many links as the system itself follows before giving up.
constexpr int kMaxLinks = 40;

constexpr const char* kNotAFile = "it is a pipe or a device, not a file";

bool Fail(std::string* why, const std::string& text)
{
  if (why) *why = text;
  return false;
}

// What a failed step of a write means for the person, from its errno.
std::string WriteProblem(int err)
{
  switch (err)
  {
    case ENOENT:
    case ENOTDIR: return "its folder does not exist";
    case EACCES:
    case EPERM: return "its folder cannot be written";
    case EROFS: return "its folder is on a read-only disk";
    case ENOSPC:
    case EDQUOT: return "the disk is full";
    case EFBIG: return "the file would be larger than the system allows";
    case EISDIR: return "it is a folder";
    case ELOOP: return "its symbolic links go round in a loop";
    default: return std::strerror(err);
  }
}

// Why a folder could not be made, from the errno of its mkdir.
std::string FolderProblem(int err)
{
  switch (err)
  {
    case EACCES:
    case EPERM: return "there is no permission to make it";
    case EROFS: return "the disk is read-only";
    case ENOSPC:
    case EDQUOT: return "the disk is full";
    case ELOOP: return "its symbolic links go round in a loop";
    case ENAMETOOLONG: return "its name is too long";
    default: return std::strerror(err);
  }
}

std::string ReadProblem(int err)
{
  switch (err)
  {
    case ENOENT:
    case ENOTDIR: return "the file does not exist";
    case EACCES:
    case EPERM: return "the file cannot be read";
    case ELOOP: return "its symbolic links go round in a loop";
    default: return std::string("the file cannot be read (") + std::strerror(err) + ")";
  }
}

// The file path leads to through symbolic links (path itself when it is none); relative link
// targets count from the link's folder. False when the links go round in a loop or too deep.
bool LinkTarget(const std::string& path, std::string& target)
{
  target = path;
  for (int hop = 0; hop <= kMaxLinks; ++hop)
  {
    struct stat st;
    if (::lstat(target.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return true;
    std::vector<char> buf(static_cast<size_t>(st.st_size > 0 ? st.st_size : 255) + 1);
    const ssize_t n = ::readlink(target.c_str(), buf.data(), buf.size());
    if (n <= 0 || static_cast<size_t>(n) >= buf.size()) return true;
    const std::string to(buf.data(), static_cast<size_t>(n));
    const size_t slash = target.find_last_of('/');
    target = (to[0] == '/' || slash == std::string::npos) ? to : target.substr(0, slash + 1) + to;
  }
  return false;
}

// Keeps the signals that ask the process to stop (SIGINT, SIGTERM, SIGHUP, SIGQUIT) away from
// the calling thread while it lives: one that arrives meanwhile takes effect once the file is
// whole or its temporary file is gone, so stopping the process never leaves one behind (where
// the host lets the signal wait for this thread rather than end the process on another).
class StopSignalsHeld
{
public:
  StopSignalsHeld()
  {
    sigset_t stop;
    sigemptyset(&stop);
    for (const int sig : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) sigaddset(&stop, sig);
    pthread_sigmask(SIG_BLOCK, &stop, &mBefore);
  }
  ~StopSignalsHeld() { pthread_sigmask(SIG_SETMASK, &mBefore, nullptr); }
  StopSignalsHeld(const StopSignalsHeld&) = delete;
  StopSignalsHeld& operator=(const StopSignalsHeld&) = delete;

private:
  sigset_t mBefore;
};

bool WriteAll(int fd, const char* p, size_t n)
{
  while (n > 0)
  {
    const ssize_t w = ::write(fd, p, n);
    if (w < 0)
    {
      if (errno == EINTR) continue;
      return false;
    }
    p += w;
    n -= static_cast<size_t>(w);
  }
  return true;
}

} // namespace

bool WriteFileAtomically(const char* path, const void* data, size_t size, std::string* why)
{
  if (!path || !*path) return Fail(why, "no file was named");
  if (size > 0 && !data) return Fail(why, "there was nothing to write");
  static std::atomic<unsigned> counter {0};

  std::string target;
  if (!LinkTarget(path, target)) return Fail(why, WriteProblem(ELOOP));
  struct stat old;
  const bool exists = ::stat(target.c_str(), &old) == 0;
  if (!exists && errno != ENOENT) return Fail(why, WriteProblem(errno));
  if (exists && S_ISDIR(old.st_mode)) return Fail(why, WriteProblem(EISDIR));
  if (exists && !S_ISREG(old.st_mode)) return Fail(why, kNotAFile);

  // The temporary file sits in the target's folder (so the rename stays on one file system) and
  // does not carry the target's name: one left behind by a crash is never taken for a preset.
  const size_t slash = target.find_last_of('/');
  const std::string folder = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
  const StopSignalsHeld held;
  std::string tmp;
  int fd = -1;
  for (int attempt = 0; attempt < 16 && fd < 0; ++attempt)
  {
    tmp = folder + ".orbex9-save-" + std::to_string(::getpid()) + "-" + std::to_string(counter.fetch_add(1));
    // Open to nobody else until it has the old file's permissions.
    fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, exists ? 0600 : 0666);
    if (fd < 0 && errno != EEXIST) return Fail(why, WriteProblem(errno));
  }
  if (fd < 0) return Fail(why, WriteProblem(EEXIST));

  if (exists)
  {
    // The old file's owner where the system allows it (else the file is the user's own).
    [[maybe_unused]] const int owned = ::fchown(fd, old.st_uid, old.st_gid);
    ::fchmod(fd, old.st_mode & 07777);
  }

  int err = 0;
  if (!WriteAll(fd, static_cast<const char*>(data), size) || ::fsync(fd) != 0) err = errno;
  if (::close(fd) != 0 && err == 0) err = errno;
  if (err == 0 && ::rename(tmp.c_str(), target.c_str()) != 0) err = errno;
  if (err == 0) return true;
  ::unlink(tmp.c_str());
  return Fail(why, WriteProblem(err));
}

bool MakeFolders(const char* folder, std::string* why)
{
  if (!folder || !*folder) return Fail(why, "no folder was named");
  const std::string path(folder);
  // Each folder from the top down; the last one is folder itself.
  for (size_t end = path.find('/', 1);; end = path.find('/', end + 1))
  {
    const std::string part = path.substr(0, end);
    struct stat st;
    if (::stat(part.c_str(), &st) != 0)
    {
      if (errno != ENOENT) return Fail(why, "the folder \"" + part + "\" cannot be made: " + FolderProblem(errno));
      if (::mkdir(part.c_str(), 0755) != 0 && errno != EEXIST)
        return Fail(why, "the folder \"" + part + "\" cannot be made: " + FolderProblem(errno));
    }
    else if (!S_ISDIR(st.st_mode))
      return Fail(why, "\"" + part + "\" is a file, not a folder");
    if (end == std::string::npos) break;
  }
  struct stat st;
  if (::stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
    return Fail(why, "the folder \"" + path + "\" cannot be made");
  return true;
}

bool ReadWholeFile(const char* path, size_t maxSize, std::string& out, std::string* why)
{
  out.clear();
  if (!path || !*path) return Fail(why, "no file was named");
  // Opened without blocking, so a pipe or device under a preset's name cannot hang the caller
  // before it is found not to be a regular file.
  const int fd = ::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return Fail(why, ReadProblem(errno));
  struct stat st;
  std::string problem;
  if (::fstat(fd, &st) != 0) problem = ReadProblem(errno);
  else if (S_ISDIR(st.st_mode)) problem = "it is a folder";
  else if (!S_ISREG(st.st_mode)) problem = kNotAFile;
  else if (st.st_size < 0 || static_cast<unsigned long long>(st.st_size) > maxSize)
    problem = "it is too large (over " + std::to_string(maxSize) + " bytes)";
  if (!problem.empty())
  {
    ::close(fd);
    return Fail(why, problem);
  }
  std::string buf(static_cast<size_t>(st.st_size), '\0');
  size_t got = 0;
  int err = 0;
  while (got < buf.size())
  {
    const ssize_t r = ::read(fd, buf.data() + got, buf.size() - got);
    if (r < 0 && errno == EINTR) continue;
    if (r < 0) err = errno;
    if (r <= 0) break;
    got += static_cast<size_t>(r);
  }
  ::close(fd);
  if (err != 0) return Fail(why, ReadProblem(err));
  if (got != buf.size()) return Fail(why, "the file changed while it was read");
  out = std::move(buf);
  return true;
}

} // namespace orbex9
