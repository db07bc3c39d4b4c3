#pragma once
// One instance of an Audio Unit effect, driven the way a host drives it:
// opened from a registered component, given stream formats, sample rate,
// maximum frames, host callbacks and an input render callback, initialised,
// then asked about parameters, presets, state and latency. The host's main
// run loop (on the manual clock) is pumped so the unit's idle timer runs as
// it would between a host's UI updates. Main thread; Render on one thread at a
// time (the main thread while it renders offline, or a live renderer's own).

#include <AudioUnit/AudioUnit.h>
#include <CoreFoundation/CoreFoundation.h>

#include "host/CFText.h"

#include <string>
#include <vector>

namespace orbexhost {

struct ParamDesc {
  AudioUnitParameterID id = 0;
  std::string name;
  std::string unitText;       // "dB", "ms", "%", ... empty for none
  AudioUnitParameterUnit unit = 0;
  double minValue = 0.0, maxValue = 0.0, defaultValue = 0.0;
  UInt32 flags = 0;
  bool automatable = true;
  std::vector<std::string> valueStrings;  // items of an indexed parameter
  bool IsIndexed() const { return unit == kAudioUnitParameterUnit_Indexed || !valueStrings.empty(); }
  bool IsBoolean() const { return unit == kAudioUnitParameterUnit_Boolean; }
};

struct PresetDesc {
  SInt32 number = 0;
  std::string name;
};

class HostedUnit {
public:
  HostedUnit() = default;
  ~HostedUnit();
  HostedUnit(const HostedUnit&) = delete;
  HostedUnit& operator=(const HostedUnit&) = delete;

  bool Open(AudioComponent component, std::string& error);
  AudioUnit Unit() const { return mUnit; }

  // Stream formats for both sides, sample rate, maximum frames, host
  // callbacks, offline rendering and the input callback. Before Initialize.
  bool Configure(double sampleRate, int channels, int maxFrames, AURenderCallback input, void* inputRefCon,
                 std::string& error);
  bool Initialize(std::string& error);
  // A new sample rate on an initialised unit (both stream formats and the
  // global rate), as a host does when its project rate changes.
  bool ChangeSampleRate(double sampleRate, int channels, std::string& error);

  // Reads the parameter list with every parameter's information.
  bool LoadParameters(std::string& error);
  const std::vector<ParamDesc>& Parameters() const { return mParams; }
  // Case-insensitive name lookup; spaces, '-' and '_' are ignored when no
  // name matches exactly. Null when none.
  const ParamDesc* FindParameter(const std::string& name) const;
  // A value given as text: a number in the parameter's unit, or for an
  // indexed parameter an item text or index, for a boolean on/off/true/false;
  // blanks around it do not count. False with a message naming the range or
  // the items.
  bool ParseValue(const ParamDesc& p, const std::string& text, double& value, std::string& error) const;
  bool SetParameter(AudioUnitParameterID id, double value, UInt32 bufferOffset = 0);
  double GetParameter(AudioUnitParameterID id) const;
  // The unit's display text of a value (its ParameterStringFromValue).
  std::string DisplayText(AudioUnitParameterID id, double value) const;

  std::vector<PresetDesc> FactoryPresets() const;
  bool ApplyPreset(const PresetDesc& preset, std::string& error);

  std::vector<std::pair<int, int>> ChannelConfigurations() const;

  // Class-info state. CopyClassInfo hands out one reference.
  CFPropertyListRef CopyClassInfo() const;
  OSStatus SetClassInfo(CFPropertyListRef dict);

  // Lets the unit's timers run for this much (manual-clock) time.
  void Idle(double seconds);
  // The latency the unit reports, in samples at sampleRate.
  int LatencySamples(double sampleRate) const;

  // The host's transport (which the unit asks about while it renders) stops
  // where it is, as a host's does when the person stops playback; rendering
  // goes on. Before another thread renders.
  void StopTransport();
  OSStatus Render(const AudioTimeStamp& ts, UInt32 frames, AudioBufferList* buffers);
  OSStatus Reset();

private:
  AudioUnit mUnit = nullptr;
  bool mInitialized = false;
  std::vector<ParamDesc> mParams;
};

}  // namespace orbexhost
