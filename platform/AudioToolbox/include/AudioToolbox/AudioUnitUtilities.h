// Audio Unit events: parameter changes, gestures and property changes that
// a unit announces (AUEventListenerNotify) and a host listens to. A listener
// made with a run loop receives its events when that run loop runs (the
// main run loop is pumped by hosts and tests); one made without a run loop
// receives them at once on the notifying thread. Any thread.
#pragma once

#include <AudioUnit/AudioUnit.h>
#include <CoreFoundation/CoreFoundation.h>

typedef UInt32 AudioUnitEventType;
enum : UInt32 {
  kAudioUnitEvent_ParameterValueChange = 0,
  kAudioUnitEvent_BeginParameterChangeGesture = 1,
  kAudioUnitEvent_EndParameterChangeGesture = 2,
  kAudioUnitEvent_PropertyChange = 3
};

struct AudioUnitEvent {  // 32 bytes
  AudioUnitEventType mEventType;
  union {
    AudioUnitParameter mParameter;  // parameter events
    AudioUnitProperty mProperty;    // property-change events
  } mArgument;
};

typedef struct OpaqueAUListener* AUParameterListenerRef;
typedef AUParameterListenerRef AUEventListenerRef;

// inParameterValue is the parameter's value when the event was delivered
// (read from the unit), 0 for other events.
typedef void (*AUEventListenerProc)(void* inCallbackRefCon, void* inObject, const AudioUnitEvent* inEvent,
                                    UInt64 inEventHostTime, AudioUnitParameterValue inParameterValue);

extern "C" {

// inNotificationInterval and inValueChangeGranularity are accepted for shape.
OSStatus AUEventListenerCreate(AUEventListenerProc inProc, void* inCallbackRefCon, CFRunLoopRef inRunLoop,
                               CFStringRef inRunLoopMode, Float32 inNotificationInterval,
                               Float32 inValueChangeGranularity, AUEventListenerRef* outListener);
// Subscribes to events of the event's type and object (unit, ID, scope and
// element); inObject is handed back with each event.
OSStatus AUEventListenerAddEventType(AUEventListenerRef inListener, void* inObject, const AudioUnitEvent* inEvent);
OSStatus AUEventListenerRemoveEventType(AUEventListenerRef inListener, void* inObject, const AudioUnitEvent* inEvent);
// Stops delivery; undelivered events are dropped.
OSStatus AUListenerDispose(AUEventListenerRef inListener);

// Announces an event to every subscribed listener except inSendingListener.
OSStatus AUEventListenerNotify(AUEventListenerRef inSendingListener, void* inSendingObject,
                               const AudioUnitEvent* inEvent);
// The same for a parameter value change.
OSStatus AUParameterListenerNotify(AUParameterListenerRef inSendingListener, void* inSendingObject,
                                   const AudioUnitParameter* inParameter);

}  // extern "C"
