// printf-style formatting with %@ for objects. Each conversion is handed to
// snprintf with the argument of its type, so the C library does the digits.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include <Foundation/NSString.h>

namespace nsx {
namespace {

template <class T>
void Append(std::string& out, const std::string& directive, T value) {
  char small[128];
  const int n = std::snprintf(small, sizeof small, directive.c_str(), value);
  if (n < 0) return;
  if (static_cast<size_t>(n) < sizeof small) {
    out.append(small, static_cast<size_t>(n));
    return;
  }
  std::string big(static_cast<size_t>(n) + 1, '\0');
  std::snprintf(big.data(), big.size(), directive.c_str(), value);
  out.append(big.data(), static_cast<size_t>(n));
}

}  // namespace

std::string FormatText(const char* format, va_list arguments) {
  std::string out;
  if (format == nullptr) return out;
  va_list args;
  va_copy(args, arguments);
  for (const char* p = format; *p != '\0'; ++p) {
    if (*p != '%') {
      out += *p;
      continue;
    }
    const char* start = p++;
    if (*p == '%') {
      out += '%';
      continue;
    }
    std::string directive = "%";
    while (*p != '\0' && std::strchr("-+ #0'", *p) != nullptr) directive += *p++;
    if (*p == '*') {
      directive += std::to_string(va_arg(args, int));
      ++p;
    } else {
      while (*p >= '0' && *p <= '9') directive += *p++;
    }
    if (*p == '.') {
      directive += *p++;
      if (*p == '*') {
        directive += std::to_string(va_arg(args, int));
        ++p;
      } else {
        while (*p >= '0' && *p <= '9') directive += *p++;
      }
    }
    std::string length;
    while (*p != '\0' && std::strchr("hlqLzjt", *p) != nullptr) length += *p++;
    const char conversion = *p;
    if (conversion == '\0') {
      out.append(start);  // an unfinished conversion is kept as text
      break;
    }
    if (length == "q") length = "ll";
    const std::string full = directive + length + conversion;
    switch (conversion) {
      case '@': {
        id object = va_arg(args, id);
        NSString* text = object != nullptr ? object->description() : nullptr;
        Append(out, directive + "s", text != nullptr ? text->UTF8String() : "(null)");
        break;
      }
      case 'd': case 'i': case 'u': case 'x': case 'X': case 'o': case 'c':
        if (length == "l") Append(out, full, va_arg(args, long));
        else if (length == "ll") Append(out, full, va_arg(args, long long));
        else if (length == "z") Append(out, full, va_arg(args, size_t));
        else if (length == "j") Append(out, full, va_arg(args, intmax_t));
        else if (length == "t") Append(out, full, va_arg(args, ptrdiff_t));
        else Append(out, full, va_arg(args, int));
        break;
      case 'f': case 'F': case 'e': case 'E': case 'g': case 'G': case 'a': case 'A':
        if (length == "L") Append(out, full, va_arg(args, long double));
        else Append(out, full, va_arg(args, double));
        break;
      case 's': {
        const char* s = va_arg(args, const char*);
        Append(out, directive + "s", s != nullptr ? s : "(null)");
        break;
      }
      case 'p': Append(out, directive + "p", va_arg(args, void*)); break;
      default: out.append(start, p + 1); break;  // unknown: kept as text, no argument taken
    }
  }
  va_end(args);
  return out;
}

}  // namespace nsx
