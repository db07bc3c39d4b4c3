#include "CFStringImpl.h"

#include <cstdio>
#include <limits>
#include <mutex>
#include <unordered_map>

#include <CoreFoundation/CFString.h>

OpaqueCFString::OpaqueCFString(std::string utf8Text, std::u16string utf16Text, bool immortal)
    : cfx::Object(kType, immortal), utf8(std::move(utf8Text)), utf16(std::move(utf16Text)) {}

// By UTF-16 units: unpaired surrogates share one UTF-8 form but differ here.
// Equal strings have equal UTF-8, so hashing that stays consistent.
bool OpaqueCFString::Equals(const cfx::Object& other) const {
  return utf16 == static_cast<const OpaqueCFString&>(other).utf16;
}

CFHashCode OpaqueCFString::Hash() const {
  CFHashCode h = 1469598103934665603ULL;  // FNV-1a
  for (unsigned char c : utf8) h = (h ^ c) * 1099511628211ULL;
  return h;
}

namespace cfx {

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

namespace {

// Windows Latin 1 bytes 0x80-0x9F; 0 marks the five unassigned bytes.
constexpr char16_t kWindowsLatin1High[32] = {
    0x20AC, 0, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0, 0x017D, 0, 0, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0, 0x017E, 0x0178};


// Bytes of a single-byte encoding to UTF-16; false when a byte has no character.
bool SingleByteToUtf16(const UInt8* bytes, size_t length, CFStringEncoding encoding, std::u16string& out) {
  out.clear();
  out.reserve(length);
  for (size_t i = 0; i < length; ++i) {
    const UInt8 b = bytes[i];
    if (b < 0x80) {
      out += static_cast<char16_t>(b);
    } else if (encoding == kCFStringEncodingISOLatin1) {
      out += static_cast<char16_t>(b);
    } else if (encoding == kCFStringEncodingWindowsLatin1) {
      char16_t c = b >= 0xA0 ? static_cast<char16_t>(b) : kWindowsLatin1High[b - 0x80];
      if (c == 0) return false;
      out += c;
    } else {
      return false;  // ASCII, and Mac Roman beyond its ASCII half
    }
  }
  return true;
}

// UTF-16 to a single-byte encoding; false when a character has no byte.
bool Utf16ToSingleByte(const std::u16string& text, CFStringEncoding encoding, std::string& out) {
  out.clear();
  out.reserve(text.size());
  for (char16_t c : text) {
    if (c < 0x80) {
      out += static_cast<char>(c);
      continue;
    }
    if (encoding == kCFStringEncodingISOLatin1 && c <= 0xFF) {
      out += static_cast<char>(c);
      continue;
    }
    if (encoding == kCFStringEncodingWindowsLatin1) {
      if (c >= 0xA0 && c <= 0xFF) {
        out += static_cast<char>(c);
        continue;
      }
      bool found = false;
      for (int i = 0; i < 32; ++i) {
        if (kWindowsLatin1High[i] == c) {
          out += static_cast<char>(0x80 + i);
          found = true;
          break;
        }
      }
      if (found) continue;
    }
    return false;
  }
  return true;
}

bool IsSingleByteEncoding(CFStringEncoding e) {
  return e == kCFStringEncodingASCII || e == kCFStringEncodingISOLatin1 || e == kCFStringEncodingWindowsLatin1 ||
         e == kCFStringEncodingMacRoman;
}

CFStringRef NewFromUtf16(std::u16string utf16) {
  std::string utf8 = Utf16ToUtf8(utf16);
  return new OpaqueCFString(std::move(utf8), std::move(utf16), false);
}

char16_t FoldCase(char16_t c) { return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 32) : c; }

}  // namespace

bool Utf8ToUtf16(const char* bytes, size_t length, std::u16string& out) {
  out.clear();
  out.reserve(length);
  const auto* s = reinterpret_cast<const unsigned char*>(bytes);
  size_t i = 0;
  while (i < length) {
    const unsigned char b = s[i];
    char32_t cp;
    size_t extra;
    if (b < 0x80) {
      cp = b;
      extra = 0;
    } else if (b >= 0xC2 && b <= 0xDF) {
      cp = b & 0x1F;
      extra = 1;
    } else if (b >= 0xE0 && b <= 0xEF) {
      cp = b & 0x0F;
      extra = 2;
    } else if (b >= 0xF0 && b <= 0xF4) {
      cp = b & 0x07;
      extra = 3;
    } else {
      return false;
    }
    if (extra > length - i - 1) return false;
    for (size_t k = 1; k <= extra; ++k) {
      const unsigned char c = s[i + k];
      if ((c & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (c & 0x3F);
    }
    // Overlong forms, surrogates and values beyond U+10FFFF are not UTF-8.
    if ((extra == 2 && cp < 0x800) || (extra == 3 && (cp < 0x10000 || cp > 0x10FFFF)) ||
        (cp >= 0xD800 && cp <= 0xDFFF))
      return false;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (cp >> 10));
      out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    } else {
      out += static_cast<char16_t>(cp);
    }
    i += extra + 1;
  }
  return true;
}

