// A small TrueType font built table by table, so that tests can damage one structure of
// an otherwise sound font. The standard font has 1000 units per em, ascent 800, descent
// -200 and these glyphs: 0 a box (.notdef), 1 'A' a triangle, 2 'B' glyph 1 as a
// component moved right, 3 ' ' empty, 4 'C' a contour with curve points. It kerns A-B by
// -100 in both the kerning and the positioning table.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace fx::gfx::test::tinyfont {

using Bytes = std::vector<uint8_t>;

inline void put8(Bytes& b, uint32_t v) { b.push_back(uint8_t(v)); }
inline void put16(Bytes& b, uint32_t v) { b.push_back(uint8_t(v >> 8)), b.push_back(uint8_t(v)); }
inline void put32(Bytes& b, uint32_t v) { put16(b, v >> 16), put16(b, v & 0xFFFF); }
inline void set16(Bytes& b, size_t at, uint32_t v) { b[at] = uint8_t(v >> 8), b[at + 1] = uint8_t(v); }

struct Point {
  int x, y;
  bool on = true;
};

// A simple glyph of the given contours (points in font units); the box is the points' box.
inline Bytes simpleGlyph(const std::vector<std::vector<Point>>& contours) {
  int x0 = 1 << 20, y0 = 1 << 20, x1 = -(1 << 20), y1 = -(1 << 20);
  for (const auto& c : contours)
    for (const Point& p : c) x0 = std::min(x0, p.x), y0 = std::min(y0, p.y), x1 = std::max(x1, p.x), y1 = std::max(y1, p.y);
  Bytes g;
  put16(g, uint32_t(contours.size()));
  put16(g, uint32_t(x0)), put16(g, uint32_t(y0)), put16(g, uint32_t(x1)), put16(g, uint32_t(y1));
  int n = 0;
  for (const auto& c : contours) put16(g, uint32_t((n += int(c.size())) - 1));
  put16(g, 0);  // no instructions
  for (const auto& c : contours)
    for (const Point& p : c) put8(g, p.on ? 1 : 0);  // 16-bit deltas for x and y
  for (int axis = 0; axis < 2; axis++) {
    int prev = 0;
    for (const auto& c : contours)
      for (const Point& p : c) {
        const int v = axis == 0 ? p.x : p.y;
        put16(g, uint32_t(v - prev));
        prev = v;
      }
  }
  return g;
}

// A composite glyph with one component moved by (dx, dy), optionally scaled (F2Dot14).
inline Bytes compositeGlyph(int child, int dx, int dy, int box[4], int scale = -1) {
  Bytes g;
  put16(g, 0xFFFF);  // -1 contours
  for (int i = 0; i < 4; i++) put16(g, uint32_t(box[i]));
  put16(g, 0x0003 | (scale >= 0 ? 0x0008 : 0));  // 16-bit x/y offsets, maybe a scale
  put16(g, uint32_t(child));
  put16(g, uint32_t(dx)), put16(g, uint32_t(dy));
  if (scale >= 0) put16(g, uint32_t(scale));
  return g;
}

struct Font {
  std::vector<std::pair<std::string, Bytes>> tables;  // in directory order
  std::vector<Bytes> glyphs;
  std::vector<int> advances;

  Bytes& table(const char* tag) {
    for (auto& t : tables)
      if (t.first == tag) return t.second;
    tables.emplace_back(tag, Bytes());
    return tables.back().second;
  }
  void remove(const char* tag) {
    for (size_t i = 0; i < tables.size(); i++)
      if (tables[i].first == tag) tables.erase(tables.begin() + long(i)), i--;
  }

  // glyf and loca (long offsets) from the glyphs.
  void layOutGlyphs() {
    Bytes& glyf = table("glyf");
    Bytes& loca = table("loca");
    glyf.clear(), loca.clear();
    for (const Bytes& g : glyphs) {
      put32(loca, uint32_t(glyf.size()));
      glyf.insert(glyf.end(), g.begin(), g.end());
      while (glyf.size() % 4) glyf.push_back(0);
    }
    put32(loca, uint32_t(glyf.size()));
    Bytes& hmtx = table("hmtx");
    hmtx.clear();
    for (int a : advances) put16(hmtx, uint32_t(a)), put16(hmtx, 0);
    set16(table("maxp"), 4, uint32_t(glyphs.size()));
    set16(table("hhea"), 34, uint32_t(advances.size()));
  }

