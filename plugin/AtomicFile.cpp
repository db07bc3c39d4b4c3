#include "plugin/AtomicFile.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace orbex9 {

namespace {

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

bool WriteFileAtomically(const char* path, const void* data, size_t size)
{
  if (!path || !*path || (size > 0 && !data)) return false;
  static std::atomic<unsigned> counter {0};

  // The temporary file sits in the target's folder (so the rename stays on one file system) and
  // does not carry the target's name: one left behind by a crash is never taken for a preset.
  const char* slash = std::strrchr(path, '/');
  const std::string folder = slash ? std::string(path, static_cast<size_t>(slash - path) + 1) : std::string();
  std::string tmp;
  int fd = -1;
  for (int attempt = 0; attempt < 16 && fd < 0; ++attempt)
  {
    tmp = folder + ".orbex9-save-" + std::to_string(::getpid()) + "-" + std::to_string(counter.fetch_add(1));
    fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) return false;
  }
  if (fd < 0) return false;

  struct stat old;
  if (::stat(path, &old) == 0 && S_ISREG(old.st_mode)) ::fchmod(fd, old.st_mode & 07777);

  bool ok = WriteAll(fd, static_cast<const char*>(data), size) && ::fsync(fd) == 0;
  ok = (::close(fd) == 0) && ok;
  if (ok) ok = ::rename(tmp.c_str(), path) == 0;
  if (!ok) ::unlink(tmp.c_str());
  return ok;
}

bool ReadWholeFile(const char* path, size_t maxSize, std::string& out)
{
  out.clear();
  if (!path || !*path) return false;
  // Opened without blocking, so a pipe or device under a preset's name cannot hang the caller
  // before it is found not to be a regular file.
  const int fd = ::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return false;
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size < 0 ||
      static_cast<unsigned long long>(st.st_size) > maxSize)
  {
    ::close(fd);
    return false;
  }
  std::string buf(static_cast<size_t>(st.st_size), '\0');
  size_t got = 0;
  while (got < buf.size())
  {
    const ssize_t r = ::read(fd, buf.data() + got, buf.size() - got);
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) break;
    got += static_cast<size_t>(r);
  }
  ::close(fd);
  if (got != buf.size()) return false;
  out = std::move(buf);
  return true;
}

} // namespace orbex9
