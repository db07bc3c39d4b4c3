#include <cctype>
#include <cstring>
#include <cstdlib>
#include <vector>

#include <CoreFoundation/CFUnicode.h>
#include <Foundation/NSArray.h>
#include <Foundation/NSPathUtilities.h>
#include <Foundation/NSString.h>

NS_IMPLEMENT_CLASS(NSString)

namespace {

NSString* Make(const std::string& utf8) { return static_cast<NSString*>(NSString::alloc()->initWithBytes(utf8.data(), utf8.size(), NSUTF8StringEncoding)); }

NSString* Auto(NSString* s) { return s != nullptr ? static_cast<NSString*>(s->autorelease()) : nullptr; }

std::u16string Units(CFStringRef s) {
  const CFIndex n = CFStringGetLength(s);
  std::u16string out(static_cast<size_t>(n), u'\0');
  if (n > 0) CFStringGetCharacters(s, CFRangeMake(0, n), reinterpret_cast<UniChar*>(out.data()));
  return out;
}

NSString* FromUnits(const std::u16string& units) {
  return Auto(NSString::alloc()->initWithBytes(units.data(), units.size() * 2, NSUnicodeStringEncoding));
}

}  // namespace

NSString* NSString::string() { return Auto(alloc()->init()); }
NSString* NSString::stringWithUTF8String(const char* text) { return Auto(alloc()->initWithUTF8String(text)); }
NSString* NSString::stringWithCString(const char* text, NSStringEncoding encoding) {
  return text != nullptr ? Auto(alloc()->initWithBytes(text, std::strlen(text), encoding)) : nullptr;
}
NSString* NSString::stringWithCharacters(const unichar* characters, NSUInteger length) {
  if (characters == nullptr && length > 0) return nullptr;
  return Auto(alloc()->initWithBytes(characters, length * 2, NSUnicodeStringEncoding));
}
NSString* NSString::stringWithString(NSString* string) { return Auto(alloc()->initWithString(string)); }
NSString* NSString::stringWithCFString(CFStringRef string) {
  const char* p = string != nullptr ? CFStringGetCStringPtr(string, kCFStringEncodingUTF8) : nullptr;
  return p != nullptr ? stringWithUTF8String(p) : nullptr;
}

NSString* NSString::stringWithFormat(NSString* format, ...) {
  va_list args;
  va_start(args, format);
  NSString* s = stringWithFormatArguments(format, args);
  va_end(args);
  return s;
}

NSString* NSString::stringWithFormatArguments(NSString* format, va_list arguments) {
  if (format == nullptr) return nullptr;
  return nsx::Str(nsx::FormatText(format->UTF8String(), arguments));
}

void NSString::setText(std::string utf8, bool constant) {
  if (cf_ != nullptr) CFRelease(cf_);
  utf8_ = std::move(utf8);
  if (constant) {
    cf_ = CFStringMakeConstantString(utf8_.c_str());
    return;
  }
  cf_ = CFStringCreateWithBytes(nullptr, reinterpret_cast<const UInt8*>(utf8_.data()), static_cast<CFIndex>(utf8_.size()),
                                kCFStringEncodingUTF8, false);
}

NSString* NSString::init() {
  setText(std::string());
  return this;
}

NSString* NSString::initWithUTF8String(const char* text) {
  if (text == nullptr) {
    release();
    return nullptr;
  }
  return initWithBytes(text, std::strlen(text), NSUTF8StringEncoding);
}

NSString* NSString::initWithBytes(const void* bytes, NSUInteger length, NSStringEncoding encoding) {
  if (bytes == nullptr && length > 0) {
    release();
    return nullptr;
  }
  const auto* b = static_cast<const UInt8*>(bytes);
  CFStringRef cf = nullptr;
  if (encoding == NSUTF8StringEncoding) {
    cf = CFStringCreateWithBytes(nullptr, b, static_cast<CFIndex>(length), kCFStringEncodingUTF8, false);
  } else if (encoding == NSASCIIStringEncoding || encoding == NSISOLatin1StringEncoding) {
    std::vector<UniChar> units(length);
    for (NSUInteger i = 0; i < length; ++i)
      units[i] = (encoding == NSASCIIStringEncoding && b[i] >= 0x80) ? 0xFFFD : b[i];
    cf = CFStringCreateWithCharacters(nullptr, units.data(), static_cast<CFIndex>(length));
  } else if (encoding == NSUnicodeStringEncoding && length % 2 == 0) {
    std::vector<UniChar> units(length / 2);
    if (length > 0) std::memcpy(units.data(), bytes, length);
    cf = CFStringCreateWithCharacters(nullptr, units.data(), static_cast<CFIndex>(units.size()));
  }
  if (cf == nullptr) {
    release();
    return nullptr;
  }
  if (cf_ != nullptr) CFRelease(cf_);
  cf_ = cf;
  utf8_ = cfx::Utf16ToUtf8(Units(cf));  // also keeps text holding a zero character whole
  return this;
}

NSString* NSString::initWithString(NSString* string) {
  if (string == nullptr) {
    release();
    return nullptr;
  }
  setText(string->utf8_);
  return this;
}

void NSString::dealloc() {
  if (cf_ != nullptr) CFRelease(cf_);
  cf_ = nullptr;
  NSObject::dealloc();
}

