#pragma once
// A small product on the Audio Unit adapter, built into the FxAUTest component the tests load:
// parameters of every kind, two presets, a gain stage, MIDI and SysEx echoed to the host, and
// a latency that follows the sample rate so tests can see the reset handler run.

#include "au/IFxAU.h"

namespace fx::test {

enum ETestAUParam
{
  kParamGain = 0,    // double -24..24 dB, group "Processing"
  kParamInvert = 1,  // bool, group "GUI"
  kParamMode = 2,    // enum "Clean", "Warm", "Hot", group "GUI"
  kParamSteps = 3,   // int 0..10
  kParamQuant = 4,   // double 0..1, stepped by 0.25, custom unit "qu", group "Processing"
  kParamMeta = 5,    // double 0..1, meta and not automatable, power-curve shape
  kNumTestAUParams
};

/** Samples of output 0 that show the host time information while Steps is 0: tempo, sample
 *  position, quarter-note position, last bar, cycle start, cycle end, numerator, denominator,
 *  transport running, loop enabled. */
constexpr int kTimeInfoSamples = 10;

/** Latency the test product reports for a sample rate: one sample per kilohertz. */
inline int TestLatencyForRate(double sampleRate) { return static_cast<int>(sampleRate / 1000.0); }

class TestAUPlugin : public IFxAU
{
public:
  explicit TestAUPlugin(const IAUCreateInfo& info);

  void ProcessBlock(double** inputs, double** outputs, int nFrames) override;
  void ProcessSysEx(const SysExMsg& msg) override { SendSysEx(msg); }
  void OnReset() override;
};

} // namespace fx::test
