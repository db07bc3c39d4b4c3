#include "host/SoundReader.h"

#include "host/MessageText.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace orbexhost {

namespace {

constexpr size_t kChunkFrames = 4096;

const char kWhatIsRead[] =
    "the host reads WAV, RF64, Wave64, AIFF, AIFF-C and CAF files of integer PCM, float, u-law or A-law samples, "
    "and FLAC files";

using View = SoundReader::View;

// The library is shown the container alone, from its first byte.
sf_count_t ViewLength(void* user) {
  const auto* v = static_cast<View*>(user);
  return v->bytes->Size() - v->header->base;
}

sf_count_t ViewSeek(sf_count_t offset, int whence, void* user) {
  auto* v = static_cast<View*>(user);
  const int64_t from = whence == SEEK_CUR ? v->position : whence == SEEK_END ? ViewLength(user) : 0;
  if (from + offset < 0) return -1;
  v->position = from + offset;
  return v->position;
}

sf_count_t ViewRead(void* out, sf_count_t count, void* user) {
  auto* v = static_cast<View*>(user);
  auto* bytes = static_cast<unsigned char*>(out);
  const SoundHeader& h = *v->header;
  const int64_t at = h.base + v->position;
  const int64_t got = v->bytes->Some(at, bytes, static_cast<size_t>(std::max<sf_count_t>(count, 0)));
  if (got <= 0) return 0;
  for (int i = 0; i < h.patchBytes; ++i) {
    const int64_t k = h.patchAt + i - at;
    if (k >= 0 && k < got) bytes[k] = h.patch[i];
  }
  v->position += got;
  return got;
}

sf_count_t ViewWrite(const void*, sf_count_t, void*) { return 0; }

sf_count_t ViewTell(void* user) { return static_cast<View*>(user)->position; }

// Bytes of one sample of the library's subtype; 0 for a subtype not read.
int SampleBytes(int format) {
  switch (format & SF_FORMAT_SUBMASK) {
    case SF_FORMAT_PCM_S8:
    case SF_FORMAT_PCM_U8:
    case SF_FORMAT_ULAW:
    case SF_FORMAT_ALAW: return 1;
    case SF_FORMAT_PCM_16: return 2;
    case SF_FORMAT_PCM_24: return 3;
    case SF_FORMAT_PCM_32:
    case SF_FORMAT_FLOAT: return 4;
    case SF_FORMAT_DOUBLE: return 8;
    default: return 0;
  }
}

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
  if (!mBytes.Open(path)) {
    error = "cannot read " + QuotePath(path) + ": " + std::strerror(errno);
    return false;
  }
  mHeader = ReadSoundHeader(mBytes);
  if (Refuse(error)) return false;
  static SF_VIRTUAL_IO io{ViewLength, ViewSeek, ViewRead, ViewWrite, ViewTell};
  mView = View{&mBytes, &mHeader, 0};
  mFile = sf_open_virtual(&io, SFM_READ, &mInfo, &mView);
  if (mFile == nullptr) {
    if (mHeader.present < mHeader.frames)
      error = QuotePath(path) + " is cut short: its header promises " + std::to_string(mHeader.frames) +
              " frames, but only " + std::to_string(mHeader.present) + " are present";
    else
      error = "cannot read " + QuotePath(path) + ": the audio library refuses it (" + sf_strerror(nullptr) + ")";
    return false;
  }
  const int sampleBytes = SampleBytes(mInfo.format);
  if (sampleBytes == 0 || mInfo.channels != mHeader.channels ||
      (mHeader.frameBytes != 0 && sampleBytes * mInfo.channels != mHeader.frameBytes)) {
    error = "cannot read " + QuotePath(path) +
            ": the audio library reads its samples otherwise than its header describes them";
    return false;
  }
  if (mInfo.samplerate < 1000 || mInfo.samplerate > 768000) {
    error = QuotePath(path) + " has an unusable sample rate of " + std::to_string(mInfo.samplerate) + " Hz";
    return false;
  }
  // The header's count, not the library's: the library counts what follows
  // a Wave64 file's audio data as audio, and trims a count to the frames
  // present (a cut file then fails when its end is reached).
  mFrames = mHeader.frames;
  mInterleaved.resize(kChunkFrames * static_cast<size_t>(mInfo.channels));
  return true;
}

// A file the host does not read, or whose header says it cannot be read
// whole: true with the message. Such a file is never handed to the library.
bool SoundReader::Refuse(std::string& error) {
  const std::string name = QuotePath(mPath);
  if (mBytes.LastError() != 0) {
    error = "cannot read " + name + ": " + std::strerror(mBytes.LastError());
  } else if (mBytes.Size() == 0) {
    error = "cannot read " + name + ": it is empty";
  } else if (mHeader.container == SoundHeader::Container::kNone) {
    error = "cannot read " + name + ": " +
            (mHeader.otherType.empty() ? "it is not a sound file of a type the host reads"
                                       : "it is of type " + mHeader.otherType) +
            "; " + kWhatIsRead;
  } else if (!mHeader.foreign.empty()) {
    error = "cannot read " + name + ": it holds " + mHeader.foreign + "; " + kWhatIsRead;
  } else if (!mHeader.problem.empty()) {
    error = name + " " + mHeader.problem;
  } else {
    return false;
  }
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
  const std::string name = QuotePath(mPath);
  if (mBytes.LastError() != 0)
    error = "cannot read " + name + ": " + std::strerror(mBytes.LastError());
  else if (mHeader.present < mFrames)
    error = name + " is cut short: its header promises " + std::to_string(mFrames) + " frames, but only " +
            std::to_string(mRead) + " can be read";
  else
    error = name + " is damaged: its audio data cannot be decoded past frame " + std::to_string(mRead) + " of " +
            std::to_string(mFrames);
  return false;
}

}  // namespace orbexhost
