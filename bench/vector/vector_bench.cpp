// Tessellation and text throughput on a back end that discards everything.
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>

#include "vector/FstashUtf8.h"
#include "vector/VGContext.h"

using namespace fx::gfx;

namespace {

int gTextures = 0;

VGrenderer nullRenderer() {
  VGrenderer r;
  std::memset(&r, 0, sizeof(r));
  r.edgeAntiAlias = 1;
  r.renderCreate = [](void*) { return 1; };
  r.renderCreateTexture = [](void*, int, int, int, int, const unsigned char*) { return ++gTextures; };
  r.renderDeleteTexture = [](void*, int) { return 1; };
  r.renderUpdateTexture = [](void*, int, int, int, int, int, const unsigned char*) { return 1; };
  r.renderGetTextureSize = [](void*, int, int* w, int* h) {
    *w = 512;
    *h = 512;
    return 1;
  };
  r.renderViewport = [](void*, float, float, float) {};
  r.renderCancel = [](void*) {};
  r.renderFlush = [](void*) {};
  r.renderFill = [](void*, VGpaint*, VGcompositeOperationState, VGscissor*, float, const float* b, const VGpath* p,
                    int n) { benchmark::DoNotOptimize(b[0] + static_cast<float>(n) + p[0].first); };
  r.renderStroke = [](void*, VGpaint*, VGcompositeOperationState, VGscissor*, float, float w, const VGpath* p,
                      int n) { benchmark::DoNotOptimize(w + static_cast<float>(n) + p[0].first); };
  r.renderTriangles = [](void*, VGpaint*, VGcompositeOperationState, VGscissor*, const VGvertex* v, int n, float) {
    benchmark::DoNotOptimize(n ? v[0].x : 0.0f);
  };
  return r;
}

struct Ctx {
  VGrenderer r = nullRenderer();
  VGcontext* ctx = vgrCreateContext(&r);
  ~Ctx() { vgrDeleteContext(ctx); }
};

void BM_FillRoundedRect(benchmark::State& state) {
  Ctx c;
  vgrBeginFrame(c.ctx, 1000, 270, 2);
  for (auto _ : state) {
    vgrBeginPath(c.ctx);
    vgrRoundedRect(c.ctx, 10, 10, 300, 120, 12);
    vgrFill(c.ctx);
  }
}
BENCHMARK(BM_FillRoundedRect);

void BM_StrokeArcRoundJoins(benchmark::State& state) {
  Ctx c;
  vgrBeginFrame(c.ctx, 1000, 270, 2);
  vgrSetStrokeWidth(c.ctx, 6);
  vgrSetLineJoin(c.ctx, VG_ROUND);
  vgrSetLineCap(c.ctx, VG_CAP_ROUND);
  for (auto _ : state) {
    vgrBeginPath(c.ctx);
    vgrArc(c.ctx, 100, 100, 60, 0.75f * 3.14159f, 2.25f * 3.14159f, VG_CW);
    for (int i = 0; i < 20; i++) vgrLineTo(c.ctx, 200.0f + i * 10, (i % 2) ? 50.0f : 90.0f);
    vgrStroke(c.ctx);
  }
}
BENCHMARK(BM_StrokeArcRoundJoins);

void BM_DrawCachedText(benchmark::State& state) {
  Ctx c;
  if (vgrCreateFontFromFile(c.ctx, "sans", "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf") < 0) {
    state.SkipWithError("test font missing");
    return;
  }
  vgrBeginFrame(c.ctx, 1000, 270, 2);
  vgrSetFontSize(c.ctx, 14);
  const char* text = "Ceiling -0.30 dBFS  Release 120 ms  Look Ahead Long";
  for (auto _ : state) benchmark::DoNotOptimize(vgrDrawText(c.ctx, 10, 40, text, nullptr));
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(std::strlen(text)));
}
BENCHMARK(BM_DrawCachedText);

void BM_DecodeUtf8(benchmark::State& state) {
  std::string s;
  for (int i = 0; i < 256; i++) s += "Gr\xC3\xBC\xC3\x9F\xE2\x82\xAC \xF0\x9F\x8E\xB5 ";
  for (auto _ : state) {
    uint32_t st = 0, cp = 0, sum = 0;
    for (unsigned char ch : s)
      if (!fstashDecodeUtf8(&st, &cp, ch)) sum += cp;
    benchmark::DoNotOptimize(sum);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(s.size()));
}
BENCHMARK(BM_DecodeUtf8);

}  // namespace

BENCHMARK_MAIN();
