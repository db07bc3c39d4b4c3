#include "host/SoundFile.h"

#include "host/SoundReader.h"
#include "host/SoundWriter.h"

namespace orbexhost {

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

bool WriteSoundFile(const std::string& path, const AudioData& data, std::string& error) {
  SoundWriter writer;
  std::vector<const float*> channels;
  for (const auto& c : data.channels) channels.push_back(c.data());
  return writer.Open(path, data.sampleRate, data.NumChannels(), static_cast<int64_t>(data.NumFrames()), error) &&
         writer.Write(channels.data(), data.NumFrames(), error) && writer.Commit(error);
}

}  // namespace orbexhost
