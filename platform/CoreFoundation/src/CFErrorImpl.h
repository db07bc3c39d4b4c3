// The error object: domain, code and a readable description.
#pragma once

#include <CoreFoundation/CFError.h>

#include <CoreFoundation/CFObject.h>

struct OpaqueCFError final : cfx::Object {
  static constexpr CFTypeID kType = cfx::kTypeError;
  OpaqueCFError(CFStringRef domainName, CFIndex errorCode, std::string text);
  ~OpaqueCFError() override;
  std::string Describe() const override;

  const CFStringRef domain;
  const CFIndex code;
  const std::string description;
};

namespace cfx {
CFErrorRef NewError(CFStringRef domain, CFIndex code, const std::string& description);
}  // namespace cfx
