// The platform text field, its vertically centring cell and its input formatter.

#include "graphics/mac/IGfxTextField.h"

namespace fx::gfx {

NS_IMPLEMENT_CLASS(IGfxTextField_vORBEX9_au)
NS_IMPLEMENT_CLASS(IGfxTextFieldCell_vORBEX9_au)
NS_IMPLEMENT_CLASS(IGfxFormatter_vORBEX9_au)

BOOL IGfxTextField_vORBEX9_au::becomeFirstResponder()
{
  if (!NSTextField::becomeFirstResponder()) return NO;
  NSText* editor = currentEditor();
  if (editor && editor->isKindOfClass(NSTextView::class_()))
    static_cast<NSTextView*>(editor)->setInsertionPointColor(textColor());
  return YES;
}

NSRect IGfxTextFieldCell_vORBEX9_au::drawingRectForBounds(NSRect bounds)
{
  NSRect r = NSTextFieldCell::drawingRectForBounds(bounds);
  if (!mIsEditingOrSelecting)
  {
    const float d = static_cast<float>(r.size.height - cellSize().height);
    r.size.height -= d;
    r.origin.y += 0.5 * d;
  }
  return r;
}

void IGfxTextFieldCell_vORBEX9_au::selectWithFrame(NSRect rect, NSView* controlView, NSText* textObj,
                                                   NSTextDelegate* delegate, NSInteger selStart, NSInteger selLength)
{
  const NSRect centred = drawingRectForBounds(rect);
  mIsEditingOrSelecting = YES;
  NSTextFieldCell::selectWithFrame(centred, controlView, textObj, delegate, selStart, selLength);
  mIsEditingOrSelecting = NO;
}

void IGfxTextFieldCell_vORBEX9_au::editWithFrame(NSRect rect, NSView* controlView, NSText* textObj,
                                                 NSTextDelegate* delegate, NSEvent* event)
{
  const NSRect centred = drawingRectForBounds(rect);
  mIsEditingOrSelecting = YES;
  NSTextFieldCell::editWithFrame(centred, controlView, textObj, delegate, event);
  mIsEditingOrSelecting = NO;
}

void IGfxFormatter_vORBEX9_au::setAcceptableCharacterSet(NSCharacterSet* characters)
{
  if (characters) characters->retain();
  if (filterCharacterSet) filterCharacterSet->release();
  filterCharacterSet = characters;
}

BOOL IGfxFormatter_vORBEX9_au::isPartialStringValid(NSString* partialString, NSString**, NSString**)
{
  if (!partialString) return YES;
  if (filterCharacterSet)
  {
    for (NSUInteger i = 0; i < partialString->length(); ++i)
      if (!filterCharacterSet->characterIsMember(partialString->characterAtIndex(i))) return NO;
  }
  if (maxLength && partialString->length() > static_cast<NSUInteger>(maxLength)) return NO;
  if (maxValue && partialString->intValue() > maxValue) return NO;
  return YES;
}

NSString* IGfxFormatter_vORBEX9_au::stringForObjectValue(id object)
{
  return object && object->isKindOfClass(NSString::class_()) ? static_cast<NSString*>(object) : nullptr;
}

BOOL IGfxFormatter_vORBEX9_au::getObjectValue(id* object, NSString* string, NSString**)
{
  if (object) *object = string ? NSString::stringWithString(string) : nullptr;
  return YES;
}

void IGfxFormatter_vORBEX9_au::dealloc()
{
  setAcceptableCharacterSet(nullptr);
  NSFormatter::dealloc();
}

}  // namespace fx::gfx
