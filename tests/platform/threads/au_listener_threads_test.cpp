// Event notifications sent from several threads while listeners come and go
// and the main run loop delivers the queued ones.
#include <AudioToolbox/AUEventLog.h>
#include <AudioToolbox/AudioToolbox.h>
#include <CoreFoundation/CFManualClock.h>
#include <CoreFoundation/CoreFoundation.h>
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

void Count(void* refCon, void*, const AudioUnitEvent*, UInt64, AudioUnitParameterValue) {
  static_cast<std::atomic<int>*>(refCon)->fetch_add(1);
}

TEST(AUListenerThreads, NotifyFromManyThreadsWhileListenersComeAndGo) {
  cfx::UseManualClock(false);
  AudioUnitEvent e{};
  e.mEventType = kAudioUnitEvent_PropertyChange;
  e.mArgument.mProperty = {nullptr, kAudioUnitProperty_Latency, kAudioUnitScope_Global, 0};

  std::atomic<int> onLoop{0}, immediate{0}, transient{0};
  AUEventListenerRef loopListener = nullptr, directListener = nullptr;
  ASSERT_EQ(AUEventListenerCreate(Count, &onLoop, CFRunLoopGetMain(), kCFRunLoopDefaultMode, 0, 0, &loopListener),
            noErr);
  ASSERT_EQ(AUEventListenerCreate(Count, &immediate, nullptr, nullptr, 0, 0, &directListener), noErr);
  ASSERT_EQ(AUEventListenerAddEventType(loopListener, nullptr, &e), noErr);
  ASSERT_EQ(AUEventListenerAddEventType(directListener, nullptr, &e), noErr);

  constexpr int kSenders = 4, kEach = 250;
  std::atomic<int> running{kSenders + 1};
  std::vector<std::thread> threads;
  for (int t = 0; t < kSenders; ++t)
    threads.emplace_back([&] {
      for (int i = 0; i < kEach; ++i) AUEventListenerNotify(nullptr, nullptr, &e);
      running.fetch_sub(1);
    });
  threads.emplace_back([&] {  // listeners created, subscribed and disposed of meanwhile
    for (int i = 0; i < 100; ++i) {
      AUEventListenerRef l = nullptr;
      if (AUEventListenerCreate(Count, &transient, i % 2 ? CFRunLoopGetMain() : nullptr, nullptr, 0, 0, &l) != noErr)
        continue;
      AUEventListenerAddEventType(l, nullptr, &e);
      AUListenerDispose(l);
    }
    running.fetch_sub(1);
  });
  while (running.load() > 0) cfx::PumpMainRunLoop();
  for (auto& t : threads) t.join();
  for (int i = 0; i < 10 && onLoop.load() < kSenders * kEach; ++i) cfx::PumpMainRunLoop();

  EXPECT_EQ(immediate.load(), kSenders * kEach);
  EXPECT_EQ(onLoop.load(), kSenders * kEach);  // every queued event reaches the run loop once
  EXPECT_EQ(AUListenerDispose(loopListener), noErr);
  EXPECT_EQ(AUListenerDispose(directListener), noErr);
  cfx::PumpMainRunLoop();  // a delivery still queued for a disposed listener calls nobody
  EXPECT_EQ(onLoop.load(), kSenders * kEach);
  atx::ClearNotifiedEvents();
}

}  // namespace
