#include "graphics/controls/Utf16Text.h"

namespace fx::gfx {

namespace {

constexpr uint32_t kReplacement = 0xFFFD;

bool Continuation(unsigned char c) { return (c & 0xC0) == 0x80; }

/** One code point from s (advancing it); kReplacement for a malformed sequence, which consumes
 *  its lead byte only. */
uint32_t NextCodePoint(const unsigned char*& s)
{
  const unsigned char c = *s++;
  if (c < 0x80) return c;
  int n = 0;
  uint32_t cp = 0, min = 0;
  if (c >= 0xC2 && c <= 0xDF) n = 1, cp = c & 0x1F, min = 0x80;
  else if (c >= 0xE0 && c <= 0xEF) n = 2, cp = c & 0x0F, min = 0x800;
  else if (c >= 0xF0 && c <= 0xF4) n = 3, cp = c & 0x07, min = 0x10000;
  else return kReplacement;
  for (int i = 0; i < n; ++i)
  {
    if (!Continuation(s[i])) return kReplacement;
    cp = (cp << 6) | (s[i] & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return kReplacement;
  s += n;
  return cp;
}

void AppendUtf8(std::string& out, uint32_t cp)
{
  if (cp < 0x80)
  {
    out += static_cast<char>(cp);
  }
  else if (cp < 0x800)
  {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
  else if (cp < 0x10000)
  {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
  else
  {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

} // namespace

std::u16string CodePointToUtf16(uint32_t cp)
{
  if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = kReplacement;
  if (cp < 0x10000) return std::u16string(1, static_cast<char16_t>(cp));
  cp -= 0x10000;
  return {static_cast<char16_t>(0xD800 + (cp >> 10)), static_cast<char16_t>(0xDC00 + (cp & 0x3FF))};
}

std::u16string Utf8ToUtf16(const char* utf8)
{
  std::u16string out;
  if (!utf8) return out;
  const auto* s = reinterpret_cast<const unsigned char*>(utf8);
  while (*s) out += CodePointToUtf16(NextCodePoint(s));
  return out;
}

std::string Utf16ToUtf8(const char16_t* units, size_t n)
{
  std::string out;
  for (size_t i = 0; i < n; ++i)
  {
    const char16_t u = units[i];
    if (IsHighSurrogate(u) && i + 1 < n && IsLowSurrogate(units[i + 1]))
    {
      AppendUtf8(out, 0x10000 + ((static_cast<uint32_t>(u) - 0xD800) << 10) + (units[i + 1] - 0xDC00));
      ++i;
    }
    else
    {
      AppendUtf8(out, (IsHighSurrogate(u) || IsLowSurrogate(u)) ? kReplacement : u);
    }
  }
  return out;
}

uint32_t DecodeKeyChar(const char* utf8)
{
  const auto* s = reinterpret_cast<const unsigned char*>(utf8);
  if (!s || !s[0]) return 0;
  const unsigned char c = s[0];
  if (c < 0x80 || c >= 0xF8) return c;
  int n = c >= 0xF0 ? 3 : (c >= 0xE0 ? 2 : (c >= 0xC0 ? 1 : 0));
  if (n == 0) return c; // a continuation byte on its own
  uint32_t cp = c & (0x3F >> n);
  for (int i = 1; i <= n; ++i)
  {
    if (!Continuation(s[i])) return c;
    cp = (cp << 6) | (s[i] & 0x3F);
  }
  const uint32_t min = n == 1 ? 0x80 : (n == 2 ? 0x800 : 0x10000);
  return cp < min ? c : cp;
}

} // namespace fx::gfx
