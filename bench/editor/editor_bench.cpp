// Frames of an editor laid out like the product's (a 1000 x 270 background bitmap, ten knobs
// from film strips with their value texts, two VU meters with needles and glass, eight
// switches), opened headless in its Cocoa view: a full redraw (every control dirty), a
// one-control redraw (one knob) and a meters-only redraw (both needles move), each through
// the graphics core, the vector renderer, the Metal renderer and the copy presented to the
// drawable, waited for until the frame is done. At draw scale 1 (1000 x 270 pixels) and 2
// (2000 x 540).
//
// ORBEX_BENCH_ITERATIONS=N runs every benchmark exactly N times (for instruction counts
// under callgrind: the difference between two counts over the difference of N is one frame).
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "core/IGEditorDelegate.h"
#include "graphics/IControl.h"
#include "graphics/mac/IGfxMac.h"
#include "graphics/mac/IGfxView.h"
#include "graphics/mac/MVGRenderer.h"

namespace {

using namespace fx::gfx;

std::string Resource(const char* name) { return std::string(ORBEX_EDITOR_RESOURCES) + name; }

class Delegate : public IGEditorDelegate
{
public:
  Delegate() : IGEditorDelegate(0) {}
  void BeginInformHostOfParamChangeFromUI(int) override {}
  void EndInformHostOfParamChangeFromUI(int) override {}
};

class Picture : public IControl
{
public:
  Picture(const IRECT& r, IBitmap bitmap) : IControl(r), mBitmap(std::move(bitmap)) {}
  void Draw(IGfx& g) override { g.DrawBitmap(mBitmap, GetRECT(), 0, 0); }

private:
  IBitmap mBitmap;
};

// A film-strip knob with its value below.
class Knob : public IControl
{
public:
  Knob(const IRECT& r, IBitmap strip, double value) : IControl(r), mStrip(std::move(strip)) { SetValue(value); }
  void Draw(IGfx& g) override
  {
    const IRECT& r = GetRECT();
    const IRECT face(r.L, r.T, r.L + mStrip.FW(), r.T + mStrip.FH());
    g.DrawBitmapFrame(mStrip, face, 1 + static_cast<int>(0.5 + GetValue() * (mStrip.N() - 1)));
    char text[16];
    std::snprintf(text, sizeof(text), "%.1f dB", GetValue() * 24.0 - 12.0);
    g.DrawText(IText(12.f, IColor(255, 230, 230, 230), "Roboto-Regular"), text, IRECT(r.L - 10, face.B, r.R + 10, r.B));
  }

private:
  IBitmap mStrip;
};

class Meter : public IControl
{
public:
  Meter(const IRECT& r, IBitmap base, IBitmap needle, IBitmap glass)
    : IControl(r), mBase(std::move(base)), mNeedle(std::move(needle)), mGlass(std::move(glass))
  {
    SetValue(0.6);
  }
  void Draw(IGfx& g) override
  {
    g.DrawBitmap(mBase, GetRECT(), 0, 0);
    g.DrawBitmapFrame(mNeedle, GetRECT(), 1 + static_cast<int>(0.5 + GetValue() * (mNeedle.N() - 1)));
    g.DrawBitmap(mGlass, GetRECT(), 0, 0);
  }

private:
  IBitmap mBase, mNeedle, mGlass;
};

class Switch : public IControl
{
public:
  Switch(const IRECT& r, IBitmap strip) : IControl(r), mStrip(std::move(strip)) {}
  void Draw(IGfx& g) override { g.DrawBitmapFrame(mStrip, GetRECT(), 1); }

private:
  IBitmap mStrip;
};

struct Editor
{
  Delegate delegate;
  std::unique_ptr<IGfxMac> gfx;
  IGfxView_vORBEX9_au* view = nullptr;
  IControl* oneKnob = nullptr;
  std::vector<IControl*> meters;

