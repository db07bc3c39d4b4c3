// Run loops (one per thread, over the CoreFoundation layer's) and timers.
// A timer fires only while its run loop runs; in tests the CoreFoundation
// layer's manual clock drives them (cfx::PumpMainRunLoop,
// cfx::RunMainRunLoopFor). Timer firings run inside an autorelease pool.
#pragma once

#include <CoreFoundation/CFRunLoop.h>
#include <Foundation/NSString.h>

class NSTimer;
typedef NSString* NSRunLoopMode;

extern NSRunLoopMode const NSDefaultRunLoopMode;
extern NSRunLoopMode const NSRunLoopCommonModes;

class NSRunLoop : public NSObject {
  NS_CLASS(NSRunLoop, NSObject)
 public:
  static NSRunLoop* currentRunLoop();  // shared
  static NSRunLoop* mainRunLoop();     // shared
  CFRunLoopRef getCFRunLoop() const { return loop_; }
  // The run loop keeps the timer (retained) until it is invalidated.
  void addTimer(NSTimer* timer, NSRunLoopMode mode);
  // Runs the loop in mode for up to seconds (CFRunLoopRunInMode).
  void runForSeconds(NSRunLoopMode mode, NSTimeInterval seconds);

 protected:
  NSRunLoop() = default;

 private:
  static NSRunLoop* forLoop(CFRunLoopRef loop);
  CFRunLoopRef loop_ = nullptr;
};

// Timers: first firing interval seconds after creation, then every interval
// seconds when repeating (a non-repeating timer invalidates itself after its
// firing). The timer retains its target until it is invalidated. Main
// thread, or the thread of its run loop.
class NSTimer : public NSObject {
  NS_CLASS(NSTimer, NSObject)
 public:
  // Scheduled on the current run loop in the default mode (autoreleased).
  static NSTimer* scheduledTimerWithTimeInterval(NSTimeInterval interval, id target, SEL selector, id userInfo,
                                                 BOOL repeats);
  // Not scheduled: add it to a run loop (autoreleased).
  static NSTimer* timerWithTimeInterval(NSTimeInterval interval, id target, SEL selector, id userInfo, BOOL repeats);

  // Calls the target's selector with the timer now (a non-repeating timer
  // is then invalidated).
  void fire();
  void invalidate();
  BOOL isValid() const { return valid_; }
  NSTimeInterval timeInterval() const { return interval_; }
  CFAbsoluteTime fireDate() const;
  id userInfo() const { return userInfo_; }
  void dealloc() override;

 protected:
  NSTimer() = default;

 private:
  friend class NSRunLoop;
  static void Callback(CFRunLoopTimerRef, void* info);
  NSTimer* initWith(NSTimeInterval interval, id target, SEL selector, id userInfo, BOOL repeats);

  CFRunLoopTimerRef cf_ = nullptr;
  NSTimeInterval interval_ = 0;
  id target_ = nil;    // retained while valid
  SEL selector_ = nullptr;
  id userInfo_ = nil;  // retained
  bool repeats_ = false;
  bool valid_ = true;
  bool scheduled_ = false;  // the run loop's reference is held
};
