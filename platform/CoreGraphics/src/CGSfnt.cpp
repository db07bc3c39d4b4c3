#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <vector>

#include <CoreFoundation/CFUnicode.h>
#include <CoreGraphics/CGSfnt.h>

namespace cgx {

bool SfntMemory::read(uint64_t offset, size_t length, uint8_t* out) const {
  if (offset > size_ || length > size_ - offset) return false;
  if (length > 0) std::memcpy(out, data_ + offset, length);
  return true;
}

SfntFile::SfntFile(const std::string& path) {
  file_ = std::fopen(path.c_str(), "rb");
  if (file_ == nullptr) return;
  struct stat st {};
  if (fstat(fileno(file_), &st) != 0 || !S_ISREG(st.st_mode)) {
    std::fclose(file_);
    file_ = nullptr;
    return;
  }
  size_ = static_cast<uint64_t>(st.st_size);
}

SfntFile::~SfntFile() {
  if (file_ != nullptr) std::fclose(file_);
}

bool SfntFile::read(uint64_t offset, size_t length, uint8_t* out) const {
  if (file_ == nullptr || offset > size_ || length > size_ - offset) return false;
  if (length == 0) return true;
  return pread(fileno(file_), out, length, static_cast<off_t>(offset)) == static_cast<ssize_t>(length);
}

namespace {

constexpr size_t kMaxNameTable = 1 << 20;  // larger name tables are not read

uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] << 8 | p[1]); }
uint32_t U32(const uint8_t* p) { return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]; }
uint32_t Tag(const char* t) { return U32(reinterpret_cast<const uint8_t*>(t)); }

bool ReadU32(const SfntSource& s, uint64_t offset, uint32_t& v) {
  uint8_t b[4];
  if (!s.read(offset, 4, b)) return false;
  v = U32(b);
  return true;
}

bool IsSingleFontTag(uint32_t tag) {
  return tag == 0x00010000 || tag == Tag("OTTO") || tag == Tag("true") || tag == Tag("typ1");
}

// Offset of face index's table directory, or false.
bool FaceOffset(const SfntSource& s, uint32_t index, uint64_t& offset) {
  uint32_t tag = 0;
  if (!ReadU32(s, 0, tag)) return false;
  if (IsSingleFontTag(tag)) {
    offset = 0;
    return index == 0;
  }
  if (tag != Tag("ttcf")) return false;
  uint32_t count = 0, faceOffset = 0;
  if (!ReadU32(s, 8, count) || index >= count) return false;
  if (!ReadU32(s, 12 + 4ull * index, faceOffset)) return false;
  offset = faceOffset;
  return true;
}

struct TableSpan {
  uint32_t offset = 0, length = 0;
  bool found = false;
};

// UTF-16BE to UTF-8, ending at the first zero; unpaired surrogates become U+FFFD.
std::string Utf16BE(const uint8_t* p, size_t bytes) {
  std::u16string units;
  for (size_t i = 0; i + 1 < bytes; i += 2) {
    const char16_t c = static_cast<char16_t>(U16(p + i));
    if (c == 0) break;
    units += c;
  }
  return cfx::Utf16ToUtf8(units);
}

// Single-byte Macintosh names: ASCII kept, other bytes as U+FFFD.
std::string MacBytes(const uint8_t* p, size_t bytes) {
  std::string out;
  for (size_t i = 0; i < bytes && p[i] != 0; ++i) {
    if (p[i] < 0x80)
      out += static_cast<char>(p[i]);
    else
      cfx::AppendUtf8(out, 0xFFFD);
  }
  return out;
}

// Preference of a name record: Windows Unicode in US English first, then
// any Windows Unicode, then Unicode platform, then Macintosh Roman English.
int RecordRank(uint16_t platform, uint16_t encoding, uint16_t language) {
  if (platform == 3 && (encoding == 1 || encoding == 10)) return language == 0x409 ? 4 : 3;
  if (platform == 0) return 2;
  if (platform == 1 && encoding == 0 && language == 0) return 1;
  return 0;
}

void ReadNames(const std::vector<uint8_t>& t, SfntFace& face) {
  if (t.size() < 6) return;
  const uint32_t count = U16(&t[2]), storage = U16(&t[4]);
  std::string* targets[26] = {};
  targets[1] = &face.family, targets[2] = &face.style, targets[4] = &face.fullName;
  targets[6] = &face.postScriptName, targets[16] = &face.typographicFamily, targets[17] = &face.typographicStyle;
  int bestRank[26] = {};
  for (uint32_t i = 0; i < count; ++i) {
    const size_t r = 6 + 12 * size_t(i);
    if (r + 12 > t.size()) break;
    const uint16_t platform = U16(&t[r]), encoding = U16(&t[r + 2]), language = U16(&t[r + 4]);
    const uint16_t id = U16(&t[r + 6]), length = U16(&t[r + 8]), offset = U16(&t[r + 10]);
    if (id >= 26 || targets[id] == nullptr) continue;
    const int rank = RecordRank(platform, encoding, language);
    if (rank <= bestRank[id]) continue;
    const size_t start = size_t(storage) + offset;
    if (start > t.size() || length > t.size() - start) continue;
    std::string text = platform == 1 ? MacBytes(&t[start], length) : Utf16BE(&t[start], length);
    if (text.empty()) continue;
    *targets[id] = std::move(text);
    bestRank[id] = rank;
  }
}

}  // namespace

uint32_t SfntFaceCount(const SfntSource& source) {
  uint32_t tag = 0;
  if (!ReadU32(source, 0, tag)) return 0;
  if (IsSingleFontTag(tag)) return 1;
  if (tag != Tag("ttcf")) return 0;
  uint32_t count = 0;
  if (!ReadU32(source, 8, count)) return 0;
  // A count whose offset table does not fit is not a collection.
  return source.size() >= 12 + 4ull * count ? count : 0;
}

bool SfntReadFace(const SfntSource& source, uint32_t index, SfntFace& face) {
  face = SfntFace{};
  uint64_t base = 0;
  if (!FaceOffset(source, index, base)) return false;
  uint8_t header[12];
  if (!source.read(base, sizeof header, header) || !IsSingleFontTag(U32(header))) return false;
  const uint32_t numTables = U16(header + 4);
  std::vector<uint8_t> dir(16 * size_t(numTables));
  if (!source.read(base + 12, dir.size(), dir.data())) return false;
  TableSpan head, name;
  for (uint32_t i = 0; i < numTables; ++i) {
    const uint8_t* rec = &dir[16 * size_t(i)];
    TableSpan* span = U32(rec) == Tag("head") ? &head : U32(rec) == Tag("name") ? &name : nullptr;
    if (span == nullptr || span->found) continue;
    span->offset = U32(rec + 8), span->length = U32(rec + 12), span->found = true;
  }
  if (!head.found || !name.found || head.length < 54) return false;
  uint8_t upem[2];
  if (!source.read(head.offset + 18ull, 2, upem)) return false;
  face.unitsPerEm = U16(upem);
  if (name.length <= kMaxNameTable) {
    std::vector<uint8_t> table(name.length);
    if (source.read(name.offset, table.size(), table.data())) ReadNames(table, face);
  }
  return true;
}

}  // namespace cgx
