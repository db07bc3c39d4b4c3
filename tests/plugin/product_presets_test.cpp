// The product's preset documents, state containers, preset files, settings and meter scale,
// on a small plug-in carrying the same document code.

#include "ProductTestSupport.h"

#include "plugin/AtomicFile.h"
#include "plugin/IMPlugPaths.h"
#include "plugin/MeterScale.h"
#include "plugin/NumberText.h"
#include "plugin/StateContainer.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>
#include <sys/stat.h>

using producttest::PresetDoc;
using producttest::ReadFile;
using producttest::TempHome;
using producttest::TestPlug;
using producttest::WriteFile;

namespace {

int32_t ReadI32(const fx::IStateChunk& chunk, int pos)
{
  int32_t v = 0;
  chunk.Get(&v, pos);
  return v;
}

void PokeI32(fx::IStateChunk& chunk, int pos, int32_t v)
{
  std::memcpy(chunk.GetData() + pos, &v, 4);
}

fx::IStateChunk ChunkOf(const std::string& bytes)
{
  fx::IStateChunk chunk;
  chunk.PutBytes(bytes.data(), static_cast<int>(bytes.size()));
  return chunk;
}

fx::IStateChunk ContainerOf(const std::string& text)
{
  fx::IStateChunk chunk;
  EXPECT_TRUE(statecontainer::Write(chunk, text));
  return chunk;
}

} // namespace

TEST(ProductContainer, LayoutPadsAndReturnsItsExactLength)
{
  for (const std::string& text : {std::string("abc"), std::string("abcd")})
  {
    const int L = static_cast<int>(text.size());
    fx::IStateChunk chunk = ContainerOf(text);
    const int inner = 8 + L;
    const int innerPad = inner & 1;
    const int outer = 24 + L + innerPad;
    EXPECT_EQ(std::memcmp(chunk.GetData(), "RIFF", 4), 0);
    EXPECT_EQ(ReadI32(chunk, 4), outer);
    EXPECT_EQ(ReadI32(chunk, 8), 1);
    EXPECT_EQ(std::memcmp(chunk.GetData() + 12, "QVCMQVCS", 8), 0);
    EXPECT_EQ(ReadI32(chunk, 20), inner);
    EXPECT_EQ(ReadI32(chunk, 24), 1);
    EXPECT_EQ(ReadI32(chunk, 28), L);
    EXPECT_EQ(chunk.Size(), 8 + outer + (outer & 1));
    if (L == 3)
    {
      EXPECT_EQ(chunk.Size(), 33 + L); // odd text: one inner pad, no outer pad
    }

    std::string back;
    EXPECT_EQ(statecontainer::Read(chunk, 0, back), chunk.Size());
    EXPECT_EQ(back, text);
  }

  // Two containers in a row: the first read ends where the second begins.
  fx::IStateChunk two = ContainerOf("first");
  const int firstLen = two.Size();
  ASSERT_TRUE(statecontainer::Write(two, "second!"));
  std::string text;
  EXPECT_EQ(statecontainer::Read(two, 0, text), firstLen);
  EXPECT_EQ(text, "first");
  EXPECT_EQ(statecontainer::Read(two, firstLen, text), two.Size());
  EXPECT_EQ(text, "second!");

  fx::IStateChunk empty;
  EXPECT_FALSE(statecontainer::Write(empty, ""));
  EXPECT_EQ(empty.Size(), 0);
}

