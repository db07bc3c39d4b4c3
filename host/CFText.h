#pragma once
// Text out of the platform's string objects. Any thread.

#include <CoreFoundation/CoreFoundation.h>

#include <string>

namespace orbexhost {

// CFString to UTF-8 (empty for null or non-strings).
std::string CFStringText(CFTypeRef value);

}  // namespace orbexhost
