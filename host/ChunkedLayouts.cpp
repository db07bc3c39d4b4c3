// The readers of the chunked containers: where the audio chunk lies, what
// the format chunk says of its samples, and whether only metadata chunks
// follow it.
#include "host/AudioLayout.h"
#include "host/ChunkWalk.h"
#include "host/SoundTypeNames.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace orbexhost {

namespace {

bool Is(const Chunk& c, const char* id) { return std::memcmp(c.id, id, 4) == 0; }

// Whether an ID3 tag, as some programs append to any file, runs from at to
// the end of the file: a 128-byte one, or one with a header of its own.
bool AppendedTag(FileBytes& f, int64_t at) {
  unsigned char h[3];
  if (at + 128 == f.Size() && f.At(at, h, 3) && std::memcmp(h, "TAG", 3) == 0) return true;
  const int64_t tag = Id3TagBytes(f, at);
  return tag > 0 && at + tag == f.Size();
}

// Walks every chunk. The chunk named audioId is the audio data: `audio`
// takes it (setting dataStart and dataBytes, or openLength) and returns
// where the next chunk starts. Every other chunk goes to `describe`
// wherever it lies; after the audio chunk, each must be a whole chunk with
// a printable identifier (where the container has them), or an ID3 tag
// that runs to the end of the file; else what follows the declared audio
// is taken for more audio.
template <class Describe, class Audio>
void WalkChunks(FileBytes& f, ChunkWalk& walk, const char* audioId, bool printableIds, AudioLayout& a,
                Describe describe, Audio audio) {
  Chunk c;
  bool after = false;
  while (walk.Next(c)) {
    if (Is(c, audioId)) {
      if (after) {  // a second audio chunk: audio the header does not count
        a.trailingChunks = false;
        return;
      }
      after = true;
      const int64_t next = audio(c);
      if (a.openLength || !a.problem.empty() || a.endsInHeader) return;
      // Cut inside the audio data (or before it): nothing follows it.
      const int64_t room = f.Size() - a.dataStart;
      if (room < 0 || a.dataBytes > static_cast<uint64_t>(room)) return;
      walk.ContinueAt(next);
      continue;
    }
    if (!c.fits || (after && printableIds && !PrintableId(c))) {
      if (after)
        a.trailingChunks = AppendedTag(f, c.at);
      else
        a.endsInHeader = true;
      return;
    }
    describe(c);
    if (!a.problem.empty()) return;
  }
  if (!after) {
    if (walk.Ended() == ChunkWalk::End::kTooMany)
      a.problem = "holds more chunks before its audio data than any sound file's header";
    else
      a.endsInHeader = true;
  } else if (walk.Ended() != ChunkWalk::End::kClean) {
    a.trailingChunks = false;
  }
}

// A file whose audio chunk was found, but no chunk describing its samples.
void RequireDescription(AudioLayout& a, bool described, const char* chunk) {
  if (!described && a.problem.empty() && !a.endsInHeader)
    a.problem = std::string("is damaged: it has no ") + chunk + " chunk describing its samples";
}

// The samples a WAVE format chunk (WAV, RF64, Wave64) describes.
void ReadWaveFormat(FileBytes& f, const Chunk& c, bool bigEndian, AudioLayout& a) {
  unsigned char p[40] = {};
  if (c.size < 16 || !f.At(c.body, p, c.size >= 40 ? 40 : 16)) {
    a.problem = "is damaged: its format chunk holds " + std::to_string(c.size) + " bytes, too few to describe samples";
    return;
  }
  auto num = [&](int at, int n) { return Number(p + at, n, bigEndian); };
  uint64_t tag = num(0, 2);
  a.channels = static_cast<int>(num(2, 2));
  a.statedFrameBytes = static_cast<int64_t>(num(12, 2));
  a.bits = static_cast<int>(num(14, 2));
  if (tag == 0xFFFE) {
    // The extensible format names its samples by a GUID whose last twelve
    // bytes are those of every standard format.
    static const unsigned char kSuffix[14] = {0, 0, 0, 0, 0x10, 0, 0x80, 0, 0, 0xAA, 0, 0x38, 0x9B, 0x71};
    if (c.size >= 40 && !bigEndian && std::memcmp(p + 26, kSuffix, sizeof kSuffix) == 0) tag = num(24, 2);
  }
  switch (tag) {
    case 1:  // integer PCM
      if (a.bits < 1 || a.bits > 32) a.foreign = std::to_string(a.bits) + "-bit integer samples";
      a.sampleBytes = (a.bits + 7) / 8;
      break;
    case 3:  // IEEE float
      if (a.bits != 32 && a.bits != 64) a.foreign = std::to_string(a.bits) + "-bit float samples";
      a.isFloat = true;
      a.sampleBytes = a.bits / 8;
      break;
    case 6:  // A-law
    case 7:  // mu-law
      a.sampleBytes = 1;
      break;
    default: a.foreign = WaveEncoding(tag);
  }
}

}  // namespace

