#pragma once
// Runs the two channels' limiter stages in lockstep, one vector lane per
// stage. The arithmetic is the stage's own, operation for operation, so the
// results equal those of ILimiterStage::Run sample by sample; the lanes only
// let the two independent stages share instructions, and the state lives in
// registers for a whole stretch instead of in the records.
//
// A stretch goes in two loops. Measure does steps 1 to 6 of the stage and
// the ring accesses of the read-out: for every sample it copies what the
// read-out finds (delayed sample, stored gain, the smoother coefficient of
// the stored count) into a row. Its level
// follower's step is a long chain of dependent operations, so the loop is
// kept short. The caller's second loop then takes the rows sample by sample
// through Gains (the held gain and the gain smoother, step 7) and does its
// own per-sample work in the same loop, where the remaining chains are short.
// The running maxima of the followers, which nothing reads per sample, are
// taken over the stretch after it.
//
// Written with the compiler's vector operations: a comparison gives a mask of
// whole lanes and "mask ? a : b" selects lane by lane, which the compiler
// turns into compares and blends (with memory operands where a value need not
// live in a register) in each instruction set it builds for.
//
// Threads: audio thread, under the processing mutex (as the stages).

#include "plugin/dsp/ILimiterStage.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <emmintrin.h>

namespace pairsimd {

using V = __m128d;
// Two 64-bit integer lanes: masks, polarities (-1, 0, 1), ring indices.
using Lanes = long long __attribute__((vector_size(16)));

inline V Abs(V v) noexcept { return V(Lanes(v) & 0x7fffffffffffffffLL); }
// The followers' flush of tiny values: v < 1e-8 ? 0 : v.
inline V FlushTiny(V v) noexcept { return v < V {1e-8, 1e-8} ? V {0.0, 0.0} : v; }

} // namespace pairsimd

class LimiterStagePair
{
public:
  using V = pairsimd::V;

  // Longest stretch of one Measure.
  static constexpr int kMaxStretch = 256;

  // What the read-out of one sample finds in the two rings (stage a in the
  // low lane): the delayed sample, the stored gain (-1 for none) and, in
  // mode 2, the smoother coefficient of the count stored with it.
  struct alignas(16) ReadRow
  {
    V sample, gain, coeff;
  };

  // True when both stages can run in lockstep: configured alike (one rate,
  // one look-ahead), at the same ring position, with full rings (always so
  // after a configuration or clear, since the engine feeds them the same
  // number of samples), at unit output scale (the only scale the limiter
  // sets: the lanes skip the multiplications by it, which would change
  // nothing) and with a positive threshold and a finite, non-negative
  // ceiling gain (always so), which keep every segment gain non-negative.
  static bool CanPair(const ILimiterStage& a, const ILimiterStage& b) noexcept;

  // Auto-release coefficient of a stage for the level L (see ILimiterStage).
  static double AutoReleaseCoeff(const ILimiterStage& s, double L) noexcept;

  // Largest |x[i] * gain| over n samples (0 for none): a level follower's
  // running maximum over a stretch.
  static double LargestLevel(const double* x, int n, double gain) noexcept;

  // Step 7 of both stages, sample by sample over the rows Measure left:
  // the held gain, and in mode 2 the gain smoother. Loads the state at
  // construction and stores it back when destroyed, after the last row.
  template <int Mode> class Gains
  {
  public:
    Gains(ILimiterStage& a, ILimiterStage& b) noexcept
      : mA(a), mB(b), mHeld {a.heldGain, b.heldGain}, mValue {a.G.value, b.G.value},
        mMax {a.G.runningMax, b.G.runningMax}, mCoeff {a.G.attackCoeff, b.G.attackCoeff},
        mTable(a.smootherTable.get())
    {
    }
    ~Gains()
    {
      ILimiterStage* st[2] = {&mA, &mB};
      for (int k = 0; k < 2; ++k)
      {
        ILimiterStage& s = *st[k];
        s.heldGain = mHeld[k];
        if constexpr (Mode == 2)
        {
          s.G.value = mValue[k];
          s.G.runningMax = mMax[k];
          s.G.attackCoeff = mCoeff[k];
          s.G.releaseCoeff = mCoeff[k];
          s.G.holdSamples = 0;
        }
        s.gain = Mode == 2 ? mValue[k] : mHeld[k];
        s.scaledGain = s.gain;
      }
    }
    Gains(const Gains&) = delete;
    Gains& operator=(const Gains&) = delete;

    // The gains of the sample a row was read for (stage a in the low lane).
    V Step(const ReadRow& r) noexcept { return StepWith(r.gain, r.coeff); }
    // The same from the two ring entries read out.
    V Step(const double* ea, const double* eb) noexcept { return Step(V {ea[1], eb[1]}, ea[2], eb[2]); }

  private:
    V Step(V gain, double countA, double countB) noexcept
    {
      // Both stages run at one rate with one max count, so their smoother
      // tables are equal: one serves both lanes.
      if constexpr (Mode == 2)
        return StepWith(gain, V {mTable[static_cast<ptrdiff_t>(countA)], mTable[static_cast<ptrdiff_t>(countB)]});
      else
        return StepWith(gain, gain);
    }
    V StepWith(V gain, V c) noexcept
    {
      const auto has = gain >= V {0.0, 0.0};
      mHeld = has ? gain : mHeld;
      if constexpr (Mode == 2)
      {
        mCoeff = has ? c : mCoeff;
        const V hv = pairsimd::Abs(mHeld);
        mMax = _mm_max_pd(hv, mMax);
        mValue = pairsimd::FlushTiny((mValue - hv) * mCoeff + hv);
        return mValue;
      }
      else
        return mHeld;
    }

    ILimiterStage& mA;
    ILimiterStage& mB;
    V mHeld, mValue, mMax, mCoeff;
    const double* mTable;
  };

