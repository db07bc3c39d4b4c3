// orbex9-host: renders audio files through the ORBEX9 component the way a
// host application does, and describes the component.
#include "host/CommandLine.h"
#include "host/Commands.h"
#include "host/MessageText.h"
#include "host/PartialFile.h"

#include <CoreFoundation/CFManualClock.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

int main(int argc, char** argv) {
  using namespace orbexhost;
  std::vector<std::string> args(argv + 1, argv + argc);
  HostOptions options;
  std::string error;
  if (!ParseCommandLine(args, options, error)) return Fail(kExitUsage, error);
  PartialFile::RemoveOnSignals();
  // A pipe whose reader goes away, or a file that reaches the size limit
  // (ulimit -f), fails the write (exit 5, the temporary file removed)
  // instead of killing the host.
  std::signal(SIGPIPE, SIG_IGN);
  std::signal(SIGXFSZ, SIG_IGN);
  // Time on the main run loop advances only as the host lets it, so the
  // unit's timers run the same way on every render.
  cfx::UseManualClock(true, 0.0);
  // With --json, stdout carries the one JSON object and nothing else:
  // anything the component prints while it runs goes to stderr.
  int savedStdout = -1;
  if (options.json) {
    std::fflush(stdout);
    savedStdout = dup(STDOUT_FILENO);
    if (savedStdout >= 0) dup2(STDERR_FILENO, STDOUT_FILENO);
  }
  std::string output;
  int code = kExitUsage;
  try {
    switch (options.command) {
      case HostOptions::Command::Help: output = UsageText(); code = kExitOk; break;
      case HostOptions::Command::Version: output = "orbex9-host 1.0.0\n"; code = kExitOk; break;
      case HostOptions::Command::Info: code = RunInfo(options, output); break;
      case HostOptions::Command::Process: code = RunProcess(options, output); break;
      case HostOptions::Command::Editor: code = RunEditor(options, output); break;
      case HostOptions::Command::None: break;
    }
  } catch (const std::bad_alloc&) {
    std::fprintf(stderr, "orbex9-host: out of memory\n");
    code = kExitFailure;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "orbex9-host: %s\n", e.what());
    code = kExitFailure;
  }
  std::fflush(stdout);
  if (savedStdout >= 0) {
    dup2(savedStdout, STDOUT_FILENO);
    close(savedStdout);
  }
  if (code == kExitOk) std::fputs(output.c_str(), stdout);
  return code;
}
