// The Component Manager: components reached through one entry routine that
// takes a selector and a parameter block. Registration and opening run on
// the main thread; calls into an open instance on the caller's thread.
#pragma once

#include <CoreFoundation/CFBase.h>

typedef char* Ptr;
typedef Ptr* Handle;
typedef SInt32 ComponentResult;

struct ComponentInstanceRecord;  // see CoreServices/ComponentInstanceRecord.h
typedef ComponentInstanceRecord* ComponentInstance;
typedef struct ComponentRecord* Component;

struct ComponentDescription {
  OSType componentType;
  OSType componentSubType;
  OSType componentManufacturer;
  UInt32 componentFlags;
  UInt32 componentFlagsMask;
};

// The parameter block of a call. For a call with arguments a1 .. an (for
// Audio Unit selectors a1 is the component instance), params[n - 1] holds a1
// and params[0] holds an: the arguments are stored last first, one long slot
// each. Integers are widened into their slot (signed types sign-extended),
// pointers stored as their address, a Float32 stored by its bit pattern in
// the low 32 bits. paramSize = n * sizeof(long).
struct ComponentParameters {
  UInt8 flags;
  UInt8 paramSize;
  SInt16 what;
  UInt32 padding;
  long params[1];
};

typedef ComponentResult (*ComponentRoutineProcPtr)(ComponentParameters* cp, Handle componentStorage);
typedef ComponentRoutineProcPtr ComponentRoutineUPP;

// Selectors every component answers; open and close carry the instance as
// their one argument, can-do the asked selector (SInt16).
enum : SInt16 {
  kComponentOpenSelect = -1,
  kComponentCloseSelect = -2,
  kComponentCanDoSelect = -3,
  kComponentVersionSelect = -4,
  kComponentRegisterSelect = -5,
  kComponentTargetSelect = -6,
  kComponentUnregisterSelect = -7
};

enum : OSStatus {
  badComponentInstance = static_cast<OSStatus>(0x80008001u),
  badComponentSelector = static_cast<OSStatus>(0x80008002u),
  invalidComponentID = -3000,
  coreFoundationUnknownErr = -4960,
  paramErr = -50,
  memFullErr = -108
};

extern "C" {

// Storage a component keeps with an instance (normally set while opening).
Handle GetComponentInstanceStorage(ComponentInstance aComponentInstance);
void SetComponentInstanceStorage(ComponentInstance aComponentInstance, Handle theStorage);

// Registers an entry routine; name, info and icon are not kept here. The
// functions below return full OSStatus values (a selector error does not fit
// in 16 bits).
Component RegisterComponent(const ComponentDescription* cd, ComponentRoutineUPP componentEntryPoint, SInt16 global,
                            Handle componentName, Handle componentInfo, Handle componentIcon);
OSStatus UnregisterComponent(Component aComponent);
OSStatus GetComponentInfo(Component aComponent, ComponentDescription* cd, Handle componentName, Handle componentInfo,
                       Handle componentIcon);
// Opens an instance: the entry receives the open selector with the new
// instance. A failed open closes nothing and returns its status.
OSStatus OpenAComponent(Component aComponent, ComponentInstance* ci);
// Sends the close selector and frees the instance.
OSStatus CloseComponent(ComponentInstance aComponentInstance);
// Asks the component whether it answers selector (non-zero: yes).
ComponentResult ComponentFunctionImplemented(ComponentInstance ci, SInt16 ftnNumber);
ComponentResult GetComponentVersion(ComponentInstance ci);

}  // extern "C"
