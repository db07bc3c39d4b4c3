#pragma once
// Sound files as a whole: planar float samples in memory, read and written
// through SoundReader and SoundWriter (the demo generator and the tests use
// these; the host itself streams). Main thread.

#include <string>
#include <vector>

namespace orbexhost {

struct AudioData {
  double sampleRate = 0.0;
  std::vector<std::vector<float>> channels;  // planar, all the same length

  int NumChannels() const { return static_cast<int>(channels.size()); }
  size_t NumFrames() const { return channels.empty() ? 0 : channels[0].size(); }
};

// Most channels the host renders (mono or stereo).
constexpr int kMaxFileChannels = 2;

// Reads a whole mono or stereo file. False with a one-line message in error
// (see SoundReader).
bool ReadSoundFile(const std::string& path, AudioData& out, std::string& error);

// Writes data as a whole, atomically (see SoundWriter). False with a message.
bool WriteSoundFile(const std::string& path, const AudioData& data, std::string& error);

}  // namespace orbexhost
