#include "tests/core/fakes/TestPlugin.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>

using namespace fx;
using namespace fx::test;

namespace {

using Bytes = std::vector<uint8_t>;

void BE32(Bytes& b, uint32_t v)
{
  b.push_back(static_cast<uint8_t>(v >> 24));
  b.push_back(static_cast<uint8_t>(v >> 16));
  b.push_back(static_cast<uint8_t>(v >> 8));
  b.push_back(static_cast<uint8_t>(v));
}

void BEF(Bytes& b, float f)
{
  uint32_t v;
  std::memcpy(&v, &f, 4);
  BE32(b, v);
}

void Tag(Bytes& b, const char* t)
{
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(t[i]));
}

void Name(Bytes& b, const char* name)
{
  char buf[28] = {};
  std::memcpy(buf, name, std::min<size_t>(std::strlen(name), 27));
  b.insert(b.end(), buf, buf + 28);
}

void Raw(Bytes& b, const IStateChunk& c)
{
  b.insert(b.end(), c.GetData(), c.GetData() + c.Size());
}

Bytes ToBytes(const IStateChunk& c)
{
  return c.Size() ? Bytes(c.GetData(), c.GetData() + c.Size()) : Bytes();
}

// A parameter program as the format defines it, values already normalised.
Bytes ParamProgram(const char* name, const std::vector<float>& normalized, uint32_t id = MakeFourCC("Tst1"))
{
  Bytes b;
  Tag(b, "CcnK");
  BE32(b, 48 + 4 * static_cast<uint32_t>(normalized.size()));
  Tag(b, "FxCk");
  BE32(b, 1);
  BE32(b, id);
  BE32(b, 2270);
  BE32(b, static_cast<uint32_t>(normalized.size()));
  Name(b, name);
  for (float f : normalized) BEF(b, f);
  return b;
}

// Values travel as float32 normalised values: compare within float precision.
void ExpectValuesNear(const std::vector<double>& got, const std::vector<double>& want)
{
  ASSERT_EQ(got.size(), want.size());
  for (size_t i = 0; i < got.size(); ++i) EXPECT_NEAR(got[i], want[i], 1e-5) << "parameter " << i;
}

std::vector<float> Normalized(const TestPlugin& p)
{
  std::vector<float> v;
  for (int i = 0; i < p.NParams(); ++i) v.push_back(static_cast<float>(p.GetParamNormalized(i)));
  return v;
}

struct TempFile
{
  TempFile()
  {
    char tmpl[] = "/tmp/orbex_fxXXXXXX";
    const int fd = mkstemp(tmpl);
    if (fd >= 0) close(fd);
    path = tmpl;
  }
  ~TempFile() { std::remove(path.c_str()); }
  Bytes Read() const
  {
    std::ifstream f(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(f), {});
  }
  void Write(const Bytes& b) const
  {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
  }
  std::string path;
};

} // namespace

TEST(VST2Files, ParameterProgramIsByteExact)
{
  TestPlugin p;
  p.MakePreset("Warm", 3.0, 2, 0, 7);
  ASSERT_TRUE(p.RestorePreset(0));
  TempFile f;
  ASSERT_TRUE(p.SavePresetAsFXP(f.path.c_str()));
  EXPECT_EQ(f.Read(), ParamProgram("Warm", Normalized(p)));

  // Load into a fresh plug-in: values and the current preset's name arrive.
  TestPlugin q;
  ASSERT_TRUE(q.LoadPresetFromFXP(f.path.c_str()));
  ExpectValuesNear(q.Values(), p.Values());
  EXPECT_STREQ(q.GetPresetName(0), "Warm");
  EXPECT_TRUE(q.GetPreset(0)->mInitialized);
  EXPECT_EQ(q.log.back(), "hostpreset");
}

TEST(VST2Files, ChunkProgramIsByteExact)
{
  TestPlugin p(MakeTestConfig(true));
  p.GetParam(kGain)->Set(-6.0);
  p.GetPreset(0)->SetName("A name longer than twenty-seven characters");
  IStateChunk state;
  p.SerializeState(state);

  Bytes expected;
  Tag(expected, "CcnK");
  BE32(expected, static_cast<uint32_t>(52 + 8 + state.Size()));
  Tag(expected, "FPCh");
  BE32(expected, 1);
  BE32(expected, MakeFourCC("Tst1"));
  BE32(expected, 2270);
  BE32(expected, 4);
  Name(expected, "A name longer than twenty-seven characters");
  BE32(expected, static_cast<uint32_t>(8 + state.Size()));
  Tag(expected, "tffp");
  expected.insert(expected.end(), {0x00, 0x00, 0x01, 0x00});  // little-endian 65536
  Raw(expected, state);

  IStateChunk image;
  ASSERT_TRUE(p.MakeFXPImage(image));
  const Bytes got = ToBytes(image);
  EXPECT_EQ(got, expected);
  EXPECT_EQ(std::memcmp(got.data() + 8, "FPCh", 4), 0);
  EXPECT_EQ(std::memcmp(got.data() + 60, "tffp", 4), 0);

  TestPlugin q(MakeTestConfig(true));
  ASSERT_TRUE(q.LoadFXPImage(got.data(), static_cast<int>(got.size())));
  EXPECT_EQ(q.GetParam(kGain)->Value(), -6.0);
  EXPECT_STREQ(q.GetPresetName(0), "A name longer than twenty-s");
}

