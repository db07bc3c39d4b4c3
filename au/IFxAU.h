#pragma once
// The Audio Unit (version 2) adapter: turns a plug-in built on the framework into an effect a
// host creates through the component's two exported entry points (IAUComponent.h), configures
// through properties, renders, automates and saves.
//
// Threads: construction, destruction, Initialize/Uninitialize, properties, listeners and the
// editor notifications on the host's main thread; RenderUnit on the audio thread; parameter
// get/set/schedule on any host thread. Listener and render-notify lists are read by the render
// thread through lock-free snapshots, so adding or removing them never waits for a render and
// a render never waits for them.

#include "au/IAURecords.h"
#include "au/IAUSnapshotList.h"
#include "core/IFxAPIBase.h"
#include "core/IFxProcessor.h"

#include <AudioToolbox/AudioToolbox.h>
#include <AudioUnit/AudioUnit.h>
#include <CoreFoundation/CoreFoundation.h>

#include <atomic>
#include <limits>
#include <span>
#include <vector>

namespace fx {

class IFxAU : public IFxAPIBase, public IFxProcessor
{
public:
  /** Most channels one input bus is pulled with. */
  static constexpr int kMaxPullChannels = 64;
  /** Private property handing the plug-in object to the view factory. */
  static constexpr AudioUnitPropertyID kPrivatePropPlugin = static_cast<AudioUnitPropertyID>(-101);

  IFxAU(const IFxConfig& config, const IAUCreateInfo& info);
  ~IFxAU() override;

  // ---- Component calls (main thread unless said otherwise) -----------------------------------

  /** Runs one call of the Component Manager road: the selector and arguments of the block. */
  ComponentResult DispatchComponentCall(ComponentParameters* params);

  /** Identifies the host, checks the channel configuration and activates the processor. */
  OSStatus InitializeUnit();
  void UninitializeUnit();
  void ResetUnit();

  /** Size, writability and (when data is given) the value of a property. */
  OSStatus ReadProperty(AudioUnitPropertyID propID, AudioUnitScope scope, AudioUnitElement element, UInt32* pDataSize,
                        Boolean* pWriteable, void* pData);
  /** Sets a property from dataSize bytes at pData, then tells its listeners. */
  OSStatus WriteProperty(AudioUnitPropertyID propID, AudioUnitScope scope, AudioUnitElement element,
                         const void* pData, UInt32 dataSize);

  OSStatus AddPropertyListener(AudioUnitPropertyID propID, AudioUnitPropertyListenerProc proc, void* userData);
  OSStatus RemovePropertyListener(AudioUnitPropertyID propID, AudioUnitPropertyListenerProc proc);
  OSStatus RemovePropertyListenerWithUserData(AudioUnitPropertyID propID, AudioUnitPropertyListenerProc proc,
                                              void* userData);
  OSStatus AddRenderNotify(AURenderCallback proc, void* refCon);
  /** Removes the registration of proc with refCon; without one, the first registration of proc. */
  OSStatus RemoveRenderNotify(AURenderCallback proc, void* refCon);

  /** Any host thread. */
  OSStatus GetParameterValue(AudioUnitParameterID paramIdx, AudioUnitScope scope, AudioUnitElement element,
                             AudioUnitParameterValue* pValue);
  /** Any host thread: rounds to the step, clamps, stores, queues for the editor, calls the hook. */
  OSStatus ProcSetParameterFromHost(AudioUnitParameterID paramIdx, AudioUnitScope scope, AudioUnitElement element,
                                    AudioUnitParameterValue value, UInt32 bufferOffset);
  OSStatus ScheduleParameters(const AudioUnitParameterEvent* events, UInt32 nEvents);

  /** Render thread. */
  OSStatus RenderUnit(AudioUnitRenderActionFlags* pFlags, const AudioTimeStamp* pTimeStamp, UInt32 outputBus,
                      UInt32 nFrames, AudioBufferList* pBufferList);

