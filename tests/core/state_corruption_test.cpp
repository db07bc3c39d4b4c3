// Truncated and bit-flipped state, banks and files: never a crash (run under the sanitizers),
// never a parameter outside its range, and a rejected input changes nothing.

#include "tests/core/fakes/TestPlugin.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <string>

using namespace fx;
using namespace fx::test;

namespace {

struct Snapshot
{
  std::vector<double> values;
  std::vector<std::string> names;
  std::vector<bool> initialized;
  std::vector<IStateChunk> chunks;
  int current = 0;

  explicit Snapshot(const TestPlugin& p) : values(p.Values()), current(p.GetCurrentPresetIdx())
  {
    for (int i = 0; i < p.NPresets(); ++i)
    {
      names.emplace_back(p.GetPresetName(i));
      initialized.push_back(p.GetPreset(i)->mInitialized);
      chunks.push_back(p.GetPreset(i)->mChunk);
    }
  }

  void ExpectSame(const TestPlugin& p, const std::string& what) const
  {
    EXPECT_EQ(p.Values(), values) << what;
    EXPECT_EQ(p.GetCurrentPresetIdx(), current) << what;
    for (int i = 0; i < p.NPresets(); ++i)
    {
      EXPECT_EQ(names[static_cast<size_t>(i)], p.GetPresetName(i)) << what;
      EXPECT_EQ(initialized[static_cast<size_t>(i)], p.GetPreset(i)->mInitialized) << what;
      EXPECT_TRUE(chunks[static_cast<size_t>(i)].IsEqual(p.GetPreset(i)->mChunk)) << what;
    }
  }
};

void ExpectValid(const TestPlugin& p, const std::string& what)
{
  for (int i = 0; i < p.NParams(); ++i)
  {
    const IParam* param = p.GetParam(i);
    const double v = param->Value();
    ASSERT_TRUE(std::isfinite(v)) << what;
    EXPECT_GE(v, param->GetMin()) << what;
    EXPECT_LE(v, param->GetMax()) << what;
    if (param->GetStepped())
    {
      EXPECT_EQ(v, std::round(v / param->GetStep()) * param->GetStep()) << what;
    }
  }
}

IStateChunk Prefix(const IStateChunk& c, int n)
{
  IStateChunk out;
  out.PutBytes(c.GetData(), n);
  return out;
}

IStateChunk Flipped(const IStateChunk& c, std::mt19937& rng, int nFlips)
{
  IStateChunk out = c;
  std::uniform_int_distribution<int> byte(0, c.Size() - 1), bit(0, 7);
  for (int i = 0; i < nFlips; ++i) out.GetData()[byte(rng)] ^= static_cast<uint8_t>(1u << bit(rng));
  return out;
}

// A plug-in with a present state that differs from every preset it holds.
void Prepare(TestPlugin& p)
{
  p.MakePreset("first", 2.5, 1, 0, 3);
  p.MakePreset("second", -7.25, 2, 1, 9);
  p.RestorePreset(1);
  p.GetParam(kSteps)->Set(6);
  p.GetParam(kGain)->Set(1.0);
}

} // namespace

TEST(StateCorruption, TruncatedStateBanksAndEditorStateChangeNothing)
{
  TestPlugin src(MakeTestConfig(false, 3));
  Prepare(src);
  IStateChunk state, bank, editor;
  ASSERT_TRUE(src.SerializeState(state));
  ASSERT_TRUE(src.SerializePresets(bank));
  src.SerializeEditorState(editor);

  TestPlugin p(MakeTestConfig(false, 3));
  p.MakePreset("mine", 0.5, 0, 1, 1);
  p.GetParam(kSteps)->Set(2);
  const Snapshot before(p);
  for (int n = 0; n < state.Size(); ++n)
  {
    EXPECT_EQ(p.UnserializeState(Prefix(state, n), 0), -1);
    before.ExpectSame(p, "state cut at " + std::to_string(n));
  }
  for (int n = 0; n < bank.Size(); ++n)
  {
    EXPECT_EQ(p.UnserializePresets(Prefix(bank, n), 0), -1);
    before.ExpectSame(p, "bank cut at " + std::to_string(n));
  }
  for (int n = 0; n < editor.Size(); ++n) EXPECT_EQ(p.UnserializeEditorState(Prefix(editor, n), 0), -1);
  EXPECT_EQ(p.GetSavedWidth(), 0);
}

