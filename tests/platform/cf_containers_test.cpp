// Arrays and dictionaries: callback counts, ownership and bounds.
#include <CoreFoundation/CFLiveObjects.h>
#include <CoreFoundation/CoreFoundation.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Counts callback calls; values are plain ints owned by the test.
struct Counts {
  int retains = 0;
  int releases = 0;
  int equals = 0;
  int hashes = 0;
};
Counts g_counts;

const void* CountRetain(CFAllocatorRef, const void* v) {
  ++g_counts.retains;
  return v;
}
void CountRelease(CFAllocatorRef, const void*) { ++g_counts.releases; }
Boolean IntEqual(const void* a, const void* b) {
  ++g_counts.equals;
  return *static_cast<const int*>(a) == *static_cast<const int*>(b);
}
CFHashCode IntHash(const void* v) {
  ++g_counts.hashes;
  return static_cast<CFHashCode>(*static_cast<const int*>(v) % 3);  // many collisions on purpose
}

const CFArrayCallBacks kIntArray = {0, CountRetain, CountRelease, nullptr, IntEqual};
const CFDictionaryKeyCallBacks kIntKeys = {0, CountRetain, CountRelease, nullptr, IntEqual, IntHash};
const CFDictionaryValueCallBacks kIntValues = {0, CountRetain, CountRelease, nullptr, IntEqual};

TEST(CFArray, CustomCallbacksCalledOncePerStoredValue) {
  g_counts = {};
  int values[5] = {10, 20, 30, 20, 50};
  const void* ptrs[5] = {&values[0], &values[1], &values[2], &values[3], &values[4]};
  CFArrayRef a = CFArrayCreate(nullptr, ptrs, 3, &kIntArray);
  EXPECT_EQ(g_counts.retains, 3);
  CFMutableArrayRef m = CFArrayCreateMutableCopy(nullptr, 0, a);
  EXPECT_EQ(g_counts.retains, 6);
  CFArrayAppendValue(m, ptrs[3]);
  CFArrayInsertValueAtIndex(m, 0, ptrs[4]);
  EXPECT_EQ(g_counts.retains, 8);
  EXPECT_EQ(CFArrayGetCount(m), 5);
  EXPECT_EQ(CFArrayGetValueAtIndex(m, 0), ptrs[4]);
  // Equal by value, through the callback: 20 is found at index 2 (first) and twice.
  int probe = 20;
  EXPECT_EQ(CFArrayGetFirstIndexOfValue(m, CFRangeMake(0, 5), &probe), 2);
  EXPECT_EQ(CFArrayGetCountOfValue(m, CFRangeMake(0, 5), &probe), 2);
  EXPECT_EQ(CFArrayGetFirstIndexOfValue(m, CFRangeMake(3, 5), &probe), kCFNotFound);  // range past the end

  CFArraySetValueAtIndex(m, 1, ptrs[2]);  // replaces 10: one retain, one release
  EXPECT_EQ(g_counts.retains, 9);
  EXPECT_EQ(g_counts.releases, 1);
  CFArrayRemoveValueAtIndex(m, 0);
  CFArrayRemoveValueAtIndex(m, 10);  // out of range: ignored
  EXPECT_EQ(g_counts.releases, 2);
  EXPECT_EQ(CFArrayGetValueAtIndex(m, 10), nullptr);
  EXPECT_EQ(CFArrayGetValueAtIndex(m, -1), nullptr);

  // Immutable arrays refuse mutation.
  CFArrayAppendValue(const_cast<CFMutableArrayRef>(a), ptrs[0]);
  EXPECT_EQ(CFArrayGetCount(a), 3);

  CFRelease(m);  // 4 left
  EXPECT_EQ(g_counts.releases, 6);
  CFRelease(a);
  EXPECT_EQ(g_counts.releases, 9);
  EXPECT_EQ(g_counts.retains, g_counts.releases);
}

TEST(CFArray, TypeCallbacksRetainObjectsAndCapacityHolds) {
  const long start = cfx::LiveObjectCount();
  CFStringRef s = CFStringCreateWithCString(nullptr, "x", kCFStringEncodingUTF8);
  CFMutableArrayRef m = CFArrayCreateMutable(nullptr, 2, &kCFTypeArrayCallBacks);
  CFArrayAppendValue(m, s);
  CFArrayAppendValue(m, s);
  CFArrayAppendValue(m, s);  // beyond the capacity of 2
  EXPECT_EQ(CFArrayGetCount(m), 2);
  EXPECT_EQ(CFGetRetainCount(s), 3);
  CFArrayRef copy = CFArrayCreateCopy(nullptr, m);
  EXPECT_TRUE(CFEqual(copy, m));
  EXPECT_EQ(CFGetRetainCount(s), 5);
  CFArrayRemoveAllValues(m);
  EXPECT_EQ(CFGetRetainCount(s), 3);
  CFRelease(copy);
  CFRelease(m);
  EXPECT_EQ(CFGetRetainCount(s), 1);
  CFRelease(s);
  EXPECT_EQ(cfx::LiveObjectCount(), start);

  // Without callbacks pointers are stored as they are.
  int x = 1;
  const void* p = &x;
  CFArrayRef raw = CFArrayCreate(nullptr, &p, 1, nullptr);
  EXPECT_EQ(CFArrayGetValueAtIndex(raw, 0), &x);
  CFRelease(raw);
  EXPECT_EQ(CFArrayCreate(nullptr, nullptr, 2, nullptr), nullptr);
  EXPECT_EQ(CFArrayCreate(nullptr, &p, -1, nullptr), nullptr);
}

