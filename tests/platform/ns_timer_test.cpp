// Timers on the run loop's manual clock and notifications: nothing sleeps.
#include <CoreFoundation/CFLiveObjects.h>
#include <CoreFoundation/CFManualClock.h>
#include <Foundation/Foundation.h>
#include <gtest/gtest.h>

#include <vector>

namespace {

class Ticker : public NSObject {
  NS_CLASS(Ticker, NSObject)
 public:
  std::vector<double> times;
  int stopAfter = -1;
  void onTimer(NSTimer* timer) {
    times.push_back(CFAbsoluteTimeGetCurrent());
    if (stopAfter >= 0 && static_cast<int>(times.size()) >= stopAfter) timer->invalidate();
  }
  void onNote(NSNotification* n) {
    notes.push_back(n->name()->utf8());
    if (removeOnNote != nullptr) NSNotificationCenter::defaultCenter()->removeObserver(removeOnNote);
  }
  std::vector<std::string> notes;
  Ticker* removeOnNote = nullptr;
};

}  // namespace

NS_IMPLEMENT_CLASS(Ticker, {nsx::method<&Ticker::onTimer>("onTimer:"), nsx::method<&Ticker::onNote>("onNote:")})

namespace {

class TimerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    cfx::UseManualClock(true, 100.0);
    ns_ = nsx::LiveObjectCount();
    cf_ = cfx::LiveObjectCount();
  }
  void TearDown() override {
    EXPECT_EQ(nsx::LiveObjectCount(), ns_);
    EXPECT_EQ(cfx::LiveObjectCount(), cf_);
    cfx::UseManualClock(false);
  }
  long ns_ = 0, cf_ = 0;
};

TEST_F(TimerTest, RepeatingTimerFiresEachIntervalUntilInvalidated) {
  Ticker* t = Ticker::alloc();
  {
    nsx::AutoreleasePool pool;
    NSTimer* timer = NSTimer::timerWithTimeInterval(1.0 / 60, t, sel_registerName("onTimer:"), nil, YES);
    NSRunLoop::currentRunLoop()->addTimer(timer, NSRunLoopCommonModes);
    timer->retain();
    EXPECT_EQ(t->retainCount(), 2u);  // the timer holds its target while valid
    cfx::RunMainRunLoopFor(0.1);
    ASSERT_EQ(t->times.size(), 6u);
    EXPECT_NEAR(t->times[0], 100.0 + 1.0 / 60, 1e-9);
    EXPECT_NEAR(t->times[5] - t->times[4], 1.0 / 60, 1e-9);
    timer->invalidate();
    EXPECT_FALSE(timer->isValid());
    EXPECT_EQ(t->retainCount(), 1u);
    cfx::RunMainRunLoopFor(0.1);
    EXPECT_EQ(t->times.size(), 6u);
    timer->release();
  }
  t->release();
}

TEST_F(TimerTest, TargetMayInvalidateItsTimerWhileItFiresAndOneShotTimersStop) {
  Ticker* t = Ticker::alloc();
  t->stopAfter = 3;
  {
    nsx::AutoreleasePool pool;
    NSTimer::scheduledTimerWithTimeInterval(0.01, t, sel_registerName("onTimer:"), nil, YES);
    NSTimer* once = NSTimer::scheduledTimerWithTimeInterval(0.005, t, sel_registerName("onTimer:"), nil, NO);
    once->retain();
    cfx::RunMainRunLoopFor(1.0);
    EXPECT_FALSE(once->isValid());
    once->release();
  }
  EXPECT_EQ(t->times.size(), 3u);  // the one-shot, then two of the repeating one
  t->release();
}

TEST_F(TimerTest, ObserversHearPostsAndOneRemovedDuringDeliveryIsNotCalled) {
  Ticker* a = Ticker::alloc();
  Ticker* b = Ticker::alloc();
  a->removeOnNote = b;
  NSNotificationCenter* center = NSNotificationCenter::defaultCenter();
  {
    nsx::AutoreleasePool pool;
    center->addObserver(a, sel_registerName("onNote:"), NSSTR("Ping"), nil);
    center->addObserver(b, sel_registerName("onNote:"), NSSTR("Ping"), nil);
    center->addObserver(b, sel_registerName("onNote:"), nil, a);  // any name, from a only
    center->postNotificationName(NSSTR("Ping"), nil);
    center->postNotificationName(NSSTR("Pong"), a);
  }
  EXPECT_EQ(a->notes, std::vector<std::string>{"Ping"});
  EXPECT_TRUE(b->notes.empty());
  center->removeObserver(a);
  a->release();
  b->release();
}

}  // namespace
