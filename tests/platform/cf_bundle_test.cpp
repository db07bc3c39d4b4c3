// Bundle registry lookups, resources and URLs.
#include <CoreFoundation/CFBundleRegistry.h>
#include <CoreFoundation/CFLiveObjects.h>
#include <CoreFoundation/CoreFoundation.h>
#include <gtest/gtest.h>

#include <string>

#include "tests/platform/TempFolder.h"

namespace {

std::string Text(CFStringRef s) {
  const char* p = CFStringGetCStringPtr(s, kCFStringEncodingUTF8);
  return p != nullptr ? p : "<null>";
}

std::string PathOf(CFURLRef url) {
  UInt8 buf[1024];
  return CFURLGetFileSystemRepresentation(url, true, buf, sizeof buf) ? reinterpret_cast<char*>(buf) : "<none>";
}

TEST(CFBundleRegistry, RegisteredBundlesAreFoundWithTheirInfoAndResources) {
  TempFolder dir;
  const std::string bundlePath = dir.Path() + "/Limiter.component";
  dir.Write("Limiter.component/Contents/Resources/knob.png", "png");
  dir.Write("Limiter.component/Contents/Resources/img/knob@2x.png", "png");
  dir.Write("secret.png", "outside");

  cfx::BundleDescription d;
  d.identifier = "com.example.test.limiter";
  d.bundlePath = bundlePath + "/";
  d.info = {{"CFBundleVersion", "2.1.17"}, {"CFBundleShortVersionString", "2.1"}, {"CFBundleName", "Limiter"},
            {"CFBundleExecutable", "Limiter"}};
  CFBundleRef registered = cfx::RegisterBundle(d);
  ASSERT_NE(registered, nullptr);

  const long start = cfx::LiveObjectCount();
  CFStringRef id = CFStringCreateWithCString(nullptr, "com.example.test.limiter", kCFStringEncodingUTF8);
  CFBundleRef b = CFBundleGetBundleWithIdentifier(id);
  CFRelease(id);
  EXPECT_EQ(b, registered);
  EXPECT_EQ(Text(CFBundleGetIdentifier(b)), "com.example.test.limiter");
  EXPECT_EQ(Text(static_cast<CFStringRef>(CFBundleGetValueForInfoDictionaryKey(b, kCFBundleVersionKey))), "2.1.17");
  EXPECT_EQ(Text(static_cast<CFStringRef>(CFBundleGetValueForInfoDictionaryKey(b, CFSTR("CFBundleShortVersionString")))),
            "2.1");
  EXPECT_EQ(Text(static_cast<CFStringRef>(CFBundleGetValueForInfoDictionaryKey(b, kCFBundleNameKey))), "Limiter");
  EXPECT_EQ(CFBundleGetValueForInfoDictionaryKey(b, CFSTR("Missing")), nullptr);

  CFURLRef url = CFBundleCopyBundleURL(b);
  EXPECT_EQ(PathOf(url), bundlePath);
  EXPECT_TRUE(CFURLHasDirectoryPath(url));
  CFRelease(url);
  url = CFBundleCopyExecutableURL(b);
  EXPECT_EQ(PathOf(url), bundlePath + "/Contents/MacOS/Limiter");
  CFRelease(url);

  url = CFBundleCopyResourceURL(b, CFSTR("knob"), CFSTR("png"), nullptr);
  EXPECT_EQ(PathOf(url), bundlePath + "/Contents/Resources/knob.png");
  CFRelease(url);
  url = CFBundleCopyResourceURL(b, CFSTR("knob@2x"), CFSTR("png"), CFSTR("img"));
  EXPECT_EQ(PathOf(url), bundlePath + "/Contents/Resources/img/knob@2x.png");
  CFRelease(url);
  url = CFBundleCopyResourceURL(b, CFSTR("img/knob@2x"), CFSTR("png"), nullptr);
  EXPECT_NE(url, nullptr);
  CFRelease(url);
  EXPECT_EQ(CFBundleCopyResourceURL(b, CFSTR("absent"), CFSTR("png"), nullptr), nullptr);
  EXPECT_EQ(CFBundleCopyResourceURL(b, CFSTR("../../../secret"), CFSTR("png"), nullptr), nullptr);
  EXPECT_EQ(CFBundleCopyResourceURL(b, CFSTR("knob"), CFSTR("png"), CFSTR("..")), nullptr);
  EXPECT_EQ(CFBundleCopyResourceURL(b, nullptr, CFSTR("png"), nullptr), nullptr);
  EXPECT_EQ(CFBundleCopyResourceURL(nullptr, CFSTR("knob"), CFSTR("png"), nullptr), nullptr);

  // Found by folder too; unknown identifiers and folders give null.
  CFStringRef folder = CFStringCreateWithCString(nullptr, bundlePath.c_str(), kCFStringEncodingUTF8);
  CFURLRef folderURL = CFURLCreateWithFileSystemPath(nullptr, folder, kCFURLPOSIXPathStyle, true);
  EXPECT_EQ(CFBundleCreate(nullptr, folderURL), b);
  CFRelease(folderURL);
  CFRelease(folder);
  EXPECT_EQ(CFBundleGetBundleWithIdentifier(CFSTR("com.example.none")), nullptr);
  EXPECT_EQ(CFBundleGetBundleWithIdentifier(nullptr), nullptr);
  EXPECT_EQ(cfx::LiveObjectCount(), start);

  // Unregistering removes it from lookups; the object stays usable.
  EXPECT_TRUE(cfx::UnregisterBundle("com.example.test.limiter"));
  EXPECT_FALSE(cfx::UnregisterBundle("com.example.test.limiter"));
  EXPECT_EQ(CFBundleGetBundleWithIdentifier(CFSTR("com.example.test.limiter")), nullptr);
  EXPECT_EQ(Text(CFBundleGetIdentifier(b)), "com.example.test.limiter");
  EXPECT_EQ(cfx::RegisterBundle(cfx::BundleDescription{}), nullptr);
}

TEST(CFBundleRegistry, MainBundleAndRegistrationFromInfoPlist) {
  TempFolder dir;
  dir.Write("Host.app/Contents/Info.plist",
            "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict>"
            "<key>CFBundleIdentifier</key><string>com.example.test.host</string>"
            "<key>CFBundleVersion</key><string>10.2</string>"
            "<key>CFBundleExecutable</key><string>Host</string>"
            "<key>Count</key><integer>3</integer></dict></plist>");
  dir.Write("Broken.app/Contents/Info.plist", "<plist><dict><key>x</key></dict></plist>");
  dir.Write("Array.app/Contents/Info.plist", "<plist><array/></plist>");

  EXPECT_NE(CFBundleGetMainBundle(), nullptr);  // always some bundle
  CFBundleRef host = cfx::RegisterBundleAtPath(dir.Path() + "/Host.app", true);
  ASSERT_NE(host, nullptr);
  EXPECT_EQ(CFBundleGetMainBundle(), host);
  EXPECT_EQ(Text(CFBundleGetIdentifier(CFBundleGetMainBundle())), "com.example.test.host");
  EXPECT_EQ(Text(static_cast<CFStringRef>(CFBundleGetValueForInfoDictionaryKey(host, kCFBundleVersionKey))), "10.2");
  EXPECT_EQ(CFGetTypeID(CFBundleGetValueForInfoDictionaryKey(host, CFSTR("Count"))), CFNumberGetTypeID());
  CFURLRef exe = CFBundleCopyExecutableURL(host);
  EXPECT_EQ(PathOf(exe), dir.Path() + "/Host.app/Contents/MacOS/Host");
  CFRelease(exe);

  // A component's library inside its bundle registers the bundle around it.
  dir.Write("Unit.component/Contents/Info.plist",
            "<plist><dict><key>CFBundleIdentifier</key><string>com.example.test.unit</string></dict></plist>");
  const std::string library = dir.Path() + "/Unit.component/Contents/MacOS/Unit.so";
  CFBundleRef unit = cfx::RegisterBundleOfExecutable(library);
  ASSERT_NE(unit, nullptr);
  EXPECT_EQ(CFBundleGetBundleWithIdentifier(CFSTR("com.example.test.unit")), unit);
  exe = CFBundleCopyExecutableURL(unit);
  EXPECT_EQ(PathOf(exe), library);
  CFRelease(exe);
  EXPECT_TRUE(cfx::UnregisterBundle("com.example.test.unit"));
  EXPECT_EQ(cfx::RegisterBundleOfExecutable(dir.Path() + "/Unit.component/Contents/MacOS/x/y.so"), nullptr);
  EXPECT_EQ(cfx::RegisterBundleOfExecutable(dir.Path() + "/lib.so"), nullptr);
  // The test program itself is not inside a bundle.
  EXPECT_EQ(cfx::RegisterBundleOfAddress(reinterpret_cast<const void*>(&PathOf)), nullptr);
  EXPECT_EQ(cfx::RegisterBundleOfAddress(nullptr), nullptr);

  EXPECT_EQ(cfx::RegisterBundleAtPath(dir.Path() + "/Broken.app"), nullptr);
  EXPECT_EQ(cfx::RegisterBundleAtPath(dir.Path() + "/Array.app"), nullptr);
  EXPECT_EQ(cfx::RegisterBundleAtPath(dir.Path() + "/Missing.app"), nullptr);
  EXPECT_TRUE(cfx::UnregisterBundle("com.example.test.host"));
  EXPECT_NE(CFBundleGetMainBundle(), host);  // back to the executable's own
  EXPECT_EQ(CFBundleGetIdentifier(CFBundleGetMainBundle()), nullptr);
}

TEST(CFURL, FilePathsAndURLStrings) {
  const long start = cfx::LiveObjectCount();
  CFURLRef u = CFURLCreateWithFileSystemPath(nullptr, CFSTR("/tmp/a b/c%.qvs"), kCFURLPOSIXPathStyle, false);
  EXPECT_EQ(Text(CFURLGetString(u)), "file:///tmp/a%20b/c%25.qvs");
  EXPECT_EQ(PathOf(u), "/tmp/a b/c%.qvs");
  UInt8 small[8];
  EXPECT_FALSE(CFURLGetFileSystemRepresentation(u, true, small, sizeof small));
  EXPECT_EQ(small[0], 0);
  CFStringRef last = CFURLCopyLastPathComponent(u);
  CFStringRef ext = CFURLCopyPathExtension(u);
  EXPECT_EQ(Text(last), "c%.qvs");
  EXPECT_EQ(Text(ext), "qvs");
  CFRelease(last);
  CFRelease(ext);
  CFURLRef parent = CFURLCreateCopyDeletingLastPathComponent(nullptr, u);
  EXPECT_EQ(PathOf(parent), "/tmp/a b");
  CFURLRef child = CFURLCreateCopyAppendingPathComponent(nullptr, parent, CFSTR("d"), true);
  EXPECT_EQ(Text(CFURLGetString(child)), "file:///tmp/a%20b/d/");
  CFStringRef path = CFURLCopyFileSystemPath(child, kCFURLPOSIXPathStyle);
  EXPECT_EQ(Text(path), "/tmp/a b/d");
  CFRelease(path);

  // A file URL text decodes back to the same path.
  CFURLRef parsed = CFURLCreateWithString(nullptr, CFURLGetString(u), nullptr);
  EXPECT_EQ(PathOf(parsed), "/tmp/a b/c%.qvs");
  EXPECT_TRUE(CFEqual(parsed, u));
  CFRelease(parsed);
  for (CFURLRef r : {child, parent, u}) CFRelease(r);

  CFURLRef web = CFURLCreateWithString(nullptr, CFSTR("https://example.com/check?product=x&version=1"), nullptr);
  ASSERT_NE(web, nullptr);
  EXPECT_EQ(CFURLCopyFileSystemPath(web, kCFURLPOSIXPathStyle), nullptr);
  UInt8 buf[64];
  EXPECT_FALSE(CFURLGetFileSystemRepresentation(web, true, buf, sizeof buf));
  CFStringRef scheme = CFURLCopyScheme(web);
  EXPECT_EQ(Text(scheme), "https");
  CFRelease(scheme);
  CFRelease(web);

  for (const char* bad : {"no scheme", "://x", "http://a b", "file:///bad%2", "file:///nul%00", "1http://x"}) {
    CFStringRef s = CFStringCreateWithCString(nullptr, bad, kCFStringEncodingUTF8);
    EXPECT_EQ(CFURLCreateWithString(nullptr, s, nullptr), nullptr) << bad;
    CFRelease(s);
  }
  EXPECT_EQ(CFURLCreateWithFileSystemPath(nullptr, CFSTR("/x"), kCFURLHFSPathStyle, false), nullptr);
  const UInt8 withNul[] = {'/', 'a', 0, 'b'};
  EXPECT_EQ(CFURLCreateFromFileSystemRepresentation(nullptr, withNul, 4, false), nullptr);
  EXPECT_EQ(cfx::LiveObjectCount(), start);
}

}  // namespace
