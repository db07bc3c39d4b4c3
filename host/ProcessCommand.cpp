#include "host/Commands.h"
#include "host/ComponentLoader.h"
#include "host/HostedUnit.h"
#include "host/LevelReport.h"
#include "host/OfflineRender.h"
#include "host/SoundFile.h"
#include "host/StateFile.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <map>
#include <memory>

namespace orbexhost {

namespace {

// Lets the unit's idle timer run a few ticks so a latency change reaches the host.
constexpr double kSettleSeconds = 0.1;

int Fail(int code, const std::string& message) {
  std::fprintf(stderr, "orbex9-host: %s\n", message.c_str());
  return code;
}

std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
  return s;
}

bool FindPreset(const std::vector<PresetDesc>& presets, const std::string& want, PresetDesc& out, std::string& error) {
  for (const PresetDesc& p : presets)
    if (Lower(p.name) == Lower(want)) {
      out = p;
      return true;
    }
  char* end = nullptr;
  const long n = std::strtol(want.c_str(), &end, 10);
  if (end != want.c_str() && *end == '\0')
    for (const PresetDesc& p : presets)
      if (p.number == n) {
        out = p;
        return true;
      }
  std::string names;
  for (const PresetDesc& p : presets) names += (names.empty() ? "" : ", ") + std::to_string(p.number) + " '" + p.name + "'";
  error = "unknown preset '" + want + "'" + (names.empty() ? " (the component has no factory presets)" : " (presets: " + names + ")");
  return false;
}

// The gain the unit applies on purpose, from its Gain, Drive, Ceiling and
// Ceiling Mode values (value(name, fallback) gives each one).
template <typename ValueOf>
GainModel GainsFrom(ValueOf value) {
  GainModel g;
  const double gainDb = value("Gain", 0.0) + value("Drive", 0.0);
  const double ceilingDb = value("Ceiling", 0.0);
  const bool volumeMode = std::lround(value("Ceiling Mode", 0.0)) == 1;
  g.inputGain = std::pow(10.0, gainDb / 20.0);
  g.limitLevel = volumeMode ? 1.0 : std::pow(10.0, ceilingDb / 20.0);
  g.outputGain = volumeMode ? std::pow(10.0, ceilingDb / 20.0) : 1.0;
  return g;
}

// The gain model from the start of the render and after every automation
// point, so the gain reduction is measured against the settings in force.
std::vector<GainSegment> GainsOf(const HostedUnit& unit, const std::vector<AutomationEvent>& events) {
  std::map<AudioUnitParameterID, double> values;
  auto value = [&](const char* name, double fallback) {
    const ParamDesc* p = unit.FindParameter(name);
    if (p == nullptr) return fallback;
    const auto it = values.find(p->id);
    const double v = it != values.end() ? it->second : unit.GetParameter(p->id);
    return std::isfinite(v) ? v : fallback;
  };
  std::vector<GainSegment> segments{{0, GainsFrom(value)}};
  for (const AutomationEvent& e : events) {
    values[e.id] = e.value;
    const GainModel g = GainsFrom(value);
    if (segments.back().fromFrame == e.frame)
      segments.back().gains = g;
    else
      segments.push_back({e.frame, g});
  }
  return segments;
}

}  // namespace

