#pragma once
// Pictures the host writes as PNG files, held back until the run that makes
// them succeeds: each picture is encoded and written into a temporary file
// beside its file at once (a device or a pipe takes it straight away), and
// all are put in place together (OutputFile.h); a run that fails removes
// them. Main thread.

#include "host/OutputFile.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace orbexhost {

class PictureFiles {
public:
  // Writes width x height RGBA pixels (rows top down) for path; a later
  // picture for the same file replaces an earlier one. False with a
  // one-line message.
  bool Add(const std::string& path, const std::vector<uint8_t>& rgba, int width, int height, std::string& error);
  // Puts every picture in place, in the order they were added. False with a
  // one-line message.
  bool Commit(std::string& error);

private:
  struct Pending {
    std::string path;
    std::unique_ptr<OutputFile> file;
  };
  std::vector<Pending> mPending;
};

}  // namespace orbexhost
