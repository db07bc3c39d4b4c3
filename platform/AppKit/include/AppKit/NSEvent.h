// Input events with the platform's numbers: types, modifier flag bits,
// virtual key codes of the ANSI keyboard (kVK_...), function-key
// characters. mouseLocation is the pointer's place on the screen (origin at
// the bottom-left corner of the main screen), kept by the layer from the
// events a window dispatches and the cursor warps of CoreGraphics.
// Main thread only.
#pragma once

#include <AppKit/NSResponder.h>

class NSWindow;
class NSTrackingArea;

typedef NSUInteger NSEventType;
enum : NSUInteger {
  NSEventTypeLeftMouseDown = 1,
  NSEventTypeLeftMouseUp = 2,
  NSEventTypeRightMouseDown = 3,
  NSEventTypeRightMouseUp = 4,
  NSEventTypeMouseMoved = 5,
  NSEventTypeLeftMouseDragged = 6,
  NSEventTypeRightMouseDragged = 7,
  NSEventTypeMouseEntered = 8,
  NSEventTypeMouseExited = 9,
  NSEventTypeKeyDown = 10,
  NSEventTypeKeyUp = 11,
  NSEventTypeFlagsChanged = 12,
  NSEventTypeCursorUpdate = 17,
  NSEventTypeScrollWheel = 22,
  NSEventTypeTabletPoint = 23,
  NSEventTypeOtherMouseDown = 25,
  NSEventTypeOtherMouseUp = 26,
  NSEventTypeOtherMouseDragged = 27
};

typedef NSInteger NSEventSubtype;
enum : NSInteger {
  NSEventSubtypeMouseEvent = 0,
  NSEventSubtypeTabletPoint = 1,
  NSEventSubtypeTabletProximity = 2,
  NSEventSubtypeTouch = 3
};

typedef NSUInteger NSEventModifierFlags;
enum : NSUInteger {
  NSEventModifierFlagCapsLock = 1 << 16,
  NSEventModifierFlagShift = 1 << 17,
  NSEventModifierFlagControl = 1 << 18,
  NSEventModifierFlagOption = 1 << 19,
  NSEventModifierFlagCommand = 1 << 20,
  NSEventModifierFlagNumericPad = 1 << 21,
  NSEventModifierFlagHelp = 1 << 22,
  NSEventModifierFlagFunction = 1 << 23,
  NSEventModifierFlagDeviceIndependentFlagsMask = 0xffff0000UL
};

// Characters of keys without a printable character.
enum : unichar {
  NSUpArrowFunctionKey = 0xF700,
  NSDownArrowFunctionKey = 0xF701,
  NSLeftArrowFunctionKey = 0xF702,
  NSRightArrowFunctionKey = 0xF703,
  NSF1FunctionKey = 0xF704,  // F1 ... F35 follow in order
  NSInsertFunctionKey = 0xF727,
  NSDeleteFunctionKey = 0xF728,
  NSHomeFunctionKey = 0xF729,
  NSEndFunctionKey = 0xF72B,
  NSPageUpFunctionKey = 0xF72C,
  NSPageDownFunctionKey = 0xF72D,
  NSHelpFunctionKey = 0xF746
};
enum : unichar {
  NSEnterCharacter = 0x0003,
  NSBackspaceCharacter = 0x0008,
  NSTabCharacter = 0x0009,
  NSNewlineCharacter = 0x000a,
  NSCarriageReturnCharacter = 0x000d,
  NSBackTabCharacter = 0x0019,
  NSDeleteCharacter = 0x007f
};

