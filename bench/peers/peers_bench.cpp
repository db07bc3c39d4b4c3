// The limiter against the open limiters a Linux user would pick instead, in one process on the
// same material: x42-dpl, LSP Limiter and Calf Limiter, loaded as LV2 plug-ins through lilv.
// Every one runs 48 kHz stereo in blocks of 512 frames of 32-bit floats, about 12 dB into
// limiting (input gain +12 dB, ceiling or threshold -0.1 dBFS), at 1x and at the oversampling
// factors it offers (LSP: "Full" oversampling, three-lobe filters; Calf: 2x and 4x; x42-dpl has
// none). Ours is the engine's block call with the float to double conversions a host's render
// call adds. The contenders of one factor take turns block by block on the same material, so a
// machine whose load drifts while measuring weighs on all of them alike; only the block calls
// are timed, on the thread's CPU clock. The realtime factor is audio seconds per CPU second of
// the median block call; the table at the end gives ours as a ratio to the fastest peer.
//
//   bench_peers                        every factor (about ten seconds)
//   bench_peers --benchmark_filter=os:2   4x only

#include "bench/engine/Programme.h"
#include "plugin/dsp/LimiterEngine.h"

#include <benchmark/benchmark.h>
#include <lilv/lilv.h>
#include <lv2/atom/atom.h>
#include <lv2/urid/urid.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr double kRate = 48000.0;
constexpr int kBlock = 512;
constexpr double kGainDb = 12.0;
constexpr double kCeilingDb = -0.1;

double ThreadSeconds()
{
  timespec ts {};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + 1e-9 * static_cast<double>(ts.tv_nsec);
}

double DbToLinear(double db) { return std::pow(10.0, db / 20.0); }

// The material as the floats a host hands over.
const std::vector<float>& Material(int channel)
{
  static std::vector<float> data[2];
  if (data[channel].empty())
  {
    const std::vector<double>& src = benchsignal::Programme(channel);
    data[channel].assign(src.begin(), src.end());
  }
  return data[channel];
}

// Results by factor and limiter, for the ratio table.
std::map<int, std::map<std::string, double>>& Results()
{
  static std::map<int, std::map<std::string, double>> r;
  return r;
}

// Ours: the engine at an OS Mode, with a host's float conversions around the block call.
class Ours
{
public:
  explicit Ours(int osMode)
  {
    mEngine.SetParam(kOSMode, osMode);
    mEngine.SetParam(kGain, kGainDb);
    mEngine.SetParam(kCeiling, kCeilingDb);
    mOk = mEngine.Prepare(kRate, kBlock) == LimiterEngine::EStatus::kOK;
  }
  bool Ok() const { return mOk; }
  void Run(const float* l, const float* r, float* ol, float* orr)
  {
    for (int i = 0; i < kBlock; ++i)
    {
      mL[static_cast<size_t>(i)] = l[i];
      mR[static_cast<size_t>(i)] = r[i];
    }
    double* io[2] = {mL.data(), mR.data()};
    mEngine.ProcessBlock(io, io, kBlock, 2, 2);
    for (int i = 0; i < kBlock; ++i)
    {
      ol[i] = static_cast<float>(mL[static_cast<size_t>(i)]);
      orr[i] = static_cast<float>(mR[static_cast<size_t>(i)]);
    }
  }

private:
  LimiterEngine mEngine;
  bool mOk = false;
  std::vector<double> mL = std::vector<double>(kBlock), mR = std::vector<double>(kBlock);
};

// ---------------------------------------------------------------------------------------------
// LV2 peers.

class UridMap
{
public:
  LV2_URID Map(const char* uri)
  {
    for (size_t i = 0; i < mUris.size(); ++i)
      if (mUris[i] == uri)
        return static_cast<LV2_URID>(i + 1);
    mUris.emplace_back(uri);
    return static_cast<LV2_URID>(mUris.size());
  }
  static LV2_URID MapFn(LV2_URID_Map_Handle h, const char* uri) { return static_cast<UridMap*>(h)->Map(uri); }

private:
  std::vector<std::string> mUris;
};

struct World
{
  LilvWorld* world = lilv_world_new();
  World() { lilv_world_load_all(world); }
  ~World() { lilv_world_free(world); }
};

World& TheWorld()
{
  static World w;
  return w;
}

// One instance with every port connected: audio to the block buffers, controls to values
// (set by symbol, otherwise the port's default), atom ports to empty sequences.
class Peer
{
public:
  Peer(const char* uri, const std::map<std::string, float>& controls)
  {
    LilvWorld* world = TheWorld().world;
    LilvNode* uriNode = lilv_new_uri(world, uri);
    const LilvPlugin* plugin = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(world), uriNode);
    lilv_node_free(uriNode);
    if (!plugin)
      return;
    mMapFeature = {LV2_URID__map, &mMap};
    mMap = {&mUrids, &UridMap::MapFn};
    const LV2_Feature* features[] = {&mMapFeature, nullptr};
    mInstance = lilv_plugin_instantiate(plugin, kRate, features);
    if (!mInstance)
      return;

