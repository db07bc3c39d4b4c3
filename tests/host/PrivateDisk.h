#pragma once
// A small file system of the test's own (to fill up or make read-only).

#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

#include <filesystem>
#include <string>

namespace hosttest {

// A file system of its own at path, in a mount namespace this test process
// enters once (the hosts it starts share it; nothing outside sees it).
// Needs root; ok() is false when it cannot be made.
class PrivateDisk {
public:
  PrivateDisk(const std::string& path, const char* options) : mPath(path) {
    static const bool entered = geteuid() == 0 && unshare(CLONE_NEWNS) == 0 &&
                                mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
    std::filesystem::create_directories(path);
    mOk = entered && mount("tmpfs", path.c_str(), "tmpfs", 0, options) == 0;
  }
  ~PrivateDisk() {
    if (mOk) umount2(mPath.c_str(), MNT_DETACH);
  }
  bool ok() const { return mOk; }
  bool MakeReadOnly() const {
    return mount(nullptr, mPath.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) == 0;
  }

private:
  std::string mPath;
  bool mOk = false;
};

}  // namespace hosttest
