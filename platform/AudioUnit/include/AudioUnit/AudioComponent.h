// Audio components: registration, lookup and instances. A component is a
// factory function returning a plug-in interface whose Lookup hands out one
// method per selector. Registration and instance creation run on the main
// thread.
#pragma once

#include <CoreFoundation/CoreFoundation.h>
#include <CoreServices/Components.h>

typedef ComponentInstance AudioComponentInstance;
typedef struct OpaqueAudioComponent* AudioComponent;

struct AudioComponentDescription {
  OSType componentType;
  OSType componentSubType;
  OSType componentManufacturer;
  UInt32 componentFlags;
  UInt32 componentFlagsMask;
};

// A method receives the plug-in interface (self) first; callers cast it to
// the exact prototype of its selector (AUComponent.h) before calling.
typedef OSStatus (*AudioComponentMethod)(void* self, ...);

struct AudioComponentPlugInInterface {
  OSStatus (*Open)(void* self, AudioComponentInstance mInstance);
  OSStatus (*Close)(void* self);
  AudioComponentMethod (*Lookup)(SInt16 selector);
  void* reserved;
};

typedef AudioComponentPlugInInterface* (*AudioComponentFactoryFunction)(const AudioComponentDescription* inDesc);

extern "C" {

// Registers a factory; returns the component, or null for null arguments.
AudioComponent AudioComponentRegister(const AudioComponentDescription* inDesc, CFStringRef inName, UInt32 inVersion,
                                      AudioComponentFactoryFunction inFactory);
// Registers a Component Manager entry as an audio component.
AudioComponent AudioComponentRegisterEntry(const AudioComponentDescription* inDesc, CFStringRef inName,
                                           UInt32 inVersion, ComponentRoutineUPP inEntry);
// The next registered component after inComponent (null: the first) whose
// type, subtype and manufacturer match; zero fields in inDesc match any.
AudioComponent AudioComponentFindNext(AudioComponent inComponent, const AudioComponentDescription* inDesc);
OSStatus AudioComponentCopyName(AudioComponent inComponent, CFStringRef* outName);
OSStatus AudioComponentGetDescription(AudioComponent inComponent, AudioComponentDescription* outDesc);
OSStatus AudioComponentGetVersion(AudioComponent inComponent, UInt32* outVersion);

// Creates an instance: the factory's interface is opened with a new
// instance handle (or the entry receives the open selector).
OSStatus AudioComponentInstanceNew(AudioComponent inComponent, AudioComponentInstance* outInstance);
// Closes the instance and frees its handle.
OSStatus AudioComponentInstanceDispose(AudioComponentInstance inInstance);
AudioComponent AudioComponentInstanceGetComponent(AudioComponentInstance inInstance);
// Whether the instance answers selector (its Lookup returns a method).
Boolean AudioComponentInstanceCanDo(AudioComponentInstance inInstance, SInt16 inSelectorID);

}  // extern "C"