TEST(VST2Files, BanksAreByteExactAndRoundTrip)
{
  // Parameter bank: header, then one program per preset with that preset's values.
  TestPlugin p(MakeTestConfig(false, 2));
  p.MakePreset("one", 1.0, 1, 0, 1);
  p.MakePreset("two", -2.0, 2, 1, 9);
  ASSERT_TRUE(p.RestorePreset(1));
  p.GetParam(kSteps)->Set(4);  // an unsaved edit survives saving
  const auto live = p.Values();

  TestPlugin ref(MakeTestConfig(false, 2));
  Bytes expected;
  Tag(expected, "CcnK");
  BE32(expected, static_cast<uint32_t>(148 + 2 * (56 + 16)));
  Tag(expected, "FxBk");
  BE32(expected, 2);
  BE32(expected, MakeFourCC("Tst1"));
  BE32(expected, 2270);
  BE32(expected, 2);
  BE32(expected, 1);
  expected.insert(expected.end(), 124, 0);
  for (auto* values : {&p.GetPreset(0)->mChunk, &p.GetPreset(1)->mChunk})
  {
    ref.UnserializeState(*values, 0);
    const Bytes prog = ParamProgram(values == &p.GetPreset(0)->mChunk ? "one" : "two", Normalized(ref));
    expected.insert(expected.end(), prog.begin(), prog.end());
  }

  TempFile f;
  ASSERT_TRUE(p.SaveBankAsFXB(f.path.c_str()));
  EXPECT_EQ(f.Read(), expected);
  EXPECT_EQ(p.Values(), live);

  TestPlugin q(MakeTestConfig(false, 2));
  ASSERT_TRUE(q.LoadBankFromFXB(f.path.c_str()));
  EXPECT_STREQ(q.GetPresetName(0), "one");
  EXPECT_STREQ(q.GetPresetName(1), "two");
  EXPECT_EQ(q.GetCurrentPresetIdx(), 1);
  ExpectValuesNear(q.Values(), {-2.0, 2.0, 1.0, 9.0});

  // Chunk bank: header, then tffp + the bank chunk.
  TestPlugin c(MakeTestConfig(true, 2));
  c.MakePreset("x", 1.0, 0, 1, 2);
  IStateChunk bank;
  c.SerializePresets(bank);
  Bytes chunkExpected;
  Tag(chunkExpected, "CcnK");
  BE32(chunkExpected, static_cast<uint32_t>(152 + 8 + bank.Size()));
  Tag(chunkExpected, "FBCh");
  BE32(chunkExpected, 2);
  BE32(chunkExpected, MakeFourCC("Tst1"));
  BE32(chunkExpected, 2270);
  BE32(chunkExpected, 2);
  BE32(chunkExpected, 0);
  chunkExpected.insert(chunkExpected.end(), 124, 0);
  BE32(chunkExpected, static_cast<uint32_t>(8 + bank.Size()));
  Tag(chunkExpected, "tffp");
  chunkExpected.insert(chunkExpected.end(), {0x00, 0x00, 0x01, 0x00});
  Raw(chunkExpected, bank);
  IStateChunk image;
  ASSERT_TRUE(c.MakeFXBImage(image));
  EXPECT_EQ(ToBytes(image), chunkExpected);

  TestPlugin d(MakeTestConfig(true, 2));
  ASSERT_TRUE(d.LoadFXBImage(image.GetData(), image.Size()));
  EXPECT_STREQ(d.GetPresetName(0), "x");
  EXPECT_EQ(d.Values(), (std::vector<double>{1.0, 0.0, 1.0, 2.0}));
}

