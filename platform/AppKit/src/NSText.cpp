#include <cmath>

#include <AppKit/NSColor.h>
#include <AppKit/NSEvent.h>
#include <AppKit/NSFont.h>
#include <AppKit/NSPasteboard.h>
#include <AppKit/NSText.h>
#include <AppKit/NSWindow.h>

NS_IMPLEMENT_CLASS(NSText,
                   {nsx::method<&NSText::insertText>("insertText:"),
                    nsx::method<&NSText::deleteBackward>("deleteBackward:"),
                    nsx::method<&NSText::deleteForward>("deleteForward:"),
                    nsx::method<&NSText::moveLeft>("moveLeft:"), nsx::method<&NSText::moveRight>("moveRight:"),
                    nsx::method<&NSText::moveLeftAndModifySelection>("moveLeftAndModifySelection:"),
                    nsx::method<&NSText::moveRightAndModifySelection>("moveRightAndModifySelection:"),
                    nsx::method<&NSText::moveToBeginningOfLine>("moveToBeginningOfLine:"),
                    nsx::method<&NSText::moveToEndOfLine>("moveToEndOfLine:"),
                    nsx::method<&NSText::moveToBeginningOfLineAndModifySelection>(
                        "moveToBeginningOfLineAndModifySelection:"),
                    nsx::method<&NSText::moveToEndOfLineAndModifySelection>("moveToEndOfLineAndModifySelection:"),
                    nsx::method<&NSText::selectAll>("selectAll:"), nsx::method<&NSText::copy>("copy:"),
                    nsx::method<&NSText::cut>("cut:"), nsx::method<&NSText::paste>("paste:"),
                    nsx::method<&NSText::insertNewline>("insertNewline:"),
                    nsx::method<&NSText::insertTab>("insertTab:"),
                    nsx::method<&NSText::insertBacktab>("insertBacktab:"),
                    nsx::method<&NSText::cancelOperation>("cancelOperation:")})
NS_IMPLEMENT_CLASS(NSTextView, {nsx::method<&NSTextView::setInsertionPointColor>("setInsertionPointColor:")})

NSNotificationName const NSTextDidBeginEditingNotification = nsx::ConstantString("NSTextDidBeginEditingNotification");
NSNotificationName const NSTextDidEndEditingNotification = nsx::ConstantString("NSTextDidEndEditingNotification");
NSNotificationName const NSTextDidChangeNotification = nsx::ConstantString("NSTextDidChangeNotification");

namespace {

// The user info of an end-of-editing notification.
class NSTextMovementInfo final : public NSObject {
  NS_CLASS(NSTextMovementInfo, NSObject)
 public:
  NSInteger movement = NSTextMovementOther;
};

NSString* FromUnits(const std::u16string& u) {
  return NSString::stringWithCharacters(reinterpret_cast<const unichar*>(u.data()), u.size());
}

}  // namespace

NS_IMPLEMENT_CLASS(NSTextMovementInfo)

namespace nsx {
NSInteger TextMovementOf(NSNotification* notification) {
  id info = notification != nullptr ? notification->userInfo() : nil;
  return info != nullptr && info->isKindOfClass(NSTextMovementInfo::class_())
             ? static_cast<NSTextMovementInfo*>(info)->movement
             : NSTextMovementOther;
}
}  // namespace nsx

std::u16string NSText::units() const {
  std::u16string u;
  if (string_ == nullptr) return u;
  const NSUInteger n = string_->length();
  for (NSUInteger i = 0; i < n; ++i) u += static_cast<char16_t>(string_->characterAtIndex(i));
  return u;
}

void NSText::setString(NSString* string) {
  NSString* s = NSString::alloc()->initWithString(string != nullptr ? string : NSString::string());
  if (string_ != nullptr) string_->release();
  string_ = s;
  selection_ = NSMakeRange(s->length(), 0);
  anchor_ = s->length();
}

void NSText::setSelectedRange(NSRange range) {
  const NSUInteger n = string_ != nullptr ? string_->length() : 0;
  const NSUInteger loc = range.location > n ? n : range.location;
  const NSUInteger len = range.length > n - loc ? n - loc : range.length;
  selection_ = NSMakeRange(loc, len);
  anchor_ = loc;
}

void NSText::setFont(NSFont* font) { nsx::SetRetained(font_, font); }

void NSText::setTextColor(NSColor* color) { nsx::SetRetained(textColor_, color); }

