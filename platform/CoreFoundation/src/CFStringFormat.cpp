// printf-style string formatting with "%@" for CF objects.
#include <cstdio>
#include <string>

#include <CoreFoundation/CFString.h>

#include "CFStringImpl.h"

namespace {

// Formats one conversion directive (e.g. "%-8.3lf") with the next argument.
void FormatOne(std::string& out, const std::string& directive, char conv, const std::string& length, va_list& args) {
  char small[128];
  auto emit = [&](auto value) {
    int n = std::snprintf(small, sizeof small, directive.c_str(), value);
    if (n < 0) return;
    if (static_cast<size_t>(n) < sizeof small) {
      out.append(small, static_cast<size_t>(n));
    } else {
      std::string big(static_cast<size_t>(n) + 1, '\0');
      std::snprintf(big.data(), big.size(), directive.c_str(), value);
      out.append(big.data(), static_cast<size_t>(n));
    }
  };
  switch (conv) {
    case 'd':
    case 'i':
      if (length == "ll" || length == "q" || length == "j") emit(va_arg(args, long long));
      else if (length == "l" || length == "z" || length == "t") emit(va_arg(args, long));
      else emit(va_arg(args, int));
      break;
    case 'u':
    case 'o':
    case 'x':
    case 'X':
      if (length == "ll" || length == "q" || length == "j") emit(va_arg(args, unsigned long long));
      else if (length == "l" || length == "z" || length == "t") emit(va_arg(args, unsigned long));
      else emit(va_arg(args, unsigned int));
      break;
    case 'c':
      emit(va_arg(args, int));
      break;
    case 'f':
    case 'F':
    case 'e':
    case 'E':
    case 'g':
    case 'G':
    case 'a':
    case 'A':
      if (length == "L") emit(va_arg(args, long double));
      else emit(va_arg(args, double));
      break;
    case 's': {
      const char* s = va_arg(args, const char*);
      emit(s != nullptr ? s : "(null)");
      break;
    }
    case 'p':
      emit(va_arg(args, void*));
      break;
    default:
      break;
  }
}

}  // namespace

extern "C" {

CFStringRef CFStringCreateWithFormatAndArguments(CFAllocatorRef, CFTypeRef, CFStringRef format, va_list arguments) {
  if (cfx::As<OpaqueCFString>(format) == nullptr) return nullptr;
  const std::string& f = cfx::StringText(format);
  std::string out;
  va_list args;
  va_copy(args, arguments);
  size_t i = 0;
  while (i < f.size()) {
    const char c = f[i];
    if (c != '%') {
      out += c;
      ++i;
      continue;
    }
    if (i + 1 < f.size() && f[i + 1] == '%') {
      out += '%';
      i += 2;
      continue;
    }
    // %[flags][width][.precision][length]conversion; '*' widths take an int.
    std::string directive = "%";
    size_t j = i + 1;
    while (j < f.size() && std::string("-+ #0'").find(f[j]) != std::string::npos) directive += f[j++];
    if (j < f.size() && f[j] == '*') {
      directive += std::to_string(va_arg(args, int));
      ++j;
    }
    while (j < f.size() && f[j] >= '0' && f[j] <= '9') directive += f[j++];
    if (j < f.size() && f[j] == '.') {
      directive += f[j++];
      if (j < f.size() && f[j] == '*') {
        directive += std::to_string(va_arg(args, int));
        ++j;
      }
      while (j < f.size() && f[j] >= '0' && f[j] <= '9') directive += f[j++];
    }
    std::string length;
    while (j < f.size() && std::string("hlLqjzt").find(f[j]) != std::string::npos) length += f[j++];
    if (j >= f.size()) {
      out.append(f, i, std::string::npos);  // an unfinished directive stays as text
      break;
    }
    const char conv = f[j];
    if (conv == '@') {
      out += cfx::DescribeObject(va_arg(args, CFTypeRef));
    } else if (std::string("diuoxXcfFeEgGaAsp").find(conv) != std::string::npos) {
      // Wide characters and strings are not supported: their length is dropped.
      std::string printfLength = (length == "q") ? "ll" : length;
      if (conv == 's' || conv == 'c' || conv == 'p') printfLength.clear();
      FormatOne(out, directive + printfLength + conv, conv, length, args);
    } else {
      out.append(f, i, j + 1 - i);  // unknown conversions stay as text and take no argument
    }
    i = j + 1;
  }
  va_end(args);
  CFStringRef result = cfx::NewString(out);
  if (result == nullptr)  // "%s" with bytes that are not UTF-8: read them as Latin 1
    result = CFStringCreateWithBytes(nullptr, reinterpret_cast<const UInt8*>(out.data()),
                                     static_cast<CFIndex>(out.size()), kCFStringEncodingISOLatin1, false);
  return result;
}

CFStringRef CFStringCreateWithFormat(CFAllocatorRef alloc, CFTypeRef formatOptions, CFStringRef format, ...) {
  va_list args;
  va_start(args, format);
  CFStringRef result = CFStringCreateWithFormatAndArguments(alloc, formatOptions, format, args);
  va_end(args);
  return result;
}

}  // extern "C"
