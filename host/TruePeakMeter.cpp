#include "host/TruePeakMeter.h"

#include <cmath>
#include <numbers>

namespace orbexhost {

namespace {

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

}  // namespace

TruePeakMeter::TruePeakMeter(int numChannels) : mChannels(static_cast<size_t>(numChannels > 0 ? numChannels : 0)) {
  // Prototype h(k), k = -half .. half at the upsampled rate, cut off at the
  // input's Nyquist frequency: sinc(k / 4) under a Kaiser window (beta 8,
  // about 80 dB of stop band). Phase p holds the taps k = 4 j - p for the
  // history x[n - j]; the output of phase p lies p / 4 of a sample after
  // the centre sample x[n - kTapsPerPhase / 2].
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

void TruePeakMeter::Push(ChannelState& s, double x) {
  s.pos = (s.pos == 0 ? kTapsPerPhase : s.pos) - 1;
  s.history[static_cast<size_t>(s.pos)] = x;
  s.history[static_cast<size_t>(s.pos + kTapsPerPhase)] = x;
  const double* hist = &s.history[static_cast<size_t>(s.pos)];  // hist[j] = x[n - j]
  for (int p = 0; p < kFactor; ++p) {
    const auto& c = mPhases[static_cast<size_t>(p)];
    double y = 0.0;
    for (int j = 0; j < kTapsPerPhase; ++j) y += c[static_cast<size_t>(j)] * hist[j];
    const double a = std::fabs(y);
    if (a > s.peak) s.peak = a;
  }
}

void TruePeakMeter::Process(int channel, const float* samples, size_t n) {
  if (channel < 0 || static_cast<size_t>(channel) >= mChannels.size() || samples == nullptr) return;
  ChannelState& s = mChannels[static_cast<size_t>(channel)];
  for (size_t i = 0; i < n; ++i) {
    const double x = std::isfinite(samples[i]) ? static_cast<double>(samples[i]) : 0.0;
    Push(s, x);
  }
}

void TruePeakMeter::Finish() {
  for (ChannelState& s : mChannels)
    for (int i = 0; i < kTapsPerPhase; ++i) Push(s, 0.0);
}

double TruePeakMeter::Peak(int channel) const {
  if (channel < 0 || static_cast<size_t>(channel) >= mChannels.size()) return 0.0;
  return mChannels[static_cast<size_t>(channel)].peak;
}

double TruePeakMeter::Peak() const {
  double peak = 0.0;
  for (const ChannelState& s : mChannels)
    if (s.peak > peak) peak = s.peak;
  return peak;
}

}  // namespace orbexhost
