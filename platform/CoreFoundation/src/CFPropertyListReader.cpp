// Reads XML property lists. Every malformed, truncated or hostile document
// ends in an error naming the problem and its line; nesting is limited so
// deep documents cannot exhaust the stack, and every object is built from
// text already in the input, so sizes never exceed the input's.
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include <CoreFoundation/CFArray.h>
#include <CoreFoundation/CFDate.h>
#include <CoreFoundation/CFDictionary.h>
#include <CoreFoundation/CFNumber.h>
#include <CoreFoundation/CFPropertyList.h>

#include "CFBase64.h"
#include "CFContainers.h"
#include "CFErrorImpl.h"
#include "CFStringImpl.h"

namespace {

constexpr int kMaxDepth = 256;

// Releases an object unless handed on.
struct Holder {
  CFTypeRef object = nullptr;
  ~Holder() { CFRelease(object); }
  CFTypeRef Take() {
    CFTypeRef o = object;
    object = nullptr;
    return o;
  }
};

struct Tag {
  std::string name;
  bool closing = false;
  bool selfClosing = false;
};

class XmlReader {
 public:
  XmlReader(const char* data, size_t size, CFOptionFlags mutability)
      : begin_(data), p_(data), end_(data + size), mutability_(mutability) {}

  CFTypeRef Parse() {
    if (end_ - p_ >= 3 && std::memcmp(p_, "\xEF\xBB\xBF", 3) == 0) p_ += 3;
    if (!SkipMisc()) return nullptr;
    if (p_ == end_) return Fail("the document is empty"), nullptr;
    Holder result;
    if (LookingAt("<plist") && (end_ - p_ == 6 || !IsNameChar(p_[6]))) {
      Tag tag;
      if (!ReadTag(tag)) return nullptr;
      if (tag.selfClosing) return Fail("the plist element holds no value"), nullptr;
      if (!SkipMisc()) return nullptr;
      if (LookingAt("</")) return Fail("the plist element holds no value"), nullptr;
      if (!ParseValue(result.object, 1) || !SkipMisc()) return nullptr;
      Tag close;
      if (p_ == end_) return Fail("the document ends before </plist>"), nullptr;
      if (!ReadTag(close)) return nullptr;
      if (!close.closing || close.name != "plist")
        return Fail("the plist element holds more than one value"), nullptr;
    } else if (!ParseValue(result.object, 1)) {
      return nullptr;
    }
    if (!SkipMisc()) return nullptr;
    if (p_ != end_) return Fail("unexpected content after the property list"), nullptr;
    return result.Take();
  }

  std::string error;

 private:
  bool Fail(const std::string& message) {
    if (error.empty()) {
      long line = 1;
      for (const char* q = begin_; q < p_ && q < end_; ++q)
        if (*q == '\n') ++line;
      error = message + " (line " + std::to_string(line) + ")";
    }
    return false;
  }

  bool LookingAt(const char* text) const {
    const size_t n = std::strlen(text);
    return static_cast<size_t>(end_ - p_) >= n && std::memcmp(p_, text, n) == 0;
  }

