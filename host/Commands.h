#pragma once
// The host's commands. Each returns an exit code (CommandLine.h), prints
// a one-line error on stderr when it fails and leaves its output (the
// description or the report) in output for the caller to print on stdout.

#include "host/CommandLine.h"

#include <string>

namespace orbexhost {

int RunInfo(const HostOptions& options, std::string& output);
int RunProcess(const HostOptions& options, std::string& output);
int RunEditor(const HostOptions& options, std::string& output);

}  // namespace orbexhost
