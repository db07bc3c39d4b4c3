// The Audio Unit calls: each goes through the instance's plug-in interface
// (Lookup, then the method's exact prototype) or its Component Manager entry
// (a parameter block). Nothing here locks or allocates, so render may run on
// the audio thread.
#include <AudioUnit/AudioUnit.h>
#include <CoreServices/ComponentInstanceRecord.h>

static_assert(sizeof(AudioUnitParameterEvent) == 32);
static_assert(sizeof(AudioUnitParameterInfo) == 104);
static_assert(offsetof(AudioUnitParameterInfo, unitName) == 56);
static_assert(offsetof(AudioUnitParameterInfo, flags) == 96);
static_assert(sizeof(HostCallbackInfo) == 40);
static_assert(sizeof(AUPreset) == 16);
static_assert(sizeof(AUChannelInfo) == 4);
static_assert(sizeof(AudioUnitConnection) == 16);
static_assert(sizeof(AURenderCallbackStruct) == 16);
static_assert(sizeof(AudioUnitCocoaViewInfo) == 16);
static_assert(sizeof(AudioUnitParameterStringFromValue) == 24);
static_assert(sizeof(AudioUnitParameterValueFromString) == 24);
static_assert(sizeof(AudioUnitParameterNameInfo) == 16);
static_assert(sizeof(AUMIDIOutputCallbackStruct) == 16);
static_assert(sizeof(AUNumVersion) == 4);

namespace {

// Calls a method through the plug-in interface, or the entry with the
// parameter block, or reports why neither can be called.
template <class Proc, class... Args>
OSStatus Call(AudioUnit unit, SInt16 selector, Args... args) {
  if (!csx::IsLiveInstance(unit)) return badComponentInstance;
  if (unit->entry != nullptr) return csx::CallEntry(unit, selector, {csx::Arg(unit), csx::Arg(args)...});
  auto* plugin = static_cast<AudioComponentPlugInInterface*>(unit->plugInInterface);
  if (plugin == nullptr || plugin->Lookup == nullptr) return badComponentInstance;
  AudioComponentMethod method = plugin->Lookup(selector);
  if (method == nullptr) return badComponentSelector;
  return reinterpret_cast<Proc>(method)(plugin, args...);
}

}  // namespace

