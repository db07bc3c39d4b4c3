#include "host/SoundFile.h"

#include "host/PartialFile.h"

#include <sndfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace orbexhost {

namespace {

// Largest file accepted: 2^31 frames per channel.
constexpr sf_count_t kMaxFrames = std::numeric_limits<int>::max();
constexpr size_t kChunkFrames = 65536;

std::string Extension(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  const size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
  std::string ext = path.substr(dot + 1);
  std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
  return ext;
}

std::string TempPathFor(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  const std::string dir = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
  const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
  return dir + "." + base + ".partial-" + std::to_string(static_cast<long>(getpid()));
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// The folder resolved through links, then the name; the path as given when
// the folder cannot be resolved.
std::string NormalPath(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  char* folder = realpath(FolderOf(path).c_str(), nullptr);
  if (folder == nullptr) return path;
  std::string out = std::string(folder) + "/" + name;
  std::free(folder);
  return out;
}

SF_INFO OutputInfo(const std::string& path, double sampleRate, int channels, std::string& error) {
  SF_INFO info{};
  info.format = OutputFormatForPath(path, error);
  if (info.format == 0) return info;
  info.samplerate = static_cast<int>(std::lround(sampleRate));
  info.channels = channels;
  if (channels < 1 || channels > kMaxFileChannels || !(sampleRate > 0.0)) {
    error = "cannot write '" + path + "': nothing to write";
    info.format = 0;
  } else if (!sf_format_check(&info)) {
    error = "cannot write '" + path + "': the format cannot hold " + std::to_string(info.samplerate) + " Hz audio";
    info.format = 0;
  }
  return info;
}

// Opens temp for writing path's audio; null with libsndfile's reason (which
// carries the system's for file errors; errno alone may be stale).
SNDFILE* OpenForWriting(const std::string& path, const std::string& temp, SF_INFO& info, std::string& error) {
  SNDFILE* file = sf_open(temp.c_str(), SFM_WRITE, &info);
  if (file == nullptr) {
    error = "cannot write '" + path + "': " + sf_strerror(nullptr);
    std::remove(temp.c_str());
  }
  return file;
}

// Writes every frame of data to an open file and closes it. False with a
// message when a write or the close fails.
bool WriteFrames(SNDFILE* file, const std::string& path, const AudioData& data, std::string& error) {
  // Integer formats clip instead of wrapping around.
  sf_command(file, SFC_SET_CLIPPING, nullptr, SF_TRUE);
  const size_t frames = data.NumFrames();
  const int nch = data.NumChannels();
  std::vector<float> chunk(kChunkFrames * static_cast<size_t>(nch));
  bool ok = true;
  for (size_t pos = 0; pos < frames && ok; pos += kChunkFrames) {
    const size_t n = std::min(kChunkFrames, frames - pos);
    for (size_t i = 0; i < n; ++i)
      for (int c = 0; c < nch; ++c) chunk[i * static_cast<size_t>(nch) + static_cast<size_t>(c)] = data.channels[static_cast<size_t>(c)][pos + i];
    if (sf_writef_float(file, chunk.data(), static_cast<sf_count_t>(n)) != static_cast<sf_count_t>(n)) {
      error = "cannot write '" + path + "': " + sf_strerror(file);
      ok = false;
    }
  }
  if (sf_close(file) != 0 && ok) {
    error = "cannot write '" + path + "': the file could not be completed";
    ok = false;
  }
  return ok;
}

}  // namespace

bool CheckCanWrite(const std::string& path, double sampleRate, int channels, std::string& error) {
  if (const std::string why = OutputPathProblem(path); !why.empty()) {
    error = "cannot write '" + path + "': " + why;
    return false;
  }
  SF_INFO info = OutputInfo(path, sampleRate, channels, error);
  if (info.format == 0) return false;
  // Some limits (FLAC's highest rate, for one) show only when the writer
  // starts: open and drop an empty file (not beside a device or pipe, which
  // is opened only once, for the real write).
  if (IsSpecialFile(path)) return true;
  const PartialFile probe(TempPathFor(path));
  SNDFILE* file = OpenForWriting(path, probe.Path(), info, error);
  if (file == nullptr) return false;
  sf_close(file);
  return true;
}

bool IsSpecialFile(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode);
}

