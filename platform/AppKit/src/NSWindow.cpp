#include <algorithm>
#include <map>

#include <AppKit/NSApplication.h>
#include <AppKit/NSDesktop.h>
#include <AppKit/NSPasteboard.h>
#include <AppKit/NSScreen.h>
#include <AppKit/NSText.h>
#include <AppKit/NSTrackingArea.h>
#include <AppKit/NSWindow.h>
#include <CoreGraphics/CGCursorRecord.h>

#include "AppKitInternal.h"

NS_IMPLEMENT_CLASS(NSWindow)

NSNotificationName const NSWindowDidBecomeKeyNotification = nsx::ConstantString("NSWindowDidBecomeKeyNotification");
NSNotificationName const NSWindowDidResignKeyNotification = nsx::ConstantString("NSWindowDidResignKeyNotification");
NSNotificationName const NSWindowDidBecomeMainNotification = nsx::ConstantString("NSWindowDidBecomeMainNotification");
NSNotificationName const NSWindowDidResignMainNotification = nsx::ConstantString("NSWindowDidResignMainNotification");
NSNotificationName const NSWindowWillCloseNotification = nsx::ConstantString("NSWindowWillCloseNotification");
NSNotificationName const NSWindowDidChangeScreenNotification =
    nsx::ConstantString("NSWindowDidChangeScreenNotification");

namespace {

NSInteger g_nextNumber = 1;
NSWindow* g_keyWindow = nullptr;
NSUInteger g_buttons = 0;

std::map<NSInteger, NSWindow*>& Windows() {
  static auto* windows = new std::map<NSInteger, NSWindow*>();
  return *windows;
}

// A drag of files onto a window.
class FileDrag final : public NSDraggingInfo {
 public:
  FileDrag(NSWindow* window, NSPasteboard* board, NSPoint location) : window_(window), board_(board), at_(location) {}
  NSPasteboard* draggingPasteboard() override { return board_; }
  NSPoint draggingLocation() override { return at_; }
  NSDragOperation draggingSourceOperationMask() override { return NSDragOperationEvery; }
  NSWindow* draggingDestinationWindow() override { return window_; }

 private:
  NSWindow* window_;
  NSPasteboard* board_;
  NSPoint at_;
};

bool IsPress(NSEventType t) {
  return t == NSEventTypeLeftMouseDown || t == NSEventTypeRightMouseDown || t == NSEventTypeOtherMouseDown;
}
bool IsRelease(NSEventType t) {
  return t == NSEventTypeLeftMouseUp || t == NSEventTypeRightMouseUp || t == NSEventTypeOtherMouseUp;
}
bool IsDrag(NSEventType t) {
  return t == NSEventTypeLeftMouseDragged || t == NSEventTypeRightMouseDragged || t == NSEventTypeOtherMouseDragged;
}
NSUInteger ButtonBit(NSEventType t) {
  switch (t) {
    case NSEventTypeLeftMouseDown: case NSEventTypeLeftMouseUp: case NSEventTypeLeftMouseDragged: return 1;
    case NSEventTypeRightMouseDown: case NSEventTypeRightMouseUp: case NSEventTypeRightMouseDragged: return 2;
    default: return 4;
  }
}

}  // namespace

NSWindow* NSWindow::init() {
  return initWithContentRect(NSMakeRect(0, 0, 400, 300), NSWindowStyleMaskTitled, NSBackingStoreBuffered, NO);
}

NSWindow* NSWindow::initWithContentRect(NSRect contentRect, NSWindowStyleMask style, NSBackingStoreType, BOOL) {
  frame_ = CGRectStandardize(contentRect);
  style_ = style;
  number_ = g_nextNumber++;
  Windows()[number_] = this;
  NSView* content = NSView::alloc()->initWithFrame(NSMakeRect(0, 0, frame_.size.width, frame_.size.height));
  setContentView(content);
  content->release();
  return this;
}

