#pragma once
// Conversions between UTF-8 and UTF-16 for the in-editor text field. Characters beyond 16 bits
// become surrogate pairs; malformed input becomes U+FFFD, so a conversion never fails. Any
// thread.

#include <cstdint>
#include <string>

namespace fx::gfx {

std::u16string Utf8ToUtf16(const char* utf8);
/** A lone surrogate becomes U+FFFD. */
std::string Utf16ToUtf8(const char16_t* units, size_t n);
inline std::string Utf16ToUtf8(const std::u16string& s) { return Utf16ToUtf8(s.data(), s.size()); }
/** The code point as one unit or a surrogate pair. */
std::u16string CodePointToUtf16(uint32_t cp);

inline bool IsHighSurrogate(char16_t u) { return u >= 0xD800 && u <= 0xDBFF; }
inline bool IsLowSurrogate(char16_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

/** The character of a key record's bytes, leniently: a lone or misplaced byte stands for
 *  itself; overlong and malformed sequences give their lead byte; 0 for no bytes. */
uint32_t DecodeKeyChar(const char* utf8);

} // namespace fx::gfx
