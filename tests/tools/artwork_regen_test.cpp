// The committed pictures in resources/editor are exactly what tools/artwork draws today.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

#include "tools/artwork/ArtGenerate.h"

namespace orbexart {
namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& p) {
  std::ifstream f(p, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(f)), {});
}

TEST(ArtworkRegen, CommittedPicturesMatchTheGeneratorByteForByte) {
  const char* src = std::getenv("ORBEX_SOURCE_DIR");
  const fs::path committed = fs::path(src ? src : ".") / "resources" / "editor";
  const fs::path scratch = fs::temp_directory_path() / ("artwork_regen_" + std::to_string(::getpid()));
  fs::create_directories(scratch);
  ArtRenderer renderer(committed.string());
  ASSERT_TRUE(renderer.ok()) << renderer.error();
  for (const Strip& s : EditorStrips())
    for (int scale : kArtScales) {
      const std::string name = ScaledFileName(s.name, scale);
      const ArtImage img = RenderStrip(renderer, s, scale);
      ASSERT_TRUE(WritePng((scratch / name).string(), img)) << name;
      EXPECT_TRUE(ReadFile(scratch / name) == ReadFile(committed / name))
          << "resources/editor/" << name << " differs from what tools/artwork draws: run "
          << "`cmake --build build --target regen_artwork` and commit the pictures";
    }
  fs::remove_all(scratch);
}

// The pictures with a hover frame: an editor that scales a strip with filtering reads each
// frame's neighbouring rows, so a frame whose first or last row is not clear shows as a line
// over or under the frame next to it.
TEST(ArtworkRegen, HoverFramesLeaveTheirFirstAndLastRowsClear) {
  const char* src = std::getenv("ORBEX_SOURCE_DIR");
  ArtRenderer renderer((fs::path(src ? src : ".") / "resources" / "editor").string());
  ASSERT_TRUE(renderer.ok()) << renderer.error();
  const std::set<std::string> hover = {"button_previous", "button_next", "pluginmenu", "iconupdateavailable",
                                       "button_resize"};
  int checked = 0;
  for (const Strip& s : EditorStrips()) {
    if (!hover.count(s.name)) continue;
    for (int scale : kArtScales) {
      const ArtImage img = RenderStrip(renderer, s, scale);
      const int fh = s.h * scale;
      for (int f = 0; f < s.frames; f++)
        for (int y : {f * fh, f * fh + fh - 1})
          for (int x = 0; x < img.w; x++)
            ASSERT_EQ(img.at(x, y)[3], 0) << s.name << " at " << scale << "x, frame " << f + 1 << ", row " << y;
      checked++;
    }
  }
  EXPECT_EQ(checked, int(hover.size() * std::size(kArtScales)));
}

}  // namespace
}  // namespace orbexart
