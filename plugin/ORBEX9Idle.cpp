// Idle handling: latency reports, editor scale, about box, update page, message box, update
// icon and the meter display.

#include "plugin/ORBEX9.h"

#include "core/HostCode.h"
#include "graphics/IGfx.h"
#include "graphics/ITextControl.h"
#include "plugin/dsp/LimiterMeters.h"

#include <atomic>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

std::atomic<bool> sUpdateCheckDone {false};
std::atomic<bool> sUpdateAvailable {false};

constexpr const char* kHostNames[] = {
  "Unknown", "Reaper", "Protools", "Cubase", "Nuendo", "Cakewalk", "Vegas", "FL Studio", "Samplitude",
  "Ableton Live", "Tracktion", "n-Track Studio", "Melodyne", "Vst-Scanner", "Aulab", "Forte", "Chainer",
  "Audition", "Orion", "Bias", "Sawstudio", "Logic Pro", "Garageband", "Digital Performer", "Standalone",
  "Audiomulch", "Studio One", "Vst3 Test Host", "Ardour", "Renoise", "OpenMPT", "Wavelab", "Wavelab Elements",
  "TwistedWave", "Bitwig Studio", "WWW", "Reason", "GoldWave", "Waveform", "Audacity", "Acoustica",
  "Plugindoctor", "Izotope RX", "Savihost", "Blue Cat's Vst Host", "Blue Cat's Vst3 Host", "Sadie",
  "SpectraLayers", "VSTHost", "VST Plugin Analyser", "Wavosaur", "Mixbus32C", "Kushview Element",
  "Juce VST Host", "NI Komplete Kontrol", "VST3Shell", "UAD Luna Mac", "AudioGridderServer", "VST Live",
  "Equalizer APO", "Architect", "Izotope VST3 Host", "Cantabile 3", "Plugin Buddy", "FinalCut",
  "DaVinci Resolve", "UAD Luna Win", "DDMF MetaPlugin"};
constexpr int kNumHostNames = static_cast<int>(sizeof(kHostNames) / sizeof(kHostNames[0]));

} // namespace

const char* ORBEX9::HostDisplayName(int hostCode)
{
  return (hostCode > 0 && hostCode < kNumHostNames) ? kHostNames[hostCode] : "Unknown";
}

bool ORBEX9::UpdateAvailable() { return sUpdateAvailable.load(); }
bool ORBEX9::UpdateCheckDone() { return sUpdateCheckDone.load(); }
void ORBEX9::SetUpdateAvailable(bool available) { sUpdateAvailable.store(available); }
void ORBEX9::ResetUpdateFlags()
{
  sUpdateCheckDone.store(false);
  sUpdateAvailable.store(false);
}

void ORBEX9::OnIdle()
{
  if (GetHost() != LimiterEngine::kHostCodeReportsFromBlock)
  {
    const int wanted = mEngine.WantedLatency();
    SetWantedLatency(wanted);
    if (GetLatency() != wanted) ReportLatency(wanted);
  }

  fx::gfx::IGfx* ui = GetEditor();
  if (!mEditorOpen || !ui) return;

  const fx::gfx::IPopupMenuControlBase* popup = ui->GetPopupMenuControl();
  if (mGUIScaleChanged.load(std::memory_order_relaxed) && !(popup && popup->GetState() > 0))
  {
    mGUIScaleChanged.store(false, std::memory_order_relaxed);
    ui->Resize(orbex9::kEditorWidth, orbex9::kEditorHeight, static_cast<float>(GetGUIScale()), true);
  }

  if (mUpdateCheck.load(std::memory_order_relaxed) > 0 && !sUpdateCheckDone.exchange(true))
    sUpdateAvailable.store(false);

  if (mAboutRequested)
  {
    mAboutRequested = false;
    MakeAboutText();
  }
  if (mUpdatePageRequested)
  {
    mUpdatePageRequested = false;
    sUpdateAvailable.store(OpenUpdateCheck(orbex9::kProductName, orbex9::kVersionStr, kUpdateCheckURLFormat));
  }

  if (mModeDisplaysDue.exchange(false, std::memory_order_relaxed)) UpdateModeDisplays(true);

  UpdateUpdateIcon();
  if (TakePendingMessage()) ui->ShowMessageBox(GetMessageText(), GetMessageCaption(), fx::gfx::kMB_OK);

  // The meters follow the audio; a new Meter Mode is shown at once, also while the host
  // renders nothing.
  const bool modeChanged = mMeterReadoutsDue.exchange(false, std::memory_order_relaxed);
  if (mEngine.ConsumeRefresh() || modeChanged) UpdateMeterReadouts();
}

