// Builds small TrueType files and collections in memory with exactly the
// names and metrics a test needs: 'head', 'hhea' and 'name' tables (each
// can be left out), names in Windows Unicode and/or Macintosh Roman
// records.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace sfnt_test {

struct TestFace {
  std::string family = "Test Sans";
  std::string style = "Regular";
  std::string typographicFamily;  // name 16, left out when empty
  std::string postScriptName = "TestSans-Regular";
  uint16_t unitsPerEm = 2048;
  int16_t ascender = 1900, descender = -500, lineGap = 0;
  uint16_t macStyle = 0;
  bool windowsNames = true;
  bool macNames = false;
  bool head = true, hhea = true, name = true;
};

inline void Put16(std::vector<uint8_t>& b, uint32_t v) {
  b.push_back(static_cast<uint8_t>(v >> 8));
  b.push_back(static_cast<uint8_t>(v));
}
inline void Put32(std::vector<uint8_t>& b, uint32_t v) {
  Put16(b, v >> 16);
  Put16(b, v & 0xFFFF);
}
inline void Set32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  b[at] = static_cast<uint8_t>(v >> 24), b[at + 1] = static_cast<uint8_t>(v >> 16);
  b[at + 2] = static_cast<uint8_t>(v >> 8), b[at + 3] = static_cast<uint8_t>(v);
}

inline std::vector<uint8_t> HeadTable(const TestFace& f) {
  std::vector<uint8_t> t(54, 0);
  t[1] = 1;                                       // version 1.0
  Set32(t, 12, 0x5F0F3CF5);                       // magic
  t[18] = static_cast<uint8_t>(f.unitsPerEm >> 8), t[19] = static_cast<uint8_t>(f.unitsPerEm);
  t[44] = static_cast<uint8_t>(f.macStyle >> 8), t[45] = static_cast<uint8_t>(f.macStyle);
  return t;
}

inline std::vector<uint8_t> HheaTable(const TestFace& f) {
  std::vector<uint8_t> t(36, 0);
  t[1] = 1;
  auto s16 = [&](size_t at, int16_t v) {
    t[at] = static_cast<uint8_t>(static_cast<uint16_t>(v) >> 8), t[at + 1] = static_cast<uint8_t>(v);
  };
  s16(4, f.ascender), s16(6, f.descender), s16(8, f.lineGap);
  return t;
}

inline std::vector<uint8_t> NameTable(const TestFace& f) {
  struct Rec {
    uint16_t platform, encoding, language, id;
    std::vector<uint8_t> bytes;
  };
  std::vector<Rec> recs;
  auto add = [&](uint16_t id, const std::string& text) {
    if (text.empty()) return;
    if (f.macNames) recs.push_back({1, 0, 0, id, std::vector<uint8_t>(text.begin(), text.end())});
    if (f.windowsNames) {
      std::vector<uint8_t> u;
      for (unsigned char c : text) Put16(u, c);  // tests use ASCII names
      recs.push_back({3, 1, 0x409, id, u});
    }
  };
  add(1, f.family), add(2, f.style), add(4, f.family + " " + f.style), add(6, f.postScriptName);
  add(16, f.typographicFamily);
  std::vector<uint8_t> t;
  Put16(t, 0), Put16(t, static_cast<uint32_t>(recs.size())), Put16(t, static_cast<uint32_t>(6 + 12 * recs.size()));
  std::vector<uint8_t> storage;
  for (const Rec& r : recs) {
    Put16(t, r.platform), Put16(t, r.encoding), Put16(t, r.language), Put16(t, r.id);
    Put16(t, static_cast<uint32_t>(r.bytes.size())), Put16(t, static_cast<uint32_t>(storage.size()));
    storage.insert(storage.end(), r.bytes.begin(), r.bytes.end());
  }
  t.insert(t.end(), storage.begin(), storage.end());
  return t;
}

// faces' directories one after the other, then every table (4-byte aligned).
inline std::vector<uint8_t> Build(const std::vector<TestFace>& faces, bool collection) {
  struct Table {
    uint32_t tag;
    std::vector<uint8_t> bytes;
  };
  std::vector<std::vector<Table>> tables;
  for (const TestFace& f : faces) {
    std::vector<Table> t;
    if (f.head) t.push_back({0x68656164, HeadTable(f)});
    if (f.hhea) t.push_back({0x68686561, HheaTable(f)});
    if (f.name) t.push_back({0x6E616D65, NameTable(f)});
    tables.push_back(std::move(t));
  }
  std::vector<uint8_t> out;
  std::vector<size_t> faceStart;
  if (collection) {
    Put32(out, 0x74746366), Put32(out, 0x00010000), Put32(out, static_cast<uint32_t>(faces.size()));
    for (size_t i = 0; i < faces.size(); ++i) Put32(out, 0);
  }
  std::vector<std::vector<size_t>> recordAt(faces.size());
  for (size_t i = 0; i < faces.size(); ++i) {
    faceStart.push_back(out.size());
    if (collection) Set32(out, 12 + 4 * i, static_cast<uint32_t>(out.size()));
    Put32(out, 0x00010000), Put16(out, static_cast<uint32_t>(tables[i].size())), Put16(out, 0), Put16(out, 0), Put16(out, 0);
    for (const Table& t : tables[i]) {
      recordAt[i].push_back(out.size());
      Put32(out, t.tag), Put32(out, 0), Put32(out, 0), Put32(out, static_cast<uint32_t>(t.bytes.size()));
    }
  }
  for (size_t i = 0; i < faces.size(); ++i)
    for (size_t k = 0; k < tables[i].size(); ++k) {
      while (out.size() % 4 != 0) out.push_back(0);
      Set32(out, recordAt[i][k] + 8, static_cast<uint32_t>(out.size()));
      out.insert(out.end(), tables[i][k].bytes.begin(), tables[i][k].bytes.end());
    }
  return out;
}

inline std::vector<uint8_t> BuildFont(const TestFace& face) { return Build({face}, false); }
inline std::vector<uint8_t> BuildCollection(const std::vector<TestFace>& faces) { return Build(faces, true); }

}  // namespace sfnt_test
