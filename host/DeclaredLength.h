#pragma once
// The length a sound file's own header declares, read from the container
// (the reading library trims its count to the frames actually present, so a
// cut file would otherwise pass for a short one). Main thread.

#include <cstdint>
#include <string>

namespace orbexhost {

struct DeclaredLength {
  // Frames the header of an uncompressed WAV (RIFF, RIFX, RF64), Wave64,
  // AIFF/AIFC or CAF file declares; -1 when it declares none (a length left
  // open by a program that wrote it as a stream), the samples are compressed
  // (the reader's own count is then used) or the file is of another type.
  int64_t frames = -1;
  // A WAV or Wave64 file ends before its audio data begins (inside a chunk's
  // header, or with no data chunk at all): a copy cut short.
  bool endsInHeader = false;
};

DeclaredLength ReadDeclaredLength(const std::string& path);

}  // namespace orbexhost
