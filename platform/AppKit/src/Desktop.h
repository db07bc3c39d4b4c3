// Inside the desktop window: the modal overlays drawn over the window's
// content (menus, file panels, alerts, the colour panel).
#pragma once

#include <string>

#include <AppKit/NSEvent.h>
#include <AppKit/NSModalResponder.h>

#include "DesktopCanvas.h"

namespace appkit {

// A modal picture over the window with its own input; positions are in
// window points from the top-left corner. One that the window is too small
// for is shown in a window of its own, positions then in that window.
class Overlay {
 public:
  virtual ~Overlay() = default;
  // A window of its own: its size in points and its title.
  struct OwnWindow {
    NSSize size{0, 0};
    std::string title;
  };
  // The window of its own it needs when the shown window's content is of
  // size content; a zero size: it is drawn over the content, fitted to it.
  virtual OwnWindow ownWindow(NSSize) const { return {}; }
  // Where it is drawn, in points: its own window, else the shown window's content.
  NSSize area() const;
  virtual void draw(Canvas& canvas, double scale) = 0;
  virtual void mouseDown(double, double, int) {}
  virtual void mouseUp(double, double) {}
  virtual void mouseMoved(double, double) {}
  virtual void wheel(double) {}
  // A key: the virtual key code, the text it types, the modifiers.
  virtual void key(unsigned short, const std::string&, NSEventModifierFlags) {}
  // Called on every turn of the desktop's loop while the overlay runs.
  virtual void tick() {}
  bool done = false;
  // The size of its own window while it has one (zero: none).
  NSSize own{0, 0};
};

// Runs overlay over the shown window (or in its own window over it) until it
// is done or either window is closed (then it counts as dismissed); false
// when no window is shown.
bool RunOverlay(Overlay& overlay);
// The shown window's content size in points (0 x 0 when none).
NSSize ShownContentSize();
// The point of the shown window (top-left origin) of a base point.
NSPoint ShownPointOfBase(NSPoint base);

// The responder that draws the modal interface in the shown window.
nsx::ModalResponder& DesktopResponder();

// Colours of the drawn interface.
inline constexpr Rgba kPanel{246, 246, 246, 255};
inline constexpr Rgba kEdge{150, 150, 150, 255};
inline constexpr Rgba kInk{20, 20, 20, 255};
inline constexpr Rgba kFaint{130, 130, 130, 255};
inline constexpr Rgba kHighlight{45, 110, 220, 255};
inline constexpr Rgba kOnHighlight{255, 255, 255, 255};
inline constexpr Rgba kShade{0, 0, 0, 60};

}  // namespace appkit
