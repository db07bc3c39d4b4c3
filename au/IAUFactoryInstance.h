#pragma once
// The AudioComponent road: the record a component's factory function hands to the host. It
// starts with the platform's plug-in interface (Open, Close, Lookup), carries the product's
// construct and destruct functions and holds the plug-in object in the same block. Lookup
// hands out one method per selector; every method receives the record first.
//
// Threads: Create, Open and Close on the host's main thread; the methods on the threads of the
// matching calls (render on the audio thread).

#include "au/IFxAU.h"

#include <cstddef>

namespace fx {

struct IAUFactoryInstance
{
  using ConstructFunc = IFxAU* (*)(void* storage);
  using DestructFunc = void (*)(IFxAU* plug);

  AudioComponentPlugInInterface mPlugInInterface;
  ConstructFunc mConstruct;
  DestructFunc mDestruct;
  IFxAU* mPlug;  // the object once Open constructed it, else null
  void* mReserved;

  /** One block holding the record and room for an object of objectSize bytes (alignment at
   *  most objectAlign); null when out of memory. The host frees it through Close. */
  static AudioComponentPlugInInterface* Create(size_t objectSize, size_t objectAlign, ConstructFunc construct,
                                               DestructFunc destruct);

  static OSStatus Open(void* self, AudioComponentInstance compInstance);
  static OSStatus Close(void* self);
  static AudioComponentMethod Lookup(SInt16 selector);

  // Methods of the table; each finds the plug-in object inside the record.
  static OSStatus InstProcInitialize(void* self);
  static OSStatus InstProcUninitialize(void* self);
  static OSStatus InstProcGetPropertyInfo(void* self, AudioUnitPropertyID prop, AudioUnitScope scope,
                                          AudioUnitElement elem, UInt32* outDataSize, Boolean* outWritable);
  static OSStatus InstProcGetProperty(void* self, AudioUnitPropertyID inID, AudioUnitScope inScope,
                                      AudioUnitElement inElement, void* outData, UInt32* ioDataSize);
  static OSStatus InstProcSetProperty(void* self, AudioUnitPropertyID inID, AudioUnitScope inScope,
                                      AudioUnitElement inElement, const void* inData, UInt32 inDataSize);
  static OSStatus InstProcGetParameter(void* self, AudioUnitParameterID param, AudioUnitScope scope,
                                       AudioUnitElement elem, AudioUnitParameterValue* value);
  static OSStatus InstProcSetParameter(void* self, AudioUnitParameterID param, AudioUnitScope scope,
                                       AudioUnitElement elem, AudioUnitParameterValue value, UInt32 bufferOffset);
  static OSStatus InstProcReset(void* self, AudioUnitScope scope, AudioUnitElement elem);
  static OSStatus InstProcAddPropertyListener(void* self, AudioUnitPropertyID prop, AudioUnitPropertyListenerProc proc,
                                              void* userData);
  static OSStatus InstProcRemovePropertyListener(void* self, AudioUnitPropertyID prop,
                                                 AudioUnitPropertyListenerProc proc);
  static OSStatus InstProcRemovePropertyListenerWithUserData(void* self, AudioUnitPropertyID prop,
                                                             AudioUnitPropertyListenerProc proc, void* userData);
  static OSStatus InstProcRender(void* self, AudioUnitRenderActionFlags* ioActionFlags,
                                 const AudioTimeStamp* inTimeStamp, UInt32 inOutputBusNumber, UInt32 inNumberFrames,
                                 AudioBufferList* ioData);
  static OSStatus InstProcAddRenderNotify(void* self, AURenderCallback proc, void* userData);
  static OSStatus InstProcRemoveRenderNotify(void* self, AURenderCallback proc, void* userData);
  static OSStatus InstProcScheduleParameters(void* self, const AudioUnitParameterEvent* events, UInt32 numEvents);
  /** Not handed out by Lookup: a host on this road sends no MIDI. */
  static OSStatus InstProcMIDIEvent(void* self, UInt32 inStatus, UInt32 inData1, UInt32 inData2,
                                    UInt32 inOffsetSampleFrame);
  static OSStatus InstProcSysEx(void* self, const UInt8* inData, UInt32 inLength);

  static IFxAU* PlugOf(void* self) { return self ? static_cast<IAUFactoryInstance*>(self)->mPlug : nullptr; }
  /** Where the object is constructed inside the block. */
  static void* ObjectStorage(void* self, size_t objectAlign);
};

} // namespace fx
