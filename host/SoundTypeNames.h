#pragma once
// Names of the sound file types and sample encodings the host does not
// read, known from their own headers, for the messages that refuse them.
// The audio library is never asked: a file of a type the host does not
// read is not handed to it at all. Any thread.

#include <cstddef>
#include <cstdint>
#include <string>

namespace orbexhost {

// The type of a file by its first bytes (head, n of them), such as
// "Sun/NeXT AU"; empty when they are none the host knows.
std::string OtherFileType(const unsigned char* head, size_t n);

// What the samples are when a WAV format tag, an AIFF-C compression or a
// CAF format (a four-character code) names an encoding the host does not
// read: "audio of format tag 0x0011 (IMA ADPCM)".
std::string WaveEncoding(uint64_t tag);
std::string AifcEncoding(const unsigned char* id);
std::string CafEncoding(const unsigned char* id);

}  // namespace orbexhost
