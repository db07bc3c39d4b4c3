#include "core/IFxQueue.h"
#include "core/IMidiMsg.h"
#include "core/ParamTuple.h"
#include "core/SysExData.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

using namespace fx;

namespace {

// Both queue kinds behave the same when used from one thread.
template <class Q>
class QueueContract : public ::testing::Test
{
};

using QueueTypes = ::testing::Types<IFxQueue<ParamTuple>, IFxMPQueue<ParamTuple>>;
TYPED_TEST_SUITE(QueueContract, QueueTypes);

} // namespace

TYPED_TEST(QueueContract, OrderCapacityWrapAndEmptyPop)
{
  TypeParam q(513);
  EXPECT_EQ(q.GetCapacity(), 513);
  EXPECT_EQ(q.ElementsAvailable(), 0u);

  ParamTuple out(77, 7.5);
  EXPECT_FALSE(q.Pop(out));
  EXPECT_EQ(out.paramIdx, 77); // untouched
  EXPECT_EQ(out.value, 7.5);

  // 600 changes between two drains: the first 512 arrive, the rest are dropped.
  int pushed = 0;
  for (int i = 0; i < 600; ++i) pushed += q.Push(ParamTuple(i, i * 0.5)) ? 1 : 0;
  EXPECT_EQ(pushed, 512);
  EXPECT_EQ(q.ElementsAvailable(), 512u);
  for (int i = 0; i < 512; ++i)
  {
    ASSERT_TRUE(q.Pop(out));
    ASSERT_EQ(out.paramIdx, i);
    ASSERT_EQ(out.value, i * 0.5);
  }
  EXPECT_FALSE(q.Pop(out));

  // Keep the ring going round many times with a varying fill level.
  int next = 0, expect = 0;
  for (int round = 0; round < 2000; ++round)
  {
    const int n = (round * 37) % 300;
    for (int i = 0; i < n; ++i) ASSERT_TRUE(q.Push(ParamTuple(next++, 0)));
    ASSERT_EQ(q.ElementsAvailable(), static_cast<size_t>(n));
    for (int i = 0; i < n; ++i)
    {
      ASSERT_TRUE(q.Pop(out));
      ASSERT_EQ(out.paramIdx, expect++);
    }
  }
}

TYPED_TEST(QueueContract, SmallRingsHoldOneLessThanCapacity)
{
  TypeParam q(5);
  for (int i = 0; i < 4; ++i) EXPECT_TRUE(q.Push(ParamTuple(i, 0)));
  EXPECT_FALSE(q.Push(ParamTuple(4, 0)));
  ParamTuple t;
  ASSERT_TRUE(q.Pop(t));
  EXPECT_EQ(t.paramIdx, 0);
  EXPECT_TRUE(q.Push(ParamTuple(5, 0)));
  EXPECT_EQ(q.ElementsAvailable(), 4u);

  // A capacity below 2 still gives a working ring of one entry.
  TypeParam tiny(0);
  EXPECT_TRUE(tiny.Push(ParamTuple(1, 0)));
  EXPECT_FALSE(tiny.Push(ParamTuple(2, 0)));
  ASSERT_TRUE(tiny.Pop(t));
  EXPECT_EQ(t.paramIdx, 1);
}

TEST(IFxQueue, CountWhenWriteIndexWrappedBelowReadIndex)
{
  IFxQueue<IMidiMsg> q(33);
  IMidiMsg m;
  for (int i = 0; i < 30; ++i) q.Push(IMidiMsg(i, 0x90, 60, 100));
  for (int i = 0; i < 30; ++i) q.Pop(m);
  // read = write = 30; five more pushes wrap write to 2.
  for (int i = 0; i < 5; ++i) q.Push(IMidiMsg(i, 0x80, 60, 0));
  EXPECT_EQ(q.ElementsAvailable(), 5u);
  ASSERT_TRUE(q.Pop(m));
  EXPECT_EQ(m.mOffset, 0);
  EXPECT_EQ(m.mStatus, 0x80);
}

TEST(SysExData, CheckedBuildRefusesOversizeAndNegativeSizes)
{
  std::vector<uint8_t> bytes(600);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i);

  SysExData d;
  EXPECT_TRUE(d.Set(SysExMsg(12, bytes.data(), 512)));
  EXPECT_EQ(d.mOffset, 12);
  EXPECT_EQ(d.mSize, 512);
  EXPECT_EQ(d.mData[511], static_cast<uint8_t>(511));

  EXPECT_FALSE(d.Set(SysExMsg(3, bytes.data(), 513)));
  EXPECT_EQ(d.mSize, 0);
  EXPECT_EQ(d.mData[0], 0);
  EXPECT_FALSE(d.Set(SysExMsg(3, bytes.data(), -1)));
  EXPECT_EQ(d.mSize, 0);

  // A null data pointer gives zero bytes of the given size.
  EXPECT_TRUE(d.Set(SysExMsg(1, nullptr, 10)));
  EXPECT_EQ(d.mSize, 10);
  for (uint8_t b : d.mData) ASSERT_EQ(b, 0);

  // Short messages leave the rest zero; the message form points into the record.
  uint8_t msg[3] = {0xF0, 0x7D, 0xF7};
  ASSERT_TRUE(d.Set(5, 3, msg));
  const SysExMsg m = d.AsMsg();
  EXPECT_EQ(m.mOffset, 5);
  EXPECT_EQ(m.mSize, 3);
  EXPECT_EQ(m.mData, d.mData);
  EXPECT_EQ(d.mData[3], 0);

  // Records go through a queue by value.
  IFxQueue<SysExData> q(5);
  EXPECT_TRUE(q.Push(d));
  SysExData out;
  ASSERT_TRUE(q.Pop(out));
  EXPECT_EQ(out.mSize, 3);
  EXPECT_EQ(out.mData[2], 0xF7);
}

TEST(ParamTuple, ValidityCheck)
{
  EXPECT_TRUE(ParamTuple(0, 1.0).IsValid(16));
  EXPECT_TRUE(ParamTuple(15, -1e9).IsValid(16));
  EXPECT_FALSE(ParamTuple(16, 0).IsValid(16));
  EXPECT_FALSE(ParamTuple(-1, 0).IsValid(16));
  EXPECT_FALSE(ParamTuple(3, std::numeric_limits<double>::quiet_NaN()).IsValid(16));
}