void NSWindow::dealloc() {
  appkit::DesktopWindowClosed(this);
  if (g_keyWindow == this) g_keyWindow = nullptr;
  Windows().erase(number_);
  if (contentView_ != nullptr) {
    contentView_->setWindowRecursively(nullptr);
    contentView_->setNextResponder(nullptr);
    contentView_->release();
    contentView_ = nullptr;
  }
  if (mouseDownView_ != nullptr) mouseDownView_->release();
  for (NSTrackingArea* a : inside_) a->release();
  inside_.clear();
  if (fieldEditor_ != nullptr) fieldEditor_->release();
  if (title_ != nullptr) title_->release();
  if (appearance_ != nullptr) appearance_->release();
  NSResponder::dealloc();
}

void NSWindow::setContentView(NSView* view) {
  if (view == contentView_) return;
  if (view != nullptr) {
    view->retain();
    view->detach();
  }
  if (contentView_ != nullptr) {
    NSView* old = contentView_;
    viewRemoved(old);
    contentView_ = nullptr;
    old->setWindowRecursively(nullptr);
    old->setNextResponder(nullptr);
    old->release();
  }
  contentView_ = view;
  if (view != nullptr) {
    view->setFrame(NSMakeRect(0, 0, frame_.size.width, frame_.size.height));
    view->setNextResponder(this);
    view->setWindowRecursively(this);
  }
}

void NSWindow::setFrame(NSRect frame, BOOL) {
  frame_ = CGRectStandardize(frame);
  if (contentView_ != nullptr) contentView_->setFrameSize(frame_.size);
}

void NSWindow::setFrameOrigin(NSPoint origin) { frame_.origin = origin; }

void NSWindow::setContentSize(NSSize size) { setFrame(NSMakeRect(frame_.origin.x, frame_.origin.y, size.width, size.height), YES); }

void NSWindow::setTitle(NSString* title) { nsx::SetRetained(title_, title); }

NSScreen* NSWindow::screen() const {
  return nsx::IsOnDesktop(const_cast<NSWindow*>(this)) ? NSScreen::mainScreen() : nullptr;
}
CGFloat NSWindow::backingScaleFactor() const { return NSScreen::mainScreen()->backingScaleFactor(); }

BOOL NSWindow::makeFirstResponder(NSResponder* responder) {
  if (responder == firstResponder_) return YES;
  NSResponder* current = firstResponder_;
  if (current != nullptr && current != this) {
    current->retain();
    const BOOL resigned = current->resignFirstResponder();
    current->release();
    if (!resigned) return NO;
    // The resigning responder may have chosen another first responder.
    if (firstResponder_ != current && firstResponder_ == responder) return YES;
  }
  if (responder == nullptr || responder == this) {
    firstResponder_ = this;
    return YES;
  }
  // Set first, so that a responder which hands first-responder status on
  // while it becomes it (a text field to the field editor) keeps that.
  firstResponder_ = responder;
  if (!responder->becomeFirstResponder()) {
    if (firstResponder_ == responder) firstResponder_ = this;
    return NO;
  }
  return YES;
}

NSRect NSWindow::convertRectToScreen(NSRect rect) const { return NSOffsetRect(rect, frame_.origin.x, frame_.origin.y); }
NSRect NSWindow::convertRectFromScreen(NSRect rect) const { return NSOffsetRect(rect, -frame_.origin.x, -frame_.origin.y); }
NSPoint NSWindow::convertPointToScreen(NSPoint p) const { return NSMakePoint(p.x + frame_.origin.x, p.y + frame_.origin.y); }
NSPoint NSWindow::convertPointFromScreen(NSPoint p) const { return NSMakePoint(p.x - frame_.origin.x, p.y - frame_.origin.y); }
NSPoint NSWindow::mouseLocationOutsideOfEventStream() const { return convertPointFromScreen(NSEvent::mouseLocation()); }

void NSWindow::postNotification(NSNotificationName name) {
  NSNotificationCenter::defaultCenter()->postNotificationName(name, this);
}

void NSWindow::makeKeyWindow() {
  if (g_keyWindow == this) return;
  if (g_keyWindow != nullptr) g_keyWindow->resignKeyWindow();
  g_keyWindow = this;
  postNotification(NSWindowDidBecomeKeyNotification);
  postNotification(NSWindowDidBecomeMainNotification);
}

