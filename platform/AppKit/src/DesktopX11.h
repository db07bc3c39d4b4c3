// The shown window on X11: another program may destroy it, and the display
// may go away; either counts as the person closing the window, where Xlib
// would end the program. Main thread.
#pragma once

#include <cstdint>

struct SDL_Window;
struct SDL_SysWMmsg;

namespace appkit {

// Watches window's X window and display (nothing when it is not on X11).
void WatchX11Window(SDL_Window* window);
// The watched window was destroyed, or its display went away.
bool X11WindowLost();
// The display went away: nothing of it may be freed any more.
bool X11DisplayLost();
// The watched window was freed (call after SDL_DestroyWindow).
void ForgetX11Window();
// The same for an overlay's own window, which closing or losing only dismisses the overlay.
void WatchX11Panel(SDL_Window* window);
bool X11PanelLost();
void ForgetX11Panel();
// Waits at most ms for the desktop's next event. On X11 it waits on the watched display's
// connection itself: SDL's own wait has a second connection send the newest window a wake-up
// for every event queued meanwhile, which can still be on its way when that window is destroyed.
void WaitForDesktop(int ms);
// When message is the X server's report of a button press: its time (the server's milliseconds).
bool X11PressTime(const SDL_SysWMmsg& message, uint32_t& ms);

}  // namespace appkit
