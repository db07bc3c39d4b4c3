#include <cmath>

#include <AppKit/NSEvent.h>
#include <AppKit/NSScreen.h>
#include <AppKit/NSTrackingArea.h>
#include <AppKit/NSWindow.h>
#include <CoreGraphics/CGCursorRecord.h>

#include "AppKitInternal.h"

NS_IMPLEMENT_CLASS(NSEvent)
NS_IMPLEMENT_CLASS(NSTrackingArea)

struct NSEventAccess {
  static NSEvent* make(NSEventType type, NSPoint location, NSEventModifierFlags flags, NSTimeInterval time,
                       NSInteger windowNumber) {
    NSEvent* e = NSEvent::alloc();
    e->type_ = type;
    e->location_ = location;
    e->flags_ = flags & NSEventModifierFlagDeviceIndependentFlagsMask;
    e->time_ = time;
    e->windowNumber_ = windowNumber;
    return static_cast<NSEvent*>(e->autorelease());
  }
  static void setScroll(NSEvent* e, CGFloat dx, CGFloat dy, bool precise) {
    e->deltaX_ = dx, e->deltaY_ = dy, e->scrollingDeltaX_ = dx, e->scrollingDeltaY_ = dy, e->precise_ = precise;
  }
  static void setClicks(NSEvent* e, NSInteger clicks, NSEventSubtype subtype) {
    e->clickCount_ = clicks;
    e->subtype_ = subtype;
  }
  static void setDrag(NSEvent* e, CGFloat dx, CGFloat dy) { e->deltaX_ = dx, e->deltaY_ = dy; }
  static void setTrackingArea(NSEvent* e, NSTrackingArea* area) {
    nsx::SetRetained(e->trackingArea_, area);
  }
};

namespace {
bool IsMouseType(NSEventType t) {
  return (t >= NSEventTypeLeftMouseDown && t <= NSEventTypeRightMouseDragged) ||
         (t >= NSEventTypeOtherMouseDown && t <= NSEventTypeOtherMouseDragged) || t == NSEventTypeTabletPoint;
}
}  // namespace

NSEvent* NSEvent::mouseEventWithType(NSEventType type, NSPoint location, NSEventModifierFlags flags,
                                     NSTimeInterval time, NSInteger windowNumber, id, NSInteger, NSInteger clickCount,
                                     float pressure) {
  if (!IsMouseType(type)) return nullptr;
  NSEvent* e = NSEventAccess::make(type, location, flags, time, windowNumber);
  e->clickCount_ = clickCount < 0 ? 0 : clickCount;
  e->pressure_ = std::isfinite(pressure) ? pressure : 0.0f;
  return e;
}

NSEvent* NSEvent::keyEventWithType(NSEventType type, NSPoint location, NSEventModifierFlags flags, NSTimeInterval time,
                                   NSInteger windowNumber, id, NSString* characters,
                                   NSString* charactersIgnoringModifiers, BOOL isARepeat, unsigned short keyCode) {
  if (type != NSEventTypeKeyDown && type != NSEventTypeKeyUp && type != NSEventTypeFlagsChanged) return nullptr;
  NSEvent* e = NSEventAccess::make(type, location, flags, time, windowNumber);
  e->characters_ = static_cast<NSString*>((characters != nullptr ? characters : NSString::string())->retain());
  e->charactersIgnoringModifiers_ = static_cast<NSString*>(
      (charactersIgnoringModifiers != nullptr ? charactersIgnoringModifiers : e->characters_)->retain());
  e->repeat_ = isARepeat;
  e->keyCode_ = keyCode;
  return e;
}

NSEvent* NSEvent::enterExitEventWithType(NSEventType type, NSPoint location, NSEventModifierFlags flags,
                                         NSTimeInterval time, NSInteger windowNumber, id, NSInteger, NSInteger,
                                         void* userData) {
  if (type != NSEventTypeMouseEntered && type != NSEventTypeMouseExited && type != NSEventTypeCursorUpdate)
    return nullptr;
  NSEvent* e = NSEventAccess::make(type, location, flags, time, windowNumber);
  e->userData_ = userData;
  return e;
}

