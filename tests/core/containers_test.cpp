#include "core/FxHeapBuf.h"
#include "core/FxMutex.h"
#include "core/FxPtrList.h"
#include "core/FxString.h"
#include "core/FxTextField.h"
#include "core/FxTypedBuf.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>
#include <thread>

using namespace fx;

namespace {

struct Counted
{
  static int alive;
  static std::string order;
  int id;
  explicit Counted(int i) : id(i) { ++alive; }
  ~Counted()
  {
    --alive;
    order += std::to_string(id);
  }
};
int Counted::alive = 0;
std::string Counted::order;

} // namespace

TEST(FxHeapBuf, AllocationSizesFollowGranularity)
{
  {
    FxHeapBuf b(4096);
    EXPECT_NE(b.Resize(5000), nullptr);
    EXPECT_EQ(b.GetAllocated(), 8096);
    EXPECT_EQ(b.GetSize(), 5000);
  }
  {
    FxHeapBuf b(128);
    b.Resize(100);
    EXPECT_EQ(b.GetAllocated(), 228);
  }
  // Large requests with a page granularity: step n/2 rounded to pages, capped at 4 MiB.
  EXPECT_EQ(FxHeapBuf::AllocationSizeFor(100000, 4096), ((100000 + 49152 + 96) / 4096) * 4096 - 96);
  EXPECT_EQ(FxHeapBuf::AllocationSizeFor(20000000, 4096), ((20000000 + 4194304 + 96) / 4096) * 4096 - 96);
  EXPECT_EQ(FxHeapBuf::AllocationSizeFor(1, 4096), 4096 - 96);
  EXPECT_EQ(FxHeapBuf::AllocationSizeFor(1000, 16), 1500);
  EXPECT_EQ(FxHeapBuf::AllocationSizeFor(0, 16), 0);
  // A size that cannot be represented is refused, not wrapped.
  EXPECT_EQ(FxHeapBuf::AllocationSizeFor(INT_MAX, 128), -1);
}

TEST(FxHeapBuf, ResizeKeepsOrShrinksAllocationByThreshold)
{
  FxHeapBuf b(128);
  char* p = static_cast<char*>(b.Resize(1000));
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(b.GetAllocated(), 1500);
  std::memset(p, 'x', 1000);

  // Same size, with or without the shrink flag: nothing changes.
  EXPECT_EQ(b.Resize(1000), p);
  EXPECT_EQ(b.Resize(1000, true), p);
  EXPECT_EQ(b.GetAllocated(), 1500);

  // Growing within the allocation keeps the block.
  EXPECT_EQ(b.Resize(1400), p);
  EXPECT_EQ(b.GetAllocated(), 1500);

  // Shrinking without the flag never reallocates, even to nothing.
  EXPECT_EQ(b.Resize(10), p);
  EXPECT_EQ(b.GetAllocated(), 1500);
  EXPECT_EQ(b.Resize(0), nullptr);
  EXPECT_EQ(b.GetAllocated(), 1500);
  EXPECT_EQ(b.GetSize(), 0);

  // With the flag: threshold = max(1, min(1500 - 512, 750)) = 750.
  b.Resize(1000);
  b.Resize(800, true);
  EXPECT_EQ(b.GetAllocated(), 1500);
  p = static_cast<char*>(b.Resize(700, true));
  EXPECT_EQ(b.GetAllocated(), 700 + 350);
  EXPECT_EQ(b.GetSize(), 700);
  EXPECT_EQ(p[0], 'x');
  EXPECT_EQ(p[699], 'x');

  // Shrinking to 0 with the flag frees the block.
  EXPECT_EQ(b.Resize(0, true), nullptr);
  EXPECT_EQ(b.GetAllocated(), 0);
  EXPECT_EQ(b.Get(), nullptr);

  // Negative sizes are 0.
  b.Resize(10);
  EXPECT_EQ(b.Resize(-5), nullptr);
  EXPECT_EQ(b.GetSize(), 0);
}

