#include "host/Commands.h"
#include "host/ComponentLoader.h"
#include "host/HostedUnit.h"
#include "host/JsonText.h"
#include "host/MessageText.h"
#include "host/OfflineRender.h"
#include "host/SoundFile.h"
#include "host/StateFile.h"

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace orbexhost {

namespace {

constexpr double kSettleSeconds = 0.1;
constexpr double kInfoRates[] = {44100.0, 48000.0};

struct LatencyRow {
  double rate = 0.0;
  std::string osMode, lookAhead;
  int samples = 0;
};

std::string Num(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%g", v);
  return buf;
}

std::string ItemText(const ParamDesc& p, double v) {
  const long i = std::lround(v);
  if (i >= 0 && static_cast<size_t>(i) < p.valueStrings.size()) return p.valueStrings[static_cast<size_t>(i)];
  return Num(v);
}

// Latency for every OS Mode and Look Ahead at each rate; the unit's values
// are put back afterwards.
// Some hosts' units report a new latency only from an audio block, so one
// block of silence is rendered before each reading.
std::vector<LatencyRow> MeasureLatencies(HostedUnit& unit, InputSource& source, int channels, std::string& error) {
  std::vector<LatencyRow> rows;
  const ParamDesc* os = unit.FindParameter("OS Mode");
  const ParamDesc* la = unit.FindParameter("Look Ahead");
  const double osWas = os ? unit.GetParameter(os->id) : 0.0;
  const double laWas = la ? unit.GetParameter(la->id) : 0.0;
  const int osCount = os ? static_cast<int>(os->maxValue - os->minValue) + 1 : 1;
  const int laCount = la ? static_cast<int>(la->maxValue - la->minValue) + 1 : 1;
  AudioData silence;
  silence.channels.assign(static_cast<size_t>(channels), std::vector<float>(512, 0.0f));
  DiscardOutput discard;
  for (const double rate : kInfoRates) {
    if (!unit.ChangeSampleRate(rate, channels, error)) return {};
    silence.sampleRate = rate;
    for (int a = 0; a < laCount; ++a)
      for (int m = 0; m < osCount; ++m) {
        if (os) unit.SetParameter(os->id, os->minValue + m);
        if (la) unit.SetParameter(la->id, la->minValue + a);
        unit.Idle(kSettleSeconds);
        RenderPlan plan;
        plan.frames = static_cast<int64_t>(silence.NumFrames());
        plan.channels = channels;
        plan.sampleRate = rate;
        MemoryInput in(silence);
        OfflineRenderer renderer(plan, source, in, discard);
        RenderResult ignored;
        if (renderer.Run(unit, 0, false, ignored, error) != RenderStatus::kDone) return {};
        LatencyRow r;
        r.rate = rate;
        r.osMode = os ? ItemText(*os, os->minValue + m) : "";
        r.lookAhead = la ? ItemText(*la, la->minValue + a) : "";
        r.samples = unit.LatencySamples(rate);
        rows.push_back(r);
      }
  }
  if (os) unit.SetParameter(os->id, osWas);
  if (la) unit.SetParameter(la->id, laWas);
  return rows;
}

}  // namespace

int RunInfo(const HostOptions& o, std::string& output) {
  std::string error;
  RegisterHostBundle(o.hostName);
  LoadedComponent component;
  if (!LoadComponent(o.componentPath.empty() ? DefaultComponentPath() : o.componentPath, o.useEntry, component, error))
    return Fail(kExitComponent, error);
  HostedUnit unit;
  InputSource source;
  if (!unit.Open(component.component, error) ||
      !unit.Configure(48000.0, 2, 512, InputCallback, &source, error) || !unit.Initialize(error) ||
      !unit.LoadParameters(error))
    return Fail(kExitFailure, error);
  CompleteDescription(component, unit);

  const auto configs = unit.ChannelConfigurations();
  const auto presets = unit.FactoryPresets();
  std::vector<std::string> defaultTexts;
  for (const ParamDesc& p : unit.Parameters()) defaultTexts.push_back(unit.DisplayText(p.id, p.defaultValue));
  const auto latencies = MeasureLatencies(unit, source, 2, error);
  if (!error.empty()) return Fail(kExitFailure, error);

  std::string s;
  if (o.json) {
    s = "{\"name\": " + JsonString(component.name) + ", \"maker\": " + JsonString(component.maker) +
        ", \"version\": " + JsonString(VersionText(component.version)) + ", \"channel_configurations\": [";
    for (size_t i = 0; i < configs.size(); ++i)
      s += std::string(i ? ", " : "") + "{\"inputs\": " + std::to_string(configs[i].first) +
           ", \"outputs\": " + std::to_string(configs[i].second) + "}";
    s += "], \"parameters\": [";
    const auto& params = unit.Parameters();
    for (size_t i = 0; i < params.size(); ++i) {
      const ParamDesc& p = params[i];
      s += std::string(i ? ", " : "") + "{\"index\": " + std::to_string(p.id) + ", \"name\": " + JsonString(p.name) +
           ", \"unit\": " + JsonString(p.unitText) + ", \"min\": " + JsonNumber(p.minValue) +
           ", \"max\": " + JsonNumber(p.maxValue) + ", \"default\": " + JsonNumber(p.defaultValue) +
           ", \"default_text\": " + JsonString(defaultTexts[i]) +
           ", \"automatable\": " + (p.automatable ? "true" : "false") + ", \"values\": [";
      for (size_t k = 0; k < p.valueStrings.size(); ++k) s += std::string(k ? ", " : "") + JsonString(p.valueStrings[k]);
      s += "]}";
    }
    s += "], \"presets\": [";
    for (size_t i = 0; i < presets.size(); ++i)
      s += std::string(i ? ", " : "") + "{\"number\": " + std::to_string(presets[i].number) +
           ", \"name\": " + JsonString(presets[i].name) + "}";
    s += "], \"latency\": [";
    for (size_t i = 0; i < latencies.size(); ++i)
      s += std::string(i ? ", " : "") + "{\"sample_rate\": " + JsonNumber(latencies[i].rate) +
           ", \"os_mode\": " + JsonString(latencies[i].osMode) + ", \"look_ahead\": " +
           JsonString(latencies[i].lookAhead) + ", \"samples\": " + std::to_string(latencies[i].samples) + "}";
    s += "]}\n";
  } else {
    s = component.name + (component.maker.empty() ? "" : " by " + component.maker) + ", version " +
        VersionText(component.version) + "\n";
    s += "channel configurations (in-out):";
    for (const auto& [ins, outs] : configs) {
      s += ' ';
      s += std::to_string(ins);
      s += '-';
      s += std::to_string(outs);
    }
    s += "\n\nparameters:\n";
    char line[512];
    for (size_t i = 0; i < unit.Parameters().size(); ++i) {
      const ParamDesc& p = unit.Parameters()[i];
      std::string range;
      if (!p.valueStrings.empty()) {
        for (size_t k = 0; k < p.valueStrings.size(); ++k) {
          if (k > 0) range += " | ";
          range += p.valueStrings[k];
        }
      } else {
        range = Num(p.minValue) + " .. " + Num(p.maxValue) + (p.unitText.empty() ? "" : " " + p.unitText);
      }
      std::snprintf(line, sizeof line, "  %2u  %-20s %-34s default %s (\"%s\")%s\n", static_cast<unsigned>(p.id),
                    p.name.c_str(), range.c_str(), Num(p.defaultValue).c_str(), defaultTexts[i].c_str(),
                    p.automatable ? "" : ", not automatable");
      s += line;
    }
    s += "\nfactory presets:\n";
    for (const PresetDesc& p : presets) s += "  " + std::to_string(p.number) + "  " + p.name + "\n";
    s += "\nlatency (samples):\n";
    for (const LatencyRow& r : latencies) {
      std::snprintf(line, sizeof line, "  %7.1f kHz  OS Mode %-4s Look Ahead %-6s %6d\n", r.rate / 1000.0,
                    r.osMode.c_str(), r.lookAhead.c_str(), r.samples);
      s += line;
    }
  }
  output = std::move(s);
  return kExitOk;
}

}  // namespace orbexhost