  explicit Editor(float scale)
  {
    gfx = std::make_unique<IGfxMac>(delegate, 1000, 270, 60, scale);
    delegate.SetLayoutFunc([this](IGfx* g) {
      g->LoadFont("Roboto-Regular", Resource("Roboto-Regular.ttf").c_str());
      g->AttachControl(new Picture(g->GetBounds(), g->LoadBitmap(Resource("background.png").c_str())));
      const IBitmap big = g->LoadBitmap(Resource("Knob_big.png").c_str(), 51);
      const IBitmap small = g->LoadBitmap(Resource("Knob_small.png").c_str(), 51);
      for (int i = 0; i < 10; ++i)
      {
        const IBitmap& strip = i < 4 ? big : small;
        const float x = 230.f + i * 58.f, y = i < 4 ? 60.f : 150.f;
        IControl* knob = g->AttachControl(new Knob(IRECT(x, y, x + strip.FW(), y + strip.FH() + 18.f), strip, i / 9.0));
        if (i == 5) oneKnob = knob;
      }
      const IBitmap base = g->LoadBitmap(Resource("VUbase.png").c_str());
      const IBitmap needle = g->LoadBitmap(Resource("VUneedle.png").c_str(), 51);
      const IBitmap glass = g->LoadBitmap(Resource("VUglass.png").c_str());
      for (float x : {20.f, 792.f})
        meters.push_back(g->AttachControl(new Meter(IRECT(x, 75, x + 188, 195), base, needle, glass)));
      const IBitmap button = g->LoadBitmap(Resource("buttonOS.png").c_str(), 2);
      for (int i = 0; i < 8; ++i)
      {
        const float x = 240.f + i * 60.f;
        g->AttachControl(new Switch(IRECT(x, 228, x + button.FW(), 228 + button.FH()), button));
      }
    });
    view = static_cast<IGfxView_vORBEX9_au*>(gfx->OpenWindow(nullptr));
  }
  ~Editor() { gfx->CloseWindow(); }

  // One frame of the view's timer, waited for until the drawable has it.
  void Frame()
  {
    view->render();
    MTLCommandBuffer* cb = mvgrCommandQueue(static_cast<VGcontext*>(gfx->GetDrawContext()))->commandBuffer();
    cb->commit();
    cb->waitUntilCompleted();
    cb->release();
  }
};

void BM_FullRedraw(benchmark::State& state)
{
  Editor editor(static_cast<float>(state.range(0)));
  for (auto _ : state)
  {
    editor.gfx->SetAllControlsDirty();
    editor.Frame();
  }
  state.SetLabel(std::to_string(1000 * state.range(0)) + "x" + std::to_string(270 * state.range(0)));
}

void BM_OneControlRedraw(benchmark::State& state)
{
  Editor editor(static_cast<float>(state.range(0)));
  editor.Frame();
  double v = 0.0;
  for (auto _ : state)
  {
    v = v > 0.9 ? 0.0 : v + 0.05;
    editor.oneKnob->SetValue(v);
    editor.oneKnob->SetDirty(false);
    editor.Frame();
  }
  state.SetLabel(std::to_string(1000 * state.range(0)) + "x" + std::to_string(270 * state.range(0)));
}

void BM_MetersRedraw(benchmark::State& state)
{
  Editor editor(static_cast<float>(state.range(0)));
  editor.Frame();
  double v = 0.0;
  for (auto _ : state)
  {
    v = v > 0.9 ? 0.0 : v + 0.05;
    for (IControl* meter : editor.meters)
    {
      meter->SetValue(v);
      meter->SetDirty(false);
    }
    editor.Frame();
  }
  state.SetLabel(std::to_string(1000 * state.range(0)) + "x" + std::to_string(270 * state.range(0)));
}

void Configure(benchmark::internal::Benchmark* b)
{
  b->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();
  if (const char* n = std::getenv("ORBEX_BENCH_ITERATIONS"))
    if (std::atoi(n) > 0) b->Iterations(std::atoi(n));
}

BENCHMARK(BM_FullRedraw)->Apply(Configure);
BENCHMARK(BM_OneControlRedraw)->Apply(Configure);
BENCHMARK(BM_MetersRedraw)->Apply(Configure);

} // namespace

BENCHMARK_MAIN();
