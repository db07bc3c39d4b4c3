#pragma once
// The temporary file a writer fills before renaming it into place. It is
// made in the folder of the file it replaces (so the rename stays on one
// file system) under a short hidden name of this process, so that a target
// whose name is as long as the system allows still gets one. It is removed
// unless it was renamed; while any exist (however many), SIGINT, SIGTERM,
// SIGHUP and SIGQUIT remove them all before the process ends, so stopping
// the host never leaves a half-written file behind. Main thread.

#include <sys/types.h>

#include <string>

namespace orbexhost {

struct PartialEntry;

class PartialFile {
public:
  PartialFile() = default;
  // Removes the file unless it was renamed into place.
  ~PartialFile();
  PartialFile(const PartialFile&) = delete;
  PartialFile& operator=(const PartialFile&) = delete;

  // Makes the file, empty and new, in folder with mode (less the process's
  // file-creation mask). Its descriptor, open for writing, or -1 with errno
  // set.
  int Create(const std::string& folder, mode_t mode);
  const std::string& Path() const { return mPath; }
  // Renames the file to target. False with errno set; the file then stays
  // temporary.
  bool RenameTo(const std::string& target);

  // Installs the signal handlers (once per process; later calls do
  // nothing). Called on the main thread, which is where the handler then
  // removes the files: a signal another thread receives is passed on to
  // it, so a file write the main thread keeps signals out of (a preset the
  // component saves) is completed or undone before the process ends.
  static void RemoveOnSignals();

private:
  void Forget();

  std::string mPath;
  PartialEntry* mEntry = nullptr;  // in the list the signal handler removes; null once renamed
};

}  // namespace orbexhost
