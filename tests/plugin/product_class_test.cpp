// The limiter plug-in class: configuration, parameter table, factory presets, state round
// trips with identical audio, preset files through the editor's actions, settings, the
// parameter-change handler.

#include "ProductPlug.h"
#include "ProductTestSupport.h"
#include "tests/plugin/editor/EditorTestSupport.h"

#include "core/IParamShape.h"
#include "plugin/ORBEX9.h"
#include "plugin/StateContainer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

using namespace producttest;

namespace {

// Runs a fixed noisy signal through the plug-in in blocks and returns both output channels.
std::vector<double> Render(ORBEX9& plug, int nFrames, int block = 256)
{
  std::mt19937 rng(7);
  std::uniform_real_distribution<double> dist(-1.2, 1.2);
  std::vector<double> out;
  std::vector<double> inL(block), inR(block), outL(block), outR(block);
  for (int done = 0; done < nFrames; done += block)
  {
    for (int i = 0; i < block; ++i)
    {
      inL[i] = dist(rng);
      inR[i] = 0.5 * dist(rng);
    }
    double* in[2] = {inL.data(), inR.data()};
    double* o[2] = {outL.data(), outR.data()};
    plug.ProcessBlock(in, o, block);
    out.insert(out.end(), outL.begin(), outL.end());
    out.insert(out.end(), outR.begin(), outR.end());
  }
  return out;
}

double ShapeExponent(const fx::IParam& p)
{
  const auto* pow = dynamic_cast<const fx::ShapePowCurve*>(p.GetShape());
  return pow ? pow->GetExponent() : 1.0;
}

} // namespace

