#include <cmath>

#include <AppKit/NSColor.h>
#include <AppKit/NSControl.h>
#include <AppKit/NSFont.h>
#include <AppKit/NSWindow.h>

NS_IMPLEMENT_CLASS(NSCell)
NS_IMPLEMENT_CLASS(NSTextFieldCell)
NS_IMPLEMENT_CLASS(NSControl)
NS_IMPLEMENT_CLASS(NSTextField)

NSNotificationName const NSControlTextDidBeginEditingNotification =
    nsx::ConstantString("NSControlTextDidBeginEditingNotification");
NSNotificationName const NSControlTextDidEndEditingNotification =
    nsx::ConstantString("NSControlTextDidEndEditingNotification");
NSNotificationName const NSControlTextDidChangeNotification = nsx::ConstantString("NSControlTextDidChangeNotification");

// Cells.

NSCell* NSCell::initTextCell(NSString* string) {
  setStringValue(string);
  return this;
}

void NSCell::dealloc() {
  nsx::SetRetained<NSString>(string_, nullptr);
  nsx::SetRetained<NSFormatter>(formatter_, nullptr);
  nsx::SetRetained<NSFont>(font_, nullptr);
  NSObject::dealloc();
}

void NSCell::setStringValue(NSString* string) {
  NSString* copy = NSString::alloc()->initWithString(string != nullptr ? string : NSString::string());
  if (string_ != nullptr) string_->release();
  string_ = copy;
}

void NSCell::setFormatter(NSFormatter* formatter) { nsx::SetRetained(formatter_, formatter); }
void NSCell::setFont(NSFont* font) { nsx::SetRetained(font_, font); }

NSSize NSCell::cellSize() {
  const CGFloat size = font_ != nullptr ? font_->pointSize() : 12.0;
  const CGFloat frame = (bordered_ || bezeled_) ? 6.0 : 2.0;
  const CGFloat width = std::ceil(size * 0.55 * static_cast<CGFloat>(string_ != nullptr ? string_->length() : 0));
  return NSMakeSize(width + 4.0 + frame, std::ceil(size * 1.25) + frame);
}

NSRect NSCell::drawingRectForBounds(NSRect bounds) {
  const CGFloat dx = (bordered_ || bezeled_) ? 3.0 : 2.0, dy = (bordered_ || bezeled_) ? 2.0 : 0.0;
  NSRect r = NSInsetRect(bounds, dx, dy);
  if (r.size.width < 0) r.size.width = 0;
  if (r.size.height < 0) r.size.height = 0;
  return r;
}

void NSCell::selectWithFrame(NSRect rect, NSView* controlView, NSText* textObj, NSTextDelegate* delegate,
                             NSInteger selStart, NSInteger selLength) {
  if (controlView == nullptr || textObj == nullptr) return;
  textObj->setFrame(drawingRectForBounds(rect));
  textObj->setString(stringValue());
  textObj->setFont(font_);
  textObj->setAlignment(alignment_);
  textObj->setEditable(editable_);
  textObj->setDelegate(delegate);
  controlView->addSubview(textObj);
  textObj->setSelectedRange(NSMakeRange(selStart < 0 ? 0 : selStart, selLength < 0 ? 0 : selLength));
  if (controlView->window() != nullptr) controlView->window()->makeFirstResponder(textObj);
}

void NSCell::editWithFrame(NSRect rect, NSView* controlView, NSText* textObj, NSTextDelegate* delegate, NSEvent*) {
  selectWithFrame(rect, controlView, textObj, delegate, static_cast<NSInteger>(stringValue()->length()), 0);
}

void NSCell::endEditing(NSText* textObj) {
  if (textObj == nullptr) return;
  textObj->setDelegate(nullptr);
  textObj->removeFromSuperview();
}

void NSTextFieldCell::setTextColor(NSColor* color) { nsx::SetRetained(textColor_, color); }
void NSTextFieldCell::setBackgroundColor(NSColor* color) { nsx::SetRetained(backgroundColor_, color); }
void NSTextFieldCell::setPlaceholderString(NSString* string) { nsx::SetRetained(placeholder_, string); }

void NSTextFieldCell::dealloc() {
  nsx::SetRetained<NSColor>(textColor_, nullptr);
  nsx::SetRetained<NSColor>(backgroundColor_, nullptr);
  nsx::SetRetained<NSString>(placeholder_, nullptr);
  NSCell::dealloc();
}

// Controls.

NSControl* NSControl::initWithFrame(NSRect frame) {
  NSView::initWithFrame(frame);
  NSCell* cell = makeCell();
  setCell(cell);
  if (cell != nullptr) cell->release();
  return this;
}