TEST(ProductContainer, HostileHeadersAndLengthsAreRefused)
{
  const fx::IStateChunk good = ContainerOf("<x/>");
  std::string text = "untouched";

  // Every truncation, and every single-byte corruption of the header.
  for (int n = 0; n < good.Size(); ++n)
  {
    fx::IStateChunk cut;
    cut.PutBytes(good.GetData(), n);
    EXPECT_EQ(statecontainer::Read(cut, 0, text), -1) << "cut at " << n;
  }
  for (int pos : {0, 3, 8, 12, 15, 16, 19, 24})
  {
    fx::IStateChunk bad = good;
    bad.GetData()[pos] ^= 0x20;
    EXPECT_EQ(statecontainer::Read(bad, 0, text), -1) << "byte " << pos;
  }
  // Lengths: huge, negative, zero, past the end, and sizes too small for the text.
  struct Case { int pos; int32_t value; };
  for (const Case c : {Case{28, 0x7fffffff}, Case{28, -1}, Case{28, 0}, Case{28, 5}, Case{4, 0x7fffffff},
                       Case{4, -100}, Case{4, 3}, Case{20, 0}, Case{20, -8}, Case{20, 4}})
  {
    fx::IStateChunk bad = good;
    PokeI32(bad, c.pos, c.value);
    EXPECT_EQ(statecontainer::Read(bad, 0, text), -1) << "field " << c.pos << " = " << c.value;
  }
  EXPECT_EQ(statecontainer::Read(good, -1, text), -1);
  EXPECT_EQ(statecontainer::Read(good, 1 << 30, text), -1);
  EXPECT_EQ(text, "untouched");
}

TEST(ProductState, RoundTripAndNamesTheCurrentPreset)
{
  TestPlug a;
  a.SetValues(6.25, 2.0, 33.3);
  a.GetPreset(0)->SetName("Loud & <clear>");
  fx::IStateChunk chunk;
  ASSERT_TRUE(a.SerializeState(chunk));

  TestPlug b;
  EXPECT_EQ(b.UnserializeState(chunk, 0), chunk.Size());
  b.ExpectValues(6.25, 2.0, 33.3);
  EXPECT_STREQ(b.GetPresetName(0), "Loud & <clear>");
  EXPECT_EQ(b.mResets, 1);

  // Printed layout: declaration, four-space indentation, short Param elements, "%f" values.
  std::string xml;
  ASSERT_EQ(statecontainer::Read(chunk, 0, xml), chunk.Size());
  EXPECT_EQ(xml.rfind("<?xml version=\"1.0\" ?>\n<PresetXMLTree version=\"1\">\n    <PluginVendor>Brimvaldex", 0), 0u);
  EXPECT_NE(xml.find("    <PluginVersion>v2.1.17</PluginVersion>\n"), std::string::npos);
  EXPECT_NE(xml.find("<Preset name=\"Loud &amp; &lt;clear&gt;\">"), std::string::npos);
  EXPECT_NE(xml.find("            <Param name=\"Gain\" val=\"6.250000\" />\n"), std::string::npos);
  EXPECT_NE(xml.find("<Param name=\"Link\" val=\"33.300000\" />"), std::string::npos);
}

TEST(ProductState, AcceptedDocumentsApplyByNameWithSkipsAndRounding)
{
  TestPlug plug;
  plug.SetValues(2.0, 1.0, 10.0);
  // Unknown name skipped, missing val gives 0.0 (clamped), stepped value rounded, Data and
  // extra attributes ignored, comments between Params ignored.
  const std::string doc = PresetDoc(
    "<Param name=\"Nope\" val=\"3\" />\n<Param name=\"Gain\" val=\"0.123456789\" extra=\"1\" />\n"
    "<!-- note -->\n<Param name=\"Mode\" />\n<Param name=\"\" val=\"4\" />\n<Param val=\"4\" />\n");
  std::string withData = doc;
  withData.insert(withData.find("    <Preset name"), "    <Data>anything</Data>\n");
  EXPECT_EQ(plug.UnserializeState(ContainerOf(withData), 0), ContainerOf(withData).Size());
  plug.ExpectValues(0.12, 0.0, 10.0);
  EXPECT_STREQ(plug.GetPresetName(0), "P");

  // A file saved again by a text editor: a byte-order mark and CRLF line ends.
  std::string edited = "\xEF\xBB\xBF";
  for (char c : PresetDoc("<Param name=\"Link\" val=\"33\" />\n", "Brimvaldex", "ORBEX9", "Edited \xC3\xA9"))
  {
    if (c == '\n') edited += '\r';
    edited += c;
  }
  EXPECT_EQ(plug.UnserializeState(ContainerOf(edited), 0), ContainerOf(edited).Size());
  plug.ExpectValues(0.12, 0.0, 33.0);
  EXPECT_STREQ(plug.GetPresetName(0), "Edited \xC3\xA9");
}