    LilvNode* audio = lilv_new_uri(world, LV2_CORE__AudioPort);
    LilvNode* control = lilv_new_uri(world, LV2_CORE__ControlPort);
    LilvNode* input = lilv_new_uri(world, LV2_CORE__InputPort);
    LilvNode* atom = lilv_new_uri(world, LV2_ATOM__AtomPort);
    const uint32_t n = lilv_plugin_get_num_ports(plugin);
    mControls.assign(n, 0.0f);
    mAtoms.resize(n);
    std::vector<float> defaults(n, 0.0f);
    lilv_plugin_get_port_ranges_float(plugin, nullptr, nullptr, defaults.data());
    for (uint32_t i = 0; i < n; ++i)
    {
      const LilvPort* port = lilv_plugin_get_port_by_index(plugin, i);
      const std::string symbol = lilv_node_as_string(lilv_port_get_symbol(plugin, port));
      const bool isInput = lilv_port_is_a(plugin, port, input);
      if (lilv_port_is_a(plugin, port, audio))
      {
        const bool right = !symbol.empty() && (symbol.back() == 'r' || symbol.back() == 'R');
        (isInput ? (right ? mInR : mInL) : (right ? mOutR : mOutL)) = i;
      }
      else if (lilv_port_is_a(plugin, port, control))
      {
        auto it = controls.find(symbol);
        mControls[i] = it != controls.end() ? it->second : (std::isnan(defaults[i]) ? 0.0f : defaults[i]);
        lilv_instance_connect_port(mInstance, i, &mControls[i]);
      }
      else if (lilv_port_is_a(plugin, port, atom))
      {
        mAtoms[i].assign(4096 / sizeof(uint64_t), 0);
        mAtomInputs.push_back(isInput ? static_cast<int>(i) : -static_cast<int>(i) - 1);
        lilv_instance_connect_port(mInstance, i, mAtoms[i].data());
      }
      else
        lilv_instance_connect_port(mInstance, i, nullptr);
    }
    mSequence = mUrids.Map(LV2_ATOM__Sequence);
    mChunk = mUrids.Map(LV2_ATOM__Chunk);
    lilv_node_free(audio);
    lilv_node_free(control);
    lilv_node_free(input);
    lilv_node_free(atom);
    lilv_instance_activate(mInstance);
  }
  ~Peer()
  {
    if (mInstance)
    {
      lilv_instance_deactivate(mInstance);
      lilv_instance_free(mInstance);
    }
  }
  Peer(const Peer&) = delete;
  Peer& operator=(const Peer&) = delete;

  bool Ok() const { return mInstance && mInL >= 0 && mInR >= 0 && mOutL >= 0 && mOutR >= 0; }

  void Run(const float* l, const float* r, float* ol, float* orr)
  {
    lilv_instance_connect_port(mInstance, static_cast<uint32_t>(mInL), const_cast<float*>(l));
    lilv_instance_connect_port(mInstance, static_cast<uint32_t>(mInR), const_cast<float*>(r));
    lilv_instance_connect_port(mInstance, static_cast<uint32_t>(mOutL), ol);
    lilv_instance_connect_port(mInstance, static_cast<uint32_t>(mOutR), orr);
    for (int k : mAtomInputs)
    {
      // Inputs: an empty sequence; outputs: the whole buffer offered as a chunk.
      const bool isInput = k >= 0;
      auto* seq = reinterpret_cast<LV2_Atom_Sequence*>(mAtoms[static_cast<size_t>(isInput ? k : -k - 1)].data());
      seq->atom.size = isInput ? sizeof(LV2_Atom_Sequence_Body) : 4096 - sizeof(LV2_Atom);
      seq->atom.type = isInput ? mSequence : mChunk;
      seq->body.unit = 0;
      seq->body.pad = 0;
    }
    lilv_instance_run(mInstance, kBlock);
  }

private:
  UridMap mUrids;
  LV2_URID_Map mMap {};
  LV2_Feature mMapFeature {};
  LilvInstance* mInstance = nullptr;
  int mInL = -1, mInR = -1, mOutL = -1, mOutR = -1;
  std::vector<float> mControls;
  std::vector<std::vector<uint64_t>> mAtoms;
  std::vector<int> mAtomInputs;
  LV2_URID mSequence = 0, mChunk = 0;
};

std::unique_ptr<Peer> X42Dpl(int factor)
{
  if (factor != 1)
    return nullptr;
  return std::make_unique<Peer>("http://gareus.org/oss/lv2/dpl#stereo",
                                std::map<std::string, float> {{"enable", 1.0f},
                                                              {"gain", static_cast<float>(kGainDb)},
                                                              {"threshold", static_cast<float>(kCeilingDb)},
                                                              {"truepeak", 0.0f}});
}

