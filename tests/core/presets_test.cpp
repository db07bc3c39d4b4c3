#include "tests/core/fakes/TestPlugin.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <string>

using namespace fx;
using namespace fx::test;

namespace {

int CountLog(const TestPlugin& p, const std::string& entry)
{
  return static_cast<int>(std::count(p.log.begin(), p.log.end(), entry));
}

IStateChunk Doubles(std::initializer_list<double> values)
{
  IStateChunk c;
  for (double v : values) c.Put(&v);
  return c;
}

} // namespace

TEST(DefaultState, RoundTripsOneDoublePerParameterAndConstrainsOnRead)
{
  TestPlugin p;
  p.GetParam(kGain)->Set(3.5);
  p.GetParam(kMode)->Set(2);
  p.GetParam(kActive)->Set(0);
  p.GetParam(kSteps)->Set(7);
  IStateChunk c;
  ASSERT_TRUE(p.SerializeState(c));
  ASSERT_EQ(c.Size(), 4 * 8);
  double first;
  c.Get(&first, 0);
  EXPECT_EQ(first, 3.5);

  TestPlugin q;
  q.log.clear();
  EXPECT_EQ(q.UnserializeState(c, 0), 32);
  EXPECT_EQ(q.Values(), p.Values());
  // OnParamReset: each parameter's change hook then its UI hook, with the restore source.
  const std::vector<std::string> expected = {"change 0 2 -1", "ui 0 2", "change 1 2 -1", "ui 1 2",
                                             "change 2 2 -1", "ui 2 2", "change 3 2 -1", "ui 3 2"};
  EXPECT_EQ(q.log, expected);

  // Values out of range or off the step are rounded and clamped; the previous value is kept.
  IStateChunk wild = Doubles({99.0, 1.6, 0.0, 3.4});
  q.UnserializeState(wild, 0);
  EXPECT_EQ(q.GetParam(kGain)->Value(), 12.0);
  EXPECT_EQ(q.GetParam(kGain)->GetPrevious(), 3.5);
  EXPECT_EQ(q.GetParam(kMode)->Value(), 2.0);
  EXPECT_EQ(q.GetParam(kSteps)->Value(), 3.0);
}

TEST(DefaultState, ShortStateChangesNothingAndFails)
{
  TestPlugin p;
  p.GetParam(kSteps)->Set(9);
  const auto before = p.Values();
  IStateChunk three = Doubles({1.0, 1.0, 0.0});
  p.log.clear();
  EXPECT_EQ(p.UnserializeState(three, 0), -1);
  EXPECT_EQ(p.Values(), before);
  EXPECT_EQ(CountLog(p, "change 0 2 -1"), 1);  // the reset hook still runs once

  // Reading past the start position: the same.
  IStateChunk four = Doubles({1.0, 1.0, 0.0, 2.0});
  EXPECT_EQ(p.UnserializeState(four, 8), -1);
  EXPECT_EQ(p.Values(), before);
  // A negative start position is returned as it is.
  EXPECT_EQ(p.UnserializeState(four, -1), -1);
  EXPECT_EQ(p.Values(), before);

  // The preset that holds such a state does not restore.
  p.MakePresetFromChunk("short", three);
  EXPECT_FALSE(p.RestorePreset(0));
  EXPECT_EQ(p.Values(), before);
  EXPECT_EQ(p.GetCurrentPresetIdx(), 0);
}

TEST(Presets, RestoreInitialisedAndUninitialisedPresets)
{
  TestPlugin p;
  p.MakePreset("one", 6.0, 1, 0, 2);
  EXPECT_TRUE(p.RestorePreset(0));
  EXPECT_EQ(p.Values(), (std::vector<double>{6.0, 1.0, 0.0, 2.0}));
  EXPECT_GE(CountLog(p, "presets"), 1);
  EXPECT_EQ(p.GetCurrentPresetIdx(), 0);

  // An empty slot takes the present state under a new "user preset" name, counted from the
  // names already in the list (its own included).
  p.GetPreset(2)->SetName("my user preset");
  EXPECT_TRUE(p.RestorePreset(1));
  EXPECT_STREQ(p.GetPresetName(1), "user preset 2");
  EXPECT_TRUE(p.GetPreset(1)->mInitialized);
  EXPECT_EQ(p.GetPreset(1)->mChunk.Size(), 32);
  EXPECT_EQ(p.GetCurrentPresetIdx(), 1);

  for (int bad : {-1, 3, 1000})
  {
    EXPECT_FALSE(p.RestorePreset(bad));
    EXPECT_STREQ(p.GetPresetName(bad), "");
  }
  EXPECT_EQ(p.GetCurrentPresetIdx(), 1);

  EXPECT_TRUE(p.RestorePresetByName("one"));
  EXPECT_EQ(p.GetCurrentPresetIdx(), 0);
  EXPECT_FALSE(p.RestorePresetByName("ONE"));
  EXPECT_FALSE(p.RestorePresetByName(""));
  EXPECT_FALSE(p.RestorePresetByName(nullptr));
}

