// The characters keys type on an ANSI US keyboard, by virtual key code.
#include <AppKit/NSEvent.h>

#include "AppKitInternal.h"

namespace {

struct PrintableKey {
  unsigned short code;
  char base, shifted;
};

constexpr PrintableKey kPrintable[] = {
    {kVK_ANSI_A, 'a', 'A'}, {kVK_ANSI_B, 'b', 'B'}, {kVK_ANSI_C, 'c', 'C'}, {kVK_ANSI_D, 'd', 'D'},
    {kVK_ANSI_E, 'e', 'E'}, {kVK_ANSI_F, 'f', 'F'}, {kVK_ANSI_G, 'g', 'G'}, {kVK_ANSI_H, 'h', 'H'},
    {kVK_ANSI_I, 'i', 'I'}, {kVK_ANSI_J, 'j', 'J'}, {kVK_ANSI_K, 'k', 'K'}, {kVK_ANSI_L, 'l', 'L'},
    {kVK_ANSI_M, 'm', 'M'}, {kVK_ANSI_N, 'n', 'N'}, {kVK_ANSI_O, 'o', 'O'}, {kVK_ANSI_P, 'p', 'P'},
    {kVK_ANSI_Q, 'q', 'Q'}, {kVK_ANSI_R, 'r', 'R'}, {kVK_ANSI_S, 's', 'S'}, {kVK_ANSI_T, 't', 'T'},
    {kVK_ANSI_U, 'u', 'U'}, {kVK_ANSI_V, 'v', 'V'}, {kVK_ANSI_W, 'w', 'W'}, {kVK_ANSI_X, 'x', 'X'},
    {kVK_ANSI_Y, 'y', 'Y'}, {kVK_ANSI_Z, 'z', 'Z'}, {kVK_ANSI_1, '1', '!'}, {kVK_ANSI_2, '2', '@'},
    {kVK_ANSI_3, '3', '#'}, {kVK_ANSI_4, '4', '$'}, {kVK_ANSI_5, '5', '%'}, {kVK_ANSI_6, '6', '^'},
    {kVK_ANSI_7, '7', '&'}, {kVK_ANSI_8, '8', '*'}, {kVK_ANSI_9, '9', '('}, {kVK_ANSI_0, '0', ')'},
    {kVK_ANSI_Minus, '-', '_'}, {kVK_ANSI_Equal, '=', '+'}, {kVK_ANSI_LeftBracket, '[', '{'},
    {kVK_ANSI_RightBracket, ']', '}'}, {kVK_ANSI_Backslash, '\\', '|'}, {kVK_ANSI_Semicolon, ';', ':'},
    {kVK_ANSI_Quote, '\'', '"'}, {kVK_ANSI_Grave, '`', '~'}, {kVK_ANSI_Comma, ',', '<'},
    {kVK_ANSI_Period, '.', '>'}, {kVK_ANSI_Slash, '/', '?'}, {kVK_Space, ' ', ' '},
};

struct SpecialKey {
  unsigned short code;
  unichar character;
  bool keypad;
};

constexpr SpecialKey kSpecial[] = {
    {kVK_Return, NSCarriageReturnCharacter, false}, {kVK_Tab, NSTabCharacter, false},
    {kVK_Delete, NSDeleteCharacter, false}, {kVK_Escape, 0x1B, false},
    {kVK_ForwardDelete, NSDeleteFunctionKey, false}, {kVK_LeftArrow, NSLeftArrowFunctionKey, true},
    {kVK_RightArrow, NSRightArrowFunctionKey, true}, {kVK_UpArrow, NSUpArrowFunctionKey, true},
    {kVK_DownArrow, NSDownArrowFunctionKey, true}, {kVK_Home, NSHomeFunctionKey, false},
    {kVK_End, NSEndFunctionKey, false}, {kVK_PageUp, NSPageUpFunctionKey, false},
    {kVK_PageDown, NSPageDownFunctionKey, false}, {kVK_Help, NSHelpFunctionKey, false},
    {kVK_F1, 0xF704, false}, {kVK_F2, 0xF705, false}, {kVK_F3, 0xF706, false}, {kVK_F4, 0xF707, false},
    {kVK_F5, 0xF708, false}, {kVK_F6, 0xF709, false}, {kVK_F7, 0xF70A, false}, {kVK_F8, 0xF70B, false},
    {kVK_F9, 0xF70C, false}, {kVK_F10, 0xF70D, false}, {kVK_F11, 0xF70E, false}, {kVK_F12, 0xF70F, false},
    {kVK_F13, 0xF710, false}, {kVK_F14, 0xF711, false}, {kVK_F15, 0xF712, false}, {kVK_F16, 0xF713, false},
    {kVK_F17, 0xF714, false}, {kVK_F18, 0xF715, false}, {kVK_F19, 0xF716, false}, {kVK_F20, 0xF717, false},
    {kVK_ANSI_Keypad0, '0', true}, {kVK_ANSI_Keypad1, '1', true}, {kVK_ANSI_Keypad2, '2', true},
    {kVK_ANSI_Keypad3, '3', true}, {kVK_ANSI_Keypad4, '4', true}, {kVK_ANSI_Keypad5, '5', true},
    {kVK_ANSI_Keypad6, '6', true}, {kVK_ANSI_Keypad7, '7', true}, {kVK_ANSI_Keypad8, '8', true},
    {kVK_ANSI_Keypad9, '9', true}, {kVK_ANSI_KeypadDecimal, '.', true}, {kVK_ANSI_KeypadMultiply, '*', true},
    {kVK_ANSI_KeypadPlus, '+', true}, {kVK_ANSI_KeypadMinus, '-', true}, {kVK_ANSI_KeypadDivide, '/', true},
    {kVK_ANSI_KeypadEquals, '=', true}, {kVK_ANSI_KeypadEnter, NSEnterCharacter, true},
    {kVK_ANSI_KeypadClear, 0xF739, true},
};

}  // namespace

