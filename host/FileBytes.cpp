#include "host/FileBytes.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace orbexhost {

FileBytes::~FileBytes() {
  if (mFd >= 0) close(mFd);
}

bool FileBytes::Open(const std::string& path) {
  mFd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (mFd < 0) return false;
  struct stat st {};
  if (fstat(mFd, &st) != 0) return false;
  mSize = st.st_size;
  return true;
}

bool FileBytes::At(int64_t offset, unsigned char* out, size_t n) {
  return Some(offset, out, n) == static_cast<int64_t>(n);
}

int64_t FileBytes::Some(int64_t offset, unsigned char* out, size_t n) {
  if (offset < 0 || offset >= mSize) return 0;
  n = static_cast<size_t>(std::min<int64_t>(static_cast<int64_t>(n), mSize - offset));
  size_t got = 0;
  while (got < n) {
    const ssize_t r = pread(mFd, out + got, n - got, static_cast<off_t>(offset + static_cast<int64_t>(got)));
    if (r < 0 && errno == EINTR) continue;
    if (r < 0) {
      mError = errno;
      return -1;
    }
    if (r == 0) break;
    got += static_cast<size_t>(r);
  }
  return static_cast<int64_t>(got);
}

}  // namespace orbexhost
