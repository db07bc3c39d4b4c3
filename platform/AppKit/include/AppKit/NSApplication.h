// The application object, the AppKit version and the animation context.
// Main thread.
#pragma once

#include <AppKit/NSAppearance.h>

class NSEvent;
class NSWindow;

// The AppKit version of the system the layer stands for (macOS 10.15).
extern const double NSAppKitVersionNumber;
constexpr double NSAppKitVersionNumber10_10 = 1343;
constexpr double NSAppKitVersionNumber10_11 = 1404;
constexpr double NSAppKitVersionNumber10_13 = 1561;
constexpr double NSAppKitVersionNumber10_14 = 1671;
constexpr double NSAppKitVersionNumber10_15 = 1894;

typedef NSInteger NSModalResponse;
enum : NSInteger {
  NSModalResponseStop = -1000,
  NSModalResponseAbort = -1001,
  NSModalResponseContinue = -1002,
  NSModalResponseOK = 1,
  NSModalResponseCancel = 0
};

class NSApplication : public NSResponder {
  NS_CLASS(NSApplication, NSResponder)
 public:
  static NSApplication* sharedApplication();  // shared
  NSAppearance* effectiveAppearance() const;
  NSAppearance* appearance() const { return appearance_; }
  void setAppearance(NSAppearance* appearance);
  // The event a window is dispatching, or nil.
  NSEvent* currentEvent() const { return currentEvent_; }
  NSWindow* keyWindow() const;
  NSArray* windows() const;  // autoreleased

 protected:
  NSApplication() = default;

 private:
  friend class NSWindow;
  NSAppearance* appearance_ = nullptr;
  NSEvent* currentEvent_ = nullptr;
};

#define NSApp (NSApplication::sharedApplication())

// Prepares AppKit for use from a non-AppKit program; YES.
BOOL NSApplicationLoad();

class NSAnimationContext : public NSObject {
  NS_CLASS(NSAnimationContext, NSObject)
 public:
  static void beginGrouping();
  static void endGrouping();
  static NSAnimationContext* currentContext();  // shared
  NSTimeInterval duration() const { return duration_; }
  void setDuration(NSTimeInterval duration) { duration_ = duration; }

 protected:
  NSAnimationContext() = default;

 private:
  NSTimeInterval duration_ = 0.25;
};
