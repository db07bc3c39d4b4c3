// Damaged and hostile font files: each is refused at loading, or loads and loses only the
// damaged part, and nothing is read outside the file (the sanitizer builds run this too).
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "tests/vector/TinyFont.h"
#include "vector/Fstash.h"

namespace fx::gfx {
namespace {

using test::tinyfont::Bytes;
using test::tinyfont::Font;
using test::tinyfont::put16;
using test::tinyfont::set16;

// A stash with one font loaded from bytes (or none: font -1), drawing at 100 px.
struct Loaded {
  FstashContext* s = nullptr;
  int font = -1;
  explicit Loaded(const Bytes& bytes, int face = 0) {
    FstashParams p;
    std::memset(&p, 0, sizeof(p));
    p.width = p.height = 512;
    p.flags = FSTASH_ZERO_TOPLEFT;
    s = fstashCreate(&p);
    auto* copy = static_cast<unsigned char*>(std::malloc(bytes.size() + 1));
    if (!bytes.empty()) std::memcpy(copy, bytes.data(), bytes.size());
    font = fstashAddFontFromMemory(s, "t", copy, int(bytes.size()), face, 1);
    fstashSetFont(s, font);
    fstashSetSize(s, 100);
  }
  ~Loaded() { fstashDelete(s); }
  float advance(const char* text) { return fstashTextBounds(s, 0, 0, text, nullptr, nullptr); }
  // Ink of the glyphs drawn for text: the sum of their atlas texels.
  long ink(const char* text) {
    fstashDrawText(s, 0, 100, text, nullptr);
    int w = 0, h = 0;
    const unsigned char* tex = fstashGetTextureData(s, &w, &h);
    long sum = 0;
    for (int i = 0; i < w * h; i++) sum += tex[i];
    return sum - 4 * 255;  // less the white rectangle
  }
};

Bytes build(Font f) { return f.build(); }

TEST(VectorFontCheck, SoundFontDrawsItsGlyphsWithKerning) {
  Loaded l(build(test::tinyfont::standard()));
  ASSERT_EQ(l.font, 0);
  // Advances at 100 px per 1000 units (ascent - descent), kerned A-B by -100 units.
  EXPECT_FLOAT_EQ(l.advance("A"), 55);
  EXPECT_FLOAT_EQ(l.advance("AB"), 55 + 115 - 9);  // the kerning rounds half up, toward zero
  EXPECT_GT(l.ink("A"), 0);
  Loaded b(build(test::tinyfont::standard()));
  EXPECT_GT(b.ink("B"), 0);  // the composite glyph
  Loaded c(build(test::tinyfont::standard()));
  EXPECT_GT(c.ink("C"), 0);  // curves
}

TEST(VectorFontCheck, DamagedRequiredTablesRefuseTheFont) {
  using Damage = void (*)(Font&);
  const Damage damages[] = {
    [](Font& f) { f.remove("hmtx"); },
    [](Font& f) { f.table("hmtx").resize(8); },                                    // fewer metrics than glyphs
    [](Font& f) { set16(f.table("hhea"), 34, 0); },                                // no long metrics
    [](Font& f) { f.table("loca").resize(12); },                                   // offsets for 2 of 5 glyphs
    [](Font& f) { set16(f.table("head"), 50, 2); },                                // unknown offset format
    [](Font& f) { f.table("head").resize(40); },
    [](Font& f) { f.table("maxp").resize(4); },
    [](Font& f) { set16(f.table("maxp"), 4, 0); },
    [](Font& f) { f.remove("glyf"); },                                             // no TrueType outlines
    [](Font& f) { set16(f.table("cmap"), 2, 200); },                               // encodings past the table
    [](Font& f) { test::tinyfont::set16(f.table("cmap"), 4 + 2, 0), set16(f.table("cmap"), 4, 7); },  // none usable
    [](Font& f) { set16(f.table("cmap"), 12 + 6, 400); },                          // segments past the table
    [](Font& f) { set16(f.table("cmap"), 12 + 12, 60); },                          // search starts past them
    [](Font& f) {                                                                  // a range reaching past the table
      Bytes& c = f.table("cmap");
      set16(c, 12 + 16 + 6 * 5, 2000);
    },
  };
  for (size_t i = 0; i < std::size(damages); i++) {
    SCOPED_TRACE(i);
    Font f = test::tinyfont::standard();
    damages[i](f);
    Loaded l(f.build());
    EXPECT_EQ(l.font, -1);
  }
}

TEST(VectorFontCheck, TableDirectoryMustLieInsideTheFile) {
  Bytes bytes = build(test::tinyfont::standard());
  Bytes lying = bytes;
  test::tinyfont::set16(lying, 12 + 16 * 2 + 12, 0x7FFF);  // third table's length high word
  EXPECT_EQ(Loaded(lying).font, -1);
  Bytes many = bytes;
  set16(many, 4, 4000);  // more directory records than the file holds
  EXPECT_EQ(Loaded(many).font, -1);
  // Every truncation of the file is refused or read safely.
  for (size_t n = 0; n < bytes.size(); n += 7) {
    Loaded l(Bytes(bytes.begin(), bytes.begin() + long(n)));
    if (l.font >= 0) l.ink("ABC");
  }
  // A collection: a face index past its faces is refused; a face offset past the file too.
  Bytes ttc;
  for (char ch : std::string("ttcf")) ttc.push_back(uint8_t(ch));
  test::tinyfont::put32(ttc, 0x00010000), test::tinyfont::put32(ttc, 2);
  test::tinyfont::put32(ttc, 20), test::tinyfont::put32(ttc, 0x7FFFFF00);
  const size_t base = ttc.size();
  ttc.insert(ttc.end(), bytes.begin(), bytes.end());
  for (size_t r = 0; r < test::tinyfont::standard().tables.size(); r++) {
    // Table offsets in a collection are from the file's start.
    const size_t at = base + 12 + 16 * r + 8;
    const uint32_t off = (uint32_t(ttc[at]) << 24 | uint32_t(ttc[at + 1]) << 16 | uint32_t(ttc[at + 2]) << 8 | ttc[at + 3]) + 20;
    test::tinyfont::set16(ttc, at, off >> 16), set16(ttc, at + 2, off & 0xFFFF);
  }
  EXPECT_EQ(Loaded(ttc, 0).font, 0);
  EXPECT_EQ(Loaded(ttc, 1).font, -1);
  EXPECT_EQ(Loaded(ttc, 2).font, -1);
}

TEST(VectorFontCheck, DamagedGlyphsDrawNothingAndKeepTheirAdvance) {
  auto withGlyph = [](int index, const Bytes& glyph) {
    Font f = test::tinyfont::standard();
    f.glyphs[size_t(index)] = glyph;
    f.layOutGlyphs();
    return f.build();
  };
  // A box turned inside out (x0 > x1): no bitmap, no negative-size raster. A box thirty
  // times the font's height.
  Bytes inverted = test::tinyfont::simpleGlyph({{{0, 0}, {500, 0}, {250, 700}}});
  set16(inverted, 2, 500), set16(inverted, 6, 0);
  Bytes huge = test::tinyfont::simpleGlyph({{{0, 0}, {500, 0}, {250, 700}}});
  set16(huge, 6, 30000);
  // Contour ends that run backwards; more points than bytes; a lone off-curve contour.
  Bytes backwards = test::tinyfont::simpleGlyph({{{0, 0}, {500, 0}, {250, 700}}, {{10, 10}, {20, 10}, {15, 20}}});
  set16(backwards, 10, 4), set16(backwards, 12, 2);
  Bytes overrun = test::tinyfont::simpleGlyph({{{0, 0}, {500, 0}, {250, 700}}});
  set16(overrun, 10, 3000);
  Bytes lone = test::tinyfont::simpleGlyph({{{0, 0}, {500, 0}, {250, 700}}, {{100, 100, false}}});
  // Components: one naming itself, one whose scaled offset leaves the 16-bit range, one
  // cut short.
  int box[4] = {0, 0, 500, 700};
  const Bytes self = test::tinyfont::compositeGlyph(1, 0, 0, box);
  Bytes far = test::tinyfont::compositeGlyph(4, 32000, 0, box, 0x7FFF);  // scale ~2
  Bytes cut = test::tinyfont::compositeGlyph(4, 0, 0, box);
  cut.resize(14);
  for (const Bytes& damaged : {inverted, huge, backwards, overrun, lone, self, far, cut}) {
    Loaded l(withGlyph(1, damaged));
    ASSERT_EQ(l.font, 0);
    EXPECT_EQ(l.ink("A"), 0);
    EXPECT_FLOAT_EQ(l.advance("A"), 55);
    EXPECT_GT(l.ink("C"), 0);  // the rest of the font is untouched
  }
  // A loop through two composites.
  Font loop = test::tinyfont::standard();
  loop.glyphs[1] = test::tinyfont::compositeGlyph(2, 0, 0, box);
  loop.layOutGlyphs();
  Loaded l(loop.build());
  ASSERT_EQ(l.font, 0);
  EXPECT_EQ(l.ink("AB"), 0);
  // An outline whose offsets run past the outline table is dropped the same way.
  Font past = test::tinyfont::standard();
  past.layOutGlyphs();
  Bytes& loca = past.table("loca");
  set16(loca, 4 * 2, 0x00FF), set16(loca, 4 * 2 + 2, 0);
  Loaded p(past.build());
  ASSERT_EQ(p.font, 0);
  EXPECT_EQ(p.ink("A"), 0);
}

TEST(VectorFontCheck, CharacterMapBeyondTheGlyphsGivesTheMissingGlyph) {
  Font f = test::tinyfont::standard();
  f.table("cmap") = test::tinyfont::cmapFormat4({{'A', 1}, {'Z', 900}});
  Loaded l(f.build());
  ASSERT_EQ(l.font, 0);
  EXPECT_FLOAT_EQ(l.advance("Z"), 50);  // glyph 0's advance
}

TEST(VectorFontCheck, DamagedKerningTablesAreLeftUnread) {
  const float plain = 55 + 115, kerned = plain - 9;
  {
    Font f = test::tinyfont::standard();
    f.remove("GPOS");
    set16(f.table("kern"), 10, 9000);  // more pairs than the table holds
    Loaded l(f.build());
    ASSERT_EQ(l.font, 0);
    EXPECT_FLOAT_EQ(l.advance("AB"), plain);
  }
  // A damaged positioning table falls back to the kerning table.
  using Damage = void (*)(Bytes&);
  const Damage damages[] = {
    [](Bytes& g) { set16(g, 10, 50); },       // lookups past the table
    [](Bytes& g) { set16(g, 12, 200); },      // a lookup past it
    [](Bytes& g) { set16(g, 24, 300); },      // coverage past it
    [](Bytes& g) { set16(g, 32, 4000); },     // a pair set past it
    [](Bytes& g) { set16(g, 40, 3000); },     // more pairs than it holds
    [](Bytes& g) { set16(g, 36, 20); },       // coverage of more glyphs than it holds
    [](Bytes& g) { g.resize(30); },
  };
  for (size_t i = 0; i < std::size(damages); i++) {
    SCOPED_TRACE(i);
    Font f = test::tinyfont::standard();
    damages[i](f.table("GPOS"));
    Loaded l(f.build());
    ASSERT_EQ(l.font, 0);
    EXPECT_FLOAT_EQ(l.advance("AB"), kerned);
  }
  // Class-based pairs (format 2), alone: read when sound, left unread when the records
  // they index run past the table.
  auto classPairs = [](int class2Count) {
    Font f = test::tinyfont::standard();
    f.remove("kern");
    Bytes& g = f.table("GPOS");
    g.resize(22);  // header, lookup list and lookup as before; the subtable at 22
    put16(g, 2), put16(g, 24), put16(g, 4), put16(g, 0);  // format 2, coverage at 22 + 24
    put16(g, 30), put16(g, 38);                            // class definitions
    put16(g, 2), put16(g, uint32_t(class2Count));          // classes
    put16(g, 0), put16(g, 0), put16(g, 0), put16(g, uint32_t(-100) & 0xFFFF);  // 2 x 2 records
    put16(g, 1), put16(g, 1), put16(g, 1);                 // coverage: glyph 1
    put16(g, 1), put16(g, 1), put16(g, 1), put16(g, 1);    // first glyphs: glyph 1 is class 1
    put16(g, 1), put16(g, 2), put16(g, 1), put16(g, 1);    // second glyphs: glyph 2 is class 1
    return f.build();
  };
  EXPECT_FLOAT_EQ(Loaded(classPairs(2)).advance("AB"), kerned);
  EXPECT_FLOAT_EQ(Loaded(classPairs(3000)).advance("AB"), plain);
}

// Every TrueType font of the machine's font folders still loads and draws.
TEST(VectorFontCheck, SystemFontsStillLoad) {
  int fonts = 0;
  std::error_code ec;
  for (const auto& e : std::filesystem::recursive_directory_iterator("/usr/share/fonts", ec)) {
    const std::string ext = e.path().extension().string();
    if (ext != ".ttf" && ext != ".TTF") continue;
    std::ifstream in(e.path(), std::ios::binary);
    const Bytes bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    SCOPED_TRACE(e.path().string());
    Loaded l(bytes);
    EXPECT_EQ(l.font, 0);
    if (l.font == 0) {
      EXPECT_GT(l.ink("Ag"), 0);
    }
    fonts++;
  }
  EXPECT_GT(fonts, 0);
}

}  // namespace
}  // namespace fx::gfx
