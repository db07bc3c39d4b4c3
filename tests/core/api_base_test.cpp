#include "tests/core/fakes/TestPlugin.h"

#include <CoreFoundation/CFManualClock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

using namespace fx;
using namespace fx::test;

TEST(APIBase, ConstructionCopiesAndSanitisesTheConfiguration)
{
  IFxConfig c = MakeTestConfig(true, 2);
  const std::string longName(200, 'p');
  c.pluginName = longName.c_str();
  c.productName = nullptr;
  c.plugMinWidth = 2000;
  c.plugMaxWidth = 500;
  c.plugMinHeight = 600;
  c.plugMaxHeight = 100;
  c.bundleID = nullptr;
  TestPlugin p(c);
  EXPECT_EQ(std::strlen(p.GetPluginName()), 128u);
  EXPECT_STREQ(p.GetProductName(), "");
  EXPECT_STREQ(p.GetMfrName(), "TestMaker");
  EXPECT_STREQ(p.GetBundleID(), "");
  EXPECT_EQ(p.GetMinWidth(), 500);
  EXPECT_EQ(p.GetMaxWidth(), 2000);
  EXPECT_EQ(p.GetMinHeight(), 100);
  EXPECT_EQ(p.GetMaxHeight(), 600);
  EXPECT_EQ(p.GetEditorWidth(), 400);
  EXPECT_EQ(p.GetEditorHeight(), 300);
  EXPECT_EQ(p.GetUniqueID(), MakeFourCC("Tst1"));
  EXPECT_EQ(p.GetUniqueID(), 0x54737431);
  EXPECT_EQ(p.GetMfrID(), MakeFourCC("Mkr1"));
  EXPECT_TRUE(p.DoesStateChunks());
  EXPECT_TRUE(p.HasUI());
  EXPECT_EQ(p.GetAPI(), kAPIAU);
  EXPECT_STREQ(p.GetHostName(), "Unknown");
  EXPECT_EQ(p.GetHost(), -1);
  EXPECT_EQ(p.NParams(), 4);
  EXPECT_EQ(p.NPresets(), 2);
  EXPECT_STREQ(p.GetPresetName(0), "empty");
}

TEST(APIBase, SetHostIdentifiesAndAlwaysCallsBothHooks)
{
  TestPlugin p;
  p.SetHost(nullptr, 0x00010000);
  EXPECT_STREQ(p.GetHostName(), "Unknown");
  EXPECT_EQ(p.GetHost(), 0);
  EXPECT_EQ(p.log, (std::vector<std::string>{"identified", "version"}));
  p.SetHost("REAPER v7", 0x00070000);
  EXPECT_STREQ(p.GetHostName(), "REAPER v7");
  EXPECT_EQ(p.GetHost(), 1);
  EXPECT_EQ(p.GetHostVersion(false), 0x00070000);
}

TEST(APIBase, UISetPathStoresRoundedValueReportsGivenValueInOrder)
{
  TestPlugin p;
  p.log.clear();
  p.SendParameterValueFromUI(kSteps, 0.44, true);
  EXPECT_EQ(p.GetParam(kSteps)->Value(), 4.0);
  EXPECT_EQ(p.GetParam(kSteps)->GetPrevious(), 4.0);  // stored twice: the second exchange kept 4
  EXPECT_EQ(p.hostValues, std::vector<double>{0.44});
  EXPECT_EQ(p.log, (std::vector<std::string>{"host 3", "change 3 3 -1", "ui 3 3"}));

  // The first store keeps the value from before as the previous value.
  p.SetParameterValue(kSteps, 0.8, false);
  EXPECT_EQ(p.GetParam(kSteps)->GetPrevious(), 4.0);
  EXPECT_EQ(p.GetParam(kSteps)->Value(), 8.0);

  // Clamping and the shape: normalised 0.5 on the power-2 gain gives -12 + 0.25 * 24.
  p.log.clear();
  p.SendParameterValueFromUI(kGain, 0.5, false);
  EXPECT_DOUBLE_EQ(p.GetParam(kGain)->Value(), -6.0);
  EXPECT_EQ(p.log, (std::vector<std::string>{"host 0", "ui 0 3"}));
  p.SendParameterValueFromUI(kGain, 1.7, true);
  EXPECT_EQ(p.GetParam(kGain)->Value(), 12.0);

  // Indices outside the list and NaN never reach a parameter or a hook.
  p.log.clear();
  const auto before = p.Values();
  p.SendParameterValueFromUI(-1, 0.5, true);
  p.SendParameterValueFromUI(4, 0.5, true);
  p.SendParameterValueFromUI(kGain, NAN, true);
  p.SetParameterValue(100, 0.5, true);
  EXPECT_TRUE(p.log.empty());
  EXPECT_EQ(p.Values(), before);

  // Gestures frame the drag; resizing is asked of the host only when the platform must resize.
  p.BeginInformHostOfParamChangeFromUI(2);
  p.EndInformHostOfParamChangeFromUI(2);
  EXPECT_TRUE(p.EditorResizeFromUI(10, 20, false));
  EXPECT_TRUE(p.EditorResizeFromUI(30, 40, true));
  EXPECT_EQ(p.log, (std::vector<std::string>{"begin 2", "end 2", "resize 30x40"}));

  p.hostValues.clear();
  p.GetParam(kSteps)->Set(5);
  p.SendAllParamValuesToHost();
  ASSERT_EQ(p.hostValues.size(), 4u);
  EXPECT_DOUBLE_EQ(p.hostValues[3], 0.5);
}

