#pragma once
// Small helpers for writing JSON text: escaped strings and numbers (null for
// values JSON cannot hold).

#include <string>

namespace orbexhost {

std::string JsonString(const std::string& text);
// Shortest text that reads back as the same double; null when not finite.
std::string JsonNumber(double value);

}  // namespace orbexhost
