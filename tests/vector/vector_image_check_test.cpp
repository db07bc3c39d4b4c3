// Editor bitmaps from damaged or hostile files: only PNG and JPEG of a sane size are
// decoded, an image without pixels never reaches the back end, and the structures the
// decoder trusts are checked first.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STB_IMAGE_WRITE_STATIC
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#endif
#include <stb_image_write.h>
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

#include "tests/vector/RecordingRenderer.h"
#include "vector/VGContext.h"
#include "vector/VGImageCheck.h"

namespace fx::gfx {
namespace {

using Bytes = std::vector<uint8_t>;
using test::RecordingContext;

Bytes encode(bool jpeg, int w, int h) {
  std::vector<uint8_t> px(size_t(w) * h * 4);
  for (size_t i = 0; i < px.size(); i++) px[i] = uint8_t(i * 37 + (i / 4) * 11);
  Bytes out;
  auto sink = [](void* ctx, void* data, int size) {
    auto* b = static_cast<Bytes*>(ctx);
    const size_t at = b->size();
    b->resize(at + size_t(size));
    std::memcpy(b->data() + at, data, size_t(size));
  };
  if (jpeg)
    stbi_write_jpg_to_func(sink, &out, w, h, 4, px.data(), 80);
  else
    stbi_write_png_to_func(sink, &out, w, h, 4, px.data(), w * 4);
  return out;
}

uint32_t be32(const Bytes& b, size_t at) {
  return uint32_t(b[at]) << 24 | uint32_t(b[at + 1]) << 16 | uint32_t(b[at + 2]) << 8 | b[at + 3];
}
void setBe32(Bytes& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; i++) b[at + size_t(i)] = uint8_t(v >> (24 - 8 * i));
}

int load(RecordingContext& rc, const Bytes& bytes) {
  return vgrCreateImageFromMemory(rc.ctx, 0, bytes.data(), int(bytes.size()));
}

TEST(VectorImageCheck, PngAndJpegDecodeAtTheirSize) {
  RecordingContext rc;
  for (bool jpeg : {false, true}) {
    const int id = load(rc, encode(jpeg, 13, 7));
    ASSERT_NE(id, 0);
    EXPECT_EQ(rc.r.textures[id].w, 13);
    EXPECT_EQ(rc.r.textures[id].h, 7);
    EXPECT_EQ(rc.r.textures[id].type, VG_TEXTURE_RGBA);
  }
  // From a file as well; a missing file gives no image.
  const std::string path = "/tmp/orbex9-image-check-" + std::to_string(::getpid()) + ".png";
  const Bytes png = encode(false, 5, 3);
  FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  std::fwrite(png.data(), 1, png.size(), f);
  std::fclose(f);
  const int fromFile = vgrCreateImageFromFile(rc.ctx, path.c_str(), 0);
  std::remove(path.c_str());
  ASSERT_NE(fromFile, 0);
  EXPECT_EQ(rc.r.textures[fromFile].w, 5);
  EXPECT_EQ(vgrCreateImageFromFile(rc.ctx, path.c_str(), 0), 0);
}

TEST(VectorImageCheck, OtherFormatsAndEmptyInputAreRefused) {
  RecordingContext rc;
  const int before = rc.r.created;
  const std::string others[] = {
    std::string("BM\x46\0\0\0\0\0\0\0\x36\0\0\0\x28\0\0\0\x02\0\0\0\x02\0\0\0\x01\0\x18\0", 30),
    "GIF89a\x02\0\x02\0\x80\0\0",
    std::string("\0\0\x02\0\0\0\0\0\0\0\0\0\x02\0\x02\0\x18\0", 18),  // a TGA header
    "P6\n2 2\n255\n",
    "#?RADIANCE\n",
  };
  for (const std::string& s : others)
    EXPECT_EQ(vgrCreateImageFromMemory(rc.ctx, 0, reinterpret_cast<const unsigned char*>(s.data()), int(s.size())), 0);
  EXPECT_EQ(vgrCreateImageFromMemory(rc.ctx, 0, nullptr, 10), 0);
  const unsigned char one = 0x89;
  EXPECT_EQ(vgrCreateImageFromMemory(rc.ctx, 0, &one, 0), 0);
  EXPECT_EQ(rc.r.created, before);
}

TEST(VectorImageCheck, SizesOutsideTheLimitsAreRefusedBeforeDecoding) {
  RecordingContext rc;
  const int before = rc.r.created;
  const Bytes png = encode(false, 4, 4);
  // The header's width and height (bytes 16 and 20); the checksum is not what decides. A
  // size within the limits that the file's few bytes cannot fill is refused as well.
  for (auto [w, h] : {std::pair<uint32_t, uint32_t>{0, 4}, {4, 0}, {16385, 1}, {1, 16385}, {9000, 9000},
                      {0x7FFFFFFF, 0x7FFFFFFF}, {4000, 4000}}) {
    Bytes b = png;
    setBe32(b, 16, w), setBe32(b, 20, h);
    EXPECT_FALSE(vgrCheckEncodedImage(b.data(), b.size())) << w << " x " << h;
    EXPECT_EQ(load(rc, b), 0);
  }
  EXPECT_EQ(rc.r.created, before);
  // The longest sides themselves are accepted.
  for (auto [w, h] : {std::pair<int, int>{16384, 1}, {1, 16384}}) {
    const int id = load(rc, encode(false, w, h));
    ASSERT_NE(id, 0);
    EXPECT_EQ(rc.r.textures[id].w, w);
  }
  // A JPEG frame header of zero or too many lines.
  const Bytes jpg = encode(true, 4, 4);
  for (size_t at = 2; at + 9 < jpg.size(); at++) {
    if (jpg[at] != 0xFF || jpg[at + 1] != 0xC0) continue;
    for (uint32_t lines : {0u, 20000u}) {
      Bytes b = jpg;
      b[at + 5] = uint8_t(lines >> 8), b[at + 6] = uint8_t(lines);
      EXPECT_EQ(load(rc, b), 0) << lines;
    }
    break;
  }
  // A large frame whose scan is a few bytes long.
  Bytes small = jpg;
  for (size_t at = 2; at + 9 < small.size(); at++) {
    if (small[at] != 0xFF || small[at + 1] != 0xC0) continue;
    small[at + 5] = 0x10, small[at + 7] = 0x10;  // 4100 x 4100
    break;
  }
  EXPECT_EQ(load(rc, small), 0);
}

TEST(VectorImageCheck, DamagedStructuresAreRefused) {
  RecordingContext rc;
  const int before = rc.r.created;
  // A Huffman table listing more than 256 codes.
  const Bytes jpg = encode(true, 8, 8);
  bool found = false;
  for (size_t at = 2; at + 21 < jpg.size() && !found; at++) {
    if (jpg[at] != 0xFF || jpg[at + 1] != 0xC4) continue;
    Bytes b = jpg;
    for (int i = 0; i < 16; i++) b[at + 5 + size_t(i)] = 200;
    EXPECT_EQ(load(rc, b), 0);
    found = true;
  }
  EXPECT_TRUE(found);
  // Image data that starts with an empty chunk; a chunk length past the file.
  const Bytes png = encode(false, 4, 4);
  size_t idat = 8;
  while (idat + 8 < png.size() && std::string(png.begin() + long(idat) + 4, png.begin() + long(idat) + 8) != "IDAT")
    idat += 12 + be32(png, idat);
  ASSERT_LT(idat + 8, png.size());
  Bytes empty(png.begin(), png.begin() + long(idat));
  const unsigned char chunk[12] = {0, 0, 0, 0, 'I', 'D', 'A', 'T', 0x35, 0xAF, 0x06, 0x1E};
  empty.insert(empty.end(), chunk, chunk + 12);
  empty.insert(empty.end(), png.begin() + long(idat), png.end());
  EXPECT_EQ(load(rc, empty), 0);
  Bytes longChunk = png;
  setBe32(longChunk, idat, 0x00FFFFFF);
  EXPECT_EQ(load(rc, longChunk), 0);
  // Every truncation is refused or decoded safely; none hands the back end an empty image.
  for (const Bytes& whole : {png, jpg})
    for (size_t n = 1; n < whole.size(); n++) {
      // An allocation of exactly the prefix, so a read past it is seen.
      std::unique_ptr<uint8_t[]> part(new uint8_t[n]);
      std::memcpy(part.get(), whole.data(), n);
      vgrCreateImageFromMemory(rc.ctx, 0, part.get(), int(n));
    }
  for (const auto& t : rc.r.textures) EXPECT_TRUE(t.second.w > 0 && t.second.h > 0);
  EXPECT_GE(rc.r.created, before);
}

}  // namespace
}  // namespace fx::gfx