const char* NSString::UTF8String() const { return utf8_.c_str(); }
NSUInteger NSString::length() const { return static_cast<NSUInteger>(CFStringGetLength(cf_)); }
unichar NSString::characterAtIndex(NSUInteger index) const {
  return index < length() ? CFStringGetCharacterAtIndex(cf_, static_cast<CFIndex>(index)) : 0;
}
BOOL NSString::isEqualToString(NSString* other) const { return other != nullptr && other->utf8_ == utf8_; }
BOOL NSString::isEqual(id other) {
  return other == this || (other != nullptr && other->isKindOfClass(class_()) && isEqualToString(static_cast<NSString*>(other)));
}
NSUInteger NSString::hash() { return std::hash<std::string>()(utf8_); }
NSComparisonResult NSString::compare(NSString* other) const {
  if (other == nullptr) return NSOrderedDescending;
  return static_cast<NSComparisonResult>(CFStringCompare(cf_, other->cf_, 0));
}
BOOL NSString::hasPrefix(NSString* prefix) const { return prefix != nullptr && utf8_.rfind(prefix->utf8_, 0) == 0; }
BOOL NSString::hasSuffix(NSString* suffix) const {
  return suffix != nullptr && utf8_.size() >= suffix->utf8_.size() &&
         utf8_.compare(utf8_.size() - suffix->utf8_.size(), std::string::npos, suffix->utf8_) == 0;
}

NSRange NSString::rangeOfString(NSString* text) const {
  if (text == nullptr || text->utf8_.empty()) return NSMakeRange(NSNotFound, 0);
  const std::u16string self = Units(cf_), needle = Units(text->cf_);
  const size_t at = self.find(needle);
  return at == std::u16string::npos ? NSMakeRange(NSNotFound, 0) : NSMakeRange(at, needle.size());
}

NSArray* NSString::componentsSeparatedByString(NSString* separator) const {
  std::vector<id> parts;
  if (separator == nullptr || separator->utf8_.empty()) {
    parts.push_back(Make(utf8_));
  } else {
    size_t start = 0;
    for (;;) {
      const size_t at = utf8_.find(separator->utf8_, start);
      parts.push_back(Make(utf8_.substr(start, at == std::string::npos ? std::string::npos : at - start)));
      if (at == std::string::npos) break;
      start = at + separator->utf8_.size();
    }
  }
  NSArray* array = NSArray::arrayWithVector(parts);
  for (id p : parts) p->release();
  return array;
}

NSString* NSString::stringByAppendingString(NSString* text) const {
  return nsx::Str(utf8_ + (text != nullptr ? text->utf8_ : std::string()));
}

NSString* NSString::substringWithRange(NSRange range) const {
  const std::u16string u = Units(cf_);
  if (range.location > u.size()) return string();
  return FromUnits(u.substr(range.location, range.length));
}
NSString* NSString::substringFromIndex(NSUInteger from) const { return substringWithRange(NSMakeRange(from, NSUInteger(-1))); }
NSString* NSString::substringToIndex(NSUInteger to) const { return substringWithRange(NSMakeRange(0, to)); }

NSString* NSString::lowercaseString() const {
  std::string s = utf8_;
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return nsx::Str(s);
}
NSString* NSString::uppercaseString() const {
  std::string s = utf8_;
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return nsx::Str(s);
}

int NSString::intValue() const {
  const long long v = longLongValue();
  return v > INT32_MAX ? INT32_MAX : v < INT32_MIN ? INT32_MIN : static_cast<int>(v);
}
long long NSString::longLongValue() const { return std::strtoll(utf8_.c_str(), nullptr, 10); }
double NSString::doubleValue() const { return std::strtod(utf8_.c_str(), nullptr); }

NSString* NSString::lastPathComponent() const {
  std::string p = utf8_;
  while (p.size() > 1 && p.back() == '/') p.pop_back();
  const size_t slash = p.rfind('/');
  return nsx::Str(slash == std::string::npos || p == "/" ? p : p.substr(slash + 1));
}

NSString* NSString::stringByDeletingLastPathComponent() const {
  std::string p = utf8_;
  while (p.size() > 1 && p.back() == '/') p.pop_back();
  const size_t slash = p.rfind('/');
  if (slash == std::string::npos) return string();
  return nsx::Str(slash == 0 ? std::string("/") : p.substr(0, slash));
}

NSString* NSString::stringByAppendingPathComponent(NSString* component) const {
  const std::string c = component != nullptr ? component->utf8_ : std::string();
  if (utf8_.empty()) return nsx::Str(c);
  if (c.empty()) return nsx::Str(utf8_);
  return nsx::Str(utf8_.back() == '/' ? utf8_ + c : utf8_ + "/" + c);
}

NSString* NSString::pathExtension() const {
  const std::string last = lastPathComponent()->utf8_;
  const size_t dot = last.rfind('.');
  return nsx::Str(dot == std::string::npos || dot == 0 ? std::string() : last.substr(dot + 1));
}

NSString* NSString::stringByExpandingTildeInPath() const { return nsx::Str(NSExpandTildeInPath(utf8_)); }

NSString* NSStringFromClass(Class cls) { return cls != nullptr ? nsx::Str(cls->name()) : nullptr; }
Class NSClassFromString(NSString* name) { return name != nullptr ? objc_getClass(name->UTF8String()) : nullptr; }
NSString* NSStringFromSelector(SEL sel) { return sel != nullptr ? nsx::Str(sel_getName(sel)) : nullptr; }
SEL NSSelectorFromString(NSString* name) { return name != nullptr ? sel_registerName(name->UTF8String()) : nullptr; }
