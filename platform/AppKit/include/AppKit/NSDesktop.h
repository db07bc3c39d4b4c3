// Real desktop windows. A program that wants a person to see and use a
// window shows it here: on a machine with a display (X11 or Wayland, with
// ORBEX_HEADLESS unset) the layer opens a desktop window of the window's
// content size that shows its content (the frames presented to each view's
// Metal layer, text fields, tooltips, the current cursor) and turns the
// person's mouse, wheel, keyboard and dropped files into NSEvents sent to
// the window. While it is shown, pop-up menus, file panels, alerts and the
// colour panel are drawn in it and answered by the person (unless a modal
// responder is installed). One window is shown at a time. Without a display
// nothing is shown and everything runs headless. Main thread only.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include <AppKit/NSWindow.h>

namespace nsx {

// Whether a desktop window can be shown (opens the display on first use).
bool DesktopAvailable();
// Shows window (retained while shown) in a desktop window, in place of the
// window shown before; false without a display.
bool ShowOnDesktop(NSWindow* window);
// Closes the desktop window of window (the NSWindow stays).
void HideFromDesktop(NSWindow* window);
bool IsOnDesktop(NSWindow* window);
// Handles the desktop's events, fires the main run loop's due timers and
// shows new frames for up to milliseconds of real time; returns at once
// when until answers true or the shown window was closed. True when until
// answered true.
bool PumpDesktop(int milliseconds, const std::function<bool()>& until = {});
// Runs the shown window (timers on the real clock) until the person closes
// it; returns at once when it is not shown.
void RunUntilClosed(NSWindow* window);
// The desktop's own id of the shown window (the X11 window), 0 when none.
unsigned long DesktopWindowId(NSWindow* window);
// The picture last shown in the desktop window: width x height pixels of
// RGBA bytes, rows top to bottom; false when window is not shown.
bool DesktopPicture(NSWindow* window, std::vector<uint8_t>& rgba, int& width, int& height);

}  // namespace nsx