TEST(ProductClass, ConfigurationAndParameterTable)
{
  TempHome home;
  auto plug = MakePlug();
  EXPECT_STREQ(plug->GetPluginName(), "ORBEX9");
  EXPECT_STREQ(plug->GetMfrName(), "Brimvaldex");
  EXPECT_EQ(plug->GetPluginVersion(false), 0x00020111);
  EXPECT_EQ(plug->GetUniqueID(), fx::MakeFourCC("BV57"));
  EXPECT_EQ(plug->GetMfrID(), fx::MakeFourCC("BVQX"));
  EXPECT_EQ(plug->NIOConfigs(), 2);
  EXPECT_TRUE(plug->IsLegalIO(1, 1));
  EXPECT_TRUE(plug->IsLegalIO(2, 2));
  EXPECT_FALSE(plug->IsLegalIO(1, 2));
  EXPECT_EQ(plug->GetLatency(), 512);
  EXPECT_TRUE(plug->HasUI());
  EXPECT_TRUE(plug->DoesStateChunks());
  EXPECT_EQ(plug->GetEditorWidth(), 1000);
  EXPECT_EQ(plug->GetEditorHeight(), 270);
  EXPECT_EQ(plug->GetMinWidth(), 500);
  EXPECT_EQ(plug->GetMaxHeight(), 540);
  EXPECT_EQ(std::string(plug->GetBundleID()).substr(std::string(plug->GetBundleID()).size() - 17),
            ".audiounit.ORBEX9");

  struct Row
  {
    const char* name;
    fx::EParamKind kind;
    const char* label;
    double min, max, step, exponent, def;
    bool automatable;
    const char* group;
    std::vector<const char*> items;
  };
  const fx::EParamKind D = fx::kTypeDouble, E = fx::kTypeEnum;
  const Row rows[kNumParams] = {
    {"GUI Scale", D, "", 0.5, 3.0, 0.01, 1.0, 1.0, false, "GUI", {}},
    {"Toggle Tooltips", E, "", 0, 1, 1, 1.0, 1, false, "GUI", {"Off", "On"}},
    {"OS Mode", E, "", 0, 4, 1, 1.0, 0, false, "Processing", {"1x", "2x", "4x", "8x", "16x"}},
    {"Gain", D, "dB", 0.0, 24.0, 0.01, 2.0, 0.0, true, "Processing", {}},
    {"Attack", D, "ms", 0.0, 1000.0, 0.01, 2.0, 0.0, true, "Processing", {}},
    {"Release", D, "ms", 0.0, 1000.0, 0.01, 2.0, 0.0, true, "Processing", {}},
    {"Auto Release", E, "", 0, 1, 1, 1.0, 0, true, "Processing", {"Off", "On"}},
    {"Look Ahead", E, "", 0, 1, 1, 1.0, 0, false, "Processing", {"Short", "Long"}},
    {"Ceiling", D, "dBFS", -24.0, 0.0, 0.01, 0.5, 0.0, true, "Processing", {}},
    {"Drive", D, "dB", 0.0, 24.0, 0.01, 2.0, 0.0, true, "Processing", {}},
    {"Channel Link", D, "%", 0.0, 100.0, 1.0, 1.0, 100.0, true, "Processing", {}},
    {"Meter Mode", E, "", 0, 2, 1, 1.0, 0, true, "GUI", {"IN", "GR", "OUT"}},
    {"Limit Mode", E, "", 0, 1, 1, 1.0, 0, false, "Processing", {"Hard", "Soft"}},
    {"Saturation Mode", E, "", 0, 1, 1, 1.0, 0, true, "Processing", {"Off", "On"}},
    {"Ceiling Mode", E, "", 0, 1, 1, 1.0, 0, true, "Processing", {"Ceiling", "Volume"}},
    {"Online Update Check", E, "", 0, 1, 1, 1.0, 1, false, "GUI", {"Off", "On"}},
  };
  ASSERT_EQ(plug->NParams(), kNumParams);
  for (int i = 0; i < kNumParams; ++i)
  {
    SCOPED_TRACE(rows[i].name);
    const fx::IParam& p = *plug->GetParam(i);
    EXPECT_STREQ(p.GetName(), rows[i].name);
    EXPECT_EQ(p.Type(), rows[i].kind);
    EXPECT_STREQ(p.GetLabel(), rows[i].label);
    EXPECT_DOUBLE_EQ(p.GetMin(), rows[i].min);
    EXPECT_DOUBLE_EQ(p.GetMax(), rows[i].max);
    EXPECT_DOUBLE_EQ(p.GetStep(), rows[i].step);
    EXPECT_DOUBLE_EQ(ShapeExponent(p), rows[i].exponent);
    EXPECT_DOUBLE_EQ(p.GetDefault(), rows[i].def);
    EXPECT_DOUBLE_EQ(p.Value(), rows[i].def);
    EXPECT_EQ(p.GetCanAutomate(), rows[i].automatable);
    EXPECT_STREQ(p.GetGroup(), rows[i].group);
    ASSERT_EQ(p.GetNumDisplayTexts(), static_cast<int>(rows[i].items.size()));
    for (size_t k = 0; k < rows[i].items.size(); ++k)
      EXPECT_STREQ(p.GetDisplayTextAtIdx(static_cast<int>(k)), rows[i].items[k]);
    EXPECT_EQ(p.Unit(), fx::kUnitCustom);
  }

  const fx::IParam* fixed = plug->GetExtraParam(ORBEX9::kFixedGUIScaleTag);
  ASSERT_NE(fixed, nullptr);
  EXPECT_EQ(plug->GetExtraParam(3), nullptr);
  EXPECT_STREQ(fixed->GetName(), "Fixed GUI Scale");
  EXPECT_EQ(fixed->Type(), fx::kTypeEnum);
  EXPECT_DOUBLE_EQ(fixed->Value(), 2.0);
  ASSERT_EQ(fixed->GetNumDisplayTexts(), 11);
  EXPECT_STREQ(fixed->GetDisplayTextAtIdx(0), "50%");
  EXPECT_STREQ(fixed->GetDisplayTextAtIdx(10), "300%");
  for (int i = 0; i <= 10; ++i) EXPECT_DOUBLE_EQ(plug->GUIScaleForIndex(i), 0.5 + 0.25 * i);
  EXPECT_DOUBLE_EQ(plug->GUIScaleForIndex(-1), 1.0);
  EXPECT_DOUBLE_EQ(plug->GUIScaleForIndex(11), 1.0);

  // The data folders exist after construction.
  EXPECT_TRUE(std::filesystem::is_directory(home.Product() + "/AU"));

  // A host that keeps the initial rate and block size never resets the plug-in: it renders
  // anyway, with the latency it asks for.
  auto fresh = MakePlug();
  fresh->SetChannelConnections(fx::kInput, 0, 2, true);
  fresh->SetChannelConnections(fx::kOutput, 0, 2, true);
  const int block = fresh->GetBlockSize();
  ASSERT_GT(block, 0);
  const int latency = fresh->GetWantedLatency();
  ASSERT_GT(latency, 0);
  std::vector<double> inL(block, 0.5), inR(block, -0.25), outL(block, 9.0), outR(block, 9.0);
  double* in[2] = {inL.data(), inR.data()};
  double* out[2] = {outL.data(), outR.data()};
  std::vector<double> left;
  for (int done = 0; done <= latency + 64; done += block)
  {
    fresh->ProcessBlock(in, out, block);
    left.insert(left.end(), outL.begin(), outL.end());
  }
  EXPECT_DOUBLE_EQ(left[0], 0.0);
  EXPECT_NEAR(left[static_cast<size_t>(latency) + 32], 0.5, 1e-9);
}