TEST(FxHeapBuf, GrowthKeepsContentsAndCopiesAreDeep)
{
  FxHeapBuf a(16);
  for (int n = 1; n <= 5000; n += 37)
  {
    unsigned char* p = static_cast<unsigned char*>(a.Resize(n));
    ASSERT_NE(p, nullptr);
    p[n - 1] = static_cast<unsigned char>(n);
  }
  const unsigned char* p = static_cast<const unsigned char*>(a.Get());
  for (int n = 1; n <= 5000; n += 37) ASSERT_EQ(p[n - 1], static_cast<unsigned char>(n));

  FxHeapBuf b(a);
  EXPECT_EQ(b.GetSize(), a.GetSize());
  EXPECT_NE(b.Get(), a.Get());
  EXPECT_EQ(std::memcmp(a.Get(), b.Get(), a.GetSize()), 0);

  FxHeapBuf c(std::move(a));
  EXPECT_EQ(a.Get(), nullptr);
  EXPECT_EQ(a.GetSize(), 0);
  EXPECT_EQ(c.GetSize(), b.GetSize());

  // A request beyond what an int size can describe leaves the buffer as it was.
  const void* before = c.Get();
  EXPECT_EQ(c.Resize(INT_MAX), before);
  EXPECT_EQ(c.GetSize(), b.GetSize());
}

TEST(FxString, SetAppendInsertAndLimits)
{
  FxString s;
  EXPECT_STREQ(s.Get(), "");
  EXPECT_EQ(s.GetLength(), 0);
  EXPECT_EQ(s.Buffer().GetAllocated(), 0);

  s.Set("");
  EXPECT_STREQ(s.Get(), "");
  s.Set(nullptr);
  EXPECT_STREQ(s.Get(), "");

  s.Set("hello world", 5);
  EXPECT_STREQ(s.Get(), "hello");
  s.Append(", there", 2);
  EXPECT_STREQ(s.Get(), "hello, ");
  s.Append("you");
  EXPECT_STREQ(s.Get(), "hello, you");
  s.Insert("big ", 7);
  EXPECT_STREQ(s.Get(), "hello, big you");
  s.Insert(">", -3);
  EXPECT_STREQ(s.Get(), ">hello, big you");
  s.Insert("<", 1000);
  EXPECT_STREQ(s.Get(), ">hello, big you<");
  EXPECT_EQ(s.GetLength(), 16);

  s.Set("short");
  EXPECT_STREQ(s.Get(), "short");
  s.Truncate(2);
  EXPECT_STREQ(s.Get(), "sh");

  // Text taken from the string itself survives a reallocation.
  s.Set("abcdefghij");
  for (int i = 0; i < 6; ++i) s.Append(s.Get());
  EXPECT_EQ(s.GetLength(), 640);
  s.Set(s.Get() + 630);
  EXPECT_STREQ(s.Get(), "abcdefghij");
  s.Insert(s.Get() + 8, 0);
  EXPECT_STREQ(s.Get(), "ijabcdefghij");

  FxString copy(s);
  copy.Append("!");
  EXPECT_STREQ(s.Get(), "ijabcdefghij");
  EXPECT_TRUE(copy == "ijabcdefghij!");
}

TEST(FxString, FormattedAppendIsCutToItsLimit)
{
  FxString s("x=");
  s.AppendFormatted(3, "%d", 123456);
  EXPECT_STREQ(s.Get(), "x=123");
  EXPECT_EQ(s.Buffer().GetSize(), 6);

  s.AppendFormatted(10, "%s", "ab");
  EXPECT_STREQ(s.Get(), "x=123ab");
  EXPECT_EQ(s.Buffer().GetSize(), 8);

  s.SetFormatted(32, "%.*f", 2, 3.14159);
  EXPECT_STREQ(s.Get(), "3.14");

  s.SetFormatted(0, "%s", "anything");
  EXPECT_STREQ(s.Get(), "");

  // A long argument never writes past the limit.
  std::string big(10000, 'z');
  s.SetFormatted(100, "%s", big.c_str());
  EXPECT_EQ(s.GetLength(), 100);
}

