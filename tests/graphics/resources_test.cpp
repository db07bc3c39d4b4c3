// Resource loading: the scale search, bitmaps found, redrawn and kept at the wanted scale,
// raw resources, fonts and SVG images.

#include "graphics/IGfxStores.h"
#include "tests/graphics/GfxTestSupport.h"
#include "tests/platform/TempFolder.h"

#include <gtest/gtest.h>

#include <fstream>

namespace fx::gfx::test {
namespace {

struct ResourceFixture : EditorFixture
{
  TempFolder dir;
  std::string Path(const std::string& name) const { return dir.Path() + "/" + name; }
  int sourceScale = 0;
};

TEST(Resources, ScaleSearchOrder)
{
  EditorFixture f;
  const std::map<int, std::vector<int>> orders = {
    {1, {1, 4, 3, 2}}, {2, {2, 4, 3, 1}}, {3, {3, 4, 2, 1}}, {4, {4, 3, 2, 1}}, {5, {5, 4, 3, 2, 1}}};
  BitmapStorage& store = GetBitmapStore();
  for (const auto& [target, order] : orders)
  {
    // With entries at every candidate from k on, candidate k is the one found.
    for (int k = static_cast<int>(order.size()) - 1; k >= 0; --k)
    {
      std::vector<APIBitmap*> added;
      for (size_t i = static_cast<size_t>(k); i < order.size(); ++i)
      {
        added.push_back(new FakeBitmap(1, 1, static_cast<float>(order[i])));
        store.Add(added.back(), "order.png", order[i]);
      }
      int source = 0;
      EXPECT_EQ(f.gfx->LoadBitmapFromCache("order.png", target, source), added.front()) << target << " " << k;
      EXPECT_EQ(source, order[static_cast<size_t>(k)]);
      for (APIBitmap* b : added) store.Remove(b);
    }
  }
  int source = 0;
  EXPECT_EQ(f.gfx->LoadBitmapFromCache("order.png", 0, source), nullptr);
}

TEST(Resources, PlainFileRedrawnAtTheTargetScaleAndCached)
{
  ResourceFixture f;
  f.dir.Write("knob.png", "10 20");
  const std::string name = f.Path("knob.png");
  const int alive = FakeBitmap::sAlive;

  const IBitmap b = f.gfx->LoadBitmap(name.c_str(), 3, false, 2);
  ASSERT_TRUE(b.IsValid());
  const Call* load = f.gfx->Find("LoadAPIBitmap");
  ASSERT_NE(load, nullptr);
  EXPECT_EQ(load->s, name);
  EXPECT_EQ(load->a[0], 1); // found at source scale 1 after the scaled names
  EXPECT_EQ(f.gfx->Find("CreateAPIBitmap")->a, (std::vector<double>{20, 40, 2, 1, 1}));
  EXPECT_EQ(b.W(), 10);
  EXPECT_EQ(b.H(), 20);
  EXPECT_EQ(b.N(), 3);
  EXPECT_EQ(b.GetAPIBitmap()->GetScale(), 2.f);
  EXPECT_EQ(GetBitmapStore().Find(name.c_str(), 2.0), b.GetAPIBitmap());
  EXPECT_EQ(GetBitmapStore().Find(name.c_str(), 1.0), nullptr);
  EXPECT_EQ(FakeBitmap::sAlive, alive + 1); // the scale-1 bitmap was not kept

  // Again: from the store, without touching the disk.
  f.gfx->Clear();
  const IBitmap again = f.gfx->LoadBitmap(name.c_str(), 3, false, 2);
  EXPECT_EQ(again.GetAPIBitmap(), b.GetAPIBitmap());
  EXPECT_EQ(f.gfx->Count("LoadAPIBitmap"), 0);

  f.gfx->ReleaseBitmap(again);
  EXPECT_EQ(GetBitmapStore().Find(name.c_str(), 2.0), nullptr);
  EXPECT_EQ(FakeBitmap::sAlive, alive);
}

TEST(Resources, DoubleDensityFileRedrawnDownAndReloadedAtTheScreenScale)
{
  ResourceFixture f;
  f.dir.Write("bg@2x.png", "40 20");
  const std::string name = f.Path("bg.png");
  const IBitmap b = f.gfx->LoadBitmap(name.c_str());
  ASSERT_TRUE(b.IsValid());
  EXPECT_EQ(f.gfx->Find("LoadAPIBitmap")->s, f.Path("bg@2x.png"));
  EXPECT_EQ(f.gfx->Find("LoadAPIBitmap")->a[0], 2);
  EXPECT_EQ(b.W(), 20);
  EXPECT_EQ(b.GetAPIBitmap()->GetScale(), 1.f);

  f.gfx->SetScreenScale(2.f);
  f.gfx->Clear();
  const IBitmap reloaded = f.gfx->ReloadBitmap(b);
  EXPECT_EQ(reloaded.GetAPIBitmap()->GetScale(), 2.f);
  EXPECT_EQ(reloaded.W(), 20);
  EXPECT_EQ(f.gfx->Count("CreateAPIBitmap"), 0); // the file's own scale: nothing redrawn
}

TEST(Resources, RefusedMissingAndCorruptBitmapsAreEmpty)
{
  ResourceFixture f;
  f.dir.Write("knob", "10 20");
  f.dir.Write("broken.png", "not an image");
  const int alive = FakeBitmap::sAlive;
  EXPECT_FALSE(f.gfx->LoadBitmap(f.Path("knob").c_str()).IsValid()); // no extension
  EXPECT_EQ(f.gfx->Count("LoadAPIBitmap"), 0);
  EXPECT_FALSE(f.gfx->LoadBitmap(f.Path("missing.png").c_str()).IsValid());
  const IBitmap broken = f.gfx->LoadBitmap(f.Path("broken.png").c_str());
  EXPECT_FALSE(broken.IsValid());
  EXPECT_EQ(broken.W(), 0);
  EXPECT_EQ(GetBitmapStore().Find(f.Path("broken.png").c_str(), 1.0), nullptr);
  EXPECT_FALSE(f.gfx->LoadBitmap("img.png", "garbage", 7).IsValid());
  EXPECT_EQ(FakeBitmap::sAlive, alive);

  // From memory: decoded at scale 1 and kept.
  const IBitmap memory = f.gfx->LoadBitmap("mem.png", "8 4", 3);
  ASSERT_TRUE(memory.IsValid());
  EXPECT_EQ(memory.W(), 8);
  EXPECT_EQ(GetBitmapStore().Find("mem.png", 1.0), memory.GetAPIBitmap());
  f.gfx->ReleaseBitmap(memory);
}

TEST(Resources, RawResourcesAreReadWhole)
{
  ResourceFixture f;
  f.dir.Write("data.bin", std::string("ab\0cd", 5));
  const IByteBuffer data = f.gfx->LoadResource(f.Path("data.bin").c_str(), "bin");
  ASSERT_EQ(data.GetSize(), 5);
  EXPECT_EQ(std::string(static_cast<const char*>(data.Get()), 5), std::string("ab\0cd", 5));
  EXPECT_TRUE(f.gfx->LoadResource(f.Path("none.bin").c_str(), "bin").Empty());
  f.dir.Write("empty.bin", "");
  EXPECT_TRUE(f.gfx->LoadResource(f.Path("empty.bin").c_str(), "bin").Empty());

  // A file whose reported size is more than can be read gives nothing (files of the kernel's
  // attribute system report a page but hold a line).
  const char* attribute = "/sys/kernel/mm/transparent_hugepage/enabled";
  std::ifstream probe(attribute);
  if (probe)
  {
    EXPECT_TRUE(f.gfx->LoadResource(attribute, "").Empty());
  }
}

TEST(Resources, FontsNeedThePlatformAndTheBackEnd)
{
  EditorFixture f;
  EXPECT_TRUE(f.gfx->LoadFont("Roboto-Regular", "Roboto-Regular.ttf"));
  EXPECT_EQ(f.gfx->Count("CachePlatformFont"), 1);
  f.gfx->acceptFonts = false;
  EXPECT_FALSE(f.gfx->LoadFont("Roboto-Regular", "Roboto-Regular.ttf"));
  f.gfx->platformHasFont = false;
  EXPECT_FALSE(f.gfx->LoadFont("Verdana", "Verdana", kTextStyleBold));
  char bytes[4] = {};
  EXPECT_FALSE(f.gfx->LoadFont("Mem", bytes, 4));
  EXPECT_EQ(f.gfx->Count("CachePlatformFont"), 1);
}

TEST(Resources, SVGFromDataStopsAtNulAndFailuresAreNotCached)
{
  EditorFixture f;
  const std::string text = std::string("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"10\" height=\"20\"/>") +
                           std::string(1, '\0') + "garbage";
  const ISVG svg = f.gfx->LoadSVG("nul.svg", static_cast<const void*>(text.data()), static_cast<int>(text.size()));
  ASSERT_TRUE(svg.IsValid());
  EXPECT_EQ(svg.W(), 10.f);
  EXPECT_EQ(svg.H(), 20.f);
  // The same name again is the stored image, whatever the units.
  EXPECT_EQ(f.gfx->LoadSVG("nul.svg", static_cast<const void*>("x"), 1, "mm", 96.f).mImage, svg.mImage);
  EXPECT_FALSE(f.gfx->LoadSVG("bad.svg", static_cast<const void*>("not svg"), 7).IsValid());
  EXPECT_EQ(GetSVGStore().Find("bad.svg", 1.0), nullptr);
  EXPECT_FALSE(f.gfx->LoadSVG("/no/such/file.svg").IsValid());
}

} // namespace
} // namespace fx::gfx::test
