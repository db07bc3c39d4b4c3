#include "plugin/dsp/ILimiterStage.h"

#include <algorithm>
#include <new>

bool ILimiterStage::Configure(double processingRate, int32_t lookAheadIndex) noexcept
{
  rate = processingRate;
  dbDivisor = kDbDivisor;
  stride = kStride;
  if (lookAheadIndex == 1)
  {
    lookAheadMs = 50.0;
    maxCount = 2561;
  }
  else
  {
    lookAheadMs = 10.0;
    maxCount = 513;
  }
  ringLength = maxCount * stride;
  fillCount = ringLength;

  ring.reset();
  smootherTable.reset();
  // One spare entry behind the ring takes the writes of segment ends that
  // store nothing.
  ring.reset(new (std::nothrow) double[static_cast<size_t>(ringLength + kStride)]);
  smootherTable.reset(new (std::nothrow) double[static_cast<size_t>(maxCount)]);
  if (!ring || !smootherTable)
  {
    ring.reset();
    smootherTable.reset();
    return false;
  }
  for (int32_t n = 1; n < maxCount; ++n)
    smootherTable[n] = std::pow(10.0, -1.0 / ((2.0 * n / rate) * rate));
  smootherTable[0] = smootherTable[1];

  G.Clear();
  P.Clear();
  Q.Clear();
  ClearSignalState();
  readGain = 1.0;
  return true;
}

void ILimiterStage::RefillRing() noexcept
{
  if (!ring)
    return;
  for (int32_t i = 0; i < ringLength + kStride; i += kStride)
  {
    ring[i] = 0.0;
    ring[i + 1] = 1.0;
    ring[i + 2] = 0.0;
  }
}

void ILimiterStage::ClearSignalState() noexcept
{
  RefillRing();
  writeIndex = 0;
  fillCount = ringLength;
  previousPolarity = 0;
  polarity = 0;
  segmentCount = 0;
  segmentPeak = 0.0;
  heldGain = 1.0;
  previousSample = 0.0;
  // The gain smoother starts at no reduction, in its release state (where a
  // plain one-pole smoother always is), so a signal that is never limited
  // reads unity gain from the first read-out. Where it starts never reaches
  // the output: until the first sample written leaves the ring, every
  // read-out finds the pre-fill's silence at gain 1, and a smoother started
  // anywhere in 0..1 is at exactly 1 after 33 of those read-outs.
  G.ClearSignal();
  G.value = 1.0;
  G.state = IPeakFollower::kRelease;
  P.ClearSignal();
  Q.ClearSignal();
  outputSample = 0.0;
  scaledGain = 1.0;
  readGain = 1.0;
  gain = 1.0;
}

LimiterStageCoeffs ILimiterStage::ComputeCoeffs(double gainDb, double attackMs, double releaseMs,
                                                int32_t autoReleaseOn, double ceilingDb,
                                                bool volumeMode, double processingRate,
                                                double lookAheadMs) noexcept
{
  LimiterStageCoeffs c;
  const double fs = processingRate;
  c.rate = fs;
  c.inputGain = std::exp(gainDb / kDbDivisor);
  if (volumeMode)
  {
    c.threshold = 1.0;
    c.ceilingGain = 1.0;
    c.ceilingDb = 0.0;
  }
  else
  {
    c.threshold = std::exp(ceilingDb / kDbDivisor);
    c.ceilingGain = c.threshold;
    c.ceilingDb = ceilingDb;
  }
  c.outputScale = 1.0;
  c.attackTime = attackMs / 1000.0;
  c.releaseTime = releaseMs / 1000.0;
  c.autoRelease = autoReleaseOn;
  c.levelAttack = IPeakFollower::Coefficient(c.attackTime, fs);
  c.levelRelease = IPeakFollower::Coefficient(c.releaseTime, fs);
  c.silenceClamp = static_cast<int32_t>(lookAheadMs / 1000.0 * fs);

  // Below the knee (level at or under ceiling - 7 dB) the release time is the
  // floor 3.5^-3.5 s whatever the level: its coefficient is computed once here
  // with the very expression the per-sample path uses.
  const double floorT = std::pow(3.5, 0.0 / 2.7 - 3.5);
  c.autoFloorRelease = std::pow(10.0, -1.0 / (floorT * fs));
  if (-144.0 - c.ceilingDb + 7.0 <= 0.0)
  {
    // Levels a hair under the knee level are certainly below it, even after
    // the logarithm's rounding; the rest take the full formula.
    const double knee = std::exp((c.ceilingDb - 7.0) / 8.685889638065037) * (1.0 - 1e-9);
    c.autoKneeLevel = std::max(knee, 6.309e-8);
  }
  else
    c.autoKneeLevel = -1.0;
  return c;
}

void ILimiterStage::ApplyCoefficients(const LimiterStageCoeffs& c) noexcept
{
  inputGain = c.inputGain;
  threshold = c.threshold;
  ceilingDb = c.ceilingDb;
  ceilingGain = c.ceilingGain;
  outputScale = c.outputScale;
  attackTime = c.attackTime;
  releaseTime = c.releaseTime;
  autoRelease = c.autoRelease;
  silenceClamp = c.silenceClamp;
  readGain = 1.0;

  G.attackCoeff = 0.0;
  G.releaseCoeff = 0.0;
  G.holdSamples = 0;
  P.attackCoeff = c.levelAttack;
  P.releaseCoeff = c.levelRelease;
  P.holdSamples = 0;
  Q.attackCoeff = 0.0;
  Q.releaseCoeff = 0.0;
  Q.holdSamples = 0;

  autoAttack = c.levelAttack;
  autoKneeLevel = c.autoKneeLevel;
  autoFloorRelease = c.autoFloorRelease;
}

double ILimiterStage::RunOther(int32_t mode, double x) noexcept
{
  // Modes below 0 behave as 0 except that the held gain is used; modes above
  // 3 apply the input gain, keep polarity 0 and use the held gain.
  if (mode < 0)
    return autoRelease ? Run<-1, true>(x) : Run<-1, false>(x);
  return autoRelease ? Run<4, true>(x) : Run<4, false>(x);
}
