#pragma once
// Where each parameter's value came from, followed through the steps that
// set them before a render: the component's default, the default preset
// file the component loads when it is made, a loaded state, a factory
// preset, single values, automation at the first frame. Main thread.

#include "host/HostedUnit.h"
#include "host/LevelReport.h"
#include "host/OfflineRender.h"

#include <map>
#include <string>

namespace orbexhost {

// The default preset file a component loads when it is made:
// <Application Support>/<component name>/AU/default.qvs.
std::string DefaultPresetPath(const std::string& componentName);

class SettingSources {
public:
  // Every parameter of unit starts at its default.
  explicit SettingSources(const HostedUnit& unit);

  // Just after the unit was made: values other than their parameter's
  // default came from the default preset file at path, when it exists.
  void NoteDefaultPreset(const HostedUnit& unit, const std::string& path);
  // A state or factory preset sets every parameter.
  void NoteAll(const std::string& source, const std::string& origin);
  void Note(AudioUnitParameterID id, const std::string& source);

  // Every parameter as rendering starts: the unit's values, with the
  // automation due at the first frame applied.
  std::vector<ParamSetting> Describe(const HostedUnit& unit, const std::vector<AutomationEvent>& events) const;

private:
  struct Source {
    std::string source = "default";
    std::string origin;
  };
  std::map<AudioUnitParameterID, Source> mSources;
};

}  // namespace orbexhost