  static bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }
  static bool IsNameChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-' ||
           c == '.' || c == ':';
  }

  // Moves past text up to and including terminator; false when it is missing.
  bool SkipPast(const char* terminator, const char* what) {
    const size_t n = std::strlen(terminator);
    for (const char* q = p_; static_cast<size_t>(end_ - q) >= n; ++q) {
      if (std::memcmp(q, terminator, n) == 0) {
        p_ = q + n;
        return true;
      }
    }
    return Fail(std::string("unterminated ") + what);
  }

  // Skips white space, comments, processing instructions and the DOCTYPE.
  bool SkipMisc() {
    for (;;) {
      while (p_ < end_ && IsSpace(*p_)) ++p_;
      if (LookingAt("<!--")) {
        p_ += 4;
        if (!SkipPast("-->", "comment")) return false;
      } else if (LookingAt("<?")) {
        p_ += 2;
        if (!SkipPast("?>", "processing instruction")) return false;
      } else if (LookingAt("<!DOCTYPE")) {
        int brackets = 0;
        char quote = 0;
        for (p_ += 9;; ++p_) {
          if (p_ == end_) return Fail("unterminated DOCTYPE");
          const char c = *p_;
          if (quote != 0) {
            if (c == quote) quote = 0;
          } else if (c == '"' || c == '\'') {
            quote = c;
          } else if (c == '[') {
            ++brackets;
          } else if (c == ']') {
            --brackets;
          } else if (c == '>' && brackets <= 0) {
            ++p_;
            break;
          }
        }
      } else {
        return true;
      }
    }
  }

  // Reads "<name ...>", "<name .../>" or "</name>"; attributes are skipped.
  bool ReadTag(Tag& tag) {
    if (p_ == end_ || *p_ != '<') return Fail("expected an element");
    ++p_;
    tag = Tag();
    if (p_ < end_ && *p_ == '/') {
      tag.closing = true;
      ++p_;
    }
    while (p_ < end_ && IsNameChar(*p_) && tag.name.size() < 64) tag.name += *p_++;
    if (tag.name.empty()) return Fail("malformed element name");
    if (p_ < end_ && IsNameChar(*p_)) return Fail("element name too long");
    char quote = 0;
    for (;; ++p_) {
      if (p_ == end_) return Fail("unterminated <" + tag.name + "> tag");
      const char c = *p_;
      if (quote != 0) {
        if (c == quote) quote = 0;
      } else if (c == '"' || c == '\'') {
        if (tag.closing) return Fail("attributes on a closing tag");
        quote = c;
      } else if (c == '<') {
        return Fail("'<' inside the <" + tag.name + "> tag");
      } else if (c == '/' && p_ + 1 < end_ && p_[1] == '>' && !tag.closing) {
        tag.selfClosing = true;
        p_ += 2;
        return true;
      } else if (c == '>') {
        ++p_;
        return true;
      }
    }
  }

  bool ReadEntity(std::string& out) {
    static const struct {
      const char* name;
      char c;
    } kNamed[] = {{"&lt;", '<'}, {"&gt;", '>'}, {"&amp;", '&'}, {"&quot;", '"'}, {"&apos;", '\''}};
    for (const auto& e : kNamed) {
      if (LookingAt(e.name)) {
        out += e.c;
        p_ += std::strlen(e.name);
        return true;
      }
    }
    if (!LookingAt("&#")) return Fail("unknown entity");
    p_ += 2;
    const bool hex = p_ < end_ && (*p_ == 'x' || *p_ == 'X');
    if (hex) ++p_;
    unsigned long cp = 0;
    int digits = 0;
    while (p_ < end_ && *p_ != ';') {
      const char c = *p_;
      int v = -1;
      if (c >= '0' && c <= '9') v = c - '0';
      else if (hex && c >= 'a' && c <= 'f') v = c - 'a' + 10;
      else if (hex && c >= 'A' && c <= 'F') v = c - 'A' + 10;
      if (v < 0 || ++digits > 8) return Fail("malformed character reference");
      cp = cp * (hex ? 16 : 10) + static_cast<unsigned long>(v);
      ++p_;
    }
    if (p_ == end_ || digits == 0) return Fail("malformed character reference");
    ++p_;
    if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return Fail("character reference out of range");
    cfx::AppendUtf8(out, static_cast<char32_t>(cp));
    return true;
  }

  // Reads character data up to the closing tag of element name.
  bool ReadText(const std::string& name, std::string& out) {
    out.clear();
    for (;;) {
      if (p_ == end_) return Fail("the document ends inside <" + name + ">");
      const char c = *p_;
      if (c == '&') {
        if (!ReadEntity(out)) return false;
      } else if (c == '<') {
        if (LookingAt("<![CDATA[")) {
          p_ += 9;
          const char* start = p_;
          if (!SkipPast("]]>", "CDATA section")) return false;
          out.append(start, static_cast<size_t>(p_ - 3 - start));
        } else if (LookingAt("<!--")) {
          p_ += 4;
          if (!SkipPast("-->", "comment")) return false;
        } else if (LookingAt("</")) {
          Tag close;
          if (!ReadTag(close)) return false;
          if (close.name != name) return Fail("</" + close.name + "> closes <" + name + ">");
          return true;
        } else {
          return Fail("unexpected element inside <" + name + ">");
        }
      } else {
        out += c;
        ++p_;
      }
    }
  }

  static std::string Trim(const std::string& s) {
    size_t a = 0, b = s.size();
    while (a < b && IsSpace(s[a])) ++a;
    while (b > a && IsSpace(s[b - 1])) --b;
    return s.substr(a, b - a);
  }

  bool MakeString(const std::string& text, CFTypeRef& out) {
    out = cfx::NewString(text);
    return out != nullptr || Fail("text is not valid UTF-8");
  }

  bool MakeInteger(const std::string& raw, CFTypeRef& out) {
    const std::string t = Trim(raw);
    size_t i = 0;
    bool negative = false;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) negative = t[i++] == '-';
    unsigned base = 10;
    if (t.size() - i > 2 && t[i] == '0' && (t[i + 1] == 'x' || t[i + 1] == 'X')) {
      base = 16;
      i += 2;
    }
    if (i == t.size()) return Fail("empty or malformed <integer>");
    unsigned long long magnitude = 0;
    for (; i < t.size(); ++i) {
      const char c = t[i];
      unsigned v = 99;
      if (c >= '0' && c <= '9') v = static_cast<unsigned>(c - '0');
      else if (base == 16 && c >= 'a' && c <= 'f') v = static_cast<unsigned>(c - 'a' + 10);
      else if (base == 16 && c >= 'A' && c <= 'F') v = static_cast<unsigned>(c - 'A' + 10);
      if (v >= base) return Fail("malformed <integer>");
      if (__builtin_mul_overflow(magnitude, base, &magnitude) || __builtin_add_overflow(magnitude, v, &magnitude))
        return Fail("<integer> out of range");
    }
    const unsigned long long limit = negative ? 9223372036854775808ULL : 9223372036854775807ULL;
    if (magnitude > limit) return Fail("<integer> out of range");
    const SInt64 value = negative ? static_cast<SInt64>(0 - magnitude) : static_cast<SInt64>(magnitude);
    out = CFNumberCreate(nullptr, kCFNumberSInt64Type, &value);
    return true;
  }

  bool MakeReal(const std::string& raw, CFTypeRef& out) {
    std::string t = Trim(raw);
    if (t.empty() || t.size() > 512) return Fail("malformed <real>");
    for (char c : t)
      if (IsSpace(c)) return Fail("malformed <real>");
    char* stop = nullptr;
    const double value = std::strtod(t.c_str(), &stop);
    if (stop != t.c_str() + t.size()) return Fail("malformed <real>");
    out = CFNumberCreate(nullptr, kCFNumberFloat64Type, &value);
    return true;
  }

  // "YYYY-MM-DDTHH:MM:SSZ", every field its digits, the day one the month has.
  bool MakeDate(const std::string& raw, CFTypeRef& out) {
    const std::string t = Trim(raw);
    static const char kPattern[] = "0000-00-00T00:00:00Z";
    bool shaped = t.size() == sizeof kPattern - 1;
    for (size_t i = 0; shaped && i < t.size(); ++i)
      shaped = kPattern[i] == '0' ? (t[i] >= '0' && t[i] <= '9') : t[i] == kPattern[i];
    if (!shaped) return Fail("malformed <date>");
    auto field = [&](size_t at, size_t digits) { return std::atoi(t.substr(at, digits).c_str()); };
    std::tm tm{};
    tm.tm_year = field(0, 4) - 1900;
    tm.tm_mon = field(5, 2) - 1;
    tm.tm_mday = field(8, 2);
    tm.tm_hour = field(11, 2);
    tm.tm_min = field(14, 2);
    tm.tm_sec = field(17, 2);
    if (tm.tm_mon < 0 || tm.tm_mon > 11 || tm.tm_hour > 23 || tm.tm_min > 59 || tm.tm_sec > 60)
      return Fail("malformed <date>");
    const int year = tm.tm_year + 1900;
    const bool leap = year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
    static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (tm.tm_mday < 1 || tm.tm_mday > kDays[tm.tm_mon] + (tm.tm_mon == 1 && leap ? 1 : 0))
      return Fail("<date> names a day its month does not have");
    const double unixSeconds = static_cast<double>(timegm(&tm));
    out = CFDateCreate(nullptr, unixSeconds - kCFAbsoluteTimeIntervalSince1970);
    return true;
  }

  bool MakeData(const std::string& raw, CFTypeRef& out) {
    std::vector<UInt8> bytes;
    if (!cfx::Base64Decode(raw.data(), raw.size(), bytes)) return Fail("malformed base64 in <data>");
    if (mutability_ == kCFPropertyListMutableContainersAndLeaves) {
      CFMutableDataRef d = CFDataCreateMutable(nullptr, 0);
      CFDataAppendBytes(d, bytes.data(), static_cast<CFIndex>(bytes.size()));
      out = d;
    } else {
      out = CFDataCreate(nullptr, bytes.data(), static_cast<CFIndex>(bytes.size()));
    }
    return true;
  }

  bool ParseArray(const Tag& tag, CFTypeRef& out, int depth) {
    Holder array;
    CFMutableArrayRef a = CFArrayCreateMutable(nullptr, 0, &kCFTypeArrayCallBacks);
    array.object = a;
    if (!tag.selfClosing) {
      for (;;) {
        if (!SkipMisc()) return false;
        if (p_ == end_) return Fail("the document ends inside <array>");
        if (LookingAt("</")) {
          Tag close;
          if (!ReadTag(close)) return false;
          if (close.name != "array") return Fail("</" + close.name + "> closes <array>");
          break;
        }
        Holder value;
        if (!ParseValue(value.object, depth + 1)) return false;
        CFArrayAppendValue(a, value.object);
      }
    }
    if (mutability_ == kCFPropertyListImmutable) {
      out = CFArrayCreateCopy(nullptr, a);
    } else {
      out = array.Take();
    }
    return true;
  }

  bool ParseDictionary(const Tag& tag, CFTypeRef& out, int depth) {
    Holder dict;
    CFMutableDictionaryRef d =
        CFDictionaryCreateMutable(nullptr, 0, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks);
    dict.object = d;
    if (!tag.selfClosing) {
      for (;;) {
        if (!SkipMisc()) return false;
        if (p_ == end_) return Fail("the document ends inside <dict>");
        Tag keyTag;
        if (!ReadTag(keyTag)) return false;
        if (keyTag.closing) {
          if (keyTag.name != "dict") return Fail("</" + keyTag.name + "> closes <dict>");
          break;
        }
        if (keyTag.name != "key") return Fail("<" + keyTag.name + "> where a <key> belongs in <dict>");
        std::string keyText;
        if (!keyTag.selfClosing && !ReadText("key", keyText)) return false;
        Holder key;
        if (!MakeString(keyText, key.object)) return false;
        if (!SkipMisc()) return false;
        if (p_ == end_ || LookingAt("</")) return Fail("<key> without a value in <dict>");
        Holder value;
        if (!ParseValue(value.object, depth + 1)) return false;
        CFDictionarySetValue(d, key.object, value.object);
      }
    }
    if (mutability_ == kCFPropertyListImmutable) {
      out = CFDictionaryCreateCopy(nullptr, d);
    } else {
      out = dict.Take();
    }
    return true;
  }

  bool ParseValue(CFTypeRef& out, int depth) {
    if (depth > kMaxDepth) return Fail("property list nested too deeply");
    if (!SkipMisc()) return false;
    Tag tag;
    if (!ReadTag(tag)) return false;
    if (tag.closing) return Fail("unexpected </" + tag.name + ">");
    const std::string& n = tag.name;
    if (n == "dict") return ParseDictionary(tag, out, depth);
    if (n == "array") return ParseArray(tag, out, depth);
    if (n == "true" || n == "false") {
      if (!tag.selfClosing) {
        std::string text;
        if (!ReadText(n, text)) return false;
        if (!Trim(text).empty()) return Fail("<" + n + "> holds text");
      }
      out = n == "true" ? kCFBooleanTrue : kCFBooleanFalse;
      return true;
    }
    std::string text;
    if (!tag.selfClosing && !ReadText(n, text)) return false;
    if (n == "string") return MakeString(text, out);
    if (n == "integer") return MakeInteger(text, out);
    if (n == "real") return MakeReal(text, out);
    if (n == "data") return MakeData(text, out);
    if (n == "date") return MakeDate(text, out);
    if (n == "key") return Fail("<key> outside a <dict>");
    return Fail("unknown element <" + n + ">");
  }

  const char* const begin_;
  const char* p_;
  const char* const end_;
  const CFOptionFlags mutability_;
};

