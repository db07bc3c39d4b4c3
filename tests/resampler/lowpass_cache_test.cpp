#include "resampler/CLowPassCache.h"

#include <gtest/gtest.h>

#include <cmath>

#include <vector>

using namespace rsmp;

// The cache is process-wide: each test uses requests no other test makes
// (distinct gains) and releases what it takes.

TEST(LowPassCache, EqualRequestsShareOneFilterAndGainSeparates)
{
  CLowPassFilter* a = CLowPassCache::Get(0.5, 8.0, 90.0, 0, 1.25);
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(CLowPassCache::GetRefCount(a), 1);
  CLowPassFilter* b = CLowPassCache::Get(0.5, 8.0, 90.0, 0, 1.25);
  EXPECT_EQ(a, b);
  EXPECT_EQ(CLowPassCache::GetRefCount(a), 2);
  EXPECT_EQ(CLowPassCache::GetPosition(a), 0);

  CLowPassFilter* c = CLowPassCache::Get(0.5, 8.0, 90.0, 0, 1.5);
  ASSERT_NE(c, nullptr);
  EXPECT_NE(c, a);
  EXPECT_EQ(CLowPassCache::GetPosition(c), 0);
  EXPECT_EQ(CLowPassCache::GetPosition(a), 1);
  // Phase is part of the key.
  CLowPassFilter* d = CLowPassCache::Get(0.5, 8.0, 90.0, 1, 1.25);
  ASSERT_NE(d, nullptr);
  EXPECT_NE(d, a);
  // A hit moves the filter back to the head.
  EXPECT_EQ(CLowPassCache::Get(0.5, 8.0, 90.0, 0, 1.25), a);
  EXPECT_EQ(CLowPassCache::GetPosition(a), 0);
  for(CLowPassFilter* f : {a, a, a, c, d})
    CLowPassCache::Release(f);
  EXPECT_EQ(CLowPassCache::GetRefCount(a), 0);
  CLowPassCache::Release(a); // extra releases never go below zero
  EXPECT_EQ(CLowPassCache::GetRefCount(a), 0);
}

TEST(LowPassCache, FullCacheDropsItsOldestUnusedFilter)
{
  int g = 0;
  while(CLowPassCache::GetCount() < CLowPassCache::kMaxEntries)
  {
    CLowPassFilter* f = CLowPassCache::Get(0.5, 30.0, 50.0, 0, 100.0 + g++);
    ASSERT_NE(f, nullptr);
    CLowPassCache::Release(f);
  }
  // (An earlier test may have grown it past the limit while all were in use.)
  const int full = CLowPassCache::GetCount();
  ASSERT_GE(full, CLowPassCache::kMaxEntries);
  // Misses at the limit replace unused tails: the count stays.
  for(int i = 0; i < 10; i++)
  {
    CLowPassFilter* f = CLowPassCache::Get(0.5, 30.0, 50.0, 0, 500.0 + i);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(CLowPassCache::GetCount(), full);
    EXPECT_EQ(CLowPassCache::GetPosition(f), 0);
    CLowPassCache::Release(f);
  }
  // The most recent ones survived, a hit returns the cached object.
  CLowPassFilter* last = CLowPassCache::Get(0.5, 30.0, 50.0, 0, 509.0);
  EXPECT_EQ(CLowPassCache::GetRefCount(last), 1);
  EXPECT_EQ(CLowPassCache::GetCount(), full);
  CLowPassCache::Release(last);
}

TEST(LowPassCache, InUseTailIsMovedToTheHeadInsteadOfDropped)
{
  struct Held
  {
    std::vector<CLowPassFilter*> v;
    ~Held()
    {
      for(CLowPassFilter* f : v)
        CLowPassCache::Release(f);
    }
  } all;
  // Take new filters (and keep them) until every cached entry is one of ours
  // and in use: then our oldest one sits at the tail.
  for(int i = 0; i < 4 * CLowPassCache::kMaxEntries; i++)
  {
    CLowPassFilter* f = CLowPassCache::Get(0.5, 30.0, 50.0, 0, 3000.0 + i);
    ASSERT_NE(f, nullptr);
    all.v.push_back(f);
    if((int)all.v.size() >= CLowPassCache::kMaxEntries &&
       CLowPassCache::GetPosition(all.v[0]) == CLowPassCache::GetCount() - 1)
      break;
  }
  const int before = CLowPassCache::GetCount();
  ASSERT_GE(before, CLowPassCache::kMaxEntries);
  ASSERT_EQ(CLowPassCache::GetPosition(all.v[0]), before - 1);
  CLowPassFilter* extra = CLowPassCache::Get(0.5, 30.0, 50.0, 0, 4000.0);
  ASSERT_NE(extra, nullptr);
  all.v.push_back(extra);
  EXPECT_EQ(CLowPassCache::GetCount(), before + 1);
  EXPECT_EQ(CLowPassCache::GetPosition(extra), 0);
  EXPECT_EQ(CLowPassCache::GetPosition(all.v[0]), 1);
  EXPECT_EQ(CLowPassCache::GetRefCount(all.v[0]), 1);
}

TEST(LowPassCache, RefusedRequestsReportWhyAndLeaveNoEntry)
{
  const int before = CLowPassCache::GetCount();
  EStatus st = EStatus::kOK;
  EXPECT_EQ(CLowPassCache::Get(0.0, 8.0, 90.0, 0, 1.0, &st), nullptr);
  EXPECT_EQ(st, EStatus::kInvalidArgument);
  EXPECT_EQ(CLowPassCache::Get(0.5, 8.0, -1.0, 0, 1.0, &st), nullptr);
  EXPECT_EQ(st, EStatus::kInvalidArgument);
  EXPECT_EQ(CLowPassCache::Get(0.5, 8.0, 90.0, 0, std::nan(""), &st), nullptr);
  EXPECT_EQ(st, EStatus::kInvalidArgument);
  EXPECT_LE(CLowPassCache::GetCount(), before);
  EXPECT_EQ(CLowPassCache::GetPosition(nullptr), -1);
}
