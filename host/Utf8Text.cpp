#include "host/Utf8Text.h"

namespace orbexhost {

size_t Utf8Char(const std::string& text, size_t i, char32_t& c) {
  const auto b = static_cast<unsigned char>(text[i]);
  size_t n = 0;
  if (b < 0x80) n = 1, c = b;
  else if (b >= 0xC2 && b <= 0xDF) n = 2, c = b & 0x1F;
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

bool DecodeUtf8(const std::string& text, std::u32string& out) {
  out.clear();
  for (size_t i = 0; i < text.size();) {
    char32_t c = 0;
    const size_t n = Utf8Char(text, i, c);
    if (n == 0) return false;
    out.push_back(c);
    i += n;
  }
  return true;
}

}  // namespace orbexhost
