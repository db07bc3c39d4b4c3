#include "host/OutputFormat.h"

#include "host/MessageText.h"

#include <sndfile.h>

#include <algorithm>
#include <cctype>
#include <limits>

namespace orbexhost {

namespace {

std::string Extension(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  const size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
  std::string ext = path.substr(dot + 1);
  std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
  return ext;
}

int SampleBytes(int format) {
  switch (format & SF_FORMAT_SUBMASK) {
    case SF_FORMAT_PCM_16: return 2;
    case SF_FORMAT_PCM_24: return 3;
    case SF_FORMAT_DOUBLE: return 8;
    default: return 4;
  }
}

}  // namespace

int OutputFormatForPath(const std::string& path, std::string& error) {
  const std::string ext = Extension(path);
  if (ext.empty() || ext == "wav" || ext == "wave") return SF_FORMAT_WAV | SF_FORMAT_FLOAT;
  if (ext == "aif" || ext == "aiff" || ext == "aifc") return SF_FORMAT_AIFF | SF_FORMAT_FLOAT;
  if (ext == "caf") return SF_FORMAT_CAF | SF_FORMAT_FLOAT;
  if (ext == "w64") return SF_FORMAT_W64 | SF_FORMAT_FLOAT;
  if (ext == "flac") return SF_FORMAT_FLAC | SF_FORMAT_PCM_24;
  error = "cannot write " + QuotePath(path) + ": unknown output type " + Quote("." + ext) + " (use .wav, .aiff, .flac, .caf or .w64)";
  return 0;
}

int64_t MaxOutputFrames(int format, int channels) {
  const int type = format & SF_FORMAT_TYPEMASK;
  if ((type != SF_FORMAT_WAV && type != SF_FORMAT_AIFF) || channels < 1) return std::numeric_limits<int64_t>::max();
  return kMax32BitAudioBytes / (int64_t{channels} * SampleBytes(format));
}

bool FormatHoldsRate(int format, int rate) {
  if ((format & SF_FORMAT_TYPEMASK) != SF_FORMAT_FLAC) return true;
  return rate >= 1 && (rate <= 65535 || (rate <= 655350 && rate % 10 == 0));
}

int OutputFormatFor(const std::string& path, int channels, int64_t frames, int rate, std::string& error) {
  const int format = OutputFormatForPath(path, error);
  if (format != 0 && !FormatHoldsRate(format, rate)) {
    error = "cannot write " + QuotePath(path) + ": a FLAC file holds sample rates of 1 to 65535 Hz and multiples of " +
            "10 Hz up to 655350 Hz, and this audio is at " + std::to_string(rate) +
            " Hz; .wav, .aiff, .caf and .w64 hold it";
    return 0;
  }
  const int64_t most = MaxOutputFrames(format, channels);
  if (format == 0 || frames <= most) return format;
  if ((format & SF_FORMAT_TYPEMASK) == SF_FORMAT_WAV) return SF_FORMAT_RF64 | (format & SF_FORMAT_SUBMASK);
  error = "cannot write " + QuotePath(path) + ": an AIFF file holds at most 4 GiB of audio (" + std::to_string(most) +
          " frames of " + std::to_string(channels) + " channel(s)) and this audio has " + std::to_string(frames) +
          " frames; .wav (written as RF64), .caf and .w64 hold more";
  return 0;
}

}  // namespace orbexhost