AudioLayout ReadWaveLayout(FileBytes& f, int64_t base, bool bigEndian) {
  AudioLayout a;
  ChunkWalk walk(f, ChunkSyntax{8, 4, 4, bigEndian, false, 2}, base + 12);
  bool haveFmt = false, haveDs64 = false;
  uint64_t ds64Data = 0;
  WalkChunks(
      f, walk, "data", true, a,
      [&](const Chunk& c) {
        unsigned char b[24];
        if (Is(c, "fmt ")) {
          ReadWaveFormat(f, c, bigEndian, a);
          haveFmt = true;
        } else if (Is(c, "ds64") && c.size >= 24 && f.At(c.body, b, 24)) {
          ds64Data = Number(b + 8, 8, false);
          haveDs64 = true;
        }
      },
      [&](const Chunk& c) -> int64_t {
        a.dataStart = c.body;
        // RF64 keeps the size in its ds64 chunk; without one, all bits set
        // is a length left open by a program that wrote the file as a stream.
        if (c.size == 0xFFFFFFFFu && !haveDs64) {
          a.openLength = true;
          return -1;
        }
        a.dataBytes = c.size == 0xFFFFFFFFu ? ds64Data : c.size;
        return c.body + static_cast<int64_t>(a.dataBytes + (a.dataBytes & 1));
      });
  RequireDescription(a, haveFmt, "format");
  return a;
}

AudioLayout ReadWave64Layout(FileBytes& f, int64_t base) {
  AudioLayout a;
  // Chunks are named by 16-byte identifiers whose first four bytes read as
  // the WAV chunk names; sizes count the 24-byte header; 8-byte alignment.
  ChunkWalk walk(f, ChunkSyntax{24, 16, 8, false, true, 8}, base + 40);
  bool haveFmt = false;
  WalkChunks(
      f, walk, "data", false, a,
      [&](const Chunk& c) {
        if (!Is(c, "fmt ")) return;
        ReadWaveFormat(f, c, false, a);
        haveFmt = true;
      },
      [&](const Chunk& c) -> int64_t {
        a.dataStart = c.body;
        a.dataBytes = c.size;
        return c.body + static_cast<int64_t>((c.size + 7) & ~uint64_t{7});
      });
  RequireDescription(a, haveFmt, "format");
  return a;
}

AudioLayout ReadAiffLayout(FileBytes& f, int64_t base, bool aifc) {
  AudioLayout a;
  a.statedFrameName = nullptr;
  ChunkWalk walk(f, ChunkSyntax{8, 4, 4, true, false, 2}, base + 12);
  bool haveComm = false;
  WalkChunks(
      f, walk, "SSND", true, a,
      [&](const Chunk& c) {
        unsigned char p[22] = {};
        if (!Is(c, "COMM")) return;
        const size_t need = aifc ? 22 : 18;
        if (c.size < need || !f.At(c.body, p, need)) {
          a.problem =
              "is damaged: its COMM chunk holds " + std::to_string(c.size) + " bytes, too few to describe samples";
          return;
        }
        haveComm = true;
        a.channels = static_cast<int>(Number(p, 2, true));
        a.countedFrames = static_cast<int64_t>(Number(p + 2, 4, true));
        a.bits = static_cast<int>(Number(p + 6, 2, true));
        a.sampleBytes = (a.bits + 7) / 8;
        if (a.bits < 1 || a.bits > 32) a.foreign = std::to_string(a.bits) + "-bit integer samples";
        if (!aifc) return;
        const unsigned char* id = p + 18;
        auto is = [&](const char* a4, const char* b4) { return !std::memcmp(id, a4, 4) || !std::memcmp(id, b4, 4); };
        if (is("NONE", "twos") || is("sowt", "sowt")) return;  // integers, either byte order
        a.foreign.clear();
        if (is("raw ", "raw ")) {
          a.sampleBytes = 1;  // 8-bit offset binary
        } else if (is("in24", "in24") || is("in32", "in32")) {
          a.sampleBytes = id[2] == '2' ? 3 : 4;
        } else if (is("fl32", "FL32") || is("fl64", "FL64")) {
          a.isFloat = true;
          a.sampleBytes = id[2] == '3' ? 4 : 8;
        } else if (is("ulaw", "ULAW") || is("alaw", "ALAW")) {
          a.sampleBytes = 1;
        } else {
          a.foreign = AifcEncoding(id);
        }
      },
      [&](const Chunk& c) -> int64_t {
        const int64_t next = c.body + static_cast<int64_t>(c.size + (c.size & 1));
        unsigned char p[8];
        if (!f.At(c.body, p, 8)) {
          a.endsInHeader = true;
          return next;
        }
        const uint64_t offset = Number(p, 4, true);
        if (c.size < 8 + offset) {
          a.problem = "contradicts itself: its SSND chunk of " + std::to_string(c.size) +
                      " bytes is smaller than the offset to its samples";
          return next;
        }
        a.dataStart = c.body + 8 + static_cast<int64_t>(offset);
        a.dataBytes = c.size - 8 - offset;
        return next;
      });
  RequireDescription(a, haveComm, "COMM");
  return a;
}

