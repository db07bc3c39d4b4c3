// orbex9-host: renders audio files through the ORBEX9 component the way a
// host application does, and describes the component.
#include "host/CommandLine.h"
#include "host/Commands.h"
#include "host/PartialFile.h"

#include <CoreFoundation/CFManualClock.h>

#include <cstdio>
#include <exception>
#include <string>
#include <vector>

int main(int argc, char** argv) {
  using namespace orbexhost;
  std::vector<std::string> args(argv + 1, argv + argc);
  HostOptions options;
  std::string error;
  if (!ParseCommandLine(args, options, error)) {
    std::fprintf(stderr, "orbex9-host: %s\n", error.c_str());
    return kExitUsage;
  }
  PartialFile::RemoveOnSignals();
  // Time on the main run loop advances only as the host lets it, so the
  // unit's timers run the same way on every render.
  cfx::UseManualClock(true, 0.0);
  try {
    switch (options.command) {
      case HostOptions::Command::Help: std::fputs(UsageText().c_str(), stdout); return kExitOk;
      case HostOptions::Command::Version: std::puts("orbex9-host 1.0.0"); return kExitOk;
      case HostOptions::Command::Info: return RunInfo(options);
      case HostOptions::Command::Process: return RunProcess(options);
      case HostOptions::Command::None: break;
    }
  } catch (const std::bad_alloc&) {
    std::fprintf(stderr, "orbex9-host: out of memory\n");
    return kExitFailure;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "orbex9-host: %s\n", e.what());
    return kExitFailure;
  }
  return kExitUsage;
}
