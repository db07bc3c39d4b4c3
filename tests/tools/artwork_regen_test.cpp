// The committed pictures in resources/editor are exactly what tools/artwork draws today.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

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

}  // namespace
}  // namespace orbexart
