// Every picture and font the editor's layout loads: present at 1x, 2x and 3x, RGBA, the
// scaled files exactly two and three times the plain one, the frame count dividing the height
// and the frames of the size the layout's positions need; and the same files in the component
// bundle's resources.
#include <gtest/gtest.h>

#include "tests/support/ImageRead.h"
#define STB_TRUETYPE_IMPLEMENTATION
#include <stb_truetype.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace {

namespace fs = std::filesystem;

struct Picture {
  const char* name;
  int frames;
  int frameW, frameH;  // editor units
};

// The layout's bitmaps with their frame counts; the sizes follow from the control origins (the
// layout is mirror-symmetric about x = 500 with these widths) and the meter face's 188 x 120.
constexpr Picture kPictures[] = {
    {"button_resize", 2, 16, 16},     {"background", 1, 1000, 270},      {"Knob_big", 51, 82, 82},
    {"Knob_small", 51, 50, 50},       {"switch_toggle1", 2, 38, 24},     {"outputmode", 2, 70, 24},
    {"buttonVU", 2, 24, 14},          {"buttonOS", 2, 22, 14},           {"VUbase", 1, 188, 120},
    {"VULabel", 2, 32, 12},           {"VUneedle1", 51, 188, 120},       {"VUneedle", 51, 188, 120},
    {"VUglass", 1, 188, 120},         {"button_previous", 2, 20, 22},    {"button_next", 2, 20, 22},
    {"pluginmenu", 2, 30, 22},        {"iconupdateavailable", 2, 22, 22},
};

fs::path ResourceDir() {
  const char* src = std::getenv("ORBEX_SOURCE_DIR");
  return fs::path(src ? src : ".") / "resources" / "editor";
}

std::string ScaledName(const char* name, int scale) {
  return scale == 1 ? std::string(name) + ".png" : std::string(name) + "@" + std::to_string(scale) + "x.png";
}

std::string ReadFile(const fs::path& p) {
  std::ifstream f(p, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(f)), {});
}

TEST(EditorResources, EveryPictureExistsAtThreeScalesWithTheLayoutsFrames) {
  const fs::path dir = ResourceDir();
  for (const Picture& p : kPictures) {
    SCOPED_TRACE(p.name);
    for (int scale = 1; scale <= 3; scale++) {
      const fs::path file = dir / ScaledName(p.name, scale);
      int w = 0, h = 0, comp = 0;
      ASSERT_TRUE(testimage::Info(file.string(), w, h, comp)) << file;
      EXPECT_EQ(comp, 4) << file << " is not RGBA";
      EXPECT_EQ(h % p.frames, 0) << file;
      EXPECT_EQ(w, p.frameW * scale) << file;
      EXPECT_EQ(h, p.frameH * p.frames * scale) << file;
    }
  }
  // The corner resizer takes square frames of the bitmap's width.
  int w = 0, h = 0, comp = 0;
  ASSERT_TRUE(testimage::Info((dir / "button_resize.png").string(), w, h, comp));
  EXPECT_EQ(h, 2 * w);
}

TEST(EditorResources, TheBackgroundIsOpaqueEverywhere) {
  // The editor draws nothing behind it: a transparent pixel would show whatever the host has.
  for (int scale = 1; scale <= 3; scale++) {
    const fs::path file = ResourceDir() / ScaledName("background", scale);
    testimage::Decoded d;
    ASSERT_TRUE(testimage::Read(file.string(), d)) << file;
    size_t translucent = 0;
    for (size_t i = 3; i < d.rgba.size(); i += 4) translucent += d.rgba[i] != 255;
    EXPECT_EQ(translucent, 0u) << file;
  }
}

// Name record `id` of a font, as ASCII from its Windows Unicode (UTF-16BE) English entry.
std::string FontName(const stbtt_fontinfo& font, int id) {
  int len = 0;
  const char* s = stbtt_GetFontNameString(&font, &len, STBTT_PLATFORM_ID_MICROSOFT, STBTT_MS_EID_UNICODE_BMP,
                                          STBTT_MS_LANG_ENGLISH, id);
  std::string out;
  for (int i = 1; s && i < len; i += 2) out += s[i];
  return out;
}

TEST(EditorResources, TheFontsAreTheFacesTheLayoutLoadsWithTheirLicences) {
  const struct {
    const char* file;
    const char* family;
    const char* style;
  } fonts[] = {{"Roboto-Regular.ttf", "Roboto", "Regular"},
               {"verdana.ttf", "DejaVu Sans", "Book"},
               {"verdanab.ttf", "DejaVu Sans", "Bold"}};
  for (const auto& f : fonts) {
    SCOPED_TRACE(f.file);
    const std::string data = ReadFile(ResourceDir() / f.file);
    ASSERT_FALSE(data.empty());
    const auto* bytes = reinterpret_cast<const unsigned char*>(data.data());
    stbtt_fontinfo font;
    ASSERT_TRUE(stbtt_InitFont(&font, bytes, stbtt_GetFontOffsetForIndex(bytes, 0)));
    EXPECT_EQ(FontName(font, 1), f.family);
    EXPECT_EQ(FontName(font, 2), f.style);
    EXPECT_NE(stbtt_FindGlyphIndex(&font, '0'), 0);
  }
  EXPECT_NE(ReadFile(ResourceDir() / "DejaVu-LICENSE.txt").find("Bitstream Vera"), std::string::npos);
  EXPECT_NE(ReadFile(ResourceDir() / "Roboto-LICENSE.txt").find("Apache License"), std::string::npos);
}

#ifdef ORBEX9_BUNDLE_RESOURCES
TEST(EditorResources, TheComponentBundleHoldsEveryResource) {
  const fs::path bundle = ORBEX9_BUNDLE_RESOURCES;
  size_t files = 0;
  for (const fs::directory_entry& e : fs::directory_iterator(ResourceDir())) {
    if (!e.is_regular_file()) continue;
    SCOPED_TRACE(e.path().filename().string());
    const fs::path copy = bundle / e.path().filename();
    ASSERT_TRUE(fs::exists(copy));
    EXPECT_EQ(ReadFile(copy), ReadFile(e.path()));
    files++;
  }
  // 17 pictures at three scales, three fonts, two licences.
  EXPECT_EQ(files, 17u * 3 + 3 + 2);
}
#endif

}  // namespace
