// Windows: a content view in a frame on the screen (bottom-left origin).
// A window is an object of the layer, headless until a program shows it on
// the desktop (NSDesktop.h). sendEvent dispatches an event as the platform
// does: a press to the view under the pointer (which becomes first
// responder when it accepts), drags and the release to that view, moves to
// the first responder (with acceptsMouseMovedEvents), the wheel to the view
// under the pointer, keys to the first responder; tracking areas hear
// entering and leaving. Windows are not released when closed. Main thread.
#pragma once

#include <AppKit/NSView.h>

class NSEvent;
class NSScreen;
class NSText;
class NSTextView;
class NSTrackingArea;

typedef NSUInteger NSWindowStyleMask;
enum : NSUInteger {
  NSWindowStyleMaskBorderless = 0,
  NSWindowStyleMaskTitled = 1 << 0,
  NSWindowStyleMaskClosable = 1 << 1,
  NSWindowStyleMaskMiniaturizable = 1 << 2,
  NSWindowStyleMaskResizable = 1 << 3
};

typedef NSUInteger NSBackingStoreType;
enum : NSUInteger { NSBackingStoreRetained = 0, NSBackingStoreNonretained = 1, NSBackingStoreBuffered = 2 };

extern NSNotificationName const NSWindowDidBecomeKeyNotification;
extern NSNotificationName const NSWindowDidResignKeyNotification;
extern NSNotificationName const NSWindowDidBecomeMainNotification;
extern NSNotificationName const NSWindowDidResignMainNotification;
extern NSNotificationName const NSWindowWillCloseNotification;
extern NSNotificationName const NSWindowDidChangeScreenNotification;

class NSWindow : public NSResponder {
  NS_CLASS(NSWindow, NSResponder)
 public:
  // contentRect: the content's frame on the screen.
  NSWindow* initWithContentRect(NSRect contentRect, NSWindowStyleMask style, NSBackingStoreType backing, BOOL defer);
  NSWindow* init() override;
  void dealloc() override;

  NSView* contentView() const { return contentView_; }
  void setContentView(NSView* view);  // retained; sized to the content
  NSRect frame() const { return frame_; }
  void setFrame(NSRect frame, BOOL display);
  void setFrameOrigin(NSPoint origin);
  void setContentSize(NSSize size);
  NSString* title() const { return title_; }
  void setTitle(NSString* title);
  NSWindowStyleMask styleMask() const { return style_; }
  NSInteger windowNumber() const { return number_; }

  // The screen the window is on: the main screen while the window is shown on
  // the desktop (NSDesktop.h), null otherwise (a headless window is on no
  // screen). Showing a window on the desktop posts
  // NSWindowDidChangeScreenNotification.
  NSScreen* screen() const;
  CGFloat backingScaleFactor() const;

  NSResponder* firstResponder() const { return firstResponder_; }
  // The current first responder resigns and responder becomes it (null: the
  // window itself). NO when either refuses.
  BOOL makeFirstResponder(NSResponder* responder);
  BOOL acceptsMouseMovedEvents() const { return acceptsMouseMoved_; }
  void setAcceptsMouseMovedEvents(BOOL accepts) { acceptsMouseMoved_ = accepts; }

  NSRect convertRectToScreen(NSRect rect) const;
  NSRect convertRectFromScreen(NSRect rect) const;
  NSPoint convertPointToScreen(NSPoint point) const;
  NSPoint convertPointFromScreen(NSPoint point) const;
  // The window's base point under the screen point.
  NSPoint mouseLocationOutsideOfEventStream() const;

  void makeKeyAndOrderFront(id sender);
  void orderFront(id sender);
  void orderOut(id sender);
  void makeKeyWindow();
  // Gives up key and main status (posting the resign notifications).
  void resignKeyWindow();
  BOOL isKeyWindow() const;
  BOOL isVisible() const { return visible_; }
  // Orders the window out and posts NSWindowWillCloseNotification.
  void close();

  virtual void sendEvent(NSEvent* event);
  // A key down no responder took. A window shown on the desktop closes on
  // Control-W or Control-Q (or the same with Command), as desktop programs do.
  void keyDown(NSEvent* event) override;

  // The window's shared field editor (the text view that edits text
  // fields), made when createFlag is set.
  NSText* fieldEditor(BOOL createFlag, id forObject);

  NSAppearance* appearance() const { return appearance_; }
  void setAppearance(NSAppearance* appearance);
  NSAppearance* effectiveAppearance() const;

  // The layer's own: the pointer left the window (tracking areas exit).
  void pointerLeftWindow();
  // A file drag over the window at a base point: draggingEntered of the
  // view under it, then performDragOperation when it accepted. The answer
  // of performDragOperation, NO when no view accepted.
  BOOL dropFiles(NSArray* paths, NSPoint location);

 protected:
  NSWindow() = default;

 private:
  friend class NSView;
  void updateTracking(NSEvent* event, bool dragging);
  void viewRemoved(NSView* view);
  void postNotification(NSNotificationName name);

  NSRect frame_ = NSZeroRect;
  NSWindowStyleMask style_ = 0;
  NSView* contentView_ = nullptr;
  NSString* title_ = nullptr;
  NSInteger number_ = 0;
  NSResponder* firstResponder_ = nullptr;
  bool acceptsMouseMoved_ = false;
  bool visible_ = false;
  NSView* mouseDownView_ = nullptr;  // retained during a press
  NSUInteger buttonsDown_ = 0;
  NSPoint lastPointer_{0, 0};  // base coordinates of the last pointer event
  bool hasLastPointer_ = false;
  std::vector<NSTrackingArea*> inside_;  // retained
  bool trackingDeferred_ = false;
  NSTextView* fieldEditor_ = nullptr;
  NSAppearance* appearance_ = nullptr;
};

namespace nsx {
// The window with that number, or null.
NSWindow* WindowWithNumber(NSInteger number);
// Every window alive, oldest first.
std::vector<NSWindow*> AllWindows();
}  // namespace nsx
