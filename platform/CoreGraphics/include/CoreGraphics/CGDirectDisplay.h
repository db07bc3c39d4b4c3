// Displays and the system cursor. The layer has one display, the main one;
// its size in points is set by the program (CGCursorRecord.h) and is
// 1920 x 1080 until then. Global display coordinates have their origin at
// the top-left corner of the main display, y growing downward. Cursor calls
// change the layer's cursor record; a desktop window, when one is shown,
// follows it (AppKit layer). Any thread.
#pragma once

#include <CoreGraphics/CGGeometry.h>

typedef uint32_t CGDirectDisplayID;

extern "C" {

CGDirectDisplayID CGMainDisplayID(void);
CGRect CGDisplayBounds(CGDirectDisplayID display);
size_t CGDisplayPixelsWide(CGDirectDisplayID display);
size_t CGDisplayPixelsHigh(CGDirectDisplayID display);

// Hiding nests: the cursor shows again after as many shows as hides.
CGError CGDisplayHideCursor(CGDirectDisplayID display);
CGError CGDisplayShowCursor(CGDirectDisplayID display);
// Moves the cursor to a point relative to the display's top-left corner.
CGError CGDisplayMoveCursorToPoint(CGDirectDisplayID display, CGPoint point);

}  // extern "C"
