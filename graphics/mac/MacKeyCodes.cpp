// The Cocoa view's key map: hardware key codes of the keypad, function and navigation keys
// first, then the key's character.

#include "graphics/mac/MacKeyCodes.h"

#include <AppKit/NSEvent.h>
#include <Foundation/NSCharacterSet.h>

#include "graphics/EVirtualKeyCode.h"

namespace fx::gfx {

namespace {

struct KeyCodeEntry
{
  unsigned short keyCode;
  int virtualKey;
};

constexpr KeyCodeEntry kKeyCodes[] = {
  {kVK_Delete, kVKBack},
  {kVK_ANSI_KeypadDecimal, kVKDecimal},
  {kVK_ANSI_KeypadMultiply, kVKMultiply},
  {kVK_ANSI_KeypadPlus, kVKAdd},
  {kVK_ANSI_KeypadClear, kVKClear},
  {kVK_ANSI_KeypadDivide, kVKDivide},
  {kVK_ANSI_KeypadEnter, kVKNumpadEnter},
  {kVK_ANSI_KeypadMinus, kVKSubtract},
  {kVK_ANSI_KeypadEquals, kVKNumpadEquals},
  {kVK_ANSI_Keypad0, kVKNumpad0},
  {kVK_ANSI_Keypad1, kVKNumpad0 + 1},
  {kVK_ANSI_Keypad2, kVKNumpad0 + 2},
  {kVK_ANSI_Keypad3, kVKNumpad0 + 3},
  {kVK_ANSI_Keypad4, kVKNumpad0 + 4},
  {kVK_ANSI_Keypad5, kVKNumpad0 + 5},
  {kVK_ANSI_Keypad6, kVKNumpad0 + 6},
  {kVK_ANSI_Keypad7, kVKNumpad0 + 7},
  {kVK_ANSI_Keypad8, kVKNumpad0 + 8},
  {kVK_ANSI_Keypad9, kVKNumpad0 + 9},
  {kVK_F5, kVKF1 + 4},
  {kVK_F6, kVKF1 + 5},
  {kVK_F7, kVKF1 + 6},
  {kVK_F3, kVKF1 + 2},
  {kVK_F8, kVKF1 + 7},
  {kVK_F9, kVKF1 + 8},
  {kVK_F11, kVKF1 + 10},
  {kVK_F13, kVKF1 + 12},
  {kVK_F16, kVKF1 + 15},
  {kVK_F14, kVKF1 + 13},
  {kVK_F10, kVKF1 + 9},
  {kVK_F12, kVKF1 + 11},
  {kVK_F15, kVKF1 + 14},
  {kVK_Help, kVKHelp},
  {kVK_Home, kVKHome},
  {kVK_PageUp, kVKPageUp},
  {kVK_ForwardDelete, kVKDelete},
  {kVK_F4, kVKF1 + 3},
  {kVK_End, kVKEnd},
  {kVK_F2, kVKF1 + 1},
  {kVK_PageDown, kVKPageDown},
  {kVK_F1, kVKF1},
  {kVK_LeftArrow, kVKLeft},
  {kVK_RightArrow, kVKRight},
  {kVK_DownArrow, kVKDown},
  {kVK_UpArrow, kVKUp},
};

constexpr unichar kBackTab = 25;

int ModifierFlags(NSEventModifierFlags mods)
{
  int flags = 0;
  if (mods & NSEventModifierFlagShift) flags |= kMacKeyShift;
  if (mods & NSEventModifierFlagCommand) flags |= kMacKeyCommand;
  if (mods & NSEventModifierFlagOption) flags |= kMacKeyOption;
  if (mods & NSEventModifierFlagControl) flags |= kMacKeyControl;
  return flags;
}

} // namespace

int MacKeyCodeToVirtualKey(NSEvent* event, int& flags)
{
  flags = 0;
  if (!event) return 0;
  flags = ModifierFlags(event->modifierFlags());
  const unsigned short keyCode = event->keyCode();
  for (const KeyCodeEntry& e : kKeyCodes)
  {
    if (e.keyCode != keyCode) continue;
    flags |= kMacKeyValid;
    return e.virtualKey;
  }

  NSString* chars = event->charactersIgnoringModifiers();
  if (!chars || chars->length() == 0)
  {
    flags |= kMacKeyValid;
    return keyCode + 1024;
  }
  unichar c = chars->characterAtIndex(0);
  if (c >= NSF1FunctionKey && c <= NSF1FunctionKey + 23)
  {
    flags |= kMacKeyValid;
    return c - NSF1FunctionKey + kVKF1;
  }
  if (c >= 'a' && c <= 'z') c = static_cast<unichar>(c - 'a' + 'A');
  if (c == kBackTab && (flags & kMacKeyCommand)) c = kVKTab;
  const bool valid = c == kVKTab || c == 10 || c == kVKReturn || c == kVKEscape || c == kVKSpace ||
                     NSCharacterSet::alphanumericCharacterSet()->characterIsMember(c);
  if (valid) flags |= kMacKeyValid;
  else flags &= ~kMacKeyShift;
  return c;
}

} // namespace fx::gfx
