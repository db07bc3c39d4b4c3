#pragma once
// Reads a mono or stereo sound file a block at a time, as planar float
// samples, so that memory does not grow with the file. It reads WAV (RIFF,
// RIFX and RF64), Wave64, AIFF, AIFF-C and CAF files of integer PCM, float,
// u-law or A-law samples, and FLAC files; libsndfile decodes them, from the
// same open file whose header the host reads itself (SoundHeader). A file
// of another type or encoding is refused when it is opened, and so is one
// that ends inside its header, holds audio past what its header declares,
// contradicts itself or is damaged; one that ends before the length its
// header declares is refused when its end is reached, with both counts.
// Main thread.

#include "host/FileBytes.h"
#include "host/SoundHeader.h"

#include <sndfile.h>

#include <cstdint>
#include <string>
#include <vector>

namespace orbexhost {

class SoundReader {
public:
  SoundReader() = default;
  ~SoundReader();
  SoundReader(const SoundReader&) = delete;
  SoundReader& operator=(const SoundReader&) = delete;

  // Opens path. False with a one-line message when the file is missing,
  // unreadable, not a regular file (a pipe is never opened), of a type or
  // encoding not read, has more than two channels, an unusable sample rate,
  // or its header and its audio data disagree (see above).
  bool Open(const std::string& path, std::string& error);

  double SampleRate() const { return static_cast<double>(mInfo.samplerate); }
  int NumChannels() const { return mInfo.channels; }
  // The frames the file declares (or holds, where its header leaves its
  // length open).
  int64_t NumFrames() const { return mFrames; }
  int64_t FramesRead() const { return mRead; }

  // Reads the next n frames (at most) into one buffer per channel. got is
  // less than n only at the declared end. False with a message when the file
  // cannot be read, ends before its declared length or is damaged.
  bool Read(float* const* channels, size_t n, size_t& got, std::string& error);

  // The bytes libsndfile reads: the open file from where its container
  // starts, with the header's rewritten size field laid over it.
  struct View {
    FileBytes* bytes = nullptr;
    const SoundHeader* header = nullptr;
    int64_t position = 0;
  };

private:
  bool Refuse(std::string& error);

  std::string mPath;
  FileBytes mBytes;
  SoundHeader mHeader;
  View mView;
  SNDFILE* mFile = nullptr;
  SF_INFO mInfo{};
  int64_t mFrames = 0;
  int64_t mRead = 0;
  std::vector<float> mInterleaved;
};

}  // namespace orbexhost