TEST(ProductClass, FactoryPresetsHoldTheirValuesAndDefaults)
{
  TempHome home;
  auto plug = MakePlug();
  PresetLists& lists = plug->GetPresetLists();
  EXPECT_TRUE(lists.mDefault.mInitialized);
  EXPECT_STREQ(lists.mDefault.mName, "Init");
  ASSERT_EQ(plug->NPresets(), 1);
  EXPECT_TRUE(plug->GetPreset(0)->mInitialized);
  EXPECT_STREQ(plug->GetPresetName(0), "Init");
  EXPECT_TRUE(plug->GetPreset(0)->mChunk.IsEqual(lists.mDefault.mChunk));

  struct Expect
  {
    const char* name;
    double gain, attack, release, autoRel, look, ceiling, drive, link, meter;
  };
  const Expect presets[] = {
    {"Init", 0, 0, 0, 0, 0, 0, 0, 100, 0},
    {"Finish +6dB -0.1dBFS", 6, 0, 0, 0, 1, -0.1, 0, 0, 1},
    {"More +6dB -0.1dBFS", 6, 1, 0, 0, 1, -0.1, 0, 0, 1},
    {"Gentle +6dB -0.1dBFS", 6, 0, 0, 1, 1, -0.1, 0, 0, 1},
    {"Drive +3dB 0dBFS", 0, 0, 0, 0, 0, 0, 3, 100, 1},
  };
  ASSERT_EQ(lists.mFactory.GetSize(), 5);
  for (int k = 0; k < 5; ++k)
  {
    const Expect& e = presets[k];
    SCOPED_TRACE(e.name);
    const fx::IPreset& rec = *lists.mFactory.Get(k);
    EXPECT_STREQ(rec.mName, e.name);
    EXPECT_TRUE(rec.mInitialized);

    auto fresh = MakePlug();
    for (int i = 0; i < kNumParams; ++i) fresh->GetParam(i)->Set(fresh->GetParam(i)->GetMax());
    ASSERT_EQ(fresh->UnserializeState(rec.mChunk, 0), rec.mChunk.Size());
    const double values[] = {e.gain, e.attack, e.release, e.autoRel, e.look, e.ceiling, e.drive, e.link, e.meter};
    for (int i = kGain; i <= kMeterMode; ++i) EXPECT_DOUBLE_EQ(fresh->GetParam(i)->Value(), values[i - kGain]) << i;
    // Every parameter a preset does not name holds its default.
    for (int i : {kGUIScale, kTooltips, kOSMode, kLimitMode, kSatMode, koutputmode, kUpdateCheck})
      EXPECT_DOUBLE_EQ(fresh->GetParam(i)->Value(), fresh->GetParam(i)->GetDefault()) << i;
    EXPECT_STREQ(fresh->GetPresetName(0), e.name);
    // The engine follows the restored values.
    EXPECT_DOUBLE_EQ(fresh->Engine().GetParams().gain, e.gain);
    EXPECT_EQ(fresh->Engine().GetParams().lookAhead, static_cast<int>(e.look));
    EXPECT_DOUBLE_EQ(fresh->Engine().GetParams().ceiling, e.ceiling); // -0.0 is 0.0
  }
}

