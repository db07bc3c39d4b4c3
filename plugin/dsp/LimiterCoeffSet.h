#pragma once
// Everything the block processing reads from the parameters, derived at once
// from one parameter snapshot: stage values, clipper, clamp and saturator
// values, and the per-block factors. Published whole through a TripleBuffer.

#include "plugin/dsp/ILimiterStage.h"
#include "plugin/dsp/ISaturator.h"
#include "plugin/dsp/ISoftClipper.h"
#include "plugin/dsp/LimiterParams.h"

struct LimiterCoeffSet
{
  LimiterParams params;
  LimiterStageCoeffs stage;  // both stages run at the same rate with the same values
  ISoftClipper clipper;      // values only (lastClipRatio unused here)
  ISaturator saturator;
  double inputMeterFactor = 1.0; // g(Drive) * g(Gain), g(dB) = 10^(dB / 20) or 0 at -144
  double volumeGain = 1.0;       // exp(Ceiling * 0.1151292546497) in Volume mode
  bool saturate = false;         // Saturation On and Gain > 0
  int32_t stageMode = 2;         // 2 for Hard, 1 for Soft

  // Derives the whole set from params at the stages' processing rate and
  // look-ahead.
  static LimiterCoeffSet Compute(const LimiterParams& p, double processingRate,
                                 double lookAheadMs) noexcept
  {
    LimiterCoeffSet s;
    s.params = p;
    const bool volume = p.ceilingMode == 1;
    s.stage = ILimiterStage::ComputeCoeffs(p.gain, p.attack, p.release, p.autoRelease, p.ceiling,
                                           volume, processingRate, lookAheadMs);
    s.clipper.Compute(p.drive, p.ceiling, volume);
    s.saturator.Compute(p.gain);
    s.inputMeterFactor = DbToGain(p.drive) * DbToGain(p.gain);
    s.volumeGain = volume ? std::exp(p.ceiling * 0.1151292546497) : 1.0;
    s.saturate = p.satMode == 1 && p.gain > 0.0;
    s.stageMode = p.limitMode == 0 ? 2 : 1;
    return s;
  }

  static double DbToGain(double db) noexcept
  {
    return db > -144.0 ? std::exp(0.11512925464970228 * db) : 0.0;
  }
};