std::string Utf16ToUtf8(const std::u16string& text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;
    }
    AppendUtf8(out, c);
  }
  return out;
}

CFStringRef NewString(const std::string& utf8) {
  std::u16string utf16;
  if (!Utf8ToUtf16(utf8.data(), utf8.size(), utf16)) return nullptr;
  return new OpaqueCFString(utf8, std::move(utf16), false);
}

const std::string& StringText(CFStringRef str) {
  static const std::string empty;
  const OpaqueCFString* s = As<OpaqueCFString>(str);
  return s != nullptr ? s->utf8 : empty;
}

}  // namespace cfx

extern "C" {

CFTypeID CFStringGetTypeID(void) { return cfx::kTypeString; }

CFStringRef CFStringCreateWithCString(CFAllocatorRef alloc, const char* cStr, CFStringEncoding encoding) {
  if (cStr == nullptr) return nullptr;
  return CFStringCreateWithBytes(alloc, reinterpret_cast<const UInt8*>(cStr),
                                 static_cast<CFIndex>(std::char_traits<char>::length(cStr)), encoding, false);
}

CFStringRef CFStringCreateWithBytes(CFAllocatorRef, const UInt8* bytes, CFIndex numBytes, CFStringEncoding encoding,
                                    Boolean isExternalRepresentation) {
  if (numBytes < 0 || (bytes == nullptr && numBytes > 0)) return nullptr;
  const size_t n = static_cast<size_t>(numBytes);
  std::u16string utf16;
  if (encoding == kCFStringEncodingUTF8) {
    const char* p = reinterpret_cast<const char*>(bytes);
    size_t len = n;
    if (isExternalRepresentation && len >= 3 && static_cast<UInt8>(p[0]) == 0xEF && static_cast<UInt8>(p[1]) == 0xBB &&
        static_cast<UInt8>(p[2]) == 0xBF) {
      p += 3;
      len -= 3;
    }
    if (!cfx::Utf8ToUtf16(p, len, utf16)) return nullptr;
    return cfx::NewFromUtf16(std::move(utf16));
  }
  if (cfx::IsSingleByteEncoding(encoding)) {
    if (!cfx::SingleByteToUtf16(bytes, n, encoding, utf16)) return nullptr;
    return cfx::NewFromUtf16(std::move(utf16));
  }
  if (encoding == kCFStringEncodingUnicode) {
    if (n % 2 != 0) return nullptr;
    bool swap = false;
    size_t start = 0;
    if (isExternalRepresentation && n >= 2) {
      const char16_t bom = static_cast<char16_t>(bytes[0] | (bytes[1] << 8));
      if (bom == 0xFEFF) start = 2;
      if (bom == 0xFFFE) {
        start = 2;
        swap = true;
      }
    }
    for (size_t i = start; i + 1 < n; i += 2) {
      char16_t c = static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8));
      if (swap) c = static_cast<char16_t>((c >> 8) | (c << 8));
      utf16 += c;
    }
    return cfx::NewFromUtf16(std::move(utf16));
  }
  return nullptr;
}

CFStringRef CFStringCreateWithCharacters(CFAllocatorRef, const UniChar* chars, CFIndex numChars) {
  if (numChars < 0 || (chars == nullptr && numChars > 0)) return nullptr;
  return cfx::NewFromUtf16(std::u16string(reinterpret_cast<const char16_t*>(chars), static_cast<size_t>(numChars)));
}

CFStringRef CFStringCreateCopy(CFAllocatorRef, CFStringRef str) {
  const OpaqueCFString* s = cfx::As<OpaqueCFString>(str);
  if (s == nullptr) return nullptr;
  s->Retain();  // immutable: a copy is the same object
  return str;
}

CFIndex CFStringGetLength(CFStringRef str) {
  const OpaqueCFString* s = cfx::As<OpaqueCFString>(str);
  return s != nullptr ? static_cast<CFIndex>(s->utf16.size()) : 0;
}

UniChar CFStringGetCharacterAtIndex(CFStringRef str, CFIndex idx) {
  const OpaqueCFString* s = cfx::As<OpaqueCFString>(str);
  if (s == nullptr || idx < 0 || static_cast<size_t>(idx) >= s->utf16.size()) return 0;
  return s->utf16[static_cast<size_t>(idx)];
}

