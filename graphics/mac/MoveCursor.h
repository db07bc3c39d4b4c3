// The move cursor the system does not offer as a standard cursor, built from the system's own
// cursor files: its picture and a description list (hot spot, shadow blur, offset and colour),
// drawn with its shadow at scales 1 to 4. Main thread.
#pragma once

#include <string>

class NSCursor;

namespace fx::gfx {

// The system's folder of cursor files (each cursor a folder of its name).
extern const char* const kSystemCursorFolder;

// A new cursor (one reference for the caller) from <folder>move/cursor.pdf and
// <folder>move/info.plist; nil when either cannot be read.
NSCursor* BuildMoveCursor(const std::string& folder);

}  // namespace fx::gfx
