#pragma once
// Runs the two channels' limiter stages in lockstep, one vector lane per
// stage. The arithmetic is the stage's own, operation for operation, so the
// results equal those of ILimiterStage::Run sample by sample; the lanes only
// let the two independent stages share instructions, and the state lives in
// registers for a whole run instead of in the records. The caller's sink
// receives each sample's results in the same loop, so its own per-sample work
// overlaps with the stages'.
//
// Threads: audio thread, under the processing mutex (as the stages).

#include "plugin/ILimiterStage.h"

#include <algorithm>
#include <cmath>
#include <emmintrin.h>

namespace pairsimd {

inline __m128d Sel(__m128d mask, __m128d a, __m128d b) noexcept
{
  return _mm_or_pd(_mm_and_pd(mask, a), _mm_andnot_pd(mask, b));
}
inline __m128d Pair(double lo, double hi) noexcept { return _mm_set_pd(hi, lo); }
inline double Lo(__m128d v) noexcept { return _mm_cvtsd_f64(v); }
inline double Hi(__m128d v) noexcept { return _mm_cvtsd_f64(_mm_unpackhi_pd(v, v)); }
inline __m128d MaskOf(bool lo, bool hi) noexcept
{
  return _mm_castsi128_pd(_mm_set_epi64x(-static_cast<long long>(hi), -static_cast<long long>(lo)));
}

} // namespace pairsimd

class LimiterStagePair
{
public:
  // True when both stages can run in lockstep: configured alike and at the
  // same ring position (always so after a configuration or clear, since the
  // engine feeds them the same number of samples).
  static bool CanPair(const ILimiterStage& a, const ILimiterStage& b) noexcept;

