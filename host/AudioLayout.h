#pragma once
// What the header of a chunked sound container (WAV, RF64, Wave64, AIFF,
// CAF) says about its samples and where they lie, as each container's
// reader finds it; ReadSoundHeader turns it into frame counts. Main thread.

#include "host/FileBytes.h"

#include <cstdint>
#include <string>

namespace orbexhost {

struct AudioLayout {
  // A reason the file cannot be read, to follow its quoted name.
  std::string problem;
  // The file ends before its audio data begins.
  bool endsInHeader = false;

  // What the samples are, as the header names them, when the host does not
  // read them ("audio of format tag 0x0011"); empty when it does.
  std::string foreign;
  int channels = 0;
  int bits = 0;  // bits of a sample, as the header gives them
  bool isFloat = false;
  int64_t sampleBytes = 0;  // bytes of one channel's sample in the data
  // Bytes a frame takes as the header states them apart from the samples'
  // size (WAV's block size, CAF's packet size); -1 where it states none.
  int64_t statedFrameBytes = -1;
  const char* statedFrameName = "block size";

  int64_t dataStart = -1;  // offset of the first frame; -1: no audio chunk
  uint64_t dataBytes = 0;  // bytes of audio the header declares
  // The header leaves the data's length open (written as a stream): the
  // audio runs to the end of the file.
  bool openLength = false;
  // Frames the header counts apart from the data's size (AIFF's COMM
  // chunk); -1 where the data's size is the count.
  int64_t countedFrames = -1;
  // What follows the audio chunk is other chunks (metadata); false when it
  // is not, so the bytes after the declared audio data are audio too.
  bool trailingChunks = true;

  // A size field the audio library is shown rewritten (it reads a length
  // left open in CAF as damage): its offset, its width and its new bytes.
  int64_t patchAt = -1;
  int patchBytes = 0;
  unsigned char patch[8] = {};
};

// The readers of each chunked container; base is where the container
// starts in the file (after a leading ID3 tag).
AudioLayout ReadWaveLayout(FileBytes& f, int64_t base, bool bigEndian);
AudioLayout ReadWave64Layout(FileBytes& f, int64_t base);
AudioLayout ReadAiffLayout(FileBytes& f, int64_t base, bool aifc);
AudioLayout ReadCafLayout(FileBytes& f, int64_t base);

}  // namespace orbexhost
