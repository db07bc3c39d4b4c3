// The limiter plug-in's idle handling and editor hooks: latency reports by host, mode
// displays, GUI scale changes, about box, update page, message box and meter readouts, with its
// editor open on the recording back end.

#include "ProductPlug.h"
#include "ProductTestSupport.h"
#include "tests/plugin/editor/EditorTestSupport.h"

#include "graphics/ITextControl.h"

#include "plugin/dsp/LimiterMeters.h"
#include "plugin/ORBEX9.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

using namespace producttest;
using editortest::EditorDriver;

namespace {

void ProcessConstant(ORBEX9& plug, double value, int nFrames, int block = 256)
{
  std::vector<double> in(static_cast<size_t>(block), value), out(static_cast<size_t>(block));
  std::vector<double> in2 = in, out2 = out;
  for (int done = 0; done < nFrames; done += block)
  {
    double* i[2] = {in.data(), in2.data()};
    double* o[2] = {out.data(), out2.data()};
    plug.ProcessBlock(i, o, block);
  }
}

// Records the latency the adapter reports to its listeners.
struct LatencyLog
{
  static void Listener(void* user, AudioUnit, AudioUnitPropertyID, AudioUnitScope, AudioUnitElement)
  {
    auto* log = static_cast<LatencyLog*>(user);
    log->reports.push_back(log->plug->GetLatency());
  }
  ORBEX9* plug = nullptr;
  std::vector<int> reports;
};

void SetParam(ORBEX9& plug, int idx, double value, fx::EParamSource source = fx::kUI)
{
  plug.GetParam(idx)->Set(value);
  plug.OnParamChange(idx, source);
}

const char* Text(const EditorDriver& editor, int idx)
{
  const auto* text = dynamic_cast<const fx::gfx::ITextControl*>(editor.Control(idx));
  return text ? text->GetStr() : "(none)";
}

} // namespace

TEST(ProductIdle, LatencyReachesTheHostByItsRoad)
{
  TempHome home;
  struct Case
  {
    const char* host;   // null: never identified
    bool immediate;     // reported right after the parameter change
    bool fromIdle;      // reported by the idle tick
  };
  for (const Case c : {Case{nullptr, false, false}, Case{"Logic Pro", true, true}, Case{"REAPER", false, true},
                       Case{"FL Studio fruity", true, true}, Case{"ProTools", false, false},
                       Case{"Ableton Live", false, true}, Case{"Some Host", false, true}})
  {
    SCOPED_TRACE(c.host ? c.host : "unidentified");
    auto plug = MakePlug();
    LatencyLog log;
    log.plug = plug.get();
    ASSERT_EQ(plug->AddPropertyListener(kAudioUnitProperty_Latency, &LatencyLog::Listener, &log), 0);
    if (c.host) plug->SetHost(c.host, 0x00010000);
    Prepare(*plug);
    plug->OnIdle();
    log.reports.clear();
    const int before = plug->GetLatency();

    SetParam(*plug, kOSMode, 2); // 4x: a larger latency
    const int wanted = plug->Engine().WantedLatency();
    ASSERT_NE(wanted, before);
    EXPECT_EQ(plug->GetWantedLatency(), wanted);
    EXPECT_EQ(!log.reports.empty(), c.immediate);
    plug->OnIdle();
    EXPECT_EQ(plug->GetLatency(), (c.immediate || c.fromIdle) ? wanted : before);
    if (c.immediate || c.fromIdle)
    {
      ASSERT_EQ(log.reports.size(), 1u); // once, not again from the idle tick
      EXPECT_EQ(log.reports.back(), wanted);
    }
    else
    {
      EXPECT_TRUE(log.reports.empty());
    }
    plug->OnIdle();
    EXPECT_LE(log.reports.size(), 1u);
  }
}

