// `orbex9-host editor`: opens the unit's editor as an Audio Unit host does
// and shows it in a window until the person closes it, or, headless, plays
// a script of events on it and writes pictures of it.
#include "host/Commands.h"
#include "host/ComponentLoader.h"
#include "host/EditorScript.h"
#include "host/EditorView.h"
#include "host/HostedUnit.h"
#include "host/JsonText.h"
#include "host/LiveRender.h"
#include "host/MessageText.h"
#include "host/OfflineRender.h"
#include "host/OutputFile.h"
#include "host/PngFile.h"
#include "host/RunFiles.h"
#include "host/ScriptPlayer.h"
#include "host/SoundReader.h"
#include "host/StateFile.h"
#include "host/UnitSetup.h"

#include <AppKit/NSDesktop.h>
#include <AppKit/NSPanel.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <utility>

namespace orbexhost {

namespace {

// Without --input the unit runs at this rate, in stereo.
constexpr double kDefaultRate = 48000.0;
constexpr int kDefaultChannels = 2;
constexpr int kBlockFrames = 512;
// How long the window's loop lets the desktop wait for events per turn (ms).
constexpr int kDesktopTurnMs = 10;

// The scale the unit's editor opens at: its "GUI Scale" when it has one.
double EditorScaleOf(const HostedUnit& unit) {
  const ParamDesc* p = unit.FindParameter("GUI Scale");
  const double v = p ? unit.GetParameter(p->id) : 1.0;
  return std::isfinite(v) && v > 0.0 ? v : 1.0;
}

// Every file the run reads (the input, the state, the script, the presets
// the script opens) and writes (the state, the pictures). The presets are
// of one family: the editor may save a preset back over one it opened.
RunFiles FilesOf(const HostOptions& o, const EditorScript& script) {
  RunFiles files;
  files.Reads(o.inPath, "the input");
  files.Reads(o.loadState, "the state file", "state");
  // Standard input counts when it is a file.
  if (o.eventsPath == "-")
    files.Reads("/dev/stdin", "the script on standard input");
  else
    files.Reads(o.eventsPath, "the script");
  for (const ScriptEvent& e : script.events)
    if (e.kind == ScriptEvent::Kind::kOpen)
      files.Reads(e.text, "the preset file of line " + std::to_string(e.line), "preset");
  files.Writes(o.saveState, "the state file", "state");
  files.Writes(o.pngPath, "the picture", "picture");
  for (const ScriptEvent& e : script.events)
    if (e.kind == ScriptEvent::Kind::kPng)
      files.Writes(e.text, "the picture of line " + std::to_string(e.line), "picture",
                   ScriptLineError(script, e.line, ""));
  return files;
}

// While it lives, the editor's save panels, and its saves of a file it
// names itself ("Save as default"), refuse a file the run reads or writes
// (but a preset it opened), in the window and in a script alike.
class SavePanelCheck {
public:
  explicit SavePanelCheck(RunFiles files) {
    nsx::SetSaveCheck([files = std::move(files)](const std::string& path) { return files.UsedAs(path, "preset"); });
  }
  ~SavePanelCheck() { nsx::SetSaveCheck(nullptr); }
  SavePanelCheck(const SavePanelCheck&) = delete;
  SavePanelCheck& operator=(const SavePanelCheck&) = delete;
};

std::string ParameterJson(const HostedUnit& unit) {
  std::string json = "{\n  \"parameters\": {";
  bool first = true;
  for (const ParamDesc& p : unit.Parameters()) {
    json += (first ? "\n    " : ",\n    ") + JsonString(p.name) + ": " + JsonNumber(unit.GetParameter(p.id));
    first = false;
  }
  return json + "\n  }\n}\n";
}

// Shows the editor's window on the desktop until the person closes it; the
// main run loop's clock follows the real one meanwhile, and the unit renders
// in real time from startFrame on, as under a host whose transport stopped.
bool ShowUntilClosed(EditorView& view, LiveRender& live, int64_t startFrame, std::string& error) {
  if (!nsx::ShowOnDesktop(view.Window())) {
    error = "the editor's window could not be shown on the display";
    return false;
  }
  if (!live.Start(startFrame, error)) return false;
  auto last = std::chrono::steady_clock::now();
  while (nsx::IsOnDesktop(view.Window())) {
    nsx::PumpDesktop(kDesktopTurnMs);
    const auto now = std::chrono::steady_clock::now();
    if (!live.Healthy(error) || !view.Advance(std::chrono::duration<double>(now - last).count(), error))
      return false;
    last = now;
  }
  live.Stop();
  nsx::HideFromDesktop(view.Window());
  return true;
}

}  // namespace

int RunEditor(const HostOptions& o, std::string& output) {
  std::string error;
  int code = kExitOk;
  // The script is read and checked first: a bad one changes and writes
  // nothing, and neither does a run that would write over a file it reads.
  EditorScript script;
  const bool scripted = !o.eventsPath.empty();
  if (scripted && !ReadEditorScript(o.eventsPath, script, error)) return Fail(kExitUsage, error);
  RunFiles files = FilesOf(o, script);
  const std::string clash = files.Clash();
  if (!clash.empty()) return Fail(kExitUsage, clash);
  const SavePanelCheck saveCheck(std::move(files));
  if (scripted && !CheckScriptFiles(script, code, error)) return Fail(code, error);
  const bool headless = scripted || !o.pngPath.empty();
  if (!headless && !nsx::DesktopAvailable())
    return Fail(kExitUsage, "there is no display to show the editor on; give --png FILE or --events FILE to use it "
                            "without one");
  if (!o.pngPath.empty()) {
    const std::string why = OutputFile::Problem(o.pngPath, true);
    if (!why.empty()) return Fail(kExitOutput, "cannot write " + QuotePath(o.pngPath) + ": " + why);
  }
  OutputFile stateFile;
  if (!o.saveState.empty() && !OpenStateFile(stateFile, o.saveState, error)) return Fail(kExitOutput, error);

  SoundReader reader;
  double rate = kDefaultRate;
  int channels = kDefaultChannels;
  int64_t inputFrames = 0;
  if (!o.inPath.empty()) {
    if (!reader.Open(o.inPath, error)) return Fail(kExitInput, error);
    rate = reader.SampleRate();
    channels = reader.NumChannels();
    inputFrames = reader.NumFrames();
    if (o.atSeconds >= 0.0) {
      const double length = static_cast<double>(inputFrames) / rate;
      if (std::round(o.atSeconds * rate) > static_cast<double>(inputFrames)) {
        char buf[160];
        std::snprintf(buf, sizeof buf, "--at %g s is past the end of the input (%.3f s)", o.atSeconds, length);
        return Fail(kExitUsage, buf);
      }
      inputFrames = static_cast<int64_t>(std::round(o.atSeconds * rate));
    }
  }

  RegisterHostBundle(o.hostName);
  LoadedComponent component;
  if (!LoadComponent(o.componentPath.empty() ? DefaultComponentPath() : o.componentPath, o.useEntry, component, error))
    return Fail(kExitComponent, error);
  InputSource source;
  HostedUnit unit;
  if (!unit.Open(component.component, error) ||
      !unit.Configure(rate, channels, kBlockFrames, InputCallback, &source, error) || !unit.Initialize(error) ||
      !unit.LoadParameters(error))
    return Fail(kExitFailure, error);
  CompleteDescription(component, unit);
  UnitSetup setup;
  if (!setup.Resolve(o, unit, error)) return Fail(kExitUsage, error);
  if (!setup.Apply(unit, component, code, error)) return Fail(code, error);

  EditorView view;
  if (!view.Open(unit.Unit(), EditorScaleOf(unit), component.name, error)) return Fail(kExitFailure, error);
  if (o.scale > 0.0 && !view.DragToScale(o.scale, error)) return Fail(kExitFailure, error);

  // The input plays through the unit with the editor open, on the idle
  // clock, so the meters show its levels at --at. Headless, nothing more is
  // rendered: pictures and scripts show the editor as it was at --at.
  if (!o.inPath.empty()) {
    RenderPlan plan;
    plan.frames = inputFrames;
    plan.channels = channels;
    plan.sampleRate = rate;
    plan.blockSize = kBlockFrames;
    FileInput in(reader);
    DiscardOutput out;
    OfflineRenderer renderer(plan, source, in, out);
    RenderResult result;
    const RenderStatus status = renderer.Run(unit, 0, false, result, error);
    if (status == RenderStatus::kInputFailed) return Fail(kExitInput, error);
    if (status != RenderStatus::kDone) return Fail(kExitFailure, error);
    if (!view.Advance(0, error)) return Fail(kExitFailure, error);
  }

  // Pictures are put in place only once the whole run has succeeded.
  PictureFiles pictures;
  if (headless) {
    if (scripted) {
      ScriptPlayer player(view, pictures);
      if (!player.Play(script, code, error)) return Fail(code, error);
      if (player.UnusedAnswers() > 0)
        std::fprintf(stderr, "orbex9-host: note: %zu menu or file-panel answer(s) of the script were never asked for\n",
                     player.UnusedAnswers());
    }
    if (!o.pngPath.empty()) {
      std::vector<uint8_t> rgba;
      int w = 0, h = 0;
      if (!view.Picture(rgba, w, h, error)) return Fail(kExitFailure, error);
      if (!pictures.Add(o.pngPath, rgba, w, h, error)) return Fail(kExitOutput, error);
    }
  } else {
    LiveRender live(unit, source, channels, kBlockFrames, rate);
    if (!ShowUntilClosed(view, live, inputFrames, error)) return Fail(kExitFailure, error);
  }

  // The state and values as the editor leaves them, once it is closed.
  view.Close();
  if (!o.saveState.empty()) {
    std::string state;
    if (!CaptureState(unit, state, error) || !WriteStateFile(state, stateFile, o.saveState, error))
      return Fail(kExitOutput, error);
  }
  // The pictures are put in place first and the state after them.
  if (!pictures.Commit(error)) return Fail(kExitOutput, error);
  if (!o.saveState.empty() && !CommitStateFile(stateFile, o.saveState, error)) return Fail(kExitOutput, error);
  if (o.json) output = ParameterJson(unit);
  return kExitOk;
}

}  // namespace orbexhost
