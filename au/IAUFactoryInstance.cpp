#include "au/IAUFactoryInstance.h"

#include <cstdint>
#include <cstdlib>
#include <new>

namespace fx {

namespace {

size_t AlignUp(size_t n, size_t align) { return (n + align - 1) / align * align; }

constexpr size_t kRecordAlign = alignof(std::max_align_t);

} // namespace

void* IAUFactoryInstance::ObjectStorage(void* self, size_t objectAlign)
{
  if (objectAlign < 1) objectAlign = 1;
  return static_cast<unsigned char*>(self) + AlignUp(sizeof(IAUFactoryInstance), objectAlign);
}

AudioComponentPlugInInterface* IAUFactoryInstance::Create(size_t objectSize, size_t objectAlign,
                                                          ConstructFunc construct, DestructFunc destruct)
{
  if (!construct || !destruct || objectAlign == 0 || (objectAlign & (objectAlign - 1)) != 0) return nullptr;
  const size_t blockAlign = objectAlign > kRecordAlign ? objectAlign : kRecordAlign;
  const size_t total = AlignUp(AlignUp(sizeof(IAUFactoryInstance), objectAlign) + objectSize, blockAlign);
  void* block = std::aligned_alloc(blockAlign, total);
  if (!block) return nullptr;
  auto* record = new (block) IAUFactoryInstance{};
  record->mPlugInInterface.Open = &IAUFactoryInstance::Open;
  record->mPlugInInterface.Close = &IAUFactoryInstance::Close;
  record->mPlugInInterface.Lookup = &IAUFactoryInstance::Lookup;
  record->mPlugInInterface.reserved = nullptr;
  record->mConstruct = construct;
  record->mDestruct = destruct;
  record->mPlug = nullptr;
  record->mReserved = reinterpret_cast<void*>(static_cast<uintptr_t>(objectAlign));
  return &record->mPlugInInterface;
}

OSStatus IAUFactoryInstance::Open(void* self, AudioComponentInstance compInstance)
{
  auto* record = static_cast<IAUFactoryInstance*>(self);
  if (!record) return kAudio_ParamError;
  if (record->mPlug) return kAudioUnitErr_Initialized;  // opened twice
  const size_t align = static_cast<size_t>(reinterpret_cast<uintptr_t>(record->mReserved));
  try
  {
    record->mPlug = record->mConstruct(ObjectStorage(self, align));
  }
  catch (...)
  {
    record->mPlug = nullptr;
  }
  if (!record->mPlug) return kAudioUnitErr_FailedInitialization;
  record->mPlug->SetComponentInstance(compInstance);
  record->mPlug->PruneUninitializedPresets();
  return noErr;
}

OSStatus IAUFactoryInstance::Close(void* self)
{
  auto* record = static_cast<IAUFactoryInstance*>(self);
  if (!record) return kAudio_ParamError;
  if (record->mPlug)
  {
    record->mPlug->ResetConnections();
    record->mDestruct(record->mPlug);
    record->mPlug = nullptr;
  }
  record->~IAUFactoryInstance();
  std::free(self);
  return noErr;
}

AudioComponentMethod IAUFactoryInstance::Lookup(SInt16 selector)
{
  auto m = [](auto fn) { return reinterpret_cast<AudioComponentMethod>(fn); };
  switch (selector)
  {
    case kAudioUnitInitializeSelect: return m(&InstProcInitialize);
    case kAudioUnitUninitializeSelect: return m(&InstProcUninitialize);
    case kAudioUnitGetPropertyInfoSelect: return m(&InstProcGetPropertyInfo);
    case kAudioUnitGetPropertySelect: return m(&InstProcGetProperty);
    case kAudioUnitSetPropertySelect: return m(&InstProcSetProperty);
    case kAudioUnitGetParameterSelect: return m(&InstProcGetParameter);
    case kAudioUnitSetParameterSelect: return m(&InstProcSetParameter);
    case kAudioUnitResetSelect: return m(&InstProcReset);
    case kAudioUnitAddPropertyListenerSelect: return m(&InstProcAddPropertyListener);
    case kAudioUnitRemovePropertyListenerSelect: return m(&InstProcRemovePropertyListener);
    case kAudioUnitRenderSelect: return m(&InstProcRender);
    case kAudioUnitAddRenderNotifySelect: return m(&InstProcAddRenderNotify);
    case kAudioUnitRemoveRenderNotifySelect: return m(&InstProcRemoveRenderNotify);
    case kAudioUnitScheduleParametersSelect: return m(&InstProcScheduleParameters);
    case kAudioUnitRemovePropertyListenerWithUserDataSelect: return m(&InstProcRemovePropertyListenerWithUserData);
    default: return nullptr;
  }
}

OSStatus IAUFactoryInstance::InstProcInitialize(void* self)
{
  IFxAU* plug = PlugOf(self);
  return plug ? plug->InitializeUnit() : badComponentInstance;
}

OSStatus IAUFactoryInstance::InstProcUninitialize(void* self)
{
  IFxAU* plug = PlugOf(self);
  if (!plug) return badComponentInstance;
  plug->UninitializeUnit();
  return noErr;
}

OSStatus IAUFactoryInstance::InstProcGetPropertyInfo(void* self, AudioUnitPropertyID prop, AudioUnitScope scope,
                                                     AudioUnitElement elem, UInt32* outDataSize, Boolean* outWritable)
{
  IFxAU* plug = PlugOf(self);
  if (!plug) return badComponentInstance;
  UInt32 localSize = 0;
  Boolean localWritable = false;
  if (!outDataSize) outDataSize = &localSize;
  if (!outWritable) outWritable = &localWritable;
  *outWritable = false;
  return plug->ReadProperty(prop, scope, elem, outDataSize, outWritable, nullptr);
}

OSStatus IAUFactoryInstance::InstProcGetProperty(void* self, AudioUnitPropertyID inID, AudioUnitScope inScope,
                                                 AudioUnitElement inElement, void* outData, UInt32* ioDataSize)
{
  IFxAU* plug = PlugOf(self);
  if (!plug) return badComponentInstance;
  UInt32 localSize = 0;
  Boolean writable = false;
  if (!ioDataSize)
  {
    if (outData) return kAudio_ParamError;  // no size: the buffer cannot be checked
    ioDataSize = &localSize;
  }
  return plug->ReadProperty(inID, inScope, inElement, ioDataSize, &writable, outData);
}

OSStatus IAUFactoryInstance::InstProcSetProperty(void* self, AudioUnitPropertyID inID, AudioUnitScope inScope,
                                                 AudioUnitElement inElement, const void* inData, UInt32 inDataSize)
{
  IFxAU* plug = PlugOf(self);
  return plug ? plug->WriteProperty(inID, inScope, inElement, inData, inDataSize) : badComponentInstance;
}

OSStatus IAUFactoryInstance::InstProcGetParameter(void* self, AudioUnitParameterID param, AudioUnitScope scope,
                                                  AudioUnitElement elem, AudioUnitParameterValue* value)
{
  IFxAU* plug = PlugOf(self);
  return plug ? plug->GetParameterValue(param, scope, elem, value) : badComponentInstance;
}

OSStatus IAUFactoryInstance::InstProcSetParameter(void* self, AudioUnitParameterID param, AudioUnitScope scope,
                                                  AudioUnitElement elem, AudioUnitParameterValue value,
                                                  UInt32 bufferOffset)
{
  IFxAU* plug = PlugOf(self);
  return plug ? plug->ProcSetParameterFromHost(param, scope, elem, value, bufferOffset) : badComponentInstance;
}

OSStatus IAUFactoryInstance::InstProcReset(void* self, AudioUnitScope, AudioUnitElement)
{
  IFxAU* plug = PlugOf(self);
  if (!plug) return badComponentInstance;
  plug->ResetUnit();
  return noErr;
}

OSStatus IAUFactoryInstance::InstProcAddPropertyListener(void* self, AudioUnitPropertyID prop,
                                                         AudioUnitPropertyListenerProc proc, void* userData)
{
  IFxAU* plug = PlugOf(self);
  return plug ? plug->AddPropertyListener(prop, proc, userData) : badComponentInstance;
}

OSStatus IAUFactoryInstance::InstProcRemovePropertyListener(void* self, AudioUnitPropertyID prop,
                                                            AudioUnitPropertyListenerProc proc)
{
  IFxAU* plug = PlugOf(self);
  return plug ? plug->RemovePropertyListener(prop, proc) : badComponentInstance;
}

OSStatus IAUFactoryInstance::InstProcRemovePropertyListenerWithUserData(void* self, AudioUnitPropertyID prop,
                                                                        AudioUnitPropertyListenerProc proc,
                                                                        void* userData)
{
  IFxAU* plug = PlugOf(self);
  if (!plug) return badComponentInstance;
  plug->RemovePropertyListenerWithUserData(prop, proc, userData);
  return noErr;
}

OSStatus IAUFactoryInstance::InstProcRender(void* self, AudioUnitRenderActionFlags* ioActionFlags,
                                            const AudioTimeStamp* inTimeStamp, UInt32 inOutputBusNumber,
                                            UInt32 inNumberFrames, AudioBufferList* ioData)
{
  IFxAU* plug = PlugOf(self);
  return plug ? plug->RenderUnit(ioActionFlags, inTimeStamp, inOutputBusNumber, inNumberFrames, ioData)
              : badComponentInstance;
}

OSStatus IAUFactoryInstance::InstProcAddRenderNotify(void* self, AURenderCallback proc, void* userData)
{
  IFxAU* plug = PlugOf(self);
  return plug ? plug->AddRenderNotify(proc, userData) : badComponentInstance;
}

OSStatus IAUFactoryInstance::InstProcRemoveRenderNotify(void* self, AURenderCallback proc, void* userData)
{
  IFxAU* plug = PlugOf(self);
  return plug ? plug->RemoveRenderNotify(proc, userData) : badComponentInstance;
}

OSStatus IAUFactoryInstance::InstProcScheduleParameters(void* self, const AudioUnitParameterEvent* events,
                                                        UInt32 numEvents)
{
  IFxAU* plug = PlugOf(self);
  return plug ? plug->ScheduleParameters(events, numEvents) : badComponentInstance;
}

OSStatus IAUFactoryInstance::InstProcMIDIEvent(void* self, UInt32 inStatus, UInt32 inData1, UInt32 inData2,
                                               UInt32 inOffsetSampleFrame)
{
  IFxAU* plug = PlugOf(self);
  return plug ? plug->ReceiveMidiEvent(inStatus, inData1, inData2, inOffsetSampleFrame) : badComponentInstance;
}

OSStatus IAUFactoryInstance::InstProcSysEx(void* self, const UInt8* inData, UInt32 inLength)
{
  IFxAU* plug = PlugOf(self);
  return plug ? plug->ReceiveSysEx(inData, inLength) : badComponentInstance;
}

} // namespace fx