TEST(ProductState, RejectedDocumentsChangeNothing)
{
  const std::string gain = "<Param name=\"Gain\" val=\"7\" />\n";
  std::string deep = "<?xml version=\"1.0\" ?>";
  for (int i = 0; i < 100000; ++i) deep += "<a>";
  // Nesting hidden from a plain count of tags: "/>" in text and in attribute values.
  std::string deepText = "<?xml version=\"1.0\" ?>";
  for (int i = 0; i < 200000; ++i) deepText += "<a>/>";
  std::string deepAttr = "<?xml version=\"1.0\" ?>";
  for (int i = 0; i < 100000; ++i) deepAttr += "<a b=\"/>\">";
  const std::string huge = PresetDoc(gain + std::string(2 << 20, ' '));
  std::string notFirstName = PresetDoc(gain);
  notFirstName.replace(notFirstName.find("<Preset name"), 12, "<Preset id=\"1\" name");

  const std::string cases[] = {
    "not xml at all",
    "<?xml version=\"1.0\" ?><PresetXMLTree><PluginVendor>Brimvaldex</PluginVendor>",
    PresetDoc(gain, "Someone Else"),
    PresetDoc(gain, "Brimvaldex", "ORBX"), // the older name is accepted only for files
    PresetDoc(gain, "Brimvaldex", "OTHER"),
    PresetDoc(gain, ""),
    PresetDoc(""),                                                        // Parameter without children
    PresetDoc(gain + "<Foreign name=\"Link\" val=\"1\" />\n" + gain),     // foreign element
    PresetDoc("<Param name=\"Gain\" val=\"abc\" />\n"),                   // not a number
    PresetDoc("<Param name=\"Gain\" val=\"nan\" />\n"),
    PresetDoc("<Param name=\"Gain\" val=\"inf\" />\n"),
    PresetDoc("<Param name=\"Gain\" val=\"1,5\" />\n"),
    notFirstName,
    [&] { std::string s = PresetDoc(gain); s.replace(s.find("PresetXMLTree"), 13, "PresetTree"); return s; }(),
    [&] { std::string s = PresetDoc(gain); s.erase(s.find("    <PluginVersion>"), 36); return s; }(),
    deep,
    deepText,
    deepAttr,
    huge,
  };
  for (const std::string& doc : cases)
  {
    TestPlug plug;
    plug.SetValues(2.0, 1.0, 10.0);
    const fx::IStateChunk chunk = ContainerOf(doc);
    EXPECT_EQ(plug.UnserializeState(chunk, 0), -1) << doc.substr(0, 200);
    plug.ExpectValues(2.0, 1.0, 10.0);
    EXPECT_STREQ(plug.GetPresetName(0), "Start");
    EXPECT_EQ(plug.mResets, 0);
  }
  // Not a container at all, or an empty chunk.
  TestPlug plug;
  EXPECT_EQ(plug.UnserializeState(ChunkOf(PresetDoc(gain)), 0), -1);
  EXPECT_EQ(plug.UnserializeState(fx::IStateChunk(), 0), -1);
  plug.ExpectValues(1.0, 0.0, 50.0);
}