namespace nsx {

KeyCharacters CharactersForKey(unsigned short keyCode, NSEventModifierFlags flags) {
  const bool shift = (flags & NSEventModifierFlagShift) != 0;
  const bool control = (flags & NSEventModifierFlagControl) != 0;
  for (const PrintableKey& k : kPrintable) {
    if (k.code != keyCode) continue;
    const char16_t typed = static_cast<char16_t>(shift ? k.shifted : k.base);
    char16_t withControl = typed;
    if (control && ((typed >= 'a' && typed <= 'z') || (typed >= 'A' && typed <= 'Z'))) withControl = typed & 0x1F;
    return {std::u16string(1, withControl), std::u16string(1, typed)};
  }
  for (const SpecialKey& k : kSpecial) {
    if (k.code != keyCode) continue;
    char16_t c = k.character;
    if (keyCode == kVK_Tab && shift) c = NSBackTabCharacter;
    return {std::u16string(1, c), std::u16string(1, c)};
  }
  return {};  // modifier keys and keys without characters
}

unsigned short KeyCodeForCharacter(unichar c, NSEventModifierFlags* flags) {
  if (flags != nullptr) *flags = 0;
  for (const PrintableKey& k : kPrintable) {
    if (static_cast<unichar>(k.base) == c) return k.code;
    if (static_cast<unichar>(k.shifted) == c) {
      if (flags != nullptr) *flags = NSEventModifierFlagShift;
      return k.code;
    }
  }
  if (c == '\r' || c == '\n') return kVK_Return;
  if (c == '\t') return kVK_Tab;
  return 0xFFFF;
}

NSEvent* KeyEvent(NSEventType type, unsigned short keyCode, NSEventModifierFlags flags, NSInteger windowNumber,
                  BOOL isARepeat) {
  for (const SpecialKey& k : kSpecial)
    if (k.code == keyCode) {
      if (k.keypad) flags |= NSEventModifierFlagNumericPad;
      if (k.character >= 0xF700 && k.character < 0xF900) flags |= NSEventModifierFlagFunction;
    }
  const KeyCharacters chars = CharactersForKey(keyCode, flags);
  NSString* characters = NSString::stringWithCharacters(reinterpret_cast<const unichar*>(chars.characters.data()),
                                                        chars.characters.size());
  NSString* ignoring = NSString::stringWithCharacters(
      reinterpret_cast<const unichar*>(chars.charactersIgnoringModifiers.data()), chars.charactersIgnoringModifiers.size());
  NSWindow* window = WindowWithNumber(windowNumber);
  return NSEvent::keyEventWithType(type, window != nullptr ? appkit::PointerInWindow(window) : NSZeroPoint, flags,
                                   appkit::EventTime(), windowNumber, nil, characters, ignoring, isARepeat, keyCode);
}

}  // namespace nsx
