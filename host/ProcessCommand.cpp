#include "host/Commands.h"
#include "host/ComponentLoader.h"
#include "host/HostedUnit.h"
#include "host/LevelReport.h"
#include "host/MessageText.h"
#include "host/OfflineRender.h"
#include "host/OutputFormat.h"
#include "host/RunFiles.h"
#include "host/SettingSources.h"
#include "host/SoundFile.h"
#include "host/SoundReader.h"
#include "host/SoundWriter.h"
#include "host/StateFile.h"
#include "host/UnitSetup.h"

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

// OUT measured for the report and written, a block at a time.
class MeasuredOutput : public RenderOutput {
public:
  MeasuredOutput(SoundWriter& writer, LevelMeter& meter) : mWriter(writer), mMeter(meter) {}
  bool Write(const float* const* in, const float* const* out, size_t n, std::string& error) override {
    mMeter.Add(in, out, n);
    return mWriter.Write(out, n, error);
  }

private:
  SoundWriter& mWriter;
  LevelMeter& mMeter;
};

int RenderFailure(RenderStatus status) {
  switch (status) {
    case RenderStatus::kInputFailed: return kExitInput;
    case RenderStatus::kOutputFailed: return kExitOutput;
    default: return kExitFailure;
  }
}

}  // namespace

