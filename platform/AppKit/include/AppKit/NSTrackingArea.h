// Regions of a view whose owner hears when the pointer enters and leaves
// (and moves, with NSTrackingMouseMoved). The owner is not retained.
// Main thread only.
#pragma once

#include <AppKit/NSResponder.h>

typedef NSUInteger NSTrackingAreaOptions;
enum : NSUInteger {
  NSTrackingMouseEnteredAndExited = 0x01,
  NSTrackingMouseMoved = 0x02,
  NSTrackingCursorUpdate = 0x04,
  NSTrackingActiveWhenFirstResponder = 0x10,
  NSTrackingActiveInKeyWindow = 0x20,
  NSTrackingActiveInActiveApp = 0x40,
  NSTrackingActiveAlways = 0x80,
  NSTrackingAssumeInside = 0x100,
  NSTrackingInVisibleRect = 0x200,
  NSTrackingEnabledDuringMouseDrag = 0x400
};

class NSTrackingArea : public NSObject {
  NS_CLASS(NSTrackingArea, NSObject)
 public:
  NSTrackingArea* initWithRect(NSRect rect, NSTrackingAreaOptions options, NSResponder* owner, id userInfo);
  NSRect rect() const { return rect_; }
  NSTrackingAreaOptions options() const { return options_; }
  NSResponder* owner() const { return owner_; }
  id userInfo() const { return userInfo_; }
  void dealloc() override;

 protected:
  NSTrackingArea() = default;

 private:
  NSRect rect_ = NSZeroRect;
  NSTrackingAreaOptions options_ = 0;
  NSResponder* owner_ = nullptr;
  id userInfo_ = nil;  // retained
};
