// Controls: views that show a cell's value and send an action. A text field
// edits its text with the window's field editor while it is first
// responder; its formatter checks each edit; when editing ends (Return,
// Tab, or losing first-responder status) the text becomes its value, its
// action is sent on Return, and its delegate hears controlTextDidEndEditing.
// Removing a field that is being edited ends editing without either.
// Main thread only.
#pragma once

#include <AppKit/NSCell.h>

class NSControl;
class NSTextField;

extern NSNotificationName const NSControlTextDidBeginEditingNotification;
extern NSNotificationName const NSControlTextDidEndEditingNotification;
extern NSNotificationName const NSControlTextDidChangeNotification;

// The delegate of a text field (NSControlTextEditingDelegate / NSTextFieldDelegate).
class NSTextFieldDelegate {
 public:
  virtual void controlTextDidBeginEditing(NSNotification*) {}
  virtual void controlTextDidEndEditing(NSNotification*) {}
  virtual void controlTextDidChange(NSNotification*) {}
  // control:textView:doCommandBySelector: YES when the delegate performed it.
  virtual BOOL controlTextViewDoCommandBySelector(NSControl*, NSTextView*, SEL) { return NO; }

 protected:
  ~NSTextFieldDelegate() = default;
};

class NSControl : public NSView {
  NS_CLASS(NSControl, NSView)
 public:
  NSControl* initWithFrame(NSRect frame) override;
  void dealloc() override;

  NSCell* cell() const { return cell_; }
  void setCell(NSCell* cell);  // retained
  NSString* stringValue() const;
  void setStringValue(NSString* string);
  int intValue() const;
  double doubleValue() const;
  NSFormatter* formatter() const;
  void setFormatter(NSFormatter* formatter);
  NSFont* font() const;
  void setFont(NSFont* font);
  NSTextAlignment alignment() const;
  void setAlignment(NSTextAlignment alignment);
  BOOL isEnabled() const { return enabled_; }
  void setEnabled(BOOL enabled) { enabled_ = enabled; }
  id target() const { return target_; }
  void setTarget(id target) { target_ = target; }  // not retained
  SEL action() const { return action_; }
  void setAction(SEL action) { action_ = action; }
  BOOL sendAction(SEL action, id target);
  // The field editor while this control is edited, else null.
  NSText* currentEditor() const { return editor_; }
  // Ends editing without taking the text or telling the delegate.
  BOOL abortEditing();

 protected:
  NSControl() = default;
  virtual NSCell* makeCell();
  NSText* editor_ = nullptr;

 private:
  NSCell* cell_ = nullptr;
  bool enabled_ = true;
  id target_ = nil;
  SEL action_ = nullptr;
};

class NSTextField : public NSControl, public NSTextDelegate {
  NS_CLASS(NSTextField, NSControl)
 public:
  static NSTextField* textFieldWithString(NSString* string);  // autoreleased, editable
  static NSTextField* labelWithString(NSString* string);      // autoreleased, not editable

  NSTextFieldDelegate* delegate() const { return delegate_; }
  void setDelegate(NSTextFieldDelegate* delegate) { delegate_ = delegate; }  // not retained
  NSTextFieldCell* textFieldCell() const;
  BOOL isEditable() const;
  void setEditable(BOOL flag);
  BOOL isSelectable() const;
  void setSelectable(BOOL flag);
  BOOL isBordered() const;
  void setBordered(BOOL flag);
  BOOL isBezeled() const;
  void setBezeled(BOOL flag);
  NSColor* textColor() const;
  void setTextColor(NSColor* color);
  NSColor* backgroundColor() const;
  void setBackgroundColor(NSColor* color);
  BOOL drawsBackground() const;
  void setDrawsBackground(BOOL flag);
  NSFocusRingType focusRingType() const;
  void setFocusRingType(NSFocusRingType type);
  NSString* placeholderString() const;
  void setPlaceholderString(NSString* string);
  // Starts editing with all the text selected.
  void selectText(id sender);

  BOOL acceptsFirstResponder() override { return isSelectable(); }
  BOOL becomeFirstResponder() override;
  BOOL isFlipped() override { return YES; }
  void mouseDown(NSEvent* event) override;
  void removeFromSuperview() override;

  // As the field editor's delegate.
  void textDidBeginEditing(NSNotification* notification) override;
  void textDidEndEditing(NSNotification* notification) override;
  void textDidChange(NSNotification* notification) override;
  BOOL textViewDoCommandBySelector(NSTextView* textView, SEL selector) override;
  BOOL textViewShouldChangeTextInRange(NSTextView* textView, NSRange range, NSString* replacement) override;

 protected:
  NSTextField() = default;
  NSCell* makeCell() override;

 private:
  void startEditing(bool selectAll);
  NSTextFieldDelegate* delegate_ = nullptr;
};