TEST(ProductClass, StateRoundTripGivesIdenticalAudio)
{
  TempHome home;
  auto a = MakePlug();
  const double values[kNumParams] = {1.25, 0, 2, 7.5, 3.25, 120.5, 1, 1, -3.5, 2.25, 40, 2, 1, 1, 0, 0};
  for (int i = 0; i < kNumParams; ++i)
  {
    a->GetParam(i)->Set(values[i]);
    a->OnParamChange(i, fx::kUI);
  }
  Prepare(*a);
  fx::IStateChunk chunk;
  ASSERT_TRUE(a->SerializeState(chunk));

  auto b = MakePlug();
  Prepare(*b);
  ASSERT_EQ(b->UnserializeState(chunk, 0), chunk.Size());
  for (int i = 0; i < kNumParams; ++i) EXPECT_DOUBLE_EQ(b->GetParam(i)->Value(), values[i]) << i;
  EXPECT_EQ(b->Engine().OversamplingFactor(), 4);
  b->OnReset();
  a->OnReset();
  EXPECT_EQ(a->Engine().WantedLatency(), b->Engine().WantedLatency());
  const std::vector<double> outA = Render(*a, 48000);
  const std::vector<double> outB = Render(*b, 48000);
  ASSERT_EQ(outA.size(), outB.size());
  EXPECT_TRUE(outA == outB);
  double peak = 0.0;
  for (double v : outA) peak = std::max(peak, std::fabs(v));
  EXPECT_GT(peak, 0.1);

  // A state of another plug-in or a damaged one is refused with nothing changed.
  std::string xml;
  ASSERT_GT(statecontainer::Read(chunk, 0, xml), 0);
  const size_t at = xml.find("ORBEX9");
  std::string alien = xml;
  alien.replace(at, 6, "OTHER9");
  fx::IStateChunk alienChunk;
  ASSERT_TRUE(statecontainer::Write(alienChunk, alien));
  fx::IStateChunk cut;
  cut.PutBytes(chunk.GetData(), chunk.Size() / 2);
  auto c = MakePlug();
  EXPECT_EQ(c->UnserializeState(alienChunk, 0), -1);
  EXPECT_EQ(c->UnserializeState(cut, 0), -1);
  for (int i = 0; i < kNumParams; ++i) EXPECT_DOUBLE_EQ(c->GetParam(i)->Value(), c->GetParam(i)->GetDefault());
  EXPECT_STREQ(c->GetPresetName(0), "Init");
}

