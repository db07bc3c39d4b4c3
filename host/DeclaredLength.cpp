#include "host/DeclaredLength.h"

#include <cstdio>
#include <cstring>

namespace orbexhost {

namespace {

// Enough chunks for any real header; a file of endless tiny chunks is not walked to its end.
constexpr int kMaxChunks = 4096;

class Bytes {
public:
  explicit Bytes(const std::string& path) : mFile(std::fopen(path.c_str(), "rb")) {}
  ~Bytes() {
    if (mFile != nullptr) std::fclose(mFile);
  }
  Bytes(const Bytes&) = delete;
  Bytes& operator=(const Bytes&) = delete;

  // Reads n bytes at offset; false when the file ends first.
  bool At(int64_t offset, unsigned char* out, size_t n) {
    return mFile != nullptr && offset >= 0 && fseeko(mFile, static_cast<off_t>(offset), SEEK_SET) == 0 &&
           std::fread(out, 1, n, mFile) == n;
  }

private:
  FILE* mFile;
};

uint64_t Little(const unsigned char* p, int n) {
  uint64_t v = 0;
  for (int i = n - 1; i >= 0; --i) v = (v << 8) | p[i];
  return v;
}

uint64_t Big(const unsigned char* p, int n) {
  uint64_t v = 0;
  for (int i = 0; i < n; ++i) v = (v << 8) | p[i];
  return v;
}

bool Is(const unsigned char* p, const char* id) { return std::memcmp(p, id, 4) == 0; }

// Formats whose data size divided by the block size is the frame count:
// integer PCM, float, A-law, mu-law, and the extensible wrapper around them.
bool PlainWaveFormat(uint64_t tag) { return tag == 1 || tag == 3 || tag == 6 || tag == 7 || tag == 0xFFFE; }

constexpr DeclaredLength kEndsInHeader{-1, true};

DeclaredLength WaveLength(Bytes& f, bool bigEndian) {
  auto num = [&](const unsigned char* p, int n) { return bigEndian ? Big(p, n) : Little(p, n); };
  uint64_t tag = 0, blockAlign = 0, ds64Data = 0;
  bool haveFmt = false, haveDs64 = false;
  int64_t at = 12;
  unsigned char h[8], body[28];
  for (int i = 0; i < kMaxChunks; ++i) {
    if (!f.At(at, h, 8)) return kEndsInHeader;
    const uint64_t size = num(h + 4, 4);
    if (Is(h, "fmt ") && size >= 16 && f.At(at + 8, body, 16)) {
      tag = num(body, 2);
      blockAlign = num(body + 12, 2);
      haveFmt = true;
    } else if (Is(h, "ds64") && size >= 24 && f.At(at + 8, body, 24)) {
      ds64Data = Little(body + 8, 8);
      haveDs64 = true;
    } else if (Is(h, "data")) {
      uint64_t dataSize = size;
      if (size == 0xFFFFFFFFu && haveDs64) dataSize = ds64Data;
      else if (size == 0 || size == 0xFFFFFFFFu) return {};  // written as a stream: no length
      if (!haveFmt || !PlainWaveFormat(tag) || blockAlign == 0) return {};
      return {static_cast<int64_t>(dataSize / blockAlign), false};
    }
    at += 8 + static_cast<int64_t>(size + (size & 1));
  }
  return {};
}

// AIFC compressions whose frame count the reader knows exactly (uncompressed
// samples in either byte order, floats, A-law and mu-law).
bool PlainAifcCompression(const unsigned char* p) {
  for (const char* id : {"NONE", "sowt", "twos", "raw ", "in24", "in32", "fl32", "FL32", "fl64", "FL64", "ulaw",
                         "ULAW", "alaw", "ALAW"})
    if (Is(p, id)) return true;
  return false;
}

int64_t AiffFrames(Bytes& f, bool compressed) {
  int64_t at = 12;
  unsigned char h[8], body[22];
  for (int i = 0; i < kMaxChunks && f.At(at, h, 8); ++i) {
    const uint64_t size = Big(h + 4, 4);
    if (Is(h, "COMM")) {
      if (!f.At(at + 8, body, compressed ? 22 : 6) || size < (compressed ? 22u : 6u)) return -1;
      if (compressed && !PlainAifcCompression(body + 18)) return -1;
      return static_cast<int64_t>(Big(body + 2, 4));
    }
    at += 8 + static_cast<int64_t>(size + (size & 1));
  }
  return -1;
}

DeclaredLength Wave64Length(Bytes& f) {
  // Chunks: a 16-byte identifier whose first four bytes name it, a 64-bit
  // size that includes the 24-byte chunk header, padding to 8 bytes.
  uint64_t tag = 0, blockAlign = 0;
  bool haveFmt = false;
  int64_t at = 40;
  unsigned char h[24], body[16];
  for (int i = 0; i < kMaxChunks; ++i) {
    if (!f.At(at, h, 24)) return kEndsInHeader;
    const uint64_t size = Little(h + 16, 8);
    if (size < 24 || size > (uint64_t{1} << 62)) return {};
    if (Is(h, "fmt ") && size >= 40 && f.At(at + 24, body, 16)) {
      tag = Little(body, 2);
      blockAlign = Little(body + 12, 2);
      haveFmt = true;
    } else if (Is(h, "data")) {
      if (!haveFmt || !PlainWaveFormat(tag) || blockAlign == 0) return {};
      return {static_cast<int64_t>((size - 24) / blockAlign), false};
    }
    at += static_cast<int64_t>((size + 7) & ~uint64_t{7});
  }
  return {};
}

int64_t CafFrames(Bytes& f) {
  uint64_t bytesPerPacket = 0, framesPerPacket = 0;
  bool haveDesc = false;
  int64_t dataSize = -2;  // -2: no data chunk seen
  int64_t at = 8;
  unsigned char h[12], body[32];
  for (int i = 0; i < kMaxChunks && f.At(at, h, 12); ++i) {
    const auto size = static_cast<int64_t>(Big(h + 4, 8));
    if (Is(h, "desc") && size >= 32 && f.At(at + 12, body, 32)) {
      bytesPerPacket = Big(body + 16, 4);
      framesPerPacket = Big(body + 20, 4);
      haveDesc = true;
    } else if (Is(h, "data")) {
      dataSize = size;
      if (size < 0) break;  // -1: the data runs to the end of the file
    }
    if (size < 0 || size > (int64_t{1} << 62)) break;
    at += 12 + size;
  }
  // Packets of varying size (compressed data) keep their count elsewhere.
  if (dataSize < 4 || !haveDesc || bytesPerPacket == 0) return -1;
  return static_cast<int64_t>(static_cast<uint64_t>(dataSize - 4) / bytesPerPacket * framesPerPacket);
}

}  // namespace

DeclaredLength ReadDeclaredLength(const std::string& path) {
  Bytes f(path);
  unsigned char head[16];
  if (!f.At(0, head, 16)) return {};
  if (Is(head + 8, "WAVE")) {
    if (Is(head, "RIFF") || Is(head, "RF64") || Is(head, "BW64")) return WaveLength(f, false);
    if (Is(head, "RIFX")) return WaveLength(f, true);
  }
  if (Is(head, "FORM") && (Is(head + 8, "AIFF") || Is(head + 8, "AIFC")))
    return {AiffFrames(f, Is(head + 8, "AIFC")), false};
  static const unsigned char kW64Riff[16] = {'r', 'i', 'f', 'f', 0x2E, 0x91, 0xCF, 0x11,
                                             0xA5, 0xD6, 0x28, 0xDB, 0x04, 0xC1, 0x00, 0x00};
  if (std::memcmp(head, kW64Riff, 16) == 0) return Wave64Length(f);
  if (Is(head, "caff")) return {CafFrames(f), false};
  return {};
}

}  // namespace orbexhost