TEST(ProductNumbers, TextIsTheSameInEveryLocale)
{
  EXPECT_EQ(orbex9::FormatFixed6(-0.1), "-0.100000");
  EXPECT_EQ(orbex9::FormatFixed6(1000.0), "1000.000000");
  double v = 0.0;
  EXPECT_TRUE(orbex9::ParseDouble(" +2.5e1 ", v));
  EXPECT_DOUBLE_EQ(v, 25.0);
  for (const char* bad : {"", "1.5x", "1,5", "--1", "0x10"}) EXPECT_FALSE(orbex9::ParseDouble(bad, v)) << bad;
  int i = 0;
  EXPECT_TRUE(orbex9::ParseLeadingInt(" -12abc", i));
  EXPECT_EQ(i, -12);
  EXPECT_FALSE(orbex9::ParseLeadingInt("x1", i));
  EXPECT_FALSE(orbex9::ParseLeadingInt("99999999999", i));

  // Document values: the "%f" text when it is exact, else enough digits to read back exactly.
  EXPECT_EQ(orbex9::FormatValue(6.25), "6.250000");
  EXPECT_EQ(orbex9::FormatValue(-0.1), "-0.100000");
  EXPECT_EQ(orbex9::FormatValue(-0.0), "-0.000000");
  EXPECT_EQ(orbex9::FormatValue(7.3f), "7.300000190734863");
  EXPECT_EQ(orbex9::FormatValue(0.1 * 3), "0.30000000000000004");
  EXPECT_EQ(orbex9::FormatValue(1e-7), "0.0000001");
  uint64_t seed = 99;
  for (int k = 0; k < 20000; ++k)
  {
    seed = seed * 6364136223846793005ull + 1442695040888963407ull;
    const double x = (static_cast<double>(seed >> 11) / 9007199254740992.0 - 0.25) * 1000.0 *
                     (k % 3 == 0 ? 1e-6 : 1.0);
    const double y = k % 2 ? static_cast<double>(static_cast<float>(x)) : x;
    double back = 0.0;
    ASSERT_TRUE(orbex9::ParseDouble(orbex9::FormatValue(y), back)) << y;
    ASSERT_EQ(back, y) << orbex9::FormatValue(y);
  }

  // Under a locale with a decimal comma the documents still read and write points.
  TempHome home;
  const std::string locDir = home.Root() + "/locales";
  std::filesystem::create_directories(locDir);
  const std::string cmd = "localedef -i de_DE -f UTF-8 " + locDir + "/de_DE.UTF-8 >/dev/null 2>&1";
  if (std::system(cmd.c_str()) != 0) GTEST_SKIP() << "cannot build a decimal-comma locale";
  ::setenv("LOCPATH", locDir.c_str(), 1);
  const char* set = std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
  if (!set)
  {
    ::unsetenv("LOCPATH");
    GTEST_SKIP() << "decimal-comma locale not loadable";
  }
  char probe[32];
  std::snprintf(probe, sizeof(probe), "%.1f", 0.5);
  EXPECT_STREQ(probe, "0,5");

  TestPlug a;
  a.SetValues(6.25, 2.0, 33.5);
  const std::string path = home.Root() + "/comma.qvs";
  ASSERT_TRUE(a.WritePresetFile(path.c_str(), "comma"));
  EXPECT_NE(ReadFile(path).find("val=\"6.250000\""), std::string::npos);
  TestPlug b;
  EXPECT_TRUE(b.LoadPresetFile(path.c_str()));
  b.ExpectValues(6.25, 2.0, 33.5);

  std::setlocale(LC_NUMERIC, "C");
  ::unsetenv("LOCPATH");
}

TEST(ProductFiles, WriteReplacesWholeFilesOnly)
{
  TempHome home;
  TestPlug plug;
  plug.SetValues(3.0, 1.0, 20.0);
  const std::string path = home.Root() + "/p.qvs";
  ASSERT_TRUE(plug.WritePresetFile(path.c_str(), "first"));
  const std::string first = ReadFile(path);
  EXPECT_NE(first.find("<Preset name=\"first\">"), std::string::npos);
  EXPECT_EQ(first.find("<Data>"), std::string::npos);
  ::chmod(path.c_str(), 0640);

  plug.SetValues(4.0, 2.0, 21.0);
  ASSERT_TRUE(plug.WritePresetFile(path.c_str(), "second", false, true, "payload"));
  const std::string second = ReadFile(path);
  EXPECT_NE(second.find("<Data>payload</Data>"), std::string::npos);
  struct stat st;
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u); // the replaced file keeps its permissions

  // A write that cannot complete leaves what was there and no temporary files.
  const std::string dirTarget = home.Root() + "/adir.qvs";
  std::filesystem::create_directories(dirTarget + "/inside");
  EXPECT_FALSE(plug.WritePresetFile(dirTarget.c_str(), "x"));
  EXPECT_TRUE(std::filesystem::is_directory(dirTarget + "/inside"));
  EXPECT_FALSE(plug.WritePresetFile((home.Root() + "/missing/folder/p.qvs").c_str(), "x"));
  EXPECT_FALSE(plug.WritePresetFile("", "x"));
  int entries = 0;
  for (const auto& e : std::filesystem::directory_iterator(home.Root()))
  {
    ++entries;
    const std::string name = e.path().filename().string();
    EXPECT_TRUE(name == "data" || name == "p.qvs" || name == "adir.qvs") << name;
  }
  EXPECT_EQ(entries, 3);
  EXPECT_EQ(ReadFile(path), second);
}

