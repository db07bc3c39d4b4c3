#pragma once
// Plain reference versions of the limiter's follower, stage and per-sample
// chain, written from their description without any of the engine's
// shortcuts (no tables, no lanes, no branch-free tricks), for comparison.

#include <algorithm>
#include <cmath>
#include <vector>

namespace reference {

// ---- Reference: the follower and the stage, straight from their description.

struct RefFollower
{
  double att = 0, rel = 0;
  int hold = 0, counter = 0;
  double value = 0, maxv = 0;
  int state = 0, invert = 0;

  double Step(double v)
  {
    if (invert == 1)
      v = 1 - std::min(v, 1.0);
    maxv = std::max(maxv, v);
    if (v > value)
    {
      value = (value - v) * att + v;
      counter = 0;
      state = 1;
    }
    else if (state == 4)
      value = (value - v) * rel + v;
    else if (state == 1)
    {
      const bool release = counter >= hold;
      counter++;
      if (release)
      {
        state = 4;
        value = (value - v) * rel + v;
      }
    }
    if (value < 1e-8)
      value = 0;
    return invert == 1 ? 1 - value : value;
  }
};

inline double Pow10(double x) { return std::pow(10.0, x); }

struct RefStage
{
  RefFollower G, P, Q;
  double rate;
  int prevPol = 0, count = 0;
  double peak = 0, held = 1, prevSample = 0;
  double lookAheadMs;
  int maxCount, ringLen, fill;
  std::vector<double> ring;
  int w = 0;
  double inGain, threshold, ceilDb, ceilGain, attackTime;
  int autoRel, silenceClamp;
  double gain = 1, scaledGain = 1;

  RefStage(double fs, int lookAhead, double gainDb, double attackMs, double releaseMs, int autoR,
           double ceiling, bool volume)
    : rate(fs)
  {
    lookAheadMs = lookAhead == 1 ? 50.0 : 10.0;
    maxCount = lookAhead == 1 ? 2561 : 513;
    ringLen = 3 * maxCount;
    fill = ringLen;
    ring.assign(ringLen, 0.0);
    for (int i = 0; i < ringLen; i += 3)
      ring[i + 1] = 1.0;
    // The gain smoother starts at no reduction, releasing.
    G.value = 1.0;
    G.state = 4;
    Update(gainDb, attackMs, releaseMs, autoR, ceiling, volume);
  }

  // The values a parameter change rewrites (ring, polarity state and the
  // followers' values survive; the smoother's coefficients become 0).
  void Update(double gainDb, double attackMs, double releaseMs, int autoR, double ceiling, bool volume)
  {
    inGain = std::pow(2.0, gainDb / 6.0);
    threshold = volume ? 1.0 : std::pow(2.0, ceiling / 6.0);
    ceilGain = threshold;
    ceilDb = volume ? 0.0 : ceiling;
    attackTime = attackMs / 1000.0;
    autoRel = autoR;
    G.att = G.rel = 0.0;
    G.hold = 0;
    P.att = Pow10(-1.0 / (attackTime * rate));
    P.rel = Pow10(-1.0 / (releaseMs / 1000.0 * rate));
    P.hold = 0;
    Q.att = Q.rel = 0.0;
    Q.hold = 0;
    silenceClamp = static_cast<int>(lookAheadMs / 1000.0 * rate);
  }

  static int Sign(double v) { return v > 0 ? 1 : (v < 0 ? -1 : 0); }