TEST(ProductClass, PresetFileActionsThroughTheEditor)
{
  TempHome home;
  auto plug = MakePlug();
  editortest::EditorDriver editor(*plug);
  // The preset menu's file dialog answers path (empty: cancelled) for its item at pos.
  auto throughMenu = [&](int pos, const std::string& path) {
    editor.gfx->fileAnswer = path;
    editor.gfx->menuPath = {pos};
    editor.Click(450, 20);
  };
  constexpr int kLoadItem = 2, kSaveItem = 5;

  // Without an editor the file actions do nothing.
  plug->OnParamChange(kActionSavePreset, fx::kUI);
  editor.Open();
  ASSERT_TRUE(plug->IsEditorOpen());

  // Save: the preset takes the file's name up to its last dot, blanks kept.
  plug->GetParam(kGain)->Set(4.5);
  plug->OnParamChange(kGain, fx::kUI);
  throughMenu(kSaveItem, home.Product() + "/my.preset.qvs");
  EXPECT_NE(ReadFile(home.Product() + "/my.preset.qvs").find("<Preset name=\"my.preset\">"), std::string::npos);
  throughMenu(kSaveItem, home.Product() + "/with blanks .qvs");
  EXPECT_NE(ReadFile(home.Product() + "/with blanks .qvs").find("<Preset name=\"with blanks \">"), std::string::npos);
  throughMenu(kSaveItem, ""); // cancelled: nothing

  // Scan: the data folder's files in order, the AU folder's default preset not among them.
  plug->OnParamChange(kActionSaveDefault, fx::kUI);
  EXPECT_TRUE(std::filesystem::exists(home.Product() + "/AU/default.qvs"));
  WriteFile(home.Product() + "/a-gain.qvs", PresetDoc("<Param name=\"Gain\" val=\"9\" />\n", "Brimvaldex", "ORBX",
                                                      "Only gain"));
  plug->OnParamChange(kActionScanPresets, fx::kUI);
  const fx::FxPtrList<fx::IPreset>& scanned = plug->GetPresetLists().mScanned;
  ASSERT_EQ(scanned.GetSize(), 3);
  EXPECT_STREQ(scanned.Get(0)->mName, "Only gain");
  EXPECT_STREQ(scanned.Get(1)->mName, "my.preset");
  EXPECT_STREQ(scanned.Get(2)->mName, "with blanks ");

  // Load a file naming only parameter 3: 4..14 go back to their defaults, 0..2 and 15 stay.
  const double before[kNumParams] = {1.5, 0, 3, 2, 50, 60, 1, 1, -6, 5, 30, 2, 1, 1, 1, 0};
  for (int i = 0; i < kNumParams; ++i)
  {
    plug->GetParam(i)->Set(before[i]);
    plug->OnParamChange(i, fx::kUI);
  }
  throughMenu(kLoadItem, home.Product() + "/a-gain.qvs");
  for (int i = 0; i < kNumParams; ++i)
  {
    const double expected = i == kGain ? 9.0 : (i <= kOSMode || i == kUpdateCheck) ? before[i]
                                                                                    : plug->GetParam(i)->GetDefault();
    EXPECT_DOUBLE_EQ(plug->GetParam(i)->Value(), expected) << i;
  }
  EXPECT_DOUBLE_EQ(plug->Engine().GetParams().gain, 9.0);
  EXPECT_DOUBLE_EQ(plug->Engine().GetParams().channelLink, 100.0);
  EXPECT_EQ(plug->Engine().GetParams().osMode, 3);
  EXPECT_STREQ(plug->GetPresetName(0), "Only gain");

  // A broken file changes nothing.
  WriteFile(home.Product() + "/broken.qvs", "<PresetXMLTree>");
  plug->GetParam(kAttack)->Set(70.0);
  throughMenu(kLoadItem, home.Product() + "/broken.qvs");
  EXPECT_DOUBLE_EQ(plug->GetParam(kAttack)->Value(), 70.0);
  EXPECT_DOUBLE_EQ(plug->GetParam(kGain)->Value(), 9.0);
  editor.Close();
}

TEST(ProductClass, DefaultPresetAndSettingsAtConstruction)
{
  TempHome home;
  {
    auto plug = MakePlug();
    plug->GetParam(kGUIScale)->Set(1.5);
    plug->GetParam(kDrive)->Set(6.0);
    plug->GetParam(kOSMode)->Set(1);
    ASSERT_TRUE(plug->SaveDefaultPreset(plug->GetDefaultPresetFolder()));
  }
  WriteFile(home.Product() + "/plugin.ini", "HasUI=0\n");
  auto plug = MakePlug();
  EXPECT_FALSE(plug->HasUI());
  EXPECT_DOUBLE_EQ(plug->GetParam(kDrive)->Value(), 6.0);
  EXPECT_DOUBLE_EQ(plug->GetGUIScale(), 1.5);
  // Engine and parameters agree after the default preset.
  EXPECT_DOUBLE_EQ(plug->Engine().GetParams().drive, 6.0);
  EXPECT_EQ(plug->Engine().GetParams().osMode, 1);

  WriteFile(home.Product() + "/plugin.ini", "HasUI=0\nHasUI=1\n");
  EXPECT_TRUE(MakePlug()->HasUI());
  WriteFile(home.Product() + "/AU/default.qvs", "garbage");
  EXPECT_DOUBLE_EQ(MakePlug()->GetParam(kDrive)->Value(), 0.0);
}

