// The key map of the Cocoa view: a key event's virtual key number and a word of flags
// telling whether it is valid and which modifier keys were held. Main thread.
#pragma once

class NSEvent;

namespace fx::gfx {

// Bits of the flag word.
enum EMacKeyFlags : int
{
  kMacKeyValid = 1,
  kMacKeyShift = 4,
  kMacKeyCommand = 8,
  kMacKeyOption = 16,
  kMacKeyControl = 32,
};

// The virtual key (EVirtualKeyCode) of the event; flags receives the word above. Keys that map
// to no virtual key leave kMacKeyValid clear (and the shift bit with it).
int MacKeyCodeToVirtualKey(NSEvent* event, int& flags);

}  // namespace fx::gfx
