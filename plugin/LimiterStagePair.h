#pragma once
// Runs the two channels' limiter stages in lockstep, one vector lane per
// stage. The arithmetic is the stage's own, operation for operation, so the
// results equal those of ILimiterStage::Run sample by sample; the lanes only
// let the two independent stages share instructions, and the state lives in
// registers for a whole run instead of in the records.
//
// Threads: audio thread, under the processing mutex (as the stages).

#include "plugin/ILimiterStage.h"

class LimiterStagePair
{
public:
  // True when both stages can run in lockstep: configured alike and at the
  // same ring position (always so after a configuration or clear, since the
  // engine feeds them the same number of samples).
  static bool CanPair(const ILimiterStage& a, const ILimiterStage& b) noexcept;

  // Modes 1 and 2, auto release on or off. Stage a runs on xa, stage b on xb,
  // n samples. Per sample i the results go to out[2i] (stage a) and
  // out[2i + 1] (stage b), likewise gain and scaledGain. The stage records
  // hold the final state afterwards. Without CanPair the stages run one after
  // the other through ILimiterStage::Run.
  template <int Mode, bool Auto>
  static void Run(ILimiterStage& a, ILimiterStage& b, const double* xa, const double* xb, int n,
                  double* out, double* gain, double* scaledGain) noexcept;
};
