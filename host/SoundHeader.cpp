#include "host/SoundHeader.h"

#include "host/AudioLayout.h"
#include "host/ChunkWalk.h"
#include "host/FlacLayout.h"
#include "host/SoundFile.h"
#include "host/SoundTypeNames.h"

#include <algorithm>
#include <cstring>

namespace orbexhost {

namespace {

using Container = SoundHeader::Container;

const char kEndsInHeader[] = "is cut short: it ends inside its header, before its audio data";

std::string Frames(int64_t n) { return std::to_string(n); }

std::string ChannelsProblem(int channels) {
  return "has " + std::to_string(channels) + " channels; only mono and stereo files can be processed";
}

std::string Undeclared(int64_t declared, int64_t present) {
  return "holds more audio than its header declares: the header makes it " + Frames(declared) +
         " frames long, but its audio data runs on for " + Frames(present);
}

// "2 channels of 16-bit samples"
std::string SamplesText(const AudioLayout& a) {
  return std::to_string(a.channels) + (a.channels == 1 ? " channel of " : " channels of ") +
         std::to_string(a.sampleBytes * 8) + (a.isFloat ? "-bit float samples" : "-bit samples");
}

// The frame counts of a chunked container from what its reader found.
SoundHeader FromLayout(const AudioLayout& a, Container container, int64_t fileSize) {
  SoundHeader h;
  h.container = container;
  const int64_t room = fileSize - a.dataStart;
  // Samples the host does not read are named first: whole or not, such a
  // file is not read.
  if (!a.foreign.empty()) {
    h.foreign = a.foreign;
  } else if (!a.problem.empty()) {
    h.problem = a.problem;
  } else if (a.endsInHeader || room < 0) {
    h.problem = kEndsInHeader;
  } else if (a.channels < 1 || a.channels > kMaxFileChannels) {
    h.problem = ChannelsProblem(a.channels);
  }
  if (!h.problem.empty() || !h.foreign.empty()) return h;
  h.channels = a.channels;
  h.frameBytes = a.channels * a.sampleBytes;
  const uint64_t dataBytes = a.openLength ? static_cast<uint64_t>(room) : a.dataBytes;
  if (a.statedFrameBytes >= 0 && a.statedFrameBytes != h.frameBytes) {
    const std::string stated = std::string("its ") + a.statedFrameName;
    const std::string frame = "a frame of " + SamplesText(a) + " takes " + std::to_string(h.frameBytes);
    if (a.statedFrameBytes == 0)
      h.problem = "contradicts itself: " + stated + " is 0 bytes, but " + frame;
    else
      h.problem = "contradicts itself: its header makes it " +
                  Frames(static_cast<int64_t>(dataBytes / static_cast<uint64_t>(a.statedFrameBytes))) +
                  " frames long, but its audio data holds " +
                  Frames(static_cast<int64_t>(dataBytes / static_cast<uint64_t>(h.frameBytes))) + " (" + stated +
                  " is " + std::to_string(a.statedFrameBytes) + " bytes, but " + frame + ")";
    return h;
  }
  const auto frameBytes = static_cast<uint64_t>(h.frameBytes);
  if (a.openLength) {
    if (dataBytes % frameBytes != 0)
      h.problem = "is cut short: its header leaves its length open, and its audio data ends inside a frame";
    h.frames = h.present = static_cast<int64_t>(dataBytes / frameBytes);
    h.patchAt = a.patchAt;
    h.patchBytes = a.patchBytes;
    std::memcpy(h.patch, a.patch, sizeof h.patch);
    return h;
  }
  const auto chunkFrames = static_cast<int64_t>(dataBytes / frameBytes);
  const int64_t declared = a.countedFrames >= 0 ? a.countedFrames : chunkFrames;
  if (chunkFrames < declared) {
    h.problem = "contradicts itself: its COMM chunk makes it " + Frames(declared) +
                " frames long, but its SSND chunk holds " + Frames(chunkFrames);
    return h;
  }
  // Past the declared data, whatever is not a chunk is audio too.
  const uint64_t held = a.trailingChunks ? std::min<uint64_t>(dataBytes, static_cast<uint64_t>(room))
                                         : static_cast<uint64_t>(room);
  h.frames = declared;
  h.present = static_cast<int64_t>(held / frameBytes);
  if (h.present > declared) h.problem = Undeclared(declared, h.present);
  return h;
}

SoundHeader FromFlac(const FlacLayout& l) {
  SoundHeader h;
  h.container = Container::kFlac;
  h.channels = l.channels;
  h.frames = l.declaredFrames >= 0 ? l.declaredFrames : l.intactFrames;
  h.present = l.intactFrames;
  using Blocks = FlacLayout::Blocks;
  if (!l.problem.empty())
    h.problem = l.problem;
  else if (l.endsInHeader)
    h.problem = kEndsInHeader;
  else if (l.channels > kMaxFileChannels)
    h.problem = ChannelsProblem(l.channels);
  else if (l.blocks == Blocks::kDamaged)
    h.problem = "is damaged: its block of audio starting at frame " + Frames(l.intactFrames) + " fails its checksum";
  else if (l.declaredFrames < 0 && l.blocks == Blocks::kCut)
    h.problem = "is cut short: its header leaves its length open, and it ends inside a block of audio after frame " +
                Frames(l.intactFrames);
  else if (l.intactFrames > h.frames)
    h.problem = Undeclared(h.frames, l.intactFrames);
  return h;
}

}  // namespace

SoundHeader ReadSoundHeader(FileBytes& f) {
  // The container starts after a leading ID3 tag.
  const int64_t base = Id3TagBytes(f, 0);
  unsigned char head[32] = {};
  const int64_t n = std::max<int64_t>(0, f.Some(base, head, sizeof head));
  // Whether the file starts with magic at offset at, as far as it goes.
  auto has = [&](const void* magic, int64_t at, int64_t len) {
    return n >= 4 && (n <= at || std::memcmp(head + at, magic, static_cast<size_t>(std::min(len, n - at))) == 0);
  };
  static const unsigned char kWave64[16] = {'r', 'i', 'f', 'f', 0x2E, 0x91, 0xCF, 0x11,
                                            0xA5, 0xD6, 0x28, 0xDB, 0x04, 0xC1, 0x00, 0x00};
  SoundHeader h;
  if ((has("RIFF", 0, 4) || has("RF64", 0, 4) || has("RIFX", 0, 4)) && has("WAVE", 8, 4)) {
    const bool rifx = has("RIFX", 0, 4);
    h = FromLayout(ReadWaveLayout(f, base, rifx), Container::kWave, f.Size());
  } else if (has("FORM", 0, 4) && (has("AIFF", 8, 4) || has("AIFC", 8, 4))) {
    h = FromLayout(ReadAiffLayout(f, base, has("AIFC", 8, 4) && n >= 12), Container::kAiff, f.Size());
  } else if (has(kWave64, 0, 16)) {
    h = FromLayout(ReadWave64Layout(f, base), Container::kWave64, f.Size());
  } else if (has("caff", 0, 4)) {
    h = FromLayout(ReadCafLayout(f, base), Container::kCaf, f.Size());
  } else if (has("fLaC", 0, 4)) {
    h = FromFlac(ReadFlacLayout(f, base));
  } else {
    h.otherType = OtherFileType(head, static_cast<size_t>(n));
  }
  h.base = base;
  return h;
}

}  // namespace orbexhost
