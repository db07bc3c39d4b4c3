// The layer's own record of the display and the system cursor: the state the
// cursor calls leave (no list of the calls: a test that needs them installs
// an observer), and the hooks through which a desktop window follows them.
// Any thread.
#pragma once

#include <functional>

#include <CoreGraphics/CGDirectDisplay.h>

namespace cgx {

struct CursorState {
  CGPoint position{0, 0};  // global display coordinates
  int hideCount = 0;       // hidden while above 0
  bool associated = true;  // mouse movement moves the cursor
  int warps = 0;           // moves made by the program
};

CursorState Cursor();
// Back to the state at start (cursor at 0,0, shown, associated).
void ResetCursorRecord();

// The main display's size in points (not smaller than 1 x 1).
void SetMainDisplaySize(CGFloat width, CGFloat height);

// The pointer moved there by the person (not a warp: not recorded as a call).
// Ignored while the cursor is not associated with the mouse.
void PointerMoved(CGPoint globalPosition);

// Called after each cursor call (a warp, hiding, showing, associating) with
// the state it leaves; null clears. The desktop window installs these.
void SetCursorObserver(std::function<void(const CursorState&)> observer);

}  // namespace cgx