  double Process(int mode, double x)
  {
    if (mode >= 1)
      x *= inGain;
    int pol = 0;
    if (mode == 3)
      pol = std::fabs(x) > threshold ? 1 : 0;
    else if (mode == 2)
      pol = Sign(x - prevSample);
    else if (mode == 1)
      pol = Sign(x);
    if (pol == prevPol)
    {
      const int old = count;
      count = old + 1;
      if (pol == 0 && old >= silenceClamp)
        count = silenceClamp;
    }
    else
    {
      if (prevPol != 0)
      {
        const double g = peak > threshold ? ceilGain / peak : 1.0;
        if (g >= 0 && count < maxCount)
        {
          int p = w - 3 * (count + 1) + 1;
          if (p < 0)
            p += ringLen;
          ring[p] = g;
          ring[p + 1] = count;
        }
      }
      count = 0;
      peak = 0;
    }
    prevPol = pol;
    prevSample = x;
    const double a = std::fabs(x);
    if (autoRel)
    {
      const double L = std::fabs(Q.Step(a));
      const double ldb = L > 6.309e-8 ? std::log(L) * 8.685889638065037 : -144.0;
      const double T = std::pow(3.5, std::max(ldb - ceilDb + 7.0, 0.0) / 2.7 - 3.5);
      P.att = Pow10(-1.0 / (attackTime * rate));
      P.rel = Pow10(-1.0 / (T * rate));
      P.hold = 0;
    }
    const double p1 = P.Step(a);
    if (!(peak > p1))
      peak = P.Step(a);
    ring[w] = x;
    ring[w + 1] = -1.0;
    ring[w + 2] = 0.0;
    w += 3;
    if (w == ringLen)
      w = 0;
    if (fill < ringLen)
    {
      fill += 3;
      return 0.0;
    }
    const int r = w;
    if (ring[r + 1] >= 0)
      held = ring[r + 1];
    if (mode >= 2 && ring[r + 1] >= 0)
    {
      const double n = std::max(ring[r + 2], 1.0);
      const double t = 2 * n / rate;
      G.att = G.rel = Pow10(-1.0 / (t * rate));
      G.hold = 0;
    }
    if (mode == 0)
      gain = 1.0;
    else if (mode == 2 || mode == 3)
      gain = G.Step(std::fabs(held));
    else
      gain = held;
    scaledGain = gain;
    return ring[r];
  }
};


// The block chain at the base rate (no oversampling): input meters, both
// stages, link, saturation, clipper, GR meters, Volume, clamp, output meters.
struct RefEngine
{
  double fs;
  RefStage s0, s1;
  RefFollower meters[12]; // IN-L/R fast, OUT-L/R fast, GR-L/R fast, IN-L hold, OUT-L hold, GR-L hold, IN-R, OUT-R, GR-R hold
  double gain = 0, ceiling = 0, drive = 0, link = 100, attackMs = 0, releaseMs = 0;
  int autoRel = 0, limitMode = 0, satMode = 0, ceilingMode = 0;
  bool initialised = false;
  double pre, t, r, top, hi, lo, k;

  RefEngine(double rate, int lookAhead, double gainDb, double attack, double release, int autoR,
            double ceilingDb, double driveDb, double linkPct, int limit, int sat, int ceilMode)
    : fs(rate), s0(rate, lookAhead, gainDb, attack, release, autoR, ceilingDb, ceilMode == 1),
      s1(rate, lookAhead, gainDb, attack, release, autoR, ceilingDb, ceilMode == 1)
  {
    SetParams(gainDb, attack, release, autoR, ceilingDb, driveDb, linkPct, limit, sat, ceilMode);
    for (int i = 0; i < 12; ++i)
    {
      RefFollower& m = meters[i];
      const bool gr = i == 4 || i == 5 || i == 8 || i == 11;
      const bool fast = i < 6;
      m.att = fast ? Pow10(-1.0 / (0.0001 * fs)) : 0.0;
      m.rel = Pow10(-1.0 / (1.0 * fs));
      m.hold = fast ? 0 : static_cast<int>(3.0 * fs);
      m.invert = gr ? 1 : 0;
    }
  }

