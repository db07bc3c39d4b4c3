#pragma once
// Sound files byte by byte: headers built by hand, and the bytes of files
// libsndfile wrote, altered where a test needs their header to say
// something else.

#include <cmath>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>

namespace hosttest {

// v as n bytes, least significant first (Le) or last (Be).
inline std::string Le(uint64_t v, int n) {
  std::string b;
  for (int i = 0; i < n; ++i) b += static_cast<char>((v >> (8 * i)) & 0xFF);
  return b;
}
inline std::string Be(uint64_t v, int n) {
  std::string b;
  for (int i = n - 1; i >= 0; --i) b += static_cast<char>((v >> (8 * i)) & 0xFF);
  return b;
}

inline std::string FileBytesOf(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

inline void PutFileBytes(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// Overwrites bytes at the offset of the first `id` (a chunk's name) plus at.
inline void PutAt(std::string& bytes, const char* id, size_t at, const std::string& field) {
  const size_t where = bytes.find(id);
  if (where != std::string::npos) bytes.replace(where + at, field.size(), field);
}

// A 16-bit stereo PCM WAV whose header gives blockAlign bytes a frame.
inline std::string PcmWav(int frames, int blockAlign) {
  std::string data;
  for (int i = 0; i < 2 * frames; ++i)
    data += Le(static_cast<uint16_t>(static_cast<int16_t>(8000 * std::sin(0.05 * i))), 2);
  const std::string fmt = Le(1, 2) + Le(2, 2) + Le(48000, 4) + Le(48000u * static_cast<unsigned>(blockAlign), 4) +
                          Le(static_cast<unsigned>(blockAlign), 2) + Le(16, 2);
  const std::string body = "WAVEfmt " + Le(16, 4) + fmt + "data" + Le(data.size(), 4) + data;
  return "RIFF" + Le(body.size(), 4) + body;
}

}  // namespace hosttest
