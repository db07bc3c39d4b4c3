// The platform text field in which a value is typed over its control: the field, a cell that
// centres its text vertically, and the formatter that lets through only the characters (and
// the length and value) a parameter can take. Main thread only.
#pragma once

#include <AppKit/AppKit.h>

namespace fx::gfx {

class IGfxTextField_vORBEX9_au : public NSTextField {
  NS_CLASS(IGfxTextField_vORBEX9_au, NSTextField)
 public:
  // Also gives the field editor's insertion point the field's text colour.
  BOOL becomeFirstResponder() override;

 protected:
  IGfxTextField_vORBEX9_au() = default;
};

class IGfxTextFieldCell_vORBEX9_au : public NSTextFieldCell {
  NS_CLASS(IGfxTextFieldCell_vORBEX9_au, NSTextFieldCell)
 public:
  // The text's rectangle centred vertically in the bounds (not again while editing starts).
  NSRect drawingRectForBounds(NSRect bounds) override;
  void selectWithFrame(NSRect rect, NSView* controlView, NSText* textObj, NSTextDelegate* delegate, NSInteger selStart,
                       NSInteger selLength) override;
  void editWithFrame(NSRect rect, NSView* controlView, NSText* textObj, NSTextDelegate* delegate,
                     NSEvent* event) override;

 protected:
  IGfxTextFieldCell_vORBEX9_au() = default;

 private:
  BOOL mIsEditingOrSelecting = NO;
};

class IGfxFormatter_vORBEX9_au : public NSFormatter {
  NS_CLASS(IGfxFormatter_vORBEX9_au, NSFormatter)
 public:
  // nil: any character.
  void setAcceptableCharacterSet(NSCharacterSet* characters);
  // 0: no limit.
  void setMaximumLength(int length) { maxLength = length; }
  void setMaximumValue(int value) { maxValue = value; }
  // Refused: a character outside the set, more than the maximum length, an integer value above
  // the maximum value.
  BOOL isPartialStringValid(NSString* partialString, NSString** newString, NSString** error) override;
  NSString* stringForObjectValue(id object) override;
  BOOL getObjectValue(id* object, NSString* string, NSString** error) override;
  void dealloc() override;

 protected:
  IGfxFormatter_vORBEX9_au() = default;

 private:
  NSCharacterSet* filterCharacterSet = nullptr;  // owned
  int maxLength = 0;
  int maxValue = 0;
};

}  // namespace fx::gfx