TEST(VST2Files, ParameterBankSlotsWithoutAReadableStateCarryThePresentValues)
{
  // Slot 0 holds a state, slot 1 is empty, slot 2 holds a state too short to read: only slot 0
  // has values of its own; the others must not inherit slot 0's.
  TestPlugin p(MakeTestConfig(false, 3));
  p.MakePreset("one", 6.0, 2, 0, 8);
  IPreset* broken = p.GetPreset(2);
  broken->mInitialized = true;
  broken->SetName("broken");
  broken->mChunk.PutBytes("abc", 3);
  p.GetParam(kGain)->Set(-3.0);
  p.GetParam(kSteps)->Set(1);
  const std::vector<float> present = Normalized(p);

  IStateChunk image;
  ASSERT_TRUE(p.MakeFXBImage(image));
  const Bytes bytes = ToBytes(image);
  const size_t programSize = 56 + 4 * kNumTestParams;
  ASSERT_EQ(bytes.size(), 156 + 3 * programSize);
  for (int slot = 1; slot < 3; ++slot)
  {
    const Bytes expected = ParamProgram(slot == 1 ? "empty" : "broken", present);
    const Bytes got(bytes.begin() + 156 + slot * programSize, bytes.begin() + 156 + (slot + 1) * programSize);
    EXPECT_EQ(got, expected) << slot;
  }
  const Bytes slot0(bytes.begin() + 156, bytes.begin() + 156 + programSize);
  EXPECT_NE(slot0, ParamProgram("one", present));
  EXPECT_EQ(p.GetParam(kGain)->Value(), -3.0);
}

TEST(VST2Files, MalformedFilesAreRejectedWithoutChange)
{
  TestPlugin p;
  p.GetParam(kSteps)->Set(3);
  const auto before = p.Values();
  const std::vector<float> halves(4, 0.5f);
  const Bytes good = ParamProgram("ok", halves);

  auto rejects = [&](Bytes b, const char* what) {
    p.log.clear();
    EXPECT_FALSE(p.LoadFXPImage(b.data(), static_cast<int>(b.size()))) << what;
    EXPECT_EQ(p.Values(), before) << what;
    EXPECT_STREQ(p.GetPresetName(0), "empty") << what;
    EXPECT_TRUE(p.log.empty()) << what;
  };

  rejects(ParamProgram("id", halves, MakeFourCC("Othr")), "foreign id");
  rejects(ParamProgram("count", std::vector<float>(3, 0.5f)), "parameter count");
  rejects(ParamProgram("count", std::vector<float>(5, 0.5f)), "parameter count");
  rejects(Bytes(good.begin(), good.end() - 1), "short values");
  rejects(Bytes(good.begin(), good.begin() + 40), "short header");
  Bytes b = good;
  b[0] = 'X';
  rejects(b, "magic");
  b = good;
  b[15] = 2;
  rejects(b, "format version");
  b = good;
  std::memcpy(b.data() + 8, "FxXX", 4);
  rejects(b, "kind");
  {
    Bytes n = good;
    const float nan = NAN;
    uint32_t v;
    std::memcpy(&v, &nan, 4);
    n[56 + 12] = static_cast<uint8_t>(v >> 24);
    n[56 + 13] = static_cast<uint8_t>(v >> 16);
    n[56 + 14] = static_cast<uint8_t>(v >> 8);
    n[56 + 15] = static_cast<uint8_t>(v);
    rejects(n, "NaN value");
  }
  rejects(Bytes(), "empty");

  // A chunk program for a plug-in without chunks, and chunk lengths beyond the file.
  TestPlugin c(MakeTestConfig(true));
  IStateChunk image;
  ASSERT_TRUE(c.MakeFXPImage(image));
  Bytes chunkProg = ToBytes(image);
  rejects(chunkProg, "chunk program into a parameter plug-in");
  const auto cBefore = c.Values();
  for (uint32_t len : {0xFFFFFFFFu, 0x7FFFFFFFu, 1000u, 5u})
  {
    Bytes bad = chunkProg;
    bad[56] = static_cast<uint8_t>(len >> 24);
    bad[57] = static_cast<uint8_t>(len >> 16);
    bad[58] = static_cast<uint8_t>(len >> 8);
    bad[59] = static_cast<uint8_t>(len);
    EXPECT_FALSE(c.LoadFXPImage(bad.data(), static_cast<int>(bad.size()))) << len;
    EXPECT_EQ(c.Values(), cBefore);
  }

  EXPECT_FALSE(p.LoadPresetFromFXP(nullptr));
  EXPECT_FALSE(p.LoadPresetFromFXP(""));
  EXPECT_FALSE(p.LoadPresetFromFXP("/nonexistent/dir/file.fxp"));
  EXPECT_FALSE(p.LoadBankFromFXB("/nonexistent/dir/file.fxb"));
  EXPECT_FALSE(p.SavePresetAsFXP("/nonexistent/dir/file.fxp"));
  EXPECT_FALSE(p.SaveBankAsFXB("/nonexistent/dir/file.fxb"));
  EXPECT_FALSE(p.SavePresetAsFXP(""));
  EXPECT_FALSE(p.SavePresetAsFXP("/dev/full"));  // opens, but the write fails
}

