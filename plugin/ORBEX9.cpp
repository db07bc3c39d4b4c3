// Construction, destruction, parameters, factory presets and the editor hooks' installation.

#include "plugin/ORBEX9.h"

#include "graphics/IGfx.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

namespace {

const char* const kAltPluginNames[] = {orbex9::kAltPluginName, nullptr};

// A default preset file that is there but cannot be used leaves the parameters at their
// defaults; one line on the standard error, which hosts show in their console or log, says so
// and why, once per process however many instances are made. Control characters of the path
// are shown as '?' so it stays one line.
void LogDefaultPresetProblem(const std::string& path, const std::string& why)
{
  static std::atomic<bool> logged {false};
  if (logged.exchange(true)) return;
  std::string line = std::string(orbex9::kProductName) + ": the default preset \"" + path + "\" was not read (" +
                     why + "); the parameters start at their defaults";
  for (char& c : line)
  {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
  }
  std::fprintf(stderr, "%s\n", line.c_str());
}

} // namespace

fx::IFxConfig ORBEX9::MakeConfig()
{
  fx::IFxConfig c;
  c.nParams = kNumParams;
  c.nPresets = 1;
  c.channelIOStr = orbex9::kChannelIO;
  c.pluginName = orbex9::kPluginName;
  c.productName = orbex9::kProductName;
  c.mfrName = orbex9::kMfrName;
  c.vendorVersion = orbex9::kVersion;
  c.uniqueID = fx::MakeFourCC("BV57");
  c.mfrID = fx::MakeFourCC("BVQX");
  c.latency = LimiterEngine::kDefaultLatency;
  c.plugDoesMidiIn = false;
  c.plugDoesMidiOut = false;
  c.plugDoesMPE = false;
  c.plugDoesChunks = true;
  c.plugType = fx::kPlugTypeEffect;
  c.plugHasUI = true;
  c.plugWidth = orbex9::kEditorWidth;
  c.plugHeight = orbex9::kEditorHeight;
  c.plugMinWidth = 500;
  c.plugMaxWidth = 2000;
  c.plugMinHeight = 135;
  c.plugMaxHeight = 540;
  c.plugHostResize = false;
  c.bundleID = orbex9::kBundleID;
  return c;
}

ORBEX9::ORBEX9(const fx::IAUCreateInfo& info)
  : fx::IFxAU(MakeConfig(), info)
  , IExtPDCHandler([this] { return GetHost(); }, [this](int latency) { SetLatency(latency); })
  , IXMLPreset(static_cast<fx::IPluginBase&>(*this))
{
  mPresetLists.mDefault.mInitialized = false;
  mPresetLists.mDefault.SetName("empty");

  CreateDataFolders(orbex9::kPluginName);
  mOwnFactoryList = true;
  SetDescriptorTable(IXMLParameters::ParamTable(), true);
  SetAltPluginNames(kAltPluginNames, true);
  mStateTable = IXMLParameters::ParamTable();
  mStateTableFilter = false;

  if (ReadSettingInt("GUI", "HasUI", 1) == 0) SetHasUI(false);

  std::srand(static_cast<unsigned>(std::clock()));
  mAboutRequested = false;
  mUpdatePageRequested = false;

  mEngine.SetLatencyHooks([this] { return GetLatency(); }, [this](int latency) { ReportLatency(latency); });
  // The processing is built for the processing base's initial rate and block size: a host that
  // keeps them never resets the plug-in, and must still hear it. Without a usable format yet,
  // only the latency is computed and the first reset builds it.
  const LimiterEngine::EStatus prepared = mEngine.Prepare(GetSampleRate(), GetBlockSize());
  const bool formatRefused = prepared == LimiterEngine::EStatus::kInvalidSampleRate ||
                             prepared == LimiterEngine::EStatus::kInvalidBlockSize;
  SetWantedLatency(formatRefused ? mEngine.ConfigureProcessing() : mEngine.WantedLatency());
  InitParameters();

  // The default preset file may change any parameter: the engine and the members follow it.
  std::string defaultProblem;
  if (LoadDefaultPresetFile(GetDefaultPresetFolder(), &defaultProblem))
  {
    for (int i = 0; i < NParams(); ++i) ApplyParam(i, true);
    SetWantedLatency(mEngine.UpdateWantedLatency());
  }
  else if (!defaultProblem.empty())
  {
    LogDefaultPresetProblem(DefaultPresetPath(GetDefaultPresetFolder()), defaultProblem);
  }
  mGUIScale.store(GetParam(kGUIScale)->Value(), std::memory_order_relaxed);

  InitPlugControls();
}

ORBEX9::~ORBEX9()
{
  mExtraParams.Empty(true);
  mPresetLists.mFactory.Empty(true);
  mPresetLists.mScanned.Empty(true);
  mPresetLists.mDefault.mChunk.Clear();
  mMeterScale.Clear();
}

