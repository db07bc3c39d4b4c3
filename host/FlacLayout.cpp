#include "host/FlacLayout.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

namespace orbexhost {

namespace {

// More metadata blocks than any real file holds.
constexpr int kMaxMetadataBlocks = 65536;
// The longest block header: sync and codes (4), a coded number (up to 7),
// the block size (2) and the sample rate (2), then its checksum (1).
constexpr size_t kMaxHeaderBytes = 16;

constexpr std::array<uint8_t, 256> Crc8Table() {
  std::array<uint8_t, 256> t{};
  for (int i = 0; i < 256; ++i) {
    unsigned c = static_cast<unsigned>(i);
    for (int b = 0; b < 8; ++b) c = (c & 0x80) ? ((c << 1) ^ 0x07) : (c << 1);
    t[static_cast<size_t>(i)] = static_cast<uint8_t>(c);
  }
  return t;
}

// The blocks' checksum (CRC-16, polynomial 0x8005), eight bytes at a time:
// table k holds the checksum of a byte followed by k zero bytes.
using Crc16Tables = std::array<std::array<uint16_t, 256>, 8>;

constexpr Crc16Tables MakeCrc16Tables() {
  Crc16Tables t{};
  for (int i = 0; i < 256; ++i) {
    unsigned c = static_cast<unsigned>(i) << 8;
    for (int b = 0; b < 8; ++b) c = (c & 0x8000) ? ((c << 1) ^ 0x8005) : (c << 1);
    t[0][static_cast<size_t>(i)] = static_cast<uint16_t>(c);
  }
  for (size_t k = 1; k < 8; ++k)
    for (size_t i = 0; i < 256; ++i) {
      const uint16_t prev = t[k - 1][i];
      t[k][i] = static_cast<uint16_t>((prev << 8) ^ t[0][prev >> 8]);
    }
  return t;
}

constexpr auto kCrc8 = Crc8Table();
constexpr Crc16Tables kCrc16 = MakeCrc16Tables();

uint16_t Crc16(uint16_t crc, const unsigned char* p, size_t n) {
  for (; n >= 8; n -= 8, p += 8)
    crc = kCrc16[7][p[0] ^ (crc >> 8)] ^ kCrc16[6][p[1] ^ (crc & 0xFF)] ^ kCrc16[5][p[2]] ^ kCrc16[4][p[3]] ^
          kCrc16[3][p[4]] ^ kCrc16[2][p[5]] ^ kCrc16[1][p[6]] ^ kCrc16[0][p[7]];
  for (; n > 0; --n, ++p) crc = static_cast<uint16_t>((crc << 8) ^ kCrc16[0][(crc >> 8) ^ *p]);
  return crc;
}

struct BlockHeader {
  size_t bytes = 0;
  bool variable = false;  // numbered by sample rather than by block
  uint64_t number = 0;
  uint32_t frames = 0;
};

// Whether p (avail bytes) starts with a block header whose checksum holds.
bool ReadBlockHeader(const unsigned char* p, size_t avail, BlockHeader& h) {
  if (avail < 6 || p[0] != 0xFF || (p[1] & 0xFE) != 0xF8) return false;
  const int sizeCode = p[2] >> 4, rateCode = p[2] & 15, channelCode = p[3] >> 4, depthCode = (p[3] >> 1) & 7;
  if (sizeCode == 0 || rateCode == 15 || channelCode > 10 || depthCode == 3 || (p[3] & 1) != 0) return false;
  h.variable = (p[1] & 1) != 0;
  // The number, coded as UTF-8 is (extended to 36 bits).
  size_t n = 4;
  uint64_t v = p[n++];
  int more = 0;
  if (v >= 0x80) {
    if (v == 0xFE) {
      more = 6;
      v = 0;
    } else {
      for (uint64_t mask = 0x40; (v & mask) != 0 && mask != 0; mask >>= 1) ++more;
      if (more < 1 || more > 5) return false;
      v &= (0x3Fu >> more);
    }
  }
  if (!h.variable && more > 5) return false;
  for (int i = 0; i < more; ++i) {
    if (n >= avail || (p[n] & 0xC0) != 0x80) return false;
    v = (v << 6) | (p[n++] & 0x3F);
  }
  h.number = v;
  if (sizeCode == 1) {
    h.frames = 192;
  } else if (sizeCode <= 5) {
    h.frames = 576u << (sizeCode - 2);
  } else if (sizeCode <= 7) {
    const size_t k = sizeCode == 6 ? 1 : 2;
    if (n + k > avail) return false;
    h.frames = (k == 1 ? p[n] : (p[n] << 8) | p[n + 1]) + 1u;
    n += k;
  } else {
    h.frames = 256u << (sizeCode - 8);
  }
  n += rateCode == 12 ? 1 : (rateCode == 13 || rateCode == 14) ? 2 : 0;
  if (n >= avail) return false;
  uint8_t crc = 0;
  for (size_t i = 0; i < n; ++i) crc = kCrc8[crc ^ p[i]];
  if (crc != p[n]) return false;
  h.bytes = n + 1;
  return true;
}

// The number the block after h carries.
uint64_t NextNumber(const BlockHeader& h) { return h.variable ? h.number + h.frames : h.number + 1; }

// Bytes of the file read forward through a buffer.
class Window {
public:
  explicit Window(FileBytes& f) : mFile(f), mBuffer(1 << 20) {}
  // The bytes from pos to the end of the buffer, refilled from pos when
  // fewer than least of them are in it; length 0 when the file ends (or a
  // read fails) first.
  const unsigned char* From(int64_t pos, int64_t least, int64_t& length) {
    if (pos < mStart || pos + least > mStart + mLength) {
      mStart = pos;
      mLength = std::max<int64_t>(0, mFile.Some(pos, mBuffer.data(), mBuffer.size()));
    }
    length = mStart + mLength - pos;
    if (length < least) length = 0;
    return mBuffer.data() + (pos - mStart);
  }

private:
  FileBytes& mFile;
  std::vector<unsigned char> mBuffer;
  int64_t mStart = 0;
  int64_t mLength = 0;
};

// The checksum carried on over the bytes [from, to).
uint16_t Extend(Window& w, uint16_t crc, int64_t from, int64_t to) {
  while (from < to) {
    int64_t length = 0;
    const unsigned char* p = w.From(from, 1, length);
    if (length == 0) break;
    const int64_t n = std::min(length, to - from);
    crc = Crc16(crc, p, static_cast<size_t>(n));
    from += n;
  }
  return crc;
}

// The first offset at or after from where a block's sync code (0xFFF8 or
// 0xFFF9) stands; end when there is none.
int64_t NextSync(Window& w, int64_t from, int64_t end) {
  while (from + 1 < end) {
    int64_t length = 0;
    const unsigned char* p = w.From(from, 2, length);
    if (length == 0) break;
    const auto* hit = static_cast<const unsigned char*>(std::memchr(p, 0xFF, static_cast<size_t>(length - 1)));
    if (hit == nullptr) {
      from += length - 1;
    } else if ((hit[1] & 0xFE) == 0xF8) {
      return from + (hit - p);
    } else {
      from += hit - p + 1;
    }
  }
  return end;
}

// Walks the blocks of audio from first: each runs to where the next block's
// header starts (or the file ends) and its last two bytes are the checksum
// of the rest. A block whose checksum fails where the next block in
// sequence starts is damaged; so is one whose checksum never holds while
// blocks further on have headers. When neither happens the file ends
// inside the block.
void WalkBlocks(FileBytes& f, int64_t first, FlacLayout& out) {
  using Blocks = FlacLayout::Blocks;
  const int64_t end = f.Size();
  if (first >= end) return;
  Window w(f);
  auto headerAt = [&](int64_t at, BlockHeader& h) {
    int64_t length = 0;
    const unsigned char* p = w.From(at, std::min<int64_t>(kMaxHeaderBytes, end - at), length);
    return length > 0 && ReadBlockHeader(p, static_cast<size_t>(std::min<int64_t>(kMaxHeaderBytes, length)), h);
  };
  // A tag of 128 bytes may follow the last block.
  auto tagAt = [&](int64_t at) {
    int64_t length = 0;
    const unsigned char* p = w.From(at, 3, length);
    return at + 128 == end && length > 0 && std::memcmp(p, "TAG", 3) == 0;
  };
  BlockHeader cur;
  if (!headerAt(first, cur)) {
    out.blocks = Blocks::kDamaged;
    return;
  }
  for (int64_t s = first;;) {
    uint16_t crc = 0;
    int64_t summed = s;  // crc covers [s, summed)
    bool further = false;
    BlockHeader next;
    int64_t e = s + static_cast<int64_t>(cur.bytes) + 2;
    if (e > end) {
      out.blocks = Blocks::kCut;
      return;
    }
    for (;; ++e) {
      // The next place the block may end.
      e = std::min(NextSync(w, e, end), e <= end - 128 ? end - 128 : end);
      const bool last = e == end || tagAt(e);
      const bool header = !last && headerAt(e, next);
      if (!last && !header) continue;
      crc = Extend(w, crc, summed, e - 2);
      summed = e - 2;
      int64_t length = 0;
      const unsigned char* p = w.From(e - 2, 2, length);
      if (length == 0) return;  // a read error: the reader reports it
      const bool inSequence = header && next.variable == cur.variable && next.number == NextNumber(cur);
      if (crc == ((p[0] << 8) | p[1])) {
        out.intactFrames += cur.frames;
        if (last) return;
        if (!inSequence) {  // blocks missing between the two
          out.blocks = Blocks::kDamaged;
          return;
        }
        break;
      }
      if (inSequence) {
        out.blocks = Blocks::kDamaged;
        return;
      }
      if (e == end) {
        out.blocks = further ? Blocks::kDamaged : Blocks::kCut;
        return;
      }
      further = further || (header && next.number > cur.number);
    }
    s = e;
    cur = next;
  }
}

}  // namespace

FlacLayout ReadFlacLayout(FileBytes& f, int64_t base) {
  FlacLayout out;
  int64_t at = base + 4;
  unsigned char h[4], info[18];
  for (int i = 0;; ++i) {
    if (!f.At(at, h, 4)) {
      out.endsInHeader = true;
      return out;
    }
    const int type = h[0] & 0x7F;
    const int64_t size = (h[1] << 16) | (h[2] << 8) | h[3];
    if (i == 0) {
      if (type != 0 || size < 34) {
        out.problem = "is damaged: it does not begin with its stream information";
        return out;
      }
      if (!f.At(at + 4, info, 18)) {
        out.endsInHeader = true;
        return out;
      }
      uint64_t v = 0;
      for (int k = 10; k < 18; ++k) v = (v << 8) | info[k];
      out.channels = static_cast<int>((v >> 41) & 7) + 1;
      const int64_t total = static_cast<int64_t>(v & ((uint64_t{1} << 36) - 1));
      out.declaredFrames = total > 0 ? total : -1;
    } else if (type == 127 || i >= kMaxMetadataBlocks) {
      out.problem = "is damaged: its metadata is not readable";
      return out;
    }
    at += 4 + size;
    if (at > f.Size()) {
      out.endsInHeader = true;
      return out;
    }
    if (h[0] & 0x80) break;
  }
  WalkBlocks(f, at, out);
  return out;
}

}  // namespace orbexhost