TEST(ProductIdle, ModeDisplaysFollowTheParametersOnTheMainThread)
{
  TempHome home;
  auto plug = MakePlug();
  EditorDriver editor(*plug);
  editor.Open();
  ASSERT_TRUE(plug->IsEditorOpen());
  ASSERT_TRUE(plug->GetControlsCreated());
  const ORBEX9::ControlIndices& c = plug->GetControlIndices();
  EXPECT_DOUBLE_EQ(editor.Control(c.meterScaleLabels[0])->GetValue(), 1.0);
  EXPECT_STREQ(editor.Control(c.ceilingKnob)->GetTooltip(), "Ceiling");
  EXPECT_TRUE(editor.gfx->TooltipsEnabled());

  SetParam(*plug, kMeterMode, 1);
  EXPECT_DOUBLE_EQ(editor.Control(c.meterScaleLabels[0])->GetValue(), 0.0);
  EXPECT_DOUBLE_EQ(editor.Control(c.meterScaleLabels[1])->GetValue(), 0.0);
  editor.Control(c.meterScaleLabels[0])->SetClean();
  SetParam(*plug, kMeterMode, 1); // unchanged value: the control is left alone
  EXPECT_FALSE(editor.Control(c.meterScaleLabels[0])->IsDirty());
  SetParam(*plug, koutputmode, 1);
  EXPECT_STREQ(editor.Control(c.ceilingKnob)->GetTooltip(), "Volume");
  SetParam(*plug, kTooltips, 0);
  EXPECT_FALSE(editor.gfx->TooltipsEnabled());

  // A host change may come on the audio thread: the editor follows at the next idle tick.
  SetParam(*plug, kMeterMode, 2, fx::kHost);
  SetParam(*plug, koutputmode, 0, fx::kHost);
  EXPECT_DOUBLE_EQ(editor.Control(c.meterScaleLabels[0])->GetValue(), 0.0);
  EXPECT_STREQ(editor.Control(c.ceilingKnob)->GetTooltip(), "Volume");
  plug->OnIdle();
  EXPECT_DOUBLE_EQ(editor.Control(c.meterScaleLabels[0])->GetValue(), 1.0);
  EXPECT_STREQ(editor.Control(c.ceilingKnob)->GetTooltip(), "Ceiling");

  // Opening sends every parameter's normalised value to its controls.
  SetParam(*plug, kCeiling, -6.0);
  editor.Close();
  EXPECT_FALSE(plug->IsEditorOpen());
  EXPECT_EQ(plug->GetEditor(), nullptr);
  editor.Open();
  EXPECT_DOUBLE_EQ(editor.Control(c.ceilingKnob)->GetValue(), plug->GetParam(kCeiling)->GetNormalized());
  editor.Close();
}

TEST(ProductIdle, GUIScaleActionsResizeWhenTheEditorIsFree)
{
  TempHome home;
  auto plug = MakePlug();
  EditorDriver editor(*plug);

  // Requested while closed: stays pending, applied on the first tick after opening.
  plug->GetExtraParam(ORBEX9::kFixedGUIScaleTag)->Set(0);
  plug->OnParamChange(kActionFixedScale, fx::kUI);
  EXPECT_DOUBLE_EQ(plug->GetGUIScale(), 0.5);
  EXPECT_DOUBLE_EQ(plug->GetParam(kGUIScale)->Value(), 0.5);
  plug->OnIdle();
  EXPECT_TRUE(plug->GUIScaleChangePending());
  editor.Open();
  plug->OnIdle();
  EXPECT_FALSE(plug->GUIScaleChangePending());
  EXPECT_FLOAT_EQ(editor.gfx->GetDrawScale(), 0.5f);
  EXPECT_EQ(editor.gfx->Width(), 1000);

  // While the in-editor popup menu is open the change waits.
  editor.gfx->AttachPopupMenuControl();
  ASSERT_NE(editor.gfx->GetPopupMenuControl(), nullptr);
  fx::gfx::IPopupMenu menu("", 0, false, {"one", "two"});
  editor.gfx->CreatePopupMenu(*editor.Control(0), menu, fx::gfx::IRECT(10, 10, 20, 20));
  ASSERT_GT(editor.gfx->GetPopupMenuControl()->GetState(), 0);
  plug->GetExtraParam(ORBEX9::kFixedGUIScaleTag)->Set(10);
  plug->OnParamChange(kActionFixedScale, fx::kUI);
  plug->OnIdle();
  EXPECT_FLOAT_EQ(editor.gfx->GetDrawScale(), 0.5f);
  editor.gfx->RemovePopupMenuControl();
  plug->OnIdle();
  EXPECT_FLOAT_EQ(editor.gfx->GetDrawScale(), 3.0f);

  plug->OnParamChange(kActionResetScale, fx::kUI);
  plug->OnIdle();
  EXPECT_FLOAT_EQ(editor.gfx->GetDrawScale(), 1.0f);
  plug->OnParamChange(kActionScaleFromParam, fx::kUI);
  plug->OnIdle();
  EXPECT_FLOAT_EQ(editor.gfx->GetDrawScale(), 0.5f);
  // The editor resized by its corner: the plug-in takes its scale.
  editor.gfx->Resize(1000, 270, 1.75f, true);
  EXPECT_DOUBLE_EQ(plug->GetParam(kGUIScale)->Value(), 1.75);
  EXPECT_DOUBLE_EQ(plug->GetGUIScale(), 1.75);
  // A GUI Scale parameter change from the host resizes at the next tick.
  SetParam(*plug, kGUIScale, 2.0, fx::kHost);
  plug->OnIdle();
  EXPECT_FLOAT_EQ(editor.gfx->GetDrawScale(), 2.0f);
  editor.Close();
}