TEST(ProductFiles, LoadValidatesBeforeChangingAnything)
{
  TempHome home;
  TestPlug plug;
  // The descriptor table of this plug-in: only parameter 0 ("Gain") belongs to presets.
  static const XMLParamDescriptor table[] = {{"kGain", 0, 4, "%.2lf"}, {nullptr, -1, 0, nullptr}};
  static const char* const alts[] = {"ORBX", nullptr};
  plug.SetDescriptorTable(table, true);
  plug.SetAltPluginNames(alts, true);

  const std::string dir = home.Root();
  WriteFile(dir + "/link.qvs", PresetDoc("<Param name=\"Link\" val=\"70\" />\n", "Brimvaldex", "ORBX", "Old"));
  WriteFile(dir + "/bad.qvs", PresetDoc("<Param name=\"Link\" val=\"70\" />\n<Other />\n"));
  WriteFile(dir + "/alien.qvs", PresetDoc("<Param name=\"Link\" val=\"70\" />\n", "Brimvaldex", "Another"));

  // A valid file: table parameters start from their defaults, then the file's values apply.
  plug.SetValues(9.0, 2.0, 10.0);
  fx::FxString name;
  EXPECT_TRUE(plug.LoadPresetFile((dir + "/link.qvs").c_str(), &name));
  EXPECT_STREQ(name.Get(), "Old");
  plug.ExpectValues(1.0, 2.0, 70.0);
  EXPECT_STREQ(plug.GetPresetName(0), "Old");
  EXPECT_GE(plug.mResets, 1);

  // Invalid, foreign, missing or oversized files, a folder and a pipe (which must not block):
  // nothing changes, not even the table reset.
  WriteFile(dir + "/big.qvs", std::string(IXMLPreset::kMaxPresetFileSize + 1, ' '));
  ASSERT_EQ(::mkfifo((dir + "/pipe.qvs").c_str(), 0600), 0);
  std::filesystem::create_directory(dir + "/folder.qvs");
  for (const char* f : {"/bad.qvs", "/alien.qvs", "/none.qvs", "/big.qvs", "/pipe.qvs", "/folder.qvs", ""})
  {
    plug.SetValues(9.0, 2.0, 10.0);
    const int resets = plug.mResets;
    EXPECT_FALSE(plug.LoadPresetFile((dir + f).c_str())) << f;
    plug.ExpectValues(9.0, 2.0, 10.0);
    EXPECT_EQ(plug.mResets, resets);
  }
  // Validation alone applies nothing.
  EXPECT_TRUE(plug.LoadPresetFile((dir + "/link.qvs").c_str(), nullptr, false, true));
  plug.ExpectValues(9.0, 2.0, 10.0);
}