TEST(FxPtrList, AddInsertFindDeleteAndOwnership)
{
  Counted::alive = 0;
  Counted::order.clear();
  FxPtrList<Counted> list;
  EXPECT_EQ(list.Get(0), nullptr);
  Counted* a = list.Add(new Counted(1));
  Counted* b = list.Add(new Counted(2));
  Counted* c = list.Insert(1, new Counted(3));
  Counted* d = list.Insert(-4, new Counted(4));
  ASSERT_EQ(list.GetSize(), 4);
  EXPECT_EQ(list.Get(0), d);
  EXPECT_EQ(list.Get(1), a);
  EXPECT_EQ(list.Get(2), c);
  EXPECT_EQ(list.Get(3), b);
  EXPECT_EQ(list.Get(4), nullptr);
  EXPECT_EQ(list.Get(-1), nullptr);
  EXPECT_EQ(list.Find(c), 2);
  EXPECT_EQ(list.Find(nullptr), -1);

  list.Delete(2); // not deleted
  EXPECT_EQ(Counted::alive, 4);
  EXPECT_EQ(list.Find(c), -1);
  delete c;
  list.Delete(0, true);
  EXPECT_EQ(Counted::alive, 2);
  list.Delete(7, true); // ignored
  EXPECT_EQ(list.GetSize(), 2);

  list.Add(new Counted(5));
  Counted::order.clear();
  list.Empty(true);
  EXPECT_EQ(Counted::order, "521"); // last to first
  EXPECT_EQ(Counted::alive, 0);
  EXPECT_EQ(list.GetSize(), 0);
}

TEST(FxTypedBuf, AddInsertDeleteKeepOrder)
{
  FxTypedBuf<int> buf(64);
  for (int i = 0; i < 100; ++i) ASSERT_TRUE(buf.Add(i));
  EXPECT_EQ(buf.GetSize(), 100);
  buf.Insert(0, -1);
  buf.Insert(1000, 1000);
  buf.Delete(50);
  buf.Delete(-1);
  buf.Delete(1000);
  ASSERT_EQ(buf.GetSize(), 101);
  EXPECT_EQ(buf[0], -1);
  EXPECT_EQ(buf[49], 48);
  EXPECT_EQ(buf[50], 50);
  EXPECT_EQ(buf[100], 1000);
  EXPECT_EQ(buf.Resize(-3), nullptr);
  EXPECT_EQ(buf.GetSize(), 0);
  // An element count whose byte size overflows is refused.
  FxTypedBuf<double> big;
  EXPECT_EQ(big.Resize(INT_MAX / 4), nullptr);
  EXPECT_EQ(big.GetSize(), 0);

  // An element of the buffer itself may be added or inserted, across every reallocation.
  struct Entry { double value; char text[32]; };
  FxTypedBuf<Entry> self(64);
  self.Add(Entry{1.5, "first"});
  for (int i = 0; i < 300; ++i)
  {
    ASSERT_TRUE(self.Add(self[0]));
    ASSERT_TRUE(self.Insert(1, self[self.GetSize() - 1]));
  }
  ASSERT_EQ(self.GetSize(), 601);
  for (int i = 0; i < self.GetSize(); ++i)
  {
    ASSERT_EQ(self[i].value, 1.5) << i;
    ASSERT_STREQ(self[i].text, "first") << i;
  }
}

TEST(FxMutex, SameThreadRelocksOtherThreadWaits)
{
  FxMutex m;
  m.Lock();
  EXPECT_TRUE(m.TryLock());
  m.Unlock();
  bool otherGot = true;
  std::thread t([&] { otherGot = m.TryLock(); });
  t.join();
  EXPECT_FALSE(otherGot);
  m.Unlock();
  std::thread t2([&] {
    otherGot = m.TryLock();
    if (otherGot) m.Unlock();
  });
  t2.join();
  EXPECT_TRUE(otherGot);
}

TEST(FxTextField, CutsLongTextAtCharacterBoundaries)
{
  char field[8];
  std::memset(field, 'Q', sizeof(field));
  CopyTextField(field, 8, "abcdefghijkl");
  EXPECT_STREQ(field, "abcdefg");
  CopyTextField(field, 8, nullptr);
  EXPECT_STREQ(field, "");
  // "abcde" + U+00E9 (2 bytes) + "x": the cut at 7 bytes keeps the whole é.
  CopyTextField(field, 8, "abcde\xC3\xA9x");
  EXPECT_STREQ(field, "abcde\xC3\xA9");
  // "abcdef" + é: the é does not fit and is dropped whole.
  CopyTextField(field, 8, "abcdef\xC3\xA9");
  EXPECT_STREQ(field, "abcdef");
  // Overlapping copies are allowed.
  CopyTextField(field, 8, field + 2);
  EXPECT_STREQ(field, "cdef");
}
