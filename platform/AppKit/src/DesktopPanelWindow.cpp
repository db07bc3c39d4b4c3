#include "DesktopPanelWindow.h"

#include <SDL2/SDL.h>

#include <algorithm>
#include <cmath>

#include "DesktopX11.h"

namespace appkit {

namespace {

// The screen's area for windows around parent (all of the display where the desktop keeps none apart).
SDL_Rect ScreenOf(SDL_Window* parent) {
  const int display = std::max(0, SDL_GetWindowDisplayIndex(parent));
  SDL_Rect r{0, 0, 0, 0};
  if (SDL_GetDisplayUsableBounds(display, &r) != 0 || r.w <= 0 || r.h <= 0) SDL_GetDisplayBounds(display, &r);
  return r;
}

}  // namespace

PanelWindow::PanelWindow(SDL_Window* parent, const std::string& title, NSSize size, double scale) : parent_(parent) {
  const SDL_Rect screen = ScreenOf(parent);
  int w = static_cast<int>(std::lround(size.width)), h = static_cast<int>(std::lround(size.height));
  if (screen.w > 0 && screen.h > 0) w = std::min(w, screen.w), h = std::min(h, screen.h);
  w = std::max(1, w), h = std::max(1, h);
  int px = 0, py = 0, pw = 0, ph = 0;
  SDL_GetWindowPosition(parent, &px, &py);
  SDL_GetWindowSize(parent, &pw, &ph);
  int x = px + (pw - w) / 2, y = py;
  if (screen.w > 0 && screen.h > 0) {
    x = std::clamp(x, screen.x, screen.x + screen.w - w);
    y = std::clamp(y, screen.y, screen.y + screen.h - h);
  }
  // A dialog to the window manager, transient for the desktop window (kept above it). The type is
  // asked for until the renderer is made: it may make the X window anew, which takes it again.
  SDL_SetHint(SDL_HINT_X11_WINDOW_TYPE, "_NET_WM_WINDOW_TYPE_DIALOG");
  window_ = SDL_CreateWindow(title.c_str(), x, y, w, h, SDL_WINDOW_HIDDEN | SDL_WINDOW_ALLOW_HIGHDPI);
  if (window_ != nullptr) {
    // Watched before anyone can see it: another program may destroy it.
    WatchX11Panel(window_);
    renderer_ = SDL_CreateRenderer(window_, -1, 0);
    if (renderer_ == nullptr) renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_SOFTWARE);
  }
  SDL_ResetHint(SDL_HINT_X11_WINDOW_TYPE);
  if (renderer_ == nullptr) return;
  WatchX11Panel(window_);  // the renderer may have made the X window anew
  SDL_SetWindowModalFor(window_, parent);
  id_ = SDL_GetWindowID(window_);
  size_ = NSMakeSize(w, h);
  canvas_.resize(static_cast<int>(std::lround(w * scale)), static_cast<int>(std::lround(h * scale)));
  texture_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING, canvas_.width(),
                               canvas_.height());
  SDL_ShowWindow(window_);
  SDL_SetWindowPosition(window_, x, y);
}

PanelWindow::~PanelWindow() {
  // The keys go back to the desktop window (where no window manager would give them back).
  if (window_ != nullptr && !X11WindowLost() && !X11PanelLost() && SDL_GetKeyboardFocus() == window_)
    SDL_SetWindowInputFocus(parent_);
  // Without the display nothing of it can be freed any more.
  if (!X11DisplayLost()) {
    if (texture_ != nullptr) SDL_DestroyTexture(texture_);
    if (renderer_ != nullptr) SDL_DestroyRenderer(renderer_);
    if (window_ != nullptr) SDL_DestroyWindow(window_);
  }
  ForgetX11Panel();
}

void PanelWindow::present() {
  if (texture_ == nullptr) return;
  SDL_UpdateTexture(texture_, nullptr, canvas_.pixels(), canvas_.width() * 4);
  SDL_RenderClear(renderer_);
  SDL_RenderCopy(renderer_, texture_, nullptr, nullptr);
  SDL_RenderPresent(renderer_);
}

void PanelWindow::raise() {
  if (window_ != nullptr) SDL_RaiseWindow(window_);
}

}  // namespace appkit