NSCell* NSControl::makeCell() { return NSCell::alloc()->initTextCell(NSString::string()); }

void NSControl::dealloc() {
  if (cell_ != nullptr) {
    cell_->setControlView(nullptr);
    cell_->release();
  }
  NSView::dealloc();
}

void NSControl::setCell(NSCell* cell) {
  if (cell == cell_) return;
  if (cell != nullptr) cell->setControlView(this);
  nsx::SetRetained(cell_, cell);
}

NSString* NSControl::stringValue() const {
  if (editor_ != nullptr) return editor_->string();
  return cell_ != nullptr ? cell_->stringValue() : NSString::string();
}

void NSControl::setStringValue(NSString* string) {
  if (cell_ != nullptr) cell_->setStringValue(string);
  if (editor_ != nullptr) editor_->setString(string);
}

int NSControl::intValue() const { return stringValue()->intValue(); }
double NSControl::doubleValue() const { return stringValue()->doubleValue(); }
NSFormatter* NSControl::formatter() const { return cell_ != nullptr ? cell_->formatter() : nullptr; }
void NSControl::setFormatter(NSFormatter* formatter) {
  if (cell_ != nullptr) cell_->setFormatter(formatter);
}
NSFont* NSControl::font() const { return cell_ != nullptr ? cell_->font() : nullptr; }
void NSControl::setFont(NSFont* font) {
  if (cell_ != nullptr) cell_->setFont(font);
}
NSTextAlignment NSControl::alignment() const { return cell_ != nullptr ? cell_->alignment() : NSTextAlignmentNatural; }
void NSControl::setAlignment(NSTextAlignment alignment) {
  if (cell_ != nullptr) cell_->setAlignment(alignment);
}

BOOL NSControl::sendAction(SEL action, id target) {
  if (action == nullptr) return NO;
  if (target != nullptr) {
    target->performSelector(action, this);
    return YES;
  }
  return window() != nullptr && window()->firstResponder() != nullptr
             ? window()->firstResponder()->tryToPerform(action, this)
             : tryToPerform(action, this);
}

BOOL NSControl::abortEditing() {
  if (editor_ == nullptr) return NO;
  NSText* editor = editor_;
  editor_ = nullptr;
  if (cell_ != nullptr) cell_->endEditing(editor);
  return YES;
}

// Text fields.

NSCell* NSTextField::makeCell() {
  NSTextFieldCell* cell = NSTextFieldCell::alloc();
  cell->initTextCell(NSString::string());
  cell->setEditable(YES);
  cell->setSelectable(YES);
  cell->setBezeled(YES);
  return cell;
}

NSTextField* NSTextField::textFieldWithString(NSString* string) {
  NSTextField* f = alloc();
  f->initWithFrame(NSMakeRect(0, 0, 96, 22));
  f->setStringValue(string);
  return static_cast<NSTextField*>(f->autorelease());
}

NSTextField* NSTextField::labelWithString(NSString* string) {
  NSTextField* f = textFieldWithString(string);
  f->setEditable(NO);
  f->setSelectable(NO);
  f->setBezeled(NO);
  f->setDrawsBackground(NO);
  return f;
}

NSTextFieldCell* NSTextField::textFieldCell() const {
  NSCell* c = cell();
  return c != nullptr && c->isKindOfClass(NSTextFieldCell::class_()) ? static_cast<NSTextFieldCell*>(c) : nullptr;
}

BOOL NSTextField::isEditable() const { return cell() != nullptr && cell()->isEditable(); }
void NSTextField::setEditable(BOOL flag) {
  if (cell() != nullptr) cell()->setEditable(flag);
}
BOOL NSTextField::isSelectable() const { return cell() != nullptr && cell()->isSelectable(); }
void NSTextField::setSelectable(BOOL flag) {
  if (cell() != nullptr) cell()->setSelectable(flag);
}
BOOL NSTextField::isBordered() const { return cell() != nullptr && cell()->isBordered(); }
void NSTextField::setBordered(BOOL flag) {
  if (cell() != nullptr) cell()->setBordered(flag);
}
BOOL NSTextField::isBezeled() const { return cell() != nullptr && cell()->isBezeled(); }
void NSTextField::setBezeled(BOOL flag) {
  if (cell() != nullptr) cell()->setBezeled(flag);
}
NSColor* NSTextField::textColor() const { return textFieldCell() != nullptr ? textFieldCell()->textColor() : nullptr; }
void NSTextField::setTextColor(NSColor* color) {
  if (textFieldCell() != nullptr) textFieldCell()->setTextColor(color);
}
NSColor* NSTextField::backgroundColor() const {
  return textFieldCell() != nullptr ? textFieldCell()->backgroundColor() : nullptr;
}
void NSTextField::setBackgroundColor(NSColor* color) {
  if (textFieldCell() != nullptr) textFieldCell()->setBackgroundColor(color);
}
BOOL NSTextField::drawsBackground() const { return textFieldCell() != nullptr && textFieldCell()->drawsBackground(); }
void NSTextField::setDrawsBackground(BOOL flag) {
  if (textFieldCell() != nullptr) textFieldCell()->setDrawsBackground(flag);
}
NSFocusRingType NSTextField::focusRingType() const {
  return cell() != nullptr ? cell()->focusRingType() : NSFocusRingTypeDefault;
}
void NSTextField::setFocusRingType(NSFocusRingType type) {
  if (cell() != nullptr) cell()->setFocusRingType(type);
}
NSString* NSTextField::placeholderString() const {
  return textFieldCell() != nullptr ? textFieldCell()->placeholderString() : nullptr;
}
void NSTextField::setPlaceholderString(NSString* string) {
  if (textFieldCell() != nullptr) textFieldCell()->setPlaceholderString(string);
}