AudioLayout ReadCafLayout(FileBytes& f, int64_t base) {
  AudioLayout a;
  a.statedFrameName = "packet size";
  ChunkWalk walk(f, ChunkSyntax{12, 4, 8, true, false, 1}, base + 8);
  bool haveDesc = false;
  WalkChunks(
      f, walk, "data", true, a,
      [&](const Chunk& c) {
        unsigned char p[32];
        if (!Is(c, "desc")) return;
        if (c.size < 32 || !f.At(c.body, p, 32)) {
          a.problem =
              "is damaged: its desc chunk holds " + std::to_string(c.size) + " bytes, too few to describe samples";
          return;
        }
        haveDesc = true;
        const uint64_t flags = Number(p + 12, 4, true), bytesPerPacket = Number(p + 16, 4, true),
                       framesPerPacket = Number(p + 20, 4, true);
        // 32-bit fields: counts past any use are kept at the largest int.
        a.channels = static_cast<int>(std::min<uint64_t>(Number(p + 24, 4, true), INT_MAX));
        a.bits = static_cast<int>(std::min<uint64_t>(Number(p + 28, 4, true), INT_MAX));
        a.statedFrameBytes = static_cast<int64_t>(bytesPerPacket);
        if (!std::memcmp(p + 8, "lpcm", 4)) {
          a.isFloat = (flags & 1) != 0;
          a.sampleBytes = (int64_t{a.bits} + 7) / 8;
          if (a.isFloat ? a.bits != 32 && a.bits != 64 : a.bits < 1 || a.bits > 32)
            a.foreign = std::to_string(a.bits) + (a.isFloat ? "-bit float samples" : "-bit integer samples");
        } else if (!std::memcmp(p + 8, "ulaw", 4) || !std::memcmp(p + 8, "alaw", 4)) {
          a.sampleBytes = 1;
        } else {
          a.foreign = CafEncoding(p + 8);
        }
        if (a.foreign.empty() && framesPerPacket != 1)
          a.problem = "contradicts itself: its uncompressed samples come in packets of " +
                      std::to_string(framesPerPacket) + " frames";
      },
      [&](const Chunk& c) -> int64_t {
        // The data starts with a 4-byte edit count. A size of -1 leaves the
        // length open: the data runs to the end of the file, which the audio
        // library is shown as the size.
        a.dataStart = c.body + 4;
        if (c.size == ~uint64_t{0}) {
          a.openLength = true;
          a.patchAt = c.at + 4;
          a.patchBytes = 8;
          const auto size = static_cast<uint64_t>(f.Size() - c.body);
          for (int i = 0; i < 8; ++i) a.patch[i] = static_cast<unsigned char>(size >> (56 - 8 * i));
          return -1;
        }
        a.dataBytes = c.size >= 4 ? c.size - 4 : 0;
        return c.body + static_cast<int64_t>(c.size);
      });
  RequireDescription(a, haveDesc, "desc");
  return a;
}

}  // namespace orbexhost
