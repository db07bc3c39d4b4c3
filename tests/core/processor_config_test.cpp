#include "core/IFxProcessor.h"

#include <gtest/gtest.h>

#include <vector>

using namespace fx;

namespace {

IFxConfig MakeConfig(const char* io, int32_t plugType = kPlugTypeEffect, bool midiIn = false, int latency = 0)
{
  IFxConfig c;
  c.channelIOStr = io;
  c.plugType = plugType;
  c.plugDoesMidiIn = midiIn;
  c.latency = latency;
  return c;
}

struct Parsed
{
  FxPtrList<IOConfig> configs;
  int n = 0, maxIns = -1, maxOuts = -1, maxInBuses = -1, maxOutBuses = -1;
  explicit Parsed(const char* text)
  {
    n = IFxProcessor::ParseChannelIOStr(text, configs, maxIns, maxOuts, maxInBuses, maxOutBuses);
  }
  ~Parsed() { configs.Empty(true); }
};

} // namespace

TEST(ProcessorIOGrammar, ProductStringAndLegalIO)
{
  Parsed p("1-1 2-2");
  ASSERT_EQ(p.n, 2);
  EXPECT_EQ(p.maxIns, 2);
  EXPECT_EQ(p.maxOuts, 2);
  EXPECT_EQ(p.maxInBuses, 1);
  EXPECT_EQ(p.maxOutBuses, 1);

  IFxProcessor proc(MakeConfig("1-1 2-2"), kAPIAU);
  EXPECT_EQ(proc.NIOConfigs(), 2);
  EXPECT_TRUE(proc.IsLegalIO(2, 2));
  EXPECT_TRUE(proc.IsLegalIO(1, 1));
  EXPECT_FALSE(proc.IsLegalIO(1, 2));
  EXPECT_TRUE(proc.IsLegalIO(-1, 1));
  EXPECT_TRUE(proc.IsLegalIO(2, -1));
  EXPECT_TRUE(proc.IsLegalIO(-1, -1));
  EXPECT_FALSE(proc.IsLegalIO(-1, 3));
  EXPECT_EQ(proc.NChannels(kInput), 2);
  EXPECT_EQ(proc.NChannels(kOutput), 2);
  EXPECT_EQ(proc.MaxNChannelsForBus(kInput, 0), 2);
  EXPECT_EQ(proc.MaxNChannelsForBus(kOutput, 1), 0);
  EXPECT_EQ(proc.NChannelsConnected(kInput), 0);
}

TEST(ProcessorIOGrammar, WildcardsBusesAndZeroParts)
{
  {
    Parsed p("*-*");
    ASSERT_EQ(p.n, 1);
    EXPECT_EQ(p.maxIns, 0);
    EXPECT_EQ(p.maxOuts, 0);
    EXPECT_EQ(p.configs.Get(0)->NBuses(kInput), 1);
    EXPECT_EQ(p.configs.Get(0)->NChansOnBus(kInput, 0), kWildcardChannels);
    IFxProcessor proc(MakeConfig("*-*"), kAPIAU);
    EXPECT_EQ(proc.MaxNChannelsForBus(kInput, 0), -1);
    EXPECT_EQ(proc.MaxNChannelsForBus(kOutput, 0), -1);
    EXPECT_EQ(proc.NChannels(kInput), 0);
  }
  {
    Parsed p("2.2-2");
    ASSERT_EQ(p.n, 1);
    EXPECT_EQ(p.configs.Get(0)->NBuses(kInput), 2);
    EXPECT_EQ(p.maxIns, 4);
    EXPECT_EQ(p.maxInBuses, 2);
    IFxProcessor proc(MakeConfig("2.2-2"), kAPIAU);
    FxString name;
    proc.GetBusName(kInput, 0, 2, name);
    EXPECT_STREQ(name.Get(), "Main");
    proc.GetBusName(kInput, 1, 2, name);
    EXPECT_STREQ(name.Get(), "Aux");
    proc.GetBusName(kOutput, 1, 2, name);
    EXPECT_STREQ(name.Get(), "Output 1");
    name.Set("kept");
    proc.GetBusName(7, 0, 1, name);
    EXPECT_STREQ(name.Get(), "kept");
  }
  {
    Parsed p("0-2");
    ASSERT_EQ(p.n, 1);
    EXPECT_EQ(p.configs.Get(0)->NBuses(kInput), 0);
    EXPECT_EQ(p.configs.Get(0)->NBuses(kOutput), 1);
    EXPECT_EQ(p.maxIns, 0);
    EXPECT_EQ(p.maxOuts, 2);
  }
  {
    // Runs of blanks, tabs, leading and trailing blanks.
    Parsed p("  1-1 \t  2-2   ");
    EXPECT_EQ(p.n, 2);
  }
}