TEST(APIBase, HostValuesReachTheEditorThroughTheTimerInOrder)
{
  cfx::UseManualClock(true, 1000.0);
  TestPlugin p;
  FakeControl* steps = nullptr;
  p.layoutFunc = [&](FakeGfx& g) { steps = g.Attach(new FakeControl({kSteps, kMode})); };
  p.OpenWindow(nullptr);
  p.CreateTimer();
  steps->values.clear();
  p.log.clear();

  // The host path queues values in the parameter's own range, rounded and clamped when
  // they come normalised.
  p.SendParameterValueFromAPI(kSteps, 0.66, true);
  p.SendParameterValueFromAPI(kMode, 2.0, false);
  p.SendParameterValueFromAPI(77, 1.0, false);   // ignored
  p.SendParameterValueFromAPI(kMode, NAN, false);  // ignored
  EXPECT_EQ(p.PendingParamChanges(), 2u);
  EXPECT_TRUE(p.PushMidiFromProcessor(IMidiMsg(0, 0xB0, 1, 2)));
  SysExData sx;
  const uint8_t bytes[] = {0xF0, 0x7E, 0xF7};
  sx.Set(5, 3, bytes);
  EXPECT_TRUE(p.PushSysexFromProcessor(sx));
  EXPECT_TRUE(steps->values.empty());

  EXPECT_GE(cfx::PumpMainRunLoop(), 1);
  const std::vector<std::string> expected = {"ui 3 4", "ui 1 4", "midi 176", "sysex 3 240", "idle"};
  EXPECT_EQ(p.log, expected);
  ASSERT_EQ(steps->values.size(), 2u);
  EXPECT_EQ(steps->values[0], std::make_pair(0, 0.7));
  EXPECT_EQ(steps->values[1], std::make_pair(1, 1.0));

  // Every 20 ms another tick: idle only.
  p.log.clear();
  cfx::AdvanceManualClock(0.020);
  EXPECT_EQ(cfx::PumpMainRunLoop(), 1);
  EXPECT_EQ(p.log, std::vector<std::string>{"idle"});
  p.CloseWindow();
  cfx::UseManualClock(false);
}

TEST(APIBase, TimerDrainsNothingWithoutUIAndDropsBeyondCapacity)
{
  IFxConfig c = MakeTestConfig();
  c.plugHasUI = false;
  TestPlugin p(c);
  struct NullTimer : Timer
  {
    void Stop() override {}
  } t;
  for (int i = 0; i < 600; ++i) p.SendParameterValueFromAPI(kSteps, i % 11, false);
  EXPECT_EQ(p.PendingParamChanges(), 512u);
  p.PushMidiFromProcessor(IMidiMsg(0, 0x90, 1, 1));
  p.OnTimer(t);
  EXPECT_EQ(p.log, std::vector<std::string>{"idle"});
  EXPECT_EQ(p.PendingParamChanges(), 512u);

  // With an editor the first 512 arrive, the rest were dropped.
  TestPlugin q;
  for (int i = 0; i < 600; ++i) q.SendParameterValueFromAPI(kSteps, i % 11, false);
  q.OnTimer(t);
  int delivered = 0;
  for (const auto& e : q.log) delivered += e == "ui 3 4";
  EXPECT_EQ(delivered, 512);
  EXPECT_EQ(q.PendingParamChanges(), 0u);
}