int RunProcess(const HostOptions& o, std::string& output) {
  std::string error;
  if (OutputFormatForPath(o.outPath, error) == 0) return Fail(kExitOutput, error);
  // Refuse what would destroy a file the user still needs, and what cannot
  // be written, before any time goes into the render.
  RunFiles files;
  files.Reads(o.inPath, "IN");
  files.Reads(o.loadState, "the state file", "state");
  files.Writes(o.outPath, "OUT");
  files.Writes(o.saveState, "the state file", "state");
  const std::string clash = files.Clash();
  if (!clash.empty()) return Fail(kExitOutput, clash);
  OutputFile stateFile;
  if (!o.saveState.empty() && !OpenStateFile(stateFile, o.saveState, error)) return Fail(kExitOutput, error);

  SoundReader reader;
  if (!reader.Open(o.inPath, error)) return Fail(kExitInput, error);
  const double rate = reader.SampleRate();
  const int channels = reader.NumChannels();
  // OUT is started now (a temporary file until the render is complete), so a
  // place or type it cannot take fails before the render.
  SoundWriter writer;
  if (!writer.Open(o.outPath, rate, channels, reader.NumFrames(), error)) return Fail(kExitOutput, error);

  RegisterHostBundle(o.hostName);
  LoadedComponent component;
  if (!LoadComponent(o.componentPath.empty() ? DefaultComponentPath() : o.componentPath, o.useEntry, component, error))
    return Fail(kExitComponent, error);

  InputSource source;
  const int maxFrames = o.randomBlocks ? kMaxRandomBlock : o.blockSize;
  auto unit = std::make_unique<HostedUnit>();
  auto openUnit = [&](HostedUnit& u) {
    return u.Open(component.component, error) &&
           u.Configure(rate, channels, maxFrames, InputCallback, &source, error) && u.Initialize(error) &&
           u.LoadParameters(error);
  };
  if (!openUnit(*unit)) return Fail(kExitFailure, error);
  CompleteDescription(component, *unit);
  SettingSources sources(*unit);
  sources.NoteDefaultPreset(*unit, DefaultPresetPath(component.name));

  // Resolve every name and value before anything is applied.
  UnitSetup setup;
  if (!setup.Resolve(o, *unit, error)) return Fail(kExitUsage, error);
  RenderPlan plan;
  plan.frames = reader.NumFrames();
  plan.channels = channels;
  plan.sampleRate = rate;
  plan.blockSize = maxFrames;
  plan.randomBlocks = o.randomBlocks;
  plan.seed = o.seed;
  const double duration = static_cast<double>(plan.frames) / rate;
  for (const AutomationPoint& a : o.automation) {
    const ParamDesc* p = unit->FindParameter(a.name);
    if (p == nullptr)
      return Fail(kExitUsage, "unknown parameter " + Quote(a.name) + " in --automate (see 'orbex9-host info')");
    if (!p->automatable) return Fail(kExitUsage, p->name + " cannot be automated (set it with --set)");
    double v = 0.0;
    if (!unit->ParseValue(*p, a.value, v, error)) return Fail(kExitUsage, error);
    const double frame = std::round(a.seconds * rate);
    if (frame > static_cast<double>(plan.frames)) {
      char buf[160];
      std::snprintf(buf, sizeof buf, "--automate time %g s is past the end of IN (%.3f s)", a.seconds, duration);
      return Fail(kExitUsage, buf);
    }
    plan.events.push_back({static_cast<int64_t>(frame), p->id, v});
  }
  std::stable_sort(plan.events.begin(), plan.events.end(),
                   [](const AutomationEvent& a, const AutomationEvent& b) { return a.frame < b.frame; });
  // State first, then the preset, then single parameters; then let the unit's
  // idle timer report its latency.
  int code = kExitOk;
  if (!setup.Apply(*unit, component, code, error)) return Fail(code, error);
  if (!o.loadState.empty()) sources.NoteAll("state", o.loadState);
  if (!o.preset.empty()) sources.NoteAll("preset", setup.Preset().name);
  for (const auto& set : setup.Values()) sources.Note(set.first, "set");
  // Points at 0 s are in force from the render's first frame: they are part
  // of the state the render starts from, and so of the state saved. (The
  // renderer sets them again before its first call, to the same values.)
  for (const AutomationEvent& e : plan.events)
    if (e.frame == 0) unit->SetParameter(e.id, e.value);
  int latency = unit->LatencySamples(rate);
  std::string state;
  if (!o.saveState.empty() && !CaptureState(*unit, state, error)) return Fail(kExitOutput, error);
  std::vector<ParamSetting> settings = sources.Describe(*unit, plan.events);

  LevelMeter meter(channels, rate, GainsOf(*unit, plan.events));
  FileInput input(reader);
  MeasuredOutput measured(writer, meter);
  OfflineRenderer renderer(plan, source, input, measured);
  // Some hosts' units report their latency only with the first audio block:
  // when that changes it, start again on a fresh instance that knows it.
  RenderResult result;
  RenderStatus status = renderer.Run(*unit, latency, true, result, error);
  if (status == RenderStatus::kLatencyChanged) {
    latency = result.reportedLatency;
    unit.reset();
    unit = std::make_unique<HostedUnit>();
    if (!openUnit(*unit)) return Fail(kExitFailure, error);
    if (!setup.Apply(*unit, component, code, error)) return Fail(code, error);
    status = renderer.Run(*unit, latency, false, result, error);
  }
  if (status != RenderStatus::kDone) return Fail(RenderFailure(status), error);
  unit->Idle(kSettleSeconds);
  const int latencyAfter = unit->LatencySamples(rate);
  if (latencyAfter != latency)
    std::fprintf(stderr,
                 "orbex9-host: note: the latency changed from %d to %d samples during the render; OUT is aligned "
                 "to the starting latency\n",
                 latency, latencyAfter);

  // OUT and the state are both complete before either replaces a file; then
  // OUT is put in place and the state after it, so a failure on the way
  // replaces neither.
  if (!writer.Finish(error)) return Fail(kExitOutput, error);
  if (!o.saveState.empty() && !WriteStateFile(state, stateFile, o.saveState, error)) return Fail(kExitOutput, error);
  if (!writer.Commit(error)) return Fail(kExitOutput, error);
  if (!o.saveState.empty() && !CommitStateFile(stateFile, o.saveState, error)) return Fail(kExitOutput, error);

  LevelReport report = meter.Finish();
  report.settings = std::move(settings);
  report.latencySamples = latency;
  report.realtimeFactor = result.cpuSeconds > 0.0
                              ? static_cast<double>(result.renderedFrames) / rate / result.cpuSeconds
                              : std::numeric_limits<double>::infinity();
  output = o.json ? ReportJson(report) : ReportText(report);
  return kExitOk;
}

}  // namespace orbexhost
