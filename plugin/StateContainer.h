#pragma once
// The product's state container around a preset document:
//   "RIFF", outer size, version 1, "QVCM", "QVCS", inner size, payload version 1,
//   int32 text length L, the text, a pad byte when the inner size is odd, a pad byte when the
//   outer size is odd (all integers 32-bit little-endian).
// Any thread, one call at a time per chunk.

#include "core/IStateChunk.h"

#include <string>
#include <string_view>

namespace statecontainer {

inline constexpr int kHeaderSize = 28; // up to and including the payload version
inline constexpr int32_t kVersion = 1;
inline constexpr int32_t kPayloadVersion = 1;

/** Appends one container holding text. False (the chunk's earlier bytes kept) when the text is
 *  empty or too long for the 32-bit sizes, or the chunk could not grow. */
bool Write(fx::IStateChunk& chunk, std::string_view text);

/** Reads the container starting at pos. Every length is checked against the chunk's size in
 *  64 bits before it is used. Returns the position after the container and sets text (up to
 *  its first NUL), or -1 (text untouched) for anything that is not a complete container of
 *  this kind and version. */
int Read(const fx::IStateChunk& chunk, int pos, std::string& text);

} // namespace statecontainer