TEST(CFDictionary, CustomCallbacksAndCollidingHashes) {
  g_counts = {};
  std::vector<int> keys(100), values(100);
  CFMutableDictionaryRef d = CFDictionaryCreateMutable(nullptr, 0, &kIntKeys, &kIntValues);
  for (int i = 0; i < 100; ++i) {
    keys[i] = i;
    values[i] = i * 10;
    CFDictionarySetValue(d, &keys[i], &values[i]);
  }
  EXPECT_EQ(CFDictionaryGetCount(d), 100);
  EXPECT_EQ(g_counts.retains, 200);
  int probe = 42;  // a different object with an equal value finds the entry
  ASSERT_NE(CFDictionaryGetValue(d, &probe), nullptr);
  EXPECT_EQ(*static_cast<const int*>(CFDictionaryGetValue(d, &probe)), 420);

  int replacement = -1;
  CFDictionarySetValue(d, &probe, &replacement);  // replace keeps the key: value retain + release
  EXPECT_EQ(g_counts.retains, 201);
  EXPECT_EQ(g_counts.releases, 1);
  EXPECT_EQ(CFDictionaryGetValue(d, &keys[42]), &replacement);
  CFDictionaryAddValue(d, &probe, &values[0]);  // present: no change
  EXPECT_EQ(CFDictionaryGetValue(d, &keys[42]), &replacement);
  int absent = 1000;
  CFDictionaryReplaceValue(d, &absent, &values[0]);  // absent: no change
  EXPECT_FALSE(CFDictionaryContainsKey(d, &absent));
  EXPECT_EQ(g_counts.retains, 201);

  // Removing every other entry keeps the rest reachable.
  for (int i = 0; i < 100; i += 2) CFDictionaryRemoveValue(d, &keys[i]);
  EXPECT_EQ(CFDictionaryGetCount(d), 50);
  EXPECT_EQ(g_counts.releases, 101);
  for (int i = 0; i < 100; ++i) EXPECT_EQ(CFDictionaryContainsKey(d, &keys[i]), i % 2 == 1) << i;
  EXPECT_GT(g_counts.hashes, 0);

  std::vector<const void*> k(50), v(50);
  CFDictionaryGetKeysAndValues(d, k.data(), v.data());
  for (int i = 0; i < 50; ++i) EXPECT_EQ(*static_cast<const int*>(k[i]) % 2, 1);
  CFRelease(d);
  EXPECT_EQ(g_counts.retains, g_counts.releases);
}

TEST(CFDictionary, TypeCallbacksCopyStringKeysAndEquality) {
  const long start = cfx::LiveObjectCount();
  CFStringRef key = CFStringCreateWithCString(nullptr, "name", kCFStringEncodingUTF8);
  const SInt32 one = 1;
  CFNumberRef value = CFNumberCreate(nullptr, kCFNumberSInt32Type, &one);
  CFMutableDictionaryRef d =
      CFDictionaryCreateMutable(nullptr, 0, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks);
  CFDictionarySetValue(d, key, value);
  EXPECT_EQ(CFGetRetainCount(key), 2);
  EXPECT_EQ(CFGetRetainCount(value), 2);
  EXPECT_EQ(CFDictionaryGetValue(d, CFSTR("name")), value);  // equal key, other object
  EXPECT_TRUE(CFDictionaryContainsValue(d, value));

  // Keys and values given twice: the last value wins, counts stay balanced.
  const void* keys[2] = {key, CFSTR("name")};
  const void* values[2] = {kCFBooleanTrue, value};
  CFDictionaryRef fixed = CFDictionaryCreate(nullptr, keys, values, 2, &kCFCopyStringDictionaryKeyCallBacks,
                                             &kCFTypeDictionaryValueCallBacks);
  EXPECT_EQ(CFDictionaryGetCount(fixed), 1);
  EXPECT_EQ(CFDictionaryGetValue(fixed, key), value);
  EXPECT_TRUE(CFEqual(fixed, d));
  CFDictionaryRemoveValue(const_cast<CFMutableDictionaryRef>(fixed), key);  // immutable: ignored
  EXPECT_EQ(CFDictionaryGetCount(fixed), 1);

  CFMutableDictionaryRef limited = CFDictionaryCreateMutable(nullptr, 1, &kCFTypeDictionaryKeyCallBacks, nullptr);
  CFDictionarySetValue(limited, CFSTR("a"), nullptr);
  CFDictionarySetValue(limited, CFSTR("b"), nullptr);  // beyond capacity
  EXPECT_EQ(CFDictionaryGetCount(limited), 1);

  CFRelease(limited);
  CFRelease(fixed);
  CFRelease(d);
  CFRelease(value);
  CFRelease(key);
  EXPECT_EQ(cfx::LiveObjectCount(), start);
  EXPECT_EQ(CFDictionaryCreate(nullptr, nullptr, nullptr, 1, nullptr, nullptr), nullptr);
}

}  // namespace