void CFStringGetCharacters(CFStringRef str, CFRange range, UniChar* buffer) {
  const OpaqueCFString* s = cfx::As<OpaqueCFString>(str);
  if (s == nullptr || buffer == nullptr || range.location < 0 || range.length < 0 ||
      static_cast<size_t>(range.location) + static_cast<size_t>(range.length) > s->utf16.size())
    return;
  for (CFIndex i = 0; i < range.length; ++i) buffer[i] = s->utf16[static_cast<size_t>(range.location + i)];
}

Boolean CFStringGetCString(CFStringRef str, char* buffer, CFIndex bufferSize, CFStringEncoding encoding) {
  if (buffer == nullptr || bufferSize <= 0) return false;
  buffer[0] = '\0';
  const OpaqueCFString* s = cfx::As<OpaqueCFString>(str);
  if (s == nullptr) return false;
  std::string converted;
  const std::string* text = &s->utf8;
  if (encoding != kCFStringEncodingUTF8) {
    if (!cfx::IsSingleByteEncoding(encoding) || !cfx::Utf16ToSingleByte(s->utf16, encoding, converted)) return false;
    text = &converted;
  }
  if (text->size() + 1 > static_cast<size_t>(bufferSize)) return false;
  text->copy(buffer, text->size());
  buffer[text->size()] = '\0';
  return true;
}

const char* CFStringGetCStringPtr(CFStringRef str, CFStringEncoding encoding) {
  const OpaqueCFString* s = cfx::As<OpaqueCFString>(str);
  if (s == nullptr) return nullptr;
  if (encoding == kCFStringEncodingUTF8) return s->utf8.c_str();
  if (cfx::IsSingleByteEncoding(encoding) && s->utf8.size() == s->utf16.size()) return s->utf8.c_str();  // ASCII only
  return nullptr;
}

CFIndex CFStringGetMaximumSizeForEncoding(CFIndex length, CFStringEncoding encoding) {
  if (length < 0) return 0;
  const CFIndex perCharacter =
      encoding == kCFStringEncodingUTF8 ? 3 : (encoding == kCFStringEncodingUnicode ? 2 : 1);
  if (length > std::numeric_limits<CFIndex>::max() / perCharacter) return kCFNotFound;  // no buffer can be that big
  return length * perCharacter;
}

CFComparisonResult CFStringCompare(CFStringRef a, CFStringRef b, CFStringCompareFlags options) {
  const std::u16string empty;
  const OpaqueCFString* sa = cfx::As<OpaqueCFString>(a);
  const OpaqueCFString* sb = cfx::As<OpaqueCFString>(b);
  const std::u16string& ta = sa != nullptr ? sa->utf16 : empty;
  const std::u16string& tb = sb != nullptr ? sb->utf16 : empty;
  const bool fold = (options & kCFCompareCaseInsensitive) != 0;
  const size_t n = std::min(ta.size(), tb.size());
  for (size_t i = 0; i < n; ++i) {
    const char16_t ca = fold ? cfx::FoldCase(ta[i]) : ta[i];
    const char16_t cb = fold ? cfx::FoldCase(tb[i]) : tb[i];
    if (ca != cb) return ca < cb ? kCFCompareLessThan : kCFCompareGreaterThan;
  }
  if (ta.size() == tb.size()) return kCFCompareEqualTo;
  return ta.size() < tb.size() ? kCFCompareLessThan : kCFCompareGreaterThan;
}

Boolean CFStringHasPrefix(CFStringRef str, CFStringRef prefix) {
  const std::string& s = cfx::StringText(str);
  const std::string& p = cfx::StringText(prefix);
  return s.compare(0, p.size(), p) == 0 && s.size() >= p.size();
}

Boolean CFStringHasSuffix(CFStringRef str, CFStringRef suffix) {
  const std::string& s = cfx::StringText(str);
  const std::string& p = cfx::StringText(suffix);
  return s.size() >= p.size() && s.compare(s.size() - p.size(), p.size(), p) == 0;
}

CFStringRef CFStringMakeConstantString(const char* cStr) {
  static std::mutex mutex;
  static auto* table = new std::unordered_map<std::string, OpaqueCFString*>();  // constants live forever
  if (cStr == nullptr) return nullptr;
  std::lock_guard<std::mutex> lock(mutex);
  auto it = table->find(cStr);
  if (it != table->end()) return it->second;
  std::u16string utf16;
  std::string text(cStr);
  if (!cfx::Utf8ToUtf16(text.data(), text.size(), utf16)) {
    utf16.clear();
    text.clear();  // an invalid literal becomes the empty constant
  }
  auto* s = new OpaqueCFString(text, std::move(utf16), true);
  table->emplace(cStr, s);
  return s;
}

}  // extern "C"
