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

#include "plugin/dsp/ILimiterStage.h"

#include <algorithm>
#include <cmath>
#include <emmintrin.h>

namespace pairsimd {

// mask ? a : b for masks of whole lanes (all ones or all zeros), exact
// either way. Baseline: b ^ ((a ^ b) & mask), one register copy fewer than
// the and / and-not / or form. Blend: one vblendvpd, for code that only runs
// in the AVX2 build (written as assembly so that the baseline build, which
// contains but never runs it, compiles).
template <bool Blend = false> inline __m128d Sel(__m128d mask, __m128d a, __m128d b) noexcept
{
  if constexpr (Blend)
  {
    __m128d r;
    __asm__("vblendvpd %3, %2, %1, %0" : "=x"(r) : "x"(b), "x"(a), "x"(mask));
    return r;
  }
  else
    return _mm_xor_pd(b, _mm_and_pd(_mm_xor_pd(a, b), mask));
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
  // True when both stages can run in lockstep: configured alike, at the same
  // ring position, with full rings (always so after a configuration or
  // clear, since the engine feeds them the same number of samples) and at
  // unit output scale (the only scale the limiter sets: the lanes skip the
  // multiplications by it, which would change nothing).
  static bool CanPair(const ILimiterStage& a, const ILimiterStage& b) noexcept;

  // Auto-release coefficient of a stage for the level L (see ILimiterStage).
  static double AutoReleaseCoeff(const ILimiterStage& s, double L) noexcept;

  // Modes 1 and 2, auto release on or off. Stage a runs on xa, stage b on
  // xb, n samples; for each sample i, sink(i, out, gain, scaledGain) gets the
  // two stages' results (stage a in the low lane). The stage records hold
  // the final state afterwards. Stages that cannot pair run one after the
  // other through ILimiterStage::Run, sample by sample.
  // Blend: selections as vblendvpd (only for callers in the AVX2 build).
  template <int Mode, bool Auto, bool Blend = false, typename Sink>
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
        const __m128d zero = _mm_setzero_pd();
        const __m128d one = _mm_set1_pd(1.0);
        for (int i = 0; i < n; ++i)
          sink(i, zero, one, one);
        return;
      }
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
    // Polarities and counts ride in the lanes as doubles (small whole
    // numbers, exact), so the segment bookkeeping is vector work too.
    __m128d prevPol = pairsimd::Pair(a.previousPolarity, b.previousPolarity);
    __m128d count = pairsimd::Pair(a.segmentCount, b.segmentCount);
    const __m128d maxCountV = _mm_set1_pd(maxCount);
    const __m128d clampV = pairsimd::Pair(clampA, clampB);
    const __m128d ringLengthV = _mm_set1_pd(ringLength);
    const __m128d noGain = _mm_set_pd(0.0, -1.0); // {gain -1, count 0}
    int32_t w = a.writeIndex;
    // Where the current segments began (index of the first entry): the gain
    // of a segment goes to that entry's gain field. Derived from the counts;
    // irrelevant for segments of max count or more, which store nothing.
    auto startOf = [&](int32_t c) {
      int32_t p = w - ILimiterStage::kStride * (std::min(c, maxCount) + 1);
      return p < 0 ? p + ringLength : p;
    };
    __m128d segStart = pairsimd::Pair(startOf(a.segmentCount), startOf(b.segmentCount));
    if constexpr (Auto)
      patt = pairsimd::Pair(a.autoAttack, b.autoAttack);