TEST(ProductClass, ParameterChangesReachTheEngineFromEverySource)
{
  TempHome home;
  auto plug = MakePlug();
  Prepare(*plug);

  // Non-automatable parameters changed by the host still reach the engine.
  plug->GetParam(kOSMode)->Set(2);
  plug->OnParamChange(kOSMode, fx::kHost);
  EXPECT_EQ(plug->Engine().GetParams().osMode, 2);
  EXPECT_EQ(plug->Engine().OversamplingFactor(), 4);
  plug->GetParam(kLimitMode)->Set(1);
  plug->OnParamChange(kLimitMode, fx::kHost);
  EXPECT_EQ(plug->Engine().GetParams().limitMode, 1);
  plug->GetParam(kLookAhead)->Set(1);
  plug->OnParamChange(kLookAhead, fx::kHost);
  EXPECT_EQ(plug->Engine().GetParams().lookAhead, 1);

  // Source 4 (editor update from the plug-in) and unknown sources do nothing.
  plug->GetParam(kGain)->Set(5.0);
  plug->OnParamChange(kGain, fx::kDelegate);
  plug->OnParamChange(kGain, static_cast<fx::EParamSource>(9));
  EXPECT_DOUBLE_EQ(plug->Engine().GetParams().gain, 0.0);
  plug->OnParamChange(kGain, static_cast<fx::EParamSource>(0));
  EXPECT_DOUBLE_EQ(plug->Engine().GetParams().gain, 5.0);
  // Host changes carry parameter indices only; indices past the actions do nothing else.
  plug->OnParamChange(kActionResetScale, fx::kHost);
  plug->OnParamChange(-3, fx::kUI);
  plug->OnParamChange(1000, fx::kUI);

  // Online Update Check takes the value it is given.
  plug->GetParam(kUpdateCheck)->Set(0);
  plug->OnParamChange(kUpdateCheck, fx::kUI);
  plug->GetParam(kUpdateCheck)->Set(1);
  plug->OnParamChange(kUpdateCheck, fx::kUI);
  fx::IStateChunk chunk;
  ASSERT_TRUE(plug->SerializeState(chunk));
  auto other = MakePlug();
  other->GetParam(kUpdateCheck)->Set(0);
  ASSERT_GT(other->UnserializeState(chunk, 0), 0);
  EXPECT_DOUBLE_EQ(other->GetParam(kUpdateCheck)->Value(), 1.0);

  // Every parameter and the engine agree after a round of host changes.
  std::mt19937 rng(3);
  for (int round = 0; round < 200; ++round)
  {
    const int idx = static_cast<int>(rng() % kNumParams);
    fx::IParam* p = plug->GetParam(idx);
    p->SetNormalized(std::uniform_real_distribution<double>(0.0, 1.0)(rng));
    plug->OnParamChange(idx, fx::kHost);
  }
  const LimiterParams e = plug->Engine().GetParams();
  EXPECT_EQ(e.osMode, plug->GetParam(kOSMode)->Int());
  EXPECT_DOUBLE_EQ(e.gain, plug->GetParam(kGain)->Value());
  EXPECT_DOUBLE_EQ(e.attack, plug->GetParam(kAttack)->Value());
  EXPECT_DOUBLE_EQ(e.release, plug->GetParam(kRelease)->Value());
  EXPECT_EQ(e.autoRelease, plug->GetParam(kAutoRelease)->Int());
  EXPECT_EQ(e.lookAhead, plug->GetParam(kLookAhead)->Int());
  EXPECT_DOUBLE_EQ(e.ceiling, plug->GetParam(kCeiling)->Value());
  EXPECT_DOUBLE_EQ(e.drive, plug->GetParam(kDrive)->Value());
  EXPECT_DOUBLE_EQ(e.channelLink, plug->GetParam(kChLink)->Value());
  EXPECT_EQ(e.limitMode, plug->GetParam(kLimitMode)->Int());
  EXPECT_EQ(e.satMode, plug->GetParam(kSatMode)->Int());
  EXPECT_EQ(e.ceilingMode, plug->GetParam(koutputmode)->Int());
}