TEST(ProductIdle, AboutBoxUpdatePageAndMessages)
{
  TempHome home;
  ORBEX9::ResetUpdateFlags();
  auto plug = MakePlug();
  EditorDriver editor(*plug);

  // Requests need an open editor.
  plug->OnParamChange(kActionAbout, fx::kUI);
  plug->OnParamChange(kActionUpdateCheck, fx::kUI);
  EXPECT_FALSE(plug->AboutRequested());
  EXPECT_FALSE(plug->UpdatePageRequested());

  plug->SetHost("unknown thing", 0);
  Prepare(*plug, 44100.0, 512);
  editor.Open();
  plug->OnParamChange(kActionAbout, fx::kUI);
  plug->OnParamChange(kActionAbout, fx::kUI); // served once
  plug->OnIdle();
  auto messages = editor.gfx->All("ShowMessageBox");
  ASSERT_EQ(messages.size(), 1u);
  const std::string about = messages[0].s;
  EXPECT_EQ(about.substr(about.size() - 6), "|About");
  for (const char* line : {"Manufacturer: Brimvaldex\n", "Plugin name: ORBEX9\n", "Version: 2.1.17\n",
                           "Format: AU x64 (INTEL, VG, METAL)\n", "Host: Unknown\n", "Channels: 2-2 (2-2)\n",
                           "Sample Rate: 44100.00 Hz\n", "Block Size: 512 smp\n", "\nTrademarks:\n",
                           "AU: Apple Inc.\n"})
    EXPECT_NE(about.find(line), std::string::npos) << line;
  EXPECT_NE(about.find("Build time: "), std::string::npos);
  EXPECT_NE(about.find(" smp ("), std::string::npos);
  EXPECT_EQ(ORBEX9::HostDisplayName(21), std::string("Logic Pro"));
  EXPECT_EQ(ORBEX9::HostDisplayName(67), std::string("DDMF MetaPlugin"));
  EXPECT_EQ(ORBEX9::HostDisplayName(68), std::string("Unknown"));
  EXPECT_EQ(ORBEX9::HostDisplayName(-1), std::string("Unknown"));

  // The update page opens through the editor, which lets go of the pointer; no update is
  // flagged.
  EXPECT_TRUE(ORBEX9::UpdateCheckDone()); // the first open tick marked the check done
  editor.gfx->GetMouseControl(500.f, 135.f, true);
  ASSERT_TRUE(editor.gfx->ControlIsCaptured());
  plug->OnParamChange(kActionUpdateCheck, fx::kUI);
  plug->OnIdle();
  auto urls = editor.gfx->All("OpenURL");
  ASSERT_EQ(urls.size(), 1u);
  EXPECT_EQ(urls[0].s.rfind("https://", 0), 0u);
  EXPECT_NE(urls[0].s.find("/productversioncheck?product=ORBEX9&version=2.1.17"), std::string::npos);
  EXPECT_FALSE(editor.gfx->ControlIsCaptured());
  EXPECT_FALSE(ORBEX9::UpdateAvailable());
  EXPECT_FALSE(plug->OpenUpdateCheck("ORBEX9nogpu", "1.0", ORBEX9::kUpdateCheckURLFormat));
  EXPECT_NE(editor.gfx->All("OpenURL").back().s.find("product=ORBEX9&version=1.0"), std::string::npos);

  // A posted message shows once.
  plug->PostMessageBox("Something happened", "Note");
  plug->OnIdle();
  plug->OnIdle();
  messages = editor.gfx->All("ShowMessageBox");
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_EQ(messages[1].s, "Something happened|Note");
  editor.Close();
}