  // The font file: offset table, directory (tags in the given order) and the tables.
  Bytes build() const {
    Bytes f;
    put32(f, 0x00010000);
    put16(f, uint32_t(tables.size()));
    put16(f, 0), put16(f, 0), put16(f, 0);
    size_t offset = 12 + 16 * tables.size();
    for (const auto& t : tables) {
      for (int i = 0; i < 4; i++) put8(f, uint8_t(t.first[size_t(i)]));
      put32(f, 0);
      put32(f, uint32_t(offset));
      put32(f, uint32_t(t.second.size()));
      offset += (t.second.size() + 3) & ~size_t(3);
    }
    for (const auto& t : tables) {
      f.insert(f.end(), t.second.begin(), t.second.end());
      while (f.size() % 4) f.push_back(0);
    }
    return f;
  }
};

// A character map with one format 4 segment per character (sorted) and the final one.
inline Bytes cmapFormat4(const std::map<int, int>& chars) {
  const uint32_t seg = uint32_t(chars.size() + 1);
  uint32_t pow = 1, sel = 0;
  while (pow * 2 <= seg) pow *= 2, sel++;
  Bytes s;
  put16(s, 4), put16(s, 16 + 8 * seg), put16(s, 0);
  put16(s, 2 * seg), put16(s, 2 * pow), put16(s, sel), put16(s, 2 * seg - 2 * pow);
  for (const auto& c : chars) put16(s, uint32_t(c.first));
  put16(s, 0xFFFF);
  put16(s, 0);
  for (const auto& c : chars) put16(s, uint32_t(c.first));
  put16(s, 0xFFFF);
  for (const auto& c : chars) put16(s, uint32_t(c.second - c.first));
  put16(s, 1);
  for (uint32_t i = 0; i < seg; i++) put16(s, 0);
  Bytes t;
  put16(t, 0), put16(t, 1);
  put16(t, 3), put16(t, 1), put32(t, 12);
  t.insert(t.end(), s.begin(), s.end());
  return t;
}

inline Bytes kernPairs(const std::vector<std::pair<std::pair<int, int>, int>>& pairs) {
  Bytes k;
  put16(k, 0), put16(k, 1);                                          // version, one subtable
  put16(k, 0), put16(k, uint32_t(14 + 6 * pairs.size())), put16(k, 1);  // format 0, horizontal
  put16(k, uint32_t(pairs.size())), put16(k, 0), put16(k, 0), put16(k, 0);
  for (const auto& p : pairs) put16(k, uint32_t(p.first.first)), put16(k, uint32_t(p.first.second)), put16(k, uint32_t(p.second));
  return k;
}

// Positioning table with one pair adjustment lookup (format 1): first glyph a, second b.
inline Bytes gposPair(int a, int b, int xAdvance) {
  Bytes g;
  put16(g, 1), put16(g, 0);    // version 1.0
  put16(g, 0), put16(g, 0);    // script and feature lists (unread)
  put16(g, 10);                // lookup list
  put16(g, 1), put16(g, 4);    // one lookup, at 4 from the list
  put16(g, 2), put16(g, 0), put16(g, 1), put16(g, 8);  // type 2, flags, one subtable at 8
  // Pair adjustment format 1 at 10 + 4 + 8 = 22.
  put16(g, 1), put16(g, 12), put16(g, 4), put16(g, 0), put16(g, 1), put16(g, 18);
  put16(g, 1), put16(g, 1), put16(g, uint32_t(a));  // coverage: format 1, one glyph
  put16(g, 1), put16(g, uint32_t(b)), put16(g, uint32_t(xAdvance));  // pair set
  return g;
}

inline Font standard() {
  Font f;
  Bytes head(54, 0);
  set16(head, 0, 1);
  set16(head, 18, 1000);    // units per em
  set16(head, 50, 1);       // long loca offsets
  f.table("head") = head;
  Bytes hhea(36, 0);
  set16(hhea, 0, 1);
  set16(hhea, 4, 800), set16(hhea, 6, uint32_t(-200) & 0xFFFF);
  f.table("hhea") = hhea;
  Bytes maxp(6, 0);
  set16(maxp, 0, 0), set16(maxp, 2, 0x5000);
  f.table("maxp") = maxp;
  f.table("cmap") = cmapFormat4({{' ', 3}, {'A', 1}, {'B', 2}, {'C', 4}});
  int box[4] = {600, 0, 1100, 700};
  f.glyphs = {
    simpleGlyph({{{50, 0}, {450, 0}, {450, 700}, {50, 700}}}),
    simpleGlyph({{{0, 0}, {500, 0}, {250, 700}}}),
    compositeGlyph(1, 600, 0, box),
    Bytes(),
    simpleGlyph({{{100, 0}, {500, 0, false}, {500, 350}, {500, 700, false}, {100, 700}}}),
  };
  f.advances = {500, 550, 1150, 300, 600};
  f.table("hmtx"), f.table("loca"), f.table("glyf");
  f.layOutGlyphs();
  f.table("kern") = kernPairs({{{1, 2}, -100}});
  f.table("GPOS") = gposPair(1, 2, -100);
  return f;
}

}  // namespace fx::gfx::test::tinyfont
