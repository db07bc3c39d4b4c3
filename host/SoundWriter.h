#pragma once
// Writes a sound file through libsndfile a block at a time from planar float
// samples, its type chosen by the name's extension (see OutputFormatForPath).
// The file is an OutputFile: written beside its target and renamed into place
// on Commit, through a symbolic link to the file it points at, straight into
// a device, and into a pipe only for a type that can flow through one
// (FLAC). Integer types clip instead of wrapping round. Main thread.

#include "host/OutputFile.h"

#include <sndfile.h>

#include <string>
#include <vector>

namespace orbexhost {

class SoundWriter {
public:
  SoundWriter() = default;
  // An uncommitted file is removed.
  ~SoundWriter();
  SoundWriter(const SoundWriter&) = delete;
  SoundWriter& operator=(const SoundWriter&) = delete;

  // Starts the file. False with a one-line message naming path: the type by
  // extension, what the type cannot hold, the place (OutputFile::Problem),
  // and what the format's writer refuses only when it starts.
  bool Open(const std::string& path, double sampleRate, int channels, std::string& error);
  // Appends n frames, one buffer per channel. False with a message.
  bool Write(const float* const* channels, size_t n, std::string& error);
  // Completes the file's data and header, then puts it in place.
  bool Finish(std::string& error);
  bool Commit(std::string& error);

private:
  std::string mPath;
  OutputFile mFile;
  SNDFILE* mSnd = nullptr;
  int mChannels = 0;
  std::vector<float> mInterleaved;
};

}  // namespace orbexhost
