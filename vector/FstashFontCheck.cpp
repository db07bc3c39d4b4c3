#include "vector/FstashFontCheck.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace fx::gfx {

namespace {

// Big-endian reads; every caller has checked the bytes lie inside the data.
uint32_t u8(const unsigned char* p) { return p[0]; }
uint32_t u16(const unsigned char* p) { return (uint32_t(p[0]) << 8) | p[1]; }
int32_t s16(const unsigned char* p) { return static_cast<int16_t>(u16(p)); }
uint32_t u32(const unsigned char* p) { return (u16(p) << 16) | u16(p + 2); }

struct Table {
  uint64_t off = 0, len = 0;
  bool found() const { return off != 0; }
};

// The first directory record with the tag, as the library looks tables up; a table at
// offset 0 counts as missing for the library too.
Table findTable(const unsigned char* data, uint64_t dir, uint32_t numTables, const char* tag) {
  for (uint32_t i = 0; i < numTables; i++) {
    const unsigned char* rec = data + dir + 16 * uint64_t(i);
    if (std::memcmp(rec, tag, 4) == 0) return Table{u32(rec + 8), u32(rec + 12)};
  }
  return Table{};
}

// The character map subtable the library picks (the last Unicode one) and the parts of it
// that a lookup can reach.
bool checkCmap(const unsigned char* data, const Table& t) {
  if (t.len < 4) return false;
  const unsigned char* cmap = data + t.off;
  const uint64_t numTables = u16(cmap + 2);
  if (4 + 8 * numTables > t.len) return false;
  uint64_t sub = 0;
  bool chosen = false;
  for (uint64_t i = 0; i < numTables; i++) {
    const unsigned char* rec = cmap + 4 + 8 * i;
    const uint32_t platform = u16(rec), encoding = u16(rec + 2);
    if ((platform == 3 && (encoding == 1 || encoding == 10)) || platform == 0) {
      sub = u32(rec + 4);
      chosen = true;
    }
  }
  if (!chosen || sub + 2 > t.len) return false;
  const unsigned char* s = cmap + sub;
  const uint64_t rem = t.len - sub;
  switch (u16(s)) {
    case 0: {
      if (rem < 4) return false;
      const uint64_t bytes = u16(s + 2);
      return bytes <= 6 || bytes <= rem;
    }
    case 6:
      return rem >= 10 && 10 + 2 * uint64_t(u16(s + 8)) <= rem;
    case 4: {
      if (rem < 14) return false;
      const uint64_t seg = u16(s + 6) >> 1;
      if (seg == 0 || 16 + 8 * seg > rem) return false;
      // The binary search starts at rangeShift and adds halves of searchRange for
      // entrySelector steps; the segment it ends on must exist.
      uint64_t reach = u16(s + 12) >> 1;
      uint32_t range = u16(s + 8) >> 1;
      const uint32_t steps = std::min<uint32_t>(u16(s + 10), 32);
      for (uint32_t i = 0; i < steps; i++) {
        range >>= 1;
        reach += range;
      }
      if (reach >= seg) return false;
      for (uint64_t i = 0; i < seg; i++) {
        const uint64_t end = u16(s + 14 + 2 * i), start = u16(s + 16 + 2 * seg + 2 * i);
        const uint64_t rangeOffset = u16(s + 16 + 6 * seg + 2 * i);
        if (rangeOffset == 0 || end < start) continue;
        if (16 + 6 * seg + 2 * i + rangeOffset + 2 * (end - start) + 2 > rem) return false;
      }
      return true;
    }
    case 12:
    case 13:
      return rem >= 16 && 16 + 12 * uint64_t(u32(s + 12)) <= rem;
    default:
      return true;  // formats the library does not read map nothing
  }
}

bool checkKern(const unsigned char* data, const Table& t) {
  if (!t.found()) return true;
  const unsigned char* k = data + t.off;
  if (t.len < 4) return false;
  if (u16(k + 2) < 1) return true;
  if (t.len < 10) return false;
  if (u16(k + 8) != 1) return true;
  return t.len >= 12 && 18 + 6 * uint64_t(u16(k + 10)) <= t.len;
}

// Largest coverage index a coverage table can give, or -1 when it gives none; false when
// the table reaches past len.
bool coverageReach(const unsigned char* g, uint64_t at, uint64_t len, int64_t* maxIndex) {
  *maxIndex = -1;
  if (at + 2 > len) return false;
  const uint32_t format = u16(g + at);
  if (format != 1 && format != 2) return true;
  if (at + 4 > len) return false;
  const uint64_t count = u16(g + at + 2);
  if (format == 1) {
    if (at + 4 + 2 * count > len) return false;
    *maxIndex = int64_t(count) - 1;
    return true;
  }
  if (at + 4 + 6 * count > len) return false;
  for (uint64_t i = 0; i < count; i++) {
    const unsigned char* r = g + at + 4 + 6 * i;
    const int64_t start = u16(r), end = u16(r + 2), first = u16(r + 4);
    if (end >= start) *maxIndex = std::max(*maxIndex, first + end - start);
  }
  return true;
}

bool classDefFits(const unsigned char* g, uint64_t at, uint64_t len) {
  if (at + 2 > len) return false;
  switch (u16(g + at)) {
    case 1:
      return at + 6 <= len && at + 6 + 2 * uint64_t(u16(g + at + 4)) <= len;
    case 2:
      return at + 4 <= len && at + 4 + 6 * uint64_t(u16(g + at + 2)) <= len;
    default:
      return true;
  }
}

// Pair kerning of the positioning table, as far as the library reads it.
bool checkGposPairs(const unsigned char* g, uint64_t table, uint64_t len) {
  if (table + 4 > len) return false;
  const uint32_t format = u16(g + table);
  int64_t maxCoverage = -1;
  if (!coverageReach(g, table + u16(g + table + 2), len, &maxCoverage)) return false;
  if (maxCoverage < 0 || (format != 1 && format != 2)) return true;
  if (table + 8 > len) return false;
  if (u16(g + table + 4) != 4 || u16(g + table + 6) != 0) return true;
  if (format == 1) {
    // The pair set offset and count are read for any coverage index before the index is
    // compared with the number of pair sets.
    if (table + 10 + 2 * uint64_t(maxCoverage) + 2 > len) return false;
    const int64_t pairSets = u16(g + table + 8);
    for (int64_t i = 0; i <= maxCoverage; i++) {
      const uint64_t set = table + u16(g + table + 10 + 2 * i);
      if (set + 2 > len) return false;
      if (i < pairSets && set + 2 + 4 * uint64_t(u16(g + set)) > len) return false;
    }
    return true;
  }
  if (table + 16 > len) return false;
  if (!classDefFits(g, table + u16(g + table + 8), len) || !classDefFits(g, table + u16(g + table + 10), len))
    return false;
  return table + 16 + 2 * uint64_t(u16(g + table + 12)) * u16(g + table + 14) <= len;
}

bool checkGpos(const unsigned char* data, const Table& t) {
  if (!t.found()) return true;
  const unsigned char* g = data + t.off;
  const uint64_t len = t.len;
  if (len < 4) return false;
  if (u16(g) != 1 || u16(g + 2) != 0) return true;
  if (len < 10) return false;
  const uint64_t list = u16(g + 8);
  if (list + 2 > len) return false;
  const uint64_t lookups = u16(g + list);
  if (list + 2 + 2 * lookups > len) return false;
  for (uint64_t i = 0; i < lookups; i++) {
    const uint64_t lookup = list + u16(g + list + 2 + 2 * i);
    if (lookup + 6 > len) return false;
    if (u16(g + lookup) != 2) continue;
    const uint64_t subtables = u16(g + lookup + 4);
    if (lookup + 6 + 2 * subtables > len) return false;
    for (uint64_t k = 0; k < subtables; k++)
      if (!checkGposPairs(g, lookup + u16(g + lookup + 6 + 2 * k), len)) return false;
  }
  return true;
}

struct Box {
  int32_t x0 = 0, y0 = 0, x1 = -1, y1 = -1;  // empty while x1 < x0
  bool empty() const { return x1 < x0; }
  void add(int32_t x, int32_t y) {
    if (empty()) {
      x0 = x1 = x, y0 = y1 = y;
      return;
    }
    x0 = std::min(x0, x), x1 = std::max(x1, x), y0 = std::min(y0, y), y1 = std::max(y1, y);
  }
};

constexpr int kMaxComponentDepth = 8;
constexpr int kMaxComponents = 1024;

// Points of a simple glyph, read exactly as the outline reader reads them.
bool checkSimple(const unsigned char* p, uint64_t len, int32_t contours, Box* box) {
  const uint64_t nc = uint64_t(contours);
  if (12 + 2 * nc > len) return false;
  int64_t prev = -1;
  for (uint64_t i = 0; i < nc; i++) {
    const int64_t end = u16(p + 10 + 2 * i);
    if (end <= prev) return false;
    prev = end;
  }
  const uint64_t n = uint64_t(prev) + 1;
  uint64_t pos = 12 + 2 * nc + u16(p + 10 + 2 * nc);
  std::vector<unsigned char> flags(n);
  uint32_t flag = 0, repeat = 0;
  for (uint64_t i = 0; i < n; i++) {
    if (repeat == 0) {
      if (pos >= len) return false;
      flag = u8(p + pos++);
      if (flag & 8) {
        if (pos >= len) return false;
        repeat = u8(p + pos++);
      }
    } else {
      repeat--;
    }
    flags[i] = static_cast<unsigned char>(flag);
  }
  // Coordinates accumulate in 32 bits and are kept as 16-bit values.
  std::vector<int16_t> xs(n);
  for (int axis = 0; axis < 2; axis++) {
    const uint32_t shortBit = axis == 0 ? 2 : 4, sameBit = axis == 0 ? 16 : 32;
    int64_t v = 0;
    for (uint64_t i = 0; i < n; i++) {
      const uint32_t f = flags[i];
      if (f & shortBit) {
        if (pos >= len) return false;
        const int64_t d = u8(p + pos++);
        v += (f & sameBit) ? d : -d;
      } else if (!(f & sameBit)) {
        if (pos + 2 > len) return false;
        v += s16(p + pos);
        pos += 2;
      }
      if (v < INT32_MIN || v > INT32_MAX) return false;
      const int16_t stored = static_cast<int16_t>(static_cast<uint32_t>(v) & 0xFFFF);
      if (axis == 0)
        xs[i] = stored;
      else
        box->add(xs[i], stored);
    }
  }
  // A contour that starts off the curve takes its second point as well.
  uint64_t first = 0;
  for (uint64_t i = 0; i < nc; i++) {
    const uint64_t end = u16(p + 10 + 2 * i);
    if (!(flags[first] & 1) && end == first) return false;
    first = end + 1;
  }
  return true;
}

bool checkGlyphAt(const unsigned char* data, const FstashFaceTables& face, int glyph, int depth, int* budget,
                  Box* box) {
  if (glyph < 0 || glyph >= face.numGlyphs) return true;  // read as an empty outline
  const unsigned char* loca = data + face.loca;
  uint64_t g1, g2;
  if (face.locaFormat == 0) {
    g1 = uint64_t(u16(loca + 2 * glyph)) * 2;
    g2 = uint64_t(u16(loca + 2 * glyph + 2)) * 2;
  } else {
    g1 = u32(loca + 4 * glyph);
    g2 = u32(loca + 4 * glyph + 4);
  }
  if (g1 == g2) return true;
  if (g1 > g2 || g2 > face.glyfSize || g2 - g1 < 10) return false;
  const unsigned char* p = data + face.glyf + g1;
  const uint64_t len = g2 - g1;
  const int32_t contours = s16(p);
  if (contours > 0) return checkSimple(p, len, contours, box);
  if (contours == 0) return true;

  if (depth >= kMaxComponentDepth) return false;
  uint64_t pos = 10;
  for (bool more = true; more;) {
    if (--*budget < 0 || pos + 4 > len) return false;
    const uint32_t flags = u16(p + pos);
    const int child = static_cast<int>(u16(p + pos + 2));
    pos += 4;
    float mtx[6] = {1, 0, 0, 1, 0, 0};
    if (flags & 2) {
      const uint64_t argBytes = (flags & 1) ? 4 : 2;
      if (pos + argBytes > len) return false;
      if (flags & 1) {
        mtx[4] = float(s16(p + pos)), mtx[5] = float(s16(p + pos + 2));
      } else {
        mtx[4] = float(static_cast<signed char>(p[pos])), mtx[5] = float(static_cast<signed char>(p[pos + 1]));
      }
      pos += argBytes;
    }
    const uint64_t scaleBytes = (flags & 8) ? 2 : (flags & 64) ? 4 : (flags & 128) ? 8 : 0;
    if (pos + scaleBytes > len) return false;
    if (flags & 8) {
      mtx[0] = mtx[3] = s16(p + pos) / 16384.0f;
      mtx[1] = mtx[2] = 0;
    } else if (flags & 64) {
      mtx[0] = s16(p + pos) / 16384.0f;
      mtx[1] = mtx[2] = 0;
      mtx[3] = s16(p + pos + 2) / 16384.0f;
    } else if (flags & 128) {
      mtx[0] = s16(p + pos) / 16384.0f;
      mtx[1] = s16(p + pos + 2) / 16384.0f;
      mtx[2] = s16(p + pos + 4) / 16384.0f;
      mtx[3] = s16(p + pos + 6) / 16384.0f;
    }
    pos += scaleBytes;
    Box part;
    if (!checkGlyphAt(data, face, child, depth + 1, budget, &part)) return false;
    if (!part.empty()) {
      // The component's vertices are transformed in float and stored as 16-bit values;
      // its box's corners bound them. A margin of one unit covers rounding inside.
      const float m = static_cast<float>(std::sqrt(mtx[0] * mtx[0] + mtx[1] * mtx[1]));
      const float n = static_cast<float>(std::sqrt(mtx[2] * mtx[2] + mtx[3] * mtx[3]));
      for (int c = 0; c < 4; c++) {
        const float x = float(c & 1 ? part.x1 : part.x0), y = float(c & 2 ? part.y1 : part.y0);
        const float tx = m * (mtx[0] * x + mtx[2] * y + mtx[4]);
        const float ty = n * (mtx[1] * x + mtx[3] * y + mtx[5]);
        if (!(std::fabs(tx) <= 32767.0f && std::fabs(ty) <= 32767.0f)) return false;
        box->add(static_cast<int32_t>(std::floor(tx)), static_cast<int32_t>(std::floor(ty)));
        box->add(static_cast<int32_t>(std::ceil(tx)), static_cast<int32_t>(std::ceil(ty)));
      }
    }
    more = (flags & 0x20) != 0;
  }
  return true;
}

}  // namespace

