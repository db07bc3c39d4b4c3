// A window of its own for an overlay the desktop window is too small to
// hold, as a desktop shows a dialog: a dialog window transient for the
// desktop window, its top at the window's top, centred across it and held
// on the screen (no larger than the screen). Main thread.
#pragma once

#include <cstdint>
#include <string>

#include <AppKit/NSEvent.h>

#include "DesktopCanvas.h"
#include "DesktopClicks.h"

struct SDL_Window;
struct SDL_Renderer;
struct SDL_Texture;

namespace appkit {

class PanelWindow {
 public:
  // Shows a window of size points (scale pixels a point) over parent; ok() is
  // false when it could not be made.
  PanelWindow(SDL_Window* parent, const std::string& title, NSSize size, double scale);
  ~PanelWindow();
  PanelWindow(const PanelWindow&) = delete;
  PanelWindow& operator=(const PanelWindow&) = delete;

  bool ok() const { return renderer_ != nullptr; }
  // The desktop's id of the window, as its events name it.
  uint32_t id() const { return id_; }
  // Its size in points, as shown.
  NSSize size() const { return size_; }
  // Its picture, of the window's size in pixels; present() shows it.
  Canvas& canvas() { return canvas_; }
  void present();
  // Brings it in front of the other windows.
  void raise();
  // The click counts of presses in it.
  ClickCounter clicks;
  // The buttons pressed in it and not yet let go (SDL_BUTTON masks).
  uint32_t held = 0;

 private:
  SDL_Window* parent_;
  SDL_Window* window_ = nullptr;
  SDL_Renderer* renderer_ = nullptr;
  SDL_Texture* texture_ = nullptr;
  uint32_t id_ = 0;
  NSSize size_{0, 0};
  Canvas canvas_;
};

}  // namespace appkit
