#pragma once
// UTF-8 as the host reads it from names, scripts and typed text: only the
// shortest forms of code points up to U+10FFFF, no surrogates. Any thread.

#include <cstddef>
#include <string>

namespace orbexhost {

// The character of text starting at byte i (i < text.size()): its length in
// bytes, with its code point in c; 0 when the bytes there are not one (a
// stray continuation byte, a cut or overlong sequence, a surrogate, a value
// past U+10FFFF).
size_t Utf8Char(const std::string& text, size_t i, char32_t& c);

// The code points of UTF-8 text; false when it is not UTF-8.
bool DecodeUtf8(const std::string& text, std::u32string& out);

}  // namespace orbexhost
