#include "core/Timer.h"
#include "core/Timer_impl.h"

#include <CoreFoundation/CFManualClock.h>
#include <CoreFoundation/CoreFoundation.h>
#include <gtest/gtest.h>

using namespace fx;

namespace {

class TimerTest : public ::testing::Test
{
protected:
  void SetUp() override
  {
    cfx::UseManualClock(true, 5000.0);
    cfx::PumpMainRunLoop(); // nothing left over from other tests
  }
  void TearDown() override { cfx::UseManualClock(false); }
};

} // namespace

TEST_F(TimerTest, FiresAtOnceThenEveryIntervalWhilePumped)
{
  int ticks = 0;
  Timer* seen = nullptr;
  auto timer = Timer::Create([&](Timer& t) { ++ticks; seen = &t; }, 20);
  ASSERT_NE(timer, nullptr);
  EXPECT_EQ(ticks, 0); // nothing fires until the run loop runs

  EXPECT_EQ(cfx::PumpMainRunLoop(), 1);
  EXPECT_EQ(ticks, 1);
  EXPECT_EQ(seen, timer.get());
  EXPECT_EQ(cfx::PumpMainRunLoop(), 0); // not due again yet

  cfx::AdvanceManualClock(0.020);
  cfx::PumpMainRunLoop();
  EXPECT_EQ(ticks, 2);

  cfx::RunMainRunLoopFor(0.21); // due at +0.04 ... +0.22
  EXPECT_EQ(ticks, 12);

  timer->Stop();
  timer->Stop(); // harmless
  cfx::RunMainRunLoopFor(0.2);
  EXPECT_EQ(ticks, 12);
}

TEST_F(TimerTest, StopsFromItsCallbackAndOnDestruction)
{
  int ticks = 0;
  auto self = Timer::Create([&](Timer& t) { if (++ticks == 3) t.Stop(); }, 20);
  ASSERT_NE(self, nullptr);
  cfx::RunMainRunLoopFor(0.5);
  EXPECT_EQ(ticks, 3);
  EXPECT_FALSE(static_cast<Timer_impl*>(self.get())->IsRunning());

  int other = 0;
  auto t = Timer::Create([&](Timer&) { ++other; }, 10);
  cfx::PumpMainRunLoop();
  EXPECT_EQ(other, 1);
  t.reset();
  cfx::RunMainRunLoopFor(0.1);
  EXPECT_EQ(other, 1);
}

TEST_F(TimerTest, EmptyCallbackGivesNoTimer)
{
  EXPECT_EQ(Timer::Create(nullptr, 20), nullptr);
}
