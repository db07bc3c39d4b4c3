#pragma once
// A file the host writes (OUT, a saved state, a picture). A file is written
// into a temporary file in the folder of the file it replaces (PartialFile)
// and renamed into place only when complete and on the disk, so a failure
// never leaves a partial or damaged file behind; the file replaced keeps
// its permissions and, where the system allows, its owner. A symbolic link
// is written through: the file it points at is replaced (the temporary file
// lies in that file's folder) and the link stays. A device such as
// /dev/null is written straight into, and so is a pipe when the content can
// flow through one (a file that must go back to its start when complete
// cannot) and something reads from it: a pipe is never waited on. Main
// thread.

#include "host/PartialFile.h"

#include <memory>
#include <string>

namespace orbexhost {

// Why a write failed, in the host's words where the reason is a common one
// (a full disk, the file-size limit), else the system's.
std::string WriteProblem(int err);

class OutputFile {
public:
  OutputFile() = default;
  // Removes an uncommitted temporary file; closes what is still open.
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // Why nothing can be written at path (empty when it can), found without
  // creating or opening anything: a folder, a missing or read-only folder, a
  // pipe when the content cannot stream, a device that cannot be written.
  static std::string Problem(const std::string& path, bool canStream);

  // Opens the temporary file (or the device or pipe). False with the reason.
  bool Open(const std::string& path, bool canStream, std::string& why);
  int Descriptor() const { return mFd; }
  // Writes all of size bytes. False with the reason.
  bool WriteAll(const void* data, size_t size, std::string& why);
  // Closes the descriptor once the file's data is on the disk. False with
  // the reason.
  bool Close(std::string& why);
  // Closes when still open, then renames the temporary file into place.
  // False with the reason (the file it would replace is kept).
  bool Commit(std::string& why);

private:
  int mFd = -1;
  std::string mTarget;                   // the file that is replaced
  std::unique_ptr<PartialFile> mPartial; // the temporary file; null when written straight into
};

}  // namespace orbexhost
