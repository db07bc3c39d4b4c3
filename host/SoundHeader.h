#pragma once
// What a sound file's header declares, read by the host itself: which
// container and encoding, the frames it declares and the frames its audio
// data holds. The audio library trims its count to the data present and
// reads nothing of what follows a declared length, so this is what tells a
// whole file from one cut short, from one whose header falls short of its
// audio, and from one whose header contradicts itself. Main thread.

#include "host/FileBytes.h"

#include <cstdint>
#include <string>

namespace orbexhost {

struct SoundHeader {
  enum class Container { kNone, kWave, kWave64, kAiff, kCaf, kFlac };
  Container container = Container::kNone;
  // Where the container starts in the file (after a leading ID3 tag).
  int64_t base = 0;
  // A reason the file cannot be read as a whole, to follow its quoted name
  // ("is cut short: ..."); empty when it can be.
  std::string problem;
  // The type of a file of no container the host reads, where its first
  // bytes name one ("Sun/NeXT AU").
  std::string otherType;
  // What the samples are, as the header names them, when the host does not
  // read them ("audio of format tag 0x0011 (IMA ADPCM)"); empty when it does.
  std::string foreign;
  int channels = 0;
  // Bytes of one frame of the audio data; 0 for FLAC, whose blocks vary.
  int64_t frameBytes = 0;
  // The frames to read: those the header declares, or those the file holds
  // where the header leaves its length open.
  int64_t frames = 0;
  // Whole frames the file holds of them: fewer when it is cut short.
  int64_t present = 0;
  // A size field the audio library is to be shown rewritten (see
  // AudioLayout); patchAt -1 when none.
  int64_t patchAt = -1;
  int patchBytes = 0;
  unsigned char patch[8] = {};
};

SoundHeader ReadSoundHeader(FileBytes& f);

}  // namespace orbexhost
