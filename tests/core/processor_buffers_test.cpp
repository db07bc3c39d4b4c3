#include "core/IFxProcessor.h"
#include "tests/core/CoreTestNoise.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <random>
#include <vector>

using namespace fx;

namespace {

IFxConfig MakeConfig(const char* io, int latency = 0)
{
  IFxConfig c;
  c.channelIOStr = io;
  c.latency = latency;
  return c;
}

// A processor whose block routine is supplied by the test; it records the largest block seen.
struct HookProcessor : IFxProcessor
{
  using Hook = std::function<void(double** in, double** out, int n)>;
  HookProcessor(const char* io, int latency = 0) : IFxProcessor(MakeConfig(io, latency), kAPIAU) {}
  Hook hook;
  int maxBlockSeen = 0;
  int calls = 0;
  void ProcessBlock(double** in, double** out, int n) override
  {
    maxBlockSeen = std::max(maxBlockSeen, n);
    ++calls;
    if (hook)
      hook(in, out, n);
    else
      IFxProcessor::ProcessBlock(in, out, n);
  }
};

const auto Noise = coretest::Noise<float>;

void ConnectAll(IFxProcessor& p)
{
  p.SetChannelConnections(kInput, 0, p.NChannels(kInput), true);
  p.SetChannelConnections(kOutput, 0, p.NChannels(kOutput), true);
}

// A one-pole low-pass per channel: state carries across blocks, so any slicing error shows.
struct OnePole
{
  double state[8] = {};
  void Run(double** in, double** out, int nChans, int n)
  {
    for (int c = 0; c < nChans; ++c)
      for (int s = 0; s < n; ++s) out[c][s] = state[c] = 0.9 * state[c] + 0.1 * in[c][s] + c;
  }
};

} // namespace

TEST(ProcessorBuffers, FloatRoundTripIsExactAndNeverTraps)
{
  HookProcessor proc("2-2");
  ASSERT_TRUE(proc.SetBlockSize(16));
  ConnectAll(proc);
  const float inf = std::numeric_limits<float>::infinity();
  std::vector<float> a = {0.f, -0.f, 1.f, -1.f, 1e-40f, -3.4e38f, inf, -inf, std::nanf(""), 0.25f, 7.f, -2.f};
  std::vector<float> b = Noise(12, 1);
  std::vector<float> oa(12, 9.f), ob(12, 9.f);
  float* ins[] = {a.data(), b.data()};
  float* outs[] = {oa.data(), ob.data()};
  proc.AttachBuffers(kInput, 0, 2, ins, 12);
  proc.AttachBuffers(kOutput, 0, 2, outs, 12);
  ASSERT_TRUE(proc.ProcessBuffers(12));
  for (int i = 0; i < 12; ++i)
  {
    if (std::isnan(a[i]))
      EXPECT_TRUE(std::isnan(oa[i]));
    else
      EXPECT_EQ(std::memcmp(&a[i], &oa[i], sizeof(float)), 0) << i;
    EXPECT_EQ(ob[i], b[i]);
  }

  // Results beyond the float range become infinities; NaN stays NaN.
  proc.hook = [](double**, double** out, int n) {
    const double v[] = {1e300, -1e300, std::nan(""), 1e-320, static_cast<double>(std::numeric_limits<float>::max())};
    for (int s = 0; s < n; ++s) out[0][s] = out[1][s] = v[s % 5];
  };
  ASSERT_TRUE(proc.ProcessBuffers(5));
  EXPECT_EQ(oa[0], inf);
  EXPECT_EQ(oa[1], -inf);
  EXPECT_TRUE(std::isnan(oa[2]));
  EXPECT_EQ(oa[3], 0.f);
  EXPECT_EQ(oa[4], std::numeric_limits<float>::max());
}

