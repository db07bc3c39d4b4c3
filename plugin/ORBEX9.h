#pragma once
// The limiter plug-in: its configuration and sixteen parameters, factory presets, state
// container and preset files, settings and data folders, the parameter-change handler with the
// editor's actions, idle handling (latency reports, editor scale, about box, update page,
// meters) and the hooks its editor plugs into. Audio is processed by the owned LimiterEngine.
//
// Threads: construction, destruction, editor actions, state, idle on the main thread;
// OnParamChange on whatever thread delivers a change (host threads included; only the OS Mode
// and Look Ahead rebuilds lock, and only the processing mutex); ProcessBlock on the render
// thread; OnReset outside rendering.

#include "au/IFxAU.h"
#include "core/FxPtrList.h"
#include "core/IParam.h"
#include "plugin/ICMessageBox.h"
#include "plugin/IExtPDCHandler.h"
#include "plugin/IMPlugPaths.h"
#include "plugin/IXMLParameters.h"
#include "plugin/IXMLPreset.h"
#include "plugin/dsp/LimiterEngine.h"
#include "plugin/MeterScale.h"
#include "plugin/ORBEX9Defs.h"
#include "plugin/PresetLists.h"

#include <atomic>
#include <initializer_list>
#include <memory>
#include <string>
#include <utility>

namespace fx::gfx {
class IControl;
class IGfx;
}

