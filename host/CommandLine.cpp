#include "host/CommandLine.h"

#include "host/DecimalNumber.h"
#include "host/MessageText.h"

#include <cerrno>
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
  double v = 0.0;
  if (!ParseDecimal(TrimBlanks(given), v) || v < 0.0) return false;
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

namespace {

// The option being read: its name, and its value when given as --name=value.
class OptionArg {
public:
  OptionArg(const std::vector<std::string>& args, size_t& i, std::string& error) : mArgs(args), mI(i), mError(error) {
    name = args[i];
    const size_t eq = name.find('=');
    if (eq != std::string::npos) {
      mValue = name.substr(eq + 1);
      name = name.substr(0, eq);
      mInline = true;
    }
  }
  // The option's value (inline or the next argument). False with a message.
  bool Value(std::string& out) {
    if (mInline) {
      out = mValue;
      return true;
    }
    if (mI + 1 >= mArgs.size()) {
      mError = "option " + name + " needs a value";
      return false;
    }
    out = mArgs[++mI];
    return true;
  }
  // A value that must not be empty; needs names what it is in the message.
  bool Value(std::string& out, const char* needs) {
    if (!Value(out)) return false;
    if (!out.empty()) return true;
    mError = "option " + name + " needs " + needs;
    return false;
  }
  // An option that takes no value. False with a message when given one.
  bool Flag() {
    if (!mInline) return true;
    mError = "option " + name + " takes no value";
    return false;
  }

