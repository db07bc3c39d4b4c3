#include "host/DemoSignal.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace orbexhost {

namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;

class Noise {
public:
  explicit Noise(uint64_t seed) : mState(seed * 0x9E3779B97F4A7C15ull + 1) {}
  // Uniform in [-1, 1).
  double Next() {
    mState ^= mState << 13;
    mState ^= mState >> 7;
    mState ^= mState << 17;
    return static_cast<double>(mState >> 11) * (2.0 / 9007199254740992.0) - 1.0;
  }

private:
  uint64_t mState;
};

// Band-limited sawtooth from its first harmonics.
double Saw(double phase, int harmonics) {
  double s = 0.0;
  for (int k = 1; k <= harmonics; ++k) s += std::sin(kTwoPi * k * phase) / k;
  return s * (2.0 / std::numbers::pi);
}

double MidiHz(int note) { return 440.0 * std::pow(2.0, (note - 69) / 12.0); }

}  // namespace

size_t DemoFrames(const DemoSettings& st) {
  return static_cast<size_t>(std::max(0.0, std::round(st.seconds * st.sampleRate)));
}

AudioData MakeDemoSignal(const DemoSettings& st) {
  const double fs = st.sampleRate;
  const size_t n = DemoFrames(st);
  const int nch = std::clamp(st.channels, 1, 2);
  std::vector<double> left(n, 0.0), right(n, 0.0);
  Noise noise(st.seed);
  const double beat = 0.5;  // seconds per beat at 120 BPM

  auto add = [&](size_t i, double l, double r) {
    if (i < n) {
      left[i] += l;
      right[i] += r;
    }
  };

  const int beats = static_cast<int>(st.seconds / beat) + 1;
  for (int b = 0; b < beats; ++b) {
    const size_t start = static_cast<size_t>(b * beat * fs);
    // Kick on every beat: a falling sine with a click.
    {
      double phase = 0.0;
      for (size_t i = 0; i < static_cast<size_t>(0.35 * fs); ++i) {
        const double t = static_cast<double>(i) / fs;
        const double f = 48.0 + 110.0 * std::exp(-t / 0.03);
        phase += f / fs;
        const double env = std::exp(-t / 0.12);
        const double click = t < 0.002 ? (1.0 - t / 0.002) * 0.6 : 0.0;
        const double v = 1.0 * env * std::sin(kTwoPi * phase) + click;
        add(start + i, v, v);
      }
    }
    // Snare on beats 2 and 4: a tone and a noise burst.
    if (b % 2 == 1) {
      double hp = 0.0, prev = 0.0, lp = 0.0;
      for (size_t i = 0; i < static_cast<size_t>(0.25 * fs); ++i) {
        const double t = static_cast<double>(i) / fs;
        const double w = noise.Next();
        hp = 0.85 * (hp + w - prev);
        prev = w;
        lp += 0.35 * (hp - lp);  // takes the fizz off the top
        const double v = 0.5 * std::exp(-t / 0.07) * lp + 0.4 * std::exp(-t / 0.05) * std::sin(kTwoPi * 185.0 * t);
        add(start + i, v * 0.95, v);
      }
    }
    // Hi-hats on eighths, alternating sides.
    for (int h = 0; h < 2; ++h) {
      const size_t hs = start + static_cast<size_t>(h * beat * 0.5 * fs);
      double prev = 0.0;
      const double pan = (h == 0) ? 0.35 : 0.65;
      for (size_t i = 0; i < static_cast<size_t>(0.06 * fs); ++i) {
        const double t = static_cast<double>(i) / fs;
        const double w = noise.Next();
        const double v = 0.18 * std::exp(-t / 0.015) * (w - prev);
        prev = w;
        add(hs + i, v * (1.0 - pan), v * pan);
      }
    }
  }

  // Bass and pad over a four-bar progression (A minor, F, C, G).
  const int roots[4] = {45, 41, 48, 43};
  const int chords[4][3] = {{57, 60, 64}, {53, 57, 60}, {55, 60, 64}, {55, 59, 62}};
  double bassPhase = 0.0;
  double padPhase[3][2] = {};
  double bed = 0.0;
  for (size_t i = 0; i < n; ++i) {
    const double t = static_cast<double>(i) / fs;
    const int bar = static_cast<int>(t / (4 * beat)) % 4;
    const double inEighth = std::fmod(t, beat * 0.5);
    const double bassEnv = std::min(1.0, inEighth / 0.004) * std::exp(-inEighth / 0.18);
    bassPhase += MidiHz(roots[bar]) / fs;
    bassPhase -= std::floor(bassPhase);
    const double bass = 0.42 * bassEnv * std::tanh(1.8 * (std::sin(kTwoPi * bassPhase) + 0.3 * std::sin(2 * kTwoPi * bassPhase)));
    double padL = 0.0, padR = 0.0;
    for (int k = 0; k < 3; ++k) {
      const double f = MidiHz(chords[bar][k]);
      padPhase[k][0] += f * 0.9985 / fs;
      padPhase[k][1] += f * 1.0015 / fs;
      padPhase[k][0] -= std::floor(padPhase[k][0]);
      padPhase[k][1] -= std::floor(padPhase[k][1]);
      padL += Saw(padPhase[k][0], 10);
      padR += Saw(padPhase[k][1], 10);
    }
    const double swell = 0.6 + 0.4 * std::sin(kTwoPi * 0.125 * t);
    bed = 0.98 * bed + 0.02 * noise.Next();
    left[i] += bass + 0.05 * swell * padL + 0.3 * bed;
    right[i] += bass + 0.05 * swell * padR + 0.3 * bed;
  }

  double peak = 0.0;
  for (size_t i = 0; i < n; ++i) peak = std::max({peak, std::fabs(left[i]), nch == 2 ? std::fabs(right[i]) : 0.0});
  const double scale = peak > 0.0 ? std::pow(10.0, st.peakDb / 20.0) / peak : 0.0;
  AudioData out;
  out.sampleRate = fs;
  out.channels.assign(static_cast<size_t>(nch), std::vector<float>(n));
  for (size_t i = 0; i < n; ++i) {
    out.channels[0][i] = static_cast<float>(left[i] * scale);
    if (nch == 2) out.channels[1][i] = static_cast<float>(right[i] * scale);
  }
  return out;
}

}  // namespace orbexhost