  // Modes 1 and 2, auto release on or off. Stage a runs on xa, stage b on
  // xb, n samples; for each sample i, sink(i, out, gain, scaledGain) gets the
  // two stages' results (stage a in the low lane). The stage records hold
  // the final state afterwards. Stages that cannot pair run one after the
  // other through ILimiterStage::Run, sample by sample.
  template <int Mode, bool Auto, typename Sink>
  static void Run(ILimiterStage& a, ILimiterStage& b, const double* xa, const double* xb, int n,
                  Sink&& sink) noexcept
  {
    static_assert(Mode == 1 || Mode == 2, "the pair runs the modes the limiter uses");
    if (n <= 0)
      return;
    if (!CanPair(a, b))
    {
      if (!a.ring || !b.ring) // a stage that is not configured gives silence at unity gain
      {
        const V zero = {0.0, 0.0};
        const V one = {1.0, 1.0};
        for (int i = 0; i < n; ++i)
          sink(i, zero, one, one);
        return;
      }
      for (int i = 0; i < n; ++i)
      {
        const double oa = a.Run<Mode, Auto>(xa[i]);
        const double ob = b.Run<Mode, Auto>(xb[i]);
        sink(i, V {oa, ob}, V {a.gain, b.gain}, V {a.scaledGain, b.scaledGain});
      }
      return;
    }
    Gains<Mode> gains(a, b);
    Stages<Mode, Auto>(a, b, xa, xb, n, [&](int i, const double* ea, const double* eb) {
      const V g = gains.Step(ea, eb);
      sink(i, V {ea[0], eb[0]}, g, g);
    });
  }

  // Steps 1 to 6 of paired stages (CanPair) over n <= kMaxStretch samples,
  // and the read-out's ring accesses: rows[i] receives what the read-out of
  // sample i finds. Step the rows through Gains, in order, before the next
  // Measure.
  template <int Mode, bool Auto>
  static void Measure(ILimiterStage& a, ILimiterStage& b, const double* xa, const double* xb, int n,
                      ReadRow* rows) noexcept
  {
    const double* const tab = a.smootherTable.get();
    Stages<Mode, Auto>(a, b, xa, xb, n, [&](int i, const double* ea, const double* eb) {
      rows[i].sample = V {ea[0], eb[0]};
      rows[i].gain = V {ea[1], eb[1]};
      if constexpr (Mode == 2)
        rows[i].coeff = V {tab[static_cast<ptrdiff_t>(ea[2])], tab[static_cast<ptrdiff_t>(eb[2])]};
    });
  }

