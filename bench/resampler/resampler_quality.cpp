// Quality of the oversampling converters next to libsoxr (very high quality,
// linear phase, same rates and pass band), on the same signals in the same run:
// pass-band ripple, image rejection of the up converter, alias rejection of
// the down converter (multitone and sweep inputs, windowed FFT analysis) and
// the null depth of an up->down round trip against the input.

#include "bench/resampler/ResamplerBenchCommon.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <random>

using namespace rsmpbench;

namespace {

constexpr size_t kN = 1 << 15;   // analysis length at the base rate
constexpr size_t kPad = 1 << 14; // lead-in and lead-out around it
constexpr int kBlock = 512;      // the limiter's block

struct Setup
{
  double sr;
  double band; // percent of the sample rate
  // Pass-band end, Hz: the transition band of `band` percent of the rate ends
  // at the Nyquist frequency.
  double Edge() const { return (0.5 - band / 100.0) * sr; }
};

// Multitone at bin-centred frequencies (bins of bw Hz) between lo and hi Hz.
struct Multitone
{
  std::vector<int> bins;
  double amp = 0;
};

Multitone MakeTones(double bw, double lo, double hi, int count)
{
  Multitone t;
  int prev = -1000;
  for (int i = 0; i < count; ++i)
  {
    // Log spacing, at least 40 bins apart (well outside the window's main lobe).
    const double f = lo * std::pow(hi / lo, double(i) / (count - 1));
    int b = int(f / bw);
    if (b < prev + 40)
      b = prev + 40;
    if (b * bw > hi)
      break;
    t.bins.push_back(b);
    prev = b;
  }
  t.amp = 0.9 / t.bins.size();
  return t;
}

// Signal of total length n at rate `rate` holding the tones (frequencies in
// multiples of binHz).
std::vector<double> Render(const Multitone& t, double binHz, double rate, size_t n, unsigned seed)
{
  std::mt19937 rng(seed);
  std::uniform_real_distribution<double> ph(0, 2 * M_PI);
  std::vector<double> x(n, 0.0);
  for (int b : t.bins)
  {
    const double w = 2 * M_PI * b * binHz / rate, p = ph(rng);
    for (size_t i = 0; i < n; ++i)
      x[i] += t.amp * std::sin(w * double(i) + p);
  }
  return x;
}

// Linear sweep from f0 to f1 Hz over n samples at `rate`, amplitude 0.5.
std::vector<double> Sweep(double f0, double f1, double rate, size_t n)
{
  std::vector<double> x(n);
  const double T = double(n) / rate;
  for (size_t i = 0; i < n; ++i)
  {
    const double t = double(i) / rate;
    x[i] = 0.5 * std::sin(2 * M_PI * (f0 * t + 0.5 * (f1 - f0) * t * t / T));
  }
  return x;
}

std::vector<double> Convert(Converter& c, const std::vector<double>& x, int block)
{
  std::vector<double> y;
  y.reserve(x.size() * 17);
  for (size_t i = 0; i < x.size(); i += block)
    c.Process(x.data() + i, int(std::min<size_t>(block, x.size() - i)), y);
  return y;
}

struct Figures
{
  double rippleUp = 0, imageTones = 0, imageSweep = 0;
  double rippleDown = 0, aliasTones = 0, aliasSweep = 0;
  double nullDepth = 0;
  int pairLatency = 0; // base-rate samples the round trip withholds
  int lag = 0;         // alignment of the round trip's output (0 = aligned)
};

using Factory = std::function<std::unique_ptr<Converter>(double src, double dst, int maxIn)>;

// Ripple (max - min gain in dB) over the tones of one spectrum pair.
double Ripple(const Multitone& t, const std::vector<double>& in, const std::vector<double>& out)
{
  double lo = 1e9, hi = -1e9;
  for (int b : t.bins)
  {
    const double g = Db(out[b] / in[b]);
    lo = std::min(lo, g);
    hi = std::max(hi, g);
  }
  return hi - lo;
}

Figures Measure(const Setup& s, int k, const Factory& make)
{
  Figures f;
  const double bw = s.sr / kN;
  const size_t total = kN + 2 * kPad;
  const std::vector<double> wBase = KaiserWindow(kN), wHigh = KaiserWindow(kN * k);

  // Up converter: multitone in the pass band.
  const Multitone pass = MakeTones(bw, 30.0, 0.98 * s.Edge(), 80);
  {
    const std::vector<double> x = Render(pass, bw, s.sr, total, 1);
    auto up = make(s.sr, s.sr * k, kBlock);
    const std::vector<double> y = Convert(*up, x, kBlock);
    const std::vector<double> X = Spectrum(x.data() + kPad, kN, wBase);
    const std::vector<double> Y = Spectrum(y.data() + kPad * k, kN * k, wHigh);
    f.rippleUp = Ripple(pass, X, Y);
    double img = 1e-300;
    for (size_t b = kN / 2; b < Y.size(); ++b)
      img = std::max(img, Y[b]);
    f.imageTones = Db(pass.amp / img);
  }
  // Up converter: sweep over the pass band; power of the images against the
  // power of the signal.
  {
    const std::vector<double> x = Sweep(20.0, 0.98 * s.Edge(), s.sr, total);
    auto up = make(s.sr, s.sr * k, kBlock);
    const std::vector<double> y = Convert(*up, x, kBlock);
    const std::vector<double> Y = Spectrum(y.data() + kPad * k, kN * k, wHigh);
    double pin = 0, pimg = 1e-300;
    for (size_t b = 0; b < Y.size(); ++b)
      (b < kN / 2 ? pin : pimg) += Y[b] * Y[b];
    f.imageSweep = 10 * std::log10(pin / pimg);
  }
  // Down converter: pass-band multitone for the ripple.
  {
    const std::vector<double> x = Render(pass, bw, s.sr * k, total * k, 2);
    auto dn = make(s.sr * k, s.sr, kBlock * k);
    const std::vector<double> y = Convert(*dn, x, kBlock * k);
    const std::vector<double> X = Spectrum(x.data() + kPad * k, kN * k, wHigh);
    const std::vector<double> Y = Spectrum(y.data() + kPad, kN, wBase);
    f.rippleDown = Ripple(pass, X, Y);
  }
  // Down converter: tones above the output's Nyquist frequency; whatever
  // reaches the output is alias.
  {
    const Multitone stop = MakeTones(bw, 0.5 * s.sr * 1.005, 0.98 * 0.5 * s.sr * k, 80);
    const std::vector<double> x = Render(stop, bw, s.sr * k, total * k, 3);
    auto dn = make(s.sr * k, s.sr, kBlock * k);
    const std::vector<double> y = Convert(*dn, x, kBlock * k);
    const std::vector<double> Y = Spectrum(y.data() + kPad, kN, wBase);
    double al = 1e-300;
    for (double v : Y)
      al = std::max(al, v);
    f.aliasTones = Db(stop.amp / al);
  }
  // Down converter: sweep over the stop band; output power against input power.
  {
    const std::vector<double> x = Sweep(0.5 * s.sr * 1.005, 0.98 * 0.5 * s.sr * k, s.sr * k, total * k);
    auto dn = make(s.sr * k, s.sr, kBlock * k);
    const std::vector<double> y = Convert(*dn, x, kBlock * k);
    const std::vector<double> X = Spectrum(x.data() + kPad * k, kN * k, wHigh);
    const std::vector<double> Y = Spectrum(y.data() + kPad, kN, wBase);
    double pin = 0, pout = 1e-300;
    for (double v : X)
      pin += v * v;
    for (double v : Y)
      pout += v * v;
    // Both sums are the windowed mean square, whatever the transform length.
    f.aliasSweep = 10 * std::log10(pin / pout);
  }
  // Round trip up -> down of the pass-band multitone against the input.
  {
    const std::vector<double> x = Render(pass, bw, s.sr, total, 4);
    auto up = make(s.sr, s.sr * k, kBlock);
    auto dn = make(s.sr * k, s.sr, kBlock * k);
    std::vector<double> y, z, hi;
    for (size_t i = 0; i < x.size(); i += kBlock)
    {
      hi.clear();
      up->Process(x.data() + i, kBlock, hi);
      dn->Process(hi.data(), int(hi.size()), z);
    }
    f.pairLatency = int(x.size()) - int(z.size());
    double best = 1e300;
    for (int lag = -64; lag <= 64; ++lag)
    {
      double e = 0, p = 0;
      for (size_t i = kPad; i < kPad + kN; ++i)
      {
        const long j = long(i) + lag;
        if (j < 0 || j >= long(z.size()))
        {
          e = 1e300;
          break;
        }
        e += (z[j] - x[i]) * (z[j] - x[i]);
        p += x[i] * x[i];
      }
      if (e / std::max(p, 1e-300) < best)
      {
        best = e / p;
        f.lag = lag;
      }
    }
    f.nullDepth = 10 * std::log10(best);
  }
  return f;
}

} // namespace