TEST(APIBase, EditorToProcessorQueuesCopyAndBoundMessages)
{
  TestPlugin p;
  p.SendMidiMsgFromUI(IMidiMsg(3, 0x80, 60, 0));
  IMidiMsg m;
  ASSERT_TRUE(p.PopMidiForProcessor(m));
  EXPECT_EQ(m.mOffset, 3);
  EXPECT_EQ(m.mStatus, 0x80);
  EXPECT_FALSE(p.PopMidiForProcessor(m));
  for (int i = 0; i < 40; ++i) p.EnqueueMidiMsgForProcessor(IMidiMsg(i, 0x90, 0, 0));
  int n = 0;
  while (p.PopMidiForProcessor(m)) ++n;
  EXPECT_EQ(n, 32);

  std::vector<uint8_t> big(600, 0x42);
  SysExData d;
  p.SendSysexMsgFromUI(SysExMsg(0, big.data(), 513));  // too large: dropped whole
  p.EnqueueSysexForProcessor(SysExMsg(0, big.data(), -4));
  EXPECT_FALSE(p.PopSysexForProcessor(d));
  p.EnqueueSysexForProcessor(SysExMsg(9, big.data(), 512));
  p.EnqueueSysexForProcessor(SysExMsg(1, nullptr, 4));
  ASSERT_TRUE(p.PopSysexForProcessor(d));
  EXPECT_EQ(d.mOffset, 9);
  EXPECT_EQ(d.mSize, 512);
  EXPECT_EQ(d.mData[511], 0x42);
  ASSERT_TRUE(p.PopSysexForProcessor(d));
  EXPECT_EQ(d.mSize, 4);
  EXPECT_EQ(d.mData[0], 0);
  for (int i = 0; i < 6; ++i) p.EnqueueSysexForProcessor(SysExMsg(i, big.data(), 2));
  n = 0;
  while (p.PopSysexForProcessor(d)) ++n;
  EXPECT_EQ(n, 4);
}

TEST(APIBase, ExceptionsFromControlLookupsDoNotLeaveTheTimer)
{
  struct Throwing : TestPlugin
  {
    void OnIdle() override
    {
      ++idles;
      if (GetGraphics()) static_cast<FakeGfx*>(GetGraphics())->GetControlWithTag(12345);  // throws std::out_of_range
    }
    int idles = 0;
  } p;
  p.OpenWindow(nullptr);
  struct NullTimer : Timer
  {
    void Stop() override {}
  } t;
  EXPECT_NO_THROW(p.OnTimer(t));
  EXPECT_EQ(p.idles, 1);
  p.CloseWindow();
}

TEST(APIBase, OpenAndRestoreSendEveryNormalisedValueAndResetCallsBothHooks)
{
  TestPlugin p;
  FakeControl* all = nullptr;
  p.layoutFunc = [&](FakeGfx& g) { all = g.Attach(new FakeControl({kGain, kMode, kActive, kSteps})); };
  p.GetParam(kSteps)->Set(7);
  p.GetParam(kMode)->Set(1);
  p.OpenWindow(nullptr);
  ASSERT_EQ(all->values.size(), 4u);
  EXPECT_DOUBLE_EQ(all->GetValue(0), std::sqrt(0.5));  // gain 0 of -12..12 on a power-2 curve
  EXPECT_DOUBLE_EQ(all->GetValue(1), 0.5);
  EXPECT_DOUBLE_EQ(all->GetValue(2), 1.0);
  EXPECT_DOUBLE_EQ(all->GetValue(3), 0.7);

  all->values.clear();
  p.log.clear();
  p.OnRestoreState();
  EXPECT_EQ(all->values.size(), 4u);
  EXPECT_EQ(p.log.front(), "uiopen");

  p.log.clear();
  p.OnParamReset(kPresetRecall);
  EXPECT_EQ(p.log.size(), 8u);
  EXPECT_EQ(p.log[0], "change 0 2 -1");
  EXPECT_EQ(p.log[1], "ui 0 2");
  EXPECT_EQ(p.log[7], "ui 3 2");
  p.CloseWindow();
}