// Virtual key codes (positions on an ANSI keyboard).
enum : unsigned short {
  kVK_ANSI_A = 0x00, kVK_ANSI_S = 0x01, kVK_ANSI_D = 0x02, kVK_ANSI_F = 0x03, kVK_ANSI_H = 0x04,
  kVK_ANSI_G = 0x05, kVK_ANSI_Z = 0x06, kVK_ANSI_X = 0x07, kVK_ANSI_C = 0x08, kVK_ANSI_V = 0x09,
  kVK_ANSI_B = 0x0B, kVK_ANSI_Q = 0x0C, kVK_ANSI_W = 0x0D, kVK_ANSI_E = 0x0E, kVK_ANSI_R = 0x0F,
  kVK_ANSI_Y = 0x10, kVK_ANSI_T = 0x11, kVK_ANSI_1 = 0x12, kVK_ANSI_2 = 0x13, kVK_ANSI_3 = 0x14,
  kVK_ANSI_4 = 0x15, kVK_ANSI_6 = 0x16, kVK_ANSI_5 = 0x17, kVK_ANSI_Equal = 0x18, kVK_ANSI_9 = 0x19,
  kVK_ANSI_7 = 0x1A, kVK_ANSI_Minus = 0x1B, kVK_ANSI_8 = 0x1C, kVK_ANSI_0 = 0x1D,
  kVK_ANSI_RightBracket = 0x1E, kVK_ANSI_O = 0x1F, kVK_ANSI_U = 0x20, kVK_ANSI_LeftBracket = 0x21,
  kVK_ANSI_I = 0x22, kVK_ANSI_P = 0x23, kVK_Return = 0x24, kVK_ANSI_L = 0x25, kVK_ANSI_J = 0x26,
  kVK_ANSI_Quote = 0x27, kVK_ANSI_K = 0x28, kVK_ANSI_Semicolon = 0x29, kVK_ANSI_Backslash = 0x2A,
  kVK_ANSI_Comma = 0x2B, kVK_ANSI_Slash = 0x2C, kVK_ANSI_N = 0x2D, kVK_ANSI_M = 0x2E,
  kVK_ANSI_Period = 0x2F, kVK_Tab = 0x30, kVK_Space = 0x31, kVK_ANSI_Grave = 0x32, kVK_Delete = 0x33,
  kVK_Escape = 0x35, kVK_Command = 0x37, kVK_Shift = 0x38, kVK_CapsLock = 0x39, kVK_Option = 0x3A,
  kVK_Control = 0x3B, kVK_RightShift = 0x3C, kVK_RightOption = 0x3D, kVK_RightControl = 0x3E,
  kVK_Function = 0x3F, kVK_F17 = 0x40, kVK_ANSI_KeypadDecimal = 0x41, kVK_ANSI_KeypadMultiply = 0x43,
  kVK_ANSI_KeypadPlus = 0x45, kVK_ANSI_KeypadClear = 0x47, kVK_ANSI_KeypadDivide = 0x4B,
  kVK_ANSI_KeypadEnter = 0x4C, kVK_ANSI_KeypadMinus = 0x4E, kVK_F18 = 0x4F, kVK_F19 = 0x50,
  kVK_ANSI_KeypadEquals = 0x51, kVK_ANSI_Keypad0 = 0x52, kVK_ANSI_Keypad1 = 0x53, kVK_ANSI_Keypad2 = 0x54,
  kVK_ANSI_Keypad3 = 0x55, kVK_ANSI_Keypad4 = 0x56, kVK_ANSI_Keypad5 = 0x57, kVK_ANSI_Keypad6 = 0x58,
  kVK_ANSI_Keypad7 = 0x59, kVK_F20 = 0x5A, kVK_ANSI_Keypad8 = 0x5B, kVK_ANSI_Keypad9 = 0x5C,
  kVK_F5 = 0x60, kVK_F6 = 0x61, kVK_F7 = 0x62, kVK_F3 = 0x63, kVK_F8 = 0x64, kVK_F9 = 0x65,
  kVK_F11 = 0x67, kVK_F13 = 0x69, kVK_F16 = 0x6A, kVK_F14 = 0x6B, kVK_F10 = 0x6D, kVK_F12 = 0x6F,
  kVK_F15 = 0x71, kVK_Help = 0x72, kVK_Home = 0x73, kVK_PageUp = 0x74, kVK_ForwardDelete = 0x75,
  kVK_F4 = 0x76, kVK_End = 0x77, kVK_F2 = 0x78, kVK_PageDown = 0x79, kVK_F1 = 0x7A,
  kVK_LeftArrow = 0x7B, kVK_RightArrow = 0x7C, kVK_DownArrow = 0x7D, kVK_UpArrow = 0x7E
};

class NSEvent : public NSObject {
  NS_CLASS(NSEvent, NSObject)
 public:
  // Autoreleased events. windowNumber names the window whose base
  // coordinates location is in (0: screen coordinates).
  static NSEvent* mouseEventWithType(NSEventType type, NSPoint location, NSEventModifierFlags flags,
                                     NSTimeInterval time, NSInteger windowNumber, id context, NSInteger eventNumber,
                                     NSInteger clickCount, float pressure);
  static NSEvent* keyEventWithType(NSEventType type, NSPoint location, NSEventModifierFlags flags,
                                   NSTimeInterval time, NSInteger windowNumber, id context, NSString* characters,
                                   NSString* charactersIgnoringModifiers, BOOL isARepeat, unsigned short keyCode);
  static NSEvent* enterExitEventWithType(NSEventType type, NSPoint location, NSEventModifierFlags flags,
                                         NSTimeInterval time, NSInteger windowNumber, id context, NSInteger eventNumber,
                                         NSInteger trackingNumber, void* userData);