    for (int i = 0; i < n; ++i)
    {
      // 1. Input gain.
      const __m128d x = _mm_mul_pd(pairsimd::Pair(xa[i], xb[i]), inGain);
      // 2. Polarity.
      const __m128d d = Mode == 2 ? _mm_sub_pd(x, prevS) : x;
      const __m128d pol =
        _mm_sub_pd(_mm_and_pd(_mm_cmpgt_pd(d, zero), one), _mm_and_pd(_mm_cmplt_pd(d, zero), one));
      // 3. Segment bookkeeping: a segment end that stores nothing writes into
      // the spare entry behind the ring.
      const __m128d g = pairsimd::Sel<Blend>(_mm_cmpgt_pd(peak, threshold), _mm_div_pd(ceilingGain, peak), one);
      const __m128d same = _mm_cmpeq_pd(pol, prevPol);
      const __m128d store = _mm_andnot_pd(
        same, _mm_and_pd(_mm_and_pd(_mm_cmpneq_pd(prevPol, zero), _mm_cmpge_pd(g, zero)),
                         _mm_cmplt_pd(count, maxCountV)));
      const __m128i at = _mm_cvttpd_epi32(pairsimd::Sel<Blend>(store, _mm_add_pd(segStart, one), ringLengthV));
      const int32_t atA = _mm_cvtsi128_si32(at);
      const int32_t atB = _mm_cvtsi128_si32(_mm_shuffle_epi32(at, 1));
      _mm_storeu_pd(ringA + atA, _mm_unpacklo_pd(g, count));
      _mm_storeu_pd(ringB + atB, _mm_unpackhi_pd(g, count));
      const __m128d limit = pairsimd::Sel<Blend>(_mm_cmpeq_pd(pol, zero), clampV, maxCountV);
      count = _mm_and_pd(same, _mm_min_pd(_mm_add_pd(count, one), limit));
      segStart = pairsimd::Sel<Blend>(same, segStart, _mm_set1_pd(w));
      prevPol = pol;
      peak = _mm_and_pd(same, peak);
      prevS = x;
      // 4. Level.
      const __m128d av = _mm_and_pd(x, absMask);
      if constexpr (Auto)
      {
        const __m128d qc = pairsimd::Sel<Blend>(_mm_cmpgt_pd(av, qv), qatt, qrel);
        qmax = _mm_max_pd(av, qmax);
        qv = flush(_mm_add_pd(_mm_mul_pd(_mm_sub_pd(qv, av), qc), av));
        const __m128d L = _mm_and_pd(qv, absMask);
        prel = pairsimd::Pair(AutoReleaseCoeff(a, pairsimd::Lo(L)), AutoReleaseCoeff(b, pairsimd::Hi(L)));
      }
      {
        pmax = _mm_max_pd(av, pmax);
        const __m128d c1 = pairsimd::Sel<Blend>(_mm_cmpgt_pd(av, pv), patt, prel);
        const __m128d p1 = flush(_mm_add_pd(_mm_mul_pd(_mm_sub_pd(pv, av), c1), av));
        const __m128d c2 = pairsimd::Sel<Blend>(_mm_cmpgt_pd(av, p1), patt, prel);
        const __m128d p2 = flush(_mm_add_pd(_mm_mul_pd(_mm_sub_pd(p1, av), c2), av));
        const __m128d keep = _mm_cmpgt_pd(peak, p1);
        pv = pairsimd::Sel<Blend>(keep, p1, p2);
        peak = pairsimd::Sel<Blend>(keep, peak, p2);
      }
      // 5. Write.
      ringA[w] = pairsimd::Lo(x);
      _mm_storeu_pd(ringA + w + 1, noGain);
      ringB[w] = pairsimd::Hi(x);
      _mm_storeu_pd(ringB + w + 1, noGain);
      w += ILimiterStage::kStride;
      if (w >= ringLength)
        w = 0;
      // 6. Fill.
      const __m128d stored = pairsimd::Pair(ringA[w + 1], ringB[w + 1]);
      const __m128d has = _mm_cmpge_pd(stored, zero);
      held = pairsimd::Sel<Blend>(has, stored, held);
      if constexpr (Mode == 2)
      {
        const __m128d c = pairsimd::Pair(tabA[static_cast<int32_t>(ringA[w + 2])], tabB[static_cast<int32_t>(ringB[w + 2])]);
        gc = pairsimd::Sel<Blend>(has, c, gc);
        const __m128d hv = _mm_and_pd(held, absMask);
        gmax = _mm_max_pd(hv, gmax);
        gv = flush(_mm_add_pd(_mm_mul_pd(_mm_sub_pd(gv, hv), gc), hv));
      }
      const __m128d gainV = Mode == 2 ? gv : held;
      sink(i, pairsimd::Pair(ringA[w], ringB[w]), gainV, gainV);
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
      // The last read-out entry is still in the ring at the write index.
      const double* r = s.ring.get() + w;
      s.gain = Mode == 2 ? lane(gv) : lane(held);
      s.readGain = r[1];
      s.outputSample = r[0];
      s.scaledGain = s.gain;
      s.writeIndex = w;
    }
    a.previousPolarity = static_cast<int32_t>(pairsimd::Lo(prevPol));
    b.previousPolarity = static_cast<int32_t>(pairsimd::Hi(prevPol));
    a.polarity = a.previousPolarity; // the last sample's polarity
    b.polarity = b.previousPolarity;
    a.segmentCount = static_cast<int32_t>(pairsimd::Lo(count));
    b.segmentCount = static_cast<int32_t>(pairsimd::Hi(count));
  }
};