void NSTextField::startEditing(bool selectAll) {
  NSWindow* w = window();
  if (w == nullptr || cell() == nullptr || editor_ != nullptr) return;
  NSText* editor = w->fieldEditor(YES, this);
  if (editor == nullptr) return;
  editor_ = editor;
  const NSInteger length = static_cast<NSInteger>(cell()->stringValue()->length());
  cell()->selectWithFrame(bounds(), this, editor, this, selectAll ? 0 : length, selectAll ? length : 0);
}

void NSTextField::selectText(id) {
  if (window() == nullptr) return;
  if (editor_ != nullptr) {
    editor_->selectAll(nil);
    return;
  }
  window()->makeFirstResponder(this);
}

BOOL NSTextField::becomeFirstResponder() {
  if (!isSelectable()) return NO;
  startEditing(true);
  return YES;
}

void NSTextField::mouseDown(NSEvent* event) {
  if (editor_ != nullptr) editor_->mouseDown(event);
}

void NSTextField::removeFromSuperview() {
  abortEditing();
  NSControl::removeFromSuperview();
}

void NSTextField::textDidBeginEditing(NSNotification*) {
  if (delegate_ != nullptr)
    delegate_->controlTextDidBeginEditing(NSNotification::notificationWithName(NSControlTextDidBeginEditingNotification, this));
}

void NSTextField::textDidChange(NSNotification*) {
  if (delegate_ != nullptr)
    delegate_->controlTextDidChange(NSNotification::notificationWithName(NSControlTextDidChangeNotification, this));
}

void NSTextField::textDidEndEditing(NSNotification* notification) {
  if (editor_ == nullptr) return;
  retain();
  NSText* editor = editor_;
  NSString* text = editor->string();
  id value = text;
  NSString* error = nullptr;
  // A text the formatter refuses leaves the field's value as it was.
  if (formatter() == nullptr || formatter()->getObjectValue(&value, text, &error)) {
    NSString* shown = formatter() != nullptr ? formatter()->stringForObjectValue(value) : text;
    cell()->setStringValue(shown != nullptr ? shown : text);
  } else {
    NSBeep();
  }
  editor_ = nullptr;
  cell()->endEditing(editor);
  const NSInteger movement = nsx::TextMovementOf(notification);
  if (movement == NSTextMovementReturn) sendAction(action(), target());
  if (delegate_ != nullptr)
    delegate_->controlTextDidEndEditing(
        NSNotification::notificationWithName(NSControlTextDidEndEditingNotification, this, notification->userInfo()));
  release();
}

BOOL NSTextField::textViewDoCommandBySelector(NSTextView* textView, SEL selector) {
  return delegate_ != nullptr && delegate_->controlTextViewDoCommandBySelector(this, textView, selector);
}

BOOL NSTextField::textViewShouldChangeTextInRange(NSTextView*, NSRange range, NSString* replacement) {
  NSFormatter* f = formatter();
  if (f == nullptr || editor_ == nullptr) return YES;
  NSString* current = editor_->string();
  NSString* before = current->substringToIndex(range.location);
  NSString* after = current->substringFromIndex(NSMaxRange(range));
  NSString* proposed = before->stringByAppendingString(replacement)->stringByAppendingString(after);
  NSString* replacementText = nullptr;
  NSString* error = nullptr;
  if (f->isPartialStringValid(proposed, &replacementText, &error)) return YES;
  if (replacementText != nullptr) editor_->setString(replacementText);
  NSBeep();
  return NO;
}