// LSP's "Full" oversampling with three-lobe filters: 12 for 2x, 16 for 4x, 20 for 8x.
std::unique_ptr<Peer> Lsp(int factor)
{
  const float ovs = factor == 1 ? 0.0f : factor == 2 ? 12.0f : factor == 4 ? 16.0f : 20.0f;
  return std::make_unique<Peer>("http://lsp-plug.in/plugins/lv2/limiter_stereo",
                                std::map<std::string, float> {{"enabled", 1.0f},
                                                              {"g_in", static_cast<float>(DbToLinear(kGainDb))},
                                                              {"th", static_cast<float>(DbToLinear(kCeilingDb))},
                                                              {"ovs", ovs},
                                                              {"dith", 0.0f}});
}

std::unique_ptr<Peer> Calf(int factor)
{
  if (factor > 4)
    return nullptr;
  return std::make_unique<Peer>("http://calf.sourceforge.net/plugins/Limiter",
                                std::map<std::string, float> {{"bypass", 0.0f},
                                                              {"level_in", static_cast<float>(DbToLinear(kGainDb))},
                                                              {"limit", static_cast<float>(DbToLinear(kCeilingDb))},
                                                              {"oversampling", static_cast<float>(factor)}});
}

// One limiter as the benchmark drives it.
struct Contender
{
  std::string name;
  std::function<void(const float*, const float*, float*, float*)> process;
  std::vector<double> seconds; // of each block call
};

// Every contender of one oversampling factor, taking turns block by block.
void Factor(benchmark::State& state)
{
  const int osMode = static_cast<int>(state.range(0));
  const int factor = LimiterEngine::FactorForOSMode(osMode);
  Ours ours(osMode);
  if (!ours.Ok())
  {
    state.SkipWithError("configuration failed");
    return;
  }
  std::vector<Contender> contenders;
  contenders.push_back(
    {"ORBEX9", [&ours](const float* l, const float* r, float* ol, float* orr) { ours.Run(l, r, ol, orr); }, {}});
  std::vector<std::unique_ptr<Peer>> peers;
  const std::pair<const char*, std::unique_ptr<Peer> (*)(int)> makers[] = {
    {"x42-dpl", X42Dpl}, {"LSP", Lsp}, {"Calf", Calf}};
  for (const auto& [name, make] : makers)
  {
    std::unique_ptr<Peer> p = make(factor);
    if (!p || !p->Ok())
      continue; // not offered at this factor, or not installed (scripts/bootstrap-bench)
    Peer* raw = p.get();
    peers.push_back(std::move(p));
    contenders.push_back(
      {name, [raw](const float* l, const float* r, float* ol, float* orr) { raw->Run(l, r, ol, orr); }, {}});
  }

  const std::vector<float>& srcL = Material(0);
  const std::vector<float>& srcR = Material(1);
  std::vector<float> ol(kBlock), orr(kBlock);
  size_t pos = 0;
  for (auto _ : state)
  {
    if (pos + kBlock > srcL.size())
      pos = 0;
    for (Contender& c : contenders)
    {
      const double t0 = ThreadSeconds();
      c.process(srcL.data() + pos, srcR.data() + pos, ol.data(), orr.data());
      c.seconds.push_back(ThreadSeconds() - t0);
      benchmark::DoNotOptimize(ol.data());
    }
    pos += kBlock;
  }
  for (Contender& c : contenders)
  {
    // The median block: a shared machine's interruptions only ever lengthen a call, so the
    // middle of the distribution is steadier than the mean.
    std::nth_element(c.seconds.begin(), c.seconds.begin() + static_cast<long>(c.seconds.size() / 2), c.seconds.end());
    const double median = c.seconds.empty() ? 0.0 : c.seconds[c.seconds.size() / 2];
    const double realtime = median > 0.0 ? kBlock / kRate / median : 0.0;
    state.counters[c.name] = realtime;
    Results()[factor][c.name] = realtime;
  }
}
BENCHMARK(Factor)->ArgName("os")->DenseRange(0, 3)->MinTime(2.0)->Unit(benchmark::kMillisecond);

void PrintRatios()
{
  const char* peers[] = {"x42-dpl", "LSP", "Calf"};
  std::printf("\nRealtime factor (audio seconds per CPU second, median block), 48 kHz stereo, block 512\n\n");
  std::printf("| factor | ORBEX9 | x42-dpl | LSP | Calf | ours / fastest peer |\n|---|---|---|---|---|---|\n");
  for (const auto& [factor, row] : Results())
  {
    auto ours = row.find("ORBEX9");
    std::printf("| %dx | %s |", factor, ours != row.end() ? std::to_string(static_cast<int>(ours->second)).c_str() : "-");
    double fastest = 0.0;
    for (const char* p : peers)
    {
      auto it = row.find(p);
      if (it == row.end() || it->second <= 0.0)
        std::printf(" - |");
      else
      {
        std::printf(" %d |", static_cast<int>(it->second));
        fastest = std::max(fastest, it->second);
      }
    }
    if (ours != row.end() && fastest > 0.0)
      std::printf(" %.2f |\n", ours->second / fastest);
    else
      std::printf(" - |\n");
  }
}

} // namespace

int main(int argc, char** argv)
{
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv))
    return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  PrintRatios();
  return 0;
}
