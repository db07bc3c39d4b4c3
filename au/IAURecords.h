#pragma once
// Records the Audio Unit adapter keeps per bus, per input connection, per property listener
// and per render notification, and the creation info a product hands to the adapter.

#include "core/FxString.h"

#include <AudioUnit/AudioUnit.h>

#include <cstdint>

namespace fx {

/** What the component's construction function passes to the product's constructor. */
struct IAUCreateInfo
{
  FxString mCocoaViewName;  // class name reported with the Cocoa view property
};

/** One input or output bus as the host sees it. */
struct IAUBusRecord
{
  uint8_t mConnected = 0;
  int32_t mHostChannels = -1;  // -1 while the host has set no format
  int32_t mPlugChannels = 0;   // the most channels the I/O configurations give the bus
  int32_t mFirstChannel = 0;   // index of the bus's first channel in the processor's list
};

/** Link types of an input bus. */
enum EAUInputLinkType : int32_t
{
  kLinkNone = 0,
  kLinkFastProc = 1,      // an upstream unit's render proc called directly
  kLinkUpstreamUnit = 2,  // an upstream unit through AudioUnitRender
  kLinkRenderCallback = 3 // the host's render callback
};

/** Where an input bus gets its audio. */
struct IAUInputLink
{
  void* mUpstreamObject = nullptr;  // first argument of the fast render proc
  AudioUnit mUpstreamUnit = nullptr;
  UInt32 mUpstreamBus = 0;
  AudioUnitRenderProc mFastProc = nullptr;
  AURenderCallback mRenderCallback = nullptr;
  void* mRenderCallbackRefCon = nullptr;
  int32_t mLinkType = kLinkNone;

  void Clear() { *this = IAUInputLink(); }
};

struct IAUPropertyWatcher
{
  AudioUnitPropertyID mPropID = 0;
  AudioUnitPropertyListenerProc mListenerProc = nullptr;
  void* mProcArgs = nullptr;
};

struct IAURenderNotify
{
  AURenderCallback mProc = nullptr;
  void* mRefCon = nullptr;
};

} // namespace fx
