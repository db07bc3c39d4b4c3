// The limiter's editor as its view factory opens it: the plug-in's editor delegate makes the
// macOS graphics object and runs the product's layout, which loads the bitmaps and fonts of the
// built component's bundle. Measured: the time from asking for the editor to its first frame on
// the drawable (closing it is not counted); a full frame (every control dirty); a meters-only
// frame (what one idle tick moves after a block of loud audio: the needles and readouts). Each
// frame runs through the graphics core, the vector renderer, the Metal renderer and the copy
// presented to the view's drawable, waited for until done. At scale 1 (1000 x 270) and 2 on a
// backing-scale-1 screen (at 2 the 1x artwork is magnified), and at scale 1 on a Retina screen
// (backing scale 2: 2000 x 540 pixels, the @2x artwork drawn at its own size).
#include <benchmark/benchmark.h>

#include <AppKit/NSScreen.h>

#include <CoreFoundation/CFBundleRegistry.h>
#include <CoreFoundation/CFManualClock.h>

#include <cmath>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "graphics/IGfx.h"
#include "graphics/mac/IGfxMac.h"
#include "graphics/mac/IGfxView.h"
#include "graphics/mac/MVGRenderer.h"
#include "plugin/ORBEX9.h"

namespace {

using namespace fx::gfx;

constexpr int kBlock = 512;

std::unique_ptr<ORBEX9> MakePlug(double scale)
{
  // The bundle holds the executable in Contents/MacOS.
  static const bool registered =
    cfx::RegisterBundleAtPath(
      std::filesystem::path(ORBEX9_EXECUTABLE).parent_path().parent_path().parent_path().string().c_str()) != nullptr;
  (void)registered;
  fx::IAUCreateInfo info;
  info.mCocoaViewName.Set("ORBEX9_View");
  auto plug = std::make_unique<ORBEX9>(info);
  plug->SetChannelConnections(fx::kInput, 0, 2, true);
  plug->SetChannelConnections(fx::kOutput, 0, 2, true);
  plug->SetSampleRate(48000.0);
  plug->SetBlockSize(kBlock);
  plug->OnReset();
  plug->GetParam(kGUIScale)->Set(scale);
  plug->OnParamChange(kGUIScale, fx::kUI);
  return plug;
}

// Draws what is dirty and waits until the drawable has it.
void Frame(IGfxView_vORBEX9_au* view, fx::gfx::IGfx* gfx)
{
  view->render();
  MTLCommandBuffer* cb = mvgrCommandQueue(static_cast<VGcontext*>(gfx->GetDrawContext()))->commandBuffer();
  cb->commit();
  cb->waitUntilCompleted();
  cb->release();
}

struct OpenEditor
{
  ORBEX9& plug;
  IGfxView_vORBEX9_au* view;
  fx::gfx::IGfx* gfx;

  explicit OpenEditor(ORBEX9& p)
    : plug(p)
    , view(static_cast<IGfxView_vORBEX9_au*>(p.OpenWindow(nullptr)))
    , gfx(static_cast<fx::gfx::IGfx*>(p.GetUI()))
  {
  }
  ~OpenEditor() { plug.CloseWindow(); }
  bool Valid() const { return view != nullptr && gfx != nullptr; }
};

std::string SizeLabel(int scale) { return std::to_string(1000 * scale) + "x" + std::to_string(270 * scale); }

// The main screen for one benchmark: Retina (backing scale 2) while it lives, then back to 1.
struct RetinaScreen
{
  RetinaScreen() { nsx::SetMainScreen(NSMakeSize(1920, 1080), 2.0); }
  ~RetinaScreen() { nsx::SetMainScreen(NSMakeSize(1920, 1080), 1.0); }
};

constexpr const char* kRetinaLabel = "retina: scale 1 on backing scale 2, 2000x540 pixels, @2x art";

void OpenEditorRuns(benchmark::State& state, int scale)
{
  auto plug = MakePlug(static_cast<double>(scale));
  for (auto _ : state)
  {
    auto* view = static_cast<IGfxView_vORBEX9_au*>(plug->OpenWindow(nullptr));
    auto* gfx = static_cast<fx::gfx::IGfx*>(plug->GetUI());
    if (view == nullptr || gfx == nullptr)
    {
      state.SkipWithError("the editor did not open");
      break;
    }
    Frame(view, gfx);
    state.PauseTiming();
    plug->CloseWindow();
    state.ResumeTiming();
  }
}

void FullFrameRuns(benchmark::State& state, int scale)
{
  auto plug = MakePlug(static_cast<double>(scale));
  OpenEditor editor(*plug);
  if (!editor.Valid()) return state.SkipWithError("the editor did not open");
  Frame(editor.view, editor.gfx);
  for (auto _ : state)
  {
    editor.gfx->SetAllControlsDirty();
    Frame(editor.view, editor.gfx);
  }
}

// Loud audio, then one idle tick that moves the meters; the frame draws what they changed.
void MetersOnlyFrameRuns(benchmark::State& state, int scale)
{
  auto plug = MakePlug(static_cast<double>(scale));
  OpenEditor editor(*plug);
  if (!editor.Valid()) return state.SkipWithError("the editor did not open");
  Frame(editor.view, editor.gfx);
  std::vector<double> l(kBlock), r(kBlock), ol(kBlock), orr(kBlock);
  long sample = 0;
  for (auto _ : state)
  {
    state.PauseTiming();
    // A tone whose level swings by 12 dB over a second, so the needles never rest.
    for (int i = 0; i < kBlock; ++i, ++sample)
    {
      const double t = sample / 48000.0;
      const double level = std::pow(10.0, (-12.0 + 6.0 * (1.0 + std::sin(2.0 * M_PI * t))) / 20.0);
      l[i] = r[i] = level * std::sin(2.0 * M_PI * 440.0 * t);
    }
    double* in[2] = {l.data(), r.data()};
    double* out[2] = {ol.data(), orr.data()};
    plug->ProcessBlock(in, out, kBlock);
    plug->OnIdle();
    state.ResumeTiming();
    Frame(editor.view, editor.gfx);
  }
}

void BM_OpenEditor(benchmark::State& state)
{
  OpenEditorRuns(state, static_cast<int>(state.range(0)));
  state.SetLabel(SizeLabel(static_cast<int>(state.range(0))));
}

void BM_FullFrame(benchmark::State& state)
{
  FullFrameRuns(state, static_cast<int>(state.range(0)));
  state.SetLabel(SizeLabel(static_cast<int>(state.range(0))));
}

void BM_MetersOnlyFrame(benchmark::State& state)
{
  MetersOnlyFrameRuns(state, static_cast<int>(state.range(0)));
  state.SetLabel(SizeLabel(static_cast<int>(state.range(0))));
}

void BM_RetinaOpenEditor(benchmark::State& state)
{
  RetinaScreen screen;
  OpenEditorRuns(state, 1);
  state.SetLabel(kRetinaLabel);
}

void BM_RetinaFullFrame(benchmark::State& state)
{
  RetinaScreen screen;
  FullFrameRuns(state, 1);
  state.SetLabel(kRetinaLabel);
}

void BM_RetinaMetersOnlyFrame(benchmark::State& state)
{
  RetinaScreen screen;
  MetersOnlyFrameRuns(state, 1);
  state.SetLabel(kRetinaLabel);
}

BENCHMARK(BM_OpenEditor)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FullFrame)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_MetersOnlyFrame)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_RetinaOpenEditor)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_RetinaFullFrame)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_RetinaMetersOnlyFrame)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
