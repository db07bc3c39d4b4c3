// Editable text: NSText, and NSTextView, the window's field editor that
// edits a text field in place. Typing (keyDown) becomes commands: printable
// characters insertText:, Backspace deleteBackward:, Delete deleteForward:,
// the arrows move the insertion point (with Shift they extend the
// selection), Home and End (or Command with the arrows) go to the ends,
// Command-A selects all, Command-C/X/V copy, cut and paste through the
// general pasteboard, Return and Enter insertNewline:, Tab insertTab:,
// Shift-Tab insertBacktab:, Escape cancelOperation:. Each command is first
// offered to the delegate (textView:doCommandBySelector:). In a field
// editor Return, Tab and Back-Tab end editing; every edit of a field
// editor is checked by the edited field's formatter. Main thread only.
#pragma once

#include <AppKit/NSView.h>

class NSColor;
class NSFont;
class NSText;
class NSTextView;

extern NSNotificationName const NSTextDidBeginEditingNotification;
extern NSNotificationName const NSTextDidEndEditingNotification;
extern NSNotificationName const NSTextDidChangeNotification;

// How editing ended (NSTextMovement in the notification's user info,
// nsx::TextMovementOf).
enum : NSInteger {
  NSTextMovementOther = 0,
  NSTextMovementReturn = 0x10,
  NSTextMovementTab = 0x11,
  NSTextMovementBacktab = 0x12,
  NSTextMovementCancel = 0x17
};

// What the text's delegate hears (an edited text field is the field
// editor's delegate).
class NSTextDelegate {
 public:
  virtual BOOL textShouldBeginEditing(NSText*) { return YES; }
  virtual BOOL textShouldEndEditing(NSText*) { return YES; }
  virtual void textDidBeginEditing(NSNotification*) {}
  virtual void textDidEndEditing(NSNotification*) {}
  virtual void textDidChange(NSNotification*) {}
  // YES when the delegate performed the command itself.
  virtual BOOL textViewDoCommandBySelector(NSTextView*, SEL) { return NO; }
  // Whether an edit may replace range by replacement.
  virtual BOOL textViewShouldChangeTextInRange(NSTextView*, NSRange, NSString*) { return YES; }

 protected:
  ~NSTextDelegate() = default;
};

class NSText : public NSView {
  NS_CLASS(NSText, NSView)
 public:
  NSString* string() const { return string_; }
  void setString(NSString* string);  // selection moves to the end
  NSRange selectedRange() const { return selection_; }
  void setSelectedRange(NSRange range);  // clamped to the text
  NSTextDelegate* delegate() const { return delegate_; }
  void setDelegate(NSTextDelegate* delegate) { delegate_ = delegate; }  // not retained
  BOOL isFieldEditor() const { return fieldEditor_; }
  void setFieldEditor(BOOL flag) { fieldEditor_ = flag; }
  BOOL isEditable() const { return editable_; }
  void setEditable(BOOL flag) { editable_ = flag; }
  NSFont* font() const { return font_; }
  void setFont(NSFont* font);
  NSColor* textColor() const { return textColor_; }
  void setTextColor(NSColor* color);
  NSInteger alignment() const { return alignment_; }
  void setAlignment(NSInteger alignment) { alignment_ = alignment; }

  // Commands.
  void insertText(id string);
  void deleteBackward(id sender);
  void deleteForward(id sender);
  void moveLeft(id sender);
  void moveRight(id sender);
  void moveLeftAndModifySelection(id sender);
  void moveRightAndModifySelection(id sender);
  void moveToBeginningOfLine(id sender);
  void moveToEndOfLine(id sender);
  void moveToBeginningOfLineAndModifySelection(id sender);
  void moveToEndOfLineAndModifySelection(id sender);
  void selectAll(id sender);
  void copy(id sender);
  void cut(id sender);
  void paste(id sender);
  void insertNewline(id sender);
  void insertTab(id sender);
  void insertBacktab(id sender);
  void cancelOperation(id sender);

  void keyDown(NSEvent* event) override;
  void doCommandBySelector(SEL selector) override;
  BOOL acceptsFirstResponder() override { return YES; }
  BOOL becomeFirstResponder() override;
  BOOL resignFirstResponder() override;
  BOOL isFlipped() override { return YES; }
  void mouseDown(NSEvent* event) override;
  void dealloc() override;

 protected:
  NSText() = default;

 private:
  // Replaces the selection by text when the delegate allows it.
  bool replaceSelection(const std::u16string& text);
  void endEditing(NSInteger movement);
  void moveTo(NSUInteger position, bool extend);
  std::u16string units() const;

  NSString* string_ = nullptr;
  NSRange selection_ = {0, 0};
  NSUInteger anchor_ = 0;
  NSTextDelegate* delegate_ = nullptr;
  bool fieldEditor_ = false;
  bool editable_ = true;
  bool ending_ = false;
  bool began_ = false;
  NSFont* font_ = nullptr;
  NSColor* textColor_ = nullptr;
  NSInteger alignment_ = 0;
};

class NSTextView : public NSText {
  NS_CLASS(NSTextView, NSText)
 public:
  NSTextView* initWithFrame(NSRect frame) override;
  NSColor* insertionPointColor() const { return insertionPointColor_; }
  void setInsertionPointColor(NSColor* color);
  void dealloc() override;

 protected:
  NSTextView() = default;

 private:
  NSColor* insertionPointColor_ = nullptr;
};

namespace nsx {
// The NSTextMovement of an end-of-editing notification.
NSInteger TextMovementOf(NSNotification* notification);
}  // namespace nsx
