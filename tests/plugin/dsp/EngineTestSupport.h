#pragma once
// Helpers shared by the engine tests: signal makers and a block runner.

#include "plugin/dsp/LimiterEngine.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

namespace enginetest {

struct Stereo
{
  std::vector<double> l, r;
};

// Noise with transients: a hot programme-like signal.
inline std::vector<double> HotNoise(unsigned seed, int n, double level = 1.0)
{
  std::mt19937 rng(seed);
  std::normal_distribution<double> g(0.0, 0.25);
  std::vector<double> x(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i)
  {
    const double burst = (i / 997) % 5 == 0 && i % 997 < 40 ? 4.0 : 1.0;
    x[static_cast<size_t>(i)] = level * burst * g(rng);
  }
  return x;
}

inline std::vector<double> Sine(double freq, double fs, double amp, int n)
{
  std::vector<double> x(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i)
    x[static_cast<size_t>(i)] = amp * std::sin(2.0 * 3.141592653589793 * freq * i / fs);
  return x;
}

inline std::vector<double> Square(int halfPeriod, double amp, int n)
{
  std::vector<double> x(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i)
    x[static_cast<size_t>(i)] = (i / halfPeriod) % 2 == 0 ? amp : -amp;
  return x;
}

// Runs the whole signal through the engine in blocks whose sizes come from
// sizes (cycled); returns the two output channels.
inline Stereo RunBlocks(LimiterEngine& e, const Stereo& in, const std::vector<int>& sizes, int nIn = 2,
                  int nOut = 2)
{
  Stereo out;
  const size_t n = in.l.size();
  out.l.assign(n, 0.0);
  out.r.assign(n, 0.0);
  std::vector<double> bl, br, ol, orr;
  size_t pos = 0;
  size_t k = 0;
  while (pos < n)
  {
    const size_t len = std::min(n - pos, static_cast<size_t>(sizes[k++ % sizes.size()]));
    bl.assign(in.l.begin() + pos, in.l.begin() + pos + len);
    br.assign(in.r.begin() + pos, in.r.begin() + pos + len);
    ol.assign(len, 0.0);
    orr.assign(len, 0.0);
    double* ins[2] = {bl.data(), br.data()};
    double* outs[2] = {ol.data(), orr.data()};
    e.ProcessBlock(ins, outs, static_cast<int>(len), nIn, nOut);
    std::copy(ol.begin(), ol.end(), out.l.begin() + pos);
    std::copy(orr.begin(), orr.end(), out.r.begin() + pos);
    pos += len;
  }
  return out;
}

inline std::vector<int> RandomSizes(unsigned seed, int maxSize, int count = 64)
{
  std::mt19937 rng(seed);
  std::vector<int> s;
  for (int i = 0; i < count; ++i)
    s.push_back(1 + static_cast<int>(rng() % static_cast<unsigned>(maxSize)));
  return s;
}

// FNV-1a over the bytes of doubles: pins an output bit for bit.
struct Hash
{
  uint64_t h = 1469598103934665603ull;
  void Add(double v)
  {
    uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    for (int i = 0; i < 8; ++i)
    {
      h ^= (bits >> (8 * i)) & 0xffu;
      h *= 1099511628211ull;
    }
  }
};

inline int PeakIndex(const std::vector<double>& x)
{
  int best = 0;
  for (int i = 1; i < static_cast<int>(x.size()); ++i)
    if (std::fabs(x[static_cast<size_t>(i)]) > std::fabs(x[static_cast<size_t>(best)]))
      best = i;
  return best;
}

} // namespace enginetest
