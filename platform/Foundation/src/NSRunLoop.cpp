#include <cmath>
#include <map>
#include <mutex>

#include <Foundation/NSConstantString.h>
#include <Foundation/NSRunLoop.h>

NS_IMPLEMENT_CLASS(NSRunLoop)
NS_IMPLEMENT_CLASS(NSTimer)

NSRunLoopMode const NSDefaultRunLoopMode = nsx::ConstantString("kCFRunLoopDefaultMode");
NSRunLoopMode const NSRunLoopCommonModes = nsx::ConstantString("kCFRunLoopCommonModes");

namespace {
CFStringRef ModeOf(NSRunLoopMode mode) { return mode != nullptr ? mode->cfString() : kCFRunLoopDefaultMode; }
}  // namespace

NSRunLoop* NSRunLoop::forLoop(CFRunLoopRef loop) {
  static std::mutex mutex;
  static auto* loops = new std::map<CFRunLoopRef, NSRunLoop*>();  // run loops live for the process
  std::lock_guard<std::mutex> lock(mutex);
  NSRunLoop*& r = (*loops)[loop];
  if (r == nullptr) {
    r = allocShared<NSRunLoop>();
    r->loop_ = loop;
  }
  return r;
}

NSRunLoop* NSRunLoop::currentRunLoop() { return forLoop(CFRunLoopGetCurrent()); }
NSRunLoop* NSRunLoop::mainRunLoop() { return forLoop(CFRunLoopGetMain()); }

void NSRunLoop::addTimer(NSTimer* timer, NSRunLoopMode mode) {
  if (timer == nullptr || !timer->valid_) return;
  CFRunLoopAddTimer(loop_, timer->cf_, ModeOf(mode));
  if (!timer->scheduled_) {
    timer->scheduled_ = true;
    timer->retain();  // the run loop's reference, given back at invalidate
  }
}

void NSRunLoop::runForSeconds(NSRunLoopMode mode, NSTimeInterval seconds) {
  CFRunLoopRunInMode(ModeOf(mode), seconds, false);
}

NSTimer* NSTimer::scheduledTimerWithTimeInterval(NSTimeInterval interval, id target, SEL selector, id userInfo,
                                                 BOOL repeats) {
  NSTimer* t = timerWithTimeInterval(interval, target, selector, userInfo, repeats);
  NSRunLoop::currentRunLoop()->addTimer(t, NSDefaultRunLoopMode);
  return t;
}

NSTimer* NSTimer::timerWithTimeInterval(NSTimeInterval interval, id target, SEL selector, id userInfo, BOOL repeats) {
  return static_cast<NSTimer*>(alloc()->initWith(interval, target, selector, userInfo, repeats)->autorelease());
}

NSTimer* NSTimer::initWith(NSTimeInterval interval, id target, SEL selector, id userInfo, BOOL repeats) {
  // As on the platform, an interval not above zero (or not a number) is 0.1 ms.
  interval_ = std::isfinite(interval) && interval > 0 ? interval : 0.0001;
  target_ = target != nullptr ? target->retain() : nil;
  selector_ = selector;
  userInfo_ = userInfo != nullptr ? userInfo->retain() : nil;
  repeats_ = repeats;
  CFRunLoopTimerContext context{0, this, nullptr, nullptr, nullptr};
  cf_ = CFRunLoopTimerCreate(nullptr, CFAbsoluteTimeGetCurrent() + interval_, repeats ? interval_ : 0.0, 0, 0,
                             &NSTimer::Callback, &context);
  if (cf_ == nullptr) valid_ = false;
  return this;
}

void NSTimer::Callback(CFRunLoopTimerRef, void* info) {
  nsx::AutoreleasePool pool;
  static_cast<NSTimer*>(info)->fire();
}

void NSTimer::fire() {
  if (!valid_) return;
  retain();  // the target may invalidate and drop the timer while it runs
  if (target_ != nullptr && selector_ != nullptr) target_->performSelector(selector_, this);
  if (!repeats_) invalidate();
  release();
}

void NSTimer::invalidate() {
  if (!valid_) return;
  valid_ = false;
  if (cf_ != nullptr) CFRunLoopTimerInvalidate(cf_);
  id target = target_;
  target_ = nil;
  if (target != nullptr) target->release();
  if (scheduled_) {
    scheduled_ = false;
    release();
  }
}

CFAbsoluteTime NSTimer::fireDate() const { return cf_ != nullptr ? CFRunLoopTimerGetNextFireDate(cf_) : 0.0; }

void NSTimer::dealloc() {
  if (cf_ != nullptr) {
    CFRunLoopTimerInvalidate(cf_);
    CFRelease(cf_);
  }
  if (target_ != nullptr) target_->release();
  if (userInfo_ != nullptr) userInfo_->release();
  NSObject::dealloc();
}