TEST(ProductFiles, ScanOffersValidFilesInOrderAsPresetRecords)
{
  TempHome home;
  TestPlug plug;
  const std::string dir = home.Root() + "/scan";
  std::filesystem::create_directories(dir + "/folder.qvs");
  WriteFile(dir + "/b.qvs", PresetDoc("<Param name=\"Gain\" val=\"2\" />\n", "Brimvaldex", "ORBEX9", "Bee"));
  WriteFile(dir + "/a.qvs", PresetDoc("<Param name=\"Mode\" val=\"2\" />\n", "Brimvaldex", "ORBEX9", "Ay"));
  WriteFile(dir + "/c.qvs.bak", PresetDoc("<Param name=\"Link\" val=\"5\" />\n", "Brimvaldex", "ORBEX9", "Backup"));
  WriteFile(dir + "/d.qvs", "broken");
  WriteFile(dir + "/e.txt", PresetDoc("<Param name=\"Link\" val=\"5\" />\n"));

  fx::FxPtrList<fx::IPreset> list;
  ASSERT_EQ(plug.ScanPresetFolder(dir.c_str(), list), 3);
  const char* names[] = {"Ay", "Bee", "Backup"};
  for (int i = 0; i < 3; ++i)
  {
    EXPECT_STREQ(list.Get(i)->mName, names[i]);
    EXPECT_TRUE(list.Get(i)->mInitialized);
  }
  // A record restores its file's values with defaults for the parameters the file lacks.
  plug.SetValues(9.0, 1.0, 99.0);
  ASSERT_GT(plug.UnserializeState(list.Get(0)->mChunk, 0), 0);
  plug.ExpectValues(1.0, 2.0, 50.0);

  // A rescan starts from an empty list; a missing folder leaves it empty.
  EXPECT_EQ(plug.ScanPresetFolder((home.Root() + "/nowhere").c_str(), list), 0);
  EXPECT_EQ(list.GetSize(), 0);
  list.Empty(true);
}

TEST(ProductSettings, FoldersAndPluginIniRules)
{
  TempHome home;
  ::rmdir(home.Data().c_str()); // the Application Support folder itself is made when missing
  IMPlugPaths paths;
  ASSERT_TRUE(paths.CreateDataFolders("ORBEX9"));
  EXPECT_EQ(std::string(paths.GetDataFolder()), home.Product());
  EXPECT_EQ(std::string(paths.GetDefaultPresetFolder()), home.Product() + "/AU");
  struct stat st;
  ASSERT_EQ(::stat(paths.GetDefaultPresetFolder(), &st), 0);
  const mode_t mask = ::umask(022);
  ::umask(mask);
  EXPECT_EQ(st.st_mode & 0777, 0755u & ~mask);
  EXPECT_TRUE(paths.CreateDataFolders("ORBEX9")); // existing folders are fine
  EXPECT_FALSE(paths.CreateDataFolders("a/b"));

  const std::string ini = home.Product() + "/plugin.ini";
  EXPECT_EQ(paths.ReadSettingInt("GUI", "HasUI", 1), 1); // no file
  struct Case { const char* text; int expected; };
  const std::string longLine = std::string(3000, 'x') + "\n";
  for (const Case c : {Case{"HasUI=0\nHasUI=1\n", 1}, Case{"HasUI=1\nHasUI=0", 0}, Case{"HasUI = 0\n", 7},
                       Case{"hasui=0\n", 7}, Case{"HasUI=\n", 7}, Case{"HasUI=x\n", 7}, Case{" HasUI=0\n", 7},
                       Case{"[GUI]\nHasUI=0\nOther=3\n", 0}, Case{"HasUIX=0\n", 7}, Case{"HasUI=12abc\n", 12},
                       Case{"", 7}})
  {
    WriteFile(ini, c.text);
    EXPECT_EQ(ReadFile(ini), c.text);
    EXPECT_EQ(paths.ReadSettingInt("GUI", "HasUI", 7), c.expected) << c.text;
  }
  WriteFile(ini, longLine + "HasUI=0\n" + longLine);
  EXPECT_EQ(paths.ReadSettingInt("GUI", "HasUI", 7), 0);
  // Not a regular file: a folder or a pipe of that name gives the default without blocking.
  for (bool pipe : {false, true})
  {
    std::filesystem::remove(ini);
    ASSERT_EQ(pipe ? ::mkfifo(ini.c_str(), 0600) : ::mkdir(ini.c_str(), 0700), 0);
    EXPECT_EQ(paths.ReadSettingInt("GUI", "HasUI", 7), 7);
  }
}

