#pragma once
// The host's command line: `info [--json]`, `process IN OUT [options]` and
// `editor [options]`, parsed into HostOptions without touching any file or
// component. Errors are one line each.

#include <cstdint>
#include <string>
#include <vector>

namespace orbexhost {

// Exit codes of orbex9-host.
enum ExitCode : int {
  kExitOk = 0,
  kExitFailure = 1,    // the component refused a call or failed while rendering
  kExitUsage = 2,      // bad command line, unknown parameter, value out of range, unknown preset
  kExitInput = 3,      // IN missing, unreadable, not audio, more than two channels
  kExitState = 4,      // a state file that cannot be read or is not a state of this component
  kExitOutput = 5,     // OUT (or the saved state) cannot be written
  kExitComponent = 6   // the component cannot be loaded
};

struct ParamAssignment {
  std::string name;
  std::string value;
};

struct AutomationPoint {
  std::string name;
  std::string value;
  double seconds = 0.0;
};

struct HostOptions {
  enum class Command { None, Help, Version, Info, Process, Editor };
  Command command = Command::None;
  std::string inPath, outPath;
  std::vector<ParamAssignment> sets;
  std::vector<AutomationPoint> automation;
  std::string preset;                  // empty: none
  std::string loadState, saveState;    // empty: none
  int blockSize = 512;                 // fixed block size
  bool randomBlocks = false;           // sizes 1 .. kMaxRandomBlock from the seed
  uint64_t seed = 1;
  bool seedGiven = false;
  std::string hostName = "orbex9-host";
  std::string componentPath;           // empty: beside the host executable
  bool useEntry = false;               // Component Manager entry instead of the factory
  bool json = false;
  // editor: inPath is --input (empty: none).
  std::string pngPath;                 // --png: headless, the drawn editor as PNG
  std::string eventsPath;              // --events: a script file, "-" for standard input
  double scale = 0.0;                  // --scale: the editor's scale; 0 keeps the unit's
  double atSeconds = -1.0;             // --at: render --input up to here; < 0: all of it
};

constexpr int kMaxBlockSize = 16384;
constexpr int kMaxRandomBlock = 512;

// Parses argv[1 ..]. False with a one-line message in error.
bool ParseCommandLine(const std::vector<std::string>& args, HostOptions& options, std::string& error);

// "NAME=VALUE" into its two halves (both trimmed); false when malformed.
bool SplitAssignment(const std::string& text, std::string& name, std::string& value);

std::string UsageText();

}  // namespace orbexhost