TEST(ProcessorIOGrammar, MalformedStrings)
{
  EXPECT_EQ(Parsed(nullptr).n, 0);
  EXPECT_EQ(Parsed("").n, 0);
  EXPECT_EQ(Parsed("   ").n, 0);
  EXPECT_EQ(Parsed("2").n, 0);     // no output part
  EXPECT_EQ(Parsed("2-").n, 0);    // empty output part
  EXPECT_EQ(Parsed("-2").n, 0);    // empty input part
  EXPECT_EQ(Parsed("-").n, 0);
  EXPECT_EQ(Parsed("1-1 junk 2-2").n, 2);

  {
    // Texts that are not numbers count 0 channels.
    Parsed p("x-2.y..3");
    ASSERT_EQ(p.n, 1);
    EXPECT_EQ(p.configs.Get(0)->NBuses(kInput), 0);
    EXPECT_EQ(p.configs.Get(0)->NBuses(kOutput), 2);
    EXPECT_EQ(p.maxOuts, 5);
  }
  {
    // Absurd channel counts are refused instead of creating millions of channels.
    Parsed p("99999999999999999999-4000000000");
    ASSERT_EQ(p.n, 1);
    EXPECT_EQ(p.maxIns, 0);
    EXPECT_EQ(p.maxOuts, 0);
    IFxProcessor proc(MakeConfig("99999999999999999999-1025"), kAPIAU);
    EXPECT_EQ(proc.NChannels(kInput), 0);
    EXPECT_EQ(proc.NChannels(kOutput), 0);
  }
  {
    Parsed p("1-2-3 **-+2");
    ASSERT_EQ(p.n, 2);
    EXPECT_EQ(p.configs.Get(0)->NBuses(kOutput), 0);  // "2-3" is not a number
    EXPECT_EQ(p.configs.Get(1)->NBuses(kInput), 0);
    EXPECT_EQ(p.configs.Get(1)->NBuses(kOutput), 0);
  }
  IFxProcessor none(MakeConfig(nullptr), kAPIAU);
  EXPECT_EQ(none.NIOConfigs(), 0);
  EXPECT_FALSE(none.IsLegalIO(-1, -1));
  EXPECT_EQ(none.MaxNChannelsForBus(kInput, 0), 0);
  int idx = 5;
  EXPECT_EQ(none.MaxNBuses(kOutput, &idx), 0);
  EXPECT_EQ(idx, -1);
}

TEST(ProcessorQueries, BusesConfigsAndTypes)
{
  IFxProcessor proc(MakeConfig("2-2 2-2.2 1-1.1"), kAPIAU);
  int idx = -1;
  EXPECT_EQ(proc.MaxNBuses(kOutput, &idx), 2);
  EXPECT_EQ(idx, 2);  // ties go to the later configuration
  EXPECT_EQ(proc.MaxNBuses(kInput, &idx), 1);
  EXPECT_EQ(idx, 2);
  EXPECT_EQ(proc.MaxNBuses(kOutput), 2);
  EXPECT_EQ(proc.MaxNChannelsForBus(kOutput, 0), 2);
  EXPECT_EQ(proc.MaxNChannelsForBus(kOutput, 1), 2);
  EXPECT_EQ(proc.MaxNChannelsForBus(kOutput, 2), 0);
  EXPECT_EQ(proc.MaxNChannelsForBus(kOutput, -1), 0);
  EXPECT_EQ(proc.MaxNChannelsForBus(9, 0), 0);

  const int two[] = {2}, twoTwo[] = {2, 2}, one[] = {1}, oneOne[] = {1, 1};
  EXPECT_EQ(proc.GetIOConfigWithChanCounts(two, two), 0);
  EXPECT_EQ(proc.GetIOConfigWithChanCounts(two, twoTwo), 1);
  EXPECT_EQ(proc.GetIOConfigWithChanCounts(one, oneOne), 2);
  EXPECT_EQ(proc.GetIOConfigWithChanCounts(one, one), -1);
  EXPECT_EQ(proc.GetIOConfigWithChanCounts({}, {}), -1);

  IFxProcessor wild(MakeConfig("*-2"), kAPIAU);
  const int wildcard[] = {kWildcardChannels};
  EXPECT_EQ(wild.GetIOConfigWithChanCounts(wildcard, two), 0);
  EXPECT_EQ(wild.GetIOConfigWithChanCounts(two, two), -1);

  EXPECT_EQ(IFxProcessor(MakeConfig("1-1", kPlugTypeEffect, true), kAPIAU).GetAUPluginType(), MakeFourCC("aumf"));
  EXPECT_EQ(IFxProcessor(MakeConfig("1-1", 9), kAPIAU).GetAUPluginType(), MakeFourCC("aufx"));
}

