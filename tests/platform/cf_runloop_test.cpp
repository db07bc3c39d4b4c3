// Run-loop timers driven by the manual clock: nothing sleeps.
#include <CoreFoundation/CFLiveObjects.h>
#include <CoreFoundation/CFManualClock.h>
#include <CoreFoundation/CoreFoundation.h>
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

struct Log {
  std::vector<std::string> events;
  int retains = 0;
  int releases = 0;
};

struct Tick {
  Log* log;
  std::string name;
  int fired = 0;
  CFRunLoopTimerRef invalidateOnFire = nullptr;
};

void OnTimer(CFRunLoopTimerRef, void* info) {
  auto* t = static_cast<Tick*>(info);
  ++t->fired;
  t->log->events.push_back(t->name + "@" + std::to_string(static_cast<int>(CFAbsoluteTimeGetCurrent() * 1000 + 0.5)));
  if (t->invalidateOnFire != nullptr) CFRunLoopTimerInvalidate(t->invalidateOnFire);
}

const void* RetainTick(const void* info) {
  ++static_cast<const Tick*>(info)->log->retains;
  return info;
}
void ReleaseTick(const void* info) { ++static_cast<const Tick*>(info)->log->releases; }

CFRunLoopTimerRef MakeTimer(Tick& tick, double first, double interval) {
  CFRunLoopTimerContext context = {0, &tick, RetainTick, ReleaseTick, nullptr};
  return CFRunLoopTimerCreate(nullptr, first, interval, 0, 0, OnTimer, &context);
}

class RunLoopTest : public ::testing::Test {
 protected:
  void SetUp() override {
    cfx::UseManualClock(true, 0.0);
    start_ = cfx::LiveObjectCount();
  }
  void TearDown() override {
    EXPECT_EQ(cfx::LiveObjectCount(), start_);
    cfx::UseManualClock(false);
  }
  long start_ = 0;
};

TEST_F(RunLoopTest, TimersFireInOrderOnlyWhenPumped) {
  Log log;
  Tick a{&log, "a"}, b{&log, "b"};
  CFRunLoopTimerRef ta = MakeTimer(a, 0.0, 0.020);     // 20 ms repeating, first at once
  CFRunLoopTimerRef tb = MakeTimer(b, 0.030, 0.0);     // one shot at 30 ms
  CFRunLoopAddTimer(CFRunLoopGetMain(), ta, kCFRunLoopCommonModes);
  CFRunLoopAddTimer(CFRunLoopGetMain(), tb, kCFRunLoopDefaultMode);
  EXPECT_EQ(log.retains, 2);
  EXPECT_TRUE(log.events.empty());  // adding does not fire

  cfx::AdvanceManualClock(0.005);
  EXPECT_TRUE(log.events.empty());  // advancing alone does not fire
  EXPECT_EQ(cfx::PumpMainRunLoop(), 1);
  EXPECT_EQ(cfx::PumpMainRunLoop(), 0);  // each due timer fires once per pump
  EXPECT_EQ(cfx::RunMainRunLoopFor(0.050), 3);  // a@20, b@30, a@40; the clock ends at 55
  EXPECT_EQ(cfx::PumpMainRunLoop(), 0);
  cfx::AdvanceManualClock(0.005);
  EXPECT_EQ(cfx::PumpMainRunLoop(), 1);  // a@60
  EXPECT_EQ(log.events, (std::vector<std::string>{"a@5", "a@20", "b@30", "a@40", "a@60"}));
  EXPECT_FALSE(CFRunLoopTimerIsValid(tb));  // a one-shot timer is done after firing
  EXPECT_EQ(log.releases, 1);

  // A long stall fires a repeating timer once and skips the missed firings.
  cfx::AdvanceManualClock(1.0);
  EXPECT_EQ(cfx::PumpMainRunLoop(), 1);
  EXPECT_DOUBLE_EQ(CFRunLoopTimerGetNextFireDate(ta), 1.080);

  CFRunLoopTimerInvalidate(ta);
  CFRunLoopTimerInvalidate(ta);  // twice is harmless
  EXPECT_EQ(log.releases, 2);
  cfx::AdvanceManualClock(1.0);
  EXPECT_EQ(cfx::PumpMainRunLoop(), 0);
  CFRelease(ta);
  CFRelease(tb);
  EXPECT_EQ(log.retains, log.releases);
}

