#include "host/SoundWriter.h"

#include "host/MessageText.h"
#include "host/OutputFormat.h"
#include "host/SoundFile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>

namespace orbexhost {

namespace {

constexpr size_t kChunkFrames = 4096;

// The one type of ours that can be written without going back to its start.
bool Streams(int format) { return (format & SF_FORMAT_TYPEMASK) == SF_FORMAT_FLAC; }

SF_INFO InfoFor(const std::string& path, double sampleRate, int channels, int64_t frames, std::string& why) {
  SF_INFO info{};
  info.samplerate = static_cast<int>(std::lround(sampleRate));
  info.format = OutputFormatFor(path, channels, frames, info.samplerate, why);
  if (info.format == 0) return info;
  info.channels = channels;
  if (channels < 1 || channels > kMaxFileChannels || !(sampleRate > 0.0)) {
    why = "cannot write " + QuotePath(path) + ": nothing to write";
    info.format = 0;
  } else if (!sf_format_check(&info)) {
    why = "cannot write " + QuotePath(path) + ": the format cannot hold " + std::to_string(info.samplerate) + " Hz audio";
    info.format = 0;
  }
  return info;
}

}  // namespace

SoundWriter::~SoundWriter() {
  if (mSnd != nullptr) sf_close(mSnd);
}

sf_count_t SoundWriter::Length(void* self) {
  auto* w = static_cast<SoundWriter*>(self);
  struct stat st {};
  if (!w->mSeekable || fstat(w->mFile.Descriptor(), &st) != 0) return w->mEnd;
  return st.st_size;
}

sf_count_t SoundWriter::Seek(sf_count_t offset, int whence, void* self) {
  auto* w = static_cast<SoundWriter*>(self);
  if (w->mSeekable) return lseek(w->mFile.Descriptor(), offset, whence);
  // A pipe stays where it is: only a move to where it already is succeeds.
  // The FLAC encoder writes on after a move that failed (its length and
  // checksum into the header, at the close); those bytes belong to what has
  // already flowed away and are dropped, until a move back to the end.
  const sf_count_t to = whence == SEEK_SET ? offset : w->mEnd + offset;
  w->mAway = to != w->mEnd;
  return w->mAway ? -1 : to;
}

sf_count_t SoundWriter::Read(void*, sf_count_t, void*) {
  return 0;  // the file is open for writing only
}

sf_count_t SoundWriter::Put(const void* ptr, sf_count_t count, void* self) {
  auto* w = static_cast<SoundWriter*>(self);
  if (!w->mWriteProblem.empty()) return 0;
  if (w->mAway) return count;
  std::string why;
  if (count < 0 || !w->mFile.WriteAll(ptr, static_cast<size_t>(count), why)) {
    w->mWriteProblem = why.empty() ? "nothing could be written" : why;
    return 0;
  }
  if (!w->mSeekable) w->mEnd += count;
  return count;
}

sf_count_t SoundWriter::Tell(void* self) {
  auto* w = static_cast<SoundWriter*>(self);
  return w->mSeekable ? lseek(w->mFile.Descriptor(), 0, SEEK_CUR) : w->mEnd;
}

std::string SoundWriter::Failure(const std::string& why) const {
  return "cannot write " + QuotePath(mPath) + ": " + (mWriteProblem.empty() ? why : mWriteProblem);
}

bool SoundWriter::Open(const std::string& path, double sampleRate, int channels, int64_t frames, std::string& error) {
  mPath = path;
  SF_INFO info = InfoFor(path, sampleRate, channels, frames, error);
  if (info.format == 0) return false;
  std::string why;
  if (!mFile.Open(path, Streams(info.format), why)) {
    error = Failure(why);
    return false;
  }
  mSeekable = lseek(mFile.Descriptor(), 0, SEEK_CUR) >= 0;
  SF_VIRTUAL_IO io{Length, Seek, Read, Put, Tell};
  mSnd = sf_open_virtual(&io, SFM_WRITE, &info, this);
  if (mSnd == nullptr) {
    error = Failure(sf_strerror(nullptr));
    return false;
  }
  sf_command(mSnd, SFC_SET_CLIPPING, nullptr, SF_TRUE);
  // The library starts a FLAC stream only with its first audio, so audio of
  // no frames would leave an empty file: its header is written now.
  if (Streams(info.format)) sf_command(mSnd, SFC_UPDATE_HEADER_NOW, nullptr, SF_FALSE);
  if (!mWriteProblem.empty()) {
    error = Failure("");
    return false;
  }
  mChannels = channels;
  mMaxFrames = MaxOutputFrames(info.format, channels);
  mInterleaved.resize(kChunkFrames * static_cast<size_t>(channels));
  return true;
}

bool SoundWriter::Write(const float* const* channels, size_t n, std::string& error) {
  if (static_cast<int64_t>(n) > mMaxFrames - mWritten) {
    error = Failure("the audio is longer than this type of file holds (4 GiB)");
    return false;
  }
  const auto nch = static_cast<size_t>(mChannels);
  for (size_t pos = 0; pos < n;) {
    const size_t m = std::min(kChunkFrames, n - pos);
    for (size_t c = 0; c < nch; ++c) {
      const float* src = channels[c] + pos;
      float* dst = mInterleaved.data() + c;
      for (size_t i = 0; i < m; ++i) dst[i * nch] = src[i];
    }
    if (sf_writef_float(mSnd, mInterleaved.data(), static_cast<sf_count_t>(m)) != static_cast<sf_count_t>(m) ||
        !mWriteProblem.empty()) {
      error = Failure(sf_strerror(mSnd));
      return false;
    }
    pos += m;
  }
  mWritten += static_cast<int64_t>(n);
  return true;
}

bool SoundWriter::Finish(std::string& error) {
  SNDFILE* snd = mSnd;
  mSnd = nullptr;
  // The library writes the last of the audio and completes the header here.
  if (snd != nullptr && (sf_close(snd) != 0 || !mWriteProblem.empty())) {
    error = Failure("the file could not be completed");
    return false;
  }
  std::string why;
  if (!mFile.Close(why)) {
    error = Failure(why);
    return false;
  }
  return true;
}

bool SoundWriter::Commit(std::string& error) {
  if (mSnd != nullptr && !Finish(error)) return false;
  std::string why;
  if (!mFile.Commit(why)) {
    error = Failure(why);
    return false;
  }
  return true;
}

}  // namespace orbexhost