TEST(ProcessorBuffers, BlocksLongerThanTheBlockSizeRunInSlices)
{
  const int total = 1000;
  std::vector<float> l = Noise(total, 2), r = Noise(total, 3);

  auto run = [&](int blockSize, bool inPlace, std::vector<float>& ol, std::vector<float>& or_) {
    HookProcessor proc("2-2");
    OnePole filter;
    proc.hook = [&](double** in, double** out, int n) { filter.Run(in, out, 2, n); };
    EXPECT_TRUE(proc.SetBlockSize(blockSize));
    ConnectAll(proc);
    ol = l;
    or_ = r;
    std::vector<float> il = l, ir = r;
    float* ins[] = {inPlace ? ol.data() : il.data(), inPlace ? or_.data() : ir.data()};
    float* outs[] = {ol.data(), or_.data()};
    proc.AttachBuffers(kInput, 0, 2, ins, total);
    proc.AttachBuffers(kOutput, 0, 2, outs, total);
    EXPECT_TRUE(proc.ProcessBuffers(total));
    EXPECT_LE(proc.maxBlockSeen, blockSize);
  };

  std::vector<float> refL, refR, l64, r64, lInPlace, rInPlace;
  run(total, false, refL, refR);
  run(64, false, l64, r64);
  run(37, true, lInPlace, rInPlace);
  EXPECT_EQ(refL, l64);
  EXPECT_EQ(refR, r64);
  EXPECT_EQ(refL, lInPlace);
  EXPECT_EQ(refR, rInPlace);

  // The double path slices the same way, reading and writing the host buffers in place.
  HookProcessor proc("2-2");
  OnePole filter;
  proc.hook = [&](double** in, double** out, int n) { filter.Run(in, out, 2, n); };
  proc.SetBlockSize(100);
  ConnectAll(proc);
  std::vector<double> dl(l.begin(), l.end()), dr(r.begin(), r.end());
  double* dins[] = {dl.data(), dr.data()};
  proc.AttachBuffersDouble(kInput, 0, 2, dins);
  proc.AttachBuffersDouble(kOutput, 0, 2, dins);
  ASSERT_TRUE(proc.ProcessBuffersDouble(total));
  EXPECT_EQ(proc.calls, 10);
  for (int i = 0; i < total; ++i)
  {
    ASSERT_EQ(static_cast<float>(dl[i]), refL[i]) << i;
    ASSERT_EQ(static_cast<float>(dr[i]), refR[i]) << i;
  }
}