  std::string name;

private:
  const std::vector<std::string>& mArgs;
  size_t& mI;
  std::string& mError;
  std::string mValue;
  bool mInline = false;
};

enum class OptionResult { kTaken, kUnknown, kFailed };

OptionResult Result(bool ok) { return ok ? OptionResult::kTaken : OptionResult::kFailed; }

// Options every command takes.
OptionResult CommonOption(OptionArg& opt, HostOptions& o) {
  if (opt.name == "--json") {
    o.json = true;
    return Result(opt.Flag());
  }
  if (opt.name == "--entry") {
    o.useEntry = true;
    return Result(opt.Flag());
  }
  if (opt.name == "--component") return Result(opt.Value(o.componentPath, "a path"));
  if (opt.name == "--host-name") return Result(opt.Value(o.hostName));
  return OptionResult::kUnknown;
}

// Options of the commands that set up a unit before using it.
OptionResult SettingOption(OptionArg& opt, HostOptions& o, std::string& error) {
  std::string text;
  if (opt.name == "--set") {
    if (!opt.Value(text)) return OptionResult::kFailed;
    ParamAssignment a;
    if (!SplitAssignment(text, a.name, a.value)) {
      error = "--set needs NAME=VALUE, got " + Quote(text);
      return OptionResult::kFailed;
    }
    o.sets.push_back(a);
    return OptionResult::kTaken;
  }
  if (opt.name == "--preset") return Result(opt.Value(o.preset, "a name or number"));
  if (opt.name == "--load-state") return Result(opt.Value(o.loadState, "a file"));
  if (opt.name == "--save-state") return Result(opt.Value(o.saveState, "a file"));
  return OptionResult::kUnknown;
}

OptionResult ProcessOption(OptionArg& opt, HostOptions& o, std::string& error) {
  const OptionResult setting = SettingOption(opt, o, error);
  if (setting != OptionResult::kUnknown) return setting;
  std::string text;
  if (opt.name == "--automate") {
    if (!opt.Value(text)) return OptionResult::kFailed;
    const size_t at = text.rfind('@');
    AutomationPoint p;
    if (at == std::string::npos || !SplitAssignment(text.substr(0, at), p.name, p.value) ||
        !ParseSeconds(text.substr(at + 1), p.seconds)) {
      error = "--automate needs NAME=VALUE@SECONDS with SECONDS >= 0, got " + Quote(text);
      return OptionResult::kFailed;
    }
    o.automation.push_back(p);
    return OptionResult::kTaken;
  }
  if (opt.name == "--block") {
    if (!opt.Value(text)) return OptionResult::kFailed;
    long long n = 0;
    if (TrimBlanks(text) == "random") {
      o.randomBlocks = true;
    } else if (ParseInt(text, 1, kMaxBlockSize, n)) {
      o.randomBlocks = false;
      o.blockSize = static_cast<int>(n);
    } else {
      error = "--block needs a size from 1 to " + std::to_string(kMaxBlockSize) + " or 'random', got " + Quote(text);
      return OptionResult::kFailed;
    }
    return OptionResult::kTaken;
  }
  if (opt.name == "--seed") {
    if (!opt.Value(text)) return OptionResult::kFailed;
    long long n = 0;
    if (!ParseInt(text, 0, (1LL << 62), n)) {
      error = "--seed needs a non-negative whole number, got " + Quote(text);
      return OptionResult::kFailed;
    }
    o.seed = static_cast<uint64_t>(n);
    o.seedGiven = true;
    return OptionResult::kTaken;
  }
  return OptionResult::kUnknown;
}

// The editor scales taken on the command line: those a resizable editor offers.
constexpr double kMinScale = 0.5, kMaxScale = 3.0;

OptionResult EditorOption(OptionArg& opt, HostOptions& o, std::string& error) {
  const OptionResult setting = SettingOption(opt, o, error);
  if (setting != OptionResult::kUnknown) return setting;
  std::string text;
  if (opt.name == "--png") return Result(opt.Value(o.pngPath, "a file"));
  if (opt.name == "--events") return Result(opt.Value(o.eventsPath, "a file or -"));
  if (opt.name == "--input") return Result(opt.Value(o.inPath, "a file"));
  if (opt.name == "--scale") {
    if (!opt.Value(text)) return OptionResult::kFailed;
    double v = 0.0;
    if (!ParseDecimal(TrimBlanks(text), v) || !(v >= kMinScale && v <= kMaxScale)) {
      error = "--scale must be between 0.5 and 3 (1 is the editor's own size), got " + Quote(text);
      return OptionResult::kFailed;
    }
    o.scale = v;
    return OptionResult::kTaken;
  }
  if (opt.name == "--at") {
    if (!opt.Value(text)) return OptionResult::kFailed;
    if (!ParseSeconds(text, o.atSeconds)) {
      error = "--at needs SECONDS >= 0, got " + Quote(text);
      return OptionResult::kFailed;
    }
    return OptionResult::kTaken;
  }
  return OptionResult::kUnknown;
}

// What process needs once every argument is read.
bool FinishProcess(HostOptions& o, const std::vector<std::string>& files, std::string& error) {
  if (o.seedGiven && !o.randomBlocks) {
    error = "--seed only applies with --block random";
    return false;
  }
  if (files.size() < 2) {
    error = "process needs IN and OUT files";
    return false;
  }
  if (files.size() > 2) {
    error = "unexpected argument " + Quote(files[2]);
    return false;
  }
  o.inPath = files[0];
  o.outPath = files[1];
  if (o.inPath.empty() || o.outPath.empty()) {
    error = "IN and OUT must not be empty";
    return false;
  }
  return true;
}

bool FinishEditor(HostOptions& o, const std::vector<std::string>& files, std::string& error) {
  if (!files.empty()) {
    error = "unexpected argument " + Quote(files[0]) + " (the editor reads audio with --input FILE)";
    return false;
  }
  if (o.atSeconds >= 0.0 && o.inPath.empty()) {
    error = "--at only applies with --input";
    return false;
  }
  return true;
}

bool FinishInfo(HostOptions&, const std::vector<std::string>& files, std::string& error) {
  if (files.empty()) return true;
  error = "unexpected argument " + Quote(files[0]);
  return false;
}

// The commands: a new one adds a row, its own options (null for none beyond
// the common ones) and its check of the whole line.
struct CommandSpec {
  const char* name;
  HostOptions::Command command;
  OptionResult (*option)(OptionArg&, HostOptions&, std::string&);
  bool (*finish)(HostOptions&, const std::vector<std::string>& files, std::string& error);
};
constexpr CommandSpec kCommands[] = {
    {"info", HostOptions::Command::Info, nullptr, FinishInfo},
    {"process", HostOptions::Command::Process, ProcessOption, FinishProcess},
    {"editor", HostOptions::Command::Editor, EditorOption, FinishEditor},
};

}  // namespace

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
  const CommandSpec* spec = nullptr;
  std::string names;
  for (const CommandSpec& c : kCommands) {
    if (cmd == c.name) spec = &c;
    names += (names.empty() ? "" : ", ") + std::string(c.name);
  }
  if (spec == nullptr) {
    error = "unknown command " + Quote(cmd) + " (commands: " + names + ")";
    return false;
  }
  o.command = spec->command;
  std::vector<std::string> files;
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--") {
      files.insert(files.end(), args.begin() + static_cast<std::ptrdiff_t>(i) + 1, args.end());
      break;
    }
    if (arg.size() < 2 || arg.compare(0, 2, "--") != 0) {
      files.push_back(arg);
      continue;
    }
    OptionArg opt(args, i, error);
    OptionResult r = CommonOption(opt, o);
    if (r == OptionResult::kUnknown && spec->option != nullptr) r = spec->option(opt, o, error);
    if (r == OptionResult::kFailed) return false;
    if (r == OptionResult::kUnknown) {
      error = "unknown option " + Quote(opt.name) + " for " + spec->name;
      return false;
    }
  }
  return spec->finish(o, files, error);
}