bool NSText::replaceSelection(const std::u16string& text) {
  if (!editable_) {
    NSBeep();
    return false;
  }
  retain();
  NSTextView* asView = isKindOfClass(NSTextView::class_()) ? static_cast<NSTextView*>(this) : nullptr;
  bool allowed = delegate_ == nullptr || delegate_->textViewShouldChangeTextInRange(asView, selection_, FromUnits(text));
  if (allowed) {
    std::u16string u = units();
    const NSUInteger at = selection_.location;
    u.replace(at, selection_.length, text);
    NSString* s = NSString::alloc()->initWithString(FromUnits(u));
    if (string_ != nullptr) string_->release();
    string_ = s;
    selection_ = NSMakeRange(at + text.size(), 0);
    anchor_ = selection_.location;
    if (delegate_ != nullptr) {
      if (!began_) {
        began_ = true;
        delegate_->textDidBeginEditing(NSNotification::notificationWithName(NSTextDidBeginEditingNotification, this));
      }
      delegate_->textDidChange(NSNotification::notificationWithName(NSTextDidChangeNotification, this));
    }
  }
  release();
  return allowed;
}

void NSText::insertText(id string) {
  if (string == nullptr || !string->isKindOfClass(NSString::class_())) return;
  std::u16string u;
  auto* s = static_cast<NSString*>(string);
  for (NSUInteger i = 0; i < s->length(); ++i) u += static_cast<char16_t>(s->characterAtIndex(i));
  replaceSelection(u);
}

void NSText::deleteBackward(id) {
  if (selection_.length == 0) {
    if (selection_.location == 0) return;
    selection_ = NSMakeRange(selection_.location - 1, 1);
  }
  replaceSelection(u"");
}

void NSText::deleteForward(id) {
  if (selection_.length == 0) {
    if (selection_.location >= units().size()) return;
    selection_ = NSMakeRange(selection_.location, 1);
  }
  replaceSelection(u"");
}

void NSText::moveTo(NSUInteger position, bool extend) {
  const NSUInteger n = units().size();
  position = position > n ? n : position;
  if (!extend) {
    selection_ = NSMakeRange(position, 0);
    anchor_ = position;
    return;
  }
  selection_ = position < anchor_ ? NSMakeRange(position, anchor_ - position) : NSMakeRange(anchor_, position - anchor_);
}

// The moving end of the selection: the one away from the anchor.
void NSText::moveLeft(id) { moveTo(selection_.length > 0 ? selection_.location : (selection_.location > 0 ? selection_.location - 1 : 0), false); }
void NSText::moveRight(id) { moveTo(selection_.length > 0 ? NSMaxRange(selection_) : selection_.location + 1, false); }
void NSText::moveLeftAndModifySelection(id) {
  const NSUInteger end = selection_.location < anchor_ ? selection_.location : NSMaxRange(selection_);
  moveTo(end > 0 ? end - 1 : 0, true);
}
void NSText::moveRightAndModifySelection(id) {
  const NSUInteger end = selection_.location < anchor_ ? selection_.location : NSMaxRange(selection_);
  moveTo(end + 1, true);
}
void NSText::moveToBeginningOfLine(id) { moveTo(0, false); }
void NSText::moveToEndOfLine(id) { moveTo(units().size(), false); }
void NSText::moveToBeginningOfLineAndModifySelection(id) { moveTo(0, true); }
void NSText::moveToEndOfLineAndModifySelection(id) { moveTo(units().size(), true); }

void NSText::selectAll(id) {
  anchor_ = 0;
  selection_ = NSMakeRange(0, units().size());
}

void NSText::copy(id) {
  if (selection_.length == 0) return;
  NSPasteboard* board = NSPasteboard::generalPasteboard();
  board->clearContents();
  board->setString(FromUnits(units().substr(selection_.location, selection_.length)), NSPasteboardTypeString);
}

void NSText::cut(id sender) {
  if (selection_.length == 0) return;
  copy(sender);
  replaceSelection(u"");
}

void NSText::paste(id) {
  NSString* s = NSPasteboard::generalPasteboard()->stringForType(NSPasteboardTypeString);
  if (s == nullptr) return;
  std::u16string u;
  for (NSUInteger i = 0; i < s->length(); ++i) {
    const char16_t c = static_cast<char16_t>(s->characterAtIndex(i));
    if (fieldEditor_ && (c == u'\n' || c == u'\r')) continue;  // a field holds one line
    u += c;
  }
  replaceSelection(u);
}

void NSText::endEditing(NSInteger movement) {
  if (ending_ || delegate_ == nullptr) return;
  ending_ = true;
  retain();
  NSTextMovementInfo* info = NSTextMovementInfo::alloc();
  info->movement = movement;
  NSNotification* n = NSNotification::notificationWithName(NSTextDidEndEditingNotification, this, info);
  info->release();
  began_ = false;
  if (delegate_->textShouldEndEditing(this)) delegate_->textDidEndEditing(n);
  ending_ = false;
  release();
}

void NSText::insertNewline(id) {
  if (fieldEditor_) endEditing(NSTextMovementReturn);
  else replaceSelection(u"\n");
}

void NSText::insertTab(id) {
  if (fieldEditor_) endEditing(NSTextMovementTab);
  else replaceSelection(u"\t");
}