TEST(ProcessorQueries, SettingsTimeInfoAndLabels)
{
  IFxProcessor proc(MakeConfig("1-1 2-2", kPlugTypeEffect, false, 512), kAPIAU);
  EXPECT_EQ(proc.GetLatency(), 512);
  proc.SetLatency(-3);
  EXPECT_EQ(proc.GetLatency(), 0);

  proc.SetSampleRate(48000.0);
  EXPECT_DOUBLE_EQ(proc.GetSamplesPerBeat(), 24000.0);
  proc.GetTimeInfo().mTempo = 0.0;
  EXPECT_EQ(proc.GetSamplesPerBeat(), 0.0);
  proc.GetTimeInfo().mTempo = -5.0;
  EXPECT_EQ(proc.GetSamplesPerBeat(), 0.0);

  EXPECT_TRUE(proc.SetChannelLabel(kInput, 1, "In %d"));
  EXPECT_STREQ(proc.GetChannelLabel(kInput, 1), "In 1");
  EXPECT_TRUE(proc.SetChannelLabel(kOutput, 0, "Out %02i (100%%)", false));
  EXPECT_STREQ(proc.GetChannelLabel(kOutput, 0), "Out 01 (100%)");
  EXPECT_TRUE(proc.SetChannelLabel(kOutput, 1, "A very long channel label that will be cut %d"));
  EXPECT_EQ(std::string(proc.GetChannelLabel(kOutput, 1)).size(), 32u);
  // Unsafe formats and missing channels change nothing.
  EXPECT_FALSE(proc.SetChannelLabel(kInput, 0, "%s"));
  EXPECT_FALSE(proc.SetChannelLabel(kInput, 0, "%d %d"));
  EXPECT_FALSE(proc.SetChannelLabel(kInput, 0, "%n"));
  EXPECT_FALSE(proc.SetChannelLabel(kInput, 0, "%999d"));
  EXPECT_FALSE(proc.SetChannelLabel(kInput, 0, "trailing %"));
  EXPECT_FALSE(proc.SetChannelLabel(kInput, 0, nullptr));
  EXPECT_FALSE(proc.SetChannelLabel(kInput, 2, "In %d"));
  EXPECT_FALSE(proc.SetChannelLabel(kInput, -1, "In %d"));
  EXPECT_FALSE(proc.SetChannelLabel(3, 0, "In %d"));
  EXPECT_STREQ(proc.GetChannelLabel(kInput, 0), "");
  EXPECT_STREQ(proc.GetChannelLabel(kInput, 5), "");
}

namespace {
struct MidiRecorder : IFxProcessor
{
  using IFxProcessor::IFxProcessor;
  std::vector<int> sent;
  bool refuseStatus = false;
  bool SendMidiMsg(const IMidiMsg& msg) override
  {
    sent.push_back(msg.mStatus);
    return !(refuseStatus && msg.mStatus == 0x90);
  }
};
} // namespace

TEST(ProcessorQueries, MidiDefaults)
{
  MidiRecorder proc(MakeConfig("1-1"), kAPIAU);
  proc.ProcessMidiMsg(IMidiMsg(0, 0x90, 60, 100));
  EXPECT_EQ(proc.sent, std::vector<int>{0x90});
  EXPECT_TRUE(proc.SendMidiMsgs({}));
  const IMidiMsg msgs[] = {IMidiMsg(0, 0x80, 1, 0), IMidiMsg(1, 0x90, 2, 3), IMidiMsg(2, 0xB0, 7, 1)};
  EXPECT_TRUE(proc.SendMidiMsgs(msgs));
  proc.refuseStatus = true;
  proc.sent.clear();
  EXPECT_FALSE(proc.SendMidiMsgs(msgs));
  EXPECT_EQ(proc.sent, (std::vector<int>{0x80, 0x90, 0xB0}));  // every message is still tried

  IFxProcessor base(MakeConfig("1-1"), kAPIAU);
  EXPECT_FALSE(base.SendMidiMsg(IMidiMsg()));
  EXPECT_FALSE(base.SendSysEx(SysExMsg()));
  EXPECT_EQ(base.GetMeterValue(), 0.0);
}
