// XML property lists: round trips and rejection of malformed documents.
#include <CoreFoundation/CFLiveObjects.h>
#include <CoreFoundation/CoreFoundation.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace {

CFDataRef DataOf(const std::string& text) {
  return CFDataCreate(nullptr, reinterpret_cast<const UInt8*>(text.data()), static_cast<CFIndex>(text.size()));
}

std::string TextOf(CFDataRef data) {
  return std::string(reinterpret_cast<const char*>(CFDataGetBytePtr(data)), static_cast<size_t>(CFDataGetLength(data)));
}

// Reads a document; on failure returns null and the error description.
CFPropertyListRef Read(const std::string& text, std::string* message = nullptr,
                       CFOptionFlags options = kCFPropertyListImmutable) {
  CFDataRef data = DataOf(text);
  CFErrorRef error = nullptr;
  CFPropertyListFormat format = 0;
  CFPropertyListRef plist = CFPropertyListCreateWithData(nullptr, data, options, &format, &error);
  CFRelease(data);
  if (plist != nullptr) {
    EXPECT_EQ(error, nullptr);
    EXPECT_EQ(format, kCFPropertyListXMLFormat_v1_0);
  } else {
    EXPECT_NE(error, nullptr);
    EXPECT_EQ(CFErrorGetCode(error), kCFPropertyListReadCorruptError);
    CFStringRef d = CFErrorCopyDescription(error);
    if (message != nullptr) *message = CFStringGetCStringPtr(d, kCFStringEncodingUTF8);
    CFRelease(d);
    CFRelease(error);
  }
  return plist;
}

CFNumberRef Int(SInt64 v) { return CFNumberCreate(nullptr, kCFNumberSInt64Type, &v); }
CFNumberRef Real(double v) { return CFNumberCreate(nullptr, kCFNumberFloat64Type, &v); }

void Put(CFMutableDictionaryRef d, const char* key, CFTypeRef value) {
  CFStringRef k = CFStringCreateWithCString(nullptr, key, kCFStringEncodingUTF8);
  CFDictionarySetValue(d, k, value);
  CFRelease(k);
  CFRelease(value);
}

CFMutableDictionaryRef NewDict() {
  return CFDictionaryCreateMutable(nullptr, 0, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks);
}