TEST(Presets, MakeFormsFillSlotsInOrderAndStopWhenFull)
{
  TestPlugin p;
  p.GetParam(kGain)->Set(-3.0);
  p.GetParam(kSteps)->Set(8);
  p.MakePresetFromNamedParams("named", 2, kMode, 2, kGain, 1.5);
  p.MakeDefaultPreset(nullptr, 1);
  p.MakePreset("full", 0.0, 0, 1, 0);
  p.MakePreset("ignored", 1.0, 1, 1, 1);  // no slot left

  EXPECT_STREQ(p.GetPresetName(0), "named");
  EXPECT_STREQ(p.GetPresetName(1), "Empty");
  EXPECT_STREQ(p.GetPresetName(2), "full");

  ASSERT_TRUE(p.RestorePreset(0));
  EXPECT_EQ(p.Values(), (std::vector<double>{1.5, 2.0, 1.0, 8.0}));
  ASSERT_TRUE(p.RestorePreset(1));
  EXPECT_EQ(p.Values(), (std::vector<double>{-3.0, 0.0, 1.0, 8.0}));
}

TEST(Presets, NamedParamsStopAtAnIndexOutOfRange)
{
  TestPlugin p;
  p.GetParam(kSteps)->Set(4);
  p.MakePresetFromNamedParams("x", 3, kMode, 1, 99, 5.0, kSteps, 9);
  ASSERT_TRUE(p.RestorePreset(0));
  EXPECT_EQ(p.GetParam(kMode)->Value(), 1.0);
  EXPECT_EQ(p.GetParam(kSteps)->Value(), 4.0);  // after the bad index nothing is read
  p.MakePresetFromNamedParams("y", 1, -1, 2);
  ASSERT_TRUE(p.RestorePreset(1));
  EXPECT_EQ(p.GetParam(kMode)->Value(), 1.0);
}

TEST(Presets, BlobDecodesBase64IntoAZeroFilledChunk)
{
  TestPlugin p;
  // "AAAAAAAA8D8=" is the little-endian double 1.0; the rest of the 32 bytes stays zero.
  p.MakePresetFromBlob("blob", "AAAAAAAA8D8=", 32);
  const IStateChunk& c = p.GetPreset(0)->mChunk;
  ASSERT_EQ(c.Size(), 32);
  double d = 0;
  c.Get(&d, 0);
  EXPECT_EQ(d, 1.0);
  for (int i = 8; i < 32; ++i) EXPECT_EQ(c.GetData()[i], 0);

  // Decoding stops when the buffer is full and at the first character outside the alphabet.
  p.MakePresetFromBlob("cut", "AAAAAAAA8D8=", 3);
  EXPECT_EQ(p.GetPreset(1)->mChunk.Size(), 3);
  p.MakePresetFromBlob("stop", "QUJD!QUJD", 6);
  EXPECT_EQ(std::memcmp(p.GetPreset(2)->mChunk.GetData(), "ABC\0\0\0", 6), 0);
}