NSWindow* NSEvent::window() const { return nsx::WindowWithNumber(windowNumber_); }

NSInteger NSEvent::buttonNumber() const {
  switch (type_) {
    case NSEventTypeRightMouseDown: case NSEventTypeRightMouseUp: case NSEventTypeRightMouseDragged: return 1;
    case NSEventTypeOtherMouseDown: case NSEventTypeOtherMouseUp: case NSEventTypeOtherMouseDragged: return 2;
    default: return 0;
  }
}

NSPoint NSEvent::mouseLocation() {
  const cgx::CursorState c = cgx::Cursor();
  return NSMakePoint(c.position.x, NSScreen::mainScreen()->frame().size.height - c.position.y);
}

NSUInteger NSEvent::pressedMouseButtons() { return appkit::PressedMouseButtons(); }

void NSEvent::dealloc() {
  if (characters_ != nullptr) characters_->release();
  if (charactersIgnoringModifiers_ != nullptr) charactersIgnoringModifiers_->release();
  if (trackingArea_ != nullptr) trackingArea_->release();
  NSObject::dealloc();
}

NSTrackingArea* NSTrackingArea::initWithRect(NSRect rect, NSTrackingAreaOptions options, NSResponder* owner,
                                             id userInfo) {
  rect_ = rect;
  options_ = options;
  owner_ = owner;
  userInfo_ = userInfo != nullptr ? userInfo->retain() : nil;
  return this;
}

void NSTrackingArea::dealloc() {
  if (userInfo_ != nullptr) userInfo_->release();
  NSObject::dealloc();
}

namespace appkit {

NSEvent* TrackingEvent(NSEventType type, NSEvent* cause, NSTrackingArea* area) {
  NSEvent* e = NSEvent::enterExitEventWithType(type, cause->locationInWindow(), cause->modifierFlags(),
                                               cause->timestamp(), cause->windowNumber(), nil, 0, 0, nullptr);
  if (e != nullptr) NSEventAccess::setTrackingArea(e, area);
  return e;
}

void SetEventDelta(NSEvent* event, CGFloat dx, CGFloat dy) { NSEventAccess::setDrag(event, dx, dy); }

}  // namespace appkit

namespace nsx {

NSEvent* ScrollWheelEvent(NSPoint location, NSEventModifierFlags flags, NSInteger windowNumber, CGFloat deltaX,
                          CGFloat deltaY, BOOL precise) {
  NSEvent* e = NSEventAccess::make(NSEventTypeScrollWheel, location, flags, appkit::EventTime(), windowNumber);
  NSEventAccess::setScroll(e, std::isfinite(deltaX) ? deltaX : 0, std::isfinite(deltaY) ? deltaY : 0, precise);
  return e;
}

NSEvent* MouseMoveEvent(NSEventType type, NSPoint location, NSEventModifierFlags flags, NSInteger windowNumber,
                        CGFloat deltaX, CGFloat deltaY) {
  NSEvent* e = NSEvent::mouseEventWithType(type, location, flags, appkit::EventTime(), windowNumber, nil, 0, 0, 0.0f);
  if (e != nullptr) NSEventAccess::setDrag(e, std::isfinite(deltaX) ? deltaX : 0, std::isfinite(deltaY) ? deltaY : 0);
  return e;
}

NSEvent* MouseEventWithSubtype(NSEventType type, NSPoint location, NSEventModifierFlags flags, NSInteger windowNumber,
                               NSInteger clickCount, NSEventSubtype subtype) {
  NSEvent* e = NSEvent::mouseEventWithType(type, location, flags, appkit::EventTime(), windowNumber, nil, 0,
                                           clickCount, 1.0f);
  if (e != nullptr) NSEventAccess::setClicks(e, clickCount < 0 ? 0 : clickCount, subtype);
  return e;
}

}  // namespace nsx