TEST(CFPropertyList, NestedRoundTripIsEqualAndBalanced) {
  const long start = cfx::LiveObjectCount();
  CFMutableDictionaryRef root = NewDict();
  Put(root, "version", Int(0x20111));
  Put(root, "type", Int(static_cast<SInt64>(0x61756678)));
  Put(root, "negative", Int(std::numeric_limits<SInt64>::min()));
  Put(root, "name", CFStringCreateWithCString(nullptr, "Mix & <Master> \"A\" \xC3\xA9\r\n\ttab\x01", kCFStringEncodingUTF8));
  Put(root, "gain", Real(-0.1));
  Put(root, "tiny", Real(5e-324));
  Put(root, "inf", Real(std::numeric_limits<double>::infinity()));
  Put(root, "on", CFRetain(kCFBooleanTrue));
  Put(root, "off", CFRetain(kCFBooleanFalse));
  Put(root, "when", CFDateCreate(nullptr, 600000000.0));
  std::string blob;
  for (int i = 0; i < 1000; ++i) blob += static_cast<char>(i * 37);
  Put(root, "data", CFDataCreate(nullptr, reinterpret_cast<const UInt8*>(blob.data()), 1000));
  Put(root, "empty data", CFDataCreate(nullptr, nullptr, 0));
  CFMutableArrayRef list = CFArrayCreateMutable(nullptr, 0, &kCFTypeArrayCallBacks);
  CFMutableDictionaryRef inner = NewDict();
  Put(inner, "deep", CFArrayCreate(nullptr, nullptr, 0, &kCFTypeArrayCallBacks));
  CFArrayAppendValue(list, inner);
  CFArrayAppendValue(list, CFSTR(""));
  CFRelease(inner);
  Put(root, "list", list);
  Put(root, "empty dict", NewDict());

  CFErrorRef error = nullptr;
  CFDataRef xml = CFPropertyListCreateData(nullptr, root, kCFPropertyListXMLFormat_v1_0, 0, &error);
  ASSERT_NE(xml, nullptr);
  EXPECT_EQ(error, nullptr);
  const std::string text = TextOf(xml);
  EXPECT_EQ(text.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n", 0), 0u);
  EXPECT_NE(text.find("<plist version=\"1.0\">"), std::string::npos);
  EXPECT_LT(text.find("<key>data</key>"), text.find("<key>gain</key>"));  // keys written in order
  EXPECT_NE(text.find("<real>-0.1</real>"), std::string::npos);           // shortest exact text

  CFPropertyListRef back = Read(text);
  ASSERT_NE(back, nullptr);
  EXPECT_TRUE(CFEqual(back, root));
  SInt32 version = 0;
  EXPECT_TRUE(CFNumberGetValue(static_cast<CFNumberRef>(CFDictionaryGetValue(static_cast<CFDictionaryRef>(back),
                                                                             CFSTR("version"))),
                               kCFNumberSInt32Type, &version));
  EXPECT_EQ(version, 0x20111);
  // Immutable by default.
  CFDictionarySetValue(const_cast<CFMutableDictionaryRef>(static_cast<CFDictionaryRef>(back)), CFSTR("x"), CFSTR("y"));
  EXPECT_FALSE(CFDictionaryContainsKey(static_cast<CFDictionaryRef>(back), CFSTR("x")));
  CFRelease(back);

  back = Read(text, nullptr, kCFPropertyListMutableContainers);
  CFDictionarySetValue(const_cast<CFMutableDictionaryRef>(static_cast<CFDictionaryRef>(back)), CFSTR("x"), CFSTR("y"));
  EXPECT_TRUE(CFDictionaryContainsKey(static_cast<CFDictionaryRef>(back), CFSTR("x")));
  CFRelease(back);

  // NaN survives the trip (not equal to itself, so checked apart).
  CFNumberRef nan = Real(std::nan(""));
  CFDataRef nanXml = CFPropertyListCreateXMLData(nullptr, nan);
  CFPropertyListRef nanBack = Read(TextOf(nanXml));
  double v = 0;
  CFNumberGetValue(static_cast<CFNumberRef>(nanBack), kCFNumberFloat64Type, &v);
  EXPECT_TRUE(std::isnan(v));
  CFRelease(nanBack);
  CFRelease(nanXml);
  CFRelease(nan);

  CFRelease(xml);
  CFRelease(root);
  EXPECT_EQ(cfx::LiveObjectCount(), start);
}

TEST(CFPropertyList, WriterRefusesWhatIsNotAPropertyList) {
  const long start = cfx::LiveObjectCount();
  CFErrorRef error = nullptr;
  // A dictionary with a number key.
  CFMutableDictionaryRef d = NewDict();
  CFNumberRef key = Int(1);
  CFDictionarySetValue(d, key, CFSTR("v"));
  CFRelease(key);
  EXPECT_EQ(CFPropertyListCreateData(nullptr, d, kCFPropertyListXMLFormat_v1_0, 0, &error), nullptr);
  ASSERT_NE(error, nullptr);
  CFRelease(error);
  // An array that contains itself.
  CFMutableArrayRef loop = CFArrayCreateMutable(nullptr, 0, nullptr);
  CFArrayAppendValue(loop, loop);
  EXPECT_EQ(CFPropertyListCreateData(nullptr, loop, kCFPropertyListXMLFormat_v1_0, 0, &error), nullptr);
  CFRelease(error);
  EXPECT_FALSE(CFPropertyListIsValid(loop, kCFPropertyListXMLFormat_v1_0));
  // A URL is not a property-list type; the binary format is not written.
  CFURLRef url = CFURLCreateWithString(nullptr, CFSTR("https://example.com/"), nullptr);
  EXPECT_EQ(CFPropertyListCreateData(nullptr, url, kCFPropertyListXMLFormat_v1_0, 0, nullptr), nullptr);
  EXPECT_EQ(CFPropertyListCreateData(nullptr, CFSTR("x"), kCFPropertyListBinaryFormat_v1_0, 0, &error), nullptr);
  CFRelease(error);
  EXPECT_EQ(CFPropertyListCreateData(nullptr, nullptr, kCFPropertyListXMLFormat_v1_0, 0, nullptr), nullptr);
  CFRelease(url);
  CFRelease(loop);
  CFRelease(d);
  EXPECT_EQ(cfx::LiveObjectCount(), start);
}

TEST(CFPropertyList, ReaderAcceptsTheFormsHostsWrite) {
  const long start = cfx::LiveObjectCount();
  const std::string doc =
      "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" \"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
      "<!-- saved by a host -->\n"
      "<plist version=\"1.0\"><dict>\n"
      "  <key>a</key><integer> -0x10 </integer>\n"
      "  <key>b</key><string><![CDATA[<raw & text>]]>&#x41;&#66;</string>\n"
      "  <key>c</key><true></true>\n"
      "  <key>d</key><data>AAEC\n  Aw==</data>\n"
      "  <key>e</key><string/>\n"
      "  <key>f</key><real>1e3</real>\n"
      "  <key>g</key><date>2020-01-01T00:00:00Z</date>\n"
      "</dict></plist>\n";
  CFPropertyListRef p = Read(doc);
  ASSERT_NE(p, nullptr);
  auto d = static_cast<CFDictionaryRef>(p);
  SInt64 a = 0;
  CFNumberGetValue(static_cast<CFNumberRef>(CFDictionaryGetValue(d, CFSTR("a"))), kCFNumberSInt64Type, &a);
  EXPECT_EQ(a, -16);
  EXPECT_TRUE(CFEqual(CFDictionaryGetValue(d, CFSTR("b")), CFSTR("<raw & text>AB")));
  EXPECT_EQ(CFDictionaryGetValue(d, CFSTR("c")), kCFBooleanTrue);
  auto data = static_cast<CFDataRef>(CFDictionaryGetValue(d, CFSTR("d")));
  ASSERT_EQ(CFDataGetLength(data), 4);
  EXPECT_EQ(CFDataGetBytePtr(data)[3], 3);
  EXPECT_TRUE(CFEqual(CFDictionaryGetValue(d, CFSTR("e")), CFSTR("")));
  EXPECT_EQ(CFDateGetAbsoluteTime(static_cast<CFDateRef>(CFDictionaryGetValue(d, CFSTR("g")))),
            1577836800.0 - kCFAbsoluteTimeIntervalSince1970);
  CFRelease(p);

  // A bare value without the plist element, and the older entry point.
  CFDataRef bare = DataOf("<string>x</string>");
  CFStringRef err = nullptr;
  CFPropertyListRef s = CFPropertyListCreateFromXMLData(nullptr, bare, 0, &err);
  EXPECT_TRUE(CFEqual(s, CFSTR("x")));
  EXPECT_EQ(err, nullptr);
  CFRelease(s);
  CFRelease(bare);
  EXPECT_EQ(cfx::LiveObjectCount(), start);
}

TEST(CFPropertyList, MalformedTruncatedAndHostileDocumentsGiveErrors) {
  const long start = cfx::LiveObjectCount();
  const std::string head = "<plist version=\"1.0\">";
  const char* const cases[] = {
      "",
      "   \n",
      "<plist version=\"1.0\"/>",
      "<plist version=\"1.0\"></plist>",
      "<plist><dict><key>a</key></dict></plist>",                    // key without value
      "<plist><dict><string>a</string><true/></dict></plist>",       // value where a key belongs
      "<plist><dict><key>a</key><true/></plist>",                    // wrong closing tag
      "<plist><array><true/></array><true/></plist>",                // two root values
      "<plist><integer>12a</integer></plist>",
      "<plist><integer></integer></plist>",
      "<plist><integer>9223372036854775808</integer></plist>",       // beyond 64 bits signed
      "<plist><integer>99999999999999999999999999999</integer></plist>",
      "<plist><real>1.5x</real></plist>",
      "<plist><real></real></plist>",
      "<plist><data>@@@@</data></plist>",
      "<plist><data>QQ==QQ==</data></plist>",                       // data after padding
      "<plist><data>Q</data></plist>",
      "<plist><date>yesterday</date></plist>",
      "<plist><date>2023-02-29T00:00:00Z</date></plist>",            // no such day
      "<plist><date>2024-04-31T00:00:00Z</date></plist>",
      "<plist><date>+202-01-01T00:00:00Z</date></plist>",            // signs and blanks are not digits
      "<plist><date>2020-01-01T 1:00:00Z</date></plist>",
      "<plist><date>2020-13-01T00:00:00Z</date></plist>",
      "<plist><string>a &bogus; b</string></plist>",
      "<plist><string>&#x110000;</string></plist>",
      "<plist><string>&#xD800;</string></plist>",
      "<plist><string>&#123456789;</string></plist>",
      "<plist><string>\xC3\x28</string></plist>",                    // not UTF-8
      "<plist><string>a<b/></string></plist>",
      "<plist><key>a</key></plist>",
      "<plist><unknown/></plist>",
      "<plist><true>yes</true></plist>",
      "<plist><string>unterminated",
      "<plist><dict><key>a</key><string>b</string>",
      "<plist><!-- never closed",
      "<!DOCTYPE plist [ <!ENTITY x \"y\"> ",
      "<plist><str",
      "<plist><string attr=\"x></string></plist>",
      "<plist><array></dict></plist>",
      "<plist><true/></plist> trailing",
      "bplist00\x01\x02",
      "<>",
      "</plist>",
  };
  for (const char* doc : cases) {
    std::string message;
    CFPropertyListRef p = Read(doc, &message);
    EXPECT_EQ(p, nullptr) << "accepted: " << doc;
    EXPECT_FALSE(message.empty()) << doc;
    CFRelease(p);
  }

  // Every truncation of a valid document is rejected cleanly.
  const std::string valid = head + "<dict><key>k</key><array><integer>1</integer><data>AAEC</data>"
                                   "<string>s&amp;</string></array></dict></plist>";
  CFPropertyListRef whole = Read(valid);
  ASSERT_NE(whole, nullptr);
  CFRelease(whole);
  for (size_t n = 0; n + 1 < valid.size(); ++n) {
    CFPropertyListRef p = Read(valid.substr(0, n));
    EXPECT_EQ(p, nullptr) << n;
    CFRelease(p);
  }

  // Deep nesting is refused instead of exhausting the stack.
  std::string deep;
  for (int i = 0; i < 100000; ++i) deep += "<array>";
  std::string message;
  EXPECT_EQ(Read(deep, &message), nullptr);
  EXPECT_NE(message.find("deeply"), std::string::npos) << message;

  // A huge but well-formed string is fine; a null data object is an error.
  const std::string big = "<string>" + std::string(4 << 20, 'x') + "</string>";
  CFPropertyListRef p = Read(big);
  EXPECT_EQ(CFStringGetLength(static_cast<CFStringRef>(p)), 4 << 20);
  CFRelease(p);
  CFErrorRef error = nullptr;
  EXPECT_EQ(CFPropertyListCreateWithData(nullptr, nullptr, 0, nullptr, &error), nullptr);
  EXPECT_NE(error, nullptr);
  CFRelease(error);
  EXPECT_EQ(cfx::LiveObjectCount(), start);
}

TEST(CFPropertyList, RandomlyDamagedDocumentsNeverCrashOrLeak) {
  const long start = cfx::LiveObjectCount();
  const std::string valid =
      "<?xml version=\"1.0\"?>\n<plist version=\"1.0\"><dict><key>data</key><data>AAECAwQF</data>"
      "<key>name</key><string>A &amp; B &#x263A;</string><key>list</key><array><integer>-7</integer>"
      "<real>0.5</real><true/><date>2001-01-01T00:00:00Z</date><dict/></array></dict></plist>";
  const std::string alphabet = "<>/&;#x=\"' \n\tadkeyAZ09-+.![]";
  unsigned state = 12345;
  auto next = [&state] {
    state = state * 1103515245u + 12345u;
    return (state >> 16) & 0x7FFF;
  };
  int parsed = 0;
  for (int round = 0; round < 3000; ++round) {
    std::string doc = valid;
    const int edits = 1 + static_cast<int>(next() % 4);
    for (int e = 0; e < edits; ++e) {
      const size_t at = next() % doc.size();
      switch (next() % 3) {
        case 0: doc[at] = alphabet[next() % alphabet.size()]; break;
        case 1: doc.insert(doc.begin() + static_cast<long>(at), alphabet[next() % alphabet.size()]); break;
        default: doc.erase(at, 1 + next() % 8); break;
      }
      if (doc.empty()) doc.push_back('<');
    }
    CFDataRef data = DataOf(doc);
    CFErrorRef error = nullptr;
    CFPropertyListRef p = CFPropertyListCreateWithData(nullptr, data, 0, nullptr, &error);
    EXPECT_TRUE((p == nullptr) != (error == nullptr)) << doc;
    if (p != nullptr) {
      ++parsed;
      // Whatever was read writes back and reads again to an equal list.
      CFDataRef again = CFPropertyListCreateData(nullptr, p, kCFPropertyListXMLFormat_v1_0, 0, nullptr);
      CFPropertyListRef q = CFPropertyListCreateWithData(nullptr, again, 0, nullptr, nullptr);
      EXPECT_TRUE(CFEqual(p, q)) << doc;
      CFRelease(q);
      CFRelease(again);
    }
    CFRelease(p);
    CFRelease(error);
    CFRelease(data);
  }
  EXPECT_GT(parsed, 0);
  EXPECT_EQ(cfx::LiveObjectCount(), start);
}

TEST(CFPropertyList, ErrorsNameTheLine) {
  std::string message;
  EXPECT_EQ(Read("<plist>\n<dict>\n<key>a</key>\n<integer>x</integer>\n</dict>\n</plist>", &message), nullptr);
  EXPECT_NE(message.find("line 4"), std::string::npos) << message;
}

// Every date a document can hold is written so that it reads back; a date
// the format cannot hold is refused when writing instead of producing a
// document that cannot be read.
TEST(CFPropertyListDates, WrittenDatesReadBackAndUnwritableOnesAreRefused) {
  const double kFrom1970 = kCFAbsoluteTimeIntervalSince1970;
  const double readable[] = {-62135596800.0 - kFrom1970,       // 0001-01-01T00:00:00Z
                             253402300799.0 - kFrom1970,       // 9999-12-31T23:59:59Z
                             951782400.0 - kFrom1970,          // 2000-02-29 (a leap day)
                             0.0, -1.0};
  for (double t : readable) {
    CFDateRef date = CFDateCreate(nullptr, t);
    CFErrorRef error = nullptr;
    CFDataRef data = CFPropertyListCreateData(nullptr, date, kCFPropertyListXMLFormat_v1_0, 0, &error);
    ASSERT_NE(data, nullptr) << t;
    EXPECT_EQ(error, nullptr);
    CFPropertyListRef back = Read(TextOf(data));
    ASSERT_NE(back, nullptr) << TextOf(data);
    EXPECT_EQ(CFDateGetAbsoluteTime(static_cast<CFDateRef>(back)), t);
    CFRelease(back);
    CFRelease(data);
    CFRelease(date);
  }
  const double unwritable[] = {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
                               -std::numeric_limits<double>::infinity(), 253402300800.0 - kFrom1970,
                               -62135596801.0 - kFrom1970, 1e300};
  for (double t : unwritable) {
    CFDateRef date = CFDateCreate(nullptr, t);
    CFMutableArrayRef array = CFArrayCreateMutable(nullptr, 0, &kCFTypeArrayCallBacks);
    CFArrayAppendValue(array, date);
    CFErrorRef error = nullptr;
    EXPECT_EQ(CFPropertyListCreateData(nullptr, array, kCFPropertyListXMLFormat_v1_0, 0, &error), nullptr) << t;
    ASSERT_NE(error, nullptr);
    EXPECT_EQ(CFErrorGetCode(error), kCFPropertyListWriteInvalidError);
    EXPECT_FALSE(CFPropertyListIsValid(array, kCFPropertyListXMLFormat_v1_0));
    // Such a date still describes and hashes without harm.
    CFStringRef description = CFCopyDescription(date);
    EXPECT_NE(description, nullptr);
    CFHash(date);
    CFRelease(description);
    CFRelease(error);
    CFRelease(array);
    CFRelease(date);
  }
}

}  // namespace
