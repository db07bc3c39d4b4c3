#include "DesktopX11.h"

#include <SDL2/SDL.h>
#include <SDL2/SDL_syswm.h>
#include <X11/Xlib.h>

#include <poll.h>

#include <atomic>

namespace appkit {

namespace {

// What Xlib's handlers note (they must not call Xlib themselves, and may run on any thread
// that reads one of the program's connections).
Display* g_display = nullptr;                  // the display of the watched window (main thread)
std::atomic<unsigned long> g_window{0};        // the watched window's id
std::atomic<bool> g_windowGone{false};         // an X error named it: it no longer exists
std::atomic<bool> g_displayGone{false};        // the connection to the X server broke
std::atomic<unsigned long> g_panel{0};         // the watched overlay window's id
std::atomic<bool> g_panelGone{false};

// In place of Xlib's message and exit, for every connection of the program. An error naming a
// watched window means it no longer exists. Any other error is one the program outlives: above
// all, requests naming a window the program has destroyed can still arrive from any of its
// connections after it is gone (a library's wake-up sent before the window went, processed
// after), and the window they name is nothing the program still needs.
int OnError(Display*, XErrorEvent* error) {
  // Requests on a destroyed window fail, and so may later ones on what belonged to it.
  if (g_window != 0 && (g_windowGone || error->resourceid == g_window)) g_windowGone = true;
  else if (g_panel != 0 && (g_panelGone || error->resourceid == g_panel)) g_panelGone = true;
  return 0;
}

// In place of Xlib's message and exit: every later call on the display does nothing.
int OnIOError(Display*) {
  g_displayGone = true;
  return 0;
}
void OnDisplayLost(Display*, void*) { g_displayGone = true; }

}  // namespace

void WatchX11Window(SDL_Window* window) {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (SDL_GetWindowWMInfo(window, &info) != SDL_TRUE || info.subsystem != SDL_SYSWM_X11) return;
  g_window = static_cast<unsigned long>(info.info.x11.window);
  g_windowGone = false;
  if (g_display == info.info.x11.display) return;
  g_display = info.info.x11.display;
  XSetErrorHandler(&OnError);
  XSetIOErrorHandler(&OnIOError);
  XSetIOErrorExitHandler(g_display, &OnDisplayLost, nullptr);
}

bool X11WindowLost() { return g_windowGone || g_displayGone; }

bool X11DisplayLost() { return g_displayGone; }

void ForgetX11Window() {
  // The errors of freeing a window that was destroyed arrive while they are still expected.
  if (g_windowGone && !g_displayGone && g_display != nullptr) XSync(g_display, False);
  g_window = 0;
  g_windowGone = false;
}

void WatchX11Panel(SDL_Window* window) {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (SDL_GetWindowWMInfo(window, &info) != SDL_TRUE || info.subsystem != SDL_SYSWM_X11) return;
  // Its display is the watched window's, whose handlers are in place.
  if (info.info.x11.display != g_display) return;
  g_panel = static_cast<unsigned long>(info.info.x11.window);
  g_panelGone = false;
}

bool X11PanelLost() { return g_panelGone; }

void ForgetX11Panel() {
  if (g_panelGone && !g_displayGone && g_display != nullptr) XSync(g_display, False);
  g_panel = 0;
  g_panelGone = false;
}

void WaitForDesktop(int ms) {
  if (g_displayGone) {
    SDL_Delay(static_cast<Uint32>(ms));
    return;
  }
  if (g_display == nullptr) {  // not on X11
    SDL_WaitEventTimeout(nullptr, ms);
    return;
  }
  SDL_PumpEvents();
  if (SDL_HasEvents(SDL_FIRSTEVENT, SDL_LASTEVENT) || XPending(g_display) > 0) return;
  pollfd p{ConnectionNumber(g_display), POLLIN, 0};
  poll(&p, 1, ms);
}

bool X11PressTime(const SDL_SysWMmsg& message, uint32_t& ms) {
  if (message.subsystem != SDL_SYSWM_X11 || message.msg.x11.event.type != ButtonPress) return false;
  ms = static_cast<uint32_t>(message.msg.x11.event.xbutton.time);
  return true;
}

}  // namespace appkit
