// The desktop's key positions as virtual key codes of the ANSI keyboard.
#include <SDL2/SDL.h>

#include <AppKit/NSEvent.h>

namespace appkit {

unsigned short KeyCodeOfScancode(int scancode) {
  static const struct {
    int scancode;
    unsigned short code;
  } kMap[] = {
      {SDL_SCANCODE_A, kVK_ANSI_A}, {SDL_SCANCODE_B, kVK_ANSI_B}, {SDL_SCANCODE_C, kVK_ANSI_C},
      {SDL_SCANCODE_D, kVK_ANSI_D}, {SDL_SCANCODE_E, kVK_ANSI_E}, {SDL_SCANCODE_F, kVK_ANSI_F},
      {SDL_SCANCODE_G, kVK_ANSI_G}, {SDL_SCANCODE_H, kVK_ANSI_H}, {SDL_SCANCODE_I, kVK_ANSI_I},
      {SDL_SCANCODE_J, kVK_ANSI_J}, {SDL_SCANCODE_K, kVK_ANSI_K}, {SDL_SCANCODE_L, kVK_ANSI_L},
      {SDL_SCANCODE_M, kVK_ANSI_M}, {SDL_SCANCODE_N, kVK_ANSI_N}, {SDL_SCANCODE_O, kVK_ANSI_O},
      {SDL_SCANCODE_P, kVK_ANSI_P}, {SDL_SCANCODE_Q, kVK_ANSI_Q}, {SDL_SCANCODE_R, kVK_ANSI_R},
      {SDL_SCANCODE_S, kVK_ANSI_S}, {SDL_SCANCODE_T, kVK_ANSI_T}, {SDL_SCANCODE_U, kVK_ANSI_U},
      {SDL_SCANCODE_V, kVK_ANSI_V}, {SDL_SCANCODE_W, kVK_ANSI_W}, {SDL_SCANCODE_X, kVK_ANSI_X},
      {SDL_SCANCODE_Y, kVK_ANSI_Y}, {SDL_SCANCODE_Z, kVK_ANSI_Z}, {SDL_SCANCODE_1, kVK_ANSI_1},
      {SDL_SCANCODE_2, kVK_ANSI_2}, {SDL_SCANCODE_3, kVK_ANSI_3}, {SDL_SCANCODE_4, kVK_ANSI_4},
      {SDL_SCANCODE_5, kVK_ANSI_5}, {SDL_SCANCODE_6, kVK_ANSI_6}, {SDL_SCANCODE_7, kVK_ANSI_7},
      {SDL_SCANCODE_8, kVK_ANSI_8}, {SDL_SCANCODE_9, kVK_ANSI_9}, {SDL_SCANCODE_0, kVK_ANSI_0},
      {SDL_SCANCODE_RETURN, kVK_Return}, {SDL_SCANCODE_ESCAPE, kVK_Escape}, {SDL_SCANCODE_BACKSPACE, kVK_Delete},
      {SDL_SCANCODE_TAB, kVK_Tab}, {SDL_SCANCODE_SPACE, kVK_Space}, {SDL_SCANCODE_MINUS, kVK_ANSI_Minus},
      {SDL_SCANCODE_EQUALS, kVK_ANSI_Equal}, {SDL_SCANCODE_LEFTBRACKET, kVK_ANSI_LeftBracket},
      {SDL_SCANCODE_RIGHTBRACKET, kVK_ANSI_RightBracket}, {SDL_SCANCODE_BACKSLASH, kVK_ANSI_Backslash},
      {SDL_SCANCODE_SEMICOLON, kVK_ANSI_Semicolon}, {SDL_SCANCODE_APOSTROPHE, kVK_ANSI_Quote},
      {SDL_SCANCODE_GRAVE, kVK_ANSI_Grave}, {SDL_SCANCODE_COMMA, kVK_ANSI_Comma},
      {SDL_SCANCODE_PERIOD, kVK_ANSI_Period}, {SDL_SCANCODE_SLASH, kVK_ANSI_Slash},
      {SDL_SCANCODE_CAPSLOCK, kVK_CapsLock}, {SDL_SCANCODE_F1, kVK_F1}, {SDL_SCANCODE_F2, kVK_F2},
      {SDL_SCANCODE_F3, kVK_F3}, {SDL_SCANCODE_F4, kVK_F4}, {SDL_SCANCODE_F5, kVK_F5}, {SDL_SCANCODE_F6, kVK_F6},
      {SDL_SCANCODE_F7, kVK_F7}, {SDL_SCANCODE_F8, kVK_F8}, {SDL_SCANCODE_F9, kVK_F9}, {SDL_SCANCODE_F10, kVK_F10},
      {SDL_SCANCODE_F11, kVK_F11}, {SDL_SCANCODE_F12, kVK_F12}, {SDL_SCANCODE_F13, kVK_F13},
      {SDL_SCANCODE_F14, kVK_F14}, {SDL_SCANCODE_F15, kVK_F15}, {SDL_SCANCODE_F16, kVK_F16},
      {SDL_SCANCODE_F17, kVK_F17}, {SDL_SCANCODE_F18, kVK_F18}, {SDL_SCANCODE_F19, kVK_F19},
      {SDL_SCANCODE_F20, kVK_F20}, {SDL_SCANCODE_INSERT, kVK_Help}, {SDL_SCANCODE_HELP, kVK_Help},
      {SDL_SCANCODE_HOME, kVK_Home}, {SDL_SCANCODE_PAGEUP, kVK_PageUp}, {SDL_SCANCODE_DELETE, kVK_ForwardDelete},
      {SDL_SCANCODE_END, kVK_End}, {SDL_SCANCODE_PAGEDOWN, kVK_PageDown}, {SDL_SCANCODE_RIGHT, kVK_RightArrow},
      {SDL_SCANCODE_LEFT, kVK_LeftArrow}, {SDL_SCANCODE_DOWN, kVK_DownArrow}, {SDL_SCANCODE_UP, kVK_UpArrow},
      {SDL_SCANCODE_NUMLOCKCLEAR, kVK_ANSI_KeypadClear}, {SDL_SCANCODE_KP_DIVIDE, kVK_ANSI_KeypadDivide},
      {SDL_SCANCODE_KP_MULTIPLY, kVK_ANSI_KeypadMultiply}, {SDL_SCANCODE_KP_MINUS, kVK_ANSI_KeypadMinus},
      {SDL_SCANCODE_KP_PLUS, kVK_ANSI_KeypadPlus}, {SDL_SCANCODE_KP_ENTER, kVK_ANSI_KeypadEnter},
      {SDL_SCANCODE_KP_1, kVK_ANSI_Keypad1}, {SDL_SCANCODE_KP_2, kVK_ANSI_Keypad2},
      {SDL_SCANCODE_KP_3, kVK_ANSI_Keypad3}, {SDL_SCANCODE_KP_4, kVK_ANSI_Keypad4},
      {SDL_SCANCODE_KP_5, kVK_ANSI_Keypad5}, {SDL_SCANCODE_KP_6, kVK_ANSI_Keypad6},
      {SDL_SCANCODE_KP_7, kVK_ANSI_Keypad7}, {SDL_SCANCODE_KP_8, kVK_ANSI_Keypad8},
      {SDL_SCANCODE_KP_9, kVK_ANSI_Keypad9}, {SDL_SCANCODE_KP_0, kVK_ANSI_Keypad0},
      {SDL_SCANCODE_KP_PERIOD, kVK_ANSI_KeypadDecimal}, {SDL_SCANCODE_KP_EQUALS, kVK_ANSI_KeypadEquals},
      {SDL_SCANCODE_LCTRL, kVK_Control}, {SDL_SCANCODE_LSHIFT, kVK_Shift}, {SDL_SCANCODE_LALT, kVK_Option},
      {SDL_SCANCODE_LGUI, kVK_Command}, {SDL_SCANCODE_RCTRL, kVK_RightControl},
      {SDL_SCANCODE_RSHIFT, kVK_RightShift}, {SDL_SCANCODE_RALT, kVK_RightOption},
      {SDL_SCANCODE_RGUI, kVK_Command},
  };
  for (const auto& m : kMap)
    if (m.scancode == scancode) return m.code;
  return 0xFFFF;
}

// Shift, control, option (Alt) and command (the Super key).
NSEventModifierFlags FlagsOfKeyMods(int mods) {
  NSEventModifierFlags f = 0;
  if (mods & KMOD_SHIFT) f |= NSEventModifierFlagShift;
  if (mods & KMOD_CTRL) f |= NSEventModifierFlagControl;
  if (mods & KMOD_ALT) f |= NSEventModifierFlagOption;
  if (mods & KMOD_GUI) f |= NSEventModifierFlagCommand;
  if (mods & KMOD_CAPS) f |= NSEventModifierFlagCapsLock;
  return f;
}

}  // namespace appkit