  // Steps 1 to 6 of paired stages over n samples; for each sample,
  // readOut(i, ea, eb) gets the two entries the read-out takes (in place:
  // the next sample writes over them).
  template <int Mode, bool Auto, typename ReadOut>
  static void Stages(ILimiterStage& a, ILimiterStage& b, const double* xa, const double* xb, int n,
                     ReadOut&& readOut) noexcept
  {
    static_assert(Mode == 1 || Mode == 2, "the pair runs the modes the limiter uses");
    using pairsimd::Lanes;
    using pairsimd::Abs;
    using pairsimd::FlushTiny;
    const V zero = {0.0, 0.0};
    const V one = {1.0, 1.0};

    // Constants of the stretch.
    const V inGain = {a.inputGain, b.inputGain};
    const V threshold = {a.threshold, b.threshold};
    const V ceilingGain = {a.ceilingGain, b.ceilingGain};
    const int32_t maxCount = a.maxCount;
    const ptrdiff_t ringLength = a.ringLength;
    double* const ringA = a.ring.get();
    double* const ringB = b.ring.get();
    const V maxCountV = {static_cast<double>(maxCount), static_cast<double>(maxCount)};
    const V clampV = {static_cast<double>(a.silenceClamp), static_cast<double>(b.silenceClamp)};
    const V noGain = {-1.0, 0.0}; // {gain -1, count 0}
    const Lanes spare = {ringLength + 1, ringLength + 1}; // gain field of the spare entry

    // State.
    V pv = {a.P.value, b.P.value};
    V patt = {a.P.attackCoeff, b.P.attackCoeff};
    V prel = {a.P.releaseCoeff, b.P.releaseCoeff};
    V qv = {a.Q.value, b.Q.value};
    const V qatt = {a.Q.attackCoeff, b.Q.attackCoeff};
    const V qrel = {a.Q.releaseCoeff, b.Q.releaseCoeff};
    V peak = {a.segmentPeak, b.segmentPeak};
    V prevS = {a.previousSample, b.previousSample};
    // Counts ride in the lanes as doubles (whole numbers, exact); the
    // polarities and ring indices as integers.
    V count = {static_cast<double>(a.segmentCount), static_cast<double>(b.segmentCount)};
    Lanes prevPol = {a.previousPolarity, b.previousPolarity};
    ptrdiff_t w = a.writeIndex;
    // Gain field of the current segments' first entries: a segment's gain
    // goes there. Derived from the counts; irrelevant for segments of max
    // count or more, which store nothing.
    auto startOf = [&](int32_t c) {
      const ptrdiff_t p = w - ILimiterStage::kStride * (std::min(c, maxCount) + 1);
      return static_cast<long long>(p < 0 ? p + ringLength : p) + 1;
    };
    Lanes segStart = {startOf(a.segmentCount), startOf(b.segmentCount)};
    if constexpr (Auto)
      patt = V {a.autoAttack, b.autoAttack};

    for (int i = 0; i < n; ++i)
    {
      // 1. Input gain.
      const V x = V {xa[i], xb[i]} * inGain;
      // 2. Polarity -1, 0 or 1, as the mask of d < 0 minus the mask of d > 0.
      const V d = Mode == 2 ? x - prevS : x;
      const Lanes pol = (d < zero) - (d > zero);
      // 3. Segment bookkeeping. A segment that ends stores its gain when it
      // had a polarity and is shorter than max count (its gain is never
      // negative: see CanPair); segment ends that store nothing write into the spare entry behind
      // the ring.
      const Lanes same = pol == prevPol;
      const V g = peak > threshold ? ceilingGain / peak : one;
      const Lanes store = ~(same | (prevPol == 0)) & (count < maxCountV);
      const Lanes at = store ? segStart : spare;
      _mm_storeu_pd(ringA + at[0], _mm_unpacklo_pd(g, count));
      _mm_storeu_pd(ringB + at[1], _mm_unpackhi_pd(g, count));
      const V limit = pol == 0 ? clampV : maxCountV;
      count = same ? _mm_min_pd(count + one, limit) : zero;
      const Lanes here = {w + 1, w + 1};
      segStart = same ? segStart : here;
      prevPol = pol;
      peak = same ? peak : zero;
      prevS = x;
      // 4. Level.
      const V av = Abs(x);
      if constexpr (Auto)
      {
        const V qc = av > qv ? qatt : qrel;
        qv = FlushTiny((qv - av) * qc + av);
        const V L = Abs(qv);
        prel = V {AutoReleaseCoeff(a, L[0]), AutoReleaseCoeff(b, L[1])};
      }
      {
        const V c1 = av > pv ? patt : prel;
        const V p1 = FlushTiny((pv - av) * c1 + av);
        const V c2 = av > p1 ? patt : prel;
        const V p2 = FlushTiny((p1 - av) * c2 + av);
        const auto keep = peak > p1;
        pv = keep ? p1 : p2;
        peak = keep ? peak : p2;
      }
      // 5. Write.
      _mm_storel_pd(ringA + w, x);
      _mm_storeu_pd(ringA + w + 1, noGain);
      _mm_storeh_pd(ringB + w, x);
      _mm_storeu_pd(ringB + w + 1, noGain);
      w += ILimiterStage::kStride;
      if (w >= ringLength)
        w = 0;
      // 6. Fill: the rings are full. 7. The read-out's entry, the oldest.
      readOut(i, ringA + w, ringB + w);
    }

    // Back into the records.
    ILimiterStage* st[2] = {&a, &b};
    const double* xs[2] = {xa, xb};
    for (int k = 0; k < 2; ++k)
    {
      ILimiterStage& s = *st[k];
      s.P.value = pv[k];
      s.P.runningMax = std::max(LargestLevel(xs[k], n, s.inputGain), s.P.runningMax);
      if constexpr (Auto)
      {
        s.P.attackCoeff = patt[k];
        s.P.releaseCoeff = prel[k];
        s.P.holdSamples = 0;
        s.Q.value = qv[k];
        s.Q.runningMax = std::max(LargestLevel(xs[k], n, s.inputGain), s.Q.runningMax);
      }
      s.segmentPeak = peak[k];
      s.previousSample = prevS[k];
      s.previousPolarity = static_cast<int32_t>(prevPol[k]);
      s.polarity = s.previousPolarity; // the last sample's polarity
      s.segmentCount = static_cast<int32_t>(count[k]);
      s.writeIndex = static_cast<int32_t>(w);
      // The last read-out's entry is still in the ring at the write index.
      s.readGain = s.ring[w + 1];
      s.outputSample = s.ring[w];
    }
  }
};
