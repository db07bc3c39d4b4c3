#pragma once
// Pictures the host writes: RGBA pixels as a PNG file, put in place only
// when complete (OutputFile.h). Any thread.

#include <cstdint>
#include <string>
#include <vector>

namespace orbexhost {

// Writes width x height RGBA pixels (rows top down) to path. False with a
// one-line message.
bool WritePng(const std::string& path, const std::vector<uint8_t>& rgba, int width, int height, std::string& error);

}  // namespace orbexhost