void NSText::insertBacktab(id) {
  if (fieldEditor_) endEditing(NSTextMovementBacktab);
}

void NSText::cancelOperation(id) {}

void NSText::doCommandBySelector(SEL selector) {
  NSTextView* asView = isKindOfClass(NSTextView::class_()) ? static_cast<NSTextView*>(this) : nullptr;
  if (delegate_ != nullptr && delegate_->textViewDoCommandBySelector(asView, selector)) return;
  if (respondsToSelector(selector)) {
    performSelector(selector, this);
    return;
  }
  NSResponder::doCommandBySelector(selector);
}

void NSText::keyDown(NSEvent* event) {
  NSString* chars = event->characters();
  if (chars == nullptr || chars->length() == 0) return;
  const unichar c = chars->characterAtIndex(0);
  const NSEventModifierFlags flags = event->modifierFlags();
  const bool shift = (flags & NSEventModifierFlagShift) != 0;
  const bool command = (flags & NSEventModifierFlagCommand) != 0;
  const char* command_name = nullptr;
  if (command) {
    NSString* plain = event->charactersIgnoringModifiers();
    const unichar k = plain != nullptr && plain->length() > 0 ? plain->characterAtIndex(0) : 0;
    switch (k) {
      case 'a': case 'A': command_name = "selectAll:"; break;
      case 'c': case 'C': command_name = "copy:"; break;
      case 'x': case 'X': command_name = "cut:"; break;
      case 'v': case 'V': command_name = "paste:"; break;
      case NSLeftArrowFunctionKey: command_name = shift ? "moveToBeginningOfLineAndModifySelection:" : "moveToBeginningOfLine:"; break;
      case NSRightArrowFunctionKey: command_name = shift ? "moveToEndOfLineAndModifySelection:" : "moveToEndOfLine:"; break;
      default: NSResponder::keyDown(event); return;  // other command keys go up the chain
    }
  } else {
    switch (c) {
      case NSCarriageReturnCharacter: case NSNewlineCharacter: case NSEnterCharacter: command_name = "insertNewline:"; break;
      case NSTabCharacter: command_name = "insertTab:"; break;
      case NSBackTabCharacter: command_name = "insertBacktab:"; break;
      case NSDeleteCharacter: case NSBackspaceCharacter: command_name = "deleteBackward:"; break;
      case NSDeleteFunctionKey: command_name = "deleteForward:"; break;
      case 0x1B: command_name = "cancelOperation:"; break;
      case NSLeftArrowFunctionKey: command_name = shift ? "moveLeftAndModifySelection:" : "moveLeft:"; break;
      case NSRightArrowFunctionKey: command_name = shift ? "moveRightAndModifySelection:" : "moveRight:"; break;
      case NSHomeFunctionKey: case NSUpArrowFunctionKey:
        command_name = shift ? "moveToBeginningOfLineAndModifySelection:" : "moveToBeginningOfLine:";
        break;
      case NSEndFunctionKey: case NSDownArrowFunctionKey:
        command_name = shift ? "moveToEndOfLineAndModifySelection:" : "moveToEndOfLine:";
        break;
      default:
        if (c < 0x20 || (c >= 0xF700 && c < 0xF900)) return;  // control and function keys type nothing
        insertText(chars);
        return;
    }
  }
  doCommandBySelector(sel_registerName(command_name));
}

BOOL NSText::becomeFirstResponder() { return YES; }

BOOL NSText::resignFirstResponder() {
  if (fieldEditor_) endEditing(NSTextMovementOther);
  return YES;
}

void NSText::mouseDown(NSEvent* event) {
  if (event->clickCount() >= 2) {
    selectAll(nil);
    return;
  }
  // Without glyph metrics the insertion point goes by an average advance.
  const NSPoint p = convertPointFromView(event->locationInWindow(), nullptr);
  const CGFloat advance = (font_ != nullptr ? font_->pointSize() : 12.0) * 0.55;
  const double index = std::floor((p.x - 2.0) / advance + 0.5);
  moveTo(index < 0 ? 0 : static_cast<NSUInteger>(index), (event->modifierFlags() & NSEventModifierFlagShift) != 0);
}

void NSText::dealloc() {
  if (string_ != nullptr) string_->release();
  if (font_ != nullptr) font_->release();
  if (textColor_ != nullptr) textColor_->release();
  NSView::dealloc();
}

NSTextView* NSTextView::initWithFrame(NSRect frame) {
  NSView::initWithFrame(frame);
  setString(NSString::string());
  return this;
}

void NSTextView::setInsertionPointColor(NSColor* color) { nsx::SetRetained(insertionPointColor_, color); }

void NSTextView::dealloc() {
  if (insertionPointColor_ != nullptr) insertionPointColor_->release();
  NSText::dealloc();
}
