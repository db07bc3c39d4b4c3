#pragma once
// Reading and writing sound files through libsndfile: WAV, AIFF, FLAC (and
// the other formats the library reads) in, planar float samples out. Writing
// goes to a temporary file beside the target that is renamed into place only
// when every sample is written, so a failure never leaves a partial file
// (devices and pipes are written straight into).
// Main thread.

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

// Reads a mono or stereo file. False with a one-line message in error when
// the file is missing, unreadable, not a sound file, has more than two
// channels or an unusable sample rate.
bool ReadSoundFile(const std::string& path, AudioData& out, std::string& error);

// The libsndfile format for an output path, chosen by its extension: .wav or
// no extension 32-bit float WAV, .aif/.aiff/.aifc float AIFF, .caf float CAF,
// .w64 float Wave64, .flac 24-bit FLAC. 0 with a message for any other.
int OutputFormatForPath(const std::string& path, std::string& error);

// Writes data atomically (temporary file, then rename). False with a message.
bool WriteSoundFile(const std::string& path, const AudioData& data, std::string& error);

// Whether a file of this rate and channel count can be written at path:
// the folder (see OutputPathProblem), the type by extension, and what the
// format's writer accepts (for example FLAC's highest sample rate). False
// with a one-line message. Nothing is left at path.
bool CheckCanWrite(const std::string& path, double sampleRate, int channels, std::string& error);

// Why a file could not be created or replaced at path (empty when it can):
// the path is a folder, its folder is missing or not writable. Checked
// before a long render so that it fails at once.
std::string OutputPathProblem(const std::string& path);

// True when path exists and is neither a regular file nor a folder (a
// device such as /dev/null, a pipe, a socket). Such a target is written
// straight into, never replaced by a renamed temporary file.
bool IsSpecialFile(const std::string& path);

// True when a and b name the same file: the same file on disk when both
// exist (hard links and symbolic links included), otherwise the same
// folder and name.
bool SameFile(const std::string& a, const std::string& b);

}  // namespace orbexhost
