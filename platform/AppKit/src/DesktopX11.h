// The shown window on X11: another program may destroy it, and the display
// may go away; either counts as the person closing the window, where Xlib
// would end the program. Main thread.
#pragma once

struct SDL_Window;

namespace appkit {

// Watches window's X window and display (nothing when it is not on X11).
void WatchX11Window(SDL_Window* window);
// The watched window was destroyed, or its display went away.
bool X11WindowLost();
// The display went away: nothing of it may be freed any more.
bool X11DisplayLost();
// The watched window was freed (call after SDL_DestroyWindow).
void ForgetX11Window();

}  // namespace appkit