TEST(ProductSettings, SavingTheDefaultPresetMakesItsFolderOrSaysWhyNot)
{
  TempHome home;
  TestPlug plug;
  const std::string folder = home.Data() + "/gone/AU";
  std::string why;
  ASSERT_TRUE(plug.SaveDefaultPreset(folder.c_str(), false, false, nullptr, &why)) << why;
  EXPECT_NE(ReadFile(folder + "/default.qvs").find("<Preset name=\"Init\">"), std::string::npos);

  // A folder that cannot be made is named with the reason (in the kernel's own folder not
  // even root may make one).
  if (std::filesystem::is_directory("/sys/kernel"))
  {
    EXPECT_FALSE(plug.SaveDefaultPreset("/sys/orbex9-none/AU", false, false, nullptr, &why));
    EXPECT_EQ(why, "the folder \"/sys/orbex9-none\" cannot be made: there is no permission to make it");
  }
  const std::string file = home.Data() + "/file";
  WriteFile(file, "x");
  EXPECT_FALSE(plug.SaveDefaultPreset((file + "/AU").c_str(), false, false, nullptr, &why));
  EXPECT_EQ(why, "\"" + file + "\" is a file, not a folder");
}

TEST(ProductMeters, ScaleMappingAndLevels)
{
  MeterScale scale;
  EXPECT_DOUBLE_EQ(scale.Map(-6.0), 0.0);
  scale.AddPoint(-20.0, 0.1);
  EXPECT_DOUBLE_EQ(scale.Map(-6.0), 0.1);
  scale.AddPoint(-10.0, 0.4);
  scale.AddPoint(0.0, 0.9);
  EXPECT_DOUBLE_EQ(scale.LowestDB(), -20.0);
  EXPECT_DOUBLE_EQ(scale.HighestDB(), 0.0);
  EXPECT_DOUBLE_EQ(scale.Map(-144.0), 0.1); // clamped to the lowest point
  EXPECT_DOUBLE_EQ(scale.Map(12.0), 0.9);
  EXPECT_DOUBLE_EQ(scale.Map(-15.0), 0.25);
  EXPECT_DOUBLE_EQ(scale.Map(-5.0), 0.65);
  EXPECT_DOUBLE_EQ(scale.Map(-10.0), 0.4);

  EXPECT_DOUBLE_EQ(MeterDB(0.0), -144.0);
  EXPECT_DOUBLE_EQ(MeterDB(6.0e-8), -144.0);
  EXPECT_NEAR(MeterDB(0.5), -6.0206, 1e-4);
  EXPECT_NEAR(MeterDB(-0.5), -6.0206, 1e-4);
  EXPECT_DOUBLE_EQ(MeterDB(1.0), 0.0);
}

TEST(ProductDocument, KeysKindsAndFormatsOfTheParameterTable)
{
  // Stored preset files depend on these rows: parameters 3 to 14 in order, under their keys.
  struct Row
  {
    const char* key;
    int kind;
    const char* format;
  };
  const Row expected[] = {{"kGain", 4, "%.2lf"},     {"kAttack", 4, "%.2lf"},  {"kRelease", 4, "%.2lf"},
                          {"kAutoRelease", 2, "%d"}, {"kLookAhead", 2, "%d"},  {"kCeiling", 4, "%.2lf"},
                          {"kDrive", 4, "%.2lf"},    {"kChLink", 4, "%.1lf"},  {"kMeterMode", 2, "%d"},
                          {"kLimitMode", 2, "%d"},   {"kSatMode", 2, "%d"},    {"koutputmode", 2, "%d"}};
  const XMLParamDescriptor* row = IXMLParameters::ParamTable();
  for (size_t i = 0; i < std::size(expected); ++i, ++row)
  {
    EXPECT_STREQ(row->key, expected[i].key);
    EXPECT_EQ(row->paramIdx, static_cast<int>(i) + 3);
    EXPECT_EQ(row->kind, expected[i].kind);
    EXPECT_STREQ(row->format, expected[i].format);
  }
  EXPECT_EQ(row->paramIdx, XMLParamDescriptor::kEnd);
  EXPECT_EQ(row->key, nullptr);
  for (int i = 0; i < 16; ++i)
    EXPECT_EQ(IXMLParameters::TableSelects(IXMLParameters::ParamTable(), i, nullptr), i >= 3 && i <= 14) << i;
}
