#pragma once
// The virtual key numbers of key events (IKeyPress::VK): what the platform's key map gives and
// what key handlers and the in-editor text field compare against. 0 means the key has none.

#include <cstdint>

namespace fx::gfx {

enum EVirtualKeyCode : int32_t
{
  kVKNone = 0,
  kVKBack = 8,
  kVKTab = 9,
  kVKReturn = 13,
  kVKEscape = 27,
  kVKSpace = 32,
  kVKPageUp = 33,
  kVKPageDown = 34,
  kVKEnd = 35,
  kVKHome = 36,
  kVKLeft = 37,
  kVKUp = 38,
  kVKRight = 39,
  kVKDown = 40,
  kVKHelp = 45, // help (insert)
  kVKDelete = 46, // forward delete
  kVK0 = 48, // digits: kVK0 + d
  kVK9 = 57,
  kVKA = 65, // letters: kVKA + (letter - 'A')
  kVKZ = 90,
  kVKNumpad0 = 96, // keypad digits: kVKNumpad0 + d
  kVKNumpad9 = 105,
  kVKMultiply = 106,
  kVKAdd = 107,
  kVKNumpadEquals = 108,
  kVKSubtract = 109,
  kVKDecimal = 110,
  kVKDivide = 111,
  kVKF1 = 112, // function keys: kVKF1 + (n - 1)
  kVKF24 = 135,
  kVKClear = 144, // keypad clear
  kVKNumpadEnter = 0x800D,
};

} // namespace fx::gfx
