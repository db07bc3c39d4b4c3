#pragma once
// The report of a render: the settings in effect when rendering starts and
// where each came from, levels of IN and OUT, the true peak of OUT, the
// largest gain reduction, latency, length, non-finite input samples and the
// speed of the render calls; printed as text or as one JSON object. The
// levels are measured as OUT streams past, a block at a time.

#include "host/TruePeakMeter.h"

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

// One parameter as rendering starts: its value, the unit's text for it and
// where the value came from.
struct ParamSetting {
  std::string name;
  double value = 0.0;
  std::string text;    // the unit's display text, with the unit ("-0.30 dBFS")
  std::string source;  // "default", "default preset", "state", "preset", "set" or "automate"
  std::string origin;  // the file (default preset, state) or the preset's name; empty otherwise
};

struct LevelReport {
  std::vector<ParamSetting> settings;
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

// text without the minus of a leading number that shows as zero ("-0.00
// dBFS" reads "0.00 dBFS"); other text as it is.
std::string WithoutMinusZero(const std::string& text);

// Measures IN and OUT, aligned sample for sample, as they are added. The
// gain reduction is the ratio of short peak envelopes (the largest gained
// input and the largest output over each window of kGainWindowSeconds,
// counted where the gained input reaches the limit level), so it measures
// the limiter's gain and not the shape of single samples, which the
// oversampling filters change: every OS Mode reads alike on the same
// material. Non-finite samples count only in the non-finite tally (and as
// silence for the peaks).
class LevelMeter {
public:
  static constexpr double kGainWindowSeconds = 0.005;

  // gains: segments sorted by fromFrame; frames before the first use the
  // default model.
  LevelMeter(int channels, double sampleRate, std::vector<GainSegment> gains);
  // n frames of IN and of OUT, one buffer per channel each.
  void Add(const float* const* in, const float* const* out, size_t n);
  // Every level field of the report (not the settings, latency or speed).
  LevelReport Finish();

private:
  struct Window {
    double unlimited = 0.0;  // largest gained input, scaled by the output gain
    double out = 0.0;        // largest output
    double limit = 0.0;      // largest limit level the gained input reached; 0 when it reached none
  };
  void CloseWindows();

  int mChannels;
  std::vector<GainSegment> mSegments;
  size_t mNextSegment = 0;
  GainModel mGains;
  int64_t mWindowFrames;
  int64_t mInWindow = 0;
  std::vector<Window> mWindows;
  TruePeakMeter mTruePeak;
  int64_t mFrames = 0;
  int64_t mNonFinite = 0;
  double mInPeak = 0.0, mOutPeak = 0.0, mWorstDb = 0.0;
};

std::string ReportText(const LevelReport& report);
std::string ReportJson(const LevelReport& report);

}  // namespace orbexhost