extern "C" {

OSStatus AudioUnitInitialize(AudioUnit inUnit) {
  return Call<AudioUnitInitializeProc>(inUnit, kAudioUnitInitializeSelect);
}

OSStatus AudioUnitUninitialize(AudioUnit inUnit) {
  return Call<AudioUnitUninitializeProc>(inUnit, kAudioUnitUninitializeSelect);
}

OSStatus AudioUnitGetPropertyInfo(AudioUnit inUnit, AudioUnitPropertyID inID, AudioUnitScope inScope,
                                  AudioUnitElement inElement, UInt32* outDataSize, Boolean* outWritable) {
  return Call<AudioUnitGetPropertyInfoProc>(inUnit, kAudioUnitGetPropertyInfoSelect, inID, inScope, inElement,
                                            outDataSize, outWritable);
}

OSStatus AudioUnitGetProperty(AudioUnit inUnit, AudioUnitPropertyID inID, AudioUnitScope inScope,
                              AudioUnitElement inElement, void* outData, UInt32* ioDataSize) {
  if (outData == nullptr || ioDataSize == nullptr) return kAudio_ParamError;
  return Call<AudioUnitGetPropertyProc>(inUnit, kAudioUnitGetPropertySelect, inID, inScope, inElement, outData,
                                        ioDataSize);
}

OSStatus AudioUnitSetProperty(AudioUnit inUnit, AudioUnitPropertyID inID, AudioUnitScope inScope,
                              AudioUnitElement inElement, const void* inData, UInt32 inDataSize) {
  return Call<AudioUnitSetPropertyProc>(inUnit, kAudioUnitSetPropertySelect, inID, inScope, inElement, inData,
                                        inDataSize);
}

OSStatus AudioUnitAddPropertyListener(AudioUnit inUnit, AudioUnitPropertyID inID, AudioUnitPropertyListenerProc inProc,
                                      void* inProcUserData) {
  if (inProc == nullptr) return kAudio_ParamError;
  return Call<AudioUnitAddPropertyListenerProc>(inUnit, kAudioUnitAddPropertyListenerSelect, inID, inProc,
                                                inProcUserData);
}

OSStatus AudioUnitRemovePropertyListenerWithUserData(AudioUnit inUnit, AudioUnitPropertyID inID,
                                                     AudioUnitPropertyListenerProc inProc, void* inProcUserData) {
  return Call<AudioUnitRemovePropertyListenerWithUserDataProc>(
      inUnit, kAudioUnitRemovePropertyListenerWithUserDataSelect, inID, inProc, inProcUserData);
}

OSStatus AudioUnitAddRenderNotify(AudioUnit inUnit, AURenderCallback inProc, void* inProcUserData) {
  if (inProc == nullptr) return kAudio_ParamError;
  return Call<AudioUnitAddRenderNotifyProc>(inUnit, kAudioUnitAddRenderNotifySelect, inProc, inProcUserData);
}

OSStatus AudioUnitRemoveRenderNotify(AudioUnit inUnit, AURenderCallback inProc, void* inProcUserData) {
  return Call<AudioUnitRemoveRenderNotifyProc>(inUnit, kAudioUnitRemoveRenderNotifySelect, inProc, inProcUserData);
}

OSStatus AudioUnitGetParameter(AudioUnit inUnit, AudioUnitParameterID inID, AudioUnitScope inScope,
                               AudioUnitElement inElement, AudioUnitParameterValue* outValue) {
  if (outValue == nullptr) return kAudio_ParamError;
  return Call<AudioUnitGetParameterProc>(inUnit, kAudioUnitGetParameterSelect, inID, inScope, inElement, outValue);
}

OSStatus AudioUnitSetParameter(AudioUnit inUnit, AudioUnitParameterID inID, AudioUnitScope inScope,
                               AudioUnitElement inElement, AudioUnitParameterValue inValue,
                               UInt32 inBufferOffsetInFrames) {
  return Call<AudioUnitSetParameterProc>(inUnit, kAudioUnitSetParameterSelect, inID, inScope, inElement, inValue,
                                         inBufferOffsetInFrames);
}

OSStatus AudioUnitScheduleParameters(AudioUnit inUnit, const AudioUnitParameterEvent* inParameterEvent,
                                     UInt32 inNumParamEvents) {
  if (inParameterEvent == nullptr && inNumParamEvents > 0) return kAudio_ParamError;
  return Call<AudioUnitScheduleParametersProc>(inUnit, kAudioUnitScheduleParametersSelect, inParameterEvent,
                                               inNumParamEvents);
}

OSStatus AudioUnitRender(AudioUnit inUnit, AudioUnitRenderActionFlags* ioActionFlags,
                         const AudioTimeStamp* inTimeStamp, UInt32 inOutputBusNumber, UInt32 inNumberFrames,
                         AudioBufferList* ioData) {
  if (inTimeStamp == nullptr || ioData == nullptr) return kAudio_ParamError;
  return Call<AudioUnitRenderProc>(inUnit, kAudioUnitRenderSelect, ioActionFlags, inTimeStamp, inOutputBusNumber,
                                   inNumberFrames, ioData);
}

OSStatus AudioUnitReset(AudioUnit inUnit, AudioUnitScope inScope, AudioUnitElement inElement) {
  return Call<AudioUnitResetProc>(inUnit, kAudioUnitResetSelect, inScope, inElement);
}

OSStatus MusicDeviceMIDIEvent(AudioUnit inUnit, UInt32 inStatus, UInt32 inData1, UInt32 inData2,
                              UInt32 inOffsetSampleFrame) {
  return Call<MusicDeviceMIDIEventProc>(inUnit, kMusicDeviceMIDIEventSelect, inStatus, inData1, inData2,
                                        inOffsetSampleFrame);
}

OSStatus MusicDeviceSysEx(AudioUnit inUnit, const UInt8* inData, UInt32 inLength) {
  if (inData == nullptr && inLength > 0) return kAudio_ParamError;
  return Call<MusicDeviceSysExProc>(inUnit, kMusicDeviceSysExSelect, inData, inLength);
}

}  // extern "C"