  // Auto-release coefficient of a stage for the level L (see ILimiterStage).
  static double AutoReleaseCoeff(const ILimiterStage& s, double L) noexcept;

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
      for (int i = 0; i < n; ++i)
      {
        const double oa = a.Run<Mode, Auto>(xa[i]);
        const double ob = b.Run<Mode, Auto>(xb[i]);
        sink(i, pairsimd::Pair(oa, ob), pairsimd::Pair(a.gain, b.gain),
             pairsimd::Pair(a.scaledGain, b.scaledGain));
      }
      return;
    }
    const __m128d zero = _mm_setzero_pd();
    const __m128d one = _mm_set1_pd(1.0);
    const __m128d tiny = _mm_set1_pd(1e-8);
    const __m128d absMask = _mm_castsi128_pd(_mm_set1_epi64x(0x7fffffffffffffffLL));
    auto flush = [&](__m128d v) { return _mm_andnot_pd(_mm_cmplt_pd(v, tiny), v); };

    // Constants of the run.
    const __m128d inGain = pairsimd::Pair(a.inputGain, b.inputGain);
    const __m128d threshold = pairsimd::Pair(a.threshold, b.threshold);
    const __m128d ceilingGain = pairsimd::Pair(a.ceilingGain, b.ceilingGain);
    const __m128d outScale = pairsimd::Pair(a.outputScale, b.outputScale);
    const int32_t maxCount = a.maxCount;
    const int32_t ringLength = a.ringLength;
    const int32_t clampA = a.silenceClamp;
    const int32_t clampB = b.silenceClamp;
    double* const ringA = a.ring.get();
    double* const ringB = b.ring.get();
    const double* const tabA = a.smootherTable.get();
    const double* const tabB = b.smootherTable.get();

    // State.
    __m128d pv = pairsimd::Pair(a.P.value, b.P.value);
    __m128d pmax = pairsimd::Pair(a.P.runningMax, b.P.runningMax);
    __m128d patt = pairsimd::Pair(a.P.attackCoeff, b.P.attackCoeff);
    __m128d prel = pairsimd::Pair(a.P.releaseCoeff, b.P.releaseCoeff);
    __m128d qv = pairsimd::Pair(a.Q.value, b.Q.value);
    __m128d qmax = pairsimd::Pair(a.Q.runningMax, b.Q.runningMax);
    const __m128d qatt = pairsimd::Pair(a.Q.attackCoeff, b.Q.attackCoeff);
    const __m128d qrel = pairsimd::Pair(a.Q.releaseCoeff, b.Q.releaseCoeff);
    __m128d gv = pairsimd::Pair(a.G.value, b.G.value);
    __m128d gmax = pairsimd::Pair(a.G.runningMax, b.G.runningMax);
    __m128d gc = pairsimd::Pair(a.G.attackCoeff, b.G.attackCoeff);
    __m128d peak = pairsimd::Pair(a.segmentPeak, b.segmentPeak);
    __m128d held = pairsimd::Pair(a.heldGain, b.heldGain);
    __m128d prevS = pairsimd::Pair(a.previousSample, b.previousSample);
    __m128d gainV = pairsimd::Pair(a.gain, b.gain);
    __m128d lastOut = pairsimd::Pair(a.outputSample, b.outputSample);
    __m128d lastScaled = pairsimd::Pair(a.scaledGain, b.scaledGain);
    __m128d readGain = pairsimd::Pair(a.readGain, b.readGain);
    int32_t prevPolA = a.previousPolarity, prevPolB = b.previousPolarity;
    int32_t polA = a.polarity, polB = b.polarity;
    int32_t countA = a.segmentCount, countB = b.segmentCount;
    int32_t w = a.writeIndex;
    int32_t fill = a.fillCount;
    if constexpr (Auto)
      patt = pairsimd::Pair(a.autoAttack, b.autoAttack);

    for (int i = 0; i < n; ++i)
    {
      // 1. Input gain.
      const __m128d x = _mm_mul_pd(pairsimd::Pair(xa[i], xb[i]), inGain);
      // 2. Polarity.
      const __m128d d = Mode == 2 ? _mm_sub_pd(x, prevS) : x;
      const int pos = _mm_movemask_pd(_mm_cmpgt_pd(d, zero));
      const int neg = _mm_movemask_pd(_mm_cmplt_pd(d, zero));
      polA = (pos & 1) - (neg & 1);
      polB = ((pos >> 1) & 1) - ((neg >> 1) & 1);
      // 3. Segment bookkeeping.
      const __m128d g = pairsimd::Sel(_mm_cmpgt_pd(peak, threshold), _mm_div_pd(ceilingGain, peak), one);
      const bool sameA = polA == prevPolA;
      const bool sameB = polB == prevPolB;
      {
        // Integer masks instead of jumps: segment ends follow the signal.
        const int32_t old = countA;
        const int32_t limit = polA == 0 ? clampA : maxCount;
        const double gA = pairsimd::Lo(g);
        const int32_t store = static_cast<int32_t>(!sameA) & static_cast<int32_t>(prevPolA != 0) &
                              static_cast<int32_t>(gA >= 0.0) & static_cast<int32_t>(old < maxCount);
        int32_t p = w - ILimiterStage::kStride * (std::min(old, maxCount) + 1) + 1;
        p += ringLength & -static_cast<int32_t>(p < 0);
        const int32_t at = ringLength + ((p - ringLength) & -store);
        ringA[at] = gA;
        ringA[at + 1] = static_cast<double>(old);
        countA = (std::min(old, limit - 1) + 1) & -static_cast<int32_t>(sameA);
        prevPolA = polA;
      }
      {
        // Integer masks instead of jumps: segment ends follow the signal.
        const int32_t old = countB;
        const int32_t limit = polB == 0 ? clampB : maxCount;
        const double gB = pairsimd::Hi(g);
        const int32_t store = static_cast<int32_t>(!sameB) & static_cast<int32_t>(prevPolB != 0) &
                              static_cast<int32_t>(gB >= 0.0) & static_cast<int32_t>(old < maxCount);
        int32_t p = w - ILimiterStage::kStride * (std::min(old, maxCount) + 1) + 1;
        p += ringLength & -static_cast<int32_t>(p < 0);
        const int32_t at = ringLength + ((p - ringLength) & -store);
        ringB[at] = gB;
        ringB[at + 1] = static_cast<double>(old);
        countB = (std::min(old, limit - 1) + 1) & -static_cast<int32_t>(sameB);
        prevPolB = polB;
      }
      peak = pairsimd::Sel(pairsimd::MaskOf(sameA, sameB), peak, zero);
      prevS = x;
      // 4. Level.
      const __m128d av = _mm_and_pd(x, absMask);
      if constexpr (Auto)
      {
        const __m128d qc = pairsimd::Sel(_mm_cmpgt_pd(av, qv), qatt, qrel);
        qmax = _mm_max_pd(av, qmax);
        qv = flush(_mm_add_pd(_mm_mul_pd(_mm_sub_pd(qv, av), qc), av));
        const __m128d L = _mm_and_pd(qv, absMask);
        prel = pairsimd::Pair(AutoReleaseCoeff(a, pairsimd::Lo(L)), AutoReleaseCoeff(b, pairsimd::Hi(L)));
      }
      {
        const __m128d c1 = pairsimd::Sel(_mm_cmpgt_pd(av, pv), patt, prel);
        const __m128d p1 = flush(_mm_add_pd(_mm_mul_pd(_mm_sub_pd(pv, av), c1), av));
        const __m128d c2 = pairsimd::Sel(_mm_cmpgt_pd(av, p1), patt, prel);
        const __m128d p2 = flush(_mm_add_pd(_mm_mul_pd(_mm_sub_pd(p1, av), c2), av));
        pmax = _mm_max_pd(av, pmax);
        const __m128d keep = _mm_cmpgt_pd(peak, p1);
        pv = pairsimd::Sel(keep, p1, p2);
        peak = pairsimd::Sel(keep, peak, p2);
      }
      // 5. Write.
      ringA[w] = pairsimd::Lo(x);
      ringA[w + 1] = -1.0;
      ringA[w + 2] = 0.0;
      ringB[w] = pairsimd::Hi(x);
      ringB[w + 1] = -1.0;
      ringB[w + 2] = 0.0;
      w += ILimiterStage::kStride;
      if (w >= ringLength)
        w = 0;
      // 6. Fill.
      if (fill < ringLength)
      {
        fill += ILimiterStage::kStride;
        lastOut = zero;
        lastScaled = one;
        sink(i, zero, gainV, one);
        continue;
      }
      // 7. Read-out.
      const __m128d stored = pairsimd::Pair(ringA[w + 1], ringB[w + 1]);
      readGain = stored;
      const __m128d has = _mm_cmpge_pd(stored, zero);
      held = pairsimd::Sel(has, stored, held);
      if constexpr (Mode == 2)
      {
        const __m128d c = pairsimd::Pair(tabA[static_cast<int32_t>(ringA[w + 2])], tabB[static_cast<int32_t>(ringB[w + 2])]);
        gc = pairsimd::Sel(has, c, gc);
        const __m128d hv = _mm_and_pd(held, absMask);
        gmax = _mm_max_pd(hv, gmax);
        gv = flush(_mm_add_pd(_mm_mul_pd(_mm_sub_pd(gv, hv), gc), hv));
        gainV = gv;
      }
      else
        gainV = held;
      lastOut = _mm_mul_pd(pairsimd::Pair(ringA[w], ringB[w]), outScale);
      lastScaled = _mm_mul_pd(gainV, outScale);
      sink(i, lastOut, gainV, lastScaled);
    }

    // Back into the records.
    ILimiterStage* st[2] = {&a, &b};
    for (int k = 0; k < 2; ++k)
    {
      auto lane = [k](__m128d v) { return k == 0 ? pairsimd::Lo(v) : pairsimd::Hi(v); };
      ILimiterStage& s = *st[k];
      s.P.value = lane(pv);
      s.P.runningMax = lane(pmax);
      if constexpr (Auto)
      {
        s.P.attackCoeff = lane(patt);
        s.P.releaseCoeff = lane(prel);
        s.P.holdSamples = 0;
        s.Q.value = lane(qv);
        s.Q.runningMax = lane(qmax);
      }
      if constexpr (Mode == 2)
      {
        s.G.value = lane(gv);
        s.G.runningMax = lane(gmax);
        s.G.attackCoeff = lane(gc);
        s.G.releaseCoeff = lane(gc);
        s.G.holdSamples = 0;
      }
      s.segmentPeak = lane(peak);
      s.heldGain = lane(held);
      s.previousSample = lane(prevS);
      s.gain = lane(gainV);
      s.outputSample = lane(lastOut);
      s.scaledGain = lane(lastScaled);
      s.readGain = lane(readGain);
      s.writeIndex = w;
      s.fillCount = fill;
    }
    a.previousPolarity = prevPolA;
    b.previousPolarity = prevPolB;
    a.polarity = polA;
    b.polarity = polB;
    a.segmentCount = countA;
    b.segmentCount = countB;
  }
};