TEST(Presets, ModifyEnsurePruneAndLongNames)
{
  TestPlugin p;
  p.MakePreset("a", 1.0, 0, 0, 0);
  p.MakePreset("b", 2.0, 0, 0, 0);
  p.GetPreset(1)->mInitialized = false;  // leave a gap at 1
  p.MakePreset("c", 3.0, 0, 0, 0);       // goes to the first free slot: 1
  EXPECT_STREQ(p.GetPresetName(1), "c");

  TestPlugin q;
  q.MakePreset("first", 1.0, 0, 0, 0);
  q.MakePresetFromChunk("skip", IStateChunk());
  q.GetPreset(1)->mInitialized = false;
  q.MakePresetFromChunk("third", Doubles({2.0, 0.0, 0.0, 0.0}));
  q.GetPreset(1)->mInitialized = false;  // "third" went into slot 1: make slot 1 the gap again
  q.PruneUninitializedPresets();
  ASSERT_EQ(q.NPresets(), 1);
  EXPECT_STREQ(q.GetPresetName(0), "first");

  TestPlugin r;
  r.MakePreset("p0", 1.0, 0, 0, 0);
  r.MakePreset("p2", 2.0, 0, 0, 0);
  r.GetPreset(1)->mInitialized = false;
  r.GetPreset(2)->mInitialized = true;
  r.GetPreset(2)->SetName("p2b");
  r.PruneUninitializedPresets();
  ASSERT_EQ(r.NPresets(), 2);
  EXPECT_STREQ(r.GetPresetName(0), "p0");
  EXPECT_STREQ(r.GetPresetName(1), "p2b");

  // The current index follows its preset when the list closes up, and stays inside the list.
  for (int current : {0, 1, 2, 3, 4})
  {
    TestPlugin c(MakeTestConfig(false, 5));
    for (int i = 0; i < 5; ++i) c.MakePreset("x", 1.0 * i, 0, 0, i);
    for (int i = 0; i < 5; ++i) c.GetPreset(i)->SetName(std::string(1, static_cast<char>('a' + i)).c_str());
    ASSERT_TRUE(c.RestorePreset(current));
    c.GetPreset(1)->mInitialized = false;
    c.GetPreset(4)->mInitialized = false;
    c.PruneUninitializedPresets();
    ASSERT_EQ(c.NPresets(), 3);
    const char* expected[] = {"a", "c", "c", "d", "d"};  // a pruned current gives way to its successor
    EXPECT_STREQ(c.GetPresetName(c.GetCurrentPresetIdx()), expected[current]) << current;
  }
  TestPlugin none(MakeTestConfig(false, 2));
  ASSERT_TRUE(none.RestorePreset(1));
  none.GetPreset(0)->mInitialized = none.GetPreset(1)->mInitialized = false;
  none.PruneUninitializedPresets();
  EXPECT_EQ(none.NPresets(), 0);
  EXPECT_EQ(none.GetCurrentPresetIdx(), 0);

  r.GetParam(kSteps)->Set(10);
  r.ModifyCurrentPreset("renamed");
  EXPECT_STREQ(r.GetPresetName(0), "renamed");
  r.GetParam(kSteps)->Set(0);
  ASSERT_TRUE(r.RestorePreset(0));
  EXPECT_EQ(r.GetParam(kSteps)->Value(), 10.0);
  // Renaming from the preset's own name (or a tail of it) is an overlapping copy.
  r.ModifyCurrentPreset(r.GetPresetName(r.GetCurrentPresetIdx()));
  EXPECT_STREQ(r.GetPresetName(0), "renamed");
  r.GetPreset(0)->SetName(r.GetPreset(0)->mName + 2);
  EXPECT_STREQ(r.GetPresetName(0), "named");
  r.GetPreset(0)->SetName("renamed");
  r.ModifyCurrentPreset(nullptr);
  EXPECT_STREQ(r.GetPresetName(0), "renamed");

  const std::string longName(400, 'x');
  TestPlugin s;
  s.MakeDefaultPreset(longName.c_str(), 1);
  EXPECT_EQ(std::strlen(s.GetPresetName(0)), 255u);
  s.EnsureDefaultPreset();
  EXPECT_STREQ(s.GetPresetName(1), "Empty");
  EXPECT_TRUE(s.GetPreset(2)->mInitialized);
}

TEST(Banks, RoundTripWithAnUninitialisedPreset)
{
  TestPlugin p(MakeTestConfig(false, 2));
  p.MakePreset("alpha", 4.0, 1, 1, 3);
  IStateChunk bank;
  ASSERT_TRUE(p.SerializePresets(bank));

  // Hand-built: length, name, 1, state; length, name, 0.
  IStateChunk expected;
  expected.PutStr("alpha");
  const uint8_t one = 1, zero = 0;
  expected.Put(&one);
  expected.PutChunk(&p.GetPreset(0)->mChunk);
  expected.PutStr("empty");
  expected.Put(&zero);
  EXPECT_TRUE(bank.IsEqual(expected));

  TestPlugin q(MakeTestConfig(false, 2));
  q.GetPreset(1)->mInitialized = true;
  q.GetPreset(1)->mChunk = Doubles({0.0, 0.0, 0.0, 0.0});
  EXPECT_EQ(q.UnserializePresets(bank, 0), bank.Size());
  EXPECT_STREQ(q.GetPresetName(0), "alpha");
  EXPECT_TRUE(q.GetPreset(0)->mInitialized);
  EXPECT_TRUE(q.GetPreset(0)->mChunk.IsEqual(p.GetPreset(0)->mChunk));
  EXPECT_FALSE(q.GetPreset(1)->mInitialized);
  EXPECT_EQ(q.Values(), (std::vector<double>{4.0, 1.0, 1.0, 3.0}));  // current preset 0 restored
}

