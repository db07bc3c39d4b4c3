#include "host/SoundReader.h"

#include "host/DeclaredLength.h"
#include "host/MessageText.h"
#include "host/SoundFile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace orbexhost {

namespace {

constexpr size_t kChunkFrames = 4096;

}  // namespace

SoundReader::~SoundReader() {
  if (mFile != nullptr) sf_close(mFile);
}

bool SoundReader::Open(const std::string& path, std::string& error) {
  mPath = path;
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) {
    error = "cannot open " + QuotePath(path) + ": " + std::strerror(errno);
    return false;
  }
  if (S_ISDIR(st.st_mode)) {
    error = "cannot read " + QuotePath(path) + ": it is a folder";
    return false;
  }
  // A pipe would be waited on for ever when nothing writes into it, and a
  // stream's length is unknown until its end: refused before it is opened.
  if (!S_ISREG(st.st_mode)) {
    error = "cannot read " + QuotePath(path) + ": it is " +
            (S_ISFIFO(st.st_mode) ? "a pipe" : S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode) ? "a device" : "not a file") +
            "; only files of known length can be processed";
    return false;
  }
  mFile = sf_open(path.c_str(), SFM_READ, &mInfo);
  if (mFile == nullptr) {
    if (access(path.c_str(), R_OK) != 0)
      error = "cannot read " + QuotePath(path) + ": " + std::strerror(errno);
    else
      error = "cannot read " + QuotePath(path) + ": " + sf_strerror(nullptr);
    return false;
  }
  if (mInfo.channels < 1 || mInfo.channels > kMaxFileChannels) {
    error = QuotePath(path) + " has " + std::to_string(mInfo.channels) +
            " channels; only mono and stereo files can be processed";
    return false;
  }
  if (mInfo.samplerate < 1000 || mInfo.samplerate > 768000) {
    error = QuotePath(path) + " has an unusable sample rate of " + std::to_string(mInfo.samplerate) + " Hz";
    return false;
  }
  // The container's own count where it keeps one (libsndfile's is trimmed
  // to what is present), else the library's (FLAC's stream header).
  const DeclaredLength declared = ReadDeclaredLength(path);
  if (declared.endsInHeader) {
    error = QuotePath(path) + " is cut short: it ends inside its header, before its audio data";
    return false;
  }
  // More frames than the header accounts for (a block size that does not
  // fit the samples, a frame count short of the data): which of the two is
  // right cannot be told, and reading the header's count would drop audio.
  if (declared.frames >= 0 && mInfo.frames > declared.frames) {
    error = QuotePath(path) + " contradicts itself: its header makes it " + std::to_string(declared.frames) +
            " frames long, but its audio data holds " + std::to_string(mInfo.frames);
    return false;
  }
  mFrames = declared.frames >= 0 ? declared.frames : mInfo.frames;
  if (mFrames < 0 || mFrames == SF_COUNT_MAX) {
    error = QuotePath(path) + " does not say how long it is; only sound files of known length can be processed";
    return false;
  }
  mInterleaved.resize(kChunkFrames * static_cast<size_t>(mInfo.channels));
  return true;
}

bool SoundReader::Read(float* const* channels, size_t n, size_t& got, std::string& error) {
  got = 0;
  const int nch = mInfo.channels;
  const auto want = static_cast<size_t>(std::min<int64_t>(static_cast<int64_t>(n), mFrames - mRead));
  while (got < want) {
    const size_t chunk = std::min(kChunkFrames, want - got);
    const sf_count_t r = sf_readf_float(mFile, mInterleaved.data(), static_cast<sf_count_t>(chunk));
    if (r <= 0) break;
    const auto frames = static_cast<size_t>(r);
    for (int c = 0; c < nch; ++c) {
      float* dst = channels[c] + got;
      const float* src = mInterleaved.data() + c;
      for (size_t i = 0; i < frames; ++i) dst[i] = src[i * static_cast<size_t>(nch)];
    }
    got += frames;
    mRead += r;
  }
  if (got == want) return true;
  error = QuotePath(mPath) + " is cut short: its header promises " + std::to_string(mFrames) + " frames, but only " +
          std::to_string(mRead) + " can be read";
  if (sf_error(mFile) != SF_ERR_NO_ERROR) error += std::string(" (") + sf_strerror(mFile) + ")";
  return false;
}

}  // namespace orbexhost