  /** Render thread (MIDI input through the Component Manager road). */
  OSStatus ReceiveMidiEvent(UInt32 status, UInt32 data1, UInt32 data2, UInt32 offset);
  OSStatus ReceiveSysEx(const UInt8* data, UInt32 length);

  /** Close path: every bus disconnected and forgotten, every input link cleared. */
  void ResetConnections();

  // ---- Class info (main thread) --------------------------------------------------------------

  /** A new class-info dictionary (the caller releases it). Always 0. */
  virtual OSStatus GetClassInfo(CFPropertyListRef* pPList);
  /** Restores the state a class-info dictionary carries; -10851 and nothing changed when it is
   *  not a dictionary of this plug-in with a readable state. */
  virtual OSStatus SetClassInfo(CFPropertyListRef plist);

  // ---- Host notifications ---------------------------------------------------------------------

  void InformHostOfParameterListChange() override;
  void InformHostOfPresetChange() override;
  void BeginInformHostOfParamChange(int paramIdx) override;
  void EndInformHostOfParamChange(int paramIdx) override;
  void InformHostOfParamChange(int paramIdx, double normalizedValue) override;
  /** Any thread: stores the latency and tells the latency listeners. */
  void SetLatency(int samples) override;
  /** Any thread. The latency, in samples, of the audio the unit renders now: what the latency
   *  property reports. The stored latency by default; a product that tells the host of a change
   *  later (from its idle timer) returns the new latency here as soon as it renders with it. */
  virtual int LatencyInForce() const { return GetLatency(); }
  /** Render thread: MIDI and SysEx to the host's MIDI output callback; false without one. */
  bool SendMidiMsg(const IMidiMsg& msg) override;
  bool SendMidiMsgs(std::span<const IMidiMsg> msgs) override;
  bool SendSysEx(const SysExMsg& msg) override;

  /** Announces a parameter event of a type (0 value, 1 begin gesture, 2 end gesture). */
  void NotifyParamEvent(AudioUnitEventType type, int paramIdx);
  /** Every listener of the property, with element 0. Any thread. */
  void NotifyPropertyListeners(AudioUnitPropertyID propID, AudioUnitScope scope);

  // ---- Helpers of the properties (main thread) ------------------------------------------------

  /** Recomputes the input link types and which input channels are connected. */
  void RefreshInputLinks();
  bool IsChannelCountLegal(AudioUnitScope scope, AudioUnitElement element, int nChannels) const;
  /** Channel-layout tags of a bus; copied into pTags (room for every tag) when not null. */
  int CollectChannelLayoutTags(AudioUnitScope scope, AudioUnitElement element, UInt32* pTags) const;
  /** Null outside the range; global scope means the output buses. */
  IAUBusRecord* FindBus(AudioUnitScope scope, AudioUnitElement element) const;
  static const char* ConnectionTypeName(int linkType);
  int CountHostChannelsExcept(const FxPtrList<IAUBusRecord>& buses, int skipIdx) const;
  bool IsIOConfigLegal() const;
  bool AllocScratchBuffers(int blockSize);
  static OSStatus InvalidElementResult() { return kAudioUnitErr_InvalidElement; }

  static void PutDictString(CFMutableDictionaryRef dict, const char* key, const char* value);
  static bool GetDictString(CFDictionaryRef dict, const char* key, FxString& value);
  static bool GetDictData(CFDictionaryRef dict, const char* key, IStateChunk& chunk);

  // ---- State seen by the component glue and by the view factory -------------------------------

