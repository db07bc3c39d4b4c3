// Run loops and timers. Each thread has its own run loop; the main run loop
// belongs to the thread that loaded the layer. Timers fire only while their
// run loop is run (CFRunLoopRunInMode, or cfx::PumpMainRunLoop in tests),
// on that run loop's thread. Adding and invalidating timers is thread safe.
#pragma once

#include <CoreFoundation/CFBase.h>
#include <CoreFoundation/CFDate.h>
#include <CoreFoundation/CFString.h>

typedef struct OpaqueCFRunLoop* CFRunLoopRef;
typedef struct OpaqueCFRunLoopTimer* CFRunLoopTimerRef;
typedef CFStringRef CFRunLoopMode;

typedef void (*CFRunLoopTimerCallBack)(CFRunLoopTimerRef timer, void* info);

struct CFRunLoopTimerContext {
  CFIndex version;
  void* info;
  const void* (*retain)(const void* info);
  void (*release)(const void* info);
  CFStringRef (*copyDescription)(const void* info);
};

typedef SInt32 CFRunLoopRunResult;
enum {
  kCFRunLoopRunFinished = 1,  // no timer in that mode
  kCFRunLoopRunStopped = 2,   // CFRunLoopStop was called
  kCFRunLoopRunTimedOut = 3,  // the time ran out
  kCFRunLoopRunHandledSource = 4
};

extern "C" {

extern const CFRunLoopMode kCFRunLoopDefaultMode;
extern const CFRunLoopMode kCFRunLoopCommonModes;

CFTypeID CFRunLoopGetTypeID(void);
CFTypeID CFRunLoopTimerGetTypeID(void);

CFRunLoopRef CFRunLoopGetCurrent(void);  // not owned
CFRunLoopRef CFRunLoopGetMain(void);     // not owned
CFRunLoopMode CFRunLoopCopyCurrentMode(CFRunLoopRef rl);

// Runs the current thread's run loop in mode for up to seconds, firing due
// timers in order of their fire dates. With the manual clock the clock
// advances to each firing instead of the thread sleeping. With
// returnAfterSourceHandled the call returns after the first firing.
CFRunLoopRunResult CFRunLoopRunInMode(CFRunLoopMode mode, CFTimeInterval seconds, Boolean returnAfterSourceHandled);
void CFRunLoopStop(CFRunLoopRef rl);
void CFRunLoopWakeUp(CFRunLoopRef rl);

// A timer first firing at fireDate, then every interval seconds (0: once).
// context->info is kept (through context->retain when set) until the timer
// is freed. Missed firings are skipped, not fired in a burst.
CFRunLoopTimerRef CFRunLoopTimerCreate(CFAllocatorRef alloc, CFAbsoluteTime fireDate, CFTimeInterval interval,
                                       CFOptionFlags flags, CFIndex order, CFRunLoopTimerCallBack callout,
                                       CFRunLoopTimerContext* context);
void CFRunLoopAddTimer(CFRunLoopRef rl, CFRunLoopTimerRef timer, CFRunLoopMode mode);
void CFRunLoopRemoveTimer(CFRunLoopRef rl, CFRunLoopTimerRef timer, CFRunLoopMode mode);
Boolean CFRunLoopContainsTimer(CFRunLoopRef rl, CFRunLoopTimerRef timer, CFRunLoopMode mode);
// Removes the timer from every run loop; it never fires again.
void CFRunLoopTimerInvalidate(CFRunLoopTimerRef timer);
Boolean CFRunLoopTimerIsValid(CFRunLoopTimerRef timer);
CFAbsoluteTime CFRunLoopTimerGetNextFireDate(CFRunLoopTimerRef timer);
void CFRunLoopTimerSetNextFireDate(CFRunLoopTimerRef timer, CFAbsoluteTime fireDate);
CFTimeInterval CFRunLoopTimerGetInterval(CFRunLoopTimerRef timer);
Boolean CFRunLoopTimerDoesRepeat(CFRunLoopTimerRef timer);
void CFRunLoopTimerGetContext(CFRunLoopTimerRef timer, CFRunLoopTimerContext* context);

}  // extern "C"
