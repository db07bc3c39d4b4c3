#pragma once
// The host's two commands. Each returns an exit code (CommandLine.h) and
// prints a one-line error on stderr when it fails; stdout carries only the
// command's output.

#include "host/CommandLine.h"

namespace orbexhost {

int RunInfo(const HostOptions& options);
int RunProcess(const HostOptions& options);

}  // namespace orbexhost
