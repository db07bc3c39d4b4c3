#pragma once
// Helpers of the product tests: a temporary home and data folder per test, file helpers and a
// small plug-in that carries the product's preset-document code on a few parameters.

#include "core/IFxAPIBase.h"
#include "core/IParam.h"
#include "plugin/IXMLPreset.h"
#include "tests/plugin/TempHome.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace producttest {

inline std::string ReadFile(const std::string& path)
{
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

inline void WriteFile(const std::string& path, const std::string& text)
{
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
}

/** A preset document as the product writes it, with the given Param lines inside Parameter. */
inline std::string PresetDoc(const std::string& params, const std::string& vendor = "Brimvaldex",
                             const std::string& plugin = "ORBEX9", const std::string& presetName = "P")
{
  return "<?xml version=\"1.0\" ?>\n<PresetXMLTree version=\"1\">\n    <PluginVendor>" + vendor +
         "</PluginVendor>\n    <PluginName>" + plugin +
         "</PluginName>\n    <PluginVersion>v2.1.17</PluginVersion>\n    <Preset name=\"" + presetName +
         "\">\n        <Parameter>\n" + params + "        </Parameter>\n    </Preset>\n</PresetXMLTree>\n";
}

/** Three parameters with the product's identity: a stepped double, an enum, a plain double.
 *  "Gain" and "Mode" belong to the descriptor table (indices 3 and 6 are mapped below). */
class TestPlug : public fx::IFxAPIBase, public IXMLPreset
{
public:
  static fx::IFxConfig Config()
  {
    fx::IFxConfig c;
    c.nParams = 3;
    c.nPresets = 1;
    c.channelIOStr = "1-1 2-2";
    c.pluginName = "ORBEX9";
    c.productName = "ORBEX9";
    c.mfrName = "Brimvaldex";
    c.vendorVersion = 0x00020111;
    c.plugDoesChunks = true;
    return c;
  }

  TestPlug()
    : fx::IFxAPIBase(Config(), fx::kAPIAU)
    , IXMLPreset(static_cast<fx::IPluginBase&>(*this))
  {
    GetParam(0)->InitDouble("Gain", 1.0, 0.0, 24.0, 0.01, "dB", fx::kFlagStepped);
    GetParam(1)->InitEnum("Mode", 0, {"A", "B", "C"});
    GetParam(2)->InitDouble("Link", 50.0, 0.0, 100.0, 0.0, "%");
    GetPreset(0)->mInitialized = true;
    GetPreset(0)->SetName("Start");
  }

  bool SerializeState(fx::IStateChunk& chunk) const override { return WriteStateChunk(chunk); }
  int UnserializeState(const fx::IStateChunk& chunk, int pos) override { return ReadStateChunk(chunk, pos); }
  void OnParamReset(fx::EParamSource source) override
  {
    ++mResets;
    fx::IFxAPIBase::OnParamReset(source);
  }

  void SetValues(double a, double b, double c)
  {
    GetParam(0)->Set(a);
    GetParam(1)->Set(b);
    GetParam(2)->Set(c);
  }
  void ExpectValues(double a, double b, double c) const
  {
    EXPECT_DOUBLE_EQ(GetParam(0)->Value(), a);
    EXPECT_DOUBLE_EQ(GetParam(1)->Value(), b);
    EXPECT_DOUBLE_EQ(GetParam(2)->Value(), c);
  }

  int mResets = 0;
};

} // namespace producttest