void NSWindow::resignKeyWindow() {
  if (g_keyWindow != this) return;
  g_keyWindow = nullptr;
  retain();
  postNotification(NSWindowDidResignKeyNotification);
  postNotification(NSWindowDidResignMainNotification);
  release();
}

BOOL NSWindow::isKeyWindow() const { return g_keyWindow == this; }

void NSWindow::makeKeyAndOrderFront(id sender) {
  orderFront(sender);
  makeKeyWindow();
}

void NSWindow::orderFront(id) { visible_ = true; }

void NSWindow::orderOut(id) {
  visible_ = false;
  resignKeyWindow();
}

void NSWindow::close() {
  retain();
  postNotification(NSWindowWillCloseNotification);
  orderOut(nil);
  appkit::DesktopWindowClosed(this);
  release();
}

void NSWindow::keyDown(NSEvent* event) {
  if (!appkit::DesktopCloseKey(this, event)) NSResponder::keyDown(event);
}

NSText* NSWindow::fieldEditor(BOOL createFlag, id) {
  if (fieldEditor_ == nullptr && createFlag) {
    fieldEditor_ = NSTextView::alloc()->initWithFrame(NSZeroRect);
    fieldEditor_->setFieldEditor(YES);
  }
  return fieldEditor_;
}

void NSWindow::setAppearance(NSAppearance* appearance) {
  if (appearance == appearance_) return;
  nsx::SetRetained(appearance_, appearance);
  appkit::ForEachView(contentView_, [](NSView* v) { v->viewDidChangeEffectiveAppearance(); });
}

NSAppearance* NSWindow::effectiveAppearance() const {
  return appearance_ != nullptr ? appearance_ : NSApp->effectiveAppearance();
}

void NSWindow::viewRemoved(NSView* view) {
  if (firstResponder_ != nullptr && firstResponder_ != this) {
    auto* v = static_cast<NSObject*>(firstResponder_)->isKindOfClass(NSView::class_()) ? static_cast<NSView*>(firstResponder_) : nullptr;
    if (v != nullptr && v->isDescendantOf(view)) firstResponder_ = this;
  }
  if (mouseDownView_ != nullptr && mouseDownView_->isDescendantOf(view)) {
    mouseDownView_->release();
    mouseDownView_ = nullptr;
  }
  for (auto it = inside_.begin(); it != inside_.end();) {
    bool owned = false;
    appkit::ForEachView(view, [&](NSView* v) {
      for (NSTrackingArea* a : v->trackingAreas_) owned = owned || a == *it;
    });
    if (owned) {
      (*it)->release();
      it = inside_.erase(it);
    } else {
      ++it;
    }
  }
}

