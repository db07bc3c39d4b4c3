#pragma once
// Writes a sound file through libsndfile a block at a time from planar float
// samples, its type chosen by the name's extension and the length of the
// audio (OutputFormatFor). The file is an OutputFile: written beside its
// target and renamed into place on Commit, through a symbolic link to the
// file it points at, straight into a device, and into a pipe only for a type
// that can flow through one (FLAC; the length and checksum the encoder puts
// into the header at the close cannot go back into a pipe and are dropped).
// Every other byte the library writes, its last ones at the close included,
// passes through here and is checked, so a failure anywhere fails the file.
// Integer types clip instead of wrapping round. Main thread.

#include "host/OutputFile.h"

#include <sndfile.h>

#include <cstdint>
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

  // Starts the file for frames of channels. False with a one-line message
  // naming path: the type by extension, what the type cannot hold (a rate,
  // a length past its size limit), the place (OutputFile::Problem), and what
  // the format's writer refuses only when it starts.
  bool Open(const std::string& path, double sampleRate, int channels, int64_t frames, std::string& error);
  // Appends n frames, one buffer per channel. False with a message.
  bool Write(const float* const* channels, size_t n, std::string& error);
  // Completes the file's data and header, then puts it in place.
  bool Finish(std::string& error);
  bool Commit(std::string& error);

private:
  // libsndfile's file access, on the OutputFile's descriptor.
  static sf_count_t Length(void* self);
  static sf_count_t Seek(sf_count_t offset, int whence, void* self);
  static sf_count_t Read(void* ptr, sf_count_t count, void* self);
  static sf_count_t Put(const void* ptr, sf_count_t count, void* self);
  static sf_count_t Tell(void* self);
  // "cannot write PATH: " and why, the failed write's reason first.
  std::string Failure(const std::string& why) const;

  std::string mPath;
  OutputFile mFile;
  SNDFILE* mSnd = nullptr;
  int mChannels = 0;
  int64_t mMaxFrames = 0;  // the most the type holds
  int64_t mWritten = 0;    // frames
  bool mSeekable = false;  // a pipe is not: it is written in order, once
  sf_count_t mEnd = 0;     // bytes written into a pipe
  bool mAway = false;      // the library moved off a pipe's end: its writes go nowhere
  std::string mWriteProblem;  // why the first failed write failed
  std::vector<float> mInterleaved;
};

}  // namespace orbexhost
