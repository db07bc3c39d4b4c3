#include "host/TruePeakMeter.h"

#include "resampler/RsmpVectorClones.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

namespace orbexhost {

namespace {

constexpr int kTaps = TruePeakMeter::kTapsPerPhase;
constexpr int kCentre = kTaps / 2;
constexpr int kHalf = kTaps / 2;
// Output instants computed side by side: two vectors of four doubles per
// phase (two AVX2 registers each where the processor has them).
constexpr int kLanes = 8;
typedef double Vec4 __attribute__((vector_size(32)));

double BesselI0(double x) {
  double sum = 1.0, term = 1.0;
  const double q = x * x / 4.0;
  for (int k = 1; k < 64; ++k) {
    term *= q / (static_cast<double>(k) * k);
    sum += term;
    if (term < sum * 1e-17) break;
  }
  return sum;
}

inline double MaxAbs(double peak, double v) {
  const double a = std::fabs(v);
  return a > peak ? a : peak;
}

// Largest magnitude of the upsampled stream for the n input instants whose
// newest samples are x[0 .. n) (x[-kTaps + 1 ..] must be valid). Phase 0 is
// the identity filter: its output is the centre sample itself. The filter
// of phase 3 is that of phase 1 reversed and phase 2 is its own reverse, so
// taps j and kTaps - 1 - j share the sum s and the difference d of their two
// samples: phase 2 is the sum of c2[j] s, phases 1 and 3 are U + V and
// U - V with U the sum of even[j] s and V that of odd[j] d, and the larger of
// their magnitudes is |U| + |V|.
RSMP_VECTOR_CLONES double BlockPeak(const double* x, size_t n, const double* c2, const double* even, const double* odd,
                                    double peak) {
  size_t i = 0;
  for (; i + kLanes <= n; i += kLanes) {
    const double* newest = x + i;
    Vec4 p2lo = {}, p2hi = {}, ulo = {}, uhi = {}, vlo = {}, vhi = {};
    for (int j = 0; j < kHalf; ++j) {
      Vec4 alo, ahi, blo, bhi;
      std::memcpy(&alo, newest - j, sizeof alo);
      std::memcpy(&ahi, newest - j + 4, sizeof ahi);
      std::memcpy(&blo, newest - (kTaps - 1 - j), sizeof blo);
      std::memcpy(&bhi, newest - (kTaps - 1 - j) + 4, sizeof bhi);
      const Vec4 slo = alo + blo, shi = ahi + bhi, dlo = alo - blo, dhi = ahi - bhi;
      p2lo += c2[j] * slo;
      p2hi += c2[j] * shi;
      ulo += even[j] * slo;
      uhi += even[j] * shi;
      vlo += odd[j] * dlo;
      vhi += odd[j] * dhi;
    }
    for (int t = 0; t < 4; ++t) {
      peak = MaxAbs(MaxAbs(MaxAbs(peak, p2lo[t]), std::fabs(ulo[t]) + std::fabs(vlo[t])), newest[t - kCentre]);
      peak = MaxAbs(MaxAbs(MaxAbs(peak, p2hi[t]), std::fabs(uhi[t]) + std::fabs(vhi[t])), newest[t + 4 - kCentre]);
    }
  }
  for (; i < n; ++i) {
    const double* newest = x + i;
    double p2 = 0.0, u = 0.0, v = 0.0;
    for (int j = 0; j < kHalf; ++j) {
      const double a = newest[-j], b = newest[-(kTaps - 1 - j)];
      p2 += c2[j] * (a + b);
      u += even[j] * (a + b);
      v += odd[j] * (a - b);
    }
    peak = MaxAbs(MaxAbs(MaxAbs(peak, p2), std::fabs(u) + std::fabs(v)), newest[-kCentre]);
  }
  return peak;
}

}  // namespace

TruePeakMeter::TruePeakMeter(int numChannels) : mChannels(static_cast<size_t>(numChannels > 0 ? numChannels : 0)) {
  // Prototype h(k), k = -half .. half at the upsampled rate, cut off at the
  // input's Nyquist frequency: sinc(k / 4) under a Kaiser window (beta 8,
  // about 80 dB of stop band). Phase p holds the taps k = 4 j - p for the
  // history x[n - j]; the output of phase p lies p / 4 of a sample after
  // the centre sample x[n - kTapsPerPhase / 2].
  static_assert(kFactor == 4, "the filter kernel computes phases 1 to 3 beside the identity phase");
  constexpr double kBeta = 8.0;
  constexpr int half = kFactor * kTapsPerPhase / 2;
  const double i0Beta = BesselI0(kBeta);
  auto h = [&](int k) {
    if (k <= -half || k >= half) return 0.0;
    if (k % kFactor == 0) return k == 0 ? 1.0 : 0.0;  // exact zeros of the sinc
    const double x = static_cast<double>(k) / kFactor;
    const double sinc = k == 0 ? 1.0 : std::sin(std::numbers::pi * x) / (std::numbers::pi * x);
    const double r = static_cast<double>(k) / half;
    return sinc * BesselI0(kBeta * std::sqrt(1.0 - r * r)) / i0Beta;
  };
  for (int p = 0; p < kFactor - 1; ++p) {
    double sum = 0.0;
    for (int j = 0; j < kTapsPerPhase; ++j) {
      // x[n - j] sits at time -j relative to the newest sample; the output
      // point sits at -(kTapsPerPhase / 2) + p / kFactor.
      const int k = kFactor * (j - kTapsPerPhase / 2) + p;
      mPhases[static_cast<size_t>(p)][static_cast<size_t>(j)] = h(k);
      sum += h(k);
    }
    // Unity gain at DC for every phase.
    for (double& c : mPhases[static_cast<size_t>(p)]) c /= sum;
  }
  // The prototype is even: phase 3 is phase 1 reversed, and phase 2 is its
  // own reverse. Made exact here, so the filter loop can share each pair of
  // taps between them.
  auto& p1 = mPhases[1];
  auto& p2 = mPhases[2];
  auto& p3 = mPhases[3];
  for (int j = 0; j < kHalf; ++j) {
    const auto a = static_cast<size_t>(j), b = static_cast<size_t>(kTaps - 1 - j);
    p2[a] = p2[b] = 0.5 * (p2[a] + p2[b]);
    p3[a] = p1[b];
    p3[b] = p1[a];
    mFolded.c2[a] = p2[a];
    mFolded.even[a] = 0.5 * (p1[a] + p1[b]);
    mFolded.odd[a] = 0.5 * (p1[a] - p1[b]);
  }
}

void TruePeakMeter::Filter(ChannelState& s, size_t n) {
  double* x = s.samples.data();
  s.peak = BlockPeak(x + kHistory, n, mFolded.c2.data(), mFolded.even.data(), mFolded.odd.data(), s.peak);
  // The newest kHistory samples become the history of the next block.
  std::memmove(x, x + n, kHistory * sizeof(double));
}

void TruePeakMeter::Process(int channel, const float* samples, size_t n) {
  if (channel < 0 || static_cast<size_t>(channel) >= mChannels.size() || (samples == nullptr && n > 0)) return;
  ChannelState& s = mChannels[static_cast<size_t>(channel)];
  while (n > 0) {
    const size_t m = std::min<size_t>(n, kBlock);
    double* block = s.samples.data() + kHistory;
    for (size_t i = 0; i < m; ++i) block[i] = std::isfinite(samples[i]) ? static_cast<double>(samples[i]) : 0.0;
    Filter(s, m);
    samples += m;
    n -= m;
  }
}

void TruePeakMeter::Finish() {
  for (ChannelState& s : mChannels) {
    std::fill_n(s.samples.data() + kHistory, kTapsPerPhase, 0.0);
    Filter(s, kTapsPerPhase);
  }
}

double TruePeakMeter::Peak(int channel) const {
  if (channel < 0 || static_cast<size_t>(channel) >= mChannels.size()) return 0.0;
  return mChannels[static_cast<size_t>(channel)].peak;
}

double TruePeakMeter::Peak() const {
  double peak = 0.0;
  for (const ChannelState& s : mChannels) peak = std::max(peak, s.peak);
  return peak;
}

}  // namespace orbexhost
