// The layer's own Unicode conversions, shared by the layers above.
// Any thread.
#pragma once

#include <cstddef>
#include <string>

namespace cfx {

// Decodes UTF-8; false when the bytes are not well-formed UTF-8.
bool Utf8ToUtf16(const char* bytes, size_t length, std::u16string& out);
// Appends one code point (at most U+10FFFF, not a surrogate) as UTF-8.
void AppendUtf8(std::string& out, char32_t cp);
// Encodes UTF-16; unpaired surrogates become U+FFFD.
std::string Utf16ToUtf8(const std::u16string& text);

}  // namespace cfx