TEST(StateCorruption, BitFlippedStateAndBanksStayInRangeOrChangeNothing)
{
  TestPlugin src(MakeTestConfig(false, 3));
  Prepare(src);
  IStateChunk state, bank;
  src.SerializeState(state);
  src.SerializePresets(bank);

  std::mt19937 rng(1234);
  for (int round = 0; round < 2000; ++round)
  {
    TestPlugin p(MakeTestConfig(false, 3));
    p.GetParam(kSteps)->Set(2);
    const Snapshot before(p);
    const int flips = 1 + round % 4;
    const IStateChunk badState = Flipped(state, rng, flips);
    if (p.UnserializeState(badState, 0) < 0) before.ExpectSame(p, "state round " + std::to_string(round));
    ExpectValid(p, "state round " + std::to_string(round));

    TestPlugin q(MakeTestConfig(false, 3));
    q.GetParam(kSteps)->Set(2);
    const Snapshot qBefore(q);
    const IStateChunk badBank = Flipped(bank, rng, flips);
    if (q.UnserializePresets(badBank, 0) < 0) qBefore.ExpectSame(q, "bank round " + std::to_string(round));
    ExpectValid(q, "bank round " + std::to_string(round));
    for (int i = 0; i < q.NPresets(); ++i) EXPECT_LE(std::strlen(q.GetPresetName(i)), 255u);
  }
}

TEST(StateCorruption, DamagedProgramAndBankFilesAreRejectedOrStayInRange)
{
  for (bool chunks : {false, true})
  {
    TestPlugin src(MakeTestConfig(chunks, 3));
    Prepare(src);
    IStateChunk fxp, fxb;
    ASSERT_TRUE(src.MakeFXPImage(fxp));
    ASSERT_TRUE(src.MakeFXBImage(fxb));

    TestPlugin p(MakeTestConfig(chunks, 3));
    p.MakePreset("mine", 0.5, 0, 1, 1);
    p.GetParam(kSteps)->Set(2);
    const Snapshot before(p);
    const std::string kind = chunks ? "chunk " : "params ";
    for (int n = 0; n < fxp.Size(); ++n)
    {
      EXPECT_FALSE(p.LoadFXPImage(fxp.GetData(), n)) << n;
      before.ExpectSame(p, kind + "fxp cut at " + std::to_string(n));
    }
    for (int n = 0; n < fxb.Size(); ++n)
    {
      EXPECT_FALSE(p.LoadFXBImage(fxb.GetData(), n)) << n;
      before.ExpectSame(p, kind + "fxb cut at " + std::to_string(n));
    }

    std::mt19937 rng(chunks ? 99 : 7);
    for (int round = 0; round < 1500; ++round)
    {
      const int flips = 1 + round % 3;
      TestPlugin q(MakeTestConfig(chunks, 3));
      q.GetParam(kSteps)->Set(2);
      const Snapshot qBefore(q);
      const IStateChunk badFxp = Flipped(fxp, rng, flips);
      if (!q.LoadFXPImage(badFxp.GetData(), badFxp.Size())) qBefore.ExpectSame(q, kind + "fxp flip");
      ExpectValid(q, kind + "fxp flip");

      TestPlugin r(MakeTestConfig(chunks, 3));
      r.GetParam(kSteps)->Set(2);
      const Snapshot rBefore(r);
      const IStateChunk badFxb = Flipped(fxb, rng, flips);
      if (!r.LoadFXBImage(badFxb.GetData(), badFxb.Size())) rBefore.ExpectSame(r, kind + "fxb flip");
      ExpectValid(r, kind + "fxb flip");
    }
  }
}
