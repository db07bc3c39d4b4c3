#pragma once
// Reads a mono or stereo sound file through libsndfile (WAV, AIFF, FLAC and
// the other types the library reads) a block at a time, as planar float
// samples, so that memory does not grow with the file. A file that ends
// before the length its header declares is refused when its end is reached,
// with both counts; one that ends inside its header, or holds more audio
// than its header accounts for, when it is opened. Main thread.

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
  // unreadable, not a regular file (a pipe is never opened), not a sound
  // file, has more than two channels, an unusable sample rate or no known
  // length, or its header and its audio data disagree.
  bool Open(const std::string& path, std::string& error);

  double SampleRate() const { return static_cast<double>(mInfo.samplerate); }
  int NumChannels() const { return mInfo.channels; }
  // The frames the file declares.
  int64_t NumFrames() const { return mFrames; }
  int64_t FramesRead() const { return mRead; }

  // Reads the next n frames (at most) into one buffer per channel. got is
  // less than n only at the declared end. False with a message when the file
  // cannot be read or ends before its declared length.
  bool Read(float* const* channels, size_t n, size_t& got, std::string& error);

private:
  std::string mPath;
  SNDFILE* mFile = nullptr;
  SF_INFO mInfo{};
  int64_t mFrames = 0;
  int64_t mRead = 0;
  std::vector<float> mInterleaved;
};

}  // namespace orbexhost
