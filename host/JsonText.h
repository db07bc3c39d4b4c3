#pragma once
// Small helpers for writing JSON text: escaped strings and numbers (null for
// values JSON cannot hold).

#include <string>

namespace orbexhost {

// text as a JSON string. Bytes that are not UTF-8 (a file name may hold
// any) become U+FFFD, one per byte, so the JSON is always valid UTF-8.
std::string JsonString(const std::string& text);
// Shortest text that reads back as the same double; null when not finite.
std::string JsonNumber(double value);

}  // namespace orbexhost
