#pragma once
// What a FLAC file's header declares (its stream information) and what its
// audio frames hold, found by walking them: each block of audio ends with a
// checksum of its bytes, so the walk tells a whole file from one cut short
// or damaged, and counts the frames present without decoding them. Main
// thread.

#include "host/FileBytes.h"

#include <cstdint>
#include <string>

namespace orbexhost {

struct FlacLayout {
  // A reason the file cannot be read, to follow its quoted name.
  std::string problem;
  // The file ends inside its metadata, before its first block of audio.
  bool endsInHeader = false;
  int channels = 0;
  // The frames its stream information declares; -1 when it leaves the
  // length open (a total of 0, as a program writing a stream leaves it).
  int64_t declaredFrames = -1;

  enum class Blocks {
    kWhole,    // every block passes its checksum, the last ends where the file ends
    kCut,      // the file ends inside a block
    kDamaged,  // a block fails its checksum, or blocks are missing
  };
  Blocks blocks = Blocks::kWhole;
  // Frames in the blocks from the first up to the first that is not whole.
  int64_t intactFrames = 0;
};

// Reads the FLAC stream that starts at base (after a leading ID3 tag).
FlacLayout ReadFlacLayout(FileBytes& f, int64_t base);

}  // namespace orbexhost
