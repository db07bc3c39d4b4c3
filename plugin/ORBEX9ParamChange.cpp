// The parameter-change handler, the editor's actions, the mode displays and GUI scaling.

#include "plugin/ORBEX9.h"

#include "core/HostCode.h"
#include "graphics/IGfx.h"
#include "plugin/editor/IBPresetMenuBV.h"

#include <cmath>
#include <cstring>
#include <string>

namespace {

int Truncated(double v)
{
  if (!std::isfinite(v)) return 0;
  return static_cast<int>(v);
}

// The save action's preset name: the path's last component up to its last ".", at most 1023
// characters.
std::string PresetNameFromPath(const char* path)
{
  const char* slash = std::strrchr(path, '/');
  const char* base = slash ? slash + 1 : path;
  const char* dot = std::strrchr(base, '.');
  const size_t len = dot ? static_cast<size_t>(dot - base) : std::strlen(base);
  return std::string(base, len < 1023 ? len : 1023);
}

} // namespace

void ORBEX9::OnParamChange(int paramIdx, fx::EParamSource source, int /*sampleOffset*/)
{
  const int src = static_cast<int>(source);
  if (paramIdx < 0) return;
  if (src != 0 && src != fx::kHost && src != fx::kPresetRecall && src != fx::kUI) return;
  // A host change of a parameter it should not automate still reaches the engine: the stored
  // value (already set by the adapter) and what the processing uses never disagree.
  if (src == fx::kHost && !IsValidParamIdx(paramIdx)) return;

  if (paramIdx < kNumParams) ApplyParam(paramIdx, src != fx::kHost);
  else RunAction(paramIdx);
  LatencyTail();
}

void ORBEX9::ApplyParam(int paramIdx, bool mayTouchEditor)
{
  const fx::IParam* param = GetParam(paramIdx);
  if (!param) return;
  const double v = param->Value();
  const int iv = Truncated(v);
  // The engine takes what its table row says it uses (an unchanged OS Mode changes nothing;
  // OS Mode and Look Ahead rebuild under the processing mutex).
  mEngine.SetParam(paramIdx, v);

  switch (paramIdx)
  {
    case kGUIScale:
    {
      const double current = GetGUIScale();
      if (v != current || std::isnan(v) || std::isnan(current))
      {
        mGUIScale.store(v, std::memory_order_relaxed);
        mGUIScaleChanged.store(true, std::memory_order_relaxed);
      }
      break;
    }
    case kTooltips:
      if (iv != mTooltips.load(std::memory_order_relaxed))
      {
        mTooltips.store(iv, std::memory_order_relaxed);
        if (!mayTouchEditor) mModeDisplaysDue.store(true, std::memory_order_relaxed);
        else if (fx::gfx::IGfx* ui = GetEditor()) ui->EnableTooltips(iv > 0);
      }
      break;
    case kMeterMode:
      if (mMeterMode.exchange(iv, std::memory_order_relaxed) != iv)
        mMeterReadoutsDue.store(true, std::memory_order_relaxed);
      UpdateModeDisplays(mayTouchEditor);
      break;
    case koutputmode: UpdateModeDisplays(mayTouchEditor); break;
    case kUpdateCheck: mUpdateCheck.store(iv, std::memory_order_relaxed); break;
    default: break;
  }
}

void ORBEX9::RunAction(int actionIdx)
{
  const bool hasEditor = GetUI() != nullptr;
  switch (actionIdx)
  {
    case kActionAbout:
      if (hasEditor) mAboutRequested = true;
      break;
    case kActionUpdateCheck:
      if (hasEditor) mUpdatePageRequested = true;
      break;
    case kActionLoadPreset:
    case kActionSavePreset:
    {
      fx::gfx::IGfx* ui = GetEditor();
      const auto* menu = ui ? dynamic_cast<const IBPresetMenuBV*>(ui->FindControlWithTag(kPresetMenuTag)) : nullptr;
      if (!menu || !*menu->GetFilePath()) break;
      const std::string path = menu->GetFilePath();
      std::string why;
      if (actionIdx == kActionLoadPreset)
      {
        if (!LoadPresetFile(path.c_str(), nullptr, false, false, false, false, nullptr, &why))
          TellFileProblem("Load preset", "The preset file \"" + path + "\" could not be loaded: " + why);
      }
      else if (!WritePresetFile(path.c_str(), PresetNameFromPath(path.c_str()).c_str(), false, false, nullptr, &why))
      {
        TellFileProblem("Save preset", "The preset could not be saved to \"" + path + "\": " + why);
      }
      break;
    }
    case kActionSaveDefault:
    {
      if (!hasEditor) break;
      const std::string path = DefaultPresetPath(GetDefaultPresetFolder());
      // The platform may keep the file from being replaced, as its save panel would.
      fx::FxString refusal;
      fx::gfx::IGfx* ui = GetEditor();
      std::string why;
      if (ui && !ui->MaySaveFile(path.c_str(), refusal))
        TellFileProblem("Save as default", "The default preset was not saved to \"" + path + "\". " + refusal.Get(),
                        false);
      else if (!SaveDefaultPreset(GetDefaultPresetFolder(), false, false, nullptr, &why))
        TellFileProblem("Save as default", "The default preset could not be saved to \"" + path + "\": " + why);
      break;
    }
    case kActionScanPresets:
      if (hasEditor) ScanPresets();
      break;
    case kActionScaleFromControl:
      if (fx::gfx::IGfxLink* ui = GetUI())
      {
        // The scale chosen: a small screen may show the editor smaller without changing it.
        const double scale = ui->GetChosenScale();
        mGUIScale.store(scale, std::memory_order_relaxed);
        ResizeGUI(kGUIScale, false, scale);
      }
      break;
    case kActionResetScale: SetScaleFromAction(1.0); break;
    case kActionScaleFromParam: SetScaleFromAction(GetParam(kGUIScale)->GetMin()); break;
    case kActionFixedScale:
    {
      const fx::IParam* fixed = GetExtraParam(kFixedGUIScaleTag);
      SetScaleFromAction(GUIScaleForIndex(fixed ? Truncated(fixed->Value()) : -1));
      break;
    }
    default: break;
  }
}

