// What the AppKit layer's classes share inside the library.
#pragma once

#include <functional>

#include <AppKit/NSEvent.h>
#include <AppKit/NSWindow.h>

namespace appkit {

// The time stamp of new events (the run loop's clock).
NSTimeInterval EventTime();
// Buttons held, bit 0 left, 1 right, 2 other; kept by NSWindow::sendEvent.
NSUInteger PressedMouseButtons();
void SetMouseButton(NSUInteger bit, bool down);
// An entered or exited event for area caused by event (autoreleased).
NSEvent* TrackingEvent(NSEventType type, NSEvent* cause, NSTrackingArea* area);
void SetEventDelta(NSEvent* event, CGFloat dx, CGFloat dy);
// The pointer in window's base coordinates.
NSPoint PointerInWindow(NSWindow* window);

// Calls visit for view and each view below it, parents first.
void ForEachView(NSView* view, const std::function<void(NSView*)>& visit);
// Tells every window's views that the backing scale or the appearance changed.
void BackingPropertiesChanged();
void AppearanceChanged();

// The desktop is told when a window closes or is freed.
void DesktopWindowClosed(NSWindow* window);
// A key down that reached window unhandled: true when it closed window's
// desktop window (Control or Command with W or Q).
bool DesktopCloseKey(NSWindow* window, NSEvent* event);

}  // namespace appkit
