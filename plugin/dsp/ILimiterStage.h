#pragma once
// One channel's look-ahead segment limiter. The input is cut into segments of
// equal polarity; each segment's level is measured by a peak follower, and
// when the segment ends one gain for the whole segment is written back into a
// delay ring at the segment's first sample. The ring delays the signal by the
// look-ahead (max count - 1 samples), so every delayed sample leaves with the
// gain of its segment known. The stage returns the delayed sample and leaves
// the gain in its state; the caller links the channels' gains and applies them.
//
// Threads: ProcessSample runs on the audio thread under the processing mutex;
// Configure (allocates) and ClearSignalState run under the same mutex from the
// configuration path; ApplyCoefficients runs on the audio thread when a new
// coefficient set has been published.

#include "plugin/dsp/IPeakFollower.h"

#include <cmath>
#include <cstdint>
#include <memory>

// Values derived from the parameters for one stage at its rate (computed off
// the audio thread, applied as a whole at a block start).
struct LimiterStageCoeffs
{
  double rate = 0.0;         // processing rate the set was computed for
  double inputGain = 1.0;    // 2^(Gain / 6)
  double threshold = 1.0;    // 2^(Ceiling / 6), or 1 in Volume mode
  double ceilingDb = 0.0;    // Ceiling, or 0 in Volume mode
  double ceilingGain = 1.0;  // numerator of the segment gain
  double outputScale = 1.0;
  double releaseTime = 0.0;  // seconds
  double attackTime = 0.0;   // seconds
  int32_t autoRelease = 0;
  int32_t silenceClamp = 0;  // look-ahead / 1000 * rate, truncated
  double levelAttack = 0.0;  // P attack coefficient 10^(-1 / (attack time * rate))
  double levelRelease = 0.0; // P release coefficient 10^(-1 / (release time * rate))
  // Auto release below its knee: the release time is the floor 3.5^-3.5 s,
  // so its coefficient is a constant; levels at or below kneeLevel are
  // certain to be below the knee (-1 disables the shortcut).
  double autoKneeLevel = -1.0;
  double autoFloorRelease = 0.0;
};

struct ILimiterStage
{
  static constexpr double kDbDivisor = 8.656170245333781; // 6 / ln 2: 2^(dB / 6) = exp(dB / divisor)
  static constexpr int32_t kStride = 3;
  static constexpr double kLn3_5 = 1.252762968495368;
  static constexpr double kLn10 = 2.302585092994046;

  IPeakFollower G; // smooths the held segment gain at read-out (modes 2 and 3)
  IPeakFollower P; // level of the current segment
  IPeakFollower Q; // level that sets P's release time under auto release
  double rate = 0.0;
  int32_t previousPolarity = 0;
  int32_t polarity = 0;
  int32_t segmentCount = 0; // samples of the current segment after its first
  double segmentPeak = 0.0;
  double heldGain = 1.0;
  double previousSample = 0.0;
  double dbDivisor = kDbDivisor;
  double lookAheadMs = 10.0;
  int32_t stride = kStride;
  int32_t maxCount = 513;
  int32_t ringLength = 1539;
  int32_t fillCount = 1539;
  std::unique_ptr<double[]> ring; // entries {sample, gain or -1, count}
  int32_t writeIndex = 0;
  double inputGain = 1.0;
  double threshold = 1.0;
  double ceilingDb = 0.0;
  double ceilingGain = 1.0;
  double outputScale = 1.0;
  double releaseTime = 0.0;
  double attackTime = 0.0;
  int32_t autoRelease = 0;
  int32_t silenceClamp = 0;
  double outputSample = 0.0;
  double scaledGain = 1.0;
  double readGain = 1.0;
  double gain = 1.0;

  // Caches built by Configure / ApplyCoefficients.
  std::unique_ptr<double[]> smootherTable; // G coefficient per stored count n: 10^(-1 / (2n))
  double autoAttack = 0.0;
  double autoKneeLevel = -1.0;
  double autoFloorRelease = 0.0;

  // Look Ahead index 0 "Short" (10 ms, 513 entries) or 1 "Long" (50 ms, 2561).
  // Allocates a new ring and clears the whole signal state. Returns false
  // (and leaves the stage without a ring) when memory is short.
  bool Configure(double processingRate, int32_t lookAheadIndex) noexcept;

  // Refills the ring with {0, 1, 0}, rewinds it and clears polarity, counts,
  // held gain and the followers' values (the gain smoother's to unity), as a
  // fresh configuration does.
  void ClearSignalState() noexcept;

  // Refills the ring with {0, 1, 0} only.
  void RefillRing() noexcept;

  void ApplyCoefficients(const LimiterStageCoeffs& c) noexcept;

  bool IsConfigured() const noexcept { return ring != nullptr; }

  // Computes the stage values of a parameter set at a processing rate.
  static LimiterStageCoeffs ComputeCoeffs(double gainDb, double attackMs, double releaseMs,
                                          int32_t autoReleaseOn, double ceilingDb,
                                          bool volumeMode, double processingRate,
                                          double lookAheadMs) noexcept;

  // Mode 0 no limiting, 1 polarity = sign of the sample (gain held),
  // 2 polarity = sign of the slope (gain smoothed), 3 polarity = above the
  // threshold (gain smoothed). Returns the delayed sample * output scale
  // (0 at gain 1 from a stage without a ring).
  double ProcessSample(int32_t mode, double x) noexcept
  {
    if (!ring) // not configured (or out of memory): silence at unity gain
    {
      outputSample = 0.0;
      scaledGain = gain = 1.0;
      return 0.0;
    }
    switch (mode)
    {
      case 1: return autoRelease ? Run<1, true>(x) : Run<1, false>(x);
      case 2: return autoRelease ? Run<2, true>(x) : Run<2, false>(x);
      case 3: return autoRelease ? Run<3, true>(x) : Run<3, false>(x);
      case 0: return autoRelease ? Run<0, true>(x) : Run<0, false>(x);
      default: return RunOther(mode, x);
    }
  }

