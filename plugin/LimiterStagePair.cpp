#include "plugin/LimiterStagePair.h"

#include <cmath>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

bool LimiterStagePair::CanPair(const ILimiterStage& a, const ILimiterStage& b) noexcept
{
  return a.ring && b.ring && a.smootherTable && b.smootherTable && a.stride == ILimiterStage::kStride &&
         b.stride == ILimiterStage::kStride && a.ringLength == b.ringLength && a.maxCount == b.maxCount &&
         a.writeIndex == b.writeIndex && a.fillCount == b.fillCount &&
         a.G.attackCoeff == a.G.releaseCoeff && b.G.attackCoeff == b.G.releaseCoeff &&
         a.ringLength == a.maxCount * ILimiterStage::kStride;
}

namespace {

template <int Mode, bool Auto>
void RunSeparately(ILimiterStage& a, ILimiterStage& b, const double* xa, const double* xb, int n,
                   double* out, double* gain, double* scaledGain) noexcept
{
  for (int i = 0; i < n; ++i)
  {
    out[2 * i] = a.Run<Mode, Auto>(xa[i]);
    gain[2 * i] = a.gain;
    scaledGain[2 * i] = a.scaledGain;
  }
  for (int i = 0; i < n; ++i)
  {
    out[2 * i + 1] = b.Run<Mode, Auto>(xb[i]);
    gain[2 * i + 1] = b.gain;
    scaledGain[2 * i + 1] = b.scaledGain;
  }
}

#if defined(__SSE2__)

inline __m128d Sel(__m128d mask, __m128d a, __m128d b) noexcept
{
  return _mm_or_pd(_mm_and_pd(mask, a), _mm_andnot_pd(mask, b));
}

inline __m128d Pair(double lo, double hi) noexcept
{
  return _mm_set_pd(hi, lo);
}

inline double Lo(__m128d v) noexcept
{
  return _mm_cvtsd_f64(v);
}

inline double Hi(__m128d v) noexcept
{
  return _mm_cvtsd_f64(_mm_unpackhi_pd(v, v));
}

inline __m128d MaskOf(bool lo, bool hi) noexcept
{
  return _mm_castsi128_pd(_mm_set_epi64x(-static_cast<long long>(hi), -static_cast<long long>(lo)));
}

// Auto-release coefficient of one stage for the level L (see ILimiterStage).
inline double AutoRelease(const ILimiterStage& s, double L) noexcept
{
  if (L <= s.autoKneeLevel)
    return s.autoFloorRelease;
  const double levelDb = L > 6.309e-8 ? std::log(L) * 8.685889638065037 : -144.0;
  const double T = std::exp(ILimiterStage::kLn3_5 * (std::max(levelDb - s.ceilingDb + 7.0, 0.0) / 2.7 - 3.5));
  return std::exp(-ILimiterStage::kLn10 / (T * s.rate));
}

#endif

} // namespace

