#include "core/IStateChunk.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>

using fx::FxHeapBuf;
using fx::FxString;
using fx::IStateChunk;

TEST(StateChunk, ValuesRoundTripPackedLittleEndian)
{
  IStateChunk c;
  const int32_t i = 0x01020304;
  const double d = -1.25;
  const uint8_t b = 0xAB;
  EXPECT_EQ(c.Put(&i), 4);
  EXPECT_EQ(c.Put(&b), 5);  // packed: no alignment padding
  EXPECT_EQ(c.Put(&d), 13);
  const uint8_t* p = c.GetData();
  EXPECT_EQ(p[0], 0x04);
  EXPECT_EQ(p[3], 0x01);
  EXPECT_EQ(p[4], 0xAB);

  int32_t i2 = 0;
  uint8_t b2 = 0;
  double d2 = 0;
  int pos = c.Get(&i2, 0);
  pos = c.Get(&b2, pos);
  pos = c.Get(&d2, pos);
  EXPECT_EQ(pos, 13);
  EXPECT_EQ(i2, i);
  EXPECT_EQ(b2, b);
  EXPECT_EQ(d2, d);
}

TEST(StateChunk, ShortAndInvalidReadsGiveMinusOneAndLeaveTheValue)
{
  IStateChunk c;
  const int32_t v = 7;
  c.Put(&v);
  double d = 3.0;
  EXPECT_EQ(c.Get(&d, 0), -1);
  EXPECT_EQ(d, 3.0);
  int32_t x = 9;
  EXPECT_EQ(c.Get(&x, 1), -1);
  EXPECT_EQ(c.Get(&x, -1), -1);
  EXPECT_EQ(c.Get(&x, std::numeric_limits<int>::max() - 1), -1);
  EXPECT_EQ(x, 9);
  EXPECT_EQ(c.Get(&x, 0), 4);
  EXPECT_EQ(x, 7);

  IStateChunk empty;
  EXPECT_EQ(empty.GetData(), nullptr);
  EXPECT_EQ(empty.Get(&x, 0), -1);
}

TEST(StateChunk, StringsRoundTripAndStopAtEmbeddedNul)
{
  IStateChunk c;
  c.PutStr("hello");
  c.PutStr("");
  c.PutStr(nullptr);
  EXPECT_EQ(c.Size(), 9 + 4 + 4);

  FxString s;
  int pos = c.GetStr(s, 0);
  EXPECT_EQ(pos, 9);
  EXPECT_STREQ(s.Get(), "hello");
  pos = c.GetStr(s, pos);
  EXPECT_EQ(pos, 13);
  EXPECT_STREQ(s.Get(), "");
  EXPECT_EQ(c.GetStr(s, pos), 17);

  // Length 6 covering "ab\0cd" + 'e': the text stops at the NUL, the position skips all 6.
  IStateChunk n;
  const int32_t len = 6;
  n.Put(&len);
  n.PutBytes("ab\0cde", 6);
  EXPECT_EQ(n.GetStr(s, 0), 10);
  EXPECT_STREQ(s.Get(), "ab");

  char small[3];
  c.GetStr(small, sizeof(small), 0);
  EXPECT_STREQ(small, "he");
}

TEST(StateChunk, CorruptStringLengthsAreRefused)
{
  FxString s("keep");
  for (int32_t len : {-1, -5, std::numeric_limits<int32_t>::min(), 5, 1000, std::numeric_limits<int32_t>::max()})
  {
    IStateChunk c;
    c.Put(&len);
    c.PutBytes("abcd", 4);  // four bytes follow the length
    EXPECT_EQ(c.GetStr(s, 0), -1) << len;
    char buf[8] = "keep";
    EXPECT_EQ(c.GetStr(buf, sizeof(buf), 0), -1) << len;
    EXPECT_STREQ(buf, "keep");
  }
  EXPECT_STREQ(s.Get(), "keep");

  IStateChunk shortLen;
  shortLen.PutBytes("\x01\x00", 2);
  EXPECT_EQ(shortLen.GetStr(s, 0), -1);
}

TEST(StateChunk, ChunksAppendResizeAndCompare)
{
  IStateChunk a, b;
  a.PutStr("abc");
  b.PutChunk(&a);
  b.PutChunk(&b);  // appending itself doubles it
  EXPECT_EQ(b.Size(), 2 * a.Size());
  EXPECT_EQ(std::memcmp(b.GetData() + a.Size(), a.GetData(), static_cast<size_t>(a.Size())), 0);
  b.Resize(a.Size());
  EXPECT_TRUE(b.IsEqual(a));
  b.Resize(0);
  EXPECT_EQ(b.Size(), 0);
  EXPECT_EQ(b.GetData(), nullptr);
  EXPECT_EQ(b.PutBytes(nullptr, 5), 0);
  EXPECT_EQ(b.PutBytes("x", -1), 0);

  // Appending bytes of the chunk itself, also when that makes the buffer move.
  IStateChunk c;
  for (int i = 0; i < 3000; ++i)
  {
    const uint8_t v = static_cast<uint8_t>(i * 7);
    c.Put(&v);
  }
  for (int round = 0; round < 6; ++round)
  {
    const int n = c.Size();
    ASSERT_EQ(c.PutBytes(c.GetData() + 1, n - 1), 2 * n - 1);
    for (int i = 0; i < n - 1; ++i) ASSERT_EQ(c.GetData()[n + i], c.GetData()[1 + i]) << round << " " << i;
  }
  // A string that lies inside the chunk, appended when the buffer is full to the last byte.
  IStateChunk d;
  d.PutBytes("hello", 6);
  const int capacity = static_cast<int>(FxHeapBuf::AllocationSizeFor(6, IStateChunk::kGranularity));
  while (d.Size() < capacity) d.PutBytes("", 1);
  ASSERT_EQ(d.PutStr(reinterpret_cast<const char*>(d.GetData())), capacity + 9);
  FxString text;
  EXPECT_EQ(d.GetStr(text, d.Size() - 9), d.Size());
  EXPECT_STREQ(text.Get(), "hello");
}
