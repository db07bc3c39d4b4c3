#pragma once
// Replacing a file without ever leaving a half-written one: the bytes go to a new temporary
// file in the same folder, which is flushed to disk and then renamed over the target. A
// failure at any step leaves the old file as it was. Main thread (any thread not rendering).

#include <cstddef>
#include <string>

namespace orbex9 {

/** Writes size bytes as the whole content of path. An existing target keeps its permission
 *  bits; a new one gets 0666 minus the process's file-creation mask. False on any failure. */
bool WriteFileAtomically(const char* path, const void* data, size_t size);

/** Reads a whole regular file of at most maxSize bytes. False when it cannot be opened, is not
 *  a regular file, is larger, or cannot be read completely. */
bool ReadWholeFile(const char* path, size_t maxSize, std::string& out);

} // namespace orbex9
