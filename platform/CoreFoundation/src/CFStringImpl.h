// The string object: UTF-8 text with its UTF-16 form for lengths,
// characters and ordering.
#pragma once

#include <string>

#include <CoreFoundation/CFObject.h>
#include <CoreFoundation/CFUnicode.h>

struct OpaqueCFString final : cfx::Object {
  static constexpr CFTypeID kType = cfx::kTypeString;

  OpaqueCFString(std::string utf8Text, std::u16string utf16Text, bool immortal);

  bool Equals(const cfx::Object& other) const override;
  CFHashCode Hash() const override;
  std::string Describe() const override { return utf8; }

  const std::string utf8;
  const std::u16string utf16;
};

namespace cfx {


// A new string from UTF-8 bytes; null when they are not valid UTF-8.
CFStringRef NewString(const std::string& utf8);
// The UTF-8 text of a string; empty for null or a non-string.
const std::string& StringText(CFStringRef str);

}  // namespace cfx