std::string OutputPathProblem(const std::string& path) {
  struct stat st {};
  if (!path.empty() && path.back() == '/') return "it is a folder";
  if (stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return "it is a folder";
  if (IsSpecialFile(path)) return access(path.c_str(), W_OK) == 0 ? std::string() : std::strerror(errno);
  const std::string folder = FolderOf(path);
  if (stat(folder.c_str(), &st) != 0) return "its folder '" + folder + "' does not exist";
  if (!S_ISDIR(st.st_mode)) return "'" + folder + "' is not a folder";
  if (access(folder.c_str(), W_OK) != 0) return "its folder '" + folder + "' is not writable";
  return {};
}

bool SameFile(const std::string& a, const std::string& b) {
  struct stat sa {}, sb {};
  if (stat(a.c_str(), &sa) == 0 && stat(b.c_str(), &sb) == 0) return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
  return NormalPath(a) == NormalPath(b);
}

bool ReadSoundFile(const std::string& path, AudioData& out, std::string& error) {
  out = AudioData();
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) {
    error = "cannot open '" + path + "': " + std::strerror(errno);
    return false;
  }
  if (S_ISDIR(st.st_mode)) {
    error = "cannot read '" + path + "': it is a folder";
    return false;
  }
  SF_INFO info{};
  SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
  if (file == nullptr) {
    if (access(path.c_str(), R_OK) != 0)
      error = "cannot read '" + path + "': " + std::strerror(errno);
    else
      error = "cannot read '" + path + "': " + sf_strerror(nullptr);
    return false;
  }
  bool ok = true;
  if (info.channels < 1 || info.channels > kMaxFileChannels) {
    error = "'" + path + "' has " + std::to_string(info.channels) +
            " channels; only mono and stereo files can be processed";
    ok = false;
  } else if (info.samplerate < 1000 || info.samplerate > 768000) {
    error = "'" + path + "' has an unusable sample rate of " + std::to_string(info.samplerate) + " Hz";
    ok = false;
  } else if (info.frames < 0 || info.frames > kMaxFrames) {
    error = "'" + path + "' is too long to process";
    ok = false;
  }
  if (ok) {
    out.sampleRate = info.samplerate;
    out.channels.assign(static_cast<size_t>(info.channels), {});
    for (auto& c : out.channels) c.reserve(static_cast<size_t>(info.frames));
    std::vector<float> chunk(kChunkFrames * static_cast<size_t>(info.channels));
    for (;;) {
      const sf_count_t got = sf_readf_float(file, chunk.data(), static_cast<sf_count_t>(kChunkFrames));
      if (got <= 0) break;
      for (sf_count_t i = 0; i < got; ++i)
        for (int c = 0; c < info.channels; ++c)
          out.channels[static_cast<size_t>(c)].push_back(chunk[static_cast<size_t>(i * info.channels + c)]);
      if (static_cast<sf_count_t>(out.NumFrames()) > kMaxFrames) {
        error = "'" + path + "' is too long to process";
        ok = false;
        break;
      }
    }
    if (ok && sf_error(file) != SF_ERR_NO_ERROR) {
      error = "cannot read '" + path + "': " + sf_strerror(file);
      ok = false;
    }
  }
  sf_close(file);
  if (!ok) out = AudioData();
  return ok;
}

int OutputFormatForPath(const std::string& path, std::string& error) {
  const std::string ext = Extension(path);
  if (ext.empty() || ext == "wav" || ext == "wave") return SF_FORMAT_WAV | SF_FORMAT_FLOAT;
  if (ext == "aif" || ext == "aiff" || ext == "aifc") return SF_FORMAT_AIFF | SF_FORMAT_FLOAT;
  if (ext == "caf") return SF_FORMAT_CAF | SF_FORMAT_FLOAT;
  if (ext == "w64") return SF_FORMAT_W64 | SF_FORMAT_FLOAT;
  if (ext == "flac") return SF_FORMAT_FLAC | SF_FORMAT_PCM_24;
  error = "cannot write '" + path + "': unknown output type '." + ext + "' (use .wav, .aiff, .flac, .caf or .w64)";
  return 0;
}

bool WriteSoundFile(const std::string& path, const AudioData& data, std::string& error) {
  SF_INFO info = OutputInfo(path, data.sampleRate, data.NumChannels(), error);
  if (info.format == 0) return false;
  struct stat st {};
  if (stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
    error = "cannot write '" + path + "': it is a folder";
    return false;
  }
  if (IsSpecialFile(path)) {
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (file == nullptr) {
      error = "cannot write '" + path + "': " + sf_strerror(nullptr);
      return false;
    }
    return WriteFrames(file, path, data, error);
  }
  PartialFile partial(TempPathFor(path));
  const std::string& temp = partial.Path();
  SNDFILE* file = OpenForWriting(path, temp, info, error);
  if (file == nullptr) return false;
  bool ok = WriteFrames(file, path, data, error);
  if (ok && std::rename(temp.c_str(), path.c_str()) != 0) {
    error = "cannot write '" + path + "': " + std::strerror(errno);
    ok = false;
  }
  if (ok) partial.Keep();
  return ok;
}

}  // namespace orbexhost
