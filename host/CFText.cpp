#include "host/CFText.h"

#include <cstring>

namespace orbexhost {

std::string CFStringText(CFTypeRef value) {
  if (value == nullptr || CFGetTypeID(value) != CFStringGetTypeID()) return {};
  const auto s = static_cast<CFStringRef>(value);
  if (const char* p = CFStringGetCStringPtr(s, kCFStringEncodingUTF8)) return p;
  const CFIndex size = CFStringGetMaximumSizeForEncoding(CFStringGetLength(s), kCFStringEncodingUTF8) + 1;
  std::string buf(static_cast<size_t>(size), '\0');
  if (!CFStringGetCString(s, buf.data(), size, kCFStringEncodingUTF8)) return {};
  buf.resize(std::strlen(buf.c_str()));
  return buf;
}

}  // namespace orbexhost
