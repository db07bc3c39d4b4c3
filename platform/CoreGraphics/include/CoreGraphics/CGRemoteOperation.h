// Posting cursor positions. Any thread.
#pragma once

#include <CoreGraphics/CGDirectDisplay.h>

extern "C" {

// Moves the cursor to a point in global display coordinates.
CGError CGWarpMouseCursorPosition(CGPoint newCursorPosition);
// While not connected, mouse movement does not move the cursor.
CGError CGAssociateMouseAndMouseCursorPosition(Boolean connected);

}  // extern "C"
