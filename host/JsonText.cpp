#include "host/JsonText.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace orbexhost {

namespace {

// Length of the UTF-8 character starting at text[i], or 0 when the bytes
// there are not one (a stray continuation byte, a cut or overlong sequence,
// a surrogate, a value past U+10FFFF).
size_t Utf8Length(const std::string& text, size_t i) {
  const auto b = static_cast<unsigned char>(text[i]);
  size_t n = 0;
  char32_t c = 0;
  if (b >= 0xC2 && b <= 0xDF) n = 2, c = b & 0x1F;
  else if (b >= 0xE0 && b <= 0xEF) n = 3, c = b & 0x0F;
  else if (b >= 0xF0 && b <= 0xF4) n = 4, c = b & 0x07;
  else return 0;
  if (text.size() - i < n) return 0;
  for (size_t k = 1; k < n; ++k) {
    const auto next = static_cast<unsigned char>(text[i + k]);
    if ((next & 0xC0) != 0x80) return 0;
    c = (c << 6) | (next & 0x3F);
  }
  const bool overlong = (n == 3 && c < 0x800) || (n == 4 && c < 0x10000);
  if (overlong || (c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) return 0;
  return n;
}

}  // namespace

std::string JsonString(const std::string& text) {
  std::string out = "\"";
  for (size_t i = 0; i < text.size(); ++i) {
    const char ch = text[i];
    const auto c = static_cast<unsigned char>(ch);
    if (c >= 0x80) {
      const size_t n = Utf8Length(text, i);
      if (n == 0) {
        out += "\\ufffd";
      } else {
        out.append(text, i, n);
        i += n - 1;
      }
      continue;
    }
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20) {
          char buf[8];
          std::snprintf(buf, sizeof buf, "\\u%04x", c);
          out += buf;
        } else {
          out += ch;
        }
    }
  }
  return out + "\"";
}

std::string JsonNumber(double value) {
  if (!std::isfinite(value)) return "null";
  if (value == 0.0) return "0";  // negative zero too
  char buf[32];
  for (int precision = 6; precision <= 17; ++precision) {
    std::snprintf(buf, sizeof buf, "%.*g", precision, value);
    if (std::strtod(buf, nullptr) == value) break;
  }
  return buf;
}

}  // namespace orbexhost