  AudioComponentInstance GetComponentInstance() const { return mCI; }
  void SetComponentInstance(AudioComponentInstance ci) { mCI = ci; }
  bool IsActive() const { return mActive.load(std::memory_order_acquire); }
  const char* GetCocoaViewName() const { return mCocoaViewName.Get(); }
  int NInputBuses() const { return mInBuses.GetSize(); }
  int NOutputBuses() const { return mOutBuses.GetSize(); }

private:
  /** Total of the host counts of the buses that have one; -1 when none has. */
  static int SumHostChannels(const FxPtrList<IAUBusRecord>& buses);
  /** Clump number of a parameter's group (1-based, by first request), 0 for no group. */
  UInt32 ClumpIDForParam(const IParam& param);

  OSStatus ReadParameterInfo(AudioUnitScope scope, AudioUnitElement element, void* pData);
  OSStatus ReadStreamFormat(AudioUnitScope scope, AudioUnitElement element, void* pData);
  OSStatus WriteStreamFormat(AudioUnitScope scope, AudioUnitElement element, const AudioStreamBasicDescription& format);
  OSStatus WriteConnection(AudioUnitScope scope, const AudioUnitConnection& connection);
  OSStatus WriteSampleRate(double sampleRate, bool alwaysReset);
  OSStatus WriteBlockSize(UInt32 blockSize);
  OSStatus WritePresentPreset(const AUPreset& preset);

  /** Render thread: kAudio_ParamError unless the list has a buffer for every channel of the
   *  bus's format and every buffer with memory holds the block. */
  OSStatus CheckOutputBuffers(UInt32 outputBus, UInt32 nFrames, const AudioBufferList& list) const;
  OSStatus PullInputs(const AudioTimeStamp* pTimeStamp, UInt32 nFrames);
  void AttachOutputs(UInt32 outputBus, UInt32 nFrames, AudioBufferList* pBufferList);
  void FlushSysExFromEditor();
  void CallRenderNotifies(const IAUSnapshotList<IAURenderNotify>::Reader& notifies, UInt32 flags,
                          const AudioTimeStamp* pTimeStamp, UInt32 outputBus, UInt32 nFrames,
                          AudioBufferList* pBufferList);
  bool SendPacketList(const MIDIPacketList* pList);
  bool HasMidiOutput() const;

  /** Updates the processor's time information from the host callbacks. */
  void UpdateTimeInfo();

  // Set by Initialize, cleared by Uninitialize (main thread); render refuses to run without it.
  std::atomic<bool> mActive{false};
  // The sample time the inputs were last pulled for: the output buses of one render cycle
  // share one pull. Render thread; Initialize, Uninitialize and Reset only ask, through the
  // flag, for it to be forgotten before the next render, so a host that starts again at the
  // same sample time is asked for its new input.
  double mLastPulledSampleTime = std::numeric_limits<double>::quiet_NaN();
  std::atomic<bool> mForgetPulledTime{false};
  FxString mCocoaViewName;
  AudioComponentInstance mCI = nullptr;
  // Host callbacks and MIDI output callback: set on the main thread, read by the render thread
  // as one consistent record (empty until the host sets one).
  IAUSnapshotList<HostCallbackInfo> mHostCallbacks;
  FxPtrList<IAUBusRecord> mInBuses;
  FxPtrList<IAUBusRecord> mOutBuses;
  FxPtrList<IAUInputLink> mInputLinks;
  IAUSnapshotList<IAUPropertyWatcher> mPropertyListeners;
  std::vector<float> mInScratch;
  std::vector<float> mOutScratch;
  std::vector<float> mSilence;  // handed out for host output buffers beyond a bus, never written
  IAUSnapshotList<IAURenderNotify> mRenderNotifies;
  IAUSnapshotList<AUMIDIOutputCallbackStruct> mMidiCallback;
  AudioTimeStamp mLastRenderTimeStamp{};
  FxPtrList<const char> mClumpNames;
  // A preset the host names itself (a negative number, after loading a preset file of its own):
  // the present preset until a preset of the plug-in is chosen or a state is restored.
  bool mHostPresetSet = false;
  SInt32 mHostPresetNumber = -1;
  FxString mHostPresetName;
};

} // namespace fx