class ORBEX9 : public fx::IFxAU,
               public IMPlugPaths,
               public IExtPDCHandler,
               public IXMLPreset,
               public IXMLParameters,
               public ICMessageBox
{
public:
  /** Positions of the editor controls the plug-in updates (indices in the editor's control
   *  list, -1 while the layout has not recorded one). */
  struct ControlIndices
  {
    int ceilingKnob = -1;
    int meterScaleLabels[2] = {-1, -1};
    int updateIcon = -1;
    int needles[4] = {-1, -1, -1, -1}; // left fast, left hold, right fast, right hold
    int readouts[2] = {-1, -1};        // left, right
  };

  static constexpr int kFixedGUIScaleTag = 29;
  /** Tags of the editor's preset menu and plugin menu. */
  static constexpr int kPresetMenuTag = 3;
  static constexpr int kInfoMenuTag = 1;
  static constexpr const char* kUpdateCheckURLFormat =
    "https://www.brimvaldex.com/productversioncheck?product=%s&version=%s";

  explicit ORBEX9(const fx::IAUCreateInfo& info);
  ~ORBEX9() override;

  // ---- Framework overrides ----
  void OnUIOpen() override;
  void OnUIClose() override;
  void OnParamChange(int paramIdx, fx::EParamSource source, int sampleOffset = -1) override;
  bool SerializeState(fx::IStateChunk& chunk) const override { return WriteStateChunk(chunk); }
  int UnserializeState(const fx::IStateChunk& chunk, int startPos) override
  {
    return ReadStateChunk(chunk, startPos, mStateTableFilter, mStateTable);
  }
  void OnIdle() override;
  void OnHostIdentified() override;
  void OnReset() override;
  void ProcessBlock(double** inputs, double** outputs, int nFrames) override;
  double GetMeterValue() override { return mEngine.GetMeterValue(); }
  /** The engine's latency as soon as it renders with it (the host may hear of it only at the
   *  next idle tick); while bypassed, the delay the bypassed signal gets. */
  int LatencyInForce() const override { return GetBypassed() ? GetLatency() : mEngine.WantedLatency(); }

  // ---- Construction steps ----
  void InitParameters();
  /** Fills the default preset, the framework's preset 0 and the factory list. Returns 5. */
  int MakeFactoryPresets();
  /** Appends a factory preset record to the product's list (with the own-factory-list flag),
   *  else fills the framework's first uninitialised preset. */
  bool MakeFactoryPresetChunk(const char* name, std::initializer_list<std::pair<int, double>> values);
  using IXMLPreset::MakeFactoryPresetChunk;
  void InitPlugControls();

  // ---- Parameter-change helpers ----
  /** Refreshes tooltips, meter-scale labels and the ceiling knob's label of an open editor;
   *  without mayTouchEditor (a change from a host thread) it is left to the next idle tick. */
  void UpdateModeDisplays(bool mayTouchEditor = true);
  void ResizeGUI(int paramIdx, bool isNormalized, double value);
  /** Scale of a "Fixed GUI Scale" item: 0.5 .. 3.0 in steps of 0.25; 1.0 outside 0..10. */
  double GUIScaleForIndex(int index) const;
  /** Rebuilds the list of preset files of the data folder. */
  int ScanPresets() { return ScanPresetFolder(GetDataFolder(), mPresetLists.mScanned); }

  // ---- Idle helpers ----
  void UpdateMeterReadouts();
  /** The update icon shows whether an update is available (it is redrawn only on a change). */
  void UpdateUpdateIcon();
  /** Builds the about text and shows it in the editor's message box titled "About". */
  void MakeAboutText();
  /** The about text itself (lines ended by line feeds). */
  void GetAboutText(fx::FxString& text) const;
  /** Opens the maker's version-check page through the editor; always false. */
  bool OpenUpdateCheck(const char* productName, const char* version, const char* urlFormat);
  /** Display name of a host code; "Unknown" for 0 and any code without a name. */
  static const char* HostDisplayName(int hostCode);

  // ---- Editor hooks ----
  /** The editor object for this plug-in (null when none can be made). */
  fx::gfx::IGfx* CreateEditorGraphics(fx::IEditorDelegate* pDelegate, int width, int height, int fps, float scale);
  /** Builds and attaches the editor's controls, once per editor object; an editor that cannot
   *  draw gets none and the plug-in stops offering an editor. */
  void LayoutEditor(fx::gfx::IGfx* pGraphics);
  /** The editor while its window is open, else null. */
  fx::gfx::IGfx* GetEditor() const;
  const ControlIndices& GetControlIndices() const { return mControls; }
  MeterScale& GetMeterScale() { return mMeterScale; }
  void AddMeterCalibrationPoint(double dB, double position) { mMeterScale.AddPoint(dB, position); }
  void SetControlsCreated(bool created) { mControlsCreated = created; }
  bool GetControlsCreated() const { return mControlsCreated; }
  bool IsEditorOpen() const { return mEditorOpen; }
  double GetGUIScale() const { return mGUIScale.load(std::memory_order_relaxed); }
  bool GUIScaleChangePending() const { return mGUIScaleChanged; }
  /** "Fixed GUI Scale" (tag 29), or null for another tag. */
  fx::IParam* GetExtraParam(int tag) const { return tag == mExtraParamTag ? mExtraParams.Get(0) : nullptr; }
  PresetLists& GetPresetLists() { return mPresetLists; }
  /** Copies the record's state and name into the preset of that index and marks it initialised;
   *  false for a missing record or index. */
  bool CopyPresetToSlot(const fx::IPreset* record, int slot);
  bool AboutRequested() const { return mAboutRequested; }
  bool UpdatePageRequested() const { return mUpdatePageRequested; }

  // ---- Engine and process-wide state (tests, measurement) ----
  LimiterEngine& Engine() { return mEngine; }
  const LimiterEngine& Engine() const { return mEngine; }
  static bool UpdateAvailable();
  static bool UpdateCheckDone();
  /** Forgets the process-wide update flags (tests). */
  static void ResetUpdateFlags();
  /** Marks an update as available or not, as a finished version check does (tests). */
  static void SetUpdateAvailable(bool available);

private:
  static fx::IFxConfig MakeConfig();
  // Common tail of every handled change: recompute the wanted latency and report it at once to
  // the hosts that need it.
  void LatencyTail();
  bool ReportsLatencyImmediately() const;
  // Hands a parameter to the engine (as its table row says) and to the product's own settings.
  void ApplyParam(int paramIdx, bool mayTouchEditor);
  void RunAction(int actionIdx);
  void SetScaleFromAction(double scale);
  // Tells the person in the editor's message box that a preset file could not be saved or
  // loaded: text names the file and says why (a full stop is added unless endSentence is false,
  // for a text that ends in a sentence of its own).
  void TellFileProblem(const char* caption, const std::string& text, bool endSentence = true);

  LimiterEngine mEngine;

  // The product's own settings (any thread writes through OnParamChange; read on the main
  // thread). The processing parameters live in the engine only.
  std::atomic<double> mGUIScale {limiterparams::Spec(kGUIScale).defaultValue};
  std::atomic<int32_t> mTooltips {static_cast<int32_t>(limiterparams::Spec(kTooltips).defaultValue)};
  std::atomic<int32_t> mUpdateCheck {static_cast<int32_t>(limiterparams::Spec(kUpdateCheck).defaultValue)};
  std::atomic<int32_t> mMeterMode {static_cast<int32_t>(limiterparams::Spec(kMeterMode).defaultValue)};

  std::atomic<bool> mGUIScaleChanged {false};
  std::atomic<bool> mModeDisplaysDue {false};
  // A new Meter Mode: the next idle tick shows the meter it selects, rendered or not.
  std::atomic<bool> mMeterReadoutsDue {false};
  bool mEditorOpen = false;
  bool mAboutRequested = false;
  bool mUpdatePageRequested = false;
  bool mControlsCreated = false;

  PresetLists mPresetLists;
  bool mOwnFactoryList = false;
  const XMLParamDescriptor* mStateTable = nullptr;
  bool mStateTableFilter = false;
  fx::FxPtrList<fx::IParam> mExtraParams;
  int mExtraParamTag = -1;

  // The editor's control at a kept position; null without an open editor or such a control.
  fx::gfx::IControl* EditorControl(int idx) const;
  // Sets a control's value and marks it dirty, unless it already shows that value.
  void ShowControlValue(int idx, double value) const;

  ControlIndices mControls;
  MeterScale mMeterScale;
};