void NSWindow::updateTracking(NSEvent* event, bool dragging) {
  struct Hit {
    NSTrackingArea* area;
    bool inside;
  };
  std::vector<Hit> hits;
  const NSPoint base = event->locationInWindow();
  const bool outside = event->type() == NSEventTypeMouseExited;
  appkit::ForEachView(contentView_, [&](NSView* v) {
    for (NSTrackingArea* a : v->trackingAreas_) {
      const NSTrackingAreaOptions o = a->options();
      bool active = (o & (NSTrackingActiveAlways | NSTrackingActiveInActiveApp)) != 0 ||
                    ((o & NSTrackingActiveInKeyWindow) != 0 && isKeyWindow()) ||
                    ((o & NSTrackingActiveWhenFirstResponder) != 0 && firstResponder_ == v);
      if (!active) continue;
      if (dragging && (o & NSTrackingEnabledDuringMouseDrag) == 0) {
        trackingDeferred_ = true;
        continue;
      }
      bool hidden = false;
      for (NSView* p = v; p != nullptr; p = p->superview_) hidden = hidden || p->isHidden();
      const NSRect r = (o & NSTrackingInVisibleRect) != 0 ? v->bounds() : a->rect();
      const bool in = !outside && !hidden && NSMouseInRect(v->pointFromBase(base), r, v->isFlipped());
      hits.push_back(Hit{a, in});
    }
  });
  for (Hit& h : hits) h.area->retain();
  // Exits first, then entries, then moves.
  for (const Hit& h : hits) {
    auto it = std::find(inside_.begin(), inside_.end(), h.area);
    if (h.inside || it == inside_.end()) continue;
    inside_.erase(it);
    if ((h.area->options() & NSTrackingMouseEnteredAndExited) != 0 && h.area->owner() != nullptr)
      h.area->owner()->mouseExited(appkit::TrackingEvent(NSEventTypeMouseExited, event, h.area));
    h.area->release();
  }
  for (const Hit& h : hits) {
    if (!h.inside || std::find(inside_.begin(), inside_.end(), h.area) != inside_.end()) continue;
    inside_.push_back(static_cast<NSTrackingArea*>(h.area->retain()));
    if ((h.area->options() & NSTrackingMouseEnteredAndExited) != 0 && h.area->owner() != nullptr)
      h.area->owner()->mouseEntered(appkit::TrackingEvent(NSEventTypeMouseEntered, event, h.area));
  }
  if (event->type() == NSEventTypeMouseMoved)
    for (const Hit& h : hits)
      if (h.inside && (h.area->options() & NSTrackingMouseMoved) != 0 && h.area->owner() != nullptr)
        h.area->owner()->mouseMoved(event);
  for (Hit& h : hits) h.area->release();
}

void NSWindow::pointerLeftWindow() {
  NSEvent* e = NSEvent::enterExitEventWithType(NSEventTypeMouseExited, NSMakePoint(-1e6, -1e6), 0, appkit::EventTime(),
                                               number_, nil, 0, 0, nullptr);
  retain();
  updateTracking(e, false);
  release();
}

void NSWindow::sendEvent(NSEvent* event) {
  if (event == nullptr) return;
  retain();
  event->retain();
  NSEvent* previous = NSApp->currentEvent_;
  NSApp->currentEvent_ = event;
  const NSEventType type = event->type();
  const NSPoint base = event->locationInWindow();

  const bool pointer = IsPress(type) || IsRelease(type) || IsDrag(type) || type == NSEventTypeMouseMoved ||
                       type == NSEventTypeScrollWheel || type == NSEventTypeTabletPoint;
  if (pointer) {
    // A drag made without its movement (a program's event rather than the device's) gets the
    // movement since the last pointer event, y growing downward, as the device would give it.
    if (IsDrag(type) && hasLastPointer_ && event->deltaX() == 0 && event->deltaY() == 0)
      appkit::SetEventDelta(event, base.x - lastPointer_.x, lastPointer_.y - base.y);
    lastPointer_ = base;
    hasLastPointer_ = true;
    const NSPoint screen = convertPointToScreen(base);
    cgx::PointerMoved(CGPointMake(screen.x, NSScreen::mainScreen()->frame().size.height - screen.y));
  }
  if (IsPress(type)) appkit::SetMouseButton(ButtonBit(type), true);
  if (IsPress(type) || IsDrag(type) || type == NSEventTypeMouseMoved) updateTracking(event, IsDrag(type));

  NSView* hit = contentView_ != nullptr ? contentView_->hitTest(base) : nullptr;
  if (IsPress(type)) {
    if (mouseDownView_ != nullptr) mouseDownView_->release();
    mouseDownView_ = hit != nullptr ? static_cast<NSView*>(hit->retain()) : nullptr;
    buttonsDown_ |= ButtonBit(type);
    bool deliver = hit != nullptr;
    if (!isKeyWindow()) {
      makeKeyWindow();
      deliver = deliver && hit->acceptsFirstMouse(event);
    }
    if (hit != nullptr && type == NSEventTypeLeftMouseDown && hit != firstResponder_ && hit->acceptsFirstResponder())
      makeFirstResponder(hit);
    if (deliver) {
      if (type == NSEventTypeLeftMouseDown) hit->mouseDown(event);
      else if (type == NSEventTypeRightMouseDown) hit->rightMouseDown(event);
      else hit->otherMouseDown(event);
    }
  } else if (IsDrag(type) || IsRelease(type)) {
    NSView* target = mouseDownView_ != nullptr ? mouseDownView_ : hit;
    if (target != nullptr) {
      target->retain();
      switch (type) {
        case NSEventTypeLeftMouseDragged: target->mouseDragged(event); break;
        case NSEventTypeRightMouseDragged: target->rightMouseDragged(event); break;
        case NSEventTypeOtherMouseDragged: target->otherMouseDragged(event); break;
        case NSEventTypeLeftMouseUp: target->mouseUp(event); break;
        case NSEventTypeRightMouseUp: target->rightMouseUp(event); break;
        default: target->otherMouseUp(event); break;
      }
      target->release();
    }
    if (IsRelease(type)) {
      appkit::SetMouseButton(ButtonBit(type), false);
      buttonsDown_ &= ~ButtonBit(type);
      if (buttonsDown_ == 0) {
        if (mouseDownView_ != nullptr) mouseDownView_->release();
        mouseDownView_ = nullptr;
        if (trackingDeferred_) {
          trackingDeferred_ = false;
          updateTracking(event, false);
        }
      }
    }
  } else if (type == NSEventTypeMouseMoved) {
    if (acceptsMouseMoved_) (firstResponder_ != nullptr ? firstResponder_ : this)->mouseMoved(event);
  } else if (type == NSEventTypeScrollWheel) {
    if (hit != nullptr) hit->scrollWheel(event);
  } else if (type == NSEventTypeKeyDown || type == NSEventTypeKeyUp || type == NSEventTypeFlagsChanged) {
    NSResponder* r = firstResponder_ != nullptr ? firstResponder_ : this;
    r->retain();
    if (type == NSEventTypeKeyDown) r->keyDown(event);
    else if (type == NSEventTypeKeyUp) r->keyUp(event);
    else r->flagsChanged(event);
    r->release();
  } else if (type == NSEventTypeMouseEntered || type == NSEventTypeMouseExited) {
    updateTracking(event, false);
  }
  NSApp->currentEvent_ = previous;
  event->release();
  release();
}

