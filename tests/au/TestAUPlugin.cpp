#include "tests/au/TestAUPlugin.h"

#include "au/IAUComponent.h"
#include "core/IParam.h"

#include <cmath>

namespace fx::test {

namespace {

IFxConfig MakeConfig()
{
  IFxConfig c;
  c.nParams = kNumTestAUParams;
  c.nPresets = 2;
  c.channelIOStr = "1-1 2-2";
  c.pluginName = "FxAUTest";
  c.productName = "FxAUTest Product";
  c.mfrName = "Orbex Tests";
  c.vendorVersion = 0x00020111;  // 2.1.17
  c.uniqueID = MakeFourCC("FxT1");
  c.mfrID = MakeFourCC("OrbT");
  c.plugDoesMidiIn = true;
  c.plugDoesMidiOut = true;
  c.plugType = kPlugTypeEffect;
  c.plugHasUI = true;
  c.plugWidth = 300;
  c.plugHeight = 200;
  c.bundleID = "com.orbex.tests.fxautest";
  return c;
}

} // namespace

TestAUPlugin::TestAUPlugin(const IAUCreateInfo& info)
  : IFxAU(MakeConfig(), info)
{
  GetParam(kParamGain)->InitDouble("Gain", 0.0, -24.0, 24.0, 0.01, "dB", 0, "Processing", IParam::ShapeLinear(),
                                   kUnitDB);
  GetParam(kParamInvert)->InitBool("Invert", false, "", 0, "GUI");
  GetParam(kParamMode)->InitEnum("Mode", 0, {"Clean", "Warm", "Hot"}, 0, "GUI");
  GetParam(kParamSteps)->InitInt("Steps", 5, 0, 10);
  GetParam(kParamQuant)->InitDouble("Quantised Amount", 0.0, 0.0, 1.0, 0.25, "qu", kFlagStepped, "Processing");
  GetParam(kParamMeta)->InitDouble("Meta", 0.5, 0.0, 1.0, 0.001, "", kFlagMeta | kFlagCannotAutomate, "",
                                   IParam::ShapePowCurve(3.0), kUnitPercentage);

  MakePreset("Unity", 0.0, 0, 0, 5, 0.0, 0.5);
  MakePreset("Loud", 6.0, 0, 2, 7, 0.5, 0.25);
}

void TestAUPlugin::OnReset() { SetLatency(TestLatencyForRate(GetSampleRate())); }

void TestAUPlugin::ProcessBlock(double** inputs, double** outputs, int nFrames)
{
  const double gain = std::pow(10.0, GetParam(kParamGain)->Value() / 20.0) *
                      (GetParam(kParamInvert)->Bool() ? -1.0 : 1.0);
  const int nIn = NChannels(kInput), nOut = NChannels(kOutput);
  for (int c = 0; c < nOut; ++c)
    for (int s = 0; s < nFrames; ++s) outputs[c][s] = c < nIn ? inputs[c][s] * gain : 0.0;

  // With Steps at 0 the first samples of output 0 show the host time information instead.
  if (GetParam(kParamSteps)->Int() == 0 && nOut > 0 && nFrames >= kTimeInfoSamples)
  {
    const ITimeInfo& t = GetTimeInfo();
    const double values[kTimeInfoSamples] = {t.mTempo, t.mSamplePos, t.mPPQPos, t.mLastBar, t.mCycleStart,
                                             t.mCycleEnd, double(t.mNumerator), double(t.mDenominator),
                                             t.mTransportIsRunning ? 1.0 : 0.0, t.mTransportLoopEnabled ? 1.0 : 0.0};
    for (int i = 0; i < kTimeInfoSamples; ++i) outputs[0][i] = values[i];
  }
}

} // namespace fx::test

FX_AU_COMPONENT(fx::test::TestAUPlugin, FxAUTest, "FxAUTest_View")
