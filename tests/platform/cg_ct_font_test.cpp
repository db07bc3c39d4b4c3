// CoreGraphics geometry, data providers and fonts; CoreText descriptors
// matched against font folders by family and style; the bounded reader
// under both, fed damaged files.
#include <CoreFoundation/CFLiveObjects.h>
#include <CoreGraphics/CGFontBytes.h>
#include <CoreGraphics/CoreGraphics.h>
#include <CoreText/CTFontFolders.h>
#include <CoreText/CoreText.h>
#include <gtest/gtest.h>

#include <fstream>
#include <random>

#include "tests/platform/SfntBuilder.h"
#include "tests/platform/TempFolder.h"

namespace {

std::string Text(CFTypeRef s) {
  if (s == nullptr || CFGetTypeID(s) != CFStringGetTypeID()) return "(none)";
  return CFStringGetCStringPtr(static_cast<CFStringRef>(s), kCFStringEncodingUTF8);
}

std::string PathOf(CFTypeRef url) {
  if (url == nullptr) return "(none)";
  CFStringRef p = CFURLCopyFileSystemPath(static_cast<CFURLRef>(url), kCFURLPOSIXPathStyle);
  const std::string out = Text(p);
  CFRelease(p);
  return out;
}

void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

CTFontDescriptorRef FamilyDescriptor(const char* family, const char* style) {
  CFStringRef f = CFStringCreateWithCString(nullptr, family, kCFStringEncodingUTF8);
  CFStringRef s = CFStringCreateWithCString(nullptr, style, kCFStringEncodingUTF8);
  const void* keys[] = {kCTFontFamilyNameAttribute, kCTFontStyleNameAttribute};
  const void* values[] = {f, s};
  CFDictionaryRef attrs =
      CFDictionaryCreate(nullptr, keys, values, 2, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks);
  CTFontDescriptorRef d = CTFontDescriptorCreateWithAttributes(attrs);
  CFRelease(attrs);
  CFRelease(s);
  CFRelease(f);
  return d;
}

std::string MatchedPath(const char* family, const char* style) {
  CTFontDescriptorRef d = FamilyDescriptor(family, style);
  CFTypeRef url = CTFontDescriptorCopyAttribute(d, kCTFontURLAttribute);
  const std::string path = PathOf(url);
  if (url != nullptr) CFRelease(url);
  CFRelease(d);
  return path;
}

class FontLayerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    cf_ = cfx::LiveObjectCount();
    sfnt_test::TestFace regular, bold, book;
    bold.style = "Bold";
    bold.postScriptName = "TestSans-Bold";
    book.family = "Other Serif";
    book.style = "Book";
    book.postScriptName = "OtherSerif-Book";
    book.windowsNames = false;  // Macintosh names only
    book.macNames = true;
    std::filesystem::create_directories(temp_.Path() + "/nested/deeper");
    collection_ = temp_.Path() + "/nested/TestSans.ttc";
    WriteFile(collection_, sfnt_test::BuildCollection({regular, bold}));
    WriteFile(temp_.Path() + "/nested/deeper/Other.OTF", sfnt_test::BuildFont(book));
    WriteFile(temp_.Path() + "/broken.ttf", {'n', 'o', 't', ' ', 'a', ' ', 'f', 'o', 'n', 't'});
    ctx::SetFontFolders({temp_.Path()});
  }
  void TearDown() override {
    ctx::SetFontFolders({});
    EXPECT_EQ(cfx::LiveObjectCount(), cf_);
  }
  long cf_ = 0;
  TempFolder temp_;
  std::string collection_;
};

TEST(GeometryTest, RectanglesHaveHalfOpenEdgesAndStandardise) {
  const CGRect r = CGRectMake(10, 10, -4, 6);  // negative width counts leftward
  EXPECT_EQ(CGRectGetMinX(r), 6);
  EXPECT_EQ(CGRectGetMaxX(r), 10);
  EXPECT_TRUE(CGRectContainsPoint(r, CGPointMake(6, 10)));
  EXPECT_FALSE(CGRectContainsPoint(r, CGPointMake(10, 10)));
  EXPECT_TRUE(CGRectEqualToRect(CGRectIntersection(CGRectMake(0, 0, 2, 2), CGRectMake(2, 0, 2, 2)), CGRectZero));
  EXPECT_TRUE(CGRectEqualToRect(CGRectIntegral(CGRectMake(0.5, 0.2, 1.0, 1.0)), CGRectMake(0, 0, 2, 2)));
  EXPECT_TRUE(CGRectIsEmpty(CGRectMake(NAN, 0, 1, 1)));
  EXPECT_TRUE(CGRectEqualToRect(CGRectInset(CGRectMake(0, 0, 2, 2), 3, 0), CGRectZero));
}