BOOL NSWindow::dropFiles(NSArray* paths, NSPoint location) {
  if (paths == nullptr || paths->count() == 0 || contentView_ == nullptr) return NO;
  NSPasteboard* board = NSPasteboard::pasteboardWithUniqueName();
  board->declareTypes(NSArray::arrayWithObject(NSFilenamesPboardType), nil);
  board->setPropertyList(paths, NSFilenamesPboardType);
  FileDrag drag(this, board, location);
  NSArray* offered = board->types();
  for (NSView* v = contentView_->hitTest(location); v != nullptr; v = v->superview()) {
    NSArray* wanted = v->registeredDraggedTypes();
    bool match = false;
    for (id t : offered->items()) match = match || (wanted != nullptr && wanted->containsObject(t));
    if (!match) continue;
    v->retain();
    BOOL done = NO;
    if (v->draggingEntered(&drag) != NSDragOperationNone && v->prepareForDragOperation(&drag))
      done = v->performDragOperation(&drag);
    else
      v->draggingExited(&drag);
    v->release();
    return done;
  }
  return NO;
}

namespace nsx {

NSWindow* WindowWithNumber(NSInteger number) {
  auto it = Windows().find(number);
  return it != Windows().end() ? it->second : nullptr;
}

std::vector<NSWindow*> AllWindows() {
  std::vector<NSWindow*> out;
  for (const auto& w : Windows()) out.push_back(w.second);
  return out;
}

}  // namespace nsx

namespace appkit {

NSTimeInterval EventTime() { return CFAbsoluteTimeGetCurrent(); }
NSUInteger PressedMouseButtons() { return g_buttons; }
void SetMouseButton(NSUInteger bit, bool down) { g_buttons = down ? (g_buttons | bit) : (g_buttons & ~bit); }
NSPoint PointerInWindow(NSWindow* window) { return window->convertPointFromScreen(NSEvent::mouseLocation()); }

}  // namespace appkit
