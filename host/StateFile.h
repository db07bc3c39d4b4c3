#pragma once
// The unit's class-info dictionary kept in a file as an XML property list
// (the .aupreset form). Main thread.

#include "host/ComponentLoader.h"
#include "host/HostedUnit.h"
#include "host/OutputFile.h"

#include <string>

namespace orbexhost {

// The unit's current class info as the bytes of its file. False with a
// message.
bool CaptureState(const HostedUnit& unit, std::string& bytes, std::string& error);

// Opens path for a state (an OutputFile: written atomically, through links,
// into a pipe only when something reads from it). False with a message.
bool OpenStateFile(OutputFile& file, const std::string& path, std::string& error);
// Writes captured state into the open file and completes it; CommitStateFile
// then puts it in place, once what it goes with is in place. False with a
// message.
bool WriteStateFile(const std::string& bytes, OutputFile& file, const std::string& path, std::string& error);
bool CommitStateFile(OutputFile& file, const std::string& path, std::string& error);

// Reads path, checks that it is a class-info dictionary of this component
// and hands it to the unit. False with a message; a state of another
// component names that component and this one.
bool LoadStateFile(HostedUnit& unit, const LoadedComponent& component, const std::string& path, std::string& error);

// Fills what the bundle did not say about the component (type, subtype,
// manufacturer, and the maker as the manufacturer code) from the unit's
// class info.
void CompleteDescription(LoadedComponent& component, const HostedUnit& unit);

}  // namespace orbexhost
