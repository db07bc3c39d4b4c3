#pragma once
// The report of a render: levels of IN and OUT, the true peak of OUT, the
// largest gain reduction, latency, length, non-finite input samples and the
// speed of the render calls; printed as text or as one JSON object.

#include "host/SoundFile.h"

#include <cstdint>
#include <string>
#include <vector>

namespace orbexhost {

// What the host knows of the gain the unit applies on purpose, so that the
// gain reduction can be told apart from it: input gain before the limiter,
// the level the limiter holds the gained signal under, and a plain output
// gain after it (all linear).
struct GainModel {
  double inputGain = 1.0;
  double limitLevel = 1.0;
  double outputGain = 1.0;
};

// The gain model that holds from an input frame on (automation changes it
// during a render).
struct GainSegment {
  int64_t fromFrame = 0;
  GainModel gains;
};

struct LevelReport {
  double inputPeakDb = 0.0;        // -inf for silence
  double outputPeakDb = 0.0;
  double outputTruePeakDb = 0.0;
  double maxGainReductionDb = 0.0;
  int64_t latencySamples = 0;
  int64_t frames = 0;
  int64_t nonFiniteInputSamples = 0;
  double realtimeFactor = 0.0;     // audio seconds per CPU second; inf when too fast to time
};

// Linear magnitude to dBFS (-inf for 0).
double ToDb(double linear);

// Fills every field but latency and the realtime factor. IN and OUT are
// aligned sample for sample; non-finite samples count only in the
// non-finite tally (and as silence for the peaks).
LevelReport MeasureLevels(const AudioData& in, const AudioData& out, const GainModel& gains);
// The same with the gain model changing over time: segments sorted by
// fromFrame; frames before the first segment use the default model.
LevelReport MeasureLevels(const AudioData& in, const AudioData& out, const std::vector<GainSegment>& gains);

// Largest gain reduction in dB (>= 0): over every sample whose gained input
// reaches the limit level, the ratio of the gained input to OUT.
double MaxGainReductionDb(const AudioData& in, const AudioData& out, const GainModel& gains);
double MaxGainReductionDb(const AudioData& in, const AudioData& out, const std::vector<GainSegment>& gains);

std::string ReportText(const LevelReport& report);
std::string ReportJson(const LevelReport& report);

}  // namespace orbexhost
