#pragma once
// Replacing a file without ever leaving a half-written one: the bytes go to a new temporary
// file in the same folder, which is flushed to disk and then renamed over the target. A
// failure at any step leaves the old file as it was. Main thread (any thread not rendering).

#include <cstddef>
#include <string>

namespace orbex9 {

/** Writes size bytes as the whole content of path. A symbolic link is written through: the
 *  file it leads to is replaced and the link stays. A folder, a pipe or a device is refused
 *  without being opened. An existing target keeps its permission bits and, where the system
 *  allows, its owner; a new one gets 0666 minus the process's file-creation mask. SIGINT,
 *  SIGTERM, SIGHUP and SIGQUIT are held off the calling thread until the write is done. False on any failure, with why (when given) saying
 *  what went wrong in a few words ("the disk is full"). */
bool WriteFileAtomically(const char* path, const void* data, size_t size, std::string* why = nullptr);

/** Makes folder and every missing folder above it (mode 0755 under the process's file-creation
 *  mask). True when folder is then a folder; otherwise false with why (when given) naming the
 *  folder that could not be made and why in a few words ("the disk is read-only"). */
bool MakeFolders(const char* folder, std::string* why = nullptr);

/** Reads a whole regular file of at most maxSize bytes. False when it cannot be opened, is not
 *  a regular file, is larger, or cannot be read completely, with why (when given) saying which
 *  in a few words. */
bool ReadWholeFile(const char* path, size_t maxSize, std::string& out, std::string* why = nullptr);

} // namespace orbex9
