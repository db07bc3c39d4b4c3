// Speed of the oversampling converters next to libsoxr (high-quality setting,
// one thread): mono up and down conversions and stereo up->down round trips in
// the limiter's 512-sample blocks, in base-rate samples per second. After the
// benchmarks a table gives the realtime factors and the ratio ours / soxr.

#include "bench/resampler/ResamplerBenchCommon.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <random>
#include <string>

using namespace rsmpbench;

namespace {

constexpr int kBlock = 512;

struct Setup
{
  double sr;
  double band;
};
const Setup kSetups[] = {{44100.0, 3.0}, {48000.0, 8.0}};
const int kFactors[] = {2, 4, 8, 16};

std::vector<double> Noise(size_t n, unsigned seed)
{
  std::mt19937 rng(seed);
  std::uniform_real_distribution<double> d(-0.5, 0.5);
  std::vector<double> x(n);
  for (double& v : x)
    v = d(rng);
  return x;
}

void OursUp(benchmark::State& st, Setup s, int k)
{
  rsmp::CDSPResampler24_44k up(s.sr, s.sr * k, kBlock, s.band, 136.32, 0);
  std::vector<double> x = Noise(kBlock, 1);
  for (auto _ : st)
  {
    double* op = nullptr;
    benchmark::DoNotOptimize(up.ProcessSamples(x.data(), kBlock, op));
    benchmark::DoNotOptimize(op);
  }
  st.SetItemsProcessed(st.iterations() * kBlock);
}

void OursDown(benchmark::State& st, Setup s, int k)
{
  rsmp::CDSPResampler24_44k dn(s.sr * k, s.sr, kBlock * k, s.band, 136.32, 0);
  std::vector<double> x = Noise(size_t(kBlock) * k, 2);
  for (auto _ : st)
  {
    double* op = nullptr;
    benchmark::DoNotOptimize(dn.ProcessSamples(x.data(), kBlock * k, op));
    benchmark::DoNotOptimize(op);
  }
  st.SetItemsProcessed(st.iterations() * kBlock);
}

// Both channels up, then both down, per block: the limiter's pattern.
void OursRoundTripStereo(benchmark::State& st, Setup s, int k)
{
  rsmp::CDSPResampler24_44k up[2] = {{s.sr, s.sr * k, kBlock, s.band, 136.32, 0},
                                     {s.sr, s.sr * k, kBlock, s.band, 136.32, 0}};
  rsmp::CDSPResampler24_44k dn[2] = {{s.sr * k, s.sr, kBlock * k, s.band, 136.32, 0},
                                     {s.sr * k, s.sr, kBlock * k, s.band, 136.32, 0}};
  std::vector<double> x[2] = {Noise(kBlock, 3), Noise(kBlock, 4)};
  for (auto _ : st)
    for (int c = 0; c < 2; ++c)
    {
      double* hi = nullptr;
      const int n = up[c].ProcessSamples(x[c].data(), kBlock, hi);
      double* lo = nullptr;
      benchmark::DoNotOptimize(dn[c].ProcessSamples(hi, n, lo));
      benchmark::DoNotOptimize(lo);
    }
  st.SetItemsProcessed(st.iterations() * kBlock);
}

void SoxrUp(benchmark::State& st, Setup s, int k)
{
  SoxrConverter up(s.sr, s.sr * k, SOXR_HQ, 0.0);
  std::vector<double> x = Noise(kBlock, 1), y(size_t(kBlock) * k + 256);
  for (auto _ : st)
    benchmark::DoNotOptimize(up.ProcessRaw(x.data(), kBlock, y.data(), y.size()));
  st.SetItemsProcessed(st.iterations() * kBlock);
}

void SoxrDown(benchmark::State& st, Setup s, int k)
{
  SoxrConverter dn(s.sr * k, s.sr, SOXR_HQ, 0.0);
  std::vector<double> x = Noise(size_t(kBlock) * k, 2), y(kBlock + 256);
  for (auto _ : st)
    benchmark::DoNotOptimize(dn.ProcessRaw(x.data(), size_t(kBlock) * k, y.data(), y.size()));
  st.SetItemsProcessed(st.iterations() * kBlock);
}

void SoxrRoundTripStereo(benchmark::State& st, Setup s, int k)
{
  SoxrConverter up(s.sr, s.sr * k, SOXR_HQ, 0.0, 2);
  SoxrConverter dn(s.sr * k, s.sr, SOXR_HQ, 0.0, 2);
  std::vector<double> x = Noise(2 * kBlock, 5), hi(2 * (size_t(kBlock) * k + 256)), lo(2 * (kBlock + 256));
  for (auto _ : st)
  {
    const size_t n = up.ProcessRaw(x.data(), kBlock, hi.data(), hi.size() / 2);
    benchmark::DoNotOptimize(dn.ProcessRaw(hi.data(), n, lo.data(), lo.size() / 2));
  }
  st.SetItemsProcessed(st.iterations() * kBlock);
}

std::string Name(const char* what, Setup s, int k, const char* who)
{
  char buf[96];
  std::snprintf(buf, sizeof(buf), "%s/%.0f/x%d/%s", what, s.sr, k, who);
  return buf;
}

// Console output as usual, and the items per second of every run kept.
class Collector : public benchmark::ConsoleReporter
{
public:
  std::map<std::string, double> rate;
  void ReportRuns(const std::vector<Run>& runs) override
  {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& r : runs)
    {
      auto it = r.counters.find("items_per_second");
      if (it != r.counters.end())
        rate[r.run_name.function_name] = it->second;
    }
  }
};

} // namespace

int main(int argc, char** argv)
{
  for (const Setup& s : kSetups)
    for (int k : kFactors)
    {
      const struct
      {
        const char* what;
        void (*ours)(benchmark::State&, Setup, int);
        void (*soxr)(benchmark::State&, Setup, int);
      } kinds[] = {{"up", OursUp, SoxrUp},
                   {"down", OursDown, SoxrDown},
                   {"stereo-roundtrip", OursRoundTripStereo, SoxrRoundTripStereo}};
      for (const auto& kind : kinds)
      {
        benchmark::RegisterBenchmark(Name(kind.what, s, k, "ours").c_str(), kind.ours, s, k)->MinTime(0.2);
        benchmark::RegisterBenchmark(Name(kind.what, s, k, "soxr").c_str(), kind.soxr, s, k)->MinTime(0.2);
      }
    }
  benchmark::Initialize(&argc, argv);
  Collector rep;
  benchmark::RunSpecifiedBenchmarks(&rep);
  benchmark::Shutdown();

  std::printf("\nRealtime factors (base-rate samples per second / rate), soxr %s high quality, one thread:\n",
              soxr_version());
  std::printf("%-18s %-6s %-4s %12s %12s %8s\n", "conversion", "rate", "k", "ours", "soxr", "ratio");
  for (const char* what : {"up", "down", "stereo-roundtrip"})
    for (const Setup& s : kSetups)
      for (int k : kFactors)
      {
        const auto a = rep.rate.find(Name(what, s, k, "ours"));
        const auto b = rep.rate.find(Name(what, s, k, "soxr"));
        if (a == rep.rate.end() || b == rep.rate.end())
          continue;
        std::printf("%-18s %-6.0f %-4d %11.1fx %11.1fx %8.2f\n", what, s.sr, k, a->second / s.sr,
                    b->second / s.sr, a->second / b->second);
      }
  return 0;
}
