#pragma once
// Image files the tests read back (PNG and the other types stb_image decodes), decoded once in
// a library of their own.
#include <string>
#include <vector>

namespace testimage {

struct Decoded {
  int width = 0, height = 0;
  int channels = 0;                 // in the file
  std::vector<unsigned char> rgba;  // 8 bits a channel, rows from the top
};

// False when the file cannot be read or decoded.
bool Read(const std::string& path, Decoded& out);
// The file's size and channels without decoding it; false when it cannot be read.
bool Info(const std::string& path, int& width, int& height, int& channels);

}  // namespace testimage
