#pragma once
// The material every limiter benchmark runs: ten seconds of programme-like
// stereo at 48 kHz, made once per process.

#include <cmath>
#include <random>
#include <vector>

namespace benchsignal {

// Ten seconds of programme-like material: noise shaped by a slow envelope,
// with transients, peaking near full scale (12 dB of gain then pushes it
// into about 12 dB of reduction).
inline const std::vector<double>& Programme(int channel)
{
  static std::vector<double> data[2];
  if (data[0].empty())
  {
    for (int c = 0; c < 2; ++c)
    {
      std::mt19937 rng(101u + static_cast<unsigned>(c));
      std::normal_distribution<double> g(0.0, 1.0);
      const int n = 48000 * 10;
      data[c].resize(n);
      double lp = 0.0;
      for (int i = 0; i < n; ++i)
      {
        lp = 0.7 * lp + 0.3 * g(rng);
        const double env = 0.5 + 0.4 * std::sin(2 * 3.141592653589793 * 0.7 * i / 48000.0);
        const double hit = (i % 11025) < 200 ? 2.5 * std::exp(-(i % 11025) / 60.0) : 0.0;
        data[c][i] = std::tanh(0.35 * env * lp + hit * g(rng) * 0.5);
      }
    }
  }
  return data[channel];
}

} // namespace benchsignal