  // The sample step for a known mode and auto-release setting (the block loop
  // picks one per block).
  template <int32_t Mode, bool Auto> double Run(double x) noexcept
  {
    // 1. Input gain.
    if constexpr (Mode >= 1)
      x *= inputGain;
    // 2. Polarity.
    int32_t pol = 0;
    if constexpr (Mode == 3)
      pol = std::fabs(x) > threshold ? 1 : 0;
    else if constexpr (Mode == 2)
    {
      const double d = x - previousSample;
      pol = (d > 0.0) - (d < 0.0);
    }
    else if constexpr (Mode == 1)
      pol = (x > 0.0) - (x < 0.0);
    polarity = pol;
    // 3. Segment bookkeeping, without branches on the signal: a segment end
    // that stores nothing writes into the spare entry behind the ring.
    {
      const int32_t old = segmentCount;
      const bool same = pol == previousPolarity;
      // Any count of max count or more behaves alike (it stores nothing), so
      // a segment that never ends (a DC offset) saturates instead of running
      // the counter past its range.
      const int32_t limit = pol == 0 ? silenceClamp : maxCount;
      const int32_t grown = old >= limit ? limit : old + 1;
      const double g = branchfree::SelectGt(segmentPeak, threshold, ceilingGain / segmentPeak, 1.0);
      const bool store = !same && previousPolarity != 0 && g >= 0.0 && old < maxCount;
      int32_t p = writeIndex - stride * ((old < maxCount ? old : maxCount) + 1) + 1;
      p += p < 0 ? ringLength : 0;
      const int32_t at = store ? p : ringLength;
      double* rp = ring.get();
      rp[at] = g;
      rp[at + 1] = static_cast<double>(old);
      segmentCount = same ? grown : 0;
      segmentPeak = branchfree::Select(same, segmentPeak, 0.0);
      previousPolarity = pol;
    }
    previousSample = x;
    // 4. Level: P is stepped a second time when the segment peak is not
    // above its first output, and the peak then takes the second output.
    const double a = std::fabs(x);
    if constexpr (Auto)
      UpdateAutoRelease(a);
    {
      const double v1 = P.value;
      using namespace branchfree;
      const double c1 = SelectGt(a, v1, P.attackCoeff, P.releaseCoeff);
      const double p1 = FlushTiny((v1 - a) * c1 + a);
      const double c2 = SelectGt(a, p1, P.attackCoeff, P.releaseCoeff);
      const double p2 = FlushTiny((p1 - a) * c2 + a);
      P.runningMax = std::max(P.runningMax, a);
      P.value = SelectGt(segmentPeak, p1, p1, p2);
      segmentPeak = SelectGt(segmentPeak, p1, segmentPeak, p2);
    }
    // 5. Write.
    double* e = ring.get() + writeIndex;
    e[0] = x;
    e[1] = -1.0;
    e[2] = 0.0;
    writeIndex += kStride;
    if (writeIndex >= ringLength)
      writeIndex = 0;
    outputSample = 0.0;
    scaledGain = 1.0;
    // 6. Fill.
    if (fillCount < ringLength)
    {
      fillCount += stride;
      return 0.0;
    }
    // 7. Read-out of the oldest entry.
    const double* r = ring.get() + writeIndex;
    const double stored = r[1];
    readGain = stored;
    heldGain = branchfree::SelectGe(stored, 0.0, stored, heldGain);
    if constexpr (Mode >= 2)
    {
      const double c = branchfree::SelectGe(stored, 0.0, SmootherCoeff(r[2]), G.attackCoeff);
      G.attackCoeff = c;
      G.releaseCoeff = c;
      G.holdSamples = 0;
    }
    double g;
    if constexpr (Mode == 0)
      g = 1.0;
    else if constexpr (Mode == 2 || Mode == 3)
      g = G.StepNoHold(std::fabs(heldGain));
    else
      g = heldGain;
    gain = g;
    outputSample = r[0] * outputScale;
    scaledGain = g * outputScale;
    return outputSample;
  }

private:
  void UpdateAutoRelease(double a) noexcept
  {
    const double L = std::fabs(Q.StepNoHold(a));
    double rel;
    if (L <= autoKneeLevel)
      rel = autoFloorRelease;
    else
    {
      // 3.5^z and 10^z as exp(z ln 3.5) and exp(z ln 10): the same values
      // to a few units in the last place, at a fraction of pow's cost.
      const double levelDb = L > 6.309e-8 ? std::log(L) * 8.685889638065037 : -144.0;
      const double T = std::exp(kLn3_5 * (std::max(levelDb - ceilingDb + 7.0, 0.0) / 2.7 - 3.5));
      rel = std::exp(-kLn10 / (T * rate));
    }
    P.attackCoeff = autoAttack;
    P.releaseCoeff = rel;
    P.holdSamples = 0;
  }

  // G's coefficient for a stored count n (a whole number 0 .. max count - 1,
  // 0 where no gain is stored): 10^(-1 / ((2n / rate) * rate)) with n at
  // least 1; the table's entry 0 repeats entry 1.
  double SmootherCoeff(double storedCount) const noexcept
  {
    return smootherTable[static_cast<int32_t>(storedCount)];
  }

  double RunOther(int32_t mode, double x) noexcept;
};
