// The screens: one main screen, 1920 x 1080 points at backing scale 1 until
// a program sets it (nsx::SetMainScreen; the desktop sets it from the
// display). Changing the backing scale tells every window's views
// (viewDidChangeBackingProperties). Main thread.
#pragma once

#include <AppKit/NSResponder.h>

class NSScreen : public NSObject {
  NS_CLASS(NSScreen, NSObject)
 public:
  static NSScreen* mainScreen();  // shared
  static NSArray* screens();      // autoreleased: the main screen
  NSRect frame() const;
  NSRect visibleFrame() const { return frame(); }
  CGFloat backingScaleFactor() const;

 protected:
  NSScreen() = default;
};

namespace nsx {
// Sets the main screen's size in points (also CoreGraphics' main display)
// and its backing scale (a number from 0.5 to 8, else 1).
void SetMainScreen(NSSize size, CGFloat backingScaleFactor);
}  // namespace nsx
