// Realtime factor of the engine's block processing for every OS Mode, Look
// Ahead and Auto Release setting; memory of one configured instance; time of
// one configuration.
//
//   bench_engine                                  all measurements (about a minute)
//   bench_engine --benchmark_filter=Process/fs:48000
//   bench_engine --benchmark_filter=ProcessBaseline    the per-sample pass without AVX2

#include "bench/engine/Programme.h"
#include "plugin/dsp/LimiterEngine.h"

#include <benchmark/benchmark.h>

#include <malloc.h>

#include <cmath>
#include <memory>
#include <random>
#include <vector>

namespace {

constexpr int kBlock = 512;

void Process(benchmark::State& state)
{
  const double fs = static_cast<double>(state.range(0));
  const int os = static_cast<int>(state.range(1));
  const int lookAhead = static_cast<int>(state.range(2));
  const int autoRelease = static_cast<int>(state.range(3));

  LimiterEngine e;
  e.SetParam(kOSMode, os);
  e.SetParam(kLookAhead, lookAhead);
  e.SetParam(kAutoRelease, autoRelease);
  e.SetParam(kGain, 12.0);
  e.SetParam(kCeiling, -0.1);
  if (e.Prepare(fs, kBlock) != LimiterEngine::EStatus::kOK)
  {
    state.SkipWithError("configuration failed");
    return;
  }
  const std::vector<double>& srcL = benchsignal::Programme(0);
  const std::vector<double>& srcR = benchsignal::Programme(1);
  std::vector<double> l(kBlock), r(kBlock);
  size_t pos = 0;
  double minGain = 1.0;
  for (auto _ : state)
  {
    if (pos + kBlock > srcL.size())
      pos = 0;
    std::copy(srcL.begin() + pos, srcL.begin() + pos + kBlock, l.begin());
    std::copy(srcR.begin() + pos, srcR.begin() + pos + kBlock, r.begin());
    pos += kBlock;
    double* io[2] = {l.data(), r.data()};
    e.ProcessBlock(io, io, kBlock, 2, 2);
    benchmark::DoNotOptimize(l.data());
    minGain = std::min(minGain, e.MeterOutput(LimiterMeters::kGrLHold));
  }
  state.counters["realtime_x"] =
    benchmark::Counter(kBlock / fs, benchmark::Counter::kIsIterationInvariantRate);
  state.counters["max_GR_dB"] = -20.0 * std::log10(minGain);
}

void ProcessArgs(benchmark::internal::Benchmark* b)
{
  b->ArgNames({"fs", "os", "long", "auto"});
  for (int fs : {44100, 48000})
    for (int os = 0; os <= 4; ++os)
      for (int la = 0; la <= 1; ++la)
        for (int ar = 0; ar <= 1; ++ar)
          b->Args({fs, os, la, ar});
}

BENCHMARK(Process)->Apply(ProcessArgs)->MinTime(0.15)->Unit(benchmark::kMicrosecond);

// The same at 48 kHz with the per-sample pass in its baseline build (what a
// processor without AVX2 runs; on one with it, Process above uses the AVX2 build).
void ProcessBaseline(benchmark::State& state)
{
  LimiterEngine::AllowWideKernels(false);
  Process(state);
  LimiterEngine::AllowWideKernels(true);
}

void ProcessBaselineArgs(benchmark::internal::Benchmark* b)
{
  b->ArgNames({"fs", "os", "long", "auto"});
  for (int os = 0; os <= 4; ++os)
    for (int la = 0; la <= 1; ++la)
      for (int ar = 0; ar <= 1; ++ar)
        b->Args({48000, os, la, ar});
}

BENCHMARK(ProcessBaseline)->Apply(ProcessBaselineArgs)->MinTime(0.15)->Unit(benchmark::kMicrosecond);

size_t HeapInUse()
{
  const struct mallinfo2 mi = mallinfo2();
  return mi.uordblks + mi.hblkhd;
}

// Heap held by one configured instance (oversampler set, rows, rings).
void InstanceMemory(benchmark::State& state)
{
  const int block = static_cast<int>(state.range(0));
  size_t bytes = 0;
  for (auto _ : state)
  {
    // Warm the process-wide filter and FFT caches so only the instance counts.
    {
      LimiterEngine warm;
      warm.Prepare(48000, block);
    }
    const size_t before = HeapInUse();
    auto e = std::make_unique<LimiterEngine>();
    e->Prepare(48000, block);
    bytes = HeapInUse() - before;
    benchmark::DoNotOptimize(e.get());
  }
  state.counters["MiB"] = static_cast<double>(bytes) / (1024.0 * 1024.0);
}
BENCHMARK(InstanceMemory)->Arg(512)->Arg(4096)->Iterations(1)->Unit(benchmark::kMillisecond);

// A full rebuild for a new format (new converters; filter caches warm).
void PrepareNewFormat(benchmark::State& state)
{
  LimiterEngine e;
  int k = 0;
  for (auto _ : state)
    e.Prepare(k++ % 2 ? 44100.0 : 48000.0, 512);
}
BENCHMARK(PrepareNewFormat)->Unit(benchmark::kMillisecond)->MinTime(0.5);

// ConfigureProcessing with an unchanged format (the OS Mode / Look Ahead path).
void ConfigureSameFormat(benchmark::State& state)
{
  LimiterEngine e;
  e.Prepare(48000, 512);
  for (auto _ : state)
    benchmark::DoNotOptimize(e.ConfigureProcessing());
}
BENCHMARK(ConfigureSameFormat)->Unit(benchmark::kMicrosecond)->MinTime(0.2);

} // namespace

BENCHMARK_MAIN();