void ORBEX9::TellFileProblem(const char* caption, const std::string& text, bool endSentence)
{
  const std::string sentence = endSentence ? text + "." : text;
  // The person has just chosen the file: the box appears at once when the editor is open.
  if (fx::gfx::IGfx* ui = GetEditor()) ui->ShowMessageBox(sentence.c_str(), caption, fx::gfx::kMB_OK);
  else PostMessageBox(sentence.c_str(), caption);
}

void ORBEX9::SetScaleFromAction(double scale)
{
  mGUIScale.store(scale, std::memory_order_relaxed);
  ResizeGUI(kGUIScale, false, scale);
  mGUIScaleChanged.store(true, std::memory_order_relaxed);
}

double ORBEX9::GUIScaleForIndex(int index) const
{
  const fx::IParam* scale = GetParam(kGUIScale);
  if (index == 0) return scale->GetMin();
  if (index >= 1 && index <= 9) return 0.5 + 0.25 * index;
  if (index == 10) return scale->GetMax();
  return scale->GetDefault();
}

bool ORBEX9::ReportsLatencyImmediately() const
{
  switch (GetHost())
  {
    case fx::kHostFL:
    case fx::kHostLogic:
    case fx::kHostGarageBand:
    case fx::kHostStudioOne:
    case fx::kHostWaveform:
    case fx::kHostSadie: return true;
    case fx::kHostAbletonLive: return GetAPI() == fx::kAPIVST2;
    default: return false;
  }
}

void ORBEX9::LatencyTail()
{
  const int latency = mEngine.UpdateWantedLatency();
  SetWantedLatency(latency);
  if (ReportsLatencyImmediately() && GetLatency() != latency) ReportLatency(latency);
}

void ORBEX9::ResizeGUI(int paramIdx, bool isNormalized, double value)
{
  const fx::IParam* param = GetParam(paramIdx);
  if (!param) return;
  if (!isNormalized)
  {
    if (value == param->Value()) return;
    const double n = param->ToNormalized(param->Constrain(value));
    SetParameterValue(paramIdx, n, false);
    SendParameterValueFromDelegate(paramIdx, value, false);
  }
  else
  {
    const double n = param->ToNormalized(param->Constrain(param->Value()));
    if (n == value) return;
    SetParameterValue(paramIdx, value, false);
    SendParameterValueFromDelegate(paramIdx, value, true);
  }
}

void ORBEX9::UpdateModeDisplays(bool mayTouchEditor)
{
  // Host changes may arrive on the audio thread: the editor is updated at the next idle tick.
  if (!mayTouchEditor)
  {
    mModeDisplaysDue.store(true, std::memory_order_relaxed);
    return;
  }
  fx::gfx::IGfx* ui = GetEditor();
  if (!ui || !mControlsCreated || ui->NControls() < 1) return;
  ui->EnableTooltips(mTooltips.load(std::memory_order_relaxed) >= 1);

  const double scaleValue = mMeterMode.load(std::memory_order_relaxed) != 1 ? 1.0 : 0.0;
  for (int idx : mControls.meterScaleLabels) ShowControlValue(idx, scaleValue);
  if (fx::gfx::IControl* ceiling = EditorControl(mControls.ceilingKnob))
    ceiling->SetTooltip(mEngine.GetParams().ceilingMode == 1 ? "Volume" : "Ceiling");
}