TEST(Banks, NamesAreCutTo255AndAFailedReadRestoresEverything)
{
  TestPlugin p(MakeTestConfig(false, 2));
  p.GetParam(kSteps)->Set(6);
  p.MakePreset("keep0", 1.0, 0, 0, 1);
  p.MakePreset("keep1", 2.0, 0, 0, 2);
  const auto values = p.Values();

  const std::string longName(300, 'n');
  IStateChunk bank;
  bank.PutStr(longName.c_str());
  const uint8_t one = 1;
  bank.Put(&one);
  IStateChunk state = Doubles({5.0, 2.0, 0.0, 9.0});
  bank.PutChunk(&state);
  IStateChunk good = bank;
  bank.PutStr("second");
  bank.Put(&one);
  bank.PutBytes("\0\0\0", 3);  // the second state is cut short

  EXPECT_EQ(p.UnserializePresets(bank, 0), -1);
  EXPECT_EQ(p.Values(), values);
  EXPECT_STREQ(p.GetPresetName(0), "keep0");
  EXPECT_STREQ(p.GetPresetName(1), "keep1");

  // With a complete second entry the long name arrives cut.
  good.PutStr("second");
  const uint8_t zero = 0;
  good.Put(&zero);
  EXPECT_EQ(p.UnserializePresets(good, 0), good.Size());
  EXPECT_EQ(std::strlen(p.GetPresetName(0)), 255u);
  EXPECT_STREQ(p.GetPresetName(1), "second");
}

TEST(PluginBase, CompareStateAndListParamIndices)
{
  TestPlugin p;
  p.GetParam(kGain)->Set(1.25);
  std::vector<double> data = {0.0, 1.25 + 5e-6, 0.0, 1.0, 5.0};
  EXPECT_TRUE(p.CompareState(data.data(), 1));
  data[4] = 5.00002;
  EXPECT_FALSE(p.CompareState(data.data(), 1));

  TestPlugin none(MakeTestConfig(false, 1, 0));
  EXPECT_TRUE(none.CompareState(data.data(), 0));

  std::vector<int> list;
  p.ListParamIndices(3, list);
  EXPECT_EQ(list, (std::vector<int>{0, 1, 2}));
  list.clear();
  p.ListParamIndices(4, list);
  p.ListParamIndices(0, list);
  p.ListParamIndices(-2, list);
  EXPECT_TRUE(list.empty());
}