TEST(ProductIdle, UpdateIconRedrawsOnlyWhenTheOutcomeChanges)
{
  TempHome home;
  auto plug = MakePlug();
  EditorDriver editor(*plug);
  editor.Open();
  fx::gfx::IControl* icon = editor.Control(plug->GetControlIndices().updateIcon);
  ASSERT_NE(icon, nullptr);
  ORBEX9::SetUpdateAvailable(true);
  icon->SetClean();
  plug->OnIdle();
  plug->OnIdle();
  // The icon keeps its own value, so the plug-in's wish to show 1.0 changes no picture.
  EXPECT_DOUBLE_EQ(icon->GetValue(), 0.0);
  EXPECT_FALSE(icon->IsDirty());
  ORBEX9::ResetUpdateFlags();
  editor.Close();
}

TEST(ProductIdle, MeterReadoutsMapLevelsToNeedlesAndText)
{
  TempHome home;
  auto plug = MakePlug();
  EditorDriver editor(*plug);
  Prepare(*plug);
  editor.Open();
  const ORBEX9::ControlIndices& c = plug->GetControlIndices();

  // Silence in IN mode: "-INF" and the needles at rest.
  plug->UpdateMeterReadouts();
  EXPECT_STREQ(Text(editor, c.readouts[0]), "-INF");
  EXPECT_STREQ(Text(editor, c.readouts[1]), "-INF");
  for (int k = 0; k < 4; ++k) EXPECT_DOUBLE_EQ(editor.Control(c.needles[k])->GetValue(), 0.0);

  // GR mode without reduction: 0 dB, printed with two decimals; the needle at the 0 dB mark.
  SetParam(*plug, kMeterMode, 1);
  plug->UpdateMeterReadouts();
  EXPECT_STREQ(Text(editor, c.readouts[0]), "0.00");
  EXPECT_DOUBLE_EQ(editor.Control(c.needles[1])->GetValue(), 0.78);

  // A steady level of 0.5 reads -6.02 dB and puts the needle between the scale's points.
  SetParam(*plug, kMeterMode, 0);
  ProcessConstant(*plug, 0.5, 48000);
  ASSERT_TRUE(plug->Engine().RefreshDue());
  plug->OnIdle(); // the refresh is due after a second of audio
  EXPECT_FALSE(plug->Engine().RefreshDue());
  EXPECT_STREQ(Text(editor, c.readouts[0]), "-6.02");
  EXPECT_STREQ(Text(editor, c.readouts[1]), "-6.02");
  const double expected = plug->GetMeterScale().Map(MeterDB(0.5));
  EXPECT_NEAR(editor.Control(c.needles[1])->GetValue(), expected, 1e-6);
  EXPECT_GT(expected, 0.26); // between the -7 and -6 dB marks
  EXPECT_LT(expected, 0.335);

  // A new Meter Mode shows at the next idle tick with no audio since, from the editor or a host.
  SetParam(*plug, kMeterMode, 1);
  ASSERT_FALSE(plug->Engine().RefreshDue());
  plug->OnIdle();
  EXPECT_STREQ(Text(editor, c.readouts[0]), "0.00");
  EXPECT_DOUBLE_EQ(editor.Control(c.needles[1])->GetValue(), 0.78);
  SetParam(*plug, kMeterMode, 2, fx::kHost);
  plug->OnIdle();
  char out[32];
  std::snprintf(out, sizeof(out), "%.2lf", MeterDB(plug->Engine().MeterOutput(LimiterMeters::kOutRHold)));
  EXPECT_STREQ(Text(editor, c.readouts[1]), out);
  EXPECT_STRNE(out, "0.00");
  editor.Close();
  // Without an editor the readouts are not touched (and nothing crashes).
  plug->UpdateMeterReadouts();
  plug->OnIdle();
}
