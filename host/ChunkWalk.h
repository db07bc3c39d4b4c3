#pragma once
// Walks the chunks of a RIFF-like sound container (WAV, RF64, Wave64, AIFF,
// CAF) one after the other, from its first chunk to the end of the file,
// reading only their headers. Main thread.

#include "host/FileBytes.h"

#include <cstdint>

namespace orbexhost {

// How a container lays out a chunk's header.
struct ChunkSyntax {
  int headerBytes;        // identifier and size: 8 (WAV, AIFF), 24 (Wave64), 12 (CAF)
  int sizeAt;             // where the size field starts in the header
  int sizeBytes;          // 4 or 8
  bool bigEndian;         // of the size field
  bool sizeCountsHeader;  // Wave64: the size includes the chunk's own header
  int align;              // chunks start on multiples of this (2, 8; 1 for CAF)
};

struct Chunk {
  unsigned char id[4];  // the identifier's first four bytes
  int64_t at = 0;       // offset of its header
  int64_t body = 0;     // offset of its contents
  uint64_t size = 0;    // bytes of contents, as its header gives them
  bool fits = false;    // its contents end within the file
};

class ChunkWalk {
public:
  enum class End {
    kWalking,
    kClean,    // the last chunk ends where the file ends
    kCut,      // the file ends inside a chunk's header
    kBadSize,  // a size no chunk can have
    kTooMany,  // more chunks than any header holds: not walked further
  };

  ChunkWalk(FileBytes& file, const ChunkSyntax& syntax, int64_t first)
      : mFile(file), mSyntax(syntax), mAt(first) {}

  // The next chunk; false at the end of the walk (see Ended()). A chunk
  // whose size is left open (all bits set) or is no size at all ends the
  // walk after it, with kBadSize.
  bool Next(Chunk& c);
  // Goes on from offset instead of after the last chunk (whose size field
  // is kept elsewhere, as RF64 keeps its data chunk's).
  void ContinueAt(int64_t offset) {
    mAt = offset;
    mEnd = End::kWalking;
  }
  End Ended() const { return mEnd; }

private:
  FileBytes& mFile;
  ChunkSyntax mSyntax;
  int64_t mAt;
  int mCount = 0;
  End mEnd = End::kWalking;
};

// The unsigned integer in the n bytes at p, in either byte order.
uint64_t Number(const unsigned char* p, int n, bool bigEndian);

// Bytes of the ID3 tag with a header of its own (as programs put before or
// after the audio of any file) at offset, its footer included; 0 when there
// is none.
int64_t Id3TagBytes(FileBytes& f, int64_t offset);

// Whether a chunk's identifier is four printable characters, as every
// RIFF, AIFF and CAF chunk's is (and audio samples seldom are).
bool PrintableId(const Chunk& c);

}  // namespace orbexhost