TEST_F(FontLayerTest, ProvidersGiveTheirBytesBackAndReleaseThemOnce) {
  static int releases = 0;
  releases = 0;
  auto* bytes = new std::vector<uint8_t>(sfnt_test::BuildFont({}));
  CGDataProviderRef p = CGDataProviderCreateWithData(
      bytes, bytes->data(), bytes->size(), [](void* info, const void*, size_t) {
        ++releases;
        delete static_cast<std::vector<uint8_t>*>(info);
      });
  CFDataRef copy = CGDataProviderCopyData(p);
  EXPECT_EQ(static_cast<size_t>(CFDataGetLength(copy)), bytes->size());
  CFRelease(copy);
  CGFontRef font = CGFontCreateWithDataProvider(p);
  ASSERT_NE(font, nullptr);
  CGDataProviderRelease(p);
  EXPECT_EQ(releases, 0);  // the font keeps its provider
  CFStringRef name = CGFontCopyPostScriptName(font);
  EXPECT_EQ(Text(name), "TestSans-Regular");
  CFRelease(name);
  EXPECT_EQ(CGFontGetUnitsPerEm(font), 2048);
  CGFontRelease(font);
  EXPECT_EQ(releases, 1);
  EXPECT_EQ(CGDataProviderCreateWithData(nullptr, nullptr, 4, [](void*, const void*, size_t) { ++releases; }), nullptr);
  EXPECT_EQ(releases, 2);
  CFStringRef missing = CFSTR("/no/such/font.ttf");
  CFURLRef url = CFURLCreateWithFileSystemPath(nullptr, missing, kCFURLPOSIXPathStyle, false);
  EXPECT_EQ(CGDataProviderCreateWithURL(url), nullptr);
  CFRelease(url);
  CGDataProviderRef junk = CGDataProviderCreateWithFilename((temp_.Path() + "/broken.ttf").c_str());
  EXPECT_EQ(CGFontCreateWithDataProvider(junk), nullptr);
  CGDataProviderRelease(junk);
}

TEST_F(FontLayerTest, DescriptorsMatchInstalledFacesByFamilyAndStyle) {
  EXPECT_EQ(MatchedPath("Test Sans", "Bold"), collection_);
  EXPECT_EQ(MatchedPath("test sans", "regular"), collection_);
  EXPECT_EQ(MatchedPath("Test Sans", "Italic"), collection_);  // the family's regular face
  EXPECT_EQ(MatchedPath("Other Serif", "Regular"), temp_.Path() + "/nested/deeper/Other.OTF");
  EXPECT_EQ(MatchedPath("No Such Family", "Regular"), "(none)");

  CTFontDescriptorRef d = FamilyDescriptor("Test Sans", "Bold");
  CFTypeRef family = CTFontDescriptorCopyAttribute(d, kCTFontFamilyNameAttribute);
  EXPECT_EQ(Text(family), "Test Sans");
  CFRelease(family);
  CTFontRef font = CTFontCreateWithFontDescriptor(d, 0, nullptr);
  ASSERT_NE(font, nullptr);
  EXPECT_EQ(CTFontGetSize(font), 12.0);
  CFStringRef style = CTFontCopyName(font, kCTFontStyleNameKey);
  EXPECT_EQ(Text(style), "Bold");  // face 1 of the collection
  CFRelease(style);
  CFRelease(font);
  CFRelease(d);

  CFStringRef ps = CFSTR("OtherSerif-Book");
  CTFontRef byName = CTFontCreateWithName(ps, 20, nullptr);
  ASSERT_NE(byName, nullptr);
  CFStringRef fam = CTFontCopyFamilyName(byName);
  EXPECT_EQ(Text(fam), "Other Serif");
  CFRelease(fam);
  CFRelease(byName);
  EXPECT_EQ(ctx::InstalledFaces().size(), 3u);  // the broken file is skipped
}