  // Channel Link, Limit Mode and Saturation Mode are only copied; every other
  // parameter also recomputes the derived values (the stages' included).
  void SetParams(double gainDb, double attack, double release, int autoR, double ceilingDb, double driveDb,
                 double linkPct, int limit, int sat, int ceilMode)
  {
    link = linkPct;
    limitMode = limit;
    satMode = sat;
    const bool derived = gainDb != gain || attack != attackMs || release != releaseMs || autoR != autoRel ||
                         ceilingDb != ceiling || driveDb != drive || ceilMode != ceilingMode;
    if (!derived && initialised)
      return;
    initialised = true;
    gain = gainDb;
    attackMs = attack;
    releaseMs = release;
    autoRel = autoR;
    ceiling = ceilingDb;
    drive = driveDb;
    ceilingMode = ceilMode;
    s0.Update(gain, attack, release, autoR, ceiling, ceilMode == 1);
    s1.Update(gain, attack, release, autoR, ceiling, ceilMode == 1);
    const bool vol = ceilMode == 1;
    pre = std::pow(2.0, drive / 6.0);
    t = std::pow(2.0, (std::min(vol ? 0.0 : ceiling, -drive) - 0.01) / 6.0);
    top = vol ? 1.0 : std::pow(2.0, ceiling / 6.0);
    r = top - t;
    hi = vol ? 1.0 : (ceiling > -144 ? std::pow(10.0, ceiling / 20.0) : 0.0);
    lo = -hi;
    k = (gain / 12.0) / 200.0 * 3.141592653589793;
  }

  static double G20(double db) { return db > -144 ? std::pow(10.0, db / 20.0) : 0.0; }

  // in/out: two channels; mono uses channel 0 in and out (channel 1 is a
  // scratch row that is only clamped and metered).
  void Process(const double* in0, const double* in1, double* out0, double* out1, int n, bool stereo)
  {
    const double m = G20(drive) * G20(gain);
    for (int i = 0; i < n; ++i)
    {
      meters[0].Step(std::fabs(in0[i] * m));
      meters[1].Step(std::fabs(in1[i] * m));
      meters[6].Step(std::fabs(in0[i] * m));
      meters[9].Step(std::fabs(in1[i] * m));
    }
    const int mode = limitMode == 0 ? 2 : 1;
    const double l = link / 100.0;
    const double vg = std::exp(ceiling * 0.1151292546497);
    for (int i = 0; i < n; ++i)
    {
      const double a = in0[i];
      const double b = stereo ? in1[i] : in0[i];
      const double x0 = s0.Process(mode, a);
      const double x1 = s1.Process(mode, b);
      const double mm = std::min(s0.gain, s1.gain) * l;
      double y[2] = {x0 * (mm + (1 - l) * s0.gain), x1 * (mm + (1 - l) * s1.gain)};
      double ratio[2];
      for (int c = 0; c < 2; ++c)
      {
        if (satMode == 1 && gain > 0)
        {
          double v = std::clamp(y[c], -1.0, 1.0);
          v = std::sin(k * v) / std::sin(k);
          y[c] = v >= 1 ? 1.0 : (v <= -1 || std::isnan(v) ? -1.0 : v);
        }
        const double u = y[c] * pre;
        double z = u;
        if (std::fabs(u) >= t)
          z = (u > 0 ? 1.0 : -1.0) * (std::tanh((std::fabs(u) - t) / r) * r + t);
        ratio[c] = u != 0 ? z / u : 1.0;
        y[c] = z;
      }
      const double gr0 = std::fabs(ratio[0] * s0.scaledGain);
      const double gr1 = std::fabs(ratio[1] * s1.scaledGain);
      meters[4].Step(gr0);
      meters[5].Step(gr1);
      meters[8].Step(gr0);
      meters[11].Step(gr1);
      if (ceilingMode == 1)
      {
        y[0] *= vg;
        y[1] *= vg;
      }
      if (stereo)
      {
        out0[i] = y[0];
        out1[i] = y[1];
      }
      else
        out0[i] = y[1];
    }
    for (int i = 0; i < n; ++i)
    {
      out0[i] = std::max(lo, std::min(hi, out0[i]));
      out1[i] = std::max(lo, std::min(hi, out1[i]));
      meters[2].Step(std::fabs(out0[i]));
      meters[3].Step(std::fabs(out1[i]));
      meters[7].Step(std::fabs(out0[i]));
      meters[10].Step(std::fabs(out1[i]));
    }
  }
};

} // namespace reference