TEST(ProcessorBuffers, AccumulatingAndShortHostBuffers)
{
  HookProcessor proc("1-1");
  proc.SetBlockSize(8);
  ConnectAll(proc);
  proc.hook = [](double** in, double** out, int n) {
    for (int s = 0; s < n; ++s) out[0][s] = 2.0 * in[0][s];
  };
  std::vector<float> in = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
  std::vector<float> out(16, 1.f);
  float* ip[] = {in.data()};
  float* op[] = {out.data()};
  proc.AttachBuffers(kInput, 0, 1, ip, 10);
  proc.AttachBuffers(kOutput, 0, 1, op, 10);
  ASSERT_TRUE(proc.ProcessBuffersAccumulating(10));
  for (int i = 0; i < 10; ++i) EXPECT_EQ(out[i], 1.f + 2.f * in[i]);
  EXPECT_EQ(out[10], 1.f);

  // A block longer than the attached buffers reads silence past the input and writes nothing
  // past the output.
  std::vector<float> shortIn = {1, 1, 1, 1};
  std::vector<float> shortOut(16, -7.f);
  float* sip[] = {shortIn.data()};
  float* sop[] = {shortOut.data()};
  std::vector<double> seen;
  proc.hook = [&](double** i, double** o, int n) {
    for (int s = 0; s < n; ++s) seen.push_back(o[0][s] = i[0][s]);
  };
  proc.AttachBuffers(kInput, 0, 1, sip, 4);
  proc.AttachBuffers(kOutput, 0, 1, sop, 3);
  ASSERT_TRUE(proc.ProcessBuffers(12));
  EXPECT_EQ(seen, (std::vector<double>{1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(shortOut[2], 1.f);
  EXPECT_EQ(shortOut[3], -7.f);
}

TEST(ProcessorBuffers, HostPointersAndIndicesAreChecked)
{
  HookProcessor proc("2-2");
  proc.SetBlockSize(4);
  std::vector<double*> seenIn(2);
  proc.hook = [&](double** in, double** out, int n) {
    seenIn.assign(in, in + 2);
    for (int c = 0; c < 2; ++c)
      for (int s = 0; s < n; ++s) out[c][s] = in[c][s] + 1.0;
  };

  // Only the second input is connected: the one host buffer goes to it.
  proc.SetChannelConnections(kInput, 1, 1, true);
  proc.SetChannelConnections(kOutput, 0, 2, true);
  std::vector<double> hostIn = {5, 6, 7, 8}, o0(4), o1(4);
  double* inPtrs[] = {hostIn.data()};
  double* outPtrs[] = {o0.data(), o1.data()};
  proc.AttachBuffersDouble(kInput, 0, 2, inPtrs);
  proc.AttachBuffersDouble(kOutput, 0, 2, outPtrs);
  ASSERT_TRUE(proc.ProcessBuffersDouble(4));
  EXPECT_EQ(seenIn[1], hostIn.data());
  EXPECT_EQ(o0, (std::vector<double>{1, 1, 1, 1}));  // the unconnected input reads silence
  EXPECT_EQ(o1, (std::vector<double>{6, 7, 8, 9}));
  EXPECT_EQ(proc.NChannelsConnected(kInput), 1);

  // Null arrays and null buffers: inputs are silence, outputs receive nothing, nothing is
  // dereferenced.
  ConnectAll(proc);
  std::vector<float> f1(4, 3.f), fo(4, -1.f);
  float* nullOne[] = {nullptr, f1.data()};
  float* outsWithNull[] = {fo.data(), nullptr};
  proc.AttachBuffers(kInput, 0, 2, nullOne, 4);
  proc.AttachBuffers(kOutput, 0, 2, outsWithNull, 4);
  ASSERT_TRUE(proc.ProcessBuffers(4));
  EXPECT_EQ(fo, (std::vector<float>{1, 1, 1, 1}));
  proc.AttachBuffers(kInput, 0, 2, nullptr, 4);
  proc.AttachBuffers(kOutput, 0, 2, nullptr, 4);
  ASSERT_TRUE(proc.ProcessBuffers(4));
  proc.AttachBuffersDouble(kInput, 0, 2, nullptr);
  ASSERT_TRUE(proc.ProcessBuffersDouble(4));

  // Out-of-range directions, indices and counts are ignored.
  proc.SetChannelConnections(kInput, -1, 5, false);
  proc.SetChannelConnections(kInput, 0, -2, false);
  proc.SetChannelConnections(5, 0, 2, false);
  EXPECT_EQ(proc.NChannelsConnected(kInput), 2);
  proc.SetChannelConnections(kInput, 1, 0x7fffffff, false);
  EXPECT_EQ(proc.NChannelsConnected(kInput), 1);
  proc.AttachBuffers(kOutput, 2, 1, outsWithNull, 4);
  proc.AttachBuffers(kOutput, -3, 1, outsWithNull, 4);
  proc.AttachBuffers(7, 0, 1, outsWithNull, 4);
  proc.AttachBuffers(kOutput, 0, 2, outsWithNull, -5);
  EXPECT_TRUE(proc.ProcessBuffers(0));
  EXPECT_FALSE(proc.ProcessBuffers(-1));
  EXPECT_FALSE(proc.IsChannelConnected(kInput, 9));
}

TEST(ProcessorBuffers, NoBlockSizeRefusesAndSilences)
{
  HookProcessor proc("1-1");
  ConnectAll(proc);
  std::vector<float> in(8, 0.5f), out(8, 0.5f);
  float* ip[] = {in.data()};
  float* op[] = {out.data()};
  proc.AttachBuffers(kInput, 0, 1, ip, 8);
  proc.AttachBuffers(kOutput, 0, 1, op, 8);
  EXPECT_FALSE(proc.ProcessBuffers(8));
  EXPECT_EQ(proc.calls, 0);
  EXPECT_EQ(out, std::vector<float>(8, 0.f));
  out.assign(8, 0.5f);
  EXPECT_FALSE(proc.ProcessBuffersAccumulating(8));
  EXPECT_EQ(out, std::vector<float>(8, 0.5f));
  EXPECT_FALSE(proc.PassThroughBuffers(8));
  EXPECT_EQ(out, std::vector<float>(8, 0.f));
  EXPECT_FALSE(proc.SetBlockSize(-4));
  EXPECT_EQ(proc.GetBlockSize(), 0);
}

TEST(ProcessorBuffers, SetBlockSizeKeepsOrClearsScratch)
{
  HookProcessor proc("1-2");
  proc.SetBlockSize(4);
  proc.SetChannelConnections(kInput, 0, 1, true);
  proc.SetChannelConnections(kOutput, 0, 1, true);  // output 1 writes into its scratch buffer
  double seenAtEntry = -1.0;
  proc.hook = [&](double**, double** out, int n) {
    seenAtEntry = out[1][0];
    for (int s = 0; s < n; ++s) out[0][s] = out[1][s] = 42.0;
  };
  std::vector<double> in(4), out(4);
  double* ip[] = {in.data()};
  double* op[] = {out.data()};
  proc.AttachBuffersDouble(kInput, 0, 1, ip);
  proc.AttachBuffersDouble(kOutput, 0, 1, op);
  proc.ProcessBuffersDouble(4);
  EXPECT_EQ(seenAtEntry, 0.0);
  EXPECT_TRUE(proc.SetBlockSize(4));
  proc.AttachBuffersDouble(kInput, 0, 1, ip);
  proc.AttachBuffersDouble(kOutput, 0, 1, op);
  proc.ProcessBuffersDouble(4);
  EXPECT_EQ(seenAtEntry, 42.0);
  EXPECT_TRUE(proc.SetBlockSize(8));
  proc.AttachBuffersDouble(kInput, 0, 1, ip);
  proc.AttachBuffersDouble(kOutput, 0, 1, op);
  proc.ProcessBuffersDouble(4);
  EXPECT_EQ(seenAtEntry, 0.0);
  proc.ZeroScratchBuffers();
  proc.ProcessBuffersDouble(4);
  EXPECT_EQ(seenAtEntry, 0.0);
}

TEST(ProcessorBuffers, DisconnectExtraChannelsLeavesNoNullOutputs)
{
  HookProcessor proc("4-4");
  proc.SetBlockSize(8);
  ConnectAll(proc);
  proc.hook = [](double** in, double** out, int n) {
    for (int c = 0; c < 4; ++c)
      for (int s = 0; s < n; ++s) out[c][s] = in[c][s] * 0.5;  // writes every output
  };
  proc.DisconnectExtraInputs();
  EXPECT_EQ(proc.NChannelsConnected(kInput), 2);
  EXPECT_EQ(proc.NChannelsConnected(kOutput), 2);
  EXPECT_FALSE(proc.IsChannelConnected(kOutput, 2));
  // The host hands over only two buffers each way.
  std::vector<float> a(8, 1.f), b(8, 2.f), oa(8), ob(8);
  float* ins[] = {a.data(), b.data()};
  float* outs[] = {oa.data(), ob.data()};
  proc.AttachBuffers(kInput, 0, 4, ins, 8);
  proc.AttachBuffers(kOutput, 0, 4, outs, 8);
  ASSERT_TRUE(proc.ProcessBuffers(8));
  EXPECT_EQ(oa, std::vector<float>(8, 0.5f));
  EXPECT_EQ(ob, std::vector<float>(8, 1.f));
}

TEST(ProcessorBuffers, PassThroughCopiesAndZeroesRemainingOutputs)
{
  HookProcessor proc("1-2");
  proc.SetBlockSize(16);
  ConnectAll(proc);
  std::vector<float> in = Noise(40, 5), o0(40, 3.f), o1(40, 3.f);
  float* ip[] = {in.data()};
  float* op[] = {o0.data(), o1.data()};
  proc.AttachBuffers(kInput, 0, 1, ip, 40);
  proc.AttachBuffers(kOutput, 0, 2, op, 40);
  ASSERT_TRUE(proc.PassThroughBuffers(40));
  EXPECT_EQ(o0, in);
  EXPECT_EQ(o1, std::vector<float>(40, 0.f));
  EXPECT_EQ(proc.calls, 0);

  // The default block routine is the same copy-and-zero.
  IFxProcessor plain(MakeConfig("1-2"), kAPIAU);
  std::vector<double> x = {1, 2, 3}, y0(3, 9), y1(3, 9);
  double* xi[] = {x.data()};
  double* yo[] = {y0.data(), y1.data()};
  plain.ProcessBlock(xi, yo, 3);
  EXPECT_EQ(y0, x);
  EXPECT_EQ(y1, std::vector<double>(3, 0));
}

TEST(ProcessorBuffers, BypassStaysAlignedWithTheLatency)
{
  // The processor itself is a pure delay of its reported latency, so the output must be the
  // input delayed by the latency however blocks are split and however often the bypass
  // toggles.
  for (int latency : {0, 1, 17, 300})
  {
    HookProcessor proc("2-2", latency);
    ASSERT_TRUE(proc.SetBlockSize(64));
    ASSERT_GE(proc.GetMaxBypassDelay(), latency);
    ConnectAll(proc);
    std::vector<std::vector<double>> hist(2);
    proc.hook = [&](double** in, double** out, int n) {
      for (int c = 0; c < 2; ++c)
        for (int s = 0; s < n; ++s)
        {
          hist[c].push_back(in[c][s]);
          const long idx = static_cast<long>(hist[c].size()) - 1 - latency;
          out[c][s] = idx >= 0 ? hist[c][idx] : 0.0;
        }
    };
    const int total = 3000;
    std::vector<float> l = Noise(total, 11), r = Noise(total, 12), ol(total), orr(total);
    std::mt19937 rng(latency + 1);
    std::uniform_int_distribution<int> len(0, 150);  // longer than the block size too
    std::bernoulli_distribution bypass(0.4);
    for (int pos = 0; pos < total;)
    {
      const int n = std::min(len(rng), total - pos);
      float* ins[] = {l.data() + pos, r.data() + pos};
      float* outs[] = {ol.data() + pos, orr.data() + pos};
      proc.AttachBuffers(kInput, 0, 2, ins, n);
      proc.AttachBuffers(kOutput, 0, 2, outs, n);
      if (bypass(rng))
      {
        // While bypassed the processor's own history must follow as well.
        ASSERT_TRUE(proc.PassThroughBuffers(n));
        for (int s = 0; s < n; ++s)
        {
          hist[0].push_back(l[pos + s]);
          hist[1].push_back(r[pos + s]);
        }
      }
      else
        ASSERT_TRUE(proc.ProcessBuffers(n));
      pos += n;
    }
    for (int i = 0; i < total; ++i)
    {
      const float el = i >= latency ? l[i - latency] : 0.f;
      const float er = i >= latency ? r[i - latency] : 0.f;
      ASSERT_EQ(ol[i], el) << "latency " << latency << " sample " << i;
      ASSERT_EQ(orr[i], er) << "latency " << latency << " sample " << i;
    }
  }
}
