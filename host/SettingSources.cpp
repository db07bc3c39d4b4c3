#include "host/SettingSources.h"

#include <Foundation/NSPathUtilities.h>
#include <sys/stat.h>

namespace orbexhost {

std::string DefaultPresetPath(const std::string& componentName) {
  const std::vector<std::string> folders =
      NSSearchPathForDirectoriesInDomains(NSApplicationSupportDirectory, NSUserDomainMask, true);
  if (folders.empty() || componentName.empty()) return {};
  return folders.front() + "/" + componentName + "/AU/default.qvs";
}

SettingSources::SettingSources(const HostedUnit& unit) {
  for (const ParamDesc& p : unit.Parameters()) mSources[p.id] = Source();
}

void SettingSources::NoteDefaultPreset(const HostedUnit& unit, const std::string& path) {
  struct stat st {};
  if (path.empty() || stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return;
  for (const ParamDesc& p : unit.Parameters()) {
    // The unit holds 32-bit values: compare at that precision.
    if (static_cast<float>(unit.GetParameter(p.id)) != static_cast<float>(p.defaultValue))
      mSources[p.id] = Source{"default preset", path};
  }
}

void SettingSources::NoteAll(const std::string& source, const std::string& origin) {
  for (auto& [id, s] : mSources) s = Source{source, origin};
}

void SettingSources::Note(AudioUnitParameterID id, const std::string& source) { mSources[id] = Source{source, {}}; }

std::vector<ParamSetting> SettingSources::Describe(const HostedUnit& unit,
                                                   const std::vector<AutomationEvent>& events) const {
  std::vector<ParamSetting> out;
  for (const ParamDesc& p : unit.Parameters()) {
    ParamSetting s;
    s.name = p.name;
    s.value = unit.GetParameter(p.id);
    const auto it = mSources.find(p.id);
    if (it != mSources.end()) s.source = it->second.source, s.origin = it->second.origin;
    for (const AutomationEvent& e : events)
      if (e.frame == 0 && e.id == p.id) s.value = e.value, s.source = "automate", s.origin.clear();
    s.text = WithoutMinusZero(unit.DisplayText(p.id, s.value));
    if (!p.IsIndexed() && !p.IsBoolean() && !p.unitText.empty() && !s.text.empty()) s.text += " " + p.unitText;
    out.push_back(std::move(s));
  }
  return out;
}

}  // namespace orbexhost