void ORBEX9::UpdateUpdateIcon()
{
  fx::gfx::IControl* icon = EditorControl(mControls.updateIcon);
  if (!icon) return;
  const double v = icon->GetValue();
  const bool available = sUpdateAvailable.load();
  double target = v;
  if (available && v == 0.0) target = 1.0;
  else if (v == 1.0 && !available) target = 0.0;
  if (target == v) return;
  icon->SetValue(target);
  // The icon may keep its own value (it ignores values from outside): redraw only what changed,
  // not the same picture on every tick.
  if (icon->GetValue() != v) icon->SetDirty(false);
}

void ORBEX9::UpdateMeterReadouts()
{
  if (!GetEditor()) return;

  // Left fast, left hold, right fast, right hold of the selected source.
  static constexpr int kSources[3][4] = {
    {LimiterMeters::kInLFast, LimiterMeters::kInLHold, LimiterMeters::kInRFast, LimiterMeters::kInRHold},
    {LimiterMeters::kGrLFast, LimiterMeters::kGrLHold, LimiterMeters::kGrRFast, LimiterMeters::kGrRHold},
    {LimiterMeters::kOutLFast, LimiterMeters::kOutLHold, LimiterMeters::kOutRFast, LimiterMeters::kOutRHold}};
  const int mode = static_cast<int>(GetParam(kMeterMode)->Value());
  double dB[4];
  for (int k = 0; k < 4; ++k)
    dB[k] = (mode >= 0 && mode <= 2) ? MeterDB(mEngine.MeterOutput(kSources[mode][k])) : -100.0;

  for (int k = 0; k < 4; ++k) ShowControlValue(mControls.needles[k], mMeterScale.Map(dB[k]));

  const double holds[2] = {dB[1], dB[3]};
  for (int k = 0; k < 2; ++k)
  {
    auto* readout = dynamic_cast<fx::gfx::ITextControl*>(EditorControl(mControls.readouts[k]));
    if (!readout) continue;
    char text[64];
    if (holds[k] <= -144.0) std::snprintf(text, sizeof(text), "-INF");
    else std::snprintf(text, sizeof(text), "%.2lf", holds[k]);
    // A level just below zero (or a negative zero) rounds to no level: no minus sign.
    if (std::strcmp(text, "-0.00") == 0) std::snprintf(text, sizeof(text), "0.00");
    readout->SetStr(text);
  }
}

void ORBEX9::GetAboutText(fx::FxString& text) const
{
  const double fs = GetSampleRate();
  const int latency = GetLatency();
  text.Clear();
  text.AppendFormatted(256, "Manufacturer: %s\n", orbex9::kMfrName);
  text.AppendFormatted(256, "Plugin name: %s\n", orbex9::kPluginName);
  text.AppendFormatted(256, "Version: %s\n", orbex9::kVersionStr);
  text.AppendFormatted(256, "Build date: %s\n", __DATE__);
  text.AppendFormatted(256, "Build time: %s\n\n", __TIME__);
  text.AppendFormatted(256, "Format: %s %s (INTEL, VG, METAL)\n", GetAPIString(), GetArchString());
  text.AppendFormatted(256, "Host: %s\n", HostDisplayName(GetHost()));
  text.AppendFormatted(256, "Channels: %d-%d (%d-%d)\n", NChannelsConnected(fx::kInput),
                       NChannelsConnected(fx::kOutput), NChannels(fx::kInput), NChannels(fx::kOutput));
  text.AppendFormatted(256, "Plugin delay: %d smp (%.1lf ms)\n", latency, fs > 0.0 ? latency * 1000.0 / fs : 0.0);
  text.AppendFormatted(256, "Sample Rate: %.2lf Hz\n", fs);
  text.AppendFormatted(256, "Block Size: %d smp\n", GetBlockSize());
  text.Append("\nTrademarks:\nVST/VST3: Steinberg Media Technologies GmbH\nAAX: Avid Technology Inc.\nAU: Apple Inc.\n");
}

void ORBEX9::MakeAboutText()
{
  fx::FxString text;
  GetAboutText(text);
  if (fx::gfx::IGfx* ui = GetEditor()) ui->ShowMessageBox(text.Get(), "About", fx::gfx::kMB_OK);
}

bool ORBEX9::OpenUpdateCheck(const char* productName, const char* version, const char* urlFormat)
{
  std::string product(productName ? productName : "");
  if (product.size() >= 5 && product.compare(product.size() - 5, 5, "nogpu") == 0) product.resize(product.size() - 5);
  fx::gfx::IGfx* ui = GetEditor();
  if (!urlFormat || !ui) return false;

  char url[1024];
  std::snprintf(url, sizeof(url), urlFormat, product.c_str(), version ? version : "");
  ui->OpenURL(url);
  ui->ReleaseMouseCapture();
  return false;
}