TEST_F(RunLoopTest, RunInModeRespectsModesStopAndSameTimeOrder) {
  Log log;
  Tick first{&log, "first"}, second{&log, "second"}, modal{&log, "modal"};
  CFRunLoopTimerRef t1 = MakeTimer(first, 0.010, 0.0);
  CFRunLoopTimerRef t2 = MakeTimer(second, 0.010, 0.0);  // same date: creation order decides
  CFRunLoopTimerRef tm = MakeTimer(modal, 0.005, 0.0);
  CFRunLoopRef rl = CFRunLoopGetCurrent();
  EXPECT_EQ(rl, CFRunLoopGetMain());
  CFRunLoopAddTimer(rl, t2, kCFRunLoopDefaultMode);
  CFRunLoopAddTimer(rl, t1, kCFRunLoopDefaultMode);
  CFRunLoopAddTimer(rl, tm, CFSTR("ModalMode"));
  EXPECT_TRUE(CFRunLoopContainsTimer(rl, t1, kCFRunLoopDefaultMode));
  EXPECT_FALSE(CFRunLoopContainsTimer(rl, tm, kCFRunLoopDefaultMode));

  EXPECT_EQ(CFRunLoopRunInMode(kCFRunLoopDefaultMode, 1.0, true), kCFRunLoopRunHandledSource);
  EXPECT_EQ(CFRunLoopRunInMode(kCFRunLoopDefaultMode, 1.0, false), kCFRunLoopRunFinished);
  EXPECT_EQ(log.events, (std::vector<std::string>{"first@10", "second@10"}));  // the modal timer waits
  EXPECT_EQ(CFRunLoopRunInMode(CFSTR("ModalMode"), 0.0, false), kCFRunLoopRunFinished);
  EXPECT_EQ(modal.fired, 1);

  // A timer in no mode that is run: the call times out after advancing the clock.
  Tick late{&log, "late"};
  CFRunLoopTimerRef tl = MakeTimer(late, 10.0, 0.0);
  CFRunLoopAddTimer(rl, tl, kCFRunLoopDefaultMode);
  const double before = CFAbsoluteTimeGetCurrent();
  EXPECT_EQ(CFRunLoopRunInMode(kCFRunLoopDefaultMode, 0.5, false), kCFRunLoopRunTimedOut);
  EXPECT_DOUBLE_EQ(CFAbsoluteTimeGetCurrent(), before + 0.5);
  // A span that is not a number waits for nothing (it used to run on for ever).
  Tick ticking{&log, "ticking"};
  CFRunLoopTimerRef tr = MakeTimer(ticking, 1.0, 1.0);
  CFRunLoopAddTimer(rl, tr, kCFRunLoopDefaultMode);
  const double beforeNaN = CFAbsoluteTimeGetCurrent();
  EXPECT_EQ(CFRunLoopRunInMode(kCFRunLoopDefaultMode, std::nan(""), false), kCFRunLoopRunTimedOut);
  EXPECT_EQ(CFAbsoluteTimeGetCurrent(), beforeNaN);
  EXPECT_EQ(ticking.fired, 0);
  CFRunLoopTimerInvalidate(tr);
  CFRelease(tr);
  CFRunLoopStop(rl);
  EXPECT_EQ(CFRunLoopRunInMode(kCFRunLoopDefaultMode, 100.0, false), kCFRunLoopRunStopped);
  EXPECT_EQ(late.fired, 0);
  CFRunLoopRemoveTimer(rl, tl, kCFRunLoopDefaultMode);
  EXPECT_FALSE(CFRunLoopContainsTimer(rl, tl, kCFRunLoopDefaultMode));
  EXPECT_TRUE(CFRunLoopTimerIsValid(tl));  // removed, not invalidated

  for (CFRunLoopTimerRef t : {t1, t2, tm, tl}) {
    CFRunLoopTimerInvalidate(t);
    CFRelease(t);
  }
  EXPECT_EQ(log.retains, log.releases);
}

TEST_F(RunLoopTest, CallbackMayInvalidateTimersAndReleaseItsOwn) {
  Log log;
  Tick killer{&log, "killer"}, victim{&log, "victim"};
  CFRunLoopTimerRef tk = MakeTimer(killer, 0.0, 0.01);
  CFRunLoopTimerRef tv = MakeTimer(victim, 0.0, 0.01);
  killer.invalidateOnFire = tv;
  CFRunLoopAddTimer(CFRunLoopGetMain(), tk, kCFRunLoopCommonModes);
  CFRunLoopAddTimer(CFRunLoopGetMain(), tv, kCFRunLoopCommonModes);
  CFRelease(tv);  // the run loop holds the victim alone now
  EXPECT_EQ(cfx::PumpMainRunLoop(), 1);  // the victim, due at the same time, no longer fires
  EXPECT_EQ(victim.fired, 0);
  killer.invalidateOnFire = tk;  // invalidates itself during its own callback
  EXPECT_EQ(cfx::RunMainRunLoopFor(0.1), 1);
  EXPECT_EQ(killer.fired, 2);
  CFRelease(tk);
  EXPECT_EQ(log.retains, log.releases);
}

}  // namespace
