// Events as the platform makes them: the characters each key types on the
// ANSI keyboard with its modifiers, and the constructors' checks.
#include <AppKit/AppKit.h>
#include <gtest/gtest.h>

namespace {

std::u16string Typed(unsigned short code, NSEventModifierFlags flags) { return nsx::CharactersForKey(code, flags).characters; }
std::u16string Plain(unsigned short code, NSEventModifierFlags flags) {
  return nsx::CharactersForKey(code, flags).charactersIgnoringModifiers;
}

TEST(KeyCharactersTest, ModifiersChangeWhatAKeyTypesAsThePlatformDoes) {
  EXPECT_EQ(Typed(kVK_ANSI_A, 0), u"a");
  EXPECT_EQ(Typed(kVK_ANSI_A, NSEventModifierFlagShift), u"A");
  EXPECT_EQ(Typed(kVK_ANSI_1, NSEventModifierFlagShift), u"!");
  EXPECT_EQ(Plain(kVK_ANSI_1, NSEventModifierFlagShift), u"!");  // shift is not ignored
  EXPECT_EQ(Typed(kVK_ANSI_C, NSEventModifierFlagControl), std::u16string(1, char16_t(3)));
  EXPECT_EQ(Plain(kVK_ANSI_C, NSEventModifierFlagControl), u"c");
  EXPECT_EQ(Typed(kVK_ANSI_C, NSEventModifierFlagCommand), u"c");
  EXPECT_EQ(Typed(kVK_Tab, NSEventModifierFlagShift), std::u16string(1, char16_t(NSBackTabCharacter)));
  EXPECT_EQ(Typed(kVK_Delete, 0), std::u16string(1, char16_t(NSDeleteCharacter)));
  EXPECT_EQ(Typed(kVK_F13, 0), std::u16string(1, char16_t(0xF710)));
  EXPECT_EQ(Typed(kVK_ANSI_KeypadEnter, 0), std::u16string(1, char16_t(NSEnterCharacter)));
  EXPECT_TRUE(Typed(kVK_Shift, NSEventModifierFlagShift).empty());
}

TEST(KeyCharactersTest, EveryPrintableCharacterHasItsKey) {
  for (unichar c = 0x20; c < 0x7F; ++c) {
    NSEventModifierFlags flags = 0;
    const unsigned short code = nsx::KeyCodeForCharacter(c, &flags);
    ASSERT_NE(code, 0xFFFF) << c;
    EXPECT_EQ(Typed(code, flags), std::u16string(1, char16_t(c))) << c;
  }
  EXPECT_EQ(nsx::KeyCodeForCharacter(0xE9, nullptr), 0xFFFF);  // é has no key of its own
}

TEST(EventTest, KeyEventsCarryTheFlagsOfTheirKeysAndConstructorsCheckTheirType) {
  nsx::AutoreleasePool pool;
  NSEvent* up = nsx::KeyEvent(NSEventTypeKeyDown, kVK_UpArrow, 0, 0);
  EXPECT_NE(up->modifierFlags() & NSEventModifierFlagFunction, 0u);
  EXPECT_NE(up->modifierFlags() & NSEventModifierFlagNumericPad, 0u);
  EXPECT_EQ(up->characters()->characterAtIndex(0), NSUpArrowFunctionKey);
  NSEvent* seven = nsx::KeyEvent(NSEventTypeKeyDown, kVK_ANSI_Keypad7, 0, 0);
  EXPECT_NE(seven->modifierFlags() & NSEventModifierFlagNumericPad, 0u);
  EXPECT_EQ(seven->characters()->utf8(), "7");
  EXPECT_EQ(NSEvent::mouseEventWithType(NSEventTypeKeyDown, NSZeroPoint, 0, 0, 0, nil, 0, 1, 1), nullptr);
  EXPECT_EQ(NSEvent::keyEventWithType(NSEventTypeLeftMouseDown, NSZeroPoint, 0, 0, 0, nil, nullptr, nullptr, NO, 0),
            nullptr);
  NSEvent* right = NSEvent::mouseEventWithType(NSEventTypeRightMouseUp, NSMakePoint(1, 2), 0x7, 0, 0, nil, 0, -3, NAN);
  EXPECT_EQ(right->buttonNumber(), 1);
  EXPECT_EQ(right->clickCount(), 0);
  EXPECT_EQ(right->pressure(), 0.0f);
  EXPECT_EQ(right->modifierFlags(), 0u);  // device-dependent bits are dropped
  NSEvent* pen = nsx::MouseEventWithSubtype(NSEventTypeLeftMouseDragged, NSZeroPoint, 0, 0, 1,
                                            NSEventSubtypeTabletPoint);
  EXPECT_EQ(pen->subtype(), NSEventSubtypeTabletPoint);
  NSEvent* wheel = nsx::ScrollWheelEvent(NSZeroPoint, 0, 0, INFINITY, 1.5, YES);
  EXPECT_EQ(wheel->deltaX(), 0);
  EXPECT_EQ(wheel->scrollingDeltaY(), 1.5);
  EXPECT_TRUE(wheel->hasPreciseScrollingDeltas());
}

}  // namespace
