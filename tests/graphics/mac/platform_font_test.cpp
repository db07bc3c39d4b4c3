// Platform fonts: the font-file reader on single fonts and collections
// (names, metrics, bounds), the three loaders, font data with the face of a
// style, and the descriptor cache with its EM ratios.
#include <CoreFoundation/CFLiveObjects.h>
#include <CoreText/CTFontFolders.h>
#include <gtest/gtest.h>

#include <fstream>
#include <random>

#include "graphics/mac/CoreTextFont.h"
#include "graphics/mac/FontDescriptorCache.h"
#include "tests/platform/SfntBuilder.h"
#include "tests/platform/TempFolder.h"

using namespace fx::gfx;
using sfnt_test::TestFace;

namespace {

void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

TestFace Face(const char* style, const char* ps) {
  TestFace f;
  f.style = style;
  f.postScriptName = ps;
  return f;
}

TEST(FontFileReaderTest, ASingleFontGivesItsNamesAndMetrics) {
  TestFace f;
  f.unitsPerEm = 2048, f.ascender = 1900, f.descender = -500, f.lineGap = 67, f.macStyle = 1;
  const std::vector<uint8_t> bytes = sfnt_test::BuildFont(f);
  const FontFileReader r(bytes.data(), bytes.size(), 0);
  ASSERT_TRUE(r.IsValid());
  EXPECT_EQ(r.mFontBytes, bytes.data());
  EXPECT_STREQ(r.mFamilyName.Get(), "Test Sans");
  EXPECT_STREQ(r.mStyleName.Get(), "Regular");
  EXPECT_EQ(r.mUnitsPerEm, 2048);
  EXPECT_EQ(r.mAscender, 1900);
  EXPECT_EQ(r.mDescender, -500);
  EXPECT_EQ(r.mLineGap, 67);
  EXPECT_EQ(r.mMacStyle, 1);
  EXPECT_EQ(r.mFdscOffset, 0u);
  EXPECT_DOUBLE_EQ(r.EMRatio(), 2048.0 / 2400.0);
  // A single font has only face 0.
  EXPECT_FALSE(FontFileReader(bytes.data(), bytes.size(), 1).IsValid());
  EXPECT_EQ(FontFileReader(bytes.data(), bytes.size(), 1).mFontBytes, nullptr);
}

TEST(FontFileReaderTest, NamesComeFromWindowsRecordsThenMacintoshOnes) {
  TestFace mac;
  mac.windowsNames = false, mac.macNames = true, mac.family = "Mac Only";
  std::vector<uint8_t> bytes = sfnt_test::BuildFont(mac);
  EXPECT_STREQ(FontFileReader(bytes.data(), bytes.size(), 0).mFamilyName.Get(), "Mac Only");
  // Six letters: a Windows record of length 12 holds six UTF-16 units.
  TestFace six;
  six.style = "Italic";
  six.family = "Sixsix";
  bytes = sfnt_test::BuildFont(six);
  const FontFileReader r(bytes.data(), bytes.size(), 0);
  EXPECT_STREQ(r.mFamilyName.Get(), "Sixsix");
  EXPECT_EQ(r.mFamilyName.GetLength(), 6);
}

TEST(FontFileReaderTest, CollectionFacesAreFoundByStyle) {
  const std::vector<uint8_t> ttc = sfnt_test::BuildCollection({Face("Regular", "T-R"), Face("Bold", "T-B")});
  EXPECT_EQ(FontFileReader::FindFontFaceIndex(ttc.data(), ttc.size(), "Bold"), 1);
  EXPECT_EQ(FontFileReader::FindFontFaceIndex(ttc.data(), ttc.size(), "Regular"), 0);
  EXPECT_EQ(FontFileReader::FindFontFaceIndex(ttc.data(), ttc.size(), "bold"), -1);  // exact bytes
  EXPECT_EQ(FontFileReader::FindFontFaceIndex(ttc.data(), ttc.size(), "Italic"), -1);
  const FontFileReader second(ttc.data(), ttc.size(), 1);
  ASSERT_TRUE(second.IsValid());
  EXPECT_STREQ(second.mStyleName.Get(), "Bold");
  EXPECT_FALSE(FontFileReader(ttc.data(), ttc.size(), 2).IsValid());
  std::vector<uint8_t> v3 = ttc;
  v3[5] = 3;  // version 0x00030000 is not a collection this reader knows
  EXPECT_FALSE(FontFileReader(v3.data(), v3.size(), 0).IsValid());
  const std::vector<uint8_t> single = sfnt_test::BuildFont(Face("Regular", "T-R"));
  EXPECT_EQ(FontFileReader::FindFontFaceIndex(single.data(), single.size(), "Italic"), -1);
}

TEST(FontFileReaderTest, MissingTablesAndZeroDivisorsMakeTheFaceUnusable) {
  TestFace noHhea;
  noHhea.hhea = false;
  std::vector<uint8_t> bytes = sfnt_test::BuildFont(noHhea);
  const FontFileReader r(bytes.data(), bytes.size(), 0);
  EXPECT_FALSE(r.IsValid());
  EXPECT_TRUE(r.mFamilyName.Empty());  // the reader stops before the names
  TestFace flat;
  flat.ascender = 0, flat.descender = 0;  // no line height to divide by
  bytes = sfnt_test::BuildFont(flat);
  EXPECT_FALSE(FontFileReader(bytes.data(), bytes.size(), 0).IsValid());
  EXPECT_EQ(FontFileReader(bytes.data(), bytes.size(), 0).EMRatio(), 0.0);
  TestFace noEm;
  noEm.unitsPerEm = 0;
  bytes = sfnt_test::BuildFont(noEm);
  EXPECT_FALSE(FontFileReader(bytes.data(), bytes.size(), 0).IsValid());
  const uint8_t junk[] = {'w', 'O', 'F', 'F', 0, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_FALSE(FontFileReader(junk, sizeof junk, 0).IsValid());
  EXPECT_FALSE(FontFileReader(nullptr, 100, 0).IsValid());
}

// Every read stays inside the data (the address sanitizer build checks it).
TEST(FontFileReaderTest, DamagedAndTruncatedFilesAreReadSafely) {
  const std::vector<uint8_t> ttc = sfnt_test::BuildCollection({Face("Regular", "T-R"), Face("Bold", "T-B")});
  for (size_t cut = 0; cut <= ttc.size(); ++cut) {
    std::vector<uint8_t> part(ttc.begin(), ttc.begin() + static_cast<long>(cut));  // exact size: no slack
    for (int face = 0; face < 3; ++face) FontFileReader(part.data(), part.size(), face).EMRatio();
    EXPECT_EQ(FontFileReader::FindFontFaceIndex(part.data(), part.size(), "Bold"), cut == ttc.size() ? 1 : -1);
  }
  std::mt19937 rng(11);
  for (int round = 0; round < 5000; ++round) {
    std::vector<uint8_t> bad = ttc;
    for (int h = 1 + static_cast<int>(rng() % 6); h > 0; --h) bad[rng() % bad.size()] = static_cast<uint8_t>(rng());
    for (int face = 0; face < 3; ++face) FontFileReader(bad.data(), bad.size(), face).EMRatio();
    FontFileReader::FindFontFaceIndex(bad.data(), bad.size(), "Bold");
  }
}

class PlatformFontTest : public ::testing::Test {
 protected:
  void SetUp() override {
    cf_ = cfx::LiveObjectCount();
    WriteFile(temp_.Path() + "/TestSans.ttc",
              sfnt_test::BuildCollection({Face("Regular", "TestSans-Regular"), Face("Bold", "TestSans-Bold")}));
    ctx::SetFontFolders({temp_.Path()});
  }
  void TearDown() override {
    ClearFontDescriptorCache(GetFontDescriptorCache());
    ctx::SetFontFolders({});
    EXPECT_EQ(cfx::LiveObjectCount(), cf_);
  }
  long cf_ = 0;
  TempFolder temp_;
};

TEST_F(PlatformFontTest, FamilyAndStyleGiveTheCollectionFaceOfThatStyle) {
  CoreTextFontPtr bold = LoadCoreTextFontByName("bold", "Test Sans", 1);
  ASSERT_NE(bold, nullptr);
  EXPECT_TRUE(bold->IsSystem());
  std::unique_ptr<FontData> data(bold->GetFontData());
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(data->GetFaceIndex(), 1);
  EXPECT_TRUE(data->IsValid());
  EXPECT_STREQ(data->mStyleName.Get(), "Bold");
  // The family has no italic: its regular file is matched, and no face carries the style.
  CoreTextFontPtr italic = LoadCoreTextFontByName("italic", "Test Sans", 2);
  ASSERT_NE(italic, nullptr);
  std::unique_ptr<FontData> none(italic->GetFontData());
  EXPECT_EQ(none->GetFaceIndex(), -1);
  EXPECT_FALSE(none->IsValid());
  EXPECT_EQ(LoadCoreTextFontByName("x", "No Such Family", 0), nullptr);
}

TEST_F(PlatformFontTest, FilesAndMemoryGiveFaceZeroAndAllTheirBytes) {
  const std::vector<uint8_t> bytes = sfnt_test::BuildFont(Face("Regular", "TestSans-Regular"));
  WriteFile(temp_.Path() + "/One.ttf", bytes);
  CoreTextFontPtr file = LoadCoreTextFontFromFile("one", (temp_.Path() + "/One.ttf").c_str(), "", "");
  ASSERT_NE(file, nullptr);
  EXPECT_FALSE(file->IsSystem());
  std::unique_ptr<FontData> data(file->GetFontData());
  ASSERT_EQ(data->GetSize(), static_cast<int>(bytes.size()));
  EXPECT_EQ(std::memcmp(data->GetBytes(), bytes.data(), bytes.size()), 0);
  EXPECT_EQ(data->GetFaceIndex(), 0);
  EXPECT_TRUE(data->IsValid());
  EXPECT_EQ(LoadCoreTextFontFromFile("x", (temp_.Path() + "/Missing.ttf").c_str(), "", ""), nullptr);

  CoreTextFontPtr memory = LoadCoreTextFontFromMemory("mem", bytes.data(), static_cast<int>(bytes.size()));
  ASSERT_NE(memory, nullptr);
  std::unique_ptr<FontData> memoryData(memory->GetFontData());
  EXPECT_TRUE(memoryData->IsValid());
  EXPECT_EQ(LoadCoreTextFontFromMemory("x", "not a font at all", 17), nullptr);
  EXPECT_EQ(LoadCoreTextFontFromMemory("x", nullptr, 10), nullptr);
  EXPECT_EQ(LoadCoreTextFontFromMemory("x", bytes.data(), -4), nullptr);
}

TEST_F(PlatformFontTest, TheCacheKeepsTheFirstDescriptorOfAnIdWithItsEMRatio) {
  TestFace tall = Face("Regular", "Tall");
  tall.unitsPerEm = 1000, tall.ascender = 800, tall.descender = -200;
  const std::vector<uint8_t> a = sfnt_test::BuildFont(Face("Regular", "A"));
  const std::vector<uint8_t> b = sfnt_test::BuildFont(tall);
  CoreTextFontPtr first = LoadCoreTextFontFromMemory("Roboto-Regular", a.data(), static_cast<int>(a.size()));
  CoreTextFontPtr second = LoadCoreTextFontFromMemory("Roboto-Regular", b.data(), static_cast<int>(b.size()));
  FontDescriptorCache& cache = GetFontDescriptorCache();
  AddCachedFontDescriptor("Roboto-Regular", *first, cache);
  AddCachedFontDescriptor("Roboto-Regular", *second, cache);
  AddCachedFontDescriptor("Tall", *second, cache);
  FontDescriptorCacheEntry* entry = FindCachedFontDescriptor("Roboto-Regular", cache);
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(entry->descriptor, first->GetDescriptor());
  EXPECT_DOUBLE_EQ(entry->emRatio, 2048.0 / 2400.0);
  EXPECT_DOUBLE_EQ(FindCachedFontDescriptor("Tall", cache)->emRatio, 1.0);
  EXPECT_EQ(FindCachedFontDescriptor("Other", cache), nullptr);
  // A font whose face gives no sizes is not cached.
  TestFace flat = Face("Regular", "Flat");
  flat.ascender = flat.descender = 100;
  const std::vector<uint8_t> f = sfnt_test::BuildFont(flat);
  CoreTextFontPtr flatFont = LoadCoreTextFontFromMemory("Flat", f.data(), static_cast<int>(f.size()));
  ASSERT_NE(flatFont, nullptr);
  AddCachedFontDescriptor("Flat", *flatFont, cache);
  EXPECT_EQ(FindCachedFontDescriptor("Flat", cache), nullptr);
  // Counted by the editors alive: the last one empties the cache.
  cache.Retain();
  cache.Retain();
  cache.Release();
  EXPECT_NE(FindCachedFontDescriptor("Tall", cache), nullptr);
  cache.Release();
  EXPECT_EQ(FindCachedFontDescriptor("Tall", cache), nullptr);
}

TEST_F(PlatformFontTest, TheInstalledRobotoLoadsByFamily) {
  ctx::SetFontFolders({});
  CoreTextFontPtr roboto = LoadCoreTextFontByName("Roboto-Regular", "Roboto", 0);
  if (roboto == nullptr) GTEST_SKIP() << "Roboto is not installed";
  std::unique_ptr<FontData> data(roboto->GetFontData());
  EXPECT_TRUE(data->IsValid());
  EXPECT_STREQ(data->mFamilyName.Get(), "Roboto");
  EXPECT_GT(data->EMRatio(), 0.5);
}

}  // namespace
