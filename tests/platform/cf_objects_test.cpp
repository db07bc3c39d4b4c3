// Object model, strings, numbers and data of the CoreFoundation layer.
#include <CoreFoundation/CFLiveObjects.h>
#include <CoreFoundation/CoreFoundation.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>

namespace {

std::string Text(CFStringRef s) {
  const char* p = CFStringGetCStringPtr(s, kCFStringEncodingUTF8);
  return p != nullptr ? p : "<null>";
}

TEST(CFObjectModel, RetainReleaseBalanceAndLiveCounter) {
  const long start = cfx::LiveObjectCount();
  CFStringRef s = CFStringCreateWithCString(nullptr, "hello", kCFStringEncodingUTF8);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(cfx::LiveObjectCount(), start + 1);
  EXPECT_EQ(CFGetRetainCount(s), 1);
  EXPECT_EQ(CFRetain(s), static_cast<CFTypeRef>(s));
  EXPECT_EQ(CFGetRetainCount(s), 2);
  CFRelease(s);
  EXPECT_EQ(CFGetRetainCount(s), 1);
  EXPECT_EQ(CFGetTypeID(s), CFStringGetTypeID());
  CFRelease(s);
  EXPECT_EQ(cfx::LiveObjectCount(), start);

  // Constants are immortal and uncounted; null is ignored everywhere.
  CFStringRef c = CFSTR("constant");
  EXPECT_EQ(c, CFSTR("constant"));  // interned
  CFRelease(c);
  CFRelease(c);
  EXPECT_EQ(Text(c), "constant");
  CFRelease(kCFBooleanTrue);
  EXPECT_TRUE(CFBooleanGetValue(kCFBooleanTrue));
  CFRelease(nullptr);
  EXPECT_EQ(CFRetain(nullptr), nullptr);
  EXPECT_EQ(CFGetTypeID(nullptr), 0u);
  EXPECT_EQ(cfx::LiveObjectCount(), start);
}

TEST(CFObjectModel, WrongTypeArgumentsGiveSafeResults) {
  const SInt32 seven = 7;
  CFNumberRef n = CFNumberCreate(nullptr, kCFNumberSInt32Type, &seven);
  EXPECT_EQ(CFStringGetLength(reinterpret_cast<CFStringRef>(n)), 0);
  EXPECT_EQ(CFDataGetLength(reinterpret_cast<CFDataRef>(n)), 0);
  EXPECT_EQ(CFArrayGetCount(reinterpret_cast<CFArrayRef>(n)), 0);
  EXPECT_EQ(CFDictionaryGetValue(reinterpret_cast<CFDictionaryRef>(n), CFSTR("k")), nullptr);
  char buf[8] = "xxxxxxx";
  EXPECT_FALSE(CFStringGetCString(reinterpret_cast<CFStringRef>(n), buf, sizeof buf, kCFStringEncodingUTF8));
  EXPECT_EQ(buf[0], '\0');
  EXPECT_FALSE(CFEqual(n, CFSTR("7")));
  CFRelease(n);
}

TEST(CFString, EncodingsLengthsAndConversions) {
  const long start = cfx::LiveObjectCount();
  // "é" and a character outside the basic plane (two UTF-16 units).
  CFStringRef s = CFStringCreateWithCString(nullptr, "caf\xC3\xA9 \xF0\x9F\x8E\xB5", kCFStringEncodingUTF8);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(CFStringGetLength(s), 7);
  EXPECT_EQ(CFStringGetCharacterAtIndex(s, 3), 0xE9);
  EXPECT_EQ(CFStringGetCharacterAtIndex(s, 99), 0);

  char buf[16];
  EXPECT_TRUE(CFStringGetCString(s, buf, sizeof buf, kCFStringEncodingUTF8));
  EXPECT_STREQ(buf, "caf\xC3\xA9 \xF0\x9F\x8E\xB5");
  EXPECT_FALSE(CFStringGetCString(s, buf, 10, kCFStringEncodingUTF8));  // 10 bytes + terminator do not fit
  EXPECT_EQ(buf[0], '\0');
  EXPECT_FALSE(CFStringGetCString(s, buf, sizeof buf, kCFStringEncodingASCII));
  EXPECT_FALSE(CFStringGetCString(s, buf, sizeof buf, kCFStringEncodingISOLatin1));  // the note is not Latin 1
  CFRelease(s);

  CFStringRef latin = CFStringCreateWithCString(nullptr, "caf\xE9", kCFStringEncodingISOLatin1);
  ASSERT_NE(latin, nullptr);
  EXPECT_EQ(Text(latin), "caf\xC3\xA9");
  EXPECT_TRUE(CFStringGetCString(latin, buf, sizeof buf, kCFStringEncodingISOLatin1));
  EXPECT_STREQ(buf, "caf\xE9");
  CFRelease(latin);

  CFStringRef euro = CFStringCreateWithCString(nullptr, "\x80", kCFStringEncodingWindowsLatin1);
  ASSERT_NE(euro, nullptr);
  EXPECT_EQ(CFStringGetCharacterAtIndex(euro, 0), 0x20AC);
  CFRelease(euro);

  // Invalid UTF-8 (overlong, surrogate, truncated, stray continuation) is refused.
  for (const char* bad : {"\xC0\xAF", "\xED\xA0\x80", "abc\xE2\x82", "\x80", "\xF5\x80\x80\x80"})
    EXPECT_EQ(CFStringCreateWithCString(nullptr, bad, kCFStringEncodingUTF8), nullptr) << bad;
  EXPECT_EQ(CFStringCreateWithCString(nullptr, "\xE9", kCFStringEncodingASCII), nullptr);
  EXPECT_EQ(CFStringCreateWithCString(nullptr, nullptr, kCFStringEncodingUTF8), nullptr);
  EXPECT_EQ(CFStringCreateWithBytes(nullptr, nullptr, 3, kCFStringEncodingUTF8, false), nullptr);
  EXPECT_EQ(cfx::LiveObjectCount(), start);
}

TEST(CFString, CompareEqualHashAndFormat) {
  CFStringRef a = CFStringCreateWithCString(nullptr, "Logic", kCFStringEncodingUTF8);
  EXPECT_EQ(CFStringCompare(a, CFSTR("Logic"), 0), kCFCompareEqualTo);
  EXPECT_EQ(CFStringCompare(a, CFSTR("logic"), 0), kCFCompareLessThan);
  EXPECT_EQ(CFStringCompare(a, CFSTR("LOGIC"), kCFCompareCaseInsensitive), kCFCompareEqualTo);
  EXPECT_EQ(CFStringCompare(a, CFSTR("Logic Pro"), 0), kCFCompareLessThan);
  EXPECT_EQ(CFStringCompare(CFSTR("b"), CFSTR("a"), 0), kCFCompareGreaterThan);
  EXPECT_TRUE(CFEqual(a, CFSTR("Logic")));
  EXPECT_EQ(CFHash(a), CFHash(CFSTR("Logic")));
  EXPECT_TRUE(CFStringHasPrefix(a, CFSTR("Lo")));
  EXPECT_FALSE(CFStringHasPrefix(CFSTR("L"), CFSTR("Lo")));
  EXPECT_TRUE(CFStringHasSuffix(a, CFSTR("gic")));
  // An unpaired surrogate is not the replacement character it prints as.
  const UniChar lone[] = {u'x', 0xD800}, replacement[] = {u'x', 0xFFFD};
  CFStringRef l = CFStringCreateWithCharacters(nullptr, lone, 2);
  CFStringRef r = CFStringCreateWithCharacters(nullptr, replacement, 2);
  EXPECT_FALSE(CFEqual(l, r));
  EXPECT_NE(CFStringCompare(l, r, 0), kCFCompareEqualTo);
  CFRelease(l);
  CFRelease(r);

  SInt32 v = 12;
  CFNumberRef n = CFNumberCreate(nullptr, kCFNumberSInt32Type, &v);
  CFStringRef f = CFStringCreateWithFormat(nullptr, nullptr, CFSTR("n=%d %5.2f %s %@ %@ 100%% %lld"), 3, 2.5, "x", a,
                                           n, 1LL << 40);
  EXPECT_EQ(Text(f), "n=3  2.50 x Logic 12 100% 1099511627776");
  CFRelease(f);
  f = CFStringCreateWithFormat(nullptr, nullptr, CFSTR("AUPreset:\npreset number = %d\npreset name = %@"), 4, a);
  EXPECT_EQ(Text(f), "AUPreset:\npreset number = 4\npreset name = Logic");
  CFRelease(f);
  f = CFStringCreateWithFormat(nullptr, nullptr, CFSTR("%@|%k|%"), nullptr);
  EXPECT_EQ(Text(f), "(null)|%k|%");
  CFRelease(f);
  CFRelease(n);
  CFRelease(a);
}

TEST(CFNumber, ConversionsReportLoss) {
  const SInt32 i32 = 70000;
  CFNumberRef n = CFNumberCreate(nullptr, kCFNumberSInt32Type, &i32);
  SInt16 i16 = 0;
  EXPECT_FALSE(CFNumberGetValue(n, kCFNumberSInt16Type, &i16));
  EXPECT_EQ(i16, 32767);  // saturated, not wrapped
  SInt64 i64 = 0;
  EXPECT_TRUE(CFNumberGetValue(n, kCFNumberSInt64Type, &i64));
  EXPECT_EQ(i64, 70000);
  double d = 0;
  EXPECT_TRUE(CFNumberGetValue(n, kCFNumberFloat64Type, &d));
  EXPECT_EQ(d, 70000.0);
  EXPECT_EQ(CFNumberGetType(n), kCFNumberSInt32Type);
  EXPECT_FALSE(CFNumberIsFloatType(n));
  CFRelease(n);

  const double half = 2.5;
  n = CFNumberCreate(nullptr, kCFNumberDoubleType, &half);
  SInt32 out = 0;
  EXPECT_FALSE(CFNumberGetValue(n, kCFNumberSInt32Type, &out));
  EXPECT_EQ(out, 2);
  float f = 0;
  EXPECT_TRUE(CFNumberGetValue(n, kCFNumberFloat32Type, &f));
  EXPECT_EQ(CFNumberGetType(n), kCFNumberFloat64Type);
  CFRelease(n);

  const double tenth = 0.1;
  n = CFNumberCreate(nullptr, kCFNumberFloat64Type, &tenth);
  EXPECT_FALSE(CFNumberGetValue(n, kCFNumberFloat32Type, &f));  // not exact in single precision
  CFRelease(n);

  const double nan = std::numeric_limits<double>::quiet_NaN();
  n = CFNumberCreate(nullptr, kCFNumberFloat64Type, &nan);
  out = 5;
  EXPECT_FALSE(CFNumberGetValue(n, kCFNumberSInt32Type, &out));
  EXPECT_EQ(out, 0);
  CFRelease(n);

  const SInt64 big = (1LL << 53) + 1;
  n = CFNumberCreate(nullptr, kCFNumberSInt64Type, &big);
  EXPECT_FALSE(CFNumberGetValue(n, kCFNumberFloat64Type, &d));
  CFRelease(n);

  // Equal values of different types are equal and hash alike.
  const SInt32 three = 3;
  const double threeD = 3.0;
  CFNumberRef a = CFNumberCreate(nullptr, kCFNumberSInt32Type, &three);
  CFNumberRef b = CFNumberCreate(nullptr, kCFNumberFloat64Type, &threeD);
  EXPECT_TRUE(CFEqual(a, b));
  EXPECT_EQ(CFHash(a), CFHash(b));
  EXPECT_EQ(CFNumberCompare(a, b, nullptr), kCFCompareEqualTo);
  CFRelease(a);
  CFRelease(b);

  EXPECT_EQ(CFNumberCreate(nullptr, 99, &three), nullptr);
  EXPECT_EQ(CFNumberCreate(nullptr, kCFNumberSInt32Type, nullptr), nullptr);
}

// Values at the edges of what a number or string can hold: no undefined
// conversion, no overflowing size, and equal numbers hash alike.
TEST(CFNumber, ValuesBeyondTheTargetRangeAndNaNKeys) {
  const double huge = 1e300;
  CFNumberRef n = CFNumberCreate(nullptr, kCFNumberFloat64Type, &huge);
  float f = 0;
  EXPECT_FALSE(CFNumberGetValue(n, kCFNumberFloat32Type, &f));
  EXPECT_EQ(f, std::numeric_limits<float>::infinity());
  CFRelease(n);
  const double tiny = -1e300;
  n = CFNumberCreate(nullptr, kCFNumberFloat64Type, &tiny);
  EXPECT_FALSE(CFNumberGetValue(n, kCFNumberFloat32Type, &f));
  EXPECT_EQ(f, -std::numeric_limits<float>::infinity());
  CFRelease(n);
  const double edge = std::numeric_limits<float>::max();
  n = CFNumberCreate(nullptr, kCFNumberFloat64Type, &edge);
  EXPECT_TRUE(CFNumberGetValue(n, kCFNumberFloat32Type, &f));
  EXPECT_EQ(f, std::numeric_limits<float>::max());
  CFRelease(n);

  // Two NaNs with different payloads are equal, so one finds the other as a key.
  double nanA = std::numeric_limits<double>::quiet_NaN();
  double nanB = -std::numeric_limits<double>::quiet_NaN();
  CFNumberRef a = CFNumberCreate(nullptr, kCFNumberFloat64Type, &nanA);
  CFNumberRef b = CFNumberCreate(nullptr, kCFNumberFloat64Type, &nanB);
  EXPECT_TRUE(CFEqual(a, b));
  EXPECT_EQ(CFHash(a), CFHash(b));
  CFMutableDictionaryRef d =
      CFDictionaryCreateMutable(nullptr, 0, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks);
  CFDictionarySetValue(d, a, kCFBooleanTrue);
  EXPECT_EQ(CFDictionaryGetValue(d, b), kCFBooleanTrue);
  CFRelease(d);
  CFRelease(a);
  CFRelease(b);

  const CFIndex most = std::numeric_limits<CFIndex>::max();
  EXPECT_EQ(CFStringGetMaximumSizeForEncoding(10, kCFStringEncodingUTF8), 30);
  EXPECT_EQ(CFStringGetMaximumSizeForEncoding(most / 2, kCFStringEncodingUTF8), kCFNotFound);
  EXPECT_EQ(CFStringGetMaximumSizeForEncoding(most / 2 + 1, kCFStringEncodingUnicode), kCFNotFound);
  EXPECT_EQ(CFStringGetMaximumSizeForEncoding(most, kCFStringEncodingISOLatin1), most);
}

TEST(CFData, MutableDataBoundsAndCapacity) {
  const long start = cfx::LiveObjectCount();
  const UInt8 bytes[] = {1, 2, 3, 4};
  CFDataRef d = CFDataCreate(nullptr, bytes, 4);
  EXPECT_EQ(CFDataGetLength(d), 4);
  UInt8 out[4] = {};
  CFDataGetBytes(d, CFRangeMake(1, 2), out);
  EXPECT_EQ(out[0], 2);
  EXPECT_EQ(out[1], 3);
  out[0] = 9;
  CFDataGetBytes(d, CFRangeMake(3, 2), out);  // runs past the end: nothing copied
  EXPECT_EQ(out[0], 9);
  EXPECT_EQ(CFDataGetMutableBytePtr(const_cast<CFMutableDataRef>(d)), nullptr);

  CFMutableDataRef m = CFDataCreateMutable(nullptr, 6);
  CFDataAppendBytes(m, bytes, 4);
  CFDataAppendBytes(m, bytes, 4);  // beyond the capacity: refused
  EXPECT_EQ(CFDataGetLength(m), 4);
  CFDataAppendBytes(m, CFDataGetBytePtr(m), 2);  // from itself
  EXPECT_EQ(CFDataGetLength(m), 6);
  EXPECT_EQ(CFDataGetBytePtr(m)[5], 2);
  CFDataSetLength(m, 2);
  EXPECT_EQ(CFDataGetLength(m), 2);
  CFDataSetLength(m, -1);
  EXPECT_EQ(CFDataGetLength(m), 2);
  CFDataIncreaseLength(m, std::numeric_limits<CFIndex>::max());  // the sum would overflow
  EXPECT_EQ(CFDataGetLength(m), 2);
  CFDataIncreaseLength(m, 3);
  EXPECT_EQ(CFDataGetLength(m), 5);
  EXPECT_EQ(CFDataGetBytePtr(m)[4], 0);
  CFDataSetLength(m, 2);
  EXPECT_EQ(CFDataCreate(nullptr, nullptr, 5), nullptr);
  EXPECT_EQ(CFDataCreate(nullptr, bytes, -1), nullptr);
  CFRelease(m);
  CFRelease(d);
  EXPECT_EQ(cfx::LiveObjectCount(), start);
}

}  // namespace