bool fstashCheckFace(const unsigned char* data, int dataSize, int fontIndex, FstashFaceTables* out) {
  if (data == nullptr || dataSize < 12 || fontIndex < 0 || out == nullptr) return false;
  const uint64_t size = static_cast<uint64_t>(dataSize);
  uint64_t face = 0;
  if (std::memcmp(data, "ttcf", 4) == 0) {
    const uint64_t n = u32(data + 8);
    if (static_cast<uint64_t>(fontIndex) >= n || 16 + 4 * static_cast<uint64_t>(fontIndex) > size) return false;
    face = u32(data + 12 + 4 * static_cast<uint64_t>(fontIndex));
  } else if (fontIndex != 0) {
    return false;
  }
  if (face + 12 > size) return false;
  const uint32_t numTables = u16(data + face + 4);
  const uint64_t dir = face + 12;
  if (dir + 16 * uint64_t(numTables) > size) return false;
  for (uint32_t i = 0; i < numTables; i++) {
    const unsigned char* rec = data + dir + 16 * uint64_t(i);
    if (uint64_t(u32(rec + 8)) + u32(rec + 12) > size) return false;
  }
  const Table cmap = findTable(data, dir, numTables, "cmap");
  const Table head = findTable(data, dir, numTables, "head");
  const Table hhea = findTable(data, dir, numTables, "hhea");
  const Table hmtx = findTable(data, dir, numTables, "hmtx");
  const Table maxp = findTable(data, dir, numTables, "maxp");
  const Table loca = findTable(data, dir, numTables, "loca");
  const Table glyf = findTable(data, dir, numTables, "glyf");
  if (!cmap.found() || !head.found() || !hhea.found() || !hmtx.found() || !maxp.found() || !loca.found() ||
      !glyf.found())
    return false;
  if (head.len < 54 || hhea.len < 36 || maxp.len < 6) return false;
  const int32_t locaFormat = static_cast<int32_t>(u16(data + head.off + 50));
  const uint64_t numGlyphs = u16(data + maxp.off + 4);
  const uint64_t longMetrics = u16(data + hhea.off + 34);
  if (locaFormat > 1 || numGlyphs == 0 || longMetrics == 0) return false;
  const uint64_t hmtxNeed =
    longMetrics <= numGlyphs ? 4 * longMetrics + 2 * (numGlyphs - longMetrics) : 4 * numGlyphs;
  if (hmtx.len < hmtxNeed) return false;
  if (loca.len < (numGlyphs + 1) * (locaFormat ? 4 : 2)) return false;
  if (!checkCmap(data, cmap)) return false;

  out->faceOffset = static_cast<int32_t>(face);
  out->glyf = static_cast<uint32_t>(glyf.off);
  out->glyfSize = static_cast<uint32_t>(glyf.len);
  out->loca = static_cast<uint32_t>(loca.off);
  out->locaFormat = locaFormat;
  out->numGlyphs = static_cast<int32_t>(numGlyphs);
  out->kernUsable = checkKern(data, findTable(data, dir, numTables, "kern"));
  out->gposUsable = checkGpos(data, findTable(data, dir, numTables, "GPOS"));
  return true;
}

bool fstashCheckGlyph(const unsigned char* data, const FstashFaceTables& face, int glyph) {
  if (data == nullptr || face.faceOffset < 0) return false;
  int budget = kMaxComponents;
  Box box;
  return checkGlyphAt(data, face, glyph, 0, &budget, &box);
}

}  // namespace fx::gfx