TEST_F(FontLayerTest, AFontsDescriptorNamesItAndItsFile) {
  CFStringRef path = CFStringCreateWithCString(nullptr, collection_.c_str(), kCFStringEncodingUTF8);
  CFURLRef url = CFURLCreateWithFileSystemPath(nullptr, path, kCFURLPOSIXPathStyle, false);
  CGDataProviderRef provider = CGDataProviderCreateWithURL(url);
  CGFontRef graphics = CGFontCreateWithDataProvider(provider);
  CTFontRef font = CTFontCreateWithGraphicsFont(graphics, 0, nullptr, nullptr);
  CTFontDescriptorRef d = CTFontCopyFontDescriptor(font);
  CFTypeRef copiedURL = CTFontDescriptorCopyAttribute(d, kCTFontURLAttribute);
  EXPECT_EQ(PathOf(copiedURL), collection_);
  CFTypeRef style = CTFontDescriptorCopyAttribute(d, kCTFontStyleNameAttribute);
  EXPECT_EQ(Text(style), "Regular");
  CTFontRef again = CTFontCreateWithFontDescriptor(d, 30, nullptr);
  EXPECT_EQ(CTFontGetSize(again), 30);
  // A descriptor of nothing but the file's URL describes its first face.
  const void* keys[] = {kCTFontURLAttribute};
  const void* values[] = {url};
  CFDictionaryRef byURL = CFDictionaryCreate(nullptr, keys, values, 1, &kCFTypeDictionaryKeyCallBacks,
                                             &kCFTypeDictionaryValueCallBacks);
  CTFontDescriptorRef fileDescriptor = CTFontDescriptorCreateWithAttributes(byURL);
  CFTypeRef fileFamily = CTFontDescriptorCopyAttribute(fileDescriptor, kCTFontFamilyNameAttribute);
  EXPECT_EQ(Text(fileFamily), "Test Sans");
  CTFontRef fromFile = CTFontCreateWithFontDescriptor(fileDescriptor, 10, nullptr);
  ASSERT_NE(fromFile, nullptr);
  for (CFTypeRef o : {static_cast<CFTypeRef>(fromFile), fileFamily, static_cast<CFTypeRef>(fileDescriptor),
                      static_cast<CFTypeRef>(byURL)})
    CFRelease(o);
  for (CFTypeRef o : {copiedURL, style, static_cast<CFTypeRef>(again), static_cast<CFTypeRef>(d),
                      static_cast<CFTypeRef>(font), static_cast<CFTypeRef>(graphics), static_cast<CFTypeRef>(provider),
                      static_cast<CFTypeRef>(url), static_cast<CFTypeRef>(path)})
    CFRelease(o);
}

TEST_F(FontLayerTest, TheInstalledDejaVuSansIsFoundInTheSystemFolders) {
  ctx::SetFontFolders({});
  const std::string path = MatchedPath("DejaVu Sans", "Bold");
  if (path == "(none)") GTEST_SKIP() << "DejaVu Sans is not installed";
  EXPECT_NE(path.find("DejaVuSans-Bold.ttf"), std::string::npos) << path;
}

TEST(SfntReaderTest, DamagedFilesAreRefusedWithoutReadingOutsideThem) {
  sfnt_test::TestFace a, b;
  b.style = "Bold";
  const std::vector<uint8_t> good = sfnt_test::BuildCollection({a, b});
  cgx::SfntFace face;
  ASSERT_EQ(cgx::SfntFaceCount(cgx::SfntMemory(good.data(), good.size())), 2u);
  ASSERT_TRUE(cgx::SfntReadFace(cgx::SfntMemory(good.data(), good.size()), 1, face));
  EXPECT_EQ(face.style, "Bold");
  EXPECT_FALSE(cgx::SfntReadFace(cgx::SfntMemory(good.data(), good.size()), 2, face));
  // A face count that no offset table could hold, a huge table count.
  std::vector<uint8_t> lying = good;
  lying[8] = 0x7F;
  EXPECT_EQ(cgx::SfntFaceCount(cgx::SfntMemory(lying.data(), lying.size())), 0u);
  std::vector<uint8_t> many = sfnt_test::BuildFont(a);
  many[4] = 0xFF, many[5] = 0xFF;
  EXPECT_FALSE(cgx::SfntReadFace(cgx::SfntMemory(many.data(), many.size()), 0, face));
  // Truncations and random damage: every read stays inside (checked by the
  // address sanitizer builds), names that cannot be read are empty.
  std::mt19937 rng(7);
  for (size_t cut = 0; cut < good.size(); cut += 3) {
    std::vector<uint8_t> part(good.begin(), good.begin() + static_cast<long>(cut));
    cgx::SfntMemory m(part.data(), part.size());
    const uint32_t n = std::min<uint32_t>(cgx::SfntFaceCount(m), 4);
    for (uint32_t i = 0; i < n; ++i) cgx::SfntReadFace(m, i, face);
  }
  for (int round = 0; round < 3000; ++round) {
    std::vector<uint8_t> bad = good;
    const int hits = 1 + static_cast<int>(rng() % 8);
    for (int h = 0; h < hits; ++h) bad[rng() % bad.size()] = static_cast<uint8_t>(rng());
    cgx::SfntMemory m(bad.data(), bad.size());
    const uint32_t n = std::min<uint32_t>(cgx::SfntFaceCount(m), 4);
    for (uint32_t i = 0; i < n; ++i) cgx::SfntReadFace(m, i, face);
  }
  EXPECT_EQ(cgx::SfntFaceCount(cgx::SfntMemory(nullptr, 100)), 0u);
}

}  // namespace
