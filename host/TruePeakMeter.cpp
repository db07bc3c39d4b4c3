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
// newest samples are x[0 .. n): phase p's output at i is the sum over j of
// c[p][j] * x[i - j], taken in order of j (x[-kTaps + 1 ..] must be valid).
// Phase 0 is the identity filter: its output is the centre sample itself.
RSMP_VECTOR_CLONES double BlockPeak(const double* x, size_t n, const double* c1, const double* c2, const double* c3,
                                    double peak) {
  size_t i = 0;
  for (; i + kLanes <= n; i += kLanes) {
    const double* newest = x + i;
    Vec4 a1lo = {}, a1hi = {}, a2lo = {}, a2hi = {}, a3lo = {}, a3hi = {};
    for (int j = 0; j < kTaps; ++j) {
      Vec4 lo, hi;
      std::memcpy(&lo, newest - j, sizeof lo);
      std::memcpy(&hi, newest - j + 4, sizeof hi);
      a1lo += c1[j] * lo;
      a1hi += c1[j] * hi;
      a2lo += c2[j] * lo;
      a2hi += c2[j] * hi;
      a3lo += c3[j] * lo;
      a3hi += c3[j] * hi;
    }
    for (int t = 0; t < 4; ++t) {
      peak = MaxAbs(MaxAbs(MaxAbs(MaxAbs(peak, a1lo[t]), a2lo[t]), a3lo[t]), newest[t - kCentre]);
      peak = MaxAbs(MaxAbs(MaxAbs(MaxAbs(peak, a1hi[t]), a2hi[t]), a3hi[t]), newest[t + 4 - kCentre]);
    }
  }
  for (; i < n; ++i) {
    const double* newest = x + i;
    double y1 = 0.0, y2 = 0.0, y3 = 0.0;
    for (int j = 0; j < kTaps; ++j) {
      y1 += c1[j] * newest[-j];
      y2 += c2[j] * newest[-j];
      y3 += c3[j] * newest[-j];
    }
    peak = MaxAbs(MaxAbs(MaxAbs(MaxAbs(peak, y1), y2), y3), newest[-kCentre]);
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
  for (int p = 0; p < kFactor; ++p) {
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
}

void TruePeakMeter::Filter(ChannelState& s, size_t n) {
  double* x = s.samples.data();
  s.peak = BlockPeak(x + kHistory, n, mPhases[1].data(), mPhases[2].data(), mPhases[3].data(), s.peak);
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
