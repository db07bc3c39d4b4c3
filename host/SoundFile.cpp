#include "host/SoundFile.h"

#include "host/MessageText.h"
#include "host/SoundReader.h"
#include "host/SoundWriter.h"

#include <sndfile.h>

#include <algorithm>
#include <cctype>

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

}  // namespace

bool ReadSoundFile(const std::string& path, AudioData& out, std::string& error) {
  out = AudioData();
  SoundReader reader;
  if (!reader.Open(path, error)) return false;
  AudioData data;
  data.sampleRate = reader.SampleRate();
  data.channels.assign(static_cast<size_t>(reader.NumChannels()), std::vector<float>(static_cast<size_t>(reader.NumFrames())));
  std::vector<float*> channels;
  for (auto& c : data.channels) channels.push_back(c.data());
  size_t got = 0;
  if (!reader.Read(channels.data(), data.NumFrames(), got, error)) return false;
  out = std::move(data);
  return true;
}

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

bool WriteSoundFile(const std::string& path, const AudioData& data, std::string& error) {
  SoundWriter writer;
  std::vector<const float*> channels;
  for (const auto& c : data.channels) channels.push_back(c.data());
  return writer.Open(path, data.sampleRate, data.NumChannels(), error) &&
         writer.Write(channels.data(), data.NumFrames(), error) && writer.Commit(error);
}

}  // namespace orbexhost
