// The runtime's thread-safe parts: reference counts and autorelease pools on
// many threads, the notification center while observers come and go, and
// one font descriptor matched from several threads at once.
#include <CoreFoundation/CFLiveObjects.h>
#include <CoreText/CoreText.h>
#include <Foundation/Foundation.h>
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

class Listener : public NSObject {
  NS_CLASS(Listener, NSObject)
 public:
  std::atomic<int> heard{0};
  void onNote(NSNotification*) { heard.fetch_add(1); }
};

}  // namespace

NS_IMPLEMENT_CLASS(Listener, {nsx::method<&Listener::onNote>("onNote:")})

namespace {

TEST(RuntimeThreadsTest, RetainsReleasesAndPoolsOnManyThreads) {
  const long live = nsx::LiveObjectCount();
  NSObject* shared = NSObject::alloc();
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([shared] {
      for (int i = 0; i < 2000; ++i) {
        nsx::AutoreleasePool pool;
        shared->retain()->autorelease();
        NSString::stringWithFormat(NSSTR("%d"), i);
      }
    });
  for (auto& t : threads) t.join();
  EXPECT_EQ(shared->retainCount(), 1u);
  shared->release();
  EXPECT_EQ(nsx::LiveObjectCount(), live);
}

TEST(RuntimeThreadsTest, PostingWhileObserversComeAndGo) {
  Listener* steady = Listener::alloc();
  NSNotificationCenter* center = NSNotificationCenter::defaultCenter();
  center->addObserver(steady, sel_registerName("onNote:"), NSSTR("Tick"), nil);
  std::atomic<bool> stop{false};
  std::thread churn([&] {
    while (!stop.load()) {
      Listener* l = Listener::alloc();
      center->addObserver(l, sel_registerName("onNote:"), NSSTR("Tick"), nil);
      center->removeObserver(l);
      l->release();
    }
  });
  std::vector<std::thread> posters;
  for (int t = 0; t < 3; ++t)
    posters.emplace_back([&] {
      for (int i = 0; i < 500; ++i) {
        nsx::AutoreleasePool pool;
        center->postNotificationName(NSSTR("Tick"), nil);
      }
    });
  for (auto& t : posters) t.join();
  stop.store(true);
  churn.join();
  EXPECT_EQ(steady->heard.load(), 1500);
  center->removeObserver(steady);
  steady->release();
}

TEST(RuntimeThreadsTest, OneDescriptorMatchedFromSeveralThreads) {
  const long live = cfx::LiveObjectCount();
  const void* keys[] = {kCTFontFamilyNameAttribute};
  const void* values[] = {CFSTR("DejaVu Sans")};
  CFDictionaryRef attrs =
      CFDictionaryCreate(nullptr, keys, values, 1, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks);
  CTFontDescriptorRef d = CTFontDescriptorCreateWithAttributes(attrs);
  std::vector<std::thread> threads;
  std::atomic<int> found{0};
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&] {
      CFTypeRef url = CTFontDescriptorCopyAttribute(d, kCTFontURLAttribute);
      if (url != nullptr) {
        found.fetch_add(1);
        CFRelease(url);
      }
    });
  for (auto& t : threads) t.join();
  EXPECT_TRUE(found.load() == 0 || found.load() == 4);  // all or none see the one match
  CFRelease(d);
  CFRelease(attrs);
  EXPECT_EQ(cfx::LiveObjectCount(), live);
}

}  // namespace
