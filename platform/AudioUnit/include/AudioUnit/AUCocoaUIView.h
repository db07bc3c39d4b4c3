// The protocol of an Audio Unit's view factory: the class that property 31
// (kAudioUnitProperty_CocoaUI) names. A host makes an instance of the class
// by name (objc_getClass, Foundation's runtime) and reaches this interface
// with nsx::ProtocolCast<AUCocoaUIBase>. Including this header needs the
// AppKit layer. Main thread only.
#pragma once

#include <AppKit/NSView.h>
#include <AudioUnit/AUComponent.h>

class AUCocoaUIBase {
 public:
  static constexpr const char* kProtocolName = "AUCocoaUIBase";
  // The version of this protocol the factory implements (0).
  virtual unsigned interfaceVersion() = 0;
  // The unit's view (nil when it has none); the factory keeps no reference
  // to it: a host that keeps the view retains it.
  virtual NSView* uiViewForAudioUnit(AudioUnit audioUnit, NSSize preferredSize) = 0;

 protected:
  ~AUCocoaUIBase() = default;
};
