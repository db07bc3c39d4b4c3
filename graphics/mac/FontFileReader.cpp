#include "graphics/mac/FontFileReader.h"

#include <CoreFoundation/CFString.h>

#include <string>
#include <vector>

namespace fx::gfx {
namespace {

bool Fits(size_t length, uint64_t offset, uint64_t size) { return offset <= length && size <= length - offset; }
uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] << 8 | p[1]); }
uint32_t U32(const uint8_t* p) { return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]; }
constexpr uint32_t Tag(char a, char b, char c, char d) {
  return uint32_t(uint8_t(a)) << 24 | uint32_t(uint8_t(b)) << 16 | uint32_t(uint8_t(c)) << 8 | uint8_t(d);
}

// UTF-16 units (ending at the first zero) as UTF-8 text; CoreFoundation
// combines surrogate pairs and replaces unpaired ones.
std::string Utf8OfUnits(const std::vector<UniChar>& units) {
  CFStringRef s = CFStringCreateWithCharacters(nullptr, units.data(), static_cast<CFIndex>(units.size()));
  if (s == nullptr) return std::string();
  std::vector<char> buffer(static_cast<size_t>(CFStringGetMaximumSizeForEncoding(CFStringGetLength(s), kCFStringEncodingUTF8)) + 1);
  std::string text = CFStringGetCString(s, buffer.data(), static_cast<CFIndex>(buffer.size()), kCFStringEncodingUTF8)
                         ? std::string(buffer.data())
                         : std::string();
  CFRelease(s);
  return text;
}

}  // namespace

FontFileReader::FontFileReader(const uint8_t* bytes, size_t length, int faceIndex) {
  if (bytes == nullptr || faceIndex < 0 || !Fits(length, 0, 4)) return;
  const uint32_t signature = U32(bytes);
  size_t faceStart = 0;
  if (signature == Tag('1', 0, 0, 0) || signature == 0x00010000 || signature == Tag('O', 'T', 'T', 'O') ||
      signature == Tag('t', 'y', 'p', '1')) {
    if (faceIndex != 0) return;
  } else if (signature == Tag('t', 't', 'c', 'f')) {
    if (!Fits(length, 0, 12)) return;
    const uint32_t version = U32(bytes + 4), count = U32(bytes + 8);
    if (version != 0x00010000 && version != 0x00020000) return;
    if (static_cast<uint32_t>(faceIndex) >= count || !Fits(length, 12 + 4ull * faceIndex, 4)) return;
    faceStart = U32(bytes + 12 + 4 * static_cast<size_t>(faceIndex));
  } else {
    return;
  }
  if (!Fits(length, faceStart, 12)) return;
  mFontBytes = bytes + faceStart;
  mTablesRead = ReadTables(bytes, length, faceStart);
  if (!mTablesRead) return;
  mUnitsPerEm = U16(bytes + mHeadOffset + 18);
  mMacStyle = U16(bytes + mHeadOffset + 44);
  mAscender = static_cast<int16_t>(U16(bytes + mHheaOffset + 4));
  mDescender = static_cast<int16_t>(U16(bytes + mHheaOffset + 6));
  mLineGap = static_cast<int16_t>(U16(bytes + mHheaOffset + 8));
  ReadName(bytes, length, 1, mFamilyName);
  ReadName(bytes, length, 2, mStyleName);
}

// The directory's first record of each tag; the tables the reader reads
// must lie inside the data.
bool FontFileReader::ReadTables(const uint8_t* bytes, size_t length, size_t faceStart) {
  const uint16_t numTables = U16(bytes + faceStart + 4);
  if (!Fits(length, faceStart + 12, 16ull * numTables)) return false;
  uint32_t headLength = 0, nameLength = 0, hheaLength = 0;
  for (uint16_t i = 0; i < numTables; ++i) {
    const uint8_t* rec = bytes + faceStart + 12 + 16 * static_cast<size_t>(i);
    const uint32_t tag = U32(rec), offset = U32(rec + 8), size = U32(rec + 12);
    auto take = [&](uint32_t& slot, uint32_t* slotLength) {
      if (slot != 0) return;
      slot = offset;
      if (slotLength != nullptr) *slotLength = size;
    };
    if (tag == Tag('h', 'e', 'a', 'd')) take(mHeadOffset, &headLength);
    if (tag == Tag('n', 'a', 'm', 'e')) take(mNameOffset, &nameLength);
    if (tag == Tag('h', 'h', 'e', 'a')) take(mHheaOffset, &hheaLength);
    if (tag == Tag('f', 'd', 's', 'c')) take(mFdscOffset, nullptr);
  }
  if (mHeadOffset == 0 || mNameOffset == 0 || mHheaOffset == 0) return false;
  // Each table lies inside the data and holds the fields read: 'head' up to
  // its mac style, 'hhea' up to its line gap, the 'name' header.
  return Fits(length, mHeadOffset, headLength) && headLength >= 46 && Fits(length, mHheaOffset, hheaLength) &&
         hheaLength >= 10 && Fits(length, mNameOffset, nameLength) && nameLength >= 6;
}

void FontFileReader::ReadName(const uint8_t* bytes, size_t length, uint16_t nameID, FxString& out) const {
  out.Set("");
  const uint8_t* table = bytes + mNameOffset;
  const uint16_t count = U16(table + 2), storage = U16(table + 4);
  // A record: platform, encoding, language, name id, length, offset.
  auto find = [&](uint16_t platform, uint16_t encoding, uint16_t language, const uint8_t*& string,
                  uint16_t& size) -> bool {
    for (uint16_t i = 0; i < count; ++i) {
      const uint64_t at = mNameOffset + 6ull + 12ull * i;
      if (!Fits(length, at, 12)) return false;
      const uint8_t* r = bytes + at;
      if (U16(r) != platform || U16(r + 2) != encoding || U16(r + 4) != language || U16(r + 6) != nameID) continue;
      size = U16(r + 8);
      const uint64_t start = uint64_t(mNameOffset) + storage + U16(r + 10);
      if (!Fits(length, start, size)) return false;
      string = bytes + start;
      return true;
    }
    return false;
  };
  const uint8_t* s = nullptr;
  uint16_t size = 0;
  std::string text;
  if (find(3, 1, 1033, s, size)) {
    std::vector<UniChar> units;
    for (size_t i = 0; i + 1 < size && U16(s + i) != 0; i += 2) units.push_back(U16(s + i));
    text = Utf8OfUnits(units);
  }
  if (text.empty() && find(1, 0, 0, s, size)) {
    for (uint16_t i = 0; i < size && s[i] != 0; ++i) text += static_cast<char>(s[i]);
  }
  out.Set(text.c_str());
}

int FontFileReader::FindFontFaceIndex(const uint8_t* bytes, size_t length, const char* style) {
  for (int i = 0; i >= 0; ++i) {
    const FontFileReader reader(bytes, length, i);
    if (!reader.mTablesRead) return -1;
    if (!reader.mStyleName.Empty() && style != nullptr && reader.mStyleName == style) return i;
  }
  return -1;
}

bool FontFileReader::IsValid() const {
  return mFontBytes != nullptr && mTablesRead && mUnitsPerEm != 0 && int(mAscender) - int(mDescender) != 0;
}

double FontFileReader::EMRatio() const {
  return IsValid() ? double(mUnitsPerEm) / (int(mAscender) - int(mDescender)) : 0.0;
}

}  // namespace fx::gfx
