#include "host/UnitSetup.h"

#include "host/MessageText.h"
#include "host/StateFile.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

namespace orbexhost {

namespace {

// Lets the unit's idle timer run a few ticks so a latency change reaches the host.
constexpr double kSettleSeconds = 0.1;

std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
  return s;
}

bool FindPreset(const std::vector<PresetDesc>& presets, const std::string& want, PresetDesc& out, std::string& error) {
  for (const PresetDesc& p : presets)
    if (Lower(p.name) == Lower(want)) {
      out = p;
      return true;
    }
  // A number reads alike with or without blanks around it.
  const std::string number = TrimBlanks(want);
  char* end = nullptr;
  const long n = std::strtol(number.c_str(), &end, 10);
  if (!number.empty() && end != number.c_str() && *end == '\0')
    for (const PresetDesc& p : presets)
      if (p.number == n) {
        out = p;
        return true;
      }
  std::string names;
  for (const PresetDesc& p : presets) names += (names.empty() ? "" : ", ") + std::to_string(p.number) + " '" + p.name + "'";
  error = "unknown preset " + Quote(want) + (names.empty() ? " (the component has no factory presets)" : " (presets: " + names + ")");
  return false;
}

}  // namespace

bool UnitSetup::Resolve(const HostOptions& o, const HostedUnit& unit, std::string& error) {
  mLoadState = o.loadState;
  mValues.clear();
  for (const ParamAssignment& a : o.sets) {
    const ParamDesc* p = unit.FindParameter(a.name);
    if (p == nullptr) {
      error = "unknown parameter " + Quote(a.name) + " (see 'orbex9-host info')";
      return false;
    }
    double v = 0.0;
    if (!unit.ParseValue(*p, a.value, v, error)) return false;
    mValues.emplace_back(p->id, v);
  }
  mHasPreset = !o.preset.empty();
  return !mHasPreset || FindPreset(unit.FactoryPresets(), o.preset, mPreset, error);
}

bool UnitSetup::Apply(HostedUnit& unit, const LoadedComponent& component, int& code, std::string& error) const {
  if (!mLoadState.empty() && !LoadStateFile(unit, component, mLoadState, error)) return code = kExitState, false;
  if (mHasPreset && !unit.ApplyPreset(mPreset, error)) return code = kExitFailure, false;
  for (const auto& [id, v] : mValues)
    if (!unit.SetParameter(id, v)) {
      error = "the component refused the value " + std::to_string(v) + " for parameter " + std::to_string(id);
      return code = kExitFailure, false;
    }
  unit.Idle(kSettleSeconds);
  return true;
}

}  // namespace orbexhost