int RunProcess(const HostOptions& o, std::string& output) {
  std::string error;
  if (OutputFormatForPath(o.outPath, error) == 0) return Fail(kExitOutput, error);
  // Refuse what would destroy a file the user still needs, and what cannot
  // be written, before any time goes into the render.
  if (SameFile(o.inPath, o.outPath))
    return Fail(kExitOutput, "cannot write '" + o.outPath + "': it is IN itself; choose another name so IN is kept");
  if (!o.saveState.empty()) {
    for (const std::string* other : {&o.inPath, &o.outPath})
      if (SameFile(o.saveState, *other))
        return Fail(kExitOutput, "cannot write the state file '" + o.saveState + "': it is " +
                                     (other == &o.inPath ? "IN" : "OUT") + " itself");
    if (const std::string why = OutputPathProblem(o.saveState); !why.empty())
      return Fail(kExitOutput, "cannot write the state file '" + o.saveState + "': " + why);
  }

  AudioData in;
  if (!ReadSoundFile(o.inPath, in, error)) return Fail(kExitInput, error);
  if (!CheckCanWrite(o.outPath, in.sampleRate, in.NumChannels(), error)) return Fail(kExitOutput, error);

  RegisterHostBundle(o.hostName);
  LoadedComponent component;
  if (!LoadComponent(o.componentPath.empty() ? DefaultComponentPath() : o.componentPath, o.useEntry, component, error))
    return Fail(kExitComponent, error);

  InputSource source{&in};
  const int maxFrames = o.randomBlocks ? kMaxRandomBlock : o.blockSize;
  auto unit = std::make_unique<HostedUnit>();
  auto openUnit = [&](HostedUnit& u) {
    return u.Open(component.component, error) &&
           u.Configure(in.sampleRate, in.NumChannels(), maxFrames, InputCallback, &source, error) &&
           u.Initialize(error) && u.LoadParameters(error);
  };
  if (!openUnit(*unit)) return Fail(kExitFailure, error);
  CompleteDescription(component, *unit);

  // Resolve every name and value before anything is applied.
  std::vector<std::pair<AudioUnitParameterID, double>> sets;
  for (const ParamAssignment& a : o.sets) {
    const ParamDesc* p = unit->FindParameter(a.name);
    if (p == nullptr) return Fail(kExitUsage, "unknown parameter '" + a.name + "' (see 'orbex9-host info')");
    double v = 0.0;
    if (!unit->ParseValue(*p, a.value, v, error)) return Fail(kExitUsage, error);
    sets.emplace_back(p->id, v);
  }
  RenderPlan plan;
  plan.blockSize = maxFrames;
  plan.randomBlocks = o.randomBlocks;
  plan.seed = o.seed;
  const double duration = static_cast<double>(in.NumFrames()) / in.sampleRate;
  for (const AutomationPoint& a : o.automation) {
    const ParamDesc* p = unit->FindParameter(a.name);
    if (p == nullptr) return Fail(kExitUsage, "unknown parameter '" + a.name + "' in --automate (see 'orbex9-host info')");
    if (!p->automatable) return Fail(kExitUsage, p->name + " cannot be automated (set it with --set)");
    double v = 0.0;
    if (!unit->ParseValue(*p, a.value, v, error)) return Fail(kExitUsage, error);
    const double frame = std::round(a.seconds * in.sampleRate);
    if (frame > static_cast<double>(in.NumFrames())) {
      char buf[160];
      std::snprintf(buf, sizeof buf, "--automate time %g s is past the end of IN (%.3f s)", a.seconds, duration);
      return Fail(kExitUsage, buf);
    }
    plan.events.push_back({static_cast<int64_t>(frame), p->id, v});
  }
  std::stable_sort(plan.events.begin(), plan.events.end(),
                   [](const AutomationEvent& a, const AutomationEvent& b) { return a.frame < b.frame; });
  PresetDesc preset;
  if (!o.preset.empty() && !FindPreset(unit->FactoryPresets(), o.preset, preset, error)) return Fail(kExitUsage, error);

  // State first, then the preset, then single parameters; then let the unit's
  // idle timer report its latency.
  auto applySettings = [&](HostedUnit& u, int& code) {
    if (!o.loadState.empty() && !LoadStateFile(u, component, o.loadState, error)) return code = kExitState, false;
    if (!o.preset.empty() && !u.ApplyPreset(preset, error)) return code = kExitFailure, false;
    for (const auto& [id, v] : sets)
      if (!u.SetParameter(id, v)) {
        error = "the component refused the value " + std::to_string(v) + " for parameter " + std::to_string(id);
        return code = kExitFailure, false;
      }
    u.Idle(kSettleSeconds);
    return true;
  };
  int code = kExitOk;
  if (!applySettings(*unit, code)) return Fail(code, error);
  plan.latency = unit->LatencySamples(in.sampleRate);
  if (!o.saveState.empty() && !SaveStateFile(*unit, o.saveState, error)) return Fail(kExitOutput, error);
  const std::vector<GainSegment> gains = GainsOf(*unit, plan.events);

  // Some hosts' units report their latency only with the first audio block:
  // when that changes it, start again on a fresh instance that knows it.
  RenderResult result;
  plan.stopOnFirstLatencyChange = true;
  if (!RenderOffline(*unit, in, plan, result, error)) return Fail(kExitFailure, error);
  if (result.reportedLatency >= 0) {
    plan.latency = result.reportedLatency;
    plan.stopOnFirstLatencyChange = false;
    unit.reset();
    unit = std::make_unique<HostedUnit>();
    if (!openUnit(*unit)) return Fail(kExitFailure, error);
    if (!applySettings(*unit, code)) return Fail(code, error);
    if (!RenderOffline(*unit, in, plan, result, error)) return Fail(kExitFailure, error);
  }
  unit->Idle(kSettleSeconds);
  const int latencyAfter = unit->LatencySamples(in.sampleRate);
  if (latencyAfter != plan.latency)
    std::fprintf(stderr,
                 "orbex9-host: note: the latency changed from %d to %d samples during the render; OUT is aligned "
                 "to the starting latency\n",
                 plan.latency, latencyAfter);

  if (!WriteSoundFile(o.outPath, result.output, error)) return Fail(kExitOutput, error);

  LevelReport report = MeasureLevels(in, result.output, gains);
  report.latencySamples = plan.latency;
  report.realtimeFactor = result.cpuSeconds > 0.0
                              ? static_cast<double>(result.renderedFrames) / in.sampleRate / result.cpuSeconds
                              : std::numeric_limits<double>::infinity();
  output = o.json ? ReportJson(report) : ReportText(report);
  return kExitOk;
}

}  // namespace orbexhost
