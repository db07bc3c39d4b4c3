#pragma once
// Sound files the host tests write with libsndfile directly: long files
// made fast, and every container the host reads, whole or cut short.

#include <gtest/gtest.h>
#include <sndfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace hosttest {

// Writes seconds of hot noise bursts as 16-bit PCM WAV, one second of
// material repeated at varying levels, so a long file is quick to make.
inline void WriteLongFile(const std::string& path, double seconds, int rate, int channels) {
  SF_INFO info{};
  info.samplerate = rate;
  info.channels = channels;
  info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
  SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
  ASSERT_NE(f, nullptr) << sf_strerror(nullptr);
  std::mt19937 rng(4);
  std::uniform_real_distribution<float> u(-1.0f, 1.0f);
  std::vector<float> second(static_cast<size_t>(rate * channels)), block(second.size());
  for (float& s : second) s = u(rng);
  const auto total = static_cast<int64_t>(std::llround(seconds * rate));
  for (int64_t done = 0, k = 0; done < total; ++k) {
    const float level = 0.25f + 0.25f * static_cast<float>(k % 4);
    for (size_t i = 0; i < block.size(); ++i) block[i] = level * second[i];
    const int64_t n = std::min<int64_t>(rate, total - done);
    ASSERT_EQ(sf_writef_float(f, block.data(), n), n);
    done += n;
  }
  sf_close(f);
}

// One container and encoding the host reads, as libsndfile writes it.
struct Container {
  const char* name;
  int format;
};
inline const std::vector<Container>& Containers() {
  static const std::vector<Container> all = {
      {"wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT},   {"aiff", SF_FORMAT_AIFF | SF_FORMAT_PCM_24},
      {"w64", SF_FORMAT_W64 | SF_FORMAT_PCM_16},  {"rf64", SF_FORMAT_RF64 | SF_FORMAT_PCM_16},
      {"caf", SF_FORMAT_CAF | SF_FORMAT_PCM_16},  {"flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16},
      {"u8.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_U8}, {"ulaw.wav", SF_FORMAT_WAV | SF_FORMAT_ULAW},
      {"x.wav", SF_FORMAT_WAVEX | SF_FORMAT_PCM_32}, {"rifx.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_24 | SF_ENDIAN_BIG},
      {"aifc", SF_FORMAT_AIFF | SF_FORMAT_FLOAT},  {"alaw.caf", SF_FORMAT_CAF | SF_FORMAT_ALAW},
      {"f64.w64", SF_FORMAT_W64 | SF_FORMAT_DOUBLE}};
  return all;
}

// Writes frames of a stereo tone in one container.
inline void WriteContainer(const std::string& path, int format, int frames) {
  SF_INFO info{};
  info.samplerate = 48000;
  info.channels = 2;
  info.format = format;
  SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
  ASSERT_NE(f, nullptr) << sf_strerror(nullptr);
  std::vector<float> x(static_cast<size_t>(2 * frames));
  for (size_t i = 0; i < x.size(); ++i) x[i] = static_cast<float>(0.5 * std::sin(0.01 * static_cast<double>(i)));
  ASSERT_EQ(sf_writef_float(f, x.data(), frames), frames);
  sf_close(f);
}

// The frames a sound file holds, as libsndfile counts them (-1 when it
// cannot be opened).
inline int64_t FramesIn(const std::string& path) {
  SF_INFO info{};
  SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
  if (f == nullptr) return -1;
  sf_close(f);
  return info.frames;
}

// Keeps the first bytes of a file.
inline void CutFile(const std::string& path, off_t bytes) { ASSERT_EQ(truncate(path.c_str(), bytes), 0); }

inline off_t FileSize(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 ? st.st_size : -1;
}

}  // namespace hosttest