template <int Mode, bool Auto>
void LimiterStagePair::Run(ILimiterStage& a, ILimiterStage& b, const double* xa, const double* xb, int n,
                           double* out, double* gain, double* scaledGain) noexcept
{
  static_assert(Mode == 1 || Mode == 2, "the pair runs the modes the limiter uses");
#if defined(__SSE2__)
  if (n <= 0)
    return;
  if (!CanPair(a, b))
  {
    RunSeparately<Mode, Auto>(a, b, xa, xb, n, out, gain, scaledGain);
    return;
  }
  const __m128d zero = _mm_setzero_pd();
  const __m128d one = _mm_set1_pd(1.0);
  const __m128d tiny = _mm_set1_pd(1e-8);
  const __m128d absMask = _mm_castsi128_pd(_mm_set1_epi64x(0x7fffffffffffffffLL));
  auto flush = [&](__m128d v) { return _mm_andnot_pd(_mm_cmplt_pd(v, tiny), v); };

  // Constants of the run.
  const __m128d inGain = Pair(a.inputGain, b.inputGain);
  const __m128d threshold = Pair(a.threshold, b.threshold);
  const __m128d ceilingGain = Pair(a.ceilingGain, b.ceilingGain);
  const __m128d outScale = Pair(a.outputScale, b.outputScale);
  const int32_t maxCount = a.maxCount;
  const int32_t ringLength = a.ringLength;
  const int32_t clampA = a.silenceClamp;
  const int32_t clampB = b.silenceClamp;
  double* const ringA = a.ring.get();
  double* const ringB = b.ring.get();
  const double* const tabA = a.smootherTable.get();
  const double* const tabB = b.smootherTable.get();

  // State.
  __m128d pv = Pair(a.P.value, b.P.value);
  __m128d pmax = Pair(a.P.runningMax, b.P.runningMax);
  __m128d patt = Pair(a.P.attackCoeff, b.P.attackCoeff);
  __m128d prel = Pair(a.P.releaseCoeff, b.P.releaseCoeff);
  __m128d qv = Pair(a.Q.value, b.Q.value);
  __m128d qmax = Pair(a.Q.runningMax, b.Q.runningMax);
  const __m128d qatt = Pair(a.Q.attackCoeff, b.Q.attackCoeff);
  const __m128d qrel = Pair(a.Q.releaseCoeff, b.Q.releaseCoeff);
  __m128d gv = Pair(a.G.value, b.G.value);
  __m128d gmax = Pair(a.G.runningMax, b.G.runningMax);
  __m128d gc = Pair(a.G.attackCoeff, b.G.attackCoeff);
  __m128d peak = Pair(a.segmentPeak, b.segmentPeak);
  __m128d held = Pair(a.heldGain, b.heldGain);
  __m128d prevS = Pair(a.previousSample, b.previousSample);
  __m128d gainV = Pair(a.gain, b.gain);
  __m128d lastOut = Pair(a.outputSample, b.outputSample);
  __m128d lastScaled = Pair(a.scaledGain, b.scaledGain);
  __m128d readGain = Pair(a.readGain, b.readGain);
  int32_t prevPolA = a.previousPolarity, prevPolB = b.previousPolarity;
  int32_t polA = a.polarity, polB = b.polarity;
  int32_t countA = a.segmentCount, countB = b.segmentCount;
  int32_t w = a.writeIndex;
  int32_t fill = a.fillCount;
  if constexpr (Auto)
    patt = Pair(a.autoAttack, b.autoAttack);

  for (int i = 0; i < n; ++i)
  {
    // 1. Input gain.
    const __m128d x = _mm_mul_pd(Pair(xa[i], xb[i]), inGain);
    // 2. Polarity.
    const __m128d d = Mode == 2 ? _mm_sub_pd(x, prevS) : x;
    const int pos = _mm_movemask_pd(_mm_cmpgt_pd(d, zero));
    const int neg = _mm_movemask_pd(_mm_cmplt_pd(d, zero));
    polA = (pos & 1) - (neg & 1);
    polB = ((pos >> 1) & 1) - ((neg >> 1) & 1);
    // 3. Segment bookkeeping.
    const __m128d g = Sel(_mm_cmpgt_pd(peak, threshold), _mm_div_pd(ceilingGain, peak), one);
    const bool sameA = polA == prevPolA;
    const bool sameB = polB == prevPolB;
    {
      const int32_t old = countA;
      const int32_t limit = polA == 0 ? clampA : maxCount;
      const double gA = Lo(g);
      const bool store = !sameA && prevPolA != 0 && gA >= 0.0 && old < maxCount;
      int32_t p = w - ILimiterStage::kStride * ((old < maxCount ? old : maxCount) + 1) + 1;
      p += p < 0 ? ringLength : 0;
      const int32_t at = store ? p : ringLength;
      ringA[at] = gA;
      ringA[at + 1] = static_cast<double>(old);
      countA = sameA ? (old >= limit ? limit : old + 1) : 0;
      prevPolA = polA;
    }
    {
      const int32_t old = countB;
      const int32_t limit = polB == 0 ? clampB : maxCount;
      const double gB = Hi(g);
      const bool store = !sameB && prevPolB != 0 && gB >= 0.0 && old < maxCount;
      int32_t p = w - ILimiterStage::kStride * ((old < maxCount ? old : maxCount) + 1) + 1;
      p += p < 0 ? ringLength : 0;
      const int32_t at = store ? p : ringLength;
      ringB[at] = gB;
      ringB[at + 1] = static_cast<double>(old);
      countB = sameB ? (old >= limit ? limit : old + 1) : 0;
      prevPolB = polB;
    }
    peak = Sel(MaskOf(sameA, sameB), peak, zero);
    prevS = x;
    // 4. Level.
    const __m128d av = _mm_and_pd(x, absMask);
    if constexpr (Auto)
    {
      const __m128d qc = Sel(_mm_cmpgt_pd(av, qv), qatt, qrel);
      qmax = _mm_max_pd(av, qmax);
      qv = flush(_mm_add_pd(_mm_mul_pd(_mm_sub_pd(qv, av), qc), av));
      const __m128d L = _mm_and_pd(qv, absMask);
      prel = Pair(AutoRelease(a, Lo(L)), AutoRelease(b, Hi(L)));
    }
    {
      const __m128d c1 = Sel(_mm_cmpgt_pd(av, pv), patt, prel);
      const __m128d p1 = flush(_mm_add_pd(_mm_mul_pd(_mm_sub_pd(pv, av), c1), av));
      const __m128d c2 = Sel(_mm_cmpgt_pd(av, p1), patt, prel);
      const __m128d p2 = flush(_mm_add_pd(_mm_mul_pd(_mm_sub_pd(p1, av), c2), av));
      pmax = _mm_max_pd(av, pmax);
      const __m128d keep = _mm_cmpgt_pd(peak, p1);
      pv = Sel(keep, p1, p2);
      peak = Sel(keep, peak, p2);
    }
    // 5. Write.
    ringA[w] = Lo(x);
    ringA[w + 1] = -1.0;
    ringA[w + 2] = 0.0;
    ringB[w] = Hi(x);
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
      _mm_storeu_pd(out + 2 * i, zero);
      _mm_storeu_pd(gain + 2 * i, gainV);
      _mm_storeu_pd(scaledGain + 2 * i, one);
      continue;
    }
    // 7. Read-out.
    const __m128d stored = Pair(ringA[w + 1], ringB[w + 1]);
    readGain = stored;
    const __m128d has = _mm_cmpge_pd(stored, zero);
    held = Sel(has, stored, held);
    if constexpr (Mode == 2)
    {
      const __m128d c = Pair(tabA[static_cast<int32_t>(ringA[w + 2])], tabB[static_cast<int32_t>(ringB[w + 2])]);
      gc = Sel(has, c, gc);
      const __m128d hv = _mm_and_pd(held, absMask);
      gmax = _mm_max_pd(hv, gmax);
      gv = flush(_mm_add_pd(_mm_mul_pd(_mm_sub_pd(gv, hv), gc), hv));
      gainV = gv;
    }
    else
      gainV = held;
    lastOut = _mm_mul_pd(Pair(ringA[w], ringB[w]), outScale);
    lastScaled = _mm_mul_pd(gainV, outScale);
    _mm_storeu_pd(out + 2 * i, lastOut);
    _mm_storeu_pd(gain + 2 * i, gainV);
    _mm_storeu_pd(scaledGain + 2 * i, lastScaled);
  }

  // Back into the records.
  ILimiterStage* st[2] = {&a, &b};
  for (int k = 0; k < 2; ++k)
  {
    auto lane = [k](__m128d v) { return k == 0 ? Lo(v) : Hi(v); };
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
#else
  RunSeparately<Mode, Auto>(a, b, xa, xb, n, out, gain, scaledGain);
#endif
}

template void LimiterStagePair::Run<1, false>(ILimiterStage&, ILimiterStage&, const double*, const double*, int,
                                              double*, double*, double*) noexcept;
template void LimiterStagePair::Run<1, true>(ILimiterStage&, ILimiterStage&, const double*, const double*, int,
                                             double*, double*, double*) noexcept;
template void LimiterStagePair::Run<2, false>(ILimiterStage&, ILimiterStage&, const double*, const double*, int,
                                              double*, double*, double*) noexcept;
template void LimiterStagePair::Run<2, true>(ILimiterStage&, ILimiterStage&, const double*, const double*, int,
                                             double*, double*, double*) noexcept;
