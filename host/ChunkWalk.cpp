#include "host/ChunkWalk.h"

#include <cstring>

namespace orbexhost {

namespace {

// More chunks than any real header holds; a file of endless tiny chunks is
// not walked to its end.
constexpr int kMaxChunks = 65536;
// Larger than any file: sizes beyond it are not sizes.
constexpr uint64_t kMaxSize = uint64_t{1} << 60;

}  // namespace

uint64_t Number(const unsigned char* p, int n, bool bigEndian) {
  uint64_t v = 0;
  for (int i = 0; i < n; ++i) v = (v << 8) | p[bigEndian ? i : n - 1 - i];
  return v;
}

bool ChunkWalk::Next(Chunk& c) {
  if (mEnd != End::kWalking) return false;
  const int64_t size = mFile.Size();
  // The last chunk of the file may lack the padding after it.
  if (mAt >= size) {
    mEnd = End::kClean;
    return false;
  }
  if (++mCount > kMaxChunks) {
    mEnd = End::kTooMany;
    return false;
  }
  unsigned char h[24];
  if (!mFile.At(mAt, h, static_cast<size_t>(mSyntax.headerBytes))) {
    mEnd = End::kCut;
    return false;
  }
  uint64_t n = Number(h + mSyntax.sizeAt, mSyntax.sizeBytes, mSyntax.bigEndian);
  if (mSyntax.sizeCountsHeader) {
    if (n < static_cast<uint64_t>(mSyntax.headerBytes)) {
      mEnd = End::kBadSize;
      return false;
    }
    n -= static_cast<uint64_t>(mSyntax.headerBytes);
  }
  std::memcpy(c.id, h, 4);
  c.at = mAt;
  c.body = mAt + mSyntax.headerBytes;
  c.size = n;
  c.fits = n <= static_cast<uint64_t>(size - c.body);
  if (n > kMaxSize) {
    mEnd = End::kBadSize;
    return true;
  }
  const auto align = static_cast<uint64_t>(mSyntax.align);
  mAt = c.body + static_cast<int64_t>((n + align - 1) / align * align);
  return true;
}

int64_t Id3TagBytes(FileBytes& f, int64_t offset) {
  // A 10-byte header whose size is in 7-bit bytes, and a 10-byte footer
  // when its flags say so.
  unsigned char h[10];
  if (!f.At(offset, h, 10) || std::memcmp(h, "ID3", 3) != 0 || (h[6] | h[7] | h[8] | h[9]) >= 0x80) return 0;
  return 10 + ((h[6] << 21) | (h[7] << 14) | (h[8] << 7) | h[9]) + ((h[5] & 0x10) ? 10 : 0);
}

bool PrintableId(const Chunk& c) {
  for (unsigned char b : c.id)
    if (b < 0x20 || b > 0x7E) return false;
  return true;
}

}  // namespace orbexhost