int main()
{
  const auto t0 = std::chrono::steady_clock::now();
  const Setup setups[] = {{44100.0, 3.0}, {48000.0, 8.0}};
  std::printf("Oversampling converters: ours (136.32 dB design, linear phase) against libsoxr %s\n"
              "(very high quality, linear phase, same rates and pass band), same signals.\n"
              "Pass band up to 0.98 of its end (rate / 2 - band * rate), stop band from rate / 2.\n"
              "Ripple in dB (lower is better); rejections in dB (higher is better); null in dB\n"
              "(lower is better). Ratio = ours / soxr.\n\n",
              soxr_version());
  std::printf("%-8s %-5s %-3s %-28s %12s %12s %8s\n", "rate", "band", "k", "figure", "ours", "soxr", "ratio");
  for (const Setup& s : setups)
    for (int k : {2, 4, 8, 16})
    {
      const Figures ours = Measure(s, k, [&](double src, double dst, int maxIn) -> std::unique_ptr<Converter> {
        return std::make_unique<OursConverter>(src, dst, maxIn, s.band);
      });
      const Figures sox = Measure(s, k, [&](double src, double dst, int) -> std::unique_ptr<Converter> {
        return std::make_unique<SoxrConverter>(src, dst, SOXR_VHQ, 2.0 * s.Edge() / s.sr);
      });
      auto row = [&](const char* name, double a, double b) {
        std::printf("%-8.0f %-5.0f %-3d %-28s %12.6g %12.6g %8.3f\n", s.sr, s.band, k, name, a, b, a / b);
      };
      row("up pass-band ripple", ours.rippleUp, sox.rippleUp);
      row("up image rejection, tones", ours.imageTones, sox.imageTones);
      row("up image rejection, sweep", ours.imageSweep, sox.imageSweep);
      row("down pass-band ripple", ours.rippleDown, sox.rippleDown);
      row("down alias rejection, tones", ours.aliasTones, sox.aliasTones);
      row("down alias rejection, sweep", ours.aliasSweep, sox.aliasSweep);
      row("round-trip null", ours.nullDepth, sox.nullDepth);
      std::printf("%-8.0f %-5.0f %-3d %-28s %12d %12d\n", s.sr, s.band, k, "round-trip latency (samples)",
                  ours.pairLatency, sox.pairLatency);
      std::printf("%-8.0f %-5.0f %-3d %-28s %12d %12d\n", s.sr, s.band, k, "round-trip output lag", ours.lag,
                  sox.lag);
      std::fflush(stdout);
    }
  std::printf("\n(%.1f s)\n", std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
  return 0;
}