void ORBEX9::InitParameters()
{
  using namespace limiterparams;
  for (const ParamSpec& spec : kParams)
  {
    fx::IParam* param = GetParam(spec.index);
    const int flags = spec.automatable ? 0 : fx::kFlagCannotAutomate;
    if (spec.kind == EKind::kEnum)
    {
      param->InitEnum(spec.name, static_cast<int>(spec.defaultValue), spec.nItems, spec.label, flags, spec.group);
      for (int i = 0; i < spec.nItems; ++i) param->SetDisplayText(i, spec.items[i]);
    }
    else if (spec.shape == EShape::kPowCurve)
      param->InitDouble(spec.name, spec.defaultValue, spec.min, spec.max, spec.step, spec.label, flags, spec.group,
                        fx::IParam::ShapePowCurve(spec.exponent), fx::kUnitCustom);
    else
      param->InitDouble(spec.name, spec.defaultValue, spec.min, spec.max, spec.step, spec.label, flags, spec.group,
                        fx::IParam::ShapeLinear(), fx::kUnitCustom);
  }

  MakeFactoryPresets();

  mExtraParamTag = kFixedGUIScaleTag;
  auto* fixedScale = new fx::IParam();
  fixedScale->InitEnum("Fixed GUI Scale", 2,
                       {"50%", "75%", "100%", "125%", "150%", "175%", "200%", "225%", "250%", "275%", "300%"}, 0, "");
  if (!mExtraParams.Add(fixedScale)) delete fixedScale;
}

bool ORBEX9::MakeFactoryPresetChunk(const char* name, std::initializer_list<std::pair<int, double>> values)
{
  if (mOwnFactoryList)
  {
    auto* rec = new fx::IPreset();
    if (!mPresetLists.mFactory.Add(rec))
    {
      delete rec;
      return false;
    }
    return MakeFactoryPresetChunk(*rec, name, values);
  }
  for (int i = 0; i < NPresets(); ++i)
  {
    fx::IPreset* preset = GetPreset(i);
    if (!preset->mInitialized) return MakeFactoryPresetChunk(*preset, name, values);
  }
  return false;
}

int ORBEX9::MakeFactoryPresets()
{
  MakeFactoryPresetChunk(mPresetLists.mDefault, "Init", {});
  MakeFactoryPresetChunk("Init", {});
  if (mOwnFactoryList) ClearPresetChunk(mPresetLists.mDefault, 0);

  MakeFactoryPresetChunk("Finish +6dB -0.1dBFS", {{kGain, 6.0}, {kAttack, 0.0}, {kRelease, 0.0}, {kAutoRelease, 0},
                                                  {kLookAhead, 1}, {kCeiling, -0.1}, {kDrive, 0.0}, {kChLink, 0.0},
                                                  {kMeterMode, 1}});
  MakeFactoryPresetChunk("More +6dB -0.1dBFS", {{kGain, 6.0}, {kAttack, 1.0}, {kRelease, 0.0}, {kAutoRelease, 0},
                                                {kLookAhead, 1}, {kCeiling, -0.1}, {kDrive, 0.0}, {kChLink, 0.0},
                                                {kMeterMode, 1}});
  MakeFactoryPresetChunk("Gentle +6dB -0.1dBFS", {{kGain, 6.0}, {kAttack, 0.0}, {kRelease, 0.0}, {kAutoRelease, 1},
                                                  {kLookAhead, 1}, {kCeiling, -0.1}, {kDrive, 0.0}, {kChLink, 0.0},
                                                  {kMeterMode, 1}});
  MakeFactoryPresetChunk("Drive +3dB 0dBFS", {{kGain, 0.0}, {kAttack, 0.0}, {kRelease, 0.0}, {kAutoRelease, 0},
                                              {kLookAhead, 0}, {kCeiling, -0.0}, {kDrive, 3.0}, {kChLink, 100.0},
                                              {kMeterMode, 1}});
  return 5;
}

bool ORBEX9::CopyPresetToSlot(const fx::IPreset* record, int slot)
{
  fx::IPreset* preset = GetPreset(slot);
  if (!record || !preset) return false;
  if (preset != record)
  {
    preset->mChunk = record->mChunk;
    preset->SetName(record->mName);
  }
  preset->mInitialized = true;
  return true;
}

void ORBEX9::InitPlugControls()
{
  SetMakeGraphicsFunc([this]() {
    return CreateEditorGraphics(this, orbex9::kEditorWidth, orbex9::kEditorHeight, orbex9::kEditorFPS,
                                static_cast<float>(GetGUIScale()));
  });
  SetLayoutFunc([this](fx::gfx::IGfx* pGraphics) { LayoutEditor(pGraphics); });
}

void ORBEX9::OnUIOpen()
{
  fx::IFxAU::OnUIOpen();
  mEditorOpen = true;
}

void ORBEX9::OnUIClose()
{
  mEditorOpen = false;
  mControlsCreated = false;
  fx::IFxAU::OnUIClose();
}

fx::gfx::IGfx* ORBEX9::GetEditor() const { return dynamic_cast<fx::gfx::IGfx*>(GetUI()); }

fx::gfx::IControl* ORBEX9::EditorControl(int idx) const
{
  fx::gfx::IGfx* ui = GetEditor();
  return ui ? ui->GetControl(idx) : nullptr;
}

void ORBEX9::ShowControlValue(int idx, double value) const
{
  fx::gfx::IControl* control = EditorControl(idx);
  if (!control || control->GetValue() == value) return;
  control->SetValue(value);
  control->SetDirty(true);
}

void ORBEX9::OnHostIdentified()
{
  fx::IFxAU::OnHostIdentified();
  mEngine.SetHostCode(GetHost());
}

void ORBEX9::OnReset()
{
  mEngine.OnReset(GetSampleRate(), GetBlockSize());
  SetWantedLatency(mEngine.WantedLatency());
}

void ORBEX9::ProcessBlock(double** inputs, double** outputs, int nFrames)
{
  mEngine.ProcessBlock(inputs, outputs, nFrames, NChannelsConnected(fx::kInput), NChannelsConnected(fx::kOutput));
}
