#include "graphics/ShadowBlur.h"

#include <algorithm>
#include <cmath>

namespace fx::gfx {

uint32_t MakeShadowKernel(float b, std::vector<uint8_t>& kernel)
{
  b = std::max(1.f, b);
  const int n = static_cast<int>(std::ceil(b));
  kernel.assign(static_cast<size_t>(n), 0);
  uint32_t norm = 0;
  for (int i = 0; i < n; ++i)
  {
    const double v = std::round(255.0 * std::exp(-static_cast<double>(i) * i * (4.5 / (static_cast<double>(b) * b))));
    kernel[static_cast<size_t>(i)] = static_cast<uint8_t>(std::clamp(v, 0.0, 255.0));
    norm += (i == 0 ? 1u : 2u) * kernel[static_cast<size_t>(i)];
  }
  return norm;
}

void BlurShadowPass(const uint8_t* in, ptrdiff_t inLineStride, int nLines, int len, uint8_t* out, ptrdiff_t outStride,
                    const std::vector<uint8_t>& kernel, uint32_t norm)
{
  const int n = static_cast<int>(kernel.size());
  if (n < 1 || len < 1 || nLines < 1 || norm == 0) return;
  const uint8_t* k = kernel.data();
  const int runFull = 2 * n + 1;

  // Equal-run counter, carried from line to line: when the whole neighbourhood of a middle sample
  // holds one value, that value is the result without summing.
  int run = 0;
  uint8_t last = 0;
  auto feed = [&](uint8_t v) {
    if (v == last) run = std::min(run + 1, runFull);
    else
    {
      last = v;
      run = 1;
    }
  };

  for (int line = 0; line < nLines; ++line)
  {
    const uint8_t* src = in + line * inLineStride;
    auto at = [&](int j) { return src[static_cast<ptrdiff_t>(j) * 4]; };
    auto put = [&](int j, uint32_t sum) {
      out[static_cast<ptrdiff_t>(j) * outStride + static_cast<ptrdiff_t>(line) * 4] =
        static_cast<uint8_t>(std::min<uint32_t>(255u, sum / norm));
    };
    // Every sample whose neighbourhood leaves the line: only the samples inside count.
    auto edgeSum = [&](int j) {
      uint32_t sum = k[0] * static_cast<uint32_t>(at(j));
      for (int m = 1; m < n; ++m)
      {
        if (j - m >= 0) sum += k[m] * static_cast<uint32_t>(at(j - m));
        if (j + m < len) sum += k[m] * static_cast<uint32_t>(at(j + m));
      }
      return sum;
    };

    const int middleFirst = n - 1;
    const int middleLast = len - n;
    if (middleFirst > middleLast)
    {
      // A line shorter than the kernel: all of it is edge.
      for (int j = 0; j < len; ++j) put(j, edgeSum(j));
      continue;
    }

    for (int j = 0; j < middleFirst; ++j) put(j, edgeSum(j));
    for (int j = 0; j <= 2 * n - 3 && j < len; ++j) feed(at(j));
    for (int j = middleFirst; j <= middleLast; ++j)
    {
      feed(at(j + n - 1));
      if (run == runFull)
      {
        out[static_cast<ptrdiff_t>(j) * outStride + static_cast<ptrdiff_t>(line) * 4] = last;
        continue;
      }
      uint32_t sum = k[0] * static_cast<uint32_t>(at(j));
      for (int m = 1; m < n; ++m) sum += k[m] * (static_cast<uint32_t>(at(j - m)) + at(j + m));
      put(j, sum);
    }
    for (int j = middleLast + 1; j < len; ++j) put(j, edgeSum(j));
  }
}

} // namespace fx::gfx