TEST(VST2Files, MalformedBanksAreRejectedWithoutChange)
{
  TestPlugin p(MakeTestConfig(false, 2));
  p.MakePreset("a", 1.0, 0, 0, 1);
  p.MakePreset("b", 2.0, 0, 0, 2);
  IStateChunk image;
  ASSERT_TRUE(p.MakeFXBImage(image));
  const Bytes good = ToBytes(image);

  TestPlugin q(MakeTestConfig(false, 2));
  q.GetParam(kSteps)->Set(8);
  const auto before = q.Values();
  auto rejects = [&](const Bytes& b, const char* what) {
    EXPECT_FALSE(q.LoadFXBImage(b.data(), static_cast<int>(b.size()))) << what;
    EXPECT_EQ(q.Values(), before) << what;
    EXPECT_STREQ(q.GetPresetName(0), "empty") << what;
    EXPECT_FALSE(q.GetPreset(0)->mInitialized) << what;
  };

  rejects(Bytes(good.begin(), good.end() - 1), "short last program");
  rejects(Bytes(good.begin(), good.begin() + 100), "short header");
  Bytes b = good;
  b[27] = 3;  // program count
  rejects(b, "program count");
  b = good;
  b[31] = 7;  // current program
  rejects(b, "current program");
  b = good;
  b[156 + 72 + 8] = 'Z';  // second program's kind
  rejects(b, "inner kind");
  b = good;
  b[156 + 72 + 27] = 3;  // second program's parameter count
  rejects(b, "inner count");
  b = good;
  b[19] ^= 1;
  rejects(b, "foreign id");

  TestPlugin c(MakeTestConfig(true, 2));
  rejects(Bytes(), "empty");
  IStateChunk chunkImage;
  ASSERT_TRUE(c.MakeFXBImage(chunkImage));
  rejects(ToBytes(chunkImage), "chunk bank into a parameter plug-in");
}

TEST(PresetDumps, SourceLinesAndBlob)
{
  TestPlugin p;
  p.MakePreset("Dumped", 1.5, 2, 1, 7);
  ASSERT_TRUE(p.RestorePreset(0));
  TempFile f;
  std::remove(f.path.c_str());
  ASSERT_TRUE(p.DumpMakePresetSrc(f.path.c_str()));
  const char* ids[] = {"kGain", "kMode", "kActive", "kSteps"};
  ASSERT_TRUE(p.DumpMakePresetFromNamedParamsSrc(f.path.c_str(), 4, ids));
  ASSERT_TRUE(p.DumpPresetBlob(f.path.c_str()));
  const Bytes text = f.Read();
  const std::string s(text.begin(), text.end());

  std::string blob;
  {
    // 1.5, 2, 1, 7 as little-endian doubles, in base64.
    blob = "AAAAAAAA+D8AAAAAAAAAQAAAAAAAAPA/AAAAAAAAHEA=";
  }
  const std::string expected = "MakePreset(\"Dumped\", 1.500000, 2, true, 7);\n"
                               "  MakePresetFromNamedParams(\"Dumped\", 4,\n"
                               "    kGain, 1.500000,\n    kMode, 2,\n    kActive, true,\n    kSteps, 7);\n"
                               "MakePresetFromBlob(\"Dumped\", \"" + blob + "\", 32);\n";
  EXPECT_EQ(s, expected);

  // The blob reads back into the same state.
  TestPlugin q;
  q.MakePresetFromBlob("again", blob.c_str(), 32);
  EXPECT_TRUE(q.GetPreset(0)->mChunk.IsEqual(p.GetPreset(0)->mChunk));
  EXPECT_FALSE(p.DumpPresetBlob("/nonexistent/dir/x.txt"));
}

TEST(PluginBase, VersionAndBuildStrings)
{
  TestPlugin p;
  EXPECT_EQ(p.GetPluginVersion(false), 0x00020111);
  EXPECT_EQ(p.GetPluginVersion(true), 2270);
  FxString s;
  p.GetPluginVersionStr(s);
  EXPECT_STREQ(s.Get(), "v2.1.17");
  p.SetHost("Some Host", 0x000A0203);
  p.GetHostVersionStr(s);
  EXPECT_STREQ(s.Get(), "v10.2.3");
  EXPECT_EQ(p.GetHostVersion(true), 10230);
  EXPECT_STREQ(p.GetAPIString(), "AU");
  EXPECT_STREQ(p.GetArchString(), "x64");
  p.GetBuildInfoStr(s, "Jan  2 2026", "13:45:10");
  EXPECT_STREQ(s.Get(), "TestPlug version v2.1.17 AU (x64), built on Jan  2 2026 at 13:45 ");

  IFxConfig cfg = MakeTestConfig();
  struct Api8 : TestPlugin
  {
    explicit Api8(const IFxConfig& c) : TestPlugin(c) { mAPI = static_cast<EPluginAPI>(8); }
  } unknown(cfg);
  EXPECT_STREQ(unknown.GetAPIString(), "");
}
