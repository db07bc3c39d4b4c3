// Reference counts, run loops and the bundle registry used from several threads.
#include <CoreFoundation/CFBundleRegistry.h>
#include <CoreFoundation/CFLiveObjects.h>
#include <CoreFoundation/CFManualClock.h>
#include <CoreFoundation/CoreFoundation.h>
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace {

void CountFire(CFRunLoopTimerRef, void* info) { static_cast<std::atomic<int>*>(info)->fetch_add(1); }

TEST(CFThreads, ConcurrentRetainReleaseBalances) {
  const long start = cfx::LiveObjectCount();
  CFStringRef shared = CFStringCreateWithCString(nullptr, "shared", kCFStringEncodingUTF8);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([shared] {
      for (int i = 0; i < 10000; ++i) {
        CFRetain(shared);
        CFStringRef local = CFStringCreateWithFormat(nullptr, nullptr, CFSTR("%@-%d"), shared, i);
        CFRelease(local);
        CFRelease(shared);
      }
    });
  for (auto& t : threads) t.join();
  EXPECT_EQ(CFGetRetainCount(shared), 1);
  CFRelease(shared);
  EXPECT_EQ(cfx::LiveObjectCount(), start);
}

TEST(CFThreads, TimersAddedElsewhereFireOnTheirRunLoopsThread) {
  cfx::UseManualClock(true, 100.0);
  std::atomic<int> mainFired{0};
  std::atomic<int> workerFired{0};
  std::atomic<bool> workerOnOwnLoop{false};
  CFRunLoopTimerRef forMain = nullptr;
  std::thread worker([&] {
    // A timer for the main run loop, created and added from this thread.
    CFRunLoopTimerContext ctx = {0, &mainFired, nullptr, nullptr, nullptr};
    CFRunLoopTimerRef t = CFRunLoopTimerCreate(nullptr, 100.0, 0.02, 0, 0, CountFire, &ctx);
    CFRunLoopAddTimer(CFRunLoopGetMain(), t, kCFRunLoopCommonModes);
    forMain = t;
    // This thread's own loop runs only its own timers.
    workerOnOwnLoop = CFRunLoopGetCurrent() != CFRunLoopGetMain();
    CFRunLoopTimerContext own = {0, &workerFired, nullptr, nullptr, nullptr};
    CFRunLoopTimerRef mine = CFRunLoopTimerCreate(nullptr, 100.0, 0.0, 0, 0, CountFire, &own);
    CFRunLoopAddTimer(CFRunLoopGetCurrent(), mine, kCFRunLoopDefaultMode);
    CFRunLoopRunInMode(kCFRunLoopDefaultMode, 0.0, false);
    CFRelease(mine);
  });
  worker.join();
  EXPECT_TRUE(workerOnOwnLoop);
  EXPECT_EQ(workerFired, 1);
  EXPECT_EQ(mainFired, 0);  // nothing fires until the main loop is pumped
  EXPECT_EQ(cfx::PumpMainRunLoop(), 1);
  EXPECT_EQ(mainFired, 1);

  // The clock advanced from another thread makes the timer due again.
  std::thread clock([] { cfx::AdvanceManualClock(0.02); });
  clock.join();
  EXPECT_EQ(cfx::PumpMainRunLoop(), 1);
  EXPECT_EQ(mainFired, 2);
  CFRunLoopTimerInvalidate(forMain);
  CFRelease(forMain);
  cfx::AdvanceManualClock(1.0);
  EXPECT_EQ(cfx::PumpMainRunLoop(), 0);
  cfx::UseManualClock(false);
}

TEST(CFThreads, RegistryLookupsWhileRegistering) {
  std::atomic<bool> done{false};
  std::thread reader([&] {
    while (!done) {
      CFBundleRef b = CFBundleGetBundleWithIdentifier(CFSTR("com.example.test.threads"));
      if (b != nullptr) {
        EXPECT_NE(CFBundleGetIdentifier(b), nullptr);
      }
    }
  });
  for (int i = 0; i < 200; ++i) {
    cfx::BundleDescription d;
    d.identifier = "com.example.test.threads";
    d.bundlePath = "/tmp/threads-" + std::to_string(i);
    d.info = {{"CFBundleVersion", std::to_string(i)}};
    ASSERT_NE(cfx::RegisterBundle(d), nullptr);
  }
  done = true;
  reader.join();
  CFBundleRef last = CFBundleGetBundleWithIdentifier(CFSTR("com.example.test.threads"));
  EXPECT_TRUE(CFEqual(CFBundleGetValueForInfoDictionaryKey(last, kCFBundleVersionKey), CFSTR("199")));
  EXPECT_TRUE(cfx::UnregisterBundle("com.example.test.threads"));
}

}  // namespace
