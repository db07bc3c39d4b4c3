// The layer's own view of a component instance, shared by the Component
// Manager and the Audio Unit layers: an instance is reached either through a
// Component Manager entry routine or through an AudioComponent plug-in
// interface. Calls check the record's tag, and closed records are never
// freed, so a closed handle gives badComponentInstance instead of a crash.
#pragma once

#include <initializer_list>

#include <CoreServices/Components.h>

struct ComponentInstanceRecord {
  static constexpr UInt32 kLiveTag = 0x43496E73;  // 'CIns'
  UInt32 tag = kLiveTag;
  Component component = nullptr;         // the registered component, if any
  ComponentRoutineUPP entry = nullptr;   // Component Manager road
  Handle storage = nullptr;              // set by the component
  void* plugInInterface = nullptr;       // AudioComponent road: its AudioComponentPlugInInterface
  void* audioComponent = nullptr;        // the AudioComponent it was made from
};

namespace csx {

ComponentInstance NewInstanceRecord();
void DeleteInstanceRecord(ComponentInstance ci);  // clears the record; its memory is kept
inline bool IsLiveInstance(ComponentInstance ci) {
  return ci != nullptr && ci->tag == ComponentInstanceRecord::kLiveTag;
}

// One argument slot of a parameter block (see ComponentParameters).
struct Arg {
  long slot;
  Arg(const void* p) : slot(reinterpret_cast<long>(p)) {}
  Arg(SInt16 v) : slot(v) {}
  Arg(SInt32 v) : slot(v) {}
  Arg(UInt32 v) : slot(static_cast<long>(v)) {}
  Arg(Float32 v);
  template <class R, class... A>
  Arg(R (*f)(A...)) : slot(reinterpret_cast<long>(f)) {}
};

// Calls the instance's entry routine with selector what and the arguments
// in call order; badComponentInstance when it has no entry routine.
ComponentResult CallEntry(ComponentInstance ci, SInt16 what, std::initializer_list<Arg> args);

}  // namespace csx
