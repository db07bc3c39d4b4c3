#pragma once
// A small plug-in on the API base for tests: four parameters of different kinds, three preset
// slots, and a log of every hook the chain calls.

#include "core/IFxAPIBase.h"
#include "core/IParam.h"
#include "tests/core/fakes/FakeEditor.h"

#include <string>
#include <vector>

namespace fx::test {

enum ETestParam
{
  kGain = 0,   // double -12..12, step 0.01, power curve 2
  kMode = 1,   // enum "A", "B", "C"
  kActive = 2, // bool
  kSteps = 3,  // int 0..10
  kNumTestParams
};

inline IFxConfig MakeTestConfig(bool chunks = false, int nPresets = 3, int nParams = kNumTestParams)
{
  IFxConfig c;
  c.nParams = nParams;
  c.nPresets = nPresets;
  c.channelIOStr = "1-1 2-2";
  c.pluginName = "TestPlug";
  c.productName = "TestProduct";
  c.mfrName = "TestMaker";
  c.vendorVersion = 0x00020111;
  c.uniqueID = MakeFourCC("Tst1");
  c.mfrID = MakeFourCC("Mkr1");
  c.latency = 0;
  c.plugDoesChunks = chunks;
  c.plugHasUI = true;
  c.plugWidth = 400;
  c.plugHeight = 300;
  c.plugMinWidth = 200;
  c.plugMaxWidth = 800;
  c.plugMinHeight = 150;
  c.plugMaxHeight = 600;
  c.bundleID = "com.example.testplug";
  return c;
}

class TestPlugin : public IFxAPIBase
{
public:
  explicit TestPlugin(const IFxConfig& config = MakeTestConfig())
    : IFxAPIBase(config, kAPIAU)
  {
    if (NParams() >= kNumTestParams)
    {
      GetParam(kGain)->InitDouble("Gain", 0.0, -12.0, 12.0, 0.01, "dB", 0, "", IParam::ShapePowCurve(2.0));
      GetParam(kMode)->InitEnum("Mode", 0, {"A", "B", "C"});
      GetParam(kActive)->InitBool("Active", true);
      GetParam(kSteps)->InitInt("Steps", 5, 0, 10);
    }
    SetMakeGraphicsFunc([this]() -> gfx::IGfxLink* {
      ++graphicsMade;
      return new FakeGfx(*this, GetEditorWidth(), GetEditorHeight(), 1.f);
    });
    SetLayoutFunc([this](gfx::IGfx*) {
      ++layouts;
      auto* fake = static_cast<FakeGfx*>(GetGraphics());
      lastEditor = fake;
      if (layoutFunc) layoutFunc(*fake);
    });
  }

  void OnParamChange(int paramIdx, EParamSource source, int sampleOffset) override
  {
    log.push_back("change " + std::to_string(paramIdx) + " " + std::to_string(source) + " " + std::to_string(sampleOffset));
    IFxAPIBase::OnParamChange(paramIdx, source, sampleOffset);
  }
  void OnParamChangeUI(int paramIdx, EParamSource source) override
  {
    log.push_back("ui " + std::to_string(paramIdx) + " " + std::to_string(source));
  }
  void InformHostOfParamChange(int paramIdx, double normalized) override
  {
    log.push_back("host " + std::to_string(paramIdx));
    hostValues.push_back(normalized);
  }
  void BeginInformHostOfParamChange(int paramIdx) override { log.push_back("begin " + std::to_string(paramIdx)); }
  void EndInformHostOfParamChange(int paramIdx) override { log.push_back("end " + std::to_string(paramIdx)); }
  void OnUIOpen() override
  {
    log.push_back("uiopen");
    IFxAPIBase::OnUIOpen();
  }
  void OnUIClose() override { log.push_back("uiclose"); }
  void OnIdle() override { log.push_back("idle"); }
  void OnMidiMsgUI(const IMidiMsg& msg) override { log.push_back("midi " + std::to_string(msg.mStatus)); }
  void OnSysexMsgUI(const SysExMsg& msg) override
  {
    log.push_back("sysex " + std::to_string(msg.mSize) + " " + std::to_string(msg.mSize > 0 ? msg.mData[0] : -1));
  }
  void OnPresetsModified() override { log.push_back("presets"); }
  void InformHostOfPresetChange() override { log.push_back("hostpreset"); }
  void OnHostIdentified() override { log.push_back("identified"); }
  void OnHostVersionKnown() override { log.push_back("version"); }
  bool EditorResize(int w, int h) override
  {
    log.push_back("resize " + std::to_string(w) + "x" + std::to_string(h));
    return true;
  }

  // Access to the queues for the audio side of the tests.
  bool PushMidiFromProcessor(const IMidiMsg& msg) { return mMidiMsgsFromProcessor.Push(msg); }
  bool PushSysexFromProcessor(const SysExData& data) { return mSysExDataFromProcessor.Push(data); }
  bool PopMidiForProcessor(IMidiMsg& msg) { return mMidiMsgsFromEditor.Pop(msg); }
  bool PopSysexForProcessor(SysExData& data) { return mSysExDataFromEditor.Pop(data); }
  size_t PendingParamChanges() const { return mParamChangeFromProcessor.ElementsAvailable(); }

  std::vector<double> Values() const
  {
    std::vector<double> v;
    for (int i = 0; i < NParams(); ++i) v.push_back(GetParam(i)->Value());
    return v;
  }

  std::vector<std::string> log;
  std::vector<double> hostValues;
  int graphicsMade = 0;
  int layouts = 0;
  FakeGfx* lastEditor = nullptr;
  std::function<void(FakeGfx&)> layoutFunc;
};

} // namespace fx::test
