// Constant strings: one shared, never freed NSString per text, as string
// literals are on the platform. NSSTR("text") looks its literal up once.
#pragma once

#include <Foundation/NSString.h>

namespace nsx {
// The constant string of a UTF-8 text (nil for null or invalid UTF-8).
NSString* ConstantString(const char* text);
}  // namespace nsx

#define NSSTR(text)                                                 \
  ([]() -> NSString* {                                              \
    static NSString* const constant = nsx::ConstantString("" text ""); \
    return constant;                                                \
  }())