std::string UsageText() {
  return std::string(
         "usage:\n"
         "  orbex9-host info [--json]\n"
         "  orbex9-host process IN OUT [options]\n"
         "  orbex9-host editor [options]\n"
         "  orbex9-host --help | --version\n"
         "\n"
         "process options:\n"
         "  --set NAME=VALUE            a parameter by name; enums take an item or an index (repeatable)\n"
         "  --preset NAME|N             a factory preset, applied before --set\n"
         "  --load-state FILE           a saved state (.aupreset), applied first\n"
         "  --save-state FILE           save the state the render starts from (points at 0 s included)\n"
         "  --block N|random            block size 1..") +
         std::to_string(kMaxBlockSize) + " (default 512) or random sizes 1.." + std::to_string(kMaxRandomBlock) +
         "\n"
         "  --seed S                    seed of --block random (default 1)\n"
         "  --automate NAME=VALUE@SEC   a parameter change at that time (repeatable)\n"
         "  --json                      the report as one JSON object on stdout\n"
         "\n"
         "editor options (and --set, --preset, --load-state, --save-state of process):\n"
         "  --png FILE                  headless: draw the editor and write it as PNG\n"
         "  --scale S                   the editor's scale, 0.5 to 3, set as a person would (1 = its own size)\n"
         "  --input FILE [--at SEC]     render FILE through the unit first (up to SEC), so the meters show it\n"
         "  --events FILE|-             a script of pointer, key, menu, panel, wait and png events\n"
         "  --json                      the final parameter values as one JSON object on stdout\n"
         "  (without --png and --events the editor opens in a window until it is closed;\n"
         "   --save-state then saves the state at close)\n"
         "\n"
         "common options:\n"
         "  --host-name TEXT            the host name the component sees\n"
         "  --component PATH            the component bundle (default: ORBEX9.component beside the host)\n"
         "  --entry                     open the component through its Component Manager entry\n"
         "\n"
         "exit codes: 0 done, 1 component failure, 2 usage, parameter or preset error,\n"
         "            3 bad IN, 4 bad state file, 5 cannot write, 6 component cannot be loaded\n";
}

}  // namespace orbexhost
