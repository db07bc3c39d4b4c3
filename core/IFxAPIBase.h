#pragma once
// The API base of the plug-in chain: builds the plug-in from its configuration record, carries
// parameter values between host, audio side and editor, records the host's identity, and owns
// the queues between the audio side and the editor with the 20 ms main-thread timer that
// drains them. The host-API adapter derives from it (and from the processing base).
//
// Threads: construction, destruction, the UI set paths, the timer and SetHost on the main
// thread; SendParameterValueFromAPI on any thread the host sets parameters from (render and
// automation threads alike); the render side pops the editor-to-audio queues.

#include "core/FxString.h"
#include "core/IFxConfig.h"
#include "core/IFxQueue.h"
#include "core/IMidiMsg.h"
#include "core/IPluginBase.h"
#include "core/ParamTuple.h"
#include "core/SysExData.h"
#include "core/Timer.h"

#include <memory>

namespace fx {

class IFxAPIBase : public IPluginBase
{
public:
  static constexpr int kParamQueueSize = 513;
  static constexpr int kMidiQueueSize = 33;
  static constexpr int kSysExQueueSize = 5;
  static constexpr uint32_t kTimerIntervalMs = 20;

  IFxAPIBase(IFxConfig config, EPluginAPI plugAPI);
  ~IFxAPIBase() override;

  // --- Editor to plug-in and host (main thread) ---
  void BeginInformHostOfParamChangeFromUI(int paramIdx) override { BeginInformHostOfParamChange(paramIdx); }
  /** Sets the parameter (SetParameterValue), stores it once more, then OnParamChangeUI(kUI). */
  void SendParameterValueFromUI(int paramIdx, double normalizedValue, bool callHook = true) override;
  void EndInformHostOfParamChangeFromUI(int paramIdx) override { EndInformHostOfParamChange(paramIdx); }
  /** True without platform resizing, else EditorResize's answer. */
  bool EditorResizeFromUI(int viewWidth, int viewHeight, bool needsPlatformResize) override;
  void SendMidiMsgFromUI(const IMidiMsg& msg) override { EnqueueMidiMsgForProcessor(msg); }
  void SendSysexMsgFromUI(const SysExMsg& msg) override { EnqueueSysexForProcessor(msg); }
  void SendArbitraryMsgFromUI(int msgTag, int ctrlTag = -1, int dataSize = 0, const void* pData = nullptr) override
  {
    OnMessage(msgTag, ctrlTag, dataSize, pData);
  }
  /** Queues a MIDI message for the audio side; dropped when the queue is full. */
  void EnqueueMidiMsgForProcessor(const IMidiMsg& msg) override;
  /** Queues a copy of a SysEx message for the audio side; dropped when the queue is full or the
   *  message is larger than SysExData::kMaxSize bytes or has a negative size. */
  void EnqueueSysexForProcessor(const SysExMsg& msg) override;
  /** Every parameter's normalised value to InformHostOfParamChange, in index order. */
  void SendAllParamValuesToHost() override;

  // --- Host side ---
  /** After the host set a parameter (any host thread): queues the value, in the parameter's own
   *  range, for the editor. Out-of-range indices and NaN are ignored; a full queue drops it. */
  virtual void SendParameterValueFromAPI(int paramIdx, double value, bool normalized);
  virtual void OnHostIdentified() {}
  virtual bool EditorResize(int /*viewWidth*/, int /*viewHeight*/) { return false; }
  virtual void BeginInformHostOfParamChange(int /*paramIdx*/) {}
  virtual void EndInformHostOfParamChange(int /*paramIdx*/) {}
  virtual void InformHostOfParamChange(int /*paramIdx*/, double /*normalizedValue*/) {}

  /** The UI's set path: stores the value from a normalised one (step-rounded, clamped, atomic
   *  exchange keeping the previous value), tells the host the normalised value as given, and with
   *  callHook calls OnParamChange(paramIdx, kUI, -1). Out-of-range indices and NaN are ignored. */
  void SetParameterValue(int paramIdx, double normalizedValue, bool callHook);

  /** Records the host (name kept when not null) and its version (0xMMMMmmbb), identifies it,
   *  then calls OnHostIdentified and OnHostVersionKnown. */
  void SetHost(const char* hostName, int version);

  /** Creates the 20 ms main-thread timer (replacing an earlier one). */
  void CreateTimer();
  /** One tick: with an editor, drains the parameter, MIDI and SysEx queues from the audio side
   *  to the editor in that order; then OnIdle. */
  void OnTimer(Timer& timer);

  /** Text buffer the adapter formats parameter values into for the host. */
  FxString& GetParamDisplayStr() { return mParamDisplayStr; }

protected:
  FxString mParamDisplayStr;
  std::unique_ptr<Timer> mTimer;
  /** Host and audio side -> editor; several producers allowed. */
  IFxMPQueue<ParamTuple> mParamChangeFromProcessor{kParamQueueSize};
  /** Editor -> audio side (popped by the render path). */
  IFxQueue<IMidiMsg> mMidiMsgsFromEditor{kMidiQueueSize};
  /** Audio side -> editor (pushed by the host's MIDI input after the processor got it). */
  IFxQueue<IMidiMsg> mMidiMsgsFromProcessor{kMidiQueueSize};
  /** Editor -> audio side (popped by the render path). */
  IFxQueue<SysExData> mSysExDataFromEditor{kSysExQueueSize};
  /** Audio side -> editor. */
  IFxQueue<SysExData> mSysExDataFromProcessor{kSysExQueueSize};
  SysExData mSysexBuf;
};

} // namespace fx
