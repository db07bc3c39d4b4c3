#pragma once
// Helpers shared by the resampler's tests: test signals, a stage run over
// random block splits, and a least-squares sine fit.

#include "resampler/CDSPProcessor.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <random>
#include <vector>

namespace rsmptest {

// n samples of uniform white noise in [-1, 1).
inline std::vector<double> Noise(int n, unsigned seed)
{
  std::mt19937 rng(seed);
  std::uniform_real_distribution<double> d(-1.0, 1.0);
  std::vector<double> x(n);
  for (double& v : x)
    v = d(rng);
  return x;
}

// Runs a stage over x in blocks of random length (1 ... maxBlock; whole when
// maxBlock is 0) and concatenates the output. The stage may produce up to four
// output samples per input sample.
inline std::vector<double> RunStage(rsmp::CDSPProcessor& p, const std::vector<double>& x, int maxBlock,
                                    unsigned seed)
{
  std::mt19937 rng(seed);
  std::vector<double> out, buf(4 * x.size() + 64);
  size_t i = 0;
  while (i < x.size())
  {
    int l = int(x.size() - i);
    if (maxBlock > 0)
      l = std::min<int>(l, 1 + int(rng() % maxBlock));
    double* op = buf.data();
    const int n = p.ProcessSamples(const_cast<double*>(x.data() + i), l, op);
    EXPECT_GE(n, 0);
    EXPECT_LE(n, p.GetMaxOutputLength(l));
    out.insert(out.end(), op, op + n);
    i += l;
  }
  return out;
}

// y[i] ~ a sin(phase(i)) + b cos(phase(i)) over i in [n0, n1), fitted by least
// squares; residual is the fit's error power over its signal power.
struct SineFit
{
  double a, b, residual;
};

template <class Phase>
SineFit FitSine(const std::vector<double>& y, size_t n0, size_t n1, Phase phase)
{
  double sy = 0, cy = 0, ss = 0, cc = 0, sc = 0;
  for (size_t i = n0; i < n1; i++)
  {
    const double sn = std::sin(phase(i)), cs = std::cos(phase(i));
    sy += sn * y[i];
    cy += cs * y[i];
    ss += sn * sn;
    cc += cs * cs;
    sc += sn * cs;
  }
  const double det = ss * cc - sc * sc;
  const double a = (sy * cc - cy * sc) / det, b = (cy * ss - sy * sc) / det;
  double err = 0, pw = 0;
  for (size_t i = n0; i < n1; i++)
  {
    const double fit = a * std::sin(phase(i)) + b * std::cos(phase(i));
    err += (y[i] - fit) * (y[i] - fit);
    pw += fit * fit;
  }
  return {a, b, err / pw};
}

} // namespace rsmptest