CFPropertyListRef Read(CFDataRef data, CFOptionFlags options, CFPropertyListFormat* format, std::string& error) {
  const OpaqueCFData* d = cfx::As<OpaqueCFData>(data);
  if (d == nullptr) {
    error = "no data to read";
    return nullptr;
  }
  const char* bytes = reinterpret_cast<const char*>(d->bytes.data());
  if (d->bytes.size() >= 6 && std::memcmp(bytes, "bplist", 6) == 0) {
    error = "binary property lists are not supported";
    return nullptr;
  }
  XmlReader reader(bytes, d->bytes.size(), options & 3);
  CFPropertyListRef result = reader.Parse();
  if (result == nullptr) {
    error = reader.error.empty() ? "malformed property list" : reader.error;
    return nullptr;
  }
  if (format != nullptr) *format = kCFPropertyListXMLFormat_v1_0;
  return result;
}

}  // namespace

extern "C" {

CFPropertyListRef CFPropertyListCreateWithData(CFAllocatorRef, CFDataRef data, CFOptionFlags options,
                                               CFPropertyListFormat* format, CFErrorRef* error) {
  if (error != nullptr) *error = nullptr;
  std::string message;
  CFPropertyListRef result = Read(data, options, format, message);
  if (result == nullptr && error != nullptr)
    *error = cfx::NewError(kCFErrorDomainCocoa, kCFPropertyListReadCorruptError, message);
  return result;
}

CFPropertyListRef CFPropertyListCreateFromXMLData(CFAllocatorRef, CFDataRef xmlData, CFOptionFlags mutabilityOption,
                                                  CFStringRef* errorString) {
  if (errorString != nullptr) *errorString = nullptr;
  std::string message;
  CFPropertyListRef result = Read(xmlData, mutabilityOption, nullptr, message);
  if (result == nullptr && errorString != nullptr) *errorString = cfx::NewString(message);
  return result;
}

}  // extern "C"
