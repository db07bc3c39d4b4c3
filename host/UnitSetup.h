#pragma once
// The settings a command gives a fresh unit before it uses it: a saved state
// first, then a factory preset, then single parameter values. Every name and
// value is resolved before anything is applied, so a mistake stops the
// command before it changes or writes anything. Main thread.

#include "host/CommandLine.h"
#include "host/ComponentLoader.h"
#include "host/HostedUnit.h"

#include <string>
#include <utility>
#include <vector>

namespace orbexhost {

class UnitSetup {
public:
  // Resolves the --set names and values and the --preset of options against
  // unit. False with a message (exit code kExitUsage).
  bool Resolve(const HostOptions& options, const HostedUnit& unit, std::string& error);
  // Applies the state, preset and values, then lets the unit's idle timer
  // run a few ticks. False with the exit code and a message.
  bool Apply(HostedUnit& unit, const LoadedComponent& component, int& code, std::string& error) const;

  const std::vector<std::pair<AudioUnitParameterID, double>>& Values() const { return mValues; }
  const PresetDesc& Preset() const { return mPreset; }

private:
  std::string mLoadState;
  bool mHasPreset = false;
  PresetDesc mPreset;
  std::vector<std::pair<AudioUnitParameterID, double>> mValues;
};

}  // namespace orbexhost
