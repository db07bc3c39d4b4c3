// Immutable Unicode strings; lengths and indices count UTF-16 code units.
// Each string carries a CFString of the same text (cfString), as the
// platform's strings and CF strings are one kind of object there.
// Any thread; objects are immutable.
#pragma once

#include <cstdarg>
#include <string>

#include <CoreFoundation/CFString.h>
#include <Foundation/NSObject.h>

class NSArray;

typedef NSUInteger NSStringEncoding;
enum : NSUInteger {
  NSASCIIStringEncoding = 1,
  NSUTF8StringEncoding = 4,
  NSISOLatin1StringEncoding = 5,
  NSUnicodeStringEncoding = 10
};

typedef unsigned short unichar;

class NSString : public NSObject {
  NS_CLASS(NSString, NSObject)
 public:
  // Convenience constructors: autoreleased; nil where the text is refused.
  static NSString* string();
  static NSString* stringWithUTF8String(const char* text);  // nil for null or invalid UTF-8
  static NSString* stringWithCString(const char* text, NSStringEncoding encoding);
  static NSString* stringWithCharacters(const unichar* characters, NSUInteger length);
  static NSString* stringWithString(NSString* string);
  static NSString* stringWithCFString(CFStringRef string);  // nil for null
  // printf conversions, plus %@ for an object's description ("(null)" for nil).
  static NSString* stringWithFormat(NSString* format, ...);
  static NSString* stringWithFormatArguments(NSString* format, va_list arguments);

  NSString* init() override;  // the empty string
  NSString* initWithUTF8String(const char* text);
  // UTF-8, ASCII (other bytes become U+FFFD), ISO Latin 1 or UTF-16 in the
  // machine's order; invalid bytes give nil (the object is released).
  NSString* initWithBytes(const void* bytes, NSUInteger length, NSStringEncoding encoding);
  NSString* initWithString(NSString* string);

  const char* UTF8String() const;  // valid while the string lives
  const std::string& utf8() const { return utf8_; }
  CFStringRef cfString() const { return cf_; }  // not owned
  NSUInteger length() const;
  unichar characterAtIndex(NSUInteger index) const;  // 0 beyond the end
  BOOL isEqualToString(NSString* other) const;
  BOOL isEqual(id other) override;
  NSUInteger hash() override;
  NSString* description() override { return this; }
  NSComparisonResult compare(NSString* other) const;
  BOOL hasPrefix(NSString* prefix) const;
  BOOL hasSuffix(NSString* suffix) const;
  // Location of the first occurrence (UTF-16 units); {NSNotFound, 0} when none.
  NSRange rangeOfString(NSString* text) const;
  BOOL containsString(NSString* text) const { return rangeOfString(text).location != NSUInteger(NSNotFound); }
  NSArray* componentsSeparatedByString(NSString* separator) const;
  NSString* stringByAppendingString(NSString* text) const;
  NSString* substringFromIndex(NSUInteger from) const;
  NSString* substringToIndex(NSUInteger to) const;
  NSString* substringWithRange(NSRange range) const;
  NSString* lowercaseString() const;
  NSString* uppercaseString() const;
  // Leading number, as C's strtol / strtod; 0 when there is none.
  int intValue() const;
  long long longLongValue() const;
  double doubleValue() const;

  // Path helpers (POSIX paths).
  NSString* lastPathComponent() const;
  NSString* stringByDeletingLastPathComponent() const;
  NSString* stringByAppendingPathComponent(NSString* component) const;
  NSString* pathExtension() const;
  NSString* stringByExpandingTildeInPath() const;

  void dealloc() override;

 protected:
  NSString() = default;
  // Sets the text from UTF-8 known to be valid; a constant text's CF string
  // is the CoreFoundation layer's constant one (never freed, not counted).
  void setText(std::string utf8, bool constant = false);

 private:
  std::string utf8_;
  CFStringRef cf_ = nullptr;
};

NSString* NSStringFromClass(Class cls);
Class NSClassFromString(NSString* name);
NSString* NSStringFromSelector(SEL sel);
SEL NSSelectorFromString(NSString* name);

namespace nsx {
// printf conversions with %@ for objects, as NSString's stringWithFormat.
std::string FormatText(const char* format, va_list arguments);
// An autoreleased string of text (UTF-8), or nil when it is not UTF-8.
inline NSString* Str(const std::string& text) { return NSString::stringWithUTF8String(text.c_str()); }
}  // namespace nsx