  NSEventType type() const { return type_; }
  NSEventSubtype subtype() const { return subtype_; }
  NSPoint locationInWindow() const { return location_; }
  NSEventModifierFlags modifierFlags() const { return flags_; }
  NSTimeInterval timestamp() const { return time_; }
  NSInteger windowNumber() const { return windowNumber_; }
  NSWindow* window() const;
  NSInteger clickCount() const { return clickCount_; }
  NSInteger buttonNumber() const;
  float pressure() const { return pressure_; }
  unsigned short keyCode() const { return keyCode_; }
  NSString* characters() const { return characters_; }
  NSString* charactersIgnoringModifiers() const { return charactersIgnoringModifiers_; }
  BOOL isARepeat() const { return repeat_; }
  CGFloat deltaX() const { return deltaX_; }
  CGFloat deltaY() const { return deltaY_; }
  CGFloat deltaZ() const { return 0; }
  CGFloat scrollingDeltaX() const { return scrollingDeltaX_; }
  CGFloat scrollingDeltaY() const { return scrollingDeltaY_; }
  BOOL hasPreciseScrollingDeltas() const { return precise_; }
  NSTrackingArea* trackingArea() const { return trackingArea_; }
  void* userData() const { return userData_; }

  // The pointer on the screen (bottom-left origin).
  static NSPoint mouseLocation();
  // Buttons held now: bit 0 left, 1 right, 2 other.
  static NSUInteger pressedMouseButtons();

  void dealloc() override;

 protected:
  NSEvent() = default;

 private:
  friend class NSWindow;
  friend struct NSEventAccess;
  NSEventType type_ = 0;
  NSEventSubtype subtype_ = 0;
  NSPoint location_ = NSZeroPoint;
  NSEventModifierFlags flags_ = 0;
  NSTimeInterval time_ = 0;
  NSInteger windowNumber_ = 0;
  NSInteger clickCount_ = 0;
  float pressure_ = 0;
  unsigned short keyCode_ = 0;
  NSString* characters_ = nullptr;
  NSString* charactersIgnoringModifiers_ = nullptr;
  bool repeat_ = false;
  CGFloat deltaX_ = 0, deltaY_ = 0, scrollingDeltaX_ = 0, scrollingDeltaY_ = 0;
  bool precise_ = false;
  NSTrackingArea* trackingArea_ = nullptr;  // retained
  void* userData_ = nullptr;
};

namespace nsx {

// Events the platform makes only from devices, for tests and the desktop
// window (autoreleased). deltas: positive y scrolls up (the wheel turned
// away from the person).
NSEvent* ScrollWheelEvent(NSPoint location, NSEventModifierFlags flags, NSInteger windowNumber, CGFloat deltaX,
                          CGFloat deltaY, BOOL precise);
// A drag or move as the device makes it, carrying its own movement (points,
// y growing downward): what an application reads while the pointer is held
// in place.
NSEvent* MouseMoveEvent(NSEventType type, NSPoint location, NSEventModifierFlags flags, NSInteger windowNumber,
                        CGFloat deltaX, CGFloat deltaY);
// A mouse event with a subtype (NSEventSubtypeTabletPoint for a pen).
NSEvent* MouseEventWithSubtype(NSEventType type, NSPoint location, NSEventModifierFlags flags,
                               NSInteger windowNumber, NSInteger clickCount, NSEventSubtype subtype);

// The key's characters on an ANSI US keyboard: (characters,
// charactersIgnoringModifiers) for a virtual key code and modifier flags,
// as the platform gives them; used to build key events from key codes.
struct KeyCharacters {
  std::u16string characters;
  std::u16string charactersIgnoringModifiers;
};
KeyCharacters CharactersForKey(unsigned short keyCode, NSEventModifierFlags flags);
// The key that types c on that keyboard (with *flags the modifiers it
// needs), or 0xFFFF when no key does.
unsigned short KeyCodeForCharacter(unichar c, NSEventModifierFlags* flags);
// A key event for a virtual key code with the characters it types
// (autoreleased).
NSEvent* KeyEvent(NSEventType type, unsigned short keyCode, NSEventModifierFlags flags, NSInteger windowNumber,
                  BOOL isARepeat = NO);

}  // namespace nsx
