#pragma once
// The unit's class-info dictionary kept in a file as an XML property list
// (the .aupreset form). Main thread.

#include "host/ComponentLoader.h"
#include "host/HostedUnit.h"

#include <string>

namespace orbexhost {

// Writes the unit's current class info to path (atomically). False with a
// message.
bool SaveStateFile(const HostedUnit& unit, const std::string& path, std::string& error);

// Reads path, checks that it is a class-info dictionary of this component
// and hands it to the unit. False with a message.
bool LoadStateFile(HostedUnit& unit, const LoadedComponent& component, const std::string& path, std::string& error);

// Fills what the bundle did not say about the component (type, subtype,
// manufacturer, and the maker as the manufacturer code) from the unit's
// class info.
void CompleteDescription(LoadedComponent& component, const HostedUnit& unit);

}  // namespace orbexhost
