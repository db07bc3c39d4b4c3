// The chain of objects that handle events and commands: a view passes what
// it does not handle to its next responder (its superview, the window for
// the content view). Main thread only.
#pragma once

#include <Foundation/Foundation.h>

class NSEvent;

class NSResponder : public NSObject {
  NS_CLASS(NSResponder, NSObject)
 public:
  NSResponder* nextResponder() const { return nextResponder_; }
  void setNextResponder(NSResponder* responder) { nextResponder_ = responder; }  // not retained

  virtual BOOL acceptsFirstResponder() { return NO; }
  virtual BOOL becomeFirstResponder() { return YES; }
  virtual BOOL resignFirstResponder() { return YES; }

  // Events: by default passed to the next responder.
  virtual void mouseDown(NSEvent* event);
  virtual void mouseUp(NSEvent* event);
  virtual void mouseDragged(NSEvent* event);
  virtual void rightMouseDown(NSEvent* event);
  virtual void rightMouseUp(NSEvent* event);
  virtual void rightMouseDragged(NSEvent* event);
  virtual void otherMouseDown(NSEvent* event);
  virtual void otherMouseUp(NSEvent* event);
  virtual void otherMouseDragged(NSEvent* event);
  virtual void mouseMoved(NSEvent* event);
  virtual void mouseEntered(NSEvent* event);
  virtual void mouseExited(NSEvent* event);
  virtual void cursorUpdate(NSEvent* event);
  virtual void scrollWheel(NSEvent* event);
  virtual void keyDown(NSEvent* event);
  virtual void keyUp(NSEvent* event);
  virtual void flagsChanged(NSEvent* event);

  // A command by selector (insertNewline:, cancelOperation:, ...): performed
  // when this responder has the method, else passed on; unhandled at the end
  // of the chain it beeps.
  virtual void doCommandBySelector(SEL selector);
  // Performs selector with argument on the first responder of the chain that
  // has it; NO when none does.
  BOOL tryToPerform(SEL selector, id argument);

 protected:
  NSResponder() = default;

 private:
  NSResponder* nextResponder_ = nullptr;
};

// The system's alert sound: counted (nsx::BeepCount) and, with a desktop
// window shown, sounded there.
void NSBeep();
namespace nsx {
int BeepCount();
}  // namespace nsx
