#include "host/SoundWriter.h"

#include "host/MessageText.h"
#include "host/SoundFile.h"

#include <algorithm>
#include <cmath>

namespace orbexhost {

namespace {

constexpr size_t kChunkFrames = 4096;

// The one type of ours that can be written without going back to its start.
bool Streams(int format) { return (format & SF_FORMAT_TYPEMASK) == SF_FORMAT_FLAC; }

SF_INFO InfoFor(const std::string& path, double sampleRate, int channels, std::string& why) {
  SF_INFO info{};
  info.format = OutputFormatForPath(path, why);
  if (info.format == 0) return info;
  info.samplerate = static_cast<int>(std::lround(sampleRate));
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

bool SoundWriter::Open(const std::string& path, double sampleRate, int channels, std::string& error) {
  mPath = path;
  SF_INFO info = InfoFor(path, sampleRate, channels, error);
  if (info.format == 0) return false;
  std::string why;
  if (!mFile.Open(path, Streams(info.format), why)) {
    error = "cannot write " + QuotePath(path) + ": " + why;
    return false;
  }
  // libsndfile's reason carries the system's for file errors.
  mSnd = sf_open_fd(mFile.Descriptor(), SFM_WRITE, &info, SF_FALSE);
  if (mSnd == nullptr) {
    error = "cannot write " + QuotePath(path) + ": " + sf_strerror(nullptr);
    return false;
  }
  sf_command(mSnd, SFC_SET_CLIPPING, nullptr, SF_TRUE);
  mChannels = channels;
  mInterleaved.resize(kChunkFrames * static_cast<size_t>(channels));
  return true;
}

bool SoundWriter::Write(const float* const* channels, size_t n, std::string& error) {
  const auto nch = static_cast<size_t>(mChannels);
  for (size_t pos = 0; pos < n;) {
    const size_t m = std::min(kChunkFrames, n - pos);
    for (size_t c = 0; c < nch; ++c) {
      const float* src = channels[c] + pos;
      float* dst = mInterleaved.data() + c;
      for (size_t i = 0; i < m; ++i) dst[i * nch] = src[i];
    }
    if (sf_writef_float(mSnd, mInterleaved.data(), static_cast<sf_count_t>(m)) != static_cast<sf_count_t>(m)) {
      error = "cannot write " + QuotePath(mPath) + ": " + sf_strerror(mSnd);
      return false;
    }
    pos += m;
  }
  return true;
}

bool SoundWriter::Finish(std::string& error) {
  SNDFILE* snd = mSnd;
  mSnd = nullptr;
  if (snd != nullptr && sf_close(snd) != 0) {
    error = "cannot write " + QuotePath(mPath) + ": the file could not be completed";
    return false;
  }
  std::string why;
  if (!mFile.Close(why)) {
    error = "cannot write " + QuotePath(mPath) + ": " + why;
    return false;
  }
  return true;
}

bool SoundWriter::Commit(std::string& error) {
  if (mSnd != nullptr && !Finish(error)) return false;
  std::string why;
  if (!mFile.Commit(why)) {
    error = "cannot write " + QuotePath(mPath) + ": " + why;
    return false;
  }
  return true;
}

}  // namespace orbexhost
