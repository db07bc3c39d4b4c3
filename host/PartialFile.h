#pragma once
// The temporary file a writer fills before renaming it into place. While one
// is open (up to 256 at once), SIGINT, SIGTERM, SIGHUP and SIGQUIT remove it
// before the process ends, so stopping the host never leaves a half-written
// file behind. Main thread.

#include <string>

namespace orbexhost {

class PartialFile {
public:
  // Names the temporary file being written (it need not exist yet).
  explicit PartialFile(std::string path);
  // Removes the file unless Keep was called (after the rename).
  ~PartialFile();
  PartialFile(const PartialFile&) = delete;
  PartialFile& operator=(const PartialFile&) = delete;

  const std::string& Path() const { return mPath; }
  // The file has been renamed into place: nothing to remove any more.
  void Keep();

  // Installs the signal handlers (once per process; later calls do nothing).
  static void RemoveOnSignals();

private:
  void Release();

  std::string mPath;
  int mSlot = -1;  // the signal handler's slot; -1 when none was free
  bool mKept = false;
};

}  // namespace orbexhost