TEST(ParamHelpers, RangesGroupsCopiesDefaultsAndRandomValues)
{
  TestPlugin p(MakeTestConfig(false, 1, 8));
  p.InitParamRange(0, 3, 1, "Band %d", 1.0, 0.0, 10.0, 0.5, "dB", 0, "EQ", IParam::ShapeLinear(), kUnitDB);
  p.InitParamRange(6, 20, 0, "Out %d", 0.0, -1.0, 1.0, 0.01, "", 0, "Out", IParam::ShapeLinear(), kUnitCustom);
  EXPECT_STREQ(p.GetParam(0)->GetName(), "Band 1");
  EXPECT_STREQ(p.GetParam(3)->GetName(), "Band 4");
  EXPECT_STREQ(p.GetParam(7)->GetName(), "Out 1");
  EXPECT_EQ(p.GetParam(2)->Unit(), kUnitDB);

  p.CloneParamRange(0, 1, 4, "Band", "Copy", "Copies");
  EXPECT_STREQ(p.GetParam(4)->GetName(), "Copy 1");
  EXPECT_STREQ(p.GetParam(5)->GetGroup(), "Copies");
  EXPECT_EQ(p.GetParam(5)->GetMax(), 10.0);
  p.CloneParamRange(6, 7, 7, "Out", "X");  // the last target is outside the list: skipped
  EXPECT_STREQ(p.GetParam(7)->GetName(), "X 0");

  p.GetParam(0)->Set(2.5);
  p.GetParam(1)->Set(3.5);
  p.CopyParamValues(0, 4, 2);
  EXPECT_EQ(p.GetParam(4)->Value(), 2.5);
  EXPECT_EQ(p.GetParam(5)->Value(), 3.5);
  p.CopyParamValues(0, 6, 5);  // runs past the end: the rest is skipped
  p.GetParam(2)->Set(7.0);
  p.CopyParamValues("EQ", "Copies");  // EQ 0..3 onto Copies 4..5, pairwise
  EXPECT_EQ(p.GetParam(4)->Value(), 2.5);
  EXPECT_EQ(p.GetParam(5)->Value(), 3.5);

  int visited = 0;
  p.ForParamInGroup("EQ", [&](int idx, IParam&) { visited += idx; });
  EXPECT_EQ(visited, 0 + 1 + 2 + 3);
  visited = 0;
  p.ForParamInRange(-5, 100, [&](int, IParam&) { ++visited; });
  EXPECT_EQ(visited, 8);

  p.DefaultParamValues("EQ");
  EXPECT_EQ(p.GetParam(2)->Value(), 1.0);
  EXPECT_EQ(p.GetParam(4)->Value(), 2.5);
  p.DefaultParamValues();
  EXPECT_EQ(p.GetParam(4)->Value(), 1.0);
  EXPECT_EQ(p.GetParam(4)->GetPrevious(), 2.5);

  for (int round = 0; round < 50; ++round)
  {
    p.RandomiseParamValues();
    for (int i = 0; i < p.NParams(); ++i)
    {
      const IParam* param = p.GetParam(i);
      EXPECT_GE(param->Value(), param->GetMin());
      EXPECT_LE(param->Value(), param->GetMax());
    }
  }
  p.PrintParamValues();
}

TEST(ParamHelpers, RangesAtTheIntLimitsVisitOnlyExistingParameters)
{
  TestPlugin p(MakeTestConfig(false, 1, 6));
  int visited = 0;
  p.ForParamInRange(INT_MIN, INT_MAX, [&](int, IParam&) { ++visited; });
  EXPECT_EQ(visited, 6);
  visited = 0;
  p.ForParamInRange(INT_MAX, INT_MIN, [&](int, IParam&) { ++visited; });
  EXPECT_EQ(visited, 0);

  // The counter follows the index, also when the range starts before the list.
  p.InitParamRange(-2, INT_MAX, 1, "P%d", 0.0, 0.0, 1.0, 0.1, "", 0, "G", IParam::ShapeLinear(), kUnitCustom);
  EXPECT_STREQ(p.GetParam(0)->GetName(), "P3");
  EXPECT_STREQ(p.GetParam(5)->GetName(), "P8");

  p.GetParam(0)->Set(0.3);
  p.GetParam(1)->Set(0.4);
  p.CopyParamValues(0, 4, INT_MAX);  // offsets 0 and 1 only: 4 and 5 are the last targets
  EXPECT_EQ(p.GetParam(4)->Value(), 0.3);
  EXPECT_EQ(p.GetParam(5)->Value(), 0.4);
  p.CopyParamValues(INT_MAX, 0, INT_MAX);
  p.CopyParamValues(0, INT_MIN, 3);
  p.CopyParamValues(-1, 1, 2);  // offset 0 names no source; offset 1 copies 0 onto 2
  EXPECT_EQ(p.GetParam(2)->Value(), 0.3);

  p.CloneParamRange(0, INT_MAX, INT_MAX - 1, "P", "Q");  // targets beyond the list: nothing
  p.CloneParamRange(INT_MIN, 0, 3, "P", "Q");            // index 0 onto 3 + (0 - INT_MIN): none
  EXPECT_STREQ(p.GetParam(3)->GetName(), "P6");
  p.CloneParamRange(-1, 0, 2, "P", "Q");                 // index 0 onto 2 + 1
  EXPECT_STREQ(p.GetParam(3)->GetName(), "Q3");

  p.DefaultParamValues(INT_MIN, INT_MAX);
  p.RandomiseParamValues(INT_MIN, INT_MAX);
  for (int i = 0; i < p.NParams(); ++i) EXPECT_LE(p.GetParam(i)->Value(), 1.0);
}
