#include "host/CommandLine.h"

#include "host/MessageText.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace orbexhost {

namespace {

// Numbers read alike with or without blanks around them.
bool ParseInt(const std::string& given, long long lo, long long hi, long long& out) {
  const std::string text = TrimBlanks(given);
  if (text.empty()) return false;
  errno = 0;
  char* end = nullptr;
  const long long v = std::strtoll(text.c_str(), &end, 10);
  if (errno != 0 || end == text.c_str() || *end != '\0' || v < lo || v > hi) return false;
  out = v;
  return true;
}

bool ParseSeconds(const std::string& given, double& out) {
  const std::string text = TrimBlanks(given);
  if (text.empty()) return false;
  char* end = nullptr;
  const double v = std::strtod(text.c_str(), &end);
  if (end == text.c_str() || *end != '\0' || !std::isfinite(v) || v < 0.0) return false;
  out = v;
  return true;
}

}  // namespace

bool SplitAssignment(const std::string& text, std::string& name, std::string& value) {
  const size_t eq = text.find('=');
  if (eq == std::string::npos) return false;
  name = TrimBlanks(text.substr(0, eq));
  value = TrimBlanks(text.substr(eq + 1));
  return !name.empty() && !value.empty();
}

bool ParseCommandLine(const std::vector<std::string>& args, HostOptions& o, std::string& error) {
  o = HostOptions();
  if (args.empty()) {
    error = "no command given (try 'orbex9-host --help')";
    return false;
  }
  const std::string& cmd = args[0];
  if (cmd == "--help" || cmd == "-h" || cmd == "help") {
    o.command = HostOptions::Command::Help;
    return true;
  }
  if (cmd == "--version") {
    o.command = HostOptions::Command::Version;
    return true;
  }
  if (cmd == "info")
    o.command = HostOptions::Command::Info;
  else if (cmd == "process")
    o.command = HostOptions::Command::Process;
  else {
    error = "unknown command " + Quote(cmd) + " (commands: info, process)";
    return false;
  }
  const bool process = o.command == HostOptions::Command::Process;
  std::vector<std::string> positional;
  bool seedGiven = false;
  for (size_t i = 1; i < args.size(); ++i) {
    std::string arg = args[i];
    if (arg.size() < 2 || arg.compare(0, 2, "--") != 0 || arg == "--") {
      if (arg == "--") {
        for (++i; i < args.size(); ++i) positional.push_back(args[i]);
        break;
      }
      positional.push_back(arg);
      continue;
    }
    std::string value;
    bool inlineValue = false;
    const size_t eq = arg.find('=');
    if (eq != std::string::npos) {
      value = arg.substr(eq + 1);
      arg = arg.substr(0, eq);
      inlineValue = true;
    }
    auto takeValue = [&](std::string& out) {
      if (inlineValue) {
        out = value;
        return true;
      }
      if (i + 1 >= args.size()) {
        error = "option " + arg + " needs a value";
        return false;
      }
      out = args[++i];
      return true;
    };
    auto flag = [&]() {
      if (inlineValue) {
        error = "option " + arg + " takes no value";
        return false;
      }
      return true;
    };
    if (arg == "--json") {
      if (!flag()) return false;
      o.json = true;
    } else if (arg == "--entry") {
      if (!flag()) return false;
      o.useEntry = true;
    } else if (arg == "--component") {
      if (!takeValue(o.componentPath)) return false;
      if (o.componentPath.empty()) {
        error = "option --component needs a path";
        return false;
      }
    } else if (arg == "--host-name") {
      if (!takeValue(o.hostName)) return false;
    } else if (!process) {
      error = "unknown option " + Quote(arg) + " for info";
      return false;
    } else if (arg == "--set") {
      std::string text;
      if (!takeValue(text)) return false;
      ParamAssignment a;
      if (!SplitAssignment(text, a.name, a.value)) {
        error = "--set needs NAME=VALUE, got " + Quote(text);
        return false;
      }
      o.sets.push_back(a);
    } else if (arg == "--automate") {
      std::string text;
      if (!takeValue(text)) return false;
      const size_t at = text.rfind('@');
      AutomationPoint p;
      if (at == std::string::npos || !SplitAssignment(text.substr(0, at), p.name, p.value) ||
          !ParseSeconds(text.substr(at + 1), p.seconds)) {
        error = "--automate needs NAME=VALUE@SECONDS with SECONDS >= 0, got " + Quote(text);
        return false;
      }
      o.automation.push_back(p);
    } else if (arg == "--preset") {
      if (!takeValue(o.preset)) return false;
      if (o.preset.empty()) {
        error = "option --preset needs a name or number";
        return false;
      }
    } else if (arg == "--load-state") {
      if (!takeValue(o.loadState)) return false;
      if (o.loadState.empty()) {
        error = "option --load-state needs a file";
        return false;
      }
    } else if (arg == "--save-state") {
      if (!takeValue(o.saveState)) return false;
      if (o.saveState.empty()) {
        error = "option --save-state needs a file";
        return false;
      }
    } else if (arg == "--block") {
      std::string text;
      if (!takeValue(text)) return false;
      long long n = 0;
      if (TrimBlanks(text) == "random") {
        o.randomBlocks = true;
      } else if (ParseInt(text, 1, kMaxBlockSize, n)) {
        o.randomBlocks = false;
        o.blockSize = static_cast<int>(n);
      } else {
        error = "--block needs a size from 1 to " + std::to_string(kMaxBlockSize) + " or 'random', got " + Quote(text);
        return false;
      }
    } else if (arg == "--seed") {
      std::string text;
      if (!takeValue(text)) return false;
      long long n = 0;
      if (!ParseInt(text, 0, (1LL << 62), n)) {
        error = "--seed needs a non-negative whole number, got " + Quote(text);
        return false;
      }
      o.seed = static_cast<uint64_t>(n);
      seedGiven = true;
    } else {
      error = "unknown option " + Quote(arg) + " for process";
      return false;
    }
  }
  if (seedGiven && !o.randomBlocks) {
    error = "--seed only applies with --block random";
    return false;
  }
  if (process) {
    if (positional.size() < 2) {
      error = "process needs IN and OUT files";
      return false;
    }
    if (positional.size() > 2) {
      error = "unexpected argument " + Quote(positional[2]);
      return false;
    }
    o.inPath = positional[0];
    o.outPath = positional[1];
    if (o.inPath.empty() || o.outPath.empty()) {
      error = "IN and OUT must not be empty";
      return false;
    }
  } else if (!positional.empty()) {
    error = "unexpected argument " + Quote(positional[0]);
    return false;
  }
  return true;
}

std::string UsageText() {
  return "usage:\n"
         "  orbex9-host info [--json]\n"
         "  orbex9-host process IN OUT [options]\n"
         "\n"
         "process options:\n"
         "  --set NAME=VALUE            a parameter by name; enums take an item or an index (repeatable)\n"
         "  --preset NAME|N             a factory preset, applied before --set\n"
         "  --load-state FILE           a saved state (.aupreset), applied first\n"
         "  --save-state FILE           save the state the render starts from\n"
         "  --block N|random            block size (default 512) or random sizes 1..512\n"
         "  --seed S                    seed of --block random (default 1)\n"
         "  --automate NAME=VALUE@SEC   a parameter change at that time (repeatable)\n"
         "  --json                      the report as one JSON object on stdout\n"
         "common options:\n"
         "  --host-name TEXT            the host name the component sees\n"
         "  --component PATH            the component bundle (default: ORBEX9.component beside the host)\n"
         "  --entry                     open the component through its Component Manager entry\n"
         "\n"
         "exit codes: 0 done, 1 component failure, 2 usage, parameter or preset error,\n"
         "            3 bad IN, 4 bad state file, 5 cannot write, 6 component cannot be loaded\n";
}

}  // namespace orbexhost
